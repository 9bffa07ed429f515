#include "toolbar/format_toolbar.h"

#include <cstdio>
#include <string>
#include <vector>

#include "browser/grid_window.h"
#include "file_ops/format_table.h"
#include "folder_tree/folder_tree.h"
#include "image/plugin_registry.h"
#include "platform/platform.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/settings.h"
#include "shell/strings.h"
#include "ui_draw/window_dpi.h"

namespace {

std::vector<FormatEntry> g_formats;  // list entry i + 1 is g_formats[i]

void AddReaderFormats() {
  FormatInfo info;
  for (int i = 0; i < kPluginSlots && *ReaderPath(i); ++i)
    if (QueryFormatInfo(ReaderPath(i), "ReadFileInfo", g_windows.statusBar, &info))
      AppendFormatEntries(info.extensions, info.displayName, &g_formats);
}

void FillFormatList(HWND toolbar) {
  HWND list = GetDlgItem(toolbar, kFormatListId);
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  SendMessageA(list, CB_INSERTSTRING, WPARAM(-1), LPARAM(LoadStringResource(IDS_ALL_FILES)));
  g_formats.clear();
  AddReaderFormats();
  for (const FormatEntry& entry : g_formats)
    SendMessageA(list, CB_INSERTSTRING, WPARAM(-1), LPARAM(entry.text.c_str()));
  SendMessageA(list, CB_SETCURSEL, WPARAM(UsableFormatIndex(int32_t(g_formats.size()))), 0);
  UpdateFormatFilter();
}

void SetKeepOnTop(bool onTop) {
  SetWindowPos(static_cast<HWND>(g_windows.main), onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE);
}

void StartToolbar(HWND toolbar) {
  g_windows.toolbar = toolbar;
  MeasureToolbar();
  FillFormatList(toolbar);
  // Without a history, the process's current folder, fully qualified: a
  // bare name would be taken past the Recycle Bin by the delete.
  std::string start = *HistorySlot(0) ? HistorySlot(0) : platform::WorkingFolder();
  std::snprintf(g_app.currentFolder, sizeof g_app.currentFolder, "%s", start.c_str());
  ReloadGrid();
  CheckDlgButton(toolbar, kKeepOnTopId, g_settings.keepOnTop ? BST_CHECKED : BST_UNCHECKED);
  if (g_settings.keepOnTop) SetKeepOnTop(true);
}

int Selection(HWND toolbar, int list) {
  return int(SendMessageA(GetDlgItem(toolbar, list), CB_GETCURSEL, 0, 0));
}

void OnCommand(HWND toolbar, int control, int notification) {
  HWND main = static_cast<HWND>(g_windows.main);
  if (control == kFormatListId && notification == CBN_SELCHANGE) {
    int chosen = Selection(toolbar, kFormatListId);
    if (chosen < 0) return;
    g_settings.formatIndex = chosen;
    UpdateFormatFilter();
    ReloadGrid();
    SetFocus(main);
  } else if (control == kRecentFoldersId && notification == CBN_SELCHANGE) {
    int chosen = Selection(toolbar, kRecentFoldersId);
    if (chosen < 0) return;
    std::snprintf(g_app.currentFolder, sizeof g_app.currentFolder, "%s", HistorySlot(chosen));
    ReloadGrid();
    std::string folder = g_app.currentFolder;
    if (!folder.empty()) {
      folder.pop_back();  // without the final backslash
      ShowFolderInTree(folder.c_str());
    }
    SetFocus(main);
  } else if (control == kKeepOnTopId) {
    g_settings.keepOnTop = !g_settings.keepOnTop;
    SetKeepOnTop(g_settings.keepOnTop != 0);
  }
}

}  // namespace

void MeasureToolbar() {
  RECT rect;
  if (g_windows.toolbar && GetWindowRect(static_cast<HWND>(g_windows.toolbar), &rect))
    g_app.toolbarHeight = rect.bottom - rect.top;
}

void UpdateFormatFilter() {
  int32_t index = UsableFormatIndex(int32_t(g_formats.size()));
  const char* filter = index == 0 ? "*" : g_formats[size_t(index - 1)].extension.c_str();
  std::snprintf(g_app.extensionFilter, sizeof g_app.extensionFilter, "%s", filter);
}

namespace {

// The main window, the toolbar's parent, lays its panes out again for the
// toolbar's new height.
void RequestParentLayout(HWND toolbar) {
  HWND main = GetParent(toolbar);
  RECT client;
  GetClientRect(main, &client);
  SendMessageA(main, WM_SIZE, IsZoomed(main) ? SIZE_MAXIMIZED : SIZE_RESTORED,
               MAKELPARAM(client.right, client.bottom));
}

}  // namespace

INT_PTR CALLBACK ToolbarDialogProc(HWND toolbar, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: StartToolbar(toolbar); return 1;
    case WM_COMMAND: OnCommand(toolbar, LOWORD(wParam), HIWORD(wParam)); return 0;
    case kDpiChangedAfterParentMessage:
      // The system has scaled the dialog for the new density by now.
      MeasureToolbar();
      RequestParentLayout(toolbar);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) EndDialog(toolbar, 0);
      return 0;
  }
  return 0;
}
