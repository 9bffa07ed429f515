// The binary interface between the browser and its reader and writer plug-ins.
//
// Plug-ins are 32-bit DLLs in file_r\ (readers) and file_w\ (writers) that
// export cdecl functions by these names. Every record below is passed by
// pointer; its size and field offsets are fixed and must never change.
// This header stands alone so that plug-ins can include it.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__i386__) || defined(_M_IX86)
#define PLUGIN_CALL __cdecl
#else
#define PLUGIN_CALL
#endif

#if defined(_WIN32)
#define PLUGIN_EXPORT extern "C" __declspec(dllexport)
#else
#define PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Filled by ReadFileInfo / WriteFileInfo.
struct FormatInfo {
  char extensions[256];   // "jpg;jpeg;jpe": no dots, ';' between, letter case ignored
  char displayName[400];  // the format's name as the user sees it
};

struct ImageSizeEntry {
  int32_t width;
  int32_t height;
  int32_t bitsPerPixel;
  uint8_t pluginOwned[128];  // never read or written by the browser
};

constexpr int kImageSizeEntries = 64;

// Zero-filled by the browser before each call that receives it.
struct ImageSizeRecord {
  int32_t resolutionX;  // 96 before ReadFileExec
  int32_t resolutionY;  // 96 before ReadFileExec
  int32_t reserved;     // 0
  int32_t imageCount;   // 1 before ReadFileGetSize/ReadFileExec; the plug-in sets the file's count
  ImageSizeEntry entries[kImageSizeEntries];
};

// Opaque to the browser; zero-filled for every call.
struct ImageExtraRecord {
  uint8_t bytes[64 * 168];
};

// Opaque to the browser; zero-filled, handed to ReadFileExec only.
struct DecodeWorkRecord {
  uint8_t bytes[25856];
};

// Callbacks through which ReadFileExec delivers the picture. Each returns 0
// when done and -1 when it refused (nothing changed). Rows count from the top.
using PutRowFn = int32_t(PLUGIN_CALL*)(int32_t row, int32_t unusedA, int32_t unusedB,
                                       const void* data, int32_t flag);
using PutAlphaFn = int32_t(PLUGIN_CALL*)(int32_t row, int32_t xFirst, int32_t xLast,
                                         const void* opacities);
using PutPaletteFn = int32_t(PLUGIN_CALL*)(const void* entries, int32_t flag);
using PutChannelFn = int32_t(PLUGIN_CALL*)(int32_t row, int32_t channel, int32_t unusedA,
                                           int32_t unusedB, const void* values, int32_t flag);

struct ReadCallbacks {
  PutRowFn PutRow;
  PutAlphaFn PutAlpha;
  PutPaletteFn PutPalette;
  PutChannelFn PutChannel;
};

// Exports, looked up by these names.
using WindowRef = void*;
using ReadFileInfoFn = int32_t(PLUGIN_CALL*)(WindowRef window, FormatInfo* info);
using WriteFileInfoFn = ReadFileInfoFn;
using ReadFileInitFn = int32_t(PLUGIN_CALL*)(WindowRef window, const char* fileName, int32_t zero);
using ReadFileGetSizeFn = int32_t(PLUGIN_CALL*)(WindowRef window, const char* fileName,
                                                ImageSizeRecord* size, ImageExtraRecord* extra);
using ReadFileExecFn = int32_t(PLUGIN_CALL*)(WindowRef window, const char* fileName,
                                             ImageSizeRecord* size, ImageExtraRecord* extra,
                                             DecodeWorkRecord* work,
                                             const ReadCallbacks* callbacks);
using ReadFileFastImageFn = int32_t(PLUGIN_CALL*)(WindowRef window, const char* fileName,
                                                  ImageSizeRecord* size, ImageExtraRecord* extra,
                                                  char* tempPath256);
// Optional: decoding for a thumbnail that must fit boxWidth x boxHeight. A
// reader may deliver a smaller picture than its ReadFileGetSize answer, for
// instance by decoding a JPEG at 1/8 of its size. Within one load of the DLL,
// after ReadFileInit and ReadFileGetSize, the browser calls it twice:
//  1. with `callbacks` null and entry 0 of `size` holding the reader's own
//     ReadFileGetSize answer: the reader replaces it with the width, height
//     and bits per pixel of the upright picture it will deliver for this box
//     and returns non-zero, or returns 0 to decline (the browser then calls
//     ReadFileExec for the whole picture);
//  2. with the callbacks and entry 0 holding that answer as the target the
//     browser allocated: it delivers the picture as ReadFileExec does.
// The browser fits whatever size arrives into the box, so a reader that
// delivers more than the box needs is still shown right.
using ReadFileExecScaledFn = int32_t(PLUGIN_CALL*)(WindowRef window, const char* fileName,
                                                   int32_t boxWidth, int32_t boxHeight,
                                                   ImageSizeRecord* size, ImageExtraRecord* extra,
                                                   DecodeWorkRecord* work,
                                                   const ReadCallbacks* callbacks);

// Optional: nonzero when the reader may be called from several threads at
// once, each thread with its own load of the DLL and its own file. Readers
// without it are called by one thread at a time, as they always were.
using ReadFileConcurrentFn = int32_t(PLUGIN_CALL*)();

static_assert(sizeof(FormatInfo) == 656, "FormatInfo is 656 bytes");
static_assert(offsetof(FormatInfo, displayName) == 256, "display name at 256");
static_assert(sizeof(ImageSizeEntry) == 140, "ImageSizeEntry is 140 bytes");
static_assert(offsetof(ImageSizeEntry, pluginOwned) == 12, "entry tail at 12");
static_assert(sizeof(ImageSizeRecord) == 8976, "ImageSizeRecord is 8976 bytes");
static_assert(offsetof(ImageSizeRecord, imageCount) == 12, "image count at 12");
static_assert(offsetof(ImageSizeRecord, entries) == 16, "entries at 16");
static_assert(sizeof(ImageExtraRecord) == 10752, "ImageExtraRecord is 10752 bytes");
static_assert(sizeof(DecodeWorkRecord) == 25856, "DecodeWorkRecord is 25856 bytes");
static_assert(sizeof(ReadCallbacks) == 4 * sizeof(void*), "four callbacks in order");
static_assert(offsetof(ReadCallbacks, PutChannel) == 3 * sizeof(void*), "PutChannel last");
#if defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(ReadCallbacks) == 16, "16 bytes in a 32-bit process");
#endif
