// Where the five panes of the main window go, free of windows.
#pragma once

#include "ui_draw/dpi_scale.h"

constexpr int kSplitterWidth = 4;
constexpr int kStatusHeight = 20;

struct PaneBox {
  int x, y, width, height;
};

struct PaneRects {
  PaneBox toolbar, tree, splitter, grid, status;
};

// Toolbar across the top (height T), tree of the saved width on the left,
// the 4-pixel splitter, the grid filling the rest, the 20-pixel status bar
// at the bottom. A tree width outside 0..W-4 is held inside it for the
// other panes' sake; the saved width is kept as it is. The tree width, the
// splitter and the status bar are in 96-DPI pixels and scaled for `dpi`;
// width, height and the toolbar's height are the window's own pixels.
PaneRects ComputePanes(int width, int height, int toolbarHeight, int treeWidth, int dpi = kBaseDpi);
