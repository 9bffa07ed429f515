// The readers' arithmetic, apart from libjpeg and from Windows: which
// reduced decode serves a thumbnail box (the JPEG reader's scales, the WIC
// reader's picked pixels), which sizes are refused, and the colour
// conversion of CMYK pictures.
#pragma once

#include <cstddef>
#include <cstdint>

// A progressive file may hold any number of scans, and each one costs a pass
// over the whole picture's coefficients, whatever the output scale (about
// 11 ms for 16 megapixels): 5,000 repeated scans hold a decode for a minute.
// Encoders write 1 scan (baseline, every camera), 6 to 10 (libjpeg's and
// ImageMagick's progressive scripts) or a few more (optimised scripts, at
// most one scan per band and bit of each component, a few dozen); 100 is
// far beyond all of them and keeps the worst file's decode near a second.
// Both readers refuse a file with more.
constexpr int kMaxJpegScans = 100;

// libjpeg decodes at n/8 of the stored size for n = 1 to 8; each side is
// rounded up: ceil(side * n / 8).
int ScaledSide(int side, int eighths);

// The smallest n (1 to 8) whose picture of n/8 of width x height still covers
// what fitting the whole picture into boxWidth x boxHeight keeping its
// proportions needs, so the fit only ever reduces. The box is given in the
// picture's stored orientation. A box with a side of 0 or less gives 8.
int ChooseScaleEighths(int width, int height, int boxWidth, int boxHeight);

// Whether a camera's preview of previewWidth x previewHeight can stand for
// the picture of width x height (both as stored) in the box (in the stored
// orientation too): it has the picture's shape to within a pixel, so it holds
// no black bars, and it covers the fit as ChooseScaleEighths decides.
bool PreviewCoversBox(int previewWidth, int previewHeight, int width, int height, int boxWidth,
                      int boxHeight);

// For readers that can only pick pixels (every k-th of every k-th row): the
// largest k of 1, 2, 4 and 8 whose picture of ceil(width / k) x
// ceil(height / k) still covers the fit into the box, as ChooseScaleEighths
// decides. The box in the picture's stored orientation.
int ChoosePickingFactor(int width, int height, int boxWidth, int boxHeight);

// False for sizes the browser could not hold as a 24-bit picture (every
// block below 2 GiB) or that libjpeg cannot decode (a side above 65,500):
// such files are refused before anything is allocated.
bool IsAcceptableJpegSize(int64_t width, int64_t height);

// Turns `width` CMYK pixels (4 bytes each) into blue, green, red bytes. An
// Adobe file stores its inks inverted (0 is full ink), as libjpeg delivers
// them; `inverted` false is the plain form (0 is no ink).
void CmykToBgr(const uint8_t* cmyk, int width, bool inverted, uint8_t* bgr);

// ---- Sizes of buffers made from a file's numbers -----------------------------------
// Every product is computed in size_t and checked, so a 32-bit build refuses
// what a 64-bit one would refuse for memory, never wraps.

// a * b, or false when it does not fit in size_t.
bool CheckedProduct(size_t a, size_t b, size_t* product);

// Bytes of one row of `width` pixels of `bits` bits padded to 4 bytes, as
// Windows lays out bitmaps and WIC strides; 0 when it does not fit in 31 bits.
uint32_t PaddedRowBytes(uint64_t width, uint32_t bits);

// How many rows of `rowBytes` one strip of a decode holds: at most
// `maxRows` and the picture's `height`, and no more than `budget` bytes
// unless a single row is already larger (then one row). 0 for an empty row
// or picture.
size_t StripRows(size_t rowBytes, size_t height, size_t maxRows, size_t budget);
