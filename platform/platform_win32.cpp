// Win32 side of the platform seam.
#include <windows.h>
// After windows.h: the process memory counters.
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/scoped_handles.h"

namespace platform {

// ---- Directory search ---------------------------------------------------------

namespace {

std::wstring WidePath(const char* path) {
  int length = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(size_t(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path, -1, &wide[0], length);
  wide.pop_back();
  return wide;
}

// Converts into the buffer in one call, no look-alike standing in for a
// character the page lacks; false when one was lost (or it does not fit).
bool ConvertName(const wchar_t* wide, char* out, int size) {
  UINT page = GetACP();
  if (page == CP_UTF8) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, -1, out, size, nullptr, nullptr);
    if (bytes <= 0) {
      std::snprintf(out, size_t(size), "?");
      return false;
    }
    // UTF-8 loses only broken surrogates, which come out as U+FFFD.
    for (const wchar_t* c = wide; *c; ++c)
      if (*c >= 0xD800 && *c <= 0xDFFF)
        return ToWide(CP_UTF8, out) == reinterpret_cast<const char16_t*>(wide);
    return true;
  }
  BOOL usedDefault = FALSE;
  int bytes =
      WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide, -1, out, size, nullptr, &usedDefault);
  if (bytes <= 0) std::snprintf(out, size_t(size), "?");
  return bytes > 0 && !usedDefault;
}

// The entry's name as the code page holds it: its own name, else its short
// name, else its own name with '?' for what the page lacks (no file's name).
void CopyFound(const WIN32_FIND_DATAW& data, FoundFile* found, std::string* previous) {
  size_t rawBytes = wcslen(data.cFileName) * sizeof(wchar_t);
  found->repeatsPrevious =
      previous->size() == rawBytes && std::memcmp(previous->data(), data.cFileName, rawBytes) == 0;
  previous->assign(reinterpret_cast<const char*>(data.cFileName), rawBytes);
  int size = int(sizeof found->name);
  if (!ConvertName(data.cFileName, found->name, size) && data.cAlternateFileName[0]) {
    char shortName[sizeof data.cAlternateFileName * 3];
    if (ConvertName(data.cAlternateFileName, shortName, int(sizeof shortName)))
      lstrcpynA(found->name, shortName, size);
  }
  found->isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  found->sizeLow = data.nFileSizeLow;
}

}  // namespace

DirSearch::~DirSearch() { Close(); }

bool DirSearch::First(const char* pattern, FoundFile* found) {
  Close();
  WIN32_FIND_DATAW data;
  std::wstring widePattern = WidePath(pattern);
  if (widePattern.empty()) return false;
  HANDLE h = FindFirstFileW(widePattern.c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return false;
  handle_ = h;
  previous_.clear();
  CopyFound(data, found, &previous_);
  return true;
}

bool DirSearch::Next(FoundFile* found) {
  if (!handle_) return false;
  WIN32_FIND_DATAW data;
  if (!FindNextFileW(static_cast<HANDLE>(handle_), &data)) return false;
  CopyFound(data, found, &previous_);
  return true;
}

void DirSearch::Close() {
  if (handle_) FindClose(static_cast<HANDLE>(handle_));
  handle_ = nullptr;
}

// ---- Files -----------------------------------------------------------------------

namespace {

HANDLE OpenForReading(const char* path) {
  return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

}  // namespace

bool FileLastWriteLocal(const char* path, CalendarTime* out) {
  ScopedHandle file(OpenForReading(path));
  if (!file.Valid()) return false;
  FILETIME written, local;
  SYSTEMTIME fields;
  if (!GetFileTime(file.Get(), nullptr, nullptr, &written)) return false;
  if (!FileTimeToLocalFileTime(&written, &local)) return false;
  if (!FileTimeToSystemTime(&local, &fields)) return false;
  static_assert(sizeof(SYSTEMTIME) == sizeof(CalendarTime), "same layout");
  std::memcpy(out, &fields, sizeof fields);
  return true;
}

bool SetFileLastWriteLocal(const char* path, const CalendarTime& local) {
  SYSTEMTIME fields;
  std::memcpy(&fields, &local, sizeof fields);
  FILETIME localTime, utc;
  if (!SystemTimeToFileTime(&fields, &localTime)) return false;
  if (!LocalFileTimeToFileTime(&localTime, &utc)) return false;
  ScopedHandle file(CreateFileA(path, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
  return file.Valid() && SetFileTime(file.Get(), nullptr, nullptr, &utc);
}

bool FileExists(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFullyQualifiedPath(const char* path) {
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (letter(path[0]) && path[1] == ':' && path[2] == '\\') return true;
  // \\server\share\..., with a server and a share of their own
  if (path[0] != '\\' || path[1] != '\\' || path[2] == '\\' || path[2] == '\0') return false;
  const char* share = std::strchr(path + 2, '\\');
  return share && share[1] && share[1] != '\\';
}

bool SameFile(const char* a, const char* b) {
  auto identity = [](const char* path, BY_HANDLE_FILE_INFORMATION* info) {
    ScopedHandle file(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file.Valid() && GetFileInformationByHandle(file.Get(), info);
  };
  BY_HANDLE_FILE_INFORMATION first, second;
  return identity(a, &first) && identity(b, &second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

bool MakeFolder(const char* path) { return CreateDirectoryA(path, nullptr) != 0; }
bool RemoveFolder(const char* path) { return RemoveDirectoryA(path) != 0; }
bool DeleteOneFile(const char* path) { return DeleteFileA(path) != 0; }
bool RenameFile(const char* from, const char* to) { return MoveFileA(from, to) != 0; }

int64_t FileSize(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return -1;
  return (int64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool FileSizeAndStamp(const char* path, int64_t* bytes, int64_t* lastWrite) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  *bytes = (int64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  *lastWrite =
      (int64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
  return true;
}

long ReadFileBytes(const char* path, void* buffer, size_t capacity) {
  ScopedHandle file(OpenForReading(path));
  if (!file.Valid()) return -1;
  DWORD total = 0;
  while (total < capacity) {
    DWORD got = 0;
    if (!ReadFile(file.Get(), static_cast<char*>(buffer) + total, DWORD(capacity - total), &got,
                  nullptr) ||
        got == 0)
      break;
    total += got;
  }
  return long(total);
}

bool WriteFileBytes(const char* path, const void* data, size_t size) {
  ScopedHandle file(
      CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  DWORD written = 0;
  return WriteFile(file.Get(), data, DWORD(size), &written, nullptr) && written == size;
}

FileFailure LastFileFailure() {
  switch (GetLastError()) {
    case ERROR_SUCCESS: return FileFailure::None;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return FileFailure::DiskFull;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return FileFailure::AccessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE: return FileFailure::InUse;
    default: return FileFailure::Other;
  }
}

OutputFile::~OutputFile() {
  if (handle_ != -1 && !CloseHandle(reinterpret_cast<HANDLE>(handle_)))
    TraceLastError("OutputFile", "close");
}

bool OutputFile::Create(const char* path, bool mustBeNew) {
  if (handle_ != -1) return false;
  HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, mustBeNew ? CREATE_NEW : CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<intptr_t>(h);
  return true;
}

bool OutputFile::Write(const void* data, size_t size) {
  if (handle_ == -1) return false;
  const char* next = static_cast<const char*>(data);
  while (size > 0) {  // WriteFile takes at most 4 GB - 1 at a time
    DWORD piece = size > 0x40000000 ? 0x40000000 : DWORD(size), written = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(handle_), next, piece, &written, nullptr) ||
        written != piece)
      return false;
    next += piece;
    size -= piece;
  }
  return true;
}

bool OutputFile::Close() {
  if (handle_ == -1) return false;
  HANDLE h = reinterpret_cast<HANDLE>(handle_);
  handle_ = -1;
  bool flushed = FlushFileBuffers(h) != 0;
  DWORD error = GetLastError();
  bool closed = CloseHandle(h) != 0;
  if (!flushed) SetLastError(error);  // the flush's reason, not the close's
  return flushed && closed;
}

bool ReplaceWithFile(const char* replacement, const char* target) {
  // MoveFileEx would replace a read-only file under some systems; its flag
  // is the owner's wish that it stays as it is.
  DWORD attributes = GetFileAttributesA(target);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  {
    ScopedHandle written(CreateFileA(replacement, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!written || !FlushFileBuffers(written.Get())) return false;
  }  // closed before the move
  if (MoveFileExA(replacement, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  // A target that another program holds open answers "access denied" too;
  // asking for the right to delete it tells the two apart.
  if (GetLastError() == ERROR_ACCESS_DENIED) {
    ScopedHandle probe(CreateFileA(target, DELETE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD reason = probe ? ERROR_ACCESS_DENIED : GetLastError();
    SetLastError(reason == ERROR_SHARING_VIOLATION ? reason : ERROR_ACCESS_DENIED);
  }
  return false;
}

ExclusiveFile::~ExclusiveFile() { Release(); }

bool ExclusiveFile::Hold(const char* path) {
  Release();
  // No sharing at all; a handle that no child process inherits.
  HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  handle_ = h;
  return true;
}

void ExclusiveFile::Release() {
  if (handle_ && !CloseHandle(static_cast<HANDLE>(handle_)))
    TraceLastError("ExclusiveFile", "close");
  handle_ = nullptr;
}

// ---- Global memory --------------------------------------------------------------------

void* GlobalBlockAlloc(size_t size) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (!block) return nullptr;
  void* locked = GlobalLock(block);
  if (!locked) GlobalFree(block);
  return locked;
}

void GlobalBlockFree(void* locked) {
  if (!locked) return;
  HGLOBAL block = GlobalHandle(locked);
  GlobalUnlock(block);
  GlobalFree(block);
}

// ---- Libraries -----------------------------------------------------------------------------

Library LoadLibraryByPath(const char* path) {
  // No "missing DLL" dialog for a broken plug-in.
  UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryA(path);
  SetErrorMode(previous);
  return module;
}

void* FindExport(Library library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void FreeLibraryHandle(Library library) {
  if (library) FreeLibrary(static_cast<HMODULE>(library));
}

// ---- Text
// ----------------------------------------------------------------------------------------

unsigned AnsiCodePage() { return GetACP(); }

unsigned SystemAnsiCodePage() {
  // The system locale's page, which the manifest's UTF-8 setting does not change.
  char number[8] = {};
  if (GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, number, sizeof number) > 0)
    if (unsigned page = unsigned(std::strtoul(number, nullptr, 10))) return page;
  return GetACP();
}

bool IsLeadByte(unsigned codePage, unsigned char byte) {
  if (codePage == CP_ACP) codePage = GetACP();
  return codePage != CP_UTF8 && IsDBCSLeadByteEx(codePage, byte) != 0;
}

std::string FromWide(unsigned codePage, const std::u16string& text, bool* lossless) {
  if (codePage == CP_ACP) codePage = GetACP();
  auto wide = reinterpret_cast<const wchar_t*>(text.c_str());
  // UTF-8 holds every character; elsewhere no look-alike stands in for one
  // the page lacks, and the default character tells that one was lost.
  bool utf8 = codePage == CP_UTF8;
  DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* defaultUsed = utf8 ? nullptr : &usedDefault;
  int length = WideCharToMultiByte(codePage, flags, wide, -1, nullptr, 0, nullptr, defaultUsed);
  std::string out;
  if (length > 0) {
    out.resize(size_t(length));
    WideCharToMultiByte(codePage, flags, wide, -1, &out[0], length, nullptr, defaultUsed);
    out.pop_back();
  }
  // UTF-8 loses only broken surrogates, which come out as U+FFFD.
  if (lossless) {
    bool surrogates = false;
    for (char16_t c : text) surrogates = surrogates || (c >= 0xD800 && c <= 0xDFFF);
    *lossless = length > 0 && !usedDefault && (!surrogates || ToWide(CP_UTF8, out.c_str()) == text);
  }
  return out;
}

std::u16string ToWide(unsigned codePage, const char* text) {
  int length = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
  if (length <= 0) return std::u16string();
  std::vector<wchar_t> wide(length);
  MultiByteToWideChar(codePage, 0, text, -1, wide.data(), length);
  return std::u16string(wide.begin(), wide.end() - 1);
}

std::string Utf8SystemPath(const char* path) {
  std::u16string wide = ToWide(CP_ACP, path);
  auto text = reinterpret_cast<const wchar_t*>(wide.c_str());
  int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string utf8(size_t(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], length, nullptr, nullptr);
  utf8.pop_back();
  return utf8;
}

int CompareNoCase(const char* a, const char* b) { return _stricmp(a, b); }

// ---- Feedback
// -----------------------------------------------------------------------------------------

static void MessageBoxSink(WindowHandle owner, const char* text, const char* caption) {
  MessageBoxA(static_cast<HWND>(owner), text, caption, MB_ICONINFORMATION);
}

MessageSink DefaultMessageSink() { return MessageBoxSink; }

// One line for a debugger or a viewer of debug output; without one the
// call costs little.
static void DebuggerTrace(const char* where, const char* what, unsigned long code) {
  char line[160 + kMaxPathBytes];
  std::snprintf(line, sizeof line, "tamsel: %s failed: %s (error %lu)\n", where, what, code);
  OutputDebugStringA(line);
}

TraceSink DefaultTraceSink() { return DebuggerTrace; }

unsigned long LastErrorCode() { return GetLastError(); }

BusyCursor::BusyCursor() {
  previous_ = SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
  ShowCursor(TRUE);
}

BusyCursor::~BusyCursor() {
  ShowCursor(FALSE);
  SetCursor(static_cast<HCURSOR>(previous_));
}

std::string ExecutableFolder() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path) return std::string();
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string WorkingFolder() {
  wchar_t path[MAX_PATH + 1] = {};
  DWORD length = GetCurrentDirectoryW(MAX_PATH + 1, path);
  if (length == 0 || length > MAX_PATH) return std::string();
  bool lossless = false;
  std::string folder = FromWide(CP_ACP, reinterpret_cast<const char16_t*>(path), &lossless);
  if (!lossless || folder.empty()) return std::string();
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

std::string TemporaryFolder() {
  char path[MAX_PATH + 1];
  DWORD length = GetTempPathA(sizeof path, path);
  if (length == 0 || length >= sizeof path) return std::string();
  std::string folder(path, length);
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

uint64_t PeakPrivateBytes() {
  // Through psapi's export by name, so that the program needs no import of a
  // library that only benchmarks use.
  using GetMemoryInfoFn = BOOL(WINAPI*)(HANDLE, PROCESS_MEMORY_COUNTERS*, DWORD);
  ScopedModule psapi(LoadLibraryA("psapi.dll"));
  auto getInfo = psapi ? reinterpret_cast<GetMemoryInfoFn>(reinterpret_cast<void*>(
                             GetProcAddress(psapi.Get(), "GetProcessMemoryInfo")))
                       : nullptr;
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  uint64_t peak = getInfo && getInfo(GetCurrentProcess(), &counters, sizeof counters)
                      ? uint64_t(counters.PeakPagefileUsage)
                      : 0;
  return peak;
}

}  // namespace platform
