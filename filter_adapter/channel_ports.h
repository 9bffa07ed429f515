// Channel ports and the document description given to filters: the three
// planes of the picture, each readable at any scale (the source) and
// writable (into the result), and the channel descriptions that name them.
// Also the image services (interpolation over the filter's own planes).
#pragma once

#include "filter_run.h"

// Fills the entry's port table, ports, channel descriptions and document
// description for a width x height RGB picture, and its image services.
void InstallChannelPorts(FilterEntry* entry, int32_t width, int32_t height);
