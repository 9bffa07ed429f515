// Laying out the main window's panes, and the splitter bar.
#pragma once

#include <windows.h>

#include "resources/resource.h"
#include "shell/pane_rects.h"

constexpr int kSplitterId = IDC_SPLITTER;
constexpr char kSplitterClass[] = "glid_class";

// Moves the panes that exist for a client area of width x height.
void LayOutPanes(int width, int height);
// Sends the main window WM_SIZE for its current client area.
void RequestLayout();

LRESULT CALLBACK SplitterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool RegisterSplitterClass(HINSTANCE instance);
