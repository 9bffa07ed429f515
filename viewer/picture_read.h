// The viewer's one call into the reading pipeline: a whole picture, full
// size, through the reader plug-in that claims the file. Window-free.
#pragma once

#include "image/packed_dib.h"

// A 24-bit picture owned by the caller, or nullptr when no reader claims the
// file or it cannot be read. The pipeline's own messages are held back: the
// viewer says what went wrong itself.
PackedDib ReadPicture(void* owner, const char* path);
