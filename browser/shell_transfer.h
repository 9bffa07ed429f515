// Files in and out of the grid through the shell: copy and cut of the
// selection to the clipboard, paste into the current folder, and the grid
// as a drop target. The copies and moves themselves are the shell's file
// operation, with its own progress and its own questions about names
// already taken.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The selected entries a file command may take, as wide full paths; a
// refused entry is named in a message and left out, as Delete does. With
// nothing selected, says so and gives nothing.
std::vector<std::u16string> SelectedTransferPaths(HWND owner);

// Ctrl+C / Ctrl+X: the selected files on the clipboard, to be copied, or
// moved (`cut`) by the program that pastes them.
void PutSelectionOnClipboard(HWND owner, bool cut);
// Ctrl+V: the files on the clipboard copied into the current folder, or
// moved when they were cut (the clipboard is then emptied). True when the
// folder may have changed.
bool PasteIntoCurrentFolder(HWND owner);

// Copies (or moves) `paths` into the current folder with the shell's file
// operation; files already there are left out. True when the operation ran
// to its end.
bool TransferIntoCurrentFolder(HWND owner, const std::vector<std::u16string>& paths, bool move);

// The grid as an OLE drop target: files dropped on it are copied (moved
// with Shift, or when the source asks for a move) into the current folder
// and the grid is listed again.
void RegisterGridDropTarget(HWND grid);
void RevokeGridDropTarget(HWND grid);
