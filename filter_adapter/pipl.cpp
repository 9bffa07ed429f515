#include "pipl.h"

#include <cstring>

namespace {

constexpr size_t kCountOffset = 6;
constexpr size_t kFirstProperty = 10;
constexpr size_t kPropertyHeader = 16;

int32_t ReadInt32(const uint8_t* at) {
  return int32_t(uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 |
                 uint32_t(at[3]) << 24);
}

}  // namespace

std::vector<std::string> PiplEntryNames(const uint8_t* resource, size_t size, int32_t codeKey) {
  std::vector<std::string> names;
  if (!resource || size < kFirstProperty) return names;
  int32_t count = ReadInt32(resource + kCountOffset);
  size_t at = kFirstProperty;
  for (int32_t i = 0; i < count; ++i) {
    if (size - at < kPropertyHeader) break;  // header past the end
    int32_t key = ReadInt32(resource + at + 4);
    int32_t length = ReadInt32(resource + at + 12);
    if (length < 0) break;
    size_t padded = (size_t(length) + 3) / 4 * 4;
    size_t data = at + kPropertyHeader;
    if (padded > size - data) break;  // data past the end
    if (key == codeKey) {
      const char* name = reinterpret_cast<const char*>(resource + data);
      names.emplace_back(name, strnlen(name, size_t(length)));
    }
    at = data + padded;
  }
  return names;
}

std::string SettingsPathFor(const char* modulePath, bool (*isLeadByte)(unsigned char)) {
  size_t folder = 0;
  for (size_t i = 0; modulePath[i]; ++i) {
    if (isLeadByte(static_cast<unsigned char>(modulePath[i])) && modulePath[i + 1]) {
      ++i;
      continue;
    }
    if (modulePath[i] == '\\') folder = i + 1;
  }
  return std::string(modulePath, folder) + "8bfkvt.dat";
}
