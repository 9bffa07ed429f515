// A driver for the real ral.exe under Wine: a program folder of its own
// with a reader plug-in, a pictures folder, start and close, real mouse and
// keyboard input, and what the screen and the disk show.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "../unit/test_support.h"

namespace e2e {

// Polls `condition` every `stepMs` until it holds or `milliseconds` pass.
// Benchmarks poll in small steps, so a step is not most of what they read.
bool WaitFor(const std::function<bool()>& condition, int milliseconds = 20000, int stepMs = 50);
// A top-level window of that class and title once it is shown (dialogs are
// shown after their WM_INITDIALOG), else nullptr.
HWND VisibleWindow(const char* className, const char* title);
HWND WaitForShownWindow(const char* className, const char* title, int milliseconds = 5000);
void SendMouse(DWORD flags, DWORD data = 0);
void MoveTo(POINT p);
// Runs a Unix program, which Wine starts directly, waiting for it 5 s at
// most. Wine may neither wait for it nor tell its exit status: callers that
// depend on it wait for its effect.
void RunUnixProgram(std::string command);
// Runs xdotool with `arguments`, for input typed on the X server itself.
void RunXdotool(const std::string& arguments);
// A click, with Shift or Ctrl held when `modifier` names one.
void ClickAt(POINT p, WORD modifier = 0);

struct Picture {
  std::string name;
  uint32_t rgb;  // 0xRRGGBB
};

class Browser {
 public:
  // `readers`: fixture plug-ins or files copied into file_r\.
  explicit Browser(const std::vector<std::string>& readerPaths = {});
  ~Browser();

  const testing_support::ScratchFolder& Program() const { return program_; }
  const testing_support::ScratchFolder& Pictures() const { return pictures_; }

  void AddPictures(const std::vector<Picture>& pictures);
  void RememberPicturesFolder();  // the pictures folder as the most recent one
  void RememberFolders(const std::vector<std::string>& folders);  // most recent first
  void WriteSettings(int treeWidth, int thumbSize, int x, int y, int width, int height,
                     int sortOrder = 0);

  // True once the message loop answers, polled every `stepMs` (benchmarks
  // take the moment in small steps, as they do the end).
  bool Start(int stepMs = 50);
  bool Close();  // as a user closes it; true when it exited

  HWND Main() const { return main_; }
  // Brings the main window to the front and waits until it is there, so
  // that keys typed next reach it.
  bool Activate() const;
  HWND Grid() const;
  HWND Cell(int index) const;
  DWORD ProcessId() const { return process_.dwProcessId; }
  // The running browser's working set (private bytes are not filled in by
  // every system; the working set is); 0 when it cannot be asked.
  double WorkingSetMegabytes() const;
  int CellCount() const;
  int ThumbnailsMade() const;  // files in the cache folder
  bool WaitForThumbnails(int count, int milliseconds = 20000);
  POINT CellPoint(int index, int dx, int dy) const;
  POINT CellCentre(int index) const;
  static COLORREF ScreenPixel(POINT p);
  bool IsSelected(int index) const;
  bool IsUnselected(int index) const;
  std::vector<int> SelectedCells() const;  // of the cells on screen
  int Columns() const;
  // Entries that have a cell window (those on screen), in index order.
  std::vector<int> ShownCells() const;
  // Whether there are cells on screen and each whose centre is inside the
  // grid shows more than its background there: its thumbnail has been made
  // and painted.
  bool ShownThumbnailsPainted() const;
  // The centres of the cells on screen that lie inside the grid, and whether
  // the screen shows more than a cell's background at each: a benchmark
  // asks for the centres once and then looks at the screen alone.
  std::vector<POINT> ShownCellCentres() const;
  static bool ThumbnailsPaintedAt(const std::vector<POINT>& centres);
  // The row at the grid's top edge, from the cells on screen; -1 when they
  // are not where a row starts.
  int TopRow() const;
  int VisibleCells() const;  // cells that lie inside the grid's client area

 private:
  HWND FindMainWindow() const;

  testing_support::ScratchFolder program_, pictures_;
  PROCESS_INFORMATION process_ = {};
  HWND main_ = nullptr;
};

}  // namespace e2e
