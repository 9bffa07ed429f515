#include <algorithm>

#include "shell/pane_rects.h"

PaneRects ComputePanes(int width, int height, int toolbarHeight, int treeWidth) {
  int tree = std::clamp(treeWidth, 0, std::max(width - kSplitterWidth, 0));
  int middle = height - toolbarHeight - kStatusHeight;
  PaneRects panes;
  panes.toolbar = {0, 0, width, toolbarHeight};
  panes.tree = {0, toolbarHeight, tree, middle};
  panes.splitter = {tree, toolbarHeight, kSplitterWidth, middle};
  panes.grid = {tree + kSplitterWidth, toolbarHeight, width - tree - kSplitterWidth, middle};
  panes.status = {0, height - kStatusHeight, width, kStatusHeight};
  return panes;
}
