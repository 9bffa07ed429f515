// The thumbnail worker: one thread for the life of the grid container that
// makes the missing thumbnails, one at a time, while there is work.
//
// Every decision about what to make is taken on the user-interface thread:
// the worker asks the grid container for its next entry with a synchronous
// message (kTakeEntryMessage) and hands the finished thumbnail back the same
// way (kThumbnailMadeMessage). So the listing, the done flags and the grid
// state are only ever touched by the user-interface thread, and the worker
// reads nothing but its own copy of the path of the entry it was given.
#pragma once

#include <windows.h>

#include <cstdint>

#include "image/packed_dib.h"

// Sent by the worker to the grid container. Take: the result is the entry to
// make plus one (0: none, as a send that failed also answers). Made: wParam the entry, lParam the
// thumbnail (a PackedDib, never null); the result is nonzero when the grid took the thumbnail.
constexpr UINT kTakeEntryMessage = WM_APP + 40;
constexpr UINT kThumbnailMadeMessage = WM_APP + 41;

// Starts the worker for the grid container `grid`; it sleeps until woken.
void StartWorker(HWND grid);
// Ends the worker and waits for it, serving its requests meanwhile.
void StopWorker();
// There may be work: the view moved, a listing was made, a pause ended.
void WakeWorker();

// While paused the worker is given no entry. Pausing waits until the entry
// it is making, if any, has been handed back, or three seconds at most (a
// read from a share that went away): the command then goes on, and the
// entry's thumbnail, when it comes, is taken only if its listing is still
// the one shown (ForgetWorkerEntry).
void PauseWorker();
// True when no entry is in the worker's hands.
bool WorkerIdle();
// A new listing replaces the one of the entry in the worker's hands.
void ForgetWorkerEntry();
void ResumeWorker();
bool WorkerPaused();

// The grid container's side of the two messages: BeginWorkerEntry when it
// hands out an entry (its path, copied, to be fitted into width x height;
// `fromCache` when it was made before and its cache file is tried first),
// EndWorkerEntry when the thumbnail comes back: false when the entry's
// listing has been replaced meanwhile (the thumbnail is not taken).
void BeginWorkerEntry(int32_t entry, const char* path, bool fromCache, int32_t width,
                      int32_t height);
bool EndWorkerEntry();
