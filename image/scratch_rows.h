// Scratch rows for the decode callbacks and the scaler, one pair per thread
// that reads. They grow to the widest row asked for, so any picture width is
// handled without a fixed limit. A thread that stops reading frees its own
// with ReleaseScratchRows.
#pragma once

#include <cstddef>
#include <cstdint>

// At least `bytes` bytes of the source-row scratch (shared by PutChannel and
// the scaler's source row), or nullptr when memory runs out.
uint8_t* SourceScratchRow(size_t bytes);
// At least `bytes` bytes of the output-row scratch, or nullptr.
uint8_t* OutputScratchRow(size_t bytes);
// Frees the calling thread's rows.
void ReleaseScratchRows();
