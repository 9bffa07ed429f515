// Helpers shared by the core's unit tests: scratch folders, fixture plug-ins,
// test picture files and captured messages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "../fixtures/plugins/test_picture.h"
#include "image/packed_dib.h"
#include "platform/platform.h"

namespace testing_support {

// A fresh folder under the temporary folder, removed with its contents at the
// end of the scope. Path() ends in '\'.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

void RemoveTree(const std::string& folder);  // folder ends in '\'
bool CopyFileBytes(const std::string& from, const std::string& to);
std::vector<uint8_t> ReadAll(const std::string& path);

// A picture as ImageMagick decoded it for a reader's tests: "<name>.size"
// ("width height") and "<name>.rgb" (R, G, B rows) in `folder`.
struct DecodedPicture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
};
DecodedPicture ReadReferenceDecode(const std::string& folder, const std::string& name);
void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes);

// Path of a fixture plug-in built beside the test program ("reader_tpic").
std::string FixturePlugin(const std::string& name);

// Makes `folder` the program folder with the given plug-ins copied into
// file_r\ (and file_w\) under the given names, then scans them.
struct PluginCopy {
  std::string fixture;  // "reader_tpic"
  std::string asName;   // "a.dll"
  bool writer = false;
};
void InstallPlugins(const ScratchFolder& folder, const std::vector<PluginCopy>& plugins);

// Builds a test picture file.
struct TestPicture {
  int32_t width = 1, height = 1, bitsPerPixel = 24;
  uint32_t flags = 0;
  int32_t rowsToDeliver = -1;
  std::string fastExtension;
  std::vector<uint8_t> palette;  // kTpPalette
  std::vector<uint8_t> rows;     // top-down, stride-padded
  std::vector<uint8_t> alpha;    // kTpAlpha, width*height
  std::vector<uint8_t> payload;  // kTpFastImage
  std::vector<uint8_t> Bytes() const;
};

// A 24-bit test picture whose pixel (x, y) is colour(x, y) = 0xRRGGBB.
TestPicture SolidPicture(int32_t width, int32_t height, uint32_t rgb);

// Captures message boxes for one scope.
struct Message {
  std::string text, caption;
};
class MessageCapture {
 public:
  MessageCapture();
  ~MessageCapture();
  const std::vector<Message>& Messages() const;
};

// Captures traced failures for one scope.
struct TraceLine {
  std::string where, what;
  unsigned long code;
};
class TraceCapture {
 public:
  TraceCapture();
  ~TraceCapture();
  const std::vector<TraceLine>& Lines() const;
};

// Local calendar fields for setting file times.
platform::CalendarTime LocalTime(int year, int month, int day, int hour, int minute, int second);

// Reads pixel (x, y) of a 24-bit image as 0xRRGGBB.
uint32_t PixelAt(const DibHeader* image, int32_t x, int32_t y);
// The mean difference per colour channel (0 to 255) of two 24-bit pictures
// of the same size.
double MeanChannelDifference(const DibHeader* a, const DibHeader* b);
// Expects the thumbnail MakeThumbnail makes of `path` in a 176 x 160 box to
// have the size, and within `meanError` the look, of the `whole` picture
// fitted by FitThumbnail.
void ExpectThumbnailLikeFittedWhole(const char* path, const DibHeader* whole, double meanError);

}  // namespace testing_support
