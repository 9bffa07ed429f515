#include "image/reusable_image.h"

#include <cstring>
#include <type_traits>

#include "platform/platform.h"

namespace {

// Blocks up to this size stay between pictures: a 24-bit picture of 48
// megapixels, a camera photo's target with room to spare.
constexpr uint64_t kKeptBytes = uint64_t(48) * 1000 * 1000 * 3;

struct Block {
  void* data = nullptr;
  uint64_t capacity = 0;

  void Release() {
    platform::GlobalBlockFree(data);
    data = nullptr;
    capacity = 0;
  }
};

static_assert(std::is_trivially_destructible<Block>::value, "freed by ReleaseReusableImages");
thread_local Block g_blocks[3];  // each reading thread has its own

}  // namespace

PackedDib ReusableImage(ReusableRole role, int32_t width, int32_t height, int32_t bitsPerPixel) {
  uint64_t bytes = PackedDibBytes(width, height, bitsPerPixel);
  if (bytes == 0) return nullptr;
  Block& block = g_blocks[int(role)];
  if (bytes > block.capacity) {
    block.Release();
    block.data = platform::GlobalBlockAlloc(size_t(bytes));  // zero-filled
    if (!block.data) return nullptr;
    block.capacity = bytes;
  } else {
    std::memset(block.data, 0, size_t(bytes));
  }
  return FormatPackedDib(block.data, width, height, bitsPerPixel);
}

void TrimReusableImages() {
  for (Block& block : g_blocks)
    if (block.capacity > kKeptBytes) block.Release();
}

void ReleaseReusableImages() {
  for (Block& block : g_blocks) block.Release();
}
