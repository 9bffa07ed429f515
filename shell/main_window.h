// The main window and the registration of the browser's window classes.
#pragma once

#include <windows.h>

constexpr UINT WM_SYNC_TREE = WM_USER + 100;
constexpr char kMainWindowClass[] = "main_class_name";

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Registers the five classes, each by its window's own file (stopping at the
// first failure), and gives the settings their defaults.
void RegisterWindowClasses(HINSTANCE instance);
// How far the work area (the screen less the taskbar and docked bars) lies
// from its monitor's corner: a window placement's normal rectangle is given
// relative to the work area, the settings keep screen coordinates.
POINT WorkAreaOffset(HWND window);
// While the saved placement is being restored, a move onto a screen of
// another density keeps the saved rectangle (device pixels of that screen)
// instead of the one WM_DPICHANGED suggests.
void KeepPlacementOnDpiChange(bool keep);
