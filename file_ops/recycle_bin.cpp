#include "file_ops/recycle_bin.h"

#include <shellapi.h>

#include <string>

#include "file_ops/rename_rules.h"
#include "platform/platform.h"
#include "text/path_utils.h"

static_assert(kFofSilent == FOF_SILENT && kFofNoConfirmation == FOF_NOCONFIRMATION &&
                  kFofAllowUndo == FOF_ALLOWUNDO && kFofNoErrorUi == FOF_NOERRORUI &&
                  kFofWantNukeWarning == FOF_WANTNUKEWARNING,
              "the shell's delete flags");

int DeleteToRecycleBin(HWND owner, const char* path) {
  // Only a fully qualified path without a wildcard reaches the shell: it
  // expands '?' and '*', and takes a relative path past the Recycle Bin.
  if (!IsCommandPath(path)) return 0;
  std::string list(path);
  list.append(2, '\0');  // the list's second terminator
  SHFILEOPSTRUCTA operation = {};
  operation.hwnd = owner;
  operation.wFunc = FO_DELETE;
  operation.pFrom = list.c_str();
  operation.fFlags = FILEOP_FLAGS(kRecycleDeleteFlags);
  int code = SHFileOperationA(&operation);
  // The shell's own codes, not Win32 errors; the user keeping the file at
  // the shell's warning shows as an abort.
  if (code != 0) platform::Trace("SHFileOperation", path, static_cast<unsigned long>(code));
  bool done = code == 0 && !operation.fAnyOperationsAborted;
  return done && !platform::FileExists(path) ? 1 : 0;
}
