// The viewer's frame window: menu, picture pane and status line; opening,
// walking the folder, filters, undo and saving. Win32 only.
#pragma once

#include <windows.h>

constexpr char kViewerFrameClass[] = "ondex_frame";

bool RegisterViewerFrameClass(HINSTANCE instance);
// Creates the frame with its menu (not yet shown).
HWND CreateViewerFrame(HINSTANCE instance);
// Opens a picture; an unreadable one gives a message and an empty pane.
void OpenPictureFile(const char* path);
