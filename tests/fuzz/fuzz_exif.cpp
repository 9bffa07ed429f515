// The first bytes of a camera file as the shipped readers look at them: the
// EXIF orientation, the camera's preview, the JPEG frame header, and the
// turn of a small picture.
#include <cstdint>
#include <vector>

#include "exif_orientation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);  // exactly `size`: reads past it are caught
  int orientation = ExifOrientation(bytes.data(), bytes.size());
  if (orientation < 1 || orientation > 8) __builtin_trap();  // the contract: 1 to 8
  int width = 0, height = 0, components = 0;
  JpegFrameSize(bytes.data(), bytes.size(), &width, &height, &components);
  size_t offset = 0, length = 0;  // the preview, taken as a TIFF block
  if (ExifPreviewSpan(bytes.data(), bytes.size(), &offset, &length) &&
      (offset > size || length > size - offset))
    __builtin_trap();  // the contract: wholly inside the bytes
  // Turn a small picture made of the input's bytes by that orientation.
  const int w = 5, h = 3, pixelBytes = 3;
  std::vector<uint8_t> source(w * h * pixelBytes), upright(w * h * pixelBytes);
  for (size_t i = 0; i < source.size(); ++i) source[i] = size ? data[i % size] : 0;
  OrientPixels(orientation, source.data(), w, h, pixelBytes, upright.data());
  return 0;
}
