// The other program of the drag and drop tests, at (700, 100), 200 x 200:
//   ole_drop_helper target OUT [FOLDER]  an OLE drop target; each drop
//       writes the dropped paths (UTF-8, one a line) and "effect N" to OUT.
//       With Shift held and FOLDER given (no final backslash), it moves the
//       files there itself and answers a move.
//   ole_drop_helper source OUT PATH...  a press on its window drags PATH...
//       as files; OUT gets "result HR effect N" when the drag is over.
#include <ole2.h>
#include <shellapi.h>
#include <windows.h>

#include <string>
#include <vector>

#include "browser/file_data_object.h"

namespace {

std::vector<std::wstring> g_arguments;

std::string Utf8(const std::u16string& text) {
  std::wstring wide(text.begin(), text.end());
  int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(size_t(bytes > 0 ? bytes : 1), '\0');
  if (bytes > 0)
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &out[0], bytes, nullptr, nullptr);
  out.resize(out.size() - 1);
  return out;
}

// Written whole under another name, then renamed: the test never reads half.
void WriteResult(const std::string& text) {
  std::wstring path = g_arguments[2], partial = path + L".part";
  HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
  CloseHandle(file);
  MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

class Target final : public IDropTarget {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDropTarget)) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD keys, POINTL, DWORD* effect) override {
    return DragOver(keys, {}, effect);
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL, DWORD* effect) override {
    *effect &= (keys & MK_SHIFT) && g_arguments.size() > 3 ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL, DWORD* effect) override {
    DragOver(keys, {}, effect);
    std::string text;
    for (const std::u16string& path : PathsOfDataObject(data)) {
      text += Utf8(path) + "\n";
      if (*effect == DROPEFFECT_MOVE) {
        std::wstring wide(path.begin(), path.end());
        std::wstring to = g_arguments[3] + wide.substr(wide.find_last_of(L'\\'));
        MoveFileW(wide.c_str(), to.c_str());
      }
    }
    WriteResult(text + "effect " + std::to_string(*effect) + "\n");
    return S_OK;
  }
};

class Source final : public IDropSource {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDropSource)) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override {
    if (escape) return DRAGDROP_S_CANCEL;
    return keys & MK_LBUTTON ? S_OK : DRAGDROP_S_DROP;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

void DragFiles() {
  std::vector<std::u16string> paths;
  for (size_t i = 3; i < g_arguments.size(); ++i)
    paths.emplace_back(g_arguments[i].begin(), g_arguments[i].end());
  IDataObject* data = CreateFileDataObject(MakeFileFormats(paths, DROPEFFECT_COPY));
  Source source;
  DWORD effect = DROPEFFECT_NONE;
  HRESULT result = DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
  data->Release();
  WriteResult("result " + std::to_string(long(result)) + " effect " + std::to_string(effect) +
              "\n");
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_LBUTTONDOWN && g_arguments[1] == L"source") {
    DragFiles();
    return 0;
  }
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 0; i < count; ++i) g_arguments.emplace_back(arguments[i]);
  LocalFree(arguments);
  if (g_arguments.size() < 3) return 2;
  OleInitialize(nullptr);
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = HBRUSH(GetStockObject(GRAY_BRUSH));
  windowClass.lpszClassName = L"ole_drop_helper";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(WS_EX_TOPMOST, L"ole_drop_helper", g_arguments[1].c_str(),
                                WS_POPUP | WS_VISIBLE, 700, 100, 200, 200, nullptr, nullptr,
                                instance, nullptr);
  Target target;
  if (g_arguments[1] == L"target") RegisterDragDrop(window, &target);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  if (g_arguments[1] == L"target") RevokeDragDrop(window);
  OleUninitialize();
  return 0;
}
