#include "basic_suite.h"

#include <cstdlib>
#include <cstring>

using filter::SuiteError;

namespace {

SuiteError FILTER_CALL AcquireSuite(const char* name, int32_t version, const void** suite);
SuiteError FILTER_CALL ReleaseSuite(const char* name, int32_t version);

// The suites served by name: only the basic suite itself, in the versions
// whose table this one is. Every other name gets "suite not found", the
// answer filters expect from a host without it.
bool Served(const char* name, int32_t version) {
  return name && std::strcmp(name, filter::kBasicSuiteName) == 0 && version >= 1 &&
         version <= filter::kBasicSuiteVersion;
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

SuiteError FILTER_CALL AcquireSuite(const char* name, int32_t version, const void** suite) {
  if (!suite) return filter::kSuiteBadParameterError;
  *suite = Served(name, version) ? &g_basicSuite : nullptr;
  return *suite ? filter::kSuiteNoError : filter::kSuiteNotFoundError;
}

SuiteError FILTER_CALL ReleaseSuite(const char* name, int32_t version) {
  return Served(name, version) ? filter::kSuiteNoError : filter::kSuiteNotFoundError;
}

}  // namespace

filter::BasicSuite* HostBasicSuite() { return &g_basicSuite; }
