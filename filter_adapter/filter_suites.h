// The handle, property and resource procedures given to a filter. They take
// no context argument and find their run through the current entry.
#pragma once

#include "filter_run.h"

// The handle suite that filters ask the basic suite for by name, in the
// given version (1 or 2), or null for another version.
const void* NamedHandleSuite(int32_t version);

// Fills the entry's handle, property and resource tables.
void InstallSuites(FilterEntry* entry);

// Frees every handle block and stored resource of the entry's run.
void ReleaseSuiteBlocks(FilterEntry* entry);

// A new handle block of `size` bytes (zero-filled) in the entry's run, or
// null when the size is negative or memory runs out.
filter::Handle NewRunHandle(FilterEntry* entry, int32_t size);
