// 8bfkvt.dll: lets an image host run a Photoshop-compatible .8bf filter over
// its image. Exports FilterGetTitle, FilterOption and FilterProc (cdecl).
// The chosen filter's path is remembered in 8bfkvt.dat beside the library.
#include <windows.h>
// commdlg.h needs the types of windows.h first.
#include <commdlg.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "filter_run.h"
#include "host_image.h"
#include "pipl.h"

#define ADAPTER_EXPORT extern "C" __declspec(dllexport)

namespace {

constexpr size_t kPathBytes = 260;
constexpr char kTitle[] = "8bfkvt (experimental)";
// "Loading the plug-in failed" in Japanese, kept as wide characters so that
// it shows on any system, whatever code pages it has installed.
constexpr wchar_t kLoadFailed[] =
    L"\u30d7\u30e9\u30b0\u30a4\u30f3\u3092\u30ed\u30fc\u30c9\u3067\u304d\u307e\u305b"
    L"\u3093\u3067\u3057\u305f";

char g_settingsPath[kPathBytes];
char g_filterPath[kPathBytes];

bool IsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != 0; }

// A path stored by an earlier version is in the system's own ANSI page; a
// host that runs in UTF-8 (its manifest) reads it in UTF-8. Text that is not
// UTF-8 is taken from the system's page; one that no longer fits is dropped.
void ConvertStoredPath(char* path, size_t size) {
  if (GetACP() != CP_UTF8 ||
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0) > 0)
    return;
  char number[8] = {};
  UINT system =
      GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, number, sizeof number) > 0
          ? UINT(std::strtoul(number, nullptr, 10))
          : 0;
  wchar_t wide[kPathBytes];
  int units = system ? MultiByteToWideChar(system, 0, path, -1, wide, int(kPathBytes)) : 0;
  int bytes =
      units > 0 ? WideCharToMultiByte(CP_UTF8, 0, wide, -1, path, int(size), nullptr, nullptr) : 0;
  if (bytes <= 0) path[0] = '\0';
}

void LoadSettings(HINSTANCE library) {
  char own[256] = {};
  GetModuleFileNameA(library, own, sizeof own - 1);
  std::snprintf(g_settingsPath, sizeof g_settingsPath, "%s",
                SettingsPathFor(own, IsLeadByte).c_str());
  g_filterPath[0] = '\0';
  FILE* file = std::fopen(g_settingsPath, "r");
  if (!file) return;
  if (!std::fgets(g_filterPath, sizeof g_filterPath, file)) g_filterPath[0] = '\0';
  g_filterPath[std::strcspn(g_filterPath, "\r\n")] = '\0';
  std::fclose(file);
  ConvertStoredPath(g_filterPath, sizeof g_filterPath);
}

void SaveSettings() {
  FILE* file = std::fopen(g_settingsPath, "w");
  if (!file) return;  // the choice still holds for this process
  std::fputs(g_filterPath, file);
  std::fflush(file);
  std::fclose(file);
}

// The dialog record without the Windows 2000 fields (76 bytes in a 32-bit
// process): older systems refuse the larger record.
constexpr DWORD kDialogRecordSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
#if defined(__i386__)
static_assert(kDialogRecordSize == 76, "the 32-bit dialog record");
#endif

void SelectFilterFile(HWND owner) {
  static const char kFilters[] = "Plugin Filter(*.8bf)      \0*.8bf\0All Files(*.*)        \0*.*\0";
  char file[kPathBytes];
  std::memcpy(file, g_filterPath, sizeof file);
  OPENFILENAMEA dialog;
  std::memset(&dialog, 0, sizeof dialog);
  dialog.lStructSize = kDialogRecordSize;
  dialog.hwndOwner = owner;
  dialog.hInstance = GetModuleHandleA(nullptr);
  dialog.lpstrFilter = kFilters;
  dialog.lpstrFile = file;
  dialog.nMaxFile = sizeof file;
  dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  if (GetOpenFileNameA(&dialog) != 1) return;
  std::memcpy(g_filterPath, file, sizeof g_filterPath);
  g_filterPath[sizeof g_filterPath - 1] = '\0';
  SaveSettings();
}

void ShowLoadFailure(HWND owner) {
  MessageBoxW(owner, kLoadFailed, L"8bfkvt", MB_ICONERROR | MB_OK);
}

// The user stops a run with Escape while a window of this process is in
// front: the filter learns it from its abort procedure.
bool EscapePressed() {
  DWORD process = 0;
  GetWindowThreadProcessId(GetForegroundWindow(), &process);
  return process == GetCurrentProcessId() && (GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0;
}

void NotifyHost(void* window, uint32_t command, int32_t value) {
  SendMessageA(static_cast<HWND>(window), WM_USER, command, value);
}

void DrawDib(void* deviceContext, int32_t x, int32_t y, const void* header, const void* bits) {
  const auto* info = static_cast<const BITMAPINFOHEADER*>(header);
  SetDIBitsToDevice(static_cast<HDC>(deviceContext), x, y, DWORD(info->biWidth),
                    DWORD(info->biHeight), 0, 0, 0, UINT(info->biHeight), bits,
                    static_cast<const BITMAPINFO*>(header), DIB_RGB_COLORS);
}

// ---- The loaded module and its entry points -----------------------------------------

struct FilterModule {
  HMODULE module = nullptr;
  FilterEntry* first = nullptr;
  FilterEntry* last = nullptr;

  ~FilterModule() {
    while (first) {
      FilterEntry* next = first->next;
      delete first;
      first = next;
    }
    if (module) FreeLibrary(module);
  }

  bool Append(FARPROC procedure) {
    FilterEntry* entry =
        NewFilterEntry(reinterpret_cast<filter::EntryPointFn>(reinterpret_cast<void*>(procedure)));
    if (!entry) return false;
    (last ? last->next : first) = entry;
    last = entry;
    return true;
  }
};

BOOL CALLBACK AddPiplEntries(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR context) {
  auto* filterModule = reinterpret_cast<FilterModule*>(context);
  HRSRC found = FindResourceA(module, name, type);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return TRUE;
  DWORD size = SizeofResource(module, found);
  // Only the code property of this library's architecture names an entry
  // point it can call: 'wx86' in 32-bit processes, '8664' in 64-bit ones.
  for (const std::string& procedure :
       PiplEntryNames(static_cast<const uint8_t*>(data), size, filter::kNativeCodeKey))
    if (!filterModule->Append(GetProcAddress(module, procedure.c_str()))) break;
  return TRUE;
}

BOOL CALLBACK AddPimiEntry(HMODULE module, LPCSTR, LPSTR name, LONG_PTR context) {
  if (!IS_INTRESOURCE(name)) return TRUE;  // only numbered resources name an entry point
  char procedure[32];
  std::snprintf(procedure, sizeof procedure, "ENTRYPOINT%d", int(LOWORD(name)));
  reinterpret_cast<FilterModule*>(context)->Append(GetProcAddress(module, procedure));
  return TRUE;
}

void DiscoverEntries(FilterModule* module) {
  EnumResourceNamesA(module->module, "PIPL", AddPiplEntries, LONG_PTR(module));
  EnumResourceNamesA(module->module, "PIMI", AddPimiEntry, LONG_PTR(module));
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) LoadSettings(instance);
  return TRUE;
}

ADAPTER_EXPORT int32_t FILTER_CALL FilterGetTitle(int32_t, char* title, int32_t* value1,
                                                  int32_t* value2) {
  if (title) std::memcpy(title, kTitle, sizeof kTitle);
  if (value1) *value1 = 1;
  if (value2) *value2 = 10;
  return 1;
}

ADAPTER_EXPORT int32_t FILTER_CALL FilterOption(HWND owner) {
  SelectFilterFile(owner);
  return 1;
}

ADAPTER_EXPORT int32_t FILTER_CALL FilterProc(HWND window, const HostImageSize* size,
                                              HostLineFn* putLine, HostLineFn* getLine) {
  HostImageAdapter adapter;
  FilterModule module;
  if (g_filterPath[0] == '\0') SelectFilterFile(window);
  if (!size || !putLine || !getLine || !*putLine || !*getLine) return 0;
  adapter.Attach(window, size, putLine, getLine, NotifyHost);
  // Refused: no side of 1 to 32,767 pixels, or no memory for the copy.
  if (!adapter.LoadWorkingImage()) return 0;
  UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  module.module = LoadLibraryA(g_filterPath);
  SetErrorMode(previous);
  if (!module.module) {
    ShowLoadFailure(window);
    return 0;
  }
  DiscoverEntries(&module);
  if (!module.first || !module.first->procedure) return 0;
  SetDisplayDrawer(DrawDib);
  SetAbortCheck(EscapePressed);
  module.first->adapter = &adapter;
  module.first->hostWindow = window;
  GetWindowTextA(window, module.first->title, int(kTitleBytes));
  return RunFilterEntry(module.first);
}
