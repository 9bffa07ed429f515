// The grid container ("view_class"): rebuilds the cells for each listing,
// lays them out, scrolls them, and makes the missing thumbnails with one
// worker thread at a time, started by a 20 ms timer.
#pragma once

#include <windows.h>

#include "browser/grid_math.h"

constexpr int kGridId = 101;

extern GridState g_grid;

LRESULT CALLBACK GridProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Makes a new listing of the current folder and rebuilds the cells. Before
// the grid container exists it only prepares the listing.
void ReloadGrid();
// Commands pause the worker (waiting for a running one) and resume it after.
void PauseWorker();
void ResumeWorker();
