// The cell's window-free helpers.
#pragma once

#include <cstddef>

// "<program>ondex.exe "<path>"" into `out`; false (and nothing to start) when
// it would not fit: a cut path would open the wrong file.
bool ViewerCommandLine(const char* programFolder, const char* path, char* out, size_t size);
