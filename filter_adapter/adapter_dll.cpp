// 8bfkvt.dll: lets an image host run a Photoshop-compatible .8bf filter over
// its image. Exports FilterGetTitle, FilterOption and FilterProc (cdecl), and
// for hosts that want more, FilterLastResult, FilterChosenModule,
// FilterDescribeEntry and FilterUseModule.
// The chosen filter's path is remembered in 8bfkvt.dat beside the library.
#include <windows.h>
// commdlg.h needs the types of windows.h first.
#include <commdlg.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "colour_services.h"
#include "descriptor_suites.h"
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

// The common dialogs are loaded when the dialog is first wanted: a process
// that only runs filters (8bfrun.exe) starts without them and what they load.
BOOL OpenFileDialog(OPENFILENAMEA* dialog) {
  using OpenFn = BOOL(WINAPI*)(OPENFILENAMEA*);
  static HMODULE dialogs = LoadLibraryA("comdlg32.dll");
  auto open = reinterpret_cast<OpenFn>(
      reinterpret_cast<void*>(dialogs ? GetProcAddress(dialogs, "GetOpenFileNameA") : nullptr));
  return open ? open(dialog) : FALSE;
}

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
  if (OpenFileDialog(&dialog) != 1) return;
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

// What a run may count on: half of it becomes maxSpace. A 32-bit process is
// bounded by its address space as much as by the machine's memory.
uint64_t MemoryAvailable() {
  MEMORYSTATUSEX status = {};
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return 0;
  return status.ullAvailPhys < status.ullAvailVirtual ? status.ullAvailPhys
                                                      : status.ullAvailVirtual;
}

// The system's colour picker for the colour services.
bool ChooseColourWithSystem(void* owner, uint8_t rgb[3]) {
  static COLORREF custom[16];
  CHOOSECOLORA choice = {};
  choice.lStructSize = sizeof choice;
  choice.hwndOwner = static_cast<HWND>(owner);
  choice.rgbResult = RGB(rgb[0], rgb[1], rgb[2]);
  choice.lpCustColors = custom;
  choice.Flags = CC_RGBINIT | CC_FULLOPEN;
  if (!ChooseColorA(&choice)) return false;
  rgb[0] = GetRValue(choice.rgbResult);
  rgb[1] = GetGValue(choice.rgbResult);
  rgb[2] = GetBValue(choice.rgbResult);
  return true;
}

// ---- The filters' last settings: 8bfkvt.prm beside 8bfkvt.dat ---------------------

std::vector<StoredDescriptor> g_descriptors;
bool g_descriptorsLoaded = false;

std::string DescriptorStorePath() {
  std::string path = g_settingsPath;  // ends in "8bfkvt.dat"
  return path.substr(0, path.size() - 3) + "prm";
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return bytes;
  uint8_t block[4096];
  for (size_t n; (n = std::fread(block, 1, sizeof block, file)) > 0;)
    bytes.insert(bytes.end(), block, block + n);
  std::fclose(file);
  return bytes;
}

bool g_descriptorsWritable = true;

// Moves a damaged file to the first free name of ".bad", ".bad2" ... ".bad9".
bool MoveAside(const std::string& path) {
  for (int n = 1; n <= 9; ++n) {
    std::string aside = path + ".bad" + (n > 1 ? std::to_string(n) : "");
    if (MoveFileExA(path.c_str(), aside.c_str(), 0)) return true;
  }
  return false;
}

// Read once per process. A file this library cannot read whole is moved
// aside, never overwritten: what it could read is kept, and when it cannot be
// moved the settings stay in this process only.
void LoadDescriptorStore() {
  if (g_descriptorsLoaded) return;
  g_descriptorsLoaded = true;
  std::string path = DescriptorStorePath();
  if (!DecodeDescriptorStore(ReadWholeFile(path), &g_descriptors))
    g_descriptorsWritable = MoveAside(path);
}

// Written whole to a neighbour first, then put in place, so that a failed
// write leaves the previous file as it was.
void SaveDescriptorStore() {
  if (!g_descriptorsWritable) return;
  std::string path = DescriptorStorePath(), fresh = path + ".new";
  std::vector<uint8_t> bytes = EncodeDescriptorStore(g_descriptors);
  FILE* file = std::fopen(fresh.c_str(), "wb");
  if (!file) return;  // kept for this process only
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  written = std::fclose(file) == 0 && written;
  if (!written || !MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
    DeleteFileA(fresh.c_str());
}

StoredDescriptor* FindDescriptor(const char* filterPath) {
  for (StoredDescriptor& stored : g_descriptors)
    if (lstrcmpiA(stored.filterPath.c_str(), filterPath) == 0) return &stored;
  return nullptr;
}

void GiveLastSettings(FilterEntry* entry) {
  LoadDescriptorStore();
  if (StoredDescriptor* stored = FindDescriptor(g_filterPath)) entry->settings = *stored;
  entry->settings.filterPath = g_filterPath;
}

void KeepLastSettings(const FilterEntry& entry) {
  if (!entry.settingsChanged) return;
  if (StoredDescriptor* stored = FindDescriptor(g_filterPath))
    *stored = entry.settings;
  else
    g_descriptors.push_back(entry.settings);
  SaveDescriptorStore();
}

// ---- The module's entry points ----------------------------------------------------

// What FilterLastResult tells: how the last FilterProc call of this process
// ended, and why a run was refused before the filter saw it.
enum RunOutcome : int32_t {
  kNoRunYet = 0,
  kApplied = 1,
  kCancelled = 2,
  kFailed = 3,
  kRefused = 4
};
enum Refusal : int32_t {
  kNotAFilter = -1,  // a PiPL kind other than '8BFM'
  kNoRgbMode = -2,   // a mode property without RGB
  kModuleUnreadable = -3,
  kNoEntryPoint = -4,   // no such entry, or its procedure is not exported
  kPictureRefused = -5  // no side of 1 to 32,767 pixels, or no memory for it
};

struct LastRun {
  int32_t outcome = kNoRunYet;
  int32_t code = 0;
  char text[256] = {};
};
LastRun g_lastRun;
int32_t g_entryIndex = 0;  // which filter of the module FilterProc runs

// One filter of a module as its resources describe it.
struct DiscoveredEntry {
  std::string procedure;  // "" when the list has no code for this architecture
  std::string name;       // the PiPL's name, "" when it has none
  int32_t refusal = 0;    // 0, kNotAFilter or kNoRgbMode
};

struct Discovery {
  int32_t codeKey;
  std::vector<DiscoveredEntry> entries;
};

BOOL CALLBACK AddPiplEntries(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR context) {
  auto* discovery = reinterpret_cast<Discovery*>(context);
  HRSRC found = FindResourceA(module, name, type);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return TRUE;
  const auto* bytes = static_cast<const uint8_t*>(data);
  DWORD size = SizeofResource(module, found);
  PiplFilterTraits traits = PiplTraits(bytes, size);
  int32_t refusal = !traits.filterKind ? kNotAFilter : !traits.rgb ? kNoRgbMode : 0;
  // Only the code property of the module's architecture names an entry
  // point: 'wx86' for 32-bit modules, '8664' for 64-bit ones.
  // Nothing thrown may cross the system's enumeration back to its caller.
  try {
    for (const std::string& procedure : PiplEntryNames(bytes, size, discovery->codeKey))
      discovery->entries.push_back({procedure, traits.name, refusal});
  } catch (...) {
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK AddPimiEntry(HMODULE, LPCSTR, LPSTR name, LONG_PTR context) {
  if (!IS_INTRESOURCE(name)) return TRUE;  // only numbered resources name an entry point
  char procedure[32];
  std::snprintf(procedure, sizeof procedure, "ENTRYPOINT%d", int(LOWORD(name)));
  try {
    reinterpret_cast<Discovery*>(context)->entries.push_back({procedure, "", 0});
  } catch (...) {
    return FALSE;
  }
  return TRUE;
}

std::vector<DiscoveredEntry> DiscoverEntries(HMODULE module, int32_t codeKey) {
  Discovery discovery{codeKey, {}};
  EnumResourceNamesA(module, "PIPL", AddPiplEntries, LONG_PTR(&discovery));
  EnumResourceNamesA(module, "PIMI", AddPimiEntry, LONG_PTR(&discovery));
  return discovery.entries;
}

// A module loaded for one call, freed at the end of it.
struct LoadedModule {
  HMODULE module = nullptr;
  LoadedModule(const char* path, DWORD flags) {
    UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    // The altered search path finds the DLLs a filter ships beside itself.
    module = LoadLibraryExA(path, nullptr, flags);
    SetErrorMode(previous);
  }
  ~LoadedModule() {
    if (module) FreeLibrary(module);
  }
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;
};

// The PE machine of the file at `path`, 0 when it cannot be read as one.
uint16_t MachineOfFile(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  uint8_t head[4096];
  DWORD read = 0;
  BOOL ok = ReadFile(file, head, sizeof head, &read, nullptr);
  CloseHandle(file);
  return ok ? PeMachine(head, read) : 0;
}

void CopyText(char* to, int32_t bytes, const char* from, size_t length) {
  if (!to || bytes <= 0) return;
  size_t kept = length < size_t(bytes) - 1 ? length : size_t(bytes) - 1;
  std::memcpy(to, from, kept);
  to[kept] = '\0';
}

int32_t Refuse(int32_t refusal) {
  g_lastRun.outcome = kRefused;
  g_lastRun.code = refusal;
  return 0;
}

// How the finished run ended, with the filter's own text when it left one.
void RecordRunEnd(const FilterEntry& entry) {
  g_lastRun.code = entry.failure;
  g_lastRun.outcome = entry.success == 1                            ? kApplied
                      : entry.failure == filter::kUserCanceledError ? kCancelled
                                                                    : kFailed;
  size_t length = entry.errorText[0];
  CopyText(g_lastRun.text, sizeof g_lastRun.text,
           reinterpret_cast<const char*>(entry.errorText + 1), length);
}

void SetHostServices() {
  SetMemoryQuery(MemoryAvailable);
  SetColourPicker(ChooseColourWithSystem);
}

// Set by FilterRepeatNext, taken by the next FilterProc call.
bool g_repeatNext = false;

int32_t RunDiscoveredEntry(HWND window, HostImageAdapter* adapter, bool repeat) {
  LoadedModule module(g_filterPath, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module.module) {
    ShowLoadFailure(window);
    return Refuse(kModuleUnreadable);
  }
  std::vector<DiscoveredEntry> entries = DiscoverEntries(module.module, filter::kNativeCodeKey);
  if (g_entryIndex < 0 || size_t(g_entryIndex) >= entries.size()) return Refuse(kNoEntryPoint);
  const DiscoveredEntry& chosen = entries[size_t(g_entryIndex)];
  if (chosen.refusal != 0) return Refuse(chosen.refusal);
  FARPROC procedure = GetProcAddress(module.module, chosen.procedure.c_str());
  if (!procedure) return Refuse(kNoEntryPoint);
  FilterEntry* entry =
      NewFilterEntry(reinterpret_cast<filter::EntryPointFn>(reinterpret_cast<void*>(procedure)));
  if (!entry) return Refuse(kPictureRefused);
  SetDisplayDrawer(DrawDib);
  SetAbortCheck(EscapePressed);
  SetHostServices();
  entry->adapter = adapter;
  entry->hostWindow = window;
  GetWindowTextA(window, entry->title, int(kTitleBytes));
  GiveLastSettings(entry);
  entry->repeatRun = repeat;
  int32_t answer = RunFilterEntry(entry);
  RecordRunEnd(*entry);
  KeepLastSettings(*entry);
  delete entry;
  return answer;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) LoadSettings(instance);
  return TRUE;
}

// The exports' bodies; each export below runs its body behind Guarded.
static int32_t FilterGetTitleBody(char* title, int32_t* value1, int32_t* value2) {
  if (title) std::memcpy(title, kTitle, sizeof kTitle);
  if (value1) *value1 = 1;
  if (value2) *value2 = 10;
  return 1;
}

static int32_t FilterOptionBody(HWND owner) {
  SelectFilterFile(owner);
  return 1;
}

static int32_t FilterProcBody(HWND window, const HostImageSize* size, HostLineFn* putLine,
                              HostLineFn* getLine) {
  g_lastRun = LastRun();
  bool repeat = g_repeatNext;  // this call's, whatever becomes of it
  g_repeatNext = false;
  HostImageAdapter adapter;
  if (g_filterPath[0] == '\0') SelectFilterFile(window);
  if (!size || !putLine || !getLine || !*putLine || !*getLine) return Refuse(kPictureRefused);
  adapter.Attach(window, size, putLine, getLine, NotifyHost);
  // Refused: no side of 1 to 32,767 pixels, or no memory for the copy.
  if (!adapter.LoadWorkingImage()) return Refuse(kPictureRefused);
  return RunDiscoveredEntry(window, &adapter, repeat);
}

// Shows the chosen filter's about box (its About selector), owned by `owner`.
// 1 when the filter answered it, 0 when there is no filter to ask.
static int32_t FilterAboutBody(HWND owner) {
  if (g_filterPath[0] == '\0') return 0;
  LoadedModule module(g_filterPath, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module.module) return 0;
  std::vector<DiscoveredEntry> entries = DiscoverEntries(module.module, filter::kNativeCodeKey);
  if (g_entryIndex < 0 || size_t(g_entryIndex) >= entries.size()) return 0;
  const DiscoveredEntry& chosen = entries[size_t(g_entryIndex)];
  FARPROC procedure = GetProcAddress(module.module, chosen.procedure.c_str());
  if (chosen.refusal != 0 || !procedure) return 0;
  std::unique_ptr<FilterEntry> entry(
      NewFilterEntry(reinterpret_cast<filter::EntryPointFn>(reinterpret_cast<void*>(procedure))));
  if (!entry) return 0;
  SetHostServices();
  entry->hostWindow = owner;
  return ShowFilterAbout(entry.get(), owner);
}

// Nothing thrown inside crosses an export into the host: whatever escapes
// (an allocation the standard library could not make, anything else) ends
// the call with its failure code, 0.
template <typename Body>
static int32_t Guarded(Body body) noexcept {
  try {
    return body();
  } catch (...) {
    return 0;
  }
}

ADAPTER_EXPORT int32_t FILTER_CALL FilterGetTitle(int32_t, char* title, int32_t* value1,
                                                  int32_t* value2) {
  return Guarded([&] { return FilterGetTitleBody(title, value1, value2); });
}

ADAPTER_EXPORT int32_t FILTER_CALL FilterOption(HWND owner) {
  return Guarded([&] { return FilterOptionBody(owner); });
}

ADAPTER_EXPORT int32_t FILTER_CALL FilterProc(HWND window, const HostImageSize* size,
                                              HostLineFn* putLine, HostLineFn* getLine) {
  return Guarded([&] { return FilterProcBody(window, size, putLine, getLine); });
}

ADAPTER_EXPORT int32_t FILTER_CALL FilterAbout(HWND owner) {
  return Guarded([&] { return FilterAboutBody(owner); });
}

// ---- Optional exports: hosts that know them learn more; FilterProc does not need them.

// How the last FilterProc call ended: 0 no run yet, 1 applied, 2 cancelled,
// 3 failed (*code: the filter's result), 4 refused before the filter ran
// (*code: -1 not a filter, -2 no RGB mode, -3 module not loadable, -4 no such
// entry point, -5 picture refused). `text` gets the filter's own error text.
ADAPTER_EXPORT int32_t FILTER_CALL FilterLastResult(int32_t* code, char* text, int32_t bytes) {
  if (code) *code = g_lastRun.code;
  CopyText(text, bytes, g_lastRun.text, std::strlen(g_lastRun.text));
  return g_lastRun.outcome;
}

// The next FilterProc call repeats the last run (a host's "last filter"
// command, Ctrl+F): the filter's last settings are played without its
// dialog where the filter recorded that its dialog is optional.
ADAPTER_EXPORT int32_t FILTER_CALL FilterRepeatNext(int32_t repeat) {
  g_repeatNext = repeat != 0;
  return 1;
}

// The module the user chose (its path in `path`); its length, 0 when none.
ADAPTER_EXPORT int32_t FILTER_CALL FilterChosenModule(char* path, int32_t bytes) {
  CopyText(path, bytes, g_filterPath, std::strlen(g_filterPath));
  return int32_t(std::strlen(g_filterPath));
}

// Filter `index` of the module at `path` (null: the chosen module), of either
// architecture: its title (the PiPL name) in `name`, the module's PE machine
// in `*machine`. Returns 1 when it can run, 0 when there is no such entry,
// -1 not a filter, -2 no RGB mode, -3 the module cannot be read.
static int32_t FilterDescribeEntryBody(const char* path, int32_t index, char* name, int32_t bytes,
                                       int32_t* machine) {
  const char* module = path ? path : g_filterPath;
  CopyText(name, bytes, "", 0);
  uint16_t found = MachineOfFile(module);
  if (machine) *machine = found;
  LoadedModule data(module, LOAD_LIBRARY_AS_DATAFILE);
  if (!data.module || CodeKeyForMachine(found) == 0) return kModuleUnreadable;
  std::vector<DiscoveredEntry> entries = DiscoverEntries(data.module, CodeKeyForMachine(found));
  if (index < 0 || size_t(index) >= entries.size()) return 0;
  const DiscoveredEntry& entry = entries[size_t(index)];
  CopyText(name, bytes, entry.name.c_str(), entry.name.size());
  return entry.refusal != 0 ? entry.refusal : 1;
}

ADAPTER_EXPORT int32_t FILTER_CALL FilterDescribeEntry(const char* path, int32_t index, char* name,
                                                       int32_t bytes, int32_t* machine) {
  return Guarded([&] { return FilterDescribeEntryBody(path, index, name, bytes, machine); });
}

// Makes FilterProc run filter `index` of the module at `path` for the rest of
// this process, without asking the user and without changing 8bfkvt.dat.
ADAPTER_EXPORT int32_t FILTER_CALL FilterUseModule(const char* path, int32_t index) {
  if (!path || std::strlen(path) >= sizeof g_filterPath || index < 0) return 0;
  std::snprintf(g_filterPath, sizeof g_filterPath, "%s", path);
  g_entryIndex = index;
  return 1;
}
