#include "viewer/viewer_window.h"

// commctrl.h and commdlg.h after the types of windows.h.
#include <commctrl.h>
#include <commdlg.h>

#include <cstdarg>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "ui_draw/dpi_scale.h"
#include "ui_draw/window_dpi.h"
#include "viewer/bmp_file.h"
#include "viewer/filter_library.h"
#include "viewer/folder_walk.h"
#include "viewer/picture_read.h"
#include "viewer/picture_view.h"
#include "viewer/safe_save.h"
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
  std::string programFolder;  // ends in '\'
  ShownPicture shown;
  std::vector<std::string> extensionLists;  // of the readers, for the folder walk
  FilterLibrary filters;
  // A run uses the picture: nothing may free or replace it meanwhile.
  bool filterRunning = false;
  bool closeAfterRun = false;  // the user asked to close during the run
  bool asking = false;         // the save question is open
  HFONT statusFont = nullptr;  // the status line's, for a density it was not made at
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

void Tell(const std::string& text, UINT icon = MB_ICONINFORMATION) {
  MessageBoxA(g_viewer.frame, text.c_str(), LoadText(IDS_APP_TITLE).c_str(), icon);
}

// For a command that ran out of memory: no allocation of its own.
void TellWithoutMemory(UINT id) {
  char text[256] = {}, title[64] = {};
  LoadStringA(g_viewer.instance, id, text, sizeof text);
  LoadStringA(g_viewer.instance, IDS_APP_TITLE, title, sizeof title);
  MessageBoxA(g_viewer.frame, text, title, MB_ICONWARNING);
}

// ---- The shown picture -------------------------------------------------------------

void UpdateTitle() {
  const DibHeader* picture = g_viewer.shown.Picture();
  std::string name = NameOf(g_viewer.shown.Path());
  std::string title;
  UINT format = g_viewer.shown.Edited() ? IDS_TITLE_EDITED_FORMAT : IDS_TITLE_FORMAT;
  if (picture)
    title = FormatText(format, name.c_str(), int(picture->biWidth), int(picture->biHeight));
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

bool SaveWithDialog();

// The system's own buttons speak the system's language; the question's
// speak the viewer's. Set while the box is activated, on this thread only.
HHOOK g_answerHook = nullptr;

LRESULT CALLBACK NameAnswers(int code, WPARAM wParam, LPARAM lParam) {
  char className[8] = {};
  HWND box = reinterpret_cast<HWND>(wParam);
  // Only the box: the frame is activated again before the box returns, and
  // its children's numbers are not the box's. No allocation: nothing may
  // throw out of a hook.
  if (code == HCBT_ACTIVATE && GetClassNameA(box, className, sizeof className) &&
      lstrcmpA(className, "#32770") == 0) {
    const UINT answers[][2] = {
        {IDYES, IDS_ANSWER_YES}, {IDNO, IDS_ANSWER_NO}, {IDCANCEL, IDS_ANSWER_CANCEL}};
    for (const auto& answer : answers) {
      char name[32] = {};
      if (LoadStringA(g_viewer.instance, answer[1], name, sizeof name) > 0)
        SetDlgItemTextA(box, int(answer[0]), name);
    }
  }
  return CallNextHookEx(g_answerHook, code, wParam, lParam);
}

int AskToSave() {
  std::string question = FormatText(IDS_SAVE_QUESTION, NameOf(g_viewer.shown.Path()).c_str());
  g_answerHook = SetWindowsHookExA(WH_CBT, NameAnswers, nullptr, GetCurrentThreadId());
  int answer = MessageBoxA(g_viewer.frame, question.c_str(), LoadText(IDS_APP_TITLE).c_str(),
                           MB_YESNOCANCEL | MB_ICONQUESTION);
  if (g_answerHook) UnhookWindowsHookEx(g_answerHook);
  g_answerHook = nullptr;
  return answer;
}

// True when the shown picture may be dropped: it holds no edit, or the user
// saved it or chose to drop the edit. Oui saves through the save dialog;
// a save that is cancelled or fails keeps the picture.
bool MayDropPicture() {
  if (!g_viewer.shown.Edited()) return true;
  if (g_viewer.asking) return false;  // a second request while the question is open
  // Cleared however the question ends, by an exception too.
  struct QuestionOpen {
    QuestionOpen() { g_viewer.asking = true; }
    ~QuestionOpen() { g_viewer.asking = false; }
  } open;
  int answer = AskToSave();
  return answer == IDNO || (answer == IDYES && SaveWithDialog());
}

void Walk(int step) {
  if (g_viewer.shown.Path().empty()) return;
  std::string neighbour = NeighbourPicture(g_viewer.shown.Path(), step, g_viewer.extensionLists);
  if (!neighbour.empty() && MayDropPicture()) ShowPictureFile(neighbour);
}

// Up and Down scroll the picture at 100 %; in the fitted view, where there
// is nothing to scroll, they walk the folder as they always did.
void LineOrWalk(int step) {
  if (IsViewFitted(g_viewer.view))
    Walk(step);
  else
    SendMessageA(g_viewer.view, WM_VSCROLL, step < 0 ? SB_LINEUP : SB_LINEDOWN, 0);
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
  if (!MayDropPicture()) return;
  char path[MAX_PATH] = {};
  std::string filter = OpenFilterList();
  std::string folder = FolderOf(g_viewer.shown.Path());
  OPENFILENAMEA dialog = FileDialog(filter, folder, path, OFN_FILEMUSTEXIST);
  if (GetOpenFileNameA(&dialog)) ShowPictureFile(path);
}

UINT ProblemText(SaveProblem problem) {
  switch (problem) {
    case SaveProblem::InUse: return IDS_SAVE_IN_USE;
    case SaveProblem::AccessDenied: return IDS_SAVE_DENIED;
    case SaveProblem::DiskFull: return IDS_SAVE_DISK_FULL;
    case SaveProblem::NoMemory: return IDS_SAVE_NO_MEMORY;
    case SaveProblem::Unsupported: return IDS_SAVE_UNSUPPORTED;
    default: return IDS_SAVE_WRITE_FAILED;
  }
}

// Writes the picture beside `path` and only then puts it in its place, so a
// failure leaves an existing file as it was; says why when it fails.
bool SavePicture(const std::string& path, SaveFormat format) {
  const DibHeader* picture = g_viewer.shown.Picture();
  bool existed = platform::FileExists(path.c_str());
  SaveProblem problem = SaveThroughTemporary(
      path,
      [&](const std::string& temporary) {
        return format == SaveFormat::Bmp ? WriteBmpFile(temporary.c_str(), picture)
                                         : WriteWithWic(temporary.c_str(), picture, format);
      },
      GetTickCount() ^ GetCurrentProcessId());
  if (problem == SaveProblem::None) return true;
  std::string text =
      FormatText(IDS_SAVE_FAILED, NameOf(path).c_str()) + "\n" + LoadText(ProblemText(problem));
  if (existed) text += "\n" + LoadText(IDS_SAVE_ORIGINAL_KEPT);
  Tell(text, MB_ICONWARNING);
  return false;
}

// True when the picture was saved (the edit is then kept in that file).
bool SaveWithDialog() {
  if (!g_viewer.shown.Picture()) return false;
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
  if (!GetSaveFileNameA(&dialog)) return false;
  size_t typeIndex = dialog.nFilterIndex >= 1 ? dialog.nFilterIndex - 1 : 0;
  std::string chosen = path;
  SaveFormat format = FormatForName(&chosen, types[typeIndex < types.size() ? typeIndex : 0]);
  if (!SavePicture(chosen, format)) return false;
  g_viewer.shown.MarkSaved(platform::CompareNoCase(chosen.c_str(), g_viewer.shown.Path().c_str()) ==
                           0);
  UpdateTitle();
  return true;
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

// Marks the run for its whole length, whatever way it ends.
class RunInProgress {
 public:
  RunInProgress() { g_viewer.filterRunning = true; }
  ~RunInProgress() { g_viewer.filterRunning = false; }
  RunInProgress(const RunInProgress&) = delete;
  RunInProgress& operator=(const RunInProgress&) = delete;
};

FilterRunResult RunOverShownPicture(bool repeat) {
  RunInProgress running;
  try {
    return g_viewer.filters.Run(g_viewer.frame, g_viewer.shown.Picture(), repeat);
  } catch (...) {
    return FilterRunResult();  // failed, with the plain message
  }
}

// A cancelled run says nothing: the user asked for it.
void TellRunOutcome(const FilterRunResult& result) {
  switch (result.outcome) {
    case FilterOutcome::Applied:
    case FilterOutcome::Cancelled: break;
    case FilterOutcome::Failed:
      Tell(result.message.empty() ? LoadText(IDS_FILTER_FAILED)
                                  : FormatText(IDS_FILTER_FAILED_WITH, result.message.c_str()),
           MB_ICONWARNING);
      break;
    case FilterOutcome::Stopped: Tell(LoadText(IDS_FILTER_STOPPED), MB_ICONWARNING); break;
    case FilterOutcome::Crashed: Tell(LoadText(IDS_FILTER_CRASHED), MB_ICONWARNING); break;
  }
}

// A close asked for while a run (or a filter's about box) held the viewer is
// answered now, with the save question.
void AnswerCloseHeldDuringRun() {
  if (!g_viewer.closeAfterRun) return;
  g_viewer.closeAfterRun = false;
  PostMessageA(g_viewer.frame, WM_CLOSE, 0, 0);
}

// Only an applied run changes the picture and its undo copy; any other end
// gives back the picture, the undo copy and the edited mark of before.
// `repeat`: Ctrl+F, which plays the filter's last settings without a dialog
// the filter recorded as optional; the menu's command shows the dialog.
void RunFilter(bool repeat) {
  if (!g_viewer.shown.Picture() || !g_viewer.filters.Loaded() || g_viewer.filterRunning) return;
  if (!g_viewer.shown.BeginEdit()) {  // a run that could not be undone is not started
    Tell(LoadText(IDS_NO_MEMORY_TO_UNDO));
    return;
  }
  FilterRunResult result = RunOverShownPicture(repeat);
  DiscardKeysPressedDuringRun();
  PackedDib ran = g_viewer.shown.Picture();
  if (result.outcome == FilterOutcome::Applied)
    g_viewer.shown.CommitEdit();
  else
    g_viewer.shown.AbandonEdit();
  // The same block, changed in place, keeps the view's scroll position; a
  // picture put back in another block (nothing is drawn in between) is shown anew.
  if (g_viewer.shown.Picture() == ran)
    RefreshViewPicture(g_viewer.view);
  else
    SetViewPicture(g_viewer.view, g_viewer.shown.Picture());
  SetStatus("");
  UpdateTitle();
  g_viewer.filters.Prepare(g_viewer.frame);  // the runner of the next run
  TellRunOutcome(result);
  AnswerCloseHeldDuringRun();
}

// The chosen filter's about box; the runner owns the viewer meanwhile.
void ShowFilterAbout() {
  {
    RunInProgress showing;
    g_viewer.filters.About(g_viewer.frame);
  }
  AnswerCloseHeldDuringRun();
}

void Undo() {
  if (g_viewer.filterRunning || !g_viewer.shown.CanUndo()) return;
  SetViewPicture(g_viewer.view, nullptr);
  g_viewer.shown.Undo();
  SetViewPicture(g_viewer.view, g_viewer.shown.Picture());
  UpdateTitle();
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
  bool walkable = idle && !g_viewer.shown.Path().empty();
  enable(IDM_OPEN, idle);
  enable(IDM_SAVE_AS, idle && shown);
  enable(IDM_NEXT, walkable);
  enable(IDM_PREVIOUS, walkable);
  enable(IDM_CLOSE, idle);
  enable(IDM_UNDO, idle && g_viewer.shown.CanUndo());
  enable(IDM_CHOOSE_FILTER, idle && g_viewer.filters.Loaded());
  enable(IDM_RUN_FILTER, idle && shown && g_viewer.filters.Loaded());
  enable(IDM_ABOUT_FILTER, idle && g_viewer.filters.Loaded());
  CheckMenuItem(menu, IDM_FIT, MF_BYCOMMAND | (IsViewFitted(g_viewer.view) ? MF_CHECKED : 0));
  ListModuleFilters(menu);
}

// ---- The frame window ------------------------------------------------------------------

// While a run uses the picture only the view may change: every other
// command, from the menu, a key or another program, is ignored.
bool CommandAllowed(WORD command) { return !g_viewer.filterRunning || command == IDM_FIT; }

void OnCommand(WORD command, bool fromAccelerator) {
  if (!CommandAllowed(command)) return;
  switch (command) {
    case IDM_OPEN: OpenWithDialog(); break;
    case IDM_SAVE_AS: SaveWithDialog(); break;
    case IDM_NEXT: Walk(+1); break;
    case IDM_PREVIOUS: Walk(-1); break;
    case IDM_LINE_DOWN: LineOrWalk(+1); break;
    case IDM_LINE_UP: LineOrWalk(-1); break;
    case IDM_CLOSE: SendMessageA(g_viewer.frame, WM_CLOSE, 0, 0); break;
    case IDM_UNDO: Undo(); break;
    case IDM_FIT: SetViewFitted(g_viewer.view, !IsViewFitted(g_viewer.view)); break;
    case IDM_CHOOSE_FILTER:
      g_viewer.filters.Choose(g_viewer.frame);
      g_viewer.filters.Prepare(g_viewer.frame);  // the chosen module's runner
      break;
    case IDM_RUN_FILTER: RunFilter(fromAccelerator); break;
    case IDM_ABOUT_FILTER: ShowFilterAbout(); break;
    default:
      if (command >= IDM_FILTER_ENTRY_FIRST && command <= IDM_FILTER_ENTRY_LAST &&
          !g_viewer.filterRunning) {
        g_viewer.filters.ChooseFilter(command - IDM_FILTER_ENTRY_FIRST);
        RunFilter(false);  // a filter chosen from the menu shows its dialog
      }
  }
}

// A close during a run is answered once the run has ended.
void OnClose() {
  if (g_viewer.filterRunning)
    g_viewer.closeAfterRun = true;
  else if (MayDropPicture())
    DestroyWindow(g_viewer.frame);
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

// The window moved to a screen of another density: it takes the place and
// size the system suggests, and the status line takes the text size of that
// screen. The picture is shown pixel for pixel whatever the density.
void OnDpiChanged(HWND frame, WPARAM wParam, LPARAM lParam) {
  int32_t dpi = DpiOfChange(wParam);
  bool changed = dpi != CurrentDpi();
  SetCurrentDpi(dpi);
  if (changed) {
    // At the system's density the control's own font is the right one.
    HFONT font = dpi == SystemDpi() ? nullptr : CreateMessageFontForDpi(dpi);
    SendMessageA(g_viewer.status, WM_SETFONT, WPARAM(font), TRUE);
    if (g_viewer.statusFont) DeleteObject(g_viewer.statusFont);
    g_viewer.statusFont = font;
  }
  MoveToSuggestedRect(frame, lParam);
  RECT client;
  GetClientRect(frame, &client);
  LayOut(client.right, client.bottom);
}

void OnCreate(HWND frame) {
  g_viewer.frame = frame;
  SetCurrentDpi(WindowDpi(frame));
  g_viewer.view = CreatePictureView(frame, g_viewer.instance, kViewId);
  g_viewer.status =
      CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, frame,
                      reinterpret_cast<HMENU>(INT_PTR(kStatusId)), g_viewer.instance, nullptr);
  g_viewer.extensionLists = ReaderExtensionLists();
  g_viewer.filters.Load(g_viewer.programFolder + "8bfkvt.dll");
  g_viewer.filters.Prepare(frame);
  PrepareFilterMenu(GetMenu(frame));
}

LRESULT HandleFrameMessage(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: OnCreate(frame); return 0;
    case WM_SIZE: LayOut(LOWORD(lParam), HIWORD(lParam)); return 0;
    case kDpiChangedMessage: OnDpiChanged(frame, wParam, lParam); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam) == 1); return 0;
    case WM_INITMENUPOPUP: EnableCommands(reinterpret_cast<HMENU>(wParam)); return 0;
    case WM_USER: OnStatusMessage(wParam, lParam); return 0;
    case WM_MOUSEWHEEL: ScrollViewByWheel(g_viewer.view, GET_WHEEL_DELTA_WPARAM(wParam)); return 0;
    case WM_CLOSE: OnClose(); return 0;
    case WM_QUERYENDSESSION: return !g_viewer.filterRunning && MayDropPicture();
    case WM_DESTROY:
      SetViewPicture(g_viewer.view, nullptr);
      g_viewer.shown.Show("", nullptr);
      if (g_viewer.statusFont) {
        SendMessageA(g_viewer.status, WM_SETFONT, 0, FALSE);  // not left holding it
        DeleteObject(g_viewer.statusFont);
      }
      g_viewer.statusFont = nullptr;
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(frame, message, wParam, lParam);
}

// No exception leaves through the system: a command that runs out of memory
// ends with a message and leaves the picture as it was.
LRESULT CALLBACK ViewerFrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    return HandleFrameMessage(frame, message, wParam, lParam);
  } catch (const std::bad_alloc&) {
    TellWithoutMemory(IDS_NO_MEMORY);
  } catch (const std::exception&) {
    TellWithoutMemory(IDS_COMMAND_FAILED);
  }
  return 0;
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

HWND CreateViewerFrame(HINSTANCE instance, const std::string& programFolder) {
  g_viewer.programFolder = programFolder;
  HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_VIEWER_MENU));
  // 800 x 600 at 96 DPI; made at the system's density, the window has it
  // until it is moved to a screen of another.
  int32_t dpi = SystemDpi();
  return CreateWindowExA(WS_EX_OVERLAPPEDWINDOW, kViewerFrameClass, LoadText(IDS_APP_TITLE).c_str(),
                         WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                         ScaleForDpi(800, dpi), ScaleForDpi(600, dpi), nullptr, menu, instance,
                         nullptr);
}

void OpenPictureFile(const char* path) { ShowPictureFile(path); }
