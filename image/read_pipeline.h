// Decoding one file into a 24-bit PackedDib through its reader plug-in.
#pragma once

#include "image/packed_dib.h"

enum class ReadMode {
  Direct,     // a file of the browsed folder: alpha blended for PNG, errors reported
  Extracted,  // a fast-path temporary file: no alpha, silent failures
};

// Sizes the picture with the plug-in's ReadFileGetSize, decodes it with
// ReadFileExec into an image of the reported depth and widens it to 24 bits.
// Returns a new image owned by the caller, or nullptr. A size the plug-in
// reports that is not a positive width and height at 1, 4, 8 or 24 bits, or
// whose images would not fit in memory, fails the read.
PackedDib ReadImageFile(const char* fileName, void* owner, const char* pluginPath, ReadMode mode);

// A new 24-bit copy of an image of 1, 4, 8 or 24 bits (other depths give a
// black image), or nullptr. The input is left untouched.
PackedDib ConvertTo24Bit(const DibHeader* image);

// Blends a 24-bit image over white by the 8-bit opacities of `alpha` (same
// size): out = (a * (v - 255) + 65025) / 255.
void CompositeOnWhite(PackedDib target, const DibHeader* alpha);
