// How many pauses of the thumbnail workers are held. Pauses nest: a command
// pauses the workers, and a reload inside it pauses and resumes them again;
// only the outermost resume ends the pause. Used on the user-interface
// thread only.
#pragma once

#include <cstdint>

class PauseCount {
 public:
  // True when this pause starts the paused state (none was held).
  bool Begin() { return depth_++ == 0; }
  // True when this ends the outermost pause. An end without a begin is
  // ignored.
  bool End() {
    if (depth_ == 0) return false;
    return --depth_ == 0;
  }
  bool Paused() const { return depth_ > 0; }

 private:
  int32_t depth_ = 0;
};
