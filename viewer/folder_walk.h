// Next and previous picture: the files of the picture's folder that some
// reader claims, in name order (letter case ignored). Window-free.
#pragma once

#include <string>
#include <vector>

// The extension list of every reader in the registry, in registry order, as
// ScanPlugins asked them (no reader is loaded again).
std::vector<std::string> ReaderExtensionLists();

// True when one of the lists claims the name's extension.
bool IsClaimedName(const char* name, const std::vector<std::string>& extensionLists);

// The claimed file names (without folder) of `folder` (ending in '\'),
// sorted by name ignoring case, then byte order.
std::vector<std::string> ClaimedPictures(const std::string& folder,
                                         const std::vector<std::string>& extensionLists);

// The name `step` places (+1 next, -1 previous) from `current` in `sorted`.
// A current name that is not in the list (removed, or of a format no reader
// claims) counts as sitting where it would sort. "" past either end: the
// walk stops there rather than wrapping.
std::string NeighbourName(const std::vector<std::string>& sorted, const std::string& current,
                          int step);

// The full path of the neighbour of `path` in its folder, or "".
std::string NeighbourPicture(const std::string& path, int step,
                             const std::vector<std::string>& extensionLists);
