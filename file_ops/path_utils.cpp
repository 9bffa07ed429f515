#include "file_ops/path_utils.h"

#include <cctype>
#include <cstring>

int SplitPathName(const char* path, char* folder, size_t folderSize, char* name, size_t nameSize) {
  const char* backslash = std::strrchr(path, '\\');
  if (!backslash) return 0;
  size_t folderLength = size_t(backslash - path);
  size_t nameLength = std::strlen(backslash + 1);
  if (folderLength >= folderSize || nameLength >= nameSize) return 0;
  std::memcpy(folder, path, folderLength);
  folder[folderLength] = '\0';
  std::memcpy(name, backslash + 1, nameLength + 1);
  return 1;
}

static void CopyCut(char* out, size_t outSize, const char* text, size_t length) {
  if (outSize == 0) return;
  if (length >= outSize) length = outSize - 1;
  std::memcpy(out, text, length);
  out[length] = '\0';
}

int FileBaseName(const char* name, char* out, size_t outSize) {
  const char* dot = std::strrchr(name, '.');
  CopyCut(out, outSize, name, dot ? size_t(dot - name) : std::strlen(name));
  return dot ? 1 : 0;
}

int FileExtension(const char* name, char* out, size_t outSize) {
  const char* dot = std::strrchr(name, '.');
  if (!dot) return 0;
  CopyCut(out, outSize, dot + 1, std::strlen(dot + 1));
  return 1;
}

int HasExtension(const char* name, const char* extension) {
  const char* dot = std::strrchr(name, '.');
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
  const char* dot = std::strrchr(name, '.');
  return MatchesWildcards(token, dot ? dot + 1 : "") ? 1 : 0;
}

const char* LookupExtension(const char* fileName) {
  const char* backslash = std::strrchr(fileName, '\\');
  const char* name = backslash ? backslash + 1 : fileName;
  const char* dot = std::strrchr(name, '.');
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
