// The drag of the selected files out of the grid, started from a cell. A
// press on a cell captures the mouse; a move beyond the system's drag
// rectangle starts an OLE drag of the selected files and the pressed one,
// which any drop target takes (a copy by default, a move with Shift). A
// window that takes files only through WM_DROPFILES is still given them.
#pragma once

#include <windows.h>

#include <cstdint>

// The button went down on the cell of entry `index`: watch the mouse.
void WatchForDrag(HWND cell, int32_t index);
// A WM_MOUSEMOVE of the cell: starts the drag once the mouse has left the
// drag rectangle with the button down (as the message tells, not as the
// button is now); returns when the drag is over.
void DragWatchMove(HWND cell, bool buttonDown);
// The button went up, or the cell lost the capture: no drag.
void EndDragWatch(HWND cell, bool captureLost);
