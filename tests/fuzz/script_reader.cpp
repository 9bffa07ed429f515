// A reader plug-in whose every answer comes from a script the fuzz target
// hands it (ScriptReaderUse): the size it reports, then any number of
// callbacks, in any order, with any rows, columns, channels and flags. Every
// buffer it passes is as long as the interface says the callee may read.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_input.h"
#include "image/plugin_api.h"

namespace {

const uint8_t* g_script = nullptr;
size_t g_scriptBytes = 0;

struct Header {
  int32_t width, height, bitsPerPixel;
  uint8_t flags;  // 1: the size query fails
};

Header ReadHeader(FuzzInput& input) {
  Header header;
  header.width = input.Take<int32_t>();
  header.height = input.Take<int32_t>();
  header.bitsPerPixel = input.Take<int32_t>();
  header.flags = input.Take<uint8_t>();
  return header;
}

// Bytes of one row at the depth the browser was told.
size_t RowBytes(const Header& header) {
  int64_t bits = std::max(header.bitsPerPixel, 1);
  int64_t width = std::max(header.width, 0);
  return size_t(((width * bits + 31) / 32) * 4);
}

// A buffer of `bytes` bytes filled from the script.
std::vector<uint8_t> Data(FuzzInput& input, size_t bytes) {
  std::vector<uint8_t> data(bytes);
  input.Fill(data.data(), bytes);
  return data;
}

}  // namespace

PLUGIN_EXPORT void ScriptReaderUse(const uint8_t* script, size_t bytes) {
  g_script = script;
  g_scriptBytes = bytes;
}

PLUGIN_EXPORT int32_t PLUGIN_CALL ReadFileInfo(WindowRef, FormatInfo* info) {
  std::strcpy(info->extensions, "fz");
  std::strcpy(info->displayName, "Fuzz script");
  return 1;
}

PLUGIN_EXPORT int32_t PLUGIN_CALL ReadFileGetSize(WindowRef, const char*, ImageSizeRecord* size,
                                                  ImageExtraRecord*) {
  FuzzInput input(g_script, g_scriptBytes);
  Header header = ReadHeader(input);
  if (header.flags & 1) return 0;
  size->entries[0].width = header.width;
  size->entries[0].height = header.height;
  size->entries[0].bitsPerPixel = header.bitsPerPixel;
  return 1;
}

PLUGIN_EXPORT int32_t PLUGIN_CALL ReadFileExec(WindowRef, const char*, ImageSizeRecord*,
                                               ImageExtraRecord*, DecodeWorkRecord*,
                                               const ReadCallbacks* callbacks) {
  FuzzInput input(g_script, g_scriptBytes);
  Header header = ReadHeader(input);
  for (int calls = 0; !input.Empty() && calls < 512; ++calls) {
    uint8_t op = input.Take<uint8_t>() % 4;
    int32_t row = input.Take<int16_t>();
    int32_t flag = input.Take<int8_t>() % 2;
    if (op == 0) {
      std::vector<uint8_t> data = Data(input, RowBytes(header));
      callbacks->PutRow(row, 0, 0, data.data(), flag);
    } else if (op == 1) {
      int32_t first = input.Take<int16_t>(), last = input.Take<int16_t>();
      std::vector<uint8_t> data = Data(input, size_t(std::max(last - first + 1, 0)));
      callbacks->PutAlpha(row, first, last, data.data());
    } else if (op == 2) {
      std::vector<uint8_t> data = Data(input, 1024);  // 256 entries of 4 bytes
      callbacks->PutPalette(data.data(), flag);
    } else {
      int32_t channel = input.Take<int8_t>();
      std::vector<uint8_t> data = Data(input, size_t(std::max(header.width, 0)));
      callbacks->PutChannel(row, channel, 0, 0, data.data(), flag);
    }
  }
  return 1;
}
