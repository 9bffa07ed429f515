// The rules of rename and delete, free of windows: the new path of a rename,
// which new names are refused, and how files go to the Recycle Bin.
#pragma once

#include <cstdint>
#include <string>

// "<folder>\<base>.<extension>" (a name without an extension keeps a final
// dot, as it always has). Empty when the file functions could not take it
// (260 UTF-16 units with the terminator): nothing is renamed then.
std::string RenamedPath(const char* folder, const char* base, const char* extension);

// Why a listed entry cannot be handed to delete, rename or drag.
enum class EntryFault {
  kNone,
  kUnusablePath,  // not fully qualified, a wildcard (a name the code page
                  // cannot hold), or too long for the file functions
  kFolder,        // a folder named like a picture: the file commands never
                  // take a folder and everything in it
};
EntryFault CheckCommandEntry(const char* path);

// Why a new base name typed in the rename dialog cannot be used.
enum class NameFault {
  kNone,
  kEmpty,
  kForbiddenCharacter,  // \ / : * ? " < > | or a control character: another
                        // folder, a stream, or a name Windows refuses
  kEndsInDotOrSpace,    // "." and ".." included: Windows drops them, or they
                        // name a folder
  kDeviceName,          // CON, PRN, AUX, NUL, COM1-9, LPT1-9: a device, not a file
};

// Checks a base name in the given ANSI code page: double-byte characters are
// read whole, so a second byte 0x5C is no backslash in code page 932.
NameFault CheckNewBaseName(const char* base, unsigned codePage);

// SHFileOperation flags of the delete: no progress, no question of the
// shell's own (the browser asks), no error box, the Recycle Bin, and a
// warning where a file would be destroyed for good instead (a drive without
// a Recycle Bin: memory cards, USB sticks, network folders).
constexpr uint32_t kFofSilent = 0x0004;
constexpr uint32_t kFofNoConfirmation = 0x0010;
constexpr uint32_t kFofAllowUndo = 0x0040;
constexpr uint32_t kFofNoErrorUi = 0x0400;
constexpr uint32_t kFofWantNukeWarning = 0x4000;
constexpr uint32_t kRecycleDeleteFlags =
    kFofSilent | kFofNoConfirmation | kFofAllowUndo | kFofNoErrorUi | kFofWantNukeWarning;
