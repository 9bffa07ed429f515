// The listing of the current folder: which image files the grid shows, in
// which order. Files qualify by extension only: those of the extension
// filter, or in all-formats mode ("*") those that every reader declares,
// one sorted group per extension token. A file's own extension (after its
// last dot) must match the token, and each file is listed once, in the
// group of the first token that takes it.
#pragma once

#include <cstdint>

#include "platform/platform.h"

constexpr int kFileListSlots = 10250;
constexpr int kFileListUsable = 10240;  // entries a listing may hold
constexpr int kPathSlotBytes = 256;     // the smallest slot; a listing's slots fit its longest path
constexpr int kMaxTokenChars = 100;

enum SortOrder : int32_t {
  kSortByName = 0,
  kSortByNameReversed = 1,
  kSortByDateNewestFirst = 2,
  kSortByDateOldestFirst = 3,
  kSortBySizeSmallestFirst = 4,
  kSortBySizeLargestFirst = 5,
};

struct FileList {
  int32_t count;
  int32_t selectedCount;
  int32_t capacity;  // entries the path block has room for
  char* pathBlock;   // capacity x slotBytes + 100 bytes of global memory
  char* path[kFileListSlots];
  int32_t selected[kFileListSlots];
  int32_t thumbnailDone[kFileListSlots];
  // 1 once the entry's thumbnail was made in this listing: shown again, it
  // is read back from the cache file.
  uint8_t thumbnailMade[kFileListSlots];
  int32_t slotBytes;  // bytes of each path slot: at least 256, at most kMaxPathBytes
  int32_t leftOut;    // files of the folder whose full path the file functions cannot take
  // Extension tokens longer than kMaxTokenChars met by the last listing (each
  // listed by its first 100 characters); the caller says so.
  int32_t overlongTokens;
};

// What to list: the folder (ending in '\\'; "" lists nothing), the extension
// filter ("*" or "jpg;png") and the order within each group.
struct ListingRequest {
  const char* folder;
  const char* extensionFilter;
  int32_t sortOrder;
};

extern FileList g_fileList;

// True when the folder (ending in '\\') can be listed: fully qualified, no
// wildcard, and room left in the file functions for a name in it. An empty
// folder is none: nothing is listed then, never the process's current folder.
bool IsListableFolder(const char* folder);

// Lists the request's folder by its extension filter. Counting (fill false)
// returns the number of entries, at most 10,240; filling writes at most
// `capacity` paths into their slots, sorts each group by the request's order
// and returns the number written.
int32_t ListFolder(const ListingRequest& request, bool fill);

// Frees the previous listing, counts, makes the path block for that count,
// clears the selection and fills. Returns the new count.
int32_t MakeListing(const ListingRequest& request);
void FreeListing();

// Recounts the selected entries into selectedCount and returns it.
int32_t CountSelected();

// Sorts entries first .. first + n - 1 stably by `order`; other orders keep
// the file-system order. Each entry's key is read once. A file whose date
// cannot be read sorts as the oldest possible date; one whose size cannot be
// read has size 0.
void SortGroup(int32_t first, int32_t n, int32_t order);
