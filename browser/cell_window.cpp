#include "browser/cell_window.h"

#include <cstring>
#include <string>
#include <vector>

#include "browser/cell_drag.h"
#include "browser/file_list.h"
#include "browser/grid_window.h"
#include "browser/status_bar.h"
#include "browser/thumbnail_cache.h"
#include "browser/thumbnail_worker.h"
#include "dialogs/file_dialogs.h"
#include "platform/scoped_handles.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/settings.h"
#include "text/path_utils.h"
#include "ui_draw/dpi_scale.h"
#include "ui_draw/drawing.h"
#include "ui_draw/text.h"
#include "ui_draw/window_class.h"

namespace {

constexpr COLORREF kCellColour = kPanelColour;
constexpr COLORREF kSelectedCellColour = Rgb(0x37, 0x79, 0xFF);
constexpr COLORREF kStripColour = Rgb(0x40, 0x60, 0xC0);
constexpr COLORREF kSelectedStripColour = Rgb(0x80, 0x80, 0x80);
constexpr COLORREF kNameColour = Rgb(0xFF, 0xFF, 0xFF);
constexpr int kStripHeight = 14;
// The program folder, a full path (three bytes a character in UTF-8), the rest.
constexpr size_t kCommandLineBytes = 256 + platform::kMaxPathBytes + 16;

// The thumbnail a cell holds for its entry: handed over by the worker, or
// read once from the cache file. Owned by the cell.
PackedDib HeldThumbnail(HWND cell) {
  return reinterpret_cast<PackedDib>(GetWindowLongPtrA(cell, GWLP_USERDATA));
}

void DropThumbnail(HWND cell) {
  FreePackedDib(HeldThumbnail(cell));
  SetWindowLongPtrA(cell, GWLP_USERDATA, 0);
}

void Paint(HWND cell) {
  RECT client;
  platform::WindowDC dc(cell, ValidateAndGetDC(cell, &client));
  int32_t index = CellEntry(cell);
  if (index < 0 || index >= g_fileList.count) return;
  bool selected = g_fileList.selected[index] != 0;
  DrawBevelBox(dc, 0, 0, client.right - 1, client.bottom - 1,
               selected ? kSelectedCellColour : kCellColour, 1);
  DrawBevelBox(dc, 0, client.bottom - Scaled(kStripHeight), client.right - 1, client.bottom - 1,
               selected ? kSelectedStripColour : kStripColour, 1);
  const char* path = g_fileList.path[index];
  const char* backslash = FindLastCharacter(path, '\\');
  // A bare file name (a listing of the process's current folder) is drawn
  // like any other.
  if (*path) {
    DrawTextAt(dc, Scaled(2), client.bottom - Scaled(13), Scaled(12),
               backslash ? backslash + 1 : path, kNameColour, nullptr, nullptr);
    // Only what the cell holds: a paint never touches a file or the worker.
    if (PackedDib thumbnail = HeldThumbnail(cell)) {
      int width = thumbnail->biWidth, height = thumbnail->biHeight;
      SetDIBitsToDevice(dc, ThumbnailLeft(client.right, width, CurrentDpi()),
                        ThumbnailTop(client.bottom, height, CurrentDpi()), DWORD(width),
                        DWORD(height), 0, 0, 0, UINT(height),
                        reinterpret_cast<const uint8_t*>(thumbnail) + sizeof(DibHeader),
                        reinterpret_cast<const BITMAPINFO*>(thumbnail), DIB_RGB_COLORS);
    }
  }
}

bool KeyHeld(int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; }

void RepaintEntry(int32_t index) {
  if (HWND cell = CellOfEntry(index)) RepaintWindow(cell);
}

void Select(int32_t index) {
  if (KeyHeld(VK_SHIFT)) {
    if (g_grid.anchor == -1) return;
    SelectRectangle(g_grid.anchor, index, g_grid.columns, g_fileList.selected, g_fileList.count);
    g_grid.anchor = index;
    RepaintWindow(static_cast<HWND>(g_windows.grid));
    RepaintShownCells();
  } else if (KeyHeld(VK_CONTROL)) {
    g_fileList.selected[index] = !g_fileList.selected[index];
    g_grid.anchor = index;
    RepaintEntry(index);
  } else {
    for (int32_t i = 0; i < g_fileList.count; ++i)
      if (g_fileList.selected[i]) {
        g_fileList.selected[i] = 0;
        RepaintEntry(i);
      }
    g_fileList.selected[index] = !g_fileList.selected[index];
    g_grid.anchor = index;
    RepaintEntry(index);
  }
  RefreshStatusCounts();
}

void ShowPopupMenu(HWND cell) {
  HMENU popup = static_cast<HMENU>(g_app.popupMenu);
  if (!popup) return;
  EnableMenuItem(popup, IDM_RENAME,
                 MF_BYCOMMAND | (g_fileList.selectedCount == 1 ? MF_ENABLED : MF_GRAYED));
  POINT cursor;
  GetCursorPos(&cursor);
  int command =
      TrackPopupMenu(popup, TPM_RIGHTBUTTON | TPM_RETURNCMD, cursor.x, cursor.y, 0, cell, nullptr);
  if (command)  // 0: dismissed, nothing chosen
    SendMessageA(static_cast<HWND>(g_windows.main), WM_COMMAND, WPARAM(command), 0);
}

void OpenInViewer(int32_t index) {
  // A name Windows cannot be given here would name no file, or another one.
  const char* path = g_fileList.path[index];
  if (!IsCommandPath(path)) {
    AcceptCommandEntry(static_cast<HWND>(g_windows.main), path);
    return;
  }
  char command[kCommandLineBytes];
  if (ViewerCommandLine(g_app.programFolder, g_fileList.path[index], command, sizeof command))
    WinExec(command, SW_SHOW);
}

}  // namespace

int32_t CellEntry(HWND cell) { return int32_t(GetDlgCtrlID(cell)); }

void AssignCellEntry(HWND cell, int32_t entry) {
  DropThumbnail(cell);
  SetWindowLongPtrA(cell, GWLP_ID, LONG_PTR(entry));
}

void GiveCellThumbnail(HWND cell, PackedDib thumbnail) {
  DropThumbnail(cell);
  SetWindowLongPtrA(cell, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(thumbnail));
}

HWND CreateCellWindow(HWND grid, HINSTANCE instance, int32_t entry) {
  return CreateWindowA(kCellClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, grid,
                       HMENU(INT_PTR(entry)), instance, nullptr);
}

LRESULT CALLBACK CellProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  int32_t index = CellEntry(window);
  bool valid = index >= 0 && index < g_fileList.count;
  switch (message) {
    case WM_CREATE:
    case WM_SIZE: return 0;
    case WM_DESTROY: DropThumbnail(window); return 0;
    case WM_PAINT: Paint(window); return 0;
    case WM_LBUTTONDOWN:
      // The grid's scrolling keys go to the main window.
      SetFocus(static_cast<HWND>(g_windows.main));
      if (valid) {
        Select(index);
        WatchForDrag(window, index);
      }
      return 0;
    case WM_MOUSEMOVE: DragWatchMove(window, (wParam & MK_LBUTTON) != 0); return 0;
    case WM_LBUTTONUP: EndDragWatch(window, false); return 0;
    case WM_CAPTURECHANGED: EndDragWatch(window, true); return 0;
    case WM_LBUTTONDBLCLK:
      if (valid) OpenInViewer(index);
      return 0;
    case WM_RBUTTONDOWN: ShowPopupMenu(window); return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterCellClass(HINSTANCE instance) {
  return RegisterBrowserClass(instance, kCellClass, CellProc, ApplicationIcon(), ArrowCursor(),
                              Rgb(0xC0, 0xC0, 0xC0));
}
