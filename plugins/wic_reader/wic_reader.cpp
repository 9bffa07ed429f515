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
#include <utility>
#include <vector>

#include "exif_orientation.h"
#include "image/plugin_api.h"
#include "jpeg_layout.h"
#include "platform/scoped_handles.h"

namespace {

constexpr char kExtensions[] = "jpg;jpeg;jpe;jfif;png;gif;bmp;dib;tif;tiff;ico";
constexpr char kDisplayName[] = "Images Windows (WIC)";
// Largest 24-bit picture the browser can hold: every size stays below 2^31.
constexpr uint64_t kMaxImageBytes = 0x7FFFFFFF;
// Rows are decoded in strips of up to 64 rows and at most 16 MB (one row
// when a single row is larger): a picture 100,000,000 pixels wide needs its
// one row, never 64 of them.
constexpr size_t kStripRows = 64;
constexpr size_t kStripBudget = size_t(16) << 20;

// The reduced-size decode of Windows's JPEG decoder. mingw-w64's wincodec.h
// does not declare it; this is its published layout.
struct IWICBitmapSourceTransform : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height,
                                               WICPixelFormatGUID* format,
                                               WICBitmapTransformOptions transform, UINT stride,
                                               UINT bufferSize, BYTE* buffer) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) = 0;
  virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions transform,
                                                         BOOL* supported) = 0;
};
constexpr IID kIidBitmapSourceTransform = {
    0x3B16811B, 0x6A43, 0x4EC9, {0xB7, 0x13, 0x3D, 0x5A, 0x0C, 0x13, 0xB9, 0x40}};

using platform::ComPtr;

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
  UINT step = 1;               // every step-th pixel of every step-th row is delivered
  uint8_t palette[1024] = {};  // BGRX entries for Indexed8, Gray8 and Bilevel1

  bool Swapped() const { return OrientationSwapsSides(orientation); }
  UINT PickedWidth() const { return (width + step - 1) / step; }
  UINT PickedHeight() const { return (height + step - 1) / step; }
  UINT OutWidth() const { return Swapped() ? PickedHeight() : PickedWidth(); }
  UINT OutHeight() const { return Swapped() ? PickedWidth() : PickedHeight(); }
  // In 64 bits: 24 times a width of 200,000,000 wraps a 32-bit size_t.
  size_t DibStride() const { return PaddedRowBytes(OutWidth(), uint32_t(Bits())); }
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
  platform::ScopedHandle file(CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return head;
  head.resize(256 * 1024);
  DWORD got = 0;
  if (!ReadFile(file.Get(), head.data(), DWORD(head.size()), &got, nullptr)) got = 0;
  head.resize(got);
  return head;
}

// A JPEG past the scan limit would hold the system's decoder (which decodes
// the whole picture when its frame is opened) as long as it would hold
// libjpeg: such a file is refused before the decoder sees it. The walk
// reads the whole file, up to 64 MB.
bool HasTooManyScans(const char* fileName) {
  constexpr DWORD kMaxWalked = 64u << 20;
  platform::ScopedHandle file(CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return false;
  uint8_t start[2] = {};
  DWORD got = 0, high = 0;
  DWORD size = GetFileSize(file.Get(), &high);
  bool jpeg = ReadFile(file.Get(), start, 2, &got, nullptr) && got == 2 && start[0] == 0xFF &&
              start[1] == 0xD8 && size != INVALID_FILE_SIZE;
  if (high != 0 || size > kMaxWalked) size = kMaxWalked;
  std::unique_ptr<uint8_t[]> bytes(jpeg ? new (std::nothrow) uint8_t[size] : nullptr);
  bool tooMany = false;
  if (bytes && SetFilePointer(file.Get(), 0, nullptr, FILE_BEGIN) == 0 &&
      ReadFile(file.Get(), bytes.get(), size, &got, nullptr))
    tooMany = CountJpegScans(bytes.get(), got, kMaxJpegScans + 1) > kMaxJpegScans;
  return tooMany;
}

int FileOrientation(const char* fileName) {
  std::vector<uint8_t> head = FileHead(fileName);
  return ExifOrientation(head.data(), head.size());
}

bool FitsInMemory(UINT width, UINT height) {
  uint64_t stride = PaddedRowBytes(width, 32);  // the widest row a delivery decodes
  return width > 0 && height > 0 && stride != 0 && stride * height + 40 <= kMaxImageBytes &&
         uint64_t(width) * height * 4 <= kMaxImageBytes;
}

void TurnBilevelToGreys(Plan* plan);

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
  if (plan->delivery == Delivery::Bilevel1 && plan->orientation != 1) TurnBilevelToGreys(plan);
  return true;
}

// Turning or picking packed bits is not worth it: such a bilevel picture is
// delivered at 8 bits.
void TurnBilevelToGreys(Plan* plan) {
  plan->delivery = Delivery::Indexed8;
  plan->sourceBits = 0;
  GreyPalette(plan->palette);
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

// The picked pixels of one decoded row in the delivery's own layout: colour
// bytes (3 per pixel, or 1 per pixel for indices and greys, or packed bits
// for bilevel) and, for Bgr24Alpha, one opacity byte per pixel.
struct RowUnpacker {
  UINT width;  // picked pixels
  UINT step;
  UINT sourceBits;
  Delivery delivery;

  size_t PixelBytes() const {
    return delivery == Delivery::Bgr24 || delivery == Delivery::Bgr24Alpha ? 3 : 1;
  }

  void Unpack(const uint8_t* in, uint8_t* colour, uint8_t* alpha) const {
    switch (sourceBits) {
      case 32:
        if (PixelBytes() == 1) {  // a grey picture read as BGRA: any channel
          for (UINT x = 0; x < width; ++x) colour[x] = in[4 * size_t(x * step) + 1];
          break;
        }
        for (UINT x = 0; x < width; ++x) {
          const uint8_t* pixel = in + 4 * size_t(x * step);
          colour[3 * x] = pixel[0];
          colour[3 * x + 1] = pixel[1];
          colour[3 * x + 2] = pixel[2];
          if (alpha) alpha[x] = pixel[3];
        }
        break;
      case 24:
        if (step == 1) {
          std::memcpy(colour, in, size_t(width) * 3);
          break;
        }
        for (UINT x = 0; x < width; ++x) std::memcpy(colour + 3 * x, in + 3 * size_t(x * step), 3);
        break;
      case 8:
        for (UINT x = 0; x < width; ++x) colour[x] = in[size_t(x) * step];
        break;
      case 1:
        if (delivery == Delivery::Bilevel1) {  // never picked nor turned
          std::memcpy(colour, in, (width + 7) / 8);
          break;
        }
        [[fallthrough]];
      case 2:
      case 4:
        for (UINT x = 0; x < width; ++x) {
          UINT bit = x * step * sourceBits;
          colour[x] =
              uint8_t((in[bit / 8] >> (8 - sourceBits - bit % 8)) & ((1u << sourceBits) - 1));
        }
        break;
    }
  }
};

// The stride of `plan.width` decoded pixels of `bits` bits; 0 when the row
// could not be held.
UINT DecodedStride(const Plan& plan, UINT bits) { return PaddedRowBytes(plan.width, bits); }

// Decodes the stored rows in strips and calls use(row index among the picked
// rows, row bytes) for every step-th one. False when the strip cannot be
// allocated or the decoder fails (a damaged file: the rest is not delivered).
template <typename Use>
bool ForEachPickedRow(IWICBitmapSource* source, const Plan& plan, UINT stride, Use use) {
  size_t stripRows = StripRows(stride, plan.height, kStripRows, kStripBudget);
  size_t stripBytes = 0;
  if (stripRows == 0 || !CheckedProduct(stride, stripRows, &stripBytes)) return false;
  std::unique_ptr<uint8_t[]> strip(new (std::nothrow) uint8_t[stripBytes]);
  if (!strip) return false;
  for (size_t top = 0; top < plan.height; top += stripRows) {
    size_t rows = plan.height - top < stripRows ? plan.height - top : stripRows;
    WICRect rect = {0, INT(top), INT(plan.width), INT(rows)};
    // stride * rows <= stripBytes, which fits in the 31 bits of a stride or
    // the budget.
    if (FAILED(source->CopyPixels(&rect, stride, UINT(stride * rows), strip.get()))) {
      // A damaged file: the rows of this strip before the damage are still
      // delivered, one by one.
      for (size_t r = 0; r < rows; ++r) {
        WICRect one = {0, INT(top + r), INT(plan.width), 1};
        if (FAILED(source->CopyPixels(&one, stride, stride, strip.get()))) return false;
        if ((top + r) % plan.step == 0) use(UINT((top + r) / plan.step), strip.get());
      }
      return false;
    }
    for (size_t r = 0; r < rows; ++r)
      if ((top + r) % plan.step == 0)
        use(UINT((top + r) / plan.step), strip.get() + r * size_t(stride));
  }
  return true;
}

// The decoder already gives the delivery's layout (24bppBGR, 8-bit greys or
// indices, bilevel) and nothing is picked or turned: rows go from the strip
// to the browser with no copy of ours, the strip laid out as the browser's rows.
bool IsDeliveredAsDecoded(const Plan& plan, UINT sourceBits) {
  if (plan.step != 1 || plan.orientation != 1) return false;
  switch (plan.delivery) {
    case Delivery::Bgr24: return sourceBits == 24;
    case Delivery::Gray8:
    case Delivery::Indexed8: return sourceBits == 8;
    case Delivery::Bilevel1: return sourceBits == 1;
    default: return false;
  }
}

bool DeliverAsDecoded(IWICBitmapSource* source, const Plan& plan, const ReadCallbacks* callbacks) {
  UINT stride = DecodedStride(plan, UINT(plan.Bits()));
  return stride != 0 && ForEachPickedRow(source, plan, stride, [&](UINT row, const uint8_t* bytes) {
           callbacks->PutRow(int32_t(row), 0, 0, bytes, 0);
         });
}

// Upright pictures: each picked row unpacked into the browser's row.
bool DeliverStreamed(IWICBitmapSource* source, const Plan& plan, UINT sourceBits,
                     const ReadCallbacks* callbacks) {
  RowUnpacker unpack{plan.PickedWidth(), plan.step, sourceBits, plan.delivery};
  UINT stride = DecodedStride(plan, sourceBits);
  if (stride == 0 || plan.DibStride() == 0) return false;
  bool withAlpha = plan.delivery == Delivery::Bgr24Alpha;
  std::vector<uint8_t> dibRow(plan.DibStride() + 4), alpha(withAlpha ? plan.PickedWidth() : 0);
  return ForEachPickedRow(source, plan, stride, [&](UINT row, const uint8_t* bytes) {
    unpack.Unpack(bytes, dibRow.data(), withAlpha ? alpha.data() : nullptr);
    callbacks->PutRow(int32_t(row), 0, 0, dibRow.data(), 0);
    if (withAlpha)
      callbacks->PutAlpha(int32_t(row), 0, int32_t(plan.PickedWidth()) - 1, alpha.data());
  });
}

// Turned pictures: the picked picture in one buffer (and its opacities in
// another), then each upright row gathered from it. For a thumbnail the
// buffer is the reduced picture, not the whole one. When the decoder fails
// part-way, the rows it decoded are still turned and delivered (the rest
// black) and the answer is false.
bool DeliverTurned(IWICBitmapSource* source, const Plan& plan, UINT sourceBits,
                   const ReadCallbacks* callbacks) {
  RowUnpacker unpack{plan.PickedWidth(), plan.step, sourceBits, plan.delivery};
  size_t pixelBytes = unpack.PixelBytes();
  bool withAlpha = plan.delivery == Delivery::Bgr24Alpha;
  UINT stride = DecodedStride(plan, sourceBits);
  size_t width = plan.PickedWidth(), height = plan.PickedHeight();
  size_t pixels = 0, colourBytes = 0;
  if (stride == 0 || plan.DibStride() == 0 || !CheckedProduct(width, height, &pixels) ||
      !CheckedProduct(pixels, pixelBytes, &colourBytes))
    return false;
  std::unique_ptr<uint8_t[]> colour(new (std::nothrow) uint8_t[colourBytes]());
  std::unique_ptr<uint8_t[]> alpha(withAlpha ? new (std::nothrow) uint8_t[pixels] : nullptr);
  if (!colour || (withAlpha && !alpha)) return false;
  if (withAlpha) std::memset(alpha.get(), 0xFF, pixels);  // undecoded rows: opaque black
  size_t decodedRows = 0;
  bool whole = ForEachPickedRow(source, plan, stride, [&](UINT row, const uint8_t* bytes) {
    unpack.Unpack(bytes, colour.get() + row * width * pixelBytes,
                  withAlpha ? alpha.get() + row * width : nullptr);
    decodedRows = size_t(row) + 1;
  });
  if (decodedRows == 0) return false;
  std::vector<uint8_t> dibRow(plan.DibStride() + 4), alphaRow(withAlpha ? plan.OutWidth() : 0);
  for (UINT y = 0; y < plan.OutHeight(); ++y) {
    OrientRow(plan.orientation, colour.get(), int(width), int(height), int(pixelBytes), int(y),
              dibRow.data());
    callbacks->PutRow(int32_t(y), 0, 0, dibRow.data(), 0);
    if (!withAlpha) continue;
    OrientRow(plan.orientation, alpha.get(), int(width), int(height), 1, int(y), alphaRow.data());
    callbacks->PutAlpha(int32_t(y), 0, int32_t(plan.OutWidth()) - 1, alphaRow.data());
  }
  return whole;
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
  platform::ComInit com{COINIT_MULTITHREADED};
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICBitmapFrameDecode> frame;
  std::unique_ptr<Plan> plan{new (std::nothrow) Plan};

  bool Open(const char* fileName) {
    return com.Usable() && plan && OpenPicture(fileName, factory, frame, plan.get());
  }
};

// On Windows the JPEG decoder decodes at 1/2, 1/4 or 1/8 of the size through
// IWICBitmapSourceTransform; Wine's has no such interface. When the decoder
// gives exactly the picked size, the reduced picture comes from it and is
// delivered as a picture of its own (step 1); otherwise nothing changes.
void UseReducedDecode(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, Plan* plan,
                      ComPtr<IWICBitmapSource>& source, std::vector<uint8_t>& pixels) {
  if (plan->step == 1 || plan->delivery != Delivery::Bgr24) return;
  ComPtr<IWICBitmapSourceTransform> transform;
  if (FAILED(frame->QueryInterface(kIidBitmapSourceTransform,
                                   reinterpret_cast<void**>(transform.Out()))))
    return;
  UINT width = plan->PickedWidth(), height = plan->PickedHeight();
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (FAILED(transform->GetClosestSize(&width, &height)) || width != plan->PickedWidth() ||
      height != plan->PickedHeight())
    return;
  if (FAILED(transform->GetClosestPixelFormat(&format)) ||
      !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
    return;
  UINT stride = PaddedRowBytes(width, 24);
  size_t bytes = 0;
  if (stride == 0 || !CheckedProduct(stride, height, &bytes)) return;
  pixels.resize(bytes);
  if (FAILED(transform->CopyPixels(nullptr, width, height, &format, WICBitmapTransformRotate0,
                                   stride, UINT(pixels.size()), pixels.data())))
    return;
  ComPtr<IWICBitmap> reduced;
  if (FAILED(factory->CreateBitmapFromMemory(width, height, GUID_WICPixelFormat24bppBGR, stride,
                                             UINT(pixels.size()), pixels.data(), reduced.Out())))
    return;
  ComPtr<IWICBitmapSource> reducedSource;
  if (FAILED(reduced->QueryInterface(IID_IWICBitmapSource,
                                     reinterpret_cast<void**>(reducedSource.Out()))))
    return;
  source = std::move(reducedSource);
  plan->width = width;
  plan->height = height;
  plan->step = 1;
}

// Every step-th pixel of every step-th row: what a box of boxWidth x
// boxHeight needs of an upright picture of width x height (1 for no box).
UINT PickingStep(UINT width, UINT height, int32_t boxWidth, int32_t boxHeight) {
  if (boxWidth <= 0 || boxHeight <= 0) return 1;
  return UINT(ChoosePickingFactor(int(width), int(height), boxWidth, boxHeight));
}

// Opens the file, picks pixels for the box (none without one), checks the
// browser's target against the plan and delivers the picture.
int32_t Deliver(const char* fileName, int32_t boxWidth, int32_t boxHeight,
                const ImageSizeRecord* size, const ReadCallbacks* callbacks) {
  if (HasTooManyScans(fileName)) return 0;
  OpenedPicture picture;
  if (!picture.Open(fileName)) return 0;
  Plan* plan = picture.plan.get();
  plan->step = PickingStep(plan->OutWidth(), plan->OutHeight(), boxWidth, boxHeight);
  if (plan->step > 1 && plan->delivery == Delivery::Bilevel1) TurnBilevelToGreys(plan);
  // Deliver only into the target the browser made from our size answer.
  const ImageSizeEntry& target = size->entries[0];
  if (target.width != int32_t(plan->OutWidth()) || target.height != int32_t(plan->OutHeight()) ||
      target.bitsPerPixel != plan->Bits())
    return 0;
  if (plan->Bits() <= 8) callbacks->PutPalette(plan->palette, 0);
  ComPtr<IWICBitmapSource> source;
  if (!MakeRowSource(picture.factory.Get(), picture.frame.Get(), *plan, source)) return 0;
  std::vector<uint8_t> reducedPixels;
  UseReducedDecode(picture.factory.Get(), picture.frame.Get(), plan, source, reducedPixels);
  UINT sourceBits = SourceBitsPerPixel(source.Get(), *plan);
  if (sourceBits == 0) return 0;
  bool whole;
  if (IsDeliveredAsDecoded(*plan, sourceBits))
    whole = DeliverAsDecoded(source.Get(), *plan, callbacks);
  else if (plan->orientation == 1)
    whole = DeliverStreamed(source.Get(), *plan, sourceBits, callbacks);
  else
    whole = DeliverTurned(source.Get(), *plan, sourceBits, callbacks);
  return whole ? 1 : 0;  // the rows delivered before a failure stay delivered
}

// Nothing thrown inside crosses an export: whatever escapes (an allocation
// refused by the standard library, anything of COM's wrappers) fails the
// call, and the rows already delivered stay with the browser.
template <typename Body>
int32_t Guarded(Body body) noexcept {
  try {
    return body();
  } catch (...) {
    return 0;
  }
}

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
  return Guarded([&]() -> int32_t {
    if (HasTooManyScans(fileName)) return 0;
    if (JpegSize(fileName, size)) return 1;
    OpenedPicture picture;
    if (!picture.Open(fileName)) return 0;
    const Plan* plan = picture.plan.get();
    size->imageCount = 1;
    size->entries[0].width = int32_t(plan->OutWidth());
    size->entries[0].height = int32_t(plan->OutHeight());
    size->entries[0].bitsPerPixel = plan->Bits();
    return 1;
  });
}

PLUGIN_EXPORT int32_t PLUGIN_CALL ReadFileExec(WindowRef, const char* fileName,
                                               ImageSizeRecord* size, ImageExtraRecord*,
                                               DecodeWorkRecord*, const ReadCallbacks* callbacks) {
  if (!fileName || !size || !callbacks) return 0;
  return Guarded([&] { return Deliver(fileName, 0, 0, size, callbacks); });
}

// For a thumbnail every 2nd, 4th or 8th pixel of every such row is enough:
// the whole picture is still decoded (WIC has no reduced decode besides the
// JPEG one), but only the picked pixels are kept, and a photo is turned
// upright at that size. The size question answers from the whole size the
// browser passes in entry 0, without opening the file again.
PLUGIN_EXPORT int32_t PLUGIN_CALL ReadFileExecScaled(WindowRef, const char* fileName,
                                                     int32_t boxWidth, int32_t boxHeight,
                                                     ImageSizeRecord* size, ImageExtraRecord*,
                                                     DecodeWorkRecord*,
                                                     const ReadCallbacks* callbacks) {
  if (!fileName || !size) return 0;
  if (callbacks)
    return Guarded([&] { return Deliver(fileName, boxWidth, boxHeight, size, callbacks); });
  ImageSizeEntry& entry = size->entries[0];
  UINT width = UINT(entry.width), height = UINT(entry.height);
  UINT step =
      entry.width > 0 && entry.height > 0 ? PickingStep(width, height, boxWidth, boxHeight) : 1;
  if (step == 1) return 0;  // the whole picture is needed: the ordinary read
  entry.width = int32_t((width + step - 1) / step);
  entry.height = int32_t((height + step - 1) / step);
  if (entry.bitsPerPixel == 1) entry.bitsPerPixel = 8;
  return 1;
}

// Every call works on its own state: several thumbnail workers may read at once.
PLUGIN_EXPORT int32_t PLUGIN_CALL ReadFileConcurrent() { return 1; }
