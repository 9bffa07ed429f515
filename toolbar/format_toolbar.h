// The toolbar ("ral_toolbar"): the format list that sets the extension
// filter, the recent-folders list, and "Premier Plan" (keep on top).
#pragma once

#include <windows.h>

#include "resources/resource.h"

constexpr int kFormatListId = IDC_FORMAT_LIST;
constexpr int kRecentFoldersId = IDC_RECENT_FOLDERS;
constexpr int kKeepOnTopId = IDC_KEEP_ON_TOP;

INT_PTR CALLBACK ToolbarDialogProc(HWND toolbar, UINT message, WPARAM wParam, LPARAM lParam);

// The extension filter from the format index: "*" for 0, else the entry's
// extension (an index outside the list counts as 0).
void UpdateFormatFilter();
// Keeps the toolbar's height (its window's, after the system scaled the
// dialog for the screen's density) for the layout.
void MeasureToolbar();
