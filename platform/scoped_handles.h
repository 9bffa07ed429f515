#pragma once

// The Windows kinds of the scoped family (platform/scoped.h): kernel
// handles, modules, GDI objects, window DCs, selections, COM pointers and a
// thread's COM initialisation. Window code, platform/ and the plug-ins
// (header only: no library to link) include it.

#include <windows.h>
// objbase.h after the types of windows.h.
#include <objbase.h>

#include "platform/scoped.h"

namespace platform {

// A kernel handle: a file, an event, a thread. CreateFile fails with
// INVALID_HANDLE_VALUE, most others with nullptr: neither is closed.
struct KernelHandleTraits {
  using Value = HANDLE;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value value) { return value != nullptr && value != INVALID_HANDLE_VALUE; }
  static void Close(Value value) { CloseHandle(value); }
};
using ScopedHandle = Scoped<KernelHandleTraits>;

inline void CloseModule(HMODULE module) { FreeLibrary(module); }
using ScopedModule = Scoped<NullableTraits<HMODULE, CloseModule>>;

// A pen, brush, font or bitmap this code made.
template <typename T>
struct GdiObjectTraits {
  using Value = T;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value value) { return value != nullptr; }
  static void Close(Value value) { DeleteObject(value); }
};
template <typename T>
using ScopedGdiObject = Scoped<GdiObjectTraits<T>>;

// A memory DC from CreateCompatibleDC, deleted with DeleteDC.
inline void CloseMemoryDC(HDC dc) { DeleteDC(dc); }
using ScopedMemoryDC = Scoped<NullableTraits<HDC, CloseMemoryDC>>;

// A device context of a window (or of the screen for nullptr) given back
// with ReleaseDC to the window it came from.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  // Takes a DC the caller got from GetDC(window) or a function around it.
  WindowDC(HWND window, HDC dc) : window_(window), dc_(dc) {}
  ~WindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC Get() const { return dc_; }
  operator HDC() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// An object selected into a DC for one scope; the previous one is selected
// again at the end (before the object itself is deleted, when it is a
// ScopedGdiObject declared earlier).
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~Selected() {
    if (previous_) SelectObject(dc_, previous_);
  }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

template <typename T>
struct ComTraits {
  using Value = T*;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value value) { return value != nullptr; }
  static void Close(Value value) { value->Release(); }
};
// A COM interface pointer this code holds a reference of.
template <typename T>
using ComPtr = Scoped<ComTraits<T>>;

// Initialises COM for the calling thread when it is not yet, and undoes
// exactly what it did.
class ComInit {
 public:
  explicit ComInit(DWORD model) : result_(CoInitializeEx(nullptr, model)) {}
  ~ComInit() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComInit(const ComInit&) = delete;
  ComInit& operator=(const ComInit&) = delete;
  // Usable when this scope initialised it or the thread already had another
  // model.
  bool Usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT result_;
};

}  // namespace platform
