#include "image/read_pipeline.h"

#include <cstring>
#include <memory>
#include <new>

#include "image/plugin_api.h"
#include "image/plugin_registry.h"
#include "image/read_callbacks.h"
#include "image/reusable_image.h"
#include "platform/platform.h"
#include "text/path_utils.h"

namespace {

bool IsDecodableDepth(int32_t bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24; }

// A plug-in's answer is untrusted: refuse anything that cannot be allocated
// as the target, its alpha plane and its 24-bit conversion.
bool IsAcceptableSize(const PictureSize& size) {
  return size.width > 0 && size.height > 0 && IsDecodableDepth(size.bitsPerPixel) &&
         PackedDibBytes(size.width, size.height, size.bitsPerPixel) != 0 &&
         PackedDibBytes(size.width, size.height, 24) != 0 &&
         PackedDibBytes(size.width, size.height, 8) != 0;
}

PictureSize EntrySize(const ImageSizeRecord& record) {
  return {record.entries[0].width, record.entries[0].height, record.entries[0].bitsPerPixel};
}

bool ReportsFailures(ReadMode mode) { return mode == ReadMode::Direct; }
bool KeepsAlpha(ReadMode mode) { return mode != ReadMode::Extracted; }

// The reader loaded once for the whole read: size query and decode.
struct LoadedReader {
  platform::ScopedLibrary library;
  ReadFileInitFn init;
  ReadFileGetSizeFn getSize;
  ReadFileExecFn exec;
  ReadFileExecScaledFn execScaled;

  explicit LoadedReader(const char* path)
      : library(path),
        init(reinterpret_cast<ReadFileInitFn>(library.Export("ReadFileInit"))),
        getSize(reinterpret_cast<ReadFileGetSizeFn>(library.Export("ReadFileGetSize"))),
        exec(reinterpret_cast<ReadFileExecFn>(library.Export("ReadFileExec"))),
        execScaled(reinterpret_cast<ReadFileExecScaledFn>(library.Export("ReadFileExecScaled"))) {}
};

// The three records a reader receives, zero-filled again before each call.
struct Records {
  platform::GlobalRecord<ImageSizeRecord> size;
  platform::GlobalRecord<ImageExtraRecord> extra;
  platform::GlobalRecord<DecodeWorkRecord> work;

  void Clear() {
    std::memset(size.Get(), 0, sizeof(ImageSizeRecord));
    std::memset(extra.Get(), 0, sizeof(ImageExtraRecord));
    std::memset(work.Get(), 0, sizeof(DecodeWorkRecord));
  }
};

bool AllRecordsAllocated(void* owner, ReadMode mode, const Records& records) {
  bool all = true;
  for (const void* record :
       {static_cast<const void*>(records.size.Get()), static_cast<const void*>(records.extra.Get()),
        static_cast<const void*>(records.work.Get())}) {
    if (!record) {
      if (mode != ReadMode::Silent) platform::ShowInformation(owner, "critical error1", "error");
      all = false;
    }
  }
  return all;
}

// ReadFileInit (when exported), then ReadFileGetSize: the whole picture.
bool QuerySize(const char* fileName, void* owner, LoadedReader& reader, Records& records,
               PictureSize* size) {
  // A reader that could not decode afterwards fails the read now.
  if (!reader.getSize || !reader.exec) return false;
  if (reader.init) reader.init(owner, fileName, 0);
  records.Clear();
  records.size->imageCount = 1;
  if (!reader.getSize(owner, fileName, records.size.Get(), records.extra.Get())) return false;
  *size = EntrySize(*records.size);
  return IsAcceptableSize(*size);
}

// The reduced size the reader offers for the box, or false when it has no
// scaled export, declines, or answers a size that cannot be held.
bool QueryScaledSize(const char* fileName, void* owner, const ReadRequest& request,
                     LoadedReader& reader, Records& records, PictureSize* size) {
  if (!reader.execScaled || request.boxWidth <= 0 || request.boxHeight <= 0) return false;
  records.Clear();
  records.size->imageCount = 1;
  records.size->entries[0].width = size->width;  // the whole picture
  records.size->entries[0].height = size->height;
  records.size->entries[0].bitsPerPixel = size->bitsPerPixel;
  if (!reader.execScaled(owner, fileName, request.boxWidth, request.boxHeight, records.size.Get(),
                         records.extra.Get(), records.work.Get(), nullptr))
    return false;
  *size = EntrySize(*records.size);
  return IsAcceptableSize(*size);
}

// Calls the decode export into `target`; collects alpha where the mode
// keeps it and blends PNG pictures over white. False when the reader
// reported a failure before delivering any row: nothing of the picture came.
// A failure after some rows keeps them (a cut file shows its top).
bool Decode(const char* fileName, void* owner, const ReadRequest& request, LoadedReader& reader,
            Records& records, bool scaled, PackedDib target) {
  platform::BusyCursor busy;
  records.Clear();
  ImageSizeRecord& size = *records.size;
  size.resolutionX = 96;
  size.resolutionY = 96;
  size.reserved = 0;
  size.imageCount = 1;
  size.entries[0].width = target->biWidth;
  size.entries[0].height = target->biHeight;
  size.entries[0].bitsPerPixel = target->biBitCount;
  g_readState.target = target;
  g_readState.bitsPerPixel = target->biBitCount;
  g_readState.keepAlpha = KeepsAlpha(request.mode);
  g_readState.alphaPlane = nullptr;
  g_readState.alphaSeen = false;
  g_readState.rowsDelivered = 0;

  const ReadCallbacks callbacks = {PutRow, KeepsAlpha(request.mode) ? PutAlpha : IgnoreAlpha,
                                   PutPalette, PutChannel};
  int32_t result = scaled ? reader.execScaled(owner, fileName, request.boxWidth, request.boxHeight,
                                              records.size.Get(), records.extra.Get(),
                                              records.work.Get(), &callbacks)
                          : reader.exec(owner, fileName, records.size.Get(), records.extra.Get(),
                                        records.work.Get(), &callbacks);
  if (g_readState.alphaPlane && g_readState.alphaSeen && HasExtension(fileName, "png") &&
      target->biBitCount == 24)
    CompositeOnWhite(target, g_readState.alphaPlane);
  g_readState.target = nullptr;
  g_readState.alphaPlane = nullptr;
  return result != 0 || g_readState.rowsDelivered > 0;
}

PackedDib MakeTarget(const ReadRequest& request, const PictureSize& size) {
  return request.reuseMemory
             ? ReusableImage(ReusableRole::Decoded, size.width, size.height, size.bitsPerPixel)
             : CreatePackedDib(size.width, size.height, size.bitsPerPixel);
}

// The picture at the reader's depth, or nullptr.
PackedDib ReadAtReaderDepth(const char* fileName, void* owner, const char* pluginPath,
                            const ReadRequest& request, PictureSize* whole) {
  std::strncpy(g_readState.pluginPath, pluginPath, sizeof g_readState.pluginPath - 1);
  g_readState.pluginPath[sizeof g_readState.pluginPath - 1] = '\0';
  ReaderTurn turn(pluginPath);
  LoadedReader reader(pluginPath);
  Records records;
  if (!AllRecordsAllocated(owner, request.mode, records)) return nullptr;
  if (!QuerySize(fileName, owner, reader, records, whole)) {
    if (ReportsFailures(request.mode)) platform::ShowInformation(owner, "read error", fileName);
    return nullptr;
  }
  PictureSize delivered = *whole;
  bool scaled = QueryScaledSize(fileName, owner, request, reader, records, &delivered);
  if (!scaled) delivered = *whole;
  PackedDib target = MakeTarget(request, delivered);
  if (!target || Decode(fileName, owner, request, reader, records, scaled, target)) return target;
  if (!request.reuseMemory) FreePackedDib(target);
  if (ReportsFailures(request.mode)) platform::ShowInformation(owner, "read error", fileName);
  return nullptr;
}

}  // namespace

PackedDib ReadImageFile(const char* fileName, void* owner, const char* pluginPath, ReadMode mode) {
  ReadRequest request;
  request.mode = mode;
  PictureSize whole;
  PackedDibPtr decoded(ReadAtReaderDepth(fileName, owner, pluginPath, request, &whole));
  if (!decoded || decoded->biBitCount == 24) return decoded.release();
  return ConvertTo24Bit(decoded.get());
}

const DibHeader* ReadPictureInPlace(const char* fileName, void* owner, const char* pluginPath,
                                    const ReadRequest& request, PictureSize* whole) {
  ReadRequest reused = request;
  reused.reuseMemory = true;
  PackedDib decoded = ReadAtReaderDepth(fileName, owner, pluginPath, reused, whole);
  if (!decoded || decoded->biBitCount == 24) return decoded;
  PackedDib converted =
      ReusableImage(ReusableRole::Converted, decoded->biWidth, decoded->biHeight, 24);
  if (converted) ConvertInto(decoded, converted);
  return converted;
}

void CompositeOnWhite(PackedDib target, const DibHeader* alpha) {
  int32_t width = target->biWidth;
  // One block: colour row, opacity row and output row.
  std::unique_ptr<uint8_t[]> scratch(new (std::nothrow) uint8_t[size_t(width) * 7 + 100]);
  if (!scratch) return;
  uint8_t* colour = scratch.get();
  uint8_t* opacity = colour + size_t(width) * 3;
  uint8_t* out = opacity + size_t(width);
  for (int32_t row = 0; row < target->biHeight; ++row) {
    ReadPixelSpan(target, row, 0, width - 1, colour);
    ReadPixelSpan(alpha, row, 0, width - 1, opacity);
    for (int32_t x = 0; x < width; ++x) {
      int32_t a = opacity[x];
      for (int c = 0; c < 3; ++c)
        out[3 * x + c] = uint8_t((a * (colour[3 * x + c] - 255) + 65025) / 255);
    }
    WritePixelSpan(target, row, 0, width - 1, out);
  }
}

namespace {

// Expands one source row of depth `bits` into 3-byte pixels through `table`.
void ExpandRow(const uint8_t* source, int32_t width, int bits, const uint8_t (*table)[4],
               uint8_t* out) {
  for (int32_t k = 0; k < width; ++k) {
    uint8_t* pixel = out + 3 * size_t(k);
    int index;
    switch (bits) {
      case 1: index = (source[k / 8] >> (7 - k % 8)) & 1; break;
      case 4: index = k % 2 == 0 ? source[k / 2] >> 4 : source[k / 2] & 0x0F; break;
      case 8: index = source[k]; break;
      case 24: std::memcpy(pixel, source + 3 * size_t(k), 3); continue;
      default: continue;  // unknown depth: the pixel stays black
    }
    std::memcpy(pixel, table[index], 3);
  }
}

}  // namespace

PackedDib ConvertTo24Bit(const DibHeader* image) {
  PackedDib converted = CreatePackedDib(image->biWidth, image->biHeight, 24);
  if (converted) ConvertInto(image, converted);
  return converted;
}

void ConvertInto(const DibHeader* image, PackedDib converted) {
  int32_t width = image->biWidth, height = image->biHeight;
  int bits = image->biBitCount;
  uint8_t table[256][4] = {};
  if (bits != 24) {
    uint32_t tableBytes = ColourTableSize(image);
    std::memcpy(table, reinterpret_cast<const uint8_t*>(image) + image->biSize,
                tableBytes < sizeof table ? tableBytes : sizeof table);
  }
  platform::BusyCursor busy;
  int64_t stride = RowStride(width, bits);
  std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[size_t(width) * 3 + 4]());
  if (!out || stride < 0) return;  // stays black
  for (int32_t row = 0; row < height; ++row) {
    ExpandRow(DibRow(image, row), width, bits, table, out.get());
    WritePixelSpan(converted, row, 0, width - 1, out.get());
  }
}
