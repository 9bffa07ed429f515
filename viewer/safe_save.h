// Saving without ever losing the file that was there: the picture is written
// to a new temporary file in the target's folder and takes the target's place
// only once it is complete. Window-free.
#pragma once

#include <functional>
#include <string>

// Why a save did not happen, in the kinds the viewer words for the user.
enum class SaveProblem {
  None,
  InUse,         // the target is held open by another program
  AccessDenied,  // the target is read-only, or its folder refuses new files
  DiskFull,
  NoMemory,
  Unsupported,  // the picture cannot be written in that format
  WriteFailed,  // any other failure
};

// The temporary name tried for `target` with `serial`: "~ond" and four hex
// digits of the serial, ".tmp", in the target's folder (the text up to its
// last '\'), so that the final move never crosses a volume.
std::string TemporaryNameBeside(const std::string& target, unsigned serial);

// The problem of the file operation that just failed.
SaveProblem FileProblem();

// Writes the picture through `write`, which is given a new empty file's path
// and answers whether it filled it; then replaces `target` with it. On any
// failure the temporary file is removed and the target is left byte for
// byte as it was.
using TemporaryWriter = std::function<SaveProblem(const std::string& temporary)>;
SaveProblem SaveThroughTemporary(const std::string& target, const TemporaryWriter& write,
                                 unsigned firstSerial);
