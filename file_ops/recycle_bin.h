// Moving a file to the Recycle Bin through the shell.
#pragma once

#include <windows.h>

// Moves one file to the Recycle Bin without any window of the shell's own,
// except the shell's warning when the file would be deleted for good. 1 when
// the file is gone; 0 when it stays, and for a path that is not fully
// qualified or holds a wildcard, which is never handed over.
int DeleteToRecycleBin(HWND owner, const char* path);
