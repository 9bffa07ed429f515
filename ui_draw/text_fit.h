// The arithmetic of squeezing a text into a box, free of GDI.
#pragma once

#include <functional>

struct FittedText {
  int characterWidth;  // 0: the font's natural width
  int offset;          // from the box's left edge when centring (may be negative)
};

// `measure(characterWidth)` gives the text's width at that character width
// (0 = natural). Natural width when it fits; otherwise character widths from
// boxWidth / length down to 1 until the text is narrower than the box.
FittedText FitTextWidth(int boxWidth, int length, const std::function<int(int)>& measure);
