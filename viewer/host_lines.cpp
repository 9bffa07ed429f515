#include "viewer/host_lines.h"

namespace {

PackedDib g_offered = nullptr;  // the picture of the filter run in progress

}  // namespace

void HOST_LINE_CALL GetPictureLine(int32_t y, int32_t x0, int32_t x1, uint8_t* bgr, int32_t) {
  if (g_offered && bgr) ReadPixelSpan(g_offered, y, x0, x1, bgr);
}

void HOST_LINE_CALL PutPictureLine(int32_t y, int32_t x0, int32_t x1, uint8_t* bgr, int32_t) {
  if (g_offered && bgr) WritePixelSpan(g_offered, y, x0, x1, bgr);
}

FilterHostImage::FilterHostImage(PackedDib picture) {
  bool usable = picture && picture->biBitCount == 24;
  g_offered = usable ? picture : nullptr;
  size_ = {usable ? picture->biWidth : 0, usable ? picture->biHeight : 0};
}

FilterHostImage::~FilterHostImage() { g_offered = nullptr; }
