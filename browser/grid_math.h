// The grid's arithmetic, free of windows: cell sizes, layout, scrolling,
// which entry the worker takes next, and the Shift-click rectangle.
#pragma once

#include <cstdint>

#include "ui_draw/dpi_scale.h"

struct GridState {
  int32_t columns;      // cells per row, at least 1 after a layout
  int32_t totalRows;    // rows needed for every entry
  int32_t topRow;       // first row shown
  int32_t visibleRows;  // whole rows that fit
  int32_t anchor;       // entry of the last click, -1 for none
};

// Square cell side for ThumbSize 0, 1, 2 (96, 128, 192 at 96 DPI); the
// thumbnail area is 16 pixels narrower and 32 pixels shorter. On a denser
// screen each is scaled as a whole (ScaleForDpi), so the thumbnail is made at
// the size it is shown, pixel for pixel.
int32_t CellSide(int32_t thumbSize, int32_t dpi = kBaseDpi);
int32_t ThumbnailAreaWidth(int32_t thumbSize, int32_t dpi = kBaseDpi);
int32_t ThumbnailAreaHeight(int32_t thumbSize, int32_t dpi = kBaseDpi);

// Lays `count` entries out in a client area of width x height with square
// cells of `cell` pixels, clamping the top row.
void LayoutGrid(GridState* grid, int32_t width, int32_t height, int32_t cell, int32_t count);
// Top-left corner of entry i's cell relative to the client area.
int32_t CellLeft(const GridState& grid, int32_t index, int32_t cell);
int32_t CellTop(const GridState& grid, int32_t index, int32_t cell);

// Scroll-bar request codes (the values of the Win32 SB_ constants).
enum ScrollCode : int32_t {
  kScrollLineUp = 0,
  kScrollLineDown = 1,
  kScrollPageUp = 2,
  kScrollPageDown = 3,
  kScrollThumbPosition = 4,
  kScrollThumbTrack = 5,
  kScrollTop = 6,
  kScrollBottom = 7,
};
constexpr int32_t kScrollPageRows = 4;

// The clamped change of the top row for a scroll request; 0 means no change.
int32_t ScrollDelta(const GridState& grid, int32_t code, int32_t thumbPosition);

// A run of entries [first, end).
struct EntryRange {
  int32_t first;
  int32_t end;
};

// The entries that show on screen: the whole rows from the top row on and the
// partly visible row below them. Only these have cell windows, so every cell
// lies inside the client area whatever the size of the folder.
EntryRange ShownEntries(const GridState& grid, int32_t count);
// The entries the worker makes thumbnails for: those shown and one page of
// rows below them. Rows above the top row wait until they are scrolled to.
EntryRange WorkEntries(const GridState& grid, int32_t count);

// The first entry of WorkEntries whose thumbnail is neither done nor in the
// hands of a worker (the inHandCount entries of `inHand`), or -1.
int32_t NextThumbnailEntry(const GridState& grid, const int32_t* done, int32_t count,
                           const int32_t* inHand = nullptr, int32_t inHandCount = 0);
// Whether an entry of ShownEntries has no thumbnail done.
bool ShownThumbnailsPending(const GridState& grid, const int32_t* done, int32_t count);

// Where entry `other`'s cell lies relative to entry `from`'s, in pixels.
void CellOffset(const GridState& grid, int32_t from, int32_t other, int32_t cell, int32_t* dx,
                int32_t* dy);

// Selects every entry inside the row/column rectangle spanned by the anchor
// and `clicked` (both included); nothing is deselected. Only entries below
// `count` are touched.
void SelectRectangle(int32_t anchor, int32_t clicked, int32_t columns, int32_t* selected,
                     int32_t count);

// Where a w x h thumbnail is drawn inside a cell of the given size: centred
// in the thumbnail area, whose margins (8 pixels at 96 DPI) scale with it.
int32_t ThumbnailLeft(int32_t cellWidth, int32_t thumbWidth, int32_t dpi = kBaseDpi);
int32_t ThumbnailTop(int32_t cellHeight, int32_t thumbHeight, int32_t dpi = kBaseDpi);
