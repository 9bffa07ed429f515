// The pixel density of a window's screen and the fonts that follow it, for
// the browser and the viewer. The per-monitor functions exist from Windows
// 10 on: they are looked up when first needed, and older systems get the
// density of the whole screen, which never changes while a program runs.
#pragma once

#include <windows.h>

#include <cstdint>

// WM_DPICHANGED's numbers, for headers older than Windows 10's.
constexpr UINT kDpiChangedMessage = 0x02E0;
constexpr UINT kDpiChangedAfterParentMessage = 0x02E3;

// GetDpiForWindow where the system has it (Windows 10), else the density of
// the window's monitor (GetDpiForMonitor, Windows 8.1), else LOGPIXELSX of
// the window's device context (the screen's one density on older systems).
int32_t WindowDpi(HWND window);
// The density windows are made at before they exist: GetDpiForSystem, else
// LOGPIXELSX of the screen.
int32_t SystemDpi();

// The density WM_DPICHANGED announces (its wParam's low word).
int32_t DpiOfChange(WPARAM wParam);
// Moves the window to the rectangle WM_DPICHANGED suggests (lParam), which
// keeps it on the screen it moved to at the size it has there.
void MoveToSuggestedRect(HWND window, LPARAM lParam);

// The system's message font (menus, status lines, common controls) for a
// screen of `dpi`: SystemParametersInfoForDpi where the system has it, else
// the font of the system's own density scaled. The caller deletes it.
HFONT CreateMessageFontForDpi(int32_t dpi);
