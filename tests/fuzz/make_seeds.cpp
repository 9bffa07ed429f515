// Writes the seed inputs of every fuzz target into OUT/<target>/: small
// sound files of each kind, made here rather than taken from anywhere.
// Usage: fuzz_seeds OUT
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

std::string g_out;

void Put32(Bytes& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(value >> (8 * i)));
}
void Put16(Bytes& bytes, uint16_t value) {
  bytes.push_back(uint8_t(value));
  bytes.push_back(uint8_t(value >> 8));
}
void PutBig16(Bytes& bytes, uint16_t value) {
  bytes.push_back(uint8_t(value >> 8));
  bytes.push_back(uint8_t(value));
}
void PutText(Bytes& bytes, const char* text, size_t n) {
  bytes.insert(bytes.end(), text, text + n);
}

void Write(const char* target, const char* name, const Bytes& bytes) {
  std::string folder = g_out + "/" + target;
  mkdir(folder.c_str(), 0755);
  if (FILE* file = std::fopen((folder + "/" + name).c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
}

// A cache file: BMP file header and a 24-bit bottom-up picture.
Bytes CacheFile(int32_t width, int32_t height) {
  uint32_t stride = uint32_t((width * 24 + 31) / 32 * 4), pixels = stride * uint32_t(height);
  Bytes bytes = {'B', 'M'};
  Put32(bytes, 54 + pixels);
  Put32(bytes, 0);
  Put32(bytes, 54);
  for (uint32_t v : {40u, uint32_t(width), uint32_t(height)}) Put32(bytes, v);
  Put16(bytes, 1);
  Put16(bytes, 24);
  for (uint32_t v : {0u, pixels, 0u, 0u, 0u, 0u}) Put32(bytes, v);
  for (uint32_t i = 0; i < pixels; ++i) bytes.push_back(uint8_t(i * 7));
  return bytes;
}

// eenv.env with its defaults and a history of three folders.
Bytes SettingsAndHistory() {
  Bytes bytes;
  for (int32_t v : {192, 1, 1, 0, 0, (600 << 16) | 800, 0, 0, 0, 0}) Put32(bytes, uint32_t(v));
  Bytes history(25700, 0);
  const char* folders[] = {"C:\\Photos\\", "D:\\Camera\\2024\\", "Z:\\tmp\\x\\"};
  for (int i = 0; i < 3; ++i)
    std::memcpy(&history[size_t(i) * 256], folders[i], strlen(folders[i]));
  bytes.insert(bytes.end(), history.begin(), history.end());
  return bytes;
}

// A PiPL resource: version, count, then properties (signature, key, id,
// length, data padded to 4) with the entry point of each architecture.
Bytes Pipl() {
  Bytes bytes;
  Put16(bytes, 1);
  Put32(bytes, 0);
  Put32(bytes, 3);
  auto property = [&](const char* key, const char* data, size_t n) {
    PutText(bytes, "MIB8", 4);  // '8BIM' as the resource compiler stores it
    PutText(bytes, key, 4);
    Put32(bytes, 0);
    Put32(bytes, uint32_t(n));
    PutText(bytes, data, n);
    while (bytes.size() % 4 != 2) bytes.push_back(0);
  };
  property("dnik", "MFB8", 4);
  property("68xw", "Entry\0\0", 6);
  property("4668", "Entry64\0", 8);
  return bytes;
}

// A JPEG's first bytes: SOI, an EXIF block with the orientation, a frame
// header of 4000 x 3000 in three components.
Bytes JpegWithExif(uint16_t orientation, bool bigEndian) {
  Bytes tiff;
  auto put16 = [&](uint16_t v) { bigEndian ? PutBig16(tiff, v) : Put16(tiff, v); };
  auto put32 = [&](uint32_t v) {
    if (bigEndian) {
      PutBig16(tiff, uint16_t(v >> 16));
      PutBig16(tiff, uint16_t(v));
    } else {
      Put32(tiff, v);
    }
  };
  PutText(tiff, bigEndian ? "MM" : "II", 2);
  put16(42);
  put32(8);
  put16(1);  // one entry: orientation, SHORT, count 1
  put16(0x0112);
  put16(3);
  put32(1);
  put16(orientation);
  put16(0);
  put32(0);
  Bytes bytes = {0xFF, 0xD8, 0xFF, 0xE1};
  PutBig16(bytes, uint16_t(2 + 6 + tiff.size()));
  PutText(bytes, "Exif\0\0", 6);
  bytes.insert(bytes.end(), tiff.begin(), tiff.end());
  const uint8_t frame[] = {0xFF, 0xC0, 0, 17, 8,    0x0B, 0xB8, 0x0F, 0xA0, 3,
                           1,    0x22, 0, 2,  0x11, 1,    3,    0x11, 1};
  bytes.insert(bytes.end(), frame, frame + sizeof frame);
  bytes.push_back(0xFF);
  bytes.push_back(0xD9);
  return bytes;
}

// A script for the fuzzed reader: size and depth, flags (2: the scaled
// export offers scaledWidth x scaledHeight at 24 bits), then callbacks (op,
// row, flag, and what each op takes).
Bytes Script(int32_t width, int32_t height, int32_t bits, const Bytes& calls,
             int32_t scaledWidth = 0, int32_t scaledHeight = 0) {
  Bytes bytes;
  Put32(bytes, uint32_t(width));
  Put32(bytes, uint32_t(height));
  Put32(bytes, uint32_t(bits));
  bytes.push_back(scaledWidth ? 2 : 0);
  if (scaledWidth) {
    Put32(bytes, uint32_t(scaledWidth));
    Put32(bytes, uint32_t(scaledHeight));
    Put32(bytes, 24);
  }
  bytes.insert(bytes.end(), calls.begin(), calls.end());
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: fuzz_seeds OUT\n");
    return 2;
  }
  g_out = argv[1];
  mkdir(g_out.c_str(), 0755);
  Write("fuzz_cache_file", "small.tmp", CacheFile(3, 2));
  Write("fuzz_cache_file", "thumbnail.tmp", CacheFile(176, 120));
  Write("fuzz_settings", "defaults", SettingsAndHistory());
  Write("fuzz_pipl", "two-architectures", Pipl());
  for (uint16_t orientation : {1, 6, 8})
    Write("fuzz_exif", ("little-" + std::to_string(orientation)).c_str(),
          JpegWithExif(orientation, false));
  Write("fuzz_exif", "big-3", JpegWithExif(3, true));
  // Rows of a 24-bit picture, then an opacity span and a channel.
  Write("fuzz_read_pipeline", "rows-24", Script(4, 3, 24, {0, 0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 1,
                                                           0, 0, 0, 0, 0, 3, 0, 3, 2, 0, 0, 1}));
  // A palette, then rows of an 8-bit picture; a 1-bit and a 4-bit picture.
  Write("fuzz_read_pipeline", "palette-8", Script(5, 2, 8, {2, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0}));
  Write("fuzz_read_pipeline", "bits-1", Script(9, 2, 1, {0, 0, 0, 0, 0, 1, 0, 0}));
  Write("fuzz_read_pipeline", "bits-4", Script(7, 1, 4, {2, 0, 0, 0, 0, 0, 0, 0}));
  // A 640 x 480 picture offered at 80 x 60 by the scaled export: its first
  // row, then whatever the rest of the row data makes of the script.
  Write("fuzz_read_pipeline", "scaled-8th", Script(640, 480, 24, {0, 0, 0, 0, 0, 1, 0, 0}, 80, 60));
  return 0;
}
