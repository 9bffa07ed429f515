#include "browser/file_list.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "file_ops/path_utils.h"
#include "image/plugin_registry.h"
#include "platform/platform.h"
#include "shell/app_state.h"
#include "shell/settings.h"

FileList g_fileList;

namespace {

struct Scan {
  bool fill;
  int32_t limit;               // entries may be written below this index only
  std::set<std::string> seen;  // names listed so far: each file is listed once
};

// "." and ".." name the folders themselves, never a picture.
bool IsImageName(const char* name) { return std::strcmp(name, ".") && std::strcmp(name, ".."); }

// A match of the token's pattern that belongs in the listing: a picture name
// whose own extension is the token (the search also matches short names:
// "*.jpe" finds "a.jpeg", "*.jpg" finds "x.jpg_original"), not listed yet
// under another token (two readers declaring one extension, or a doubled
// token). A search returns a file under its long name, so the same file
// always comes back with the same bytes.
bool TakeMatch(const char* name, const std::string& token, Scan* scan) {
  return IsImageName(name) && ExtensionMatchesToken(name, token.c_str()) &&
         scan->seen.insert(name).second;
}

// Lists the matches of "<folder>*.<token>" from index `base` on. A path that
// does not fit a slot is left out. An empty token lists nothing (its pattern
// "*." would list the folder's own "." and "..").
int32_t ScanToken(const std::string& token, int32_t base, Scan* scan) {
  if (token.empty()) return 0;
  std::string folder = g_app.currentFolder;
  platform::DirSearch search;
  platform::FoundFile found;
  if (!search.First((folder + "*." + token).c_str(), &found)) return 0;
  int32_t n = 0;
  while (base + n < scan->limit) {
    std::string path = folder + found.name;
    if (path.size() < size_t(kPathSlotBytes) && TakeMatch(found.name, token, scan)) {
      if (scan->fill) std::memcpy(g_fileList.path[base + n], path.c_str(), path.size() + 1);
      ++n;
    }
    std::string previous = found.name;
    // Some file systems repeat the last entry instead of ending the search.
    if (!search.Next(&found) || CompareNoCase(found.name, previous.c_str()) == 0) break;
  }
  search.Close();
  if (scan->fill && n > 0) SortGroup(base, n, g_settings.sortOrder);
  return n;
}

// Scans each ';'-separated token of `list`; returns the new running total.
int32_t ScanExtensionList(const char* list, int32_t total, Scan* scan) {
  std::string token;
  for (const char* c = list; *c; ++c) {
    if (*c != ';') {
      if (token.size() < size_t(kMaxTokenChars))
        token += *c;
      else
        platform::ShowInformation(g_windows.main, "critical error", "Tamsel");
    }
    if (*c == ';' || c[1] == '\0') {
      total += ScanToken(token, total, scan);
      token.clear();
    }
  }
  return total;
}

// All-formats mode: every reader's own list, in registry order. The list is
// scanned where it stands, so a list longer than the 63-character filter
// needs no copy into it.
int32_t ScanAllFormats(Scan* scan) {
  auto* info = static_cast<FormatInfo*>(platform::GlobalBlockAlloc(sizeof(FormatInfo)));
  if (!info) return 0;
  int32_t total = 0;
  for (int i = 0; i < kPluginSlots && *ReaderPath(i); ++i)
    if (QueryFormatInfo(ReaderPath(i), "ReadFileInfo", g_windows.main, info))
      total = ScanExtensionList(info->extensions, total, scan);
  platform::GlobalBlockFree(info);
  return total;
}

struct SortEntry {
  std::string path;
  std::tuple<int, int, int, int, int, int> date;  // year, month, day, hour, minute, second
  uint32_t size = 0;
};

void ReadKey(int32_t order, SortEntry* entry) {
  if (order == kSortByDateNewestFirst || order == kSortByDateOldestFirst) {
    platform::CalendarTime t = {};  // unreadable: the oldest possible date
    FileDate(entry->path.c_str(), &t);
    entry->date = std::make_tuple(t.year, t.month, t.day, t.hour, t.minute, t.second);
  } else if (order == kSortBySizeSmallestFirst || order == kSortBySizeLargestFirst) {
    platform::DirSearch search;
    platform::FoundFile found;
    entry->size = search.First(entry->path.c_str(), &found) ? found.sizeLow : 0;
  }
}

// True when `a` must come before `b`.
bool ComesBefore(int32_t order, const SortEntry& a, const SortEntry& b) {
  switch (order) {
    case kSortByName: return CompareNoCase(a.path.c_str(), b.path.c_str()) < 0;
    case kSortByNameReversed: return CompareNoCase(a.path.c_str(), b.path.c_str()) > 0;
    case kSortByDateNewestFirst: return a.date > b.date;
    case kSortByDateOldestFirst: return a.date < b.date;
    case kSortBySizeSmallestFirst: return a.size < b.size;
    case kSortBySizeLargestFirst: return a.size > b.size;
    default: return false;
  }
}

}  // namespace

void SortGroup(int32_t first, int32_t n, int32_t order) {
  if (order < kSortByName || order > kSortBySizeLargestFirst || n < 2) return;
  std::vector<SortEntry> entries(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    entries[size_t(i)].path = g_fileList.path[first + i];
    ReadKey(order, &entries[size_t(i)]);
  }
  std::stable_sort(entries.begin(), entries.end(), [order](const SortEntry& a, const SortEntry& b) {
    return ComesBefore(order, a, b);
  });
  for (int32_t i = 0; i < n; ++i)
    std::memcpy(g_fileList.path[first + i], entries[size_t(i)].path.c_str(),
                entries[size_t(i)].path.size() + 1);
}

int32_t ListFolder(bool fill) {
  Scan scan = {fill, fill ? std::min(g_fileList.capacity, kFileListUsable) : kFileListUsable, {}};
  if (CompareNoCase(g_app.extensionFilter, "*") != 0)
    return ScanExtensionList(g_app.extensionFilter, 0, &scan);
  return ScanAllFormats(&scan);
}

void FreeListing() {
  platform::GlobalBlockFree(g_fileList.pathBlock);
  g_fileList.pathBlock = nullptr;
  g_fileList.capacity = 0;
  g_fileList.count = 0;
  std::fill(std::begin(g_fileList.path), std::end(g_fileList.path), nullptr);
}

int32_t MakeListing() {
  FreeListing();
  int32_t count = ListFolder(false);
  g_fileList.selectedCount = 0;
  g_fileList.pathBlock =
      static_cast<char*>(platform::GlobalBlockAlloc(size_t(count) * kPathSlotBytes + 100));
  if (!g_fileList.pathBlock) return 0;
  g_fileList.capacity = count;
  for (int32_t i = 0; i < count; ++i) {
    g_fileList.path[i] = g_fileList.pathBlock + size_t(i) * kPathSlotBytes;
    g_fileList.selected[i] = 0;
  }
  g_fileList.count = count > 0 ? ListFolder(true) : 0;
  return g_fileList.count;
}

int32_t CountSelected() {
  int32_t n = 0;
  for (int32_t i = 0; i < g_fileList.count; ++i) n += g_fileList.selected[i] ? 1 : 0;
  g_fileList.selectedCount = n;
  return n;
}
