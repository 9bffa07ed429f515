// The block of shared memory a filter run crosses in: the viewer fills it
// with the picture and the filter to run, 8bfrun.exe (the runner, of the
// filter module's architecture) runs the filter over the picture in place
// and writes how the run ended. The layout is the same in 32-bit and 64-bit
// processes (only 32-bit fields). Window-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/packed_dib.h"

constexpr uint32_t kRunBlockMagic = 0x4E523854;  // "T8RN"
constexpr uint32_t kRunPictureOffset = 1024;     // the 24-bit PackedDib starts here

// The run repeats the last one (the viewer's Ctrl+F): 8bfkvt plays the
// filter's last settings without a dialog the filter recorded as optional.
constexpr int32_t kRunRepeat = 1;
// Instead of a run, the chosen filter shows its about box (8bfkvt's
// FilterAbout), owned by the viewer; the picture is not touched.
constexpr int32_t kRunAbout = 2;

// What the runner has reached; only kRunFinished carries an outcome.
enum RunState : int32_t { kRunWaiting = 0, kRunStarted = 1, kRunFinished = 2 };

struct RunBlock {
  uint32_t magic;
  uint32_t pictureOffset;
  uint32_t blockBytes;   // the whole block, picture included
  int32_t entryIndex;    // which filter of the module
  int32_t state;         // RunState, written by the runner
  int32_t outcome;       // 8bfkvt's FilterLastResult answer once finished
  int32_t code;          // its result or refusal code
  int32_t flags;         // kRunRepeat, kRunAbout
  char modulePath[520];  // the .8bf file, NUL-terminated
  char message[256];     // the filter's own error text, NUL-terminated
};
static_assert(sizeof(RunBlock) == 808, "the run block is laid out alike in both architectures");
static_assert(offsetof(RunBlock, state) == 16 && offsetof(RunBlock, modulePath) == 32 &&
                  offsetof(RunBlock, message) == 552,
              "the run block's offsets");
static_assert(sizeof(RunBlock) <= kRunPictureOffset, "the picture follows the record");

// Bytes of a block for a 24-bit picture of width x height; 0 when either
// side is outside 1..32,767 or the block would reach 2 GiB.
uint32_t RunBlockBytes(int32_t width, int32_t height);

// Fills a zeroed block of `bytes` bytes (RunBlockBytes of the picture) with
// the record and a copy of the 24-bit `picture`. False, and nothing usable,
// when the picture is not 24-bit, the block is too small or the path does
// not fit.
bool PrepareRunBlock(void* block, size_t bytes, const DibHeader* picture,
                     const std::string& modulePath, int32_t entryIndex, int32_t flags = 0);

// The picture inside a block of which `mapped` bytes are readable, after
// checking the record and the picture's header against them; nullptr when
// anything is out of place.
PackedDib RunBlockPicture(void* block, size_t mapped);

// Copies the block's pixels into `picture` when both have the same size;
// false (and `picture` untouched) otherwise.
bool CopyRunBlockPixels(void* block, size_t mapped, PackedDib picture);

// The small block through which a runner started ahead of time learns its
// run: it loads 8bfkvt.dll, sets `ready`, waits for the event named
// `<control name>.go`, then opens the run block named here.
constexpr uint32_t kRunControlMagic = 0x43523854;  // "T8RC"
struct RunControl {
  uint32_t magic;
  int32_t ready;       // written by the runner once it waits
  char blockName[96];  // the run block's mapping, NUL-terminated
};
static_assert(sizeof(RunControl) == 104,
              "the control block is laid out alike in both architectures");

// The runner for a module of PE machine `machine`, seen from a viewer in
// `programFolder` (ending in a backslash): beside it for the viewer's own
// architecture, else in x64\ (64-bit modules, 32-bit viewer) or in the
// folder above (32-bit modules, 64-bit viewer). "" for other machines.
std::string RunnerPathFor(const std::string& programFolder, uint16_t machine, bool viewerIs64Bit);
