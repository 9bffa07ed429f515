// A filter module's PiPL resource, as any module on disk may hold it, walked
// for the entry points of either architecture; and the settings path made
// from a module path in a double-byte code page.
#include <cstdint>
#include <string>
#include <vector>

#include "pipl.h"

namespace {

constexpr int32_t kX86Code = 0x77783836;  // 'wx86'
constexpr int32_t kX64Code = 0x38363634;  // '8664'

bool IsShiftJisLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly `size` bytes, so a read past the resource is caught.
  std::vector<uint8_t> resource(data, data + size);
  volatile size_t total = 0;
  for (int32_t key : {kX86Code, kX64Code})
    for (const std::string& name : PiplEntryNames(resource.data(), resource.size(), key))
      total = total + name.size();
  std::string modulePath(data, data + size);
  total = total + SettingsPathFor(modulePath.c_str(), IsShiftJisLeadByte).size();
  return 0;
}
