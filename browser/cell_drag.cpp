#include "browser/cell_drag.h"

#include <ole2.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "browser/drop_block.h"
#include "browser/file_data_object.h"
#include "browser/file_list.h"
#include "browser/grid_window.h"
#include "browser/thumbnail_cache.h"
#include "dialogs/file_dialogs.h"
#include "platform/platform.h"
#include "platform/scoped_handles.h"
#include "shell/app_state.h"
#include "shell/settings.h"
#include "ui_draw/dpi_scale.h"
#include "ui_draw/drawing.h"

namespace {

// The press that may become a drag.
struct DragWatch {
  HWND cell;
  int32_t index;
  POINT start;  // screen coordinates
} g_watch = {nullptr, -1, {0, 0}};

// ---- Targets that take files only through WM_DROPFILES ---------------------------------

bool HasOleDropTarget(HWND window) { return GetPropA(window, "OleDropTargetInterface") != nullptr; }

// The window at or above `window` that takes dropped files through
// WM_DROPFILES only; null when there is none, or when an OLE drop target
// comes first (OLE delivers to it).
HWND FilesOnlyTarget(HWND window) {
  for (; window; window = GetParent(window)) {
    if (HasOleDropTarget(window)) return nullptr;
    if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) return window;
  }
  return nullptr;
}

bool PostDropFiles(void* target, void* block) {
  return PostMessageA(static_cast<HWND>(target), WM_DROPFILES, WPARAM(block), 0) != 0;
}

void FreeDropBlock(void* block) { GlobalFree(static_cast<HGLOBAL>(block)); }

// The paths are those taken when the drag started: the listing may have
// changed during it.
void PostDrop(HWND target, POINT point, const std::vector<std::string>& paths) {
  std::vector<uint8_t> bytes = BuildDropBlockFor(point.x, point.y, paths, CP_ACP);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, bytes.size());
  if (void* locked = block ? GlobalLock(block) : nullptr) {
    std::memcpy(locked, bytes.data(), bytes.size());
    GlobalUnlock(block);
  }
  HandOverDropBlock(target, block, PostDropFiles, FreeDropBlock);
}

// ---- The outlines that follow the cursor where the system shows no drag image ----------

// The outlines of the dragged cell and of every other selected cell, moved
// with the cursor and kept in their arrangement; drawing them twice removes
// them. Selected cells scrolled out of view have no window: their places
// come from the grid's layout, and those off the screen are not drawn.
void DrawOutlines(HDC screen, int32_t dragged, POINT origin) {
  int32_t side = CellSide(UsableThumbSize(), CurrentDpi());
  RECT screenRect = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN), 0,
                     0};
  screenRect.right = screenRect.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
  screenRect.bottom = screenRect.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
  for (int32_t i = 0; i < g_fileList.count; ++i) {
    if (i != dragged && !g_fileList.selected[i]) continue;
    int32_t dx = 0, dy = 0;
    CellOffset(g_grid, dragged, i, side, &dx, &dy);
    RECT outline = {origin.x + dx + 4, origin.y + dy + 4, origin.x + dx + side - 4,
                    origin.y + dy + side - 4};
    RECT onScreen;
    if (IntersectRect(&onScreen, &outline, &screenRect))
      InvertOutline(screen, outline.left, outline.top, outline.right, outline.bottom);
  }
}

class Outlines {
 public:
  Outlines(HWND cell, int32_t index) : index_(index) {
    RECT rect;
    GetWindowRect(cell, &rect);
    half_ = {(rect.right - rect.left) / 2, (rect.bottom - rect.top) / 2};
  }
  ~Outlines() { Hide(); }
  // Drawn centred on the cursor, or moved there.
  void Follow(POINT cursor) {
    POINT origin = {cursor.x - half_.x, cursor.y - half_.y};
    if (shown_ && origin.x == origin_.x && origin.y == origin_.y) return;
    Hide();
    if (!screen_) screen_.Reset(CreateDCA("DISPLAY", nullptr, nullptr, nullptr));
    if (!screen_) return;
    origin_ = origin;
    DrawOutlines(screen_.Get(), index_, origin_);
    shown_ = true;
  }
  void Hide() {
    if (!shown_) return;
    DrawOutlines(screen_.Get(), index_, origin_);  // drawn twice: gone
    shown_ = false;
  }

 private:
  int32_t index_;
  POINT half_;
  POINT origin_ = {0, 0};
  platform::ScopedMemoryDC screen_;  // a display DC: given back with DeleteDC too
  bool shown_ = false;
};

// ---- The drag --------------------------------------------------------------------------

// The drop source: the drag ends when the primary button goes up (a drop)
// or Escape is pressed. Lives on the stack for the one DoDragDrop call.
class DropSource final : public IDropSource {
 public:
  DropSource(HWND cell, int32_t index, bool drawOutlines)
      : outlines_(cell, index), drawOutlines_(drawOutlines) {
    accept_ = LoadCursorA(static_cast<HINSTANCE>(g_windows.instance), "accept");
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDropSource)) {
      *out = static_cast<IDropSource*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override {
    if (escape) return DRAGDROP_S_CANCEL;
    if (keys & MK_LBUTTON) return S_OK;
    GetCursorPos(&dropPoint_);
    filesOnlyTarget_ = FilesOnlyTarget(WindowFromPoint(dropPoint_));
    return DRAGDROP_S_DROP;
  }
  // The system's cursors, but "accept" over a window that takes files only
  // through WM_DROPFILES: it is given them at the drop.
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override {
    POINT cursor;
    GetCursorPos(&cursor);
    if (drawOutlines_) outlines_.Follow(cursor);
    if (effect == DROPEFFECT_NONE && accept_ && FilesOnlyTarget(WindowFromPoint(cursor))) {
      SetCursor(accept_);
      return S_OK;
    }
    return DRAGDROP_S_USEDEFAULTCURSORS;
  }

  void HideOutlines() { outlines_.Hide(); }
  HWND FilesOnlyTargetAtDrop() const { return filesOnlyTarget_; }
  POINT DropPoint() const { return dropPoint_; }

 private:
  Outlines outlines_;
  bool drawOutlines_;
  HCURSOR accept_ = nullptr;
  HWND filesOnlyTarget_ = nullptr;
  POINT dropPoint_ = {0, 0};
};

// The cell as it looks, as the system's drag image; false where the system
// shows none (Wine's drag image helper does not take a bitmap).
bool AttachDragImage(HWND cell, IDataObject* data) {
  platform::ComPtr<IDragSourceHelper> helper;
  if (FAILED(CoCreateInstance(CLSID_DragDropHelper, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IDragSourceHelper, reinterpret_cast<void**>(helper.Out()))))
    return false;
  RECT client;
  GetClientRect(cell, &client);
  platform::WindowDC cellDc(cell);
  platform::ScopedMemoryDC memory(CreateCompatibleDC(cellDc));
  platform::ScopedGdiObject<HBITMAP> bitmap(
      CreateCompatibleBitmap(cellDc, client.right, client.bottom));
  if (!memory || !bitmap) return false;
  {
    platform::Selected selected(memory.Get(), bitmap.Get());
    BitBlt(memory.Get(), 0, 0, client.right, client.bottom, cellDc, 0, 0, SRCCOPY);
  }
  SHDRAGIMAGE image = {};
  image.sizeDragImage = {client.right, client.bottom};
  image.ptOffset = {client.right / 2, client.bottom / 2};
  image.hbmpDragImage = bitmap.Get();
  image.crColorKey = CLR_NONE;
  if (FAILED(helper->InitializeFromBitmap(&image, data))) return false;
  bitmap.Release();  // the helper owns it now
  return true;
}

// Every dragged entry must be a file that the receiver can be given by its
// full path; otherwise the message says why and nothing is dragged.
bool DraggedEntriesAccepted(int32_t dragged) {
  HWND main = static_cast<HWND>(g_windows.main);
  for (int32_t i = 0; i < g_fileList.count; ++i)
    if ((g_fileList.selected[i] || i == dragged) && !AcceptCommandEntry(main, g_fileList.path[i]))
      return false;
  return true;
}

std::vector<std::u16string> WidePaths(const std::vector<std::string>& paths) {
  std::vector<std::u16string> wide;
  for (const std::string& path : paths)
    wide.push_back(platform::ToWide(platform::AnsiCodePage(), path.c_str()));
  return wide;
}

bool AnyFileGone(const std::vector<std::string>& paths) {
  for (const std::string& path : paths)
    if (!platform::FileExists(path.c_str())) return true;
  return false;
}

void DragFromCell(HWND cell, int32_t index) {
  if (index < 0 || index >= g_fileList.count || !DraggedEntriesAccepted(index)) return;
  std::vector<std::string> paths =
      DraggedPaths(index, g_fileList.selected, g_fileList.path, g_fileList.count);
  std::vector<TransferFormat> formats = MakeFileFormats(WidePaths(paths), DROPEFFECT_COPY);
  if (formats.empty()) return;
  platform::ComPtr<IDataObject> data{CreateFileDataObject(std::move(formats))};
  if (!data) return;
  DropSource source(cell, index, !AttachDragImage(cell, data.Get()));
  DWORD effect = DROPEFFECT_NONE;
  // Dropped where no OLE target took the files, Wine's DoDragDrop answers
  // a cancel: the drop on a WM_DROPFILES window is told by the source.
  DoDragDrop(data.Get(), &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
  source.HideOutlines();
  if (effect == DROPEFFECT_NONE && source.FilesOnlyTargetAtDrop())
    PostDrop(source.FilesOnlyTargetAtDrop(), source.DropPoint(), paths);
  // Moved away by the target: the grid lists the folder again, after this
  // cell's message is done (the listing makes new cells).
  if (effect & DROPEFFECT_MOVE || AnyFileGone(paths))
    PostMessageA(static_cast<HWND>(g_windows.grid), kFilesChangedMessage, 0, 0);
}

}  // namespace

void WatchForDrag(HWND cell, int32_t index) {
  DWORD pressed = GetMessagePos();  // where the button went down
  g_watch = {cell, index, {short(LOWORD(pressed)), short(HIWORD(pressed))}};
  SetCapture(cell);
}

void DragWatchMove(HWND cell, bool buttonDown) {
  if (g_watch.cell != cell) return;
  if (!buttonDown) {
    EndDragWatch(cell, false);
    return;
  }
  DWORD position = GetMessagePos();
  POINT now = {short(LOWORD(position)), short(HIWORD(position))};
  int halfWidth = GetSystemMetrics(SM_CXDRAG) / 2, halfHeight = GetSystemMetrics(SM_CYDRAG) / 2;
  RECT still = {g_watch.start.x - halfWidth, g_watch.start.y - halfHeight,
                g_watch.start.x + halfWidth + 1, g_watch.start.y + halfHeight + 1};
  if (PtInRect(&still, now)) return;
  int32_t index = g_watch.index;
  EndDragWatch(cell, false);
  DragFromCell(cell, index);
}

void EndDragWatch(HWND cell, bool captureLost) {
  if (g_watch.cell != cell) return;
  g_watch.cell = nullptr;
  if (!captureLost && GetCapture() == cell) ReleaseCapture();
}
