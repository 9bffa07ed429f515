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
  if (width) *width = size_->width;
  if (height) *height = size_->height;
}

void HostImageAdapter::ReadRect(uint8_t* buffer, int32_t left, int32_t right, int32_t top,
                                int32_t bottom, int32_t rowBytes) {
  for (int32_t y = top; y <= bottom; ++y) {
    uint8_t* row = buffer + size_t(y - top) * size_t(rowBytes);
    (*getLine_)(y, left, right, row, -1);
    SwapRedBlue(row, size_t(right - left + 1));
  }
}

void HostImageAdapter::ReadPlane(uint8_t*, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {}

void HostImageAdapter::ReadRectSampled(uint8_t* buffer, int32_t left, int32_t right, int32_t top,
                                       int32_t bottom, int32_t, int32_t step) {
  size_t lineBytes = (size_t(right - left) * size_t(step) + 1) * 3;
  uint8_t* line = static_cast<uint8_t*>(std::malloc(lineBytes));
  if (!line) return;
  uint8_t* out = buffer;
  for (int64_t y = int64_t(top) * step; y <= int64_t(bottom) * step; y += step) {
    (*getLine_)(int32_t(y), left * step, right * step, line, -1);
    for (int32_t k = 0; k <= right - left; ++k, out += 3) {
      const uint8_t* pixel = line + size_t(k) * size_t(step) * 3;
      out[0] = pixel[2];
      out[1] = pixel[1];
      out[2] = pixel[0];
    }
  }
  std::free(line);
}

void HostImageAdapter::WriteRect(int32_t left, int32_t, int32_t top, int32_t bottom,
                                 int32_t rowBytes, const uint8_t* data) {
  for (int32_t r = top; r <= bottom; ++r, data += rowBytes)
    std::memcpy(working_ + (size_t(r) * size_t(workingWidth_) + size_t(left)) * 3, data,
                size_t(rowBytes));
}

void HostImageAdapter::WritePlane(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                  const uint8_t*) {}

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
