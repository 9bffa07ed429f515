#include "browser/drop_block.h"

#include <cstring>

#include "platform/platform.h"

namespace {

void PutUint32(std::vector<uint8_t>* block, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*block)[at + i] = uint8_t(value >> (8 * i));
}

uint32_t GetUint32(const std::vector<uint8_t>& block, size_t at) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= uint32_t(block[at + i]) << (8 * i);
  return value;
}

}  // namespace

std::vector<uint8_t> BuildDropBlock(int32_t x, int32_t y, const std::vector<std::string>& paths) {
  std::vector<uint8_t> block(kDropHeaderBytes, 0);
  PutUint32(&block, 0, kDropHeaderBytes);  // pFiles
  PutUint32(&block, 4, uint32_t(x));       // pt.x
  PutUint32(&block, 8, uint32_t(y));       // pt.y
  PutUint32(&block, 12, 0);                // fNC
  PutUint32(&block, 16, 0);                // fWide: ANSI names
  for (const std::string& path : paths) {
    block.insert(block.end(), path.begin(), path.end());
    block.push_back(0);
  }
  block.push_back(0);
  return block;
}

std::vector<uint8_t> BuildDropBlockFor(int32_t x, int32_t y, const std::vector<std::string>& paths,
                                       unsigned codePage) {
  bool ascii = true;
  for (const std::string& path : paths)
    for (char c : path) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return BuildDropBlock(x, y, paths);
  std::vector<uint8_t> block = BuildDropBlock(x, y, {});
  block.pop_back();
  PutUint32(&block, 16, 1);  // fWide: UTF-16 names
  auto putUnit = [&block](char16_t unit) {
    block.push_back(uint8_t(unit & 0xFF));
    block.push_back(uint8_t(unit >> 8));
  };
  for (const std::string& path : paths) {
    for (char16_t unit : platform::ToWide(codePage, path.c_str())) putUnit(unit);
    putUnit(0);
  }
  putUnit(0);
  return block;
}

std::vector<std::string> ReadDropBlock(const std::vector<uint8_t>& block, int32_t* x, int32_t* y) {
  std::vector<std::string> paths;
  if (block.size() < kDropHeaderBytes + 1) return paths;
  uint32_t offset = GetUint32(block, 0);
  if (offset < kDropHeaderBytes || offset >= block.size() || GetUint32(block, 16) != 0)
    return paths;
  *x = int32_t(GetUint32(block, 4));
  *y = int32_t(GetUint32(block, 8));
  size_t at = offset;
  while (at < block.size() && block[at] != 0) {
    const void* end = std::memchr(&block[at], 0, block.size() - at);
    if (!end) return {};  // unterminated list
    size_t length = size_t(static_cast<const uint8_t*>(end) - &block[at]);
    paths.emplace_back(reinterpret_cast<const char*>(&block[at]), length);
    at += length + 1;
  }
  if (at >= block.size()) return {};  // no final NUL
  return paths;
}

std::vector<std::string> DraggedPaths(int32_t dragged, const int32_t* selected, char* const* paths,
                                      int32_t count) {
  std::vector<std::string> out;
  for (int32_t i = 0; i < count; ++i)
    if ((selected[i] || i == dragged) && paths[i]) out.emplace_back(paths[i]);
  return out;
}

bool HandOverDropBlock(void* target, void* block, DropBlockPoster post, DropBlockRelease release) {
  if (!block) return false;
  if (post(target, block)) return true;
  release(block);
  return false;
}
