// Saving a picture as a Windows bitmap file: the 14-byte file header, then
// the PackedDib's header, colour table and bottom-up rows. Window-free.
#pragma once

#include <cstdint>
#include <vector>

#include "image/packed_dib.h"

// The whole file, or an empty vector for an image of another depth than
// 1, 4, 8 or 24 bits or an impossible size.
std::vector<uint8_t> BmpFileBytes(const DibHeader* image);
// Creates or replaces the file; false when it cannot be written.
bool WriteBmpFile(const char* path, const DibHeader* image);
