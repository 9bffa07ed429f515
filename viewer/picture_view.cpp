#include "viewer/picture_view.h"

#include <new>

#include "platform/scoped_handles.h"
#include "viewer/view_math.h"

namespace {

constexpr COLORREF kBackground = RGB(0x30, 0x30, 0x30);

struct ViewState {
  const DibHeader* picture = nullptr;
  bool fitted = true;
  int32_t scrollX = 0, scrollY = 0;
};

ViewState* StateOf(HWND view) {
  return reinterpret_cast<ViewState*>(GetWindowLongPtrA(view, GWLP_USERDATA));
}

SIZE ClientSize(HWND view) {
  RECT client;
  GetClientRect(view, &client);
  return {client.right, client.bottom};
}

int32_t PictureWidth(const ViewState& s) { return s.picture ? s.picture->biWidth : 0; }
int32_t PictureHeight(const ViewState& s) { return s.picture ? s.picture->biHeight : 0; }

ViewBox PictureBox(HWND view, const ViewState& s) {
  SIZE client = ClientSize(view);
  if (s.fitted) return PlaceFitted(PictureWidth(s), PictureHeight(s), client.cx, client.cy);
  return PlaceActual(PictureWidth(s), PictureHeight(s), client.cx, client.cy, s.scrollX, s.scrollY);
}

void SetBar(HWND view, int bar, int32_t picture, int32_t client, int32_t offset) {
  SCROLLINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMax = picture > 0 ? picture - 1 : 0;
  info.nPage = UINT(client > 0 ? client : 0);
  info.nPos = offset;
  SetScrollInfo(view, bar, &info, TRUE);
}

// Scroll bars only at 100 %; showing or hiding one resizes the client, and
// the WM_SIZE that follows comes back here until the bars settle.
void UpdateScrollBars(HWND view, ViewState* s) {
  SIZE client = ClientSize(view);
  s->scrollX = ClampScroll(s->scrollX, PictureWidth(*s), client.cx);
  s->scrollY = ClampScroll(s->scrollY, PictureHeight(*s), client.cy);
  if (s->fitted || !s->picture) {
    ShowScrollBar(view, SB_BOTH, FALSE);
    return;
  }
  SetBar(view, SB_HORZ, PictureWidth(*s), client.cx, s->scrollX);
  SetBar(view, SB_VERT, PictureHeight(*s), client.cy, s->scrollY);
}

void Paint(HWND view, const ViewState& s) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(view, &paint);
  RECT client;
  GetClientRect(view, &client);
  ViewBox box = PictureBox(view, s);
  int saved = SaveDC(dc);
  if (s.picture && box.width > 0 && box.height > 0)
    ExcludeClipRect(dc, box.x, box.y, box.x + box.width, box.y + box.height);
  platform::ScopedGdiObject<HBRUSH> background(CreateSolidBrush(kBackground));
  FillRect(dc, &client, background.Get());
  RestoreDC(dc, saved);
  if (s.picture && box.width > 0 && box.height > 0) {
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    const auto* bits = reinterpret_cast<const uint8_t*>(s.picture) + s.picture->biSize +
                       ColourTableSize(s.picture);
    StretchDIBits(dc, box.x, box.y, box.width, box.height, 0, 0, s.picture->biWidth,
                  s.picture->biHeight, bits, reinterpret_cast<const BITMAPINFO*>(s.picture),
                  DIB_RGB_COLORS, SRCCOPY);
  }
  EndPaint(view, &paint);
}

ScrollRequest RequestOf(WORD code) {
  switch (code) {
    case SB_LINEUP: return ScrollRequest::LineBack;
    case SB_LINEDOWN: return ScrollRequest::LineForward;
    case SB_PAGEUP: return ScrollRequest::PageBack;
    case SB_PAGEDOWN: return ScrollRequest::PageForward;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: return ScrollRequest::Track;
    case SB_TOP: return ScrollRequest::Start;
    case SB_BOTTOM: return ScrollRequest::End;
    default: return ScrollRequest::Other;
  }
}

void OnScroll(HWND view, ViewState* s, int bar, ScrollRequest request) {
  if (s->fitted || !s->picture) return;
  SCROLLINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = SIF_TRACKPOS;
  GetScrollInfo(view, bar, &info);  // the 32-bit thumb position
  SIZE client = ClientSize(view);
  bool horizontal = bar == SB_HORZ;
  int32_t& offset = horizontal ? s->scrollX : s->scrollY;
  int32_t moved = ScrolledOffset(request, offset, info.nTrackPos,
                                 horizontal ? PictureWidth(*s) : PictureHeight(*s),
                                 horizontal ? client.cx : client.cy);
  if (moved == offset) return;
  offset = moved;
  SetScrollPos(view, bar, offset, TRUE);
  InvalidateRect(view, nullptr, FALSE);
}

LRESULT CALLBACK PictureViewProc(HWND view, UINT message, WPARAM wParam, LPARAM lParam) {
  ViewState* s = StateOf(view);
  switch (message) {
    case WM_NCCREATE: {
      // No exception out of the window procedure: without memory the pane
      // is not created at all.
      auto* state = new (std::nothrow) ViewState;
      if (!state) return FALSE;
      SetWindowLongPtrA(view, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
      break;
    }
    case WM_NCDESTROY:
      delete s;
      SetWindowLongPtrA(view, GWLP_USERDATA, 0);
      break;
    case WM_ERASEBKGND: return 1;  // the paint fills everything
    case WM_PAINT:
      if (s) Paint(view, *s);
      return 0;
    case WM_SIZE:
      if (s) UpdateScrollBars(view, s);
      InvalidateRect(view, nullptr, FALSE);
      return 0;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (s)
        OnScroll(view, s, message == WM_HSCROLL ? SB_HORZ : SB_VERT, RequestOf(LOWORD(wParam)));
      return 0;
  }
  return DefWindowProcA(view, message, wParam, lParam);
}

}  // namespace

bool RegisterPictureViewClass(HINSTANCE instance) {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = PictureViewProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kPictureViewClass;
  return RegisterClassA(&windowClass) != 0;
}

HWND CreatePictureView(HWND parent, HINSTANCE instance, int id) {
  return CreateWindowExA(0, kPictureViewClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0,
                         0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                         nullptr);
}

void SetViewPicture(HWND view, const DibHeader* picture) {
  ViewState* s = StateOf(view);
  if (!s) return;
  s->picture = picture;
  s->scrollX = s->scrollY = 0;
  UpdateScrollBars(view, s);
  InvalidateRect(view, nullptr, FALSE);
}

void RefreshViewPicture(HWND view) {
  InvalidateRect(view, nullptr, FALSE);
  UpdateWindow(view);
}

void SetViewFitted(HWND view, bool fitted) {
  ViewState* s = StateOf(view);
  if (!s || s->fitted == fitted) return;
  s->fitted = fitted;
  UpdateScrollBars(view, s);
  InvalidateRect(view, nullptr, FALSE);
}

bool IsViewFitted(HWND view) {
  ViewState* s = StateOf(view);
  return !s || s->fitted;
}

void ScrollViewByWheel(HWND view, int delta) {
  ViewState* s = StateOf(view);
  if (!s) return;
  int lines = delta / WHEEL_DELTA * 3;
  for (int i = 0; i < (lines < 0 ? -lines : lines); ++i)
    OnScroll(view, s, SB_VERT, lines > 0 ? ScrollRequest::LineBack : ScrollRequest::LineForward);
}
