// The basic suite: filters of the last twenty years ask it for every other
// suite by name and version, and allocate blocks through it.
#pragma once

#include "suite_api.h"

// The one table, the same for every run.
filter::BasicSuite* HostBasicSuite();
