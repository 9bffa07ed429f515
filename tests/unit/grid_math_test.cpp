#include "browser/grid_math.h"

#include <gtest/gtest.h>

#include <vector>

#include "browser/drop_block.h"

TEST(GridMath, CellSizesAndThumbnailAreas) {
  EXPECT_EQ(CellSide(0), 96);
  EXPECT_EQ(CellSide(1), 128);
  EXPECT_EQ(CellSide(2), 192);
  EXPECT_EQ(CellSide(9), 96);
  EXPECT_EQ(ThumbnailAreaWidth(2), 176);
  EXPECT_EQ(ThumbnailAreaHeight(2), 160);
  // A 112 x 84 thumbnail in a 128-pixel cell.
  EXPECT_EQ(ThumbnailLeft(128, 112), 8);
  EXPECT_EQ(ThumbnailTop(128, 84), 14);
  EXPECT_EQ(ThumbnailLeft(128, 75), 26);  // (128 - 75 - 16) / 2 + 8, truncated
}

TEST(DpiScale, RoundsToTheNearestPixelHalvesAwayFromZero) {
  const int32_t kCases[][3] = {{96, 96, 96},   {96, 144, 144},   {13, 144, 20},  {13, 120, 16},
                               {1, 120, 1},    {-13, 144, -20},  {14, 168, 25},  {7, 0, 7},
                               {7, -96, 7},    {INT32_MAX, 192, INT32_MAX},      {INT32_MIN, 192, INT32_MIN}};
  for (const auto& c : kCases) EXPECT_EQ(ScaleForDpi(c[0], c[1]), c[2]) << c[0] << " at " << c[1];
  for (int32_t pixels : {1, 145, 146, 299})  // a tree width set at 144, kept at 96, shown again
    EXPECT_NEAR(ScaleForDpi(UnscaleForDpi(pixels, 144), 144), pixels, 1) << pixels;
}

TEST(GridMath, CellsAndThumbnailAreasScaleWithTheScreen) {
  // size, dpi: side, area width and height, left and top of a thumbnail as
  // wide as the area and 3/4 as high
  const int32_t kCases[][7] = {{0, 96, 96, 80, 64, 8, 10},       {0, 144, 144, 120, 96, 12, 15},
                               {2, 192, 384, 352, 320, 16, 44}, {1, 120, 160, 140, 120, 10, 17}};
  for (const auto& c : kCases) {
    EXPECT_EQ(CellSide(c[0], c[1]), c[2]);
    EXPECT_EQ(ThumbnailAreaWidth(c[0], c[1]), c[3]);
    EXPECT_EQ(ThumbnailAreaHeight(c[0], c[1]), c[4]);
    EXPECT_EQ(ThumbnailLeft(c[2], c[3], c[1]), c[5]);
    EXPECT_EQ(ThumbnailTop(c[2], c[3] * 3 / 4, c[1]), c[6]);
  }
}

TEST(GridMath, LayoutCountsRowsAndClampsTheTopRow) {
  GridState grid = {};
  LayoutGrid(&grid, 400, 300, 96, 10);
  EXPECT_EQ(grid.columns, 4);
  EXPECT_EQ(grid.totalRows, 3);
  EXPECT_EQ(grid.visibleRows, 3);
  EXPECT_EQ(CellLeft(grid, 5, 96), 96);
  EXPECT_EQ(CellTop(grid, 5, 96), 96);

  LayoutGrid(&grid, 50, 300, 96, 10);  // narrower than a cell: still one column
  EXPECT_EQ(grid.columns, 1);
  EXPECT_EQ(grid.totalRows, 10);
  grid.topRow = 8;
  LayoutGrid(&grid, 50, 300, 96, 10);
  EXPECT_EQ(grid.topRow, 7);  // the last row stays at the bottom
  EXPECT_EQ(CellTop(grid, 0, 96), -7 * 96);

  LayoutGrid(&grid, 400, 300, 96, 10);  // wider: fewer rows, top row clamped
  EXPECT_EQ(grid.topRow, 0);
  grid.topRow = -3;
  LayoutGrid(&grid, 400, 1000, 96, 0);
  EXPECT_EQ(grid.topRow, 0);
  EXPECT_EQ(grid.totalRows, 0);
}

TEST(GridMath, ScrollDeltasAreClamped) {
  GridState grid = {4, 20, 0, 5, -1};
  EXPECT_EQ(ScrollDelta(grid, kScrollLineUp, 0), 0);
  EXPECT_EQ(ScrollDelta(grid, kScrollLineDown, 0), 1);
  EXPECT_EQ(ScrollDelta(grid, kScrollPageDown, 0), 4);  // a page is 4 rows
  EXPECT_EQ(ScrollDelta(grid, kScrollBottom, 0), 15);
  EXPECT_EQ(ScrollDelta(grid, kScrollThumbTrack, 9), 9);
  EXPECT_EQ(ScrollDelta(grid, kScrollThumbPosition, 99), 15);
  EXPECT_EQ(ScrollDelta(grid, 8, 0), 0);  // SB_ENDSCROLL
  grid.topRow = 13;
  EXPECT_EQ(ScrollDelta(grid, kScrollPageDown, 0), 2);  // stops at total - visible
  EXPECT_EQ(ScrollDelta(grid, kScrollPageUp, 0), -4);
  EXPECT_EQ(ScrollDelta(grid, kScrollTop, 0), -13);
  EXPECT_EQ(ScrollDelta(grid, kScrollThumbTrack, -5), -13);
  GridState small = {4, 2, 0, 5, -1};  // everything fits
  EXPECT_EQ(ScrollDelta(small, kScrollLineDown, 0), 0);
  EXPECT_EQ(ScrollDelta(small, kScrollBottom, 0), 0);
}

TEST(GridMath, WorkStartsAtTheTopVisibleRow) {
  int32_t done[12] = {0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0};
  GridState grid = {4, 3, 1, 1, -1};
  EXPECT_EQ(NextThumbnailEntry(grid, done, 12), 6);
  grid.topRow = 0;
  EXPECT_EQ(NextThumbnailEntry(grid, done, 12), 0);
  // Entries other workers hold are passed over.
  const int32_t inHand[] = {0, 2, -1};
  EXPECT_EQ(NextThumbnailEntry(grid, done, 12, inHand, 3), 1);
  int32_t allDone[3] = {1, 1, 1};
  EXPECT_EQ(NextThumbnailEntry(grid, allDone, 3), -1);
  EXPECT_EQ(NextThumbnailEntry(grid, allDone, 0), -1);

  // Pending thumbnails on screen: rows above the top row do not count.
  grid.topRow = 1;
  EXPECT_TRUE(ShownThumbnailsPending(grid, done, 12));
  const int32_t shownDone[12] = {0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1};
  EXPECT_FALSE(ShownThumbnailsPending(grid, shownDone, 12));
  EXPECT_FALSE(ShownThumbnailsPending(grid, shownDone, 0));  // an empty folder
}

TEST(GridMath, ShiftRectangleSelectsRowsAndColumnsBetween) {
  int32_t selected[12] = {};
  selected[3] = 1;  // stays selected: nothing is deselected
  SelectRectangle(1, 10, 4, selected, 12);
  const int32_t expected[12] = {0, 1, 1, 1, 0, 1, 1, 0, 0, 1, 1, 0};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(selected[i], expected[i]) << i;

  int32_t partial[12] = {};
  SelectRectangle(0, 11, 4, partial, 10);  // the last row is incomplete
  EXPECT_EQ(partial[9], 1);
  EXPECT_EQ(partial[10], 0);
  EXPECT_EQ(partial[11], 0);

  int32_t none[4] = {};
  SelectRectangle(-1, 2, 4, none, 4);  // no anchor: nothing happens
  EXPECT_EQ(none[2], 0);
}

TEST(DropBlock, PlatformHeaderThenAnsiPaths) {
  std::vector<uint8_t> block = BuildDropBlock(-5, 300, {"C:\\a\\x.jpg", "C:\\a\\y.png"});
  ASSERT_EQ(block.size(), 20u + 11 + 11 + 1);
  EXPECT_EQ(block[0], 20);  // the list starts after the 20-byte header
  EXPECT_EQ(block[4], 0xFB);
  EXPECT_EQ(block[7], 0xFF);  // x = -5
  EXPECT_EQ(block[8] | block[9] << 8, 300);
  EXPECT_EQ(block[12], 0);  // non-client flag
  EXPECT_EQ(block[16], 0);  // ANSI, not wide
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&block[20])), "C:\\a\\x.jpg");
  EXPECT_EQ(block.back(), 0);
  EXPECT_EQ(block[block.size() - 2], 0);

  int32_t x = 0, y = 0;
  EXPECT_EQ(ReadDropBlock(block, &x, &y),
            (std::vector<std::string>{"C:\\a\\x.jpg", "C:\\a\\y.png"}));
  EXPECT_EQ(x, -5);
  EXPECT_EQ(y, 300);

  EXPECT_EQ(BuildDropBlock(0, 0, {}).size(), 21u);
  block.pop_back();  // no final NUL
  EXPECT_TRUE(ReadDropBlock(block, &x, &y).empty());
}

// Names beyond ASCII go as UTF-16, so that the receiver's code page cannot
// turn them into other names; ASCII lists keep the ANSI block.
TEST(DropBlock, NamesBeyondAsciiGoWide) {
  EXPECT_EQ(BuildDropBlockFor(1, 2, {"C:\\a.jpg"}, 65001), BuildDropBlock(1, 2, {"C:\\a.jpg"}));
  std::vector<uint8_t> block = BuildDropBlockFor(1, 2, {"C:\\\xc3\xa9.jpg", "C:\\b"}, 65001);
  ASSERT_EQ(block.size(), 20u + 2 * (9 + 5) + 2);
  EXPECT_EQ(block[16], 1);  // wide
  EXPECT_EQ(block[20], 'C');
  EXPECT_EQ(block[26] | block[27] << 8, 0xE9);  // é, one unit
  EXPECT_EQ(block[36], 0);                      // its terminator
  EXPECT_EQ(block[38], 'C');
  int32_t x = 0, y = 0;
  EXPECT_TRUE(ReadDropBlock(block, &x, &y).empty());  // not an ANSI list
}

TEST(DropBlock, DraggedEntryJoinsTheSelectionInIndexOrder) {
  char a[] = "a", b[] = "b", c[] = "c", d[] = "d";
  char* paths[4] = {a, b, c, d};
  int32_t selected[4] = {0, 1, 0, 1};
  EXPECT_EQ(DraggedPaths(2, selected, paths, 4), (std::vector<std::string>{"b", "c", "d"}));
  EXPECT_EQ(DraggedPaths(1, selected, paths, 4), (std::vector<std::string>{"b", "d"}));
}

TEST(GridMath, OnlyTheRowsInViewAreShownAndTheWorkStopsAPageBelow) {
  GridState grid = {1, 0, 0, 0, -1};
  LayoutGrid(&grid, 4 * 96 + 10, 96 + 50, 96, 10);  // 4 columns, 1.5 rows in view
  EXPECT_EQ(grid.totalRows, 3);
  EXPECT_EQ(ShownEntries(grid, 10).first, 0);
  EXPECT_EQ(ShownEntries(grid, 10).end, 8);  // the partly visible row has cells too
  grid.topRow += ScrollDelta(grid, kScrollBottom, 0);
  EXPECT_EQ(grid.topRow, 2);
  EXPECT_EQ(ShownEntries(grid, 10).first, 8);
  EXPECT_EQ(ShownEntries(grid, 10).end, 10);       // the last row is partial
  LayoutGrid(&grid, 4 * 96 + 10, 3 * 96, 96, 10);  // made taller while at the end
  EXPECT_EQ(grid.topRow, 0);
  EXPECT_EQ(ShownEntries(grid, 10).end, 10);

  // A folder at the listing's limit, one column of large cells, at its end:
  // every shown cell lies inside the client area.
  LayoutGrid(&grid, 200, 700, 192, 10240);
  grid.topRow += ScrollDelta(grid, kScrollBottom, 0);
  EntryRange shown = ShownEntries(grid, 10240);
  EXPECT_EQ(shown.first, 10240 - 3);
  EXPECT_EQ(shown.end, 10240);
  EXPECT_EQ(CellTop(grid, shown.first, 192), 0);
  EXPECT_LE(CellTop(grid, shown.end - 1, 192), 700);

  // The worker takes the shown rows and one page below them, then stops.
  std::vector<int32_t> done(10240, 0);
  grid.topRow = 0;
  EntryRange work = WorkEntries(grid, 10240);
  EXPECT_EQ(work.end, 2 * (grid.visibleRows + 1));
  for (int32_t i = 0; i < work.end; ++i) done[size_t(i)] = 1;
  EXPECT_EQ(NextThumbnailEntry(grid, done.data(), 10240), -1);
  grid.topRow = 5000;  // scrolling moves it on
  EXPECT_EQ(NextThumbnailEntry(grid, done.data(), 10240), 5000);

  int32_t dx = 0, dy = 0;
  LayoutGrid(&grid, 4 * 96, 300, 96, 100);
  CellOffset(grid, 5, 2, 96, &dx, &dy);  // one row up, one column right
  EXPECT_EQ(dx, 96);
  EXPECT_EQ(dy, -96);
}
