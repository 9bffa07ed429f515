// Path, name and file-time helpers shared by the browser. Paths are text in
// the process's code page; '\' separates folders. Every search for '\' or
// '.' steps over double-byte characters where the page is double-byte (the
// second byte of such a character may be 0x5C); in UTF-8 no byte of a
// multi-byte character is ASCII.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/platform.h"

// The last `byte` (an ASCII character) of the text that is a character of its
// own in the code page, or nullptr.
const char* FindLastCharacter(const char* text, char byte, unsigned codePage);
// The same in the process's code page.
const char* FindLastCharacter(const char* text, char byte);

// The longest start of the text, at most `limit` bytes, that ends between
// two characters of the code page (a cut never splits one).
size_t CharacterCut(const char* text, size_t limit, unsigned codePage);

// True when the text is well-formed UTF-8 (plain ASCII included).
bool IsWellFormedUtf8(const char* text);

// Text written by an earlier version in the system's ANSI page, in the
// process's page: unchanged where the two pages agree or the text is already
// well-formed UTF-8; "" when it cannot be held whole.
std::string FromSystemCodePage(const char* text);

// The page to read a plug-in's text in: the process's, unless the process
// runs in UTF-8 and the text is not UTF-8 (a plug-in built for the system's
// own page), then the system's.
unsigned CodePageOfText(const char* text);

// True when the path can be handed to a file command: fully qualified, no
// wildcard, and short enough for the system's file functions.
bool IsCommandPath(const char* path);

// True when the path fits the *A file functions: fewer than 260 UTF-16 units.
bool FitsFileFunctions(const char* path);

// Splits at the last '\': d:\img\a.jpg gives d:\img and a.jpg; d:\a.jpg gives
// d: and a.jpg. Returns 0 and writes nothing when the path is empty, has no
// backslash, or a part does not fit its buffer.
int SplitPathName(const char* path, char* folder, size_t folderSize, char* name, size_t nameSize);

// The name without its last dot and what follows. Returns 1 when the name has
// a dot; otherwise 0 with the whole name in the output. The output is cut to
// fit its buffer, between two characters.
int FileBaseName(const char* name, char* out, size_t outSize);

// The text after the last dot. Returns 0 and leaves the output unchanged when
// the name has no dot. The output is cut to fit its buffer, between two
// characters.
int FileExtension(const char* name, char* out, size_t outSize);

// 1 when the text after the name's last dot equals `extension` ignoring case.
int HasExtension(const char* name, const char* extension);

// Case-insensitive comparison, like _stricmp.
int CompareNoCase(const char* a, const char* b);

// The file's last-write time as local calendar fields. 0 when the file cannot
// be opened, leaving the record unchanged.
int FileDate(const char* path, platform::CalendarTime* date);

// ((((month*32 + day)*24 + hour)*60 + minute)*60 + second) + year of the
// local last-write time; it always fits ten decimal digits. 0 when the file
// cannot be opened.
int32_t FileTimeStamp(const char* path);

// The extension of a file name for plug-in lookup: the text after the last dot
// of the name part, or the whole name part when it has no dot.
const char* LookupExtension(const char* fileName);

// 1 when the name's own extension (the text after its last dot, empty when
// it has none) matches `token`, where '*' stands for any run of characters
// and '?' for one; ASCII case is ignored. A folder search for "*.jpe" also
// finds "a.jpeg" through its short name "A~1.JPE", and "*.jpg" finds
// "x.jpg_original": this tells such matches apart.
int ExtensionMatchesToken(const char* name, const char* token);

// 1 when the ';'-separated list holds `extension` (ignoring ASCII case). Empty
// tokens match nothing.
int ExtensionListHas(const char* list, const char* extension);
