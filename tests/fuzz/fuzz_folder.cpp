#include "fuzz_folder.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "image/plugin_registry.h"
#include "platform/platform.h"
#include "shell/app_state.h"

const std::string& FuzzFolder() {
  static const std::string folder = [] {
    const char* temp = std::getenv("TMPDIR");
    std::string path =
        std::string(temp && *temp ? temp : "/tmp") + "/tamsel-fuzz-" + std::to_string(getpid());
    platform::MakeFolder(path.c_str());
    for (char& c : path)
      if (c == '/') c = '\\';
    return path + "\\";
  }();
  return folder;
}

void WriteFuzzFile(const std::string& name, const uint8_t* data, size_t size) {
  std::string path = FuzzFolder() + name;
  for (char& c : path)
    if (c == '\\') c = '/';
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) std::abort();  // a target that cannot write its input tests nothing
  if (size) std::fwrite(data, 1, size, file);
  std::fclose(file);
}

void* InstallReader(const char* builtPath, const char* name) {
  const std::string& folder = FuzzFolder();
  SetProgramFolder(folder.c_str());
  platform::MakeFolder((folder + "file_r").c_str());
  std::vector<uint8_t> reader;
  if (FILE* file = std::fopen(builtPath, "rb")) {
    uint8_t chunk[65536];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
      reader.insert(reader.end(), chunk, chunk + got);
    std::fclose(file);
  }
  if (reader.empty()) std::abort();
  WriteFuzzFile(std::string("file_r\\") + name, reader.data(), reader.size());
  std::string installed = folder + "file_r\\" + name;
  for (char& c : installed)
    if (c == '\\') c = '/';
  void* library = dlopen(installed.c_str(), RTLD_NOW);
  if (!library) std::abort();
  ScanPlugins();
  return library;
}
