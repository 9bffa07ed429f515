// GDI drawing primitives of the browser's hand-drawn look. Each routine
// restores the device context's pen, brush and raster operation.
#pragma once

#include <windows.h>

#include "ui_draw/colours.h"

void DrawLine(HDC dc, int x1, int y1, int x2, int y2, COLORREF colour);
void FillBox(HDC dc, int left, int top, int right, int bottom, COLORREF colour);
// A filled box with a raised bevel `thickness` pixels wide.
void DrawBevelBox(HDC dc, int left, int top, int right, int bottom, COLORREF colour, int thickness);
// White top and left edges, the selected pen for bottom and right.
void DrawRaisedFrame(HDC dc, int left, int top, int right, int bottom);
// The selected pen for top and left edges, white for bottom and right.
void DrawSunkenFrame(HDC dc, int left, int top, int right, int bottom);
// Inverts the outline's pixels; drawing it twice restores them.
void InvertOutline(HDC dc, int left, int top, int right, int bottom);

// Repaints a whole window now: InvalidateRect without erasing, then UpdateWindow.
void RepaintWindow(HWND window);
// The browser's windows paint outside BeginPaint: validate the update region,
// then return a DC of the whole window (release it with ReleaseDC) and its
// client rectangle.
HDC ValidateAndGetDC(HWND window, RECT* client);

// Reads the swapped-buttons setting once, before any window exists.
void InitPrimaryButton();
bool IsPrimaryButtonDown();
