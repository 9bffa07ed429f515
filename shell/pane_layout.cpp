#include "shell/pane_layout.h"

#include "shell/app_state.h"
#include "shell/settings.h"
#include "ui_draw/dpi_scale.h"
#include "ui_draw/drawing.h"
#include "ui_draw/window_class.h"

namespace {

void Place(void* window, const PaneBox& box) {
  if (window) MoveWindow(static_cast<HWND>(window), box.x, box.y, box.width, box.height, TRUE);
}

}  // namespace

void LayOutPanes(int width, int height) {
  PaneRects panes =
      ComputePanes(width, height, g_app.toolbarHeight, g_settings.treeWidth, CurrentDpi());
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

namespace {

void PaintSplitter(HWND bar) {
  RECT client;
  HDC dc = ValidateAndGetDC(bar, &client);
  DrawRaisedFrame(dc, client.left, client.top, client.right - 1, client.bottom - 1);
  ReleaseDC(bar, dc);
}

// Follows the mouse with an inverted outline of the bar while the primary
// button is down (only horizontal movement counts), then makes the tree as
// wide as the place where the bar was let go.
void DragSplitter(HWND bar) {
  RECT rect;
  GetWindowRect(bar, &rect);
  DWORD pressed = GetMessagePos();  // where the button went down, not where it is now
  POINT cursor = {short(LOWORD(pressed)), short(HIWORD(pressed))};
  int grab = cursor.x - rect.left, width = rect.right - rect.left, x = rect.left;
  HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  InvertOutline(screen, x, rect.top, x + width - 1, rect.bottom - 1);
  while (IsPrimaryButtonDown()) {
    GetCursorPos(&cursor);
    if (cursor.x - grab != x) {
      InvertOutline(screen, x, rect.top, x + width - 1, rect.bottom - 1);
      x = cursor.x - grab;
      InvertOutline(screen, x, rect.top, x + width - 1, rect.bottom - 1);
    }
    Sleep(10);
  }
  InvertOutline(screen, x, rect.top, x + width - 1, rect.bottom - 1);
  DeleteDC(screen);
  GetCursorPos(&cursor);  // where the button was let go
  ScreenToClient(static_cast<HWND>(g_windows.main), &cursor);
  // Kept in 96-DPI pixels, as eenv.env has always held it.
  g_settings.treeWidth = UnscaleForDpi(cursor.x - grab, CurrentDpi());
  RequestLayout();
}

}  // namespace

LRESULT CALLBACK SplitterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: PaintSplitter(window); return 0;
    case WM_LBUTTONDOWN: DragSplitter(window); return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterSplitterClass(HINSTANCE instance) {
  return RegisterBrowserClass(instance, kSplitterClass, SplitterProc, ApplicationIcon(),
                              LoadCursorA(instance, "resize"), Rgb(0xC0, 0xC0, 0xC0));
}
