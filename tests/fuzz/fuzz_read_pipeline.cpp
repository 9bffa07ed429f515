// The reading pipeline fed by a reader that says anything: sizes, depths,
// palettes, rows, opacities and channels in any order and amount. Whatever
// the reader does, the pipeline returns a sound 24-bit picture or nothing.
#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>

#include "fuzz_input.h"
#include "image/packed_dib.h"
#include "image/read_pipeline.h"
#include "platform/platform.h"

namespace {

using UseScript = void (*)(const uint8_t*, size_t);

void Silently(platform::WindowHandle, const char*, const char*) {}

// The reader stays loaded for the whole run (the pipeline loads and frees it
// for every picture), so the script it is handed stays in place.
UseScript ScriptReader() {
  static UseScript use = [] {
    platform::SetMessageSink(Silently);
    void* library = dlopen(SCRIPT_READER_PATH, RTLD_NOW);
    return library ? reinterpret_cast<UseScript>(dlsym(library, "ScriptReaderUse")) : nullptr;
  }();
  return use;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  UseScript use = ScriptReader();
  if (!use) std::abort();
  FuzzInput header(data, size);
  int32_t width = header.Take<int32_t>(), height = header.Take<int32_t>();
  // Pictures the pipeline would accept but that take longer to fill than a
  // fuzzer should wait are left out; refused sizes are all kept.
  if (PackedDibBytes(width, height, 24) > (1u << 20)) return 0;
  use(data, size);
  // A ".png" name in Direct mode also blends what opacities came over white.
  for (ReadMode mode : {ReadMode::Direct, ReadMode::Extracted}) {
    const char* name = mode == ReadMode::Direct ? "x.png" : "x.fz";
    PackedDibPtr picture{ReadImageFile(name, nullptr, SCRIPT_READER_PATH, mode)};
    if (!picture) continue;
    if (picture->biBitCount != 24 || picture->biWidth != width || picture->biHeight != height)
      std::abort();
    volatile uint8_t sum = 0;
    for (int32_t row = 0; row < picture->biHeight; ++row)
      sum = uint8_t(sum + DibRow(picture.get(), row)[DibStride(picture.get()) - 1]);
  }
  return 0;
}
