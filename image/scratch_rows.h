// Process-wide scratch rows for the decode callbacks and the scaler. They grow
// to the widest row asked for, so any picture width is handled without a
// fixed limit. Only the single thumbnail worker uses them at a time.
#pragma once

#include <cstddef>
#include <cstdint>

// At least `bytes` bytes of the source-row scratch (shared by PutChannel and
// the scaler's source row), or nullptr when memory runs out.
uint8_t* SourceScratchRow(size_t bytes);
// At least `bytes` bytes of the output-row scratch, or nullptr.
uint8_t* OutputScratchRow(size_t bytes);
