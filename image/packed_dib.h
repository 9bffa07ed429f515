// PackedDib: one locked global block holding a BITMAPINFOHEADER, its colour
// table and bottom-up pixel rows padded to 4 bytes. The locked address of the
// block is the image; FreePackedDib releases it.
#pragma once

#include <cstdint>
#include <memory>

// Laid out exactly as the Win32 BITMAPINFOHEADER.
struct DibHeader {
  uint32_t biSize;
  int32_t biWidth;
  int32_t biHeight;
  uint16_t biPlanes;
  uint16_t biBitCount;
  uint32_t biCompression;
  uint32_t biSizeImage;
  int32_t biXPelsPerMeter;
  int32_t biYPelsPerMeter;
  uint32_t biClrUsed;
  uint32_t biClrImportant;
};
static_assert(sizeof(DibHeader) == 40, "BITMAPINFOHEADER is 40 bytes");

using PackedDib = DibHeader*;

// Largest block the browser will allocate for one image. Anything larger
// cannot be mapped into a 32-bit process anyway, and keeping every size below
// 2^31 keeps the row arithmetic in 32-bit signed range.
constexpr uint64_t kMaxPackedDibBytes = 0x7FFFFFFF;

// Bytes per row: ((width * bits + 31) / 32) * 4. Returns -1 when it would not
// fit kMaxPackedDibBytes.
int64_t RowStride(int64_t width, int64_t bitsPerPixel);
// Colour-table bytes that follow this depth's header in a new image.
uint32_t NewColourTableBytes(int bitsPerPixel);
// Total block size of a new image, or 0 when the size is invalid or too big.
uint64_t PackedDibBytes(int64_t width, int64_t height, int bitsPerPixel);

// A new zero-filled image of depth 1, 4, 8 or 24 with its default colour table
// (greys at 4 and 8 bits, black at 1 bit). A width or height of 0 is allowed
// (an image with no pixels); negative sizes, other depths and blocks over
// kMaxPackedDibBytes give nullptr, as does a failed allocation.
PackedDib CreatePackedDib(int32_t width, int32_t height, int32_t bitsPerPixel);
void FreePackedDib(PackedDib image);
// Writes the header and default colour table of a new image into a
// zero-filled block of at least PackedDibBytes(width, height, bits) bytes
// (the size already checked) and returns it as the image.
PackedDib FormatPackedDib(void* zeroedBlock, int32_t width, int32_t height, int32_t bitsPerPixel);

// Bytes of colour table that follow a DIB header (core headers included).
uint32_t ColourTableSize(const DibHeader* header);

uint8_t* ColourTable(PackedDib image);
// Start of row `row` counted from the top (row 0 is the top row).
uint8_t* DibRow(PackedDib image, int32_t row);
const uint8_t* DibRow(const DibHeader* image, int32_t row);
int32_t DibStride(const DibHeader* image);

// Copy pixels xFirst..xLast of one row of a 24-bit image (3 bytes each) or an
// 8-bit image (1 byte each) out of or into a buffer. A negative xFirst skips
// that many buffer pixels; xLast is clipped to the last column. Returns 0 and
// copies nothing when the row is outside the image, the span is empty after
// clipping, or the image has another depth.
int ReadPixelSpan(const DibHeader* image, int32_t row, int32_t xFirst, int32_t xLast, void* buffer);
int WritePixelSpan(PackedDib image, int32_t row, int32_t xFirst, int32_t xLast, const void* buffer);

// Owns a PackedDib for one scope.
struct PackedDibDeleter {
  void operator()(DibHeader* image) const { FreePackedDib(image); }
};
using PackedDibPtr = std::unique_ptr<DibHeader, PackedDibDeleter>;
