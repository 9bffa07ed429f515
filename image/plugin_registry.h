// The reader and writer plug-in tables: full paths of the DLLs in file_r\ and
// file_w\ beside the program, in case-insensitive path order. Filled once at
// start-up, read-only afterwards.
#pragma once

#include <cstdint>

#include "image/plugin_api.h"

constexpr int kPluginSlots = 50;
constexpr int kPluginSlotBytes = 200;

// Fills both tables from file_r\ and file_w\ in `programFolder` (ending
// in '\') and asks each reader once for its extension list (ReadFileInfo,
// given `statusWindow`, which may be null).
void ScanPlugins(const char* programFolder, void* statusWindow);
// Frees both tables; safe to call when they are absent.
void ReleasePlugins();

// Path in slot `index`, or "" for an empty or absent slot. The first empty
// slot ends a table.
const char* ReaderPath(int index);
const char* WriterPath(int index);

// Slot index of the first reader whose extension list (as asked at
// ScanPlugins) claims the file's extension, or -1. Loads no DLL.
int32_t FindReader(const char* fileName);
// Slot `index`'s extension list as asked at ScanPlugins ("" for an empty or
// absent slot, or a reader that gave none).
const char* ReaderExtensions(int index);

// Loads the DLL, calls its info export (ReadFileInfo or WriteFileInfo) with
// `window` and unloads it. The strings of `info` are always terminated on
// return. False when the DLL cannot be loaded or lacks the export.
bool QueryFormatInfo(const char* pluginPath, const char* exportName, void* window,
                     FormatInfo* info);

// Held around every use of a reader: several thumbnail workers may read at
// once, but a reader that did not declare itself safe for that
// (ReadFileConcurrent) is called by one thread at a time. A path that is no
// reader of the table takes no turn.
class ReaderTurn {
 public:
  explicit ReaderTurn(const char* pluginPath);
  ~ReaderTurn();
  ReaderTurn(const ReaderTurn&) = delete;
  ReaderTurn& operator=(const ReaderTurn&) = delete;

 private:
  int held_ = -1;
};
