// The host's image as the filter run sees it: the host gives its size and
// two row callbacks (pixels B, G, R; x1 inclusive); the adapter reads
// rectangles through them, keeps the filter's output in a working image
// (R, G, B) and writes the whole working image back at the end of a
// successful run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "filter_api.h"

struct HostImageSize {
  int32_t width;
  int32_t height;
};

// y, x0, x1 (inclusive), pixels (B, G, R), flag (always -1).
using HostLineFn = void(FILTER_CALL*)(int32_t y, int32_t x0, int32_t x1, uint8_t* pixels,
                                      int32_t flag);

// How notifications reach the host window (WM_USER with the command in wParam).
using HostNotifyFn = void (*)(void* window, uint32_t command, int32_t value);

constexpr int32_t kMaxFilterSide = 32767;  // the record's sizes are 16-bit

class HostImageAdapter {
 public:
  HostImageAdapter() = default;
  virtual ~HostImageAdapter();
  HostImageAdapter(const HostImageAdapter&) = delete;
  HostImageAdapter& operator=(const HostImageAdapter&) = delete;

  void Attach(void* window, const HostImageSize* size, HostLineFn* putLine, HostLineFn* getLine,
              HostNotifyFn notify);
  // Allocates the working image and fills it from the host, one read per row.
  // False when the size is not 1..32767 on each side or memory runs out.
  bool LoadWorkingImage();

  // The operations. Coordinates are inclusive here, as the host's callbacks
  // take them; planes are 0 red, 1 green, 2 blue. Once the working image is
  // loaded, its size is the image's size for the rest of the run, whatever
  // the host's record says later: every request is checked against it.
  virtual void GetImageSize(int32_t* width, int32_t* height);
  // All three planes of host rows top..bottom, through one read per row.
  virtual void ReadRect(uint8_t* buffer, int32_t left, int32_t right, int32_t top, int32_t bottom,
                        int32_t rowBytes);
  // Planes loPlane..hiPlane, interleaved, of every step-th host row and
  // column: the rectangle is in sampled units (host coordinates times step).
  virtual void ReadPlanes(uint8_t* buffer, int32_t left, int32_t right, int32_t top, int32_t bottom,
                          int32_t rowBytes, int32_t loPlane, int32_t hiPlane, int32_t step);
  void ReadRectSampled(uint8_t* buffer, int32_t left, int32_t right, int32_t top, int32_t bottom,
                       int32_t rowBytes, int32_t step) {
    ReadPlanes(buffer, left, right, top, bottom, rowBytes, 0, 2, step);
  }
  // Planes loPlane..hiPlane of the working image as it stands (the source,
  // with what the filter has stored so far), interleaved.
  virtual void ReadWorking(uint8_t* buffer, int32_t left, int32_t right, int32_t top,
                           int32_t bottom, int32_t rowBytes, int32_t loPlane, int32_t hiPlane);
  // Stores interleaved planes loPlane..hiPlane into the working image; rows
  // and columns outside it are skipped.
  virtual void WritePlanes(int32_t left, int32_t right, int32_t top, int32_t bottom,
                           int32_t rowBytes, int32_t loPlane, int32_t hiPlane, const uint8_t* data);
  void WriteRect(int32_t left, int32_t right, int32_t top, int32_t bottom, int32_t rowBytes,
                 const uint8_t* data) {
    WritePlanes(left, right, top, bottom, rowBytes, 0, 2, data);
  }
  virtual void CommitImage();
  virtual void BeginRun();
  virtual void NotifyDone();
  virtual void NotifyProgress(int32_t percent);

  const uint8_t* WorkingImage() const { return working_; }

 private:
  void* window_ = nullptr;
  const HostImageSize* size_ = nullptr;
  HostLineFn* putLine_ = nullptr;
  HostLineFn* getLine_ = nullptr;
  HostNotifyFn notify_ = nullptr;
  uint8_t* working_ = nullptr;                    // workingWidth_ x workingHeight_ x 3, R, G, B
  int32_t workingWidth_ = 0, workingHeight_ = 0;  // as loaded, whatever the host says later
};

// Exchanges the first and third byte of each of `pixels` 3-byte pixels.
void SwapRedBlue(uint8_t* row, size_t pixels);
