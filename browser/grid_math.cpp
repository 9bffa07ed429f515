#include "browser/grid_math.h"

#include <algorithm>

namespace {

int32_t CellSideAt96(int32_t thumbSize) {
  static const int32_t kSides[3] = {96, 128, 192};
  return kSides[thumbSize >= 0 && thumbSize <= 2 ? thumbSize : 0];
}

// The thumbnail area's margins at 96 DPI: 8 pixels left and right, 8 above,
// and the name strip with its gap below.
constexpr int32_t kAreaMargin = 8;
constexpr int32_t kAreaWidthLoss = 16;
constexpr int32_t kAreaHeightLoss = 32;

}  // namespace

int32_t CellSide(int32_t thumbSize, int32_t dpi) {
  return ScaleForDpi(CellSideAt96(thumbSize), dpi);
}

int32_t ThumbnailAreaWidth(int32_t thumbSize, int32_t dpi) {
  return ScaleForDpi(CellSideAt96(thumbSize) - kAreaWidthLoss, dpi);
}

int32_t ThumbnailAreaHeight(int32_t thumbSize, int32_t dpi) {
  return ScaleForDpi(CellSideAt96(thumbSize) - kAreaHeightLoss, dpi);
}

void LayoutGrid(GridState* grid, int32_t width, int32_t height, int32_t cell, int32_t count) {
  grid->columns = std::max(width / cell, 1);
  grid->totalRows = count / grid->columns + (count % grid->columns ? 1 : 0);
  grid->visibleRows = height / cell;
  if (grid->topRow < 0) grid->topRow = 0;
  if (grid->topRow > grid->totalRows - grid->visibleRows)
    grid->topRow = std::max(grid->totalRows - grid->visibleRows, 0);
}

int32_t CellLeft(const GridState& grid, int32_t index, int32_t cell) {
  return (index % grid.columns) * cell;
}

int32_t CellTop(const GridState& grid, int32_t index, int32_t cell) {
  return (index / grid.columns - grid.topRow) * cell;
}

int32_t ScrollDelta(const GridState& grid, int32_t code, int32_t thumbPosition) {
  int32_t d;
  switch (code) {
    case kScrollLineUp: d = -1; break;
    case kScrollLineDown: d = 1; break;
    case kScrollPageUp: d = -kScrollPageRows; break;
    case kScrollPageDown: d = kScrollPageRows; break;
    case kScrollThumbPosition:
    case kScrollThumbTrack: d = thumbPosition - grid.topRow; break;
    case kScrollTop: d = -grid.topRow; break;
    case kScrollBottom: d = grid.totalRows - grid.visibleRows - grid.topRow; break;
    default: d = 0;
  }
  d = std::min(d, grid.totalRows - grid.visibleRows - grid.topRow);
  return std::max(d, -grid.topRow);
}

namespace {

// Entries of `rows` rows from the top row on, clipped to the listing.
EntryRange RowsFromTop(const GridState& grid, int32_t rows, int32_t count) {
  int64_t columns = std::max(grid.columns, 1);
  int64_t first = std::max<int64_t>(grid.topRow, 0) * columns;
  int64_t end = first + std::max(rows, 0) * columns;
  return {int32_t(std::min<int64_t>(first, count)), int32_t(std::min<int64_t>(end, count))};
}

}  // namespace

EntryRange ShownEntries(const GridState& grid, int32_t count) {
  return RowsFromTop(grid, grid.visibleRows + 1, count);
}

EntryRange WorkEntries(const GridState& grid, int32_t count) {
  return RowsFromTop(grid, 2 * (grid.visibleRows + 1), count);
}

int32_t NextThumbnailEntry(const GridState& grid, const int32_t* done, int32_t count,
                           const int32_t* inHand, int32_t inHandCount) {
  EntryRange work = WorkEntries(grid, count);
  for (int32_t i = work.first; i < work.end; ++i)
    if (!done[i] && std::find(inHand, inHand + inHandCount, i) == inHand + inHandCount) return i;
  return -1;
}

bool ShownThumbnailsPending(const GridState& grid, const int32_t* done, int32_t count) {
  EntryRange shown = ShownEntries(grid, count);
  for (int32_t i = shown.first; i < shown.end; ++i)
    if (!done[i]) return true;
  return false;
}

void CellOffset(const GridState& grid, int32_t from, int32_t other, int32_t cell, int32_t* dx,
                int32_t* dy) {
  *dx = CellLeft(grid, other, cell) - CellLeft(grid, from, cell);
  *dy = (other / grid.columns - from / grid.columns) * cell;
}

void SelectRectangle(int32_t anchor, int32_t clicked, int32_t columns, int32_t* selected,
                     int32_t count) {
  if (anchor < 0 || clicked < 0 || columns < 1) return;
  int32_t firstRow = std::min(anchor / columns, clicked / columns);
  int32_t lastRow = std::max(anchor / columns, clicked / columns);
  int32_t firstColumn = std::min(anchor % columns, clicked % columns);
  int32_t lastColumn = std::max(anchor % columns, clicked % columns);
  for (int32_t row = firstRow; row <= lastRow; ++row)
    for (int32_t column = firstColumn; column <= lastColumn; ++column) {
      int32_t index = row * columns + column;
      if (index < count) selected[index] = 1;
    }
}

int32_t ThumbnailLeft(int32_t cellWidth, int32_t thumbWidth, int32_t dpi) {
  return (cellWidth - thumbWidth - ScaleForDpi(kAreaWidthLoss, dpi)) / 2 +
         ScaleForDpi(kAreaMargin, dpi);
}

int32_t ThumbnailTop(int32_t cellHeight, int32_t thumbHeight, int32_t dpi) {
  return (cellHeight - thumbHeight - ScaleForDpi(kAreaHeightLoss, dpi)) / 2 +
         ScaleForDpi(kAreaMargin, dpi);
}
