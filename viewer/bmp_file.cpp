#include "viewer/bmp_file.h"

#include <cstddef>
#include <cstring>

#include "platform/platform.h"

namespace {

constexpr uint32_t kFileHeaderBytes = 14;

void PutLittle(uint8_t* at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = uint8_t(value >> (8 * i));
}

}  // namespace

std::vector<uint8_t> BmpFileBytes(const DibHeader* image) {
  if (!image || image->biSize != sizeof(DibHeader) || image->biHeight < 0) return {};
  uint64_t total = PackedDibBytes(image->biWidth, image->biHeight, image->biBitCount);
  if (total == 0 || total + kFileHeaderBytes > kMaxPackedDibBytes) return {};
  uint32_t pixelsAt = kFileHeaderBytes + sizeof(DibHeader) + NewColourTableBytes(image->biBitCount);
  std::vector<uint8_t> file(size_t(total) + kFileHeaderBytes);
  file[0] = 'B';
  file[1] = 'M';
  PutLittle(&file[2], uint32_t(file.size()), 4);
  PutLittle(&file[10], pixelsAt, 4);
  std::memcpy(&file[kFileHeaderBytes], image, size_t(total));
  // Readers that size the pixels from the header find the true count.
  PutLittle(&file[kFileHeaderBytes + offsetof(DibHeader, biSizeImage)],
            uint32_t(file.size()) - pixelsAt, 4);
  return file;
}

bool WriteBmpFile(const char* path, const DibHeader* image) {
  std::vector<uint8_t> bytes = BmpFileBytes(image);
  return !bytes.empty() && platform::WriteFileBytes(path, bytes.data(), bytes.size());
}
