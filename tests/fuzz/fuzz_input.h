// Reading a fuzzer's input as a stream of values: past its end every value
// is 0, so a target never reads outside the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool Empty() const { return at_ >= size_; }
  size_t Left() const { return at_ < size_ ? size_ - at_ : 0; }

  template <typename T>
  T Take() {
    T value{};
    size_t n = sizeof(T) < Left() ? sizeof(T) : Left();
    if (n) std::memcpy(&value, data_ + at_, n);
    at_ += sizeof(T);
    return value;
  }

  // Fills `out` with the next bytes, over and over when the input runs short
  // (zeros when it is empty).
  void Fill(uint8_t* out, size_t n) {
    for (size_t i = 0; i < n; ++i) out[i] = size_ ? data_[(at_ + i) % size_] : 0;
    at_ += n < 64 ? n : 64;  // later values still come from fresh bytes
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};
