#include "exif_orientation.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A JPEG start with one APP1 EXIF segment whose first IFD holds `entries`
// orientation-like entries (tag, type, count, value), in either byte order.
std::vector<uint8_t> JpegWithExif(bool littleEndian, uint16_t tag, uint16_t type, uint32_t count,
                                  uint16_t value) {
  auto u16 = [&](std::vector<uint8_t>& out, uint16_t v) {
    if (littleEndian) {
      out.push_back(uint8_t(v));
      out.push_back(uint8_t(v >> 8));
    } else {
      out.push_back(uint8_t(v >> 8));
      out.push_back(uint8_t(v));
    }
  };
  auto u32 = [&](std::vector<uint8_t>& out, uint32_t v) {
    if (littleEndian) {
      u16(out, uint16_t(v));
      u16(out, uint16_t(v >> 16));
    } else {
      u16(out, uint16_t(v >> 16));
      u16(out, uint16_t(v));
    }
  };
  std::vector<uint8_t> tiff =
      littleEndian ? std::vector<uint8_t>{'I', 'I', 42, 0} : std::vector<uint8_t>{'M', 'M', 0, 42};
  u32(tiff, 8);
  u16(tiff, 2);  // two entries: an unrelated tag first
  u16(tiff, 0x010F);
  u16(tiff, 2);
  u32(tiff, 4);
  u32(tiff, 0);
  u16(tiff, tag);
  u16(tiff, type);
  u32(tiff, count);
  u16(tiff, value);
  u16(tiff, 0);
  u32(tiff, 0);
  std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0, 0};  // a small APP0 first
  size_t length = 2 + 6 + tiff.size();
  jpeg.insert(jpeg.end(), {0xFF, 0xE1, uint8_t(length >> 8), uint8_t(length)});
  jpeg.insert(jpeg.end(), {'E', 'x', 'i', 'f', 0, 0});
  jpeg.insert(jpeg.end(), tiff.begin(), tiff.end());
  jpeg.insert(jpeg.end(), {0xFF, 0xDA, 0x00, 0x02});
  return jpeg;
}

}  // namespace

TEST(ExifOrientation, ReadsTheTagInBothByteOrders) {
  for (uint16_t o = 1; o <= 8; ++o) {
    std::vector<uint8_t> le = JpegWithExif(true, 0x0112, 3, 1, o);
    std::vector<uint8_t> be = JpegWithExif(false, 0x0112, 3, 1, o);
    EXPECT_EQ(ExifOrientation(le.data(), le.size()), o);
    EXPECT_EQ(ExifOrientation(be.data(), be.size()), o);
  }
}

TEST(ExifOrientation, MalformedOrMissingTagsMeanUpright) {
  auto orientation = [](const std::vector<uint8_t>& bytes) {
    return ExifOrientation(bytes.data(), bytes.size());
  };
  EXPECT_EQ(orientation(JpegWithExif(true, 0x0112, 3, 1, 9)), 1);  // out of range
  EXPECT_EQ(orientation(JpegWithExif(true, 0x0112, 4, 1, 6)), 1);  // not a SHORT
  EXPECT_EQ(orientation(JpegWithExif(true, 0x0112, 3, 2, 6)), 1);  // two values
  EXPECT_EQ(orientation(JpegWithExif(true, 0x0113, 3, 1, 6)), 1);  // another tag
  std::vector<uint8_t> jpeg = JpegWithExif(false, 0x0112, 3, 1, 6);
  for (size_t cut = 0; cut < jpeg.size(); ++cut)  // every truncation stays in bounds
    EXPECT_LE(ExifOrientation(jpeg.data(), cut), 8);
  std::vector<uint8_t> farIfd = jpeg;
  farIfd[8 + 4 + 6 + 4 + 3] = 0xF0;  // first IFD offset far past the end
  EXPECT_EQ(orientation(farIfd), 1);
  EXPECT_EQ(orientation({0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x01}), 1);  // length below 2
  EXPECT_EQ(orientation({0x89, 'P', 'N', 'G'}), 1);
  EXPECT_EQ(orientation({}), 1);
}

TEST(ExifOrientation, PixelsAreTurnedUpright) {
  // A 3 x 2 picture, pixels numbered row by row:  0 1 2
  //                                                3 4 5
  const uint8_t source[6] = {0, 1, 2, 3, 4, 5};
  struct Case {
    int orientation;
    uint8_t upright[6];
  } cases[] = {{1, {0, 1, 2, 3, 4, 5}}, {2, {2, 1, 0, 5, 4, 3}}, {3, {5, 4, 3, 2, 1, 0}},
               {4, {3, 4, 5, 0, 1, 2}}, {5, {0, 3, 1, 4, 2, 5}}, {6, {3, 0, 4, 1, 5, 2}},
               {7, {5, 2, 4, 1, 3, 0}}, {8, {2, 5, 1, 4, 0, 3}}};
  for (const Case& c : cases) {
    uint8_t out[6] = {};
    OrientPixels(c.orientation, source, 3, 2, 1, out);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 6), std::vector<uint8_t>(c.upright, c.upright + 6))
        << "orientation " << c.orientation;
  }
  // Multi-byte pixels move whole.
  const uint8_t wide[4] = {1, 2, 3, 4};
  uint8_t turned[4] = {};
  OrientPixels(3, wide, 2, 1, 2, turned);
  EXPECT_EQ(std::vector<uint8_t>(turned, turned + 4), (std::vector<uint8_t>{3, 4, 1, 2}));
}

TEST(JpegFrameSize, ReadsTheFrameHeaderAfterOtherSegments) {
  std::vector<uint8_t> jpeg = JpegWithExif(true, 0x0112, 3, 1, 6);
  jpeg.resize(jpeg.size() - 4);  // drop the scan marker
  // DHT (not a frame), then SOF2: height 3000, width 4000, 3 components.
  jpeg.insert(jpeg.end(), {0xFF, 0xC4, 0x00, 0x03, 0x00});
  jpeg.insert(jpeg.end(), {0xFF, 0xC2, 0x00, 0x11, 8, 0x0B, 0xB8, 0x0F, 0xA0, 3});
  jpeg.insert(jpeg.end(), 9, 0);
  int width = 0, height = 0, components = 0;
  ASSERT_TRUE(JpegFrameSize(jpeg.data(), jpeg.size(), &width, &height, &components));
  EXPECT_EQ(width, 4000);
  EXPECT_EQ(height, 3000);
  EXPECT_EQ(components, 3);
  for (size_t cut = 0; cut < jpeg.size() - 9; ++cut)
    EXPECT_FALSE(JpegFrameSize(jpeg.data(), cut, &width, &height, &components)) << cut;
  std::vector<uint8_t> zeroHeight = jpeg;  // height given later by a DNL marker
  zeroHeight[zeroHeight.size() - 14] = 0;
  zeroHeight[zeroHeight.size() - 13] = 0;
  EXPECT_FALSE(JpegFrameSize(zeroHeight.data(), zeroHeight.size(), &width, &height, &components));
  std::vector<uint8_t> scanFirst = {0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02};
  EXPECT_FALSE(JpegFrameSize(scanFirst.data(), scanFirst.size(), &width, &height, &components));
}

// Scans are counted across segments and coded data: stuffed bytes, restart
// markers and fill bytes are not markers; a scan marker inside another
// segment (an EXIF thumbnail) is not a scan; the walk stops at stopAt.
TEST(CountJpegScans, CountsTheScansOfTheCodedData) {
  using Bytes = std::vector<uint8_t>;
  const Bytes kHead = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x06, 0xFF, 0xDA, 0xFF, 0xDA};  // APP1
  const Bytes kScan = {0xFF, 0xDA, 0x00, 0x03, 0x01, 0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD3, 0x56};
  const Bytes kTable = {0xFF, 0xFF, 0xC4, 0x00, 0x03, 0x00};  // after a fill byte
  auto file = [&](int scans, bool end) {
    Bytes bytes = kHead;
    for (int i = 0; i < scans; ++i) {
      bytes.insert(bytes.end(), kTable.begin(), kTable.end());
      bytes.insert(bytes.end(), kScan.begin(), kScan.end());
    }
    if (end) bytes.insert(bytes.end(), {0xFF, 0xD9});
    return bytes;
  };
  Bytes cut = file(3, true);
  cut.resize(cut.size() - 20);
  struct Case {
    Bytes bytes;
    int stopAt, scans;
  } cases[] = {
      {file(1, true), 1000, 1},
      {file(10, true), 1000, 10},
      {file(500, true), 1000, 500},
      {file(500, true), 101, 101},  // the walk ends at the limit
      {file(3, false), 1000, 3},    // no end marker
      {cut, 1000, 2},               // cut in the last scan
      {file(0, true), 1000, 0},
      {{0x89, 'P', 'N', 'G', 0, 0}, 1000, 0},
      {{0xFF, 0xD8, 0x12, 0x34, 0xFF, 0xDA, 0x00, 0x02}, 1000, 0},  // no marker after SOI
  };
  for (const Case& c : cases)
    EXPECT_EQ(CountJpegScans(c.bytes.data(), c.bytes.size(), c.stopAt), c.scans) << c.bytes.size();
}
