#include "browser_driver.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "platform/scoped_handles.h"

using namespace testing_support;

namespace e2e {

namespace {

constexpr COLORREF kCellColour = RGB(0x75, 0x9E, 0xD0);
constexpr COLORREF kSelectedColour = RGB(0x37, 0x79, 0xFF);

void SendKey(WORD key, bool down) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = WORD(MapVirtualKeyA(key, 0 /* MAPVK_VK_TO_VSC */));
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &input, sizeof input);
  Sleep(50);
}

// Presses or releases a modifier on the X server itself (through xdotool, a
// Unix program that Wine starts directly): Wine takes the modifier state of
// mouse events from X, so a modifier sent with SendInput alone would be
// undone by the next click.
void SendModifier(WORD key, bool down) {
  RunXdotool(std::string(down ? "keydown " : "keyup ") + (key == VK_SHIFT ? "shift" : "ctrl"));
  SendKey(key, down);
}

struct WindowSearch {
  DWORD process;
  HWND found;
};

BOOL CALLBACK VisitWindow(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char className[32] = {};
  GetClassNameA(window, className, sizeof className);
  if (process != search->process || std::strcmp(className, "main_class_name") != 0) return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace

void RunUnixProgram(std::string command) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &process)) {
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
}

void RunXdotool(const std::string& arguments) { RunUnixProgram("/usr/bin/xdotool " + arguments); }

bool WaitFor(const std::function<bool()>& condition, int milliseconds, int stepMs) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < DWORD(milliseconds);) {
    if (condition()) return true;
    Sleep(DWORD(stepMs));
  }
  return condition();
}

HWND VisibleWindow(const char* className, const char* title) {
  HWND window = FindWindowA(className, title);
  return window && IsWindowVisible(window) ? window : nullptr;
}

HWND WaitForShownWindow(const char* className, const char* title, int milliseconds) {
  HWND window = nullptr;
  WaitFor([&] { return (window = VisibleWindow(className, title)) != nullptr; }, milliseconds);
  return window;
}

void SendMouse(DWORD flags, DWORD data) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  input.mi.mouseData = data;
  SendInput(1, &input, sizeof input);
}

void MoveTo(POINT p) {
  SetCursorPos(p.x, p.y);
  SendMouse(MOUSEEVENTF_MOVE);
  Sleep(30);
}

void ClickAt(POINT p, WORD modifier) {
  if (modifier) SendModifier(modifier, true);
  MoveTo(p);
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  Sleep(60);
  SendMouse(MOUSEEVENTF_LEFTUP);
  Sleep(60);
  if (modifier) SendModifier(modifier, false);
  Sleep(150);
}

Browser::Browser(const std::vector<std::string>& readerPaths) {
  platform::MakeFolder((program_ / "file_r").c_str());
  CopyFileBytes(platform::ExecutableFolder() + "..\\ral.exe", program_ / "ral.exe");
  if (readerPaths.empty()) {
    CopyFileBytes(FixturePlugin("reader_tpic"), program_ / "file_r\\tpic.dll");
    return;
  }
  for (const std::string& reader : readerPaths)
    CopyFileBytes(reader, program_ / ("file_r\\" + reader.substr(reader.find_last_of('\\') + 1)));
}

Browser::~Browser() { Close(); }

void Browser::AddPictures(const std::vector<Picture>& pictures) {
  for (const Picture& p : pictures)
    WriteAll(pictures_ / p.name, SolidPicture(40, 30, p.rgb).Bytes());
}

void Browser::RememberPicturesFolder() { RememberFolders({pictures_.Path()}); }

void Browser::RememberFolders(const std::vector<std::string>& folders) {
  std::vector<uint8_t> history(25700, 0);  // 100 slots of 256 bytes, 100 spare
  for (size_t i = 0; i < folders.size() && i < 100; ++i)
    std::memcpy(&history[i * 256], folders[i].data(), std::min<size_t>(folders[i].size(), 255));
  WriteAll(program_ / "phist.dat", history);
}

void Browser::WriteSettings(int treeWidth, int thumbSize, int x, int y, int width, int height,
                            int sortOrder) {
  int32_t fields[10] = {treeWidth,
                        1,
                        thumbSize,
                        0,
                        (y & 0xFFFF) << 16 | (x & 0xFFFF),
                        (height & 0xFFFF) << 16 | (width & 0xFFFF),
                        0,
                        sortOrder,
                        0,
                        0};
  WriteAll(program_ / "eenv.env", std::vector<uint8_t>(reinterpret_cast<uint8_t*>(fields),
                                                       reinterpret_cast<uint8_t*>(fields) + 40));
}

bool Browser::Start(int stepMs) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  std::string exe = program_ / "ral.exe";
  std::string command = "\"" + exe + "\"";
  if (!CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                      pictures_.Path().c_str(), &startup, &process_))
    return false;
  // Answering a message means the message loop runs: placement and first
  // listing are done.
  return WaitFor(
      [&] {
        main_ = FindMainWindow();
        DWORD_PTR result;
        return main_ && IsWindowVisible(main_) && Grid() &&
               SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_BLOCK, 1000, &result);
      },
      20000, stepMs);
}

double Browser::WorkingSetMegabytes() const {
  HANDLE process =
      OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process_.dwProcessId);
  PROCESS_MEMORY_COUNTERS counters = {};
  double mb = 0;
  if (process && GetProcessMemoryInfo(process, &counters, sizeof counters))
    mb = double(counters.WorkingSetSize) / (1024 * 1024);
  if (process) CloseHandle(process);
  return mb;
}

bool Browser::Close() {
  if (!process_.hProcess) return true;
  if (main_) PostMessageA(main_, WM_CLOSE, 0, 0);
  bool ended = WaitForSingleObject(process_.hProcess, 15000) == WAIT_OBJECT_0;
  if (!ended) TerminateProcess(process_.hProcess, 1);
  CloseHandle(process_.hProcess);
  CloseHandle(process_.hThread);
  process_ = {};
  main_ = nullptr;
  return ended;
}

bool Browser::Activate() const {
  return WaitFor(
      [&] {
        SetForegroundWindow(main_);
        return GetForegroundWindow() == main_;
      },
      3000);
}

HWND Browser::Grid() const { return main_ ? GetDlgItem(main_, 101) : nullptr; }
HWND Browser::Cell(int index) const { return Grid() ? GetDlgItem(Grid(), index) : nullptr; }

int Browser::CellCount() const {
  int n = 0;
  while (Cell(n)) ++n;
  return n;
}

int Browser::ThumbnailsMade() const {
  int made = 0;
  platform::DirSearch search;
  platform::FoundFile found;
  for (bool more = search.First((program_ / "cache24\\*.tmp").c_str(), &found); more;
       more = search.Next(&found))
    ++made;
  return made;
}

bool Browser::WaitForThumbnails(int count, int milliseconds) {
  if (!WaitFor([&] { return ThumbnailsMade() >= count; }, milliseconds)) return false;
  // The last cell's repaint, and the folder tree opening at start-up once
  // the shown thumbnails are in, which holds the window for a moment.
  Sleep(700);
  return true;
}

POINT Browser::CellPoint(int index, int dx, int dy) const {
  RECT rect;
  GetWindowRect(Cell(index), &rect);
  return {rect.left + dx, rect.top + dy};
}

POINT Browser::CellCentre(int index) const {
  RECT rect;
  GetWindowRect(Cell(index), &rect);
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2 - 8};
}

COLORREF Browser::ScreenPixel(POINT p) {
  HDC screen = GetDC(nullptr);
  COLORREF colour = GetPixel(screen, p.x, p.y);
  ReleaseDC(nullptr, screen);
  return colour;
}

bool Browser::IsSelected(int index) const {
  return ScreenPixel(CellPoint(index, 3, 3)) == kSelectedColour;
}

bool Browser::IsUnselected(int index) const {
  return ScreenPixel(CellPoint(index, 3, 3)) == kCellColour;
}

namespace {

// A copy of part of the screen, read in memory: under Wine each GetPixel of
// the screen is a round trip to the display server, which a poll of every
// cell would pay once per cell.
class ScreenCopy {
 public:
  explicit ScreenCopy(const RECT& area) : area_(area) {
    int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    platform::WindowDC screen(nullptr);
    memory_.Reset(CreateCompatibleDC(screen));
    void* bits = nullptr;
    bitmap_.Reset(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!memory_ || !bitmap_) return;
    platform::Selected selected(memory_.Get(), bitmap_.Get());
    if (BitBlt(memory_.Get(), 0, 0, width, height, screen, area.left, area.top, SRCCOPY))
      bits_ = static_cast<const uint32_t*>(bits);
  }

  // The colour at a screen point inside the area; CLR_INVALID elsewhere.
  COLORREF Pixel(POINT p) const {
    if (!bits_ || !PtInRect(&area_, p)) return CLR_INVALID;
    uint32_t bgra = bits_[(p.y - area_.top) * (area_.right - area_.left) + (p.x - area_.left)];
    return RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF);
  }

 private:
  RECT area_;
  platform::ScopedMemoryDC memory_;
  platform::ScopedGdiObject<HBITMAP> bitmap_;
  const uint32_t* bits_ = nullptr;
};

}  // namespace

std::vector<POINT> Browser::ShownCellCentres() const {
  RECT grid;
  GetClientRect(Grid(), &grid);
  MapWindowPoints(Grid(), nullptr, reinterpret_cast<POINT*>(&grid), 2);
  std::vector<POINT> centres;
  for (int entry : ShownCells()) {
    POINT centre = CellCentre(entry);
    // A centre below the grid's edge shows whatever lies there, not the cell.
    if (PtInRect(&grid, centre)) centres.push_back(centre);
  }
  return centres;
}

bool Browser::ThumbnailsPaintedAt(const std::vector<POINT>& centres) {
  if (centres.empty()) return false;
  RECT area = {centres[0].x, centres[0].y, centres[0].x + 1, centres[0].y + 1};
  for (POINT p : centres) {
    area.left = std::min(area.left, p.x);
    area.top = std::min(area.top, p.y);
    area.right = std::max(area.right, p.x + 1);
    area.bottom = std::max(area.bottom, p.y + 1);
  }
  ScreenCopy screen(area);
  for (POINT p : centres)
    if (screen.Pixel(p) == kCellColour) return false;
  return true;
}

bool Browser::ShownThumbnailsPainted() const {
  return !ShownCells().empty() && ThumbnailsPaintedAt(ShownCellCentres());
}

std::vector<int> Browser::SelectedCells() const {
  std::vector<int> selected;
  for (int i : ShownCells())
    if (IsSelected(i)) selected.push_back(i);
  return selected;
}

namespace {

BOOL CALLBACK VisitCell(HWND window, LPARAM context) {
  char className[32] = {};
  GetClassNameA(window, className, sizeof className);
  if (std::strcmp(className, "list_class") == 0)
    reinterpret_cast<std::vector<int>*>(context)->push_back(GetDlgCtrlID(window));
  return TRUE;
}

}  // namespace

std::vector<int> Browser::ShownCells() const {
  std::vector<int> entries;
  if (Grid()) EnumChildWindows(Grid(), VisitCell, LPARAM(&entries));
  std::sort(entries.begin(), entries.end());
  return entries;
}

int Browser::Columns() const {
  std::vector<int> shown = ShownCells();
  if (shown.empty()) return 0;
  RECT first;
  GetWindowRect(Cell(shown[0]), &first);
  int n = 0;
  for (RECT r; Cell(shown[0] + n) && GetWindowRect(Cell(shown[0] + n), &r) && r.top == first.top;)
    ++n;
  return n;
}

int Browser::TopRow() const {
  std::vector<int> shown = ShownCells();
  int columns = Columns();
  if (shown.empty() || columns == 0) return -1;
  RECT grid, first;
  GetClientRect(Grid(), &grid);
  MapWindowPoints(Grid(), nullptr, reinterpret_cast<POINT*>(&grid), 2);
  GetWindowRect(Cell(shown[0]), &first);
  // The first cell on screen starts a row at the grid's top edge.
  if (first.top != grid.top || shown[0] % columns != 0) return -1;
  return shown[0] / columns;
}

int Browser::VisibleCells() const {
  RECT client;
  GetClientRect(Grid(), &client);
  int visible = 0;
  for (int i = 0; Cell(i); ++i) {
    RECT cell;
    GetWindowRect(Cell(i), &cell);
    MapWindowPoints(nullptr, Grid(), reinterpret_cast<POINT*>(&cell), 2);
    if (cell.bottom > 0 && cell.top < client.bottom && cell.right > 0 && cell.left < client.right)
      ++visible;
  }
  return visible;
}

HWND Browser::FindMainWindow() const {
  WindowSearch search = {process_.dwProcessId, nullptr};
  EnumWindows(VisitWindow, LPARAM(&search));
  return search.found;
}

}  // namespace e2e
