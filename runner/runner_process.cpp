#include "runner/runner_process.h"

#include <cstdio>

namespace {

// A name no other run of any process uses at the same time.
std::string NewBlockName() {
  static LONG counter = 0;
  char name[96];
  std::snprintf(name, sizeof name, "Local\\tamsel.8bfrun.%lu.%ld", GetCurrentProcessId(),
                long(InterlockedIncrement(&counter)));
  return name;
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
  Stop();
  Close();
}

bool RunnerProcess::Start(const std::string& runner, HWND owner, const DibHeader* picture,
                          const std::string& module, int32_t entry) {
  Close();
  uint32_t bytes = picture ? RunBlockBytes(picture->biWidth, picture->biHeight) : 0;
  if (bytes == 0) return false;
  std::string name = NewBlockName();
  mapping_ =
      CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, bytes, name.c_str());
  view_ = mapping_ ? MapViewOfFile(mapping_, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, bytes) : nullptr;
  bytes_ = bytes;
  if (!view_ || !PrepareRunBlock(view_, bytes_, picture, module, entry)) return false;
  char command[1200];
  std::snprintf(command, sizeof command, "\"%s\" %s %llu", runner.c_str(), name.c_str(),
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(owner)));
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessA(runner.c_str(), command, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started))
    return false;
  CloseHandle(started.hThread);
  process_ = started.hProcess;
  ended_ = stopped_ = finished_ = false;
  return true;
}

RunnerEnd RunnerProcess::WaitPumping(HWND dialog) {
  if (!process_) return RunnerEnd::NotStarted;
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
  const auto* record = static_cast<const RunBlock*>(view_);
  finished_ = !stopped_ && exitCode == 0 && record->state == kRunFinished;
  if (stopped_) return RunnerEnd::Stopped;
  return finished_ ? RunnerEnd::Finished : RunnerEnd::Crashed;
}

void RunnerProcess::Stop() {
  if (!Running()) return;
  stopped_ = true;
  TerminateProcess(process_, 1);
  WaitForSingleObject(process_, 5000);
}

const RunBlock* RunnerProcess::Record() const {
  return finished_ ? static_cast<const RunBlock*>(view_) : nullptr;
}

bool RunnerProcess::CopyResultInto(PackedDib picture) {
  return finished_ && CopyRunBlockPixels(view_, bytes_, picture);
}

void RunnerProcess::Close() {
  if (process_) CloseHandle(process_);
  if (view_) UnmapViewOfFile(view_);
  if (mapping_) CloseHandle(mapping_);
  process_ = nullptr;
  view_ = nullptr;
  mapping_ = nullptr;
  bytes_ = 0;
}
