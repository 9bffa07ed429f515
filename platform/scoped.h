#pragma once

// The one family of owners for what the system lends: a handle, a library, a
// block, a COM pointer. Each kind is a traits struct:
//   using Value = ...;                the handle's type
//   static Value Invalid();           what "nothing held" looks like
//   static bool IsValid(Value value); whether `value` must be closed
//   static void Close(Value value);   gives it back (called once per value)
// This half is window-free; the Windows kinds are in scoped_handles.h.

namespace platform {

template <typename Traits>
class Scoped {
 public:
  using Value = typename Traits::Value;

  Scoped() = default;
  explicit Scoped(Value value) : value_(value) {}
  ~Scoped() { Reset(); }
  Scoped(const Scoped&) = delete;
  Scoped& operator=(const Scoped&) = delete;
  Scoped(Scoped&& other) noexcept : value_(other.Release()) {}
  Scoped& operator=(Scoped&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  Value Get() const { return value_; }
  Value operator->() const { return value_; }
  bool Valid() const { return Traits::IsValid(value_); }
  explicit operator bool() const { return Valid(); }

  // For a function that gives its result through a pointer: what was held
  // is closed first.
  Value* Out() {
    Reset();
    return &value_;
  }
  // Hands the value to the caller, who closes it from now on.
  Value Release() {
    Value value = value_;
    value_ = Traits::Invalid();
    return value;
  }
  void Reset(Value value = Traits::Invalid()) {
    if (Traits::IsValid(value_)) Traits::Close(value_);
    value_ = value;
  }

 private:
  Value value_ = Traits::Invalid();
};

// Traits for a pointer-like handle whose "nothing" is nullptr, given back by
// `CloseFn`.
template <typename T, void (*CloseFn)(T)>
struct NullableTraits {
  using Value = T;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value value) { return value != nullptr; }
  static void Close(Value value) { CloseFn(value); }
};

}  // namespace platform
