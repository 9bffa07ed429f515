#include "viewer/bmp_file.h"

#include <cstddef>
#include <cstring>

#include "platform/platform.h"

namespace {

constexpr uint32_t kFileHeaderBytes = 14;
constexpr size_t kBandBytes = size_t(1) << 20;  // rows per write call: about 1 MB

void PutLittle(uint8_t* at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = uint8_t(value >> (8 * i));
}

bool WritableDepth(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24; }

// The rows, bottom row first as they lie in memory, in bands of whole rows.
bool WriteRows(platform::OutputFile& file, const DibHeader* image) {
  size_t stride = size_t(DibStride(image)), rows = size_t(image->biHeight);
  size_t band = kBandBytes / stride > 0 ? kBandBytes / stride : 1;
  const uint8_t* bottom = DibRow(image, image->biHeight - 1);
  for (size_t done = 0; done < rows; done += band) {
    size_t count = rows - done < band ? rows - done : band;
    if (!file.Write(bottom + done * stride, count * stride)) return false;
  }
  return true;
}

}  // namespace

std::vector<uint8_t> BmpHeaderBytes(const DibHeader* image) {
  if (!image || image->biSize != sizeof(DibHeader) || image->biHeight <= 0 || image->biWidth <= 0 ||
      !WritableDepth(image->biBitCount))
    return {};
  uint64_t total = PackedDibBytes(image->biWidth, image->biHeight, image->biBitCount);
  if (total == 0 || total + kFileHeaderBytes > kMaxPackedDibBytes) return {};
  uint32_t pixelsAt = kFileHeaderBytes + sizeof(DibHeader) + NewColourTableBytes(image->biBitCount);
  uint32_t fileBytes = uint32_t(total) + kFileHeaderBytes;
  std::vector<uint8_t> header(pixelsAt);
  header[0] = 'B';
  header[1] = 'M';
  PutLittle(&header[2], fileBytes, 4);
  PutLittle(&header[10], pixelsAt, 4);
  std::memcpy(&header[kFileHeaderBytes], image, pixelsAt - kFileHeaderBytes);
  // Readers that size the pixels from the header find the true count.
  PutLittle(&header[kFileHeaderBytes + offsetof(DibHeader, biSizeImage)], fileBytes - pixelsAt, 4);
  return header;
}

SaveProblem WriteBmpFile(const char* path, const DibHeader* image) {
  std::vector<uint8_t> header = BmpHeaderBytes(image);
  if (header.empty()) return SaveProblem::Unsupported;
  platform::OutputFile file;
  if (!file.Create(path, false) || !file.Write(header.data(), header.size()) ||
      !WriteRows(file, image) || !file.Close())
    return FileProblem();
  return SaveProblem::None;
}
