#include "image/fast_image.h"

#include <cstring>
#include <string>

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

bool IsFastPictureFile(const char* tempPath, const char* fileName) {
  std::string folder = platform::TemporaryFolder();
  const char* name = tempPath + folder.size();
  return !folder.empty() && std::strlen(tempPath) > folder.size() &&
         platform::CompareNoCase(std::string(tempPath, folder.size()).c_str(), folder.c_str()) ==
             0 &&
         !std::strchr(name, '\\') && std::strcmp(name, "..") != 0 && std::strcmp(name, ".") != 0 &&
         platform::IsFullyQualifiedPath(tempPath) && !platform::HasWildcard(tempPath) &&
         platform::FileExists(tempPath) && !platform::SameFile(tempPath, fileName);
}

PackedDib ReadFastImage(void* owner, const char* fileName) {
  int32_t reader = FindReader(fileName);
  if (reader < 0) return nullptr;
  // One turn from the writing of the fast picture to its deletion: a reader
  // that writes it under a fixed name is not asked again meanwhile.
  ReaderTurn turn(ReaderPath(reader));
  char tempPath[256];
  if (!WriteFastPicture(ReaderPath(reader), owner, fileName, tempPath)) return nullptr;
  PackedDib image = nullptr;
  int32_t tempReader = FindReader(tempPath);
  if (tempReader >= 0)
    image = ReadImageFile(tempPath, owner, ReaderPath(tempReader), ReadMode::Extracted);
  if (IsFastPictureFile(tempPath, fileName)) platform::DeleteOneFile(tempPath);
  return image;
}
