#include "viewer/safe_save.h"

#include <cstdio>
#include <new>

#include "platform/platform.h"

namespace {

constexpr unsigned kNamesTried = 64;

// Takes a free temporary name by creating the file; "" and the reason when
// no name is free or the folder refuses.
std::string ReserveTemporary(const std::string& target, unsigned firstSerial,
                             SaveProblem* problem) {
  *problem = SaveProblem::WriteFailed;  // every name taken
  for (unsigned i = 0; i < kNamesTried; ++i) {
    std::string name = TemporaryNameBeside(target, firstSerial + i * 7919);
    platform::OutputFile file;
    bool created = file.Create(name.c_str(), true);
    if (!created) *problem = FileProblem();
    if (created && file.Close()) return name;
    if (created) {
      *problem = FileProblem();
      if (!platform::DeleteOneFile(name.c_str()))
        platform::TraceLastError("ReserveTemporary", name.c_str());
      return "";
    }
    if (!platform::FileExists(name.c_str())) return "";  // not a name taken: a refusal
  }
  return "";
}

// The writer's answer; running out of memory in it is one of them.
SaveProblem WriteTemporary(const TemporaryWriter& write, const std::string& temporary) {
  try {
    return write(temporary);
  } catch (const std::bad_alloc&) {
    return SaveProblem::NoMemory;
  }
}

}  // namespace

std::string TemporaryNameBeside(const std::string& target, unsigned serial) {
  size_t slash = target.find_last_of('\\');
  std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  char name[16];
  std::snprintf(name, sizeof name, "~ond%04X.tmp", serial & 0xFFFF);
  return folder + name;
}

SaveProblem FileProblem() {
  switch (platform::LastFileFailure()) {
    case platform::FileFailure::DiskFull: return SaveProblem::DiskFull;
    case platform::FileFailure::AccessDenied: return SaveProblem::AccessDenied;
    case platform::FileFailure::InUse: return SaveProblem::InUse;
    default: return SaveProblem::WriteFailed;
  }
}

SaveProblem SaveThroughTemporary(const std::string& target, const TemporaryWriter& write,
                                 unsigned firstSerial) {
  SaveProblem problem = SaveProblem::None;
  std::string temporary = ReserveTemporary(target, firstSerial, &problem);
  if (temporary.empty()) return problem;
  problem = WriteTemporary(write, temporary);
  if (problem == SaveProblem::None && !platform::ReplaceWithFile(temporary.c_str(), target.c_str()))
    problem = FileProblem();
  if (problem != SaveProblem::None) platform::DeleteOneFile(temporary.c_str());
  return problem;
}
