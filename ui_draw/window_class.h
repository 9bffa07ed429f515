// Registering the browser's window classes: each window's file registers its
// own class beside its procedure.
#pragma once

#include <windows.h>

// Registers `name` with `procedure`: redrawn whole on resizing, double
// clicks, 4 bytes of window data, a solid background of `background`.
// False when the system refuses it.
bool RegisterBrowserClass(HINSTANCE instance, const char* name, WNDPROC procedure, HICON icon,
                          HCURSOR cursor, COLORREF background);

// The system's application icon and arrow cursor, shared by the panes.
HICON ApplicationIcon();
HCURSOR ArrowCursor();
