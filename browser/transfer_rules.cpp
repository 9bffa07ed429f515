#include "browser/transfer_rules.h"

namespace {

void PutUint32(std::vector<uint8_t>* block, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*block)[at + i] = uint8_t(value >> (8 * i));
}

void AppendUnit(std::vector<uint8_t>* block, char16_t unit) {
  block->push_back(uint8_t(unit & 0xFF));
  block->push_back(uint8_t(unit >> 8));
}

char16_t FoldAsciiCase(char16_t unit) {
  return unit >= u'A' && unit <= u'Z' ? char16_t(unit - u'A' + u'a') : unit;
}

// "X:\..." or "\\server\share\...".
bool IsFullyQualified(const std::u16string& path) {
  bool drive = path.size() >= 3 && path[1] == u':' && path[2] == u'\\' &&
               ((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z'));
  bool share = path.size() >= 3 && path[0] == u'\\' && path[1] == u'\\' && path[2] != u'\\';
  return drive || share;
}

// The folder of a path, up to and with its last '\', compared without
// regard to the case of ASCII letters.
bool LiesDirectlyIn(const std::u16string& path, const std::u16string& folder) {
  size_t backslash = path.find_last_of(u'\\');
  if (backslash == std::u16string::npos || backslash + 1 != folder.size()) return false;
  for (size_t i = 0; i < folder.size(); ++i)
    if (FoldAsciiCase(path[i]) != FoldAsciiCase(folder[i])) return false;
  return true;
}

}  // namespace

uint32_t ChooseDropEffect(uint32_t allowed, uint32_t keyState, uint32_t preferred) {
  uint32_t wanted = kDropEffectCopy;
  if (keyState & kKeyShift)
    wanted = kDropEffectMove;
  else if (keyState & kKeyControl)
    wanted = kDropEffectCopy;
  else if (preferred & kDropEffectMove && !(preferred & kDropEffectCopy))
    wanted = kDropEffectMove;
  if (allowed & wanted) return wanted;
  if (allowed & kDropEffectCopy) return kDropEffectCopy;
  return allowed & kDropEffectMove;
}

std::vector<std::u16string> PathsToTransfer(const std::vector<std::u16string>& dropped,
                                            const std::u16string& folder) {
  std::vector<std::u16string> kept;
  if (!IsFullyQualified(folder) || folder.back() != u'\\') return kept;  // no folder to go to
  for (const std::u16string& path : dropped)
    if (IsFullyQualified(path) && path.find_first_of(u"*?") == std::u16string::npos &&
        path.back() != u'\\' && !LiesDirectlyIn(path, folder))
      kept.push_back(path);
  return kept;
}

std::u16string DoubleNulList(const std::vector<std::u16string>& paths) {
  std::u16string list;
  for (const std::u16string& path : paths)
    if (!path.empty()) {
      list += path;
      list += u'\0';
    }
  list += u'\0';
  return list;
}

std::vector<uint8_t> BuildWideDropBlock(int32_t x, int32_t y,
                                        const std::vector<std::u16string>& paths) {
  std::vector<uint8_t> block(20, 0);
  PutUint32(&block, 0, 20);  // pFiles
  PutUint32(&block, 4, uint32_t(x));
  PutUint32(&block, 8, uint32_t(y));
  PutUint32(&block, 16, 1);  // fWide
  for (char16_t unit : DoubleNulList(paths)) AppendUnit(&block, unit);
  if (block.size() == 22) AppendUnit(&block, 0);  // an empty list still ends in two NULs
  return block;
}

std::vector<uint8_t> BuildIdListArray(const std::vector<uint8_t>& parent,
                                      const std::vector<std::vector<uint8_t>>& items) {
  size_t header = 4 * (items.size() + 2);
  std::vector<uint8_t> block(header, 0);
  PutUint32(&block, 0, uint32_t(items.size()));
  PutUint32(&block, 4, uint32_t(block.size()));
  block.insert(block.end(), parent.begin(), parent.end());
  for (size_t i = 0; i < items.size(); ++i) {
    PutUint32(&block, 8 + 4 * i, uint32_t(block.size()));
    block.insert(block.end(), items[i].begin(), items[i].end());
  }
  return block;
}
