// Running one entry point of a filter module over the host's image: the
// filter record, the selector sequence, the rectangle requests and the
// callbacks given to the filter.
#pragma once

#include <cstdint>

#include "descriptor_suites.h"
#include "filter_api.h"
#include "host_image.h"
#include "suite_api.h"

// Draws a bottom-up 24-bit DIB (40-byte header, then rows) on a device
// context at (x, y); set by the Win32 side, absent in tests without a screen.
using DrawDibFn = void (*)(void* deviceContext, int32_t x, int32_t y, const void* header,
                           const void* bits);

// Whether the user asked to stop the run (the Win32 side watches Escape);
// absent in tests without a keyboard.
using AbortCheckFn = bool (*)();

// The memory a run may count on, in bytes (the Win32 side asks the system);
// absent in tests, where the run offers the smallest figure.
using MemoryAvailableFn = uint64_t (*)();

struct PendingOutput {
  filter::Rect16 rect;
  int32_t loPlane, hiPlane, rowBytes;
};

// A block handed out by the handle procedures: the handle is the address of
// `data`, so *handle is the block's data. Every block of a run is freed at
// its end, whether the filter disposed of it or not.
struct HandleBlock {
  char* data;
  int32_t size;
  HandleBlock* next;
};

// A resource added by the filter, kept in memory for the run.
struct StoredResource {
  uint32_t type;
  char* data;
  int32_t size;
  StoredResource* next;
};

constexpr size_t kTitleBytes = 256;

struct FilterEntry {
  filter::EntryPointFn procedure = nullptr;
  int16_t result = 0;
  intptr_t data = 0;
  filter::BufferProcs bufferProcs = {};
  filter::HandleProcs handleProcs = {};
  filter::PropertyProcs propertyProcs = {};
  filter::ResourceProcs resourceProcs = {};
  filter::PlatformData platformData = {};
  filter::ChannelPortProcs channelPortProcs = {};
  filter::ChannelPortDesc ports[9] = {};  // read source, write result, read result: R, G, B
  filter::ReadChannelDesc channels[3] = {};
  filter::ReadImageDocumentDesc document = {};
  filter::ImageServicesProcs imageServices = {};
  filter::ReadDescriptorProcs readDescriptorProcs = {};
  filter::WriteDescriptorProcs writeDescriptorProcs = {};
  filter::DescriptorParameters descriptorParameters = {};
  StoredDescriptor settings;     // the filter's last settings, given at the next run
  bool repeatRun = false;        // the host repeats the last run (FilterRepeatNext)
  bool settingsChanged = false;  // a successful run left new ones
  // On an 8-byte boundary, so that the pointers the packed record holds at
  // 8-byte offsets are aligned for the filter.
  alignas(8) filter::FilterRecord record = {};
  uint8_t abortFlag = 0;
  int32_t success = 0;
  int16_t failure = 0;          // the first selector result other than noErr
  uint8_t errorText[256] = {};  // length-prefixed text the filter may leave for its host
  PendingOutput pending = {};
  void* hostWindow = nullptr;
  char title[kTitleBytes] = {};  // the document's title; "Untitled" when empty
  HostImageAdapter* adapter = nullptr;
  HandleBlock* handles = nullptr;
  StoredResource* resources = nullptr;
  FilterEntry* next = nullptr;
};

// A new entry for a resolved (or null) procedure, with its callback tables.
FilterEntry* NewFilterEntry(filter::EntryPointFn procedure);

// Runs the entry's procedure through parameters, prepare, start, continue
// and finish; commits the working image only when every selector succeeded
// and every request could be served, and always notifies the host of the
// end. Frees the run's handles and resources. Returns 1.
int32_t RunFilterEntry(FilterEntry* entry);

// Sets how the display procedure draws (Win32 only).
void SetDisplayDrawer(DrawDibFn draw);

// Sets how the abort procedure learns that the user wants to stop.
void SetAbortCheck(AbortCheckFn check);

// Sets how a run learns the memory it may use for maxSpace and bufferSpace.
void SetMemoryQuery(MemoryAvailableFn query);

// What a run offers as maxSpace: half of `available`, between 8 MiB and
// 1 GiB (a 32-bit filter cannot use more).
int32_t SpaceFor(uint64_t available);

// Calls the entry's procedure with the About selector and an About record
// owned by `window`. Returns 1 when the filter answered without error.
int32_t ShowFilterAbout(FilterEntry* entry, void* window);

// The entry being run, or null outside a run.
FilterEntry* CurrentFilterEntry();

// Exposed for tests of the request arithmetic.
bool IsFinished(const filter::Rect16& rect);
