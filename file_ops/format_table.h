// The format toolbar's table: one entry per extension that a reader
// declares, "Name[*.ext]", with the extension kept in a 32-byte slot.
#pragma once

#include <string>
#include <vector>

constexpr int kFormatSlots = 128;
constexpr int kFormatSlotBytes = 32;
constexpr int kFormatEntryBytes = 240;

struct FormatEntry {
  std::string extension;  // at most 31 bytes
  std::string text;       // "Name[*.ext]", at most 239 bytes
};

// Appends the entries of one reader's ';'-separated list: every piece before
// a ';', and the piece after the last one unless the list ends with ';'. An
// empty piece gives an entry with an empty extension. Extensions longer than
// a slot, and entries past the 128th, are not offered; a display name too
// long for the entry text is cut so that "[*.ext]" stays whole.
void AppendFormatEntries(const char* extensions, const char* displayName,
                         std::vector<FormatEntry>* entries);
