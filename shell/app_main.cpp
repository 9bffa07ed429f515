// The browser's entry point: program folder, window classes, main window at
// its saved placement, and the message loop with the accelerators.
#include <windows.h>
// commctrl.h after the types of windows.h.
#include <commctrl.h>
#include <ole2.h>

#include <clocale>
#include <cstring>

#include "folder_tree/folder_tree.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/main_window.h"
#include "shell/placement.h"
#include "shell/settings.h"
#include "shell/strings.h"
#include "ui_draw/drawing.h"
#include "ui_draw/text.h"

namespace {

// "起動フォルダを取得できません" (the start folder cannot be found).
constexpr char kNoProgramFolder[] =
    "\x8b\x4e\x93\xae\x83\x74\x83\x48\x83\x8b\x83\x5f\x82\xf0\x8e\xe6\x93\xbe\x82\xc5\x82\xab"
    "\x82\xdc\x82\xb9\x82\xf1";

// The executable's folder, ending after its last backslash; double-byte
// characters are stepped over whole.
bool FindProgramFolder() {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  char* afterSeparator = nullptr;
  for (char* c = path; *c; c = CharNextA(c))
    if (*c == '\\') afterSeparator = c + 1;
  if (!afterSeparator) return false;
  *afterSeparator = '\0';
  return SetProgramFolder(path);
}

// A window saved maximized comes back maximized, and un-maximizing it gives
// the saved normal rectangle.
void ShowMaximized(HWND window, const Placement& p) {
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof placement;
  GetWindowPlacement(window, &placement);
  POINT offset = WorkAreaOffset(window);
  placement.flags = 0;
  placement.showCmd = SW_SHOWMAXIMIZED;
  placement.rcNormalPosition = {p.x - offset.x, p.y - offset.y, p.x - offset.x + p.width,
                                p.y - offset.y + p.height};
  SetWindowPlacement(window, &placement);
}

void ShowAtSavedPlacement(HWND window, int showCommand) {
  Placement p = RestoredPlacement(g_settings.windowPosition, g_settings.windowSize,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  KeepPlacementOnDpiChange(true);
  if (g_settings.maximized) {
    ShowMaximized(window, p);
  } else {
    ShowWindow(window, showCommand);
    MoveWindow(window, p.x, p.y, p.width, p.height, TRUE);
  }
  KeepPlacementOnDpiChange(false);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  InitPrimaryButton();
  BuildFontTable();
  CreateFolderHistory();
  g_windows.instance = instance;
  HACCEL accelerators = LoadAcceleratorsA(instance, "daAccel");
  // OLE for drag and drop, and COM for the shell.
  OleInitialize(nullptr);
  InitCommonControls();
  std::memset(&g_app, 0, sizeof g_app);
  if (!FindProgramFolder()) {
    ShowShiftJisMessage(nullptr, kNoProgramFolder);
    return 0;
  }
  HMENU popupResource = LoadMenuA(instance, "ral_submenu");
  g_app.popupMenuResource = popupResource;
  g_app.popupMenu = popupResource ? GetSubMenu(popupResource, 0) : nullptr;
  std::setlocale(LC_ALL, LoadStringResource(IDS_LOCALE));
  RegisterWindowClasses(instance);

  HWND main =
      CreateWindowExA(WS_EX_OVERLAPPEDWINDOW, kMainWindowClass, "Tamsel", WS_OVERLAPPEDWINDOW,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                      LoadMenuA(instance, "RalMenu"), instance, nullptr);
  g_windows.tree = CreateFolderTree(main, kTreeId, 0, 0);
  ShowAtSavedPlacement(main, showCommand);
  UpdateWindow(main);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (TranslateAcceleratorA(main, accelerators, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  OleUninitialize();
  if (popupResource) DestroyMenu(popupResource);
  FreeFolderHistory();
  FreeFontTable();
  return int(message.wParam);
}
