#include "platform/platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "test_support.h"

#ifdef _WIN32
#include "platform/scoped_handles.h"
#endif

using testing_support::ScratchFolder;

TEST(Platform, ShiftJisTextConvertsToWide) {
  // "フォルダ": the last character's second byte is 0x5C, a backslash in ASCII.
  EXPECT_EQ(platform::ToWide(platform::kCodePageShiftJis, "\x83\x74\x83\x48\x83\x8B\x83\x5F"),
            u"フォルダ");
  EXPECT_EQ(platform::ToWide(1252, "caf\xE9"), u"café");
  EXPECT_EQ(platform::ToWide(1252, ""), u"");
  // A lead byte cut off at the end never reads past the terminator.
  std::u16string cut = platform::ToWide(platform::kCodePageShiftJis, "ab\x83");
  EXPECT_EQ(cut.substr(0, 2), u"ab");
  EXPECT_LE(cut.size(), 3u);
}

TEST(Platform, DirectorySearchMatchesWildcardsIgnoringCase) {
  ScratchFolder folder;
  for (const char* name : {"a.dll", "B.DLL", "c.dll.txt", "d.jpg"})
    testing_support::WriteAll(folder / name, {1});
  platform::MakeFolder((folder / "sub.dll").c_str());
  std::vector<std::string> names;
  platform::DirSearch search;
  platform::FoundFile found;
  for (bool more = search.First((folder / "*.dll").c_str(), &found); more;
       more = search.Next(&found))
    names.push_back(std::string(found.name) + (found.isFolder ? "\\" : ""));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"B.DLL", "a.dll", "sub.dll\\"}));
  EXPECT_FALSE(search.First((folder / "*.png").c_str(), &found));
  EXPECT_FALSE(search.First((folder / "missing\\*").c_str(), &found));
}

TEST(Platform, WholeFilesAndRenames) {
  ScratchFolder folder;
  std::string a = folder / "a.bin", b = folder / "b.bin";
  const char data[] = "0123456789";
  ASSERT_TRUE(platform::WriteFileBytes(a.c_str(), data, 10));
  EXPECT_EQ(platform::FileSize(a.c_str()), 10);
  char buffer[4];
  EXPECT_EQ(platform::ReadFileBytes(a.c_str(), buffer, sizeof buffer), 4);
  EXPECT_EQ(platform::ReadFileBytes(b.c_str(), buffer, sizeof buffer), -1);
  ASSERT_TRUE(platform::WriteFileBytes(b.c_str(), data, 3));
  EXPECT_FALSE(platform::RenameFile(a.c_str(), b.c_str()));  // never replaces
  EXPECT_EQ(platform::FileSize(b.c_str()), 3);
  EXPECT_TRUE(platform::DeleteOneFile(b.c_str()));
  EXPECT_TRUE(platform::RenameFile(a.c_str(), b.c_str()));
  EXPECT_FALSE(platform::FileExists(a.c_str()));
  EXPECT_TRUE(platform::FileExists(b.c_str()));
  EXPECT_FALSE(platform::FolderExists(b.c_str()));
  EXPECT_EQ(platform::FileSize(a.c_str()), -1);
}

TEST(Platform, GlobalBlocksAreZeroFilled) {
  auto* block = static_cast<unsigned char*>(platform::GlobalBlockAlloc(10000));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 10000; ++i) ASSERT_EQ(block[i], 0) << i;
  platform::GlobalBlockFree(block);
  platform::GlobalBlockFree(nullptr);
}

namespace {

// Records every value closed, so that a test sees each close once.
std::vector<int> g_closed;
struct CountedTraits {
  using Value = int;
  static Value Invalid() { return -1; }
  static bool IsValid(Value value) { return value >= 0; }
  static void Close(Value value) { g_closed.push_back(value); }
};
using Counted = platform::Scoped<CountedTraits>;

}  // namespace

TEST(Platform, ScopedOwnerClosesEachValueOnce) {
  g_closed.clear();
  {
    Counted empty;
    Counted first(1), second(2), third(3);
    EXPECT_FALSE(empty);
    second = std::move(first);  // 2 closed, 1 moves
    EXPECT_EQ(second.Get(), 1);
    EXPECT_FALSE(first);
    *third.Out() = 4;  // 3 closed before the new value arrives
    EXPECT_EQ(third.Release(), 4);
    Counted fifth(5);
    fifth.Reset(6);
  }
  EXPECT_EQ(g_closed, (std::vector<int>{2, 3, 5, 6, 1}));
}

#ifdef _WIN32
// The Windows owners give back exactly what they took: the selection the DC
// had before, a handle once (never the "invalid" value CreateFile fails with).
TEST(Platform, WindowsOwnersRestoreAndCloseWhatTheyTook) {
  platform::WindowDC screen(nullptr);
  ASSERT_NE(screen.Get(), nullptr);
  HGDIOBJ before = GetCurrentObject(screen, OBJ_PEN);
  {
    platform::ScopedGdiObject<HPEN> pen(CreatePen(PS_SOLID, 0, RGB(1, 2, 3)));
    platform::Selected selected(screen, pen.Get());
    EXPECT_EQ(GetCurrentObject(screen, OBJ_PEN), pen.Get());
  }
  EXPECT_EQ(GetCurrentObject(screen, OBJ_PEN), before);

  EXPECT_FALSE(platform::ScopedHandle(INVALID_HANDLE_VALUE).Valid());
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DWORD flags = 0;
  {
    platform::ScopedHandle owned(event);
    EXPECT_TRUE(GetHandleInformation(event, &flags));
  }
  EXPECT_FALSE(GetHandleInformation(event, &flags));  // closed with its owner
}
#endif
