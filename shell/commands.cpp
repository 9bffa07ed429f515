#include "shell/commands.h"

#include <shellapi.h>

#include <cstdio>

#include "browser/file_list.h"
#include "browser/grid_window.h"
#include "browser/shell_transfer.h"
#include "browser/status_bar.h"
#include "browser/stored_thumbnails.h"
#include "browser/thumbnail_cache.h"
#include "browser/thumbnail_worker.h"
#include "dialogs/about_dialog.h"
#include "dialogs/file_dialogs.h"
#include "shell/app_state.h"
#include "shell/settings.h"
#include "ui_draw/drawing.h"

namespace {

void RepaintSelection() {
  if (HWND grid = static_cast<HWND>(g_windows.grid)) RepaintWindow(grid);
  RepaintShownCells();
  RefreshStatusCounts();
}

void SetAllSelected(int value) {
  for (int32_t i = 0; i < g_fileList.count; ++i) g_fileList.selected[i] = value;
}

void OpenHelp() {
  char page[300];
  std::snprintf(page, sizeof page, "%svhelp\\index.html", g_app.programFolder);
  ShellExecuteA(static_cast<HWND>(g_windows.main), nullptr, page, nullptr, nullptr, SW_SHOW);
}

void StartSecondBrowser() {
  char command[300];
  std::snprintf(command, sizeof command, "%sral.exe", g_app.programFolder);
  WinExec(command, SW_SHOW);
}

}  // namespace

void HandleCommand(HWND main, int command) {
  if (!IsBrowserCommand(command)) return;
  // Held to the end: the reloads below pause inside it, and the size
  // command's emptying of the cache folder comes after its reload.
  WorkerPause pause;
  if (command == kCommandClose) {
    DestroyWindow(main);
  } else if (command == kCommandNewWindow) {
    StartSecondBrowser();
  } else if (command == kCommandRename) {
    for (int32_t i = 0; i < g_fileList.count; ++i)
      if (g_fileList.selected[i]) {
        // Shown again after a refusal too: the file may have changed meanwhile.
        if (RenameFile(main, g_fileList.path[i]) != RenameOutcome::kNotAsked) ReloadGrid();
        break;
      }
  } else if (command == kCommandDelete) {
    if (DeleteSelectedFiles(main)) ReloadGrid();
  } else if (command == kCommandCopy || command == kCommandCut) {
    PutSelectionOnClipboard(main, command == kCommandCut);
  } else if (command == kCommandPaste) {
    if (PasteIntoCurrentFolder(main)) ReloadGrid();
  } else if (command == kCommandHelp) {
    OpenHelp();
  } else if (command == kCommandAbout) {
    ShowAboutDialog(main);
  } else if (command == kCommandSelectAll || command == kCommandDeselectAll) {
    SetAllSelected(command == kCommandSelectAll ? 1 : 0);
    RepaintSelection();
  } else if (command == kCommandInvertSelection) {
    for (int32_t i = 0; i < g_fileList.count; ++i) g_fileList.selected[i] = !g_fileList.selected[i];
    RepaintSelection();
  } else if (command >= kCommandSmallThumbnails && command <= kCommandLargeThumbnails) {
    g_settings.thumbSize = command - kCommandSmallThumbnails;
    ReloadGrid();
    EmptyCacheFolder(OwnCacheFolderNumber());
  } else if (command == kCommandKeepThumbnails) {
    SwitchThumbnailStore(!ThumbnailStoreSwitchedOn());
  } else if (command == kCommandEmptyKeptThumbnails) {
    EmptyThumbnailStore();
  } else if (command >= kCommandSortByName && command <= kCommandSortLast) {
    g_settings.sortOrder = command - kCommandSortByName;
    ReloadGrid();
  }
}

void ApplyMenuRules(HMENU menu) {
  for (int id = kCommandSmallThumbnails; id <= kCommandLargeThumbnails; ++id)
    CheckMenuItem(menu, UINT(id), MF_BYCOMMAND | MF_UNCHECKED);
  CheckMenuItem(menu, UINT(kCommandSmallThumbnails + UsableThumbSize()), MF_BYCOMMAND | MF_CHECKED);
  for (int id = kCommandSortByName; id <= kCommandSortLast; ++id)
    CheckMenuItem(menu, UINT(id), MF_BYCOMMAND | MF_UNCHECKED);
  if (g_settings.sortOrder >= 0 && g_settings.sortOrder <= 5)
    CheckMenuItem(menu, UINT(kCommandSortByName + g_settings.sortOrder), MF_BYCOMMAND | MF_CHECKED);
  CheckMenuItem(menu, kCommandKeepThumbnails,
                MF_BYCOMMAND | (ThumbnailStoreSwitchedOn() ? MF_CHECKED : MF_UNCHECKED));
  EnableMenuItem(menu, kCommandEmptyKeptThumbnails,
                 MF_BYCOMMAND | (SharedThumbnailStore().IsOpen() ? MF_ENABLED : MF_GRAYED));
  UINT selection = MF_BYCOMMAND | (g_fileList.selectedCount > 0 ? MF_ENABLED : MF_GRAYED);
  for (int id : {kCommandDelete, kCommandCopy, kCommandCut})
    EnableMenuItem(menu, UINT(id), selection);
}
