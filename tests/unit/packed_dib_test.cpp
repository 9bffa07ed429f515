#include "image/packed_dib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

TEST(PackedDib, RowStrideIsPaddedToFourBytes) {
  EXPECT_EQ(RowStride(1, 24), 4);
  EXPECT_EQ(RowStride(1, 1), 4);
  EXPECT_EQ(RowStride(17, 4), 12);  // 68 bits take three 32-bit words
  EXPECT_EQ(RowStride(33, 1), 8);
  EXPECT_EQ(RowStride(0, 24), 0);
  EXPECT_EQ(RowStride(int64_t(1) << 40, 24), -1);
}

TEST(PackedDib, NewImageHasHeaderAndDefaultColourTables) {
  PackedDibPtr grey4(CreatePackedDib(17, 3, 4));
  ASSERT_TRUE(grey4);
  EXPECT_EQ(grey4->biSize, 40u);
  EXPECT_EQ(grey4->biWidth, 17);
  EXPECT_EQ(grey4->biHeight, 3);
  EXPECT_EQ(grey4->biPlanes, 1);
  EXPECT_EQ(grey4->biBitCount, 4);
  EXPECT_EQ(grey4->biCompression, 0u);
  EXPECT_EQ(grey4->biClrUsed, 0u);
  const uint8_t* table = ColourTable(grey4.get());
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(table[4 * i], i * 17);
    EXPECT_EQ(table[4 * i + 2], i * 17);
    EXPECT_EQ(table[4 * i + 3], 0);
  }

  PackedDibPtr grey8(CreatePackedDib(2, 2, 8));
  ASSERT_TRUE(grey8);
  EXPECT_EQ(ColourTable(grey8.get())[4 * 200 + 1], 200);

  PackedDibPtr mono(CreatePackedDib(9, 1, 1));
  ASSERT_TRUE(mono);
  const uint8_t* black = ColourTable(mono.get());
  EXPECT_TRUE(std::all_of(black, black + 8, [](uint8_t b) { return b == 0; }));
  // The rows follow the 8-byte table.
  EXPECT_EQ(DibRow(mono.get(), 0), reinterpret_cast<uint8_t*>(mono.get()) + 48);
}

TEST(PackedDib, RowsAreStoredBottomUp) {
  PackedDibPtr image(CreatePackedDib(2, 3, 24));
  ASSERT_TRUE(image);
  uint8_t* pixels = reinterpret_cast<uint8_t*>(image.get()) + 40;
  EXPECT_EQ(DibRow(image.get(), 2), pixels);
  EXPECT_EQ(DibRow(image.get(), 0), pixels + 2 * 8);
}

TEST(PackedDib, RefusesInvalidOrOversizedImages) {
  EXPECT_EQ(CreatePackedDib(-1, 10, 24), nullptr);
  EXPECT_EQ(CreatePackedDib(10, -1, 24), nullptr);
  EXPECT_EQ(CreatePackedDib(10, 10, 16), nullptr);
  EXPECT_EQ(CreatePackedDib(10, 10, 0), nullptr);
  EXPECT_EQ(CreatePackedDib(40000, 40000, 24), nullptr);  // 4.8 GB
  EXPECT_EQ(CreatePackedDib(0x7FFFFFFF, 2, 24), nullptr);
  EXPECT_EQ(PackedDibBytes(0x7FFFFFFF, 0x7FFFFFFF, 1), 0u);
  // An image without pixels is valid: scaling can produce one.
  PackedDibPtr empty(CreatePackedDib(100, 0, 24));
  EXPECT_TRUE(empty);
}

TEST(PackedDib, ColourTableSizeFollowsTheHeader) {
  DibHeader header = {};
  header.biSize = 40;
  header.biBitCount = 8;
  EXPECT_EQ(ColourTableSize(&header), 1024u);
  header.biClrUsed = 3;
  EXPECT_EQ(ColourTableSize(&header), 12u);
  header.biClrUsed = 0;
  header.biBitCount = 24;
  EXPECT_EQ(ColourTableSize(&header), 0u);
  header.biBitCount = 16;
  EXPECT_EQ(ColourTableSize(&header), 0u);
  header.biCompression = 3;  // bit fields: three masks
  EXPECT_EQ(ColourTableSize(&header), 12u);
  header.biSize = 12;  // core header, 3-byte entries
  header.biBitCount = 4;
  EXPECT_EQ(ColourTableSize(&header), 48u);
}

TEST(PackedDib, PixelSpansClipToTheImage) {
  PackedDibPtr image(CreatePackedDib(4, 2, 24));
  ASSERT_TRUE(image);
  const uint8_t in[18] = {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5, 5, 5, 6, 6, 6};
  // xFirst = -2 skips two buffer pixels; xLast = 9 is clipped to column 3.
  EXPECT_EQ(WritePixelSpan(image.get(), 1, -2, 9, in), 1);
  uint8_t out[12] = {};
  EXPECT_EQ(ReadPixelSpan(image.get(), 1, 0, 3, out), 1);
  const uint8_t expected[12] = {3, 3, 3, 4, 4, 4, 5, 5, 5, 6, 6, 6};
  EXPECT_EQ(std::memcmp(out, expected, 12), 0);
  // Padding and the other row stay zero.
  EXPECT_EQ(DibRow(image.get(), 0)[0], 0);

  EXPECT_EQ(ReadPixelSpan(image.get(), 2, 0, 3, out), 0);    // row past the bottom
  EXPECT_EQ(ReadPixelSpan(image.get(), -1, 0, 3, out), 0);   // row above the top
  EXPECT_EQ(ReadPixelSpan(image.get(), 0, 4, 9, out), 0);    // starts past the last column
  EXPECT_EQ(ReadPixelSpan(image.get(), 0, -3, -1, out), 0);  // ends before column 0
  EXPECT_EQ(WritePixelSpan(image.get(), 0, 2, 1, in), 0);    // empty span
}

TEST(PackedDib, PixelSpansOfEightBitPlanesAndOtherDepths) {
  PackedDibPtr plane(CreatePackedDib(3, 1, 8));
  const uint8_t opacity[3] = {10, 20, 30};
  EXPECT_EQ(WritePixelSpan(plane.get(), 0, 0, 2, opacity), 1);
  EXPECT_EQ(DibRow(plane.get(), 0)[2], 30);
  EXPECT_EQ(DibRow(plane.get(), 0)[3], 0);  // row padding untouched

  PackedDibPtr mono(CreatePackedDib(3, 1, 1));
  uint8_t out[3];
  EXPECT_EQ(ReadPixelSpan(mono.get(), 0, 0, 2, out), 0);
}
