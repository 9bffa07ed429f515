// The browser's one thumbnail store, where it lives and the user's switch.
// Opened when the main window is made, closed when it goes; the worker finds
// and keeps thumbnails through it from any thread. Win32 only.
#pragma once

#include <cstdint>

#include "browser/thumbnail_store.h"

ThumbnailStore& SharedThumbnailStore();

// Opens the store when the user has not switched it off. It lives beside the
// program where that folder is writable, otherwise in the user's local
// application data ("<local app data>\Tamsel\"). A store that cannot be
// opened leaves the browser as it was without one.
void OpenThumbnailStore();
void CloseThumbnailStore();

// The user's switch, kept in "thumbs.ini" beside the store. Switching off
// closes the store and deletes its file, so nothing of the pictures seen
// stays behind.
bool ThumbnailStoreSwitchedOn();
void SwitchThumbnailStore(bool on);
// Removes every kept thumbnail (the menu's command).
void EmptyThumbnailStore();

// The thumbnail of `path` for the area: from the store when it holds one made
// for this very file (size and last-write time), otherwise made by the
// readers and kept. A black placeholder when no reader can read the file
// (not kept: a reader installed later gets its chance); nullptr only when
// memory is exhausted.
PackedDib StoredOrMadeThumbnail(void* owner, const char* path, int32_t areaWidth,
                                int32_t areaHeight);
