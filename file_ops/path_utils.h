// Path, name and file-time helpers shared by the browser. Paths are ANSI text
// handled byte by byte; '\' separates folders.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

// Splits at the last '\': d:\img\a.jpg gives d:\img and a.jpg; d:\a.jpg gives
// d: and a.jpg. Returns 0 and writes nothing when the path is empty, has no
// backslash, or a part does not fit its buffer.
int SplitPathName(const char* path, char* folder, size_t folderSize, char* name, size_t nameSize);

// The name without its last dot and what follows. Returns 1 when the name has
// a dot; otherwise 0 with the whole name in the output. The output is cut to
// fit its buffer.
int FileBaseName(const char* name, char* out, size_t outSize);

// The text after the last dot. Returns 0 and leaves the output unchanged when
// the name has no dot. The output is cut to fit its buffer.
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
