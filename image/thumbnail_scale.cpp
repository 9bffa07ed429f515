#include "image/thumbnail_scale.h"

#include "image/scratch_rows.h"

PackedDib FitThumbnail(const DibHeader* image, int32_t boxWidth, int32_t boxHeight) {
  int32_t width = image->biWidth, height = image->biHeight;
  if (width <= 0 || height <= 0 || image->biBitCount != 24) return nullptr;
  int32_t newWidth, newHeight;
  FittedSize(width, height, boxWidth, boxHeight, &newWidth, &newHeight);
  return ResampledCopy(image, newWidth, newHeight);
}

PackedDib ResampledCopy(const DibHeader* image, int32_t width, int32_t height) {
  if (image->biWidth <= 0 || image->biHeight <= 0 || image->biBitCount != 24) return nullptr;
  PackedDib copy = CreatePackedDib(width, height, 24);
  if (copy) ResampleNearest(image, copy);
  return copy;
}

void FittedSize(int32_t width, int32_t height, int32_t boxWidth, int32_t boxHeight,
                int32_t* fittedWidth, int32_t* fittedHeight) {
  // Single-precision factors; the width factor is compared at full precision
  // with the stored height factor, and a tie lets the height limit. The new
  // side is the exact product of the stored factor, truncated.
  float scaleX = float(double(boxWidth) / double(width));
  float scaleY = float(boxHeight) / float(height);
  if (double(boxWidth) / double(width) < double(scaleY)) {
    *fittedWidth = boxWidth;
    *fittedHeight = int32_t(double(height) * double(scaleX));
  } else {
    *fittedHeight = boxHeight;
    *fittedWidth = int32_t(double(width) * double(scaleY));
  }
}

void ResampleNearest(const DibHeader* source, PackedDib destination) {
  int32_t sourceWidth = source->biWidth, sourceHeight = source->biHeight;
  int32_t width = destination->biWidth, height = destination->biHeight;
  if (sourceWidth <= 0 || sourceHeight <= 0 || width <= 0 || height <= 0) return;
  uint8_t* in = SourceScratchRow(size_t(sourceWidth) * 3);
  uint8_t* out = OutputScratchRow(size_t(width) * 3);
  if (!in || !out) return;
  for (int32_t i = 0; i < height; ++i) {
    int64_t sourceRow = int64_t(i) * sourceHeight / height;
    if (sourceRow > sourceHeight - 1) sourceRow = sourceHeight - 1;
    ReadPixelSpan(source, int32_t(sourceRow), 0, sourceWidth - 1, in);
    int64_t columnSum = 0;  // j * sourceWidth
    for (int32_t j = 0; j < width; ++j, columnSum += sourceWidth) {
      int64_t column = columnSum / width;
      if (column > sourceWidth - 1) column = sourceWidth - 1;
      const uint8_t* pixel = in + 3 * column;
      out[3 * j] = pixel[0];
      out[3 * j + 1] = pixel[1];
      out[3 * j + 2] = pixel[2];
    }
    WritePixelSpan(destination, i, 0, width - 1, out);
  }
}
