// The picture the viewer shows: its path, its 24-bit image, whether a filter
// run has changed it since it was read or saved, and the copy that Ctrl+Z
// puts back after a run. Window-free.
#pragma once

#include <string>
#include <utility>

#include "image/packed_dib.h"

class ShownPicture {
 public:
  // Takes `picture` (may be nullptr: an empty window for `path`); forgets
  // any undo copy and the edited mark.
  void Show(const std::string& path, PackedDib picture);
  PackedDib Picture() const { return picture_.get(); }
  const std::string& Path() const { return path_; }
  // Changed by a run since it was read or last saved.
  bool Edited() const { return edited_; }
  // The edit is kept in a file. Saved over the shown file, that file now
  // holds the picture, so the undo copy, if any, differs from it; saved
  // under another name, the shown file is as it was.
  void MarkSaved(bool overShownFile) {
    edited_ = false;
    if (overShownFile) undoEdited_ = undo_ != nullptr;
  }

  // Before a run: a copy of the picture as it is, set aside. False (and no
  // copy) when there is no picture or no memory for the copy.
  bool BeginEdit();
  // The run changed the picture: the copy set aside becomes the undo copy,
  // the previous one is dropped, and the picture is edited.
  void CommitEdit();
  // The run did not change it: the picture gets its pixels back from the
  // copy set aside (in the same block when its size is unchanged); the undo
  // copy and the edited mark stay as they were.
  void AbandonEdit();

  bool CanUndo() const { return undo_ != nullptr; }
  // Puts the undo copy back, with the edited mark the picture had when the
  // copy was taken; false when there is none.
  bool Undo();

 private:
  std::string path_;
  PackedDibPtr picture_, undo_, beforeRun_;
  bool edited_ = false, undoEdited_ = false;
};

// A new image with the same header, colour table and pixels, or nullptr.
PackedDib CopyPackedDib(const DibHeader* image);
