#include "browser/thumbnail_worker.h"

#include <algorithm>
#include <string>

#include "browser/file_list.h"
#include "browser/pause_count.h"
#include "browser/stored_thumbnails.h"
#include "browser/thumbnail_cache.h"
#include "image/reusable_image.h"
#include "image/scratch_rows.h"
#include "platform/platform.h"
#include "shell/app_state.h"

namespace {

struct Worker {
  HANDLE thread = nullptr;
  HANDLE wake = nullptr;  // auto-reset: there may be work
  // The entry handed out: written before the take message returns, read by
  // the worker after it, so the message is the hand-over. The worker works
  // on its own copy of the path: a command that stops waiting for a stuck
  // read may make a new listing meanwhile.
  int32_t areaWidth = 0, areaHeight = 0;
  std::string path;
  bool fromCache = false;  // made before in this listing: its cache file may hold it
  // The entry in hand belongs to a listing since replaced; read by the
  // worker too, so that it writes no cache file for the new listing.
  volatile LONG stale = 0;
};

struct WorkerState {
  Worker workers[kMaxThumbnailWorkers];
  int32_t count = 0;  // workers started
  HWND grid = nullptr;
  volatile LONG quit = 0;
  // Written and read on the user-interface thread only.
  PauseCount pauses;
  int32_t inHand[kMaxThumbnailWorkers];  // each worker's entry, -1 for none
};

// How long a command waits for the workers' reads before it goes on (a read
// from a share that went away can take the network's timeout).
constexpr DWORD kPauseLimitMs = 3000;

// Never freed: a worker held by a stuck read when the process ends still
// reads its state, which static destruction would otherwise free under it.
WorkerState& g_work = *new WorkerState();

// One worker per core: reading and decoding a picture keeps a core busy, and
// the readers we ship are safe on several threads. Bounded so that the
// per-thread decode blocks stay well inside a 32-bit process.
int32_t WorkerCountForThisMachine() {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  return std::clamp<int32_t>(int32_t(system.dwNumberOfProcessors), 1, kMaxThumbnailWorkers);
}

// Makes one thumbnail after another while the grid hands out entries. The
// cache file is written here, off the user-interface thread; the grid gets
// the thumbnail itself.
void MakeThumbnailsWhileThereIsWork(int32_t worker) {
  Worker& self = g_work.workers[worker];
  while (!g_work.quit) {
    // The answer is the entry + 1; 0 (also a send that failed) is none.
    if (SendMessageA(g_work.grid, kTakeEntryMessage, WPARAM(worker), 0) == 0) return;
    const char* path = self.path.c_str();
    // A thumbnail made before for this listing comes from its cache file;
    // asking for it needs the source's time stamp, a file access kept off
    // the user-interface thread.
    PackedDib thumbnail = self.fromCache ? LoadThumbnail(path, OwnCacheFolderNumber()) : nullptr;
    // One made for a larger area (another density, another size) is made again.
    if (thumbnail &&
        (thumbnail->biWidth > self.areaWidth || thumbnail->biHeight > self.areaHeight)) {
      FreePackedDib(thumbnail);
      thumbnail = nullptr;
    }
    if (!thumbnail) {
      thumbnail = StoredOrMadeThumbnail(g_windows.main, path, self.areaWidth, self.areaHeight);
      // A reload that stopped waiting for this read has emptied the cache
      // for its own listing (perhaps of another thumbnail size).
      if (thumbnail && !self.stale) StoreThumbnail(path, thumbnail, OwnCacheFolderNumber());
    }
    // Ownership passes to the grid when it answers nonzero.
    if (!SendMessageA(g_work.grid, kThumbnailMadeMessage, WPARAM(worker), LPARAM(thumbnail)))
      FreePackedDib(thumbnail);
  }
}

DWORD WINAPI WorkerThread(LPVOID parameter) {
  int32_t worker = int32_t(INT_PTR(parameter));
  while (!g_work.quit) {
    WaitForSingleObject(g_work.workers[worker].wake, INFINITE);
    MakeThumbnailsWhileThereIsWork(worker);
  }
  ReleaseReusableImages();  // this thread's decode blocks and rows
  ReleaseScratchRows();
  return 0;
}

bool AllWorkersEnded() {
  for (int32_t i = 0; i < g_work.count; ++i)
    if (WaitForSingleObject(g_work.workers[i].thread, 0) != WAIT_OBJECT_0) return false;
  return true;
}

// No entry of the listing shown is in a worker's hands (a stale one, of a
// listing since replaced, is not waited for).
bool NoCurrentEntryInHand() {
  for (int32_t i = 0; i < g_work.count; ++i)
    if (g_work.inHand[i] >= 0 && !g_work.workers[i].stale) return false;
  return true;
}

// Waits until `done` holds, every worker has ended or the limit has passed,
// serving the workers' synchronous requests meanwhile (they are what makes
// `done` come true).
template <typename Condition>
void ServeWorkersUntil(Condition done, DWORD limitMs) {
  DWORD start = GetTickCount();
  while (g_work.count > 0 && !done() && !AllWorkersEnded()) {
    if (GetTickCount() - start >= limitMs) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20 /* ms, a guard */, QS_SENDMESSAGE);
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);  // handles sent messages
  }
}

}  // namespace

void StartWorker(HWND grid) {
  if (g_work.count > 0) return;
  g_work.grid = grid;
  g_work.quit = 0;
  std::fill(std::begin(g_work.inHand), std::end(g_work.inHand), -1);
  int32_t wanted = WorkerCountForThisMachine();
  for (int32_t i = 0; i < wanted; ++i) {
    Worker& worker = g_work.workers[g_work.count];
    worker.wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (worker.wake)
      worker.thread =
          CreateThread(nullptr, 0, WorkerThread, LPVOID(INT_PTR(g_work.count)), 0, nullptr);
    if (!worker.thread) {
      if (worker.wake) CloseHandle(worker.wake);
      worker.wake = nullptr;
      break;
    }
    ++g_work.count;
  }
}

void StopWorker() {
  if (g_work.count == 0) return;
  InterlockedExchange(&g_work.quit, 1);
  for (int32_t i = 0; i < g_work.count; ++i) SetEvent(g_work.workers[i].wake);
  // A worker held by a stuck read is left behind with its state: it hands
  // nothing back once quit is set, and the process ending ends it.
  ServeWorkersUntil([] { return false; }, kPauseLimitMs);
  if (!AllWorkersEnded()) return;
  for (int32_t i = 0; i < g_work.count; ++i) {
    if (!CloseHandle(g_work.workers[i].thread)) platform::TraceLastError("StopWorker", "thread");
    if (!CloseHandle(g_work.workers[i].wake)) platform::TraceLastError("StopWorker", "event");
    g_work.workers[i].thread = g_work.workers[i].wake = nullptr;
    g_work.inHand[i] = -1;
  }
  g_work.count = 0;
}

void WakeWorker() {
  if (g_work.pauses.Paused()) return;
  for (int32_t i = 0; i < g_work.count; ++i) SetEvent(g_work.workers[i].wake);
}

void PauseWorker() {
  // A pause inside another hands nothing out that the outer one did not
  // already wait for, so it does not wait again: a command that reloads
  // waits three seconds at most for a stuck read, not six.
  if (g_work.pauses.Begin()) ServeWorkersUntil(NoCurrentEntryInHand, kPauseLimitMs);
}

bool WorkerIdle() {
  return std::all_of(g_work.inHand, g_work.inHand + g_work.count, [](int32_t e) { return e < 0; });
}

void ForgetWorkerEntry() {
  for (int32_t i = 0; i < g_work.count; ++i)
    if (g_work.inHand[i] >= 0) InterlockedExchange(&g_work.workers[i].stale, 1);
}

void ResumeWorker() {
  if (g_work.pauses.End()) WakeWorker();
}

bool WorkerPaused() { return g_work.pauses.Paused() || g_work.quit; }

int32_t NextWorkerEntry(const GridState& grid, const int32_t* done, int32_t count) {
  int32_t current[kMaxThumbnailWorkers], held = 0;
  for (int32_t i = 0; i < g_work.count; ++i)
    if (g_work.inHand[i] >= 0 && !g_work.workers[i].stale) current[held++] = g_work.inHand[i];
  return NextThumbnailEntry(grid, done, count, current, held);
}

bool BeginWorkerEntry(int32_t worker, int32_t entry, const char* path, bool fromCache,
                      int32_t width, int32_t height) {
  // A worker still holding a stale entry is not given another until it is back.
  if (worker < 0 || worker >= g_work.count || g_work.inHand[worker] >= 0) return false;
  Worker& self = g_work.workers[worker];
  g_work.inHand[worker] = entry;
  self.path = path;
  self.fromCache = fromCache;
  self.areaWidth = width;
  self.areaHeight = height;
  InterlockedExchange(&self.stale, 0);
  return true;
}

int32_t EndWorkerEntry(int32_t worker) {
  if (worker < 0 || worker >= g_work.count) return -1;
  int32_t entry = g_work.inHand[worker];
  g_work.inHand[worker] = -1;
  bool current = !g_work.workers[worker].stale && !g_work.quit;
  InterlockedExchange(&g_work.workers[worker].stale, 0);
  return current ? entry : -1;
}
