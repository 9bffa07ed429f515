// The main window's commands (menus, popup menu, accelerators, Delete key).
#pragma once

#include <windows.h>

#include "shell/command_ids.h"

// Runs one command with the thumbnail worker paused around it; ignores
// numbers that are no command.
void HandleCommand(HWND main, int command);
// Check marks of the size and sort items, and the delete item's state.
void ApplyMenuRules(HMENU menu);
