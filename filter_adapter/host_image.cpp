#include "host_image.h"

#include <cstdlib>
#include <cstring>
#include <utility>

void SwapRedBlue(uint8_t* row, size_t pixels) {
  for (size_t i = 0; i < pixels; ++i) std::swap(row[3 * i], row[3 * i + 2]);
}

HostImageAdapter::~HostImageAdapter() { std::free(working_); }

void HostImageAdapter::Attach(void* window, const HostImageSize* size, HostLineFn* putLine,
                              HostLineFn* getLine, HostNotifyFn notify) {
  window_ = window;
  size_ = size;
  putLine_ = putLine;
  getLine_ = getLine;
  notify_ = notify;
}

bool HostImageAdapter::LoadWorkingImage() {
  int32_t width = size_->width, height = size_->height;
  if (width < 1 || height < 1 || width > kMaxFilterSide || height > kMaxFilterSide) return false;
  uint64_t bytes = uint64_t(width) * uint64_t(height) * 3;
  if (bytes > 0x7FFFFFFF) return false;
  std::free(working_);
  working_ = static_cast<uint8_t*>(std::malloc(size_t(bytes)));
  if (!working_) return false;
  workingWidth_ = width;
  workingHeight_ = height;
  // Pixels the filter does not write keep the host's values.
  ReadRect(working_, 0, width - 1, 0, height - 1, width * 3);
  return true;
}

void HostImageAdapter::GetImageSize(int32_t* width, int32_t* height) {
  bool loaded = working_ != nullptr;
  if (width) *width = loaded ? workingWidth_ : size_->width;
  if (height) *height = loaded ? workingHeight_ : size_->height;
}

void HostImageAdapter::ReadRect(uint8_t* buffer, int32_t left, int32_t right, int32_t top,
                                int32_t bottom, int32_t rowBytes) {
  for (int32_t y = top; y <= bottom; ++y) {
    uint8_t* row = buffer + size_t(y - top) * size_t(rowBytes);
    (*getLine_)(y, left, right, row, -1);
    SwapRedBlue(row, size_t(right - left + 1));
  }
}

void HostImageAdapter::ReadPlanes(uint8_t* buffer, int32_t left, int32_t right, int32_t top,
                                  int32_t bottom, int32_t rowBytes, int32_t loPlane,
                                  int32_t hiPlane, int32_t step) {
  size_t lineBytes = (size_t(right - left) * size_t(step) + 1) * 3;
  uint8_t* line = static_cast<uint8_t*>(std::malloc(lineBytes));
  if (!line) return;
  int32_t planes = hiPlane - loPlane + 1;
  for (int32_t row = top; row <= bottom; ++row) {
    (*getLine_)(row * step, left * step, right * step, line, -1);
    uint8_t* out = buffer + size_t(row - top) * size_t(rowBytes);
    for (int32_t k = 0; k <= right - left; ++k, out += planes) {
      const uint8_t* pixel = line + size_t(k) * size_t(step) * 3;
      for (int32_t p = 0; p < planes; ++p) out[p] = pixel[2 - (loPlane + p)];  // host: B, G, R
    }
  }
  std::free(line);
}

void HostImageAdapter::ReadWorking(uint8_t* buffer, int32_t left, int32_t right, int32_t top,
                                   int32_t bottom, int32_t rowBytes, int32_t loPlane,
                                   int32_t hiPlane) {
  int32_t planes = hiPlane - loPlane + 1;
  if (!working_) return;
  for (int32_t y = top; y <= bottom; ++y) {
    const uint8_t* in = working_ + (size_t(y) * size_t(workingWidth_) + size_t(left)) * 3;
    uint8_t* out = buffer + size_t(y - top) * size_t(rowBytes);
    for (int32_t x = left; x <= right; ++x, in += 3, out += planes)
      std::memcpy(out, in + loPlane, size_t(planes));
  }
}

void HostImageAdapter::WritePlanes(int32_t left, int32_t right, int32_t top, int32_t bottom,
                                   int32_t rowBytes, int32_t loPlane, int32_t hiPlane,
                                   const uint8_t* data) {
  int32_t planes = hiPlane - loPlane + 1;
  if (!working_ || planes < 1 || loPlane < 0 || hiPlane > 2) return;
  int32_t first = left < 0 ? 0 : left, last = right < workingWidth_ ? right : workingWidth_ - 1;
  for (int32_t y = top; y <= bottom; ++y, data += rowBytes) {
    if (y < 0 || y >= workingHeight_ || first > last) continue;
    const uint8_t* in = data + size_t(first - left) * size_t(planes);
    uint8_t* out = working_ + (size_t(y) * size_t(workingWidth_) + size_t(first)) * 3 + loPlane;
    for (int32_t x = first; x <= last; ++x, in += planes, out += 3)
      std::memcpy(out, in, size_t(planes));
  }
}

void HostImageAdapter::CommitImage() {
  int32_t width = workingWidth_;
  for (int32_t y = 0; y < workingHeight_; ++y) {
    uint8_t* row = working_ + size_t(y) * size_t(width) * 3;
    SwapRedBlue(row, size_t(width));
    (*putLine_)(y, 0, width - 1, row, -1);
  }
}

void HostImageAdapter::BeginRun() {}

void HostImageAdapter::NotifyDone() {
  if (notify_) notify_(window_, 0, 0);
}

void HostImageAdapter::NotifyProgress(int32_t percent) {
  if (notify_) notify_(window_, 3, percent);
}
