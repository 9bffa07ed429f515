#include "filter_suites.h"

#include <cstdlib>
#include <cstring>

using filter::FourCharCode;
using filter::Handle;

namespace {

// ---- Handles -------------------------------------------------------------------------

HandleBlock* FindBlock(FilterEntry* entry, Handle handle) {
  if (!entry || !handle) return nullptr;
  for (HandleBlock* block = entry->handles; block; block = block->next)
    if (&block->data == handle) return block;
  return nullptr;
}

Handle FILTER_CALL NewHandle(int32_t size) { return NewRunHandle(CurrentFilterEntry(), size); }

// Unknown handles (not made by this run) are left alone.
void FILTER_CALL DisposeHandle(Handle handle) {
  FilterEntry* entry = CurrentFilterEntry();
  if (!FindBlock(entry, handle)) return;
  for (HandleBlock** link = &entry->handles; *link; link = &(*link)->next)
    if (&(*link)->data == handle) {
      HandleBlock* block = *link;
      *link = block->next;
      std::free(block->data);
      std::free(block);
      return;
    }
}

int32_t FILTER_CALL GetHandleSize(Handle handle) {
  HandleBlock* block = FindBlock(CurrentFilterEntry(), handle);
  return block ? block->size : 0;
}

int16_t FILTER_CALL SetHandleSize(Handle handle, int32_t size) {
  HandleBlock* block = FindBlock(CurrentFilterEntry(), handle);
  if (!block) return filter::kNilHandleError;
  if (size < 0) return filter::kParameterError;
  char* data = static_cast<char*>(std::realloc(block->data, size_t(size) ? size_t(size) : 1));
  if (!data) return filter::kMemoryFullError;
  if (size > block->size) std::memset(data + block->size, 0, size_t(size - block->size));
  block->data = data;
  block->size = size;
  return filter::kNoError;
}

char* FILTER_CALL LockHandle(Handle handle, uint8_t) {
  HandleBlock* block = FindBlock(CurrentFilterEntry(), handle);
  return block ? block->data : nullptr;
}

void FILTER_CALL UnlockHandle(Handle) {}
void FILTER_CALL RecoverSpace(int32_t) {}

// Blocks never move: locking only tells where the data is (null for a
// handle this run did not make) and that it was locked.
void FILTER_CALL SetHandleLock(Handle handle, uint8_t, char** address, uint8_t* oldLock) {
  HandleBlock* block = FindBlock(CurrentFilterEntry(), handle);
  if (address) *address = block ? block->data : nullptr;
  if (oldLock) *oldLock = 1;
}

// The handle suite asked for by name: version 1 and version 2 (which adds
// the disposal of regular handles in third place).
const filter::NamedHandleSuite1 kNamedHandleSuite1 = {NewHandle,     DisposeHandle, SetHandleLock,
                                                      GetHandleSize, SetHandleSize, RecoverSpace};
const filter::NamedHandleSuite2 kNamedHandleSuite2 = {NewHandle,     DisposeHandle, DisposeHandle,
                                                      SetHandleLock, GetHandleSize, SetHandleSize,
                                                      RecoverSpace};

// A handle of `size` bytes holding `bytes`, or null.
Handle CopyToHandle(FilterEntry* entry, const void* bytes, int32_t size) {
  Handle handle = NewRunHandle(entry, size);
  if (handle && size > 0) std::memcpy(*handle, bytes, size_t(size));
  return handle;
}

// ---- Properties ----------------------------------------------------------------------

constexpr uint32_t kNumberOfChannels = FourCharCode("nuch");
constexpr uint32_t kChannelName = FourCharCode("nmch");
constexpr uint32_t kImageMode = FourCharCode("mode");
constexpr uint32_t kBigNudgeH = FourCharCode("bndH");
constexpr uint32_t kBigNudgeV = FourCharCode("bndV");
constexpr uint32_t kInterpolation = FourCharCode("intp");
constexpr uint32_t kSerialString = FourCharCode("sstr");
constexpr uint32_t kTitle = FourCharCode("titl");
constexpr uint32_t kCopyright = FourCharCode("cpyr");
constexpr uint32_t kWatchSuspension = FourCharCode("wtch");

constexpr int32_t kNearestNeighbour = 1;
constexpr intptr_t kBigNudge = 10 * filter::kOneFixed;  // 10 pixels, 16.16

bool SimpleProperty(uint32_t key, intptr_t* value) {
  switch (key) {
    case kNumberOfChannels: *value = 3; return true;
    case kImageMode: *value = filter::kRgbMode; return true;
    case kBigNudgeH:
    case kBigNudgeV: *value = kBigNudge; return true;
    case kInterpolation: *value = kNearestNeighbour; return true;
    case kCopyright: *value = 0; return true;  // no copyright notice on the image
    case kWatchSuspension: *value = 0; return true;
    default: return false;
  }
}

// The text of a string property (no terminator in the handle), or null.
const char* StringProperty(FilterEntry* entry, uint32_t key, int32_t index) {
  static const char* const kChannels[] = {"Red", "Green", "Blue"};
  switch (key) {
    case kSerialString: return "0";
    case kTitle: return entry->title[0] ? entry->title : "Untitled";
    case kChannelName: return index >= 0 && index < 3 ? kChannels[index] : nullptr;
    default: return nullptr;
  }
}

int16_t FILTER_CALL GetProperty(uint32_t signature, uint32_t key, int32_t index, intptr_t* simple,
                                Handle* complex) {
  FilterEntry* entry = CurrentFilterEntry();
  if (!entry || signature != uint32_t(filter::kHostSignature))
    return filter::kPropertyUndefinedError;
  intptr_t value = 0;
  if (SimpleProperty(key, &value)) {
    if (!simple) return filter::kParameterError;
    *simple = value;
    return filter::kNoError;
  }
  const char* text = StringProperty(entry, key, index);
  if (!text) return filter::kPropertyUndefinedError;
  if (!complex) return filter::kParameterError;
  *complex = CopyToHandle(entry, text, int32_t(std::strlen(text)));
  return *complex ? filter::kNoError : filter::kMemoryFullError;
}

// Only the watch suspension may be set (it has no effect here).
int16_t FILTER_CALL SetProperty(uint32_t signature, uint32_t key, int32_t, intptr_t, Handle) {
  bool accepted = signature == uint32_t(filter::kHostSignature) && key == kWatchSuspension;
  return accepted ? filter::kNoError : filter::kPropertyUndefinedError;
}

// ---- Resources -----------------------------------------------------------------------

// The index-th (from 1) resource of `type` and the link that points at it.
StoredResource** FindResourceLink(FilterEntry* entry, uint32_t type, int16_t index) {
  if (!entry || index < 1) return nullptr;
  int16_t seen = 0;
  for (StoredResource** link = &entry->resources; *link; link = &(*link)->next)
    if ((*link)->type == type && ++seen == index) return link;
  return nullptr;
}

int16_t FILTER_CALL CountResources(uint32_t type) {
  FilterEntry* entry = CurrentFilterEntry();
  int16_t count = 0;
  for (StoredResource* r = entry ? entry->resources : nullptr; r; r = r->next)
    count = int16_t(count + (r->type == type));
  return count;
}

// A copy in a new handle of the run: the filter may dispose of it or not.
Handle FILTER_CALL GetResource(uint32_t type, int16_t index) {
  FilterEntry* entry = CurrentFilterEntry();
  StoredResource** link = FindResourceLink(entry, type, index);
  return link ? CopyToHandle(entry, (*link)->data, (*link)->size) : nullptr;
}

void FILTER_CALL DeleteResource(uint32_t type, int16_t index) {
  StoredResource** link = FindResourceLink(CurrentFilterEntry(), type, index);
  if (!link) return;
  StoredResource* gone = *link;
  *link = gone->next;
  std::free(gone->data);
  std::free(gone);
}

int16_t FILTER_CALL AddResource(uint32_t type, Handle data) {
  FilterEntry* entry = CurrentFilterEntry();
  HandleBlock* block = FindBlock(entry, data);
  if (!block) return filter::kNilHandleError;
  if (CountResources(type) == INT16_MAX) return filter::kMemoryFullError;
  auto* stored = static_cast<StoredResource*>(std::malloc(sizeof(StoredResource)));
  char* copy = static_cast<char*>(std::malloc(size_t(block->size) ? size_t(block->size) : 1));
  if (!stored || !copy) {
    std::free(stored);
    std::free(copy);
    return filter::kMemoryFullError;
  }
  std::memcpy(copy, block->data, size_t(block->size));
  *stored = {type, copy, block->size, nullptr};
  StoredResource** tail = &entry->resources;
  while (*tail) tail = &(*tail)->next;
  *tail = stored;
  return filter::kNoError;
}

}  // namespace

const void* NamedHandleSuite(int32_t version) {
  if (version == 1) return &kNamedHandleSuite1;
  if (version == 2) return &kNamedHandleSuite2;
  return nullptr;
}

Handle NewRunHandle(FilterEntry* entry, int32_t size) {
  if (!entry || size < 0) return nullptr;
  auto* block = static_cast<HandleBlock*>(std::malloc(sizeof(HandleBlock)));
  char* data = static_cast<char*>(std::calloc(size_t(size) ? size_t(size) : 1, 1));
  if (!block || !data) {
    std::free(block);
    std::free(data);
    return nullptr;
  }
  *block = {data, size, entry->handles};
  entry->handles = block;
  return &block->data;
}

void InstallSuites(FilterEntry* entry) {
  entry->handleProcs = {1,
                        8,
                        NewHandle,
                        DisposeHandle,
                        GetHandleSize,
                        SetHandleSize,
                        LockHandle,
                        UnlockHandle,
                        RecoverSpace,
                        DisposeHandle};
  entry->propertyProcs = {1, 2, GetProperty, SetProperty};
  entry->resourceProcs = {3, 4, CountResources, GetResource, DeleteResource, AddResource};
}

void ReleaseSuiteBlocks(FilterEntry* entry) {
  while (HandleBlock* block = entry->handles) {
    entry->handles = block->next;
    std::free(block->data);
    std::free(block);
  }
  while (StoredResource* resource = entry->resources) {
    entry->resources = resource->next;
    std::free(resource->data);
    std::free(resource);
  }
}
