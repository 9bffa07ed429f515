#include "ui_draw/colours.h"

uint32_t BevelHighlight(uint32_t colour) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    uint32_t byte = ((colour >> shift) & 0xFF) + 128;
    out |= (byte > 255 ? 255 : byte) << shift;
  }
  return out;
}

uint32_t BevelShadow(uint32_t colour) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) out |= (((colour >> shift) & 0xFF) / 2) << shift;
  return out;
}
