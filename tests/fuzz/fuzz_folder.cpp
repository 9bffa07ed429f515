#include "fuzz_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "image/plugin_registry.h"
#include "platform/platform.h"
#include "shell/app_state.h"

const std::string& FuzzFolder() {
  static const std::string folder = [] {
    std::string path = platform::TemporaryFolder() + "tamsel-fuzz-" + std::to_string(getpid());
    platform::MakeFolder(path.c_str());
    return path + "\\";
  }();
  return folder;
}

void WriteFuzzFile(const std::string& name, const uint8_t* data, size_t size) {
  // A target that cannot write its input tests nothing.
  if (!platform::WriteFileBytes((FuzzFolder() + name).c_str(), data, size)) std::abort();
}

void* InstallReader(const char* builtPath, const char* name) {
  const std::string& folder = FuzzFolder();
  SetProgramFolder(folder.c_str());
  platform::MakeFolder((folder + "file_r").c_str());
  int64_t size = platform::FileSize(builtPath);
  if (size <= 0) std::abort();
  std::vector<uint8_t> reader(static_cast<size_t>(size));
  if (platform::ReadFileBytes(builtPath, reader.data(), reader.size()) != long(size)) std::abort();
  std::string installed = std::string("file_r\\") + name;
  WriteFuzzFile(installed, reader.data(), reader.size());
  platform::Library library = platform::LoadLibraryByPath((folder + installed).c_str());
  if (!library) std::abort();
  ScanPlugins(g_app.programFolder, nullptr);
  return library;
}
