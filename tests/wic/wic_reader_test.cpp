// The shipped WIC reader, driven through the browser's own reading pipeline
// and compared with ImageMagick's decode of the same files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "../unit/test_support.h"
#include "image/plugin_api.h"
#include "image/plugin_registry.h"
#include "image/read_pipeline.h"
#include "image/thumbnail_maker.h"
#include "image/thumbnail_scale.h"
#include "platform/platform.h"
#include "shell/app_state.h"

using namespace testing_support;

namespace {

std::string Fixture(const std::string& name) {
  return platform::ExecutableFolder() + "wic_fixtures\\" + name;
}

using Expected = DecodedPicture;

Expected ImageMagickDecode(const std::string& name) {
  return ReadReferenceDecode(Fixture(""), name);
}

struct Difference {
  int largest = 0;
  double mean = 0;
};

Difference Compare(const DibHeader* image, const Expected& expected) {
  Difference d;
  double total = 0;
  for (int y = 0; y < expected.height; ++y)
    for (int x = 0; x < expected.width; ++x) {
      uint32_t ours = PixelAt(image, x, y);
      const uint8_t* theirs = &expected.rgb[(size_t(y) * expected.width + x) * 3];
      for (int c = 0; c < 3; ++c) {
        int diff = std::abs(int((ours >> (16 - 8 * c)) & 0xFF) - int(theirs[c]));
        d.largest = std::max(d.largest, diff);
        total += diff;
      }
    }
  d.mean = total / (3.0 * expected.width * expected.height);
  return d;
}

class WicReader : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::MakeFolder((program_ / "file_r").c_str());
    ASSERT_TRUE(CopyFileBytes(platform::ExecutableFolder() + "..\\plugins\\wic_reader.dll",
                              program_ / "file_r\\wic_reader.dll"));
    ASSERT_TRUE(SetProgramFolder(program_.Path().c_str()));
    ScanPlugins(g_app.programFolder, nullptr);
    ASSERT_STRNE(ReaderPath(0), "");
  }
  void TearDown() override { ReleasePlugins(); }

  PackedDibPtr Read(const std::string& name) {
    std::string path = Fixture(name);
    int32_t reader = FindReader(path.c_str());
    EXPECT_EQ(reader, 0) << name;
    if (reader < 0) return nullptr;
    return PackedDibPtr(ReadImageFile(path.c_str(), nullptr, ReaderPath(reader), ReadMode::Direct));
  }

  // The depth the reader reports for a file, or 0 when it cannot size it.
  int ReportedDepth(const std::string& name) {
    platform::ScopedLibrary plugin(ReaderPath(0));
    auto getSize = reinterpret_cast<ReadFileGetSizeFn>(plugin.Export("ReadFileGetSize"));
    auto size = std::make_unique<ImageSizeRecord>();
    auto extra = std::make_unique<ImageExtraRecord>();
    *size = {};
    size->imageCount = 1;
    if (!getSize || !getSize(nullptr, Fixture(name).c_str(), size.get(), extra.get())) return 0;
    return size->entries[0].bitsPerPixel;
  }

  void ExpectLike(const std::string& name, int largest, double mean) {
    SCOPED_TRACE(name);
    PackedDibPtr image = Read(name);
    ASSERT_TRUE(image);
    Expected expected = ImageMagickDecode(name);
    ASSERT_EQ(image->biWidth, expected.width);
    ASSERT_EQ(image->biHeight, expected.height);
    ASSERT_EQ(expected.rgb.size(), size_t(expected.width) * expected.height * 3);
    Difference d = Compare(image.get(), expected);
    EXPECT_LE(d.largest, largest);
    EXPECT_LE(d.mean, mean);
  }

  ScratchFolder program_;
};

}  // namespace

TEST_F(WicReader, DeclaresTheCommonFormats) {
  FormatInfo info;
  ASSERT_TRUE(QueryFormatInfo(ReaderPath(0), "ReadFileInfo", nullptr, &info));
  EXPECT_STREQ(info.extensions, "jpg;jpeg;jpe;jfif;png;gif;bmp;dib;tif;tiff;ico");
  for (const char* name : {"a.JPG", "b.jpeg", "c.jpe", "d.jfif", "e.png", "f.GIF", "g.bmp", "h.dib",
                           "i.tif", "j.TIFF", "k.ico"})
    EXPECT_EQ(FindReader(name), 0) << name;
  EXPECT_EQ(FindReader("l.webp"), -1);
}

TEST_F(WicReader, LosslessFilesDecodeExactly) {
  for (const char* name :
       {"rgb.png", "rgb.bmp", "rgb.tif", "palette.gif", "palette.bmp", "palette4.bmp",
        "palette.png", "grey.png", "mono.png", "mono.tif", "icon.ico", "animated.gif", "pages.tif"})
    ExpectLike(name, 0, 0.0);
}

TEST_F(WicReader, SixteenBitChannelsAreRoundedToEight) { ExpectLike("rgb16.tif", 1, 0.5); }

TEST_F(WicReader, DepthKeepsTheFilesInformation) {
  EXPECT_EQ(ReportedDepth("rgb.png"), 24);
  EXPECT_EQ(ReportedDepth("rgb.jpg"), 24);
  EXPECT_EQ(ReportedDepth("palette.gif"), 8);
  EXPECT_EQ(ReportedDepth("palette4.bmp"), 8);
  EXPECT_EQ(ReportedDepth("grey.png"), 8);
  EXPECT_EQ(ReportedDepth("grey.jpg"), 8);  // Wine cannot convert grey JPEGs to 24-bit
  EXPECT_EQ(ReportedDepth("mono.tif"), 1);
  EXPECT_EQ(ReportedDepth("alpha.png"), 24);
}

TEST_F(WicReader, TransparencyIsBlendedOverWhite) {
  ExpectLike("alpha.png", 1, 0.5);
  ExpectLike("wallpaper.png", 1, 0.5);
  PackedDibPtr image = Read("alpha.png");
  ASSERT_TRUE(image);
  EXPECT_EQ(PixelAt(image.get(), 0, 20), 0xFFFFFFu);  // fully transparent column
}

TEST_F(WicReader, JpegsMatchWithinDecoderTolerance) {
  ExpectLike("rgb.jpg", 24, 2.0);
  ExpectLike("grey.jpg", 24, 2.0);
  ExpectLike("photo1.jpg", 48, 2.0);
  ExpectLike("photo2.jpg", 48, 2.0);
}

TEST_F(WicReader, CameraOrientationIsApplied) {
  for (int o = 1; o <= 8; ++o) ExpectLike("orient" + std::to_string(o) + ".jpg", 24, 2.0);
  PackedDibPtr portrait = Read("orient6.jpg");
  ASSERT_TRUE(portrait);
  EXPECT_EQ(portrait->biWidth, 37);
  EXPECT_EQ(portrait->biHeight, 61);
}

TEST_F(WicReader, DamagedFilesGiveADefinedResult) {
  MessageCapture capture;
  for (const char* name :
       {"cut10.jpg", "cut400.jpg", "cuthalf.jpg", "cut60.png", "cuthalf.png", "cut100.gif",
        "cut300.tif", "empty.png", "random.jpg", "random.png", "cmyk.jpg", "missing.png"}) {
    SCOPED_TRACE(name);
    PackedDibPtr image = Read(name);
    if (image) {
      EXPECT_EQ(image->biBitCount, 24);
      EXPECT_GT(image->biWidth, 0);
    }
  }
  // A cut JPEG keeps its size: the missing part is simply not delivered.
  PackedDibPtr half = Read("cuthalf.jpg");
  if (half) {
    EXPECT_EQ(half->biWidth, 61);
  }
}

namespace {

uint32_t Crc32(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFF;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 3; i >= 0; --i) out.push_back(uint8_t(value >> (8 * i)));
}

// A PNG that claims width x height and holds no pixel data.
std::vector<uint8_t> PngHeaderOnly(uint32_t width, uint32_t height) {
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> chunk = {'I', 'H', 'D', 'R'};
  PutBigEndian(chunk, width);
  PutBigEndian(chunk, height);
  chunk.insert(chunk.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
  PutBigEndian(png, 13);
  png.insert(png.end(), chunk.begin(), chunk.end());
  PutBigEndian(png, Crc32(chunk.data(), chunk.size()));
  std::vector<uint8_t> end = {'I', 'E', 'N', 'D'};
  PutBigEndian(png, 0);
  png.insert(png.end(), end.begin(), end.end());
  PutBigEndian(png, Crc32(end.data(), end.size()));
  return png;
}

}  // namespace

TEST_F(WicReader, HugeDimensionsAreRefusedBeforeAnyAllocation) {
  ScratchFolder files;
  MessageCapture capture;
  for (uint32_t side : {50000u, 100000u, 0x7FFFFFFFu}) {
    std::string path = files / ("huge" + std::to_string(side) + ".png");
    WriteAll(path, PngHeaderOnly(side, side));
    PackedDibPtr image(ReadImageFile(path.c_str(), nullptr, ReaderPath(0), ReadMode::Direct));
    EXPECT_FALSE(image) << side;
  }
  EXPECT_EQ(capture.Messages().size(), 3u);
}

TEST_F(WicReader, PhotosFitIntoTheLargeThumbnailBox) {
  PackedDibPtr photo = Read("photo1.jpg");
  ASSERT_TRUE(photo);
  PackedDibPtr thumbnail(FitThumbnail(photo.get(), 176, 160));
  ASSERT_TRUE(thumbnail);
  EXPECT_TRUE(thumbnail->biWidth == 176 || thumbnail->biHeight == 160);
  EXPECT_LE(thumbnail->biWidth, 176);
  EXPECT_LE(thumbnail->biHeight, 160);
}

// For a thumbnail the reader keeps every 2nd, 4th or 8th pixel of every such
// row and turns photos upright at that size: the thumbnail keeps the size
// the whole picture gives and looks the same within the picking's error.
TEST_F(WicReader, ThumbnailsFromPickedPixelsKeepTheirSizeAndLook) {
  MessageCapture capture;
  for (const char* name : {"photo1.jpg", "portrait.jpg", "wallpaper.png", "orient7.jpg"}) {
    SCOPED_TRACE(name);
    PackedDibPtr whole = Read(name);
    ASSERT_TRUE(whole);
    ExpectThumbnailLikeFittedWhole(Fixture(name).c_str(), whole.get(), 12.0);
  }
  EXPECT_TRUE(capture.Messages().empty());
}

TEST_F(WicReader, ScaledSizeComesFromTheWholeSizeGiven) {
  platform::ScopedLibrary plugin(ReaderPath(0));
  auto scaled = reinterpret_cast<ReadFileExecScaledFn>(plugin.Export("ReadFileExecScaled"));
  ASSERT_TRUE(scaled);
  auto size = std::make_unique<ImageSizeRecord>();
  auto extra = std::make_unique<ImageExtraRecord>();
  auto work = std::make_unique<DecodeWorkRecord>();
  auto ask = [&](int32_t width, int32_t height, int32_t bits, int32_t boxWidth, int32_t boxHeight) {
    *size = {};
    size->imageCount = 1;
    size->entries[0] = {width, height, bits, {}};
    return scaled(nullptr, Fixture("photo1.jpg").c_str(), boxWidth, boxHeight, size.get(),
                  extra.get(), work.get(), nullptr);
  };
  ASSERT_TRUE(ask(2560, 1600, 24, 176, 160));
  EXPECT_EQ(size->entries[0].width, 320);
  EXPECT_EQ(size->entries[0].height, 200);
  ASSERT_TRUE(ask(1600, 2561, 1, 176, 160));  // bilevel pictures are picked at 8 bits
  EXPECT_EQ(size->entries[0].width, 200);
  EXPECT_EQ(size->entries[0].height, 321);
  EXPECT_EQ(size->entries[0].bitsPerPixel, 8);
  ASSERT_TRUE(ask(2560, 1600, 24, 900, 900));
  EXPECT_EQ(size->entries[0].width, 1280);
  EXPECT_FALSE(ask(61, 37, 24, 176, 160));  // small: the whole picture is read
  EXPECT_FALSE(ask(2560, 1600, 24, 1500, 1500));
}
