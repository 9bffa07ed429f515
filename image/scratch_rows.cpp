#include "image/scratch_rows.h"

#include <cstdlib>

namespace {

struct ScratchRow {
  uint8_t* data = nullptr;
  size_t capacity = 0;

  uint8_t* Reserve(size_t bytes) {
    if (bytes <= capacity) return data;
    // Start at the historical sizes so that ordinary pictures never regrow.
    size_t wanted = bytes < 200000 ? 200000 : bytes;
    void* grown = std::realloc(data, wanted);
    if (!grown) return nullptr;
    data = static_cast<uint8_t*>(grown);
    capacity = wanted;
    return data;
  }

  ~ScratchRow() { std::free(data); }
};

// Each thread that reads has its own rows.
thread_local ScratchRow g_sourceRow;
thread_local ScratchRow g_outputRow;

}  // namespace

uint8_t* SourceScratchRow(size_t bytes) { return g_sourceRow.Reserve(bytes); }
uint8_t* OutputScratchRow(size_t bytes) { return g_outputRow.Reserve(bytes); }
