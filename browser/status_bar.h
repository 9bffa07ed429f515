// The status bar: file and selection counts in two owner-drawn boxes and a
// message area driven by the WM_USER protocol.
#pragma once

#include <windows.h>

#include "resources/resource.h"

constexpr int kStatusBarHeight = 20;
constexpr int kSelectedBoxId = IDC_SELECTED_BOX;
constexpr int kFileCountBoxId = IDC_FILE_COUNT_BOX;

constexpr char kStatusBarClass[] = "statbar_class";

LRESULT CALLBACK StatusBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool RegisterStatusBarClass(HINSTANCE instance);

// Repaints the two count boxes; the selected-count box recounts the selection.
void RefreshStatusCounts();
