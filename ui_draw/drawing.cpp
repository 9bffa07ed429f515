#include "ui_draw/drawing.h"

#include "platform/scoped_handles.h"

void DrawLine(HDC dc, int x1, int y1, int x2, int y2, COLORREF colour) {
  platform::ScopedGdiObject<HPEN> pen(CreatePen(PS_SOLID, 0, colour));
  platform::Selected selected(dc, pen.Get());
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
}

void FillBox(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  platform::ScopedGdiObject<HBRUSH> brush(CreateSolidBrush(colour));
  RECT box = {left, top, right, bottom};
  FillRect(dc, &box, brush.Get());
}

void DrawBevelBox(HDC dc, int left, int top, int right, int bottom, COLORREF colour,
                  int thickness) {
  FillBox(dc, left, top, right, bottom, colour);
  COLORREF highlight = BevelHighlight(colour), shadow = BevelShadow(colour);
  for (int i = 0; i < thickness; ++i)
    DrawLine(dc, left + i, top + i, right - i, top + i, highlight);
  for (int i = 0; i < thickness; ++i)
    DrawLine(dc, left + i, top + i, left + i, bottom - i, highlight);
  for (int i = 0; i < thickness; ++i)
    DrawLine(dc, left + i, bottom - i, right - i, bottom - i, shadow);
  for (int i = 0; i < thickness; ++i)
    DrawLine(dc, right - i, top + i, right - i, bottom - i, shadow);
}

void DrawRaisedFrame(HDC dc, int left, int top, int right, int bottom) {
  MoveToEx(dc, right, top, nullptr);
  {
    platform::Selected white(dc, GetStockObject(WHITE_PEN));
    LineTo(dc, left, top);
    LineTo(dc, left, bottom);
  }
  LineTo(dc, right, bottom);
  LineTo(dc, right, top);
}

void DrawSunkenFrame(HDC dc, int left, int top, int right, int bottom) {
  MoveToEx(dc, right, top, nullptr);
  LineTo(dc, left, top);
  LineTo(dc, left, bottom);
  platform::Selected white(dc, GetStockObject(WHITE_PEN));
  LineTo(dc, right, bottom);
  LineTo(dc, right, top);
}

void InvertOutline(HDC dc, int left, int top, int right, int bottom) {
  SetROP2(dc, R2_NOT);
  MoveToEx(dc, left, top, nullptr);
  LineTo(dc, right, top);
  LineTo(dc, right, bottom);
  LineTo(dc, left, bottom);
  LineTo(dc, left, top);
  SetROP2(dc, R2_COPYPEN);
}

static bool g_buttonsSwapped = false;

void InitPrimaryButton() { g_buttonsSwapped = GetSystemMetrics(SM_SWAPBUTTON) != 0; }

bool IsPrimaryButtonDown() {
  return (GetAsyncKeyState(g_buttonsSwapped ? VK_RBUTTON : VK_LBUTTON) & 0x8000) != 0;
}

void RepaintWindow(HWND window) {
  InvalidateRect(window, nullptr, FALSE);
  UpdateWindow(window);
}

HDC ValidateAndGetDC(HWND window, RECT* client) {
  PAINTSTRUCT paint;
  BeginPaint(window, &paint);
  EndPaint(window, &paint);
  GetClientRect(window, client);
  return GetDC(window);
}
