// The later services of the published filter interface: the basic suite
// through which filters ask for other suites by name, colour services,
// channel ports with the document's channel descriptions, image services
// (interpolation) and the record of the About selector. Unlike the filter
// record these structures keep their natural alignment; their offsets are
// checked below for 32-bit and 64-bit code, each against its own numbers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "filter_api.h"

namespace filter {

// ---- The basic suite ---------------------------------------------------------------

// Errors of the suite layer are four-character codes in a 32-bit int.
using SuiteError = int32_t;
constexpr SuiteError kSuiteNoError = 0;
constexpr SuiteError kSuiteNotFoundError = int32_t(FourCharCode("S!Fd"));
constexpr SuiteError kSuiteBadParameterError = int32_t(FourCharCode("Parm"));
constexpr SuiteError kSuiteUnimplementedError = int32_t(FourCharCode("!IMP"));
constexpr SuiteError kSuiteOutOfMemoryError = -108;

constexpr char kBasicSuiteName[] = "SP Basic Suite";
constexpr int32_t kBasicSuiteVersion = 4;

// The truth value is answered in a whole register (0 or 1), so filters that
// declare it one byte wide read the same answer.
struct BasicSuite {
  SuiteError(FILTER_CALL* acquireSuite)(const char* name, int32_t version, const void** suite);
  SuiteError(FILTER_CALL* releaseSuite)(const char* name, int32_t version);
  int32_t(FILTER_CALL* isEqual)(const char* token1, const char* token2);
  SuiteError(FILTER_CALL* allocateBlock)(size_t size, void** block);
  SuiteError(FILTER_CALL* freeBlock)(void* block);
  SuiteError(FILTER_CALL* reallocateBlock)(void* block, size_t newSize, void** newBlock);
  SuiteError(FILTER_CALL* undefined)();
};

// The handle suite by name: the same operations as HandleProcs, without the
// version and count, with one call that locks and tells where the data is.
using SetHandleLockFn = void(FILTER_CALL*)(Handle handle, uint8_t lock, char** address,
                                           uint8_t* oldLock);
struct NamedHandleSuite1 {
  Handle(FILTER_CALL* newHandle)(int32_t size);
  void(FILTER_CALL* dispose)(Handle handle);
  SetHandleLockFn setLock;
  int32_t(FILTER_CALL* getSize)(Handle handle);
  int16_t(FILTER_CALL* setSize)(Handle handle, int32_t size);
  void(FILTER_CALL* recoverSpace)(int32_t size);
};
struct NamedHandleSuite2 {
  Handle(FILTER_CALL* newHandle)(int32_t size);
  void(FILTER_CALL* dispose)(Handle handle);
  void(FILTER_CALL* disposeRegular)(Handle handle);
  SetHandleLockFn setLock;
  int32_t(FILTER_CALL* getSize)(Handle handle);
  int16_t(FILTER_CALL* setSize)(Handle handle, int32_t size);
  void(FILTER_CALL* recoverSpace)(int32_t size);
};

// ---- Colour services -------------------------------------------------------------

constexpr int16_t kHostInsufficientError = -30900;

constexpr int16_t kColourChoose = 0;
constexpr int16_t kColourConvert = 1;
constexpr int16_t kColourSamplePoint = 2;
constexpr int16_t kColourSpecial = 3;

// Colour spaces; the components are 16-bit values in these ranges:
// RGB 0..255 each; HSB and HSL hue 0..359 degrees, the other two 0..359
// for 0..100 %; CMYK
// 0..255 each, 255 meaning no ink; Lab L 0..255 for 0..100, a and b
// 0..255 for -128..127; grey 0..255; XYZ 0..255, relative to white.
enum ColourSpace : int16_t {
  kChosenSpace = -1,
  kRgbSpace = 0,
  kHsbSpace = 1,
  kCmykSpace = 2,
  kLabSpace = 3,
  kGreySpace = 4,
  kHslSpace = 5,
  kXyzSpace = 6,
};

constexpr int32_t kForegroundColour = 0;
constexpr int32_t kBackgroundColour = 1;

struct ColourServicesInfo {
  int32_t infoSize;
  int16_t selector;
  int16_t sourceSpace;
  int16_t resultSpace;
  uint8_t resultGamutInfoValid;
  uint8_t resultInGamut;
  void* reservedSourceSpaceInfo;  // must be null
  void* reservedResultSpaceInfo;  // must be null
  int16_t colourComponents[4];
  void* reserved;  // must be null
  union {
    const uint8_t* pickerPrompt;  // a length-prefixed string, or null
    void* globalSamplePoint;
    int32_t specialColourId;
  } selectorParameter;
};

using ColourServicesFn = int16_t(FILTER_CALL*)(ColourServicesInfo* info);

// ---- Channel ports ---------------------------------------------------------------

struct VPoint {
  int32_t v, h;
};

// Pixels in memory: the pixel at (row, column) of the rectangle it is given
// with starts bitOffset + row * rowBits + column * colBits bits after data.
struct PixelMemoryDesc {
  void* data;
  int32_t rowBits;
  int32_t colBits;
  int32_t bitOffset;
  int32_t depth;
};

// A read scales sourceRect (document coordinates) onto destinationRect.
struct Scaling {
  VRect sourceRect;
  VRect destinationRect;
};

// Opaque to filters; the host's port names one plane of the picture and what
// it does with it.
enum class PortKind : int32_t { kReadSource, kWriteResult, kReadResult };
struct ChannelPortDesc {
  int32_t plane;
  PortKind kind;
};
using ChannelPort = ChannelPortDesc*;

constexpr int16_t kChannelRed = 1;
constexpr int16_t kChannelGreen = 2;
constexpr int16_t kChannelBlue = 3;

struct ReadChannelDesc {
  int32_t minVersion;
  int32_t maxVersion;
  ReadChannelDesc* next;
  ChannelPort port;
  VRect bounds;
  int32_t depth;
  VPoint tileSize;
  VPoint tileOrigin;
  uint8_t target;
  uint8_t shown;
  int16_t channelType;
  void* contextInfo;
  const char* name;
  ChannelPort writePort;        // version 1
  uint32_t alphaId;             // version 2
  const uint16_t* unicodeName;  // version 3
};

struct ReadImageDocumentDesc {
  int32_t minVersion;
  int32_t maxVersion;
  int32_t imageMode;
  int32_t depth;
  VRect bounds;
  int32_t hResolution;  // 16.16
  int32_t vResolution;  // 16.16
  uint8_t redLut[256];
  uint8_t greenLut[256];
  uint8_t blueLut[256];
  ReadChannelDesc* targetCompositeChannels;
  ReadChannelDesc* targetTransparency;
  ReadChannelDesc* targetLayerMask;
  ReadChannelDesc* mergedCompositeChannels;
  ReadChannelDesc* mergedTransparency;
  ReadChannelDesc* alphaChannels;
  ReadChannelDesc* selection;
  void* fileSpec;          // version 1
  void* layersDescriptor;  // version 2
  int32_t documentType;
  ReadImageDocumentDesc* next;
  void* iccProfileData;  // version 3
  int32_t iccProfileSize;
  int32_t compositeChannelCount;
  int32_t layerCount;
  int32_t alphaChannelCount;
};

using ReadPixelsFn = int16_t(FILTER_CALL*)(ChannelPort port, const Scaling* scaling,
                                           const VRect* writeRect,
                                           const PixelMemoryDesc* destination, VRect* wroteRect);
using WriteBasePixelsFn = int16_t(FILTER_CALL*)(ChannelPort port, const VRect* writeRect,
                                                const PixelMemoryDesc* source);
using ReadPortForWritePortFn = int16_t(FILTER_CALL*)(ChannelPort* readPort, ChannelPort writePort);

struct ChannelPortProcs {
  int16_t version;  // 1
  int16_t count;    // 3
  ReadPixelsFn readPixels;
  WriteBasePixelsFn writeBasePixels;
  ReadPortForWritePortFn readPortForWritePort;
};

// ---- Image services --------------------------------------------------------------

// One 8-bit plane: the pixel at (v, h) is at data + (v - bounds.top) *
// rowBytes + (h - bounds.left) * colBytes.
struct ImagePlane {
  void* data;
  Rect16 bounds;
  int32_t rowBytes;
  int32_t colBytes;
};

struct ImageMultiPlane {
  void* data;
  Rect16 bounds;
  int32_t rowBytes;
  int32_t colBytes;
  int16_t activeChannels;
};

struct ImageMultiPlane32 {
  void* data;
  VRect bounds;
  int32_t rowBytes;
  int32_t colBytes;
  int16_t activeChannels;
  int16_t depth;  // 8, 16 or 32
};

constexpr int16_t kPointSampling = 0;
constexpr int16_t kLinearInterpolation = 1;

using ResampleFn = int16_t(FILTER_CALL*)(ImagePlane* source, ImagePlane* destination, Rect16* area,
                                         int32_t* coords, int16_t method);
using ResampleMultiFn = int16_t(FILTER_CALL*)(ImageMultiPlane* source, ImageMultiPlane* destination,
                                              Rect16* area, int32_t* coords, int16_t method);

// Coordinates in 47.16 fixed point.
using ResampleMulti32Fn = int16_t(FILTER_CALL*)(ImageMultiPlane32* source,
                                                ImageMultiPlane32* destination, VRect* area,
                                                int64_t* coords, int16_t method);

struct ImageServicesProcs {
  int16_t version;  // 1
  int16_t count;    // 6
  ResampleFn interpolate1D;
  ResampleFn interpolate2D;
  ResampleMultiFn interpolate1DMulti;
  ResampleMultiFn interpolate2DMulti;
  ResampleMulti32Fn interpolate1DMulti32;
  ResampleMulti32Fn interpolate2DMulti32;
};

// ---- Padding ----------------------------------------------------------------------

constexpr int16_t kWantsEdgeReplication = -1;
constexpr int16_t kDoesNotWantPadding = -2;
constexpr int16_t kWantsErrorOnBoundsException = -3;

// ---- The About selector -----------------------------------------------------------

// What the entry point receives in place of the filter record for selector 0.
struct AboutRecord {
  PlatformData* platformData;
  BasicSuite* basicSuite;
  void* plugInRef;
  char reserved[244];
};

#if defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(BasicSuite) == 28 && sizeof(NamedHandleSuite2) == 28, "BasicSuite");
static_assert(offsetof(ColourServicesInfo, reservedSourceSpaceInfo) == 12 &&
                  offsetof(ColourServicesInfo, colourComponents) == 20 &&
                  offsetof(ColourServicesInfo, reserved) == 28 &&
                  offsetof(ColourServicesInfo, selectorParameter) == 32 &&
                  sizeof(ColourServicesInfo) == 36,
              "ColourServicesInfo");
static_assert(sizeof(PixelMemoryDesc) == 20 && sizeof(Scaling) == 32, "PixelMemoryDesc");
static_assert(offsetof(ReadChannelDesc, port) == 12 && offsetof(ReadChannelDesc, bounds) == 16 &&
                  offsetof(ReadChannelDesc, depth) == 32 &&
                  offsetof(ReadChannelDesc, target) == 52 &&
                  offsetof(ReadChannelDesc, channelType) == 54 &&
                  offsetof(ReadChannelDesc, name) == 60 &&
                  offsetof(ReadChannelDesc, writePort) == 64 &&
                  offsetof(ReadChannelDesc, unicodeName) == 72 && sizeof(ReadChannelDesc) == 76,
              "ReadChannelDesc");
static_assert(offsetof(ReadImageDocumentDesc, bounds) == 16 &&
                  offsetof(ReadImageDocumentDesc, redLut) == 40 &&
                  offsetof(ReadImageDocumentDesc, targetCompositeChannels) == 808 &&
                  offsetof(ReadImageDocumentDesc, mergedCompositeChannels) == 820 &&
                  offsetof(ReadImageDocumentDesc, selection) == 832 &&
                  offsetof(ReadImageDocumentDesc, documentType) == 844 &&
                  offsetof(ReadImageDocumentDesc, compositeChannelCount) == 860 &&
                  sizeof(ReadImageDocumentDesc) == 872,
              "ReadImageDocumentDesc");
static_assert(offsetof(ChannelPortProcs, readPixels) == 4 && sizeof(ChannelPortProcs) == 16,
              "ChannelPortProcs");
static_assert(offsetof(ImagePlane, bounds) == 4 && offsetof(ImagePlane, rowBytes) == 12 &&
                  sizeof(ImagePlane) == 20 && offsetof(ImageMultiPlane, activeChannels) == 20,
              "ImagePlane");
static_assert(offsetof(ImageServicesProcs, interpolate1D) == 4 && sizeof(ImageServicesProcs) == 28,
              "ImageServicesProcs");
static_assert(offsetof(ImageMultiPlane32, rowBytes) == 20 && sizeof(ImageMultiPlane32) == 32,
              "ImageMultiPlane32");
static_assert(offsetof(AboutRecord, basicSuite) == 4 && sizeof(AboutRecord) == 256, "AboutRecord");
#elif defined(__x86_64__) || defined(_M_X64)
static_assert(sizeof(BasicSuite) == 56 && sizeof(NamedHandleSuite2) == 56, "BasicSuite");
static_assert(offsetof(ColourServicesInfo, reservedSourceSpaceInfo) == 16 &&
                  offsetof(ColourServicesInfo, colourComponents) == 32 &&
                  offsetof(ColourServicesInfo, reserved) == 40 &&
                  offsetof(ColourServicesInfo, selectorParameter) == 48 &&
                  sizeof(ColourServicesInfo) == 56,
              "ColourServicesInfo");
static_assert(sizeof(PixelMemoryDesc) == 24 && sizeof(Scaling) == 32, "PixelMemoryDesc");
static_assert(offsetof(ReadChannelDesc, port) == 16 && offsetof(ReadChannelDesc, bounds) == 24 &&
                  offsetof(ReadChannelDesc, depth) == 40 &&
                  offsetof(ReadChannelDesc, target) == 60 &&
                  offsetof(ReadChannelDesc, channelType) == 62 &&
                  offsetof(ReadChannelDesc, name) == 72 &&
                  offsetof(ReadChannelDesc, writePort) == 80 &&
                  offsetof(ReadChannelDesc, unicodeName) == 96 && sizeof(ReadChannelDesc) == 104,
              "ReadChannelDesc");
static_assert(offsetof(ReadImageDocumentDesc, bounds) == 16 &&
                  offsetof(ReadImageDocumentDesc, redLut) == 40 &&
                  offsetof(ReadImageDocumentDesc, targetCompositeChannels) == 808 &&
                  offsetof(ReadImageDocumentDesc, mergedCompositeChannels) == 832 &&
                  offsetof(ReadImageDocumentDesc, selection) == 856 &&
                  offsetof(ReadImageDocumentDesc, documentType) == 880 &&
                  offsetof(ReadImageDocumentDesc, compositeChannelCount) == 908 &&
                  sizeof(ReadImageDocumentDesc) == 920,
              "ReadImageDocumentDesc");
static_assert(offsetof(ChannelPortProcs, readPixels) == 8 && sizeof(ChannelPortProcs) == 32,
              "ChannelPortProcs");
static_assert(offsetof(ImagePlane, bounds) == 8 && offsetof(ImagePlane, rowBytes) == 16 &&
                  sizeof(ImagePlane) == 24 && offsetof(ImageMultiPlane, activeChannels) == 24,
              "ImagePlane");
static_assert(offsetof(ImageServicesProcs, interpolate1D) == 8 && sizeof(ImageServicesProcs) == 56,
              "ImageServicesProcs");
static_assert(offsetof(ImageMultiPlane32, rowBytes) == 24 && sizeof(ImageMultiPlane32) == 40,
              "ImageMultiPlane32");
static_assert(offsetof(AboutRecord, basicSuite) == 8 && sizeof(AboutRecord) == 272, "AboutRecord");
#endif

}  // namespace filter
