#include "folder_tree/tree_match.h"

#include <cctype>
#include <cstring>

void LowerCaseBytes(std::string* text) {
  for (char& c : *text)
    if (std::isupper(static_cast<unsigned char>(c)))
      c = char(std::tolower(static_cast<unsigned char>(c)));
}

bool ChildLeadsToTarget(const std::string& child, const std::string& target,
                        bool (*isLeadByte)(unsigned char)) {
  size_t n = child.size(), length = target.size();
  if (n == 0) return false;
  char next = n < length ? target[n] : '\0';
  bool separator =
      next == '\\' && !(n > 1 && isLeadByte(static_cast<unsigned char>(target[n - 1])));
  if (!(length <= n || n <= 3 || separator)) return false;
  return std::strncmp(child.c_str(), target.c_str(), n) == 0;
}
