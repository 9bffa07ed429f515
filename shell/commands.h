// The main window's commands (menus, popup menu, accelerators, Delete key).
#pragma once

#include <windows.h>

enum Command : int {
  kCommandClose = 100,
  kCommandNewWindow = 101,
  kCommandDelete = 201,
  kCommandSelectAll = 202,
  kCommandInvertSelection = 203,
  kCommandRename = 204,
  kCommandDeselectAll = 205,
  kCommandSmallThumbnails = 400,
  kCommandLargeThumbnails = 402,
  kCommandHelp = 600,
  kCommandAbout = 601,
  kCommandSortByName = 700,
  kCommandSortLast = 705,
};

// Runs one command with the thumbnail worker paused around it.
void HandleCommand(HWND main, int command);
// Check marks of the size and sort items, and the delete item's state.
void ApplyMenuRules(HMENU menu);
