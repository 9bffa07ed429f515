#include "viewer/wic_writer.h"

#include <windows.h>
// wincodec.h after the types of windows.h.
#include <wincodec.h>

#include <string>

#include "platform/scoped_handles.h"

namespace {

using platform::ComPtr;

const GUID& ContainerOf(SaveFormat format) {
  return format == SaveFormat::Png ? GUID_ContainerFormatPng : GUID_ContainerFormatJpeg;
}

bool MakeFactory(ComPtr<IWICImagingFactory>& factory) {
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

// The problem an encoder's or its stream's failure stands for.
SaveProblem ProblemOf(HRESULT result) {
  switch (result) {
    case E_OUTOFMEMORY: return SaveProblem::NoMemory;
    case HRESULT_FROM_WIN32(ERROR_DISK_FULL):
    case HRESULT_FROM_WIN32(ERROR_HANDLE_DISK_FULL):
    case STG_E_MEDIUMFULL: return SaveProblem::DiskFull;
    case E_ACCESSDENIED:
    case STG_E_ACCESSDENIED: return SaveProblem::AccessDenied;
    case HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION):
    case STG_E_SHAREVIOLATION: return SaveProblem::InUse;
    default: return SaveProblem::WriteFailed;
  }
}

// One frame of 24-bit B, G, R rows, written top row first.
HRESULT WriteFrame(IWICBitmapEncoder* encoder, const DibHeader* picture) {
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  HRESULT result = encoder->CreateNewFrame(frame.Out(), options.Out());
  if (SUCCEEDED(result)) result = frame->Initialize(options.Get());
  UINT width = UINT(picture->biWidth), height = UINT(picture->biHeight);
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (SUCCEEDED(result)) result = frame->SetSize(width, height);
  if (SUCCEEDED(result)) result = frame->SetPixelFormat(&format);
  if (SUCCEEDED(result) && !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
    result = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
  UINT stride = UINT(DibStride(picture));
  for (UINT row = 0; row < height && SUCCEEDED(result); ++row) {
    auto* bits = const_cast<BYTE*>(DibRow(picture, int32_t(row)));
    result = frame->WritePixels(1, stride, stride, bits);
  }
  return SUCCEEDED(result) ? frame->Commit() : result;
}

SaveProblem Encode(const char* path, const DibHeader* picture, SaveFormat format) {
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  if (!MakeFactory(factory) ||
      FAILED(factory->CreateEncoder(ContainerOf(format), nullptr, encoder.Out())))
    return SaveProblem::Unsupported;
  HRESULT result = factory->CreateStream(stream.Out());
  if (SUCCEEDED(result)) result = stream->InitializeFromFilename(Wide(path).c_str(), GENERIC_WRITE);
  if (SUCCEEDED(result)) result = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
  if (SUCCEEDED(result)) result = WriteFrame(encoder.Get(), picture);
  if (SUCCEEDED(result)) result = encoder->Commit();
  return SUCCEEDED(result) ? SaveProblem::None : ProblemOf(result);
}

}  // namespace

bool WicEncoderAvailable(SaveFormat format) {
  if (format == SaveFormat::Bmp) return false;
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICBitmapEncoder> encoder;
  return MakeFactory(factory) &&
         SUCCEEDED(factory->CreateEncoder(ContainerOf(format), nullptr, encoder.Out()));
}

SaveProblem WriteWithWic(const char* path, const DibHeader* picture, SaveFormat format) {
  if (!picture || picture->biBitCount != 24 || format == SaveFormat::Bmp)
    return SaveProblem::Unsupported;
  return Encode(path, picture, format);
}
