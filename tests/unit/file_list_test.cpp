#include "browser/file_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "image/plugin_registry.h"
#include "shell/app_state.h"
#include "shell/settings.h"
#include "test_support.h"
#include "text/path_utils.h"

using namespace testing_support;

namespace {

class FolderListing : public ::testing::Test {
 protected:
  void SetUp() override {
    // Slot 0: alt.dll ("alt;TPIC;png"), slot 1: tpic.dll ("tpic;kvt").
    InstallPlugins(program_, {{"reader_alt", "alt.dll"}, {"reader_tpic", "tpic.dll"}});
    SetDefaultSettings();
    ShowFolder(files_.Path());
  }
  void TearDown() override {
    FreeListing();
    ReleasePlugins();
  }

  // The test keeps what to list where the browser keeps it.
  static ListingRequest Request() {
    return {g_app.currentFolder, g_app.extensionFilter, g_settings.sortOrder};
  }
  void ShowFolder(const std::string& folder) {
    std::snprintf(g_app.currentFolder, sizeof g_app.currentFolder, "%s", folder.c_str());
  }
  void SetFilter(const char* filter) {
    std::snprintf(g_app.extensionFilter, sizeof g_app.extensionFilter, "%s", filter);
  }
  void MakeFile(const std::string& name, size_t bytes = 1) {
    WriteAll(files_ / name, std::vector<uint8_t>(bytes, 7));
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (int32_t i = 0; i < g_fileList.count; ++i) {
      std::string path = g_fileList.path[i];
      EXPECT_EQ(path.compare(0, files_.Path().size(), files_.Path()), 0) << path;
      names.push_back(path.substr(path.find_last_of('\\') + 1));
    }
    return names;
  }

  ScratchFolder program_, files_;
};

}  // namespace

TEST_F(FolderListing, EmptyFolderAndNoMatches) {
  SetFilter("tpic");
  EXPECT_EQ(MakeListing(Request()), 0);
  MakeFile("a.jpg");
  EXPECT_EQ(MakeListing(Request()), 0);
  ShowFolder(files_ / "missing\\");
  EXPECT_EQ(MakeListing(Request()), 0);
}

TEST_F(FolderListing, MatchesByExtensionIncludingFoldersNamedLikeImages) {
  MakeFile("b.tpic");
  MakeFile("A.TPIC");
  MakeFile("x.y.tpic");
  MakeFile("c.jpg");
  MakeFile("tpic");
  platform::MakeFolder((files_ / "folder.tpic").c_str());
  SetFilter("tpic");
  ASSERT_EQ(MakeListing(Request()), 4);
  EXPECT_EQ(Names(), (std::vector<std::string>{"A.TPIC", "b.tpic", "folder.tpic", "x.y.tpic"}));
  EXPECT_EQ(g_fileList.selectedCount, 0);
  EXPECT_EQ(g_fileList.path[4], nullptr);
}

TEST_F(FolderListing, OneSortedGroupPerTokenInListOrder) {
  for (const char* name : {"b.png", "a.png", "d.tpic", "c.tpic"}) MakeFile(name);
  SetFilter("tpic;png");
  ASSERT_EQ(MakeListing(Request()), 4);
  EXPECT_EQ(Names(), (std::vector<std::string>{"c.tpic", "d.tpic", "a.png", "b.png"}));
  SetFilter("png;;tpic;");  // empty tokens and a trailing ';' add nothing
  ASSERT_EQ(MakeListing(Request()), 4);
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.png", "b.png", "c.tpic", "d.tpic"}));
  SetFilter("*;");  // the pattern "*.*" lists every file, but never "." and ".."
  EXPECT_EQ(MakeListing(Request()), 4);
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.png", "b.png", "c.tpic", "d.tpic"}));
}

// Windows' search also matches 8.3 short names ("*.tpi" finds a.tpic as
// A~1.TPI, "*.png" finds x.png_original as X~1.PNG); a doubled token would
// list its files twice.
TEST_F(FolderListing, EachFileOnceUnderItsOwnExtension) {
  for (const char* name : {"a.tpic", "b.TPIC", "c.png", "x.png_original", "y.tpic.bak"})
    MakeFile(name);
  SetFilter("tpi;tpic;TPIC;png;p?g");
  ASSERT_EQ(MakeListing(Request()), 3);
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.tpic", "b.TPIC", "c.png"}));
}

TEST_F(FolderListing, AllFormatsAsksEveryReaderInRegistryOrder) {
  for (const char* name : {"a.tpic", "b.png", "c.kvt", "d.alt", "e.jpg"}) MakeFile(name);
  SetFilter("*");
  ASSERT_EQ(MakeListing(Request()), 4);
  // alt.dll: alt, TPIC, png; then tpic.dll: tpic (listed already), kvt.
  EXPECT_EQ(Names(), (std::vector<std::string>{"d.alt", "a.tpic", "b.png", "c.kvt"}));
  EXPECT_STREQ(g_app.extensionFilter, "*");
}

TEST_F(FolderListing, LongReaderListsAndTokens) {
  ScratchFolder longProgram;
  InstallPlugins(longProgram, {{"reader_long", "long.dll"}});
  MakeFile("a.tpic");
  MakeFile("b.png");
  SetFilter("*");
  MessageCapture capture;
  EXPECT_EQ(MakeListing(Request()), 2);
  // One token five characters past the 100: counted once, told by the
  // caller, never by the listing.
  EXPECT_EQ(g_fileList.overlongTokens, 1);
  EXPECT_TRUE(capture.Messages().empty());
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.tpic", "b.png"}));
}

TEST_F(FolderListing, DatesSortByYearFirstAndEqualKeysKeepFolderOrder) {
  MakeFile("old.tpic");
  MakeFile("new.tpic");
  MakeFile("same1.tpic");
  MakeFile("same2.tpic");
  platform::SetFileLastWriteLocal((files_ / "old.tpic").c_str(), LocalTime(2004, 12, 31, 23, 0, 0));
  platform::SetFileLastWriteLocal((files_ / "new.tpic").c_str(), LocalTime(2030, 1, 1, 0, 0, 0));
  platform::SetFileLastWriteLocal((files_ / "same1.tpic").c_str(), LocalTime(2010, 6, 1, 12, 0, 0));
  platform::SetFileLastWriteLocal((files_ / "same2.tpic").c_str(), LocalTime(2010, 6, 1, 12, 0, 0));
  SetFilter("tpic");
  g_settings.sortOrder = kSortByDateNewestFirst;
  ASSERT_EQ(MakeListing(Request()), 4);
  std::vector<std::string> newest = Names();
  EXPECT_EQ(newest.front(), "new.tpic");
  EXPECT_EQ(newest.back(), "old.tpic");
  g_settings.sortOrder = kSortByDateOldestFirst;
  MakeListing(Request());
  std::vector<std::string> oldest = Names();
  EXPECT_EQ(oldest.front(), "old.tpic");
  // The two equal dates keep the same (folder) order in both directions.
  EXPECT_EQ(newest[1], oldest[1]);
  EXPECT_EQ(newest[2], oldest[2]);
}

TEST_F(FolderListing, OrderOutsideTheSixKeepsFolderOrder) {
  for (const char* name : {"c.tpic", "a.tpic", "b.tpic"}) MakeFile(name);
  SetFilter("tpic");
  std::vector<std::string> folderOrder;
  platform::DirSearch search;
  platform::FoundFile found;
  for (bool more = search.First((files_ / "*.tpic").c_str(), &found); more;
       more = search.Next(&found))
    folderOrder.push_back(found.name);
  g_settings.sortOrder = 9;
  MakeListing(Request());
  EXPECT_EQ(Names(), folderOrder);
  g_settings.sortOrder = -1;
  MakeListing(Request());
  EXPECT_EQ(Names(), folderOrder);
}

namespace {

// The historical exchange sort: n passes of adjacent exchanges, every key
// read from the disk at each comparison.
bool MustFollow(int order, const std::string& earlier, const std::string& later) {
  if (order <= 1) {
    int c = CompareNoCase(earlier.c_str(), later.c_str());
    return order == 0 ? c > 0 : c < 0;
  }
  if (order <= 3) {
    platform::CalendarTime a = {}, b = {};
    FileDate(earlier.c_str(), &a);
    FileDate(later.c_str(), &b);
    auto key = [](const platform::CalendarTime& t) {
      return std::make_tuple(t.year, t.month, t.day, t.hour, t.minute, t.second);
    };
    return order == 2 ? key(a) < key(b) : key(a) > key(b);
  }
  auto size = [](const std::string& path) {
    platform::DirSearch search;
    platform::FoundFile found;
    return search.First(path.c_str(), &found) ? found.sizeLow : 0u;
  };
  return order == 4 ? size(earlier) > size(later) : size(earlier) < size(later);
}

std::vector<std::string> ExchangeSort(std::vector<std::string> paths, int order) {
  for (size_t pass = 0; pass < paths.size(); ++pass)
    for (size_t i = 1; i < paths.size(); ++i)
      if (MustFollow(order, paths[i - 1], paths[i])) std::swap(paths[i - 1], paths[i]);
  return paths;
}

}  // namespace

TEST_F(FolderListing, EveryOrderMatchesTheExchangeSortOnRandomFiles) {
  std::mt19937 random(20261208);
  for (int i = 0; i < 60; ++i) {
    std::string name = std::string(1, char('a' + random() % 26)) + std::to_string(random() % 50);
    if (random() % 3 == 0)
      for (char& c : name) c = char(std::toupper(static_cast<unsigned char>(c)));
    name += ".tpic";
    if (platform::FileExists((files_ / name).c_str())) continue;
    MakeFile(name, size_t(1 + random() % 4) * 100);  // many equal sizes
    platform::SetFileLastWriteLocal(
        (files_ / name).c_str(), LocalTime(2004 + int(random() % 3) * 13, 1 + int(random() % 2), 15,
                                           10, 30, int(random() % 2)));  // many equal dates
  }
  std::vector<std::string> folderOrder;
  platform::DirSearch search;
  platform::FoundFile found;
  for (bool more = search.First((files_ / "*.tpic").c_str(), &found); more;
       more = search.Next(&found))
    folderOrder.push_back(files_ / found.name);
  SetFilter("tpic");
  for (int order = 0; order < 6; ++order) {
    g_settings.sortOrder = order;
    ASSERT_EQ(MakeListing(Request()), int32_t(folderOrder.size()));
    std::vector<std::string> listed(g_fileList.path, g_fileList.path + g_fileList.count);
    EXPECT_EQ(listed, ExchangeSort(folderOrder, order)) << "order " << order;
  }
}

TEST_F(FolderListing, MissingFilesSortWithFixedKeys) {
  MakeFile("a.tpic", 300);
  MakeFile("b.tpic", 100);
  SetFilter("tpic");
  MakeListing(Request());
  platform::DeleteOneFile((files_ / "a.tpic").c_str());  // vanished since the listing
  SortGroup(0, g_fileList.count, kSortBySizeSmallestFirst);
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.tpic", "b.tpic"}));  // size 0 first
  SortGroup(0, g_fileList.count, kSortByDateNewestFirst);
  EXPECT_EQ(Names(), (std::vector<std::string>{"b.tpic", "a.tpic"}));  // oldest date last
}

TEST_F(FolderListing, ListingNeverOutgrowsItsBlockOrTables) {
  for (int i = 0; i < 5; ++i) MakeFile("f" + std::to_string(i) + ".tpic");
  SetFilter("tpic");
  ASSERT_EQ(MakeListing(Request()), 5);
  // The folder gains files between the counting and the filling pass.
  for (int i = 5; i < 9; ++i) MakeFile("f" + std::to_string(i) + ".tpic");
  EXPECT_EQ(ListFolder(Request(), true), 5);
  EXPECT_EQ(ListFolder(Request(), false), 9);
  EXPECT_EQ(MakeListing(Request()), 9);
}

TEST_F(FolderListing, AtMost10240Entries) {
  for (int i = 0; i < kFileListUsable + 12; ++i) MakeFile("p" + std::to_string(i) + ".tpic", 0);
  SetFilter("tpic");
  EXPECT_EQ(MakeListing(Request()), kFileListUsable);
  EXPECT_EQ(g_fileList.path[kFileListUsable], nullptr);
}

// Paths up to the file functions' 259 characters are listed whole; longer
// ones are left out and counted, so that the user can be told.
TEST_F(FolderListing, PathsTheFileFunctionsCannotTakeAreLeftOutAndCounted) {
  std::string deep = files_ / std::string(150, 'd') + "\\";
  ASSERT_TRUE(platform::MakeFolder(deep.substr(0, deep.size() - 1).c_str()));
  ASSERT_LT(deep.size(), 240u);
  std::string fits = std::string(259 - deep.size() - 5, 'k') + ".tpic";  // 259 characters
  std::string tooLong = std::string(260 - deep.size() - 5, 'x') + ".tpic";
  WriteAll(deep + fits, {1});
  WriteAll(deep + tooLong, {1});
  ShowFolder(deep);
  SetFilter("tpic");
  ASSERT_EQ(MakeListing(Request()), 1);
  EXPECT_EQ(std::string(g_fileList.path[0]), deep + fits);
  EXPECT_EQ(g_fileList.leftOut, 1);
  EXPECT_GE(g_fileList.slotBytes, int32_t(deep.size() + fits.size() + 1));
}

// Names that differ in case only are two files; the listing goes on past them.
TEST_F(FolderListing, NamesDifferingInCaseOnlyAreBothListed) {
  MakeFile("Vac.tpic");
  if (platform::FileExists((files_ / "vac.tpic").c_str()))
    GTEST_SKIP() << "this file system ignores letter case";
  for (const char* name : {"vac.tpic", "VAC.tpic", "z.tpic"}) MakeFile(name);
  SetFilter("tpic");
  EXPECT_EQ(MakeListing(Request()), 4);
}

// No folder, or one that is not fully qualified, lists nothing: never the
// process's current folder.
TEST_F(FolderListing, OnlyFullyQualifiedFoldersAreListed) {
  MakeFile("a.tpic");
  SetFilter("tpic");
  for (const char* folder : {"", "relative\\", "*\\"}) {
    ShowFolder(folder);
    EXPECT_FALSE(IsListableFolder(folder)) << folder;
    EXPECT_EQ(MakeListing(Request()), 0) << folder;
  }
  ShowFolder(files_.Path());
  EXPECT_EQ(MakeListing(Request()), 1);
}

TEST_F(FolderListing, SelectionIsCountedAndClearedByANewListing) {
  for (const char* name : {"a.tpic", "b.tpic", "c.tpic"}) MakeFile(name);
  SetFilter("tpic");
  MakeListing(Request());
  g_fileList.selected[0] = g_fileList.selected[2] = 1;
  EXPECT_EQ(CountSelected(), 2);
  MakeListing(Request());
  EXPECT_EQ(CountSelected(), 0);
}
