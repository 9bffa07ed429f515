#include "browser/shell_transfer.h"

#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include "browser/file_data_object.h"
#include "browser/file_list.h"
#include "browser/grid_window.h"
#include "browser/transfer_rules.h"
#include "dialogs/file_dialogs.h"
#include "platform/com_object.h"
#include "platform/platform.h"
#include "platform/scoped_handles.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/strings.h"

namespace {

std::u16string CurrentFolderWide() {
  return platform::ToWide(platform::AnsiCodePage(), g_app.currentFolder);
}

// The clipboard, open for as long as this lives.
class OpenedClipboard {
 public:
  explicit OpenedClipboard(HWND owner) : open_(OpenClipboard(owner) != 0) {}
  ~OpenedClipboard() {
    if (open_) CloseClipboard();
  }
  bool IsOpen() const { return open_; }

 private:
  bool open_;
};

// The grid as drop target. The system's drop-target helper, where there is
// one, shows the source's drag image over the grid.
class GridDropTarget final : public CountedComObject<IDropTarget> {
 public:
  explicit GridDropTarget(HWND grid) : CountedComObject(IID_IDropTarget), grid_(grid) {
    if (FAILED(CoCreateInstance(CLSID_DragDropHelper, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IDropTargetHelper, reinterpret_cast<void**>(image_.Out()))))
      image_.Reset();
  }

  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point,
                                      DWORD* effect) override {
    if (!data || !effect) return E_INVALIDARG;
    transferable_ = !PathsToTransfer(PathsOfDataObject(data), CurrentFolderWide()).empty();
    preferred_ = PreferredEffectOfDataObject(data);
    *effect = EffectFor(*effect, keys);
    POINT at = {point.x, point.y};
    if (image_) image_->DragEnter(grid_, data, &at, *effect);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override {
    if (!effect) return E_INVALIDARG;
    *effect = EffectFor(*effect, keys);
    POINT at = {point.x, point.y};
    if (image_) image_->DragOver(&at, *effect);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override {
    transferable_ = false;
    if (image_) image_->DragLeave();
    return S_OK;
  }
  // The copy or move is done before the source hears of the drop. A move
  // done here is reported as the shell's optimized move (performed effect
  // move, drop effect none), so that no source deletes the files itself.
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point,
                                 DWORD* effect) override {
    if (!data || !effect) return E_INVALIDARG;
    transferable_ = false;
    POINT at = {point.x, point.y};
    if (image_) image_->Drop(data, &at, *effect);
    std::vector<std::u16string> paths =
        PathsToTransfer(PathsOfDataObject(data), CurrentFolderWide());
    DWORD chosen = paths.empty()
                       ? DROPEFFECT_NONE
                       : ChooseDropEffect(*effect, keys, PreferredEffectOfDataObject(data));
    *effect = chosen;
    if (chosen == DROPEFFECT_NONE) return S_OK;
    bool move = chosen == DROPEFFECT_MOVE;
    bool done = TransferIntoCurrentFolder(GetAncestor(grid_, GA_ROOT), paths, move);
    ReloadGrid();
    if (move) {
      *effect = DROPEFFECT_NONE;
      if (done) TellPerformedMove(data);
    } else if (!done) {
      *effect = DROPEFFECT_NONE;
    }
    return S_OK;
  }

 private:
  static void TellPerformedMove(IDataObject* data) {
    FORMATETC format = {PerformedDropEffectFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = MakeEffectBlock(DROPEFFECT_MOVE);
    if (medium.hGlobal && FAILED(data->SetData(&format, &medium, TRUE))) GlobalFree(medium.hGlobal);
  }

  DWORD EffectFor(DWORD allowed, DWORD keys) const {
    return transferable_ ? ChooseDropEffect(allowed, keys, preferred_) : DROPEFFECT_NONE;
  }

  HWND grid_;
  platform::ComPtr<IDropTargetHelper> image_;
  bool transferable_ = false;
  DWORD preferred_ = 0;
};

}  // namespace

std::vector<std::u16string> SelectedTransferPaths(HWND owner) {
  std::vector<std::u16string> paths;
  if (g_fileList.selectedCount <= 0) {
    MessageBoxA(owner, LoadStringResource(IDS_NOTHING_SELECTED), "Tamsel", MB_ICONINFORMATION);
    return paths;
  }
  for (int32_t i = 0; i < g_fileList.count; ++i)
    if (g_fileList.selected[i] && AcceptCommandEntry(owner, g_fileList.path[i]))
      paths.push_back(platform::ToWide(platform::AnsiCodePage(), g_fileList.path[i]));
  return paths;
}

void PutSelectionOnClipboard(HWND owner, bool cut) {
  std::vector<std::u16string> paths = SelectedTransferPaths(owner);
  if (paths.empty()) return;
  std::vector<TransferFormat> formats =
      MakeFileFormats(paths, cut ? DROPEFFECT_MOVE : DROPEFFECT_COPY | DROPEFFECT_LINK);
  OpenedClipboard clipboard(owner);
  if (!clipboard.IsOpen() || !EmptyClipboard()) {
    FreeTransferFormats(&formats);
    return;
  }
  // The clipboard owns each block it takes; one it refuses stays ours.
  for (TransferFormat& format : formats)
    if (SetClipboardData(format.format, format.data)) format.data = nullptr;
  FreeTransferFormats(&formats);
}

bool PasteIntoCurrentFolder(HWND owner) {
  std::vector<std::u16string> paths;
  DWORD preferred = 0;
  {
    OpenedClipboard clipboard(owner);
    if (!clipboard.IsOpen()) return false;
    paths = PathsOfDropBlock(static_cast<HGLOBAL>(GetClipboardData(CF_HDROP)));
    preferred = EffectOfBlock(static_cast<HGLOBAL>(GetClipboardData(PreferredDropEffectFormat())));
  }
  paths = PathsToTransfer(paths, CurrentFolderWide());
  if (paths.empty()) return false;
  bool move = ChooseDropEffect(DROPEFFECT_COPY | DROPEFFECT_MOVE, 0, preferred) == DROPEFFECT_MOVE;
  bool done = TransferIntoCurrentFolder(owner, paths, move);
  if (done && move) {
    // Cut files are pasted once: they are no longer where the list says.
    OpenedClipboard clipboard(owner);
    if (clipboard.IsOpen()) EmptyClipboard();
  }
  return true;
}

bool TransferIntoCurrentFolder(HWND owner, const std::vector<std::u16string>& paths, bool move) {
  std::u16string from = DoubleNulList(PathsToTransfer(paths, CurrentFolderWide()));
  if (from.size() < 2) return false;
  std::u16string to = DoubleNulList({CurrentFolderWide()});
  SHFILEOPSTRUCTW operation = {};
  operation.hwnd = owner;
  operation.wFunc = move ? FO_MOVE : FO_COPY;
  operation.pFrom = reinterpret_cast<const wchar_t*>(from.c_str());
  operation.pTo = reinterpret_cast<const wchar_t*>(to.c_str());
  operation.fFlags = FOF_ALLOWUNDO;
  return SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted;
}

void RegisterGridDropTarget(HWND grid) {
  platform::ComPtr<GridDropTarget> target{new GridDropTarget(grid)};
  // OLE holds its own reference while the target is registered.
  HRESULT result = RegisterDragDrop(grid, target.Get());
  if (FAILED(result)) platform::Trace("RegisterGridDropTarget", "RegisterDragDrop", ULONG(result));
}

void RevokeGridDropTarget(HWND grid) { RevokeDragDrop(grid); }
