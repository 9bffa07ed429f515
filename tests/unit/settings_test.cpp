#include "shell/settings.h"

#include <gtest/gtest.h>

#include <cstring>

#include "test_support.h"

using testing_support::ReadAll;
using testing_support::ScratchFolder;
using testing_support::WriteAll;

namespace {

class SettingsFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDefaultSettings();
    FreeFolderHistory();
    ASSERT_TRUE(CreateFolderHistory());
  }
  void TearDown() override { FreeFolderHistory(); }

  std::vector<std::string> History() {
    std::vector<std::string> folders;
    for (int k = 0; k < HistoryCount(); ++k) folders.push_back(HistorySlot(k));
    return folders;
  }

  ScratchFolder folder_;
};

}  // namespace

TEST_F(SettingsFiles, DefaultsAndRoundTrip) {
  EXPECT_EQ(g_settings.treeWidth, 192);
  EXPECT_EQ(g_settings.formatIndex, 1);
  EXPECT_EQ(g_settings.sortOrder, 0);
  EXPECT_EQ(ReadSettings(folder_.Path().c_str()), 0);  // no file: defaults stay
  EXPECT_EQ(g_settings.treeWidth, 192);

  g_settings.windowPosition = 0x00640032;
  g_settings.reserved24 = 77;
  g_settings.keepOnTop = 1;
  ASSERT_EQ(WriteSettings(folder_.Path().c_str()), 1);
  std::vector<uint8_t> bytes = ReadAll(folder_ / "eenv.env");
  ASSERT_EQ(bytes.size(), 40u);
  EXPECT_EQ(bytes[0], 192);
  EXPECT_EQ(bytes[16], 0x32);
  EXPECT_EQ(bytes[18], 0x64);
  EXPECT_EQ(bytes[24], 77);
  EXPECT_EQ(bytes[36], 1);

  SetDefaultSettings();
  ASSERT_EQ(ReadSettings(folder_.Path().c_str()), 1);
  EXPECT_EQ(g_settings.reserved24, 77);
  EXPECT_EQ(g_settings.keepOnTop, 1);
}

TEST_F(SettingsFiles, ShortFileChangesOnlyTheFieldsItCovers) {
  std::vector<uint8_t> twelve = {100, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0};
  WriteAll(folder_ / "eenv.env", twelve);
  g_settings.sortOrder = 4;
  ASSERT_EQ(ReadSettings(folder_.Path().c_str()), 1);
  EXPECT_EQ(g_settings.treeWidth, 100);
  EXPECT_EQ(g_settings.formatIndex, 3);
  EXPECT_EQ(g_settings.thumbSize, 2);
  EXPECT_EQ(g_settings.sortOrder, 4);
}

TEST_F(SettingsFiles, TableIndexesAreCheckedWhereUsed) {
  g_settings.thumbSize = 7;
  EXPECT_EQ(UsableThumbSize(), 0);
  g_settings.thumbSize = -1;
  EXPECT_EQ(UsableThumbSize(), 0);
  g_settings.thumbSize = 2;
  EXPECT_EQ(UsableThumbSize(), 2);
  g_settings.formatIndex = 5;
  EXPECT_EQ(UsableFormatIndex(5), 5);
  EXPECT_EQ(UsableFormatIndex(4), 0);
  g_settings.formatIndex = -2;
  EXPECT_EQ(UsableFormatIndex(4), 0);
  // The file still holds what the program holds.
  ASSERT_EQ(WriteSettings(folder_.Path().c_str()), 1);
  EXPECT_EQ(ReadAll(folder_ / "eenv.env")[4], 0xFE);
}

TEST_F(SettingsFiles, AddFolderMovesRevisitsToTheFront) {
  EXPECT_FALSE(AddFolderToHistory(""));
  EXPECT_EQ(HistoryCount(), 0);
  AddFolderToHistory("E:\\D\\");
  AddFolderToHistory("E:\\B\\");
  AddFolderToHistory("E:\\A\\");
  EXPECT_EQ(History(), (std::vector<std::string>{"E:\\A\\", "E:\\B\\", "E:\\D\\"}));
  AddFolderToHistory("e:\\b\\");  // the new spelling replaces the old one
  EXPECT_EQ(History(), (std::vector<std::string>{"e:\\b\\", "E:\\A\\", "E:\\D\\"}));
  AddFolderToHistory("e:\\B\\");
  EXPECT_EQ(History(), (std::vector<std::string>{"e:\\B\\", "E:\\A\\", "E:\\D\\"}));
  AddFolderToHistory("E:\\D\\");
  EXPECT_EQ(History(), (std::vector<std::string>{"E:\\D\\", "e:\\B\\", "E:\\A\\"}));
  EXPECT_FALSE(AddFolderToHistory(std::string(256, 'x').c_str()));
  EXPECT_EQ(HistoryCount(), 3);
}

TEST_F(SettingsFiles, AtMostTwentyFoldersAndOlderSlotsKept) {
  for (int i = 0; i < 20; ++i) AddFolderToHistory(("C:\\f" + std::to_string(i) + "\\").c_str());
  ASSERT_EQ(HistoryCount(), 20);
  EXPECT_STREQ(HistorySlot(0), "C:\\f19\\");
  EXPECT_STREQ(HistorySlot(19), "C:\\f0\\");
  AddFolderToHistory("C:\\new\\");
  EXPECT_EQ(HistoryCount(), 20);
  EXPECT_STREQ(HistorySlot(0), "C:\\new\\");
  EXPECT_STREQ(HistorySlot(19), "C:\\f1\\");  // f0 dropped out

  // A history file from a version that kept 100 folders: slots past the
  // 20th are shown but never moved.
  std::vector<uint8_t> file(kHistoryFileBytes, 0);
  for (int k = 0; k < 30; ++k) {
    std::string folder = "D:\\old" + std::to_string(k) + "\\";
    std::memcpy(&file[size_t(k) * kHistorySlotBytes], folder.c_str(), folder.size());
  }
  WriteAll(folder_ / "phist.dat", file);
  ASSERT_EQ(ReadHistory(folder_.Path().c_str()), 1);
  EXPECT_EQ(HistoryCount(), 30);
  AddFolderToHistory("D:\\old25\\");  // beyond the 20 searched: added as new
  EXPECT_STREQ(HistorySlot(0), "D:\\old25\\");
  EXPECT_STREQ(HistorySlot(19), "D:\\old18\\");
  EXPECT_STREQ(HistorySlot(20), "D:\\old20\\");
  EXPECT_STREQ(HistorySlot(25), "D:\\old25\\");
}

TEST_F(SettingsFiles, HistoryFileRoundTripAndUnterminatedSlots) {
  std::vector<uint8_t> file(kHistoryFileBytes, 0);
  std::memset(file.data(), 'x', kHistorySlotBytes);  // slot 0 without a terminator
  std::memcpy(&file[kHistorySlotBytes], "C:\\b\\", 5);
  WriteAll(folder_ / "phist.dat", file);
  ASSERT_EQ(ReadHistory(folder_.Path().c_str()), 1);
  EXPECT_EQ(std::string(HistorySlot(0)), std::string(255, 'x'));
  EXPECT_STREQ(HistorySlot(1), "C:\\b\\");

  ASSERT_EQ(WriteHistory(folder_.Path().c_str()), 1);
  std::vector<uint8_t> written = ReadAll(folder_ / "phist.dat");
  ASSERT_EQ(written.size(), size_t(kHistoryFileBytes));
  EXPECT_EQ(written[255], 0);

  // A short file only covers its first slots.
  FreeFolderHistory();
  WriteAll(folder_ / "phist.dat", {'C', ':', '\\', 0});
  ASSERT_EQ(ReadHistory(folder_.Path().c_str()), 1);
  EXPECT_EQ(HistoryCount(), 1);
}

TEST_F(SettingsFiles, WritesTheFolderRefusesAreTraced) {
  std::string missing = folder_ / "missing\\";
  testing_support::TraceCapture trace;
  EXPECT_EQ(WriteSettings(missing.c_str()), 0);
  EXPECT_EQ(WriteHistory(missing.c_str()), 0);
  ASSERT_EQ(trace.Lines().size(), 2u);
  EXPECT_EQ(trace.Lines()[0].what, missing + "eenv.env");
  EXPECT_EQ(trace.Lines()[1].what, missing + "phist.dat");
}
