// What the first bytes of a camera file tell: the JPEG frame size and the
// EXIF orientation (tag 274); and turning a decoded picture upright.
#pragma once

#include <cstddef>
#include <cstdint>

// The orientation (1 to 8) recorded in the file's first IFD, or 1 when the
// bytes hold none or are malformed. Reads only within `size` bytes.
int ExifOrientation(const uint8_t* data, size_t size);

// Where the preview JPEG that cameras store in the second IFD of an EXIF
// block lies (JPEGInterchangeFormat and its length), as an offset from the
// start of `data` (the TIFF header after "Exif\0\0"). False when there is
// none, it does not lie wholly within `size` bytes, or the picture was
// changed after it was taken (a modify date that is not the date taken), so
// the preview may no longer show it.
bool ExifPreviewSpan(const uint8_t* data, size_t size, size_t* offset, size_t* length);

// The frame header of a baseline, extended or progressive JPEG: size and
// number of components. False when `data` does not reach a sound SOF marker.
bool JpegFrameSize(const uint8_t* data, size_t size, int* width, int* height, int* components);

// The number of scans (start-of-scan markers) of a JPEG file, walking its
// segments and the coded data between them, up to `stopAt` (the walk ends
// there). 0 when `data` is not a JPEG; a malformed file counts what came
// before the fault.
int CountJpegScans(const uint8_t* data, size_t size, int stopAt);

// True for the orientations that swap width and height (5 to 8).
inline bool OrientationSwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

// Writes row `y` of the upright picture of a width x height source of
// `pixelBytes`-byte pixels (rows top-down, tightly packed) into `row`, which
// holds one upright row (height pixels for orientations 5 to 8).
void OrientRow(int orientation, const uint8_t* source, int width, int height, int pixelBytes, int y,
               uint8_t* row);

// Writes the upright picture of a width x height source of `pixelBytes`-byte
// pixels (rows top-down, tightly packed) into `upright`, whose width and
// height are swapped for orientations 5 to 8.
void OrientPixels(int orientation, const uint8_t* source, int width, int height, int pixelBytes,
                  uint8_t* upright);
