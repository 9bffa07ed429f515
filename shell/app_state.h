// The process-wide record of the browser, shared by every subsystem.
// Window and menu handles are held as opaque pointers so that window-free
// code can carry them without the Win32 headers.
#pragma once

#include <cstdint>

#include "platform/platform.h"

struct AppState {
  char programFolder[256];  // folder of the executable, ends in '\'
  int32_t toolbarHeight;
  char extensionFilter[64];  // "*" or "jpg;png"
  // Ends in '\\'; empty when no folder is shown (nothing is listed then).
  char currentFolder[platform::kMaxPathBytes];
  void* popupMenu;
  void* popupMenuResource;
  int32_t colourDepth;
};

// Handles of the browser's windows (HWND values).
struct AppWindows {
  void* instance;
  void* main;
  void* tree;
  void* grid;
  void* splitter;
  void* toolbar;
  void* statusBar;
};

extern AppState g_app;
extern AppWindows g_windows;

// Copies `folder` into the program folder, adding the final '\' if missing.
// Returns false (and leaves the record unchanged) when it does not fit.
bool SetProgramFolder(const char* folder);
