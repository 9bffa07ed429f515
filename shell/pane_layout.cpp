#include "shell/pane_layout.h"

#include "platform/scoped_handles.h"
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
  platform::WindowDC dc(bar, ValidateAndGetDC(bar, &client));
  DrawRaisedFrame(dc, client.left, client.top, client.right - 1, client.bottom - 1);
}

// A drag of the bar: the mouse is captured from the press to the release,
// and an inverted outline of the bar follows it (only horizontal movement
// counts). Released, the tree becomes as wide as the place where the bar was
// let go; a capture taken away (another window, a system key) ends the drag
// with the width unchanged.
struct SplitterDrag {
  bool active = false;
  int grab = 0;  // from the bar's left edge to the press
  int x = 0;     // the outline's left edge, in screen coordinates
  RECT bar = {};
};

SplitterDrag g_drag;

void InvertDragOutline() {
  platform::WindowDC screen(nullptr);
  InvertOutline(screen, g_drag.x, g_drag.bar.top,
                g_drag.x + (g_drag.bar.right - g_drag.bar.left) - 1, g_drag.bar.bottom - 1);
}

POINT ScreenPoint(HWND bar, LPARAM lParam) {
  POINT point = {short(LOWORD(lParam)), short(HIWORD(lParam))};
  ClientToScreen(bar, &point);
  return point;
}

void StartSplitterDrag(HWND bar, POINT pressed) {
  GetWindowRect(bar, &g_drag.bar);
  g_drag.grab = pressed.x - g_drag.bar.left;
  g_drag.x = g_drag.bar.left;
  g_drag.active = true;
  SetCapture(bar);
  InvertDragOutline();
}

void FollowSplitterDrag(POINT cursor) {
  if (!g_drag.active || cursor.x - g_drag.grab == g_drag.x) return;
  InvertDragOutline();
  g_drag.x = cursor.x - g_drag.grab;
  InvertDragOutline();
}

// Erases the outline and forgets the drag (a capture already taken away is
// not released: it belongs to another window now).
void StopSplitterDrag() {
  if (!g_drag.active) return;
  InvertDragOutline();
  g_drag.active = false;
}

void FinishSplitterDrag(POINT released) {
  if (!g_drag.active) return;
  StopSplitterDrag();
  ReleaseCapture();  // its WM_CAPTURECHANGED finds no drag
  ScreenToClient(static_cast<HWND>(g_windows.main), &released);
  // Kept in 96-DPI pixels, as eenv.env has always held it.
  g_settings.treeWidth = UnscaleForDpi(released.x - g_drag.grab, CurrentDpi());
  RequestLayout();
}

}  // namespace

LRESULT CALLBACK SplitterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: PaintSplitter(window); return 0;
    case WM_LBUTTONDOWN: StartSplitterDrag(window, ScreenPoint(window, lParam)); return 0;
    case WM_MOUSEMOVE: FollowSplitterDrag(ScreenPoint(window, lParam)); return 0;
    case WM_LBUTTONUP: FinishSplitterDrag(ScreenPoint(window, lParam)); return 0;
    case WM_CAPTURECHANGED: StopSplitterDrag(); return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterSplitterClass(HINSTANCE instance) {
  return RegisterBrowserClass(instance, kSplitterClass, SplitterProc, ApplicationIcon(),
                              LoadCursorA(instance, "resize"), Rgb(0xC0, 0xC0, 0xC0));
}
