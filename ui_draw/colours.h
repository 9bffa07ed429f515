// Colour arithmetic of the drawing toolkit, free of GDI so it can be tested
// natively. Colours are 0x00BBGGRR, as COLORREF.
#pragma once

#include <cstdint>

constexpr uint32_t Rgb(uint32_t red, uint32_t green, uint32_t blue) {
  return red | green << 8 | blue << 16;
}

// The bevel's highlight (each byte + 128, at most 255) and shadow (halved).
uint32_t BevelHighlight(uint32_t colour);
uint32_t BevelShadow(uint32_t colour);

// The browser's panel colour, shared by the status bar and unselected cells.
constexpr uint32_t kPanelColour = Rgb(0x75, 0x9E, 0xD0);
