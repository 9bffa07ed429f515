// Lists and sorts a folder of 10,240 files in each of the six orders and
// prints the time per order. Beside it, the historical exchange sort (keys
// read from the disk at every comparison) on a smaller folder (300 files, or
// the first argument), extrapolated to 10,240 by the square of the ratio,
// since it makes n^2 comparisons.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "bench/bench_timing.h"
#include "browser/file_list.h"
#include "platform/platform.h"
#include "shell/app_state.h"
#include "shell/settings.h"
#include "text/path_utils.h"

namespace {

using bench::Clock;
using bench::SecondsSince;

std::string MakeFolder(const char* name) {
  std::string folder = platform::TemporaryFolder() + name;
  platform::MakeFolder(folder.c_str());
  return folder + "\\";
}

void FillFolder(const std::string& folder, int files) {
  std::mt19937 random(7);
  std::vector<char> bytes(4096, 'x');
  for (int i = 0; i < files; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "photo_%05u.jpg", unsigned(random() % 1000000));
    std::string path = folder + name;
    if (platform::FileExists(path.c_str())) {
      --i;
      continue;
    }
    platform::WriteFileBytes(path.c_str(), bytes.data(), random() % bytes.size());
    platform::CalendarTime t = {};
    t.year = uint16_t(2000 + random() % 30);
    t.month = uint16_t(1 + random() % 12);
    t.day = uint16_t(1 + random() % 28);
    t.hour = uint16_t(random() % 24);
    t.minute = uint16_t(random() % 60);
    t.second = uint16_t(random() % 60);
    platform::SetFileLastWriteLocal(path.c_str(), t);
  }
}

void RemoveFolder(const std::string& folder) {
  std::vector<std::string> names;
  {
    platform::DirSearch search;
    platform::FoundFile found;
    for (bool more = search.First((folder + "*.jpg").c_str(), &found); more;
         more = search.Next(&found))
      names.push_back(found.name);
  }
  for (const std::string& name : names) platform::DeleteOneFile((folder + name).c_str());
  platform::RemoveFolder(folder.substr(0, folder.size() - 1).c_str());
}

// The exchange sort as it was: every comparison reads both keys again.
bool MustFollow(int order, const char* earlier, const char* later) {
  if (order <= 1) {
    int c = CompareNoCase(earlier, later);
    return order == 0 ? c > 0 : c < 0;
  }
  if (order <= 3) {
    platform::CalendarTime a = {}, b = {};
    FileDate(earlier, &a);
    FileDate(later, &b);
    auto key = [](const platform::CalendarTime& t) {
      return std::make_tuple(t.year, t.month, t.day, t.hour, t.minute, t.second);
    };
    return order == 2 ? key(a) < key(b) : key(a) > key(b);
  }
  auto size = [](const char* path) {
    platform::DirSearch search;
    platform::FoundFile found;
    return search.First(path, &found) ? found.sizeLow : 0u;
  };
  return order == 4 ? size(earlier) > size(later) : size(earlier) < size(later);
}

double ExchangeSortSeconds(int order) {
  Clock::time_point start = Clock::now();
  int32_t n = g_fileList.count;
  char swap[kPathSlotBytes];
  for (int32_t pass = 0; pass < n; ++pass)
    for (int32_t i = 1; i < n; ++i)
      if (MustFollow(order, g_fileList.path[i - 1], g_fileList.path[i])) {
        std::memcpy(swap, g_fileList.path[i - 1], kPathSlotBytes);
        std::memcpy(g_fileList.path[i - 1], g_fileList.path[i], kPathSlotBytes);
        std::memcpy(g_fileList.path[i], swap, kPathSlotBytes);
      }
  return SecondsSince(start);
}

}  // namespace

int main(int argc, char** argv) {
  const int kFiles = kFileListUsable;
  const int kSmall = argc > 1 ? std::atoi(argv[1]) : 300;
  if (kSmall < 2 || kSmall > kFiles) return 2;
  std::string big = MakeFolder("tamsel-bench-big"), small = MakeFolder("tamsel-bench-small");
  std::printf("making %d and %d files...\n", kFiles, kSmall);
  FillFolder(big, kFiles);
  FillFolder(small, kSmall);
  std::strcpy(g_app.extensionFilter, "jpg");
  SetDefaultSettings();

  const char* names[6] = {"name",        "name reversed", "date newest",
                          "date oldest", "size smallest", "size largest"};
  double scale = double(kFiles) / kSmall;
  char smallTitle[32];
  std::snprintf(smallTitle, sizeof smallTitle, "exchange %d", kSmall);
  std::printf("%-14s %12s %14s %16s %9s\n", "order", "list+sort", smallTitle, "exchange 10240*",
              "speed-up");
  for (int order = 0; order < 6; ++order) {
    g_settings.sortOrder = order;
    std::strcpy(g_app.currentFolder, big.c_str());
    Clock::time_point start = Clock::now();
    int32_t count = MakeListing({g_app.currentFolder, g_app.extensionFilter, g_settings.sortOrder});
    double ours = SecondsSince(start);
    if (count != kFiles) std::printf("unexpected count %d\n", count);

    std::strcpy(g_app.currentFolder, small.c_str());
    g_settings.sortOrder = -1;  // folder order, then the old sort
    MakeListing({g_app.currentFolder, g_app.extensionFilter, g_settings.sortOrder});
    double exchange = ExchangeSortSeconds(order);
    double extrapolated = exchange * scale * scale;
    std::printf("%-14s %10.3f s %12.3f s %14.1f s %8.0fx\n", names[order], ours, exchange,
                extrapolated, extrapolated / ours);
  }
  std::printf("* extrapolated: the exchange sort makes n^2 comparisons\n");
  FreeListing();
  RemoveFolder(big);
  RemoveFolder(small);
  return 0;
}
