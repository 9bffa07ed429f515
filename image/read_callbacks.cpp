#include "image/read_callbacks.h"

#include <cstring>

#include "image/reusable_image.h"
#include "image/scratch_rows.h"

thread_local ReadState g_readState;

int32_t PLUGIN_CALL PutRow(int32_t row, int32_t, int32_t, const void* data, int32_t flag) {
  PackedDib target = g_readState.target;
  if (flag != 0 || !target || !data) return -1;
  if (row >= 0 && row < target->biHeight) {
    std::memcpy(DibRow(target, row), data, size_t(DibStride(target)));
    ++g_readState.rowsDelivered;
  }
  return 0;
}

// Most pictures have no opacities: the plane is made when the first arrive,
// fully transparent until delivered, as big as the target.
int32_t PLUGIN_CALL PutAlpha(int32_t row, int32_t xFirst, int32_t xLast, const void* opacities) {
  PackedDib target = g_readState.target;
  if (!g_readState.keepAlpha || !target || !opacities) return 0;
  if (!g_readState.alphaPlane)
    g_readState.alphaPlane =
        ReusableImage(ReusableRole::Alpha, target->biWidth, target->biHeight, 8);
  if (!g_readState.alphaPlane) return 0;
  WritePixelSpan(g_readState.alphaPlane, row, xFirst, xLast, opacities);
  g_readState.alphaSeen = true;
  return 0;
}

int32_t PLUGIN_CALL IgnoreAlpha(int32_t, int32_t, int32_t, const void*) { return 0; }

int32_t PLUGIN_CALL PutPalette(const void* entries, int32_t flag) {
  if (flag != 0) return -1;
  PackedDib target = g_readState.target;
  uint32_t bytes = NewColourTableBytes(g_readState.bitsPerPixel);
  if (target && entries && bytes != 0 && bytes == NewColourTableBytes(target->biBitCount))
    std::memcpy(ColourTable(target), entries, bytes);
  return 0;
}

int32_t PLUGIN_CALL PutChannel(int32_t row, int32_t channel, int32_t, int32_t, const void* values,
                               int32_t flag) {
  PackedDib target = g_readState.target;
  if (flag != 0 || !target || target->biBitCount < 24 || !values) return -1;
  if (channel < 0 || channel > 2) return -1;  // a byte outside the pixel
  int32_t width = target->biWidth;
  uint8_t* scratch = SourceScratchRow(size_t(width) * 3);
  if (!scratch) return -1;
  if (!ReadPixelSpan(target, row, 0, width - 1, scratch)) return 0;
  ++g_readState.rowsDelivered;
  const auto* bytes = static_cast<const uint8_t*>(values);
  for (int32_t x = 0; x < width; ++x) scratch[3 * x + channel] = bytes[x];
  WritePixelSpan(target, row, 0, width - 1, scratch);
  return 0;
}
