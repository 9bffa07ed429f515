#include "ui_draw/dpi_scale.h"

#include <algorithm>
#include <limits>

namespace {

int32_t g_currentDpi = kBaseDpi;

int32_t UsableDpi(int32_t dpi) { return dpi < 1 ? kBaseDpi : dpi; }

// value x multiplier / divisor, rounded to nearest with halves away from zero.
int32_t MultiplyDivideRounded(int32_t value, int32_t multiplier, int32_t divisor) {
  int64_t product = int64_t(value) * multiplier;
  int64_t half = divisor / 2;
  int64_t result = product >= 0 ? (product + half) / divisor : -((-product + half) / divisor);
  return int32_t(std::clamp<int64_t>(result, std::numeric_limits<int32_t>::min(),
                                     std::numeric_limits<int32_t>::max()));
}

}  // namespace

int32_t ScaleForDpi(int32_t value, int32_t dpi) {
  return MultiplyDivideRounded(value, UsableDpi(dpi), kBaseDpi);
}

int32_t UnscaleForDpi(int32_t value, int32_t dpi) {
  return MultiplyDivideRounded(value, kBaseDpi, UsableDpi(dpi));
}

int32_t CurrentDpi() { return g_currentDpi; }

void SetCurrentDpi(int32_t dpi) { g_currentDpi = UsableDpi(dpi); }

int32_t Scaled(int32_t value) { return ScaleForDpi(value, g_currentDpi); }
