// POSIX side of the platform seam, for the native build and its tests.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <iconv.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/platform.h"

namespace platform {

namespace {

std::string NativePath(const char* path) {
  std::string native(path);
  for (char& c : native)
    if (c == '\\') c = '/';
  return native;
}

// Case-insensitive match of '*' and '?' wildcards, as the Win32 search does.
bool MatchesPattern(const char* pattern, const char* name) {
  if (*pattern == '\0') return *name == '\0';
  if (*pattern == '*') {
    for (const char* rest = name;; ++rest) {
      if (MatchesPattern(pattern + 1, rest)) return true;
      if (*rest == '\0') return false;
    }
  }
  if (*name == '\0') return false;
  if (*pattern != '?' && std::tolower(static_cast<unsigned char>(*pattern)) !=
                             std::tolower(static_cast<unsigned char>(*name)))
    return false;
  return MatchesPattern(pattern + 1, name + 1);
}

}  // namespace

// ---- Directory search ---------------------------------------------------------

DirSearch::~DirSearch() { Close(); }

bool DirSearch::First(const char* pattern, FoundFile* found) {
  Close();
  std::string path = NativePath(pattern);
  size_t slash = path.find_last_of('/');
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  pattern_ = slash == std::string::npos ? path : path.substr(slash + 1);
  folder_ = folder;
  if (pattern_.find_first_of("*?") == std::string::npos) {
    // A plain name: look it up directly, as FindFirstFileA does.
    struct stat info;
    if (pattern_.empty() || stat(path.c_str(), &info) != 0) return false;
    std::snprintf(found->name, sizeof found->name, "%s", pattern_.c_str());
    found->isFolder = S_ISDIR(info.st_mode);
    found->sizeLow = found->isFolder ? 0 : uint32_t(info.st_size);
    found->repeatsPrevious = false;
    return true;
  }
  previous_.clear();
  handle_ = opendir(folder.c_str());
  return Next(found);
}

bool DirSearch::Next(FoundFile* found) {
  if (!handle_) return false;
  while (dirent* entry = readdir(static_cast<DIR*>(handle_))) {
    if (!MatchesPattern(pattern_.c_str(), entry->d_name)) continue;
    std::snprintf(found->name, sizeof found->name, "%s", entry->d_name);
    struct stat info;
    bool known = stat((folder_ + entry->d_name).c_str(), &info) == 0;
    found->isFolder = known && S_ISDIR(info.st_mode);
    found->sizeLow = known && !found->isFolder ? uint32_t(info.st_size) : 0;
    found->repeatsPrevious = previous_ == entry->d_name;
    previous_ = entry->d_name;
    return true;
  }
  return false;
}

void DirSearch::Close() {
  if (handle_) closedir(static_cast<DIR*>(handle_));
  handle_ = nullptr;
}

// ---- Files ---------------------------------------------------------------------------

bool FileLastWriteLocal(const char* path, CalendarTime* out) {
  int fd = open(NativePath(path).c_str(), O_RDONLY);
  if (fd < 0) return false;
  struct stat info;
  bool ok = fstat(fd, &info) == 0;
  close(fd);
  struct tm local;
  if (!ok || !localtime_r(&info.st_mtime, &local)) return false;
  out->year = uint16_t(local.tm_year + 1900);
  out->month = uint16_t(local.tm_mon + 1);
  out->dayOfWeek = uint16_t(local.tm_wday);
  out->day = uint16_t(local.tm_mday);
  out->hour = uint16_t(local.tm_hour);
  out->minute = uint16_t(local.tm_min);
  out->second = uint16_t(local.tm_sec);
  out->milliseconds = uint16_t(info.st_mtim.tv_nsec / 1000000);
  return true;
}

bool SetFileLastWriteLocal(const char* path, const CalendarTime& local) {
  struct tm fields = {};
  fields.tm_year = local.year - 1900;
  fields.tm_mon = local.month - 1;
  fields.tm_mday = local.day;
  fields.tm_hour = local.hour;
  fields.tm_min = local.minute;
  fields.tm_sec = local.second;
  fields.tm_isdst = -1;
  time_t when = mktime(&fields);
  if (when == time_t(-1)) return false;
  struct timeval times[2] = {{when, 0}, {when, local.milliseconds * 1000}};
  return utimes(NativePath(path).c_str(), times) == 0;
}

bool IsFullyQualifiedPath(const char* path) { return path[0] == '\\'; }

bool SameFile(const char* a, const char* b) {
  struct stat first, second;
  return stat(NativePath(a).c_str(), &first) == 0 && stat(NativePath(b).c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool FileExists(const char* path) {
  struct stat info;
  return stat(NativePath(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool FolderExists(const char* path) {
  struct stat info;
  return stat(NativePath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool MakeFolder(const char* path) { return mkdir(NativePath(path).c_str(), 0777) == 0; }
bool RemoveFolder(const char* path) { return rmdir(NativePath(path).c_str()) == 0; }
bool DeleteOneFile(const char* path) { return unlink(NativePath(path).c_str()) == 0; }

bool RenameFile(const char* from, const char* to) {
  // MoveFileA does not replace an existing file; rename() would.
  if (FileExists(to) || FolderExists(to)) return false;
  return rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
}

int64_t FileSize(const char* path) {
  struct stat info;
  if (stat(NativePath(path).c_str(), &info) != 0) return -1;
  return info.st_size;
}

bool FileSizeAndStamp(const char* path, int64_t* bytes, int64_t* lastWrite) {
  struct stat info;
  if (stat(NativePath(path).c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
  *bytes = info.st_size;
  *lastWrite = int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  return true;
}

long ReadFileBytes(const char* path, void* buffer, size_t capacity) {
  int fd = open(NativePath(path).c_str(), O_RDONLY);
  if (fd < 0) return -1;
  size_t total = 0;
  while (total < capacity) {
    ssize_t got = read(fd, static_cast<char*>(buffer) + total, capacity - total);
    if (got <= 0) break;
    total += size_t(got);
  }
  close(fd);
  return long(total);
}

bool WriteFileBytes(const char* path, const void* data, size_t size) {
  int fd = open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0) return false;
  bool ok = write(fd, data, size) == ssize_t(size);
  return close(fd) == 0 && ok;
}

FileFailure LastFileFailure() {
  switch (errno) {
    case 0: return FileFailure::None;
    case ENOSPC:
    case EDQUOT: return FileFailure::DiskFull;
    case EACCES:
    case EPERM:
    case EROFS: return FileFailure::AccessDenied;
    case EBUSY:
    case ETXTBSY: return FileFailure::InUse;
    default: return FileFailure::Other;
  }
}

OutputFile::~OutputFile() {
  if (handle_ != -1) close(int(handle_));
}

bool OutputFile::Create(const char* path, bool mustBeNew) {
  if (handle_ != -1) return false;
  int fd = open(NativePath(path).c_str(),
                O_WRONLY | O_CREAT | O_CLOEXEC | (mustBeNew ? O_EXCL : O_TRUNC), 0666);
  if (fd < 0) return false;
  handle_ = fd;
  return true;
}

bool OutputFile::Write(const void* data, size_t size) {
  if (handle_ == -1) return false;
  const char* next = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t written = write(int(handle_), next, size);
    if (written <= 0) {
      if (written < 0 && errno == EINTR) continue;
      if (written == 0) errno = ENOSPC;
      return false;
    }
    next += written;
    size -= size_t(written);
  }
  return true;
}

bool OutputFile::Close() {
  if (handle_ == -1) return false;
  int fd = int(handle_);
  handle_ = -1;
  bool flushed = fsync(fd) == 0;
  int error = errno;
  bool closed = close(fd) == 0;
  if (!flushed) errno = error;
  return flushed && closed;
}

bool ReplaceWithFile(const char* replacement, const char* target) {
  // rename() ignores the target's own permission; a read-only file is kept,
  // as on Windows.
  struct stat info;
  if (stat(NativePath(target).c_str(), &info) == 0 && !(info.st_mode & S_IWUSR)) {
    errno = EACCES;
    return false;
  }
  int written = open(NativePath(replacement).c_str(), O_WRONLY);
  if (written < 0) return false;
  bool flushed = fsync(written) == 0;
  close(written);
  return flushed && rename(NativePath(replacement).c_str(), NativePath(target).c_str()) == 0;
}

ExclusiveFile::~ExclusiveFile() { Release(); }

// An flock lock belongs to the open file, so a second open in the same
// process is refused as one in another process is.
bool ExclusiveFile::Hold(const char* path) {
  Release();
  int fd = open(NativePath(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  handle_ = reinterpret_cast<void*>(intptr_t(fd) + 1);  // never null
  return true;
}

void ExclusiveFile::Release() {
  if (handle_) close(int(reinterpret_cast<intptr_t>(handle_) - 1));
  handle_ = nullptr;
}

// ---- Global memory ----------------------------------------------------------------------

void* GlobalBlockAlloc(size_t size) { return std::calloc(1, size ? size : 1); }
void GlobalBlockFree(void* locked) { std::free(locked); }

// ---- Libraries ------------------------------------------------------------------------------

Library LoadLibraryByPath(const char* path) {
  return dlopen(NativePath(path).c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* FindExport(Library library, const char* name) { return dlsym(library, name); }

void FreeLibraryHandle(Library library) {
  if (library) dlclose(library);
}

// ---- Text ------------------------------------------------------------------------------------

unsigned AnsiCodePage() { return 1252; }
unsigned SystemAnsiCodePage() { return 1252; }

bool IsLeadByte(unsigned codePage, unsigned char byte) {
  switch (codePage) {
    case 932: return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 936:
    case 949:
    case 950: return byte >= 0x81 && byte <= 0xFE;
    default: return false;
  }
}

std::string FromWide(unsigned codePage, const std::u16string& text, bool* lossless) {
  char name[16];
  std::snprintf(name, sizeof name, codePage == 65001 ? "UTF-8" : "CP%u", codePage);
  iconv_t converter = iconv_open(name, "UTF-16LE");
  std::string out;
  bool whole = converter != iconv_t(-1);
  // One character at a time (a surrogate pair is one), so that one the page
  // lacks becomes '?' and the rest still come.
  for (size_t i = 0; i < text.size() && converter != iconv_t(-1);) {
    size_t units = (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size()) ? 2 : 1;
    char16_t character[2] = {text[i], units == 2 ? text[i + 1] : u'\0'};
    char* in = reinterpret_cast<char*>(character);
    size_t inLeft = units * sizeof(char16_t);
    char bytes[16];
    char* outAt = bytes;
    size_t outLeft = sizeof bytes;
    if (iconv(converter, &in, &inLeft, &outAt, &outLeft) == size_t(-1)) {
      out += '?';
      whole = false;
      iconv(converter, nullptr, nullptr, nullptr, nullptr);
    } else {
      out.append(bytes, size_t(outAt - bytes));
    }
    i += units;
  }
  if (converter != iconv_t(-1)) iconv_close(converter);
  if (lossless) *lossless = whole;
  return out;
}

std::u16string ToWide(unsigned codePage, const char* text) {
  char name[16];
  std::snprintf(name, sizeof name, codePage == 65001 ? "UTF-8" : "CP%u", codePage);
  iconv_t converter = iconv_open("UTF-16LE", name);
  if (converter == iconv_t(-1)) return std::u16string();
  std::u16string wide;
  char* in = const_cast<char*>(text);
  size_t inLeft = std::strlen(text);
  while (inLeft > 0) {
    char16_t chunk[256];
    char* out = reinterpret_cast<char*>(chunk);
    size_t outLeft = sizeof chunk;
    size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
    wide.append(chunk, (sizeof chunk - outLeft) / sizeof(char16_t));
    if (result == size_t(-1) && errno != E2BIG) {
      wide.push_back(u'\uFFFD');  // an invalid or cut sequence: skip one byte
      ++in;
      --inLeft;
    }
  }
  iconv_close(converter);
  return wide;
}

// Native paths are UTF-8 already.
std::string Utf8SystemPath(const char* path) { return NativePath(path); }

int CompareNoCase(const char* a, const char* b) { return strcasecmp(a, b); }

// ---- Feedback
// ------------------------------------------------------------------------------------

static void StandardErrorSink(WindowHandle, const char* text, const char* caption) {
  std::fprintf(stderr, "[%s] %s\n", caption, text);
}

MessageSink DefaultMessageSink() { return StandardErrorSink; }

static void StandardErrorTrace(const char* where, const char* what, unsigned long code) {
  std::fprintf(stderr, "tamsel: %s failed: %s (error %lu)\n", where, what, code);
}

TraceSink DefaultTraceSink() { return StandardErrorTrace; }

unsigned long LastErrorCode() { return static_cast<unsigned long>(errno); }

BusyCursor::BusyCursor() {}
BusyCursor::~BusyCursor() {}

std::string ExecutableFolder() {
  char path[4096];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return std::string();
  std::string folder(path, size_t(length));
  folder = folder.substr(0, folder.find_last_of('/') + 1);
  for (char& c : folder)
    if (c == '/') c = '\\';
  return folder;
}

std::string WorkingFolder() {
  char path[4096];
  if (!getcwd(path, sizeof path)) return std::string();
  std::string folder = path;
  for (char& c : folder)
    if (c == '/') c = '\\';
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

std::string TemporaryFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = tmp && *tmp ? tmp : "/tmp";
  for (char& c : folder)
    if (c == '/') c = '\\';
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

uint64_t PeakPrivateBytes() {
  rusage usage = {};
  return getrusage(RUSAGE_SELF, &usage) == 0 ? uint64_t(usage.ru_maxrss) * 1024 : 0;
}

}  // namespace platform
