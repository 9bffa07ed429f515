#include "dialogs/file_dialogs.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "browser/file_list.h"
#include "browser/thumbnail_cache.h"
#include "dialogs/about_dialog.h"
#include "file_ops/recycle_bin.h"
#include "file_ops/rename_rules.h"
#include "platform/platform.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/strings.h"
#include "text/path_utils.h"

namespace {

constexpr int kOldNameId = IDC_OLD_NAME;
constexpr int kNewNameId = IDC_NEW_NAME;
constexpr int kBaseNameLimit = 80;  // 79 characters and the terminator

// The dialog's state while it is open (names in the process's code page:
// up to three bytes a character in UTF-8).
struct RenameState {
  char fileName[platform::kMaxPathBytes];
  char baseName[platform::kMaxPathBytes];
  char extension[platform::kMaxPathBytes];
} g_rename;

// The message that refuses a name, one per fault.
int RefusalString(NameFault fault) {
  switch (fault) {
    case NameFault::kEmpty: return IDS_NAME_EMPTY;
    case NameFault::kForbiddenCharacter: return IDS_NAME_FORBIDDEN_CHARACTER;
    case NameFault::kEndsInDotOrSpace: return IDS_NAME_ENDS_IN_DOT_OR_SPACE;
    default: return IDS_NAME_DEVICE;
  }
}

NameFault CheckBaseName(const char* base) {
  return CheckNewBaseName(base, platform::AnsiCodePage());
}

// OK with a name that would move the file elsewhere, or that Windows would
// refuse or change: say why and leave the dialog open for a better one.
bool AcceptNewName(HWND dialog) {
  NameFault fault = CheckBaseName(g_rename.baseName);
  if (fault == NameFault::kNone) return true;
  MessageBoxA(dialog, LoadStringResource(RefusalString(fault)), "Tamsel", MB_ICONINFORMATION);
  HWND edit = GetDlgItem(dialog, kNewNameId);
  SetFocus(edit);
  SendMessageA(edit, EM_SETSEL, 0, -1);
  return false;
}

// At most 79 characters of the edit box, whole, in the process's code page.
void ReadNewBaseName(HWND dialog) {
  wchar_t typed[kBaseNameLimit] = {};
  GetWindowTextW(GetDlgItem(dialog, kNewNameId), typed, kBaseNameLimit);
  std::u16string wide(reinterpret_cast<const char16_t*>(typed));
  std::snprintf(g_rename.baseName, sizeof g_rename.baseName, "%s",
                platform::FromWide(platform::AnsiCodePage(), wide).c_str());
}

INT_PTR CALLBACK RenameProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      CentreOnScreen(dialog);
      FileBaseName(g_rename.fileName, g_rename.baseName, sizeof g_rename.baseName);
      g_rename.extension[0] = '\0';
      FileExtension(g_rename.fileName, g_rename.extension, sizeof g_rename.extension);
      char line[3 * platform::kMaxPathBytes];
      std::snprintf(line, sizeof line, "%s [%s %s]", g_rename.baseName, g_rename.extension,
                    LoadStringResource(IDS_EXTENSION_KEPT));
      SetWindowTextA(GetDlgItem(dialog, kOldNameId), line);
      SetWindowTextA(GetDlgItem(dialog, kNewNameId), g_rename.baseName);
      return 1;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          if (AcceptNewName(dialog)) EndDialog(dialog, 1);
          return 1;
        case IDCANCEL: EndDialog(dialog, 0); return 1;
        case kNewNameId: ReadNewBaseName(dialog); return 0;
      }
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) {
        EndDialog(dialog, 0);
        return 1;
      }
      return 0;
  }
  return 0;
}

// The entry's name for a message: what follows its last backslash.
const char* EntryName(const char* path) {
  const char* backslash = FindLastCharacter(path, '\\');
  return backslash ? backslash + 1 : path;
}

}  // namespace

bool AcceptCommandEntry(HWND owner, const char* path) {
  EntryFault fault = CheckCommandEntry(path);
  if (fault == EntryFault::kNone) return true;
  char message[1024 + platform::kMaxPathBytes];
  std::snprintf(
      message, sizeof message,
      LoadStringResource(fault == EntryFault::kFolder ? IDS_ENTRY_IS_FOLDER : IDS_ENTRY_UNNAMEABLE),
      EntryName(path));
  MessageBoxA(owner, message, "Tamsel", MB_ICONINFORMATION);
  return false;
}

RenameOutcome RenameFile(HWND owner, const char* path) {
  if (!AcceptCommandEntry(owner, path)) return RenameOutcome::kNotAsked;
  char folder[platform::kMaxPathBytes];
  if (!SplitPathName(path, folder, sizeof folder, g_rename.fileName, sizeof g_rename.fileName))
    return RenameOutcome::kNotAsked;
  INT_PTR result = DialogBoxParamA(static_cast<HINSTANCE>(g_windows.instance), "ral_rename", owner,
                                   RenameProc, 0);
  if (result <= 0) return RenameOutcome::kNotAsked;
  if (CheckBaseName(g_rename.baseName) != NameFault::kNone) return RenameOutcome::kRefused;
  std::string renamed = RenamedPath(folder, g_rename.baseName, g_rename.extension);
  if (renamed.empty()) {
    platform::Trace("RenameFile", path, ERROR_FILENAME_EXCED_RANGE);
    return RenameOutcome::kRefused;
  }
  // A failure shows as the old name; a name already taken is never replaced.
  if (platform::RenameFile(path, renamed.c_str())) return RenameOutcome::kRenamed;
  platform::TraceLastError("RenameFile", renamed.c_str());
  return RenameOutcome::kRefused;
}

bool DeleteSelectedFiles(HWND owner) {
  if (g_fileList.selectedCount <= 0) {
    MessageBoxA(owner, LoadStringResource(IDS_NOTHING_SELECTED), "Tamsel", MB_ICONINFORMATION);
    return false;
  }
  // Entries no file command may take are named and left; the question
  // counts the files that will go.
  std::vector<int32_t> deletable;
  for (int32_t i = 0; i < g_fileList.count; ++i)
    if (g_fileList.selected[i] && AcceptCommandEntry(owner, g_fileList.path[i]))
      deletable.push_back(i);
  if (deletable.empty()) return false;
  char question[1024];
  std::snprintf(question, sizeof question, LoadStringResource(IDS_DELETE_QUESTION),
                int(deletable.size()));
  if (MessageBoxA(owner, question, "Tamsel", MB_ICONQUESTION | MB_YESNO) != IDYES) return false;
  int kept = 0;  // open elsewhere, protected, or the user kept it at the shell's warning
  for (int32_t i : deletable) {
    // The cache name needs the file's time stamp: remove it while the file is there.
    DeleteThumbnail(g_fileList.path[i], OwnCacheFolderNumber());
    if (!DeleteToRecycleBin(owner, g_fileList.path[i])) ++kept;
  }
  if (kept > 0) {
    char message[1024];
    std::snprintf(message, sizeof message, LoadStringResource(IDS_FILES_KEPT), kept);
    MessageBoxA(owner, message, "Tamsel", MB_ICONINFORMATION);
  }
  return true;
}
