// Time from launching ral.exe to its last visible thumbnail, under Wine:
// a folder of 100 small pictures, and a folder of 20 camera-size JPEGs, both
// read by the shipped WIC reader. Usage: startup_bench SMALL_FOLDER CAMERA_FOLDER
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/e2e/browser_driver.h"

namespace {

double LaunchToLastVisibleThumbnail(const std::string& pictures, int* visible) {
  e2e::Browser browser({platform::ExecutableFolder() + "..\\plugins\\wic_reader.dll"});
  // The folder as the most recent one, in a window of 1000 x 720.
  std::vector<uint8_t> history(25700, 0);
  std::memcpy(history.data(), pictures.data(), pictures.size());
  testing_support::WriteAll(browser.Program() / "phist.dat", history);
  browser.WriteSettings(192, 1, 0, 0, 1000, 720);
  auto start = std::chrono::steady_clock::now();
  if (!browser.Start()) return -1;
  *visible = browser.VisibleCells();
  if (!e2e::WaitFor([&] { return browser.ThumbnailsMade() >= *visible; }, 120000)) return -1;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: startup_bench SMALL_FOLDER CAMERA_FOLDER\n");
    return 2;
  }
  for (int i = 1; i <= 2; ++i) {
    std::string folder = argv[i];
    if (folder.back() != '\\') folder += '\\';
    int visible = 0;
    double seconds = LaunchToLastVisibleThumbnail(folder, &visible);
    std::printf("%s: %d visible thumbnails, %.2f s from launch to the last one\n",
                i == 1 ? "100 small pictures" : "20 camera-size JPEGs", visible, seconds);
  }
  return 0;
}
