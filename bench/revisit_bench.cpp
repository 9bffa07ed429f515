// A folder seen before: the time from the listing to the last visible
// thumbnail at the first launch (an empty thumbnail store) and at the next
// launches of the same browser (the store filled by the first), under Wine
// with the shipped readers; the store's size per thumbnail; and the working
// set with the store and with it switched off. Medians of three browsers.
//   revisit_bench FOLDER READER.dll...
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "tests/e2e/browser_driver.h"

namespace {

using bench::Clock;
using bench::Median;
using bench::SecondsSince;

struct Launch {
  double fromListing = -1;  // the message loop's first answer to the last visible thumbnail
  double workingSetMb = 0;  // once the visible thumbnails are in
  int made = 0;             // thumbnails made before the close (the work rows)
  double cacheKb = 0;       // the per-listing cache folder's bytes per thumbnail
};

double FileMb(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (double(data.nFileSizeHigh) * 4294967296.0 + data.nFileSizeLow) / (1 << 20);
}

double CacheFolderKbPerFile(const e2e::Browser& browser) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((browser.Program() / "cache24\\*.tmp").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  double kb = 0;
  int files = 0;
  do {
    kb += found.nFileSizeLow / 1024.0;
    ++files;
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return kb / files;
}

// Every launch lays out the same window: the cells' places found at the
// first serve the next, since asking the busy browser for every cell would
// be most of what a later launch measures.
struct Layout {
  int visible = 0;
  std::vector<POINT> centres;
};

Launch LaunchOnce(e2e::Browser& browser, Layout* layout) {
  Launch launch;
  if (!browser.Start(2)) return launch;
  Clock::time_point listed = Clock::now();
  if (layout->visible <= 0) {
    layout->visible = browser.VisibleCells();
    layout->centres = browser.ShownCellCentres();
  }
  // Polled every few milliseconds, the cheap test first: a later launch
  // takes a few hundredths of a second, where the drivers' usual 50 ms steps
  // would be most of the reading.
  if (e2e::WaitFor(
          [&] {
            return browser.ThumbnailsMade() >= layout->visible &&
                   e2e::Browser::ThumbnailsPaintedAt(layout->centres);
          },
          120000, 2))
    launch.fromListing = SecondsSince(listed);
  launch.workingSetMb = browser.WorkingSetMegabytes();
  // The page below the shown rows is made too: wait until the workers rest.
  for (int made = -1; made != browser.ThumbnailsMade(); Sleep(500)) made = browser.ThumbnailsMade();
  launch.made = browser.ThumbnailsMade();
  launch.cacheKb = CacheFolderKbPerFile(browser);
  browser.Close();
  return launch;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: revisit_bench FOLDER READER.dll...\n");
    return 2;
  }
  std::string folder = argv[1];
  if (folder.back() != '\\') folder += '\\';
  std::vector<std::string> readers(argv + 2, argv + argc);
  std::vector<double> first, again, storeKbPerThumbnail, cacheKbPerThumbnail, setWith, setWithout;
  for (int browserRun = 0; browserRun < 3; ++browserRun) {
    e2e::Browser browser(readers);
    browser.RememberFolders({folder});
    browser.WriteSettings(192, 1, 0, 0, 1000, 720);
    Layout layout;
    Launch launch = LaunchOnce(browser, &layout);
    first.push_back(launch.fromListing);
    setWith.push_back(launch.workingSetMb);
    for (int run = 0; run < 3; ++run) again.push_back(LaunchOnce(browser, &layout).fromListing);
    // Every thumbnail the first launch made (the shown rows and the page
    // below them) is in the store.
    double storeMb =
        FileMb(browser.Program() / "thumbs.db") + FileMb(browser.Program() / "thumbs.db-wal");
    if (launch.made > 0) storeKbPerThumbnail.push_back(storeMb * 1024 / launch.made);
    cacheKbPerThumbnail.push_back(launch.cacheKb);
    // The same launch with the store switched off, as the browser was before it.
    WritePrivateProfileStringA("Store", "Enabled", "0", (browser.Program() / "thumbs.ini").c_str());
    setWithout.push_back(LaunchOnce(browser, &layout).workingSetMb);
  }
  std::printf("first launch (empty store): listing to the last visible thumbnail %.3f s\n",
              Median(first));
  std::printf("later launches (store filled): listing to the last visible thumbnail %.3f s\n",
              Median(again));
  std::printf("ratio later / first: %.3f\n", Median(again) / Median(first));
  std::printf("on disk per thumbnail: %.1f KB in the store, %.1f KB as a cache file\n",
              Median(storeKbPerThumbnail), Median(cacheKbPerThumbnail));
  std::printf("working set after the visible thumbnails: %.1f MB with the store, %.1f MB without\n",
              Median(setWith), Median(setWithout));
  return 0;
}
