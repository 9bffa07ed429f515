// One thumbnail from one file, as the grid's worker needs it: the fast path
// of "kvt" files, the reader of the file's extension, a reduced decode where
// the reader offers one, and the fit into the thumbnail area.
#pragma once

#include <cstdint>

#include "image/packed_dib.h"

// The thumbnail of `path` fitted into areaWidth x areaHeight (FitThumbnail's
// size and rules, computed from the picture's whole size even when the
// reader delivered it reduced), owned by the caller; nullptr when no reader
// claims the file or it cannot be read. Never shows a message: the caller
// shows its placeholder instead. Uses the process-wide read state and
// reusable images: one call at a time (the single worker).
PackedDib MakeThumbnail(void* owner, const char* path, int32_t areaWidth, int32_t areaHeight);
