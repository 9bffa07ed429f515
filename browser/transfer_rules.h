// The window-free rules of moving files between the grid and other programs
// (drag and drop, copy and paste): which effect a drop has, which dropped
// paths the shell's file operation is given, and the blocks the shell's
// transfer formats hold.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Drop effects and key-state bits, numbered as the platform numbers them.
constexpr uint32_t kDropEffectNone = 0;
constexpr uint32_t kDropEffectCopy = 1;
constexpr uint32_t kDropEffectMove = 2;
constexpr uint32_t kKeyShift = 0x4;
constexpr uint32_t kKeyControl = 0x8;

// The effect of a drop as the shell chooses it: Shift moves, Ctrl copies;
// with neither, the source's preferred effect (0 when it named none), else a
// copy. Always one the source allows; none when it allows neither.
uint32_t ChooseDropEffect(uint32_t allowed, uint32_t keyState, uint32_t preferred);

// The dropped paths that go to the shell's file operation into `folder`
// (which ends in '\'): fully qualified, without wildcard (the operation
// would expand it) and not already in that folder (dropping files on their
// own folder does nothing). Order kept.
std::vector<std::u16string> PathsToTransfer(const std::vector<std::u16string>& dropped,
                                            const std::u16string& folder);

// The list form the shell's file operation takes: each path and a NUL, then
// one more NUL. Empty paths are left out (one would end the list early).
std::u16string DoubleNulList(const std::vector<std::u16string>& paths);

// The platform's DROPFILES block with wide names: the 20-byte header (list
// at offset 20, drop point, non-client flag 0, wide flag 1), each path in
// UTF-16 and a NUL, then one more NUL.
std::vector<uint8_t> BuildWideDropBlock(int32_t x, int32_t y,
                                        const std::vector<std::u16string>& paths);

// The shell's ID-list array: the item count n, n + 1 offsets from the start
// of the block, the parent folder's ID list then each item's (relative to
// the parent). Each ID list is given whole, its 2-byte terminator included.
std::vector<uint8_t> BuildIdListArray(const std::vector<uint8_t>& parent,
                                      const std::vector<std::vector<uint8_t>>& items);
