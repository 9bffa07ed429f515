#include "browser/thumbnail_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "test_support.h"

using namespace testing_support;

namespace {

class ThumbnailStoreTest : public ::testing::Test {
 protected:
  std::string File() { return folder_ / kThumbnailStoreName; }

  static StoreKey Key(const std::string& name, int64_t bytes = 1000, int64_t time = 7) {
    return {"C:\\photos\\" + name, bytes, time, 112, 96};
  }

  // A 24-bit thumbnail whose every byte is `seed`-dependent.
  static PackedDibPtr Thumbnail(uint8_t seed, int32_t width = 40, int32_t height = 30) {
    PackedDibPtr image(CreatePackedDib(width, height, 24));
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) {
        uint8_t pixel[3] = {seed, uint8_t(x), uint8_t(y ^ seed)};
        WritePixelSpan(image.get(), y, x, x, pixel);
      }
    return image;
  }

  static bool Same(const DibHeader* a, const DibHeader* b) {
    uint64_t bytes = PackedDibBytes(a->biWidth, a->biHeight, 24);
    return a && b && bytes == PackedDibBytes(b->biWidth, b->biHeight, 24) &&
           std::memcmp(a, b, size_t(bytes)) == 0;
  }

  ScratchFolder folder_;
};

}  // namespace

TEST_F(ThumbnailStoreTest, AStoreThatCannotBeOpenedIsTraced) {
  ThumbnailStore store;
  TraceCapture trace;
  std::string file = folder_ / "missing\\" + kThumbnailStoreName;
  EXPECT_FALSE(store.Open(file));
  ASSERT_EQ(trace.Lines().size(), 1u);
  EXPECT_EQ(trace.Lines()[0].where, "ThumbnailStore::Open");
  EXPECT_EQ(trace.Lines()[0].what, file);
  EXPECT_NE(trace.Lines()[0].code, 0u);
}

TEST_F(ThumbnailStoreTest, FindsOnlyUnderTheExactKeyAndKeepsItAcrossOpens) {
  ThumbnailStore store;
  ASSERT_TRUE(store.Open(File()));
  PackedDibPtr made = Thumbnail(1);
  ASSERT_TRUE(store.Put(Key("a.jpg"), made.get()));
  store.Close();
  ASSERT_TRUE(store.Open(File()));
  PackedDibPtr found(store.Find(Key("a.jpg")));
  EXPECT_TRUE(Same(found.get(), made.get()));

  StoreKey otherArea = Key("a.jpg");
  otherArea.areaWidth = 176;
  EXPECT_EQ(store.Find(otherArea), nullptr);
  EXPECT_EQ(store.Find(Key("b.jpg")), nullptr);
  // The same name with another size or time is another file: a miss, and the
  // stale row goes.
  EXPECT_EQ(store.Find(Key("a.jpg", 1001)), nullptr);
  EXPECT_EQ(store.HeldBytes(), 0);
  EXPECT_EQ(store.Find(Key("a.jpg")), nullptr);
}

TEST_F(ThumbnailStoreTest, RefusesWhatCouldNotBeShownInItsArea) {
  ThumbnailStore store;
  ASSERT_TRUE(store.Open(File()));
  EXPECT_FALSE(store.Put(Key("big.jpg"), Thumbnail(1, 113, 96).get()));
  EXPECT_FALSE(store.Put(Key("none.jpg"), nullptr));
  EXPECT_TRUE(store.Put(Key("fits.jpg"), Thumbnail(1, 112, 96).get()));
}

TEST_F(ThumbnailStoreTest, DropsTheLeastRecentlyUsedOverItsCap) {
  const int64_t one = int64_t(PackedDibBytes(40, 30, 24));
  ThumbnailStore store;
  ASSERT_TRUE(store.Open(File(), one * 4));
  for (uint8_t k = 0; k < 4; ++k)
    ASSERT_TRUE(store.Put(Key(std::to_string(k)), Thumbnail(k).get()));
  PackedDibPtr(store.Find(Key("0")));  // the oldest is used again
  ASSERT_TRUE(store.Put(Key("4"), Thumbnail(4).get()));
  EXPECT_LE(store.HeldBytes(), one * 4);
  EXPECT_NE(PackedDibPtr(store.Find(Key("0"))), nullptr);
  EXPECT_EQ(PackedDibPtr(store.Find(Key("1"))), nullptr);
  EXPECT_NE(PackedDibPtr(store.Find(Key("4"))), nullptr);
}

TEST_F(ThumbnailStoreTest, DamagedOrForeignFilesAreNeverShown) {
  // A file that is no store at all is replaced by an empty store.
  WriteAll(File(), std::vector<uint8_t>(5000, 0xA5));
  ThumbnailStore store;
  ASSERT_TRUE(store.Open(File()));
  ASSERT_TRUE(store.Put(Key("a.jpg"), Thumbnail(0x5A, 64, 64).get()));
  store.Close();
  // Damage one byte of the stored pixels on disk: the row is refused.
  std::vector<uint8_t> bytes = ReadAll(File());
  const uint8_t run[] = {0x5A, 10, 0x5A ^ 3, 0x5A, 11, 0x5A ^ 3};
  auto at = std::search(bytes.begin(), bytes.end(), std::begin(run), std::end(run));
  ASSERT_NE(at, bytes.end());
  at[1] ^= 0xFF;
  WriteAll(File(), bytes);
  ASSERT_TRUE(store.Open(File()));
  EXPECT_EQ(store.Find(Key("a.jpg")), nullptr);

  ThumbnailStore nowhere;
  EXPECT_FALSE(nowhere.Open(folder_ / "missing\\thumbs.db"));
  EXPECT_EQ(nowhere.Find(Key("a.jpg")), nullptr);
  EXPECT_FALSE(nowhere.Put(Key("a.jpg"), Thumbnail(1).get()));
}

TEST_F(ThumbnailStoreTest, ClearEmptiesTheStore) {
  ThumbnailStore store;
  ASSERT_TRUE(store.Open(File()));
  ASSERT_TRUE(store.Put(Key("a.jpg"), Thumbnail(1).get()));
  ASSERT_TRUE(store.Clear());
  EXPECT_EQ(store.HeldBytes(), 0);
  EXPECT_EQ(store.Find(Key("a.jpg")), nullptr);
}
