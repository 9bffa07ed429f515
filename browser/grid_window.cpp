#include "browser/grid_window.h"

#include <cstdio>
#include <vector>

#include "browser/cell_window.h"
#include "browser/file_list.h"
#include "browser/shell_transfer.h"
#include "browser/status_bar.h"
#include "browser/thumbnail_cache.h"
#include "browser/thumbnail_worker.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/settings.h"
#include "shell/strings.h"
#include "toolbar/folder_history_list.h"
#include "ui_draw/dpi_scale.h"
#include "ui_draw/drawing.h"
#include "ui_draw/window_class.h"

GridState g_grid = {1, 0, 0, 0, -1};

namespace {

// The cell windows in use, one for each shown entry. A window is not tied to
// an entry: when the view moves, the windows of entries that leave it serve
// the entries that come in. So the number of windows follows the size of the
// grid on screen, never the size of the folder.
std::vector<HWND> g_cells;
// The cell window of each entry of the listing, null for an entry off screen.
HWND g_cellOfEntry[kFileListSlots] = {};

constexpr UINT kCellMoveFlags = SWP_NOZORDER | SWP_NOACTIVATE;

HWND Grid() { return static_cast<HWND>(g_windows.grid); }

int32_t CellPixels() { return CellSide(UsableThumbSize(), CurrentDpi()); }

// ---- The cell windows ------------------------------------------------------------------

// Frees the windows of entries outside `shown` (or of a listing that has
// gone) for reuse, leaving in g_cells only windows that keep their entry.
std::vector<HWND> ReleaseCellsOutside(EntryRange shown) {
  std::vector<HWND> free, kept;
  for (HWND cell : g_cells) {
    int32_t entry = CellEntry(cell);
    bool keep = entry >= shown.first && entry < shown.end && g_cellOfEntry[entry] == cell;
    if (!keep && entry >= 0 && entry < kFileListSlots && g_cellOfEntry[entry] == cell)
      g_cellOfEntry[entry] = nullptr;
    (keep ? kept : free).push_back(cell);
  }
  g_cells.swap(kept);
  return free;
}

// A cell given to an entry holds no thumbnail yet. An entry done before (it
// was shown, scrolled away and is shown again) goes back to the worker,
// which reads its cache file: the cell's paint never touches a file, so a
// share that went away cannot hold this thread. True when it went back.
bool SendBackForItsThumbnail(int32_t entry) {
  if (!g_fileList.thumbnailDone[entry]) return false;
  g_fileList.thumbnailDone[entry] = 0;
  return true;
}

// Gives every shown entry a cell window, reusing freed ones before making
// new ones, and puts each at its place; windows left over are destroyed.
void PlaceCells() {
  EntryRange shown = ShownEntries(g_grid, g_fileList.count);
  std::vector<HWND> free = ReleaseCellsOutside(shown);
  HINSTANCE instance = static_cast<HINSTANCE>(g_windows.instance);
  int32_t side = CellPixels();
  // Moved together, so that no cell is drawn at a place another is leaving.
  HDWP moves = BeginDeferWindowPos(shown.end - shown.first);
  bool sentBack = false;
  for (int32_t entry = shown.first; entry < shown.end; ++entry) {
    HWND cell = g_cellOfEntry[entry];
    if (!cell) {
      if (!free.empty()) {
        cell = free.back();
        free.pop_back();
        AssignCellEntry(cell, entry);
      } else {
        cell = CreateCellWindow(Grid(), instance, entry);
        if (!cell) continue;  // out of window objects: the entry shows nothing
      }
      g_cellOfEntry[entry] = cell;
      g_cells.push_back(cell);
      sentBack = SendBackForItsThumbnail(entry) || sentBack;
      InvalidateRect(cell, nullptr, FALSE);
    }
    if (moves)
      moves = DeferWindowPos(moves, cell, nullptr, CellLeft(g_grid, entry, side),
                             CellTop(g_grid, entry, side), side, side, kCellMoveFlags);
  }
  if (moves)
    EndDeferWindowPos(moves);
  else  // the deferred moves were dropped: every cell is placed on its own
    for (int32_t entry = shown.first; entry < shown.end; ++entry)
      if (HWND cell = g_cellOfEntry[entry])
        SetWindowPos(cell, nullptr, CellLeft(g_grid, entry, side), CellTop(g_grid, entry, side),
                     side, side, kCellMoveFlags);
  for (HWND cell : free) DestroyWindow(cell);
  if (sentBack) WakeWorker();
}

void ForgetAllCells() {
  for (HWND cell : g_cells) DestroyWindow(cell);
  g_cells.clear();
  for (int32_t i = 0; i < kFileListSlots; ++i) g_cellOfEntry[i] = nullptr;
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

// After any change of the view: cells placed, scroll bar set, the worker
// told that other entries may now be wanted.
void ShowView() {
  PlaceCells();
  UpdateScrollBar();
  WakeWorker();
}

void Layout(int width, int height) {
  LayoutGrid(&g_grid, width, height, CellPixels(), g_fileList.count);
  ShowView();
}

void Scroll(int code, int thumbPosition) {
  int32_t delta = ScrollDelta(g_grid, code, thumbPosition);
  if (delta == 0) return;
  g_grid.topRow += delta;
  ShowView();
  UpdateWindow(Grid());
}

// ---- The worker's requests -----------------------------------------------------------

// The entry the worker makes next, plus one; 0 for none.
LRESULT OnTakeEntry(int32_t worker) {
  if (WorkerPaused()) return 0;
  int32_t entry = NextWorkerEntry(g_grid, g_fileList.thumbnailDone, g_fileList.count);
  if (entry < 0) return 0;
  int32_t size = UsableThumbSize(), dpi = CurrentDpi();
  if (!BeginWorkerEntry(worker, entry, g_fileList.path[entry], g_fileList.thumbnailMade[entry] != 0,
                        ThumbnailAreaWidth(size, dpi), ThumbnailAreaHeight(size, dpi)))
    return 0;
  return entry + 1;
}

// The entry is done the moment its thumbnail arrives; its cell, if it has
// one, keeps the thumbnail and paints it. An entry scrolled away meanwhile
// is handed to the worker again when it is shown again, which finds the
// thumbnail in the cache file.
LRESULT OnThumbnailMade(int32_t worker, PackedDib thumbnail) {
  int32_t entry = EndWorkerEntry(worker);
  if (entry < 0 || entry >= g_fileList.count) return 0;
  g_fileList.thumbnailDone[entry] = 1;
  g_fileList.thumbnailMade[entry] = 1;
  HWND cell = g_cellOfEntry[entry];
  if (!cell) return 0;
  GiveCellThumbnail(cell, thumbnail);
  // Painted when this thread is next idle: the worker goes on with the next
  // picture meanwhile instead of waiting for the paint.
  InvalidateRect(cell, nullptr, FALSE);
  return 1;
}

}  // namespace

HWND CellOfEntry(int32_t entry) {
  return entry >= 0 && entry < kFileListSlots ? g_cellOfEntry[entry] : nullptr;
}

void RepaintShownCells() {
  for (HWND cell : g_cells) RepaintWindow(cell);
}

bool ShownThumbnailsPending() {
  return Grid() && ShownThumbnailsPending(g_grid, g_fileList.thumbnailDone, g_fileList.count);
}

namespace {

void ShowListingMessage(int stringId, int count) {
  char text[1024];
  std::snprintf(text, sizeof text, LoadStringResource(unsigned(stringId)), count);
  MessageBoxA(static_cast<HWND>(g_windows.main), text, "Tamsel", MB_ICONINFORMATION);
}

// The listing's folder is told apart from what the toolbar and the tree
// show: a refused folder, a folder the history cannot hold (the toolbar then
// selects none), files left out.
void TellAboutListing(bool refused) {
  // A reader's extension list with a token too long to match any name.
  if (g_fileList.overlongTokens > 0)
    platform::ShowInformation(g_windows.main, "critical error", "Tamsel");
  if (refused || (*g_app.currentFolder && !IsListableFolder(g_app.currentFolder)))
    ShowListingMessage(IDS_FOLDER_REFUSED, 0);
  else if (g_fileList.leftOut > 0)
    ShowListingMessage(IDS_FILES_LEFT_OUT, g_fileList.leftOut);
  if (AddFolderToHistory(g_app.currentFolder))
    FillHistoryList();
  else
    ShowNoHistoryFolder();
}

}  // namespace

void ReloadGrid(bool refused) {
  // Before the grid container exists there is nothing to list for: its
  // creation makes the first listing.
  if (!Grid()) return;
  WorkerPause pause;
  ForgetWorkerEntry();
  EmptyCacheFolder(OwnCacheFolderNumber());
  int32_t previousCount = g_fileList.count;
  MakeListing({g_app.currentFolder, g_app.extensionFilter, g_settings.sortOrder});
  int32_t touched = previousCount > g_fileList.count ? previousCount : g_fileList.count;
  for (int32_t i = 0; i < touched && i < kFileListSlots; ++i)
    g_fileList.thumbnailDone[i] = g_fileList.thumbnailMade[i] = 0;
  g_grid.topRow = g_grid.totalRows = g_grid.visibleRows = 0;
  ForgetAllCells();
  RECT client;
  GetClientRect(Grid(), &client);
  Layout(client.right, client.bottom);
  RefreshStatusCounts();
  TellAboutListing(refused);
}

void RemakeThumbnailsForNewDpi() {
  if (!Grid()) return;
  WorkerPause pause;
  // Thumbnails in the workers' hands are of the old size: they are dropped.
  ForgetWorkerEntry();
  EmptyCacheFolder(OwnCacheFolderNumber());
  for (int32_t i = 0; i < g_fileList.count; ++i)
    g_fileList.thumbnailDone[i] = g_fileList.thumbnailMade[i] = 0;
  for (HWND cell : g_cells) GiveCellThumbnail(cell, nullptr);
  RECT client;
  GetClientRect(Grid(), &client);
  Layout(client.right, client.bottom);
  RepaintShownCells();
}

LRESULT CALLBACK GridProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      FreeListing();
      for (int i = 0; i < kFileListSlots; ++i) {
        g_fileList.thumbnailDone[i] = g_fileList.thumbnailMade[i] = 0;
        g_cellOfEntry[i] = nullptr;
      }
      g_grid.anchor = -1;
      g_windows.grid = window;
      StartWorker(window);
      RegisterGridDropTarget(window);
      ReloadGrid();
      return 0;
    case WM_DESTROY:
      RevokeGridDropTarget(window);
      StopWorker();
      ForgetAllCells();
      FreeListing();
      g_windows.grid = nullptr;
      return 0;
    case WM_SIZE: Layout(short(LOWORD(lParam)), short(HIWORD(lParam))); return 0;
    case WM_VSCROLL: Scroll(LOWORD(wParam), short(HIWORD(wParam))); return 0;
    case kFilesChangedMessage: ReloadGrid(); return 0;
    case kTakeEntryMessage: return OnTakeEntry(int32_t(wParam));
    case kThumbnailMadeMessage:
      return OnThumbnailMade(int32_t(wParam), reinterpret_cast<PackedDib>(lParam));
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterGridClass(HINSTANCE instance) {
  return RegisterBrowserClass(instance, kGridClass, GridProc, ApplicationIcon(), ArrowCursor(),
                              Rgb(0x00, 0x00, 0x20));
}
