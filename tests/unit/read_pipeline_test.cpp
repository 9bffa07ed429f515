#include "image/read_pipeline.h"

#include <gtest/gtest.h>

#include <cstring>

#include "image/fast_image.h"
#include "image/plugin_registry.h"
#include "image/read_callbacks.h"
#include "platform/platform.h"
#include "test_support.h"

using namespace testing_support;

namespace {

// A program folder with the test readers installed: reader_tpic claims
// "tpic;kvt" (slot 1), reader_alt claims "alt;TPIC;png" (slot 0).
class ReadPipeline : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallPlugins(program_, {{"reader_alt", "alt.dll"}, {"reader_tpic", "tpic.dll"}});
  }
  void TearDown() override { ReleasePlugins(); }

  PackedDibPtr Read(const std::string& name, const TestPicture& picture,
                    ReadMode mode = ReadMode::Direct) {
    std::string path = files_ / name;
    WriteAll(path, picture.Bytes());
    int32_t reader = FindReader(path.c_str());
    EXPECT_GE(reader, 0) << name;
    if (reader < 0) return nullptr;
    return PackedDibPtr(ReadImageFile(path.c_str(), nullptr, ReaderPath(reader), mode));
  }

  ScratchFolder program_, files_;
};

TestPicture IndexedPicture(int32_t width, int32_t height, int bits, std::vector<uint8_t> rows) {
  TestPicture picture;
  picture.width = width;
  picture.height = height;
  picture.bitsPerPixel = bits;
  picture.rows = std::move(rows);
  return picture;
}

std::vector<uint8_t> Palette(std::initializer_list<uint32_t> rgbs, size_t entries) {
  std::vector<uint8_t> table(entries * 4, 0);
  size_t i = 0;
  for (uint32_t rgb : rgbs) {
    table[4 * i] = uint8_t(rgb);
    table[4 * i + 1] = uint8_t(rgb >> 8);
    table[4 * i + 2] = uint8_t(rgb >> 16);
    ++i;
  }
  return table;
}

}  // namespace

TEST_F(ReadPipeline, TwentyFourBitPicturesArriveUnchanged) {
  TestPicture picture = SolidPicture(5, 3, 0x102030);
  picture.rows[0] = 0xAA;  // pixel (0, 0): blue byte
  auto image = Read("a.tpic", picture);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->biWidth, 5);
  EXPECT_EQ(image->biHeight, 3);
  EXPECT_EQ(image->biBitCount, 24);
  EXPECT_EQ(PixelAt(image.get(), 0, 0), 0x1020AAu);
  EXPECT_EQ(PixelAt(image.get(), 4, 2), 0x102030u);

  // The same picture delivered channel by channel.
  picture.flags = kTpChannels;
  auto channels = Read("b.tpic", picture);
  ASSERT_TRUE(channels);
  EXPECT_EQ(std::memcmp(channels.get(), image.get(), 40 + 16 * 3), 0);
}

TEST_F(ReadPipeline, EightBitWithoutPaletteConvertsToGreys) {
  auto image = Read("g.tpic", IndexedPicture(2, 1, 8, {0, 200, 0, 0}));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->biBitCount, 24);
  EXPECT_EQ(PixelAt(image.get(), 0, 0), 0x000000u);
  EXPECT_EQ(PixelAt(image.get(), 1, 0), 0xC8C8C8u);
}

TEST_F(ReadPipeline, PalettesAreUsedAtEveryIndexedDepth) {
  TestPicture eight = IndexedPicture(3, 1, 8, {2, 1, 0, 0});
  eight.flags = kTpPalette;
  eight.palette = Palette({0xFF0000, 0x00FF00, 0x0000FF}, 256);
  auto image8 = Read("p8.tpic", eight);
  ASSERT_TRUE(image8);
  EXPECT_EQ(PixelAt(image8.get(), 0, 0), 0x0000FFu);
  EXPECT_EQ(PixelAt(image8.get(), 1, 0), 0x00FF00u);
  EXPECT_EQ(PixelAt(image8.get(), 2, 0), 0xFF0000u);

  // 4 bits, odd width: the last pixel comes from the high nibble.
  TestPicture four = IndexedPicture(3, 1, 4, {0x12, 0x30, 0, 0});
  four.flags = kTpPalette;
  four.palette = Palette({0, 0x111111, 0x222222, 0x333333}, 16);
  auto image4 = Read("p4.tpic", four);
  ASSERT_TRUE(image4);
  EXPECT_EQ(PixelAt(image4.get(), 0, 0), 0x111111u);
  EXPECT_EQ(PixelAt(image4.get(), 1, 0), 0x222222u);
  EXPECT_EQ(PixelAt(image4.get(), 2, 0), 0x333333u);

  // 4 bits without a palette: the default greys.
  auto grey4 = Read("g4.tpic", IndexedPicture(2, 1, 4, {0xF1, 0, 0, 0}));
  ASSERT_TRUE(grey4);
  EXPECT_EQ(PixelAt(grey4.get(), 0, 0), 0xFFFFFFu);
  EXPECT_EQ(PixelAt(grey4.get(), 1, 0), 0x111111u);

  // 1 bit, most significant bit first, over two rows (bottom-up storage).
  TestPicture one = IndexedPicture(10, 2, 1, {0xA0, 0x40, 0, 0, 0x00, 0x40, 0, 0});
  one.flags = kTpPalette;
  one.palette = Palette({0x000000, 0xFFFFFF}, 2);
  auto image1 = Read("p1.tpic", one);
  ASSERT_TRUE(image1);
  EXPECT_EQ(PixelAt(image1.get(), 0, 0), 0xFFFFFFu);
  EXPECT_EQ(PixelAt(image1.get(), 1, 0), 0x000000u);
  EXPECT_EQ(PixelAt(image1.get(), 2, 0), 0xFFFFFFu);
  EXPECT_EQ(PixelAt(image1.get(), 9, 0), 0xFFFFFFu);
  EXPECT_EQ(PixelAt(image1.get(), 0, 1), 0x000000u);
  EXPECT_EQ(PixelAt(image1.get(), 9, 1), 0xFFFFFFu);

  // 1 bit without a palette: black and black.
  auto black = Read("b1.tpic", IndexedPicture(8, 1, 1, {0xFF, 0, 0, 0}));
  ASSERT_TRUE(black);
  EXPECT_EQ(PixelAt(black.get(), 3, 0), 0x000000u);
}

TEST_F(ReadPipeline, PngAlphaIsBlendedOverWhite) {
  TestPicture picture = SolidPicture(3, 1, 0x000000);
  picture.flags = kTpAlpha;
  picture.alpha = {0, 128, 255};
  auto png = Read("a.png", picture);
  ASSERT_TRUE(png);
  EXPECT_EQ(PixelAt(png.get(), 0, 0), 0xFFFFFFu);  // transparent: white
  EXPECT_EQ(PixelAt(png.get(), 1, 0), 0x7F7F7Fu);  // 128 over black
  EXPECT_EQ(PixelAt(png.get(), 2, 0), 0x000000u);  // opaque: unchanged

  // Upper-case extension blends too; another extension never does.
  EXPECT_EQ(PixelAt(Read("b.PNG", picture).get(), 0, 0), 0xFFFFFFu);
  EXPECT_EQ(PixelAt(Read("c.tpic", picture).get(), 0, 0), 0x000000u);
  // Extracted reads ignore alpha.
  EXPECT_EQ(PixelAt(Read("d.png", picture, ReadMode::Extracted).get(), 0, 0), 0x000000u);
  // A PNG whose reader never calls PutAlpha is left as decoded.
  picture.flags = 0;
  picture.alpha.clear();
  EXPECT_EQ(PixelAt(Read("e.png", picture).get(), 0, 0), 0x000000u);
}

TEST_F(ReadPipeline, UnsizableFilesAreReportedOnlyInDirectMode) {
  TestPicture picture = SolidPicture(2, 2, 0x123456);
  picture.flags = kTpFailSize;
  {
    MessageCapture capture;
    EXPECT_FALSE(Read("bad.tpic", picture));
    ASSERT_EQ(capture.Messages().size(), 1u);
    EXPECT_EQ(capture.Messages()[0].text, "read error");
    EXPECT_EQ(capture.Messages()[0].caption, files_ / "bad.tpic");
  }
  {
    MessageCapture capture;
    EXPECT_FALSE(Read("bad2.tpic", picture, ReadMode::Extracted));
    EXPECT_TRUE(capture.Messages().empty());
  }
}

TEST_F(ReadPipeline, HostileSizesFailTheRead) {
  struct Case {
    int32_t width, height, bits;
  } cases[] = {{0, 5, 24},         {5, 0, 24},          {-3, 5, 24},      {5, -3, 8},
               {5, 5, 3},          {5, 5, 32},          {5, 5, 0},        {40000, 40000, 24},
               {0x7FFFFFFF, 1, 1}, {1, 0x7FFFFFFF, 24}, {70000, 70000, 1}};
  MessageCapture capture;
  int n = 0;
  for (const Case& c : cases) {
    TestPicture picture;
    picture.width = c.width;
    picture.height = c.height;
    picture.bitsPerPixel = c.bits;
    EXPECT_FALSE(Read("hostile" + std::to_string(n++) + ".tpic", picture))
        << c.width << "x" << c.height << "x" << c.bits;
  }
  EXPECT_EQ(capture.Messages().size(), std::size(cases));
}

TEST_F(ReadPipeline, ShortFilesKeepBlackRows) {
  TestPicture picture = SolidPicture(2, 4, 0xFFFFFF);
  picture.rowsToDeliver = 2;
  auto image = Read("short.tpic", picture);
  ASSERT_TRUE(image);
  EXPECT_EQ(PixelAt(image.get(), 1, 1), 0xFFFFFFu);
  EXPECT_EQ(PixelAt(image.get(), 1, 2), 0x000000u);
  EXPECT_EQ(PixelAt(image.get(), 0, 3), 0x000000u);
}

// The reader's answer counts: a failure with rows delivered keeps them (a
// cut file shows its top), a failure before any row is no picture at all,
// reported only in Direct mode. Rows outside the target are not rows.
TEST_F(ReadPipeline, AFailedDecodeKeepsItsRowsOrGivesNoPicture) {
  struct Case {
    const char* name;
    int32_t rowsToDeliver;
    uint32_t flags;
    ReadMode mode;
    bool picture;
    size_t messages;
  } cases[] = {
      {"one.tpic", 1, 0, ReadMode::Silent, true, 0},
      {"none.tpic", 0, 0, ReadMode::Direct, false, 1},
      {"blank.tpic", -1, kTpExecBlank, ReadMode::Silent, false, 0},
      {"blank2.tpic", -1, kTpExecBlank, ReadMode::Extracted, false, 0},
      {"channels.tpic", 2, kTpChannels, ReadMode::Direct, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestPicture picture = SolidPicture(3, 4, 0x7799BB);
    picture.rowsToDeliver = c.rowsToDeliver;
    picture.flags = c.flags;
    MessageCapture capture;
    PackedDibPtr image = Read(c.name, picture, c.mode);
    EXPECT_EQ(bool(image), c.picture);
    if (image) {
      EXPECT_EQ(PixelAt(image.get(), 2, 0), 0x7799BBu);
    }
    EXPECT_EQ(capture.Messages().size(), c.messages);
  }
}

// ReadFileInit runs before the size query, and one load of the reader
// serves the size query and the decode.
TEST_F(ReadPipeline, TheReaderIsInitialisedAndLoadedOnceForSizeAndDecode) {
  struct Case {
    const char* name;
    uint32_t flags;
    int32_t side;
  };
  for (const Case& c : {Case{"init.tpic", kTpRequireInit, 1}, Case{"once.tpic", kTpSameLoad, 2}}) {
    SCOPED_TRACE(c.name);
    TestPicture picture = SolidPicture(c.side, c.side, 0x445566);
    picture.flags = c.flags;
    auto image = Read(c.name, picture);
    ASSERT_TRUE(image);
    EXPECT_EQ(PixelAt(image.get(), c.side - 1, c.side - 1), 0x445566u);
  }
}

TEST_F(ReadPipeline, PicturesWiderThanTheOldScratchRows) {
  // 40,000 pixels at 3 bytes is more than the historical 100,000-byte row.
  TestPicture picture = SolidPicture(40000, 2, 0x0000FF);
  picture.flags = kTpChannels;
  for (int x = 39990; x < 40000; ++x) picture.rows[size_t(RowStride(40000, 24)) + 3 * x + 1] = 0x77;
  auto image = Read("wide.tpic", picture);
  ASSERT_TRUE(image);
  EXPECT_EQ(PixelAt(image.get(), 0, 0), 0x0000FFu);
  EXPECT_EQ(PixelAt(image.get(), 39999, 0), 0x0000FFu);
  EXPECT_EQ(PixelAt(image.get(), 39999, 1), 0x0077FFu);
}

TEST(ReadPipelineNoExec, ReaderWithoutExecFailsTheRead) {
  ScratchFolder program, files;
  InstallPlugins(program, {{"reader_noexec", "n.dll"}});
  std::string path = files / "x.nox";
  WriteAll(path, SolidPicture(2, 2, 0xFFFFFF).Bytes());
  MessageCapture capture;
  EXPECT_EQ(ReadImageFile(path.c_str(), nullptr, ReaderPath(0), ReadMode::Extracted), nullptr);
  ReleasePlugins();
}

TEST(ReadCallbacksTest, RefusalsLeaveTheTargetUntouched) {
  PackedDibPtr target(CreatePackedDib(2, 2, 24));
  g_readState.target = target.get();
  g_readState.bitsPerPixel = 24;
  const uint8_t row[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  EXPECT_EQ(PutRow(0, 0, 0, row, 1), -1);
  EXPECT_EQ(PixelAt(target.get(), 0, 0), 0u);
  EXPECT_EQ(PutRow(5, 0, 0, row, 0), 0);  // outside: ignored
  EXPECT_EQ(PutRow(-1, 0, 0, row, 0), 0);
  EXPECT_EQ(PutChannel(0, 3, 0, 0, row, 0), -1);  // not a byte of the pixel
  EXPECT_EQ(PutChannel(0, -1, 0, 0, row, 0), -1);
  EXPECT_EQ(PutChannel(0, 1, 0, 0, row, 1), -1);
  EXPECT_EQ(PixelAt(target.get(), 0, 0), 0u);
  EXPECT_EQ(PutChannel(1, 2, 0, 0, row, 0), 0);
  EXPECT_EQ(PixelAt(target.get(), 1, 1), 0x090000u);
  // A 24-bit target has no colour table to receive.
  EXPECT_EQ(PutPalette(row, 0), 0);
  EXPECT_EQ(PutPalette(row, 2), -1);

  PackedDibPtr indexed(CreatePackedDib(2, 2, 8));
  g_readState.target = indexed.get();
  g_readState.bitsPerPixel = 8;
  EXPECT_EQ(PutChannel(0, 0, 0, 0, row, 0), -1);

  g_readState.target = nullptr;
  EXPECT_EQ(PutRow(0, 0, 0, row, 0), -1);
  EXPECT_EQ(PutChannel(0, 0, 0, 0, row, 0), -1);
  EXPECT_EQ(PutPalette(row, 0), 0);
}

// ---- The fast path of "kvt" files -----------------------------------------

namespace {

TestPicture KvtWithFastPicture(const std::string& extension, uint32_t fastColour) {
  TestPicture kvt = SolidPicture(2, 2, 0x111111);  // what a direct read would show
  kvt.flags = kTpFastImage;
  kvt.fastExtension = extension;
  kvt.payload = SolidPicture(3, 1, fastColour).Bytes();
  return kvt;
}

}  // namespace

// The fast path's file, which the test reader writes to the temporary folder.
std::string FastFile(const std::string& name) { return platform::TemporaryFolder() + name; }

TEST_F(ReadPipeline, FastImageIsReadAndItsTemporaryFileDeleted) {
  std::string name = "photo" + std::to_string(reinterpret_cast<uintptr_t>(this)) + ".KVT";
  std::string path = files_ / name;  // capitals take the fast path too
  WriteAll(path, KvtWithFastPicture("tpic", 0x00AA00).Bytes());
  MessageCapture capture;
  PackedDibPtr image(ReadFastImage(nullptr, path.c_str()));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->biWidth, 3);
  EXPECT_EQ(PixelAt(image.get(), 2, 0), 0x00AA00u);
  EXPECT_FALSE(platform::FileExists(FastFile(name + ".fast.tpic").c_str()));
  EXPECT_TRUE(platform::FileExists(path.c_str()));
}

TEST_F(ReadPipeline, FastImageOfAnUnclaimedFormatGivesNothingButIsDeleted) {
  std::string name = "photo" + std::to_string(reinterpret_cast<uintptr_t>(this)) + ".kvt";
  std::string path = files_ / name;
  WriteAll(path, KvtWithFastPicture("zzz", 0x00AA00).Bytes());
  MessageCapture capture;
  EXPECT_EQ(ReadFastImage(nullptr, path.c_str()), nullptr);
  EXPECT_FALSE(platform::FileExists(FastFile(name + ".fast.zzz").c_str()));
  EXPECT_TRUE(capture.Messages().empty());
}

TEST(FastImageFile, OnlyAFileOfTheTemporaryFolderThatIsNotThePicture) {
  std::string temp = platform::TemporaryFolder();
  ScratchFolder files;
  std::string made = temp + "fast" + std::to_string(reinterpret_cast<uintptr_t>(&files)) + ".bmp";
  WriteAll(made, {1});
  WriteAll(files / "picture.kvt", {2});
  WriteAll(files / "other.bmp", {3});
  struct {
    std::string tempPath;
    bool deletable;
  } cases[] = {
      {made, true},
      {files / "picture.kvt", false},  // the picture itself
      {files / "other.bmp", false},    // a file outside the temporary folder
      {temp + "*.bmp", false},         // a pattern
      {temp + "missing.bmp", false},   // nothing there
      {temp, false},                   // the folder itself
      {temp + "sub\\x.bmp", false},    // deeper than the folder
      {"relative.bmp", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsFastPictureFile(c.tempPath.c_str(), (files / "picture.kvt").c_str()), c.deletable)
        << c.tempPath;
  EXPECT_FALSE(IsFastPictureFile(made.c_str(), made.c_str()));  // a picture read from there
  platform::DeleteOneFile(made.c_str());
}

TEST_F(ReadPipeline, NoFastImageWhenTheReaderDeclines) {
  std::string path = files_ / "plain.kvt";
  WriteAll(path, SolidPicture(2, 2, 0x111111).Bytes());
  EXPECT_EQ(ReadFastImage(nullptr, path.c_str()), nullptr);
  EXPECT_TRUE(platform::FileExists(path.c_str()));
  EXPECT_EQ(ReadFastImage(nullptr, (files_ / "unclaimed.jpg").c_str()), nullptr);
}

TEST(FastImageNoExport, ReaderWithoutFastExportGivesNothing) {
  ScratchFolder program, files;
  InstallPlugins(program, {{"reader_nofast", "k.dll"}});
  std::string path = files / "photo.kvt";
  WriteAll(path, KvtWithFastPicture("tpic", 0x00AA00).Bytes());
  EXPECT_EQ(ReadFastImage(nullptr, path.c_str()), nullptr);
  EXPECT_FALSE(platform::FileExists((path + ".fast.tpic").c_str()));
  // The direct read of the same file works.
  PackedDibPtr direct(ReadImageFile(path.c_str(), nullptr, ReaderPath(0), ReadMode::Direct));
  ASSERT_TRUE(direct);
  EXPECT_EQ(PixelAt(direct.get(), 1, 1), 0x111111u);
  ReleasePlugins();
}
