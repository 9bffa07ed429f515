#include "browser/cell_drag.h"

#include <cstring>
#include <string>
#include <vector>

#include "browser/drop_block.h"
#include "browser/file_list.h"
#include "browser/grid_window.h"
#include "browser/thumbnail_cache.h"
#include "file_ops/rename_delete.h"
#include "shell/app_state.h"
#include "shell/settings.h"
#include "ui_draw/drawing.h"

namespace {

// ---- Drag and drop out of the grid --------------------------------------------------

// The first window at or above `window` that accepts dropped files.
HWND AcceptingWindow(HWND window) {
  for (; window; window = GetParent(window))
    if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) return window;
  return nullptr;
}

// The outlines of the dragged cell and of every other selected cell, moved
// with the cursor and kept in their arrangement; drawing them twice removes
// them. Selected cells scrolled out of view have no window: their places
// come from the grid's layout, and those off the screen are not drawn.
void DrawOutlines(HDC screen, int32_t dragged, POINT origin) {
  int32_t side = CellSide(UsableThumbSize());
  RECT screenRect = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN), 0,
                     0};
  screenRect.right = screenRect.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
  screenRect.bottom = screenRect.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
  for (int32_t i = 0; i < g_fileList.count; ++i) {
    if (i != dragged && !g_fileList.selected[i]) continue;
    int32_t dx = 0, dy = 0;
    CellOffset(g_grid, dragged, i, side, &dx, &dy);
    RECT outline = {origin.x + dx + 4, origin.y + dy + 4, origin.x + dx + side - 4,
                    origin.y + dy + side - 4};
    RECT onScreen;
    if (IntersectRect(&onScreen, &outline, &screenRect))
      InvertOutline(screen, outline.left, outline.top, outline.right, outline.bottom);
  }
}

bool PostDropFiles(void* target, void* block) {
  return PostMessageA(static_cast<HWND>(target), WM_DROPFILES, WPARAM(block), 0) != 0;
}

void FreeDropBlock(void* block) { GlobalFree(static_cast<HGLOBAL>(block)); }

// Every dragged entry must be a file that the receiver can be given by its
// full path; otherwise the message says why and nothing is dropped.
bool DraggedEntriesAccepted(int32_t dragged) {
  HWND main = static_cast<HWND>(g_windows.main);
  for (int32_t i = 0; i < g_fileList.count; ++i)
    if ((g_fileList.selected[i] || i == dragged) && !AcceptCommandEntry(main, g_fileList.path[i]))
      return false;
  return true;
}

void PostDrop(HWND target, POINT point, int32_t dragged) {
  std::vector<uint8_t> bytes = BuildDropBlockFor(
      point.x, point.y,
      DraggedPaths(dragged, g_fileList.selected, g_fileList.path, g_fileList.count), CP_ACP);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, bytes.size());
  if (void* locked = block ? GlobalLock(block) : nullptr) {
    std::memcpy(locked, bytes.data(), bytes.size());
    GlobalUnlock(block);
  }
  HandOverDropBlock(target, block, PostDropFiles, FreeDropBlock);
}

}  // namespace

void DragFromCell(HWND cell, int32_t index) {
  HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  RECT rect;
  GetWindowRect(cell, &rect);
  POINT cursor;
  GetCursorPos(&cursor);
  POINT origin = {cursor.x - (rect.right - rect.left) / 2, cursor.y - (rect.bottom - rect.top) / 2};
  DrawOutlines(screen, index, origin);
  HCURSOR saved = nullptr, shown = nullptr;
  HCURSOR accept = LoadCursorA(static_cast<HINSTANCE>(g_windows.instance), "accept");
  HCURSOR refuse = LoadCursorA(static_cast<HINSTANCE>(g_windows.instance), "noaccept");
  HWND target = nullptr;
  while (IsPrimaryButtonDown()) {
    GetCursorPos(&cursor);
    POINT moved = {cursor.x - (rect.right - rect.left) / 2,
                   cursor.y - (rect.bottom - rect.top) / 2};
    if (moved.x != origin.x || moved.y != origin.y) {
      DrawOutlines(screen, index, origin);
      origin = moved;
      DrawOutlines(screen, index, origin);
    }
    HWND under = WindowFromPoint(cursor);
    if (under) {
      target = AcceptingWindow(under);
      HCURSOR wanted = target ? accept : refuse;
      if (shown != wanted) {
        if (saved) SetCursor(saved);
        saved = SetCursor(wanted);
        shown = wanted;
      }
    } else {
      target = nullptr;
    }
    Sleep(10);
  }
  if (saved) SetCursor(saved);
  DrawOutlines(screen, index, origin);
  DeleteDC(screen);
  if (target && DraggedEntriesAccepted(index)) PostDrop(target, cursor, index);
}
