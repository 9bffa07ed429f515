#include "image/thumbnail_maker.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "image/plugin_registry.h"
#include "image/read_pipeline.h"
#include "image/reusable_image.h"
#include "image/scratch_rows.h"
#include "image/thumbnail_scale.h"
#include "test_support.h"

using namespace testing_support;

namespace {

// Blocks of 100 x 100 pixels, each of its own colour.
uint32_t BlockColour(int32_t x, int32_t y) {
  return 0x102030u * uint32_t(1 + x / 100 + 4 * (y / 100));
}

TestPicture BlockPicture(int32_t width, int32_t height, uint32_t flags) {
  TestPicture picture = SolidPicture(width, height, 0);
  picture.flags = flags;
  size_t stride = size_t(RowStride(width, 24));
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      uint32_t rgb = BlockColour(x, y);
      uint8_t* pixel = &picture.rows[size_t(y) * stride + 3 * size_t(x)];
      pixel[0] = uint8_t(rgb);
      pixel[1] = uint8_t(rgb >> 8);
      pixel[2] = uint8_t(rgb >> 16);
    }
  return picture;
}

// reader_scaled claims "scl" and has ReadFileExecScaled; reader_tpic claims
// "tpic;kvt" and reader_alt "alt;TPIC;png", without it.
class MakeThumbnailTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallPlugins(
        program_,
        {{"reader_alt", "alt.dll"}, {"reader_scaled", "scaled.dll"}, {"reader_tpic", "tpic.dll"}});
  }
  void TearDown() override { ReleasePlugins(); }

  std::string Write(const std::string& name, const TestPicture& picture) {
    std::string path = files_ / name;
    WriteAll(path, picture.Bytes());
    return path;
  }

  PackedDibPtr Make(const std::string& path, int32_t width = 100, int32_t height = 100) {
    return PackedDibPtr(MakeThumbnail(nullptr, path.c_str(), width, height));
  }

  // The thumbnail of a 400 x 300 block picture in a 100 x 100 box is 100 x 75
  // and shows each block's colour at the block's centre.
  void ExpectBlocksFitted(const DibHeader* thumbnail) {
    ASSERT_TRUE(thumbnail);
    ASSERT_EQ(thumbnail->biWidth, 100);
    ASSERT_EQ(thumbnail->biHeight, 75);
    for (int32_t by = 0; by < 3; ++by)
      for (int32_t bx = 0; bx < 4; ++bx)
        EXPECT_EQ(PixelAt(thumbnail, bx * 25 + 12, by * 25 + 12), BlockColour(bx * 100, by * 100));
  }

  ScratchFolder program_, files_;
};

}  // namespace

TEST_F(MakeThumbnailTest, ReaderWithoutTheScaledExportIsReadWhole) {
  std::string path = Write("a.tpic", BlockPicture(400, 300, 0));
  PackedDibPtr whole(
      ReadImageFile(path.c_str(), nullptr, ReaderPath(FindReader(path.c_str())), ReadMode::Direct));
  PackedDibPtr expected(FitThumbnail(whole.get(), 100, 100));
  PackedDibPtr thumbnail = Make(path);
  ExpectBlocksFitted(thumbnail.get());
  for (int32_t y = 0; y < 75; ++y)
    for (int32_t x = 0; x < 100; ++x)
      ASSERT_EQ(PixelAt(thumbnail.get(), x, y), PixelAt(expected.get(), x, y)) << x << "," << y;
}

TEST_F(MakeThumbnailTest, ScaledExportServesTheBoxAndTheSizeFollowsTheWholePicture) {
  // ReadFileExec would deliver nothing: only the scaled export shows blocks.
  ExpectBlocksFitted(Make(Write("a.scl", BlockPicture(400, 300, kTpExecBlank))).get());
  // 200 x 215 arrives as 100 x 108 (every second pixel), whose own fit would
  // be 92 x 100; the whole picture's is 93 x 100, and that is what is made.
  for (auto size : {std::pair<int32_t, int32_t>{200, 215}, {200, 219}, {401, 301}, {1000, 13}}) {
    PackedDibPtr thumbnail =
        Make(Write("b.scl", BlockPicture(size.first, size.second, kTpExecBlank)));
    ASSERT_TRUE(thumbnail);
    int32_t width, height;
    FittedSize(size.first, size.second, 100, 100, &width, &height);
    EXPECT_EQ(thumbnail->biWidth, width) << size.first;
    EXPECT_EQ(thumbnail->biHeight, height) << size.first;
    EXPECT_EQ(PixelAt(thumbnail.get(), 0, 0), BlockColour(0, 0));
  }
}

TEST_F(MakeThumbnailTest, DeclinedBoxesAndOtherDepthsAreReadWhole) {
  ExpectBlocksFitted(Make(Write("a.scl", BlockPicture(400, 300, kTpScaledDecline))).get());
  TestPicture grey = SolidPicture(4, 4, 0);
  grey.bitsPerPixel = 8;
  grey.rows.assign(16, 0x80);
  PackedDibPtr thumbnail = Make(Write("g.scl", grey));
  ASSERT_TRUE(thumbnail);
  EXPECT_EQ(PixelAt(thumbnail.get(), 50, 50), 0x808080u);
}

TEST_F(MakeThumbnailTest, APictureLargerThanAskedIsStillFittedRight) {
  ExpectBlocksFitted(
      Make(Write("a.scl", BlockPicture(400, 300, kTpScaledDoubled | kTpExecBlank))).get());
}

TEST_F(MakeThumbnailTest, UnreadableFilesGiveNothingAndNoMessage) {
  TestPicture unsizable = SolidPicture(2, 2, 0xFFFFFF);
  unsizable.flags = kTpFailSize;
  MessageCapture capture;
  EXPECT_FALSE(Make(Write("bad.tpic", unsizable)));
  EXPECT_FALSE(Make(Write("bad.scl", unsizable)));
  EXPECT_FALSE(Make(files_ / "missing.tpic"));
  EXPECT_FALSE(Make(Write("noreader.xyz", SolidPicture(2, 2, 0))));
  EXPECT_TRUE(capture.Messages().empty());
}

TEST_F(MakeThumbnailTest, EveryPictureStartsBlackInReusedMemory) {
  ASSERT_TRUE(Make(Write("white.tpic", SolidPicture(300, 200, 0xFFFFFF))));
  ASSERT_TRUE(Make(Write("white.scl", SolidPicture(300, 200, 0xFFFFFF))));
  TestPicture cut = SolidPicture(300, 200, 0xFFFFFF);
  cut.rowsToDeliver = 100;
  PackedDibPtr thumbnail = Make(Write("cut.tpic", cut));
  ASSERT_TRUE(thumbnail);
  EXPECT_EQ(PixelAt(thumbnail.get(), 50, 10), 0xFFFFFFu);
  EXPECT_EQ(PixelAt(thumbnail.get(), 50, 60), 0x000000u);
}

TEST_F(MakeThumbnailTest, PngOpacitiesAreBlendedAndFastPicturesUsed) {
  TestPicture png = SolidPicture(2, 1, 0x000000);
  png.flags = kTpAlpha;
  png.alpha = {0, 255};
  PackedDibPtr blended = Make(Write("a.png", png));
  ASSERT_TRUE(blended);
  EXPECT_EQ(PixelAt(blended.get(), 0, 0), 0xFFFFFFu);
  EXPECT_EQ(PixelAt(blended.get(), 99, 0), 0x000000u);

  TestPicture kvt = SolidPicture(2, 2, 0x111111);
  kvt.flags = kTpFastImage;
  kvt.fastExtension = "tpic";
  kvt.payload = SolidPicture(4, 2, 0x00AA00).Bytes();
  PackedDibPtr fast = Make(Write("a.KVT", kvt));
  ASSERT_TRUE(fast);
  EXPECT_EQ(fast->biHeight, 50);
  EXPECT_EQ(PixelAt(fast.get(), 0, 0), 0x00AA00u);
}

// Workers on several cores: each thread reads with its own state, and a
// reader that did not declare itself safe for that (tpic.dll fails a call
// that overlaps another) is called by one thread at a time.
TEST_F(MakeThumbnailTest, SeveralThreadsMakeThumbnailsAtOnce) {
  std::string path = Write("a.tpic", BlockPicture(400, 300, 0));
  std::vector<PackedDibPtr> made(4 * 8);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (size_t k = 0; k < 8; ++k) made[t * 8 + k] = Make(path);
      ReleaseReusableImages();
      ReleaseScratchRows();
    });
  for (std::thread& thread : threads) thread.join();
  for (const PackedDibPtr& thumbnail : made) ExpectBlocksFitted(thumbnail.get());
}
