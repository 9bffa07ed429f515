// Colour services for filters: conversions between the colour spaces of the
// published interface, the foreground and background colours, and the
// system's colour picker through a seam set by the Win32 side.
#pragma once

#include <cstdint>

#include "suite_api.h"

// Shows a colour picker owned by `window`, starting at `rgb`; true with the
// chosen colour in `rgb`, false when the user cancelled.
using ChooseColourFn = bool (*)(void* window, uint8_t rgb[3]);

// Sets the picker (Win32 only); without one, choosing answers that the host
// cannot serve it.
void SetColourPicker(ChooseColourFn choose);

// Converts the components of a colour from one space to another (RGB, HSB,
// CMYK, Lab, grey, HSL, XYZ, in the interface's ranges); false for a space
// it does not know.
bool ConvertColour(int16_t from, int16_t to, const int16_t in[4], int16_t out[4]);

// The procedure given to filters as the record's colorServices.
int16_t FILTER_CALL ColourServices(filter::ColourServicesInfo* info);
