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

// What one property list says of its filter: the title, whether it is a
// filter at all and whether it takes RGB pictures. A list without a kind or
// a mode property (older modules) is taken as an RGB filter.
struct PiplFilterTraits {
  std::string name;        // the 'name' property (a length-prefixed string), or ""
  bool filterKind = true;  // no 'kind', or kind '8BFM'
  bool rgb = true;         // no 'mode', or its RGB flag set
  uint32_t kind = 0;       // the kind read, 0 when absent
};

// The traits of one property list, walked with the same bounds as the entry
// names.
PiplFilterTraits PiplTraits(const uint8_t* resource, size_t size);

// The code key for modules of PE machine `machine` (0x14C: 'wx86',
// 0x8664: '8664'), or 0 for any other machine.
int32_t CodeKeyForMachine(uint16_t machine);

// The machine field of a PE image's file header, read from its first `size`
// bytes; 0 when they are not a PE image or end before the field.
uint16_t PeMachine(const uint8_t* image, size_t size);

// "8bfkvt.dat" in the folder of `modulePath`: after its last backslash, where a
// 0x5C byte that is the second byte of a double-byte character (as told by
// `isLeadByte`) does not count. With no backslash, "8bfkvt.dat" alone.
std::string SettingsPathFor(const char* modulePath, bool (*isLeadByte)(unsigned char));
