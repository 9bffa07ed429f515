#include "browser/thumbnail_cache.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "shell/app_state.h"
#include "text/path_utils.h"

namespace {

// The program folder, "cacheNN\", a file name in UTF-8, the stamp and ".tmp".
constexpr size_t kCachePathBytes = 2 * platform::kMaxPathBytes;

std::string CacheFolder(int number) {
  char folder[300];
  std::snprintf(folder, sizeof folder, "%scache%02d", g_app.programFolder, number);
  return folder;
}

uint32_t DibBytes(const DibHeader* image) {
  return uint32_t(image->biSize + ColourTableSize(image) +
                  uint64_t(DibStride(image)) * uint64_t(image->biHeight));
}

void PutLittleEndian(uint8_t* at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = uint8_t(value >> (8 * i));
}

}  // namespace

bool CacheFilePath(const char* sourcePath, int number, char* out, size_t size) {
  char folder[platform::kMaxPathBytes], name[platform::kMaxPathBytes];
  // A bare file name (a listing of the process's current folder) is its own name.
  const char* fileName =
      SplitPathName(sourcePath, folder, sizeof folder, name, sizeof name) ? name : sourcePath;
  if (*fileName == '\0') return false;
  int length = std::snprintf(out, size, "%scache%02d\\%s%010d.tmp", g_app.programFolder, number,
                             fileName, int(FileTimeStamp(sourcePath)));
  return length > 0 && size_t(length) < size;
}

void CreateCacheFolder(int number) {
  platform::MakeFolder(CacheFolder(number).c_str());
  EmptyCacheFolder(number);
}

int ClaimFreeCacheFolder(platform::ExclusiveFile* lock) {
  for (int number = kFirstCacheFolderNumber; number <= kLastCacheFolderNumber; ++number) {
    std::string folder = CacheFolder(number);
    platform::MakeFolder(folder.c_str());
    if (lock->Hold((folder + "\\" + kCacheLockName).c_str())) {
      EmptyCacheFolder(number);
      return number;
    }
  }
  return 0;
}

namespace {

platform::ExclusiveFile g_ownCacheLock;
int g_ownCacheNumber = kFirstCacheFolderNumber;

}  // namespace

int ClaimCacheFolder() {
  int number = ClaimFreeCacheFolder(&g_ownCacheLock);
  g_ownCacheNumber = number ? number : kFirstCacheFolderNumber;
  if (!number) CreateCacheFolder(g_ownCacheNumber);
  return g_ownCacheNumber;
}

void ReleaseCacheFolder() { g_ownCacheLock.Release(); }

int OwnCacheFolderNumber() { return g_ownCacheNumber; }

void EmptyCacheFolder(int number) {
  std::string folder = CacheFolder(number) + "\\";
  std::vector<std::string> names;
  {
    platform::DirSearch search;
    platform::FoundFile found;
    for (bool more = search.First((folder + "*.tmp").c_str(), &found); more;
         more = search.Next(&found))
      if (!found.isFolder) names.push_back(found.name);
  }
  for (const std::string& name : names) {
    std::string path = folder + name;
    if (!platform::DeleteOneFile(path.c_str()))
      platform::TraceLastError("EmptyCacheFolder", path.c_str());
  }
}

bool StoreThumbnail(const char* sourcePath, const DibHeader* image, int number) {
  char path[kCachePathBytes];
  if (!image || !CacheFilePath(sourcePath, number, path, sizeof path)) return false;
  uint32_t dibBytes = DibBytes(image);
  uint32_t pixelOffset = uint32_t(kBmpFileHeaderBytes + image->biSize + ColourTableSize(image));
  std::unique_ptr<uint8_t[]> file(new (std::nothrow) uint8_t[kBmpFileHeaderBytes + dibBytes]);
  if (!file) return false;
  uint8_t* header = file.get();
  header[0] = 'B';
  header[1] = 'M';
  PutLittleEndian(header + 2, uint32_t(kBmpFileHeaderBytes + dibBytes), 4);
  PutLittleEndian(header + 6, 0, 4);  // two reserved words
  PutLittleEndian(header + 10, pixelOffset, 4);
  std::memcpy(header + kBmpFileHeaderBytes, image, dibBytes);
  // No wait cursor: the workers write the cache, and a cursor set by a thread
  // that owns no window is never shown, while each change is a round trip to
  // the window server (a third of a later launch's write under Wine).
  if (platform::WriteFileBytes(path, file.get(), kBmpFileHeaderBytes + dibBytes)) return true;
  // The thumbnail is made again when the entry is shown again.
  platform::TraceLastError("StoreThumbnail", path);
  return false;
}

bool IsSoundCachedImage(const void* dib, size_t bytes) {
  if (bytes < sizeof(DibHeader)) return false;
  DibHeader header;
  std::memcpy(&header, dib, sizeof header);
  if (header.biSize != sizeof(DibHeader) || header.biBitCount != 24 || header.biPlanes != 1 ||
      header.biCompression != 0 || header.biClrUsed != 0)
    return false;
  if (header.biWidth < 0 || header.biHeight < 0) return false;
  uint64_t needed = PackedDibBytes(header.biWidth, header.biHeight, 24);
  return needed != 0 && needed <= bytes;
}

PackedDib LoadThumbnail(const char* sourcePath, int number) {
  char path[kCachePathBytes];
  if (!CacheFilePath(sourcePath, number, path, sizeof path)) return nullptr;
  int64_t fileBytes = platform::FileSize(path);
  if (fileBytes < int64_t(kBmpFileHeaderBytes + sizeof(DibHeader)) ||
      fileBytes > int64_t(kMaxPackedDibBytes))
    return nullptr;
  std::unique_ptr<uint8_t[]> file(new (std::nothrow) uint8_t[size_t(fileBytes)]);
  if (!file) return nullptr;
  long got = platform::ReadFileBytes(path, file.get(), size_t(fileBytes));
  if (got < long(kBmpFileHeaderBytes)) return nullptr;
  size_t dibBytes = size_t(got) - kBmpFileHeaderBytes;
  if (!IsSoundCachedImage(file.get() + kBmpFileHeaderBytes, dibBytes)) return nullptr;
  void* block = platform::GlobalBlockAlloc(dibBytes);
  if (block) std::memcpy(block, file.get() + kBmpFileHeaderBytes, dibBytes);
  return static_cast<PackedDib>(block);
}

void DeleteThumbnail(const char* sourcePath, int number) {
  char path[kCachePathBytes];
  // No cache file is the common case: the thumbnail was never made.
  if (CacheFilePath(sourcePath, number, path, sizeof path) && !platform::DeleteOneFile(path) &&
      platform::FileExists(path))
    platform::TraceLastError("DeleteThumbnail", path);
}
