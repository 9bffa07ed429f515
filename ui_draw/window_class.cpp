#include "ui_draw/window_class.h"

bool RegisterBrowserClass(HINSTANCE instance, const char* name, WNDPROC procedure, HICON icon,
                          HCURSOR cursor, COLORREF background) {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  windowClass.lpfnWndProc = procedure;
  windowClass.cbWndExtra = 4;
  windowClass.hInstance = instance;
  windowClass.hIcon = icon;
  windowClass.hCursor = cursor;
  windowClass.hbrBackground = CreateSolidBrush(background);
  windowClass.lpszClassName = name;
  return RegisterClassA(&windowClass) != 0;
}

HICON ApplicationIcon() { return LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION)); }

HCURSOR ArrowCursor() { return LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)); }
