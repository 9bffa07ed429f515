// Time from launching ral.exe to its last visible thumbnail painted, under
// Wine, and from the first listing (the message loop answering) to it: a
// folder of 100 small pictures, and one of 20 camera-size JPEGs, read by the
// shipped readers. Medians of three launches.
//   startup_bench SMALL_FOLDER CAMERA_FOLDER READER.dll...
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "platform/platform.h"
#include "tests/e2e/browser_driver.h"

namespace {

using bench::Clock;
using bench::Median;
using bench::SecondsSince;

struct Launch {
  double toLastThumbnail = -1;  // from launch
  double fromListing = -1;      // from the message loop's first answer
  int visible = 0;
};

Launch LaunchToLastVisibleThumbnail(const std::string& pictures,
                                    const std::vector<std::string>& readers) {
  Launch launch;
  e2e::Browser browser(readers);
  // The folder as the most recent one, in a window of 1000 x 720.
  browser.RememberFolders({pictures});
  browser.WriteSettings(192, 1, 0, 0, 1000, 720);
  Clock::time_point start = Clock::now();
  if (!browser.Start(2)) return launch;
  Clock::time_point listed = Clock::now();
  launch.visible = browser.VisibleCells();
  std::vector<POINT> centres = browser.ShownCellCentres();
  // Every visible thumbnail made (its cache file is written before the hand-
  // over) and painted (no cell on screen shows its bare background), the
  // cells' places asked once: asking the busy browser at every step would
  // slow what is measured.
  if (!e2e::WaitFor(
          [&] {
            return browser.ThumbnailsMade() >= launch.visible &&
                   e2e::Browser::ThumbnailsPaintedAt(centres);
          },
          120000, 2))
    return launch;
  launch.toLastThumbnail = SecondsSince(start);
  launch.fromListing = SecondsSince(listed);
  return launch;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: startup_bench SMALL_FOLDER CAMERA_FOLDER READER.dll...\n");
    return 2;
  }
  std::vector<std::string> readers(argv + 3, argv + argc);
  for (int i = 1; i <= 2; ++i) {
    std::string folder = argv[i];
    if (folder.back() != '\\') folder += '\\';
    std::vector<double> total, listed;
    int visible = 0;
    for (int run = 0; run < 3; ++run) {
      Launch launch = LaunchToLastVisibleThumbnail(folder, readers);
      total.push_back(launch.toLastThumbnail);
      listed.push_back(launch.fromListing);
      visible = launch.visible;
    }
    std::printf(
        "%s: %d visible thumbnails, launch to the last one %.2f s, listing to the last one "
        "%.2f s\n",
        i == 1 ? "100 small pictures" : "20 camera-size JPEGs", visible, Median(total),
        Median(listed));
  }
  return 0;
}
