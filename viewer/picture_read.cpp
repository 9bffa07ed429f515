#include "viewer/picture_read.h"

#include "image/plugin_registry.h"
#include "image/read_pipeline.h"
#include "image/reusable_image.h"
#include "platform/platform.h"

namespace {

void HoldBack(platform::WindowHandle, const char*, const char*) {}

}  // namespace

PackedDib ReadPicture(void* owner, const char* path) {
  int32_t reader = FindReader(path);
  if (reader < 0) return nullptr;
  platform::MessageSink previous = platform::SetMessageSink(HoldBack);
  PackedDib picture = ReadImageFile(path, owner, ReaderPath(reader), ReadMode::Direct);
  platform::SetMessageSink(previous);
  TrimReusableImages();  // a large picture's decode blocks are not kept
  return picture;
}
