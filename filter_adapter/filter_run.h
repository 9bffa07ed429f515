// Running one entry point of a filter module over the host's image: the
// filter record, the selector sequence, the rectangle requests and the
// callbacks given to the filter.
#pragma once

#include <cstdint>

#include "filter_api.h"
#include "host_image.h"

// Draws a bottom-up 24-bit DIB (40-byte header, then rows) on a device
// context at (x, y); set by the Win32 side, absent in tests without a screen.
using DrawDibFn = void (*)(void* deviceContext, int32_t x, int32_t y, const void* header,
                           const void* bits);

struct PendingOutput {
  filter::Rect16 rect;
  int32_t loPlane, hiPlane, rowBytes;
};

struct FilterEntry {
  filter::EntryPointFn procedure = nullptr;
  int16_t result = 0;
  intptr_t data = 0;
  filter::BufferProcs bufferProcs = {};
  filter::PlatformData platformData = {};
  filter::FilterRecord record = {};
  uint8_t abortFlag = 0;
  int32_t success = 0;
  PendingOutput pending = {};
  void* hostWindow = nullptr;
  HostImageAdapter* adapter = nullptr;
  FilterEntry* next = nullptr;
};

// A new entry for a resolved (or null) procedure, with its buffer procedures.
FilterEntry* NewFilterEntry(filter::EntryPointFn procedure);

// Runs the entry's procedure through parameters, prepare, start, continue
// and finish; commits the working image only when every selector succeeded,
// and always notifies the host of the end. Returns 1.
int32_t RunFilterEntry(FilterEntry* entry);

// Sets how the display procedure draws (Win32 only).
void SetDisplayDrawer(DrawDibFn draw);

// Exposed for tests of the request arithmetic.
bool IsFinished(const filter::Rect16& rect);
