// A filter module's PiPL resource, as any module on disk may hold it.
#include <cstdint>
#include <string>
#include <vector>

#include "pipl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly `size` bytes, so a read past the resource is caught.
  std::vector<uint8_t> resource(data, data + size);
  std::vector<std::string> names = PiplEntryNames(resource.data(), resource.size());
  volatile size_t total = 0;
  for (const std::string& name : names) total = total + name.size();
  return 0;
}
