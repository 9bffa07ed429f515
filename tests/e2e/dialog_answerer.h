// Answers the dialogs of a process from a thread of the test: open-file
// dialogs are cancelled (or given a path and confirmed), message boxes are
// confirmed (Yes to a question), and their texts are remembered.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

class DialogAnswerer {
 public:
  // `process` 0 means this process.
  explicit DialogAnswerer(std::string choose = "", DWORD process = 0)
      : choose_(std::move(choose)),
        process_(process ? process : GetCurrentProcessId()),
        thread_([this] { Watch(); }) {}
  ~DialogAnswerer() {
    stop_ = true;
    thread_.join();
  }
  std::vector<std::wstring> Messages() {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
  }
  int FileDialogs() const { return fileDialogs_; }

 private:
  static BOOL CALLBACK Visit(HWND window, LPARAM context) {
    auto* self = reinterpret_cast<DialogAnswerer*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (process != self->process_ || std::string(className) != "#32770" || !IsWindowVisible(window))
      return TRUE;
    // A dialog still closing after its answer (a busy machine) is not a new one.
    if (!self->answered_.insert(window).second) return TRUE;
    if (HWND text = GetDlgItem(window, 0xFFFF)) {  // a message box's text
      wchar_t message[256] = {};
      GetWindowTextW(text, message, 255);
      {
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->messages_.push_back(message);
      }
      // Yes where the box asks a question, OK otherwise.
      PostMessageA(window, WM_COMMAND, GetDlgItem(window, IDYES) ? IDYES : IDOK, 0);
    } else if (self->fileDialogs_++ == 0 && !self->choose_.empty()) {
      // The file name box: a combo box (cmb13) in newer dialogs, an edit (edt1) in older.
      if (!SetDlgItemTextA(window, 0x47C, self->choose_.c_str()))
        SetDlgItemTextA(window, 0x480, self->choose_.c_str());
      PostMessageA(window, WM_COMMAND, IDOK, 0);
    } else {
      PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    }
    return TRUE;
  }
  void Watch() {
    while (!stop_) {
      EnumWindows(Visit, LPARAM(this));
      Sleep(100);
    }
  }

  std::string choose_;
  DWORD process_;
  std::mutex mutex_;
  std::vector<std::wstring> messages_;
  std::atomic<int> fileDialogs_{0};
  std::set<HWND> answered_;  // touched by the watching thread only
  std::atomic<bool> stop_{false};
  std::thread thread_;
};
