// Fitting a picture into a thumbnail box by nearest-neighbour resampling.
#pragma once

#include "image/packed_dib.h"

// A new 24-bit image that fits `image` into boxWidth x boxHeight keeping its
// proportions (small pictures are enlarged), or nullptr. The input is kept.
PackedDib FitThumbnail(const DibHeader* image, int32_t boxWidth, int32_t boxHeight);

// The size FitThumbnail gives a width x height picture (both positive) in
// the box.
void FittedSize(int32_t width, int32_t height, int32_t boxWidth, int32_t boxHeight,
                int32_t* fittedWidth, int32_t* fittedHeight);

// A new 24-bit image of width x height resampled from the 24-bit `image`, or
// nullptr (also for an image without pixels or of another depth).
PackedDib ResampledCopy(const DibHeader* image, int32_t width, int32_t height);

// Fills the whole 24-bit `destination` from the 24-bit `source`, each pixel a
// copy of the nearest source pixel.
void ResampleNearest(const DibHeader* source, PackedDib destination);
