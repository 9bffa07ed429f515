// A scratch folder for fuzz targets whose code under test reads files: one
// per process, made at the first call, in the browser's path form; and a
// reader plug-in installed in it as the browser finds its readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// "<temp>/tamsel-fuzz-<pid>\" with a trailing backslash (the POSIX side of
// the platform seam turns backslashes into slashes).
const std::string& FuzzFolder();
// Writes `size` bytes to FuzzFolder() + name.
void WriteFuzzFile(const std::string& name, const uint8_t* data, size_t size);
// Makes FuzzFolder() the program folder with a copy of the reader built at
// `builtPath` in its file_r as `name`, fills the plug-in registry, and
// returns the copy's handle, held loaded for the whole run: the pipeline
// loads and frees it for every picture, and the fuzzer keeps counting in its
// code. Aborts when the reader cannot be installed.
void* InstallReader(const char* builtPath, const char* name);
