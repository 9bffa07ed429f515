// Files as the shell hands them between programs: the global blocks of the
// transfer formats (CF_HDROP with wide full paths, the shell's ID-list
// array, "Preferred DropEffect"), a data object that offers them to a drop
// target, and their reading back from a drop or the clipboard. Knows nothing
// of the browser's state, so test programs use it as they are.
#pragma once

#include <objidl.h>
#include <windows.h>

#include <string>
#include <vector>

struct TransferFormat {
  CLIPFORMAT format;
  HGLOBAL data;
};

CLIPFORMAT PreferredDropEffectFormat();
CLIPFORMAT PerformedDropEffectFormat();

// CF_HDROP, the ID-list array when the shell can parse every path, and the
// preferred effect. The caller owns the blocks (FreeTransferFormats), unless
// it hands them to the clipboard or a data object. Empty when out of memory.
std::vector<TransferFormat> MakeFileFormats(const std::vector<std::u16string>& paths,
                                            DWORD preferredEffect);
void FreeTransferFormats(std::vector<TransferFormat>* formats);

// A data object that owns and offers `formats` (reference count 1). What a
// caller sets on it in global memory (the drag image helper keeps its image
// there; a target tells the effect it performed) is kept and offered too.
IDataObject* CreateFileDataObject(std::vector<TransferFormat> formats);

// The paths of a CF_HDROP block, ANSI or wide; empty for no block.
std::vector<std::u16string> PathsOfDropBlock(HGLOBAL block);
// The files a data object offers as CF_HDROP, and its preferred effect (0
// when it names none).
std::vector<std::u16string> PathsOfDataObject(IDataObject* data);
DWORD PreferredEffectOfDataObject(IDataObject* data);
// A DWORD in global memory, as the effect formats hold it, and back (0 for
// no block or a short one).
HGLOBAL MakeEffectBlock(DWORD effect);
DWORD EffectOfBlock(HGLOBAL block);
