#include "shell/strings.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "shell/app_state.h"

const char* LoadStringResource(unsigned id) {
  static char buffer[1024];  // French texts take two bytes per accented letter in UTF-8
  if (LoadStringA(static_cast<HINSTANCE>(g_windows.instance), id, buffer, sizeof buffer) == 0) {
    char message[64];
    std::snprintf(message, sizeof message, "id[%u]LoadString error", id);
    MessageBoxA(static_cast<HWND>(g_windows.main), message, "Tamsel", MB_ICONINFORMATION);
  }
  return buffer;
}

void ShowShiftJisMessage(void* owner, const char* shiftJisText) {
  int length = MultiByteToWideChar(932, 0, shiftJisText, -1, nullptr, 0);
  std::vector<wchar_t> text(length > 0 ? length : 1, L'\0');
  if (length > 0) MultiByteToWideChar(932, 0, shiftJisText, -1, text.data(), length);
  MessageBoxW(static_cast<HWND>(owner), text.data(), L"Tamsel", MB_ICONINFORMATION);
}
