#include <algorithm>

#include "shell/pane_rects.h"

PaneRects ComputePanes(int width, int height, int toolbarHeight, int treeWidth, int dpi) {
  int splitter = ScaleForDpi(kSplitterWidth, dpi), status = ScaleForDpi(kStatusHeight, dpi);
  int tree = std::clamp(ScaleForDpi(treeWidth, dpi), 0, std::max(width - splitter, 0));
  int middle = height - toolbarHeight - status;
  PaneRects panes;
  panes.toolbar = {0, 0, width, toolbarHeight};
  panes.tree = {0, toolbarHeight, tree, middle};
  panes.splitter = {tree, toolbarHeight, splitter, middle};
  panes.grid = {tree + splitter, toolbarHeight, width - tree - splitter, middle};
  panes.status = {0, height - status, width, status};
  return panes;
}
