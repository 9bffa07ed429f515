// The shipped JPEG reader (built natively on the system's libjpeg-turbo)
// reading any bytes named *.jpg, through the browser's thumbnail path: the
// frame and EXIF markers, the scale chosen for the box, CMYK and grey
// pictures, orientation, truncated and damaged data.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "exif_orientation.h"
#include "fuzz_folder.h"
#include "image/packed_dib.h"
#include "image/thumbnail_maker.h"
#include "platform/platform.h"

namespace {

void Silently(platform::WindowHandle, const char*, const char*) {}

// A program folder whose file_r holds the JPEG reader, and the file it reads.
const std::string& PictureFile() {
  static const std::string picture = [] {
    platform::SetMessageSink(Silently);
    InstallReader(JPEG_READER_PATH, "jpeg_reader.dll");
    std::string path = FuzzFolder() + "photo.jpg";
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
