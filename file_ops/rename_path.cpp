#include "file_ops/rename_path.h"

std::string RenamedPath(const char* folder, const char* base, const char* extension) {
  std::string path = std::string(folder) + "\\" + base + "." + extension;
  return path.size() < 260 ? path : std::string();
}
