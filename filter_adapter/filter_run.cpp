#include "filter_run.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "basic_suite.h"
#include "channel_ports.h"
#include "colour_services.h"
#include "filter_suites.h"

using filter::FilterRecord;
using filter::Rect16;

namespace {

FilterEntry* g_currentEntry = nullptr;
DrawDibFn g_drawDib = nullptr;
AbortCheckFn g_abortCheck = nullptr;
MemoryAvailableFn g_memoryQuery = nullptr;

// ---- Procedures given to the filter ------------------------------------------------

int16_t FILTER_CALL AllocateBuffer(int32_t size, filter::BufferId* id) {
  *id = size >= 0 ? std::malloc(size_t(size) ? size_t(size) : 1) : nullptr;
  return *id ? filter::kNoError : filter::kMemoryFullError;
}

void* FILTER_CALL LockBuffer(filter::BufferId id, uint8_t) { return id; }
void FILTER_CALL UnlockBuffer(filter::BufferId) {}
void FILTER_CALL FreeBuffer(filter::BufferId id) { std::free(id); }

// What the filter left of maxSpace (it may lower it in prepare).
int32_t FILTER_CALL BufferSpace() {
  int32_t space = g_currentEntry ? g_currentEntry->record.maxSpace : 0;
  return space > 0 ? space : filter::kMaxSpace;
}

// Once the user has asked to stop, every later question gets the same answer.
uint8_t FILTER_CALL TestAbort() {
  FilterEntry* entry = g_currentEntry;
  if (!entry) return 0;
  if (!entry->abortFlag && g_abortCheck && g_abortCheck()) entry->abortFlag = 1;
  return entry->abortFlag;
}

void FILTER_CALL Progress(int32_t done, int32_t total) {
  if (!g_currentEntry || total == 0) return;  // no meaningful percentage
  g_currentEntry->adapter->NotifyProgress(int32_t(int64_t(done) * 100 / total));
}

void FILTER_CALL ProcessEvent(void*) {}
void FILTER_CALL HostProc(int16_t, intptr_t*) {}

int16_t FILTER_CALL AdvanceState();

// ---- Display ---------------------------------------------------------------------------

// The part of the map to draw: the source rectangle within the bounds.
filter::VRect DisplayArea(const filter::PixelMap* source, const filter::VRect* sourceRect) {
  filter::VRect area = source->bounds;
  if (!sourceRect) return area;
  if (sourceRect->top > area.top) area.top = sourceRect->top;
  if (sourceRect->left > area.left) area.left = sourceRect->left;
  if (sourceRect->bottom < area.bottom) area.bottom = sourceRect->bottom;
  if (sourceRect->right < area.right) area.right = sourceRect->right;
  return area;
}

// One bottom-up B, G, R row of the DIB from the map's row `y`, columns
// left..left+width-1. Grey maps give the same value to all three.
void ConvertDisplayRow(const filter::PixelMap* source, int64_t y, int64_t left, int64_t width,
                       uint8_t* out) {
  bool grey = source->imageMode == filter::kGrayMode;
  int64_t colBytes = source->colBytes > 0 ? source->colBytes : (grey ? 1 : 3);
  int64_t planeBytes = source->planeBytes > 0 ? source->planeBytes : 1;
  const uint8_t* row = static_cast<const uint8_t*>(source->baseAddr) +
                       (y - source->bounds.top) * int64_t(source->rowBytes) +
                       (left - source->bounds.left) * colBytes;
  for (int64_t k = 0; k < width; ++k, row += colBytes, out += 3) {
    out[2] = row[0];
    out[1] = grey ? row[0] : row[planeBytes];
    out[0] = grey ? row[0] : row[2 * planeBytes];
  }
}

int16_t FILTER_CALL DisplayPixels(const filter::PixelMap* source, const filter::VRect* sourceRect,
                                  int32_t destinationRow, int32_t destinationColumn,
                                  void* deviceContext) {
  if (!source || !source->baseAddr) return filter::kParameterError;
  filter::VRect area = DisplayArea(source, sourceRect);
  int64_t width = int64_t(area.right) - area.left, height = int64_t(area.bottom) - area.top;
  if (width <= 0 || height <= 0 || width > filter::kMaxSpace || height > filter::kMaxSpace)
    return filter::kNoError;  // nothing to draw
  int64_t stride = ((width * 24 + 31) / 32) * 4;
  if (stride * height > 0x7FFFFFFF) return filter::kMemoryFullError;
  uint8_t* bits = static_cast<uint8_t*>(std::calloc(size_t(stride * height), 1));
  if (!bits) return filter::kMemoryFullError;
  for (int64_t i = 0; i < height; ++i)  // map row 0 is the top: the DIB's last row
    ConvertDisplayRow(source, area.top + i, area.left, width, bits + (height - 1 - i) * stride);
  uint8_t header[40] = {};
  auto put32 = [&](int at, int32_t value) { std::memcpy(header + at, &value, 4); };
  put32(0, 40);
  put32(4, int32_t(width));
  put32(8, int32_t(height));
  header[12] = 1;   // planes
  header[14] = 24;  // bits per pixel
  if (g_drawDib) g_drawDib(deviceContext, destinationColumn, destinationRow, header, bits);
  std::free(bits);
  return filter::kNoError;
}

// ---- Serving the filter's requests -----------------------------------------------------

int32_t RectWidth(const Rect16& r) { return int32_t(r.right) - r.left; }
int32_t RectHeight(const Rect16& r) { return int32_t(r.bottom) - r.top; }

enum class Served { kServed, kEmpty, kRefused, kNoMemory };

bool Failed(Served s) { return s == Served::kRefused || s == Served::kNoMemory; }

void ReleaseInput(FilterRecord& record) {
  std::free(record.inData);
  record.inData = nullptr;
}

void ReleaseOutput(FilterEntry* entry) {
  std::free(entry->record.outData);
  entry->record.outData = nullptr;
}

// A request clipped to a width x height image, as hosts serve requests that
// reach past its edge; false when nothing of it lies inside.
bool ClipToImage(Rect16* r, int32_t width, int32_t height) {
  int32_t top = r->top > 0 ? r->top : 0, left = r->left > 0 ? r->left : 0;
  int32_t bottom = r->bottom < height ? r->bottom : height;
  int32_t right = r->right < width ? r->right : width;
  if (bottom <= top || right <= left) return false;
  *r = {int16_t(top), int16_t(left), int16_t(bottom), int16_t(right)};
  return true;
}

bool PlanesValid(int16_t lo, int16_t hi) { return lo >= 0 && lo <= hi && hi <= 2; }

// A zero-filled request buffer: rows of the served rectangle, packed, in a
// block that would also hold the rectangle as asked, so a filter that walks
// its own request reads and writes inside it.
uint8_t* NewRequestBuffer(const Rect16& asked, const Rect16& served, int32_t planes) {
  const int64_t kMostForAsked = 0x10000000;
  int64_t servedBytes = int64_t(RectWidth(served)) * RectHeight(served) * planes;
  int64_t askedBytes = int64_t(RectWidth(asked)) * RectHeight(asked) * planes;
  int64_t bytes =
      askedBytes > servedBytes && askedBytes <= kMostForAsked ? askedBytes : servedBytes;
  return static_cast<uint8_t*>(std::calloc(size_t(bytes), 1));
}

int32_t SamplingStep(const FilterRecord& record) {
  int32_t step = record.inputRate >> 16;
  return step > 1 ? step : 1;
}

// A constant value (0..255) or the nearest edge pixel.
bool WantsPadding(int16_t padding) {
  return (padding >= 0 && padding <= 255) || padding == filter::kWantsEdgeReplication;
}

// Serves the whole of inRect, which reaches past the picture, at step 1: the
// part inside (`inside`) read from the host, the rest padded as the filter
// asked. The record keeps the rectangle it asked for.
Served ServePaddedInput(FilterEntry* entry, const Rect16& inside) {
  FilterRecord& record = entry->record;
  const Rect16 asked = record.inRect;
  int32_t planes = record.inHiPlane - record.inLoPlane + 1;
  int32_t rowBytes = planes * RectWidth(asked), insideRowBytes = planes * RectWidth(inside);
  uint64_t bytes = uint64_t(rowBytes) * uint64_t(RectHeight(asked));
  uint64_t insideBytes = uint64_t(insideRowBytes) * uint64_t(RectHeight(inside));
  if (bytes > 0x7FFFFFFF) return Served::kNoMemory;  // more than a 32-bit filter can address
  uint8_t* buffer = static_cast<uint8_t*>(std::calloc(size_t(bytes), 1));
  uint8_t* read = static_cast<uint8_t*>(std::malloc(size_t(insideBytes)));
  if (!buffer || !read) {
    std::free(buffer);
    std::free(read);
    return Served::kNoMemory;
  }
  entry->adapter->ReadPlanes(read, inside.left, inside.right - 1, inside.top, inside.bottom - 1,
                             insideRowBytes, record.inLoPlane, record.inHiPlane, 1);
  bool replicate = record.inputPadding == filter::kWantsEdgeReplication;
  auto clamp = [](int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : v; };
  for (int32_t y = asked.top; y < asked.bottom; ++y) {
    uint8_t* out = buffer + size_t(y - asked.top) * size_t(rowBytes);
    int32_t sy = clamp(y, inside.top, inside.bottom - 1);
    for (int32_t x = asked.left; x < asked.right; ++x, out += planes) {
      int32_t sx = clamp(x, inside.left, inside.right - 1);
      if (!replicate && (sy != y || sx != x)) {
        std::memset(out, record.inputPadding, size_t(planes));
        continue;
      }
      const uint8_t* in = read + size_t(sy - inside.top) * size_t(insideRowBytes) +
                          size_t(sx - inside.left) * planes;
      std::memcpy(out, in, size_t(planes));
    }
  }
  std::free(read);
  record.inData = buffer;
  record.inRowBytes = rowBytes;
  record.inColumnBytes = planes;
  record.inPlaneBytes = 1;
  return Served::kServed;
}

// Serves inRect, planes inLoPlane..inHiPlane from the host, every step-th
// pixel when sampling. The record's inRect becomes the rectangle served.
Served ServeInput(FilterEntry* entry) {
  FilterRecord& record = entry->record;
  if (record.inHiPlane == -1) record.inHiPlane = 2;
  ReleaseInput(record);
  const Rect16 asked = record.inRect;
  if (IsFinished(asked)) return Served::kEmpty;
  int32_t width, height, step = SamplingStep(record);
  entry->adapter->GetImageSize(&width, &height);
  Rect16 r = asked;  // sampled units
  if (!PlanesValid(record.inLoPlane, record.inHiPlane) ||
      !ClipToImage(&r, (width + step - 1) / step, (height + step - 1) / step))
    return Served::kRefused;
  bool pastTheEdge = std::memcmp(&r, &asked, sizeof r) != 0;
  if (pastTheEdge && record.inputPadding == filter::kWantsErrorOnBoundsException)
    return Served::kRefused;
  if (pastTheEdge && step == 1 && WantsPadding(record.inputPadding))
    return ServePaddedInput(entry, r);
  int32_t planes = record.inHiPlane - record.inLoPlane + 1, rowBytes = planes * RectWidth(r);
  uint8_t* buffer = NewRequestBuffer(asked, r, planes);
  if (!buffer) return Served::kNoMemory;
  int32_t right = r.right - 1, bottom = r.bottom - 1;  // the host's inclusive form
  if (step == 1 && planes == 3)
    entry->adapter->ReadRect(buffer, r.left, right, r.top, bottom, rowBytes);
  else
    entry->adapter->ReadPlanes(buffer, r.left, right, r.top, bottom, rowBytes, record.inLoPlane,
                               record.inHiPlane, step);
  record.inRect = r;
  record.inData = buffer;
  record.inRowBytes = rowBytes;
  record.inColumnBytes = planes;
  record.inPlaneBytes = 1;
  return Served::kServed;
}

void CommitPendingOutput(FilterEntry* entry) {
  FilterRecord& record = entry->record;
  if (!record.outData) return;
  const PendingOutput& p = entry->pending;
  entry->adapter->WritePlanes(p.rect.left, p.rect.right - 1, p.rect.top, p.rect.bottom - 1,
                              p.rowBytes, p.loPlane, p.hiPlane,
                              static_cast<const uint8_t*>(record.outData));
}

// Commits the pending output, then serves outRect, planes
// outLoPlane..outHiPlane, filled with the image as it stands: pixels the
// filter does not write keep their values. The record's outRect becomes the
// rectangle served.
Served ServeOutput(FilterEntry* entry) {
  FilterRecord& record = entry->record;
  if (record.outHiPlane == -1) record.outHiPlane = 2;
  CommitPendingOutput(entry);
  ReleaseOutput(entry);
  const Rect16 asked = record.outRect;
  if (IsFinished(asked)) return Served::kEmpty;
  int32_t width, height;
  entry->adapter->GetImageSize(&width, &height);
  Rect16 r = asked;
  if (!PlanesValid(record.outLoPlane, record.outHiPlane) || !ClipToImage(&r, width, height))
    return Served::kRefused;
  int32_t planes = record.outHiPlane - record.outLoPlane + 1, rowBytes = planes * RectWidth(r);
  uint8_t* buffer = NewRequestBuffer(asked, r, planes);
  if (!buffer) return Served::kNoMemory;
  entry->adapter->ReadWorking(buffer, r.left, r.right - 1, r.top, r.bottom - 1, rowBytes,
                              record.outLoPlane, record.outHiPlane);
  record.outRect = r;
  record.outData = buffer;
  record.outRowBytes = rowBytes;
  record.outColumnBytes = planes;
  record.outPlaneBytes = 1;
  entry->pending = {r, record.outLoPlane, record.outHiPlane, rowBytes};
  return Served::kServed;
}

// 0 when both requests were served (or empty); otherwise both buffers are
// released and the filter learns why.
int16_t FILTER_CALL AdvanceState() {
  FilterEntry* entry = g_currentEntry;
  if (!entry) return filter::kUserCanceledError;
  Served input = ServeInput(entry);
  Served output = ServeOutput(entry);  // the pending output is stored whatever follows
  if (!Failed(input) && !Failed(output)) return filter::kNoError;
  ReleaseInput(entry->record);
  ReleaseOutput(entry);
  bool noMemory = input == Served::kNoMemory || output == Served::kNoMemory;
  return noMemory ? filter::kMemoryFullError : filter::kParameterError;
}

// ---- The run ---------------------------------------------------------------------------

int16_t TileSide(int32_t side) {
  return int16_t(side < filter::kTileSide ? side : filter::kTileSide);
}

void FillRecord(FilterEntry* entry) {
  int32_t width = 0, height = 0;
  entry->adapter->GetImageSize(&width, &height);
  FilterRecord& r = entry->record;
  std::memset(&r, 0, sizeof r);
  r.abortProc = TestAbort;
  r.progressProc = Progress;
  r.imageSize = {int16_t(height), int16_t(width)};
  r.planes = 3;
  r.filterRect = {0, 0, int16_t(height), int16_t(width)};
  r.background = {0xFFFF, 0xFFFF, 0xFFFF};  // white behind, black in front
  std::memset(r.backColor, 0xFF, 3);
  r.maxSpace = r.bufferSpace = SpaceFor(g_memoryQuery ? g_memoryQuery() : 0);
  r.hostSig = filter::kHostSignature;
  r.hostProc = HostProc;
  r.imageMode = filter::kRgbMode;
  r.imageHRes = r.imageVRes = filter::kScreenResolution;
  r.wholeSize = {int16_t(height), int16_t(width)};
  entry->platformData.hwnd = entry->hostWindow;
  r.platformData = &entry->platformData;
  r.bufferProcs = &entry->bufferProcs;
  r.resourceProcs = &entry->resourceProcs;
  r.processEvent = ProcessEvent;
  r.displayPixels = DisplayPixels;
  r.handleProcs = &entry->handleProcs;
  r.filterCase = 1;  // a flat image, no selection
  r.advanceState = AdvanceState;
  r.getPropertyObsolete = entry->propertyProcs.getProperty;
  r.samplingSupport = 1;
  r.inputRate = r.maskRate = filter::kOneFixed;
  r.propertyProcs = &entry->propertyProcs;
  r.inTileHeight = r.outTileHeight = r.absTileHeight = TileSide(height);
  r.inTileWidth = r.outTileWidth = r.absTileWidth = TileSide(width);
  r.depth = 8;
  // A flat RGB picture: three planes outside any layer, in every view.
  r.layerPlanes[4] = r.layerPlanes[9] = r.layerPlanes[14] = 3;
  r.supportsPadding = 1;
  r.inputPadding = r.outputPadding = r.maskPadding = filter::kDoesNotWantPadding;
  r.colorServices = reinterpret_cast<void*>(ColourServices);
  InstallChannelPorts(entry, width, height);
  r.channelPortProcs = &entry->channelPortProcs;
  r.documentInfo = &entry->document;
  r.imageServicesProcs = &entry->imageServices;
  r.basicSuites = HostBasicSuite();
  InstallDescriptorParameters(entry);
  r.descriptorParameters = &entry->descriptorParameters;
  r.errorString = entry->errorText;
}

bool CallSelector(FilterEntry* entry, int16_t selector) {
  entry->procedure(selector, &entry->record, &entry->data, &entry->result);
  if (entry->result != filter::kNoError && entry->failure == filter::kNoError)
    entry->failure = entry->result;
  return entry->result == filter::kNoError;
}

// Ends when both rectangles are empty, a selector fails, a request cannot be
// served (the run then fails: asking again would never end) or memory runs
// out (what was stored so far is kept).
void ContinueUntilDone(FilterEntry* entry) {
  for (;;) {
    Served input = ServeInput(entry);
    if (input == Served::kNoMemory) {
      CommitPendingOutput(entry);  // kept with what was stored before
      return;
    }
    Served output = input == Served::kRefused ? input : ServeOutput(entry);
    if (output == Served::kNoMemory) return;
    if (output == Served::kRefused) {
      entry->success = 0;
      return;
    }
    if (input == Served::kEmpty && output == Served::kEmpty) return;
    if (!CallSelector(entry, filter::kSelectorContinue)) {
      entry->success = 0;
      return;
    }
  }
}

}  // namespace

bool IsFinished(const Rect16& rect) { return RectWidth(rect) <= 0 || RectHeight(rect) <= 0; }

void SetDisplayDrawer(DrawDibFn draw) { g_drawDib = draw; }

void SetAbortCheck(AbortCheckFn check) { g_abortCheck = check; }

FilterEntry* CurrentFilterEntry() { return g_currentEntry; }

void SetMemoryQuery(MemoryAvailableFn query) { g_memoryQuery = query; }

int32_t SpaceFor(uint64_t available) {
  const uint64_t kMost = 0x40000000;
  uint64_t half = available / 2;
  if (half < uint64_t(filter::kMaxSpace)) return filter::kMaxSpace;
  return int32_t(half < kMost ? half : kMost);
}

int32_t ShowFilterAbout(FilterEntry* entry, void* window) {
  if (!entry || !entry->procedure) return 0;
  g_currentEntry = entry;
  entry->platformData.hwnd = window;
  filter::AboutRecord about = {};
  about.platformData = &entry->platformData;
  about.basicSuite = HostBasicSuite();
  entry->result = 0;
  entry->procedure(filter::kSelectorAbout, reinterpret_cast<FilterRecord*>(&about), &entry->data,
                   &entry->result);
  ReleaseSuiteBlocks(entry);
  g_currentEntry = nullptr;
  return entry->result == filter::kNoError ? 1 : 0;
}

FilterEntry* NewFilterEntry(filter::EntryPointFn procedure) {
  FilterEntry* entry = new (std::nothrow) FilterEntry;
  if (!entry) return nullptr;
  entry->procedure = procedure;
  entry->bufferProcs = {2, 5, AllocateBuffer, LockBuffer, UnlockBuffer, FreeBuffer, BufferSpace};
  InstallSuites(entry);
  return entry;
}

int32_t RunFilterEntry(FilterEntry* entry) {
  g_currentEntry = entry;
  entry->adapter->BeginRun();
  FillRecord(entry);
  entry->success = 1;
  entry->failure = filter::kNoError;
  entry->errorText[0] = 0;
  if (CallSelector(entry, filter::kSelectorParameters) &&
      CallSelector(entry, filter::kSelectorPrepare) && CallSelector(entry, filter::kSelectorStart))
    ContinueUntilDone(entry);
  else
    entry->success = 0;
  CallSelector(entry, filter::kSelectorFinish);
  ReleaseInput(entry->record);
  ReleaseOutput(entry);
  KeepDescriptorParameters(entry);
  ReleaseSuiteBlocks(entry);
  entry->record.parameters = nullptr;
  if (entry->success == 1) entry->adapter->CommitImage();
  entry->adapter->NotifyDone();
  g_currentEntry = nullptr;
  return 1;
}
