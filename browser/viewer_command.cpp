#include <cstdio>

#include "browser/cell_window_logic.h"

bool ViewerCommandLine(const char* programFolder, const char* path, char* out, size_t size) {
  int length = std::snprintf(out, size, "%sondex.exe \"%s\"", programFolder, path);
  return length > 0 && size_t(length) < size;
}
