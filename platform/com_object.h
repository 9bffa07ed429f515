// The IUnknown of a COM object of ours that offers one interface: counted
// references starting at 1, the object deleted when the last goes. Windows
// only.
#pragma once

#include <unknwn.h>
#include <windows.h>

template <typename Interface>
class CountedComObject : public Interface {
 public:
  explicit CountedComObject(REFIID offered) : offered_(offered) {}
  virtual ~CountedComObject() = default;
  CountedComObject(const CountedComObject&) = delete;
  CountedComObject& operator=(const CountedComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, offered_)) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return ULONG(left);
  }

 private:
  const IID& offered_;
  LONG references_ = 1;
};
