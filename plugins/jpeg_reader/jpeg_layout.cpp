#include "jpeg_layout.h"

namespace {

constexpr int64_t kMaxSide = 65500;
constexpr uint64_t kMaxImageBytes = 0x7FFFFFFF;

// The fitted size rounded up: at least what fitting into the box gives.
int CeilDiv(int64_t numerator, int64_t denominator) {
  return int((numerator + denominator - 1) / denominator);
}

}  // namespace

int ScaledSide(int side, int eighths) { return CeilDiv(int64_t(side) * eighths, 8); }

// The fit of the whole picture into the box, never past its own size.
static void FittedCover(int width, int height, int boxWidth, int boxHeight, int* fittedWidth,
                        int* fittedHeight) {
  *fittedWidth = CeilDiv(int64_t(width) * boxHeight, height);
  *fittedHeight = CeilDiv(int64_t(height) * boxWidth, width);
  if (*fittedWidth > boxWidth) *fittedWidth = boxWidth;
  if (*fittedHeight > boxHeight) *fittedHeight = boxHeight;
}

int ChooseScaleEighths(int width, int height, int boxWidth, int boxHeight) {
  if (width <= 0 || height <= 0 || boxWidth <= 0 || boxHeight <= 0) return 8;
  int fittedWidth, fittedHeight;
  FittedCover(width, height, boxWidth, boxHeight, &fittedWidth, &fittedHeight);
  for (int eighths = 1; eighths < 8; ++eighths)
    if (ScaledSide(width, eighths) >= fittedWidth && ScaledSide(height, eighths) >= fittedHeight)
      return eighths;
  return 8;
}

bool PreviewCoversBox(int previewWidth, int previewHeight, int width, int height, int boxWidth,
                      int boxHeight) {
  if (previewWidth <= 0 || previewHeight <= 0 || width <= 0 || height <= 0 || boxWidth <= 0 ||
      boxHeight <= 0)
    return false;
  int64_t shapeError = int64_t(previewWidth) * height - int64_t(previewHeight) * width;
  if (shapeError < 0) shapeError = -shapeError;
  if (shapeError > (width > height ? width : height)) return false;
  int fittedWidth, fittedHeight;
  FittedCover(width, height, boxWidth, boxHeight, &fittedWidth, &fittedHeight);
  return previewWidth >= fittedWidth && previewHeight >= fittedHeight;
}

int ChoosePickingFactor(int width, int height, int boxWidth, int boxHeight) {
  switch (ChooseScaleEighths(width, height, boxWidth, boxHeight)) {
    case 1: return 8;
    case 2: return 4;
    case 3:
    case 4: return 2;
    default: return 1;  // more than half the picture is needed
  }
}

bool IsAcceptableJpegSize(int64_t width, int64_t height) {
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
  uint64_t stride = ((uint64_t(width) * 24 + 31) / 32) * 4;
  return stride * uint64_t(height) + 40 <= kMaxImageBytes;
}

void CmykToBgr(const uint8_t* cmyk, int width, bool inverted, uint8_t* bgr) {
  for (int x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    // With inverted inks each byte is already 255 - ink.
    int c = inverted ? cmyk[0] : 255 - cmyk[0];
    int m = inverted ? cmyk[1] : 255 - cmyk[1];
    int y = inverted ? cmyk[2] : 255 - cmyk[2];
    int k = inverted ? cmyk[3] : 255 - cmyk[3];
    bgr[0] = uint8_t((y * k + 127) / 255);
    bgr[1] = uint8_t((m * k + 127) / 255);
    bgr[2] = uint8_t((c * k + 127) / 255);
  }
}

bool CheckedProduct(size_t a, size_t b, size_t* product) {
  if (a != 0 && b > SIZE_MAX / a) return false;
  *product = a * b;
  return true;
}

uint32_t PaddedRowBytes(uint64_t width, uint32_t bits) {
  if (width > (uint64_t(1) << 40) || bits > 128) return 0;
  uint64_t bytes = ((width * bits + 31) / 32) * 4;
  return bytes <= kMaxImageBytes ? uint32_t(bytes) : 0;
}

size_t StripRows(size_t rowBytes, size_t height, size_t maxRows, size_t budget) {
  if (rowBytes == 0 || height == 0 || maxRows == 0) return 0;
  size_t rows = budget / rowBytes;
  if (rows > maxRows) rows = maxRows;
  if (rows > height) rows = height;
  return rows == 0 ? 1 : rows;
}
