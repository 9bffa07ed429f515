#include "image/thumbnail_scale.h"

#include <gtest/gtest.h>

#include <cstring>

#include "test_support.h"

using testing_support::PixelAt;

namespace {

// A 24-bit image whose pixel (x, y) is (x, y, 0) as (red, green, blue).
PackedDibPtr Gradient(int32_t width, int32_t height) {
  PackedDibPtr image(CreatePackedDib(width, height, 24));
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      uint8_t pixel[3] = {0, uint8_t(y), uint8_t(x)};
      WritePixelSpan(image.get(), y, x, x, pixel);
    }
  return image;
}

struct Size {
  int32_t width, height;
};

Size Fit(int32_t width, int32_t height, int32_t boxWidth, int32_t boxHeight) {
  PackedDibPtr source(CreatePackedDib(width, height, 24));
  PackedDibPtr fitted(FitThumbnail(source.get(), boxWidth, boxHeight));
  if (!fitted) return {-1, -1};
  return {fitted->biWidth, fitted->biHeight};
}

}  // namespace

TEST(ThumbnailScale, FitKeepsProportions) {
  Size landscape = Fit(400, 300, 100, 100);
  EXPECT_EQ(landscape.width, 100);
  EXPECT_EQ(landscape.height, 75);
  Size portrait = Fit(300, 400, 100, 100);
  EXPECT_EQ(portrait.width, 75);
  EXPECT_EQ(portrait.height, 100);
  Size enlarged = Fit(50, 50, 100, 80);
  EXPECT_EQ(enlarged.width, 80);
  EXPECT_EQ(enlarged.height, 80);
  Size line = Fit(1000, 1, 100, 100);
  EXPECT_EQ(line.width, 100);
  EXPECT_EQ(line.height, 0);
  Size column = Fit(1, 1000, 100, 100);
  EXPECT_EQ(column.width, 0);
  EXPECT_EQ(column.height, 100);
}

TEST(ThumbnailScale, SquaresTakeTheHeightBranchWithSinglePrecision) {
  // 100/3 stored as a float is 33.3333321; three times that is 99.99999..., so 99.
  Size three = Fit(3, 3, 100, 100);
  EXPECT_EQ(three.height, 100);
  EXPECT_EQ(three.width, 99);
  Size four = Fit(4, 4, 100, 100);
  EXPECT_EQ(four.width, 100);
  EXPECT_EQ(four.height, 100);
  // The thumbnail box of the middle cell size.
  Size photo = Fit(4000, 3000, 112, 96);
  EXPECT_EQ(photo.width, 112);
  EXPECT_EQ(photo.height, 84);
}

TEST(ThumbnailScale, NearestNeighbourPicksExactSourcePixels) {
  PackedDibPtr four = Gradient(4, 4);
  PackedDibPtr two(CreatePackedDib(2, 2, 24));
  ResampleNearest(four.get(), two.get());
  EXPECT_EQ(PixelAt(two.get(), 0, 0), 0x000000u);
  EXPECT_EQ(PixelAt(two.get(), 1, 0), 0x020000u);  // column 2
  EXPECT_EQ(PixelAt(two.get(), 1, 1), 0x020200u);  // row 2

  PackedDibPtr small = Gradient(2, 2);
  PackedDibPtr big(CreatePackedDib(4, 4, 24));
  ResampleNearest(small.get(), big.get());
  const uint32_t expected[4] = {0x000000, 0x000000, 0x010000, 0x010000};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(PixelAt(big.get(), x, 0), expected[x]) << x;
  EXPECT_EQ(PixelAt(big.get(), 3, 3), 0x010100u);
}

TEST(ThumbnailScale, InputIsNeverModified) {
  PackedDibPtr source = Gradient(7, 5);
  size_t bytes = 40 + 5 * size_t(RowStride(7, 24));
  std::vector<uint8_t> before(reinterpret_cast<uint8_t*>(source.get()),
                              reinterpret_cast<uint8_t*>(source.get()) + bytes);
  PackedDibPtr fitted(FitThumbnail(source.get(), 80, 64));
  ASSERT_TRUE(fitted);
  EXPECT_EQ(std::memcmp(before.data(), source.get(), bytes), 0);
}

TEST(ThumbnailScale, VeryWideSourcesAndOutputs) {
  // Wider than the historical 100,000-byte source row.
  PackedDibPtr wide(CreatePackedDib(50000, 3, 24));
  uint8_t red[3] = {0, 0, 0xFF};
  WritePixelSpan(wide.get(), 1, 49999, 49999, red);
  PackedDibPtr fitted(FitThumbnail(wide.get(), 100, 100));
  ASSERT_TRUE(fitted);
  EXPECT_EQ(fitted->biWidth, 100);
  EXPECT_EQ(fitted->biHeight, 0);

  PackedDibPtr tall(CreatePackedDib(2, 1, 24));
  WritePixelSpan(tall.get(), 0, 1, 1, red);
  // Wider than the historical 200,000-byte output row.
  PackedDibPtr stretched(CreatePackedDib(70000, 1, 24));
  ResampleNearest(tall.get(), stretched.get());
  EXPECT_EQ(PixelAt(stretched.get(), 34999, 0), 0x000000u);
  EXPECT_EQ(PixelAt(stretched.get(), 35000, 0), 0xFF0000u);
  EXPECT_EQ(PixelAt(stretched.get(), 69999, 0), 0xFF0000u);
}

TEST(ThumbnailScale, RefusesEmptyOrIndexedSources) {
  PackedDibPtr empty(CreatePackedDib(10, 0, 24));
  EXPECT_EQ(FitThumbnail(empty.get(), 100, 100), nullptr);
  PackedDibPtr indexed(CreatePackedDib(10, 10, 8));
  EXPECT_EQ(FitThumbnail(indexed.get(), 100, 100), nullptr);
}
