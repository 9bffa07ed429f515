// The new path of a rename, free of windows.
#pragma once

#include <string>

// "<folder>\<base>.<extension>" (a name without an extension keeps a final
// dot, as it always has). Empty when it would not fit a full path (260 bytes
// with the terminator): nothing is renamed then.
std::string RenamedPath(const char* folder, const char* base, const char* extension);
