#include "ui_draw/window_dpi.h"

#include "platform/scoped_handles.h"
#include "ui_draw/dpi_scale.h"

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetDpiForSystemFunction = UINT(WINAPI*)();
using SystemParametersInfoForDpiFunction = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

// A user32 function by name; nullptr on systems without it.
template <typename Function>
Function User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleA("user32.dll");
  return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                : nullptr;
}

// Windows 8.1 has per-monitor densities without GetDpiForWindow: the
// effective density of the window's monitor, from shcore.dll; 0 elsewhere.
int32_t MonitorDpi(HWND window) {
  static const auto getDpiForMonitor = [] {
    // From the system folder only (a DLL of that name beside the program is
    // never loaded); kept for the process's life.
    char path[MAX_PATH + 16] = {};
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    HMODULE shcore = length > 0 && length < MAX_PATH
                         ? LoadLibraryA(lstrcatA(path, "\\shcore.dll"))
                         : nullptr;
    return shcore ? reinterpret_cast<GetDpiForMonitorFunction>(
                        reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
                  : nullptr;
  }();
  UINT x = 0, y = 0;
  const int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
  if (!getDpiForMonitor || !window ||
      FAILED(getDpiForMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), kEffectiveDpi,
                              &x, &y)))
    return 0;
  return int32_t(x);
}

int32_t DeviceDpi(HWND window) {
  platform::WindowDC dc(window);
  int32_t dpi = dc.Get() ? GetDeviceCaps(dc, LOGPIXELSX) : kBaseDpi;
  return dpi > 0 ? dpi : kBaseDpi;
}

}  // namespace

int32_t WindowDpi(HWND window) {
  static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  UINT dpi = getDpiForWindow && window ? getDpiForWindow(window) : 0;
  if (dpi > 0) return int32_t(dpi);
  int32_t monitor = MonitorDpi(window);
  return monitor > 0 ? monitor : DeviceDpi(window);
}

int32_t SystemDpi() {
  static const auto getDpiForSystem = User32Function<GetDpiForSystemFunction>("GetDpiForSystem");
  UINT dpi = getDpiForSystem ? getDpiForSystem() : 0;
  return dpi > 0 ? int32_t(dpi) : DeviceDpi(nullptr);
}

int32_t DpiOfChange(WPARAM wParam) {
  int32_t dpi = LOWORD(wParam);
  return dpi > 0 ? dpi : kBaseDpi;
}

void MoveToSuggestedRect(HWND window, LPARAM lParam) {
  const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
  if (!suggested) return;
  SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
               suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
}

HFONT CreateMessageFontForDpi(int32_t dpi) {
  static const auto forDpi =
      User32Function<SystemParametersInfoForDpiFunction>("SystemParametersInfoForDpi");
  // The record as Windows Vista and later know it (the headers here are
  // Windows XP's, which lack its last field); XP takes only its own size.
  struct {
    NONCLIENTMETRICSW metrics;
    int paddedBorderWidth;
  } full = {};
  NONCLIENTMETRICSW& metrics = full.metrics;
  metrics.cbSize = sizeof full;
  if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof full, &full, 0, UINT(dpi)))
    return CreateFontIndirectW(&metrics.lfMessageFont);
  // Older systems: one density for the whole screen; the metrics are for it.
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return nullptr;
  LONG& height = metrics.lfMessageFont.lfHeight;
  height = LONG(int64_t(height) * dpi / SystemDpi());
  return CreateFontIndirectW(&metrics.lfMessageFont);
}
