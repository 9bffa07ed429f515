#include "toolbar/folder_history_list.h"

#include <windows.h>

#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/settings.h"

constexpr int kHistoryListId = IDC_RECENT_FOLDERS;

void FillHistoryList() {
  HWND toolbar = static_cast<HWND>(g_windows.toolbar);
  if (!toolbar) return;
  HWND list = GetDlgItem(toolbar, kHistoryListId);
  if (!list) return;
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  for (int k = 0; k < HistoryCount(); ++k)
    SendMessageA(list, CB_INSERTSTRING, WPARAM(-1), LPARAM(HistorySlot(k)));  // in history order
  SendMessageA(list, CB_SETCURSEL, 0, 0);
}

void ShowNoHistoryFolder() {
  HWND toolbar = static_cast<HWND>(g_windows.toolbar);
  if (HWND list = toolbar ? GetDlgItem(toolbar, kHistoryListId) : nullptr)
    SendMessageA(list, CB_SETCURSEL, WPARAM(-1), 0);
}
