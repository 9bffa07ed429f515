// 8bfkvt.dll beside the viewer, loaded once for the life of the process: the
// title of the run command, the choice of the .8bf file and of one of its
// filters. A run happens in 8bfrun.exe of the filter module's architecture,
// over a copy of the picture in shared memory, while the viewer's windows
// stay live. Win32 only.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "image/packed_dib.h"
#include "platform/platform.h"
#include "viewer/host_lines.h"

class RunnerProcess;

// How one run ended. Only `Applied` changed the picture; every other outcome
// leaves it (and the caller's undo copy) as it was before the run.
enum class FilterOutcome { Applied, Cancelled, Failed, Stopped, Crashed };

struct FilterRunResult {
  FilterOutcome outcome = FilterOutcome::Failed;
  std::string
      message;  // the filter's own error text, or why the run was refused; "" for the plain one
  int32_t code = 0;  // the filter's result code when it failed
};

// One filter of the chosen module: its title (the module's own name for it)
// and whether it can run.
struct FilterChoice {
  std::string title;
  bool runnable = false;
};

class FilterLibrary {
 public:
  FilterLibrary();
  ~FilterLibrary();
  // Loads `path`; false when it is missing or lacks one of the exports.
  bool Load(const std::string& path);
  bool Loaded() const { return run_ != nullptr; }

  // The library's title for its run command ("" when not loaded).
  std::string Title() const;
  // Lets the user choose the .8bf file (the library remembers it); its first
  // filter is the one run.
  void Choose(HWND owner) const;
  // The filters of the chosen module, in order; empty when it cannot be read.
  std::vector<FilterChoice> Filters() const;
  void ChooseFilter(int32_t index) const { entry_ = index; }
  int32_t ChosenFilter() const { return entry_; }

  // Runs the chosen filter over a copy of the 24-bit picture in a runner
  // process, dispatching this thread's messages meanwhile (a small window
  // owned by `host` offers Stop); `host` owns the filter's dialogs and gets
  // the progress notifications. The picture changes only when the run is
  // applied.
  // `repeat`: the user repeats the last filter (Ctrl+F): its last settings
  // are played without a dialog the filter recorded as optional.
  FilterRunResult Run(HWND host, PackedDib picture, bool repeat = false) const;
  // The chosen filter's about box, shown by a runner and owned by `host`;
  // returns when it is closed. Nothing when no runnable filter is chosen.
  void About(HWND host) const;
  // Ends the run in progress (its result is then Stopped).
  void Stop() const;
  bool IsRunning() const { return running_; }
  // Starts the runner for the chosen module ahead of its run, so that a run
  // does not wait for a process to start (each run ends its runner; the next
  // one is started the same way after it).
  void Prepare(HWND host) const;

 private:
  using TitleFn = int32_t(HOST_LINE_CALL*)(int32_t, char*, int32_t*, int32_t*);
  using OptionFn = int32_t(HOST_LINE_CALL*)(HWND);
  using RunFn = int32_t(HOST_LINE_CALL*)(HWND, const HostImageSize*, HostLineProc* put,
                                         HostLineProc* get);
  using ChosenModuleFn = int32_t(HOST_LINE_CALL*)(char*, int32_t);
  using DescribeFn = int32_t(HOST_LINE_CALL*)(const char*, int32_t, char*, int32_t, int32_t*);

  FilterRunResult RunInRunner(HWND host, PackedDib picture, const std::string& module,
                              const std::string& runner, bool repeat) const;
  // The chosen module's path and its runner ("" when it cannot be told).
  bool ChosenRunner(std::string* module, std::string* runner, int32_t* state) const;

  std::unique_ptr<platform::ScopedLibrary> library_;
  std::string folder_;  // of the library, where the runners are found
  TitleFn title_ = nullptr;
  OptionFn option_ = nullptr;
  RunFn run_ = nullptr;
  ChosenModuleFn chosenModule_ = nullptr;
  DescribeFn describe_ = nullptr;
  mutable int32_t entry_ = 0;
  std::unique_ptr<RunnerProcess> runner_;  // kept between runs: its block and the next runner
  mutable bool running_ = false;
};
