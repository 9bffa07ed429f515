// The thumbnail cache's loader on any bytes found in a cache file: what it
// accepts, the cell then draws, so every row it promises must be there.
#include <cstdint>

#include "browser/thumbnail_cache.h"
#include "fuzz_folder.h"
#include "shell/app_state.h"

namespace {

const std::string& SourcePath() {
  static const std::string source = [] {
    SetProgramFolder(FuzzFolder().c_str());
    CreateCacheFolder(kFirstCacheFolderNumber);
    const uint8_t picture[] = "a picture";
    WriteFuzzFile("photo.jpg", picture, sizeof picture);
    return FuzzFolder() + "photo.jpg";
  }();
  return source;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& source = SourcePath();
  char cachePath[300];
  if (!CacheFilePath(source.c_str(), kFirstCacheFolderNumber, cachePath, sizeof cachePath))
    return 0;
  WriteFuzzFile(cachePath + FuzzFolder().size(), data, size);
  PackedDibPtr thumbnail{LoadThumbnail(source.c_str(), kFirstCacheFolderNumber)};
  if (!thumbnail) return 0;
  // What the cell's paint hands the display: every pixel row. (A picture
  // with no columns has rows of no bytes: nothing to read however tall.)
  volatile uint8_t sum = 0;
  for (int32_t row = 0; DibStride(thumbnail.get()) > 0 && row < thumbnail->biHeight; ++row) {
    const uint8_t* pixels = DibRow(thumbnail.get(), row);
    for (int32_t i = 0; i < DibStride(thumbnail.get()); ++i) sum = uint8_t(sum + pixels[i]);
  }
  return 0;
}
