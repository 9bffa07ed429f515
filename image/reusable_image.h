// Images that the reading pipeline fills again for every picture: the decode
// target, its 24-bit conversion and the alpha plane, one set per thread that
// reads. Writing into memory touched before costs a fraction of a fresh
// block's first write (about 90 ms per 36 MB under Wine), so a folder of
// photos reuses one block per role. The images are never handed to anyone
// who would free them; a thread that stops reading frees its own with
// ReleaseReusableImages.
#pragma once

#include <cstdint>

#include "image/packed_dib.h"

enum class ReusableRole { Decoded, Converted, Alpha };

// A zero-filled image of depth 1, 4, 8 or 24 with its default colour table,
// as CreatePackedDib makes it, held in the role's block (grown when too
// small). Valid until the role's next call or ReleaseReusableImages. nullptr
// for sizes CreatePackedDib refuses or when memory runs out.
PackedDib ReusableImage(ReusableRole role, int32_t width, int32_t height, int32_t bitsPerPixel);

// Frees blocks larger than an ordinary photo needs, so that one huge
// picture does not keep its memory for the life of the process.
void TrimReusableImages();
// Frees every block of the calling thread.
void ReleaseReusableImages();
