#include "viewer/viewer_window.h"

// commctrl.h and commdlg.h after the types of windows.h.
#include <commctrl.h>
#include <commdlg.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "shell/app_state.h"
#include "viewer/bmp_file.h"
#include "viewer/filter_library.h"
#include "viewer/folder_walk.h"
#include "viewer/picture_read.h"
#include "viewer/picture_view.h"
#include "viewer/save_format.h"
#include "viewer/shown_picture.h"
#include "viewer/viewer_resource.h"
#include "viewer/wic_writer.h"

namespace {

constexpr int kViewId = 1;
constexpr int kStatusId = 2;
constexpr WORD kStatusRestore = 0, kStatusProgress = 3, kStatusProgressToo = 8,
               kStatusShowText = 14, kStatusShowAndKeepText = 15;

// The viewer's process-wide record: one frame per process.
struct Viewer {
  HINSTANCE instance = nullptr;
  HWND frame = nullptr, view = nullptr, status = nullptr;
  ShownPicture shown;
  std::vector<std::string> extensionLists;  // of the readers, for the folder walk
  FilterLibrary filters;
  bool filterRunning = false;
};
Viewer g_viewer;

// ---- Texts -----------------------------------------------------------------------

std::string LoadText(UINT id) {
  char text[512] = {};
  int length = LoadStringA(g_viewer.instance, id, text, sizeof text);
  return std::string(text, length > 0 ? size_t(length) : 0);
}

std::string FormatText(UINT id, ...) {
  std::string format = LoadText(id);
  char text[1024];
  va_list arguments;
  va_start(arguments, id);
  std::vsnprintf(text, sizeof text, format.c_str(), arguments);
  va_end(arguments);
  return text;
}

std::string NameOf(const std::string& path) {
  size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

void SetStatus(const std::string& text) {
  SendMessageA(g_viewer.status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
  UpdateWindow(g_viewer.status);  // progress shows while a filter holds the thread
}

void Tell(const std::string& text) {
  MessageBoxA(g_viewer.frame, text.c_str(), LoadText(IDS_APP_TITLE).c_str(), MB_ICONINFORMATION);
}

// ---- The shown picture -------------------------------------------------------------

void UpdateTitle() {
  const DibHeader* picture = g_viewer.shown.Picture();
  std::string name = NameOf(g_viewer.shown.Path());
  std::string title;
  if (picture)
    title =
        FormatText(IDS_TITLE_FORMAT, name.c_str(), int(picture->biWidth), int(picture->biHeight));
  else if (!name.empty())
    title = name + " - " + LoadText(IDS_APP_TITLE);
  else
    title = LoadText(IDS_APP_TITLE);
  SetWindowTextA(g_viewer.frame, title.c_str());
}

void ShowPictureFile(const std::string& path) {
  PackedDib picture = ReadPicture(g_viewer.frame, path.c_str());
  SetViewPicture(g_viewer.view, nullptr);  // before the old picture is freed
  g_viewer.shown.Show(path, picture);
  SetViewPicture(g_viewer.view, picture);
  UpdateTitle();
  UpdateWindow(g_viewer.view);
  if (!picture) Tell(FormatText(IDS_UNREADABLE, NameOf(path).c_str()));
}

void Walk(int step) {
  if (g_viewer.shown.Path().empty()) return;
  std::string neighbour = NeighbourPicture(g_viewer.shown.Path(), step, g_viewer.extensionLists);
  if (!neighbour.empty()) ShowPictureFile(neighbour);
}

// ---- File dialogs --------------------------------------------------------------------

// "Images (*.jpg;*.png)", "*.jpg;*.png", "Tous les Fichiers (*.*)", "*.*",
// each ended by a NUL, the list by one more.
std::string OpenFilterList() {
  std::string patterns;
  for (const std::string& list : g_viewer.extensionLists) {
    size_t start = 0;
    while (start <= list.size()) {
      size_t end = list.find(';', start);
      if (end == std::string::npos) end = list.size();
      if (end > start)
        patterns += (patterns.empty() ? "*." : ";*.") + list.substr(start, end - start);
      start = end + 1;
    }
  }
  std::string filter;
  if (!patterns.empty())
    filter += LoadText(IDS_OPEN_FILTER) + " (" + patterns + ")" + '\0' + patterns + '\0';
  filter += LoadText(IDS_ALL_FILES) + '\0' + "*.*" + '\0';
  return filter;
}

// The open and save dialogs' record: owned by the frame, starting in the
// shown picture's folder, the name in `path` (MAX_PATH bytes).
OPENFILENAMEA FileDialog(const std::string& filter, const std::string& folder, char* path,
                         DWORD flags) {
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = g_viewer.frame;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | flags;
  return dialog;
}

void OpenWithDialog() {
  char path[MAX_PATH] = {};
  std::string filter = OpenFilterList();
  std::string folder = FolderOf(g_viewer.shown.Path());
  OPENFILENAMEA dialog = FileDialog(filter, folder, path, OFN_FILEMUSTEXIST);
  if (GetOpenFileNameA(&dialog)) ShowPictureFile(path);
}

bool SavePicture(const std::string& path, SaveFormat format) {
  const DibHeader* picture = g_viewer.shown.Picture();
  if (format == SaveFormat::Bmp) return WriteBmpFile(path.c_str(), picture);
  return WriteWithWic(path.c_str(), picture, format);
}

void SaveWithDialog() {
  if (!g_viewer.shown.Picture()) return;
  std::vector<SaveFormat> types = {SaveFormat::Bmp};
  std::string filter = LoadText(IDS_SAVE_FILTER_BMP) + '\0' + "*.bmp" + '\0';
  if (WicEncoderAvailable(SaveFormat::Png)) {
    types.push_back(SaveFormat::Png);
    filter += LoadText(IDS_SAVE_FILTER_PNG) + '\0' + "*.png" + '\0';
  }
  if (WicEncoderAvailable(SaveFormat::Jpeg)) {
    types.push_back(SaveFormat::Jpeg);
    filter += LoadText(IDS_SAVE_FILTER_JPEG) + '\0' + "*.jpg" + '\0';
  }
  char path[MAX_PATH] = {};
  std::string name = NameOf(g_viewer.shown.Path());
  name = name.substr(0, name.find_last_of('.'));
  std::snprintf(path, sizeof path, "%s", name.c_str());
  std::string folder = FolderOf(g_viewer.shown.Path());
  OPENFILENAMEA dialog = FileDialog(filter, folder, path, OFN_OVERWRITEPROMPT);
  if (!GetSaveFileNameA(&dialog)) return;
  size_t typeIndex = dialog.nFilterIndex >= 1 ? dialog.nFilterIndex - 1 : 0;
  std::string chosen = path;
  SaveFormat format = FormatForName(&chosen, types[typeIndex < types.size() ? typeIndex : 0]);
  if (!SavePicture(chosen, format)) Tell(FormatText(IDS_SAVE_FAILED, NameOf(chosen).c_str()));
}

// ---- Filters and undo ----------------------------------------------------------------

// The filter reads Escape itself (to stop the run) while no message is
// taken from the queue: keys pressed meanwhile would otherwise be taken as
// commands afterwards, Escape closing the viewer and Ctrl+F running again.
void DiscardKeysPressedDuringRun() {
  MSG key;
  while (PeekMessageA(&key, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
  }
}

void RunFilter() {
  if (!g_viewer.shown.Picture() || !g_viewer.filters.Loaded() || g_viewer.filterRunning) return;
  // The picture as it is now becomes the undo copy only if the run applies:
  // a run that is cancelled, fails, crashes or is stopped keeps the old one.
  PackedDibPtr before(CopyPackedDib(g_viewer.shown.Picture()));
  if (!before) {  // a run that could not be undone is not started
    Tell(LoadText(IDS_NO_MEMORY_TO_UNDO));
    return;
  }
  g_viewer.filterRunning = true;
  FilterRunResult result = g_viewer.filters.Run(g_viewer.frame, g_viewer.shown.Picture());
  g_viewer.filterRunning = false;
  DiscardKeysPressedDuringRun();
  if (result.outcome == FilterOutcome::Applied) g_viewer.shown.SetUndoCopy(std::move(before));
  SetStatus("");
  RefreshViewPicture(g_viewer.view);
  g_viewer.filters.Prepare(g_viewer.frame);  // the runner of the next run
}

void Undo() {
  if (g_viewer.filterRunning || !g_viewer.shown.CanUndo()) return;
  SetViewPicture(g_viewer.view, nullptr);
  g_viewer.shown.Undo();
  SetViewPicture(g_viewer.view, g_viewer.shown.Picture());
  UpdateWindow(g_viewer.view);
}

void PrepareFilterMenu(HMENU menu) {
  std::string title = g_viewer.filters.Loaded() ? g_viewer.filters.Title() + "\tCtrl+F"
                                                : LoadText(IDS_NO_FILTER_LIBRARY);
  ModifyMenuA(menu, IDM_RUN_FILTER, MF_BYCOMMAND | MF_STRING, IDM_RUN_FILTER, title.c_str());
}

// A module with several filters lists them under the run command, each by
// its own title; the one checked is the one Ctrl+F runs.
void ListModuleFilters(HMENU menu) {
  if (GetMenuState(menu, IDM_RUN_FILTER, MF_BYCOMMAND) == UINT(-1)) return;  // another popup
  for (UINT id = IDM_FILTER_ENTRY_FIRST; id <= IDM_FILTER_ENTRY_LAST; ++id)
    DeleteMenu(menu, id, MF_BYCOMMAND);
  std::vector<FilterChoice> filters = g_viewer.filters.Filters();
  if (filters.size() < 2) return;
  for (size_t i = 0; i < filters.size(); ++i) {
    UINT flags = MF_STRING | (filters[i].runnable && !g_viewer.filterRunning ? 0 : MF_GRAYED) |
                 (int32_t(i) == g_viewer.filters.ChosenFilter() ? MF_CHECKED : 0);
    std::string title = filters[i].title.empty() ? "#" + std::to_string(i + 1) : filters[i].title;
    AppendMenuA(menu, flags, IDM_FILTER_ENTRY_FIRST + i, title.c_str());
  }
}

void EnableCommands(HMENU menu) {
  bool shown = g_viewer.shown.Picture() != nullptr, idle = !g_viewer.filterRunning;
  auto enable = [menu](UINT id, bool on) {
    EnableMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
  };
  enable(IDM_SAVE_AS, shown);
  enable(IDM_NEXT, !g_viewer.shown.Path().empty());
  enable(IDM_PREVIOUS, !g_viewer.shown.Path().empty());
  enable(IDM_UNDO, idle && g_viewer.shown.CanUndo());
  enable(IDM_CHOOSE_FILTER, idle && g_viewer.filters.Loaded());
  enable(IDM_RUN_FILTER, idle && shown && g_viewer.filters.Loaded());
  CheckMenuItem(menu, IDM_FIT, MF_BYCOMMAND | (IsViewFitted(g_viewer.view) ? MF_CHECKED : 0));
  ListModuleFilters(menu);
}

// ---- The frame window ------------------------------------------------------------------

void OnCommand(WORD command) {
  // The viewer's messages are dispatched while a filter runs; a command
  // then could free the picture the run's result is copied into.
  if (g_viewer.filterRunning) return;
  switch (command) {
    case IDM_OPEN: OpenWithDialog(); break;
    case IDM_SAVE_AS: SaveWithDialog(); break;
    case IDM_NEXT: Walk(+1); break;
    case IDM_PREVIOUS: Walk(-1); break;
    case IDM_CLOSE: DestroyWindow(g_viewer.frame); break;
    case IDM_UNDO: Undo(); break;
    case IDM_FIT: SetViewFitted(g_viewer.view, !IsViewFitted(g_viewer.view)); break;
    case IDM_CHOOSE_FILTER:
      if (!g_viewer.filterRunning) g_viewer.filters.Choose(g_viewer.frame);
      g_viewer.filters.Prepare(g_viewer.frame);
      break;
    case IDM_RUN_FILTER: RunFilter(); break;
    default:
      if (command >= IDM_FILTER_ENTRY_FIRST && command <= IDM_FILTER_ENTRY_LAST &&
          !g_viewer.filterRunning) {
        g_viewer.filters.ChooseFilter(command - IDM_FILTER_ENTRY_FIRST);
        RunFilter();
      }
  }
}

// The status protocol: 3 and 8 progress in percent, 14 and 15 a text, 0 the end.
void OnStatusMessage(WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case kStatusRestore: SetStatus(""); break;
    case kStatusProgress:
    case kStatusProgressToo:
      SetStatus(FormatText(g_viewer.filterRunning ? IDS_PROGRESS : IDS_READ_PROGRESS, int(lParam)));
      break;
    case kStatusShowText:
    case kStatusShowAndKeepText:
      if (lParam) SetStatus(reinterpret_cast<const char*>(lParam));
      break;
  }
}

void LayOut(int width, int height) {
  SendMessageA(g_viewer.status, WM_SIZE, 0, 0);
  RECT bar;
  GetWindowRect(g_viewer.status, &bar);
  int barHeight = bar.bottom - bar.top;
  MoveWindow(g_viewer.view, 0, 0, width, height > barHeight ? height - barHeight : 0, TRUE);
}

void OnCreate(HWND frame) {
  g_viewer.frame = frame;
  g_windows.main = frame;
  g_windows.statusBar = frame;  // the readers' status messages come here
  g_viewer.view = CreatePictureView(frame, g_viewer.instance, kViewId);
  g_viewer.status =
      CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, frame,
                      reinterpret_cast<HMENU>(INT_PTR(kStatusId)), g_viewer.instance, nullptr);
  g_viewer.extensionLists = ReaderExtensionLists();
  g_viewer.filters.Load(std::string(g_app.programFolder) + "8bfkvt.dll");
  g_viewer.filters.Prepare(frame);
  PrepareFilterMenu(GetMenu(frame));
}

LRESULT CALLBACK ViewerFrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: OnCreate(frame); return 0;
    case WM_SIZE: LayOut(LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wParam)); return 0;
    case WM_INITMENUPOPUP: EnableCommands(reinterpret_cast<HMENU>(wParam)); return 0;
    case WM_USER: OnStatusMessage(wParam, lParam); return 0;
    case WM_MOUSEWHEEL: ScrollViewByWheel(g_viewer.view, GET_WHEEL_DELTA_WPARAM(wParam)); return 0;
    case WM_DESTROY:
      SetViewPicture(g_viewer.view, nullptr);
      g_viewer.shown.Show("", nullptr);
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(frame, message, wParam, lParam);
}

}  // namespace

bool RegisterViewerFrameClass(HINSTANCE instance) {
  g_viewer.instance = instance;
  WNDCLASSA windowClass = {};
  windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  windowClass.lpfnWndProc = ViewerFrameProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VIEWER));
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kViewerFrameClass;
  return RegisterClassA(&windowClass) != 0;
}

HWND CreateViewerFrame(HINSTANCE instance) {
  HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_VIEWER_MENU));
  return CreateWindowExA(WS_EX_OVERLAPPEDWINDOW, kViewerFrameClass, LoadText(IDS_APP_TITLE).c_str(),
                         WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT, 800,
                         600, nullptr, menu, instance, nullptr);
}

void OpenPictureFile(const char* path) { ShowPictureFile(path); }
