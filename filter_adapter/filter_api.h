// The parts of the published Photoshop filter interface that the adapter
// uses: the filter record, the buffer procedures, the pixel map of the
// display procedure and the codes and selectors. Offsets are those of 32-bit
// Windows; this header stands alone so that test filters can include it.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__i386__) || defined(_M_IX86)
#define FILTER_CALL __cdecl
#else
#define FILTER_CALL
#endif

namespace filter {

constexpr int16_t kNoError = 0;
constexpr int16_t kMemoryFullError = -108;
constexpr int16_t kUserCanceledError = -128;

constexpr int16_t kSelectorAbout = 0;
constexpr int16_t kSelectorParameters = 1;
constexpr int16_t kSelectorPrepare = 2;
constexpr int16_t kSelectorStart = 3;
constexpr int16_t kSelectorContinue = 4;
constexpr int16_t kSelectorFinish = 5;

constexpr int32_t kHostSignature = 0x3842494D;  // '8BIM'
constexpr int16_t kRgbMode = 3;
constexpr int32_t kMaxSpace = 0x800000;
constexpr int32_t kWx86Key = 0x77783836;  // 'wx86'

// Rectangles are exclusive on their right and bottom sides: a rectangle is
// right - left pixels wide and bottom - top rows high.
struct Rect16 {
  int16_t top, left, bottom, right;
};
struct Point16 {
  int16_t v, h;
};
struct RgbColour16 {
  uint16_t red, green, blue;
};
struct VRect {
  int32_t top, left, bottom, right;
};

using BufferId = void*;
using AllocateBufferFn = int16_t(FILTER_CALL*)(int32_t size, BufferId* id);
using LockBufferFn = void*(FILTER_CALL*)(BufferId id, uint8_t moveHigh);
using UnlockBufferFn = void(FILTER_CALL*)(BufferId id);
using FreeBufferFn = void(FILTER_CALL*)(BufferId id);
using BufferSpaceFn = int32_t(FILTER_CALL*)();

struct BufferProcs {
  int16_t version;  // 2
  int16_t count;    // 5
  AllocateBufferFn allocate;
  LockBufferFn lock;
  UnlockBufferFn unlock;
  FreeBufferFn free;
  BufferSpaceFn space;
};

struct PlatformData {
  void* hwnd;
};

// The source of the display procedure. Only bounds, rowBytes and baseAddr
// are read; pixels are 3 bytes, R, G, B.
struct PixelMap {
  int32_t version;
  VRect bounds;
  int32_t imageMode;
  int32_t rowBytes;
  int32_t colBytes;
  int32_t planeBytes;
  void* baseAddr;
};

using AbortFn = uint8_t(FILTER_CALL*)();
using ProgressFn = void(FILTER_CALL*)(int32_t done, int32_t total);
using AdvanceStateFn = int16_t(FILTER_CALL*)();
using DisplayPixelsFn = int16_t(FILTER_CALL*)(const PixelMap* source, const VRect* sourceRect,
                                              int32_t destinationRow, int32_t destinationColumn,
                                              void* platformContext);
using ProcessEventFn = void(FILTER_CALL*)(void* event);
using GetPropertyFn = int16_t(FILTER_CALL*)(uint32_t signature, uint32_t key, int32_t index,
                                            intptr_t* simple, void** complex);

struct FilterRecord {
  int32_t serialNumber;               // 0
  AbortFn abortProc;                  // 4
  ProgressFn progressProc;            // 8
  void* parameters;                   // 12
  Point16 imageSize;                  // 16
  int16_t planes;                     // 20
  Rect16 filterRect;                  // 22
  RgbColour16 background;             // 30
  RgbColour16 foreground;             // 36
  int32_t maxSpace;                   // 44
  int32_t bufferSpace;                // 48
  Rect16 inRect;                      // 52
  int16_t inLoPlane;                  // 60
  int16_t inHiPlane;                  // 62
  Rect16 outRect;                     // 64
  int16_t outLoPlane;                 // 72
  int16_t outHiPlane;                 // 74
  void* inData;                       // 76
  int32_t inRowBytes;                 // 80
  void* outData;                      // 84
  int32_t outRowBytes;                // 88
  uint8_t isFloating;                 // 92
  uint8_t haveMask;                   // 93
  uint8_t autoMask;                   // 94
  uint8_t maskFields[25];             // 95: mask rectangle, planes, data, colours
  int32_t hostSig;                    // 120
  void* hostProc;                     // 124
  int16_t imageMode;                  // 128
  uint8_t resolutionFields[14];       // 130: resolutions, floating origin
  Point16 wholeSize;                  // 144
  uint8_t monitorFields[40];          // 148: monitor description
  PlatformData* platformData;         // 188
  BufferProcs* bufferProcs;           // 192
  void* resourceProcs;                // 196
  ProcessEventFn processEvent;        // 200
  DisplayPixelsFn displayPixels;      // 204
  void* handleProcs;                  // 208
  uint8_t layoutFields[12];           // 212: channel and layout support
  AdvanceStateFn advanceState;        // 224
  uint8_t absoluteFields[4];          // 228
  GetPropertyFn getPropertyObsolete;  // 232
  uint8_t paddingFields[8];           // 236: undo, padding values
  uint8_t samplingSupport;            // 244
  uint8_t reservedByte;               // 245
  int32_t inputRate;                  // 248, 16.16 fixed point
  uint8_t laterFields[128];           // 252
  int32_t depth;                      // 380
  uint8_t tail[68];                   // 384 .. 452
};

#if defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(FilterRecord) == 452, "FilterRecord is 452 bytes");
static_assert(offsetof(FilterRecord, abortProc) == 4, "abortProc");
static_assert(offsetof(FilterRecord, progressProc) == 8, "progressProc");
static_assert(offsetof(FilterRecord, imageSize) == 16, "imageSize");
static_assert(offsetof(FilterRecord, planes) == 20, "planes");
static_assert(offsetof(FilterRecord, filterRect) == 22, "filterRect");
static_assert(offsetof(FilterRecord, maxSpace) == 44, "maxSpace");
static_assert(offsetof(FilterRecord, inRect) == 52, "inRect");
static_assert(offsetof(FilterRecord, inLoPlane) == 60, "inLoPlane");
static_assert(offsetof(FilterRecord, inHiPlane) == 62, "inHiPlane");
static_assert(offsetof(FilterRecord, outRect) == 64, "outRect");
static_assert(offsetof(FilterRecord, outLoPlane) == 72, "outLoPlane");
static_assert(offsetof(FilterRecord, outHiPlane) == 74, "outHiPlane");
static_assert(offsetof(FilterRecord, inData) == 76, "inData");
static_assert(offsetof(FilterRecord, inRowBytes) == 80, "inRowBytes");
static_assert(offsetof(FilterRecord, outData) == 84, "outData");
static_assert(offsetof(FilterRecord, outRowBytes) == 88, "outRowBytes");
static_assert(offsetof(FilterRecord, hostSig) == 120, "hostSig");
static_assert(offsetof(FilterRecord, imageMode) == 128, "imageMode");
static_assert(offsetof(FilterRecord, wholeSize) == 144, "wholeSize");
static_assert(offsetof(FilterRecord, platformData) == 188, "platformData");
static_assert(offsetof(FilterRecord, bufferProcs) == 192, "bufferProcs");
static_assert(offsetof(FilterRecord, processEvent) == 200, "processEvent");
static_assert(offsetof(FilterRecord, displayPixels) == 204, "displayPixels");
static_assert(offsetof(FilterRecord, advanceState) == 224, "advanceState");
static_assert(offsetof(FilterRecord, getPropertyObsolete) == 232, "getPropertyObsolete");
static_assert(offsetof(FilterRecord, samplingSupport) == 244, "samplingSupport");
static_assert(offsetof(FilterRecord, inputRate) == 248, "inputRate");
static_assert(offsetof(FilterRecord, depth) == 380, "depth");
static_assert(offsetof(PixelMap, bounds) == 4 && offsetof(PixelMap, rowBytes) == 24 &&
                  offsetof(PixelMap, baseAddr) == 36,
              "PixelMap fields read by the display procedure");
#endif

// A filter's entry point.
using EntryPointFn = void(FILTER_CALL*)(int16_t selector, FilterRecord* record, intptr_t* data,
                                        int16_t* result);

}  // namespace filter
