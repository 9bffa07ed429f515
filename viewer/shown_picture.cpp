#include "viewer/shown_picture.h"

#include <cstring>

PackedDib CopyPackedDib(const DibHeader* image) {
  if (!image) return nullptr;
  PackedDib copy = CreatePackedDib(image->biWidth, image->biHeight, image->biBitCount);
  if (!copy) return nullptr;
  std::memcpy(copy, image,
              size_t(PackedDibBytes(image->biWidth, image->biHeight, image->biBitCount)));
  return copy;
}

void ShownPicture::Show(const std::string& path, PackedDib picture) {
  path_ = path;
  picture_.reset(picture);
  undo_.reset();
}

bool ShownPicture::KeepUndoCopy() {
  undo_.reset(CopyPackedDib(picture_.get()));
  return undo_ != nullptr;
}

bool ShownPicture::Undo() {
  if (!undo_) return false;
  picture_ = std::move(undo_);
  return true;
}
