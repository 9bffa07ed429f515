#include "browser/thumbnail_worker.h"

#include <algorithm>

#include "browser/file_list.h"
#include "browser/stored_thumbnails.h"
#include "browser/thumbnail_cache.h"
#include "image/reusable_image.h"
#include "image/scratch_rows.h"
#include "shell/app_state.h"

namespace {

struct Worker {
  HANDLE thread = nullptr;
  HANDLE wake = nullptr;  // auto-reset: there may be work
  // The area of the entry handed out: written before the take message
  // returns, read by the worker after it, so the message is the hand-over.
  int32_t areaWidth = 0, areaHeight = 0;
};

struct WorkerState {
  Worker workers[kMaxThumbnailWorkers];
  int32_t count = 0;  // workers started
  HWND grid = nullptr;
  volatile LONG quit = 0;
  // Written and read on the user-interface thread only.
  bool paused = false;
  int32_t inHand[kMaxThumbnailWorkers];  // each worker's entry, -1 for none
};

WorkerState g_work;

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
  while (!g_work.quit) {
    // The answer is the entry + 1; 0 (also a send that failed) is none.
    int32_t entry = int32_t(SendMessageA(g_work.grid, kTakeEntryMessage, WPARAM(worker), 0)) - 1;
    if (entry < 0) return;
    const char* path = g_fileList.path[entry];
    const Worker& self = g_work.workers[worker];
    PackedDib thumbnail =
        StoredOrMadeThumbnail(g_windows.main, path, self.areaWidth, self.areaHeight);
    if (thumbnail) StoreThumbnail(path, thumbnail, OwnCacheFolderNumber());
    // Ownership passes to the grid when it answers nonzero.
    if (!SendMessageA(g_work.grid, kThumbnailMadeMessage, WPARAM(entry), LPARAM(thumbnail)))
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

bool NoEntryInHand() {
  return std::all_of(g_work.inHand, g_work.inHand + g_work.count, [](int32_t e) { return e < 0; });
}

// Waits until `done` holds or every worker has ended, serving the workers'
// synchronous requests meanwhile (they are what makes `done` come true).
template <typename Condition>
void ServeWorkersUntil(Condition done) {
  while (g_work.count > 0 && !done() && !AllWorkersEnded()) {
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
      worker = Worker();
      break;
    }
    ++g_work.count;
  }
}

void StopWorker() {
  if (g_work.count == 0) return;
  InterlockedExchange(&g_work.quit, 1);
  for (int32_t i = 0; i < g_work.count; ++i) SetEvent(g_work.workers[i].wake);
  ServeWorkersUntil([] { return false; });
  for (int32_t i = 0; i < g_work.count; ++i) {
    CloseHandle(g_work.workers[i].thread);
    CloseHandle(g_work.workers[i].wake);
    g_work.workers[i] = Worker();
  }
  g_work.count = 0;
  std::fill(std::begin(g_work.inHand), std::end(g_work.inHand), -1);
}

void WakeWorker() {
  if (g_work.paused) return;
  for (int32_t i = 0; i < g_work.count; ++i) SetEvent(g_work.workers[i].wake);
}

void PauseWorker() {
  g_work.paused = true;
  ServeWorkersUntil(NoEntryInHand);
}

void ResumeWorker() {
  g_work.paused = false;
  WakeWorker();
}

bool WorkerPaused() { return g_work.paused || g_work.quit; }

int32_t NextWorkerEntry(const GridState& grid, const int32_t* done, int32_t count) {
  return NextThumbnailEntry(grid, done, count, g_work.inHand, g_work.count);
}

bool BeginWorkerEntry(int32_t worker, int32_t entry, int32_t width, int32_t height) {
  if (worker < 0 || worker >= g_work.count) return false;
  g_work.inHand[worker] = entry;
  g_work.workers[worker].areaWidth = width;
  g_work.workers[worker].areaHeight = height;
  return true;
}

void EndWorkerEntry(int32_t entry) {
  for (int32_t i = 0; i < g_work.count; ++i)
    if (g_work.inHand[i] == entry) g_work.inHand[i] = -1;
}
