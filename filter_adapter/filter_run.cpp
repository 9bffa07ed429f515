#include "filter_run.h"

#include <cstdlib>
#include <cstring>
#include <new>

using filter::FilterRecord;
using filter::Rect16;

namespace {

FilterEntry* g_currentEntry = nullptr;
DrawDibFn g_drawDib = nullptr;

// ---- Procedures given to the filter ------------------------------------------------

int16_t FILTER_CALL AllocateBuffer(int32_t size, filter::BufferId* id) {
  *id = size >= 0 ? std::malloc(size_t(size) ? size_t(size) : 1) : nullptr;
  return *id ? filter::kNoError : filter::kMemoryFullError;
}

void* FILTER_CALL LockBuffer(filter::BufferId id, uint8_t) { return id; }
void FILTER_CALL UnlockBuffer(filter::BufferId) {}
void FILTER_CALL FreeBuffer(filter::BufferId id) { std::free(id); }
int32_t FILTER_CALL BufferSpace() { return filter::kMaxSpace; }

uint8_t FILTER_CALL TestAbort() { return g_currentEntry ? g_currentEntry->abortFlag : 0; }

void FILTER_CALL Progress(int32_t done, int32_t total) {
  if (!g_currentEntry || total == 0) return;  // no meaningful percentage
  g_currentEntry->adapter->NotifyProgress(int32_t(int64_t(done) * 100 / total));
}

void FILTER_CALL ProcessEvent(void*) {}

int16_t FILTER_CALL GetPropertyObsolete(uint32_t, uint32_t, int32_t, intptr_t*, void**) {
  return 0;
}

int16_t FILTER_CALL AdvanceState();

int16_t FILTER_CALL DisplayPixels(const filter::PixelMap* source, const filter::VRect*,
                                  int32_t destinationRow, int32_t destinationColumn,
                                  void* deviceContext) {
  const filter::VRect& bounds = source->bounds;
  int64_t width = int64_t(bounds.right) - bounds.left, height = int64_t(bounds.bottom) - bounds.top;
  if (width <= 0 || height <= 0 || width > filter::kMaxSpace || height > filter::kMaxSpace)
    return filter::kNoError;  // nothing to draw
  int64_t stride = ((width * 24 + 31) / 32) * 4;
  if (stride * height > 0x7FFFFFFF) return filter::kMemoryFullError;
  uint8_t* bits = static_cast<uint8_t*>(std::calloc(size_t(stride * height), 1));
  if (!bits) return filter::kMemoryFullError;
  int64_t copy = source->rowBytes < stride ? source->rowBytes : stride;
  for (int64_t i = 0; i < height && copy > 0; ++i) {
    uint8_t* row = bits + (height - 1 - i) * stride;  // source row 0 is the top
    std::memcpy(row, static_cast<const uint8_t*>(source->baseAddr) + i * source->rowBytes,
                size_t(copy));
    SwapRedBlue(row, size_t(width));
  }
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

void ReleaseInput(FilterRecord& record) {
  std::free(record.inData);
  record.inData = nullptr;
}

void ReleaseOutput(FilterEntry* entry) {
  std::free(entry->record.outData);
  entry->record.outData = nullptr;
}

// Inside when every host column and row the request reads lies in the image.
bool InputInside(const Rect16& r, int32_t step, int32_t width, int32_t height) {
  int64_t s = step > 1 ? step : 1;
  return r.left >= 0 && r.top >= 0 && (int64_t(r.right) - 1) * s <= width - 1 &&
         (int64_t(r.bottom) - 1) * s <= height - 1;
}

// Serves inRect; false only when its buffer cannot be allocated.
bool ServeInput(FilterEntry* entry) {
  FilterRecord& record = entry->record;
  if (record.inHiPlane == -1) record.inHiPlane = 2;
  int32_t width, height;
  entry->adapter->GetImageSize(&width, &height);
  const Rect16 r = record.inRect;
  int32_t step = record.inputRate >> 16;
  if (IsFinished(r) || !InputInside(r, step, width, height)) {
    ReleaseInput(record);  // not served, not a failure
    return true;
  }
  int32_t rowBytes = 3 * RectWidth(r);
  size_t size = size_t(rowBytes) * size_t(RectHeight(r));
  ReleaseInput(record);
  uint8_t* buffer = static_cast<uint8_t*>(std::calloc(size, 1));
  if (!buffer) return false;
  int32_t right = r.right - 1, bottom = r.bottom - 1;  // the host's inclusive form
  if (step > 1)
    entry->adapter->ReadRectSampled(buffer, r.left, right, r.top, bottom, rowBytes, step);
  else if (record.inLoPlane == record.inHiPlane)
    entry->adapter->ReadPlane(buffer, r.left, right, r.top, bottom, rowBytes, record.inLoPlane);
  else
    entry->adapter->ReadRect(buffer, r.left, right, r.top, bottom, rowBytes);
  record.inData = buffer;
  record.inRowBytes = rowBytes;
  return true;
}

void CommitPendingOutput(FilterEntry* entry) {
  FilterRecord& record = entry->record;
  if (!record.outData) return;
  const PendingOutput& p = entry->pending;
  const uint8_t* data = static_cast<const uint8_t*>(record.outData);
  if (p.loPlane == p.hiPlane)
    entry->adapter->WritePlane(p.rect.left, p.rect.right - 1, p.rect.top, p.rect.bottom - 1,
                               p.rowBytes, p.loPlane, data);
  else
    entry->adapter->WriteRect(p.rect.left, p.rect.right - 1, p.rect.top, p.rect.bottom - 1,
                              p.rowBytes, data);
}

// Commits the pending output and serves outRect; false only when the new
// buffer cannot be allocated.
bool ServeOutput(FilterEntry* entry) {
  FilterRecord& record = entry->record;
  if (record.outHiPlane == -1) record.outHiPlane = 2;
  CommitPendingOutput(entry);
  int32_t width, height;
  entry->adapter->GetImageSize(&width, &height);
  const Rect16 r = record.outRect;
  int32_t planes = int32_t(record.outHiPlane) - record.outLoPlane + 1;
  bool inside = !IsFinished(r) && r.left >= 0 && r.right <= width && r.top >= 0 &&
                r.bottom <= height && record.outLoPlane >= 0 && record.outHiPlane <= 2 &&
                planes >= 1;
  ReleaseOutput(entry);
  if (!inside) return true;  // not served, not a failure
  int32_t rowBytes = planes * RectWidth(r);
  void* buffer = std::malloc(size_t(rowBytes) * size_t(RectHeight(r)));
  if (!buffer) return false;
  record.outData = buffer;
  record.outRowBytes = rowBytes;
  entry->pending = {r, record.outLoPlane, record.outHiPlane, rowBytes};
  return true;
}

int16_t FILTER_CALL AdvanceState() {
  FilterEntry* entry = g_currentEntry;
  if (!entry) return filter::kUserCanceledError;
  if (ServeInput(entry) && ServeOutput(entry)) return filter::kNoError;
  ReleaseInput(entry->record);
  ReleaseOutput(entry);
  return filter::kUserCanceledError;
}

// ---- The run ---------------------------------------------------------------------------

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
  r.maxSpace = filter::kMaxSpace;
  r.hostSig = filter::kHostSignature;
  r.imageMode = filter::kRgbMode;
  r.wholeSize = {int16_t(height), int16_t(width)};
  entry->platformData.hwnd = entry->hostWindow;
  r.platformData = &entry->platformData;
  r.bufferProcs = &entry->bufferProcs;
  r.processEvent = ProcessEvent;
  r.displayPixels = DisplayPixels;
  r.advanceState = AdvanceState;
  r.getPropertyObsolete = GetPropertyObsolete;
  r.samplingSupport = 1;
  r.depth = 8;
}

bool CallSelector(FilterEntry* entry, int16_t selector) {
  entry->procedure(selector, &entry->record, &entry->data, &entry->result);
  return entry->result == filter::kNoError;
}

void ContinueUntilDone(FilterEntry* entry) {
  for (;;) {
    if (!ServeInput(entry) || !ServeOutput(entry)) return;
    if (IsFinished(entry->record.inRect) && IsFinished(entry->record.outRect)) return;
    if (!CallSelector(entry, filter::kSelectorContinue)) {
      entry->success = 0;
      return;
    }
  }
}

}  // namespace

bool IsFinished(const Rect16& rect) { return RectWidth(rect) <= 0 || RectHeight(rect) <= 0; }

void SetDisplayDrawer(DrawDibFn draw) { g_drawDib = draw; }

FilterEntry* NewFilterEntry(filter::EntryPointFn procedure) {
  FilterEntry* entry = new (std::nothrow) FilterEntry;
  if (!entry) return nullptr;
  entry->procedure = procedure;
  entry->bufferProcs = {2, 5, AllocateBuffer, LockBuffer, UnlockBuffer, FreeBuffer, BufferSpace};
  return entry;
}

int32_t RunFilterEntry(FilterEntry* entry) {
  g_currentEntry = entry;
  entry->adapter->BeginRun();
  FillRecord(entry);
  entry->success = 1;
  if (CallSelector(entry, filter::kSelectorParameters) &&
      CallSelector(entry, filter::kSelectorPrepare) && CallSelector(entry, filter::kSelectorStart))
    ContinueUntilDone(entry);
  else
    entry->success = 0;
  CallSelector(entry, filter::kSelectorFinish);
  ReleaseInput(entry->record);
  ReleaseOutput(entry);
  if (entry->success == 1) entry->adapter->CommitImage();
  entry->adapter->NotifyDone();
  g_currentEntry = nullptr;
  return 1;
}
