#include "viewer/filter_library.h"

#include <cstdio>
#include <utility>

#include "runner/run_block.h"
#include "runner/runner_process.h"
#include "ui_draw/dpi_scale.h"
#include "viewer/host_lines.h"
#include "viewer/viewer_resource.h"

namespace {

constexpr char kStopWindowClass[] = "ondex_filter_run";

// FilterDescribeEntry's and FilterLastResult's answers.
constexpr int32_t kRunnable = 1, kNoSuchEntry = 0, kNotAFilter = -1, kNoRgbMode = -2,
                  kUnreadable = -3, kNoEntryPoint = -4, kPictureRefused = -5;
constexpr int32_t kApplied = 1, kCancelled = 2, kFilterFailed = 3, kRefused = 4;

std::string LoadText(UINT id) {
  char text[512] = {};
  int length = LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text);
  return std::string(text, length > 0 ? size_t(length) : 0);
}

FilterRunResult Refusal(int32_t reason) {
  UINT text = reason == kNotAFilter       ? IDS_FILTER_NOT_A_FILTER
              : reason == kNoRgbMode      ? IDS_FILTER_NO_RGB
              : reason == kUnreadable     ? IDS_FILTER_UNREADABLE
              : reason == kPictureRefused ? IDS_FILTER_PICTURE_REFUSED
                                          : IDS_FILTER_NO_ENTRY;
  FilterRunResult result;
  result.message = LoadText(text);
  result.code = reason;
  return result;
}

// ---- The small window that offers Stop during a run ---------------------------------

LRESULT CALLBACK StopWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* library = reinterpret_cast<const FilterLibrary*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if ((message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || message == WM_CLOSE) {
    if (library) library->Stop();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateStopWindow(HWND host, const FilterLibrary* library) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  static bool registered = false;
  if (!registered) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = StopWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kStopWindowClass;
    registered = RegisterClassA(&windowClass) != 0;
  }
  RECT frame = {};
  GetWindowRect(host, &frame);
  const int width = Scaled(260), height = Scaled(90);
  HWND window = CreateWindowExA(
      WS_EX_TOOLWINDOW, kStopWindowClass, LoadText(IDS_FILTER_STOP_TITLE).c_str(),
      WS_POPUP | WS_CAPTION | WS_SYSMENU, frame.right - width - Scaled(16),
      frame.bottom - height - Scaled(40), width, height, host, nullptr, instance, nullptr);
  if (!window) return nullptr;
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(library));
  HWND button = CreateWindowExA(0, "BUTTON", LoadText(IDS_FILTER_STOP_BUTTON).c_str(),
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, Scaled(50),
                                Scaled(12), Scaled(150), Scaled(28), window,
                                reinterpret_cast<HMENU>(INT_PTR(IDCANCEL)), instance, nullptr);
  SendMessageA(button, WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
  ShowWindow(window, SW_SHOWNOACTIVATE);
  return window;
}

bool ViewerIs64Bit() { return sizeof(void*) == 8; }

}  // namespace

FilterLibrary::FilterLibrary() : runner_(std::make_unique<RunnerProcess>()) {}
FilterLibrary::~FilterLibrary() = default;

bool FilterLibrary::Load(const std::string& path) {
  auto library = std::make_unique<platform::ScopedLibrary>(path.c_str());
  auto title = reinterpret_cast<TitleFn>(library->Export("FilterGetTitle"));
  auto option = reinterpret_cast<OptionFn>(library->Export("FilterOption"));
  auto run = reinterpret_cast<RunFn>(library->Export("FilterProc"));
  if (!title || !option || !run) return false;
  chosenModule_ = reinterpret_cast<ChosenModuleFn>(library->Export("FilterChosenModule"));
  describe_ = reinterpret_cast<DescribeFn>(library->Export("FilterDescribeEntry"));
  library_ = std::move(library);
  folder_ = path.substr(0, path.find_last_of('\\') + 1);
  title_ = title;
  option_ = option;
  run_ = run;
  return true;
}

std::string FilterLibrary::Title() const {
  if (!title_) return "";
  // The library copies a short title; the buffer is generous and its end is
  // kept as a terminator whatever it writes.
  char title[256] = {};
  int32_t value1 = 0, value2 = 0;
  title_(0, title, &value1, &value2);
  title[sizeof title - 1] = '\0';
  return title;
}

void FilterLibrary::Choose(HWND owner) const {
  if (!option_) return;
  option_(owner);
  entry_ = 0;
}

std::vector<FilterChoice> FilterLibrary::Filters() const {
  std::vector<FilterChoice> filters;
  if (!describe_) return filters;
  for (int32_t index = 0; index <= IDM_FILTER_ENTRY_LAST - IDM_FILTER_ENTRY_FIRST; ++index) {
    char name[256] = {};
    int32_t machine = 0;
    int32_t state = describe_(nullptr, index, name, sizeof name, &machine);
    if (state == kNoSuchEntry || state == kUnreadable) break;
    name[sizeof name - 1] = '\0';
    filters.push_back({name, state == kRunnable});
  }
  return filters;
}

FilterRunResult FilterLibrary::Run(HWND host, PackedDib picture, bool repeat) const {
  FilterRunResult result;
  if (!run_ || !picture || running_) return result;
  if (!chosenModule_ || !describe_) {  // an older library: the run stays in this process
    FilterHostImage image(picture);
    // Note the order FilterProc takes: the store cell before the read cell.
    if (run_(host, image.Size(), image.PutCell(), image.GetCell()) == 1)
      result.outcome = FilterOutcome::Applied;
    return result;
  }
  if (chosenModule_(nullptr, 0) == 0) option_(host);  // nothing chosen yet: ask
  std::string module, runner;
  int32_t state = kNoSuchEntry;
  if (!ChosenRunner(&module, &runner, &state)) {  // the user chose none
    result.outcome = FilterOutcome::Cancelled;
    return result;
  }
  if (state != kRunnable) return Refusal(state == kNoSuchEntry ? kNoEntryPoint : state);
  return RunInRunner(host, picture, module, runner, repeat);
}

bool FilterLibrary::ChosenRunner(std::string* module, std::string* runner, int32_t* state) const {
  char path[MAX_PATH] = {};
  if (!chosenModule_ || !describe_ || chosenModule_(path, sizeof path) <= 0) return false;
  char name[256];
  int32_t machine = 0;
  *state = describe_(path, entry_, name, sizeof name, &machine);
  *module = path;
  *runner = RunnerPathFor(folder_, uint16_t(machine), ViewerIs64Bit());
  return true;
}

void FilterLibrary::About(HWND host) const {
  std::string module, runner;
  int32_t state = kNoSuchEntry;
  if (running_ || !ChosenRunner(&module, &runner, &state) || state != kRunnable) return;
  PackedDibPtr dot(CreatePackedDib(1, 1, 24));  // the block carries a picture
  if (!dot || !runner_->Start(runner, host, dot.get(), module, entry_, kRunAbout)) return;
  running_ = true;
  runner_->WaitPumping(nullptr);
  running_ = false;
  if (IsWindow(host) && !IsWindowEnabled(host)) EnableWindow(host, TRUE);
  Prepare(host);  // the runner of the next run
}

void FilterLibrary::Prepare(HWND host) const {
  std::string module, runner;
  int32_t state = kNoSuchEntry;
  if (!running_ && ChosenRunner(&module, &runner, &state) && state == kRunnable)
    runner_->Prestart(runner, host);
}

FilterRunResult FilterLibrary::RunInRunner(HWND host, PackedDib picture, const std::string& module,
                                           const std::string& runner, bool repeat) const {
  FilterRunResult result;
  RunnerProcess& process = *runner_;
  // A picture no block can carry is refused as such, not as a missing runner.
  if (RunBlockBytes(picture->biWidth, picture->biHeight) == 0 || picture->biBitCount != 24)
    return Refusal(kPictureRefused);
  if (!process.Start(runner, host, picture, module, entry_, repeat ? kRunRepeat : 0)) {
    char text[1024];
    std::snprintf(text, sizeof text, LoadText(IDS_FILTER_NO_RUNNER).c_str(), runner.c_str());
    result.message = text;
    return result;
  }
  running_ = true;
  HWND stopWindow = CreateStopWindow(host, this);
  RunnerEnd end = process.WaitPumping(stopWindow);
  running_ = false;
  if (stopWindow) DestroyWindow(stopWindow);
  // A filter dialog owned by the viewer disables it; a runner ended under
  // its dialog cannot enable it again.
  if (IsWindow(host) && !IsWindowEnabled(host)) EnableWindow(host, TRUE);
  if (end == RunnerEnd::Stopped || !IsWindow(host)) result.outcome = FilterOutcome::Stopped;
  if (end == RunnerEnd::Crashed) result.outcome = FilterOutcome::Crashed;
  if (end != RunnerEnd::Finished || !IsWindow(host)) return result;
  const RunBlock* record = process.Record();
  switch (record->outcome) {
    case kApplied:
      if (process.CopyResultInto(picture)) result.outcome = FilterOutcome::Applied;
      break;
    case kCancelled: result.outcome = FilterOutcome::Cancelled; break;
    case kFilterFailed:
      result.message.assign(record->message, strnlen(record->message, sizeof record->message));
      result.code = record->code;
      break;
    case kRefused: return Refusal(record->code);
  }
  return result;
}

void FilterLibrary::Stop() const {
  if (running_) runner_->Stop();
}
