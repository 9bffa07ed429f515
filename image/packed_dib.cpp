#include "image/packed_dib.h"

#include <cstring>

#include "platform/platform.h"

int64_t RowStride(int64_t width, int64_t bitsPerPixel) {
  if (width < 0 || bitsPerPixel <= 0 || bitsPerPixel > 32) return -1;
  int64_t stride = ((width * bitsPerPixel + 31) / 32) * 4;
  return stride <= int64_t(kMaxPackedDibBytes) ? stride : -1;
}

uint32_t NewColourTableBytes(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1: return 8;
    case 4: return 64;
    case 8: return 1024;
    default: return 0;
  }
}

static bool IsCreatableDepth(int bitsPerPixel) {
  return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 24;
}

uint64_t PackedDibBytes(int64_t width, int64_t height, int bitsPerPixel) {
  if (height < 0 || !IsCreatableDepth(bitsPerPixel)) return 0;
  int64_t stride = RowStride(width, bitsPerPixel);
  if (stride < 0) return 0;
  uint64_t pixels = uint64_t(stride) * uint64_t(height);
  if (stride != 0 && pixels / uint64_t(stride) != uint64_t(height)) return 0;
  uint64_t total = sizeof(DibHeader) + NewColourTableBytes(bitsPerPixel) + pixels;
  return total <= kMaxPackedDibBytes ? total : 0;
}

static void FillDefaultColourTable(uint8_t* table, int bitsPerPixel) {
  int entries = bitsPerPixel == 4 ? 16 : bitsPerPixel == 8 ? 256 : 0;
  for (int i = 0; i < entries; ++i) {
    uint8_t grey = uint8_t(bitsPerPixel == 4 ? (i * 255) / 15 : i);
    table[4 * i + 0] = grey;
    table[4 * i + 1] = grey;
    table[4 * i + 2] = grey;
  }
}

PackedDib CreatePackedDib(int32_t width, int32_t height, int32_t bitsPerPixel) {
  uint64_t bytes = PackedDibBytes(width, height, bitsPerPixel);
  if (bytes == 0) return nullptr;
  void* block = platform::GlobalBlockAlloc(size_t(bytes));
  return block ? FormatPackedDib(block, width, height, bitsPerPixel) : nullptr;
}

PackedDib FormatPackedDib(void* zeroedBlock, int32_t width, int32_t height, int32_t bitsPerPixel) {
  auto* header = static_cast<DibHeader*>(zeroedBlock);
  header->biSize = sizeof(DibHeader);
  header->biWidth = width;
  header->biHeight = height;
  header->biPlanes = 1;
  header->biBitCount = uint16_t(bitsPerPixel);
  FillDefaultColourTable(ColourTable(header), bitsPerPixel);
  return header;
}

void FreePackedDib(PackedDib image) { platform::GlobalBlockFree(image); }

uint32_t ColourTableSize(const DibHeader* header) {
  int bits = header->biBitCount;
  if (header->biSize != sizeof(DibHeader)) {
    // BITMAPCOREHEADER: 3-byte entries.
    return bits == 1 ? 6 : bits == 4 ? 48 : bits == 8 ? 768 : 0;
  }
  if (header->biClrUsed != 0) return 4 * header->biClrUsed;
  if (bits == 1 || bits == 4 || bits == 8) return NewColourTableBytes(bits);
  if ((bits == 16 || bits == 32) && header->biCompression != 0) return 12;
  return 0;
}

uint8_t* ColourTable(PackedDib image) { return reinterpret_cast<uint8_t*>(image) + image->biSize; }

int32_t DibStride(const DibHeader* image) {
  return int32_t(RowStride(image->biWidth, image->biBitCount));
}

const uint8_t* DibRow(const DibHeader* image, int32_t row) {
  const uint8_t* pixels =
      reinterpret_cast<const uint8_t*>(image) + image->biSize + ColourTableSize(image);
  return pixels + size_t(image->biHeight - 1 - row) * size_t(DibStride(image));
}

uint8_t* DibRow(PackedDib image, int32_t row) {
  return const_cast<uint8_t*>(DibRow(static_cast<const DibHeader*>(image), row));
}

namespace {

// The part of a span that lies inside the image: columns [first, last] and the
// buffer offset (in pixels) of column `first`.
struct ClippedSpan {
  int32_t first, last, bufferSkip, bytesPerPixel;
};

bool ClipSpan(const DibHeader* image, int32_t row, int32_t xFirst, int32_t xLast,
              ClippedSpan* span) {
  if (image->biBitCount != 24 && image->biBitCount != 8) return false;
  if (row < 0 || row >= image->biHeight) return false;
  span->bytesPerPixel = image->biBitCount / 8;
  span->bufferSkip = xFirst < 0 ? -xFirst : 0;
  span->first = xFirst < 0 ? 0 : xFirst;
  span->last = xLast < image->biWidth - 1 ? xLast : image->biWidth - 1;
  return span->first <= image->biWidth - 1 && xLast >= 0 && span->first <= span->last;
}

}  // namespace

int ReadPixelSpan(const DibHeader* image, int32_t row, int32_t xFirst, int32_t xLast,
                  void* buffer) {
  ClippedSpan span;
  if (!image || !ClipSpan(image, row, xFirst, xLast, &span)) return 0;
  std::memcpy(static_cast<uint8_t*>(buffer) + size_t(span.bufferSkip) * span.bytesPerPixel,
              DibRow(image, row) + size_t(span.first) * span.bytesPerPixel,
              size_t(span.last - span.first + 1) * span.bytesPerPixel);
  return 1;
}

int WritePixelSpan(PackedDib image, int32_t row, int32_t xFirst, int32_t xLast,
                   const void* buffer) {
  ClippedSpan span;
  if (!image || !ClipSpan(image, row, xFirst, xLast, &span)) return 0;
  std::memcpy(DibRow(image, row) + size_t(span.first) * span.bytesPerPixel,
              static_cast<const uint8_t*>(buffer) + size_t(span.bufferSkip) * span.bytesPerPixel,
              size_t(span.last - span.first + 1) * span.bytesPerPixel);
  return 1;
}
