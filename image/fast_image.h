// The fast path for the family's native "kvt" files: the reader writes the
// file's ready-made picture to a temporary file of an ordinary format, which
// is read silently and deleted. Only a file directly in the user's temporary
// folder is deleted, and never the picture itself: a faulty reader that
// names another file loses nobody's file.
#pragma once

#include "image/packed_dib.h"

// A 24-bit picture owned by the caller, or nullptr when the reader has no fast
// picture (the caller then reads the file itself).
PackedDib ReadFastImage(void* owner, const char* fileName);

// True when the path the reader gave is a file it may have made: a file
// directly in the temporary folder, no wildcard, not the file read.
bool IsFastPictureFile(const char* tempPath, const char* fileName);
