#include "text/path_utils.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "test_support.h"

using testing_support::LocalTime;
using testing_support::ScratchFolder;

TEST(PathUtils, SplitPathNameAtTheLastBackslash) {
  char folder[256] = "unchanged", name[256] = "unchanged";
  EXPECT_EQ(SplitPathName("d:\\img\\a.jpg", folder, sizeof folder, name, sizeof name), 1);
  EXPECT_STREQ(folder, "d:\\img");
  EXPECT_STREQ(name, "a.jpg");
  EXPECT_EQ(SplitPathName("d:\\a.jpg", folder, sizeof folder, name, sizeof name), 1);
  EXPECT_STREQ(folder, "d:");

  std::strcpy(folder, "unchanged");
  std::strcpy(name, "unchanged");
  EXPECT_EQ(SplitPathName("a.jpg", folder, sizeof folder, name, sizeof name), 0);
  EXPECT_EQ(SplitPathName("", folder, sizeof folder, name, sizeof name), 0);
  EXPECT_STREQ(folder, "unchanged");
  EXPECT_STREQ(name, "unchanged");

  char small[4];
  EXPECT_EQ(SplitPathName("d:\\img\\a.jpg", small, sizeof small, name, sizeof name), 0);
  EXPECT_STREQ(name, "unchanged");
}

TEST(PathUtils, SecondBytesOfDoubleByteCharactersCountAsBytes) {
  // 0x95 0x5C is one Shift-JIS character whose second byte is '\'.
  char folder[256], name[256];
  EXPECT_EQ(SplitPathName("d:\\\x95\\x.jpg", folder, sizeof folder, name, sizeof name), 1);
  EXPECT_STREQ(folder, "d:\\\x95");
  EXPECT_STREQ(name, "x.jpg");
}

// Each code page's characters whole: in 932 a second byte may be 0x5C ('\\')
// or 0x2E is never one, in UTF-8 no byte of a long character is ASCII.
TEST(PathUtils, SplitsAndCutsKnowTheCodePage) {
  struct {
    const char* text;
    char byte;
    unsigned codePage;
    int at;  // -1: none
  } finds[] = {
      {"d:\\\x95\\x.jpg", '\\', 1252, 4},  // 0x95 alone in 1252
      {"d:\\\x95\\x.jpg", '\\', 932, 2},   // 0x95 0x5C is one character in 932
      {"\x95\\", '\\', 932, -1},           // the table's only backslash is a second byte
      {"\x95\\.jpg", '.', 932, 2},
      {"a\x95", '\\', 932, -1},             // a lead byte cut at the end
      {"\xe5\xb9\xb4\\x", '\\', 65001, 3},  // UTF-8
      {"", '.', 932, -1},
  };
  for (const auto& f : finds) {
    const char* found = FindLastCharacter(f.text, f.byte, f.codePage);
    EXPECT_EQ(found ? int(found - f.text) : -1, f.at) << f.text << " in " << f.codePage;
  }
  struct {
    const char* text;
    size_t limit;
    unsigned codePage;
    size_t cut;
  } cuts[] = {
      {"ab\xe5\xb9\xb4", 4, 65001, 2},  // not inside the three bytes of one character
      {"ab\xe5\xb9\xb4", 5, 65001, 5}, {"ab\xe5\xb9\xb4", 9, 65001, 5}, {"a\x95\\b", 2, 932, 1},
      {"a\x95\\b", 3, 932, 3},         {"a\x95\\b", 2, 1252, 2},
  };
  for (const auto& c : cuts)
    EXPECT_EQ(CharacterCut(c.text, c.limit, c.codePage), c.cut) << c.text << " in " << c.codePage;
}

// Only a fully qualified path without a wildcard goes to a file command.
TEST(PathUtils, CommandPathsAndWellFormedText) {
  ScratchFolder folder;
  std::string root = folder / "a.jpg";  // natively a path from the root
  EXPECT_TRUE(IsCommandPath(root.c_str()));
  for (const std::string& refused : {std::string("a.jpg"), folder / "Vac ?.png", folder / "*.png",
                                     folder / std::string(300, 'n')})
    EXPECT_FALSE(IsCommandPath(refused.c_str())) << refused;
  EXPECT_TRUE(FitsFileFunctions(std::string(259, 'n').c_str()));
  EXPECT_FALSE(FitsFileFunctions(std::string(260, 'n').c_str()));

  for (const char* good : {"", "plain", "\xc3\xa9t\xc3\xa9", "\xf0\x9f\x98\x80"})
    EXPECT_TRUE(IsWellFormedUtf8(good)) << good;
  for (const char* bad : {"\xe9t\xe9", "\xc3", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80"})
    EXPECT_FALSE(IsWellFormedUtf8(bad)) << bad;
}

TEST(PathUtils, NamePartsAtTheLastDot) {
  char out[64] = "unchanged";
  EXPECT_EQ(FileBaseName("x.y.z", out, sizeof out), 1);
  EXPECT_STREQ(out, "x.y");
  EXPECT_EQ(FileBaseName(".hidden", out, sizeof out), 1);
  EXPECT_STREQ(out, "");
  EXPECT_EQ(FileBaseName("README", out, sizeof out), 0);
  EXPECT_STREQ(out, "README");

  std::strcpy(out, "unchanged");
  EXPECT_EQ(FileExtension("README", out, sizeof out), 0);
  EXPECT_STREQ(out, "unchanged");
  EXPECT_EQ(FileExtension("name.", out, sizeof out), 1);
  EXPECT_STREQ(out, "");
  EXPECT_EQ(FileExtension("photo.tar.JPG", out, sizeof out), 1);
  EXPECT_STREQ(out, "JPG");

  char tiny[3];
  EXPECT_EQ(FileBaseName("abcdef.jpg", tiny, sizeof tiny), 1);
  EXPECT_STREQ(tiny, "ab");
}

TEST(PathUtils, ExtensionsCompareWithoutCase) {
  EXPECT_EQ(HasExtension("photo.JPG", "jpg"), 1);
  EXPECT_EQ(HasExtension("archive.jpg.zip", "jpg"), 0);
  EXPECT_EQ(HasExtension("jpg", "jpg"), 0);
  EXPECT_EQ(HasExtension("d:\\a\\b.PnG", "png"), 1);

  EXPECT_STREQ(LookupExtension("d:\\x\\photo.tar.JPG"), "JPG");
  EXPECT_STREQ(LookupExtension("d:\\my.folder\\README"), "README");
  EXPECT_STREQ(LookupExtension("README"), "README");

  EXPECT_EQ(ExtensionListHas("jpg;png", "PNG"), 1);
  EXPECT_EQ(ExtensionListHas("jpg;png;", "png"), 1);
  EXPECT_EQ(ExtensionListHas("jpg;;png", ""), 0);  // empty tokens match nothing
  EXPECT_EQ(ExtensionListHas("", ""), 0);
  EXPECT_EQ(ExtensionListHas("jpeg", "jpg"), 0);
  EXPECT_EQ(ExtensionListHas("jp", "jpg"), 0);

  // A listing token against a file's own extension, wildcards included.
  EXPECT_EQ(ExtensionMatchesToken("a.JPEG", "jpeg"), 1);
  EXPECT_EQ(ExtensionMatchesToken("a.jpeg", "jpe"), 0);
  EXPECT_EQ(ExtensionMatchesToken("x.jpg_original", "jpg"), 0);
  EXPECT_EQ(ExtensionMatchesToken("x.y.jpg", "jpg"), 1);
  EXPECT_EQ(ExtensionMatchesToken("README", "*"), 1);
  EXPECT_EQ(ExtensionMatchesToken("a.png", "p?g"), 1);
  EXPECT_EQ(ExtensionMatchesToken("a.png", "*n*g"), 1);
  EXPECT_EQ(ExtensionMatchesToken("a.pngx", "*n*g"), 0);
  // Many stars against a long extension end at once.
  EXPECT_EQ(ExtensionMatchesToken(("a." + std::string(200, 'a')).c_str(),
                                  (std::string(60, '*') + "b").c_str()),
            0);
}

namespace {}  // namespace

TEST(PathUtils, FileTimeStampFromLocalLastWriteTime) {
  ScratchFolder folder;
  std::string path = folder / "a.jpg";
  testing_support::WriteAll(path, {1, 2, 3});
  ASSERT_TRUE(platform::SetFileLastWriteLocal(path.c_str(), LocalTime(2004, 3, 7, 10, 20, 30)));
  EXPECT_EQ(FileTimeStamp(path.c_str()), 8938434);

  platform::CalendarTime date = {};
  EXPECT_EQ(FileDate(path.c_str(), &date), 1);
  EXPECT_EQ(date.year, 2004);
  EXPECT_EQ(date.month, 3);
  EXPECT_EQ(date.day, 7);
  EXPECT_EQ(date.hour, 10);
  EXPECT_EQ(date.second, 30);

  // The largest stamp still fits ten digits.
  ASSERT_TRUE(platform::SetFileLastWriteLocal(path.c_str(), LocalTime(2030, 12, 31, 23, 59, 59)));
  EXPECT_EQ(FileTimeStamp(path.c_str()), 35942399 + 2030);
}

TEST(PathUtils, MissingFileHasNoDate) {
  ScratchFolder folder;
  platform::CalendarTime date = LocalTime(1999, 1, 2, 3, 4, 5);
  EXPECT_EQ(FileDate((folder / "missing.jpg").c_str(), &date), 0);
  EXPECT_EQ(date.year, 1999);
  EXPECT_EQ(date.second, 5);
  EXPECT_EQ(FileTimeStamp((folder / "missing.jpg").c_str()), 0);
}
