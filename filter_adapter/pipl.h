// Reading the entry-point names out of a filter module's "PIPL" resource.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The procedure names of every code property with key `codeKey` ('wx86' for
// 32-bit modules, '8664' for 64-bit ones) of one property list, in order.
// The walk stops at the first property whose header or data would run past
// `size` bytes; a count of 0 or less means no properties.
std::vector<std::string> PiplEntryNames(const uint8_t* resource, size_t size,
                                        int32_t codeKey = 0x77783836 /* 'wx86' */);

// "8bfkvt.dat" in the folder of `modulePath`: after its last backslash, where a
// 0x5C byte that is the second byte of a double-byte character (as told by
// `isLeadByte`) does not count. With no backslash, "8bfkvt.dat" alone.
std::string SettingsPathFor(const char* modulePath, bool (*isLeadByte)(unsigned char));
