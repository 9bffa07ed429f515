// The thumbnail workers: one thread per core (at most kMaxThumbnailWorkers)
// for the life of the grid container, making the missing thumbnails while
// there is work, each one picture at a time.
//
// Every decision about what to make is taken on the user-interface thread:
// a worker asks the grid container for its next entry with a synchronous
// message (kTakeEntryMessage) and hands the finished thumbnail back the same
// way (kThumbnailMadeMessage). So the listing, the done flags and the grid
// state are only ever touched by the user-interface thread, and a worker
// reads nothing but its own copy of the path of the entry it was given.
#pragma once

#include <windows.h>

#include <cstdint>

#include "browser/grid_math.h"
#include "image/packed_dib.h"

constexpr int32_t kMaxThumbnailWorkers = 4;

// Sent by a worker to the grid container, wParam the worker's number. Take:
// the result is the entry to make plus one (0: none, as a send that failed
// also answers). Made: lParam the thumbnail (a PackedDib, never null) of
// the entry handed to that worker; the result is nonzero when the grid took
// the thumbnail.
constexpr UINT kTakeEntryMessage = WM_APP + 40;
constexpr UINT kThumbnailMadeMessage = WM_APP + 41;

// Starts the workers for the grid container `grid`; they sleep until woken.
void StartWorker(HWND grid);
// Ends the workers and waits for them, serving their requests meanwhile.
void StopWorker();
// There may be work: the view moved, a listing was made, a pause ended.
void WakeWorker();

// While paused no worker is given an entry. Pauses nest (PauseCount): each
// PauseWorker is ended by its own ResumeWorker, and the workers go on at the
// outermost one. The outermost pause waits until every entry of the listing
// shown in the workers' hands has come back, or three seconds at most (a
// read from a share that went away): the command then goes on, and such an
// entry's thumbnail, when it comes, is taken only if its listing is still
// the one shown (ForgetWorkerEntry).
void PauseWorker();
// True when no entry is in any worker's hands.
bool WorkerIdle();
// A new listing replaces the one of the entries in the workers' hands.
void ForgetWorkerEntry();
void ResumeWorker();
bool WorkerPaused();

// Pauses the workers for its scope.
class WorkerPause {
 public:
  WorkerPause() { PauseWorker(); }
  ~WorkerPause() { ResumeWorker(); }
  WorkerPause(const WorkerPause&) = delete;
  WorkerPause& operator=(const WorkerPause&) = delete;
};

// The grid container's side of the two messages: NextWorkerEntry picks the
// entry to hand out (NextThumbnailEntry, passing over those in the workers'
// hands); BeginWorkerEntry records it as worker `worker`'s (its path, copied,
// to be fitted into width x height; `fromCache` when it was made before and
// its cache file is tried first), false when that worker cannot take one;
// EndWorkerEntry when the worker's thumbnail comes back: the entry, or -1
// when its listing has been replaced meanwhile (the thumbnail is not taken).
int32_t NextWorkerEntry(const GridState& grid, const int32_t* done, int32_t count);
bool BeginWorkerEntry(int32_t worker, int32_t entry, const char* path, bool fromCache,
                      int32_t width, int32_t height);
int32_t EndWorkerEntry(int32_t worker);
