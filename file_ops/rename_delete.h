// Renaming one file (its extension kept) and moving files to the Recycle Bin.
#pragma once

#include <windows.h>

// Shows the "ral_rename" dialog for the file and renames it on OK. A new
// name that CheckNewBaseName refuses is answered with a message and the
// dialog stays open. Returns 1 when the user confirmed (whether or not the
// rename worked), 0 when the path has no folder or the user cancelled.
int RenameFile(HWND owner, const char* path);

// Moves one file to the Recycle Bin without any window of the shell's own,
// except the shell's warning when the file would be deleted for good.
int DeleteToRecycleBin(HWND owner, const char* path);

// The delete command: one question, then each selected file's thumbnail and
// the file itself; "Rien n'est sélectionné." when nothing is selected.
// Returns true when files were deleted (the grid must be reloaded).
bool DeleteSelectedFiles(HWND owner);
