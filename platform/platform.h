// The seam between the window-free core and the operating system.
//
// Paths are always given in the browser's own form: ANSI text in the system
// code page with '\' between folders. The Win32 side hands them to the *A
// functions unchanged; the POSIX side (used by the native test build) turns
// every '\' into '/'.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// ---- Directory search (FindFirstFileA / FindNextFileA) ----------------------

struct FoundFile {
  char name[260];  // the entry's name, without its folder
  bool isFolder;
  uint32_t sizeLow;  // low 32 bits of the size (0 for folders)
};

class DirSearch {
 public:
  DirSearch() = default;
  ~DirSearch();
  DirSearch(const DirSearch&) = delete;
  DirSearch& operator=(const DirSearch&) = delete;

  // Starts a search for "folder\pattern" ('*' and '?' wildcards in the last
  // part, letter case ignored) and fills the first match. False when nothing
  // matches or the folder cannot be read.
  bool First(const char* pattern, FoundFile* found);
  // The next match, or false at the end.
  bool Next(FoundFile* found);
  void Close();

 private:
  void* handle_ = nullptr;
  std::string folder_, pattern_;  // POSIX side: where and what to match
};

// ---- Files -----------------------------------------------------------------

// Calendar fields laid out like the Win32 SYSTEMTIME record.
struct CalendarTime {
  uint16_t year, month, dayOfWeek, day, hour, minute, second, milliseconds;
};
static_assert(sizeof(CalendarTime) == 16, "SYSTEMTIME layout");

// Opens the file for reading (sharing reads, sequential hint) and gives its
// last-write time as local calendar fields. False when it cannot be opened.
bool FileLastWriteLocal(const char* path, CalendarTime* out);
// Sets the last-write time from local calendar fields (tests and tools).
bool SetFileLastWriteLocal(const char* path, const CalendarTime& local);

bool FileExists(const char* path);
bool FolderExists(const char* path);
bool MakeFolder(const char* path);
bool RemoveFolder(const char* path);
bool DeleteOneFile(const char* path);
bool RenameFile(const char* from, const char* to);
// Size in bytes, or -1 when the file cannot be read.
int64_t FileSize(const char* path);
// A file's size and last-write stamp in one query (the stamp in the file
// system's own units: 100 ns on Windows, ns natively). False when the file
// cannot be queried, or is a folder.
bool FileSizeAndStamp(const char* path, int64_t* bytes, int64_t* lastWrite);

// Holds a file open with no sharing for the life of the object: a second
// holder, in this process or another, is refused until the first lets go or
// its process ends (a crashed process frees it too). The file is created when
// missing and left in place.
class ExclusiveFile {
 public:
  ExclusiveFile() = default;
  ~ExclusiveFile();
  ExclusiveFile(const ExclusiveFile&) = delete;
  ExclusiveFile& operator=(const ExclusiveFile&) = delete;

  // False when another holder has it or it cannot be made.
  bool Hold(const char* path);
  void Release();
  bool Held() const { return handle_ != nullptr; }

 private:
  void* handle_ = nullptr;
};

// Why the last file operation of this thread failed, in the kinds a user
// can act on. Read it at once: most other calls overwrite it.
enum class FileFailure { None, DiskFull, AccessDenied, InUse, Other };
FileFailure LastFileFailure();

// A file written in pieces: created (or, with mustBeNew false, truncated),
// written, then closed. Close() flushes and says whether every byte reached
// the disk; the destructor closes without asking. The file stays in place.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // mustBeNew: false when a file of that name exists already.
  bool Create(const char* path, bool mustBeNew);
  bool Write(const void* data, size_t size);
  bool Close();

 private:
  intptr_t handle_ = -1;  // a HANDLE on Win32, a descriptor on POSIX
};

// Puts `replacement` in the place of `target` (missing or not) in one step,
// both in one folder, once the replacement's bytes are on the disk (so a
// power cut after the step cannot leave an empty file in the target's
// place). False, with both files as they were, when the target is
// read-only, held open by another program, its folder refuses, or the
// replacement cannot be flushed.
bool ReplaceWithFile(const char* replacement, const char* target);

// Reads at most `capacity` bytes from the start of the file. Returns the count
// read, or -1 when the file cannot be opened.
long ReadFileBytes(const char* path, void* buffer, size_t capacity);
// Creates or truncates the file and writes the bytes in one write call.
bool WriteFileBytes(const char* path, const void* data, size_t size);

// ---- Movable, zero-filled global memory -------------------------------------

// Allocates a movable zero-filled block and returns its locked address, or
// nullptr. The block stays locked until GlobalBlockFree.
void* GlobalBlockAlloc(size_t size);
// Unlocks and frees a block from GlobalBlockAlloc; nullptr does nothing.
void GlobalBlockFree(void* locked);

// ---- Dynamic libraries -------------------------------------------------------

using Library = void*;
Library LoadLibraryByPath(const char* path);
void* FindExport(Library library, const char* name);
void FreeLibraryHandle(Library library);

// Loads a library for the life of the object and frees it after.
class ScopedLibrary {
 public:
  explicit ScopedLibrary(const char* path) : library_(LoadLibraryByPath(path)) {}
  ~ScopedLibrary() { FreeLibraryHandle(library_); }
  ScopedLibrary(const ScopedLibrary&) = delete;
  ScopedLibrary& operator=(const ScopedLibrary&) = delete;
  bool Loaded() const { return library_ != nullptr; }
  void* Export(const char* name) const { return library_ ? FindExport(library_, name) : nullptr; }

 private:
  Library library_;
};

// ---- Text and code pages ------------------------------------------------------

constexpr unsigned kCodePageShiftJis = 932;
// The system's ANSI code page (1252 on a French or English system).
unsigned AnsiCodePage();
// Converts text in the given code page to UTF-16. Invalid bytes become U+FFFD
// or are dropped, never read past the end.
std::u16string ToWide(unsigned codePage, const char* text);
// The path in the system's own form as UTF-8, for libraries that take UTF-8
// file names (SQLite).
std::string Utf8SystemPath(const char* path);
// Compares two strings ignoring letter case, like _stricmp.
int CompareNoCase(const char* a, const char* b);

// ---- User feedback from window-free code --------------------------------------

// Window handles cross the core as opaque pointers.
using WindowHandle = void*;

// A message box owned by `owner` with the information icon. Tests replace the
// sink so that nothing blocks and every message can be checked.
using MessageSink = void (*)(WindowHandle owner, const char* text, const char* caption);
void ShowInformation(WindowHandle owner, const char* text, const char* caption);
MessageSink SetMessageSink(MessageSink sink);  // returns the previous sink
MessageSink DefaultMessageSink();              // a message box, or standard error natively

// Shows the wait cursor for the life of the object, restoring the old one.
class BusyCursor {
 public:
  BusyCursor();
  ~BusyCursor();
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  void* previous_ = nullptr;
};

// The folder of the running executable, ending in '\'.
std::string ExecutableFolder();
// The user's folder for temporary files, ending in '\'.
std::string TemporaryFolder();

// The most memory the process has committed for itself so far (peak private
// bytes; natively the peak resident size), for benchmarks. 0 when unknown.
uint64_t PeakPrivateBytes();

}  // namespace platform
