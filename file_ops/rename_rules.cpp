#include "file_ops/rename_rules.h"

#include <cstring>

#include "platform/platform.h"
#include "text/path_utils.h"

std::string RenamedPath(const char* folder, const char* base, const char* extension) {
  std::string path = std::string(folder) + "\\" + base + "." + extension;
  return FitsFileFunctions(path.c_str()) ? path : std::string();
}

namespace {

bool IsForbidden(char16_t c) {
  return c < 0x20 || (c < 0x80 && std::strchr("\\/:*?\"<>|", int(c)));
}

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c; }

// Windows opens a device for these names whatever follows the first dot,
// and ignores spaces before that dot.
bool IsDeviceName(const std::u16string& name) {
  std::u16string stem = name.substr(0, name.find(u'.'));
  while (!stem.empty() && stem.back() == u' ') stem.pop_back();
  for (char16_t& c : stem) c = Upper(c);
  for (const char16_t* device : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"})
    if (stem == device) return true;
  return stem.size() == 4 && (stem.compare(0, 3, u"COM") == 0 || stem.compare(0, 3, u"LPT") == 0) &&
         stem[3] >= u'1' && stem[3] <= u'9';
}

}  // namespace

// A listed name the *A functions and the shell would take for another file:
// they drop a last dot or space (so "a.jpg." is "a.jpg"), open a device for
// "con.jpg", and a character the code page lacks has no name of its own.
EntryFault CheckCommandEntry(const char* path) {
  if (!IsCommandPath(path)) return EntryFault::kUnusablePath;
  const char* backslash = FindLastCharacter(path, '\\');
  std::u16string name =
      platform::ToWide(platform::AnsiCodePage(), backslash ? backslash + 1 : path);
  if (name.empty() || name.back() == u'.' || name.back() == u' ' || IsDeviceName(name) ||
      name.find(u'\uFFFD') != std::u16string::npos)
    return EntryFault::kUnusablePath;
  if (platform::FolderExists(path)) return EntryFault::kFolder;
  return EntryFault::kNone;
}

NameFault CheckNewBaseName(const char* base, unsigned codePage) {
  std::u16string name = platform::ToWide(codePage, base);
  if (*base == '\0') return NameFault::kEmpty;
  // Bytes the code page cannot read are refused like a forbidden character.
  if (name.empty() || name.find(u'\uFFFD') != std::u16string::npos)
    return NameFault::kForbiddenCharacter;
  for (char16_t c : name)
    if (IsForbidden(c)) return NameFault::kForbiddenCharacter;
  if (name.back() == u'.' || name.back() == u' ') return NameFault::kEndsInDotOrSpace;
  if (IsDeviceName(name)) return NameFault::kDeviceName;
  return NameFault::kNone;
}
