// The fast path for the family's native "kvt" files: the reader writes the
// file's ready-made picture to a temporary file of an ordinary format, which
// is read silently and deleted.
#pragma once

#include "image/packed_dib.h"

// A 24-bit picture owned by the caller, or nullptr when the reader has no fast
// picture (the caller then reads the file itself).
PackedDib ReadFastImage(void* owner, const char* fileName);
