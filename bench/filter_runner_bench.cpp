// The cost of running a filter in 8bfrun.exe instead of inside the viewer:
// a simple filter (InvertWhole: the whole picture in one request) over a
// 4000 x 3000 picture, five runs each way in turn, medians; and how long the
// runner takes from its start until it has loaded 8bfkvt.dll and waits. Run
// under Wine from build/<arch>/bench/.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "platform/platform.h"
#include "runner/runner_process.h"
#include "viewer/host_lines.h"

namespace {

constexpr int kRuns = 5;
constexpr int32_t kWidth = 4000, kHeight = 3000;

using RunFn = int32_t(HOST_LINE_CALL*)(HWND, const HostImageSize*, HostLineProc*, HostLineProc*);
using UseModuleFn = int32_t(HOST_LINE_CALL*)(const char*, int32_t);

HWND MakeHostWindow() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "filter_runner_bench";
  RegisterClassA(&windowClass);
  return CreateWindowA("filter_runner_bench", "bench", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                       nullptr, GetModuleHandleA(nullptr), nullptr);
}

PackedDibPtr MakePicture() {
  PackedDibPtr picture(CreatePackedDib(kWidth, kHeight, 24));
  for (int32_t y = 0; picture && y < kHeight; ++y)
    for (int32_t i = 0; i < kWidth * 3; ++i) DibRow(picture.get(), y)[i] = uint8_t(y + i);
  return picture;
}

}  // namespace

int main() {
  std::string build = platform::ExecutableFolder() + "..\\";
  std::string module = build + "tests\\filters\\InvertWhole.8bf";
  platform::ScopedLibrary adapter((build + "8bfkvt.dll").c_str());
  auto run = reinterpret_cast<RunFn>(adapter.Export("FilterProc"));
  auto use = reinterpret_cast<UseModuleFn>(adapter.Export("FilterUseModule"));
  PackedDibPtr picture = MakePicture();
  HWND host = MakeHostWindow();
  if (!run || !use || !picture || !host || !use(module.c_str(), 0)) {
    std::printf("filter_runner_bench: 8bfkvt.dll, the test filter or memory is missing\n");
    return 1;
  }
  std::vector<double> inProcess, outOfProcess, starts;
  RunnerProcess runner;  // one for the whole benchmark, as the viewer keeps one
  for (int i = 0; i < kRuns; ++i) {
    auto start = bench::Clock::now();
    {
      FilterHostImage image(picture.get());
      run(host, image.Size(), image.PutCell(), image.GetCell());
    }
    inProcess.push_back(bench::SecondsSince(start));

    // The viewer starts the runner ahead of the run (after the last one);
    // its start is timed alone, the run from the user's command.
    start = bench::Clock::now();
    if (!runner.Prestart(build + "8bfrun.exe", host)) {
      std::printf("filter_runner_bench: 8bfrun.exe did not start\n");
      return 1;
    }
    while (!runner.Ready()) Sleep(1);
    starts.push_back(bench::SecondsSince(start));

    start = bench::Clock::now();
    bool applied = runner.Start(build + "8bfrun.exe", host, picture.get(), module, 0) &&
                   runner.WaitPumping(nullptr) == RunnerEnd::Finished &&
                   runner.Record()->outcome == 1 && runner.CopyResultInto(picture.get());
    outOfProcess.push_back(bench::SecondsSince(start));
    if (!applied) {
      std::printf("filter_runner_bench: the run in 8bfrun.exe did not apply\n");
      return 1;
    }
  }
  double in = bench::Median(inProcess), out = bench::Median(outOfProcess);
  std::printf("InvertWhole on %d x %d, median of %d runs each:\n", kWidth, kHeight, kRuns);
  std::printf("  in process (FilterProc in this process)   %.3f s\n", in);
  std::printf("  out of process (8bfrun.exe, shared block) %.3f s\n", out);
  std::printf("  ratio out / in: %.2f (target at most 1.20)\n", out / in);
  std::printf("  runner start, to 8bfkvt.dll loaded and waiting: %.0f ms (target at most 150 ms)\n",
              bench::Median(starts) * 1000);
  DestroyWindow(host);
  return 0;
}
