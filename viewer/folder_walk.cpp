#include "viewer/folder_walk.h"

#include <algorithm>
#include <cstring>

#include "image/plugin_registry.h"
#include "platform/platform.h"
#include "text/path_utils.h"

namespace {

bool NameLess(const std::string& a, const std::string& b) {
  int order = CompareNoCase(a.c_str(), b.c_str());
  return order != 0 ? order < 0 : a < b;
}

}  // namespace

std::vector<std::string> ReaderExtensionLists() {
  std::vector<std::string> lists;
  for (int i = 0; i < kPluginSlots && *ReaderPath(i); ++i) lists.push_back(ReaderExtensions(i));
  return lists;
}

bool IsClaimedName(const char* name, const std::vector<std::string>& extensionLists) {
  const char* extension = LookupExtension(name);
  for (const std::string& list : extensionLists)
    if (ExtensionListHas(list.c_str(), extension)) return true;
  return false;
}

std::vector<std::string> ClaimedPictures(const std::string& folder,
                                         const std::vector<std::string>& extensionLists) {
  std::vector<std::string> names;
  platform::DirSearch search;
  platform::FoundFile found;
  for (bool more = search.First((folder + "*").c_str(), &found); more; more = search.Next(&found))
    if (!found.isFolder && IsClaimedName(found.name, extensionLists)) names.push_back(found.name);
  std::sort(names.begin(), names.end(), NameLess);
  return names;
}

std::string NeighbourName(const std::vector<std::string>& sorted, const std::string& current,
                          int step) {
  auto at = std::find(sorted.begin(), sorted.end(), current);
  int64_t index;
  if (at != sorted.end()) {
    index = (at - sorted.begin()) + step;
  } else {
    // Not listed: the next one is the first that sorts after it.
    auto after = std::lower_bound(sorted.begin(), sorted.end(), current, NameLess);
    index = (after - sorted.begin()) + (step > 0 ? step - 1 : step);
  }
  if (step == 0 || index < 0 || index >= int64_t(sorted.size())) return "";
  return sorted[size_t(index)];
}

std::string NeighbourPicture(const std::string& path, int step,
                             const std::vector<std::string>& extensionLists) {
  size_t slash = path.find_last_of('\\');
  if (slash == std::string::npos) return "";
  std::string folder = path.substr(0, slash + 1);
  std::string name =
      NeighbourName(ClaimedPictures(folder, extensionLists), path.substr(slash + 1), step);
  return name.empty() ? "" : folder + name;
}
