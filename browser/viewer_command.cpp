#include <cstddef>
#include <cstdio>

// Declared in cell_window.h; kept free of windows so it can be tested natively.
bool ViewerCommandLine(const char* programFolder, const char* path, char* out, size_t size) {
  int length = std::snprintf(out, size, "%sondex.exe \"%s\"", programFolder, path);
  return length > 0 && size_t(length) < size;
}
