// The JPEG reader's arithmetic on any sizes: the scale chosen for a box
// always covers the fit, picking factors likewise, and the CMYK conversion
// and the turn of one row stay inside their buffers.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "exif_orientation.h"
#include "fuzz_input.h"
#include "image/thumbnail_scale.h"
#include "jpeg_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  int width = input.Take<int32_t>(), height = input.Take<int32_t>();
  int boxWidth = input.Take<int16_t>(), boxHeight = input.Take<int16_t>();
  if (IsAcceptableJpegSize(width, height) && width > 0 && height > 0) {
    int eighths = ChooseScaleEighths(width, height, boxWidth, boxHeight);
    if (eighths < 1 || eighths > 8) std::abort();
    int k = ChoosePickingFactor(width, height, boxWidth, boxHeight);
    if (k != 1 && k != 2 && k != 4 && k != 8) std::abort();
    if (boxWidth > 0 && boxHeight > 0) {
      // What the browser's fit makes of the whole picture is never enlarged
      // from a reduced one.
      int fittedWidth, fittedHeight;
      FittedSize(width, height, boxWidth, boxHeight, &fittedWidth, &fittedHeight);
      if (eighths < 8 &&
          (ScaledSide(width, eighths) < fittedWidth || ScaledSide(height, eighths) < fittedHeight))
        std::abort();
      if (k > 1 && ((width + k - 1) / k < fittedWidth || (height + k - 1) / k < fittedHeight))
        std::abort();
    }
  }
  // One row of CMYK, and one row of a small picture turned.
  int pixels = input.Take<uint8_t>();
  std::vector<uint8_t> cmyk(size_t(pixels) * 4), bgr(size_t(pixels) * 3);
  input.Fill(cmyk.data(), cmyk.size());
  CmykToBgr(cmyk.data(), pixels, input.Take<uint8_t>() & 1, bgr.data());
  int orientation = input.Take<uint8_t>() % 10, w = 1 + input.Take<uint8_t>() % 9,
      h = 1 + input.Take<uint8_t>() % 9, y = input.Take<uint8_t>() % 9;
  std::vector<uint8_t> source(size_t(w * h * 3)), row(size_t(w > h ? w : h) * 3);
  input.Fill(source.data(), source.size());
  int rows = OrientationSwapsSides(orientation) ? w : h;
  if (y < rows) OrientRow(orientation, source.data(), w, h, 3, y, row.data());
  return 0;
}
