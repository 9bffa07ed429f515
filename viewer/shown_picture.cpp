#include "viewer/shown_picture.h"

#include <cstring>

namespace {

size_t ImageBytes(const DibHeader* image) {
  return size_t(PackedDibBytes(image->biWidth, image->biHeight, image->biBitCount));
}

}  // namespace

PackedDib CopyPackedDib(const DibHeader* image) {
  if (!image) return nullptr;
  PackedDib copy = CreatePackedDib(image->biWidth, image->biHeight, image->biBitCount);
  if (!copy) return nullptr;
  std::memcpy(copy, image, ImageBytes(image));
  return copy;
}

void ShownPicture::Show(const std::string& path, PackedDib picture) {
  path_ = path;
  picture_.reset(picture);
  undo_.reset();
  beforeRun_.reset();
  edited_ = undoEdited_ = false;
}

bool ShownPicture::BeginEdit() {
  beforeRun_.reset(CopyPackedDib(picture_.get()));
  return beforeRun_ != nullptr;
}

void ShownPicture::CommitEdit() {
  if (!beforeRun_) return;
  undo_ = std::move(beforeRun_);
  undoEdited_ = edited_;
  edited_ = true;
}

void ShownPicture::AbandonEdit() {
  if (!beforeRun_) return;
  // Copied back into the same block, so that what shows it keeps its pointer.
  if (picture_ && ImageBytes(picture_.get()) == ImageBytes(beforeRun_.get())) {
    std::memcpy(picture_.get(), beforeRun_.get(), ImageBytes(beforeRun_.get()));
    beforeRun_.reset();
  } else {
    picture_ = std::move(beforeRun_);
  }
}

bool ShownPicture::Undo() {
  if (!undo_) return false;
  picture_ = std::move(undo_);
  edited_ = undoEdited_;
  return true;
}
