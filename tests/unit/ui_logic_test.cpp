// The window-free arithmetic behind the browser's windows.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <vector>

#include "browser/cell_window_logic.h"
#include "browser/pause_count.h"
#include "shell/pane_rects.h"
#include "shell/placement.h"
#include "ui_draw/colours.h"
#include "ui_draw/status_text.h"
#include "ui_draw/text_fit.h"

TEST(Placement, SavedPlacementIsClampedToTheScreen) {
  Placement first = RestoredPlacement(0, 0, 1024, 768);  // no settings file
  EXPECT_EQ(first.x, 0);
  EXPECT_EQ(first.y, 0);
  EXPECT_EQ(first.width, 100);
  EXPECT_EQ(first.height, 100);

  Placement offRight =
      RestoredPlacement(PackPosition(2000, 900), PackSize(0, 0, 640, 480), 1024, 768);
  EXPECT_EQ(offRight.x, 1024 - 48);
  EXPECT_EQ(offRight.y, 768 - 48);
  EXPECT_EQ(offRight.width, 640);

  Placement negative = RestoredPlacement(PackPosition(-30, -5), PackSize(0, 0, 50, 700), 1024, 768);
  EXPECT_EQ(negative.x, 0);
  EXPECT_EQ(negative.y, 0);
  EXPECT_EQ(negative.width, 100);
  EXPECT_EQ(negative.height, 700);

  EXPECT_EQ(PackPosition(-30, 20), 0x0014FFE2u);
  EXPECT_EQ(PackSize(10, 20, 810, 620), (600u << 16) | 800u);
  EXPECT_EQ(EvenSide(101), 100);
  EXPECT_EQ(EvenSide(100), 100);
}

TEST(Placement, ColourDepthChanges) {
  EXPECT_FALSE(ColourDepthChanged(15, 16));
  EXPECT_TRUE(ColourDepthChanged(16, 15));
  EXPECT_TRUE(ColourDepthChanged(16, 32));
  EXPECT_FALSE(ColourDepthChanged(32, 32));
}

TEST(PaneLayout, FivePanesAndOutOfRangeTreeWidths) {
  PaneRects panes = ComputePanes(800, 600, 30, 192);
  EXPECT_EQ(panes.tree.y, 30);
  EXPECT_EQ(panes.tree.width, 192);
  EXPECT_EQ(panes.tree.height, 550);
  EXPECT_EQ(panes.splitter.x, 192);
  EXPECT_EQ(panes.grid.x, 196);
  EXPECT_EQ(panes.grid.width, 604);
  EXPECT_EQ(panes.status.y, 580);
  EXPECT_EQ(panes.status.width, 800);
  PaneRects wide = ComputePanes(800, 600, 30, 5000);
  EXPECT_EQ(wide.grid.width, 0);
  EXPECT_EQ(wide.splitter.x, 796);
  PaneRects negative = ComputePanes(800, 600, 30, -40);
  EXPECT_EQ(negative.tree.width, 0);
  EXPECT_EQ(negative.grid.x, 4);
}

TEST(PaneLayout, TreeSplitterAndStatusBarScaleWithTheScreen) {
  PaneRects panes = ComputePanes(1200, 900, 45, 192, 144);
  EXPECT_EQ(panes.splitter.x, 288);
  EXPECT_EQ(panes.grid.x, 294);
  EXPECT_EQ(panes.grid.width, 906);
  EXPECT_EQ(panes.status.y, 870);
  EXPECT_EQ(ComputePanes(600, 900, 45, 400, 192).splitter.x, 592);  // held inside
}

TEST(Colours, BevelHighlightAndShadow) {
  EXPECT_EQ(BevelHighlight(Rgb(0x75, 0x9E, 0xD0)), Rgb(0xF5, 0xFF, 0xFF));
  EXPECT_EQ(BevelShadow(Rgb(0x75, 0x9E, 0xD0)), Rgb(0x3A, 0x4F, 0x68));
  EXPECT_EQ(BevelHighlight(Rgb(255, 255, 255)), Rgb(255, 255, 255));
  EXPECT_EQ(BevelShadow(Rgb(255, 255, 255)), Rgb(127, 127, 127));
}

TEST(TextFit, NaturalWidthWhenItFitsElseNarrowerCharacters) {
  FittedText natural = FitTextWidth(100, 6, [](int width) { return width == 0 ? 60 : 999; });
  EXPECT_EQ(natural.characterWidth, 0);
  EXPECT_EQ(natural.offset, 20);

  std::vector<int> tried;
  FittedText squeezed = FitTextWidth(50, 10, [&](int width) {
    if (width) tried.push_back(width);
    return width == 0 ? 80 : width * 10 + 5;  // fits at width 4 (45 < 50)
  });
  EXPECT_EQ(tried, (std::vector<int>{5, 4}));
  EXPECT_EQ(squeezed.characterWidth, 4);
  EXPECT_EQ(squeezed.offset, 2);

  FittedText never = FitTextWidth(50, 10, [](int) { return 70; });
  EXPECT_EQ(never.characterWidth, 0);
  EXPECT_EQ(never.offset, -10);
}

TEST(StatusText, ProgressAndMessageProtocol) {
  // 処理中です：000％完了 and one full mark, nine empty ones.
  std::string zero = ProgressText(0);
  EXPECT_EQ(zero.substr(0, 12), "\x8f\x88\x97\x9d\x92\x86\x82\xc5\x82\xb7\x81\x46");
  EXPECT_EQ(zero.substr(12, 3), "000");
  EXPECT_EQ(zero.substr(21, 2), "\x81\xa1");
  EXPECT_EQ(zero.substr(23, 2), "\x81\xa0");
  std::string half = ProgressText(45);
  EXPECT_EQ(half.substr(12, 3), "045");
  EXPECT_EQ(half.substr(21 + 2 * 4, 2), "\x81\xa1");  // fifth mark full
  EXPECT_EQ(half.substr(21 + 2 * 5, 2), "\x81\xa0");  // sixth empty
  std::string full = ProgressText(100);
  EXPECT_EQ(full.substr(21 + 2 * 9, 2), "\x81\xa1");

  StatusMessages m;
  ResetStatusMessages(&m);
  EXPECT_STREQ(m.shown.text, "[Tamsel]");
  EXPECT_TRUE(ApplyStatusMessage(&m, 15, 0, "abc"));
  EXPECT_TRUE(ApplyStatusMessage(&m, 3, 50, nullptr));
  EXPECT_EQ(m.shown.codePage, kShiftJis);
  EXPECT_TRUE(ApplyStatusMessage(&m, 0, 0, nullptr));
  EXPECT_STREQ(m.shown.text, "abc");
  EXPECT_FALSE(ApplyStatusMessage(&m, 14, 0, "abc"));  // same text: no repaint
  EXPECT_TRUE(ApplyStatusMessage(&m, 14, 0, "def"));
  EXPECT_FALSE(ApplyStatusMessage(&m, 7, 0, nullptr));
  std::string longText(400, 'x');
  ApplyStatusMessage(&m, 15, 0, longText.c_str());
  EXPECT_EQ(std::strlen(m.shown.text), 255u);

  ResetStatusMessages(&m);
  ApplyStatusMessage(&m, 0, 0, nullptr);  // nothing saved yet: the area empties
  EXPECT_STREQ(m.shown.text, "");
}

TEST(ViewerCommand, QuotedPathOrNothing) {
  char command[64];
  EXPECT_TRUE(ViewerCommandLine("C:\\ral\\", "C:\\a b\\x.jpg", command, sizeof command));
  EXPECT_STREQ(command, "C:\\ral\\ondex.exe \"C:\\a b\\x.jpg\"");
  EXPECT_FALSE(
      ViewerCommandLine("C:\\ral\\", std::string(60, 'p').c_str(), command, sizeof command));
}

#include "file_ops/format_table.h"

TEST(FormatTable, OneEntryPerExtensionInListOrder) {
  std::vector<FormatEntry> entries;
  AppendFormatEntries("jpg;jpeg", "JPEG", &entries);
  AppendFormatEntries("bmp;", "Bitmap", &entries);  // a trailing ';' adds nothing
  AppendFormatEntries("", "Empty", &entries);
  AppendFormatEntries(";png", "PNG", &entries);  // an empty piece first
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0].text, "JPEG[*.jpg]");
  EXPECT_EQ(entries[1].extension, "jpeg");
  EXPECT_EQ(entries[2].text, "Bitmap[*.bmp]");
  EXPECT_EQ(entries[3].extension, "");
  EXPECT_EQ(entries[4].text, "PNG[*.png]");
}

TEST(FormatTable, NeverPastItsSlotsOrEntryText) {
  std::vector<FormatEntry> entries;
  AppendFormatEntries((std::string(31, 'a') + ";" + std::string(32, 'b')).c_str(), "X", &entries);
  ASSERT_EQ(entries.size(), 1u);  // 32 bytes do not fit a slot with its terminator
  std::string many;
  for (int i = 0; i < 200; ++i) many += "e" + std::to_string(i) + ";";
  AppendFormatEntries(many.c_str(), "Many", &entries);
  EXPECT_EQ(entries.size(), 128u);
  std::vector<FormatEntry> named;
  AppendFormatEntries("tif", std::string(400, 'N').c_str(), &named);
  ASSERT_EQ(named.size(), 1u);
  EXPECT_EQ(named[0].text.size(), 239u);
  EXPECT_EQ(named[0].text.substr(named[0].text.size() - 7), "[*.tif]");
}

#include "file_ops/rename_rules.h"
#include "platform/platform.h"

TEST(RenameRules, ExtensionKeptAndLongPathsRefused) {
  EXPECT_EQ(RenamedPath("C:\\img", "vacances", "jpg"), "C:\\img\\vacances.jpg");
  EXPECT_EQ(RenamedPath("C:\\img", "nouveau", ""), "C:\\img\\nouveau.");  // README had no dot
  EXPECT_EQ(RenamedPath("C:\\img", "", "jpg"), "C:\\img\\.jpg");          // an emptied name
  EXPECT_EQ(RenamedPath("C:\\img", std::string(250, 'n').c_str(), "jpg"), "");
}

TEST(RenameRules, NamesThatWouldMoveOrLoseTheFileAreRefused) {
  const unsigned kWestern = 1252, kJapanese = 932;
  for (const char* good :
       {"vacances", "photo 2004", "x.y", " lead", "a..b", "console", "COM0", "LPT10", "\xe9t\xe9"})
    EXPECT_EQ(CheckNewBaseName(good, kWestern), NameFault::kNone) << good;
  EXPECT_EQ(CheckNewBaseName("", kWestern), NameFault::kEmpty);
  for (const char* bad : {"..\\x", "sub\\x", "sub/x", "c:x", "a*", "a?", "a\"b", "a<b", "a>b",
                          "a|b", "tab\there", "\x1f"})
    EXPECT_EQ(CheckNewBaseName(bad, kWestern), NameFault::kForbiddenCharacter) << bad;
  for (const char* bad : {".", "..", "x.", "x ", "x. "})
    EXPECT_EQ(CheckNewBaseName(bad, kWestern), NameFault::kEndsInDotOrSpace) << bad;
  for (const char* bad : {"CON", "con", "Nul", "aux.tar", "com1", "LPT9", "prn .x", "conout$"})
    EXPECT_EQ(CheckNewBaseName(bad, kWestern), NameFault::kDeviceName) << bad;
  // 0x95 0x5C is one Japanese character, not a backslash after a byte.
  EXPECT_EQ(CheckNewBaseName("\x95\x5c", kJapanese), NameFault::kNone);
  EXPECT_EQ(CheckNewBaseName("\x95\x5c", kWestern), NameFault::kForbiddenCharacter);
}

// Listed names the file functions would take for another file are never
// handed to a command: "a.jpg." is "a.jpg" to them.
TEST(RenameRules, EntriesThatNameAnotherFileAreRefused) {
  std::string folder = platform::TemporaryFolder();  // fully qualified on both systems
  for (const char* name : {"a.jpg.", "a.jpg ", "con.jpg", "LPT1.png", "a?.jpg"})
    EXPECT_EQ(CheckCommandEntry((folder + name).c_str()), EntryFault::kUnusablePath) << name;
  EXPECT_EQ(CheckCommandEntry("img\\a.jpg"), EntryFault::kUnusablePath);  // not qualified
  EXPECT_EQ(CheckCommandEntry((folder + "a.jpg").c_str()), EntryFault::kNone);
}

TEST(RenameRules, DeleteGoesToTheRecycleBinAndWarnsWhereItCannot) {
  EXPECT_EQ(kRecycleDeleteFlags & 0x0454u, 0x0454u);  // silent, no question, undo, no error box
  EXPECT_EQ(kRecycleDeleteFlags & 0x4000u, 0x4000u);  // warn before deleting for good
}

#include "shell/command_ids.h"

TEST(Commands, OnlyKnownNumbersAreCommands) {
  for (int id : {100, 101, 201, 202, 203, 204, 205, 210, 211, 212, 400, 401, 402, 600, 601, 700, 705})
    EXPECT_TRUE(IsBrowserCommand(id)) << id;
  for (int id : {0, 1, 2, 99, 102, 200, 206, 209, 213, 399, 403, 599, 602, 699, 706, 0xFFFF, -1})
    EXPECT_FALSE(IsBrowserCommand(id)) << id;  // 0: a dismissed popup menu
}

#include "browser/drop_block.h"

namespace {

std::vector<void*> g_posted, g_released;
bool g_postWorks = true;

bool RecordPost(void* target, void* block) {
  EXPECT_EQ(target, &g_posted);
  if (g_postWorks) g_posted.push_back(block);
  return g_postWorks;
}
void RecordRelease(void* block) { g_released.push_back(block); }

}  // namespace

// A command pauses, a reload inside it pauses and resumes: the workers stay
// paused until the command's own resume. Each step: +1 pause, -1 resume, and
// what Begin/End answer (starts or ends the paused state), then Paused().
TEST(PauseCount, NestedPausesEndAtTheOutermostResume) {
  struct Step {
    int change;
    bool edge;
    bool pausedAfter;
  };
  const Step steps[] = {
      {-1, false, false},                     // a resume without a pause is ignored
      {+1, true, true},                       // the command
      {+1, false, true},                      // the reload inside it
      {-1, false, true},                      // the reload's resume: still paused
      {+1, false, true},                      // a second reload
      {-1, false, true},  {-1, true, false},  // the command's resume wakes the workers
      {-1, false, false},                     // one more resume does not go below zero
      {+1, true, true},
  };
  PauseCount pauses;
  for (size_t i = 0; i < std::size(steps); ++i) {
    bool edge = steps[i].change > 0 ? pauses.Begin() : pauses.End();
    EXPECT_EQ(edge, steps[i].edge) << "step " << i;
    EXPECT_EQ(pauses.Paused(), steps[i].pausedAfter) << "step " << i;
  }
}

TEST(DropBlock, TheTargetOwnsAPostedBlockAndAFailedPostFreesIt) {
  int block = 0;
  g_postWorks = true;
  EXPECT_TRUE(HandOverDropBlock(&g_posted, &block, RecordPost, RecordRelease));
  EXPECT_EQ(g_posted, std::vector<void*>{&block});
  EXPECT_TRUE(g_released.empty());

  g_postWorks = false;  // the target's queue is full, or the window has gone
  EXPECT_FALSE(HandOverDropBlock(&g_posted, &block, RecordPost, RecordRelease));
  EXPECT_EQ(g_released, std::vector<void*>{&block});

  g_released.clear();
  EXPECT_FALSE(HandOverDropBlock(&g_posted, nullptr, RecordPost, RecordRelease));
  EXPECT_TRUE(g_released.empty());
  EXPECT_EQ(g_posted.size(), 1u);
}

#include "folder_tree/tree_match.h"

TEST(TreeMatch, ChildrenOnTheWayToTheTarget) {
  auto none = [](unsigned char) { return false; };
  auto cp932 = [](unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); };
  std::string target = "D:\\Images\\2004";
  LowerCaseBytes(&target);
  EXPECT_EQ(target, "d:\\images\\2004");
  EXPECT_TRUE(ChildLeadsToTarget("d:\\", target, none));              // a drive root
  EXPECT_TRUE(ChildLeadsToTarget("d:\\images", target, none));        // up to a backslash
  EXPECT_TRUE(ChildLeadsToTarget("d:\\images\\2004", target, none));  // the target
  EXPECT_FALSE(ChildLeadsToTarget("d:\\images\\2004x", target, none));
  EXPECT_FALSE(ChildLeadsToTarget("d:\\ima", target, none));  // not up to a separator
  EXPECT_FALSE(ChildLeadsToTarget("c:\\", target, none));
  EXPECT_FALSE(ChildLeadsToTarget("", target, none));
  EXPECT_FALSE(ChildLeadsToTarget("d:\\images", "d:\\image", none));  // longer than the target
  EXPECT_FALSE(ChildLeadsToTarget("d:\\", "d:", none));               // the two-byte target
  // 0x95 0x5C is one character: its second byte separates nothing.
  EXPECT_FALSE(ChildLeadsToTarget("d:\\a\x95", "d:\\a\x95\\x", cp932));
  EXPECT_TRUE(ChildLeadsToTarget("d:\\a\x95", "d:\\a\x95\\x", none));
}
