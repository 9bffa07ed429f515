// The thumbnail cache: one BMP file per thumbnail in "<program>cacheNN\",
// named after the source's file name and last-write stamp. It lives for one
// listing and is emptied at every reload. Each running browser has a folder
// of its own (cache24, cache25, ...), held by an open lock file inside it, so
// that no browser empties the thumbnails of another.
#pragma once

#include <cstddef>

#include "image/packed_dib.h"
#include "platform/platform.h"

constexpr int kFirstCacheFolderNumber = 24;
constexpr int kLastCacheFolderNumber = 99;
constexpr char kCacheLockName[] = "owner.lck";
constexpr size_t kBmpFileHeaderBytes = 14;

// "<program>cacheNN\<name><stamp, 10 digits>.tmp". False when the source has
// no name or the result does not fit `size` bytes.
bool CacheFilePath(const char* sourcePath, int number, char* out, size_t size);

// Makes the cache folder (an existing one is fine) and empties it.
void CreateCacheFolder(int number);

// Finds the first folder number from 24 on whose lock file nobody holds,
// makes that folder, holds its lock in `lock` and empties it. Returns the
// number, or 0 when no folder up to 99 could be taken.
int ClaimFreeCacheFolder(platform::ExclusiveFile* lock);

// The process's own cache folder: claimed once when the main window is made
// and held until the process ends (a process that dies frees it as well).
// With no folder free it falls back to sharing cache24, as browsers once did.
int ClaimCacheFolder();
void ReleaseCacheFolder();
// The number ClaimCacheFolder took; 24 before it runs.
int OwnCacheFolderNumber();
// Deletes every *.tmp file of the cache folder; a file that cannot be
// deleted is left and the others still go.
void EmptyCacheFolder(int number);

// Writes the 14-byte BMP file header and the whole image in one write.
// False when the image is missing or the file cannot be written completely.
bool StoreThumbnail(const char* sourcePath, const DibHeader* image, int number);

// The cached thumbnail of the source, or nullptr when there is none or the
// file is not a sound 24-bit bottom-up bitmap whose pixels fit the bytes read.
PackedDib LoadThumbnail(const char* sourcePath, int number);

// Deletes the cached thumbnail of the source (if any).
void DeleteThumbnail(const char* sourcePath, int number);

// Exposed for tests: checks a cache file's bytes after the 14-byte header.
bool IsSoundCachedImage(const void* dib, size_t bytes);
