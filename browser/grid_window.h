// The grid container ("view_class"): lays the listing out in rows of cells,
// gives cell windows to the entries on screen only, scrolls, and hands the
// worker its entries (browser/thumbnail_worker.h).
#pragma once

#include <windows.h>

#include "browser/grid_math.h"
#include "resources/resource.h"

constexpr int kGridId = IDC_GRID;
constexpr const char* kGridClass = "view_class";

// Posted to the grid when files of its folder were moved away (a drag out
// that the target took as a move): it lists the folder again.
constexpr UINT kFilesChangedMessage = WM_APP + 42;

extern GridState g_grid;

LRESULT CALLBACK GridProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool RegisterGridClass(HINSTANCE instance);

// Makes a new listing of the current folder and rebuilds the cells. Before
// the grid container exists it does nothing: the container's creation makes
// the first listing. A folder that cannot be listed (`refused`, or too long
// for the file functions) and files left out of the listing are told in a
// message; the grid then shows what was listed, or nothing.
void ReloadGrid(bool refused = false);
// The cell window that shows the entry, or null (an entry off screen).
HWND CellOfEntry(int32_t entry);
// Repaints every cell on screen (after a change of the selection).
void RepaintShownCells();
// After the window moved to a screen of another density (CurrentDpi): the
// cells are laid out at their new size, and every thumbnail is made again
// for the new thumbnail area; the listing, the selection and the view stay.
void RemakeThumbnailsForNewDpi();
// Whether an entry on screen still waits for its thumbnail.
bool ShownThumbnailsPending();
