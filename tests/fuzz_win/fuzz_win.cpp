// A mutation fuzzer for a reader plug-in as built for Windows, run under
// Wine (libFuzzer does not build for mingw). One reader per run:
//
//   fuzz_win READER.dll SECONDS FINDINGS_FOLDER CORPUS_FOLDER...
//
// The supervisor starts a worker process that installs the reader in a
// scratch program folder as the browser finds it, then mutates inputs from
// the corpus folders (the files with an extension the reader claims, or
// none: they are read under its first extension) and
// reads each one through the browser's pipeline, whole and as a thumbnail.
// The supervisor watches the worker: a worker that ends with a non-zero code
// (a crash, an exception escaping, an abort) or stops counting executions for
// kHangSeconds (a hang) has its current input kept in FINDINGS_FOLDER and is
// started again until the time is up (or 20 findings). Prints the executions and findings;
// exits 1 when anything was found.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "image/packed_dib.h"
#include "image/plugin_api.h"
#include "image/plugin_registry.h"
#include "image/read_pipeline.h"
#include "image/thumbnail_maker.h"
#include "platform/platform.h"
#include "shell/app_state.h"

namespace {

constexpr DWORD kHangSeconds = 20;  // no execution ends for this long: a hang
constexpr size_t kMaxInputBytes = 1 << 21;
constexpr int kMaxFindings = 20;  // a fault found again and again ends the run
constexpr int32_t kBoxWidth = 176, kBoxHeight = 160;

// What the worker tells the supervisor, in a named file mapping.
struct SharedState {
  volatile LONG executions;  // of this worker
  char input[MAX_PATH];      // the input being read
};

using Bytes = std::vector<uint8_t>;

// ---- Files ------------------------------------------------------------------------

std::string Extension(const std::string& name) {
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? "" : name.substr(dot + 1);
}

bool ReadWhole(const std::string& path, Bytes* bytes) {
  int64_t size = platform::FileSize(path.c_str());
  if (size < 0 || size > int64_t(kMaxInputBytes)) return false;
  bytes->resize(size_t(size));
  return size == 0 ||
         platform::ReadFileBytes(path.c_str(), bytes->data(), bytes->size()) == long(size);
}

// The reader's extensions, lower case, from its ReadFileInfo.
std::vector<std::string> ClaimedExtensions(HMODULE reader) {
  auto info = reinterpret_cast<ReadFileInfoFn>(
      reinterpret_cast<void*>(GetProcAddress(reader, "ReadFileInfo")));
  std::vector<std::string> extensions;
  FormatInfo record = {};
  if (!info || !info(nullptr, &record)) return extensions;
  record.extensions[sizeof record.extensions - 1] = '\0';
  std::string list = record.extensions;
  std::transform(list.begin(), list.end(), list.begin(), ::tolower);
  for (size_t start = 0; start <= list.size();) {
    size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    if (end > start) extensions.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return extensions;
}

struct Seed {
  std::string extension;
  Bytes bytes;
};

std::vector<Seed> LoadCorpus(const std::vector<std::string>& folders,
                             const std::vector<std::string>& claimed) {
  std::vector<Seed> corpus;
  for (const std::string& folder : folders) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) continue;
    do {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      std::string extension = Extension(found.cFileName);
      std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
      // A fuzzer's corpus names its inputs without an extension.
      if (extension.empty() && !claimed.empty()) extension = claimed[0];
      if (std::find(claimed.begin(), claimed.end(), extension) == claimed.end()) continue;
      Seed seed{extension, {}};
      if (ReadWhole(folder + "\\" + found.cFileName, &seed.bytes)) corpus.push_back(seed);
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  return corpus;
}

// ---- Mutations ----------------------------------------------------------------------

class Mutator {
 public:
  explicit Mutator(uint32_t seed) : random_(seed) {}

  size_t Below(size_t n) { return n == 0 ? 0 : size_t(random_() % n); }

  // 1 to 8 mutations stacked on a copy of a seed.
  Bytes Mutate(const std::vector<Seed>& corpus, const Seed& seed) {
    Bytes data = seed.bytes;
    for (size_t n = 1 + Below(8); n > 0; --n) MutateOnce(corpus, &data);
    if (data.size() > kMaxInputBytes) data.resize(kMaxInputBytes);
    return data;
  }

 private:
  void MutateOnce(const std::vector<Seed>& corpus, Bytes* data) {
    static const uint32_t kInteresting[] = {0,     1,      0x7F,       0x80,       0xFF,
                                            0x100, 0x7FFF, 0x8000,     0xFFFF,     0x10000,
                                            65500, 65535,  0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
    Bytes& d = *data;
    size_t at = Below(d.size());
    switch (Below(d.empty() ? 1 : 9)) {
      case 0: {  // splice: this input's head, another's tail
        const Bytes& other = corpus[Below(corpus.size())].bytes;
        size_t from = Below(other.size());
        d.resize(Below(d.size() + 1));
        d.insert(d.end(), other.begin() + long(from), other.end());
        break;
      }
      case 1: d[at] ^= uint8_t(1u << Below(8)); break;
      case 2: d[at] = uint8_t(random_()); break;
      case 3: {  // an interesting number, 1, 2 or 4 bytes, either byte order
        uint32_t value = kInteresting[Below(std::size(kInteresting))];
        size_t width = size_t(1) << Below(3);
        bool bigEndian = Below(2) == 0;
        for (size_t i = 0; i < width && at + i < d.size(); ++i)
          d[at + i] = uint8_t(value >> (8 * (bigEndian ? width - 1 - i : i)));
        break;
      }
      case 4:
        d.erase(d.begin() + long(at),
                d.begin() + long(at + Below(std::min<size_t>(d.size() - at, 256) + 1)));
        break;
      case 5: {  // a run of the input repeated in place
        size_t length = 1 + Below(std::min<size_t>(d.size() - at, 512));
        Bytes run(d.begin() + long(at), d.begin() + long(at + length));
        for (size_t times = 1 + Below(4); times > 0; --times)
          d.insert(d.begin() + long(at), run.begin(), run.end());
        break;
      }
      case 6: d.resize(at); break;  // cut
      case 7: {                     // bytes of another input over these
        const Bytes& other = corpus[Below(corpus.size())].bytes;
        size_t from = Below(other.size());
        size_t length = std::min({other.size() - from, d.size() - at, 1 + Below(64)});
        std::memcpy(d.data() + at, other.data() + from, length);
        break;
      }
      default: d.insert(d.begin() + long(at), uint8_t(random_())); break;
    }
  }

  std::mt19937 random_;
};

// ---- Worker -----------------------------------------------------------------------

std::string WorkerFolder(DWORD processId) {
  return platform::TemporaryFolder() + "tamsel-fuzzwin-" + std::to_string(processId) + "\\";
}

std::string ReaderName(const std::string& path) {
  return path.substr(path.find_last_of("\\/") + 1);
}

// What a worker leaves: its input, its copy of the reader, its folders. The
// supervisor removes them after a worker that crashed or hung.
void RemoveWorkerFolder(DWORD processId, const std::string& readerName, const std::string& input) {
  std::string folder = WorkerFolder(processId);
  if (!input.empty()) DeleteFileA(input.c_str());
  DeleteFileA((folder + "file_r\\" + readerName).c_str());
  RemoveDirectoryA((folder + "file_r").c_str());
  RemoveDirectoryA(folder.c_str());
}

LONG WINAPI EndOnUnhandledException(EXCEPTION_POINTERS* exception) {
  // Report the exception as the exit code at once: no debugger, no dialog.
  TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

void Silently(platform::WindowHandle, const char*, const char*) {}

// A thumbnail that is not 24-bit within the box is a fault of the pipeline.
void ReadOnce(const std::string& path) {
  PackedDibPtr whole(ReadImageFile(path.c_str(), nullptr, ReaderPath(0), ReadMode::Silent));
  if (whole && whole->biBitCount != 24) std::abort();
  PackedDibPtr thumbnail(MakeThumbnail(nullptr, path.c_str(), kBoxWidth, kBoxHeight));
  if (thumbnail && (thumbnail->biBitCount != 24 || thumbnail->biWidth > kBoxWidth ||
                    thumbnail->biHeight > kBoxHeight))
    std::abort();
}

int RunWorker(const std::string& readerPath, DWORD seconds, const std::string& sharedName,
              const std::vector<std::string>& corpusFolders) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(EndOnUnhandledException);
  platform::SetMessageSink(Silently);
  HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, sharedName.c_str());
  auto* shared = mapping ? static_cast<SharedState*>(
                               MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(SharedState)))
                         : nullptr;
  if (!shared) return 2;

  // The reader in a program folder of its own, held loaded for the whole run.
  std::string folder = WorkerFolder(GetCurrentProcessId());
  std::string name = ReaderName(readerPath);
  platform::MakeFolder(folder.c_str());
  platform::MakeFolder((folder + "file_r").c_str());
  std::string installed = folder + "file_r\\" + name;
  if (!CopyFileA(readerPath.c_str(), installed.c_str(), FALSE)) return 2;
  HMODULE reader = LoadLibraryA(installed.c_str());
  if (!reader || !SetProgramFolder(folder.c_str())) return 2;
  ScanPlugins(g_app.programFolder, nullptr);
  std::vector<Seed> corpus = LoadCorpus(corpusFolders, ClaimedExtensions(reader));
  if (corpus.empty()) return 2;

  Mutator mutator(GetTickCount() ^ GetCurrentProcessId());
  DWORD start = GetTickCount();
  std::string previous;
  while (GetTickCount() - start < seconds * 1000) {
    const Seed& seed = corpus[mutator.Below(corpus.size())];
    Bytes input = mutator.Mutate(corpus, seed);
    std::string path = folder + "input." + seed.extension;
    if (path != previous) {
      if (!previous.empty()) DeleteFileA(previous.c_str());
      std::snprintf(shared->input, sizeof shared->input, "%s", path.c_str());
      previous = path;
    }
    if (!platform::WriteFileBytes(path.c_str(), input.data(), input.size())) return 2;
    ReadOnce(path);
    InterlockedIncrement(&shared->executions);
  }
  ReleasePlugins();
  FreeLibrary(reader);
  RemoveWorkerFolder(GetCurrentProcessId(), name, previous);
  return 0;
}

// ---- Supervisor -----------------------------------------------------------------------

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Keeps the worker's current input as findings\KIND-N.EXT.
void KeepFinding(const SharedState& shared, const std::string& findings, const char* kind, int n) {
  std::string input(shared.input, strnlen(shared.input, sizeof shared.input));
  std::string kept = findings + "\\" + kind + "-" + std::to_string(GetTickCount()) + "-" +
                     std::to_string(n) + "." + Extension(input);
  CopyFileA(input.c_str(), kept.c_str(), FALSE);
  std::printf("fuzz_win: %s, input kept as %s\n", kind, kept.c_str());
}

int RunSupervisor(int argc, char** argv) {
  std::string reader = argv[1], findings = argv[3];
  DWORD seconds = DWORD(std::strtoul(argv[2], nullptr, 10));
  CreateDirectoryA(findings.c_str(), nullptr);
  std::string sharedName = "tamsel-fuzzwin-" + std::to_string(GetCurrentProcessId());
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      sizeof(SharedState), sharedName.c_str());
  auto* shared = mapping ? static_cast<SharedState*>(
                               MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(SharedState)))
                         : nullptr;
  if (!shared) return 2;
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);

  DWORD start = GetTickCount(), total = seconds * 1000;
  long long executions = 0;
  int findingsCount = 0, workers = 0;
  while (GetTickCount() - start + 500 < total && findingsCount < kMaxFindings) {
    DWORD left = (total - (GetTickCount() - start)) / 1000 + 1;
    std::string command = Quoted(self) + " --worker " + Quoted(reader) + " " +
                          std::to_string(left) + " " + sharedName;
    for (int i = 4; i < argc; ++i) command += " " + Quoted(argv[i]);
    shared->executions = 0;
    shared->input[0] = '\0';
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
      return 2;
    ++workers;
    LONG seen = 0;
    DWORD lastProgress = GetTickCount();
    DWORD code = STILL_ACTIVE;
    while (WaitForSingleObject(process.hProcess, 1000) == WAIT_TIMEOUT) {
      if (shared->executions != seen) {
        seen = shared->executions;
        lastProgress = GetTickCount();
      } else if (GetTickCount() - lastProgress > kHangSeconds * 1000) {
        TerminateProcess(process.hProcess, 0);
        WaitForSingleObject(process.hProcess, INFINITE);
        KeepFinding(*shared, findings, "hang", ++findingsCount);
        code = 0;  // counted
        break;
      }
    }
    if (code == STILL_ACTIVE) {
      GetExitCodeProcess(process.hProcess, &code);
      if (code == 2 && shared->executions == 0) {
        std::printf("fuzz_win: the worker could not start (reader, corpus or scratch folder)\n");
        return 2;
      }
      if (code != 0) {
        std::printf("fuzz_win: the worker ended with 0x%08lx\n", code);
        KeepFinding(*shared, findings, "crash", ++findingsCount);
      }
    }
    executions += shared->executions;
    RemoveWorkerFolder(process.dwProcessId, ReaderName(reader),
                       std::string(shared->input, strnlen(shared->input, sizeof shared->input)));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  double elapsed = double(GetTickCount() - start) / 1000.0;
  std::printf("fuzz_win %s: executions %lld in %.0f s (%.0f/s), workers %d, findings %d\n",
              ReaderName(reader).c_str(), executions, elapsed,
              elapsed > 0 ? executions / elapsed : 0.0, workers, findingsCount);
  return findingsCount == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 6 && std::strcmp(argv[1], "--worker") == 0) {
    std::vector<std::string> corpus(argv + 5, argv + argc);
    return RunWorker(argv[2], DWORD(std::strtoul(argv[3], nullptr, 10)), argv[4], corpus);
  }
  if (argc < 5) {
    std::fprintf(stderr, "usage: fuzz_win READER.dll SECONDS FINDINGS CORPUS...\n");
    return 2;
  }
  int result = RunSupervisor(argc, argv);
  std::fflush(stdout);
  return result;
}
