// Opening the folder tree down to a folder four levels below My Computer,
// on the thread that owns the tree, as the browser does once its first
// thumbnails are in: a fresh tree each time, timed until the opened branch
// is drawn. Beside it the shell's own least work for the same path: binding
// each folder on the way and naming its subfolders. Medians of five.
//   tree_bench FOLDER
#include <windows.h>
// commctrl.h after the types of windows.h.
#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "folder_tree/folder_tree.h"

namespace {

using bench::Clock;
using bench::Median;
using bench::SecondsSince;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->code == TVN_ITEMEXPANDINGA)
      OnTreeItemExpanding(reinterpret_cast<const NMTREEVIEWA*>(header));
    else if (header->code == TVN_GETDISPINFOA)
      AnswerTreeDisplayInfo(reinterpret_cast<NMTVDISPINFOA*>(header));
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// The calling thread's processor time, in seconds: on a busy machine the
// wall-clock time also counts the other programs' turns.
double ThreadSeconds() {
  FILETIME created, ended, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return (double(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

struct Timing {
  double wall = -1, thread = -1;
};

Timing OpenTreeOnce(const char* folder) {
  HWND host = CreateWindowA("tree_bench_host", "tree", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320,
                            700, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  HWND tree = CreateFolderTree(host, kTreeId, 300, 660);
  UpdateWindow(host);
  Clock::time_point start = Clock::now();
  double threadStart = ThreadSeconds();
  ShowFolderInTree(folder);
  UpdateWindow(tree);  // the branch drawn, its icons asked
  Timing timing = {SecondsSince(start), ThreadSeconds() - threadStart};
  // The folder is the first visible item once the tree has reached it.
  char shown[MAX_PATH + 1] = {};
  auto first =
      reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0));
  if (!first || TreeItemPath(shown, sizeof shown, first) != TreeFolder::kPath ||
      lstrcmpiA(shown, folder) != 0) {
    std::fprintf(stderr, "the tree did not reach %s (first visible: %s)\n", folder, shown);
    timing = Timing();
  }
  DestroyWindow(host);
  return timing;
}

// The peer: the shell alone, from the Desktop down the folder's path, each
// folder bound and its subfolders enumerated and named.
double WalkShellOnce(const char* folder) {
  Clock::time_point start = Clock::now();
  IShellFolder* desktop = nullptr;
  SHGetDesktopFolder(&desktop);
  std::string path = folder;
  std::vector<std::string> levels;
  for (size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1))
    levels.push_back(path.substr(0, at + 1));
  levels.push_back(path);
  for (const std::string& level : levels) {
    std::wstring wide(level.begin(), level.end());
    LPITEMIDLIST list = nullptr;
    IShellFolder* shellFolder = nullptr;
    if (SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, &wide[0], nullptr, &list, nullptr)) &&
        SUCCEEDED(desktop->BindToObject(list, nullptr, IID_IShellFolder,
                                        reinterpret_cast<void**>(&shellFolder)))) {
      IEnumIDList* children = nullptr;
      if (shellFolder->EnumObjects(nullptr, SHCONTF_FOLDERS, &children) == S_OK && children) {
        LPITEMIDLIST child = nullptr;
        while (children->Next(1, &child, nullptr) == S_OK) {
          STRRET name;
          shellFolder->GetDisplayNameOf(child, SHGDN_NORMAL, &name);
          if (name.uType == STRRET_WSTR) CoTaskMemFree(name.pOleStr);
          CoTaskMemFree(child);
        }
        children->Release();
      }
      shellFolder->Release();
    }
    CoTaskMemFree(list);
  }
  desktop->Release();
  return SecondsSince(start);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: tree_bench FOLDER\n");
    return 2;
  }
  CoInitialize(nullptr);
  InitCommonControls();
  WNDCLASSA host = {};
  host.lpfnWndProc = HostProc;
  host.hInstance = GetModuleHandleA(nullptr);
  host.lpszClassName = "tree_bench_host";
  RegisterClassA(&host);
  OpenTreeOnce(argv[1]);  // the shell's first use, not counted
  std::vector<double> tree, treeThread, shell;
  for (int run = 0; run < 5; ++run) {
    Timing timing = OpenTreeOnce(argv[1]);
    tree.push_back(timing.wall);
    treeThread.push_back(timing.thread);
    shell.push_back(WalkShellOnce(argv[1]));
  }
  std::printf("tree opened down to %s: %.3f s (%.3f s of the thread's processor time)\n", argv[1],
              Median(tree), Median(treeThread));
  std::printf("peer: the shell alone on the same path: %.3f s\n", Median(shell));
  std::printf("ratio tree / shell: %.2f\n", Median(tree) / Median(shell));
  return 0;
}
