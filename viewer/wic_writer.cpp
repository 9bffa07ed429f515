#include "viewer/wic_writer.h"

#include <windows.h>
// wincodec.h after the types of windows.h.
#include <wincodec.h>

#include <string>

namespace {

template <typename T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() {
    if (p_) p_->Release();
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  T** Out() { return &p_; }
  T* operator->() const { return p_; }
  T* Get() const { return p_; }

 private:
  T* p_ = nullptr;
};

const GUID& ContainerOf(SaveFormat format) {
  return format == SaveFormat::Png ? GUID_ContainerFormatPng : GUID_ContainerFormatJpeg;
}

bool MakeFactory(ComRef<IWICImagingFactory>& factory) {
  return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IWICImagingFactory,
                                    reinterpret_cast<void**>(factory.Out())));
}

std::wstring Wide(const char* text) {
  int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (n <= 0) return L"";
  std::wstring wide(size_t(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], n);
  wide.resize(size_t(n - 1));
  return wide;
}

// One frame of 24-bit B, G, R rows, written top row first.
bool WriteFrame(IWICBitmapEncoder* encoder, const DibHeader* picture) {
  ComRef<IWICBitmapFrameEncode> frame;
  ComRef<IPropertyBag2> options;
  if (FAILED(encoder->CreateNewFrame(frame.Out(), options.Out())) ||
      FAILED(frame->Initialize(options.Get())))
    return false;
  UINT width = UINT(picture->biWidth), height = UINT(picture->biHeight);
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (FAILED(frame->SetSize(width, height)) || FAILED(frame->SetPixelFormat(&format)) ||
      !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
    return false;
  UINT stride = UINT(DibStride(picture));
  for (UINT row = 0; row < height; ++row) {
    auto* bits = const_cast<BYTE*>(DibRow(picture, int32_t(row)));
    if (FAILED(frame->WritePixels(1, stride, stride, bits))) return false;
  }
  return SUCCEEDED(frame->Commit());
}

bool Encode(const char* path, const DibHeader* picture, SaveFormat format) {
  ComRef<IWICImagingFactory> factory;
  ComRef<IWICStream> stream;
  ComRef<IWICBitmapEncoder> encoder;
  if (!MakeFactory(factory) || FAILED(factory->CreateStream(stream.Out())) ||
      FAILED(stream->InitializeFromFilename(Wide(path).c_str(), GENERIC_WRITE)) ||
      FAILED(factory->CreateEncoder(ContainerOf(format), nullptr, encoder.Out())) ||
      FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)))
    return false;
  return WriteFrame(encoder.Get(), picture) && SUCCEEDED(encoder->Commit());
}

}  // namespace

bool WicEncoderAvailable(SaveFormat format) {
  if (format == SaveFormat::Bmp) return false;
  ComRef<IWICImagingFactory> factory;
  ComRef<IWICBitmapEncoder> encoder;
  return MakeFactory(factory) &&
         SUCCEEDED(factory->CreateEncoder(ContainerOf(format), nullptr, encoder.Out()));
}

bool WriteWithWic(const char* path, const DibHeader* picture, SaveFormat format) {
  if (!picture || picture->biBitCount != 24 || format == SaveFormat::Bmp) return false;
  if (Encode(path, picture, format)) return true;
  DeleteFileA(path);
  return false;
}
