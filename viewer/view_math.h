// Where the viewer draws its picture: fitted into the window (never
// enlarged) or at 100 % with scroll offsets. Window-free arithmetic.
#pragma once

#include <cstdint>

struct ViewBox {
  int32_t x, y, width, height;
};

// The picture's size when fitted into a client of clientW x clientH: the
// picture itself when it fits, otherwise scaled down with its aspect kept
// (rounded to the nearest pixel, at least 1 on each side). An empty client
// gives 0 x 0.
ViewBox FittedSize(int32_t pictureW, int32_t pictureH, int32_t clientW, int32_t clientH);

// The box the picture is drawn into, in client coordinates. Fitted: centred.
// At 100 %: each axis centred when the picture is smaller than the client,
// otherwise moved left or up by the scroll offset (clamped by ClampScroll).
ViewBox PlaceFitted(int32_t pictureW, int32_t pictureH, int32_t clientW, int32_t clientH);
ViewBox PlaceActual(int32_t pictureW, int32_t pictureH, int32_t clientW, int32_t clientH,
                    int32_t scrollX, int32_t scrollY);

// A scroll offset kept within 0..picture - client (0 when the picture fits).
int32_t ClampScroll(int32_t offset, int32_t picture, int32_t client);

// The scroll bar requests the view answers, as window-free codes.
enum class ScrollRequest { LineBack, LineForward, PageBack, PageForward, Track, Start, End, Other };

// The offset after a scroll bar request; `track` is the thumb position.
int32_t ScrolledOffset(ScrollRequest request, int32_t offset, int32_t track, int32_t picture,
                       int32_t client);
