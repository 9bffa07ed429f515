#include "image/read_pipeline.h"

#include <cstring>
#include <memory>
#include <new>

#include "file_ops/path_utils.h"
#include "image/plugin_api.h"
#include "image/read_callbacks.h"
#include "platform/platform.h"

namespace {

// A zero-filled plug-in record in movable global memory for one scope.
template <typename Record>
class GlobalRecord {
 public:
  GlobalRecord() : record_(static_cast<Record*>(platform::GlobalBlockAlloc(sizeof(Record)))) {}
  ~GlobalRecord() { platform::GlobalBlockFree(record_); }
  GlobalRecord(const GlobalRecord&) = delete;
  GlobalRecord& operator=(const GlobalRecord&) = delete;
  Record* get() const { return record_; }
  Record* operator->() const { return record_; }

 private:
  Record* record_;
};

struct PictureSize {
  int32_t width = 0, height = 0, bitsPerPixel = 0;
};

bool IsDecodableDepth(int32_t bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24; }

// A plug-in's answer is untrusted: refuse anything that cannot be allocated
// as the target, its alpha plane and its 24-bit conversion.
bool IsAcceptableSize(const PictureSize& size) {
  return size.width > 0 && size.height > 0 && IsDecodableDepth(size.bitsPerPixel) &&
         PackedDibBytes(size.width, size.height, size.bitsPerPixel) != 0 &&
         PackedDibBytes(size.width, size.height, 24) != 0 &&
         PackedDibBytes(size.width, size.height, 8) != 0;
}

bool QuerySize(const char* fileName, void* owner, const char* pluginPath, PictureSize* size) {
  platform::ScopedLibrary plugin(pluginPath);
  auto getSize = reinterpret_cast<ReadFileGetSizeFn>(plugin.Export("ReadFileGetSize"));
  auto init = reinterpret_cast<ReadFileInitFn>(plugin.Export("ReadFileInit"));
  // A reader that could not decode afterwards fails the read now.
  if (!getSize || !plugin.Export("ReadFileExec")) return false;
  GlobalRecord<ImageSizeRecord> sizeRecord;
  GlobalRecord<ImageExtraRecord> extra;
  if (!sizeRecord.get() || !extra.get()) return false;
  if (init) init(owner, fileName, 0);
  sizeRecord->imageCount = 1;
  if (!getSize(owner, fileName, sizeRecord.get(), extra.get())) return false;
  size->width = sizeRecord->entries[0].width;
  size->height = sizeRecord->entries[0].height;
  size->bitsPerPixel = sizeRecord->entries[0].bitsPerPixel;
  return IsAcceptableSize(*size);
}

bool AllRecordsAllocated(void* owner, std::initializer_list<const void*> records) {
  bool all = true;
  for (const void* record : records) {
    if (!record) {
      platform::ShowInformation(owner, "critical error1", "error");
      all = false;
    }
  }
  return all;
}

void RunDecoder(const char* fileName, void* owner, const char* pluginPath, ReadMode mode) {
  platform::ScopedLibrary plugin(pluginPath);
  platform::BusyCursor busy;
  auto exec = reinterpret_cast<ReadFileExecFn>(plugin.Export("ReadFileExec"));
  if (!exec) return;
  GlobalRecord<ImageSizeRecord> sizeRecord;
  GlobalRecord<ImageExtraRecord> extra;
  GlobalRecord<DecodeWorkRecord> work;
  if (!AllRecordsAllocated(owner, {sizeRecord.get(), extra.get(), work.get()})) return;

  PackedDib target = g_readState.target;
  sizeRecord->resolutionX = 96;
  sizeRecord->resolutionY = 96;
  sizeRecord->reserved = 0;
  sizeRecord->imageCount = 1;
  sizeRecord->entries[0].width = target->biWidth;
  sizeRecord->entries[0].height = target->biHeight;
  sizeRecord->entries[0].bitsPerPixel = target->biBitCount;
  g_readState.bitsPerPixel = target->biBitCount;
  g_readState.alphaSeen = false;

  const ReadCallbacks callbacks = {PutRow, mode == ReadMode::Direct ? PutAlpha : IgnoreAlpha,
                                   PutPalette, PutChannel};
  exec(owner, fileName, sizeRecord.get(), extra.get(), work.get(), &callbacks);
}

// Fills `target` through the plug-in; in Direct mode also collects alpha and
// blends PNG pictures over white.
void Decode(const char* fileName, void* owner, const char* pluginPath, ReadMode mode,
            PackedDib target) {
  PackedDibPtr alpha;
  if (mode == ReadMode::Direct) {
    alpha.reset(CreatePackedDib(target->biWidth, target->biHeight, 8));
    if (!alpha) return;
  }
  g_readState.target = target;
  g_readState.alphaPlane = alpha.get();
  RunDecoder(fileName, owner, pluginPath, mode);
  if (mode == ReadMode::Direct && g_readState.alphaSeen && HasExtension(fileName, "png") &&
      target->biBitCount == 24)
    CompositeOnWhite(target, alpha.get());
  g_readState.alphaPlane = nullptr;
}

}  // namespace

PackedDib ReadImageFile(const char* fileName, void* owner, const char* pluginPath, ReadMode mode) {
  std::strncpy(g_readState.pluginPath, pluginPath, sizeof g_readState.pluginPath - 1);
  g_readState.pluginPath[sizeof g_readState.pluginPath - 1] = '\0';

  PictureSize size;
  if (!QuerySize(fileName, owner, pluginPath, &size)) {
    if (mode == ReadMode::Direct) platform::ShowInformation(owner, "read error", fileName);
    return nullptr;
  }
  PackedDibPtr decoded(CreatePackedDib(size.width, size.height, size.bitsPerPixel));
  if (!decoded) return nullptr;
  Decode(fileName, owner, pluginPath, mode, decoded.get());
  g_readState.target = nullptr;
  if (size.bitsPerPixel == 24) return decoded.release();
  return ConvertTo24Bit(decoded.get());
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
  int32_t width = image->biWidth, height = image->biHeight;
  PackedDib converted = CreatePackedDib(width, height, 24);
  if (!converted) return nullptr;
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
  if (!out || stride < 0) return converted;  // stays black
  for (int32_t row = 0; row < height; ++row) {
    ExpandRow(DibRow(image, row), width, bits, table, out.get());
    WritePixelSpan(converted, row, 0, width - 1, out.get());
  }
  return converted;
}
