// Where the five panes of the main window go.
#pragma once

#include <windows.h>

constexpr int kSplitterWidth = 4;
constexpr int kSplitterId = 102;

struct PaneRects {
  RECT toolbar, tree, splitter, grid, status;  // left, top, width, height
};

// Toolbar across the top (height T), tree of the saved width on the left,
// the 4-pixel splitter, the grid filling the rest, the 20-pixel status bar
// at the bottom. A tree width outside 0..W-4 is held inside it for the
// other panes' sake; the saved width is kept as it is.
PaneRects ComputePanes(int width, int height, int toolbarHeight, int treeWidth);

// Moves the panes that exist for a client area of width x height.
void LayOutPanes(int width, int height);
// Sends the main window WM_SIZE for its current client area.
void RequestLayout();

LRESULT CALLBACK SplitterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
