#include "channel_ports.h"

#include <cstdlib>
#include <cstring>
#include <vector>

using filter::ChannelPort;
using filter::PixelMemoryDesc;
using filter::PortKind;
using filter::VRect;

namespace {

// A row buffer without letting an exception cross back into the filter.
bool TryResize(std::vector<uint8_t>* line, size_t bytes) {
  try {
    line->resize(bytes);
  } catch (...) {
    return false;
  }
  return true;
}

const char* const kChannelNames[3] = {"Red", "Green", "Blue"};
const uint16_t kUnicodeNames[3][6] = {
    {'R', 'e', 'd', 0}, {'G', 'r', 'e', 'e', 'n', 0}, {'B', 'l', 'u', 'e', 0}};

// The entry's port behind `port`, or null for a port it did not hand out.
filter::ChannelPortDesc* OwnPort(FilterEntry* entry, ChannelPort port) {
  if (!entry) return nullptr;
  for (auto& own : entry->ports)
    if (&own == port) return &own;
  return nullptr;
}

// Whole bytes only: 8-bit pixels whose steps and offset are whole bytes.
bool ByteAddressed(const PixelMemoryDesc* memory) {
  return memory && memory->data && memory->depth == 8 && memory->rowBits % 8 == 0 &&
         memory->colBits % 8 == 0 && memory->bitOffset % 8 == 0;
}

uint8_t* PixelAt(const PixelMemoryDesc* memory, int64_t row, int64_t column) {
  int64_t bits = row * memory->rowBits + column * memory->colBits + memory->bitOffset;
  return static_cast<uint8_t*>(memory->data) + bits / 8;
}

// Where destination coordinate `d` falls in the source, nearest below.
int64_t SourceOf(int64_t d, int32_t dstStart, int32_t dstEnd, int32_t srcStart, int32_t srcEnd) {
  return srcStart + (d - dstStart) * (int64_t(srcEnd) - srcStart) / (int64_t(dstEnd) - dstStart);
}

bool Empty(const VRect& r) { return r.bottom <= r.top || r.right <= r.left; }

// Coordinates within 2^24 of the origin, so that scaling them cannot overflow.
bool Plausible(const VRect& r) {
  const int32_t kFar = 1 << 24;
  for (int32_t v : {r.top, r.left, r.bottom, r.right})
    if (v < -kFar || v > kFar) return false;
  return true;
}

// Narrows [*first, *end) of destination coordinates to those whose source
// lies in 0..size-1; the mapping rises with the coordinate, so the first and
// the last such coordinate are found by halving.
void TrimToSource(int32_t* first, int32_t* end, int32_t dstStart, int32_t dstEnd, int32_t srcStart,
                  int32_t srcEnd, int32_t size) {
  auto source = [&](int64_t d) { return SourceOf(d, dstStart, dstEnd, srcStart, srcEnd); };
  int64_t lo = *first, hi = *end;  // the first d with a source of 0 or more
  while (lo < hi) {
    int64_t mid = lo + (hi - lo) / 2;
    if (source(mid) >= 0)
      hi = mid;
    else
      lo = mid + 1;
  }
  int64_t start = lo;
  hi = *end;  // the first d whose source is past the end
  while (lo < hi) {
    int64_t mid = lo + (hi - lo) / 2;
    if (source(mid) >= size)
      hi = mid;
    else
      lo = mid + 1;
  }
  *first = int32_t(start);
  *end = int32_t(lo);
}

VRect Intersect(const VRect& a, const VRect& b) {
  return {a.top > b.top ? a.top : b.top, a.left > b.left ? a.left : b.left,
          a.bottom < b.bottom ? a.bottom : b.bottom, a.right < b.right ? a.right : b.right};
}

// One row of plane `plane`, columns left..right (inclusive), from the source
// or from the result as it stands.
void ReadPlaneRow(FilterEntry* entry, PortKind kind, int32_t plane, int32_t y, int32_t left,
                  int32_t right, uint8_t* line) {
  int32_t rowBytes = right - left + 1;
  if (kind == PortKind::kReadResult)
    entry->adapter->ReadWorking(line, left, right, y, y, rowBytes, plane, plane);
  else
    entry->adapter->ReadPlanes(line, left, right, y, y, rowBytes, plane, plane, 1);
}

// Reads the part of writeRect (destination coordinates) within the scaling's
// destination whose source lies in the picture, nearest neighbour, into the
// memory whose first pixel is writeRect's top left.
int16_t FILTER_CALL ReadPixels(ChannelPort port, const filter::Scaling* scaling,
                               const VRect* writeRect, const PixelMemoryDesc* destination,
                               VRect* wroteRect) {
  FilterEntry* entry = CurrentFilterEntry();
  filter::ChannelPortDesc* own = OwnPort(entry, port);
  if (!own || own->kind == PortKind::kWriteResult || !scaling || !writeRect ||
      !ByteAddressed(destination))
    return filter::kParameterError;
  if (wroteRect) *wroteRect = {writeRect->top, writeRect->left, writeRect->top, writeRect->left};
  const VRect& src = scaling->sourceRect;
  const VRect& dst = scaling->destinationRect;
  if (Empty(src) || Empty(dst)) return filter::kParameterError;
  int32_t width, height;
  entry->adapter->GetImageSize(&width, &height);
  if (!Plausible(src) || !Plausible(dst) || !Plausible(*writeRect)) return filter::kParameterError;
  VRect area = Intersect(*writeRect, dst);
  if (Empty(area)) return filter::kNoError;
  TrimToSource(&area.top, &area.bottom, dst.top, dst.bottom, src.top, src.bottom, height);
  TrimToSource(&area.left, &area.right, dst.left, dst.right, src.left, src.right, width);
  if (Empty(area)) return filter::kNoError;
  int32_t first = int32_t(SourceOf(area.left, dst.left, dst.right, src.left, src.right));
  int32_t last = int32_t(SourceOf(area.right - 1, dst.left, dst.right, src.left, src.right));
  std::vector<uint8_t> line;
  if (!TryResize(&line, size_t(last - first + 1))) return filter::kMemoryFullError;
  for (int32_t y = area.top; y < area.bottom; ++y) {
    int32_t sy = int32_t(SourceOf(y, dst.top, dst.bottom, src.top, src.bottom));
    ReadPlaneRow(entry, own->kind, own->plane, sy, first, last, line.data());
    for (int32_t x = area.left; x < area.right; ++x) {
      int64_t sx = SourceOf(x, dst.left, dst.right, src.left, src.right);
      *PixelAt(destination, y - writeRect->top, x - writeRect->left) = line[size_t(sx - first)];
    }
  }
  if (wroteRect) *wroteRect = area;
  return filter::kNoError;
}

// Stores the part of writeRect inside the picture into the result, from the
// memory whose first pixel is writeRect's top left.
int16_t FILTER_CALL WriteBasePixels(ChannelPort port, const VRect* writeRect,
                                    const PixelMemoryDesc* source) {
  FilterEntry* entry = CurrentFilterEntry();
  filter::ChannelPortDesc* own = OwnPort(entry, port);
  if (!own || own->kind != PortKind::kWriteResult || !writeRect || !ByteAddressed(source))
    return filter::kParameterError;
  int32_t width, height;
  entry->adapter->GetImageSize(&width, &height);
  VRect area = Intersect(*writeRect, {0, 0, height, width});
  if (Empty(area)) return filter::kNoError;
  std::vector<uint8_t> line;
  if (!TryResize(&line, size_t(area.right - area.left))) return filter::kMemoryFullError;
  for (int32_t y = area.top; y < area.bottom; ++y) {
    for (int32_t x = area.left; x < area.right; ++x)
      line[size_t(x - area.left)] = *PixelAt(source, y - writeRect->top, x - writeRect->left);
    entry->adapter->WritePlanes(area.left, area.right - 1, y, y, int32_t(line.size()), own->plane,
                                own->plane, line.data());
  }
  return filter::kNoError;
}

int16_t FILTER_CALL ReadPortForWritePort(ChannelPort* readPort, ChannelPort writePort) {
  FilterEntry* entry = CurrentFilterEntry();
  filter::ChannelPortDesc* own = OwnPort(entry, writePort);
  if (!readPort || !own || own->kind != PortKind::kWriteResult) return filter::kParameterError;
  *readPort = &entry->ports[6 + own->plane];
  return filter::kNoError;
}

// ---- Image services ----------------------------------------------------------------

// Channels consecutive bytes apart in each pixel.
struct Planes {
  uint8_t* data;
  VRect bounds;
  int32_t rowBytes, colBytes, channels;
};

uint8_t* PlanePixel(const Planes& p, int64_t v, int64_t h) {
  return p.data + (v - p.bounds.top) * p.rowBytes + (h - p.bounds.left) * p.colBytes;
}

// Linear interpolation between a and b at `fraction` of 65536.
int64_t Mix(int64_t a, int64_t b, int64_t fraction) {
  return a * (65536 - fraction) + b * fraction;
}

// Samples the source at (fv, fh), both 16.16 and within its bounds.
void Sample(const Planes& source, int64_t fv, int64_t fh, int16_t method, uint8_t* out) {
  if (method == filter::kPointSampling) {
    const uint8_t* p = PlanePixel(source, (fv + 0x8000) >> 16, (fh + 0x8000) >> 16);
    std::memcpy(out, p, size_t(source.channels));
    return;
  }
  int64_t v0 = fv >> 16, h0 = fh >> 16;
  int64_t v1 = v0 + 1 < source.bounds.bottom ? v0 + 1 : v0;
  int64_t h1 = h0 + 1 < source.bounds.right ? h0 + 1 : h0;
  int64_t fy = fv & 0xFFFF, fx = fh & 0xFFFF;
  for (int32_t c = 0; c < source.channels; ++c) {
    int64_t top = Mix(PlanePixel(source, v0, h0)[c], PlanePixel(source, v0, h1)[c], fx);
    int64_t bottom = Mix(PlanePixel(source, v1, h0)[c], PlanePixel(source, v1, h1)[c], fx);
    out[c] = uint8_t((Mix(top, bottom, fy) + (int64_t(1) << 31)) >> 32);
  }
}

bool Inside(const VRect& outer, const VRect& inner) {
  return inner.top >= outer.top && inner.left >= outer.left && inner.bottom <= outer.bottom &&
         inner.right <= outer.right && inner.top <= inner.bottom && inner.left <= inner.right;
}

VRect Widened(const filter::Rect16& r) { return {r.top, r.left, r.bottom, r.right}; }

// Writes every pixel of `area` whose sample coordinate (16.16, from `coords`
// as the interface lays them out) lies in the source's bounds; the others are
// left as they are.
template <typename Coordinate>
int16_t Resample(const Planes& source, const Planes& destination, const VRect* area,
                 const Coordinate* coords, int16_t method, bool twoD) {
  if (!source.data || !destination.data || !area || !coords || method < 0 || source.channels < 1 ||
      source.channels != destination.channels || !Inside(destination.bounds, *area) ||
      Empty(source.bounds) || !Plausible(source.bounds) || !Plausible(destination.bounds))
    return filter::kParameterError;
  int64_t lowV = int64_t(source.bounds.top) << 16, highV = int64_t(source.bounds.bottom - 1) << 16;
  int64_t lowH = int64_t(source.bounds.left) << 16, highH = int64_t(source.bounds.right - 1) << 16;
  int64_t areaWidth = int64_t(area->right) - area->left;
  for (int64_t v = area->top; v < area->bottom; ++v)
    for (int64_t h = area->left; h < area->right; ++h) {
      int64_t index = (h - area->left) + (v - area->top) * areaWidth;
      int64_t fv = twoD ? int64_t(coords[2 * index]) : v * 65536;
      int64_t fh = twoD ? int64_t(coords[2 * index + 1]) : int64_t(coords[index]);
      if (fv < lowV || fv > highV || fh < lowH || fh > highH) continue;
      Sample(source, fv, fh, method, PlanePixel(destination, v, h));
    }
  return filter::kNoError;
}

Planes FromPlane(const filter::ImagePlane* p) {
  if (!p) return {};
  return {static_cast<uint8_t*>(p->data), Widened(p->bounds), p->rowBytes, p->colBytes, 1};
}

Planes FromMultiPlane(const filter::ImageMultiPlane* p) {
  if (!p) return {};
  return {static_cast<uint8_t*>(p->data), Widened(p->bounds), p->rowBytes, p->colBytes,
          p->activeChannels};
}

// Only 8-bit planes are served; other depths get nothing (null data).
Planes FromMultiPlane32(const filter::ImageMultiPlane32* p) {
  if (!p || p->depth != 8) return {};
  return {static_cast<uint8_t*>(p->data), p->bounds, p->rowBytes, p->colBytes, p->activeChannels};
}

template <typename Area, typename Coordinate, typename Plane>
int16_t ResampleWith(Planes (*from)(const Plane*), Plane* source, Plane* destination, Area* area,
                     Coordinate* coords, int16_t method, bool twoD) {
  if (!area) return filter::kParameterError;
  VRect wide = {area->top, area->left, area->bottom, area->right};
  return Resample(from(source), from(destination), &wide, coords, method, twoD);
}

int16_t FILTER_CALL Interpolate1D(filter::ImagePlane* source, filter::ImagePlane* destination,
                                  filter::Rect16* area, int32_t* coords, int16_t method) {
  return ResampleWith(FromPlane, source, destination, area, coords, method, false);
}

int16_t FILTER_CALL Interpolate2D(filter::ImagePlane* source, filter::ImagePlane* destination,
                                  filter::Rect16* area, int32_t* coords, int16_t method) {
  return ResampleWith(FromPlane, source, destination, area, coords, method, true);
}

int16_t FILTER_CALL Interpolate1DMulti(filter::ImageMultiPlane* source,
                                       filter::ImageMultiPlane* destination, filter::Rect16* area,
                                       int32_t* coords, int16_t method) {
  return ResampleWith(FromMultiPlane, source, destination, area, coords, method, false);
}

int16_t FILTER_CALL Interpolate2DMulti(filter::ImageMultiPlane* source,
                                       filter::ImageMultiPlane* destination, filter::Rect16* area,
                                       int32_t* coords, int16_t method) {
  return ResampleWith(FromMultiPlane, source, destination, area, coords, method, true);
}

int16_t FILTER_CALL Interpolate1DMulti32(filter::ImageMultiPlane32* source,
                                         filter::ImageMultiPlane32* destination, VRect* area,
                                         int64_t* coords, int16_t method) {
  return ResampleWith(FromMultiPlane32, source, destination, area, coords, method, false);
}

int16_t FILTER_CALL Interpolate2DMulti32(filter::ImageMultiPlane32* source,
                                         filter::ImageMultiPlane32* destination, VRect* area,
                                         int64_t* coords, int16_t method) {
  return ResampleWith(FromMultiPlane32, source, destination, area, coords, method, true);
}

}  // namespace

void InstallChannelPorts(FilterEntry* entry, int32_t width, int32_t height) {
  entry->channelPortProcs = {1, 3, ReadPixels, WriteBasePixels, ReadPortForWritePort};
  entry->imageServices = {1,
                          6,
                          Interpolate1D,
                          Interpolate2D,
                          Interpolate1DMulti,
                          Interpolate2DMulti,
                          Interpolate1DMulti32,
                          Interpolate2DMulti32};
  for (int32_t plane = 0; plane < 3; ++plane) {
    entry->ports[plane] = {plane, PortKind::kReadSource};
    entry->ports[3 + plane] = {plane, PortKind::kWriteResult};
    entry->ports[6 + plane] = {plane, PortKind::kReadResult};
  }
  VRect bounds = {0, 0, height, width};
  for (int32_t plane = 0; plane < 3; ++plane) {
    filter::ReadChannelDesc& channel = entry->channels[plane];
    channel = {};
    channel.maxVersion = 3;
    channel.next = plane < 2 ? &entry->channels[plane + 1] : nullptr;
    channel.port = &entry->ports[plane];
    channel.bounds = bounds;
    channel.depth = 8;
    channel.tileSize = {height < filter::kTileSide ? height : filter::kTileSide,
                        width < filter::kTileSide ? width : filter::kTileSide};
    channel.target = channel.shown = 1;
    channel.channelType = int16_t(filter::kChannelRed + plane);
    channel.name = kChannelNames[plane];
    channel.writePort = &entry->ports[3 + plane];
    channel.unicodeName = kUnicodeNames[plane];
  }
  filter::ReadImageDocumentDesc& document = entry->document;
  std::memset(&document, 0, sizeof document);
  document.maxVersion = 3;
  document.imageMode = filter::kRgbMode;
  document.depth = 8;
  document.bounds = bounds;
  document.hResolution = document.vResolution = filter::kScreenResolution;
  for (int i = 0; i < 256; ++i)
    document.redLut[i] = document.greenLut[i] = document.blueLut[i] = uint8_t(i);
  document.targetCompositeChannels = document.mergedCompositeChannels = &entry->channels[0];
  document.compositeChannelCount = 3;
}
