// The rules of drag and drop and of copy and paste of files.
#include "browser/transfer_rules.h"

#include <gtest/gtest.h>

TEST(TransferRules, DropEffectFollowsKeysThenTheSourcesPreference) {
  const uint32_t both = kDropEffectCopy | kDropEffectMove;
  struct Case {
    uint32_t allowed, keys, preferred, expected;
  } cases[] = {
      {both, 0, 0, kDropEffectCopy},                                   // copy by default
      {both, kKeyShift, 0, kDropEffectMove},                           // Shift moves
      {both, kKeyControl, kDropEffectMove, kDropEffectCopy},           // Ctrl copies a cut
      {both, 0, kDropEffectMove, kDropEffectMove},                     // a cut moves
      {both, 0, kDropEffectCopy | 4, kDropEffectCopy},                 // copy and link
      {kDropEffectCopy, kKeyShift, 0, kDropEffectCopy},                // no move allowed
      {kDropEffectMove, 0, 0, kDropEffectMove},                        // only move allowed
      {4, 0, 0, kDropEffectNone},                                      // link only
      {kDropEffectNone, kKeyShift, kDropEffectMove, kDropEffectNone},  // nothing allowed
  };
  for (const Case& c : cases)
    EXPECT_EQ(ChooseDropEffect(c.allowed, c.keys, c.preferred), c.expected)
        << c.allowed << " " << c.keys << " " << c.preferred;
}

TEST(TransferRules, OnlyQualifiedPathsFromOtherFoldersAreTransferred) {
  std::vector<std::u16string> dropped = {
      u"C:\\Photos\\a.jpg",
      u"c:\\photos\\B.JPG",  // the target folder itself
      u"C:\\Photos\\Sub\\c.jpg",
      u"\\\\server\\share\\d.png",
      u"relative\\e.jpg",
      u"C:e.jpg",
      u"C:\\Other\\*.jpg",
      u"D:\\x?.png",
      u"C:\\Other\\",
      u"",
      u"C:\\Photo\\f.jpg",
      u"C:\\Photos\\\u00c9\\g.jpg",
  };
  std::vector<std::u16string> expected = {u"C:\\Photos\\Sub\\c.jpg", u"\\\\server\\share\\d.png",
                                          u"C:\\Photo\\f.jpg", u"C:\\Photos\\\u00c9\\g.jpg"};
  EXPECT_EQ(PathsToTransfer(dropped, u"C:\\Photos\\"), expected);
  EXPECT_TRUE(PathsToTransfer({u"C:\\Photos\\a.jpg"}, u"C:\\PHOTOS\\").empty());
  for (const char16_t* folder : {u"", u"C:\\Photos", u"Photos\\"})  // nowhere to go
    EXPECT_TRUE(PathsToTransfer({u"D:\\a.jpg"}, folder).empty());
}

TEST(TransferRules, ListsEndInTwoNuls) {
  EXPECT_EQ(DoubleNulList({u"C:\\a", u"", u"D:\\b"}), std::u16string(u"C:\\a\0D:\\b\0\0", 11));
  EXPECT_EQ(DoubleNulList({}), std::u16string(1, u'\0'));

  std::vector<uint8_t> block = BuildWideDropBlock(-2, 7, {u"C:\\\u00e9"});
  std::vector<uint8_t> expected = {20,  0, 0,    0, 0xFE, 0xFF, 0xFF, 0xFF, 7, 0,   0,
                                   0,   0, 0,    0, 0,    1,    0,    0,    0, 'C', 0,
                                   ':', 0, '\\', 0, 0xE9, 0,    0,    0,    0, 0};
  EXPECT_EQ(block, expected);
  EXPECT_EQ(BuildWideDropBlock(0, 0, {}).size(), 24u);  // header and two NULs
}

TEST(TransferRules, IdListArrayOffsetsPointAtEachList) {
  std::vector<uint8_t> parent = {0, 0};
  std::vector<uint8_t> first = {4, 0, 0xAA, 0xBB, 0, 0};
  std::vector<uint8_t> second = {3, 0, 0xCC, 0, 0};
  std::vector<uint8_t> block = BuildIdListArray(parent, {first, second});
  std::vector<uint8_t> expected = {2, 0, 0, 0, 16, 0,    0,    0, 18, 0, 0, 0,    24, 0, 0,
                                   0, 0, 0, 4, 0,  0xAA, 0xBB, 0, 0,  3, 0, 0xCC, 0,  0};
  EXPECT_EQ(block, expected);
}
