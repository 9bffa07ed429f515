// Thumbnails of hostile pictures through the browser's pipeline with the
// shipped readers, under Wine, beside a sound peer measured in the same run:
//   hostile_bench PROGRAM_FOLDER ROUNDS FILE...
// The first file is the peer. Prints, per file, the median time of
// MakeThumbnail over the rounds, whether it gave a picture, and its ratio to
// the peer's.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "image/packed_dib.h"
#include "image/plugin_registry.h"
#include "image/thumbnail_maker.h"
#include "platform/platform.h"
#include "shell/app_state.h"

namespace {

void Silently(platform::WindowHandle, const char*, const char*) {}

double MedianMilliseconds(const char* path, int rounds, bool* made) {
  std::vector<double> times;
  for (int round = 0; round < rounds; ++round) {
    bench::Clock::time_point start = bench::Clock::now();
    PackedDibPtr thumbnail(MakeThumbnail(nullptr, path, 176, 160));
    times.push_back(bench::SecondsSince(start) * 1000.0);
    *made = bool(thumbnail);
  }
  return bench::Median(times);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: hostile_bench PROGRAM_FOLDER ROUNDS PEER FILE...\n");
    return 2;
  }
  platform::SetMessageSink(Silently);
  if (!SetProgramFolder(argv[1])) return 2;
  ScanPlugins(g_app.programFolder, nullptr);
  int rounds = std::max(1, std::atoi(argv[2]));
  double peer = 0;
  for (int i = 3; i < argc; ++i) {
    bool made = false;
    double ms = MedianMilliseconds(argv[i], rounds, &made);
    if (i == 3) peer = ms;
    std::string name = argv[i];
    name = name.substr(name.find_last_of("\\/") + 1);
    std::printf("%-16s %9.1f ms  %-9s ratio to the peer %6.2f\n", name.c_str(), ms,
                made ? "picture" : "refused", peer > 0 ? ms / peer : 0.0);
  }
  ReleasePlugins();
  return 0;
}
