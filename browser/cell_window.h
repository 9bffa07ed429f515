// One thumbnail cell ("list_class"): paints frame, name and thumbnail;
// selects by click, Ctrl-click and Shift-rectangle; drags the selected files
// out of the grid (browser/cell_drag.h); shows the popup menu; opens the viewer on
// double-click. A cell window shows the entry whose index is its control id;
// the grid gives cells to the entries on screen and moves them on as the
// view scrolls.
#pragma once

#include <windows.h>

#include <cstdint>

#include "browser/cell_window_logic.h"
#include "image/packed_dib.h"

constexpr const char* kCellClass = "list_class";

LRESULT CALLBACK CellProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool RegisterCellClass(HINSTANCE instance);

HWND CreateCellWindow(HWND grid, HINSTANCE instance, int32_t entry);
int32_t CellEntry(HWND cell);
// Points the cell at another entry; the thumbnail it held is freed.
void AssignCellEntry(HWND cell, int32_t entry);
// The cell takes ownership of the thumbnail of its entry (may be null).
void GiveCellThumbnail(HWND cell, PackedDib thumbnail);
