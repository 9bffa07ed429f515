#include "shell/main_window.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "browser/cell_window.h"
#include "browser/file_list.h"
#include "browser/grid_window.h"
#include "browser/status_bar.h"
#include "browser/stored_thumbnails.h"
#include "browser/thumbnail_cache.h"
#include "browser/thumbnail_worker.h"
#include "folder_tree/folder_tree.h"
#include "folder_tree/tree_wait.h"
#include "image/plugin_registry.h"
#include "platform/scoped_handles.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/commands.h"
#include "shell/pane_layout.h"
#include "shell/placement.h"
#include "shell/settings.h"
#include "shell/strings.h"
#include "toolbar/folder_history_list.h"
#include "toolbar/format_toolbar.h"
#include "ui_draw/colours.h"
#include "ui_draw/dpi_scale.h"
#include "ui_draw/drawing.h"
#include "ui_draw/window_class.h"
#include "ui_draw/window_dpi.h"

namespace {

// "スクリーンの色数が変更されました。\r\nプログラムを一度終了させてください"
constexpr char kColourDepthChanged[] =
    "\x83\x58\x83\x4e\x83\x8a\x81\x5b\x83\x93\x82\xcc\x90\x46\x90\x94\x82\xaa\x95\xcf\x8d\x58"
    "\x82\xb3\x82\xea\x82\xdc\x82\xb5\x82\xbd\x81\x42\r\n"
    "\x83\x76\x83\x8d\x83\x4f\x83\x89\x83\x80\x82\xf0\x88\xea\x93\x78\x8f\x49\x97\xb9\x82\xb3"
    "\x82\xb9\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2";

int32_t MeasureColourDepth(HWND window) {
  platform::WindowDC dc(window);
  return GetDeviceCaps(dc, PLANES) * GetDeviceCaps(dc, BITSPIXEL);
}

HWND CreatePane(HWND main, const char* className, int id, DWORD style) {
  return CreateWindowA(className, "", style, 0, 0, 0, 0, main, HMENU(INT_PTR(id)),
                       static_cast<HINSTANCE>(g_windows.instance), nullptr);
}

void OnCreate(HWND window) {
  g_windows.main = window;
  // Every pane is made and drawn at the density of the window's screen.
  SetCurrentDpi(WindowDpi(window));
  ClaimCacheFolder();
  OpenThumbnailStore();
  g_app.colourDepth = MeasureColourDepth(window);
  ReadSettings(g_app.programFolder);
  ReadHistory(g_app.programFolder);
  // Without a history the tree stays closed, as on a first start.
  bool openTree = HistoryCount() > 0;
  ScanPlugins(g_app.programFolder, g_windows.statusBar);
  // No scroll bar on the splitter: on a 4-pixel bar it would take every click.
  g_windows.splitter = CreatePane(window, kSplitterClass, kSplitterId, WS_CHILD | WS_VISIBLE);
  // The toolbar's start makes the most recent folder current and lists it.
  CreateDialogParamA(static_cast<HINSTANCE>(g_windows.instance), "ral_toolbar", window,
                     ToolbarDialogProc, 0);
  CreatePane(window, kGridClass, kGridId, WS_CHILD | WS_VISIBLE | WS_VSCROLL);
  CreatePane(window, kStatusBarClass, IDC_STATUS_BAR, WS_CHILD | WS_VISIBLE);
  FillHistoryList();
  SetFocus(window);
  if (openTree) PostMessageA(window, WM_SYNC_TREE, 0, 0);
}

// The normal (restored) rectangle in screen coordinates, whether the window
// is minimized, maximized or neither, and whether it is or comes back
// maximized: the rectangle of a minimized window is its small icon-sized box.
void StorePlacement(HWND window) {
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof placement;
  if (!GetWindowPlacement(window, &placement)) return;
  RECT normal = placement.rcNormalPosition;
  POINT offset = WorkAreaOffset(window);
  OffsetRect(&normal, offset.x, offset.y);
  g_settings.windowPosition = PackPosition(normal.left, normal.top);
  g_settings.windowSize = PackSize(normal.left, normal.top, normal.right, normal.bottom);
  bool restoresMaximized = IsIconic(window) && (placement.flags & WPF_RESTORETOMAXIMIZED);
  g_settings.maximized = IsZoomed(window) || restoresMaximized ? 1 : 0;
}

void OnDestroy(HWND window) {
  EndTreeWait();
  // The worker reads the plug-in tables and writes the cache: let it finish
  // before either goes.
  PauseWorker();
  EmptyCacheFolder(OwnCacheFolderNumber());
  ReleaseCacheFolder();
  CloseThumbnailStore();
  StorePlacement(window);
  WriteSettings(g_app.programFolder);
  WriteHistory(g_app.programFolder);
  // A worker still held by a stuck read keeps the tables it reads; the
  // process ends it.
  if (WorkerIdle()) ReleasePlugins();
  PostQuitMessage(0);
}

void OnMouseWheel(WPARAM wParam) {
  HWND grid = static_cast<HWND>(g_windows.grid);
  if (!grid) return;
  POINT cursor;
  GetCursorPos(&cursor);
  RECT rect;
  GetWindowRect(grid, &rect);
  if (!PtInRect(&rect, cursor)) return;
  SendMessageA(grid, WM_VSCROLL, int32_t(wParam) > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
}

// The keys that scroll the grid, as its scroll bar would.
void ScrollGridByKey(int key) {
  static const struct {
    int key, code;
  } kScrollKeys[] = {{VK_UP, SB_LINEUP},     {VK_DOWN, SB_LINEDOWN}, {VK_PRIOR, SB_PAGEUP},
                     {VK_NEXT, SB_PAGEDOWN}, {VK_HOME, SB_TOP},      {VK_END, SB_BOTTOM}};
  HWND grid = static_cast<HWND>(g_windows.grid);
  for (const auto& scroll : kScrollKeys)
    if (grid && scroll.key == key) SendMessageA(grid, WM_VSCROLL, WPARAM(scroll.code), 0);
}

// The tree's notifications: lazy filling, the first sort, the selected
// folder, and the path under a right click. Opening or selecting a folder
// ends the start-up wait for the tree.
void OnTreeNotify(NMHDR* header) {
  if (header->code == TVN_ITEMEXPANDINGA || header->code == TVN_SELCHANGEDA) EndTreeWait();
  if (header->code == TVN_ITEMEXPANDINGA) {
    OnTreeItemExpanding(reinterpret_cast<const NMTREEVIEWA*>(header));
  } else if (header->code == TVN_GETDISPINFOA) {
    AnswerTreeDisplayInfo(reinterpret_cast<NMTVDISPINFOA*>(header));
  } else if (header->code == TVN_SELCHANGEDA) {
    const auto* change = reinterpret_cast<const NMTREEVIEWA*>(header);
    char path[sizeof g_app.currentFolder] = {};
    TreeFolder folder = TreeItemPath(path, sizeof path - 1, change->itemNew.hItem);
    // A folder outside the file system (My Computer): keep the current listing.
    if (folder == TreeFolder::kOutsideFileSystem) return;
    // One the process cannot name is refused by the listing with a message,
    // and the grid shows nothing: no command acts on the folder shown before.
    size_t length = std::strlen(path);
    if (length > 0 && path[length - 1] != '\\') std::strcat(path, "\\");
    std::snprintf(g_app.currentFolder, sizeof g_app.currentFolder, "%s",
                  folder == TreeFolder::kPath ? path : "");
    ReloadGrid(folder == TreeFolder::kRefused);
  } else if (header->code == NM_RCLICK) {
    char path[platform::kMaxPathBytes] = {};  // an empty text when the click was off any item
    POINT cursor;
    GetCursorPos(&cursor);
    int found = TreePathAtPoint(path, sizeof path, cursor);
    MessageBoxA(nullptr, path, found == 1 ? "true" : "false", MB_OK);
  }
}

bool g_keepPlacementOnDpiChange = false;

// The window moved to a screen of another density (or that screen's scale
// was changed): it takes the place and size the system suggests, and every
// pane is laid out and drawn again at the new density.
void OnDpiChanged(HWND window, WPARAM wParam, LPARAM lParam) {
  int32_t dpi = DpiOfChange(wParam);
  bool changed = dpi != CurrentDpi();
  SetCurrentDpi(dpi);
  if (!g_keepPlacementOnDpiChange) MoveToSuggestedRect(window, lParam);
  if (!changed) return;
  FitTreeToDpi(dpi);
  MeasureToolbar();
  RemakeThumbnailsForNewDpi();
  RequestLayout();
  if (HWND bar = static_cast<HWND>(g_windows.statusBar)) {
    SendMessageA(bar, WM_SIZE, 0, 0);
    RepaintWindow(bar);
  }
}

void OnDisplayChange(HWND window) {
  if (ColourDepthChanged(g_app.colourDepth, MeasureColourDepth(window)))
    ShowShiftJisMessage(window, kColourDepthChanged);
}

}  // namespace

void KeepPlacementOnDpiChange(bool keep) { g_keepPlacementOnDpiChange = keep; }

POINT WorkAreaOffset(HWND window) {
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
    return POINT{0, 0};
  return POINT{monitor.rcWork.left - monitor.rcMonitor.left,
               monitor.rcWork.top - monitor.rcMonitor.top};
}

void RegisterWindowClasses(HINSTANCE instance) {
  SetDefaultSettings();
  RegisterBrowserClass(instance, kMainWindowClass, MainWindowProc, LoadIconA(instance, "ralico"),
                       ArrowCursor(), Rgb(0x7F, 0x9B, 0xB7)) &&
      RegisterGridClass(instance) && RegisterSplitterClass(instance) &&
      RegisterCellClass(instance) && RegisterStatusBarClass(instance);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: OnCreate(window); return 0;
    case WM_DESTROY: OnDestroy(window); break;
    case WM_SIZE:
      // A minimized window keeps its panes: laid out at no size, the grid
      // would fall to one column and come back scrolled elsewhere.
      if (wParam != SIZE_MINIMIZED) LayOutPanes(short(LOWORD(lParam)), short(HIWORD(lParam)));
      return 0;
    case WM_WINDOWPOSCHANGING: {
      auto* position = reinterpret_cast<WINDOWPOS*>(lParam);
      position->cx = EvenSide(position->cx);
      position->cy = EvenSide(position->cy);
      return 0;
    }
    case WM_DISPLAYCHANGE: OnDisplayChange(window); return 0;
    case kDpiChangedMessage: OnDpiChanged(window, wParam, lParam); return 0;
    case WM_KEYDOWN:
      if (wParam == VK_DELETE) SendMessageA(window, WM_COMMAND, kCommandDelete, 0);
      ScrollGridByKey(int(wParam));
      break;
    case WM_COMMAND: HandleCommand(window, LOWORD(wParam)); return 0;
    case WM_INITMENU: ApplyMenuRules(reinterpret_cast<HMENU>(wParam)); return 0;
    case WM_MOUSEWHEEL: OnMouseWheel(wParam); return 0;
    case WM_NOTIFY:
      if (reinterpret_cast<const NMHDR*>(lParam)->hwndFrom == g_windows.tree)
        OnTreeNotify(reinterpret_cast<NMHDR*>(lParam));
      break;
    case WM_SYNC_TREE: OpenTreeAfterShownThumbnails(window); break;
    case WM_TIMER:
      if (!OnTreeWaitTimer(wParam)) break;
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
