// Sizes for the screen's pixel density, free of windows. Every length of the
// browser and the viewer is written for 96 dots per inch; on a denser screen
// it is multiplied by dpi / 96, so that nothing is stretched by the system.
#pragma once

#include <cstdint>

constexpr int32_t kBaseDpi = 96;

// value x dpi / 96, rounded to the nearest pixel, halves away from zero (as
// MulDiv rounds). A DPI below 1 counts as 96. Results beyond the range of
// int32_t are held at its ends.
int32_t ScaleForDpi(int32_t value, int32_t dpi);
// The inverse: a length on a screen of `dpi` in 96-DPI pixels, rounded the
// same way. ScaleForDpi(UnscaleForDpi(v, dpi), dpi) is within half a
// 96-DPI pixel of v.
int32_t UnscaleForDpi(int32_t value, int32_t dpi);

// The density the process's windows are drawn at: 96 until set. The browser
// sets it from its main window when the window is made and when the window
// moves to a screen of another density.
int32_t CurrentDpi();
void SetCurrentDpi(int32_t dpi);
// ScaleForDpi(value, CurrentDpi()).
int32_t Scaled(int32_t value);
