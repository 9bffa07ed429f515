// The main window's command numbers (menus, popup menu, accelerators, the
// Delete key), free of windows.
#pragma once

enum Command : int {
  kCommandClose = 100,
  kCommandNewWindow = 101,
  kCommandDelete = 201,
  kCommandSelectAll = 202,
  kCommandInvertSelection = 203,
  kCommandRename = 204,
  kCommandDeselectAll = 205,
  kCommandCopy = 210,  // the selected files on the clipboard
  kCommandCut = 211,
  kCommandPaste = 212,  // files from the clipboard into the current folder
  kCommandSmallThumbnails = 400,
  kCommandLargeThumbnails = 402,
  kCommandKeepThumbnails = 410,  // the thumbnail store on or off
  kCommandEmptyKeptThumbnails = 411,
  kCommandHelp = 600,
  kCommandAbout = 601,
  kCommandSortByName = 700,
  kCommandSortLast = 705,
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
