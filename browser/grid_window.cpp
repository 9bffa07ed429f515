#include "browser/grid_window.h"

#include "browser/file_list.h"
#include "browser/thumbnail_cache.h"
#include "file_ops/path_utils.h"
#include "image/thumbnail_maker.h"
#include "shell/app_state.h"
#include "shell/folder_history_list.h"
#include "shell/settings.h"
#include "ui_draw/drawing.h"
#include "ui_draw/status_bar.h"

GridState g_grid = {1, 0, 0, 0, -1};

namespace {

constexpr UINT kTimerPeriod = 20;
constexpr int kMaxTimerId = 29999;

HANDLE g_worker = nullptr;
volatile bool g_paused = false;
int g_timerId = -1;

HWND Grid() { return static_cast<HWND>(g_windows.grid); }

// ---- The worker ---------------------------------------------------------------------

// Decodes entry `index`, fits it into the thumbnail area and stores it in the
// cache, then asks its cell to repaint. A file that cannot be read gets a
// black placeholder; one whose thumbnail cannot be stored is marked done so
// that the worker moves on.
DWORD WINAPI ThumbnailWorker(LPVOID parameter) {
  int32_t index = int32_t(INT_PTR(parameter));
  if (index > g_fileList.count - 1) {
    g_fileList.thumbnailDone[index] = 1;
    return 0;
  }
  int32_t size = UsableThumbSize();
  int32_t width = ThumbnailAreaWidth(size), height = ThumbnailAreaHeight(size);
  const char* path = g_fileList.path[index];
  PackedDibPtr thumbnail(MakeThumbnail(g_windows.main, path, width, height));
  if (!thumbnail) {
    PackedDibPtr blank(CreatePackedDib(width, height, 24));
    StoreThumbnail(path, blank.get(), kCacheFolderNumber);
    g_fileList.thumbnailDone[index] = 1;
    return 0;
  }
  if (!StoreThumbnail(path, thumbnail.get(), kCacheFolderNumber)) {
    g_fileList.thumbnailDone[index] = 1;  // no cache to draw from: do not retry forever
    return 0;
  }
  // The cell's paint marks the entry done. An entry without a cell (Windows
  // refuses windows past a process's quota of 10,000) would otherwise be made
  // again at every tick.
  if (HWND cell = static_cast<HWND>(g_fileList.cellWindow[index]))
    RepaintWindow(cell);
  else
    g_fileList.thumbnailDone[index] = 1;
  return 0;
}

// Waits for a running worker while serving its synchronous repaint request,
// without spinning the processor; then closes its handle.
void WaitForWorker() {
  if (!g_worker) return;
  for (;;) {
    DWORD woken = MsgWaitForMultipleObjects(1, &g_worker, FALSE, INFINITE, QS_SENDMESSAGE);
    if (woken != WAIT_OBJECT_0 + 1) break;
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);  // handles sent messages
  }
  CloseHandle(g_worker);
  g_worker = nullptr;
}

void StopTimer() {
  if (g_timerId >= 0 && Grid()) KillTimer(Grid(), UINT_PTR(g_timerId));
  g_timerId = -1;
}

void StartTimer() {
  StopTimer();
  for (int id = 0; id <= kMaxTimerId && Grid(); ++id)
    if (SetTimer(Grid(), UINT_PTR(id), kTimerPeriod, nullptr)) {
      g_timerId = id;
      return;
    }
}

void OnTimer() {
  if (g_paused) return;
  if (g_worker) {
    DWORD code = 0;
    if (GetExitCodeThread(g_worker, &code) && code == STILL_ACTIVE) return;
    WaitForWorker();
  }
  int32_t next = NextThumbnailEntry(g_grid, g_fileList.thumbnailDone, g_fileList.count);
  if (next >= 0)
    g_worker = CreateThread(nullptr, 0, ThumbnailWorker, LPVOID(INT_PTR(next)), 0, nullptr);
}

// ---- Layout and scrolling ------------------------------------------------------------

void UpdateScrollBar() {
  SCROLLINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  info.nMin = 0;
  info.nMax = g_grid.totalRows - 1 > 0 ? g_grid.totalRows - 1 : 0;
  info.nPage = UINT(g_grid.visibleRows);
  info.nPos = g_grid.topRow;
  SetScrollInfo(Grid(), SB_VERT, &info, TRUE);
}

void Layout(int width, int height) {
  int32_t cell = CellSide(UsableThumbSize());
  LayoutGrid(&g_grid, width, height, cell, g_fileList.count);
  for (int32_t i = 0; i < g_fileList.count; ++i)
    if (HWND window = static_cast<HWND>(g_fileList.cellWindow[i]))
      MoveWindow(window, CellLeft(g_grid, i, cell), CellTop(g_grid, i, cell), cell, cell, TRUE);
  UpdateScrollBar();
}

void Scroll(int code, int thumbPosition) {
  int32_t delta = ScrollDelta(g_grid, code, thumbPosition);
  if (delta == 0) return;
  g_grid.topRow += delta;
  ScrollWindow(Grid(), 0, -delta * CellSide(UsableThumbSize()), nullptr, nullptr);
  UpdateScrollBar();
}

void RebuildCells() {
  g_grid.topRow = g_grid.totalRows = g_grid.visibleRows = 0;
  for (int i = 0; i < kFileListUsable; ++i) {
    g_fileList.thumbnailDone[i] = 0;
    if (g_fileList.cellWindow[i]) DestroyWindow(static_cast<HWND>(g_fileList.cellWindow[i]));
    g_fileList.cellWindow[i] = nullptr;
  }
  if (!Grid()) return;
  HINSTANCE instance = static_cast<HINSTANCE>(g_windows.instance);
  for (int32_t i = 0; i < g_fileList.count; ++i)
    g_fileList.cellWindow[i] = CreateWindowA("list_class", "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                             Grid(), HMENU(INT_PTR(i)), instance, nullptr);
}

}  // namespace

void PauseWorker() {
  g_paused = true;
  WaitForWorker();
}

void ResumeWorker() { g_paused = false; }

void ReloadGrid() {
  StopTimer();
  WaitForWorker();
  g_paused = true;
  EmptyCacheFolder(kCacheFolderNumber);
  MakeListing();
  RebuildCells();
  if (Grid()) {
    RECT client;
    GetClientRect(Grid(), &client);
    SendMessageA(Grid(), WM_SIZE, 0, MAKELPARAM(client.right, client.bottom));
    StartTimer();
  }
  RefreshStatusCounts();
  if (AddFolderToHistory(g_app.currentFolder)) FillHistoryList();
  g_paused = false;
}

LRESULT CALLBACK GridProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      FreeListing();
      for (int i = 0; i < kFileListUsable; ++i) {
        g_fileList.thumbnailDone[i] = 0;
        g_fileList.cellWindow[i] = nullptr;
      }
      g_grid.anchor = -1;
      g_windows.grid = window;
      ReloadGrid();
      StartTimer();
      return 0;
    case WM_DESTROY:
      StopTimer();
      WaitForWorker();
      FreeListing();
      g_windows.grid = nullptr;
      return 0;
    case WM_SIZE: Layout(short(LOWORD(lParam)), short(HIWORD(lParam))); return 0;
    case WM_TIMER: OnTimer(); break;
    case WM_VSCROLL: Scroll(LOWORD(wParam), short(HIWORD(wParam))); return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
