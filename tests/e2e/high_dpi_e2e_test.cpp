// End-to-end: the real ral.exe and ondex.exe at the screen's pixel density:
// 96 DPI in the usual prefix, 144 and 192 in one of their own
// (scripts/with-dpi, which names the density in TAMSEL_TEST_DPI).
#include <gtest/gtest.h>
#include <windows.h>
// commctrl.h after the types of windows.h.
#include <commctrl.h>

#include <cstdlib>

#include "browser/grid_math.h"
#include "browser_driver.h"
#include "platform/platform.h"

using namespace testing_support;
using namespace e2e;

namespace {

int32_t ExpectedDpi() {
  const char* named = std::getenv("TAMSEL_TEST_DPI");
  return named && *named ? std::atoi(named) : kBaseDpi;
}

// 160 x 120 columns, red and blue in turn: a thumbnail made for an area 160
// pixels wide keeps every column, one for 120 two of three; one made for 80
// (96 DPI) has one colour, and so would any enlargement of it.
TestPicture Stripes() {
  TestPicture picture = SolidPicture(160, 120, 0xFF0000);
  for (size_t y = 0, stride = picture.rows.size() / 120; y < 120; ++y)
    for (size_t x = 1; x < 160; x += 2) {
      uint8_t* pixel = &picture.rows[y * stride + 3 * x];  // blue, green, red
      pixel[0] = 0xFF, pixel[2] = 0;
    }
  return picture;
}

// The cells, the stripes' thumbnail (as wide as the area and with the
// picture's columns), the status bar and the splitter, all at `dpi`.
void ExpectBrowserAtDpi(const Browser& browser, int32_t dpi) {
  RECT cell, bar, splitter, client;
  ASSERT_TRUE(GetWindowRect(browser.Cell(0), &cell));
  EXPECT_EQ(cell.right - cell.left, CellSide(0, dpi));
  EXPECT_EQ(cell.bottom - cell.top, CellSide(0, dpi));
  GetWindowRect(GetDlgItem(browser.Main(), 110), &bar);
  EXPECT_EQ(bar.bottom - bar.top, ScaleForDpi(20, dpi));
  GetWindowRect(GetDlgItem(browser.Main(), 102), &splitter);
  EXPECT_EQ(splitter.right - splitter.left, ScaleForDpi(4, dpi));
  GetClientRect(browser.Main(), &client);
  MapWindowPoints(browser.Main(), nullptr, reinterpret_cast<POINT*>(&client), 2);
  EXPECT_EQ(splitter.left - client.left, ScaleForDpi(192, dpi));  // the tree's width
  int32_t area = ThumbnailAreaWidth(0, dpi), height = area * 3 / 4;
  POINT p = {cell.left + ThumbnailLeft(CellSide(0, dpi), area, dpi),
             cell.top + ThumbnailTop(CellSide(0, dpi), height, dpi) + height / 2};
  int width = 0, blue = 0;
  EXPECT_TRUE(WaitFor([&] {
    for (width = blue = 0;; ++width) {
      COLORREF c = Browser::ScreenPixel({p.x + width, p.y});
      if (c != RGB(0xFF, 0, 0) && c != RGB(0, 0, 0xFF)) return width == area;
      blue += c == RGB(0, 0, 0xFF);
    }
  }, 8000)) << width << " pixels wide, not " << area;
  if (dpi == kBaseDpi)
    EXPECT_TRUE(blue == 0 || blue == area) << blue;
  else
    EXPECT_GE(blue, area / 4);
}

// Wine has one density for all screens and never sends WM_DPICHANGED: it is
// sent here as Windows sends it, the rectangle in the receiver's memory.
// Whether the window then takes the suggested rectangle.
bool MovesOnDpiChange(DWORD processId, HWND window, int32_t dpi, RECT suggested) {
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId);
  void* remote = VirtualAllocEx(process, nullptr, sizeof suggested, MEM_COMMIT, PAGE_READWRITE);
  if (remote && WriteProcessMemory(process, remote, &suggested, sizeof suggested, nullptr))
    SendMessageA(window, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), LPARAM(remote));
  if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  if (process) CloseHandle(process);
  RECT moved = {};
  GetWindowRect(window, &moved);
  return remote && EqualRect(&moved, &suggested);
}

}  // namespace

TEST(HighDpi, TheBrowserDrawsAtTheScreensDensityAndFollowsAMoveToAnother) {
  int32_t dpi = ExpectedDpi();
  HDC screen = GetDC(nullptr);
  ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSX), dpi) << "the prefix's LogPixels";
  ReleaseDC(nullptr, screen);
  Browser browser;
  WriteAll(browser.Pictures() / "a.tpic", Stripes().Bytes());
  browser.AddPictures({{"b.tpic", 0x20C020}});
  browser.RememberPicturesFolder();
  browser.WriteSettings(192, 0, 0, 0, 1000, 700);
  ASSERT_TRUE(browser.Start());
  ASSERT_TRUE(browser.WaitForThumbnails(2));
  ExpectBrowserAtDpi(browser, dpi);

  RECT first, suggested = {20, 10, 20 + 1200, 10 + 720};
  GetWindowRect(browser.Main(), &first);
  EXPECT_TRUE(MovesOnDpiChange(browser.ProcessId(), browser.Main(), dpi * 3 / 2, suggested));
  ExpectBrowserAtDpi(browser, dpi * 3 / 2);
  EXPECT_TRUE(MovesOnDpiChange(browser.ProcessId(), browser.Main(), dpi, first));
  ExpectBrowserAtDpi(browser, dpi);
}

TEST(HighDpi, TheViewerIsMadeAtTheScreensDensityAndFollowsAMoveToAnother) {
  ScratchFolder program, pictures;
  platform::MakeFolder((program / "file_r").c_str());
  ASSERT_TRUE(CopyFileBytes(platform::ExecutableFolder() + "..\\ondex.exe", program / "ondex.exe"));
  ASSERT_TRUE(CopyFileBytes(FixturePlugin("reader_tpic"), program / "file_r\\tpic.dll"));
  WriteAll(pictures / "s.tpic", Stripes().Bytes());
  std::string command = "\"" + (program / "ondex.exe") + "\" \"" + (pictures / "s.tpic") + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION viewer = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &viewer));
  HWND frame = WaitForShownWindow("ondex_frame", nullptr, 10000);
  RECT outer = {};
  GetWindowRect(frame, &outer);
  EXPECT_EQ(outer.right - outer.left, ScaleForDpi(800, ExpectedDpi()));
  EXPECT_EQ(outer.bottom - outer.top, ScaleForDpi(600, ExpectedDpi()));
  // Moved to a screen twice as dense: the picture pane fills the frame above
  // the status line. (The rectangle fits the display: a frame is kept within
  // the screen's bounds.)
  RECT suggested = {10, 10, 10 + 1000, 10 + 700}, pane, status, client;
  EXPECT_TRUE(MovesOnDpiChange(viewer.dwProcessId, frame, 2 * ExpectedDpi(), suggested));
  GetWindowRect(FindWindowExA(frame, nullptr, "ondex_view", nullptr), &pane);
  GetWindowRect(FindWindowExA(frame, nullptr, STATUSCLASSNAMEA, nullptr), &status);
  GetClientRect(frame, &client);
  EXPECT_EQ(pane.right - pane.left, client.right);
  EXPECT_EQ(pane.bottom - pane.top + status.bottom - status.top, client.bottom);
  PostMessageA(frame, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(viewer.hProcess, 10000) != WAIT_OBJECT_0)
    TerminateProcess(viewer.hProcess, 1);
  CloseHandle(viewer.hProcess);
  CloseHandle(viewer.hThread);
}
