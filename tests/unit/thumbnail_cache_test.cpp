#include "browser/thumbnail_cache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "shell/app_state.h"
#include "test_support.h"

using namespace testing_support;

namespace {

class ThumbnailCache : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SetProgramFolder(program_.Path().c_str()));
    CreateCacheFolder(kFirstCacheFolderNumber);
    source_ = files_ / "photo.jpg";
    WriteAll(source_, {1, 2, 3});
    ASSERT_TRUE(
        platform::SetFileLastWriteLocal(source_.c_str(), LocalTime(2004, 12, 31, 23, 59, 59)));
  }

  std::string CachePath() { return program_ / "cache24\\photo.jpg0035944403.tmp"; }

  // A 24-bit picture with distinct pixels.
  PackedDibPtr Picture(int32_t width, int32_t height) {
    PackedDibPtr image(CreatePackedDib(width, height, 24));
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) {
        uint8_t pixel[3] = {uint8_t(x * 20), uint8_t(y * 30), uint8_t(x + y)};
        WritePixelSpan(image.get(), y, x, x, pixel);
      }
    return image;
  }

  ScratchFolder program_, files_;
  std::string source_;
};

}  // namespace

TEST_F(ThumbnailCache, NameIsFileNameAndTenDigitStamp) {
  char path[300];
  ASSERT_TRUE(CacheFilePath(source_.c_str(), kFirstCacheFolderNumber, path, sizeof path));
  EXPECT_EQ(std::string(path), CachePath());
  char small[20];
  EXPECT_FALSE(CacheFilePath(source_.c_str(), kFirstCacheFolderNumber, small, sizeof small));
}

TEST_F(ThumbnailCache, StoredFileIsAPlainBmpAndLoadsBackUnchanged) {
  PackedDibPtr image = Picture(5, 3);
  ASSERT_TRUE(StoreThumbnail(source_.c_str(), image.get(), kFirstCacheFolderNumber));
  std::vector<uint8_t> file = ReadAll(CachePath());
  size_t dibBytes = 40 + 3 * 16;
  ASSERT_EQ(file.size(), 14 + dibBytes);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(file[2], 14 + dibBytes);
  EXPECT_EQ(file[6] | file[7] | file[8] | file[9], 0);
  EXPECT_EQ(file[10], 54);
  EXPECT_EQ(std::memcmp(&file[14], image.get(), dibBytes), 0);

  PackedDibPtr loaded(LoadThumbnail(source_.c_str(), kFirstCacheFolderNumber));
  ASSERT_TRUE(loaded);
  EXPECT_EQ(std::memcmp(loaded.get(), image.get(), dibBytes), 0);
}

#ifndef _WIN32
TEST_F(ThumbnailCache, ImageMagickReadsTheSamePicture) {
  PackedDibPtr image = Picture(7, 4);  // odd width: rows are padded
  ASSERT_TRUE(StoreThumbnail(source_.c_str(), image.get(), kFirstCacheFolderNumber));
  std::string path = CachePath();
  for (char& c : path)
    if (c == '\\') c = '/';
  std::string command = "convert 'bmp:" + path + "' -depth 8 rgb:- 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::vector<uint8_t> rgb(7 * 4 * 3 + 1);
  size_t got = std::fread(rgb.data(), 1, rgb.size(), pipe);
  ASSERT_EQ(pclose(pipe), 0) << command;
  ASSERT_EQ(got, size_t(7 * 4 * 3));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 7; ++x) {
      const uint8_t* p = &rgb[size_t(y * 7 + x) * 3];
      EXPECT_EQ(uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2], PixelAt(image.get(), x, y))
          << x << "," << y;
    }
}
#endif

TEST_F(ThumbnailCache, UnsoundCacheFilesAreRejected) {
  PackedDibPtr image = Picture(4, 4);
  ASSERT_TRUE(StoreThumbnail(source_.c_str(), image.get(), kFirstCacheFolderNumber));
  std::vector<uint8_t> good = ReadAll(CachePath());

  auto loadsWith = [&](std::vector<uint8_t> bytes) {
    WriteAll(CachePath(), bytes);
    PackedDibPtr loaded(LoadThumbnail(source_.c_str(), kFirstCacheFolderNumber));
    return bool(loaded);
  };
  auto patched = [&](size_t at, uint32_t value) {
    std::vector<uint8_t> bytes = good;
    std::memcpy(&bytes[at], &value, 4);
    return bytes;
  };
  EXPECT_TRUE(loadsWith(good));
  EXPECT_FALSE(loadsWith({'B', 'M', 1, 2}));  // shorter than the header
  EXPECT_FALSE(loadsWith(std::vector<uint8_t>(good.begin(), good.begin() + 30)));
  EXPECT_FALSE(loadsWith(std::vector<uint8_t>(good.begin(), good.end() - 1)));  // rows cut
  EXPECT_FALSE(loadsWith(patched(14, 12)));                                     // core header
  EXPECT_FALSE(loadsWith(patched(14 + 4, 5000)));        // wider than the bytes
  EXPECT_FALSE(loadsWith(patched(14 + 8, 0xFFFFFFFF)));  // top-down
  EXPECT_FALSE(loadsWith(patched(14 + 8, 0x7FFFFFFF)));  // absurd height
  std::vector<uint8_t> eightBit = good;
  eightBit[14 + 14] = 8;
  EXPECT_FALSE(loadsWith(eightBit));
  EXPECT_FALSE(loadsWith(patched(14 + 32, 2)));  // colour table promised
  platform::DeleteOneFile(CachePath().c_str());
  EXPECT_FALSE(LoadThumbnail(source_.c_str(), kFirstCacheFolderNumber));
}

TEST_F(ThumbnailCache, ATouchedSourceIsLookedUpUnderANewName) {
  PackedDibPtr image = Picture(2, 2);
  ASSERT_TRUE(StoreThumbnail(source_.c_str(), image.get(), kFirstCacheFolderNumber));
  ASSERT_TRUE(
      platform::SetFileLastWriteLocal(source_.c_str(), LocalTime(2004, 12, 31, 23, 59, 58)));
  EXPECT_FALSE(LoadThumbnail(source_.c_str(), kFirstCacheFolderNumber));
}

TEST_F(ThumbnailCache, StoreReportsFailure) {
  EXPECT_FALSE(StoreThumbnail(source_.c_str(), nullptr, kFirstCacheFolderNumber));
  PackedDibPtr image = Picture(2, 2);
  RemoveTree(program_ / "cache24\\");
  EXPECT_FALSE(StoreThumbnail(source_.c_str(), image.get(), kFirstCacheFolderNumber));
}

TEST_F(ThumbnailCache, AWriteThatFailsIsTraced) {
  PackedDibPtr image = Picture(2, 2);
  RemoveTree(program_ / "cache24\\");
  TraceCapture trace;
  EXPECT_FALSE(StoreThumbnail(source_.c_str(), image.get(), kFirstCacheFolderNumber));
  ASSERT_EQ(trace.Lines().size(), 1u);
  EXPECT_EQ(trace.Lines()[0].where, "StoreThumbnail");
  EXPECT_NE(trace.Lines()[0].what.find("cache24\\"), std::string::npos);
  EXPECT_NE(trace.Lines()[0].code, 0u);
}

TEST_F(ThumbnailCache, EmptyingRemovesEveryThumbnailAndNothingElse) {
  std::string cache = program_ / "cache24\\";
  for (int i = 0; i < 1500; ++i) WriteAll(cache + "f" + std::to_string(i) + ".tmp", {0});
  WriteAll(cache + "keep.bmp", {0});
  platform::MakeFolder((cache + "stuck.tmp").c_str());  // cannot be deleted as a file
  EmptyCacheFolder(kFirstCacheFolderNumber);
  std::vector<std::string> left;
  platform::DirSearch search;
  platform::FoundFile found;
  for (bool more = search.First((cache + "*").c_str(), &found); more; more = search.Next(&found))
    if (std::strcmp(found.name, ".") && std::strcmp(found.name, "..")) left.push_back(found.name);
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"keep.bmp", "stuck.tmp"}));
}

TEST_F(ThumbnailCache, DeleteRemovesOneThumbnail) {
  PackedDibPtr image = Picture(2, 2);
  ASSERT_TRUE(StoreThumbnail(source_.c_str(), image.get(), kFirstCacheFolderNumber));
  DeleteThumbnail(source_.c_str(), kFirstCacheFolderNumber);
  EXPECT_FALSE(platform::FileExists(CachePath().c_str()));
  DeleteThumbnail((files_ / "missing.jpg").c_str(), kFirstCacheFolderNumber);  // harmless
}

// Two browsers started from one program folder: each takes a folder of its
// own, and a folder let go (its process ended) is taken again, emptied.
TEST_F(ThumbnailCache, EachHolderClaimsAFolderOfItsOwn) {
  PackedDibPtr image = Picture(2, 2);
  platform::ExclusiveFile first, second, third;
  ASSERT_EQ(ClaimFreeCacheFolder(&first), 24);
  ASSERT_TRUE(StoreThumbnail(source_.c_str(), image.get(), 24));
  EXPECT_EQ(ClaimFreeCacheFolder(&second), 25);
  EXPECT_TRUE(platform::FolderExists((program_ / "cache25").c_str()));
  EXPECT_TRUE(platform::FileExists(CachePath().c_str()));  // the first one's thumbnail stays
  first.Release();
  EXPECT_EQ(ClaimFreeCacheFolder(&third), 24);
  EXPECT_FALSE(platform::FileExists(CachePath().c_str()));
  second.Release();
  third.Release();
  // No folder can be made: nothing is claimed.
  ASSERT_TRUE(SetProgramFolder((program_ / "missing\\").c_str()));
  EXPECT_EQ(ClaimFreeCacheFolder(&first), 0);
  EXPECT_FALSE(first.Held());
}
