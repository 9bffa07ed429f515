// A reader plug-in for JPEG files on libjpeg-turbo.
//
// Baseline, progressive, greyscale (delivered at 8 bits with a grey colour
// table), CMYK and YCCK (Adobe's inverted inks) pictures; camera photos are
// turned upright by their EXIF orientation. Besides the ordinary exports it
// has ReadFileExecScaled, which decodes at the smallest of libjpeg's scales
// (1/8 to 1) that still covers the thumbnail box: a 4000 x 3000 photo for a
// 176 x 160 box is decoded at 500 x 375, from the DC coefficients alone.
// Where the camera stored a preview in the EXIF block that has the photo's
// shape and covers the box, the preview is decoded instead (a few kilobytes
// instead of megabytes).
//
// libjpeg reports fatal errors through error_exit, which here jumps back to
// the decode's setjmp: no C++ object lives in a frame it jumps over, and
// nothing is ever thrown or exited through libjpeg. The DLL keeps no state
// between calls.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

// jpeglib.h needs FILE and size_t first.
#include <jpeglib.h>
// After jpeglib.h: the message codes.
#include <jerror.h>

#include "exif_orientation.h"
#include "image/plugin_api.h"
#include "jpeg_layout.h"

namespace {

constexpr char kExtensions[] = "jpg;jpeg;jpe;jfif";
// libjpeg's working memory for one picture: enough for the coefficients of a
// progressive 170-megapixel 4:2:0 photo.
constexpr long kMaxDecoderMemory = 512L << 20;
constexpr char kDisplayName[] = "JPEG (libjpeg-turbo)";
constexpr unsigned kExifMarker = JPEG_APP0 + 1;

// ---- Errors -------------------------------------------------------------------------

struct ErrorManager {
  jpeg_error_mgr base;
  jmp_buf jump;
  bool readingRows;  // jpeg_start_decompress has returned
};

[[noreturn]] void JumpOnError(j_common_ptr info) {
  auto* errors = reinterpret_cast<ErrorManager*>(info->err);
  std::longjmp(errors->jump, 1);
}

// Warnings go on (a few damaged bytes in a photo still show the photo),
// except running out of data in the rows: what libjpeg would invent from
// there on is grey, so the decode stops and the rest stays black. A
// progressive file that ends early is read before any row is made: the scans
// that arrived give the whole picture, less sharp, so its decode goes on.
void NoteWarning(j_common_ptr info, int level) {
  auto* errors = reinterpret_cast<ErrorManager*>(info->err);
  if (level < 0 && errors->base.msg_code == JWRN_JPEG_EOF) {
    auto* jpeg = reinterpret_cast<j_decompress_ptr>(info);
    if (jpeg->progressive_mode && !errors->readingRows) return;
    std::longjmp(errors->jump, 1);
  }
}

// Called by libjpeg while it reads, at least once per row of blocks: a file
// past the scan limit (kMaxJpegScans) is refused.
void CountScans(j_common_ptr info) {
  auto* jpeg = reinterpret_cast<j_decompress_ptr>(info);
  if (jpeg->input_scan_number > kMaxJpegScans) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    std::longjmp(errors->jump, 1);
  }
}

void Silent(j_common_ptr) {}

// ---- One decode -----------------------------------------------------------------------

// Everything one call needs, in one plain record so that a jump from libjpeg
// leaves nothing to unwind: the caller frees it after the jump.
struct Decoder {
  jpeg_decompress_struct jpeg;
  ErrorManager errors;
  jpeg_progress_mgr progress;
  FILE* file = nullptr;
  const uint8_t* memory = nullptr;  // a camera's preview, read from memory instead
  size_t memoryBytes = 0;
  bool created = false;
  int orientation = 1;
  uint8_t* rows = nullptr;      // the whole picture, for turned pictures
  uint8_t* scanline = nullptr;  // one decoded row
  uint8_t* dibRow = nullptr;    // one delivered row, padded
  int decodedRows = 0;          // rows of `rows` filled so far
  int decodedWidth = 0, decodedHeight = 0, pixelBytes = 0;  // the picture in `rows`

  ~Decoder() {
    if (created) jpeg_destroy_decompress(&jpeg);
    if (file) std::fclose(file);
    std::free(rows);
    std::free(scanline);
    std::free(dibRow);
  }
};

// libjpeg's decompressor with our error handling: errors jump back to the
// decode's setjmp, warnings as NoteWarning says, nothing printed.
void CreateDecompressor(Decoder* decoder) {
  decoder->jpeg.err = jpeg_std_error(&decoder->errors.base);
  decoder->errors.base.error_exit = JumpOnError;
  decoder->errors.base.emit_message = NoteWarning;
  decoder->errors.base.output_message = Silent;
  decoder->errors.readingRows = false;
  jpeg_create_decompress(&decoder->jpeg);
  decoder->created = true;
}

// The size a delivery has: upright width and height, depth.
struct Delivery {
  int width = 0, height = 0, bits = 24;
};

int OrientationFromMarkers(const jpeg_decompress_struct& jpeg) {
  for (jpeg_saved_marker_ptr marker = jpeg.marker_list; marker; marker = marker->next) {
    if (marker->marker != kExifMarker || marker->data_length < 6) continue;
    if (std::memcmp(marker->data, "Exif\0\0", 6) != 0) continue;
    return ExifOrientation(marker->data + 6, marker->data_length - 6);
  }
  return 1;
}

// Opens the file and reads its headers. Must be called inside the setjmp
// scope of `decoder`.
bool ReadHeader(Decoder* decoder) {
  jpeg_decompress_struct& jpeg = decoder->jpeg;
  if (decoder->memory)
    jpeg_mem_src(&jpeg, decoder->memory, static_cast<unsigned long>(decoder->memoryBytes));
  else
    jpeg_stdio_src(&jpeg, decoder->file);
  // A progressive file makes libjpeg hold the whole picture's coefficients,
  // whatever the scale: a header of a few bytes could claim gigabytes. Past
  // this, libjpeg refuses (it has no backing store) and the read fails.
  jpeg.mem->max_memory_to_use = kMaxDecoderMemory;
  decoder->progress.progress_monitor = CountScans;
  jpeg.progress = &decoder->progress;
  jpeg_save_markers(&jpeg, kExifMarker, 0xFFFF);
  if (jpeg_read_header(&jpeg, TRUE) != JPEG_HEADER_OK) return false;
  if (!IsAcceptableJpegSize(jpeg.image_width, jpeg.image_height)) return false;
  switch (jpeg.jpeg_color_space) {
    case JCS_GRAYSCALE: jpeg.out_color_space = JCS_GRAYSCALE; break;
    case JCS_CMYK:
    case JCS_YCCK: jpeg.out_color_space = JCS_CMYK; break;
    case JCS_RGB:
    case JCS_YCbCr: jpeg.out_color_space = JCS_EXT_BGR; break;
    default: return false;
  }
  if (!decoder->memory) decoder->orientation = OrientationFromMarkers(jpeg);
  return true;
}

// The upright delivery at n/8 of the stored size.
Delivery DeliveryAt(const Decoder& decoder, int eighths) {
  const jpeg_decompress_struct& jpeg = decoder.jpeg;
  int width = ScaledSide(int(jpeg.image_width), eighths);
  int height = ScaledSide(int(jpeg.image_height), eighths);
  bool swap = OrientationSwapsSides(decoder.orientation);
  Delivery delivery;
  delivery.width = swap ? height : width;
  delivery.height = swap ? width : height;
  delivery.bits = jpeg.out_color_space == JCS_GRAYSCALE ? 8 : 24;
  return delivery;
}

// The scale for a thumbnail box given upright.
int EighthsForBox(const Decoder& decoder, int boxWidth, int boxHeight) {
  bool swap = OrientationSwapsSides(decoder.orientation);
  return ChooseScaleEighths(int(decoder.jpeg.image_width), int(decoder.jpeg.image_height),
                            swap ? boxHeight : boxWidth, swap ? boxWidth : boxHeight);
}

// One decoded row in delivery bytes: BGR at 24 bits, greys at 8.
void ToDeliveryRow(const Decoder& decoder, const uint8_t* scanline, int width, uint8_t* out) {
  const jpeg_decompress_struct& jpeg = decoder.jpeg;
  if (jpeg.out_color_space == JCS_CMYK)
    CmykToBgr(scanline, width, jpeg.saw_Adobe_marker != 0, out);
  else
    std::memcpy(out, scanline, size_t(width) * (jpeg.out_color_space == JCS_GRAYSCALE ? 1 : 3));
}

void DeliverGreyPalette(const ReadCallbacks* callbacks) {
  uint8_t palette[1024] = {};
  for (int i = 0; i < 256; ++i)
    palette[4 * i] = palette[4 * i + 1] = palette[4 * i + 2] = uint8_t(i);
  callbacks->PutPalette(palette, 0);
}

// A turned picture's rows, from the decoded rows gathered in `rows`: all of
// them after a whole decode, and after a decode that stopped part-way too
// (the rows never decoded are black).
void DeliverTurnedRows(Decoder* decoder, const ReadCallbacks* callbacks) {
  int width = decoder->decodedWidth, height = decoder->decodedHeight;
  int uprightHeight = OrientationSwapsSides(decoder->orientation) ? width : height;
  for (int y = 0; y < uprightHeight; ++y) {
    OrientRow(decoder->orientation, decoder->rows, width, height, decoder->pixelBytes, y,
              decoder->dibRow);
    callbacks->PutRow(y, 0, 0, decoder->dibRow, 0);
  }
}

// Decodes at n/8 and hands every upright row to the browser. Inside the
// setjmp scope of `decoder`; its buffers are freed by the decoder.
bool DecodeRows(Decoder* decoder, int eighths, const ReadCallbacks* callbacks) {
  jpeg_decompress_struct& jpeg = decoder->jpeg;
  jpeg.scale_num = unsigned(eighths);
  jpeg.scale_denom = 8;
  jpeg_calc_output_dimensions(&jpeg);
  int width = int(jpeg.output_width), height = int(jpeg.output_height);
  int pixelBytes = jpeg.out_color_space == JCS_GRAYSCALE ? 1 : 3;
  bool turned = decoder->orientation != 1;
  bool swap = OrientationSwapsSides(decoder->orientation);
  size_t uprightWidth = size_t(swap ? height : width);
  size_t stride = ((uprightWidth * pixelBytes * 8 + 31) / 32) * 4;
  decoder->scanline = static_cast<uint8_t*>(std::malloc(size_t(width) * jpeg.output_components));
  decoder->dibRow = static_cast<uint8_t*>(std::calloc(stride + 4, 1));
  if (turned)
    decoder->rows = static_cast<uint8_t*>(std::calloc(size_t(width) * height, pixelBytes));
  if (!decoder->scanline || !decoder->dibRow || (turned && !decoder->rows)) return false;
  if (pixelBytes == 1) DeliverGreyPalette(callbacks);
  decoder->decodedWidth = width;
  decoder->decodedHeight = height;
  decoder->pixelBytes = pixelBytes;

  jpeg_start_decompress(&jpeg);
  decoder->errors.readingRows = true;
  while (jpeg.output_scanline < jpeg.output_height) {
    int row = int(jpeg.output_scanline);
    JSAMPROW line = decoder->scanline;
    jpeg_read_scanlines(&jpeg, &line, 1);
    uint8_t* out = turned ? decoder->rows + size_t(row) * width * pixelBytes : decoder->dibRow;
    ToDeliveryRow(*decoder, decoder->scanline, width, out);
    if (turned)
      decoder->decodedRows = row + 1;
    else
      callbacks->PutRow(row, 0, 0, decoder->dibRow, 0);
  }
  jpeg_finish_decompress(&jpeg);
  if (turned) DeliverTurnedRows(decoder, callbacks);
  return true;
}

// The three ways in: the size of the whole picture, the size for a box, and
// the decode of a size the browser has made its target from.
enum class Call { Size, ScaledSize, Decode };

struct Request {
  Call call;
  int boxWidth = 0, boxHeight = 0;  // 0: the whole picture
  ImageSizeRecord* size = nullptr;
  const ReadCallbacks* callbacks = nullptr;
};

// Answers the size question, or decodes into the target made from that
// answer, at n/8 of the stored size. Inside the setjmp scope of `decoder`.
int Answer(Decoder* decoder, const Request& request, int eighths) {
  Delivery delivery = DeliveryAt(*decoder, eighths);
  ImageSizeEntry& entry = request.size->entries[0];
  if (request.call != Call::Decode) {
    request.size->imageCount = 1;
    entry.width = delivery.width;
    entry.height = delivery.height;
    entry.bitsPerPixel = delivery.bits;
    return 1;
  }
  // Deliver only into the target the browser made from our size answer.
  if (entry.width != delivery.width || entry.height != delivery.height ||
      entry.bitsPerPixel != delivery.bits)
    return 0;
  return DecodeRows(decoder, eighths, request.callbacks) ? 1 : 0;
}

// libjpeg gave up: what came stays, and the rows of a turned picture
// decoded so far are turned and delivered now.
void KeepTurnedRowsDecoded(Decoder* decoder, const Request& request) {
  if (decoder->rows && decoder->decodedRows > 0 && request.callbacks)
    DeliverTurnedRows(decoder, request.callbacks);
}

// The preview JPEG a camera stores in its EXIF block, inside the saved
// marker (which lives as long as the main decoder), or an empty span.
struct Span {
  const uint8_t* data = nullptr;
  size_t bytes = 0;
};

Span PreviewInMarkers(const jpeg_decompress_struct& jpeg) {
  for (jpeg_saved_marker_ptr marker = jpeg.marker_list; marker; marker = marker->next) {
    if (marker->marker != kExifMarker || marker->data_length < 6) continue;
    if (std::memcmp(marker->data, "Exif\0\0", 6) != 0) continue;
    size_t offset = 0, bytes = 0;
    if (ExifPreviewSpan(marker->data + 6, marker->data_length - 6, &offset, &bytes))
      return {marker->data + 6 + offset, bytes};
  }
  return {};
}

// Serves a thumbnail request from the preview when it can stand for the
// photo in this box (the photo's shape, no bars, at least the fitted size):
// 1 or 0 as Answer, or -1 when the photo itself must be decoded. The same
// file and box always decide the same way, so the decode follows the size
// answer. Inside its own setjmp scope.
int RunPreview(Decoder* preview, const Decoder& photo, const Request& request) {
  volatile bool answering = false;  // kept across the jump
  if (setjmp(preview->errors.jump)) {
    if (!answering) return -1;
    KeepTurnedRowsDecoded(preview, request);
    return 0;
  }
  if (!ReadHeader(preview)) return -1;
  const jpeg_decompress_struct& main = photo.jpeg;
  bool swap = OrientationSwapsSides(photo.orientation);
  if (preview->jpeg.out_color_space != main.out_color_space ||
      !PreviewCoversBox(int(preview->jpeg.image_width), int(preview->jpeg.image_height),
                        int(main.image_width), int(main.image_height),
                        swap ? request.boxHeight : request.boxWidth,
                        swap ? request.boxWidth : request.boxHeight))
    return -1;
  answering = true;
  return Answer(preview, request, 8);
}

int ServeFromPreview(const Decoder& photo, const Request& request) {
  Span span = PreviewInMarkers(photo.jpeg);
  if (!span.data) return -1;
  Decoder* preview = new (std::nothrow) Decoder;
  if (!preview) return -1;
  preview->memory = span.data;
  preview->memoryBytes = span.bytes;
  preview->orientation = photo.orientation;  // stored as the photo is
  CreateDecompressor(preview);
  int answered = RunPreview(preview, photo, request);
  delete preview;
  return answered;
}

// Runs one request inside the setjmp scope. Returns 1 on success.
int Run(Decoder* decoder, const Request& request) {
  if (setjmp(decoder->errors.jump)) {
    KeepTurnedRowsDecoded(decoder, request);
    return 0;
  }
  if (!ReadHeader(decoder)) return 0;
  bool forBox = request.boxWidth > 0 && request.boxHeight > 0;
  if (forBox) {
    int answered = ServeFromPreview(*decoder, request);
    if (answered >= 0) return answered;
  }
  int eighths = forBox ? EighthsForBox(*decoder, request.boxWidth, request.boxHeight) : 8;
  return Answer(decoder, request, eighths);
}

int ServeUnguarded(const char* fileName, const Request& request) {
  Decoder* decoder = new (std::nothrow) Decoder;
  if (!decoder) return 0;
  decoder->file = std::fopen(fileName, "rb");
  int result = 0;
  if (decoder->file) {
    CreateDecompressor(decoder);
    result = Run(decoder, request);
  }
  delete decoder;
  return result;
}

// Nothing thrown inside crosses an export: whatever escapes fails the call,
// and the rows already delivered stay with the browser.
int Serve(const char* fileName, const Request& request) noexcept {
  if (!fileName || !request.size) return 0;
  try {
    return ServeUnguarded(fileName, request);
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
  Request request{Call::Size};
  request.size = size;
  return Serve(fileName, request);
}

PLUGIN_EXPORT int32_t PLUGIN_CALL ReadFileExec(WindowRef, const char* fileName,
                                               ImageSizeRecord* size, ImageExtraRecord*,
                                               DecodeWorkRecord*, const ReadCallbacks* callbacks) {
  if (!callbacks) return 0;
  Request request{Call::Decode};
  request.size = size;
  request.callbacks = callbacks;
  return Serve(fileName, request);
}

PLUGIN_EXPORT int32_t PLUGIN_CALL ReadFileExecScaled(WindowRef, const char* fileName,
                                                     int32_t boxWidth, int32_t boxHeight,
                                                     ImageSizeRecord* size, ImageExtraRecord*,
                                                     DecodeWorkRecord*,
                                                     const ReadCallbacks* callbacks) {
  if (boxWidth <= 0 || boxHeight <= 0) return 0;
  Request request{callbacks ? Call::Decode : Call::ScaledSize, boxWidth, boxHeight, size,
                  callbacks};
  return Serve(fileName, request);
}

// Every call works on its own state: several thumbnail workers may read at once.
PLUGIN_EXPORT int32_t PLUGIN_CALL ReadFileConcurrent() { return 1; }
