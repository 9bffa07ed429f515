// The file commands' dialogs and questions: renaming one file (its
// extension kept) and deleting the selected files to the Recycle Bin.
#pragma once

#include <windows.h>

// True when delete, rename and drag may take the listed entry; otherwise
// says why in a message (a folder, or a name Windows cannot be given here).
bool AcceptCommandEntry(HWND owner, const char* path);

// What became of a rename: nothing asked (a path without a folder, or the
// user cancelled), the new name taken, or the name refused by the system
// (the file keeps its old name; the refusal is traced).
enum class RenameOutcome { kNotAsked, kRenamed, kRefused };

// Shows the "ral_rename" dialog for the file and renames it on OK. A new
// name that CheckNewBaseName refuses is answered with a message and the
// dialog stays open.
RenameOutcome RenameFile(HWND owner, const char* path);

// The delete command: entries no file command may take are named in a
// message and kept; one question for the others, then each one's thumbnail
// and the file itself, and a message that counts the files that stayed;
// "Rien n'est sélectionné." when nothing is selected.
// Returns true when files were deleted (the grid must be reloaded).
bool DeleteSelectedFiles(HWND owner);
