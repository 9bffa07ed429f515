#include "image/scratch_rows.h"

#include <cstdlib>
#include <type_traits>

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

  void Release() {
    std::free(data);
    data = nullptr;
    capacity = 0;
  }
};

// Each thread that reads has its own rows. No destructor: a thread_local
// object's destructor is called with the wrong convention by 32-bit mingw's
// thread exit (GCC 12), so each thread frees its rows itself.
static_assert(std::is_trivially_destructible<ScratchRow>::value, "freed by ReleaseScratchRows");
thread_local ScratchRow g_sourceRow;
thread_local ScratchRow g_outputRow;

}  // namespace

uint8_t* SourceScratchRow(size_t bytes) { return g_sourceRow.Reserve(bytes); }
uint8_t* OutputScratchRow(size_t bytes) { return g_outputRow.Reserve(bytes); }

void ReleaseScratchRows() {
  g_sourceRow.Release();
  g_outputRow.Release();
}
