// Starting 8bfrun.exe and running a filter in it over a copy of a picture,
// while the calling thread's windows stay live. A runner can be started
// ahead of its run, and the shared block is kept for the next run of the
// same size or smaller. Win32 only.
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

  // Starts `runner` ahead of a run: it loads 8bfkvt.dll and waits. `owner`
  // owns the filter's dialogs and receives its progress. Any earlier
  // waiting runner is ended.
  bool Prestart(const std::string& runner, HWND owner);
  // Puts a copy of the 24-bit `picture` in the shared block and has the
  // runner run filter `entry` of `module` on it (a runner started ahead for
  // the same program and owner, otherwise a new one). False when the block
  // or the runner cannot be had.
  bool Start(const std::string& runner, HWND owner, const DibHeader* picture,
             const std::string& module, int32_t entry, int32_t flags = 0);
  // Dispatches this thread's messages (`dialog`, when given, gets its
  // keyboard handling) until the runner ends. A WM_QUIT stops the runner
  // and is posted again for the caller's loop.
  RunnerEnd WaitPumping(HWND dialog);
  // Ends the run in progress now; WaitPumping then answers Stopped.
  void Stop();
  bool Running() const { return process_ != nullptr && asked_ && !ended_; }
  // Whether a runner started ahead has loaded 8bfkvt.dll and waits.
  bool Ready() const;

  // How far the run has come (RunState), read from the block while it runs.
  int32_t State() const;
  // The block's record once finished (nullptr before).
  const RunBlock* Record() const;
  // Copies the filtered pixels into `picture` (same size); false otherwise.
  bool CopyResultInto(PackedDib picture);

 private:
  bool MakeBlock(uint32_t bytes);
  void EndProcess();
  void FreeBlock();

  // The runner process and its control block.
  HANDLE process_ = nullptr, control_ = nullptr, go_ = nullptr;
  RunControl* call_ = nullptr;
  std::string runner_;
  HWND owner_ = nullptr;
  bool asked_ = false, ended_ = false, stopped_ = false, finished_ = false;
  // The run block.
  HANDLE block_ = nullptr;
  void* view_ = nullptr;
  size_t bytes_ = 0;
  std::string blockName_;
};
