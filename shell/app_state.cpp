#include "shell/app_state.h"

#include <cstring>

AppState g_app;
AppWindows g_windows;

bool SetProgramFolder(const char* folder) {
  size_t length = std::strlen(folder);
  bool needsSeparator = length == 0 || folder[length - 1] != '\\';
  if (length + (needsSeparator ? 1 : 0) >= sizeof g_app.programFolder) return false;
  std::memcpy(g_app.programFolder, folder, length);
  if (needsSeparator) g_app.programFolder[length++] = '\\';
  g_app.programFolder[length] = '\0';
  return true;
}
