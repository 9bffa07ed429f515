// The picture the viewer shows: its path, its 24-bit image and the copy that
// Ctrl+Z puts back after a filter run. Window-free.
#pragma once

#include <string>
#include <utility>

#include "image/packed_dib.h"

class ShownPicture {
 public:
  // Takes `picture` (may be nullptr: an empty window for `path`); forgets
  // any undo copy.
  void Show(const std::string& path, PackedDib picture);
  PackedDib Picture() const { return picture_.get(); }
  const std::string& Path() const { return path_; }

  // A copy of the picture as it is now, for Undo. False (and no copy) when
  // there is no picture or no memory for the copy.
  bool KeepUndoCopy();
  void DropUndoCopy() { undo_.reset(); }
  // Makes `copy` (taken before an edit that has since been applied) the
  // undo copy, in place of any earlier one.
  void SetUndoCopy(PackedDibPtr copy) { undo_ = std::move(copy); }
  bool CanUndo() const { return undo_ != nullptr; }
  // Puts the kept copy back; false when there is none.
  bool Undo();

 private:
  std::string path_;
  PackedDibPtr picture_, undo_;
};

// A new image with the same header, colour table and pixels, or nullptr.
PackedDib CopyPackedDib(const DibHeader* image);
