// One thumbnail cell ("list_class"): paints frame, name and cached
// thumbnail; selects by click, Ctrl-click and Shift-rectangle; drags the
// selected files to windows that accept files; shows the popup menu; opens
// the viewer on double-click.
#pragma once

#include <windows.h>

#include "browser/cell_window_logic.h"

LRESULT CALLBACK CellProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
