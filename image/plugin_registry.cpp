#include "image/plugin_registry.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "image/reusable_image.h"
#include "image/scratch_rows.h"
#include "platform/platform.h"
#include "text/path_utils.h"

namespace {

// Each table is one 10,000-byte global block of 50 slots of 200 bytes.
char* g_readerBlock = nullptr;
char* g_writerBlock = nullptr;
// Each reader's extension list, asked once when the table is filled, so that
// a lookup loads no DLL.
char g_readerExtensions[kPluginSlots][sizeof(FormatInfo::extensions)];
// Readers that declared themselves safe on several threads at once, and one
// turn for each of the others (see ReaderTurn).
bool g_readerConcurrent[kPluginSlots];
// Recursive: the fast path holds its reader's turn across the reader's own
// read of the picture it wrote.
std::recursive_mutex g_readerTurns[kPluginSlots];

const char* SlotOf(const char* block, int index) {
  if (!block || index < 0 || index >= kPluginSlots) return "";
  return block + index * kPluginSlotBytes;
}

bool IsPlugin(const char* path, const char* exportName) {
  platform::ScopedLibrary library(path);
  return library.Export(exportName) != nullptr;
}

int CompareAsciiNoCase(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = x - 'A' + 'a';
    if (y >= 'A' && y <= 'Z') y = y - 'A' + 'a';
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

// Lists "<folder>*.dll", keeps the DLLs that export `exportName`
// (examining at most 50 candidates) and returns them sorted by path.
std::vector<std::string> FindPlugins(const std::string& folder, const char* exportName) {
  std::vector<std::string> found;
  platform::DirSearch search;
  platform::FoundFile file;
  if (!search.First((folder + "*.dll").c_str(), &file)) return found;
  std::string previous;
  for (int examined = 0; examined < kPluginSlots; ++examined) {
    std::string path = folder + file.name;
    if (path.size() < size_t(kPluginSlotBytes) && IsPlugin(path.c_str(), exportName))
      found.push_back(path);
    previous = file.name;
    // Some file systems repeat the last entry instead of ending the search.
    if (!search.Next(&file) || CompareNoCase(file.name, previous.c_str()) == 0) break;
  }
  std::stable_sort(found.begin(), found.end(), [](const std::string& a, const std::string& b) {
    return CompareAsciiNoCase(a, b) < 0;
  });
  return found;
}

char* BuildTable(const std::string& folder, const char* exportName) {
  auto* block = static_cast<char*>(platform::GlobalBlockAlloc(kPluginSlots * kPluginSlotBytes));
  if (!block) return nullptr;
  std::vector<std::string> plugins = FindPlugins(folder, exportName);
  for (size_t i = 0; i < plugins.size(); ++i)
    std::memcpy(block + i * kPluginSlotBytes, plugins[i].c_str(), plugins[i].size() + 1);
  return block;
}

}  // namespace

// One load of each reader for its extension list and whether it may be
// called from several threads at once.
static bool AskFormatInfo(const platform::ScopedLibrary& library, const char* exportName,
                          void* window, FormatInfo* info) {
  std::memset(info, 0, sizeof *info);
  auto readInfo = reinterpret_cast<ReadFileInfoFn>(library.Export(exportName));
  if (!readInfo) return false;
  readInfo(window, info);
  info->extensions[sizeof info->extensions - 1] = '\0';
  info->displayName[sizeof info->displayName - 1] = '\0';
  return true;
}

static void RememberReaders(void* statusWindow) {
  for (int i = 0; i < kPluginSlots && *ReaderPath(i); ++i) {
    platform::ScopedLibrary library(ReaderPath(i));
    FormatInfo info;
    if (AskFormatInfo(library, "ReadFileInfo", statusWindow, &info))
      std::memcpy(g_readerExtensions[i], info.extensions, sizeof info.extensions);
    auto concurrent = reinterpret_cast<ReadFileConcurrentFn>(library.Export("ReadFileConcurrent"));
    g_readerConcurrent[i] = concurrent && concurrent() != 0;
  }
}

void ScanPlugins(const char* programFolder, void* statusWindow) {
  ReleasePlugins();
  g_readerBlock = BuildTable(std::string(programFolder) + "file_r\\", "ReadFileInfo");
  g_writerBlock = BuildTable(std::string(programFolder) + "file_w\\", "WriteFileInfo");
  RememberReaders(statusWindow);
}

void ReleasePlugins() {
  platform::GlobalBlockFree(g_readerBlock);
  platform::GlobalBlockFree(g_writerBlock);
  g_readerBlock = g_writerBlock = nullptr;
  std::memset(g_readerExtensions, 0, sizeof g_readerExtensions);
  std::memset(g_readerConcurrent, 0, sizeof g_readerConcurrent);
  ReleaseReusableImages();  // the reads' memory goes with the readers
  ReleaseScratchRows();
}

const char* ReaderPath(int index) { return SlotOf(g_readerBlock, index); }
const char* WriterPath(int index) { return SlotOf(g_writerBlock, index); }

bool QueryFormatInfo(const char* pluginPath, const char* exportName, void* window,
                     FormatInfo* info) {
  platform::ScopedLibrary library(pluginPath);
  return AskFormatInfo(library, exportName, window, info);
}

ReaderTurn::ReaderTurn(const char* pluginPath) {
  for (int i = 0; i < kPluginSlots && *ReaderPath(i); ++i)
    if (std::strcmp(ReaderPath(i), pluginPath) == 0) {
      if (!g_readerConcurrent[i]) {
        g_readerTurns[i].lock();
        held_ = i;
      }
      return;
    }
}

ReaderTurn::~ReaderTurn() {
  if (held_ >= 0) g_readerTurns[held_].unlock();
}

int32_t FindReader(const char* fileName) {
  const char* extension = LookupExtension(fileName);
  for (int i = 0; i < kPluginSlots && *ReaderPath(i); ++i)
    if (ExtensionListHas(g_readerExtensions[i], extension)) return i;
  return -1;
}

const char* ReaderExtensions(int index) {
  if (index < 0 || index >= kPluginSlots || !*ReaderPath(index)) return "";
  return g_readerExtensions[index];
}
