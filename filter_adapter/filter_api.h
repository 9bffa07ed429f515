// The parts of the published Photoshop filter interface that the adapter
// uses: the filter record, the callback tables (buffer, handle, property,
// resource), the pixel map of the display procedure and the codes and
// selectors. The record is packed to 4 bytes on Windows in both
// architectures; the callback tables keep their natural alignment. Offsets
// are checked below for 32-bit and for 64-bit code, each against its own
// published numbers.
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
constexpr int16_t kParameterError = -50;
constexpr int16_t kMemoryFullError = -108;
constexpr int16_t kNilHandleError = -109;
constexpr int16_t kUserCanceledError = -128;
constexpr int16_t kPropertyUndefinedError = -30901;

constexpr int16_t kSelectorAbout = 0;
constexpr int16_t kSelectorParameters = 1;
constexpr int16_t kSelectorPrepare = 2;
constexpr int16_t kSelectorStart = 3;
constexpr int16_t kSelectorContinue = 4;
constexpr int16_t kSelectorFinish = 5;

constexpr uint32_t FourCharCode(const char (&code)[5]) {
  return uint32_t(uint8_t(code[0])) << 24 | uint32_t(uint8_t(code[1])) << 16 |
         uint32_t(uint8_t(code[2])) << 8 | uint32_t(uint8_t(code[3]));
}

constexpr int32_t kHostSignature = 0x3842494D;  // '8BIM'
constexpr int16_t kGrayMode = 1;
constexpr int16_t kRgbMode = 3;
constexpr int32_t kMaxSpace = 0x800000;
constexpr int32_t kOneFixed = 0x10000;                 // 1.0 in 16.16
constexpr int32_t kScreenResolution = 72 * kOneFixed;  // 72 dpi in 16.16
constexpr int16_t kTileSide = 256;                     // the tile hints' upper bound
constexpr int32_t kWx86Key = 0x77783836;               // 'wx86': 32-bit x86 code
constexpr int32_t kX64Key = 0x38363634;                // '8664': 64-bit x64 code
#if defined(__i386__) || defined(_M_IX86)
constexpr int32_t kNativeCodeKey = kWx86Key;
#else
constexpr int32_t kNativeCodeKey = kX64Key;
#endif

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

// Handles: a pointer to the data pointer, so that a filter may read the data
// through *handle as well as through the lock procedure.
using Handle = char**;

// ---- Callback tables: natural alignment ------------------------------------

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

struct HandleProcs {
  int16_t version;  // 1
  int16_t count;    // 8
  Handle(FILTER_CALL* newHandle)(int32_t size);
  void(FILTER_CALL* dispose)(Handle handle);
  int32_t(FILTER_CALL* getSize)(Handle handle);
  int16_t(FILTER_CALL* setSize)(Handle handle, int32_t size);
  char*(FILTER_CALL* lock)(Handle handle, uint8_t moveHigh);
  void(FILTER_CALL* unlock)(Handle handle);
  void(FILTER_CALL* recoverSpace)(int32_t size);
  void(FILTER_CALL* disposeRegular)(Handle handle);
};

using GetPropertyFn = int16_t(FILTER_CALL*)(uint32_t signature, uint32_t key, int32_t index,
                                            intptr_t* simple, Handle* complex);
using SetPropertyFn = int16_t(FILTER_CALL*)(uint32_t signature, uint32_t key, int32_t index,
                                            intptr_t simple, Handle complex);

struct PropertyProcs {
  int16_t version;  // 1
  int16_t count;    // 2
  GetPropertyFn getProperty;
  SetPropertyFn setProperty;
};

// Resources are counted and indexed (from 1) per four-character type.
struct ResourceProcs {
  int16_t version;  // 3
  int16_t count;    // 4
  int16_t(FILTER_CALL* countResources)(uint32_t type);
  Handle(FILTER_CALL* getResource)(uint32_t type, int16_t index);
  void(FILTER_CALL* deleteResource)(uint32_t type, int16_t index);
  int16_t(FILTER_CALL* addResource)(uint32_t type, Handle data);
};

struct PlatformData {
  void* hwnd;
};

// The source of the display procedure. Pixel (row, column), plane p, lies at
// baseAddr + (row - bounds.top) * rowBytes + (column - bounds.left) *
// colBytes + p * planeBytes.
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
using HostProcFn = void(FILTER_CALL*)(int16_t selector, intptr_t* data);
using AdvanceStateFn = int16_t(FILTER_CALL*)();
using DisplayPixelsFn = int16_t(FILTER_CALL*)(const PixelMap* source, const VRect* sourceRect,
                                              int32_t destinationRow, int32_t destinationColumn,
                                              void* platformContext);
using ProcessEventFn = void(FILTER_CALL*)(void* event);

// ---- The filter record: packed to 4 bytes ------------------------------------

#pragma pack(push, 4)
struct FilterRecord {
  int32_t serialNumber;
  AbortFn abortProc;
  ProgressFn progressProc;
  Handle parameters;
  Point16 imageSize;
  int16_t planes;
  Rect16 filterRect;
  RgbColour16 background;
  RgbColour16 foreground;
  int32_t maxSpace;
  int32_t bufferSpace;
  Rect16 inRect;
  int16_t inLoPlane;
  int16_t inHiPlane;
  Rect16 outRect;
  int16_t outLoPlane;
  int16_t outHiPlane;
  void* inData;
  int32_t inRowBytes;
  void* outData;
  int32_t outRowBytes;
  uint8_t isFloating;
  uint8_t haveMask;
  uint8_t autoMask;
  Rect16 maskRect;
  void* maskData;
  int32_t maskRowBytes;
  uint8_t backColor[4];
  uint8_t foreColor[4];
  int32_t hostSig;
  HostProcFn hostProc;
  int16_t imageMode;
  int32_t imageHRes;  // 16.16
  int32_t imageVRes;  // 16.16
  Point16 floatCoord;
  Point16 wholeSize;
  int32_t monitor[10];  // gamma and chromaticities, 16.16
  PlatformData* platformData;
  BufferProcs* bufferProcs;
  ResourceProcs* resourceProcs;
  ProcessEventFn processEvent;
  DisplayPixelsFn displayPixels;
  HandleProcs* handleProcs;
  uint8_t supportsDummyChannels;
  uint8_t supportsAlternateLayouts;
  int16_t wantLayout;
  int16_t filterCase;
  int16_t dummyPlaneValue;
  void* premiereHook;
  AdvanceStateFn advanceState;
  uint8_t supportsAbsolute;
  uint8_t wantsAbsolute;
  GetPropertyFn getPropertyObsolete;
  uint8_t cannotUndo;
  uint8_t supportsPadding;
  int16_t inputPadding;
  int16_t outputPadding;
  int16_t maskPadding;
  uint8_t samplingSupport;
  uint8_t reservedByte;
  int32_t inputRate;  // 16.16
  int32_t maskRate;   // 16.16
  void* colorServices;
  int16_t layerPlanes[15];  // in, out, abs: layer, transparency, masks, inverted masks, other
  int16_t dummyPlanes[4];   // in pre, in post, out pre, out post
  int32_t inColumnBytes;
  int32_t inPlaneBytes;
  int32_t outColumnBytes;
  int32_t outPlaneBytes;
  void* imageServicesProcs;
  PropertyProcs* propertyProcs;
  int16_t inTileHeight;
  int16_t inTileWidth;
  Point16 inTileOrigin;
  int16_t absTileHeight;
  int16_t absTileWidth;
  Point16 absTileOrigin;
  int16_t outTileHeight;
  int16_t outTileWidth;
  Point16 outTileOrigin;
  int16_t maskTileHeight;
  int16_t maskTileWidth;
  Point16 maskTileOrigin;
  void* descriptorParameters;
  void* errorString;
  void* channelPortProcs;
  void* documentInfo;
  void* basicSuites;
  void* plugInRef;
  int32_t depth;
#if defined(__i386__) || defined(_M_IX86)
  uint8_t reserved[104];  // later fields this adapter leaves zero
#else
  uint8_t reserved[124];
#endif
};
#pragma pack(pop)

#if defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(FilterRecord) == 488, "FilterRecord is 488 bytes");
static_assert(offsetof(FilterRecord, abortProc) == 4, "abortProc");
static_assert(offsetof(FilterRecord, progressProc) == 8, "progressProc");
static_assert(offsetof(FilterRecord, parameters) == 12, "parameters");
static_assert(offsetof(FilterRecord, imageSize) == 16, "imageSize");
static_assert(offsetof(FilterRecord, planes) == 20, "planes");
static_assert(offsetof(FilterRecord, filterRect) == 22, "filterRect");
static_assert(offsetof(FilterRecord, background) == 30, "background");
static_assert(offsetof(FilterRecord, maxSpace) == 44, "maxSpace");
static_assert(offsetof(FilterRecord, bufferSpace) == 48, "bufferSpace");
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
static_assert(offsetof(FilterRecord, maskRect) == 96, "maskRect");
static_assert(offsetof(FilterRecord, backColor) == 112, "backColor");
static_assert(offsetof(FilterRecord, hostSig) == 120, "hostSig");
static_assert(offsetof(FilterRecord, hostProc) == 124, "hostProc");
static_assert(offsetof(FilterRecord, imageMode) == 128, "imageMode");
static_assert(offsetof(FilterRecord, imageHRes) == 132, "imageHRes");
static_assert(offsetof(FilterRecord, wholeSize) == 144, "wholeSize");
static_assert(offsetof(FilterRecord, platformData) == 188, "platformData");
static_assert(offsetof(FilterRecord, bufferProcs) == 192, "bufferProcs");
static_assert(offsetof(FilterRecord, resourceProcs) == 196, "resourceProcs");
static_assert(offsetof(FilterRecord, processEvent) == 200, "processEvent");
static_assert(offsetof(FilterRecord, displayPixels) == 204, "displayPixels");
static_assert(offsetof(FilterRecord, handleProcs) == 208, "handleProcs");
static_assert(offsetof(FilterRecord, advanceState) == 224, "advanceState");
static_assert(offsetof(FilterRecord, getPropertyObsolete) == 232, "getPropertyObsolete");
static_assert(offsetof(FilterRecord, samplingSupport) == 244, "samplingSupport");
static_assert(offsetof(FilterRecord, inputRate) == 248, "inputRate");
static_assert(offsetof(FilterRecord, maskRate) == 252, "maskRate");
static_assert(offsetof(FilterRecord, inColumnBytes) == 300, "inColumnBytes");
static_assert(offsetof(FilterRecord, propertyProcs) == 320, "propertyProcs");
static_assert(offsetof(FilterRecord, inTileHeight) == 324, "inTileHeight");
static_assert(offsetof(FilterRecord, outTileHeight) == 340, "outTileHeight");
static_assert(offsetof(FilterRecord, plugInRef) == 376, "plugInRef");
static_assert(offsetof(FilterRecord, depth) == 380, "depth");
static_assert(offsetof(BufferProcs, allocate) == 4 && sizeof(BufferProcs) == 24, "BufferProcs");
static_assert(offsetof(HandleProcs, newHandle) == 4 && sizeof(HandleProcs) == 36, "HandleProcs");
static_assert(offsetof(PropertyProcs, getProperty) == 4, "PropertyProcs");
static_assert(offsetof(ResourceProcs, countResources) == 4, "ResourceProcs");
static_assert(offsetof(PixelMap, bounds) == 4 && offsetof(PixelMap, rowBytes) == 24 &&
                  offsetof(PixelMap, colBytes) == 28 && offsetof(PixelMap, planeBytes) == 32 &&
                  offsetof(PixelMap, baseAddr) == 36,
              "PixelMap");
#elif defined(__x86_64__) || defined(_M_X64)
static_assert(sizeof(FilterRecord) == 608, "FilterRecord is 608 bytes");
static_assert(offsetof(FilterRecord, abortProc) == 4, "abortProc");
static_assert(offsetof(FilterRecord, progressProc) == 12, "progressProc");
static_assert(offsetof(FilterRecord, parameters) == 20, "parameters");
static_assert(offsetof(FilterRecord, imageSize) == 28, "imageSize");
static_assert(offsetof(FilterRecord, planes) == 32, "planes");
static_assert(offsetof(FilterRecord, filterRect) == 34, "filterRect");
static_assert(offsetof(FilterRecord, maxSpace) == 56, "maxSpace");
static_assert(offsetof(FilterRecord, inRect) == 64, "inRect");
static_assert(offsetof(FilterRecord, inLoPlane) == 72, "inLoPlane");
static_assert(offsetof(FilterRecord, outRect) == 76, "outRect");
static_assert(offsetof(FilterRecord, outHiPlane) == 86, "outHiPlane");
static_assert(offsetof(FilterRecord, inData) == 88, "inData");
static_assert(offsetof(FilterRecord, inRowBytes) == 96, "inRowBytes");
static_assert(offsetof(FilterRecord, outData) == 100, "outData");
static_assert(offsetof(FilterRecord, outRowBytes) == 108, "outRowBytes");
static_assert(offsetof(FilterRecord, hostSig) == 144, "hostSig");
static_assert(offsetof(FilterRecord, hostProc) == 148, "hostProc");
static_assert(offsetof(FilterRecord, imageMode) == 156, "imageMode");
static_assert(offsetof(FilterRecord, imageHRes) == 160, "imageHRes");
static_assert(offsetof(FilterRecord, wholeSize) == 172, "wholeSize");
static_assert(offsetof(FilterRecord, platformData) == 216, "platformData");
static_assert(offsetof(FilterRecord, bufferProcs) == 224, "bufferProcs");
static_assert(offsetof(FilterRecord, resourceProcs) == 232, "resourceProcs");
static_assert(offsetof(FilterRecord, displayPixels) == 248, "displayPixels");
static_assert(offsetof(FilterRecord, handleProcs) == 256, "handleProcs");
static_assert(offsetof(FilterRecord, advanceState) == 280, "advanceState");
static_assert(offsetof(FilterRecord, getPropertyObsolete) == 292, "getPropertyObsolete");
static_assert(offsetof(FilterRecord, samplingSupport) == 308, "samplingSupport");
static_assert(offsetof(FilterRecord, inputRate) == 312, "inputRate");
static_assert(offsetof(FilterRecord, maskRate) == 316, "maskRate");
static_assert(offsetof(FilterRecord, inColumnBytes) == 368, "inColumnBytes");
static_assert(offsetof(FilterRecord, propertyProcs) == 392, "propertyProcs");
static_assert(offsetof(FilterRecord, inTileHeight) == 400, "inTileHeight");
static_assert(offsetof(FilterRecord, outTileHeight) == 416, "outTileHeight");
static_assert(offsetof(FilterRecord, plugInRef) == 472, "plugInRef");
static_assert(offsetof(FilterRecord, depth) == 480, "depth");
static_assert(offsetof(BufferProcs, allocate) == 8 && sizeof(BufferProcs) == 48, "BufferProcs");
static_assert(offsetof(HandleProcs, newHandle) == 8 && sizeof(HandleProcs) == 72, "HandleProcs");
static_assert(offsetof(PropertyProcs, getProperty) == 8, "PropertyProcs");
static_assert(offsetof(ResourceProcs, countResources) == 8, "ResourceProcs");
static_assert(offsetof(PixelMap, bounds) == 4 && offsetof(PixelMap, rowBytes) == 24 &&
                  offsetof(PixelMap, colBytes) == 28 && offsetof(PixelMap, planeBytes) == 32 &&
                  offsetof(PixelMap, baseAddr) == 40,
              "PixelMap");
#endif

// A filter's entry point.
using EntryPointFn = void(FILTER_CALL*)(int16_t selector, FilterRecord* record, intptr_t* data,
                                        int16_t* result);

}  // namespace filter
