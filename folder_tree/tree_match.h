// Which tree item leads to a folder, free of windows.
#pragma once

#include <string>

// Lowercases in place, byte by byte, under the current locale.
void LowerCaseBytes(std::string* text);

// True when a child whose (lowercased) path is `child` lies on the way to the
// (lowercased) `target`: it equals the target, is a drive root (such as
// "d:\\") that begins it, or begins it up to a backslash. A backslash that is the
// second byte of a double-byte character (`isLeadByte`) is no separator.
bool ChildLeadsToTarget(const std::string& child, const std::string& target,
                        bool (*isLeadByte)(unsigned char));
