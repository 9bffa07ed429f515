// The viewer's frame window: menu, picture pane and status line; opening,
// walking the folder, filters, undo and saving. Win32 only.
#pragma once

#include <windows.h>

#include <string>

constexpr char kViewerFrameClass[] = "ondex_frame";

bool RegisterViewerFrameClass(HINSTANCE instance);
// The longest program folder the viewer runs from, its terminator included.
constexpr size_t kProgramFolderBytes = 256;

// Creates the frame with its menu (not yet shown); `programFolder` (ending
// in '\') holds 8bfkvt.dll.
HWND CreateViewerFrame(HINSTANCE instance, const std::string& programFolder);
// Opens a picture; an unreadable one gives a message and an empty pane.
void OpenPictureFile(const char* path);
