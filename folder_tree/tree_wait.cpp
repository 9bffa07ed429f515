#include "folder_tree/tree_wait.h"

#include <string>

#include "browser/grid_window.h"
#include "folder_tree/folder_tree.h"
#include "shell/app_state.h"

namespace {

// Opens the tree down to the current folder (without its final backslash).
void SyncTree() {
  std::string folder = g_app.currentFolder;
  if (folder.empty()) return;  // nothing to show: the tree stays as it is
  folder.pop_back();
  ShowFolderInTree(folder.c_str());
}

// Opening the tree asks the shell about every folder on the way down, which
// can hold this thread for half a second, and the worker cannot hand in a
// thumbnail meanwhile. So the tree opens once the thumbnails on screen are in
// and painted (a timer message comes after the paints), or after kLimitMs
// when they are slow to come. A user who opens or selects a folder in the
// tree meanwhile has taken it over: the wait ends without opening anything.
struct TreeWait {
  static constexpr UINT_PTR kTimer = 1;
  static constexpr UINT kPollMs = 50;
  static constexpr DWORD kLimitMs = 1000;
  HWND window = nullptr;  // the main window while a wait runs
  DWORD start = 0;        // GetTickCount at its start
};
TreeWait g_treeWait;

}  // namespace

void EndTreeWait() {
  if (g_treeWait.window) KillTimer(g_treeWait.window, TreeWait::kTimer);
  g_treeWait.window = nullptr;
}

void OpenTreeAfterShownThumbnails(HWND window) {
  EndTreeWait();
  if (ShownThumbnailsPending() && SetTimer(window, TreeWait::kTimer, TreeWait::kPollMs, nullptr)) {
    g_treeWait.window = window;
    g_treeWait.start = GetTickCount();
    return;
  }
  SyncTree();
}

bool OnTreeWaitTimer(UINT_PTR timer) {
  if (timer != TreeWait::kTimer) return false;
  if (ShownThumbnailsPending() && GetTickCount() - g_treeWait.start < TreeWait::kLimitMs)
    return true;
  EndTreeWait();
  SyncTree();
  return true;
}
