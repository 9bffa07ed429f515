#include "browser/thumbnail_worker.h"

#include <string>

#include "browser/file_list.h"
#include "browser/thumbnail_cache.h"
#include "image/thumbnail_maker.h"
#include "shell/app_state.h"

namespace {

struct WorkerState {
  HANDLE thread = nullptr;
  HANDLE wake = nullptr;  // auto-reset: there may be work
  HWND grid = nullptr;
  volatile LONG quit = 0;
  // Written and read on the user-interface thread only.
  bool paused = false;
  int32_t busyEntry = -1;  // handed out and not yet back
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

// How long a command waits for the worker's read before it goes on (a read
// from a share that went away can take the network's timeout).
constexpr DWORD kPauseLimitMs = 3000;

WorkerState g_work;

// The thumbnail of the file, or a black placeholder when no reader can read
// it, so the result is never null unless memory is exhausted.
PackedDib MakeEntryThumbnail(const char* path, int32_t width, int32_t height) {
  PackedDib thumbnail = MakeThumbnail(g_windows.main, path, width, height);
  return thumbnail ? thumbnail : CreatePackedDib(width, height, 24);
}

// Makes one thumbnail after another while the grid hands out entries. The
// cache file is written here, off the user-interface thread; the grid gets
// the thumbnail itself.
void MakeThumbnailsWhileThereIsWork() {
  while (!g_work.quit) {
    // The answer is the entry + 1; 0 (also a send that failed) is none.
    int32_t entry = int32_t(SendMessageA(g_work.grid, kTakeEntryMessage, 0, 0)) - 1;
    if (entry < 0) return;
    const char* path = g_work.path.c_str();
    // A thumbnail made before for this listing comes from its cache file;
    // asking for it needs the source's time stamp, a file access kept off
    // the user-interface thread.
    PackedDib thumbnail = g_work.fromCache ? LoadThumbnail(path, OwnCacheFolderNumber()) : nullptr;
    if (!thumbnail) {
      thumbnail = MakeEntryThumbnail(path, g_work.areaWidth, g_work.areaHeight);
      // A reload that stopped waiting for this read has emptied the cache
      // for its own listing (perhaps of another thumbnail size).
      if (thumbnail && !g_work.stale) StoreThumbnail(path, thumbnail, OwnCacheFolderNumber());
    }
    // Ownership passes to the grid when it answers nonzero.
    if (!SendMessageA(g_work.grid, kThumbnailMadeMessage, WPARAM(entry), LPARAM(thumbnail)))
      FreePackedDib(thumbnail);
  }
}

DWORD WINAPI WorkerThread(LPVOID) {
  while (!g_work.quit) {
    WaitForSingleObject(g_work.wake, INFINITE);
    MakeThumbnailsWhileThereIsWork();
  }
  return 0;
}

// Waits until `done` holds or the worker has ended, serving the worker's
// synchronous requests meanwhile (they are what makes `done` come true).
template <typename Condition>
void ServeWorkerUntil(Condition done, DWORD limitMs = INFINITE) {
  DWORD start = GetTickCount();
  while (g_work.thread && !done()) {
    if (limitMs != INFINITE && GetTickCount() - start >= limitMs) return;
    DWORD woken =
        MsgWaitForMultipleObjects(1, &g_work.thread, FALSE, 100 /* ms, a guard */, QS_SENDMESSAGE);
    if (woken == WAIT_OBJECT_0) return;  // the thread has ended
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);  // handles sent messages
  }
}

}  // namespace

void StartWorker(HWND grid) {
  if (g_work.thread) return;
  g_work.grid = grid;
  g_work.quit = 0;
  g_work.busyEntry = -1;
  g_work.wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (g_work.wake) g_work.thread = CreateThread(nullptr, 0, WorkerThread, nullptr, 0, nullptr);
  if (!g_work.thread && g_work.wake) {
    CloseHandle(g_work.wake);
    g_work.wake = nullptr;
  }
}

void StopWorker() {
  if (!g_work.thread) return;
  InterlockedExchange(&g_work.quit, 1);
  SetEvent(g_work.wake);
  // A worker held by a stuck read is left behind: it hands nothing back once
  // quit is set, and the process ending ends it.
  ServeWorkerUntil([] { return false; }, kPauseLimitMs);
  CloseHandle(g_work.thread);
  CloseHandle(g_work.wake);
  g_work.thread = g_work.wake = nullptr;
  g_work.busyEntry = -1;
}

void WakeWorker() {
  if (g_work.wake && !g_work.paused) SetEvent(g_work.wake);
}

void PauseWorker() {
  g_work.paused = true;
  ServeWorkerUntil([] { return g_work.busyEntry < 0; }, kPauseLimitMs);
}

bool WorkerIdle() { return g_work.busyEntry < 0; }

void ForgetWorkerEntry() {
  if (g_work.busyEntry >= 0) InterlockedExchange(&g_work.stale, 1);
}

void ResumeWorker() {
  g_work.paused = false;
  WakeWorker();
}

bool WorkerPaused() { return g_work.paused || g_work.quit; }

void BeginWorkerEntry(int32_t entry, const char* path, bool fromCache, int32_t width,
                      int32_t height) {
  g_work.busyEntry = entry;
  g_work.path = path;
  g_work.fromCache = fromCache;
  g_work.areaWidth = width;
  g_work.areaHeight = height;
  InterlockedExchange(&g_work.stale, 0);
}

bool EndWorkerEntry() {
  g_work.busyEntry = -1;
  bool current = !g_work.stale && !g_work.quit;
  InterlockedExchange(&g_work.stale, 0);
  return current;
}
