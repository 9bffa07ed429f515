#include "browser/status_bar.h"

#include <cstdio>

#include "browser/file_list.h"
#include "platform/scoped_handles.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/strings.h"
#include "text/path_utils.h"
#include "ui_draw/dpi_scale.h"
#include "ui_draw/drawing.h"
#include "ui_draw/status_text.h"
#include "ui_draw/text.h"
#include "ui_draw/window_class.h"

namespace {

constexpr COLORREF kAccentColour = Rgb(0x14, 0x50, 0xFF);
constexpr COLORREF kWhite = Rgb(0xFF, 0xFF, 0xFF);

StatusMessages g_messages;

void PaintBar(HWND window) {
  RECT client;
  platform::WindowDC dc(window, ValidateAndGetDC(window, &client));
  DrawBevelBox(dc, 0, 0, client.right, client.bottom - 1, kPanelColour, 1);
  FillBox(dc, Scaled(260), 1, client.right - 4, client.bottom - 2, kPanelColour);
  DrawSunkenFrame(dc, Scaled(264), 1, client.right - 4, client.bottom - 2);
  const StatusText& shown = g_messages.shown;
  DrawTextAt(dc, Scaled(266), Scaled(2), Scaled(14), shown.text, kWhite, nullptr, nullptr,
             shown.codePage == kShiftJis ? 932 : CodePageOfText(shown.text));
}

void PaintBox(const DRAWITEMSTRUCT* item) {
  if (item->CtlID != kSelectedBoxId && item->CtlID != kFileCountBoxId) return;
  const RECT& rc = item->rcItem;
  int off = (item->itemState & ODS_SELECTED) ? 1 : 0;
  int w = rc.right - rc.left - off, h = rc.bottom - rc.top - off;
  HDC dc = item->hDC;
  DrawBevelBox(dc, off, off, off + Scaled(3), off + h - 2, kAccentColour, 1);
  DrawBevelBox(dc, off + Scaled(4), off, off + w - 2, off + h - 2, kPanelColour, 1);
  char text[300];
  if (item->CtlID == kSelectedBoxId)
    std::snprintf(text, sizeof text, LoadStringResource(IDS_SELECTED_COUNT), int(CountSelected()));
  else
    std::snprintf(text, sizeof text, LoadStringResource(IDS_FILE_COUNT), int(g_fileList.count));
  RECT box = {rc.left + off + Scaled(8), rc.top + off + Scaled(3), rc.right + off - Scaled(2),
              rc.bottom + off - Scaled(4)};
  DrawTextFitted(dc, box, text, kWhite, nullptr, 0, true);
}

void CreateBoxes(HWND window) {
  HINSTANCE instance = static_cast<HINSTANCE>(g_windows.instance);
  for (int id : {kSelectedBoxId, kFileCountBoxId})
    CreateWindowA("button", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 0, 0, 0, 0,
                  window, HMENU(INT_PTR(id)), instance, nullptr);
}

}  // namespace

LRESULT CALLBACK StatusBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      ResetStatusMessages(&g_messages);
      g_windows.statusBar = window;
      CreateBoxes(window);
      return 0;
    case WM_SIZE:
      MoveWindow(GetDlgItem(window, kFileCountBoxId), 0, 0, Scaled(127), Scaled(19), TRUE);
      MoveWindow(GetDlgItem(window, kSelectedBoxId), Scaled(128), 0, Scaled(127), Scaled(19), TRUE);
      return 0;
    case WM_PAINT: PaintBar(window); return 0;
    case WM_DRAWITEM: PaintBox(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); return 0;
    case WM_DESTROY:
      if (g_windows.statusBar == window) g_windows.statusBar = nullptr;
      break;
    case WM_USER: {
      uint32_t command = LOWORD(wParam);
      const char* text =
          command == 14 || command == 15 ? reinterpret_cast<const char*>(lParam) : nullptr;
      if (ApplyStatusMessage(&g_messages, command, int32_t(lParam), text)) RepaintWindow(window);
      break;
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void RefreshStatusCounts() {
  HWND bar = static_cast<HWND>(g_windows.statusBar);
  if (!bar) return;
  for (int id : {kFileCountBoxId, kSelectedBoxId})
    if (HWND box = GetDlgItem(bar, id)) RepaintWindow(box);
}

bool RegisterStatusBarClass(HINSTANCE instance) {
  return RegisterBrowserClass(instance, kStatusBarClass, StatusBarProc, ApplicationIcon(),
                              ArrowCursor(), Rgb(0xC0, 0xC0, 0xC0));
}
