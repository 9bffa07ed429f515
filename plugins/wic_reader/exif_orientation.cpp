#include "exif_orientation.h"

#include <cstring>
#include <string>

namespace {

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kTypeLong = 4;
constexpr uint16_t kTypeAscii = 2;
constexpr uint16_t kModifyDateTag = 0x0132;  // DateTime, in IFD0
constexpr uint16_t kExifIfdTag = 0x8769;
constexpr uint16_t kTakenDateTag = 0x9003;      // DateTimeOriginal, in the EXIF IFD
constexpr uint16_t kPreviewOffsetTag = 0x0201;  // JPEGInterchangeFormat, in IFD1
constexpr uint16_t kPreviewLengthTag = 0x0202;

struct TiffReader {
  const uint8_t* data;
  size_t size;
  bool littleEndian;

  bool Has(size_t offset, size_t bytes) const { return offset <= size && bytes <= size - offset; }
  uint16_t U16(size_t at) const {
    return littleEndian ? uint16_t(data[at] | data[at + 1] << 8)
                        : uint16_t(data[at] << 8 | data[at + 1]);
  }
  uint32_t U32(size_t at) const {
    return littleEndian ? uint32_t(U16(at)) | uint32_t(U16(at + 2)) << 16
                        : uint32_t(U16(at)) << 16 | uint32_t(U16(at + 2));
  }
};

// Orientation from a TIFF structure (a TIFF file, or the body of an EXIF block).
int TiffOrientation(const uint8_t* data, size_t size) {
  if (size < 8) return 1;
  TiffReader tiff{data, size, false};
  if (std::memcmp(data, "II*\0", 4) == 0)
    tiff.littleEndian = true;
  else if (std::memcmp(data, "MM\0*", 4) != 0)
    return 1;
  uint32_t ifd = tiff.U32(4);
  if (!tiff.Has(ifd, 2)) return 1;
  uint16_t entries = tiff.U16(ifd);
  for (uint16_t i = 0; i < entries; ++i) {
    size_t entry = size_t(ifd) + 2 + size_t(i) * 12;
    if (!tiff.Has(entry, 12)) return 1;
    if (tiff.U16(entry) != kOrientationTag) continue;
    if (tiff.U16(entry + 2) != kTypeShort || tiff.U32(entry + 4) != 1) return 1;
    uint16_t value = tiff.U16(entry + 8);
    return value >= 1 && value <= 8 ? value : 1;
  }
  return 1;
}

// The value of a one-count SHORT or LONG entry `tag` in the IFD at `ifd`.
bool IfdNumber(const TiffReader& tiff, uint32_t ifd, uint16_t tag, uint32_t* value) {
  if (!tiff.Has(ifd, 2)) return false;
  uint16_t entries = tiff.U16(ifd);
  for (uint16_t i = 0; i < entries; ++i) {
    size_t entry = size_t(ifd) + 2 + size_t(i) * 12;
    if (!tiff.Has(entry, 12)) return false;
    if (tiff.U16(entry) != tag || tiff.U32(entry + 4) != 1) continue;
    uint16_t type = tiff.U16(entry + 2);
    if (type == kTypeShort)
      *value = tiff.U16(entry + 8);
    else if (type == kTypeLong)
      *value = tiff.U32(entry + 8);
    else
      return false;
    return true;
  }
  return false;
}

// The 19 characters of an ASCII date entry ("YYYY:MM:DD HH:MM:SS") `tag` in
// the IFD at `ifd`, or "" when there is none or it is malformed.
std::string IfdDate(const TiffReader& tiff, uint32_t ifd, uint16_t tag) {
  if (!tiff.Has(ifd, 2)) return "";
  uint16_t entries = tiff.U16(ifd);
  for (uint16_t i = 0; i < entries; ++i) {
    size_t entry = size_t(ifd) + 2 + size_t(i) * 12;
    if (!tiff.Has(entry, 12)) return "";
    if (tiff.U16(entry) != tag) continue;
    uint32_t at = tiff.U32(entry + 8);
    if (tiff.U16(entry + 2) != kTypeAscii || tiff.U32(entry + 4) < 20 || !tiff.Has(at, 19))
      return "";
    return std::string(reinterpret_cast<const char*>(tiff.data + at), 19);
  }
  return "";
}

// Calls visit(marker, body, bodySize) for each marker segment of a JPEG
// before its first scan, until visit returns true; returns whether it did.
// A segment cut short by the end of the data is visited with what there is.
template <typename Visit>
bool VisitJpegSegments(const uint8_t* data, size_t size, Visit visit) {
  if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
  size_t at = 2;  // after SOI
  while (at + 4 <= size) {
    if (data[at] != 0xFF) return false;
    uint8_t marker = data[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return false;  // start of scan, end of image
    size_t length = size_t(data[at + 2]) << 8 | data[at + 3];
    if (length < 2) return false;
    size_t bodySize = at + 2 + length > size ? size - (at + 4) : length - 2;
    if (visit(marker, data + at + 4, bodySize)) return true;
    at += 2 + length;
  }
  return false;
}

// Orientation from the EXIF APP1 segment of a JPEG file.
int JpegOrientation(const uint8_t* data, size_t size) {
  int orientation = 1;
  VisitJpegSegments(data, size, [&](uint8_t marker, const uint8_t* body, size_t bodySize) {
    if (marker != 0xE1 || bodySize < 6 || std::memcmp(body, "Exif\0\0", 6) != 0) return false;
    orientation = TiffOrientation(body + 6, bodySize - 6);
    return true;
  });
  return orientation;
}

}  // namespace

bool JpegFrameSize(const uint8_t* data, size_t size, int* width, int* height, int* components) {
  bool found = false;
  VisitJpegSegments(data, size, [&](uint8_t marker, const uint8_t* body, size_t bodySize) {
    // SOF0..SOF15 except DHT (C4), JPG (C8) and DAC (CC).
    bool frame =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (!frame) return false;
    if (bodySize >= 6) {
      *height = body[1] << 8 | body[2];
      *width = body[3] << 8 | body[4];
      *components = body[5];
      found = *width > 0 && *height > 0 && *components > 0;
    }
    return true;  // the first frame header decides
  });
  return found;
}

int CountJpegScans(const uint8_t* data, size_t size, int stopAt) {
  if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return 0;
  int scans = 0;
  size_t at = 2;  // after SOI
  while (at + 2 <= size && scans < stopAt) {
    if (data[at] != 0xFF) break;
    uint8_t marker = data[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0xD9) break;                                   // end of image
    if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {  // no length
      at += 2;
      continue;
    }
    if (at + 4 > size) break;
    size_t length = size_t(data[at + 2]) << 8 | data[at + 3];
    if (length < 2) break;
    at += 2 + length;
    if (marker != 0xDA) continue;
    ++scans;
    // The coded data runs to the next marker: 0xFF followed by anything but
    // a stuffed 0 or a restart marker.
    while (at + 1 < size) {
      const void* ff = std::memchr(data + at, 0xFF, size - at - 1);
      if (!ff) {
        at = size;
        break;
      }
      at = size_t(static_cast<const uint8_t*>(ff) - data);
      uint8_t next = data[at + 1];
      if (next != 0 && !(next >= 0xD0 && next <= 0xD7)) break;
      at += 2;
    }
  }
  return scans;
}

int ExifOrientation(const uint8_t* data, size_t size) {
  if (size >= 2 && data[0] == 0xFF && data[1] == 0xD8) return JpegOrientation(data, size);
  return TiffOrientation(data, size);
}

void OrientRow(int orientation, const uint8_t* source, int width, int height, int pixelBytes, int y,
               uint8_t* row) {
  bool swap = OrientationSwapsSides(orientation);
  int outWidth = swap ? height : width;
  // The source pixel shown at (x, y) is (sx0 + x * dx, sy0 + x * dy).
  int sx0, sy0, dx, dy;
  switch (orientation) {
    case 2: sx0 = width - 1, sy0 = y, dx = -1, dy = 0; break;
    case 3: sx0 = width - 1, sy0 = height - 1 - y, dx = -1, dy = 0; break;
    case 4: sx0 = 0, sy0 = height - 1 - y, dx = 1, dy = 0; break;
    case 5: sx0 = y, sy0 = 0, dx = 0, dy = 1; break;
    case 6: sx0 = y, sy0 = height - 1, dx = 0, dy = -1; break;
    case 7: sx0 = width - 1 - y, sy0 = height - 1, dx = 0, dy = -1; break;
    case 8: sx0 = width - 1 - y, sy0 = 0, dx = 0, dy = 1; break;
    default: sx0 = 0, sy0 = y, dx = 1, dy = 0; break;
  }
  ptrdiff_t step = (ptrdiff_t(dy) * width + dx) * pixelBytes;
  const uint8_t* in = source + (size_t(sy0) * width + sx0) * pixelBytes;
  if (pixelBytes == 3) {
    for (int x = 0; x < outWidth; ++x, in += step, row += 3) {
      row[0] = in[0];
      row[1] = in[1];
      row[2] = in[2];
    }
    return;
  }
  for (int x = 0; x < outWidth; ++x, in += step, row += pixelBytes)
    std::memcpy(row, in, size_t(pixelBytes));
}

void OrientPixels(int orientation, const uint8_t* source, int width, int height, int pixelBytes,
                  uint8_t* upright) {
  bool swap = OrientationSwapsSides(orientation);
  int outWidth = swap ? height : width, outHeight = swap ? width : height;
  for (int y = 0; y < outHeight; ++y)
    OrientRow(orientation, source, width, height, pixelBytes, y,
              upright + size_t(y) * outWidth * pixelBytes);
}

bool ExifPreviewSpan(const uint8_t* data, size_t size, size_t* offset, size_t* length) {
  if (size < 8) return false;
  TiffReader tiff{data, size, false};
  if (std::memcmp(data, "II*\0", 4) == 0)
    tiff.littleEndian = true;
  else if (std::memcmp(data, "MM\0*", 4) != 0)
    return false;
  uint32_t first = tiff.U32(4);
  if (!tiff.Has(first, 2)) return false;
  size_t next = size_t(first) + 2 + size_t(tiff.U16(first)) * 12;
  if (!tiff.Has(next, 4)) return false;
  uint32_t second = tiff.U32(next);
  uint32_t start = 0, bytes = 0;
  if (second == 0 || !IfdNumber(tiff, second, kPreviewOffsetTag, &start) ||
      !IfdNumber(tiff, second, kPreviewLengthTag, &bytes) || bytes < 4 || !tiff.Has(start, bytes))
    return false;
  // A program that changed the pixels after the shot and kept the camera's
  // preview says so by a modify date past the date taken.
  std::string modified = IfdDate(tiff, first, kModifyDateTag);
  uint32_t exifIfd = 0;
  std::string taken = IfdNumber(tiff, first, kExifIfdTag, &exifIfd)
                          ? IfdDate(tiff, exifIfd, kTakenDateTag)
                          : std::string();
  if (!modified.empty() && modified != taken) return false;
  *offset = start;
  *length = bytes;
  return true;
}
