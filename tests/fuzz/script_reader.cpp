// A reader plug-in whose every answer comes from a script the fuzz target
// hands it (ScriptReaderUse): the size it reports, the reduced size its
// scaled export offers (when the script says it offers one), then any number
// of callbacks, in any order, with any rows, columns, channels and flags.
// Every buffer it passes is as long as the interface says the callee may
// read.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_input.h"
#include "image/plugin_api.h"

namespace {

const uint8_t* g_script = nullptr;
size_t g_scriptBytes = 0;

enum ScriptFlags : uint8_t {
  kSizeFails = 1,    // the size query fails
  kOffersScaled = 2  // the scaled export answers the size that follows
};

struct Picture {
  int32_t width = 0, height = 0, bitsPerPixel = 0;
};

struct Header {
  Picture whole;
  uint8_t flags;
  Picture scaled;  // read only with kOffersScaled
};

Picture ReadPicture(FuzzInput& input) {
  Picture picture;
  picture.width = input.Take<int32_t>();
  picture.height = input.Take<int32_t>();
  picture.bitsPerPixel = input.Take<int32_t>();
  return picture;
}

Header ReadHeader(FuzzInput& input) {
  Header header;
  header.whole = ReadPicture(input);
  header.flags = input.Take<uint8_t>();
  if (header.flags & kOffersScaled) header.scaled = ReadPicture(input);
  return header;
}

// Bytes of one row at the depth the browser was told.
size_t RowBytes(const Picture& picture) {
  int64_t bits = std::max(picture.bitsPerPixel, 1);
  int64_t width = std::max(picture.width, 0);
  return size_t(((width * bits + 31) / 32) * 4);
}

// A buffer of `bytes` bytes filled from the script.
std::vector<uint8_t> Data(FuzzInput& input, size_t bytes) {
  std::vector<uint8_t> data(bytes);
  input.Fill(data.data(), bytes);
  return data;
}

void SetEntry(ImageSizeRecord* size, const Picture& picture) {
  size->entries[0].width = picture.width;
  size->entries[0].height = picture.height;
  size->entries[0].bitsPerPixel = picture.bitsPerPixel;
}

// The rest of the script as callbacks for a delivered picture of `target`.
void PlayCallbacks(FuzzInput& input, const Picture& target, const ReadCallbacks* callbacks) {
  for (int calls = 0; !input.Empty() && calls < 512; ++calls) {
    uint8_t op = input.Take<uint8_t>() % 4;
    int32_t row = input.Take<int16_t>();
    int32_t flag = input.Take<int8_t>() % 2;
    if (op == 0) {
      std::vector<uint8_t> data = Data(input, RowBytes(target));
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
      std::vector<uint8_t> data = Data(input, size_t(std::max(target.width, 0)));
      callbacks->PutChannel(row, channel, 0, 0, data.data(), flag);
    }
  }
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
  if (header.flags & kSizeFails) return 0;
  SetEntry(size, header.whole);
  return 1;
}

PLUGIN_EXPORT int32_t PLUGIN_CALL ReadFileExec(WindowRef, const char*, ImageSizeRecord*,
                                               ImageExtraRecord*, DecodeWorkRecord*,
                                               const ReadCallbacks* callbacks) {
  FuzzInput input(g_script, g_scriptBytes);
  Header header = ReadHeader(input);
  PlayCallbacks(input, header.whole, callbacks);
  return 1;
}

PLUGIN_EXPORT int32_t PLUGIN_CALL ReadFileExecScaled(WindowRef, const char*, int32_t, int32_t,
                                                     ImageSizeRecord* size, ImageExtraRecord*,
                                                     DecodeWorkRecord*,
                                                     const ReadCallbacks* callbacks) {
  FuzzInput input(g_script, g_scriptBytes);
  Header header = ReadHeader(input);
  if (!(header.flags & kOffersScaled)) return 0;
  if (!callbacks) {
    SetEntry(size, header.scaled);
    return 1;
  }
  PlayCallbacks(input, header.scaled, callbacks);
  return 1;
}
