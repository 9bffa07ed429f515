#include "image/plugin_registry.h"

#include <gtest/gtest.h>

#include <string>

#include "shell/app_state.h"
#include "test_support.h"

using testing_support::InstallPlugins;
using testing_support::PluginCopy;
using testing_support::ScratchFolder;

namespace {

int CountReaders() {
  int n = 0;
  while (n < kPluginSlots && *ReaderPath(n)) ++n;
  return n;
}

std::string NameOf(const char* path) {
  std::string p(path);
  return p.substr(p.find_last_of('\\') + 1);
}

class PluginRegistry : public ::testing::Test {
 protected:
  void TearDown() override { ReleasePlugins(); }
  ScratchFolder program_;
};

}  // namespace

TEST_F(PluginRegistry, ReadersSortedByPathIgnoringCaseAndNonReadersLeftOut) {
  InstallPlugins(program_, {{"reader_tpic", "zz.dll"},
                            {"not_a_plugin", "B.dll"},
                            {"reader_alt", "c.DLL"},
                            {"reader_nofast", "Aa.dll"},
                            {"writer_test", "a.dll"},  // a writer is no reader
                            {"writer_test", "w.dll", true},
                            {"reader_tpic", "r.dll", true}});  // a reader is no writer
  ASSERT_EQ(CountReaders(), 3);
  EXPECT_EQ(NameOf(ReaderPath(0)), "Aa.dll");
  EXPECT_EQ(NameOf(ReaderPath(1)), "c.DLL");
  EXPECT_EQ(NameOf(ReaderPath(2)), "zz.dll");
  EXPECT_STREQ(ReaderPath(3), "");
  EXPECT_EQ(std::string(ReaderPath(0)), program_ / "file_r\\Aa.dll");
  EXPECT_EQ(NameOf(WriterPath(0)), "w.dll");
  EXPECT_STREQ(WriterPath(1), "");
  EXPECT_STREQ(ReaderPath(-1), "");
  EXPECT_STREQ(ReaderPath(kPluginSlots), "");
}

TEST_F(PluginRegistry, FindReaderAsksInTableOrder) {
  // Both claim tpic; "alt" (listing TPIC) sorts first as a.dll.
  InstallPlugins(program_, {{"reader_tpic", "b.dll"}, {"reader_alt", "a.dll"}});
  EXPECT_EQ(FindReader("d:\\x\\photo.tpic"), 0);
  EXPECT_EQ(FindReader("d:\\x\\photo.tar.TPIC"), 0);  // two dots: the last wins
  EXPECT_EQ(FindReader("d:\\x\\photo.kvt"), 1);
  EXPECT_EQ(FindReader("d:\\x\\photo.png"), 0);  // last token of "alt;TPIC;png"
  EXPECT_EQ(FindReader("d:\\x\\photo.jpg"), -1);
  EXPECT_EQ(FindReader("d:\\x\\photo."), -1);  // empty extension
  EXPECT_EQ(FindReader("d:\\x\\kvt"), 1);      // no dot: the whole name
}

TEST_F(PluginRegistry, SwappingNamesSwapsTheWinner) {
  InstallPlugins(program_, {{"reader_tpic", "a.dll"}, {"reader_alt", "b.dll"}});
  EXPECT_EQ(FindReader("photo.tpic"), 0);
  EXPECT_EQ(NameOf(ReaderPath(0)), "a.dll");
}

TEST_F(PluginRegistry, AtMostFiftyFilesAreExamined) {
  std::vector<PluginCopy> copies;
  for (int i = 0; i < 60; ++i) copies.push_back({"reader_tpic", "r" + std::to_string(i) + ".dll"});
  InstallPlugins(program_, copies);
  EXPECT_EQ(CountReaders(), 50);
}

TEST_F(PluginRegistry, PathsThatDoNotFitASlotAreLeftOut) {
  // Slots hold 199 characters and the terminator.
  size_t folderLength = (program_ / "file_r\\").size();
  ASSERT_LT(folderLength, 190u);
  std::string fits = std::string(199 - folderLength - 4, 'f') + ".dll";
  std::string tooLong = std::string(200 - folderLength - 4, 'g') + ".dll";
  InstallPlugins(program_, {{"reader_tpic", fits}, {"reader_tpic", tooLong}});
  ASSERT_EQ(CountReaders(), 1);
  EXPECT_EQ(std::string(ReaderPath(0)).size(), 199u);
}

TEST_F(PluginRegistry, NoPluginFolderMeansNoReaders) {
  ASSERT_TRUE(SetProgramFolder(program_.Path().c_str()));
  ScanPlugins(g_app.programFolder, nullptr);
  EXPECT_EQ(CountReaders(), 0);
  EXPECT_EQ(FindReader("photo.tpic"), -1);
  ReleasePlugins();
  ReleasePlugins();  // releasing twice is harmless
  EXPECT_EQ(FindReader("photo.tpic"), -1);
}

TEST_F(PluginRegistry, FormatInfoIsTerminatedAndMissingExportsReported) {
  InstallPlugins(program_, {{"reader_alt", "a.dll"}});
  FormatInfo info;
  EXPECT_TRUE(QueryFormatInfo(ReaderPath(0), "ReadFileInfo", nullptr, &info));
  EXPECT_STREQ(info.extensions, "alt;TPIC;png");
  EXPECT_STREQ(info.displayName, "Alternative");
  EXPECT_FALSE(QueryFormatInfo(ReaderPath(0), "WriteFileInfo", nullptr, &info));
  EXPECT_FALSE(QueryFormatInfo((program_ / "missing.dll").c_str(), "ReadFileInfo", nullptr, &info));
}

TEST_F(PluginRegistry, LookupsUseTheListsAskedAtTheScan) {
  InstallPlugins(program_, {{"reader_alt", "a.dll"}, {"reader_tpic", "b.dll"}});
  // With the DLLs gone, only lists kept from the scan can answer.
  ASSERT_TRUE(platform::DeleteOneFile(ReaderPath(0)));
  ASSERT_TRUE(platform::DeleteOneFile(ReaderPath(1)));
  EXPECT_EQ(FindReader("photo.png"), 0);
  EXPECT_EQ(FindReader("photo.kvt"), 1);
  ScanPlugins(g_app.programFolder, nullptr);
  EXPECT_EQ(FindReader("photo.png"), -1);
}
