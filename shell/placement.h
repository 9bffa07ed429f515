// Window placement arithmetic, free of windows.
#pragma once

#include <cstdint>

struct Placement {
  int x, y, width, height;
};

// The saved position and size (x, y and width, height packed as 16-bit
// halves) restored on a screen of the given size: negative coordinates
// become 0, sides are at least 100, and a 48-pixel corner stays on screen.
Placement RestoredPlacement(uint32_t position, uint32_t size, int screenWidth, int screenHeight);

// Packs a window rectangle as the settings store it.
uint32_t PackPosition(int left, int top);
uint32_t PackSize(int left, int top, int right, int bottom);

// Window sizes are kept even.
inline int EvenSide(int side) { return side / 2 * 2; }

// True when the display's colour depth differs from the one measured at
// start, a stored 15 counting as 16.
bool ColourDepthChanged(int32_t atStart, int32_t now);
