// Fitting a picture into a thumbnail box by nearest-neighbour resampling.
#pragma once

#include "image/packed_dib.h"

// A new 24-bit image that fits `image` into boxWidth x boxHeight keeping its
// proportions (small pictures are enlarged), or nullptr. The input is kept.
PackedDib FitThumbnail(const DibHeader* image, int32_t boxWidth, int32_t boxHeight);

// Fills the whole 24-bit `destination` from the 24-bit `source`, each pixel a
// copy of the nearest source pixel.
void ResampleNearest(const DibHeader* source, PackedDib destination);
