#include "runner/runner_process.h"

#include <cstdio>
#include <cstring>

namespace {

// A name no other mapping of any process uses at the same time.
std::string NewName(const char* kind) {
  static LONG counter = 0;
  char name[96];
  std::snprintf(name, sizeof name, "Local\\tamsel.8bfrun.%s.%lu.%ld", kind, GetCurrentProcessId(),
                long(InterlockedIncrement(&counter)));
  return name;
}

void* MapWhole(HANDLE mapping, size_t bytes) {
  return mapping ? MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, bytes) : nullptr;
}

void DispatchWaiting(HWND dialog, bool* quit, int* quitCode) {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      *quit = true;
      *quitCode = int(message.wParam);
      continue;
    }
    if (dialog && IsWindow(dialog) && IsDialogMessageA(dialog, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace

RunnerProcess::~RunnerProcess() {
  EndProcess();
  FreeBlock();
}

bool RunnerProcess::Prestart(const std::string& runner, HWND owner) {
  EndProcess();
  std::string control = NewName("control");
  control_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                sizeof(RunControl), control.c_str());
  call_ = static_cast<RunControl*>(MapWhole(control_, sizeof(RunControl)));
  go_ = CreateEventA(nullptr, FALSE, FALSE, (control + ".go").c_str());
  if (!call_ || !go_) {
    EndProcess();
    return false;
  }
  call_->magic = kRunControlMagic;
  // The block of the last run, which the runner maps while it waits.
  std::snprintf(call_->blockName, sizeof call_->blockName, "%s", view_ ? blockName_.c_str() : "");
  char command[1200];
  std::snprintf(command, sizeof command, "\"%s\" %s %llu", runner.c_str(), control.c_str(),
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(owner)));
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessA(runner.c_str(), command, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    EndProcess();
    return false;
  }
  CloseHandle(started.hThread);
  process_ = started.hProcess;
  runner_ = runner;
  owner_ = owner;
  return true;
}

bool RunnerProcess::Ready() const {
  return call_ && static_cast<volatile RunControl*>(call_)->ready == 1;
}

bool RunnerProcess::MakeBlock(uint32_t bytes) {
  if (view_ && bytes_ >= bytes) return true;  // the last run's block will do
  FreeBlock();
  blockName_ = NewName("block");
  block_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, bytes,
                              blockName_.c_str());
  view_ = MapWhole(block_, bytes);
  bytes_ = bytes;
  if (view_) return true;
  FreeBlock();
  return false;
}

bool RunnerProcess::Start(const std::string& runner, HWND owner, const DibHeader* picture,
                          const std::string& module, int32_t entry, int32_t flags) {
  uint32_t bytes = picture ? RunBlockBytes(picture->biWidth, picture->biHeight) : 0;
  if (bytes == 0 || !MakeBlock(bytes) ||
      !PrepareRunBlock(view_, bytes_, picture, module, entry, flags))
    return false;
  bool waiting = process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
  if ((!waiting || runner != runner_ || owner != owner_) && !Prestart(runner, owner)) return false;
  std::snprintf(call_->blockName, sizeof call_->blockName, "%s", blockName_.c_str());
  asked_ = true;
  ended_ = stopped_ = finished_ = false;
  return SetEvent(go_) != 0;
}

RunnerEnd RunnerProcess::WaitPumping(HWND dialog) {
  if (!Running()) return RunnerEnd::NotStarted;
  bool quit = false;
  int quitCode = 0;
  while (!ended_) {
    DWORD woken = MsgWaitForMultipleObjects(1, &process_, FALSE, INFINITE, QS_ALLINPUT);
    if (woken == WAIT_OBJECT_0) {
      ended_ = true;
      break;
    }
    DispatchWaiting(dialog, &quit, &quitCode);
    if (quit) Stop();
  }
  if (quit) PostQuitMessage(quitCode);
  DWORD exitCode = 1;
  GetExitCodeProcess(process_, &exitCode);
  finished_ = !stopped_ && exitCode == 0 && State() == kRunFinished;
  bool stopped = stopped_;
  EndProcess();
  if (stopped) return RunnerEnd::Stopped;
  return finished_ ? RunnerEnd::Finished : RunnerEnd::Crashed;
}

void RunnerProcess::Stop() {
  if (!Running()) return;
  stopped_ = true;
  TerminateProcess(process_, 1);
  WaitForSingleObject(process_, 5000);
}

int32_t RunnerProcess::State() const {
  if (!view_) return kRunWaiting;
  return static_cast<const volatile RunBlock*>(view_)->state;
}

const RunBlock* RunnerProcess::Record() const {
  return finished_ ? static_cast<const RunBlock*>(view_) : nullptr;
}

bool RunnerProcess::CopyResultInto(PackedDib picture) {
  return finished_ && CopyRunBlockPixels(view_, bytes_, picture);
}

void RunnerProcess::EndProcess() {
  if (process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_, 1);  // a runner still waiting for its run
    WaitForSingleObject(process_, 5000);
  }
  if (process_) CloseHandle(process_);
  if (go_) CloseHandle(go_);
  if (call_) UnmapViewOfFile(call_);
  if (control_) CloseHandle(control_);
  process_ = go_ = control_ = nullptr;
  call_ = nullptr;
  asked_ = false;
}

void RunnerProcess::FreeBlock() {
  if (view_) UnmapViewOfFile(view_);
  if (block_) CloseHandle(block_);
  view_ = nullptr;
  block_ = nullptr;
  bytes_ = 0;
}
