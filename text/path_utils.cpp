#include "text/path_utils.h"

#include <cctype>
#include <cstring>

const char* FindLastCharacter(const char* text, char byte, unsigned codePage) {
  if (!platform::IsLeadByte(codePage, 0x81))  // 0x81 leads in every double-byte page
    return std::strrchr(text, byte);          // one byte is one character, or UTF-8
  const char* last = nullptr;
  for (const char* c = text; *c; ++c) {
    if (*c == byte) last = c;
    if (platform::IsLeadByte(codePage, static_cast<unsigned char>(*c)) && c[1]) ++c;
  }
  return last;
}

const char* FindLastCharacter(const char* text, char byte) {
  return FindLastCharacter(text, byte, platform::AnsiCodePage());
}

bool IsWellFormedUtf8(const char* text) {
  const auto* c = reinterpret_cast<const unsigned char*>(text);
  while (*c) {
    unsigned first = *c++;
    int more = first < 0x80                     ? 0
               : first >= 0xC2 && first <= 0xDF ? 1
               : first >= 0xE0 && first <= 0xEF ? 2
               : first >= 0xF0 && first <= 0xF4 ? 3
                                                : -1;
    if (more < 0) return false;
    unsigned low = first == 0xE0 ? 0xA0 : first == 0xF0 ? 0x90 : 0x80;  // no overlong form
    unsigned high = first == 0xED   ? 0x9F
                    : first == 0xF4 ? 0x8F
                                    : 0xBF;  // no surrogate, <= U+10FFFF
    for (int i = 0; i < more; ++i, ++c) {
      if (*c < (i == 0 ? low : 0x80) || *c > (i == 0 ? high : 0xBF)) return false;
    }
  }
  return true;
}

std::string FromSystemCodePage(const char* text) {
  unsigned process = platform::AnsiCodePage(), system = platform::SystemAnsiCodePage();
  if (process == system || process != platform::kCodePageUtf8 || IsWellFormedUtf8(text))
    return text;
  bool lossless = false;
  std::string converted = platform::FromWide(process, platform::ToWide(system, text), &lossless);
  return lossless ? converted : std::string();
}

unsigned CodePageOfText(const char* text) {
  unsigned process = platform::AnsiCodePage();
  return process == platform::kCodePageUtf8 && !IsWellFormedUtf8(text)
             ? platform::SystemAnsiCodePage()
             : process;
}

bool FitsFileFunctions(const char* path) {
  size_t bytes = std::strlen(path);
  if (bytes < platform::kMaxPathUnits) return true;  // a unit takes at least a byte
  return bytes < platform::kMaxPathBytes &&
         platform::ToWide(platform::AnsiCodePage(), path).size() < platform::kMaxPathUnits;
}

bool IsCommandPath(const char* path) {
  return platform::IsFullyQualifiedPath(path) && !platform::HasWildcard(path) &&
         FitsFileFunctions(path);
}

int SplitPathName(const char* path, char* folder, size_t folderSize, char* name, size_t nameSize) {
  const char* backslash = FindLastCharacter(path, '\\');
  if (!backslash) return 0;
  size_t folderLength = size_t(backslash - path);
  size_t nameLength = std::strlen(backslash + 1);
  if (folderLength >= folderSize || nameLength >= nameSize) return 0;
  std::memcpy(folder, path, folderLength);
  folder[folderLength] = '\0';
  std::memcpy(name, backslash + 1, nameLength + 1);
  return 1;
}

size_t CharacterCut(const char* text, size_t limit, unsigned codePage) {
  size_t length = std::strlen(text);
  if (length <= limit) return length;
  if (codePage == platform::kCodePageUtf8) {
    while (limit > 0 && (static_cast<unsigned char>(text[limit]) & 0xC0) == 0x80) --limit;
    return limit;
  }
  if (!platform::IsLeadByte(codePage, 0x81)) return limit;
  size_t whole = 0;
  for (size_t at = 0; at < limit;) {
    at += platform::IsLeadByte(codePage, static_cast<unsigned char>(text[at])) ? 2 : 1;
    if (at <= limit) whole = at;
  }
  return whole;
}

static void CopyCut(char* out, size_t outSize, const char* text, size_t length) {
  if (outSize == 0) return;
  if (length >= outSize) length = CharacterCut(text, outSize - 1, platform::AnsiCodePage());
  std::memcpy(out, text, length);
  out[length] = '\0';
}

int FileBaseName(const char* name, char* out, size_t outSize) {
  const char* dot = FindLastCharacter(name, '.');
  CopyCut(out, outSize, name, dot ? size_t(dot - name) : std::strlen(name));
  return dot ? 1 : 0;
}

int FileExtension(const char* name, char* out, size_t outSize) {
  const char* dot = FindLastCharacter(name, '.');
  if (!dot) return 0;
  CopyCut(out, outSize, dot + 1, std::strlen(dot + 1));
  return 1;
}

int HasExtension(const char* name, const char* extension) {
  const char* dot = FindLastCharacter(name, '.');
  return dot && CompareNoCase(dot + 1, extension) == 0 ? 1 : 0;
}

int CompareNoCase(const char* a, const char* b) { return platform::CompareNoCase(a, b); }

int FileDate(const char* path, platform::CalendarTime* date) {
  platform::CalendarTime fields;
  if (!platform::FileLastWriteLocal(path, &fields)) return 0;
  *date = fields;
  return 1;
}

int32_t FileTimeStamp(const char* path) {
  platform::CalendarTime t;
  if (!platform::FileLastWriteLocal(path, &t)) return 0;
  return ((((int32_t(t.month) * 32 + t.day) * 24 + t.hour) * 60 + t.minute) * 60 + t.second) +
         t.year;
}

static bool SameLetter(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

// Wildcard match that backs up to the last '*' only, so a pattern of many
// stars costs no more than the product of the two lengths.
static bool MatchesWildcards(const char* pattern, const char* text) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*text) {
    if (*pattern == '*') {
      star = pattern++;
      resume = text;
    } else if (*pattern && (*pattern == '?' || SameLetter(*pattern, *text))) {
      ++pattern;
      ++text;
    } else if (star) {
      pattern = star + 1;
      text = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

int ExtensionMatchesToken(const char* name, const char* token) {
  const char* dot = FindLastCharacter(name, '.');
  return MatchesWildcards(token, dot ? dot + 1 : "") ? 1 : 0;
}

const char* LookupExtension(const char* fileName) {
  const char* backslash = FindLastCharacter(fileName, '\\');
  const char* name = backslash ? backslash + 1 : fileName;
  const char* dot = FindLastCharacter(name, '.');
  return dot ? dot + 1 : name;
}

static bool TokenEquals(const char* token, size_t length, const char* extension) {
  if (length == 0 || std::strlen(extension) != length) return false;
  for (size_t i = 0; i < length; ++i)
    if (std::tolower(static_cast<unsigned char>(token[i])) !=
        std::tolower(static_cast<unsigned char>(extension[i])))
      return false;
  return true;
}

int ExtensionListHas(const char* list, const char* extension) {
  for (const char* token = list;;) {
    const char* end = std::strchr(token, ';');
    size_t length = end ? size_t(end - token) : std::strlen(token);
    if (TokenEquals(token, length, extension)) return 1;
    if (!end) return 0;
    token = end + 1;
  }
}
