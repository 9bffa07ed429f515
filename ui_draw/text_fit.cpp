#include "ui_draw/text_fit.h"

FittedText FitTextWidth(int boxWidth, int length, const std::function<int(int)>& measure) {
  int natural = measure(0);
  if (natural < boxWidth) return {0, (boxWidth - natural) / 2};
  int offset = (boxWidth - natural) / 2;
  for (int width = length > 0 ? boxWidth / length : 0; width >= 1; --width) {
    int extent = measure(width);
    offset = (boxWidth - extent) / 2;
    if (extent < boxWidth) return {width, offset};
  }
  return {0, offset};  // nothing fits: natural width, starting left of the box
}
