// Starting 8bfrun.exe on a picture and waiting for it while the calling
// thread's windows stay live. Win32 only.
#pragma once

#include <windows.h>

#include <string>

#include "image/packed_dib.h"
#include "runner/run_block.h"

// How the runner process ended, as the viewer sees it.
enum class RunnerEnd {
  Finished,    // the block says how the run ended
  Crashed,     // the process ended without finishing the block
  Stopped,     // ended by Stop, or the thread is quitting
  NotStarted,  // no memory for the block, or no runner to start
};

class RunnerProcess {
 public:
  RunnerProcess() = default;
  ~RunnerProcess();
  RunnerProcess(const RunnerProcess&) = delete;
  RunnerProcess& operator=(const RunnerProcess&) = delete;

  // Puts a copy of the 24-bit `picture` in a new shared block and starts
  // `runner` on it for filter `entry` of `module`; `owner` owns the
  // filter's dialogs and receives its progress. False when either fails.
  bool Start(const std::string& runner, HWND owner, const DibHeader* picture,
             const std::string& module, int32_t entry);
  // Dispatches this thread's messages (`dialog`, when given, gets its
  // keyboard handling) until the runner ends. A WM_QUIT stops the runner
  // and is posted again for the caller's loop.
  RunnerEnd WaitPumping(HWND dialog);
  // Ends the runner now; WaitPumping then answers Stopped.
  void Stop();
  bool Running() const { return process_ != nullptr && !ended_; }

  // The block's record once finished (nullptr before).
  const RunBlock* Record() const;
  // Copies the filtered pixels into `picture` (same size); false otherwise.
  bool CopyResultInto(PackedDib picture);

 private:
  void Close();

  HANDLE mapping_ = nullptr;
  void* view_ = nullptr;
  size_t bytes_ = 0;
  HANDLE process_ = nullptr;
  bool ended_ = false, stopped_ = false, finished_ = false;
};
