// Saving a picture as a Windows bitmap file: the 14-byte file header, then
// the PackedDib's header and colour table, then its bottom-up rows straight
// from the picture's memory (no second copy of the picture). Window-free.
#pragma once

#include <cstdint>
#include <vector>

#include "image/packed_dib.h"
#include "viewer/safe_save.h"

// The file header, the picture's header and its colour table: everything
// before the rows. Empty for an image of another depth than 1, 4, 8 or 24
// bits or an impossible size.
std::vector<uint8_t> BmpHeaderBytes(const DibHeader* image);
// Writes the file, a band of rows at a time; the problem when it cannot.
SaveProblem WriteBmpFile(const char* path, const DibHeader* image);
