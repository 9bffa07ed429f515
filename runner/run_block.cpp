#include "runner/run_block.h"

#include <cstring>

namespace {

constexpr int32_t kMaxSide = 32767;  // the filter record's sizes are 16-bit
constexpr uint16_t kMachineI386 = 0x14C, kMachineAmd64 = 0x8664;

RunBlock* Record(void* block) { return static_cast<RunBlock*>(block); }

bool SideFits(int32_t side) { return side >= 1 && side <= kMaxSide; }

}  // namespace

uint32_t RunBlockBytes(int32_t width, int32_t height) {
  if (!SideFits(width) || !SideFits(height)) return 0;
  uint64_t picture = PackedDibBytes(width, height, 24);
  if (picture == 0 || picture > kMaxPackedDibBytes - kRunPictureOffset) return 0;
  return uint32_t(picture + kRunPictureOffset);
}

bool PrepareRunBlock(void* block, size_t bytes, const DibHeader* picture,
                     const std::string& modulePath, int32_t entryIndex, int32_t flags) {
  if (!block || !picture || picture->biBitCount != 24 || picture->biSize != sizeof(DibHeader))
    return false;
  uint32_t needed = RunBlockBytes(picture->biWidth, picture->biHeight);
  RunBlock* record = Record(block);
  if (needed == 0 || bytes < needed || modulePath.size() >= sizeof record->modulePath) return false;
  std::memset(record, 0, sizeof *record);
  record->magic = kRunBlockMagic;
  record->pictureOffset = kRunPictureOffset;
  record->blockBytes = needed;
  record->entryIndex = entryIndex;
  record->flags = flags;
  record->state = kRunWaiting;
  std::memcpy(record->modulePath, modulePath.c_str(), modulePath.size() + 1);
  std::memcpy(static_cast<uint8_t*>(block) + kRunPictureOffset, picture,
              needed - kRunPictureOffset);
  return true;
}

PackedDib RunBlockPicture(void* block, size_t mapped) {
  if (!block || mapped < kRunPictureOffset + sizeof(DibHeader)) return nullptr;
  const RunBlock* record = Record(block);
  if (record->magic != kRunBlockMagic || record->pictureOffset != kRunPictureOffset ||
      record->blockBytes > mapped)
    return nullptr;
  auto* picture = reinterpret_cast<PackedDib>(static_cast<uint8_t*>(block) + kRunPictureOffset);
  if (picture->biSize != sizeof(DibHeader) || picture->biBitCount != 24 ||
      picture->biClrUsed != 0 || picture->biCompression != 0)
    return nullptr;
  uint32_t needed = RunBlockBytes(picture->biWidth, picture->biHeight);
  return needed != 0 && needed <= record->blockBytes ? picture : nullptr;
}

bool CopyRunBlockPixels(void* block, size_t mapped, PackedDib picture) {
  const DibHeader* result = RunBlockPicture(block, mapped);
  if (!result || !picture || picture->biBitCount != 24 || result->biWidth != picture->biWidth ||
      result->biHeight != picture->biHeight)
    return false;
  size_t pixels = size_t(DibStride(picture)) * size_t(picture->biHeight);
  std::memcpy(DibRow(picture, picture->biHeight - 1), DibRow(result, result->biHeight - 1), pixels);
  return true;
}

std::string RunnerPathFor(const std::string& programFolder, uint16_t machine, bool viewerIs64Bit) {
  if (machine != kMachineI386 && machine != kMachineAmd64) return "";
  bool module64 = machine == kMachineAmd64;
  if (module64 == viewerIs64Bit) return programFolder + "8bfrun.exe";
  return programFolder + (module64 ? "x64\\8bfrun.exe" : "..\\8bfrun.exe");
}
