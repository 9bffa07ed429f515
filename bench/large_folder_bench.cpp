// How the browser's cost follows the screen rather than the folder, under
// Wine: the same measurements on a folder of 100 pictures and on folders of
// 10,240, side by side. Usage:
//   large_folder_bench SMALL_FOLDER LARGE_FOLDER OTHER_LARGE_FOLDER READER.dll...
// Each folder path ends in a backslash. Prints the median of three runs.
#include <windows.h>
// commctrl.h and psapi.h after the types of windows.h.
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "folder_tree/folder_tree.h"
#include "tests/e2e/browser_driver.h"

namespace {

using bench::Clock;
using bench::SecondsSince;

struct Figures {
  double firstPage = 0;    // launch to the last thumbnail of the first page
  double otherFolder = 0;  // choosing another folder until the grid answers again
  double selectAll = 0;    // Ctrl+A's command, handled and painted
  double reload = 0;       // the same folder listed again (a sort order chosen)
  double toTheEnd = 0;     // jump to the end until its thumbnails are made
  double memoryMb = 0;     // working set after the first page
  int windows = 0;         // windows of the process after the first page
  int userObjects = 0;     // USER objects, where the system counts them
};

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

int ProcessWindows(const e2e::Browser& browser) {
  int count = 1;  // the main window itself
  EnumChildWindows(browser.Main(), CountWindow, LPARAM(&count));
  return count;
}

int UserObjects(DWORD processId) {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId);
  int count = process ? int(GetGuiResources(process, GR_USEROBJECTS)) : 0;
  if (process) CloseHandle(process);
  return count;
}

bool WaitForShownThumbnails(const e2e::Browser& browser, int milliseconds = 120000) {
  return e2e::WaitFor([&] { return browser.ShownThumbnailsPainted(); }, milliseconds);
}

// The tree opens to the current folder once the first thumbnails are in:
// waits for that, so that the figures after it do not include it. Before it
// the tree holds its root alone; a message answered after the first children
// appear means the opening has ended.
void WaitForTreeOpened(const e2e::Browser& browser) {
  HWND tree = GetDlgItem(browser.Main(), kTreeId);
  if (!e2e::WaitFor([&] { return SendMessageA(tree, TVM_GETCOUNT, 0, 0) > 1; }, 10000))
    std::fprintf(stderr, "the folder tree did not open: the figures may include its opening\n");
  SendMessageA(browser.Main(), WM_NULL, 0, 0);
}

void ChooseRecentFolder(const e2e::Browser& browser, int index) {
  HWND toolbar = FindWindowExA(browser.Main(), nullptr, "#32770", nullptr);
  HWND list = GetDlgItem(toolbar, 101);
  SendMessageA(list, CB_SETCURSEL, WPARAM(index), 0);
  SendMessageA(toolbar, WM_COMMAND, MAKEWPARAM(101, CBN_SELCHANGE), LPARAM(list));
}

Figures Measure(const std::string& folder, const std::string& other,
                const std::vector<std::string>& readers) {
  Figures figures;
  e2e::Browser browser(readers);
  browser.RememberFolders({folder, other});
  browser.WriteSettings(192, 1, 0, 0, 1000, 720);
  Clock::time_point start = Clock::now();
  if (!browser.Start() || !WaitForShownThumbnails(browser)) return figures;
  figures.firstPage = SecondsSince(start);
  figures.memoryMb = browser.WorkingSetMegabytes();
  figures.windows = ProcessWindows(browser);
  figures.userObjects = UserObjects(browser.ProcessId());
  WaitForTreeOpened(browser);

  start = Clock::now();
  SendMessageA(browser.Main(), WM_COMMAND, 202 /* select all */, 0);
  figures.selectAll = SecondsSince(start);
  SendMessageA(browser.Main(), WM_COMMAND, 205 /* deselect all */, 0);

  start = Clock::now();
  SendMessageA(browser.Main(), WM_COMMAND, 700 /* sort by name */, 0);
  figures.reload = SecondsSince(start);

  start = Clock::now();
  SendMessageA(browser.Grid(), WM_VSCROLL, SB_BOTTOM, 0);
  if (WaitForShownThumbnails(browser)) figures.toTheEnd = SecondsSince(start);

  start = Clock::now();
  ChooseRecentFolder(browser, 1);  // returns once the new listing is laid out
  figures.otherFolder = SecondsSince(start);
  return figures;
}

template <typename Field>
double Median(std::vector<Figures> runs, Field field) {
  std::vector<double> values;
  for (const Figures& run : runs) values.push_back(double(run.*field));
  return bench::Median(values);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: large_folder_bench SMALL LARGE OTHER_LARGE READER.dll...\n");
    return 2;
  }
  std::vector<std::string> readers(argv + 4, argv + argc);
  const int kRuns = 3;
  std::vector<Figures> small, large;
  for (int run = 0; run < kRuns; ++run) {
    small.push_back(Measure(argv[1], argv[3], readers));
    large.push_back(Measure(argv[2], argv[3], readers));
  }
  struct Row {
    const char* what;
    double Figures::*field;
    const char* unit;
  };
  const Row rows[] = {{"launch to the first page of thumbnails", &Figures::firstPage, "s"},
                      {"another folder of 10,240 files laid out", &Figures::otherFolder, "s"},
                      {"select all (Ctrl+A)", &Figures::selectAll, "s"},
                      {"the same folder listed again (sort order)", &Figures::reload, "s"},
                      {"jump to the end until its thumbnails show", &Figures::toTheEnd, "s"},
                      {"working set after the first page", &Figures::memoryMb, "MB"}};
  std::printf("median of %d runs, window 1000 x 720, medium thumbnails\n", kRuns);
  std::printf("%-44s %12s %12s %8s\n", "", "100 files", "10,240 files", "ratio");
  for (const Row& row : rows) {
    double a = Median(small, row.field), b = Median(large, row.field);
    std::printf("%-44s %10.3f %s %10.3f %s %8.2f\n", row.what, a, row.unit, b, row.unit,
                a > 0 ? b / a : 0.0);
  }
  std::printf("%-44s %12d %12d\n", "windows of the process", small[0].windows, large[0].windows);
  std::printf("%-44s %12d %12d%s\n", "USER objects (GetGuiResources)", small[0].userObjects,
              large[0].userObjects,
              small[0].userObjects == 0 ? "   (not counted by this system)" : "");
  return 0;
}
