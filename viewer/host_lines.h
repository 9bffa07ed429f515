// The viewer's side of 8bfkvt.dll: the picture offered to a filter run as
// the host's image-size cell and its two line callbacks. The callbacks take
// no context, so one picture at a time is offered, process-wide, for the
// life of a FilterHostImage.
#pragma once

#include <cstdint>

#include "image/packed_dib.h"

#if defined(__i386__) || defined(_M_IX86)
#define HOST_LINE_CALL __cdecl
#else
#define HOST_LINE_CALL
#endif

// The layout 8bfkvt reads (again at every use) through its pointer.
struct HostImageSize {
  int32_t width;
  int32_t height;
};

// y (0 = top row), first column, last column (inclusive), pixels B, G, R,
// flag (always -1).
using HostLineProc = void(HOST_LINE_CALL*)(int32_t y, int32_t x0, int32_t x1, uint8_t* bgr,
                                           int32_t flag);

// Copies columns x0..x1 of row y of the offered picture into `bgr`; the
// columns that lie outside the picture are left as they were in `bgr`.
void HOST_LINE_CALL GetPictureLine(int32_t y, int32_t x0, int32_t x1, uint8_t* bgr, int32_t flag);
// Stores `bgr` into columns x0..x1 of row y; what lies outside the picture is
// dropped, and rows outside it are ignored.
void HOST_LINE_CALL PutPictureLine(int32_t y, int32_t x0, int32_t x1, uint8_t* bgr, int32_t flag);

// Offers a 24-bit picture for one filter run: the size cell and the two
// callback cells whose addresses FilterProc takes (store cell first).
class FilterHostImage {
 public:
  explicit FilterHostImage(PackedDib picture);
  ~FilterHostImage();
  FilterHostImage(const FilterHostImage&) = delete;
  FilterHostImage& operator=(const FilterHostImage&) = delete;

  const HostImageSize* Size() const { return &size_; }
  HostLineProc* PutCell() { return &put_; }
  HostLineProc* GetCell() { return &get_; }

 private:
  HostImageSize size_;
  HostLineProc put_ = PutPictureLine;
  HostLineProc get_ = GetPictureLine;
};
