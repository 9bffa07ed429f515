// The drag of the selected files out of the grid, started from a cell.
#pragma once

#include <windows.h>

#include <cstdint>

// Drags the selected entries and entry `index` (the cell's) while the
// primary button stays down, and hands them to the window they are dropped on.
void DragFromCell(HWND cell, int32_t index);
