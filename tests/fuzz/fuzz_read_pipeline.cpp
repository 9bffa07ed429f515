// The reading pipeline fed by a reader that says anything: sizes, depths,
// palettes, rows, opacities and channels in any order and amount, and any
// reduced size from its scaled export. Whatever the reader does, a read
// returns a sound 24-bit picture of the size the reader reported or nothing,
// and a thumbnail has the size the whole picture gives in its box or is not
// made.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_folder.h"
#include "fuzz_input.h"
#include "image/packed_dib.h"
#include "image/plugin_registry.h"
#include "image/read_pipeline.h"
#include "image/thumbnail_maker.h"
#include "image/thumbnail_scale.h"
#include "platform/platform.h"

namespace {

using UseScript = void (*)(const uint8_t*, size_t);

void Silently(platform::WindowHandle, const char*, const char*) {}

UseScript ScriptReader() {
  static UseScript use = [] {
    platform::SetMessageSink(Silently);
    void* reader = InstallReader(SCRIPT_READER_PATH, "script_reader.dll");
    // A reader the registry did not take would leave every read failing
    // and nothing checked.
    if (FindReader("x.fz") < 0) std::abort();
    return reinterpret_cast<UseScript>(platform::FindExport(reader, "ScriptReaderUse"));
  }();
  return use;
}

// Pictures the pipeline would accept but that take longer to fill than a
// fuzzer should wait are left out; refused sizes are all kept.
bool TooSlowToFill(int32_t width, int32_t height) {
  return PackedDibBytes(width, height, 24) > (1u << 20);
}

void Touch(const DibHeader* picture) {
  volatile uint8_t sum = 0;
  for (int32_t row = 0; row < picture->biHeight; ++row)
    sum = uint8_t(sum + DibRow(picture, row)[DibStride(picture) - 1]);
}

// Both read modes; a ".png" name in Direct mode also blends what opacities
// came over white.
void CheckReads(const char* reader, int32_t width, int32_t height) {
  for (ReadMode mode : {ReadMode::Direct, ReadMode::Extracted}) {
    const char* name = mode == ReadMode::Direct ? "x.png" : "x.fz";
    PackedDibPtr picture{ReadImageFile(name, nullptr, reader, mode)};
    if (!picture) continue;
    if (picture->biBitCount != 24 || picture->biWidth != width || picture->biHeight != height)
      std::abort();
    Touch(picture.get());
  }
}

// Through the scaled export where the script offers a size, and in two boxes,
// so the reusable decode blocks grow and shrink between pictures.
void CheckThumbnails(int32_t width, int32_t height) {
  for (int32_t box : {120, 30}) {
    PackedDibPtr thumbnail{MakeThumbnail(nullptr, "x.fz", box + 16, box)};
    if (!thumbnail) continue;
    int32_t fittedWidth, fittedHeight;
    FittedSize(width, height, box + 16, box, &fittedWidth, &fittedHeight);
    if (thumbnail->biBitCount != 24 || thumbnail->biWidth != fittedWidth ||
        thumbnail->biHeight != fittedHeight)
      std::abort();
    Touch(thumbnail.get());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  UseScript use = ScriptReader();
  if (!use) std::abort();
  // The script's header, as the reader reads it.
  FuzzInput header(data, size);
  int32_t width = header.Take<int32_t>(), height = header.Take<int32_t>();
  header.Take<int32_t>();  // depth
  if (TooSlowToFill(width, height)) return 0;
  if (header.Take<uint8_t>() & 2) {  // a scaled size follows
    int32_t scaledWidth = header.Take<int32_t>(), scaledHeight = header.Take<int32_t>();
    if (TooSlowToFill(scaledWidth, scaledHeight)) return 0;
  }
  use(data, size);
  CheckReads(ReaderPath(FindReader("x.fz")), width, height);
  CheckThumbnails(width, height);
  return 0;
}
