// Makes the thumbnails of a folder of pictures as the browser's worker does
// (MakeThumbnail: find the reader, read, fit into the large 176 x 160 area),
// several rounds over every file. Prints the median per picture over all
// files and rounds, the median of the files whose name starts with
// "portrait", and the process's peak private bytes.
// Usage: thumbnail_bench PROGRAM_FOLDER PICTURE_FOLDER [ROUNDS]   (Windows paths)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "image/plugin_registry.h"
#include "image/thumbnail_maker.h"
#include "platform/platform.h"
#include "shell/app_state.h"

namespace {

using bench::Median;

void Quiet(void*, const char* text, const char* caption) {
  std::printf("message: [%s] %s\n", caption, text);
}

std::vector<std::string> JpegFiles(std::string folder) {
  if (folder.back() != '\\') folder += '\\';
  std::vector<std::string> files;
  platform::DirSearch search;
  platform::FoundFile found;
  for (bool more = search.First((folder + "*.jpg").c_str(), &found); more;
       more = search.Next(&found))
    files.push_back(folder + found.name);
  std::sort(files.begin(), files.end());
  return files;
}

bool IsPortrait(const std::string& path) { return path.find("\\portrait") != std::string::npos; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: thumbnail_bench PROGRAM_FOLDER PICTURE_FOLDER [ROUNDS]\n");
    return 2;
  }
  int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
  platform::SetMessageSink(Quiet);
  if (!SetProgramFolder(argv[1])) return 2;
  ScanPlugins(g_app.programFolder, nullptr);
  std::vector<std::string> files = JpegFiles(argv[2]);
  uint64_t peakBefore = platform::PeakPrivateBytes();

  std::vector<double> all, portraits;
  for (int round = 0; round < rounds; ++round)
    for (const std::string& file : files) {
      auto start = std::chrono::steady_clock::now();
      PackedDibPtr thumbnail(MakeThumbnail(nullptr, file.c_str(), 176, 160));
      double ms =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count();
      if (!thumbnail) std::printf("failed: %s\n", file.c_str());
      all.push_back(ms);
      if (IsPortrait(file)) portraits.push_back(ms);
    }
  if (all.empty()) return 1;
  std::printf("pipeline: %zu pictures x %d rounds, median %.1f ms, portraits median %.1f ms\n",
              files.size(), rounds, Median(all), Median(portraits));
  std::printf("peak private bytes: %.1f MB (%.1f MB before the first picture)\n",
              platform::PeakPrivateBytes() / 1e6, peakBefore / 1e6);
  ReleasePlugins();
  return 0;
}
