#include "shell/placement.h"

Placement RestoredPlacement(uint32_t position, uint32_t size, int screenWidth, int screenHeight) {
  Placement p;
  p.x = int16_t(position & 0xFFFF);
  p.y = int16_t(position >> 16);
  if (p.x < 0) p.x = 0;
  if (p.y < 0) p.y = 0;
  p.width = int(size & 0xFFFF);
  p.height = int(size >> 16);
  if (p.width < 100) p.width = 100;
  if (p.height < 100) p.height = 100;
  if (p.x + 48 > screenWidth) p.x = screenWidth - 48;
  if (p.y + 48 > screenHeight) p.y = screenHeight - 48;
  return p;
}

uint32_t PackPosition(int left, int top) {
  return (uint32_t(top) & 0xFFFF) << 16 | (uint32_t(left) & 0xFFFF);
}

uint32_t PackSize(int left, int top, int right, int bottom) {
  return (uint32_t(bottom - top) & 0xFFFF) << 16 | (uint32_t(right - left) & 0xFFFF);
}

bool ColourDepthChanged(int32_t atStart, int32_t now) {
  return (atStart == 15 ? 16 : atStart) != now;
}
