#include "file_ops/format_table.h"

#include <cstring>

namespace {

void AddEntry(const std::string& extension, const char* displayName,
              std::vector<FormatEntry>* entries) {
  if (entries->size() >= size_t(kFormatSlots) || extension.size() >= size_t(kFormatSlotBytes))
    return;
  std::string suffix = "[*." + extension + "]";
  std::string name = displayName;
  size_t room = size_t(kFormatEntryBytes) - 1 - suffix.size();
  if (name.size() > room) name.resize(room);
  entries->push_back({extension, name + suffix});
}

}  // namespace

void AppendFormatEntries(const char* extensions, const char* displayName,
                         std::vector<FormatEntry>* entries) {
  if (!extensions || !*extensions) return;
  const char* piece = extensions;
  for (const char* c = extensions;; ++c) {
    if (*c == ';' || *c == '\0') {
      if (*c == ';' || c != piece)
        AddEntry(std::string(piece, size_t(c - piece)), displayName, entries);
      if (*c == '\0') return;
      piece = c + 1;
    }
  }
}
