// ondex.exe, the family's viewer: `ondex.exe "PATH"` shows that picture
// through the reader plug-ins in file_r\ beside the program; without a path
// the window opens empty.
#include <windows.h>
// commctrl.h and objbase.h after the types of windows.h.
#include <commctrl.h>
#include <objbase.h>

#include <string>

#include "image/plugin_registry.h"
#include "platform/platform.h"
#include "platform/scoped_handles.h"
#include "viewer/picture_view.h"
#include "viewer/viewer_resource.h"
#include "viewer/viewer_window.h"

namespace {

// The command line after the program's name: one path, quoted or not.
std::string PathArgument(const char* arguments) {
  std::string path = arguments ? arguments : "";
  size_t first = path.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  path.erase(0, first);
  if (path[0] == '"') {
    size_t close = path.find('"', 1);
    return path.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  size_t last = path.find_last_not_of(" \t");
  return path.substr(0, last + 1);
}

int RunMessageLoop(HWND frame, HACCEL accelerators) {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (TranslateAcceleratorA(frame, accelerators, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return int(message.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int show) {
  platform::ComInit com(COINIT_APARTMENTTHREADED);  // WIC's encoders and the common dialogs
  InitCommonControls();
  std::string programFolder = platform::ExecutableFolder();
  if (programFolder.size() >= kProgramFolderBytes) return 0;
  ScanPlugins(programFolder.c_str(), nullptr);
  if (!RegisterPictureViewClass(instance) || !RegisterViewerFrameClass(instance)) return 0;
  HWND frame = CreateViewerFrame(instance, programFolder);
  if (!frame) return 0;
  ShowWindow(frame, show);
  UpdateWindow(frame);
  std::string path = PathArgument(arguments);
  if (!path.empty()) OpenPictureFile(path.c_str());
  HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_VIEWER_ACCEL));
  int result = RunMessageLoop(frame, accelerators);
  ReleasePlugins();
  return result;
}
