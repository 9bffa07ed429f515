// The block posted with WM_DROPFILES when selected files are dragged out of
// the grid: the platform's 20-byte DROPFILES header (list offset 20, drop
// point, non-client flag 0, wide flag) followed by full paths, each ended by
// a NUL, and one more NUL.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t kDropHeaderBytes = 20;

std::vector<uint8_t> BuildDropBlock(int32_t x, int32_t y, const std::vector<std::string>& paths);

// The block for paths in the given code page: ANSI as above when every path
// is ASCII; otherwise wide (flag 1, UTF-16 paths), so that the receiver,
// whatever its own code page, is given the very names.
std::vector<uint8_t> BuildDropBlockFor(int32_t x, int32_t y, const std::vector<std::string>& paths,
                                       unsigned codePage);

// Reads a drop block back: the paths it lists (ANSI lists only). Empty when
// the header is malformed or the list runs past the block.
std::vector<std::string> ReadDropBlock(const std::vector<uint8_t>& block, int32_t* x, int32_t* y);

// Paths of the entries that are selected or are `dragged`, in index order.
std::vector<std::string> DraggedPaths(int32_t dragged, const int32_t* selected, char* const* paths,
                                      int32_t count);

// Hands a drop block to its target: `post` delivers it (as WM_DROPFILES),
// after which the target owns and frees it. A block that could not be
// delivered is freed here with `release`, so it never leaks. True when
// delivered; a missing block is neither posted nor released.
using DropBlockPoster = bool (*)(void* target, void* block);
using DropBlockRelease = void (*)(void* block);
bool HandOverDropBlock(void* target, void* block, DropBlockPoster post, DropBlockRelease release);
