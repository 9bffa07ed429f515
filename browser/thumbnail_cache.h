// The thumbnail cache: one BMP file per thumbnail in "<program>cache24\",
// named after the source's file name and last-write stamp. It lives for one
// listing and is emptied at every reload.
#pragma once

#include <cstddef>

#include "image/packed_dib.h"

constexpr int kCacheFolderNumber = 24;
constexpr size_t kBmpFileHeaderBytes = 14;

// "<program>cache24\<name><stamp, 10 digits>.tmp". False when the source has
// no name or the result does not fit `size` bytes.
bool CacheFilePath(const char* sourcePath, int number, char* out, size_t size);

// Makes the cache folder (an existing one is fine) and empties it.
void CreateCacheFolder(int number);
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
