// Opening the folder tree down to the current folder at start-up, once the
// thumbnails on screen are in: a timer of the main window polls for them.
#pragma once

#include <windows.h>

// Opens the tree now when no shown thumbnail is pending, otherwise starts
// the wait on a timer of `window` (its WM_TIMER goes to OnTreeWaitTimer).
void OpenTreeAfterShownThumbnails(HWND window);
// The main window's WM_TIMER: false when `timer` is not the wait's.
bool OnTreeWaitTimer(UINT_PTR timer);
// Ends the wait without opening anything (the user took the tree over, or
// the window closes).
void EndTreeWait();
