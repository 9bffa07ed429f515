// The folder tree: the shell namespace (Desktop, My Computer, drives,
// folders) in a tree-view control, filled lazily as items are expanded. Each
// item owns the absolute item ID list of its folder.
#pragma once

#include <windows.h>
// commctrl.h after the types of windows.h.
#include <commctrl.h>

#include <cstddef>

#include "resources/resource.h"

constexpr int kTreeId = IDC_FOLDER_TREE;

// The control with the Desktop as its one (collapsed) item, or nullptr.
HWND CreateFolderTree(HWND parent, int id, int width, int height);
HWND FolderTreeWindow();
// After a move to a screen of another density: the tree's text and rows in
// the size of that screen.
void FitTreeToDpi(int dpi);

// Rebuilds an item's children from the shell's present state.
void FillTreeChildren(HTREEITEM item);
// Sorts an item's direct children by the shell's name order.
void SortTreeChildren(HTREEITEM item);
// The tree's owner passes these notifications on: an item about to open is
// filled (and sorted the first time); an item about to be drawn gets its
// icons and expand button (TVN_GETDISPINFO).
void OnTreeItemExpanding(const NMTREEVIEWA* change);
void AnswerTreeDisplayInfo(NMTVDISPINFOA* info);

enum class TreeFolder {
  kPath,               // the buffer holds the folder's path
  kOutsideFileSystem,  // My Computer, the Desktop's virtual items
  kRefused,            // a folder whose path the process cannot give: beyond
                       // MAX_PATH, or a name its code page lacks
};
// The item's file-system path, in the process's code page, into the buffer
// (an empty text unless kPath).
TreeFolder TreeItemPath(char* buffer, size_t size, HTREEITEM item);
// The path of the item at a screen point: 1 with the buffer untouched when
// no item is there, else whether a path was produced.
int TreePathAtPoint(char* buffer, size_t size, POINT screen);
// Opens the branches down to `folder` (no trailing backslash) and scrolls it
// to the top; the selection stays as it is.
void ShowFolderInTree(const char* folder);
