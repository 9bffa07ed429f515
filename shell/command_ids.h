// The main window's command numbers (menus, popup menu, accelerators, the
// Delete key), free of windows.
#pragma once

#include "resources/resource.h"

enum Command : int {
  kCommandClose = IDM_CLOSE,
  kCommandNewWindow = IDM_NEW_WINDOW,
  kCommandDelete = IDM_DELETE,
  kCommandSelectAll = IDM_SELECT_ALL,
  kCommandInvertSelection = IDM_INVERT_SELECTION,
  kCommandRename = IDM_RENAME,
  kCommandDeselectAll = IDM_DESELECT_ALL,
  kCommandCopy = IDM_COPY,  // the selected files on the clipboard
  kCommandCut = IDM_CUT,
  kCommandPaste = IDM_PASTE,  // files from the clipboard into the current folder
  kCommandSmallThumbnails = IDM_SMALL_THUMBNAILS,
  kCommandLargeThumbnails = IDM_LARGE_THUMBNAILS,
  kCommandKeepThumbnails = IDM_KEEP_THUMBNAILS,  // the thumbnail store on or off
  kCommandEmptyKeptThumbnails = IDM_EMPTY_KEPT_THUMBNAILS,
  kCommandHelp = IDM_HELP,
  kCommandAbout = IDM_ABOUT,
  kCommandSortByName = IDM_SORT_BY_NAME,
  kCommandSortLast = IDM_SORT_BY_SIZE_REVERSED,
};

// True for a command the browser carries out. Anything else, such as the 0
// of a dismissed popup menu, is ignored without pausing the thumbnail worker.
constexpr bool IsBrowserCommand(int id) {
  return id == kCommandClose || id == kCommandNewWindow ||
         (id >= kCommandDelete && id <= kCommandDeselectAll) ||
         (id >= kCommandCopy && id <= kCommandPaste) ||
         (id >= kCommandSmallThumbnails && id <= kCommandLargeThumbnails) ||
         id == kCommandKeepThumbnails || id == kCommandEmptyKeptThumbnails || id == kCommandHelp ||
         id == kCommandAbout || (id >= kCommandSortByName && id <= kCommandSortLast);
}
