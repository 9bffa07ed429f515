// The shipped JPEG reader (built natively on the system's libjpeg-turbo)
// reading any bytes named *.jpg, through the browser's thumbnail path: the
// frame and EXIF markers, the scale chosen for the box, CMYK and grey
// pictures, orientation, truncated and damaged data.
#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "exif_orientation.h"
#include "fuzz_folder.h"
#include "image/packed_dib.h"
#include "image/plugin_registry.h"
#include "image/thumbnail_maker.h"
#include "platform/platform.h"
#include "shell/app_state.h"

namespace {

void Silently(platform::WindowHandle, const char*, const char*) {}

// A program folder whose file_r holds the JPEG reader, and the file it reads.
const std::string& PictureFile() {
  static const std::string picture = [] {
    platform::SetMessageSink(Silently);
    std::string folder = FuzzFolder();
    SetProgramFolder(folder.c_str());
    std::string readers = folder + "file_r";
    platform::MakeFolder(readers.c_str());
    std::vector<uint8_t> reader;
    if (FILE* file = std::fopen(JPEG_READER_PATH, "rb")) {
      uint8_t chunk[65536];
      for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
        reader.insert(reader.end(), chunk, chunk + got);
      std::fclose(file);
    }
    WriteFuzzFile("file_r\\jpeg_reader.dll", reader.data(), reader.size());
    // Held loaded for the whole run: the pipeline loads and frees it for
    // every picture, and the fuzzer keeps counting in its code.
    std::string loaded = readers + "\\jpeg_reader.dll";
    for (char& c : loaded)
      if (c == '\\') c = '/';
    if (!dlopen(loaded.c_str(), RTLD_NOW)) std::abort();
    ScanPlugins();
    std::string path = folder + "photo.jpg";
    for (char& c : path)
      if (c == '\\') c = '/';  // the reader opens the name it is given as it is
    return path;
  }();
  return picture;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = PictureFile();
  // Sound pictures larger than a fuzzer should wait for are left out;
  // refused sizes are all kept.
  int width = 0, height = 0, components = 0;
  if (JpegFrameSize(data, size, &width, &height, &components) &&
      int64_t(width) * height > (4 << 20) && width <= 65500 && height <= 65500)
    return 0;
  WriteFuzzFile("photo.jpg", data, size);
  for (int32_t box : {160, 40}) {
    PackedDibPtr thumbnail{MakeThumbnail(nullptr, path.c_str(), box + 16, box)};
    if (!thumbnail) continue;
    if (thumbnail->biBitCount != 24 || thumbnail->biWidth > box + 16 || thumbnail->biHeight > box)
      std::abort();
  }
  return 0;
}
