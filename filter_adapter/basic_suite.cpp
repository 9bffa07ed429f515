#include "basic_suite.h"

#include <cstdlib>
#include <cstring>

#include "filter_run.h"
#include "filter_suites.h"

using filter::SuiteError;

namespace {

SuiteError FILTER_CALL AcquireSuite(const char* name, int32_t version, const void** suite);
SuiteError FILTER_CALL ReleaseSuite(const char* name, int32_t version);

const void* BasicSuiteTable();

// The suites served by name, in the versions whose tables these are: the
// basic suite, the handle suite (two versions), and the run's own buffer,
// property, resource, image services and channel port tables. Every other
// name gets "suite not found", the answer filters expect from a host
// without it, and so do the run's tables outside a run.
const void* ServedSuite(const char* name, int32_t version) {
  if (!name) return nullptr;
  auto is = [name, version](const char* known, int32_t first, int32_t last) {
    return std::strcmp(name, known) == 0 && version >= first && version <= last;
  };
  if (is(filter::kBasicSuiteName, 1, filter::kBasicSuiteVersion)) return BasicSuiteTable();
  if (is("Photoshop Handle Suite for Plug-ins", 1, 2)) return NamedHandleSuite(version);
  FilterEntry* entry = CurrentFilterEntry();
  if (!entry) return nullptr;
  if (is("Photoshop Buffer Procs for Plug-ins", 2, 2)) return &entry->bufferProcs;
  if (is("Photoshop Property Suite for Plug-ins", 1, 1)) return &entry->propertyProcs;
  if (is("Photoshop Resource Suite for Plug-ins", 3, 3)) return &entry->resourceProcs;
  if (is("Photoshop Image Services Suite for Plug-ins", 1, 1)) return &entry->imageServices;
  if (is("Photoshop Channel Ports Suite for Plug-ins", 1, 1)) return &entry->channelPortProcs;
  return nullptr;
}

int32_t FILTER_CALL IsEqual(const char* token1, const char* token2) {
  if (!token1 || !token2) return token1 == token2;
  return std::strcmp(token1, token2) == 0;
}

SuiteError FILTER_CALL AllocateBlock(size_t size, void** block) {
  if (!block) return filter::kSuiteBadParameterError;
  *block = std::malloc(size ? size : 1);
  return *block ? filter::kSuiteNoError : filter::kSuiteOutOfMemoryError;
}

SuiteError FILTER_CALL FreeBlock(void* block) {
  std::free(block);
  return filter::kSuiteNoError;
}

// On failure the old block stays valid and *newBlock is null.
SuiteError FILTER_CALL ReallocateBlock(void* block, size_t newSize, void** newBlock) {
  if (!newBlock) return filter::kSuiteBadParameterError;
  *newBlock = std::realloc(block, newSize ? newSize : 1);
  return *newBlock ? filter::kSuiteNoError : filter::kSuiteOutOfMemoryError;
}

SuiteError FILTER_CALL Undefined() { return filter::kSuiteUnimplementedError; }

filter::BasicSuite g_basicSuite = {AcquireSuite, ReleaseSuite,    IsEqual,  AllocateBlock,
                                   FreeBlock,    ReallocateBlock, Undefined};

const void* BasicSuiteTable() { return &g_basicSuite; }

SuiteError FILTER_CALL AcquireSuite(const char* name, int32_t version, const void** suite) {
  if (!suite) return filter::kSuiteBadParameterError;
  *suite = ServedSuite(name, version);
  return *suite ? filter::kSuiteNoError : filter::kSuiteNotFoundError;
}

SuiteError FILTER_CALL ReleaseSuite(const char* name, int32_t version) {
  return ServedSuite(name, version) ? filter::kSuiteNoError : filter::kSuiteNotFoundError;
}

}  // namespace

filter::BasicSuite* HostBasicSuite() { return &g_basicSuite; }
