#include "image/fast_image.h"

#include <cstring>

#include "image/plugin_api.h"
#include "image/plugin_registry.h"
#include "image/read_pipeline.h"
#include "platform/platform.h"

namespace {

// Asks the reader for its fast picture; fills `tempPath` and returns true when
// it wrote one.
bool WriteFastPicture(const char* pluginPath, void* owner, const char* fileName,
                      char (&tempPath)[256]) {
  ReaderTurn turn(pluginPath);
  platform::ScopedLibrary plugin(pluginPath);
  auto fastImage = reinterpret_cast<ReadFileFastImageFn>(plugin.Export("ReadFileFastImage"));
  if (!fastImage) return false;
  auto* size = static_cast<ImageSizeRecord*>(platform::GlobalBlockAlloc(sizeof(ImageSizeRecord)));
  auto* extra =
      static_cast<ImageExtraRecord*>(platform::GlobalBlockAlloc(sizeof(ImageExtraRecord)));
  bool written = false;
  if (size && extra) {
    std::memset(tempPath, 0, sizeof tempPath);
    written = fastImage(owner, fileName, size, extra, tempPath) != 0;
    tempPath[sizeof tempPath - 1] = '\0';
  }
  platform::GlobalBlockFree(size);
  platform::GlobalBlockFree(extra);
  return written && tempPath[0] != '\0';
}

}  // namespace

PackedDib ReadFastImage(void* owner, const char* fileName) {
  int32_t reader = FindReader(fileName);
  if (reader < 0) return nullptr;
  char tempPath[256];
  if (!WriteFastPicture(ReaderPath(reader), owner, fileName, tempPath)) return nullptr;
  PackedDib image = nullptr;
  int32_t tempReader = FindReader(tempPath);
  if (tempReader >= 0)
    image = ReadImageFile(tempPath, owner, ReaderPath(tempReader), ReadMode::Extracted);
  platform::DeleteOneFile(tempPath);
  return image;
}
