#include "viewer/view_math.h"

#include <algorithm>

ViewBox FittedSize(int32_t pictureW, int32_t pictureH, int32_t clientW, int32_t clientH) {
  if (pictureW <= 0 || pictureH <= 0 || clientW <= 0 || clientH <= 0) return {0, 0, 0, 0};
  if (pictureW <= clientW && pictureH <= clientH) return {0, 0, pictureW, pictureH};
  // Compare clientW / pictureW with clientH / pictureH without division.
  int64_t byWidth = int64_t(clientW) * pictureH, byHeight = int64_t(clientH) * pictureW;
  int64_t w, h;
  if (byWidth <= byHeight) {  // the width limits
    w = clientW;
    h = (int64_t(pictureH) * clientW + pictureW / 2) / pictureW;
  } else {
    h = clientH;
    w = (int64_t(pictureW) * clientH + pictureH / 2) / pictureH;
  }
  return {0, 0, int32_t(std::max<int64_t>(w, 1)), int32_t(std::max<int64_t>(h, 1))};
}

ViewBox PlaceFitted(int32_t pictureW, int32_t pictureH, int32_t clientW, int32_t clientH) {
  ViewBox box = FittedSize(pictureW, pictureH, clientW, clientH);
  box.x = (clientW - box.width) / 2;
  box.y = (clientH - box.height) / 2;
  return box;
}

int32_t ClampScroll(int32_t offset, int32_t picture, int32_t client) {
  int32_t most = std::max(picture - std::max(client, 0), 0);
  return std::min(std::max(offset, 0), most);
}

namespace {

int32_t PlaceAxis(int32_t picture, int32_t client, int32_t scroll) {
  if (picture <= client) return (client - picture) / 2;
  return -ClampScroll(scroll, picture, client);
}

}  // namespace

ViewBox PlaceActual(int32_t pictureW, int32_t pictureH, int32_t clientW, int32_t clientH,
                    int32_t scrollX, int32_t scrollY) {
  if (pictureW <= 0 || pictureH <= 0) return {0, 0, 0, 0};
  return {PlaceAxis(pictureW, clientW, scrollX), PlaceAxis(pictureH, clientH, scrollY), pictureW,
          pictureH};
}

int32_t ScrolledOffset(ScrollRequest request, int32_t offset, int32_t track, int32_t picture,
                       int32_t client) {
  constexpr int32_t kLine = 32;
  int32_t page = std::max(client - kLine, kLine);
  int64_t wanted = offset;
  switch (request) {
    case ScrollRequest::LineBack: wanted -= kLine; break;
    case ScrollRequest::LineForward: wanted += kLine; break;
    case ScrollRequest::PageBack: wanted -= page; break;
    case ScrollRequest::PageForward: wanted += page; break;
    case ScrollRequest::Track: wanted = track; break;
    case ScrollRequest::Start: wanted = 0; break;
    case ScrollRequest::End: wanted = picture; break;
    case ScrollRequest::Other: break;
  }
  wanted = std::min<int64_t>(std::max<int64_t>(wanted, INT32_MIN), INT32_MAX);
  return ClampScroll(int32_t(wanted), picture, client);
}
