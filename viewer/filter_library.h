// 8bfkvt.dll beside the viewer, loaded once for the life of the process, and
// its three exports: the title of the run command, the choice of the .8bf
// file and the run over the shown picture. Win32 only.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "image/packed_dib.h"
#include "platform/platform.h"
#include "viewer/host_lines.h"

// How one run ended. Only `Applied` changed the picture; every other outcome
// leaves it (and the caller's undo copy) as it was before the run.
enum class FilterOutcome { Applied, Cancelled, Failed, Stopped, Crashed };

struct FilterRunResult {
  FilterOutcome outcome = FilterOutcome::Failed;
  std::string message;  // the filter's own error text, or "" for the plain one
};

class FilterLibrary {
 public:
  // Loads `path`; false when it is missing or lacks one of the exports.
  bool Load(const std::string& path);
  bool Loaded() const { return run_ != nullptr; }

  // The library's title for its run command ("" when not loaded).
  std::string Title() const;
  // Lets the user choose the .8bf file (the library remembers it).
  void Choose(HWND owner) const;
  // Runs the chosen filter over a 24-bit picture, changed in place through
  // the line callbacks. `host` receives the progress notifications.
  FilterRunResult Run(HWND host, PackedDib picture) const;

 private:
  using TitleFn = int32_t(HOST_LINE_CALL*)(int32_t, char*, int32_t*, int32_t*);
  using OptionFn = int32_t(HOST_LINE_CALL*)(HWND);
  using RunFn = int32_t(HOST_LINE_CALL*)(HWND, const HostImageSize*, HostLineProc* put,
                                         HostLineProc* get);

  std::unique_ptr<platform::ScopedLibrary> library_;
  TitleFn title_ = nullptr;
  OptionFn option_ = nullptr;
  RunFn run_ = nullptr;
};
