// The seam between the window-free core and the operating system.
//
// Paths are always given in the browser's own form: text in the process's
// ANSI code page (UTF-8 where the system honours the program's manifest,
// else the system's page) with '\' between folders. The Win32 side hands
// them to the *A functions unchanged; the POSIX side (used by the native test
// build) turns every '\' into '/'.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/scoped.h"

namespace platform {

// ---- Directory search (FindFirstFileA / FindNextFileA) ----------------------

// The most bytes a path or name of up to MAX_PATH UTF-16 units takes in the
// process's code page (three per unit in UTF-8), with its terminator.
constexpr size_t kMaxPathBytes = 780;
// The most UTF-16 units of a full path the *A functions accept, terminator
// included.
constexpr size_t kMaxPathUnits = 260;

struct FoundFile {
  // The entry's name, without its folder. A name the code page cannot hold
  // is given as its 8.3 short name where the volume has one; otherwise it
  // holds '?' for what is missing, and is no file's name.
  char name[kMaxPathBytes];
  bool isFolder;
  uint32_t sizeLow;  // low 32 bits of the size (0 for folders)
  // The file system gave the previous entry's very name again (some end a
  // search so). Told from the name as the system holds it: two names the
  // code page turns into one text are two entries.
  bool repeatsPrevious;
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
  std::string previous_;          // the previous entry's name as the system holds it
};

// True when the text holds a '*' or '?': the shell and the search functions
// would take it as a pattern, so it is never a file's path.
bool HasWildcard(const char* text);

// True for a path from a drive's root ("C:\...") or a share
// ("\\server\share\..."), natively one from '\' (the root). A relative path
// would be taken from the process's current folder.
bool IsFullyQualifiedPath(const char* path);

// True when both paths open the same file (one volume, one file index),
// whatever names they use. False when either cannot be opened.
bool SameFile(const char* a, const char* b);

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

// A library loaded for the life of the object and freed after.
using LibraryTraits = NullableTraits<Library, FreeLibraryHandle>;
class ScopedLibrary : public Scoped<LibraryTraits> {
 public:
  explicit ScopedLibrary(const char* path) : Scoped(LoadLibraryByPath(path)) {}
  bool Loaded() const { return Valid(); }
  void* Export(const char* name) const { return Valid() ? FindExport(Get(), name) : nullptr; }
};

// A zero-filled record of movable global memory (GlobalBlockAlloc) for one
// scope; Get() is nullptr when it could not be allocated.
template <typename Record>
class GlobalRecord : public Scoped<NullableTraits<void*, GlobalBlockFree>> {
 public:
  GlobalRecord() : Scoped(GlobalBlockAlloc(sizeof(Record))) {}
  Record* Get() const { return static_cast<Record*>(Scoped::Get()); }
  Record* operator->() const { return Get(); }
  Record& operator*() const { return *Get(); }
};

// ---- Text and code pages ------------------------------------------------------

constexpr unsigned kCodePageShiftJis = 932;
constexpr unsigned kCodePageUtf8 = 65001;
// The process's ANSI code page: 65001 where the system honours the UTF-8
// setting of the program's manifest, else the system's page (1252 on a
// French or English system).
unsigned AnsiCodePage();
// The system's own ANSI page, whatever the manifest says: the page of files
// written by earlier versions of the program (1252, 932...).
unsigned SystemAnsiCodePage();
// True when `byte` starts a two-byte character in the double-byte code page
// (932, 936, 949, 950); false in every other page, UTF-8 included.
bool IsLeadByte(unsigned codePage, unsigned char byte);
// Converts UTF-16 to the code page. `lossless` (when given) tells whether
// every character was held; what a page lacks becomes '?', never a
// look-alike.
std::string FromWide(unsigned codePage, const std::u16string& text, bool* lossless = nullptr);
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

// ---- Trace of failures the program goes on from ------------------------------

// A failure that changes nothing the user sees at once (a cache file not
// written, a handle not closed, a rename refused) but explains what comes
// later: where it happened, what it was about, and the system's error code.
// The default sink writes one line to the debugger (OutputDebugStringA) on
// Windows and to standard error natively; tests replace it to see the line.
using TraceSink = void (*)(const char* where, const char* what, unsigned long code);
void Trace(const char* where, const char* what, unsigned long code);
// Traces with the calling thread's last error (GetLastError, or errno).
void TraceLastError(const char* where, const char* what);
TraceSink SetTraceSink(TraceSink sink);  // returns the previous sink; nullptr is the default
TraceSink DefaultTraceSink();
unsigned long LastErrorCode();

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
// The process's current folder, fully qualified and ending in '\'; "" when
// the code page cannot hold its path.
std::string WorkingFolder();
// The user's folder for temporary files, ending in '\'.
std::string TemporaryFolder();

// The most memory the process has committed for itself so far (peak private
// bytes; natively the peak resident size), for benchmarks. 0 when unknown.
uint64_t PeakPrivateBytes();

}  // namespace platform
