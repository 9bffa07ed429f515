#include "browser/thumbnail_store.h"

#include <sqlite3.h>

#include <cstring>

#include "browser/thumbnail_cache.h"
#include "platform/platform.h"

namespace {

// One row per (path, area). `bytes` is the blob's length, kept so that the
// cap is summed without reading the blobs; `check` is a hash of the blob, so
// a page damaged on disk is never shown as a thumbnail (SQLite keeps no
// checksums of its own).
constexpr char kSchema[] =
    "CREATE TABLE IF NOT EXISTS thumbnail("
    " path TEXT NOT NULL, area_w INTEGER NOT NULL, area_h INTEGER NOT NULL,"
    " file_bytes INTEGER NOT NULL, last_write INTEGER NOT NULL,"
    " used INTEGER NOT NULL, bytes INTEGER NOT NULL, check_sum INTEGER NOT NULL,"
    " dib BLOB NOT NULL, UNIQUE(path, area_w, area_h));"
    "CREATE INDEX IF NOT EXISTS thumbnail_used ON thumbnail(used);";

constexpr int kBusyWaitMs = 250;  // another browser writing: then a miss
constexpr size_t kPendingUsesWritten = 256;

// FNV-1a, 64 bits: cheap beside the SQLite read (a few microseconds for a
// thumbnail) and enough to tell damaged bytes from the stored ones.
int64_t BlobHash(const void* data, size_t size) {
  uint64_t hash = 14695981039346656037ull;
  auto bytes = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
  return int64_t(hash);
}

// A stored blob is shown only when it is a sound 24-bit image that fits the
// area it was made for.
bool FitsArea(const void* dib, size_t bytes, int32_t areaWidth, int32_t areaHeight) {
  if (!IsSoundCachedImage(dib, bytes)) return false;
  DibHeader header;
  std::memcpy(&header, dib, sizeof header);
  return header.biWidth <= areaWidth && header.biHeight <= areaHeight;
}

bool IsDamage(int code) {
  code &= 0xFF;
  return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

void ResetStatement(sqlite3_stmt* statement) {
  sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
}

void BindKey(sqlite3_stmt* statement, const StoreKey& key) {
  sqlite3_bind_text(statement, 1, key.path.c_str(), int(key.path.size()), SQLITE_TRANSIENT);
  sqlite3_bind_int(statement, 2, key.areaWidth);
  sqlite3_bind_int(statement, 3, key.areaHeight);
}

// A lost use stamp only ages its row early: traced, not reported.
void CommitUses(sqlite3* db) {
  if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
    platform::Trace("ThumbnailStore", "use stamps not written",
                    static_cast<unsigned long>(sqlite3_extended_errcode(db)));
}

void DeleteStoreFiles(const std::string& file) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
    std::string path = file + suffix;
    if (!platform::DeleteOneFile(path.c_str()) && platform::FileExists(path.c_str()))
      platform::TraceLastError("DeleteStoreFiles", path.c_str());
  }
}

}  // namespace

bool ThumbnailStore::Open(const std::string& file, int64_t capBytes) {
  Close();
  std::lock_guard<std::mutex> lock(mutex_);
  capBytes_ = capBytes;
  file_ = file;
  return OpenFile();
}

bool ThumbnailStore::OpenFile() {
  const std::string& file = file_;
  // A file that is not a sound store is replaced once by an empty one.
  for (int attempt = 0; attempt < 2; ++attempt) {
    int code =
        sqlite3_open_v2(platform::Utf8SystemPath(file.c_str()).c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (code == SQLITE_OK) {
      sqlite3_busy_timeout(db_, kBusyWaitMs);
      sqlite3_extended_result_codes(db_, 1);
      if (EnsureSchema() && Prepare()) return true;
      code = sqlite3_errcode(db_);
    }
    sqlite3_stmt* statements[] = {find_, touch_, put_, forget_};
    for (sqlite3_stmt* statement : statements) sqlite3_finalize(statement);
    find_ = touch_ = put_ = forget_ = nullptr;
    sqlite3_close(db_);
    db_ = nullptr;
    if (!IsDamage(code)) {
      platform::Trace("ThumbnailStore::Open", file.c_str(), static_cast<unsigned long>(code));
      return false;
    }
    DeleteStoreFiles(file);
  }
  return false;
}

bool ThumbnailStore::EnsureSchema() {
  // WAL lets one browser read while another writes; NORMAL syncs only at
  // checkpoints: a crash may lose the last thumbnails, never damage the rest.
  sqlite3_exec(db_,
               "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA mmap_size=67108864;",
               nullptr, nullptr, nullptr);
  if (sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK) return false;
  sqlite3_stmt* totals = nullptr;
  if (sqlite3_prepare_v2(db_,
                         "SELECT COALESCE(SUM(bytes), 0), COALESCE(MAX(used), 0) FROM thumbnail",
                         -1, &totals, nullptr) != SQLITE_OK)
    return false;
  bool read = sqlite3_step(totals) == SQLITE_ROW;
  if (read) {
    heldBytes_ = sqlite3_column_int64(totals, 0);
    clock_ = sqlite3_column_int64(totals, 1);
  }
  sqlite3_finalize(totals);
  return read;
}

bool ThumbnailStore::Prepare() {
  const struct {
    sqlite3_stmt** statement;
    const char* text;
  } statements[] = {
      {&find_,
       "SELECT rowid, file_bytes, last_write, check_sum, dib FROM thumbnail"
       " WHERE path = ?1 AND area_w = ?2 AND area_h = ?3"},
      {&touch_, "UPDATE thumbnail SET used = ?1 WHERE rowid = ?2"},
      {&forget_,
       "DELETE FROM thumbnail WHERE path = ?1 AND area_w = ?2 AND area_h = ?3"
       " RETURNING bytes"},
      {&put_,
       "INSERT INTO thumbnail(path, area_w, area_h, file_bytes, last_write, used, bytes,"
       " check_sum, dib) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)"},
  };
  for (const auto& entry : statements)
    if (sqlite3_prepare_v3(db_, entry.text, -1, SQLITE_PREPARE_PERSISTENT, entry.statement,
                           nullptr) != SQLITE_OK)
      return false;
  return true;
}

void ThumbnailStore::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (db_ && !pendingUses_.empty() &&
      sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK) {
    WritePendingUses();
    CommitUses(db_);
  }
  Fail();
}

// A lost use stamp only ages its row early.
void ThumbnailStore::WritePendingUses() {
  for (const auto& use : pendingUses_) {
    sqlite3_bind_int64(touch_, 1, use.second);
    sqlite3_bind_int64(touch_, 2, use.first);
    sqlite3_step(touch_);
    ResetStatement(touch_);
  }
  pendingUses_.clear();
}

void ThumbnailStore::Fail() {
  pendingUses_.clear();
  sqlite3_stmt* statements[] = {find_, touch_, put_, forget_};
  for (sqlite3_stmt* statement : statements) sqlite3_finalize(statement);
  find_ = touch_ = put_ = forget_ = nullptr;
  if (db_) sqlite3_close(db_);
  db_ = nullptr;
}

// Damage met in use (a page that the opening did not read): the store is
// replaced by an empty one, so the next visits keep their thumbnails again.
void ThumbnailStore::StartAfresh() {
  Fail();
  DeleteStoreFiles(file_);
  OpenFile();
}

bool ThumbnailStore::IsOpen() {
  std::lock_guard<std::mutex> lock(mutex_);
  return db_ != nullptr;
}

PackedDib ThumbnailStore::Find(const StoreKey& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!db_) return nullptr;
  BindKey(find_, key);
  int code = sqlite3_step(find_);
  PackedDib found = nullptr;
  bool stale = false;
  int64_t row = 0;
  if (code == SQLITE_ROW) {
    row = sqlite3_column_int64(find_, 0);
    const void* blob = sqlite3_column_blob(find_, 4);
    size_t bytes = size_t(sqlite3_column_bytes(find_, 4));
    bool sameFile = sqlite3_column_int64(find_, 1) == key.fileBytes &&
                    sqlite3_column_int64(find_, 2) == key.lastWrite;
    bool intact = blob && sqlite3_column_int64(find_, 3) == BlobHash(blob, bytes) &&
                  FitsArea(blob, bytes, key.areaWidth, key.areaHeight);
    stale = !sameFile || !intact;
    if (!stale) {
      void* block = platform::GlobalBlockAlloc(bytes);
      if (block) std::memcpy(block, blob, bytes);
      found = static_cast<PackedDib>(block);
    }
  }
  ResetStatement(find_);
  if (IsDamage(code)) {
    StartAfresh();
    return nullptr;
  }
  if (stale) {
    BindKey(forget_, key);
    while (sqlite3_step(forget_) == SQLITE_ROW) heldBytes_ -= sqlite3_column_int64(forget_, 0);
    ResetStatement(forget_);
  } else if (found) {
    pendingUses_.emplace_back(row, ++clock_);
    if (pendingUses_.size() >= kPendingUsesWritten &&
        sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK) {
      WritePendingUses();
      CommitUses(db_);
    }
  }
  return found;
}

bool ThumbnailStore::Put(const StoreKey& key, const DibHeader* thumbnail) {
  if (!thumbnail) return false;
  uint64_t bytes = PackedDibBytes(thumbnail->biWidth, thumbnail->biHeight, 24);
  if (bytes == 0 || !FitsArea(thumbnail, size_t(bytes), key.areaWidth, key.areaHeight))
    return false;
  std::lock_guard<std::mutex> lock(mutex_);
  if (!db_) return false;
  if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) return false;
  WritePendingUses();
  BindKey(forget_, key);
  while (sqlite3_step(forget_) == SQLITE_ROW) heldBytes_ -= sqlite3_column_int64(forget_, 0);
  ResetStatement(forget_);
  BindKey(put_, key);
  sqlite3_bind_int64(put_, 4, key.fileBytes);
  sqlite3_bind_int64(put_, 5, key.lastWrite);
  sqlite3_bind_int64(put_, 6, ++clock_);
  sqlite3_bind_int64(put_, 7, int64_t(bytes));
  sqlite3_bind_int64(put_, 8, BlobHash(thumbnail, size_t(bytes)));
  sqlite3_bind_blob64(put_, 9, thumbnail, bytes, SQLITE_STATIC);
  int code = sqlite3_step(put_);
  ResetStatement(put_);
  if (code != SQLITE_DONE || sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
    platform::Trace("ThumbnailStore::Put", key.path.c_str(),
                    static_cast<unsigned long>(sqlite3_extended_errcode(db_)));
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    if (IsDamage(code)) StartAfresh();
    return false;
  }
  heldBytes_ += int64_t(bytes);
  if (heldBytes_ > capBytes_) DropOldestOverCap();
  return true;
}

// Drops the least recently used rows down to nine tenths of the cap, so a
// full store is trimmed once in a while rather than at every write. The
// total is summed again first: other browsers write to the same file.
void ThumbnailStore::DropOldestOverCap() {
  sqlite3_stmt* rows = nullptr;
  if (sqlite3_prepare_v2(db_, "SELECT used, bytes FROM thumbnail ORDER BY used", -1, &rows,
                         nullptr) != SQLITE_OK)
    return;
  int64_t held = 0;
  while (sqlite3_step(rows) == SQLITE_ROW) held += sqlite3_column_int64(rows, 1);
  sqlite3_reset(rows);
  int64_t target = capBytes_ / 10 * 9;
  int64_t lastDropped = -1, left = held;
  while (left > target && sqlite3_step(rows) == SQLITE_ROW) {
    lastDropped = sqlite3_column_int64(rows, 0);
    left -= sqlite3_column_int64(rows, 1);
  }
  sqlite3_finalize(rows);
  heldBytes_ = held;
  if (lastDropped < 0) return;
  sqlite3_stmt* drop = nullptr;
  if (sqlite3_prepare_v2(db_, "DELETE FROM thumbnail WHERE used <= ?1", -1, &drop, nullptr) ==
      SQLITE_OK) {
    sqlite3_bind_int64(drop, 1, lastDropped);
    if (sqlite3_step(drop) == SQLITE_DONE) heldBytes_ = left;
  }
  sqlite3_finalize(drop);
}

bool ThumbnailStore::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!db_) return false;
  pendingUses_.clear();
  if (sqlite3_exec(db_, "DELETE FROM thumbnail", nullptr, nullptr, nullptr) != SQLITE_OK)
    return false;
  heldBytes_ = 0;
  sqlite3_exec(db_, "VACUUM", nullptr, nullptr, nullptr);  // the file shrinks when it can
  return true;
}

int64_t ThumbnailStore::HeldBytes() {
  std::lock_guard<std::mutex> lock(mutex_);
  return heldBytes_;
}
