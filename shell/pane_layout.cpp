#include "shell/pane_layout.h"

#include "shell/app_state.h"
#include "shell/settings.h"

namespace {

void Place(void* window, const PaneBox& box) {
  if (window) MoveWindow(static_cast<HWND>(window), box.x, box.y, box.width, box.height, TRUE);
}

}  // namespace

void LayOutPanes(int width, int height) {
  PaneRects panes = ComputePanes(width, height, g_app.toolbarHeight, g_settings.treeWidth);
  Place(g_windows.toolbar, panes.toolbar);
  Place(g_windows.tree, panes.tree);
  Place(g_windows.splitter, panes.splitter);
  Place(g_windows.grid, panes.grid);
  Place(g_windows.statusBar, panes.status);
}

void RequestLayout() {
  HWND main = static_cast<HWND>(g_windows.main);
  RECT client;
  GetClientRect(main, &client);
  SendMessageA(main, WM_SIZE, IsZoomed(main) ? SIZE_MAXIMIZED : SIZE_RESTORED,
               MAKELPARAM(client.right, client.bottom));
}

// The bar's paint and drag come with the folder tree; until then it is a
// plain panel.
LRESULT CALLBACK SplitterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}
