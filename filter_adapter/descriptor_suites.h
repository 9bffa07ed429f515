// Descriptor parameters: the read and write descriptor suites through which
// a filter gives back its settings after a run and finds them again at the
// next one, and the store that keeps them per filter.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "filter_api.h"

struct FilterEntry;

namespace filter {

// How the dialog is played and recorded.
constexpr int16_t kDialogDontDisplay = 0;
constexpr int16_t kDialogDisplay = 1;
constexpr int16_t kDialogSilent = 2;
constexpr int16_t kRecordDialogOptional = 0;
constexpr int16_t kRecordDialogRequired = 1;  // a repeat still shows the dialog
constexpr int16_t kRecordDialogNone = 2;      // the filter has no dialog to show

constexpr int16_t kWrongDataTypeError = -1703;
constexpr int16_t kCoercedParameter = 2;  // a pinned value was brought within range

using DescriptorKey = uint32_t;
using DescriptorType = uint32_t;
using ReadDescriptor = struct ReadDescriptorState*;
using WriteDescriptor = struct WriteDescriptorState*;

struct ReadDescriptorProcs {
  int16_t version;  // 0
  int16_t count;    // 18
  ReadDescriptor(FILTER_CALL* open)(Handle descriptor, DescriptorKey* keys);
  int16_t(FILTER_CALL* close)(ReadDescriptor reader);
  uint8_t(FILTER_CALL* getKey)(ReadDescriptor reader, DescriptorKey* key, DescriptorType* type,
                               int32_t* flags);
  int16_t(FILTER_CALL* getInteger)(ReadDescriptor reader, int32_t* value);
  int16_t(FILTER_CALL* getFloat)(ReadDescriptor reader, double* value);
  int16_t(FILTER_CALL* getUnitFloat)(ReadDescriptor reader, uint32_t* unit, double* value);
  int16_t(FILTER_CALL* getBoolean)(ReadDescriptor reader, uint8_t* value);
  int16_t(FILTER_CALL* getText)(ReadDescriptor reader, Handle* value);
  int16_t(FILTER_CALL* getAlias)(ReadDescriptor reader, Handle* value);
  int16_t(FILTER_CALL* getEnumerated)(ReadDescriptor reader, uint32_t* value);
  int16_t(FILTER_CALL* getClass)(ReadDescriptor reader, uint32_t* value);
  int16_t(FILTER_CALL* getSimpleReference)(ReadDescriptor reader, void* reference);
  int16_t(FILTER_CALL* getObject)(ReadDescriptor reader, uint32_t* classId, Handle* value);
  int16_t(FILTER_CALL* getCount)(ReadDescriptor reader, uint32_t* value);
  int16_t(FILTER_CALL* getString)(ReadDescriptor reader, uint8_t* value);  // 256 bytes
  int16_t(FILTER_CALL* getPinnedInteger)(ReadDescriptor reader, int32_t least, int32_t most,
                                         int32_t* value);
  int16_t(FILTER_CALL* getPinnedFloat)(ReadDescriptor reader, const double* least,
                                       const double* most, double* value);
  int16_t(FILTER_CALL* getPinnedUnitFloat)(ReadDescriptor reader, const double* least,
                                           const double* most, uint32_t* unit, double* value);
};

struct WriteDescriptorProcs {
  int16_t version;  // 0
  int16_t count;    // 16
  WriteDescriptor(FILTER_CALL* open)();
  int16_t(FILTER_CALL* close)(WriteDescriptor writer, Handle* descriptor);
  int16_t(FILTER_CALL* putInteger)(WriteDescriptor writer, DescriptorKey key, int32_t value);
  int16_t(FILTER_CALL* putFloat)(WriteDescriptor writer, DescriptorKey key, const double* value);
  int16_t(FILTER_CALL* putUnitFloat)(WriteDescriptor writer, DescriptorKey key, uint32_t unit,
                                     const double* value);
  int16_t(FILTER_CALL* putBoolean)(WriteDescriptor writer, DescriptorKey key, uint8_t value);
  int16_t(FILTER_CALL* putText)(WriteDescriptor writer, DescriptorKey key, Handle value);
  int16_t(FILTER_CALL* putAlias)(WriteDescriptor writer, DescriptorKey key, Handle value);
  int16_t(FILTER_CALL* putEnumerated)(WriteDescriptor writer, DescriptorKey key,
                                      DescriptorType type, uint32_t value);
  int16_t(FILTER_CALL* putClass)(WriteDescriptor writer, DescriptorKey key, DescriptorType value);
  int16_t(FILTER_CALL* putSimpleReference)(WriteDescriptor writer, DescriptorKey key,
                                           const void* reference);
  int16_t(FILTER_CALL* putObject)(WriteDescriptor writer, DescriptorKey key, DescriptorType classId,
                                  Handle value);
  int16_t(FILTER_CALL* putCount)(WriteDescriptor writer, DescriptorKey key, uint32_t count);
  int16_t(FILTER_CALL* putString)(WriteDescriptor writer, DescriptorKey key, const uint8_t* value);
  int16_t(FILTER_CALL* putScopedClass)(WriteDescriptor writer, DescriptorKey key,
                                       DescriptorType value);
  int16_t(FILTER_CALL* putScopedObject)(WriteDescriptor writer, DescriptorKey key,
                                        DescriptorType classId, Handle* value);
};

struct DescriptorParameters {
  int16_t version;  // 0
  int16_t playInfo;
  int16_t recordInfo;
  Handle descriptor;
  WriteDescriptorProcs* writeProcs;
  ReadDescriptorProcs* readProcs;
};

#if defined(__i386__) || defined(_M_IX86)
static_assert(offsetof(DescriptorParameters, descriptor) == 8 &&
                  offsetof(DescriptorParameters, readProcs) == 16 &&
                  sizeof(DescriptorParameters) == 20,
              "DescriptorParameters");
static_assert(sizeof(ReadDescriptorProcs) == 4 + 18 * 4, "ReadDescriptorProcs");
static_assert(sizeof(WriteDescriptorProcs) == 4 + 16 * 4, "WriteDescriptorProcs");
#elif defined(__x86_64__) || defined(_M_X64)
static_assert(offsetof(DescriptorParameters, descriptor) == 8 &&
                  offsetof(DescriptorParameters, readProcs) == 24 &&
                  sizeof(DescriptorParameters) == 32,
              "DescriptorParameters");
static_assert(sizeof(ReadDescriptorProcs) == 8 + 18 * 8, "ReadDescriptorProcs");
static_assert(sizeof(WriteDescriptorProcs) == 8 + 16 * 8, "WriteDescriptorProcs");
#endif

}  // namespace filter

// A filter's last settings as kept between runs.
struct StoredDescriptor {
  std::string filterPath;
  bool withoutDialog = false;   // the filter said it has no dialog to show
  bool dialogRequired = false;  // ... or that its dialog must be shown even on a repeat
  std::vector<uint8_t> bytes;
};

// Fills the entry's descriptor tables and parameters: the settings the entry
// was given (its settings) in a handle of the run, played with the
// dialog unless the filter said it has none.
void InstallDescriptorParameters(FilterEntry* entry);

// At the end of a run: closes what the filter left open and, after a
// successful run, keeps what it left in the parameters as its settings
// (unchanged when it left none).
void KeepDescriptorParameters(FilterEntry* entry);

// The settings file: every filter's last settings, and back. Decoding stops
// at the first record that does not fit and answers false; the records
// before it are kept.
std::vector<uint8_t> EncodeDescriptorStore(const std::vector<StoredDescriptor>& store);
bool DecodeDescriptorStore(const std::vector<uint8_t>& bytes, std::vector<StoredDescriptor>* store);
