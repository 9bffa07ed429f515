#include "browser/file_list.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "image/plugin_registry.h"
#include "platform/platform.h"
#include "text/path_utils.h"

FileList g_fileList;

namespace {

// One listing pass. The folder is read once, and each token takes the names
// of the folder whose own extension it matches and that no earlier token
// took: each file is listed once, in the group of its first token. (A
// search per token would also cost a read of the whole folder per token,
// and "*.jpe" would find "a.jpeg" through its short name "A~1.JPE".)
struct Scan {
  const ListingRequest& request;
  bool fill;
  int32_t limit;                   // entries may be written below this index only
  std::vector<std::string> names;  // the folder's files, in file-system order
  std::vector<bool> taken;         // names already listed under a token
  size_t longestPath = 0;          // bytes of the longest full path read
  int32_t leftOut = 0;             // names whose full path the file functions cannot take
  int32_t overlongTokens = 0;      // tokens cut to kMaxTokenChars
};

// "." and ".." name the folders themselves, never a picture.
bool IsImageName(const char* name) { return std::strcmp(name, ".") && std::strcmp(name, ".."); }

// The names in the current folder whose full paths the file functions can
// take; the others are counted. (Folders named like pictures are listed too,
// as the patterns of the listing always did.)
void ReadFolder(Scan* scan) {
  std::string folder = scan->request.folder;
  if (!IsListableFolder(folder.c_str())) return;
  platform::DirSearch search;
  platform::FoundFile found;
  if (!search.First((folder + "*").c_str(), &found)) return;
  for (;;) {
    if (IsImageName(found.name)) {
      size_t length = folder.size() + std::strlen(found.name);
      // A byte holds at most one unit: only long paths are converted to count.
      if (length < platform::kMaxPathUnits || FitsFileFunctions((folder + found.name).c_str())) {
        scan->names.emplace_back(found.name);
        scan->longestPath = std::max(scan->longestPath, length);
      } else {
        ++scan->leftOut;
      }
    }
    // Some file systems repeat the last entry instead of ending the search.
    // Names that differ in case only are two files (case-sensitive folders,
    // shares of other systems), and so are two the code page turns into one.
    if (!search.Next(&found) || found.repeatsPrevious) break;
  }
  search.Close();
}

// Lists the names the token takes from index `base` on. An empty token lists
// nothing.
int32_t ScanToken(const std::string& token, int32_t base, Scan* scan) {
  if (token.empty()) return 0;
  std::string folder = scan->request.folder;
  int32_t n = 0;
  for (size_t i = 0; i < scan->names.size() && base + n < scan->limit; ++i) {
    if (scan->taken[i] || !ExtensionMatchesToken(scan->names[i].c_str(), token.c_str())) continue;
    scan->taken[i] = true;
    if (scan->fill) {
      std::string path = folder + scan->names[i];
      std::memcpy(g_fileList.path[base + n], path.c_str(), path.size() + 1);
    }
    ++n;
  }
  if (scan->fill && n > 0) SortGroup(base, n, scan->request.sortOrder);
  return n;
}

// Scans each ';'-separated token of `list`; returns the new running total.
int32_t ScanExtensionList(const char* list, int32_t total, Scan* scan) {
  std::string token;
  bool cut = false;
  for (const char* c = list; *c; ++c) {
    if (*c != ';') {
      if (token.size() < size_t(kMaxTokenChars))
        token += *c;
      else
        cut = true;
    }
    if (*c == ';' || c[1] == '\0') {
      total += ScanToken(token, total, scan);
      scan->overlongTokens += cut ? 1 : 0;
      token.clear();
      cut = false;
    }
  }
  return total;
}

// All-formats mode: every reader's own list, in registry order, as the
// readers gave it at start.
int32_t ScanAllFormats(Scan* scan) {
  int32_t total = 0;
  for (int i = 0; i < kPluginSlots && *ReaderPath(i); ++i)
    total = ScanExtensionList(ReaderExtensions(i), total, scan);
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
    // Asked of this very path: a search would take a '?' as a pattern.
    int64_t size = platform::FileSize(entry->path.c_str());
    entry->size = size > 0 ? uint32_t(size) : 0;
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

bool IsListableFolder(const char* folder) {
  std::string pattern = std::string(folder) + "*";
  return *folder && platform::IsFullyQualifiedPath(folder) && !platform::HasWildcard(folder) &&
         FitsFileFunctions(pattern.c_str());
}

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

namespace {

// One pass over the names read: counting (scan->fill false) or filling.
int32_t ListFrom(Scan* scan) {
  scan->taken.assign(scan->names.size(), false);
  if (CompareNoCase(scan->request.extensionFilter, "*") != 0)
    return ScanExtensionList(scan->request.extensionFilter, 0, scan);
  return ScanAllFormats(scan);
}

int32_t FillLimit() { return std::min(g_fileList.capacity, kFileListUsable); }

}  // namespace

int32_t ListFolder(const ListingRequest& request, bool fill) {
  Scan scan = {request, fill, fill ? FillLimit() : kFileListUsable, {}, {}};
  ReadFolder(&scan);
  return ListFrom(&scan);
}

void FreeListing() {
  platform::GlobalBlockFree(g_fileList.pathBlock);
  g_fileList.pathBlock = nullptr;
  g_fileList.capacity = 0;
  g_fileList.count = 0;
  g_fileList.leftOut = 0;
  g_fileList.overlongTokens = 0;
  std::fill(std::begin(g_fileList.path), std::end(g_fileList.path), nullptr);
}

int32_t MakeListing(const ListingRequest& request) {
  FreeListing();
  // Both passes work on one reading of the folder.
  Scan scan = {request, false, kFileListUsable, {}, {}};
  ReadFolder(&scan);
  int32_t count = ListFrom(&scan);
  g_fileList.selectedCount = 0;
  g_fileList.leftOut = scan.leftOut;
  g_fileList.overlongTokens = scan.overlongTokens;
  g_fileList.slotBytes = int32_t(std::max(scan.longestPath + 1, size_t(kPathSlotBytes)));
  size_t slot = size_t(g_fileList.slotBytes);
  g_fileList.pathBlock = static_cast<char*>(platform::GlobalBlockAlloc(size_t(count) * slot + 100));
  if (!g_fileList.pathBlock) return 0;
  g_fileList.capacity = count;
  for (int32_t i = 0; i < count; ++i) {
    g_fileList.path[i] = g_fileList.pathBlock + size_t(i) * slot;
    g_fileList.selected[i] = 0;
  }
  scan.fill = true;
  scan.limit = FillLimit();
  g_fileList.count = count > 0 ? ListFrom(&scan) : 0;
  return g_fileList.count;
}

int32_t CountSelected() {
  int32_t n = 0;
  for (int32_t i = 0; i < g_fileList.count; ++i) n += g_fileList.selected[i] ? 1 : 0;
  g_fileList.selectedCount = n;
  return n;
}
