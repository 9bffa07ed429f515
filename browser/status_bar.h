// The status bar: file and selection counts in two owner-drawn boxes and a
// message area driven by the WM_USER protocol.
#pragma once

#include <windows.h>

constexpr int kStatusBarHeight = 20;
constexpr int kSelectedBoxId = 110;
constexpr int kFileCountBoxId = 111;

constexpr char kStatusBarClass[] = "statbar_class";

LRESULT CALLBACK StatusBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool RegisterStatusBarClass(HINSTANCE instance);

// Repaints the two count boxes; the selected-count box recounts the selection.
void RefreshStatusCounts();
