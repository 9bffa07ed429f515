// The Settings record (eenv.env, 40 bytes) and the folder history
// (phist.dat, 25,700 bytes), both in the program folder.
#pragma once

#include <cstdint>

struct Settings {
  int32_t treeWidth;        // pixels at 96 DPI (scaled on denser screens); default 192
  int32_t formatIndex;      // 0 = all formats, n = n-th format entry; default 1
  int32_t thumbSize;        // 0, 1, 2
  int32_t maximized;        // 1 when the window was maximized at exit
  uint32_t windowPosition;  // low 16 bits left, high 16 bits top
  uint32_t windowSize;      // low 16 bits width, high 16 bits height
  int32_t reserved24;       // written back unchanged
  int32_t sortOrder;        // 0 to 5
  int32_t reserved32;       // written back unchanged
  int32_t keepOnTop;        // 1 keeps the main window above others
};
static_assert(sizeof(Settings) == 40, "eenv.env is 40 bytes");

extern Settings g_settings;

// Tree width 192, format index 1, every other field 0.
void SetDefaultSettings();
// Reads up to 40 bytes of "<folder>eenv.env" over g_settings; a shorter file
// changes only the fields it covers. 1 when the file was opened.
int ReadSettings(const char* programFolder);
// Writes g_settings as it is held. 1 on success.
int WriteSettings(const char* programFolder);

// The fields that index tables, checked where they are used: a thumbnail size
// outside 0 to 2 acts as 0; a format index outside 0 to formatCount acts as 0.
int32_t UsableThumbSize();
int32_t UsableFormatIndex(int32_t formatCount);

// ---- Folder history ----------------------------------------------------------

constexpr int kHistorySlots = 100;
constexpr int kHistorySlotBytes = 256;
constexpr int kHistoryUsedSlots = 20;
constexpr int kHistoryFileBytes = kHistorySlots * kHistorySlotBytes + 100;

// Allocates the zero-filled history block (once per process).
bool CreateFolderHistory();
void FreeFolderHistory();
// Reads up to 25,700 bytes of "<folder>phist.dat" over the block and ends
// every slot at its byte 255. 1 when the file was opened.
int ReadHistory(const char* programFolder);
int WriteHistory(const char* programFolder);

// Slot k's folder ("" when empty or out of range) and the number of folders
// before the first empty slot (at most 100).
const char* HistorySlot(int k);
int HistoryCount();

// Makes `path` the most recent folder: a folder already among the first 20
// (ignoring case) moves to the front with the new spelling, a new one pushes
// the others down and the 20th drops out. Slots past the 20th are never
// touched. An empty path or one that does not fit a slot is ignored.
// Returns true when the history changed.
bool AddFolderToHistory(const char* path);
