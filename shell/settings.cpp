#include "shell/settings.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "text/path_utils.h"

Settings g_settings;

static std::string FileIn(const char* folder, const char* name) {
  return std::string(folder) + name;
}

// Settings and history are written when the browser closes, with nobody to
// tell: a refusal (a read-only program folder) is traced.
static int WriteProgramFile(const char* folder, const char* name, const void* data, size_t size) {
  std::string path = FileIn(folder, name);
  if (platform::WriteFileBytes(path.c_str(), data, size)) return 1;
  platform::TraceLastError("WriteProgramFile", path.c_str());
  return 0;
}

void SetDefaultSettings() {
  g_settings = Settings{};
  g_settings.treeWidth = 192;
  g_settings.formatIndex = 1;
}

int ReadSettings(const char* programFolder) {
  Settings read = g_settings;  // a short file keeps the fields it does not cover
  long got = platform::ReadFileBytes(FileIn(programFolder, "eenv.env").c_str(), &read, sizeof read);
  if (got < 0) return 0;
  g_settings = read;
  return 1;
}

int WriteSettings(const char* programFolder) {
  return WriteProgramFile(programFolder, "eenv.env", &g_settings, sizeof g_settings);
}

int32_t UsableThumbSize() {
  return g_settings.thumbSize >= 0 && g_settings.thumbSize <= 2 ? g_settings.thumbSize : 0;
}

int32_t UsableFormatIndex(int32_t formatCount) {
  int32_t index = g_settings.formatIndex;
  return index >= 0 && index <= formatCount ? index : 0;
}

// ---- Folder history ----------------------------------------------------------

static char* g_historyBlock = nullptr;

bool CreateFolderHistory() {
  if (!g_historyBlock)
    g_historyBlock = static_cast<char*>(platform::GlobalBlockAlloc(kHistoryFileBytes));
  return g_historyBlock != nullptr;
}

void FreeFolderHistory() {
  platform::GlobalBlockFree(g_historyBlock);
  g_historyBlock = nullptr;
}

static char* Slot(int k) { return g_historyBlock + k * kHistorySlotBytes; }

// A folder stored by an earlier version is in the system's page; the
// browser now runs in UTF-8 where the system allows. One that does not fit
// its slot once converted is kept as it was: the listing refuses it with a
// message, and the slots after it stay in place.
static void ConvertStoredFolder(char* slot) {
  std::string converted = FromSystemCodePage(slot);
  if (!converted.empty() && converted.size() < size_t(kHistorySlotBytes))
    std::memcpy(slot, converted.c_str(), converted.size() + 1);
}

int ReadHistory(const char* programFolder) {
  if (!CreateFolderHistory()) return 0;
  long got = platform::ReadFileBytes(FileIn(programFolder, "phist.dat").c_str(), g_historyBlock,
                                     kHistoryFileBytes);
  if (got < 0) return 0;
  for (int k = 0; k < kHistorySlots; ++k) {
    Slot(k)[kHistorySlotBytes - 1] = '\0';
    ConvertStoredFolder(Slot(k));
  }
  return 1;
}

int WriteHistory(const char* programFolder) {
  if (!g_historyBlock) return 0;
  return WriteProgramFile(programFolder, "phist.dat", g_historyBlock, kHistoryFileBytes);
}

const char* HistorySlot(int k) {
  if (!g_historyBlock || k < 0 || k >= kHistorySlots) return "";
  return Slot(k);
}

int HistoryCount() {
  int n = 0;
  while (n < kHistorySlots && *HistorySlot(n)) ++n;
  return n;
}

// Copies the text of slot `from` over slot `to`; bytes after the terminator
// keep what the slot held.
static void MoveSlot(int from, int to) { std::strcpy(Slot(to), Slot(from)); }

bool AddFolderToHistory(const char* path) {
  size_t length = std::strlen(path);
  if (length == 0 || length >= size_t(kHistorySlotBytes) || !CreateFolderHistory()) return false;
  int used = 0;
  while (used < kHistoryUsedSlots && *Slot(used)) ++used;
  int last = used < kHistoryUsedSlots - 1 ? used : kHistoryUsedSlots - 1;  // m
  int found = -1;
  for (int k = 0; k <= last && found < 0; ++k)
    if (CompareNoCase(Slot(k), path) == 0) found = k;
  int shiftUntil = found >= 0 ? found : (last < kHistoryUsedSlots - 1 ? last + 1 : last);
  for (int k = shiftUntil; k > 0; --k) MoveSlot(k - 1, k);
  std::memcpy(Slot(0), path, length + 1);
  return true;
}
