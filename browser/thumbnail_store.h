// The thumbnail store: thumbnails kept across visits and launches in one
// SQLite file, so a folder seen before shows its thumbnails without reading a
// single picture. It sits beside the per-listing cache folder, which keeps
// its own behaviour.
//
// A thumbnail is found only under the exact key it was made for: the
// source's full path, its size in bytes, its last-write time and the
// thumbnail area. A file replaced by another of the same name differs in size
// or time and so is made again; the stale row is dropped when it is met.
//
// The store is a convenience, never a source of truth: every failure (a
// corrupt file, a file locked by another browser, a full or read-only disk)
// makes the call a miss or a skipped write, and a store that cannot be opened
// leaves the browser as it was without one. Safe to call from several worker
// threads at once.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "image/packed_dib.h"

struct sqlite3;
struct sqlite3_stmt;

constexpr char kThumbnailStoreName[] = "thumbs.db";
constexpr int64_t kDefaultStoreCapBytes = 256ll << 20;

struct StoreKey {
  std::string path;  // the source's full path
  int64_t fileBytes = 0;
  int64_t lastWrite = 0;  // the file system's own stamp (100 ns units on Windows)
  int32_t areaWidth = 0, areaHeight = 0;
};

class ThumbnailStore {
 public:
  ThumbnailStore() = default;
  ~ThumbnailStore() { Close(); }
  ThumbnailStore(const ThumbnailStore&) = delete;
  ThumbnailStore& operator=(const ThumbnailStore&) = delete;

  // Opens or creates the store file. A file that is not a sound store is
  // replaced by an empty one. False when no store can be had at `file`.
  bool Open(const std::string& file, int64_t capBytes = kDefaultStoreCapBytes);
  void Close();
  bool IsOpen();

  // The thumbnail stored under exactly this key, owned by the caller, or
  // nullptr. A row of the same path and area under another size or time is
  // removed.
  PackedDib Find(const StoreKey& key);
  // Keeps a 24-bit thumbnail under the key (replacing any row of the same
  // path and area), then drops the least recently used rows while the store
  // holds more than its cap. False when it could not be written.
  bool Put(const StoreKey& key, const DibHeader* thumbnail);
  // Removes every thumbnail and gives the space back to the disk.
  bool Clear();

  // Bytes of thumbnails held, as the cap counts them.
  int64_t HeldBytes();

 private:
  bool Prepare();
  bool EnsureSchema();
  void DropOldestOverCap();
  void WritePendingUses();  // inside a transaction
  bool OpenFile();          // file_, under the lock
  void Fail();              // closes the store; calls after it are misses
  void StartAfresh();       // a damaged store replaced by an empty one

  std::string file_;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* find_ = nullptr;
  sqlite3_stmt* touch_ = nullptr;
  sqlite3_stmt* put_ = nullptr;
  sqlite3_stmt* forget_ = nullptr;
  int64_t capBytes_ = kDefaultStoreCapBytes;
  int64_t heldBytes_ = 0;
  int64_t clock_ = 0;  // the last use stamp handed out
  // Use stamps of rows found, written with the next write or at the close:
  // a hit costs a read only.
  std::vector<std::pair<int64_t, int64_t>> pendingUses_;  // row, stamp
  std::mutex mutex_;
};
