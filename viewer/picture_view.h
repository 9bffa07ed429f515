// The viewer's picture pane: draws the shown picture fitted to the pane
// (smooth scaling, never enlarged) or at 100 % with scroll bars. Win32 only.
#pragma once

#include <windows.h>

#include "image/packed_dib.h"

constexpr char kPictureViewClass[] = "ondex_view";

bool RegisterPictureViewClass(HINSTANCE instance);
HWND CreatePictureView(HWND parent, HINSTANCE instance, int id);

// Shows `picture` (not owned, kept by the caller while shown; nullptr for an
// empty pane) from its top-left corner.
void SetViewPicture(HWND view, const DibHeader* picture);
// Redraws after the shown picture's pixels changed (same size).
void RefreshViewPicture(HWND view);
void SetViewFitted(HWND view, bool fitted);
bool IsViewFitted(HWND view);
// A wheel turn scrolls the 100 % view up or down.
void ScrollViewByWheel(HWND view, int delta);
