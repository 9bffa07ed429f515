#include "descriptor_suites.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "filter_run.h"
#include "filter_suites.h"

using filter::DescriptorKey;
using filter::DescriptorType;
using filter::FourCharCode;
using filter::Handle;
using filter::ReadDescriptor;
using filter::WriteDescriptor;

// A descriptor is a run of items: key, type and payload length (each four
// bytes, little-endian), then the payload.
struct filter::WriteDescriptorState {
  std::vector<uint8_t> bytes;
};

struct filter::ReadDescriptorState {
  std::vector<uint8_t> bytes;
  size_t next = 0;  // the next item's header
  DescriptorType type = 0;
  size_t payload = 0, length = 0;  // the current item's
};

namespace {

constexpr DescriptorType kInteger = FourCharCode("long");
constexpr DescriptorType kFloat = FourCharCode("doub");
constexpr DescriptorType kUnitFloat = FourCharCode("UntF");
constexpr DescriptorType kBoolean = FourCharCode("bool");
constexpr DescriptorType kText = FourCharCode("TEXT");
constexpr DescriptorType kAlias = FourCharCode("alis");
constexpr DescriptorType kEnumerated = FourCharCode("enum");
constexpr DescriptorType kClass = FourCharCode("type");
constexpr DescriptorType kObject = FourCharCode("Objc");
constexpr size_t kItemHeader = 12;

void Put32(std::vector<uint8_t>* bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes->push_back(uint8_t(value >> (8 * i)));
}

uint32_t Get32(const uint8_t* at) {
  return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

// Open readers and writers belong to the run: those a filter never closes
// are freed with it.
struct OpenDescriptors {
  std::vector<std::unique_ptr<filter::ReadDescriptorState>> readers;
  std::vector<std::unique_ptr<filter::WriteDescriptorState>> writers;
};
OpenDescriptors g_open;

template <typename T>
bool Forget(std::vector<std::unique_ptr<T>>* list, T* state) {
  auto found =
      std::find_if(list->begin(), list->end(), [state](auto& p) { return p.get() == state; });
  if (found == list->end()) return false;
  list->erase(found);
  return true;
}

template <typename T>
bool Known(const std::vector<std::unique_ptr<T>>& list, const T* state) {
  return state &&
         std::any_of(list.begin(), list.end(), [state](auto& p) { return p.get() == state; });
}

// ---- Writing -------------------------------------------------------------------------

int16_t PutItem(WriteDescriptor writer, DescriptorKey key, DescriptorType type, const void* payload,
                size_t length, const void* more = nullptr, size_t moreLength = 0) {
  if (!Known(g_open.writers, writer)) return filter::kParameterError;
  try {  // nothing thrown crosses back into the filter
    Put32(&writer->bytes, key);
    Put32(&writer->bytes, type);
    Put32(&writer->bytes, uint32_t(length + moreLength));
    const uint8_t* p = static_cast<const uint8_t*>(payload);
    writer->bytes.insert(writer->bytes.end(), p, p + length);
    if (more)
      writer->bytes.insert(writer->bytes.end(), static_cast<const uint8_t*>(more),
                           static_cast<const uint8_t*>(more) + moreLength);
  } catch (...) {
    return filter::kMemoryFullError;
  }
  return filter::kNoError;
}

int32_t HandleSize(Handle handle) {
  FilterEntry* entry = CurrentFilterEntry();
  return entry && handle ? entry->handleProcs.getSize(handle) : 0;
}

WriteDescriptor FILTER_CALL OpenWrite() {
  try {
    g_open.writers.push_back(std::make_unique<filter::WriteDescriptorState>());
  } catch (...) {
    return nullptr;  // no memory: the filter is told there is no writer
  }
  return g_open.writers.back().get();
}

int16_t FILTER_CALL CloseWrite(WriteDescriptor writer, Handle* descriptor) {
  if (!Known(g_open.writers, writer)) return filter::kParameterError;
  Handle made = NewRunHandle(CurrentFilterEntry(), int32_t(writer->bytes.size()));
  if (made && !writer->bytes.empty())
    std::memcpy(*made, writer->bytes.data(), writer->bytes.size());
  Forget(&g_open.writers, writer);
  if (descriptor) *descriptor = made;
  return made ? filter::kNoError : filter::kMemoryFullError;
}

int16_t FILTER_CALL PutInteger(WriteDescriptor w, DescriptorKey key, int32_t value) {
  return PutItem(w, key, kInteger, &value, 4);
}
int16_t FILTER_CALL PutFloat(WriteDescriptor w, DescriptorKey key, const double* value) {
  return value ? PutItem(w, key, kFloat, value, 8) : filter::kParameterError;
}
int16_t FILTER_CALL PutUnitFloat(WriteDescriptor w, DescriptorKey key, uint32_t unit,
                                 const double* value) {
  return value ? PutItem(w, key, kUnitFloat, &unit, 4, value, 8) : filter::kParameterError;
}
int16_t FILTER_CALL PutBoolean(WriteDescriptor w, DescriptorKey key, uint8_t value) {
  uint8_t truth = value ? 1 : 0;
  return PutItem(w, key, kBoolean, &truth, 1);
}
int16_t FILTER_CALL PutText(WriteDescriptor w, DescriptorKey key, Handle value) {
  return PutItem(w, key, kText, value ? *value : nullptr, size_t(HandleSize(value)));
}
int16_t FILTER_CALL PutAlias(WriteDescriptor w, DescriptorKey key, Handle value) {
  return PutItem(w, key, kAlias, value ? *value : nullptr, size_t(HandleSize(value)));
}
int16_t FILTER_CALL PutEnumerated(WriteDescriptor w, DescriptorKey key, DescriptorType type,
                                  uint32_t value) {
  return PutItem(w, key, kEnumerated, &type, 4, &value, 4);
}
int16_t FILTER_CALL PutClass(WriteDescriptor w, DescriptorKey key, DescriptorType value) {
  return PutItem(w, key, kClass, &value, 4);
}
int16_t FILTER_CALL PutObject(WriteDescriptor w, DescriptorKey key, DescriptorType classId,
                              Handle value) {
  return PutItem(w, key, kObject, &classId, 4, value ? *value : nullptr, size_t(HandleSize(value)));
}
int16_t FILTER_CALL PutCount(WriteDescriptor w, DescriptorKey key, uint32_t count) {
  return PutItem(w, key, kInteger, &count, 4);
}
// A length-prefixed string, kept as text.
int16_t FILTER_CALL PutString(WriteDescriptor w, DescriptorKey key, const uint8_t* value) {
  return value ? PutItem(w, key, kText, value + 1, value[0]) : filter::kParameterError;
}
// References and scoped values need the host's scripting model, which this
// host does not have.
int16_t FILTER_CALL PutSimpleReference(WriteDescriptor, DescriptorKey, const void*) {
  return filter::kHostInsufficientError;
}
int16_t FILTER_CALL PutScopedClass(WriteDescriptor, DescriptorKey, DescriptorType) {
  return filter::kHostInsufficientError;
}
int16_t FILTER_CALL PutScopedObject(WriteDescriptor, DescriptorKey, DescriptorType, Handle*) {
  return filter::kHostInsufficientError;
}

// ---- Reading -------------------------------------------------------------------------

ReadDescriptor FILTER_CALL OpenRead(Handle descriptor, DescriptorKey*) {
  int32_t size = HandleSize(descriptor);
  if (size <= 0) return nullptr;
  try {
    auto reader = std::make_unique<filter::ReadDescriptorState>();
    reader->bytes.assign(*descriptor, *descriptor + size);
    g_open.readers.push_back(std::move(reader));
  } catch (...) {
    return nullptr;
  }
  return g_open.readers.back().get();
}

int16_t FILTER_CALL CloseRead(ReadDescriptor reader) {
  return Forget(&g_open.readers, reader) ? filter::kNoError : filter::kParameterError;
}

uint8_t FILTER_CALL GetKey(ReadDescriptor reader, DescriptorKey* key, DescriptorType* type,
                           int32_t* flags) {
  if (!Known(g_open.readers, reader)) return 0;
  const std::vector<uint8_t>& b = reader->bytes;
  if (b.size() - reader->next < kItemHeader) return 0;
  size_t length = Get32(&b[reader->next + 8]);
  size_t payload = reader->next + kItemHeader;
  if (length > b.size() - payload) return 0;  // damaged: nothing more to read
  if (key) *key = Get32(&b[reader->next]);
  reader->type = Get32(&b[reader->next + 4]);
  if (type) *type = reader->type;
  if (flags) *flags = 0;
  reader->payload = payload;
  reader->length = length;
  reader->next = payload + length;
  return 1;
}

// The current item's payload when it has `type` and at least `length` bytes.
const uint8_t* Payload(ReadDescriptor reader, DescriptorType type, size_t length) {
  if (!Known(g_open.readers, reader) || reader->type != type || reader->length < length)
    return nullptr;
  return reader->bytes.data() + reader->payload;
}

Handle NewHandleOf(const uint8_t* bytes, size_t length) {
  Handle made = NewRunHandle(CurrentFilterEntry(), int32_t(length));
  if (made && length) std::memcpy(*made, bytes, length);
  return made;
}

int16_t FILTER_CALL GetInteger(ReadDescriptor r, int32_t* value) {
  const uint8_t* p = Payload(r, kInteger, 4);
  if (!p || !value) return filter::kWrongDataTypeError;
  *value = int32_t(Get32(p));
  return filter::kNoError;
}
int16_t FILTER_CALL GetFloat(ReadDescriptor r, double* value) {
  const uint8_t* p = Payload(r, kFloat, 8);
  if (!p || !value) return filter::kWrongDataTypeError;
  std::memcpy(value, p, 8);
  return filter::kNoError;
}
int16_t FILTER_CALL GetUnitFloat(ReadDescriptor r, uint32_t* unit, double* value) {
  const uint8_t* p = Payload(r, kUnitFloat, 12);
  if (!p || !value) return filter::kWrongDataTypeError;
  if (unit) *unit = Get32(p);
  std::memcpy(value, p + 4, 8);
  return filter::kNoError;
}
int16_t FILTER_CALL GetBoolean(ReadDescriptor r, uint8_t* value) {
  const uint8_t* p = Payload(r, kBoolean, 1);
  if (!p || !value) return filter::kWrongDataTypeError;
  *value = p[0];
  return filter::kNoError;
}
int16_t GetBytes(ReadDescriptor r, DescriptorType type, Handle* value) {
  const uint8_t* p = Payload(r, type, 0);
  if (!p || !value) return filter::kWrongDataTypeError;
  *value = NewHandleOf(p, r->length);
  return *value ? filter::kNoError : filter::kMemoryFullError;
}
int16_t FILTER_CALL GetText(ReadDescriptor r, Handle* value) { return GetBytes(r, kText, value); }
int16_t FILTER_CALL GetAlias(ReadDescriptor r, Handle* value) { return GetBytes(r, kAlias, value); }
int16_t FILTER_CALL GetEnumerated(ReadDescriptor r, uint32_t* value) {
  const uint8_t* p = Payload(r, kEnumerated, 8);
  if (!p || !value) return filter::kWrongDataTypeError;
  *value = Get32(p + 4);
  return filter::kNoError;
}
int16_t FILTER_CALL GetClass(ReadDescriptor r, uint32_t* value) {
  const uint8_t* p = Payload(r, kClass, 4);
  if (!p || !value) return filter::kWrongDataTypeError;
  *value = Get32(p);
  return filter::kNoError;
}
int16_t FILTER_CALL GetSimpleReference(ReadDescriptor, void*) {
  return filter::kHostInsufficientError;
}
int16_t FILTER_CALL GetObject(ReadDescriptor r, uint32_t* classId, Handle* value) {
  const uint8_t* p = Payload(r, kObject, 4);
  if (!p || !value) return filter::kWrongDataTypeError;
  if (classId) *classId = Get32(p);
  *value = NewHandleOf(p + 4, r->length - 4);
  return *value ? filter::kNoError : filter::kMemoryFullError;
}
int16_t FILTER_CALL GetCount(ReadDescriptor r, uint32_t* value) {
  return GetInteger(r, reinterpret_cast<int32_t*>(value));
}
int16_t FILTER_CALL GetString(ReadDescriptor r, uint8_t* value) {
  const uint8_t* p = Payload(r, kText, 0);
  if (!p || !value) return filter::kWrongDataTypeError;
  size_t length = r->length < 255 ? r->length : 255;
  value[0] = uint8_t(length);
  std::memcpy(value + 1, p, length);
  return filter::kNoError;
}
int16_t FILTER_CALL GetPinnedInteger(ReadDescriptor r, int32_t least, int32_t most,
                                     int32_t* value) {
  int16_t error = GetInteger(r, value);
  if (error) return error;
  int32_t pinned = std::min(std::max(*value, least), most);
  bool moved = pinned != *value;
  *value = pinned;
  return moved ? filter::kCoercedParameter : filter::kNoError;
}
int16_t Pin(double* value, const double* least, const double* most) {
  double pinned = *value;
  if (least && pinned < *least) pinned = *least;
  if (most && pinned > *most) pinned = *most;
  bool moved = pinned != *value;
  *value = pinned;
  return moved ? filter::kCoercedParameter : filter::kNoError;
}
int16_t FILTER_CALL GetPinnedFloat(ReadDescriptor r, const double* least, const double* most,
                                   double* value) {
  int16_t error = GetFloat(r, value);
  return error ? error : Pin(value, least, most);
}
int16_t FILTER_CALL GetPinnedUnitFloat(ReadDescriptor r, const double* least, const double* most,
                                       uint32_t* unit, double* value) {
  int16_t error = GetUnitFloat(r, unit, value);
  return error ? error : Pin(value, least, most);
}

// ---- The store ---------------------------------------------------------------------

constexpr uint32_t kStoreMagic = FourCharCode("8BDP");
constexpr uint32_t kStoreVersion = 1;

}  // namespace

void InstallDescriptorParameters(FilterEntry* entry) {
  entry->readDescriptorProcs = {0,
                                18,
                                OpenRead,
                                CloseRead,
                                GetKey,
                                GetInteger,
                                GetFloat,
                                GetUnitFloat,
                                GetBoolean,
                                GetText,
                                GetAlias,
                                GetEnumerated,
                                GetClass,
                                GetSimpleReference,
                                GetObject,
                                GetCount,
                                GetString,
                                GetPinnedInteger,
                                GetPinnedFloat,
                                GetPinnedUnitFloat};
  entry->writeDescriptorProcs = {0,
                                 16,
                                 OpenWrite,
                                 CloseWrite,
                                 PutInteger,
                                 PutFloat,
                                 PutUnitFloat,
                                 PutBoolean,
                                 PutText,
                                 PutAlias,
                                 PutEnumerated,
                                 PutClass,
                                 PutSimpleReference,
                                 PutObject,
                                 PutCount,
                                 PutString,
                                 PutScopedClass,
                                 PutScopedObject};
  filter::DescriptorParameters& p = entry->descriptorParameters;
  p = {};
  p.writeProcs = &entry->writeDescriptorProcs;
  p.readProcs = &entry->readDescriptorProcs;
  const StoredDescriptor& last = entry->settings;
  if (!last.bytes.empty()) {
    p.descriptor = NewRunHandle(entry, int32_t(last.bytes.size()));
    if (p.descriptor) std::memcpy(*p.descriptor, last.bytes.data(), last.bytes.size());
  }
  // The dialog is skipped only where the filter said so when it recorded its
  // settings: it has none, or it is optional and the host repeats the run.
  bool skip = last.withoutDialog || (entry->repeatRun && !last.dialogRequired);
  p.playInfo = p.descriptor && skip ? filter::kDialogDontDisplay : filter::kDialogDisplay;
  p.recordInfo = filter::kRecordDialogOptional;
}

void KeepDescriptorParameters(FilterEntry* entry) {
  g_open = {};  // readers and writers left open end with the run
  if (entry->success != 1) return;
  const filter::DescriptorParameters& p = entry->descriptorParameters;
  int32_t size = p.descriptor ? entry->handleProcs.getSize(p.descriptor) : 0;
  if (size <= 0) return;
  entry->settings.bytes.assign(*p.descriptor, *p.descriptor + size);
  entry->settings.withoutDialog = p.recordInfo == filter::kRecordDialogNone;
  entry->settings.dialogRequired = p.recordInfo == filter::kRecordDialogRequired;
  entry->settingsChanged = true;
}

std::vector<uint8_t> EncodeDescriptorStore(const std::vector<StoredDescriptor>& store) {
  std::vector<uint8_t> bytes;
  Put32(&bytes, kStoreMagic);
  Put32(&bytes, kStoreVersion);
  for (const StoredDescriptor& s : store) {
    Put32(&bytes, uint32_t(s.filterPath.size()));
    bytes.insert(bytes.end(), s.filterPath.begin(), s.filterPath.end());
    bytes.push_back(uint8_t((s.withoutDialog ? 1 : 0) | (s.dialogRequired ? 2 : 0)));
    Put32(&bytes, uint32_t(s.bytes.size()));
    bytes.insert(bytes.end(), s.bytes.begin(), s.bytes.end());
  }
  return bytes;
}

bool DecodeDescriptorStore(const std::vector<uint8_t>& bytes,
                           std::vector<StoredDescriptor>* store) {
  store->clear();
  if (bytes.size() < 8 || Get32(&bytes[0]) != kStoreMagic || Get32(&bytes[4]) != kStoreVersion)
    return bytes.empty();
  size_t at = 8;
  while (at < bytes.size()) {
    StoredDescriptor s;
    if (bytes.size() - at < 4) return false;
    size_t pathLength = Get32(&bytes[at]);
    at += 4;
    // Compared without adding to the length: a length near 2^32 would wrap
    // in 32-bit code.
    if (pathLength > bytes.size() - at || bytes.size() - at - pathLength < 5) return false;
    s.filterPath.assign(reinterpret_cast<const char*>(&bytes[at]), pathLength);
    at += pathLength;
    s.withoutDialog = (bytes[at] & 1) != 0;
    s.dialogRequired = (bytes[at++] & 2) != 0;
    size_t length = Get32(&bytes[at]);
    at += 4;
    if (bytes.size() - at < length) return false;
    s.bytes.assign(bytes.begin() + long(at), bytes.begin() + long(at + length));
    at += length;
    store->push_back(std::move(s));
  }
  return true;
}
