// Makes the thumbnails of a folder of pictures as the browser's worker does:
// find the reader, decode through the reading pipeline, fit into the large
// 176 x 160 box, store in the cache. Prints the median and mean per picture.
// Usage: thumbnail_bench PROGRAM_FOLDER PICTURE_FOLDER   (Windows paths)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "browser/thumbnail_cache.h"
#include "image/plugin_registry.h"
#include "image/read_pipeline.h"
#include "image/thumbnail_scale.h"
#include "platform/platform.h"
#include "shell/app_state.h"

namespace {

void Quiet(void*, const char* text, const char* caption) {
  std::printf("message: [%s] %s\n", caption, text);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: thumbnail_bench PROGRAM_FOLDER PICTURE_FOLDER\n");
    return 2;
  }
  platform::SetMessageSink(Quiet);
  if (!SetProgramFolder(argv[1])) return 2;
  ScanPlugins();
  CreateCacheFolder(kFirstCacheFolderNumber);
  std::string folder = argv[2];
  if (folder.back() != '\\') folder += '\\';

  std::vector<std::string> files;
  platform::DirSearch search;
  platform::FoundFile found;
  for (bool more = search.First((folder + "*.jpg").c_str(), &found); more;
       more = search.Next(&found))
    files.push_back(folder + found.name);
  std::sort(files.begin(), files.end());

  std::vector<double> times;
  for (const std::string& file : files) {
    auto start = std::chrono::steady_clock::now();
    int32_t reader = FindReader(file.c_str());
    PackedDibPtr image(
        reader >= 0 ? ReadImageFile(file.c_str(), nullptr, ReaderPath(reader), ReadMode::Direct)
                    : nullptr);
    PackedDibPtr thumbnail(image ? FitThumbnail(image.get(), 176, 160) : nullptr);
    bool stored =
        thumbnail && StoreThumbnail(file.c_str(), thumbnail.get(), kFirstCacheFolderNumber);
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
    if (!stored) std::printf("failed: %s\n", file.c_str());
  }
  if (times.empty()) return 1;
  std::vector<double> sorted = times;
  std::sort(sorted.begin(), sorted.end());
  double mean = 0;
  for (double t : times) mean += t / times.size();
  std::printf("browser pipeline: %zu pictures, median %.0f ms, mean %.0f ms per picture\n",
              times.size(), sorted[sorted.size() / 2], mean);
  EmptyCacheFolder(kFirstCacheFolderNumber);
  ReleasePlugins();
  return 0;
}
