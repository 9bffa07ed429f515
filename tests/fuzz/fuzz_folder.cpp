#include "fuzz_folder.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

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
