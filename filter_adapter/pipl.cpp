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

constexpr int32_t kKindKey = 0x6B696E64;      // 'kind'
constexpr int32_t kModeKey = 0x6D6F6465;      // 'mode'
constexpr int32_t kNameKey = 0x6E616D65;      // 'name'
constexpr uint32_t kFilterKind = 0x3842464D;  // '8BFM'
constexpr uint8_t kRgbModeFlag = 0x10;        // in the first byte of the mode flags

// Calls `visit(key, data, length)` for each property whose header and data
// lie inside the resource; stops at the first that does not.
template <typename Visit>
void WalkProperties(const uint8_t* resource, size_t size, Visit visit) {
  if (!resource || size < kFirstProperty) return;
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
    visit(key, resource + data, size_t(length));
    at = data + padded;
  }
}

}  // namespace

std::vector<std::string> PiplEntryNames(const uint8_t* resource, size_t size, int32_t codeKey) {
  std::vector<std::string> names;
  WalkProperties(resource, size, [&](int32_t key, const uint8_t* data, size_t length) {
    if (key != codeKey) return;
    const char* name = reinterpret_cast<const char*>(data);
    names.emplace_back(name, strnlen(name, length));
  });
  return names;
}

PiplFilterTraits PiplTraits(const uint8_t* resource, size_t size) {
  PiplFilterTraits traits;
  WalkProperties(resource, size, [&](int32_t key, const uint8_t* data, size_t length) {
    if (key == kKindKey) {
      traits.kind = length >= 4 ? uint32_t(ReadInt32(data)) : 0;
      traits.filterKind = traits.kind == kFilterKind;
    } else if (key == kModeKey) {
      traits.rgb = length >= 1 && (data[0] & kRgbModeFlag) != 0;
    } else if (key == kNameKey && length >= 1) {
      size_t characters = data[0] < length ? data[0] : length - 1;
      traits.name.assign(reinterpret_cast<const char*>(data + 1), characters);
    }
  });
  return traits;
}

int32_t CodeKeyForMachine(uint16_t machine) {
  if (machine == 0x14C) return 0x77783836;   // 'wx86'
  if (machine == 0x8664) return 0x38363634;  // '8664'
  return 0;
}

uint16_t PeMachine(const uint8_t* image, size_t size) {
  if (!image || size < 0x40 || image[0] != 'M' || image[1] != 'Z') return 0;
  uint32_t header = uint32_t(ReadInt32(image + 0x3C));
  if (header > size || size - header < 6) return 0;
  if (std::memcmp(image + header, "PE\0\0", 4) != 0) return 0;
  return uint16_t(image[header + 4] | image[header + 5] << 8);
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
