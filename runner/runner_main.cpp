// 8bfrun.exe: runs one filter over a picture in shared memory, for a viewer
// of any architecture. `8bfrun.exe CONTROL OWNER`: CONTROL names the control
// block (runner/run_block.h), OWNER is the viewer's window as a number (the
// filter's dialogs are owned by it and its progress goes to it). The runner
// loads 8bfkvt.dll from its own folder, says it is ready and waits for its
// run, so a viewer can start it ahead of time; it ends when the owner's
// window is gone. Exit code 0 once the run block says how the run ended;
// any other code means the run never finished.
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "runner/run_block.h"
#include "viewer/host_lines.h"

namespace {

enum ExitCode { kFinished = 0, kBadArguments = 2, kNoBlock = 3, kNoAdapter = 4, kNoRun = 5 };

using RunFn = int32_t(HOST_LINE_CALL*)(HWND, const HostImageSize*, HostLineProc*, HostLineProc*);
using UseModuleFn = int32_t(HOST_LINE_CALL*)(const char*, int32_t);
using LastResultFn = int32_t(HOST_LINE_CALL*)(int32_t*, char*, int32_t);
using RepeatNextFn = int32_t(HOST_LINE_CALL*)(int32_t);  // optional
using AboutFn = int32_t(HOST_LINE_CALL*)(HWND);          // optional

// A named mapping, mapped whole for the life of the object.
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
  MappedBlock(const MappedBlock&) = delete;
  MappedBlock& operator=(const MappedBlock&) = delete;
};

struct Adapter {
  platform::ScopedLibrary library{(platform::ExecutableFolder() + "8bfkvt.dll").c_str()};
  RunFn run = reinterpret_cast<RunFn>(library.Export("FilterProc"));
  UseModuleFn use = reinterpret_cast<UseModuleFn>(library.Export("FilterUseModule"));
  LastResultFn lastResult = reinterpret_cast<LastResultFn>(library.Export("FilterLastResult"));
  RepeatNextFn repeatNext = reinterpret_cast<RepeatNextFn>(library.Export("FilterRepeatNext"));
  AboutFn about = reinterpret_cast<AboutFn>(library.Export("FilterAbout"));
  bool Usable() const { return run && use && lastResult; }
};

// A crash inside the filter ends the process at once, without the system's
// error dialog: the viewer sees the block unfinished and says so.
LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* exception) {
  TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

// Waits for the go event; false when the owner's window goes first.
bool WaitForRun(HANDLE go, HWND owner) {
  for (;;) {
    if (WaitForSingleObject(go, 250) == WAIT_OBJECT_0) return true;
    if (!IsWindow(owner)) return false;
  }
}

// Runs the block's filter through 8bfkvt and writes how it ended.
void RunFilterOfBlock(const Adapter& adapter, HWND owner, RunBlock* record, PackedDib picture) {
  record->modulePath[sizeof record->modulePath - 1] = '\0';
  if (!adapter.use(record->modulePath, record->entryIndex)) return;
  record->state = kRunStarted;
  if (record->flags & kRunAbout) {  // the about box only: nothing is applied
    if (adapter.about) adapter.about(owner);
    record->state = kRunFinished;
    return;
  }
  if (adapter.repeatNext) adapter.repeatNext((record->flags & kRunRepeat) ? 1 : 0);
  FilterHostImage image(picture);
  // FilterProc takes the store cell before the read cell.
  adapter.run(owner, image.Size(), image.PutCell(), image.GetCell());
  int32_t code = 0;
  record->outcome = adapter.lastResult(&code, record->message, int32_t(sizeof record->message));
  record->code = code;
  record->state = kRunFinished;
}

void TouchPages(const void* view, size_t bytes) {
  const volatile uint8_t* page = static_cast<const volatile uint8_t*>(view);
  for (size_t at = 0; view && at < bytes; at += 4096) (void)page[at];
}

int RunBlockOf(const Adapter& adapter, HWND owner, const MappedBlock& block);

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(EndOnCrash);
  if (__argc != 3) return kBadArguments;
  HWND owner = reinterpret_cast<HWND>(uintptr_t(std::strtoull(__argv[2], nullptr, 10)));
  MappedBlock control(__argv[1]);
  auto* call = static_cast<RunControl*>(control.view);
  if (!call || control.bytes < sizeof(RunControl) || call->magic != kRunControlMagic)
    return kNoBlock;
  HANDLE go = OpenEventA(SYNCHRONIZE, FALSE, (std::string(__argv[1]) + ".go").c_str());
  Adapter adapter;
  if (!go || !adapter.Usable()) return kNoAdapter;
  // The block the viewer kept from its last run is mapped and its pages
  // touched while waiting: the run will most likely use it again.
  call->blockName[sizeof call->blockName - 1] = '\0';
  std::string kept = call->blockName;
  std::unique_ptr<MappedBlock> block;
  if (!kept.empty()) {
    block = std::make_unique<MappedBlock>(kept.c_str());
    TouchPages(block->view, block->bytes);
  }
  call->ready = 1;
  bool asked = WaitForRun(go, owner);
  CloseHandle(go);
  if (!asked) return kNoRun;
  call->blockName[sizeof call->blockName - 1] = '\0';
  if (!block || kept != call->blockName) block = std::make_unique<MappedBlock>(call->blockName);
  return RunBlockOf(adapter, owner, *block);
}

namespace {

int RunBlockOf(const Adapter& adapter, HWND owner, const MappedBlock& block) {
  PackedDib picture = RunBlockPicture(block.view, block.bytes);
  if (!picture) return kNoBlock;
  auto* record = static_cast<RunBlock*>(block.view);
  RunFilterOfBlock(adapter, owner, record, picture);
  return record->state == kRunFinished ? kFinished : kNoRun;
}

}  // namespace
