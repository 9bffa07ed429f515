#include "image/thumbnail_maker.h"

#include "image/fast_image.h"
#include "image/plugin_registry.h"
#include "image/read_pipeline.h"
#include "image/reusable_image.h"
#include "image/thumbnail_scale.h"
#include "text/path_utils.h"

namespace {

PackedDib FitFastImage(void* owner, const char* path, int32_t areaWidth, int32_t areaHeight) {
  PackedDibPtr fast(ReadFastImage(owner, path));
  return fast ? FitThumbnail(fast.get(), areaWidth, areaHeight) : nullptr;
}

// The thumbnail's size follows the whole picture, so a reduced decode gives
// the same cell picture size as a full one.
PackedDib FitRead(void* owner, const char* path, const char* pluginPath, int32_t areaWidth,
                  int32_t areaHeight) {
  ReadRequest request;
  request.mode = ReadMode::Silent;
  request.boxWidth = areaWidth;
  request.boxHeight = areaHeight;
  PictureSize whole;
  const DibHeader* picture = ReadPictureInPlace(path, owner, pluginPath, request, &whole);
  if (!picture) return nullptr;
  int32_t width, height;
  FittedSize(whole.width, whole.height, areaWidth, areaHeight, &width, &height);
  return ResampledCopy(picture, width, height);
}

}  // namespace

PackedDib MakeThumbnail(void* owner, const char* path, int32_t areaWidth, int32_t areaHeight) {
  if (HasExtension(path, "kvt"))
    if (PackedDib thumbnail = FitFastImage(owner, path, areaWidth, areaHeight)) return thumbnail;
  int32_t reader = FindReader(path);
  if (reader < 0) return nullptr;
  PackedDib thumbnail = FitRead(owner, path, ReaderPath(reader), areaWidth, areaHeight);
  TrimReusableImages();
  return thumbnail;
}
