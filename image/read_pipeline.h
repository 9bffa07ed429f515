// Decoding one file into a 24-bit PackedDib through its reader plug-in.
#pragma once

#include <cstdint>

#include "image/packed_dib.h"

enum class ReadMode {
  Direct,     // a file the user asked for: alpha blended for PNG, errors reported
  Extracted,  // a fast-path temporary file: no alpha, silent failures
  Silent,     // a file of the browsed folder read by the thumbnail worker:
              // alpha blended for PNG, failures never shown (the worker's
              // placeholder says it)
};

struct PictureSize {
  int32_t width = 0, height = 0, bitsPerPixel = 0;
};

// A read for a thumbnail of boxWidth x boxHeight: a reader with the scaled
// export (ReadFileExecScaled) may deliver a smaller picture that still
// covers the box. A box side of 0 or less asks for the whole picture.
struct ReadRequest {
  ReadMode mode = ReadMode::Direct;
  int32_t boxWidth = 0, boxHeight = 0;
  bool reuseMemory = false;  // decode into the process-wide reusable images
};

// Sizes the picture with the plug-in's ReadFileGetSize, decodes it with
// ReadFileExec into an image of the reported depth and widens it to 24 bits.
// Returns a new image owned by the caller, or nullptr. A size the plug-in
// reports that is not a positive width and height at 1, 4, 8 or 24 bits, or
// whose images would not fit in memory, fails the read. So does a decode
// that the reader reports failed before it delivered any row; one that
// failed later keeps the rows delivered (the rest black).
// The reader is loaded once for the whole read.
PackedDib ReadImageFile(const char* fileName, void* owner, const char* pluginPath, ReadMode mode);

// The same read for a thumbnail: through the reader's scaled export when it
// has one and accepts the box, else whole. The 24-bit picture lives in the
// process-wide reusable images (reusable_image.h): valid until the next read,
// never freed by the caller. `whole` receives the size ReadFileGetSize
// reported, which the thumbnail's own size follows. nullptr on failure.
const DibHeader* ReadPictureInPlace(const char* fileName, void* owner, const char* pluginPath,
                                    const ReadRequest& request, PictureSize* whole);

// A new 24-bit copy of an image of 1, 4, 8 or 24 bits (other depths give a
// black image), or nullptr. The input is left untouched.
PackedDib ConvertTo24Bit(const DibHeader* image);
// The same conversion into an existing 24-bit image of the same size.
void ConvertInto(const DibHeader* image, PackedDib converted);

// Blends a 24-bit image over white by the 8-bit opacities of `alpha` (same
// size): out = (a * (v - 255) + 65025) / 255.
void CompositeOnWhite(PackedDib target, const DibHeader* alpha);
