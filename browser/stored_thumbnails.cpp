#include "browser/stored_thumbnails.h"

#include <shlobj.h>
#include <windows.h>

#include <string>

#include "image/thumbnail_maker.h"
#include "platform/platform.h"
#include "platform/scoped_handles.h"
#include "shell/app_state.h"

namespace {

constexpr char kSwitchFile[] = "thumbs.ini";
constexpr char kSwitchSection[] = "Store";
constexpr char kSwitchKey[] = "Enabled";

ThumbnailStore g_store;

// Can files be made in `folder`? Asked by making a file that goes at once,
// named for this process so that two browsers starting together do not
// take each other's probe for a refusal.
bool FolderTakesFiles(const std::string& folder) {
  std::string probe = folder + "thumbs" + std::to_string(GetCurrentProcessId()) + ".probe";
  platform::ScopedHandle file(CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                          nullptr));
  return file.Valid();
}

// The folder of the store and its switch, ending in '\'; "" when neither the
// program folder nor the local application data takes files. Decided once
// per process, so the switch and the store never part.
std::string FindStoreFolder() {
  std::string program = g_app.programFolder;
  if (FolderTakesFiles(program)) return program;
  char local[MAX_PATH];
  if (SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, local) != S_OK)
    return "";
  std::string folder = std::string(local) + "\\Tamsel\\";
  if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    platform::TraceLastError("FindStoreFolder", folder.c_str());
  return FolderTakesFiles(folder) ? folder : "";
}

const std::string& StoreFolder() {
  static const std::string folder = FindStoreFolder();
  return folder;
}

std::string SwitchPath(const std::string& folder) { return folder + kSwitchFile; }

}  // namespace

ThumbnailStore& SharedThumbnailStore() { return g_store; }

bool ThumbnailStoreSwitchedOn() {
  std::string folder = StoreFolder();
  return !folder.empty() &&
         GetPrivateProfileIntA(kSwitchSection, kSwitchKey, 1, SwitchPath(folder).c_str()) != 0;
}

void OpenThumbnailStore() {
  std::string folder = StoreFolder();
  if (folder.empty() || !ThumbnailStoreSwitchedOn()) return;
  g_store.Open(folder + kThumbnailStoreName);  // without it the browser works as before
}

void CloseThumbnailStore() { g_store.Close(); }

void SwitchThumbnailStore(bool on) {
  std::string folder = StoreFolder();
  if (folder.empty()) return;
  // Unwritten, the switch comes back as it was at the next start.
  if (!WritePrivateProfileStringA(kSwitchSection, kSwitchKey, on ? "1" : "0",
                                  SwitchPath(folder).c_str()))
    platform::TraceLastError("SwitchThumbnailStore", SwitchPath(folder).c_str());
  if (on) {
    OpenThumbnailStore();
    return;
  }
  // Emptied first: another browser holding the file keeps it from going,
  // but not from being emptied.
  g_store.Clear();
  g_store.Close();
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
    std::string path = folder + kThumbnailStoreName + suffix;
    if (!DeleteFileA(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
      platform::TraceLastError("SwitchThumbnailStore", path.c_str());
  }
}

void EmptyThumbnailStore() { g_store.Clear(); }

PackedDib StoredOrMadeThumbnail(void* owner, const char* path, int32_t areaWidth,
                                int32_t areaHeight) {
  StoreKey key;
  bool keyed = g_store.IsOpen() && platform::FileSizeAndStamp(path, &key.fileBytes, &key.lastWrite);
  if (keyed) {
    key.path = path;
    key.areaWidth = areaWidth;
    key.areaHeight = areaHeight;
    if (PackedDib stored = g_store.Find(key)) return stored;
  }
  PackedDib made = MakeThumbnail(owner, path, areaWidth, areaHeight);
  if (made && keyed) g_store.Put(key, made);
  return made ? made : CreatePackedDib(areaWidth, areaHeight, 24);
}
