// Files between the browser and other programs under Wine: the drag out to
// an OLE drop target in another process, copy and cut then paste into a
// second browser's folder, and a drop from another process onto the grid.
#include <windows.h>
// after windows.h
#include <gtest/gtest.h>
#include <shellapi.h>

#include <string>

#include "browser_driver.h"
#include "platform/platform.h"

namespace e2e {
namespace {

// `count` pictures p00.tpic... in a browser of 600 x 360 at the screen's
// left edge, `top` down, clear of the helper's window at (700, 100).
void ArrangePictures(Browser* browser, int count, int top = 0) {
  std::vector<Picture> pictures;
  for (int i = 0; i < count; ++i)
    pictures.push_back({"p0" + std::to_string(i) + ".tpic", 0x204080u * uint32_t(i + 1)});
  browser->AddPictures(pictures);
  browser->RememberPicturesFolder();
  browser->WriteSettings(192, 0, 0, top, 600, 360);
}

// The drag helper (tests/e2e/ole_drop_helper.cpp) for as long as this lives.
class Helper {
 public:
  explicit Helper(const std::string& arguments) {
    std::string command =
        "\"" + platform::ExecutableFolder() + "ole_drop_helper.exe\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    started_ = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &process_) &&
               WaitFor([] { return FindWindowA("ole_drop_helper", nullptr) != nullptr; }, 10000);
  }
  ~Helper() {
    if (HWND window = FindWindowA("ole_drop_helper", nullptr)) PostMessageA(window, WM_CLOSE, 0, 0);
    if (process_.hProcess) {
      WaitForSingleObject(process_.hProcess, 5000);
      CloseHandle(process_.hProcess);
      CloseHandle(process_.hThread);
    }
  }
  bool Started() const { return started_; }

 private:
  PROCESS_INFORMATION process_ = {};
  bool started_ = false;
};

constexpr POINT kHelperCentre = {800, 200};

// A modifier key pressed or released on the X server (whose state Wine
// takes back at every X event) and in Wine's input.
void HoldModifier(BYTE key, bool down) {
  RunXdotool(std::string(down ? "keydown " : "keyup ") + (key == VK_SHIFT ? "shift" : "ctrl"));
  keybd_event(key, 0, down ? 0 : KEYEVENTF_KEYUP, 0);
}

// Presses at `from`, moves to `to` in steps and releases there, with the
// `modifier` key (if any) held throughout.
void DragMouse(POINT from, POINT to, BYTE modifier = 0) {
  if (modifier) HoldModifier(modifier, true);
  MoveTo(from);
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  for (int step = 1; step <= 10; ++step)
    MoveTo({from.x + (to.x - from.x) * step / 10, from.y + (to.y - from.y) * step / 10});
  Sleep(500);  // the drag loop sees the window under the cursor before the release
  SendMouse(MOUSEEVENTF_LEFTUP);
  Sleep(300);
  if (modifier) HoldModifier(modifier, false);
}

// The text of a result file once it is there; "" after 10 s.
std::string ResultText(const std::string& path) {
  std::vector<uint8_t> bytes;
  WaitFor([&] { return !(bytes = testing_support::ReadAll(path)).empty(); }, 10000);
  return std::string(bytes.begin(), bytes.end());
}

void TypeKeys(const char* keys) {
  RunXdotool(std::string("key ") + keys);
  Sleep(400);
}

// The clipboard's files and preferred effect, as another program reads them.
std::string ClipboardFiles() {
  if (!OpenClipboard(nullptr)) return "no clipboard";
  std::string text;
  if (HDROP drop = static_cast<HDROP>(GetClipboardData(CF_HDROP))) {
    char path[MAX_PATH];
    for (UINT i = 0, n = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0); i < n; ++i)
      if (DragQueryFileA(drop, i, path, MAX_PATH)) text += std::string(path) + "\n";
  }
  if (HGLOBAL effect = GetClipboardData(RegisterClipboardFormatA("Preferred DropEffect"))) {
    text += "effect " + std::to_string(*static_cast<DWORD*>(GlobalLock(effect)));
    GlobalUnlock(effect);
  }
  CloseClipboard();
  return text;
}

}  // namespace

TEST(TransferE2E, DragOutGivesAnOleTargetTheFullPathsAndShiftMoves) {
  Browser browser;
  ArrangePictures(&browser, 4);
  // A fifth picture whose name is beyond ASCII, written through the wide
  // functions (this test's own code page may lack the character).
  std::string accented = "p04\xC3\xA9.tpic";  // p04é.tpic in UTF-8
  std::wstring wideAccented = L"p04\u00E9.tpic";
  std::wstring wideFolder(browser.Pictures().Path().begin(), browser.Pictures().Path().end());
  ASSERT_TRUE(
      CopyFileW((wideFolder + L"p00.tpic").c_str(), (wideFolder + wideAccented).c_str(), TRUE));
  testing_support::ScratchFolder elsewhere;
  std::wstring wideElsewhere(elsewhere.Path().begin(), elsewhere.Path().end());
  std::string result = elsewhere / "dropped.txt";
  std::string movedTo = elsewhere.Path().substr(0, elsewhere.Path().size() - 1);  // no \"
  Helper helper("target \"" + result + "\" \"" + movedTo + "\"");
  ASSERT_TRUE(helper.Started());
  ASSERT_TRUE(browser.Start());
  ASSERT_TRUE(browser.WaitForThumbnails(5));

  // Cells 0 and 2 selected, cell 3 dragged with Ctrl (a press without it
  // selects that cell alone): all three, in index order, copied.
  ASSERT_TRUE(browser.Activate());
  ClickAt(browser.CellCentre(0));
  ClickAt(browser.CellCentre(2), VK_CONTROL);
  DragMouse(browser.CellCentre(3), kHelperCentre, VK_CONTROL);
  const std::string& folder = browser.Pictures().Path();
  EXPECT_EQ(ResultText(result),
            folder + "p00.tpic\n" + folder + "p02.tpic\n" + folder + "p03.tpic\neffect 1\n");
  EXPECT_TRUE(platform::FileExists((folder + "p03.tpic").c_str()));

  // With Shift the target moves the file away: the grid lists the folder
  // again. The name comes whole.
  DeleteFileA(result.c_str());
  ClickAt(browser.CellCentre(4));
  DragMouse(browser.CellCentre(4), kHelperCentre, VK_SHIFT);
  EXPECT_EQ(ResultText(result), folder + accented + "\neffect 2\n");
  EXPECT_NE(GetFileAttributesW((wideElsewhere + wideAccented).c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(WaitFor([&] { return browser.CellCount() == 4; }, 5000));
}

TEST(TransferE2E, CopyAndCutThenPasteIntoASecondBrowsersFolder) {
  Browser first, second;
  ArrangePictures(&first, 4);
  ArrangePictures(&second, 1, 380);
  ASSERT_TRUE(first.Start());
  ASSERT_TRUE(second.Start());
  ASSERT_TRUE(first.WaitForThumbnails(4));
  const std::string& from = first.Pictures().Path();
  const std::string& to = second.Pictures().Path();

  ASSERT_TRUE(first.Activate());
  ClickAt(first.CellCentre(1));
  ClickAt(first.CellCentre(3), VK_CONTROL);
  TypeKeys("ctrl+c");
  EXPECT_EQ(ClipboardFiles(), from + "p01.tpic\n" + from + "p03.tpic\neffect 5");
  ASSERT_TRUE(second.Activate());
  ClickAt(second.CellPoint(0, 200, 20));  // the grid beside its cell: the keys go there
  TypeKeys("ctrl+v");
  EXPECT_TRUE(WaitFor([&] { return second.CellCount() == 3; }, 10000));
  EXPECT_TRUE(platform::FileExists((to + "p03.tpic").c_str()));
  EXPECT_TRUE(platform::FileExists((from + "p03.tpic").c_str()));

  first.Activate();
  ClickAt(first.CellCentre(2));
  TypeKeys("ctrl+x");
  EXPECT_EQ(ClipboardFiles(), from + "p02.tpic\neffect 2");
  ASSERT_TRUE(second.Activate());
  ClickAt(second.CellPoint(0, 200, 20));
  TypeKeys("ctrl+v");
  EXPECT_TRUE(WaitFor([&] { return platform::FileExists((to + "p02.tpic").c_str()); }, 10000));
  EXPECT_FALSE(platform::FileExists((from + "p02.tpic").c_str()));
  EXPECT_EQ(ClipboardFiles(), "");  // cut files are pasted once
}

TEST(TransferE2E, FilesDroppedOnTheGridAreCopiedOrMovedIntoItsFolder) {
  Browser browser;
  ArrangePictures(&browser, 2);
  testing_support::ScratchFolder elsewhere;
  testing_support::WriteAll(elsewhere / "p09.tpic",
                            testing_support::ReadAll(browser.Pictures() / "p00.tpic"));
  std::string result = elsewhere / "dragged.txt";
  Helper helper("source \"" + result + "\" \"" + (elsewhere / "p09.tpic") + "\"");
  ASSERT_TRUE(helper.Started());
  ASSERT_TRUE(browser.Start());
  ASSERT_TRUE(browser.WaitForThumbnails(2));
  ASSERT_TRUE(browser.Activate());

  POINT grid = browser.CellPoint(1, 150, 20);  // the grid beside the last cell
  DragMouse(kHelperCentre, grid);
  EXPECT_EQ(ResultText(result), "result 262400 effect 1\n");  // DRAGDROP_S_DROP, a copy
  EXPECT_TRUE(platform::FileExists((browser.Pictures() / "p09.tpic").c_str()));
  EXPECT_TRUE(platform::FileExists((elsewhere / "p09.tpic").c_str()));
  EXPECT_TRUE(WaitFor([&] { return browser.CellCount() == 3; }, 5000));

  // With Shift the grid moves the file itself and tells the source so (an
  // optimized move: no effect left for the source to carry out).
  DeleteFileA((browser.Pictures() / "p09.tpic").c_str());
  DeleteFileA(result.c_str());
  DragMouse(kHelperCentre, grid, VK_SHIFT);
  EXPECT_EQ(ResultText(result), "result 262400 effect 0\n");
  EXPECT_TRUE(platform::FileExists((browser.Pictures() / "p09.tpic").c_str()));
  EXPECT_FALSE(platform::FileExists((elsewhere / "p09.tpic").c_str()));
}

}  // namespace e2e
