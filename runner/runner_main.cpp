// 8bfrun.exe: runs one filter over a picture in shared memory, for a viewer
// of any architecture. `8bfrun.exe MAPPING OWNER`: MAPPING names the run
// block (runner/run_block.h), OWNER is the viewer's window as a number (the
// filter's dialogs are owned by it and its progress goes to it). Loads
// 8bfkvt.dll from its own folder. Exit code 0 once the block says how the run
// ended; any other code means the run never finished.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "runner/run_block.h"
#include "viewer/host_lines.h"

namespace {

enum ExitCode { kFinished = 0, kBadArguments = 2, kNoBlock = 3, kNoAdapter = 4 };

using RunFn = int32_t(HOST_LINE_CALL*)(HWND, const HostImageSize*, HostLineProc*, HostLineProc*);
using UseModuleFn = int32_t(HOST_LINE_CALL*)(const char*, int32_t);
using LastResultFn = int32_t(HOST_LINE_CALL*)(int32_t*, char*, int32_t);

// The mapped run block for the life of the process.
struct MappedBlock {
  HANDLE mapping = nullptr;
  void* view = nullptr;
  size_t bytes = 0;
  explicit MappedBlock(const char* name) {
    mapping = OpenFileMappingA(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, name);
    view = mapping ? MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0) : nullptr;
    MEMORY_BASIC_INFORMATION region = {};
    if (view && VirtualQuery(view, &region, sizeof region)) bytes = region.RegionSize;
  }
  ~MappedBlock() {
    if (view) UnmapViewOfFile(view);
    if (mapping) CloseHandle(mapping);
  }
};

// A crash inside the filter ends the process at once, without the system's
// error dialog: the viewer sees the block unfinished and says so.
LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* exception) {
  TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

// Runs the block's filter through 8bfkvt; false when the library lacks the
// exports a run needs.
bool RunFilterOfBlock(HWND owner, RunBlock* record, PackedDib picture) {
  platform::ScopedLibrary adapter((platform::ExecutableFolder() + "8bfkvt.dll").c_str());
  auto run = reinterpret_cast<RunFn>(adapter.Export("FilterProc"));
  auto use = reinterpret_cast<UseModuleFn>(adapter.Export("FilterUseModule"));
  auto lastResult = reinterpret_cast<LastResultFn>(adapter.Export("FilterLastResult"));
  if (!run || !use || !lastResult) return false;
  record->modulePath[sizeof record->modulePath - 1] = '\0';
  if (!use(record->modulePath, record->entryIndex)) return false;
  record->state = kRunStarted;
  FilterHostImage image(picture);
  // FilterProc takes the store cell before the read cell.
  run(owner, image.Size(), image.PutCell(), image.GetCell());
  int32_t code = 0;
  record->outcome = lastResult(&code, record->message, int32_t(sizeof record->message));
  record->code = code;
  return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(EndOnCrash);
  if (__argc != 3) return kBadArguments;
  HWND owner = reinterpret_cast<HWND>(uintptr_t(std::strtoull(__argv[2], nullptr, 10)));
  MappedBlock block(__argv[1]);
  PackedDib picture = RunBlockPicture(block.view, block.bytes);
  if (!picture) return kNoBlock;
  auto* record = static_cast<RunBlock*>(block.view);
  if (!RunFilterOfBlock(owner, record, picture)) return kNoAdapter;
  record->state = kRunFinished;
  FlushViewOfFile(block.view, 0);
  return kFinished;
}
