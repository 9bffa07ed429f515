// The callbacks that a reader's ReadFileExec calls to deliver its picture,
// and the process-wide state of the read in progress that they act on. Only
// one read runs at a time (the single thumbnail worker).
#pragma once

#include <cstdint>

#include "image/packed_dib.h"
#include "image/plugin_api.h"

struct ReadState {
  char pluginPath[256];
  PackedDib target;       // the image being filled
  int32_t bitsPerPixel;   // depth of the target
  bool keepAlpha;         // this read collects opacities (not for extracted files)
  PackedDib alphaPlane;   // 8-bit opacities, made at the first PutAlpha (else nullptr)
  bool alphaSeen;         // PutAlpha was called during this read
  int32_t rowsDelivered;  // PutRow or PutChannel calls that reached a row of the target
};

extern thread_local ReadState g_readState;

int32_t PLUGIN_CALL PutRow(int32_t row, int32_t unusedA, int32_t unusedB, const void* data,
                           int32_t flag);
int32_t PLUGIN_CALL PutAlpha(int32_t row, int32_t xFirst, int32_t xLast, const void* opacities);
int32_t PLUGIN_CALL IgnoreAlpha(int32_t row, int32_t xFirst, int32_t xLast, const void* opacities);
int32_t PLUGIN_CALL PutPalette(const void* entries, int32_t flag);
int32_t PLUGIN_CALL PutChannel(int32_t row, int32_t channel, int32_t unusedA, int32_t unusedB,
                               const void* values, int32_t flag);
