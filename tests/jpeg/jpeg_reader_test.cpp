// The shipped JPEG reader on libjpeg-turbo, beside the WIC reader as the
// browser's file_r\ holds them, driven through the browser's own reading
// pipeline and compared with ImageMagick's decode of the same files.
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
#include "platform/platform.h"
#include "shell/app_state.h"

using namespace testing_support;

namespace {

std::string Fixture(const std::string& name) {
  return platform::ExecutableFolder() + "jpeg_fixtures\\" + name;
}

using Expected = DecodedPicture;

Expected ImageMagickDecode(const std::string& name) {
  return ReadReferenceDecode(Fixture(""), name);
}

// Mean absolute difference per channel over the whole picture.
double MeanError(const DibHeader* image, const Expected& expected) {
  double total = 0;
  for (int y = 0; y < expected.height; ++y)
    for (int x = 0; x < expected.width; ++x) {
      uint32_t ours = PixelAt(image, x, y);
      const uint8_t* theirs = &expected.rgb[(size_t(y) * expected.width + x) * 3];
      for (int c = 0; c < 3; ++c)
        total += std::abs(int((ours >> (16 - 8 * c)) & 0xFF) - int(theirs[c]));
    }
  return total / (3.0 * expected.width * expected.height);
}

class JpegReader : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::MakeFolder((program_ / "file_r").c_str());
    std::string plugins = platform::ExecutableFolder() + "..\\plugins\\";
    ASSERT_TRUE(CopyFileBytes(plugins + "jpeg_reader.dll", program_ / "file_r\\jpeg_reader.dll"));
    ASSERT_TRUE(CopyFileBytes(plugins + "wic_reader.dll", program_ / "file_r\\wic_reader.dll"));
    ASSERT_TRUE(SetProgramFolder(program_.Path().c_str()));
    ScanPlugins(g_app.programFolder, nullptr);
    ASSERT_NE(std::strstr(ReaderPath(0), "jpeg_reader.dll"), nullptr);
  }
  void TearDown() override { ReleasePlugins(); }

  PackedDibPtr Read(const std::string& path) {
    return PackedDibPtr(ReadImageFile(path.c_str(), nullptr, ReaderPath(0), ReadMode::Silent));
  }

  // Calls the scaled export's size question directly: the delivered size.
  bool ScaledSize(const std::string& name, int boxWidth, int boxHeight, int* width, int* height) {
    platform::ScopedLibrary plugin(ReaderPath(0));
    auto scaled = reinterpret_cast<ReadFileExecScaledFn>(plugin.Export("ReadFileExecScaled"));
    auto size = std::make_unique<ImageSizeRecord>();
    auto extra = std::make_unique<ImageExtraRecord>();
    auto work = std::make_unique<DecodeWorkRecord>();
    *size = {};
    size->imageCount = 1;
    if (!scaled || !scaled(nullptr, Fixture(name).c_str(), boxWidth, boxHeight, size.get(),
                           extra.get(), work.get(), nullptr))
      return false;
    *width = size->entries[0].width;
    *height = size->entries[0].height;
    return true;
  }

  void ExpectLike(const std::string& name, double mean) {
    SCOPED_TRACE(name);
    PackedDibPtr image = Read(Fixture(name));
    ASSERT_TRUE(image);
    Expected expected = ImageMagickDecode(name);
    ASSERT_EQ(image->biWidth, expected.width);
    ASSERT_EQ(image->biHeight, expected.height);
    ASSERT_EQ(expected.rgb.size(), size_t(expected.width) * expected.height * 3);
    EXPECT_LE(MeanError(image.get(), expected), mean);
  }

  ScratchFolder program_;
};

}  // namespace

TEST_F(JpegReader, ClaimsJpegBeforeTheWicReader) {
  for (const char* name : {"a.jpg", "b.JPEG", "c.jpe", "d.jfif"}) EXPECT_EQ(FindReader(name), 0);
  EXPECT_EQ(FindReader("e.png"), 1);  // the WIC reader keeps the other formats
}

TEST_F(JpegReader, MatchesImageMagickOnMadePicturesAndPhotos) {
  for (const char* name : {"rgb.jpg", "subsampled.jpg", "progressive.jpg", "grey.jpg", "cmyk.jpg",
                           "restart.jpg", "restart3b.jpg", "photo1.jpg", "photo2.jpg"})
    ExpectLike(name, 1.0);
}

TEST_F(JpegReader, EveryOrientationIsTurnedUpright) {
  for (int o = 1; o <= 8; ++o) ExpectLike("orient" + std::to_string(o) + ".jpg", 1.0);
  ExpectLike("greyorient6.jpg", 1.0);
}

TEST_F(JpegReader, ScaledExportChoosesTheSmallestCoveringScale) {
  struct Case {
    const char* name;
    int boxWidth, boxHeight, width, height;
  } cases[] = {
      {"photo1.jpg", 176, 160, 320, 200},      // 2560 x 1600 at 1/8
      {"photo1.jpg", 80, 64, 320, 200},        // never below 1/8
      {"photo1.jpg", 400, 400, 640, 400},      // 1/4: 1/8 would be enlarged
      {"photo1.jpg", 1000, 900, 1280, 800},    // 1/2
      {"photo1.jpg", 2000, 2000, 2240, 1400},  // 7/8
      {"photo1.jpg", 5000, 5000, 2560, 1600},  // whole
      {"portrait.jpg", 176, 160, 200, 320},    // upright box for a turned photo
      {"portrait.jpg", 600, 400, 400, 640},    // 1/4: height 400 needed
      {"rgb.jpg", 176, 160, 61, 37},           // small pictures stay whole
  };
  for (const Case& c : cases) {
    int width = 0, height = 0;
    SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.boxWidth));
    ASSERT_TRUE(ScaledSize(c.name, c.boxWidth, c.boxHeight, &width, &height));
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
  }
}

TEST_F(JpegReader, ThumbnailsFromScaledDecodesKeepTheirSizeAndLook) {
  MessageCapture capture;
  for (const char* name : {"photo1.jpg", "portrait.jpg", "progressivephoto.jpg", "restartphoto.jpg",
                           "grey.jpg", "cmyk.jpg", "orient5.jpg"}) {
    SCOPED_TRACE(name);
    PackedDibPtr whole = Read(Fixture(name));
    ASSERT_TRUE(whole);
    // Each pixel is the mean of an 8 x 8 block instead of one picked pixel.
    ExpectThumbnailLikeFittedWhole(Fixture(name).c_str(), whole.get(), 12.0);
  }
  EXPECT_TRUE(capture.Messages().empty());
}

TEST_F(JpegReader, DamagedFilesFailOrKeepWhatWasDecoded) {
  MessageCapture capture;
  for (const char* name : {"cut10.jpg", "empty.jpg", "random.jpg", "missing.jpg"}) {
    EXPECT_FALSE(Read(Fixture(name))) << name;
    EXPECT_FALSE(MakeThumbnail(nullptr, Fixture(name).c_str(), 176, 160)) << name;
  }
  // Random bytes after a start marker: whatever libjpeg makes of them, the
  // read ends (a refusal, or a picture of a sound size).
  if (PackedDibPtr noise = Read(Fixture("randombody.jpg"))) {
    EXPECT_EQ(noise->biBitCount, 24);
  }
  // A photo cut in half keeps its size and top; the missing part stays black.
  PackedDibPtr half = Read(Fixture("cuthalf.jpg"));
  ASSERT_TRUE(half);
  EXPECT_EQ(half->biWidth, 2560);
  EXPECT_EQ(PixelAt(half.get(), 1280, 1599), 0u);
  PackedDibPtr photo = Read(Fixture("photo1.jpg"));
  EXPECT_EQ(PixelAt(half.get(), 1280, 10), PixelAt(photo.get(), 1280, 10));
  // A progressive file cut inside its last scan is read from the scans that
  // arrived: its size, and no black rows.
  ScratchFolder files;
  std::vector<uint8_t> progressive = ReadAll(Fixture("progressive.jpg"));
  size_t lastScan = progressive.size();
  while (lastScan > 1 && !(progressive[lastScan - 2] == 0xFF && progressive[lastScan - 1] == 0xDA))
    --lastScan;
  progressive.resize(lastScan + (progressive.size() - lastScan) / 2);
  WriteAll(files / "cutscan.jpg", progressive);
  PackedDibPtr cut = Read(files / "cutscan.jpg");
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->biWidth, 61);
  EXPECT_NE(PixelAt(cut.get(), 50, 36), 0u);
  // Files cut before their first row of blocks, or inside a marker segment
  // between scans (libjpeg gives up), have nothing to show: the placeholder.
  for (const char* name : {"cut400.jpg", "cutprogressive.jpg"}) {
    EXPECT_FALSE(Read(Fixture(name))) << name;
    EXPECT_FALSE(MakeThumbnail(nullptr, Fixture(name).c_str(), 176, 160)) << name;
  }
  EXPECT_TRUE(capture.Messages().empty());
}

namespace {

// rgb.jpg with its frame header claiming width x height.
std::vector<uint8_t> ClaimingSize(int width, int height) {
  std::vector<uint8_t> jpeg = ReadAll(Fixture("rgb.jpg"));
  for (size_t i = 2; i + 9 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
      jpeg[i + 5] = uint8_t(height >> 8);
      jpeg[i + 6] = uint8_t(height);
      jpeg[i + 7] = uint8_t(width >> 8);
      jpeg[i + 8] = uint8_t(width);
      break;
    }
  return jpeg;
}

}  // namespace

TEST_F(JpegReader, AbsurdDimensionsAreRefusedBeforeAnyAllocation) {
  ScratchFolder files;
  MessageCapture capture;
  for (int side : {65500, 65535}) {
    std::string path = files / ("huge" + std::to_string(side) + ".jpg");
    WriteAll(path, ClaimingSize(side, side));
    EXPECT_FALSE(Read(path)) << side;
    EXPECT_FALSE(MakeThumbnail(nullptr, path.c_str(), 176, 160)) << side;
  }
  // Large but sound: 30,000 x 20 is read (its rows beyond the data black).
  std::string wide = files / "wide.jpg";
  WriteAll(wide, ClaimingSize(30000, 20));
  PackedDibPtr image(MakeThumbnail(nullptr, wide.c_str(), 176, 160));
  EXPECT_TRUE(image);
}

// A camera's preview (magenta here, the photo blue) stands for the photo
// where it has the photo's shape and covers the box; otherwise the photo
// itself is decoded: a larger box, a preview with black bars, or a photo
// changed after it was taken.
TEST_F(JpegReader, TheCamerasPreviewServesBoxesItCovers) {
  struct Case {
    const char* name;
    int box, width, height;
    bool fromPreview;
  };
  const Case cases[] = {
      {"withpreview.jpg", 100, 160, 120, true},
      {"withpreview6.jpg", 100, 120, 160, true},   // turned as the photo is
      {"withpreview.jpg", 200, 200, 150, false},   // past the preview's size
      {"barpreview.jpg", 100, 113, 75, false},     // 4:3 preview of a 3:2 photo
      {"editedpreview.jpg", 100, 120, 90, false},  // changed after the shot
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " in " + std::to_string(c.box));
    int width = 0, height = 0;
    ASSERT_TRUE(ScaledSize(c.name, c.box, c.box, &width, &height));
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
    PackedDibPtr thumbnail(MakeThumbnail(nullptr, Fixture(c.name).c_str(), c.box, c.box));
    ASSERT_TRUE(thumbnail);
    uint32_t centre = PixelAt(thumbnail.get(), thumbnail->biWidth / 2, thumbnail->biHeight / 2);
    bool magenta = (centre >> 16) > 0xC0 && ((centre >> 8) & 0xFF) < 0x40;
    EXPECT_EQ(magenta, c.fromPreview) << std::hex << centre;
  }
}

// ---- Hostile files, through both shipped readers as the browser holds them ----------

namespace {

std::string Hostile(const std::string& name) {
  return platform::ExecutableFolder() + "hostile_pictures\\" + name;
}

}  // namespace

// A 100,000,000 x 1 TIFF (the WIC reader) and a progressive JPEG of 5,000
// scans (the JPEG reader): each read, whole or as a thumbnail, ends with a
// picture of the file's size or a refusal, never with the process. The
// JPEG is past the scan limit, so it is refused before any row.
TEST_F(JpegReader, HostileFilesAreReadOrRefusedAndTheProcessGoesOn) {
  MessageCapture capture;
  const struct {
    const char* name;
    int reader;
  } kFiles[] = {{"wide.tif", 1}, {"scans.jpg", 0}};
  for (const auto& file : kFiles) {
    SCOPED_TRACE(file.name);
    std::string path = Hostile(file.name);
    ASSERT_EQ(FindReader(path.c_str()), file.reader);
    if (PackedDibPtr whole{
            ReadImageFile(path.c_str(), nullptr, ReaderPath(file.reader), ReadMode::Silent)}) {
      EXPECT_EQ(whole->biWidth, 100000000);
      EXPECT_EQ(whole->biHeight, 1);
    }
    PackedDibPtr thumbnail(MakeThumbnail(nullptr, path.c_str(), 176, 160));
  }
  // Past the scan limit: refused by the JPEG reader, and by the WIC reader
  // before the system's decoder sees it.
  for (int reader : {0, 1})
    EXPECT_FALSE(PackedDibPtr(
        ReadImageFile(Hostile("scans.jpg").c_str(), nullptr, ReaderPath(reader), ReadMode::Silent)))
        << reader;
  EXPECT_TRUE(capture.Messages().empty());
}

// A turned photo cut at half its length keeps the rows decoded before the
// cut, turned like the whole photo's: orientation 6 puts the stored top on
// the right. Only the rest is black.
TEST_F(JpegReader, ACutTurnedPhotoKeepsItsDecodedHalf) {
  PackedDibPtr cut = Read(Hostile("cutturned.jpg"));
  PackedDibPtr whole = Read(Hostile("turned.jpg"));
  ASSERT_TRUE(cut);
  ASSERT_TRUE(whole);
  ASSERT_EQ(cut->biWidth, 1600);
  ASSERT_EQ(cut->biHeight, 2560);
  for (int y : {10, 1280, 2550}) {
    EXPECT_EQ(PixelAt(cut.get(), 1590, y), PixelAt(whole.get(), 1590, y)) << y;
    EXPECT_EQ(PixelAt(cut.get(), 1200, y), PixelAt(whole.get(), 1200, y)) << y;
    EXPECT_EQ(PixelAt(cut.get(), 5, y), 0u) << y;
  }
  // Its thumbnail, from the scaled decode, is not the black placeholder
  // either: its right part shows the photo.
  PackedDibPtr thumbnail(MakeThumbnail(nullptr, Hostile("cutturned.jpg").c_str(), 176, 160));
  ASSERT_TRUE(thumbnail);
  EXPECT_NE(PixelAt(thumbnail.get(), thumbnail->biWidth - 3, thumbnail->biHeight / 2), 0u);
}

// The same through the WIC reader: a TIFF turned by its orientation tag
// whose stored rows end after row 23 keeps those rows, turned to the right
// of the upright picture (stored row y is upright column 47 - y).
TEST_F(JpegReader, ACutTurnedTiffKeepsItsDecodedRows) {
  std::string path = Hostile("cutturned.tif");
  ASSERT_EQ(FindReader(path.c_str()), 1);
  PackedDibPtr cut(ReadImageFile(path.c_str(), nullptr, ReaderPath(1), ReadMode::Silent));
  ASSERT_TRUE(cut);
  ASSERT_EQ(cut->biWidth, 48);
  ASSERT_EQ(cut->biHeight, 64);
  for (int y : {0, 63}) {
    EXPECT_EQ(PixelAt(cut.get(), 47, y), 0x00FF80u) << y;  // stored row 0
    EXPECT_EQ(PixelAt(cut.get(), 24, y), 0x5CA380u) << y;  // stored row 23
    EXPECT_EQ(PixelAt(cut.get(), 23, y), 0u) << y;         // stored row 24, never read
  }
}
