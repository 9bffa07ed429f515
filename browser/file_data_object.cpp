#include "browser/file_data_object.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "browser/transfer_rules.h"
#include "platform/com_object.h"

namespace {

HGLOBAL CopyToGlobal(const void* bytes, size_t size) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (void* locked = block ? GlobalLock(block) : nullptr) {
    std::memcpy(locked, bytes, size);
    GlobalUnlock(block);
  }
  return block;
}

HGLOBAL DuplicateGlobal(HGLOBAL block) {
  SIZE_T size = GlobalSize(block);
  const void* locked = size ? GlobalLock(block) : nullptr;
  if (!locked) return nullptr;
  HGLOBAL copy = CopyToGlobal(locked, size);
  GlobalUnlock(block);
  return copy;
}

// An ID list as bytes, its terminator included; empty when the shell cannot
// parse the path.
std::vector<uint8_t> IdListOf(const std::u16string& path) {
  PIDLIST_ABSOLUTE list = nullptr;
  if (FAILED(SHParseDisplayName(reinterpret_cast<const wchar_t*>(path.c_str()), nullptr, &list, 0,
                                nullptr)) ||
      !list)
    return {};
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(list);
  std::vector<uint8_t> out(bytes, bytes + ILGetSize(list));
  CoTaskMemFree(list);
  return out;
}

// The ID-list array with the desktop as parent and each file's whole ID
// list as its item; null when a path does not parse.
HGLOBAL MakeIdListBlock(const std::vector<std::u16string>& paths) {
  std::vector<std::vector<uint8_t>> items;
  for (const std::u16string& path : paths) {
    items.push_back(IdListOf(path));
    if (items.back().empty()) return nullptr;
  }
  std::vector<uint8_t> block = BuildIdListArray({0, 0}, items);
  return CopyToGlobal(block.data(), block.size());
}

class FileDataObject final : public CountedComObject<IDataObject> {
 public:
  explicit FileDataObject(std::vector<TransferFormat> formats)
      : CountedComObject(IID_IDataObject), formats_(std::move(formats)) {}
  ~FileDataObject() { FreeTransferFormats(&formats_); }

  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* wanted, STGMEDIUM* medium) override {
    if (!wanted || !medium) return E_INVALIDARG;
    const TransferFormat* format = Find(*wanted);
    if (!format) return DV_E_FORMATETC;
    HGLOBAL copy = DuplicateGlobal(format->data);
    if (!copy) return E_OUTOFMEMORY;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = copy;
    medium->pUnkForRelease = nullptr;  // the receiver frees the copy
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* wanted) override {
    return wanted && Find(*wanted) ? S_OK : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    if (out) out->ptd = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC* given, STGMEDIUM* medium, BOOL release) override {
    if (!given || !medium) return E_INVALIDARG;
    if (given->tymed != TYMED_HGLOBAL || medium->tymed != TYMED_HGLOBAL) return DV_E_TYMED;
    HGLOBAL copy = DuplicateGlobal(medium->hGlobal);
    if (!copy) return E_OUTOFMEMORY;
    if (release) ReleaseStgMedium(medium);
    for (TransferFormat& format : formats_)
      if (format.format == given->cfFormat) {
        GlobalFree(format.data);
        format.data = copy;
        return S_OK;
      }
    formats_.push_back({given->cfFormat, copy});
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    std::vector<FORMATETC> offered;
    for (const TransferFormat& format : formats_)
      offered.push_back({format.format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
    return SHCreateStdEnumFmtEtc(UINT(offered.size()), offered.data(), out);
  }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }

 private:
  const TransferFormat* Find(const FORMATETC& wanted) const {
    if (!(wanted.tymed & TYMED_HGLOBAL) || wanted.dwAspect != DVASPECT_CONTENT) return nullptr;
    for (const TransferFormat& format : formats_)
      if (format.format == wanted.cfFormat) return &format;
    return nullptr;
  }

  std::vector<TransferFormat> formats_;
};

// The global block a data object gives for `format`, copied; null for none.
HGLOBAL DataObjectBlock(IDataObject* data, CLIPFORMAT format) {
  FORMATETC wanted = {format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium = {};
  if (!data || FAILED(data->GetData(&wanted, &medium))) return nullptr;
  HGLOBAL copy = medium.tymed == TYMED_HGLOBAL ? DuplicateGlobal(medium.hGlobal) : nullptr;
  ReleaseStgMedium(&medium);
  return copy;
}

}  // namespace

CLIPFORMAT PreferredDropEffectFormat() {
  return CLIPFORMAT(RegisterClipboardFormat(CFSTR_PREFERREDDROPEFFECT));
}

CLIPFORMAT PerformedDropEffectFormat() {
  return CLIPFORMAT(RegisterClipboardFormat(CFSTR_PERFORMEDDROPEFFECT));
}

HGLOBAL MakeEffectBlock(DWORD effect) { return CopyToGlobal(&effect, sizeof effect); }

std::vector<TransferFormat> MakeFileFormats(const std::vector<std::u16string>& paths,
                                            DWORD preferredEffect) {
  std::vector<TransferFormat> formats;
  std::vector<uint8_t> drop = BuildWideDropBlock(0, 0, paths);
  formats.push_back({CF_HDROP, CopyToGlobal(drop.data(), drop.size())});
  if (HGLOBAL idList = MakeIdListBlock(paths))
    formats.push_back({CLIPFORMAT(RegisterClipboardFormat(CFSTR_SHELLIDLIST)), idList});
  formats.push_back({PreferredDropEffectFormat(), MakeEffectBlock(preferredEffect)});
  for (const TransferFormat& format : formats)
    if (!format.data) {
      FreeTransferFormats(&formats);
      break;
    }
  return formats;
}

void FreeTransferFormats(std::vector<TransferFormat>* formats) {
  for (TransferFormat& format : *formats)
    if (format.data) GlobalFree(format.data);
  formats->clear();
}

IDataObject* CreateFileDataObject(std::vector<TransferFormat> formats) {
  return new FileDataObject(std::move(formats));
}

std::vector<std::u16string> PathsOfDropBlock(HGLOBAL block) {
  std::vector<std::u16string> paths;
  HDROP drop = static_cast<HDROP>(block);
  UINT count = block ? DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) : 0;
  for (UINT i = 0; i < count; ++i) {
    UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    if (DragQueryFileW(drop, i, &path[0], length + 1) != length) continue;
    path.resize(length);
    paths.emplace_back(path.begin(), path.end());
  }
  return paths;
}

std::vector<std::u16string> PathsOfDataObject(IDataObject* data) {
  HGLOBAL block = DataObjectBlock(data, CF_HDROP);
  std::vector<std::u16string> paths = PathsOfDropBlock(block);
  if (block) GlobalFree(block);
  return paths;
}

DWORD EffectOfBlock(HGLOBAL block) {
  DWORD effect = 0;
  const void* locked = block && GlobalSize(block) >= sizeof effect ? GlobalLock(block) : nullptr;
  if (locked) {
    std::memcpy(&effect, locked, sizeof effect);
    GlobalUnlock(block);
  }
  return effect;
}

DWORD PreferredEffectOfDataObject(IDataObject* data) {
  HGLOBAL block = DataObjectBlock(data, PreferredDropEffectFormat());
  DWORD effect = EffectOfBlock(block);
  if (block) GlobalFree(block);
  return effect;
}
