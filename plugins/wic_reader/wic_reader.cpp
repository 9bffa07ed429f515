// A reader plug-in for the browser that decodes the common formats through
// the Windows Imaging Component (present since Windows XP SP3).
//
// Pictures are delivered in the depth that keeps their information: 24-bit
// colour, 8-bit with a colour table for palette and greyscale pictures, 1-bit
// for black-and-white ones, and 24-bit with an opacity plane for pictures that
// carry transparency. Camera photos are turned upright by their EXIF
// orientation. The DLL keeps no state between calls.
#include <windows.h>
// wincodec.h after the types of windows.h.
#include <wincodec.h>

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "exif_orientation.h"
#include "image/plugin_api.h"

namespace {

constexpr char kExtensions[] = "jpg;jpeg;jpe;jfif;png;gif;bmp;dib;tif;tiff;ico";
constexpr char kDisplayName[] = "Images Windows (WIC)";
// Largest 24-bit picture the browser can hold: every size stays below 2^31.
constexpr uint64_t kMaxImageBytes = 0x7FFFFFFF;
constexpr UINT kStripRows = 64;

// ---- COM helpers --------------------------------------------------------------

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  T** Out() {
    Reset();
    return &p_;
  }
  T* operator->() const { return p_; }
  T* Get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void Reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }

 private:
  T* p_ = nullptr;
};

// Initialises COM for the calling thread when it is not yet, and undoes
// exactly what it did.
class ComScope {
 public:
  ComScope() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  bool Usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT result_;
};

// ---- What a file becomes ---------------------------------------------------------

enum class Delivery {
  Bgr24,       // 24bppBGR rows
  Bgr24Alpha,  // 32bppBGRA rows split into colour and opacity
  Indexed8,    // 1, 2, 4 or 8-bit indices widened to bytes, with the file's palette
  Gray8,       // 8bppGray rows with a grey colour table
  Bilevel1,    // BlackWhite rows as they are
};

struct Plan {
  UINT width = 0, height = 0;  // as stored in the file
  Delivery delivery = Delivery::Bgr24;
  WICPixelFormatGUID sourceFormat = {};
  UINT sourceBits = 0;
  int orientation = 1;
  uint8_t palette[1024] = {};  // BGRX entries for Indexed8, Gray8 and Bilevel1

  bool Swapped() const { return OrientationSwapsSides(orientation); }
  UINT OutWidth() const { return Swapped() ? height : width; }
  UINT OutHeight() const { return Swapped() ? width : height; }
  int Bits() const {
    switch (delivery) {
      case Delivery::Indexed8:
      case Delivery::Gray8: return 8;
      case Delivery::Bilevel1: return 1;
      default: return 24;
    }
  }
};

bool IsOneOf(const GUID& format, std::initializer_list<GUID> formats) {
  for (const GUID& candidate : formats)
    if (IsEqualGUID(format, candidate)) return true;
  return false;
}

bool HasAlphaChannel(const GUID& format) {
  return IsOneOf(format, {GUID_WICPixelFormat32bppBGRA, GUID_WICPixelFormat32bppRGBA,
                          GUID_WICPixelFormat32bppPBGRA, GUID_WICPixelFormat32bppPRGBA,
                          GUID_WICPixelFormat64bppRGBA, GUID_WICPixelFormat64bppBGRA,
                          GUID_WICPixelFormat64bppPRGBA, GUID_WICPixelFormat64bppPBGRA,
                          GUID_WICPixelFormat128bppRGBAFloat, GUID_WICPixelFormat128bppPRGBAFloat,
                          GUID_WICPixelFormat40bppCMYKAlpha, GUID_WICPixelFormat80bppCMYKAlpha});
}

bool IsGrey(const GUID& format) {
  return IsOneOf(format,
                 {GUID_WICPixelFormat2bppGray, GUID_WICPixelFormat4bppGray,
                  GUID_WICPixelFormat8bppGray, GUID_WICPixelFormat16bppGray,
                  GUID_WICPixelFormat16bppGrayFixedPoint, GUID_WICPixelFormat16bppGrayHalf,
                  GUID_WICPixelFormat32bppGrayFloat, GUID_WICPixelFormat32bppGrayFixedPoint});
}

int IndexedBits(const GUID& format) {
  if (IsEqualGUID(format, GUID_WICPixelFormat1bppIndexed)) return 1;
  if (IsEqualGUID(format, GUID_WICPixelFormat2bppIndexed)) return 2;
  if (IsEqualGUID(format, GUID_WICPixelFormat4bppIndexed)) return 4;
  if (IsEqualGUID(format, GUID_WICPixelFormat8bppIndexed)) return 8;
  return 0;
}

void GreyPalette(uint8_t* palette) {
  for (int i = 0; i < 256; ++i)
    palette[4 * i] = palette[4 * i + 1] = palette[4 * i + 2] = uint8_t(i);
}

// Reads the file's palette; false when some entry is not fully opaque.
bool ReadOpaquePalette(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame,
                       uint8_t* palette) {
  ComPtr<IWICPalette> wicPalette;
  if (FAILED(factory->CreatePalette(wicPalette.Out()))) return true;
  if (FAILED(frame->CopyPalette(wicPalette.Get()))) return true;  // stays black
  WICColor colours[256] = {};
  UINT count = 0;
  if (FAILED(wicPalette->GetColors(256, colours, &count))) return true;
  for (UINT i = 0; i < count && i < 256; ++i) {
    if ((colours[i] >> 24) != 0xFF) return false;
    palette[4 * i] = uint8_t(colours[i]);
    palette[4 * i + 1] = uint8_t(colours[i] >> 8);
    palette[4 * i + 2] = uint8_t(colours[i] >> 16);
  }
  return true;
}

// The first bytes of the file: enough for the JPEG frame header and EXIF.
std::vector<uint8_t> FileHead(const char* fileName) {
  std::vector<uint8_t> head;
  HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return head;
  head.resize(256 * 1024);
  DWORD got = 0;
  if (!ReadFile(file, head.data(), DWORD(head.size()), &got, nullptr)) got = 0;
  CloseHandle(file);
  head.resize(got);
  return head;
}

int FileOrientation(const char* fileName) {
  std::vector<uint8_t> head = FileHead(fileName);
  return ExifOrientation(head.data(), head.size());
}

bool FitsInMemory(UINT width, UINT height) {
  uint64_t stride = ((uint64_t(width) * 24 + 31) / 32) * 4;
  return width > 0 && height > 0 && stride * height + 40 <= kMaxImageBytes &&
         uint64_t(width) * height * 4 <= kMaxImageBytes;
}

// Opens the file's first frame and decides how it is delivered.
bool OpenPicture(const char* fileName, ComPtr<IWICImagingFactory>& factory,
                 ComPtr<IWICBitmapFrameDecode>& frame, Plan* plan) {
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Out()))))
    return false;
  wchar_t wideName[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, fileName, -1, wideName, MAX_PATH)) return false;
  ComPtr<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoderFromFilename(wideName, nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnDemand, decoder.Out())))
    return false;
  if (FAILED(decoder->GetFrame(0, frame.Out()))) return false;  // first frame or page
  if (FAILED(frame->GetSize(&plan->width, &plan->height))) return false;
  if (!FitsInMemory(plan->width, plan->height)) return false;
  if (FAILED(frame->GetPixelFormat(&plan->sourceFormat))) return false;
  plan->orientation = FileOrientation(fileName);

  const GUID& format = plan->sourceFormat;
  if (IsEqualGUID(format, GUID_WICPixelFormatBlackWhite)) {
    plan->delivery = Delivery::Bilevel1;
    std::memset(plan->palette + 4, 0xFF, 3);
  } else if (IsGrey(format)) {
    plan->delivery = Delivery::Gray8;
    GreyPalette(plan->palette);
  } else if ((plan->sourceBits = IndexedBits(format)) != 0) {
    plan->delivery = ReadOpaquePalette(factory.Get(), frame.Get(), plan->palette)
                         ? Delivery::Indexed8
                         : Delivery::Bgr24Alpha;
  } else {
    plan->delivery = HasAlphaChannel(format) ? Delivery::Bgr24Alpha : Delivery::Bgr24;
  }
  // Rotating packed bits is not worth it: a turned bilevel picture is 8-bit.
  if (plan->delivery == Delivery::Bilevel1 && plan->orientation != 1) {
    plan->delivery = Delivery::Indexed8;
    plan->sourceBits = 0;
    GreyPalette(plan->palette);
  }
  return true;
}

// ---- Pixel rows -------------------------------------------------------------------------

// A converter of the frame to `target`, or nothing. Wine's converter accepts
// some conversions that it then cannot carry out (16-bit colour to 24bppBGR),
// so one pixel is copied to prove it works.
bool Convert(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, const GUID& target,
             ComPtr<IWICBitmapSource>& source) {
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(converter.Out()))) return false;
  if (FAILED(converter->Initialize(frame, target, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)))
    return false;
  uint8_t probe[16];
  WICRect first = {0, 0, 1, 1};
  if (FAILED(converter->CopyPixels(&first, sizeof probe, sizeof probe, probe))) return false;
  converter->QueryInterface(IID_IWICBitmapSource, reinterpret_cast<void**>(source.Out()));
  return bool(source);
}

// The frame converted to what the delivery reads: 24bppBGR, 32bppBGRA,
// 8bppGray, or the frame itself for indexed and black-and-white pictures.
// Where the wanted conversion fails, 32bppBGRA serves every delivery.
bool MakeRowSource(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, const Plan& plan,
                   ComPtr<IWICBitmapSource>& source) {
  const GUID* target = nullptr;
  switch (plan.delivery) {
    case Delivery::Bgr24: target = &GUID_WICPixelFormat24bppBGR; break;
    case Delivery::Bgr24Alpha: target = &GUID_WICPixelFormat32bppBGRA; break;
    case Delivery::Gray8: target = &GUID_WICPixelFormat8bppGray; break;
    case Delivery::Bilevel1: break;
    case Delivery::Indexed8:
      if (plan.sourceBits == 0) target = &GUID_WICPixelFormat8bppGray;  // turned bilevel
      break;
  }
  if (!target || IsEqualGUID(*target, plan.sourceFormat)) {
    frame->QueryInterface(IID_IWICBitmapSource, reinterpret_cast<void**>(source.Out()));
    return bool(source);
  }
  return Convert(factory, frame, *target, source) ||
         Convert(factory, frame, GUID_WICPixelFormat32bppBGRA, source);
}

UINT SourceBitsPerPixel(IWICBitmapSource* source, const Plan& plan) {
  WICPixelFormatGUID format;
  if (FAILED(source->GetPixelFormat(&format))) return 0;
  if (IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) return 24;
  if (IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA)) return 32;
  if (IsEqualGUID(format, GUID_WICPixelFormat8bppGray)) return 8;
  if (IsEqualGUID(format, GUID_WICPixelFormatBlackWhite)) return 1;
  return plan.sourceBits;  // indexed
}

// One decoded row in the delivery's own layout: colour bytes (3 per pixel,
// or 1 per pixel for indices and greys, or packed bits for bilevel) and,
// for Bgr24Alpha, one opacity byte per pixel.
struct RowUnpacker {
  UINT width;
  UINT sourceBits;
  Delivery delivery;

  size_t PixelBytes() const {
    return delivery == Delivery::Bgr24 || delivery == Delivery::Bgr24Alpha ? 3 : 1;
  }

  void Unpack(const uint8_t* in, uint8_t* colour, uint8_t* alpha) const {
    switch (sourceBits) {
      case 32:
        if (PixelBytes() == 1) {  // a grey picture read as BGRA: any channel
          for (UINT x = 0; x < width; ++x) colour[x] = in[4 * x + 1];
          break;
        }
        for (UINT x = 0; x < width; ++x) {
          std::memcpy(colour + 3 * x, in + 4 * x, 3);
          if (alpha) alpha[x] = in[4 * x + 3];
        }
        break;
      case 24: std::memcpy(colour, in, size_t(width) * 3); break;
      case 8: std::memcpy(colour, in, width); break;
      case 1:
        if (delivery == Delivery::Bilevel1) {
          std::memcpy(colour, in, (width + 7) / 8);
          break;
        }
        [[fallthrough]];
      case 2:
      case 4:
        for (UINT x = 0; x < width; ++x) {
          UINT bit = x * sourceBits;
          colour[x] =
              uint8_t((in[bit / 8] >> (8 - sourceBits - bit % 8)) & ((1u << sourceBits) - 1));
        }
        break;
    }
  }
};

// Hands one upright row to the browser.
void DeliverRow(const ReadCallbacks* callbacks, const Plan& plan, int32_t row,
                const uint8_t* colour, const uint8_t* alpha, std::vector<uint8_t>& dibRow) {
  UINT width = plan.OutWidth();
  std::memset(dibRow.data(), 0, dibRow.size());
  size_t bytes = plan.delivery == Delivery::Bilevel1 ? (width + 7) / 8
                 : plan.Bits() == 24                 ? size_t(width) * 3
                                                     : width;
  std::memcpy(dibRow.data(), colour, bytes);
  callbacks->PutRow(row, 0, 0, dibRow.data(), 0);
  if (alpha) callbacks->PutAlpha(row, 0, int32_t(width) - 1, alpha);
}

// Decodes in strips of rows and delivers each row as it comes.
void DeliverStreamed(IWICBitmapSource* source, const Plan& plan, UINT sourceBits,
                     const ReadCallbacks* callbacks) {
  RowUnpacker unpack{plan.width, sourceBits, plan.delivery};
  UINT stride = ((plan.width * sourceBits + 31) / 32) * 4;
  bool withAlpha = plan.delivery == Delivery::Bgr24Alpha;
  std::vector<uint8_t> strip, colour(size_t(plan.width) * unpack.PixelBytes() + 4),
      alpha(withAlpha ? plan.width : 0), dibRow(((size_t(plan.width) * plan.Bits() + 31) / 32) * 4);
  strip.resize(size_t(stride) * kStripRows);
  for (UINT top = 0; top < plan.height; top += kStripRows) {
    UINT rows = plan.height - top < kStripRows ? plan.height - top : kStripRows;
    WICRect rect = {0, INT(top), INT(plan.width), INT(rows)};
    if (FAILED(source->CopyPixels(&rect, stride, UINT(stride * rows), strip.data())))
      return;  // a damaged file: the rest stays black
    for (UINT r = 0; r < rows; ++r) {
      unpack.Unpack(strip.data() + size_t(r) * stride, colour.data(),
                    withAlpha ? alpha.data() : nullptr);
      DeliverRow(callbacks, plan, int32_t(top + r), colour.data(),
                 withAlpha ? alpha.data() : nullptr, dibRow);
    }
  }
}

// Decodes the whole picture, turns it upright and delivers it.
void DeliverOriented(IWICBitmapSource* source, const Plan& plan, UINT sourceBits,
                     const ReadCallbacks* callbacks) {
  RowUnpacker unpack{plan.width, sourceBits, plan.delivery};
  size_t pixelBytes = unpack.PixelBytes();
  bool withAlpha = plan.delivery == Delivery::Bgr24Alpha;
  UINT stride = ((plan.width * sourceBits + 31) / 32) * 4;
  size_t pixels = size_t(plan.width) * plan.height;
  std::unique_ptr<uint8_t[]> colour(new (std::nothrow) uint8_t[pixels * pixelBytes]);
  std::unique_ptr<uint8_t[]> turned(new (std::nothrow) uint8_t[pixels * pixelBytes]);
  std::unique_ptr<uint8_t[]> alpha(withAlpha ? new (std::nothrow) uint8_t[pixels] : nullptr);
  std::unique_ptr<uint8_t[]> turnedAlpha(withAlpha ? new (std::nothrow) uint8_t[pixels] : nullptr);
  std::vector<uint8_t> strip(size_t(stride) * kStripRows);
  if (!colour || !turned || (withAlpha && (!alpha || !turnedAlpha))) return;
  for (UINT top = 0; top < plan.height; top += kStripRows) {
    UINT rows = plan.height - top < kStripRows ? plan.height - top : kStripRows;
    WICRect rect = {0, INT(top), INT(plan.width), INT(rows)};
    if (FAILED(source->CopyPixels(&rect, stride, UINT(stride * rows), strip.data()))) {
      std::memset(colour.get() + size_t(top) * plan.width * pixelBytes, 0,
                  (pixels - size_t(top) * plan.width) * pixelBytes);
      if (withAlpha)
        std::memset(alpha.get() + size_t(top) * plan.width, 0xFF,
                    pixels - size_t(top) * plan.width);
      break;
    }
    for (UINT r = 0; r < rows; ++r) {
      size_t row = top + r;
      unpack.Unpack(strip.data() + size_t(r) * stride, colour.get() + row * plan.width * pixelBytes,
                    withAlpha ? alpha.get() + row * plan.width : nullptr);
    }
  }
  OrientPixels(plan.orientation, colour.get(), int(plan.width), int(plan.height), int(pixelBytes),
               turned.get());
  if (withAlpha)
    OrientPixels(plan.orientation, alpha.get(), int(plan.width), int(plan.height), 1,
                 turnedAlpha.get());
  std::vector<uint8_t> dibRow(((size_t(plan.OutWidth()) * plan.Bits() + 31) / 32) * 4);
  for (UINT y = 0; y < plan.OutHeight(); ++y)
    DeliverRow(callbacks, plan, int32_t(y), turned.get() + size_t(y) * plan.OutWidth() * pixelBytes,
               withAlpha ? turnedAlpha.get() + size_t(y) * plan.OutWidth() : nullptr, dibRow);
}

// Wine's JPEG decoder decodes the whole picture when its frame is opened, so
// JPEG sizes come from the frame header: the same answer at half the cost.
// Grey JPEGs are delivered at 8 bits, colour and CMYK ones at 24.
bool JpegSize(const char* fileName, ImageSizeRecord* size) {
  std::vector<uint8_t> head = FileHead(fileName);
  int width, height, components;
  if (!JpegFrameSize(head.data(), head.size(), &width, &height, &components)) return false;
  if (components != 1 && components != 3 && components != 4) return false;
  if (!FitsInMemory(UINT(width), UINT(height))) return false;
  bool swap = OrientationSwapsSides(ExifOrientation(head.data(), head.size()));
  size->imageCount = 1;
  size->entries[0].width = swap ? height : width;
  size->entries[0].height = swap ? width : height;
  size->entries[0].bitsPerPixel = components == 1 ? 8 : 24;
  return true;
}

// COM, the factory and the file's first frame with its plan, for one call.
struct OpenedPicture {
  ComScope com;
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICBitmapFrameDecode> frame;
  std::unique_ptr<Plan> plan{new (std::nothrow) Plan};

  bool Open(const char* fileName) {
    return com.Usable() && plan && OpenPicture(fileName, factory, frame, plan.get());
  }
};

}  // namespace

PLUGIN_EXPORT int32_t PLUGIN_CALL ReadFileInfo(WindowRef, FormatInfo* info) {
  if (!info) return 0;
  std::memset(info, 0, sizeof *info);
  std::memcpy(info->extensions, kExtensions, sizeof kExtensions);
  std::memcpy(info->displayName, kDisplayName, sizeof kDisplayName);
  return 1;
}

PLUGIN_EXPORT int32_t PLUGIN_CALL ReadFileGetSize(WindowRef, const char* fileName,
                                                  ImageSizeRecord* size, ImageExtraRecord*) {
  if (!fileName || !size) return 0;
  if (JpegSize(fileName, size)) return 1;
  OpenedPicture picture;
  if (!picture.Open(fileName)) return 0;
  const Plan* plan = picture.plan.get();
  size->imageCount = 1;
  size->entries[0].width = int32_t(plan->OutWidth());
  size->entries[0].height = int32_t(plan->OutHeight());
  size->entries[0].bitsPerPixel = plan->Bits();
  return 1;
}

PLUGIN_EXPORT int32_t PLUGIN_CALL ReadFileExec(WindowRef, const char* fileName,
                                               ImageSizeRecord* size, ImageExtraRecord*,
                                               DecodeWorkRecord*, const ReadCallbacks* callbacks) {
  if (!fileName || !size || !callbacks) return 0;
  OpenedPicture picture;
  if (!picture.Open(fileName)) return 0;
  const Plan* plan = picture.plan.get();
  // Deliver only into the target the browser made from our size answer.
  const ImageSizeEntry& target = size->entries[0];
  if (target.width != int32_t(plan->OutWidth()) || target.height != int32_t(plan->OutHeight()) ||
      target.bitsPerPixel != plan->Bits())
    return 0;
  if (plan->Bits() <= 8) callbacks->PutPalette(plan->palette, 0);
  ComPtr<IWICBitmapSource> source;
  if (!MakeRowSource(picture.factory.Get(), picture.frame.Get(), *plan, source)) return 0;
  UINT sourceBits = SourceBitsPerPixel(source.Get(), *plan);
  if (sourceBits == 0) return 0;
  if (plan->orientation == 1)
    DeliverStreamed(source.Get(), *plan, sourceBits, callbacks);
  else
    DeliverOriented(source.Get(), *plan, sourceBits, callbacks);
  return 1;
}
