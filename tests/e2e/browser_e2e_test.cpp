// End-to-end tests: the real ral.exe, started in a program folder of its own
// with a real reader plug-in, driven from outside with real mouse and
// keyboard input, and checked by what the screen shows and what the program
// stores on disk.
#include <gtest/gtest.h>
#include <windows.h>
// commctrl.h after the types of windows.h.
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "../unit/test_support.h"
#include "browser_driver.h"
#include "dialog_answerer.h"
#include "platform/platform.h"

using namespace testing_support;
using namespace e2e;

namespace {

COLORREF Colour(uint32_t rgb) { return RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF); }

std::vector<Picture> Rainbow(int count) {
  static const uint32_t kColours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
                                      0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080};
  std::vector<Picture> pictures;
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "p%02d.tpic", i);
    pictures.push_back({name, kColours[i % 12] ^ uint32_t(i / 12) * 0x101010});
  }
  return pictures;
}

// The usual arrangement: `count` pictures of distinct colours in the most
// recent folder, a window of width x height at (0, 0), tree 192, small
// thumbnails, sorted by name.
void ArrangePictures(Browser* browser, int count, int width, int height) {
  browser->AddPictures(Rainbow(count));
  browser->RememberPicturesFolder();
  browser->WriteSettings(192, 0, 0, 0, width, height);
}

std::wstring Wide(const std::string& utf8) {
  std::wstring wide(utf8.size() + 1, L'\0');
  wide.resize(
      size_t(MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], int(wide.size())) - 1));
  return wide;
}

// The pictures folder's path is ASCII; `name` is UTF-8.
std::wstring WidePath(const Browser& browser, const std::string& name) {
  return Wide(browser.Pictures().Path() + name);
}

void WritePictureNamed(const Browser& browser, const std::string& name, uint32_t rgb) {
  std::vector<uint8_t> bytes = SolidPicture(40, 30, rgb).Bytes();
  HANDLE file = CreateFileW(WidePath(browser, name).c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

bool ExistsNamed(const Browser& browser, const std::string& name) {
  return GetFileAttributesW(WidePath(browser, name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

int EntryShowing(const Browser& browser, uint32_t rgb) {
  for (int i : browser.ShownCells())
    if (Browser::ScreenPixel(browser.CellCentre(i)) == Colour(rgb)) return i;
  return -1;
}

// Selects the entry alone and deletes, answering Yes; the messages shown
// once the listing has lost an entry, or after a while when none goes.
std::vector<std::wstring> DeleteEntry(const Browser& browser, int entry, bool goes = true) {
  Sleep(GetDoubleClickTime() + 100);
  ClickAt(browser.CellCentre(entry));
  int before = browser.CellCount();
  DialogAnswerer answerer("", browser.ProcessId());
  PostMessageA(browser.Main(), WM_COMMAND, 201, 0);
  WaitFor([&] { return !answerer.Messages().empty(); }, 5000);
  WaitFor([&] { return browser.CellCount() != before; }, goes ? 10000 : 1500);
  return answerer.Messages();
}

// The command line the stand-in viewer recorded ("" when none came within
// 10 s).
std::string RecordedViewerLine(const Browser& browser) {
  std::string recorded = browser.Program() / "ondex.txt";
  if (!WaitFor([&] { return platform::FileExists(recorded.c_str()); }, 10000)) return "";
  std::vector<uint8_t> bytes = ReadAll(recorded);
  return std::string(bytes.begin(), bytes.end());
}

// Double-clicks at `p` and gives what the stand-in viewer was started with.
std::string ViewerLineAfterDoubleClick(const Browser& browser, POINT p) {
  MoveTo(p);
  for (int click = 0; click < 2; ++click) {
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
  }
  return RecordedViewerLine(browser);
}

// Whether the name is in Wine's Recycle Bin (the desktop's trash in the
// Unix home, named in WINEHOMEDIR); takes it out, with its record.
bool TakeFromTrash(const std::string& name) {
  char home[260] = {};
  GetEnvironmentVariableA("WINEHOMEDIR", home, sizeof home);
  std::string trash = std::string(home + (std::strncmp(home, "\\??\\", 4) == 0 ? 4 : 0)) +
                      "\\.local\\share\\Trash\\";
  std::wstring path = Wide(trash + "files\\" + name);
  bool there = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  DeleteFileW(path.c_str());
  DeleteFileW(Wide(trash + "info\\" + name + ".trashinfo").c_str());
  return there;
}

int32_t SettingsField(const Browser& browser, int index) {
  std::vector<uint8_t> bytes = ReadAll(browser.Program() / "eenv.env");
  int32_t value = 0;
  if (bytes.size() == 40) std::memcpy(&value, &bytes[size_t(index) * 4], 4);
  return value;
}

}  // namespace

TEST(BrowserE2E, FirstStartDefaultsAndWhatItStores) {
  Browser browser;
  browser.AddPictures(Rainbow(3));
  browser.RememberPicturesFolder();
  ASSERT_TRUE(browser.Start());
  RECT rect;
  GetWindowRect(browser.Main(), &rect);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(rect.right - rect.left, 100);
  EXPECT_EQ(rect.bottom - rect.top, 100);
  EXPECT_TRUE(platform::FolderExists((browser.Program() / "cache24").c_str()));
  ASSERT_TRUE(browser.Close());

  EXPECT_EQ(SettingsField(browser, 0), 192);  // tree width
  EXPECT_EQ(SettingsField(browser, 1), 1);    // format index
  EXPECT_EQ(SettingsField(browser, 2), 0);    // smallest thumbnails
  EXPECT_EQ(SettingsField(browser, 5), 100 << 16 | 100);
  EXPECT_EQ(SettingsField(browser, 7), 0);  // sort by name
  std::vector<uint8_t> history = ReadAll(browser.Program() / "phist.dat");
  ASSERT_EQ(history.size(), 25700u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(history.data())), browser.Pictures().Path());
  // Nothing of the cache survives a normal exit.
  platform::DirSearch search;
  platform::FoundFile found;
  EXPECT_FALSE(search.First((browser.Program() / "cache24\\*.tmp").c_str(), &found));
}

TEST(BrowserE2E, WithoutHistoryTheStartingDirectoryIsListedAndTheTreeLeftClosed) {
  Browser browser;  // started in its pictures folder, with no phist.dat
  browser.AddPictures(Rainbow(3));
  browser.WriteSettings(192, 0, 0, 0, 800, 500);
  ASSERT_TRUE(browser.Start());
  ASSERT_TRUE(browser.WaitForThumbnails(3));
  HWND tree = GetDlgItem(browser.Main(), 1);
  ASSERT_NE(tree, nullptr);
  Sleep(500);  // the tree is brought in line after the first listing
  HTREEITEM root = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  ASSERT_NE(root, nullptr);
  EXPECT_FALSE(SendMessageA(tree, TVM_GETITEMSTATE, WPARAM(root), TVIS_EXPANDED));
  // Entries are full paths in that folder; each cell shows its picture over its background.
  for (int i = 0; i < 3; ++i)
    EXPECT_NE(Browser::ScreenPixel(browser.CellCentre(i)),
              Browser::ScreenPixel(browser.CellPoint(i, 3, 3)))
        << i;
  // So a delete there goes to the Recycle Bin, not past it.
  TakeFromTrash("p00.tpic");  // one left by an earlier run would be renamed
  EXPECT_EQ(DeleteEntry(browser, 0), std::vector<std::wstring>{L"Effacer le Fichier [1] ?"});
  EXPECT_FALSE(platform::FileExists((browser.Pictures() / "p00.tpic").c_str()));
  EXPECT_TRUE(TakeFromTrash("p00.tpic"));
  EXPECT_TRUE(browser.Close());
}

TEST(BrowserE2E, PlacementIsClampedAndSizesKeptEven) {
  Browser browser;
  browser.RememberPicturesFolder();
  browser.WriteSettings(192, 0, 2000, -40, 50, 641);
  ASSERT_TRUE(browser.Start());
  RECT rect;
  GetWindowRect(browser.Main(), &rect);
  EXPECT_EQ(rect.left, GetSystemMetrics(SM_CXSCREEN) - 48);
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(rect.right - rect.left, 100);
  EXPECT_EQ(rect.bottom - rect.top, 640);  // 641 made even
  MoveWindow(browser.Main(), 10, 10, 333, 301, TRUE);
  GetWindowRect(browser.Main(), &rect);
  EXPECT_EQ((rect.right - rect.left) % 2, 0);
  EXPECT_EQ((rect.bottom - rect.top) % 2, 0);
}

TEST(BrowserE2E, ThumbnailsAppearInNameOrderWithPlaceholders) {
  Browser browser;
  std::vector<Picture> pictures = Rainbow(6);
  browser.AddPictures(pictures);
  // A picture its reader cannot size: a black placeholder, and no message box
  // (a modal box from the worker would hold back every later thumbnail).
  TestPicture broken = SolidPicture(10, 10, 0xFFFFFF);
  broken.flags = kTpFailSize;
  WriteAll(browser.Pictures() / "p99.tpic", broken.Bytes());
  browser.RememberPicturesFolder();
  browser.WriteSettings(192, 0, 0, 0, 900, 600);
  ASSERT_TRUE(browser.Start());
  DialogAnswerer answerer("", browser.ProcessId());
  ASSERT_EQ(browser.CellCount(), 7);
  ASSERT_TRUE(browser.WaitForThumbnails(7));
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(Browser::ScreenPixel(browser.CellCentre(i)), Colour(pictures[size_t(i)].rgb)) << i;
  // The placeholder shows at the cell's next paint.
  InvalidateRect(browser.Cell(6), nullptr, FALSE);
  EXPECT_TRUE(
      WaitFor([&] { return Browser::ScreenPixel(browser.CellCentre(6)) == RGB(0, 0, 0); }, 3000));
  EXPECT_TRUE(answerer.Messages().empty());
}

TEST(BrowserE2E, SelectionByClickCtrlClickAndShiftRectangle) {
  Browser browser;
  browser.AddPictures(Rainbow(12));
  browser.RememberPicturesFolder();
  // Four columns of 96-pixel cells: a grid 4 x 96 to 5 x 96 - 1 wide.
  browser.WriteSettings(300, 0, 0, 0, 790, 600);
  ASSERT_TRUE(browser.Start());
  ASSERT_TRUE(browser.WaitForThumbnails(12));
  ASSERT_EQ(browser.Columns(), 4);

  EXPECT_TRUE(browser.SelectedCells().empty());
  ClickAt(browser.CellCentre(5), VK_SHIFT);  // no anchor yet: nothing happens
  EXPECT_TRUE(browser.SelectedCells().empty());

  ClickAt(browser.CellCentre(0));
  EXPECT_EQ(browser.SelectedCells(), std::vector<int>({0}));
  Sleep(GetDoubleClickTime() + 100);  // a second click soon after would be a double-click
  ClickAt(browser.CellCentre(0));     // a plain click on the only selected entry keeps it
  EXPECT_EQ(browser.SelectedCells(), std::vector<int>({0}));
  ClickAt(browser.CellCentre(1));
  EXPECT_EQ(browser.SelectedCells(), std::vector<int>({1}));
  ClickAt(browser.CellCentre(3), VK_CONTROL);
  EXPECT_EQ(browser.SelectedCells(), std::vector<int>({1, 3}));
  Sleep(GetDoubleClickTime() + 100);
  ClickAt(browser.CellCentre(3), VK_CONTROL);  // Ctrl-click on a selected entry deselects it
  EXPECT_EQ(browser.SelectedCells(), std::vector<int>({1}));

  // Anchor at 1, Shift-click at 10 in four columns: rows 0-2, columns 1-2.
  Sleep(GetDoubleClickTime() + 100);
  ClickAt(browser.CellCentre(1));
  ClickAt(browser.CellCentre(10), VK_SHIFT);
  EXPECT_EQ(browser.SelectedCells(), std::vector<int>({1, 2, 5, 6, 9, 10}));
  EXPECT_TRUE(browser.IsUnselected(0));
  EXPECT_TRUE(browser.IsUnselected(11));
  // The rectangle only adds: from anchor 10 to 3 also takes 7 and 11.
  ClickAt(browser.CellCentre(3), VK_SHIFT);
  EXPECT_EQ(browser.SelectedCells(), std::vector<int>({1, 2, 3, 5, 6, 7, 9, 10, 11}));
}

TEST(BrowserE2E, ScrollingByLinePageAndWheelIsClamped) {
  Browser browser;
  browser.AddPictures(Rainbow(40));
  browser.RememberPicturesFolder();
  browser.WriteSettings(300, 0, 0, 0, 790, 500);
  ASSERT_TRUE(browser.Start());
  ASSERT_TRUE(WaitFor([&] { return browser.Columns() == 4; }, 10000));  // 10 rows
  auto topOfFirstCell = [&] { return -browser.TopRow(); };
  RECT client;
  GetClientRect(browser.Grid(), &client);
  int visibleRows = client.bottom / 96, lastTop = 10 - visibleRows;
  SendMessageA(browser.Grid(), WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(topOfFirstCell(), -1);
  SendMessageA(browser.Grid(), WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(topOfFirstCell(), -std::min(5, lastTop));
  SendMessageA(browser.Grid(), WM_VSCROLL, SB_PAGEDOWN, 0);
  SendMessageA(browser.Grid(), WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(topOfFirstCell(), -lastTop);  // stops at total - visible rows
  SendMessageA(browser.Grid(), WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(topOfFirstCell(), 0);

  // The wheel over the grid scrolls one row per notch.
  MoveTo(browser.CellCentre(0));
  SendMouse(MOUSEEVENTF_WHEEL, DWORD(-WHEEL_DELTA));
  EXPECT_TRUE(WaitFor([&] { return topOfFirstCell() == -1; }, 3000));
  SendMouse(MOUSEEVENTF_WHEEL, WHEEL_DELTA);
  EXPECT_TRUE(WaitFor([&] { return topOfFirstCell() == 0; }, 3000));
}

TEST(BrowserE2E, DoubleClickStartsTheViewerWithTheQuotedPath) {
  Browser browser;
  ArrangePictures(&browser, 3, 700, 400);
  ASSERT_TRUE(
      CopyFileBytes(platform::ExecutableFolder() + "ondex.exe", browser.Program() / "ondex.exe"));
  ASSERT_TRUE(browser.Start());
  ASSERT_TRUE(browser.WaitForThumbnails(3));
  std::string line = ViewerLineAfterDoubleClick(browser, browser.CellCentre(2));
  ASSERT_FALSE(line.empty());
  EXPECT_EQ(line, "\"" + browser.Pictures() / "p02.tpic" + "\"");
}

namespace {

std::vector<WPARAM> g_drops;

LRESULT CALLBACK DropTargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DROPFILES) {
    g_drops.push_back(wParam);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

TEST(BrowserE2E, DraggingDropsOnWindowsThatAcceptFiles) {
  Browser browser;
  ArrangePictures(&browser, 4, 600, 400);
  ASSERT_TRUE(browser.Start());
  ASSERT_TRUE(browser.WaitForThumbnails(4));

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DropTargetProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "drop_target_test";
  RegisterClassA(&windowClass);
  HWND target = CreateWindowExA(WS_EX_ACCEPTFILES | WS_EX_TOPMOST, "drop_target_test", "target",
                                WS_POPUP | WS_VISIBLE, 700, 100, 200, 200, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(target, nullptr);
  auto pump = [] {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
  };

  // Drop on the browser's own grid: it takes no files from its own folder.
  g_drops.clear();
  MoveTo(browser.CellCentre(1));
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  for (int step = 1; step <= 5; ++step)
    MoveTo({browser.CellCentre(1).x + 8 * step, browser.CellCentre(1).y});
  Sleep(500);  // the browser sees the button still down where the drag ends
  SendMouse(MOUSEEVENTF_LEFTUP);
  Sleep(500);
  pump();
  EXPECT_TRUE(g_drops.empty());
  EXPECT_EQ(browser.CellCount(), 4);  // nothing copied onto itself

  // Drop on the test window.
  MoveTo(browser.CellCentre(2));
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  for (int step = 1; step <= 10; ++step) {
    POINT from = browser.CellCentre(2);
    MoveTo({from.x + (800 - from.x) * step / 10, from.y + (200 - from.y) * step / 10});
  }
  Sleep(500);  // a busy machine: the browser finds the target before the release
  SendMouse(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(WaitFor(
      [&] {
        pump();
        return !g_drops.empty();
      },
      5000));
  Sleep(300);
  pump();
  EXPECT_EQ(g_drops.size(), 1u);  // given once, whatever OLE did meanwhile
  DestroyWindow(target);
}

namespace {

// The pixels of a stretch of the status bar, from `left` to `right` of its
// window, as the screen shows them.
std::vector<COLORREF> StatusBarPixels(const Browser& browser, int left, int right) {
  HWND bar = GetDlgItem(browser.Main(), 110);
  RECT rect;
  GetWindowRect(bar, &rect);
  std::vector<COLORREF> pixels;
  HDC screen = GetDC(nullptr);
  for (int y = rect.top + 2; y < rect.bottom - 3; ++y)
    for (int x = rect.left + left; x < rect.left + right; ++x)
      pixels.push_back(GetPixel(screen, x, y));
  ReleaseDC(nullptr, screen);
  return pixels;
}

std::vector<COLORREF> MessageArea(const Browser& browser) {
  return StatusBarPixels(browser, 266, 420);
}

// The box that shows the selected count ("Sélectionné : [n]").
std::vector<COLORREF> SelectionCountBox(const Browser& browser) {
  return StatusBarPixels(browser, 136, 258);
}

// Starts a browser whose test reader sends `sequence` to the status bar at
// every lookup, and returns the message area once the thumbnails are made.
std::vector<COLORREF> MessageAreaAfter(const char* sequence) {
  SetEnvironmentVariableA("TAMSEL_TEST_STATUS", sequence);
  Browser browser;
  ArrangePictures(&browser, 2, 700, 400);
  bool started = browser.Start() && browser.WaitForThumbnails(2);
  SetEnvironmentVariableA("TAMSEL_TEST_STATUS", nullptr);
  EXPECT_TRUE(started) << sequence;
  return started ? MessageArea(browser) : std::vector<COLORREF>();
}

}  // namespace

TEST(BrowserE2E, StatusBarFollowsThePluginProtocol) {
  std::vector<COLORREF> saved = MessageAreaAfter("15:Bonjour");
  std::vector<COLORREF> progress = MessageAreaAfter("15:Bonjour,3:50");
  std::vector<COLORREF> restored = MessageAreaAfter("15:Bonjour,3:50,0");
  std::vector<COLORREF> shown = MessageAreaAfter("15:Bonjour,14:Autre chose");
  std::vector<COLORREF> untouched = MessageAreaAfter("");
  ASSERT_FALSE(saved.empty());
  EXPECT_NE(saved, untouched);  // "[Tamsel]" at start
  EXPECT_NE(progress, saved);   // the progress text replaces it
  EXPECT_EQ(restored, saved);   // 0 brings the saved text back
  EXPECT_NE(shown, saved);      // 14 shows a text without saving it
}

TEST(BrowserE2E, SplitterDragWidensTheTreeAndIsSaved) {
  Browser browser;
  ArrangePictures(&browser, 8, 800, 500);
  ASSERT_TRUE(browser.Start());
  HWND splitter = GetDlgItem(browser.Main(), 102);
  ASSERT_NE(splitter, nullptr);
  RECT bar, gridBefore, gridAfter;
  GetWindowRect(splitter, &bar);
  // A vertical scroll bar would cover the whole 4-pixel bar on Windows (whose
  // scroll bars start shown), and the press that starts a drag would never
  // reach it; Wine starts them hidden, so the style itself is checked.
  EXPECT_FALSE(GetWindowLongA(splitter, GWL_STYLE) & WS_VSCROLL);
  GetWindowRect(browser.Grid(), &gridBefore);
  POINT from = {bar.left + 2, (bar.top + bar.bottom) / 2};

  // Pressed and let go without moving: the same width, laid out again.
  ClickAt(from);
  GetWindowRect(browser.Grid(), &gridAfter);
  EXPECT_EQ(gridAfter.left, gridBefore.left);

  Sleep(GetDoubleClickTime() + 100);  // not a double-click
  MoveTo(from);
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  for (int step = 1; step <= 5; ++step) MoveTo({from.x + 10 * step, from.y});
  SendMouse(MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(WaitFor(
      [&] {
        GetWindowRect(browser.Grid(), &gridAfter);
        return gridAfter.left == gridBefore.left + 50;
      },
      3000))
      << "moved by " << gridAfter.left - gridBefore.left;
  EXPECT_EQ(gridAfter.right, gridBefore.right);  // the grid is 50 pixels narrower
  ASSERT_TRUE(browser.Close());
  EXPECT_EQ(SettingsField(browser, 0), 242);
}

TEST(BrowserE2E, AboutDialogIsCentredAndClosesWithOk) {
  Browser browser;
  browser.RememberPicturesFolder();
  browser.WriteSettings(192, 0, 0, 0, 600, 400);
  ASSERT_TRUE(browser.Start());
  PostMessageA(browser.Main(), WM_COMMAND, 601, 0);
  HWND about = WaitForShownWindow("#32770", "A Propos de Tamsel");  // shown once placed
  ASSERT_NE(about, nullptr);
  RECT rect;
  GetWindowRect(about, &rect);
  EXPECT_NEAR((rect.left + rect.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR((rect.top + rect.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
  PostMessageA(about, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }, 5000));
}

namespace {

std::vector<std::string> ListTexts(HWND list) {
  std::vector<std::string> texts;
  int count = int(SendMessageA(list, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    // Across processes the list answers in UTF-16.
    wchar_t wide[256] = {};
    SendMessageW(list, CB_GETLBTEXT, WPARAM(i), LPARAM(wide));
    char text[512] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    texts.push_back(text);
  }
  return texts;
}

// Chooses entry `index` of a toolbar list as the user's choice does.
void ChooseFromList(HWND toolbar, int list, int index) {
  SendMessageA(GetDlgItem(toolbar, list), CB_SETCURSEL, WPARAM(index), 0);
  SendMessageA(toolbar, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE),
               LPARAM(GetDlgItem(toolbar, list)));
}

HWND Toolbar(const Browser& browser) {
  HWND list = FindWindowExA(browser.Main(), nullptr, "#32770", nullptr);
  return list;
}

}  // namespace

TEST(BrowserE2E, FormatListFromTheReadersSetsTheFilter) {
  Browser browser({FixturePlugin("reader_alt"), FixturePlugin("reader_tpic")});
  browser.AddPictures(
      {{"a.tpic", 0xFF0000}, {"b.tpic", 0x00FF00}, {"c.kvt", 0x0000FF}, {"d.png", 0xFFFF00}});
  browser.RememberPicturesFolder();
  browser.WriteSettings(192, 0, 0, 0, 800, 500);
  ASSERT_TRUE(browser.Start());
  HWND toolbar = Toolbar(browser);
  ASSERT_NE(toolbar, nullptr);
  // reader_alt.dll sorts before reader_tpic.dll; entries keep each list's order.
  EXPECT_EQ(ListTexts(GetDlgItem(toolbar, 100)),
            (std::vector<std::string>{"Tous les Fichiers", "Alternative[*.alt]",
                                      "Alternative[*.TPIC]", "Alternative[*.png]",
                                      "Test Picture[*.tpic]", "Test Picture[*.kvt]"}));
  // Format index 1 (the default): the first reader's first extension.
  EXPECT_EQ(browser.CellCount(), 0);
  ChooseFromList(toolbar, 100, 5);  // *.kvt
  EXPECT_EQ(browser.CellCount(), 1);
  ChooseFromList(toolbar, 100, 2);  // *.TPIC
  EXPECT_EQ(browser.CellCount(), 2);
  ChooseFromList(toolbar, 100, 0);  // every format some reader declares; tpic once
  EXPECT_EQ(browser.CellCount(), 4);
  ASSERT_TRUE(browser.Close());
  EXPECT_EQ(SettingsField(browser, 1), 0);
}

TEST(BrowserE2E, KeepOnTopToggledAndRestored) {
  Browser browser;
  ArrangePictures(&browser, 3, 800, 500);
  // Wine keeps a window that owns a topmost popup (the tree's tooltip) out of
  // the topmost band unless another topmost window follows that popup, as a
  // taskbar does on a real desktop; this one stands in for it.
  HWND neighbour =
      CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP | WS_VISIBLE, 1000,
                      740, 8, 8, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(neighbour, nullptr);
  auto topmost = [&] { return (GetWindowLongA(browser.Main(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
  auto clickKeepOnTop = [&](HWND toolbar) {
    RECT box;
    GetWindowRect(GetDlgItem(toolbar, 102), &box);
    ClickAt({box.left + 6, (box.top + box.bottom) / 2});
    Sleep(GetDoubleClickTime() + 100);
  };

  ASSERT_TRUE(browser.Start());
  HWND toolbar = Toolbar(browser);
  ASSERT_NE(toolbar, nullptr);
  EXPECT_FALSE(topmost());
  clickKeepOnTop(toolbar);
  EXPECT_TRUE(topmost());
  EXPECT_EQ(IsDlgButtonChecked(toolbar, 102), BST_CHECKED);
  clickKeepOnTop(toolbar);
  EXPECT_FALSE(topmost());
  EXPECT_EQ(IsDlgButtonChecked(toolbar, 102), BST_UNCHECKED);
  clickKeepOnTop(toolbar);
  ASSERT_TRUE(browser.Close());
  EXPECT_EQ(SettingsField(browser, 9), 1);

  // The next start is on top from the beginning, with the box checked.
  ASSERT_TRUE(browser.Start());
  toolbar = Toolbar(browser);
  ASSERT_NE(toolbar, nullptr);
  EXPECT_TRUE(topmost());
  EXPECT_EQ(IsDlgButtonChecked(toolbar, 102), BST_CHECKED);
  clickKeepOnTop(toolbar);
  EXPECT_FALSE(topmost());
  ASSERT_TRUE(browser.Close());
  EXPECT_EQ(SettingsField(browser, 9), 0);
  DestroyWindow(neighbour);
}

namespace {

std::wstring DialogText(HWND dialog, int id) {
  wchar_t text[256] = {};
  SendMessageW(GetDlgItem(dialog, id), WM_GETTEXT, 255, LPARAM(text));
  return text;
}

// Selects entry `index` alone, opens the rename dialog for it, types
// `newName` and confirms (or cancels); returns the old-name line shown.
std::wstring Rename(Browser& browser, int index, const char* newName, bool confirm) {
  Sleep(GetDoubleClickTime() + 100);
  ClickAt(browser.CellCentre(index));
  PostMessageA(browser.Main(), WM_COMMAND, 204, 0);
  HWND dialog = WaitForShownWindow("#32770", "Rename");
  if (!dialog) return L"(no dialog)";
  std::wstring oldName = DialogText(dialog, 101);
  SetDlgItemTextA(dialog, 100, newName);
  PostMessageA(dialog, WM_COMMAND, confirm ? IDOK : IDCANCEL, 0);
  WaitFor([&] { return !IsWindow(dialog); }, 5000);
  Sleep(300);
  return oldName;
}

bool Exists(const ScratchFolder& folder, const char* name) {
  return platform::FileExists((folder / name).c_str());
}

}  // namespace

TEST(BrowserE2E, RenameKeepsTheExtension) {
  Browser browser;
  browser.AddPictures({{"photo.tpic", 0xFF0000}, {"x.y.tpic", 0x00FF00}, {"z.tpic", 0x0000FF}});
  browser.RememberPicturesFolder();
  browser.WriteSettings(192, 0, 0, 0, 800, 500);
  ASSERT_TRUE(browser.Start());
  ASSERT_TRUE(browser.WaitForThumbnails(3));

  std::wstring line = Rename(browser, 0, "vacances", true);
  EXPECT_EQ(line.substr(0, 12), L"photo [tpic ");
  EXPECT_TRUE(Exists(browser.Pictures(), "vacances.tpic"));
  EXPECT_FALSE(Exists(browser.Pictures(), "photo.tpic"));
  EXPECT_EQ(browser.CellCount(), 3);

  // Sorted by name: vacances.tpic, x.y.tpic, z.tpic. Several dots: base x.y.
  line = Rename(browser, 1, "w", true);
  EXPECT_EQ(line.substr(0, 10), L"x.y [tpic ");
  EXPECT_TRUE(Exists(browser.Pictures(), "w.tpic"));

  Rename(browser, 2, "never", false);  // cancelled: nothing renamed
  EXPECT_TRUE(Exists(browser.Pictures(), "z.tpic"));
  EXPECT_FALSE(Exists(browser.Pictures(), "never.tpic"));

  // Two selected: the dialog is for the one listed first.
  Sleep(GetDoubleClickTime() + 100);
  ClickAt(browser.CellCentre(2));
  ClickAt(browser.CellCentre(1), VK_CONTROL);
  PostMessageA(browser.Main(), WM_COMMAND, 204, 0);
  HWND dialog = WaitForShownWindow("#32770", "Rename");
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(DialogText(dialog, 101).substr(0, 8), L"w [tpic ");
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 5000));
}

TEST(BrowserE2E, DeleteMovesTheSelectionToTheRecycleBin) {
  Browser browser;
  std::string tag = std::to_string(GetTickCount());
  std::vector<Picture> pictures;
  for (int i = 0; i < 5; ++i)
    pictures.push_back(
        {"del" + tag + "_" + std::to_string(i) + ".tpic", 0x101010u * uint32_t(i + 1)});
  browser.AddPictures(pictures);
  browser.RememberPicturesFolder();
  browser.WriteSettings(192, 0, 0, 0, 800, 500);
  ASSERT_TRUE(browser.Start());
  ASSERT_TRUE(browser.WaitForThumbnails(5));

  {  // Nothing selected: one message, nothing deleted.
    DialogAnswerer answerer("", browser.ProcessId());
    PostMessageA(browser.Main(), WM_COMMAND, 201, 0);
    ASSERT_TRUE(WaitFor([&] { return !answerer.Messages().empty(); }, 5000));
    EXPECT_EQ(answerer.Messages()[0], L"Rien n'est s\u00e9lectionn\u00e9.");
    // Clicks reach the grid again once the box has gone.
    ASSERT_TRUE(WaitFor([] { return !FindWindowA("#32770", "Tamsel"); }, 5000));
  }
  EXPECT_EQ(browser.CellCount(), 5);

  Sleep(GetDoubleClickTime() + 100);
  ClickAt(browser.CellCentre(0));
  ClickAt(browser.CellCentre(2), VK_CONTROL);
  ClickAt(browser.CellCentre(4), VK_CONTROL);
  {
    DialogAnswerer answerer("", browser.ProcessId());
    PostMessageA(browser.Main(), WM_COMMAND, 201, 0);
    ASSERT_TRUE(WaitFor([&] { return browser.CellCount() == 2; }, 10000));
    ASSERT_EQ(answerer.Messages().size(), 1u);
    EXPECT_EQ(answerer.Messages()[0], L"Effacer le Fichier [3] ?");
  }
  // Wine's Recycle Bin is the desktop's trash folder in the Unix home, which
  // Wine names in WINEHOMEDIR ("\??\Z:\root").
  char home[260] = {};
  ASSERT_TRUE(GetEnvironmentVariableA("WINEHOMEDIR", home, sizeof home));
  std::string trash = std::string(home + (std::strncmp(home, "\\??\\", 4) == 0 ? 4 : 0)) +
                      "\\.local\\share\\Trash\\files\\";
  for (int i : {0, 2, 4}) {
    EXPECT_FALSE(Exists(browser.Pictures(), pictures[size_t(i)].name.c_str())) << i;
    std::string inTrash = trash + pictures[size_t(i)].name;
    EXPECT_TRUE(platform::FileExists(inTrash.c_str())) << inTrash;
    platform::DeleteOneFile(inTrash.c_str());
  }
  EXPECT_TRUE(Exists(browser.Pictures(), pictures[1].name.c_str()));
}

namespace {

// A key chord typed on the X server, as a user types it (xdotool syntax).
void TypeKeys(const char* keys) {
  RunXdotool(std::string("key ") + keys);
  Sleep(400);
}

std::vector<COLORREF> CellColours(const Browser& browser) {
  std::vector<COLORREF> colours;
  for (int i = 0; i < browser.CellCount(); ++i)
    colours.push_back(Browser::ScreenPixel(browser.CellCentre(i)));
  return colours;
}

}  // namespace

TEST(BrowserE2E, SelectionCommandsAndAccelerators) {
  Browser browser;
  browser.AddPictures(Rainbow(10));
  browser.RememberPicturesFolder();
  browser.WriteSettings(300, 0, 0, 0, 790, 600);
  ASSERT_TRUE(browser.Start());
  ASSERT_TRUE(browser.WaitForThumbnails(10));
  browser.Activate();
  std::vector<COLORREF> noneSelected = SelectionCountBox(browser);
  TypeKeys("ctrl+a");  // select all
  EXPECT_EQ(browser.SelectedCells().size(), 10u);
  EXPECT_NE(SelectionCountBox(browser), noneSelected);  // the status bar follows
  TypeKeys("ctrl+l");                                   // deselect all
  EXPECT_TRUE(browser.SelectedCells().empty());
  EXPECT_EQ(SelectionCountBox(browser), noneSelected);
  ClickAt(browser.CellCentre(1));
  ClickAt(browser.CellCentre(4), VK_CONTROL);
  ClickAt(browser.CellCentre(7), VK_CONTROL);
  SendMessageA(browser.Main(), WM_COMMAND, 203, 0);  // invert the selection
  EXPECT_EQ(browser.SelectedCells(), std::vector<int>({0, 2, 3, 5, 6, 8, 9}));
}

TEST(BrowserE2E, SortOrdersAndThumbnailSizes) {
  Browser browser;
  // Names, dates and sizes in three different orders.
  struct File {
    const char* name;
    uint32_t rgb;
    int year, width;
  } files[] = {{"b.tpic", 0xFF0000, 2010, 30},
               {"a.tpic", 0x00FF00, 2004, 50},
               {"c.tpic", 0x0000FF, 2030, 10}};
  for (const File& f : files) {
    WriteAll(browser.Pictures() / f.name, SolidPicture(f.width, 20, f.rgb).Bytes());
    platform::SetFileLastWriteLocal((browser.Pictures() / f.name).c_str(),
                                    LocalTime(f.year, 6, 1, 12, 0, 0));
  }
  browser.RememberPicturesFolder();
  browser.WriteSettings(192, 0, 0, 0, 800, 500);
  ASSERT_TRUE(browser.Start());
  const COLORREF red = RGB(255, 0, 0), green = RGB(0, 255, 0), blue = RGB(0, 0, 255);
  const std::vector<COLORREF> expected[6] = {
      {green, red, blue},  // name
      {blue, red, green},  // name reversed
      {blue, red, green},  // date, newest first
      {green, red, blue},  // date, oldest first
      {blue, red, green},  // size, smallest first
      {green, red, blue},  // size, largest first
  };
  for (int order = 0; order < 6; ++order) {
    SendMessageA(browser.Main(), WM_COMMAND, 700 + order, 0);
    ASSERT_TRUE(browser.WaitForThumbnails(3));
    EXPECT_EQ(CellColours(browser), expected[order]) << "order " << order;
  }
  SendMessageA(browser.Main(), WM_COMMAND, 402, 0);  // large thumbnails
  RECT cell;
  GetWindowRect(browser.Cell(0), &cell);
  EXPECT_EQ(cell.right - cell.left, 192);
  ASSERT_TRUE(browser.Close());
  EXPECT_EQ(SettingsField(browser, 2), 2);  // saved for the next start
  EXPECT_EQ(SettingsField(browser, 7), 5);

  // The next start shows the same folder, size and order.
  ASSERT_TRUE(browser.Start());
  ASSERT_TRUE(browser.WaitForThumbnails(3));
  GetWindowRect(browser.Cell(0), &cell);
  EXPECT_EQ(cell.right - cell.left, 192);
  EXPECT_EQ(CellColours(browser), expected[5]);
}

namespace {

// A block of memory in the browser's process, for the tree messages whose
// records (and the buffers they point to) must live in the tree's process.
class RemoteBlock {
 public:
  explicit RemoteBlock(const Browser& browser)
      : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                             browser.ProcessId())) {
    if (process_)
      base_ = static_cast<char*>(
          VirtualAllocEx(process_, nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  }
  ~RemoteBlock() {
    if (base_) VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  char* At(size_t offset) const { return base_ ? base_ + offset : nullptr; }
  bool Write(size_t offset, const void* bytes, size_t size) const {
    return base_ && WriteProcessMemory(process_, base_ + offset, bytes, size, nullptr);
  }
  bool Read(size_t offset, void* bytes, size_t size) const {
    return base_ && ReadProcessMemory(process_, base_ + offset, bytes, size, nullptr);
  }

 private:
  HANDLE process_;
  char* base_ = nullptr;
};

std::string RemoteItemText(const Browser& browser, HWND tree, HTREEITEM item) {
  RemoteBlock block(browser);
  TVITEMA record = {};
  record.mask = TVIF_TEXT | TVIF_HANDLE;
  record.hItem = item;
  record.pszText = block.At(1024);
  record.cchTextMax = 260;
  char text[260] = {};
  if (!block.Write(0, &record, sizeof record) ||
      !SendMessageA(tree, TVM_GETITEMA, 0, LPARAM(block.At(0))) ||
      !block.Read(1024, text, sizeof text - 1))
    return "";
  return text;
}

// An item's closed and open icons (system image list indexes).
std::pair<int, int> RemoteItemIcons(const Browser& browser, HWND tree, HTREEITEM item) {
  RemoteBlock block(browser);
  TVITEMA record = {};
  record.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
  record.hItem = item;
  if (!block.Write(0, &record, sizeof record) ||
      !SendMessageA(tree, TVM_GETITEMA, 0, LPARAM(block.At(0))) ||
      !block.Read(0, &record, sizeof record))
    return {-1, -1};
  return {record.iImage, record.iSelectedImage};
}

// A folder's own icon: the shell's sixth, by the keys the shell reads.
constexpr char kOwnIconIni[] =
    "[.ShellClassInfo]\r\nIconResource=shell32.dll,5\r\nIconFile=shell32.dll\r\nIconIndex=5\r\n";

// The rectangle of an item's text in the tree's client area; empty when the
// item is not visible.
RECT RemoteItemRect(const Browser& browser, HWND tree, HTREEITEM item) {
  RemoteBlock block(browser);
  RECT rect = {};
  std::memcpy(&rect, &item, sizeof item);  // the message takes the item in the rectangle
  if (!block.Write(0, &rect, sizeof rect) ||
      !SendMessageA(tree, TVM_GETITEMRECT, TRUE, LPARAM(block.At(0))) ||
      !block.Read(0, &rect, sizeof rect))
    return {};
  return rect;
}

// A screen point on the start of an item's text (deep items run past the
// tree's right edge), or (-1, -1) when the item is not visible.
POINT RemoteItemPoint(const Browser& browser, HWND tree, HTREEITEM item) {
  RECT rect = RemoteItemRect(browser, tree, item);
  if (IsRectEmpty(&rect)) return {-1, -1};
  POINT point = {rect.left + 4, (rect.top + rect.bottom) / 2};
  ClientToScreen(tree, &point);
  return point;
}

HTREEITEM TreeNext(HWND tree, HTREEITEM item, UINT relation) {
  return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, relation, LPARAM(item)));
}

// The visible tree item called `name`, or nullptr.
HTREEITEM VisibleItem(const Browser& browser, HWND tree, const std::string& name) {
  for (HTREEITEM item = TreeNext(tree, nullptr, TVGN_FIRSTVISIBLE); item;
       item = TreeNext(tree, item, TVGN_NEXTVISIBLE))
    if (RemoteItemText(browser, tree, item) == name) return item;
  return nullptr;
}

// The tree's item of the pictures folder once it is visible, or nullptr.
HTREEITEM WaitForPicturesFolderItem(const Browser& browser, HWND tree) {
  std::string folder = browser.Pictures().Path();
  folder.pop_back();
  std::string name = folder.substr(folder.rfind('\\') + 1);
  HTREEITEM item = nullptr;
  WaitFor([&] { return (item = VisibleItem(browser, tree, name)) != nullptr; }, 10000);
  return item;
}

// Holds the test reader's reads of kTpHeldExec pictures until Release, or
// until it ends.
struct HeldReads {
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, kTpReleaseEvent);
  HeldReads() = default;
  HeldReads(const HeldReads&) = delete;
  HeldReads& operator=(const HeldReads&) = delete;
  void Release() const {
    if (release) SetEvent(release);
  }
  ~HeldReads() {
    Release();
    if (release) CloseHandle(release);
  }
};

}  // namespace

TEST(BrowserE2E, TreeOpensToTheCurrentFolderAndListsTheSelectedOne) {
  Browser browser;
  // No thumbnail comes: the tree opens without them, at the latest a second
  // after start-up. Every picture is held, since with several workers any of
  // them may have the reader's turn first.
  TestPicture held = SolidPicture(10, 10, 0x808080);
  held.flags = kTpHeldExec;
  for (const char* name : {"a_held.tpic", "b_held.tpic", "c_held.tpic"})
    WriteAll(browser.Pictures() / name, held.Bytes());
  HeldReads reads;  // released before the browser closes
  platform::MakeFolder((browser.Pictures() / "inner").c_str());
  WriteAll(browser.Pictures() / "inner\\x.tpic", SolidPicture(10, 10, 0x00FF00).Bytes());
  browser.RememberPicturesFolder();
  browser.WriteSettings(192, 0, 0, 0, 800, 600);
  ASSERT_TRUE(browser.Start());
  HWND tree = GetDlgItem(browser.Main(), 1);
  ASSERT_NE(tree, nullptr);
  std::string folder = browser.Pictures().Path();
  folder.pop_back();
  std::string name = folder.substr(folder.find_last_of('\\') + 1);
  HTREEITEM current = nullptr;
  ASSERT_TRUE(
      WaitFor([&] { return (current = VisibleItem(browser, tree, name)) != nullptr; }, 10000))
      << name;
  EXPECT_EQ(browser.ThumbnailsMade(), 0);
  EXPECT_EQ(browser.CellCount(), 3);
  // A read that does not come back (a share whose cable was pulled) holds a
  // command three seconds at most: select all still selects.
  DWORD start = GetTickCount();
  PostMessageA(browser.Main(), WM_COMMAND, 202, 0);
  EXPECT_TRUE(WaitFor([&] { return browser.IsSelected(2); }, 20000));
  EXPECT_LT(GetTickCount() - start, 10000u);
  PostMessageA(browser.Main(), WM_COMMAND, 205, 0);  // none selected again
  reads.Release();

  // Expanding the current folder shows its subfolder; selecting it lists it.
  SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, LPARAM(current));
  HTREEITEM inner = TreeNext(tree, current, TVGN_CHILD);
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(RemoteItemText(browser, tree, inner), "inner");
  SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(inner));
  EXPECT_TRUE(WaitFor([&] { return browser.CellCount() == 1; }, 5000));

  // A folder outside the file system (My Computer, under the Desktop) keeps
  // the listing.
  HTREEITEM computer = TreeNext(tree, TreeNext(tree, nullptr, TVGN_ROOT), TVGN_CHILD);
  while (computer && RemoteItemText(browser, tree, computer) != "My Computer")
    computer = TreeNext(tree, computer, TVGN_NEXT);
  ASSERT_NE(computer, nullptr);
  SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(computer));
  Sleep(500);
  EXPECT_EQ(browser.CellCount(), 1);

  // Collapsing and expanding again, as a user does, shows the folder as it is
  // now: a subfolder made in between appears.
  POINT label = RemoteItemPoint(browser, tree, current);
  ASSERT_GE(label.x, 0);
  Sleep(GetDoubleClickTime() + 100);
  ClickAt(label);  // selects and lists the current folder again
  EXPECT_TRUE(WaitFor([&] { return browser.CellCount() == 3; }, 5000));
  TypeKeys("Left");
  EXPECT_FALSE(SendMessageA(tree, TVM_GETITEMSTATE, WPARAM(current), TVIS_EXPANDED));
  platform::MakeFolder((browser.Pictures() / "made later").c_str());
  TypeKeys("Right");
  std::vector<std::string> children;
  for (HTREEITEM child = TreeNext(tree, current, TVGN_CHILD); child;
       child = TreeNext(tree, child, TVGN_NEXT))
    children.push_back(RemoteItemText(browser, tree, child));
  std::sort(children.begin(), children.end());
  EXPECT_EQ(children, (std::vector<std::string>{"inner", "made later"}));
}

// The tree answers every plain folder with the shell's folder icons, asked
// once; a folder marked for an icon of its own (read-only and system, a
// desktop.ini naming the icon) is asked for it.
TEST(BrowserE2E, TreeIconsOfPlainFoldersAndOfAFolderWithItsOwnIcon) {
  Browser browser;
  browser.AddPictures(Rainbow(1));
  for (const char* name : {"plain1", "plain2", "own"})
    platform::MakeFolder((browser.Pictures() / name).c_str());
  std::string own = browser.Pictures() / "own";
  WriteAll(own + "\\desktop.ini",
           std::vector<uint8_t>(kOwnIconIni, kOwnIconIni + sizeof kOwnIconIni - 1));
  ASSERT_TRUE(SetFileAttributesA(own.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM));
  browser.RememberPicturesFolder();
  browser.WriteSettings(192, 0, 0, 0, 800, 600);
  ASSERT_TRUE(browser.Start());
  HWND tree = GetDlgItem(browser.Main(), 1);
  HTREEITEM current = WaitForPicturesFolderItem(browser, tree);
  ASSERT_NE(current, nullptr);
  SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, LPARAM(current));
  std::map<std::string, std::pair<int, int>> icons;
  for (HTREEITEM child = TreeNext(tree, current, TVGN_CHILD); child;
       child = TreeNext(tree, child, TVGN_NEXT))
    icons[RemoteItemText(browser, tree, child)] = RemoteItemIcons(browser, tree, child);
  ASSERT_EQ(icons.size(), 3u);
  EXPECT_EQ(icons["plain1"], icons["plain2"]);
  EXPECT_NE(icons["own"].first, icons["plain1"].first);
  SetFileAttributesA(own.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(BrowserE2E, RecentFolderListReloadsAndOpensTheTree) {
  Browser browser;
  browser.AddPictures(Rainbow(2));
  // A folder three levels below a closed one, in a tree too short to show
  // every opened level at once: it must be opened down to and scrolled to.
  ScratchFolder other;
  std::string chosen = other.Path() + "level1\\level2\\level3\\";
  platform::MakeFolder((other / "level1").c_str());
  platform::MakeFolder((other / "level1\\level2").c_str());
  platform::MakeFolder((other / "level1\\level2\\level3").c_str());
  WriteAll(chosen + "x.tpic", SolidPicture(10, 10, 0x123456).Bytes());
  browser.RememberFolders({browser.Pictures().Path(), chosen});
  browser.WriteSettings(192, 0, 0, 0, 800, 260);
  ASSERT_TRUE(browser.Start());
  HWND tree = GetDlgItem(browser.Main(), 1);
  HWND toolbar = Toolbar(browser);
  ASSERT_NE(tree, nullptr);
  ASSERT_NE(toolbar, nullptr);
  EXPECT_EQ(ListTexts(GetDlgItem(toolbar, 101)),
            (std::vector<std::string>{browser.Pictures().Path(), chosen}));
  EXPECT_EQ(browser.CellCount(), 2);
  EXPECT_EQ(VisibleItem(browser, tree, "level3"), nullptr);
  ChooseFromList(toolbar, 101, 1);
  EXPECT_EQ(browser.CellCount(), 1);
  // The visited folder moves to the front of the list.
  EXPECT_EQ(ListTexts(GetDlgItem(toolbar, 101)).front(), chosen);
  HTREEITEM shown = VisibleItem(browser, tree, "level3");
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(RemoteItemText(browser, tree, TreeNext(tree, shown, TVGN_PARENT)), "level2");
}

namespace {

int CellWidth(const Browser& browser) {
  RECT cell = {};
  GetWindowRect(browser.Cell(0), &cell);
  return cell.right - cell.left;
}

// Right-clicks a cell and waits for the popup menu.
bool OpenPopupMenu(const Browser& browser, int index) {
  MoveTo(browser.CellCentre(index));
  SendMouse(MOUSEEVENTF_RIGHTDOWN);
  SendMouse(MOUSEEVENTF_RIGHTUP);
  return WaitForShownWindow("#32768", nullptr) != nullptr;
}

}  // namespace

TEST(BrowserE2E, MenusAndPopupMenuReachTheCommands) {
  Browser browser;
  ArrangePictures(&browser, 3, 800, 500);
  ASSERT_TRUE(browser.Start());
  ASSERT_TRUE(browser.WaitForThumbnails(3));
  std::vector<COLORREF> byName = CellColours(browser);
  EXPECT_EQ(CellWidth(browser), 96);

  // With nothing selected, Fichiers > Effacer is greyed: its key does nothing
  // (the command itself would say that nothing is selected).
  // The pointer over the window first: run right after a test that ended an
  // OLE drag elsewhere, the keys below reached this window only so (Wine
  // without a window manager).
  MoveTo(browser.CellCentre(0));
  browser.Activate();
  TypeKeys("alt+f");
  TypeKeys("e");
  Sleep(500);
  EXPECT_EQ(VisibleWindow("#32770", "Tamsel"), nullptr);
  if (VisibleWindow("#32768", nullptr)) TypeKeys("Escape");
  ASSERT_TRUE(WaitFor([] { return !VisibleWindow("#32768", nullptr); }, 5000));

  // Affichage > Taille Moyenne, then Affichage > Ordre d'affichage > Noms Inversés.
  browser.Activate();
  TypeKeys("alt+a");
  TypeKeys("m");
  ASSERT_TRUE(browser.WaitForThumbnails(3));
  EXPECT_EQ(CellWidth(browser), 128);
  TypeKeys("alt+a");
  TypeKeys("o");
  TypeKeys("i");
  ASSERT_TRUE(browser.WaitForThumbnails(3));
  EXPECT_EQ(CellColours(browser), std::vector<COLORREF>(byName.rbegin(), byName.rend()));
  TypeKeys("ctrl+f");  // back to name order
  ASSERT_TRUE(browser.WaitForThumbnails(3));
  EXPECT_EQ(CellColours(browser), byName);

  // The popup menu renames one selected file, and offers no rename for two.
  ClickAt(browser.CellCentre(0));
  ASSERT_TRUE(OpenPopupMenu(browser, 0));
  TypeKeys("r");
  HWND rename = WaitForShownWindow("#32770", "Rename");
  ASSERT_NE(rename, nullptr);
  PostMessageA(rename, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(rename); }, 5000));
  Sleep(GetDoubleClickTime() + 100);
  ClickAt(browser.CellCentre(1), VK_CONTROL);
  ASSERT_TRUE(OpenPopupMenu(browser, 1));
  TypeKeys("r");
  TypeKeys("Escape");
  Sleep(500);
  EXPECT_EQ(FindWindowA("#32770", "Rename"), nullptr);
  EXPECT_EQ(browser.CellCount(), 3);

  // Fichiers > Effacer is offered once something is selected: it asks first.
  browser.Activate();
  TypeKeys("alt+f");
  TypeKeys("e");
  HWND question = WaitForShownWindow("#32770", "Tamsel");
  ASSERT_NE(question, nullptr);
  wchar_t text[64] = {};
  GetWindowTextW(GetDlgItem(question, 0xFFFF), text, 63);
  EXPECT_STREQ(text, L"Effacer le Fichier [2] ?");
  PostMessageA(question, WM_COMMAND, IDNO, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(question); }, 5000));
  Sleep(300);
  EXPECT_EQ(browser.CellCount(), 3);

  // Fichiers > Fermer ends the program and stores the new size and order.
  browser.Activate();
  TypeKeys("alt+f");
  TypeKeys("f");
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(browser.Main()); }, 10000));
  EXPECT_EQ(SettingsField(browser, 2), 1);
  EXPECT_EQ(SettingsField(browser, 7), 0);
}

namespace {

// Main windows of browsers other than the one started by the test.
std::vector<HWND> OtherBrowserWindows(const Browser& browser) {
  std::vector<HWND> found;
  for (HWND w = FindWindowExA(nullptr, nullptr, "main_class_name", nullptr); w;
       w = FindWindowExA(nullptr, w, "main_class_name", nullptr)) {
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    if (process != browser.ProcessId() && IsWindowVisible(w)) found.push_back(w);
  }
  return found;
}

// Points the shell's "open" of .html files at a recording program for the
// test's lifetime. Wine reads associations from the machine's classes only;
// the association the prefix had, if any, is put back afterwards.
class HtmlOpenedBy {
 public:
  explicit HtmlOpenedBy(const std::string& program) {
    hadExtension_ = ReadDefaultValue(kExtensionKey, &previous_);
    SetDefaultValue(kExtensionKey, "tamsel.testpage");
    SetDefaultValue(kCommandKey, "\"" + program + "\" \"%1\"");
  }
  ~HtmlOpenedBy() {
    for (const char* key :
         {kCommandKey, "Software\\Classes\\tamsel.testpage\\shell\\open",
          "Software\\Classes\\tamsel.testpage\\shell", "Software\\Classes\\tamsel.testpage"})
      RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
    if (hadExtension_)
      SetDefaultValue(kExtensionKey, previous_);
    else
      RegDeleteKeyA(HKEY_LOCAL_MACHINE, kExtensionKey);
  }

 private:
  static constexpr const char* kExtensionKey = "Software\\Classes\\.html";
  static constexpr const char* kCommandKey =
      "Software\\Classes\\tamsel.testpage\\shell\\open\\command";

  static bool ReadDefaultValue(const char* path, std::string* value) {
    char buffer[260] = {};
    LONG size = sizeof buffer - 1;
    if (RegQueryValueA(HKEY_LOCAL_MACHINE, path, buffer, &size) != ERROR_SUCCESS) return false;
    *value = buffer;
    return true;
  }
  static void SetDefaultValue(const char* path, const std::string& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
      return;
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   DWORD(value.size() + 1));
    RegCloseKey(key);
  }

  bool hadExtension_ = false;
  std::string previous_;
};

}  // namespace

TEST(BrowserE2E, SecondWindowAndHelpPage) {
  Browser browser;
  ArrangePictures(&browser, 2, 700, 400);
  std::string recorder = browser.Program() / "ondex.exe";
  ASSERT_TRUE(CopyFileBytes(platform::ExecutableFolder() + "ondex.exe", recorder));
  platform::MakeFolder((browser.Program() / "vhelp").c_str());
  WriteAll(browser.Program() / "vhelp\\index.html", {'<', 'p', '>'});
  ASSERT_TRUE(browser.Start());

  // Ctrl+N starts another browser from the same program folder; its Fermer
  // command ends it.
  browser.Activate();
  TypeKeys("ctrl+n");
  std::vector<HWND> others;
  ASSERT_TRUE(WaitFor([&] { return (others = OtherBrowserWindows(browser)).size() == 1; }, 10000));
  PostMessageA(others[0], WM_COMMAND, 100, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(others[0]); }, 10000));
  EXPECT_TRUE(IsWindow(browser.Main()));

  // F1 opens the help page beside the program with the shell.
  HtmlOpenedBy opener(recorder);
  browser.Activate();
  TypeKeys("F1");
  std::string line = RecordedViewerLine(browser);  // the quoted program, then the page
  ASSERT_FALSE(line.empty());
  std::string page = "\"" + browser.Program() / "vhelp\\index.html" + "\"";
  ASSERT_GE(line.size(), page.size()) << line;
  EXPECT_EQ(line.substr(line.size() - page.size()), page);
}

namespace {

// The visible menu windows, left to right (a sub-menu opens right of its menu).
std::vector<HWND> OpenMenus() {
  std::vector<HWND> menus;
  for (HWND w = FindWindowExA(nullptr, nullptr, "#32768", nullptr); w;
       w = FindWindowExA(nullptr, w, "#32768", nullptr))
    if (IsWindowVisible(w)) menus.push_back(w);
  std::sort(menus.begin(), menus.end(), [](HWND a, HWND b) {
    RECT ra, rb;
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    return ra.left < rb.left;
  });
  return menus;
}

// Which of the first `rows` items of an open menu carry a check mark, read
// from the screen: Wine draws menus with a 3-pixel frame and 16-pixel items
// (menu font of its default theme), the mark in the 12 pixels left of the text.
std::vector<bool> CheckedRows(HWND menu, int rows) {
  constexpr int kFrame = 3, kItemHeight = 16, kMarkWidth = 12;
  RECT rect;
  GetWindowRect(menu, &rect);
  std::vector<bool> checked;
  for (int row = 0; row < rows; ++row) {
    int top = rect.top + kFrame + row * kItemHeight;
    COLORREF background = Browser::ScreenPixel({rect.left + kFrame, top + kItemHeight / 2});
    int marked = 0;
    for (int y = top; y < top + kItemHeight; ++y)
      for (int x = rect.left + kFrame; x < rect.left + kFrame + kMarkWidth; ++x)
        marked += Browser::ScreenPixel({x, y}) != background;
    checked.push_back(marked > 4);
  }
  return checked;
}

}  // namespace

TEST(BrowserE2E, MenuCheckMarksFollowSizeAndOrder) {
  Browser browser;
  ArrangePictures(&browser, 3, 800, 500);
  ASSERT_TRUE(browser.Start());
  browser.Activate();
  TypeKeys("ctrl+d");  // by date

  // Affichage, then its sub-menu Ordre d'affichage.
  TypeKeys("alt+a");
  TypeKeys("o");
  std::vector<HWND> menus;
  ASSERT_TRUE(WaitFor([&] { return (menus = OpenMenus()).size() == 2; }, 5000));
  Sleep(300);                                                                    // drawn
  EXPECT_EQ(CheckedRows(menus[0], 3), (std::vector<bool>{true, false, false}));  // Réduite
  EXPECT_EQ(CheckedRows(menus[1], 6),
            (std::vector<bool>{false, false, true, false, false, false}));  // Par Dates
  TypeKeys("Escape");
  TypeKeys("Escape");
  TypeKeys("Escape");
  ASSERT_TRUE(WaitFor([] { return OpenMenus().empty(); }, 5000));

  // Affichage > Taille Large moves the size mark.
  TypeKeys("alt+a");
  TypeKeys("l");
  ASSERT_TRUE(WaitFor([] { return OpenMenus().empty(); }, 5000));
  TypeKeys("alt+a");
  ASSERT_TRUE(WaitFor([&] { return (menus = OpenMenus()).size() == 1; }, 5000));
  Sleep(300);
  EXPECT_EQ(CheckedRows(menus[0], 3), (std::vector<bool>{false, false, true}));
  TypeKeys("Escape");
  TypeKeys("Escape");
}

TEST(BrowserE2E, RightClickInTheTreeShowsThePathUnderIt) {
  Browser browser;
  ArrangePictures(&browser, 1, 800, 600);
  ASSERT_TRUE(browser.Start());
  HWND tree = GetDlgItem(browser.Main(), 1);
  ASSERT_NE(tree, nullptr);
  HTREEITEM current = WaitForPicturesFolderItem(browser, tree);
  ASSERT_NE(current, nullptr);
  auto rightClick = [](POINT at) {
    MoveTo(at);
    SendMouse(MOUSEEVENTF_RIGHTDOWN);
    SendMouse(MOUSEEVENTF_RIGHTUP);
  };
  DialogAnswerer answerer("", browser.ProcessId());
  rightClick(RemoteItemPoint(browser, tree, current));
  ASSERT_TRUE(WaitFor([&] { return answerer.Messages().size() == 1; }, 5000));
  std::string folder = browser.Pictures().Path();
  folder.pop_back();
  std::wstring wide(folder.begin(), folder.end());  // the scratch path is ASCII
  EXPECT_EQ(answerer.Messages()[0], wide);

  // Right of the Desktop's text is off any item: an empty text, not the last path.
  // The Desktop is scrolled into view first: the opened branch may have taken
  // the tree's whole height (a Temp folder with many others beside it).
  SendMessageA(tree, WM_VSCROLL, SB_TOP, 0);
  RECT desktop = RemoteItemRect(browser, tree, TreeNext(tree, nullptr, TVGN_ROOT));
  RECT client;
  GetClientRect(tree, &client);
  ASSERT_LT(desktop.right, client.right - 8);
  POINT beside = {client.right - 8, (desktop.top + desktop.bottom) / 2};
  ClientToScreen(tree, &beside);
  Sleep(GetDoubleClickTime() + 100);
  rightClick(beside);
  ASSERT_TRUE(WaitFor([&] { return answerer.Messages().size() == 2; }, 5000));
  EXPECT_EQ(answerer.Messages()[1], L"");
}

namespace {

// A distinct colour for each of up to 65,536 entries.
uint32_t EntryColour(int index) { return 0x400000u | uint32_t(index); }

void AddNumberedPictures(Browser* browser, int count) {
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "p%05d.tpic", i);
    WriteAll(browser->Pictures() / name, SolidPicture(4, 3, EntryColour(i)).Bytes());
  }
}

bool ShowsItsThumbnail(const Browser& browser, int entry) {
  return browser.Cell(entry) &&
         Browser::ScreenPixel(browser.CellCentre(entry)) == Colour(EntryColour(entry));
}

void SetSettingsField(const Browser& browser, int index, int32_t value) {
  std::vector<uint8_t> bytes = ReadAll(browser.Program() / "eenv.env");
  ASSERT_EQ(bytes.size(), 40u);
  std::memcpy(&bytes[size_t(index) * 4], &value, 4);
  WriteAll(browser.Program() / "eenv.env", bytes);
}

int TmpFiles(const std::string& folder) {
  int n = 0;
  platform::DirSearch search;
  platform::FoundFile found;
  for (bool more = search.First((folder + "\\*.tmp").c_str(), &found); more;
       more = search.Next(&found))
    ++n;
  return n;
}

// The text of a message box of the browser once it shows, then answered
// with `answer` (IDOK, IDNO...); a note instead when it never shows or stays.
std::wstring AnswerMessageBox(int answer = IDOK) {
  HWND box = WaitForShownWindow("#32770", "Tamsel");
  if (!box) return L"(no message)";
  wchar_t text[256] = {};
  GetWindowTextW(GetDlgItem(box, 0xFFFF), text, 255);
  PostMessageA(box, WM_COMMAND, WPARAM(answer), 0);
  if (!WaitFor([&] { return !IsWindow(box); }, 5000)) return L"(not closed)";
  return text;
}

}  // namespace

// A folder at the listing's limit: only the cells on screen exist, and the
// last files are reached by the keyboard, the scroll bar and the wheel,
// shown in name order at their own places inside the grid.
TEST(BrowserE2E, TheLastFilesOfAFolderAtTheLimitAreReachedAndShown) {
  Browser browser;
  AddNumberedPictures(&browser, 10240);
  ASSERT_TRUE(
      CopyFileBytes(platform::ExecutableFolder() + "ondex.exe", browser.Program() / "ondex.exe"));
  browser.RememberPicturesFolder();
  browser.WriteSettings(192, 2, 0, 0, 900, 700);  // large cells
  ASSERT_TRUE(browser.Start());
  ASSERT_TRUE(WaitFor([&] { return ShowsItsThumbnail(browser, 0); }));
  int columns = browser.Columns();
  RECT client;
  GetClientRect(browser.Grid(), &client);
  int visibleRows = client.bottom / 192, totalRows = (10240 + columns - 1) / columns;
  int lastTop = totalRows - visibleRows;
  EXPECT_LE(browser.ShownCells().size(), size_t((visibleRows + 1) * columns));

  browser.Activate();
  TypeKeys("End");
  ASSERT_EQ(browser.TopRow(), lastTop);
  std::vector<int> shown = browser.ShownCells();
  ASSERT_EQ(shown.back(), 10239);
  RECT grid;
  GetWindowRect(browser.Grid(), &grid);
  std::vector<int> tops;
  for (int entry : shown) {
    RECT cell;
    GetWindowRect(browser.Cell(entry), &cell);
    EXPECT_GE(cell.top, grid.top);
    EXPECT_LT(cell.top, grid.bottom);
    tops.push_back(cell.top);
  }
  EXPECT_EQ(std::set<int>(tops.begin(), tops.end()).size(), size_t(visibleRows));
  for (int entry = 10240 - columns; entry < 10240; ++entry)
    EXPECT_TRUE(WaitFor([&] { return ShowsItsThumbnail(browser, entry); }, 10000)) << entry;

  TypeKeys("Home");
  EXPECT_EQ(browser.TopRow(), 0);
  SendMessageA(browser.Grid(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, lastTop), 0);
  EXPECT_EQ(browser.TopRow(), lastTop);
  SendMessageA(browser.Grid(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, lastTop - 2), 0);
  MoveTo(browser.CellCentre(browser.ShownCells()[0]));
  for (int notch = 0; notch < 3; ++notch) SendMouse(MOUSEEVENTF_WHEEL, DWORD(-WHEEL_DELTA));
  EXPECT_TRUE(WaitFor([&] { return browser.TopRow() == lastTop; }, 3000));

  // A Shift rectangle from row 0 to a row reached by scrolling.
  TypeKeys("Home");
  ClickAt(browser.CellCentre(1));
  TypeKeys("Next");  // four rows down
  int corner = (4 + visibleRows - 1) * columns + 2;
  ClickAt(browser.CellCentre(corner), VK_SHIFT);
  for (int entry : browser.ShownCells()) {
    int row = entry / columns, column = entry % columns;
    EXPECT_EQ(browser.IsSelected(entry), row <= corner / columns && column >= 1 && column <= 2)
        << entry;
  }
  TypeKeys("Home");
  EXPECT_TRUE(browser.IsSelected(columns + 1));
  EXPECT_TRUE(browser.IsUnselected(columns));
  // The selected count the status bar shows, as the delete question words it.
  TypeKeys("Delete");
  ASSERT_EQ(AnswerMessageBox(IDNO),
            L"Effacer le Fichier [" + std::to_wstring((corner / columns + 1) * 2) + L"] ?");

  // A double-click after scrolling opens the file under the cursor.
  TypeKeys("End");
  std::string line = ViewerLineAfterDoubleClick(browser, browser.CellCentre(10239));
  ASSERT_FALSE(line.empty());
  EXPECT_EQ(line, "\"" + browser.Pictures() / "p10239.tpic" + "\"");
}

// Minimized, the browser makes the thumbnails once and then rests: none is
// made again.
TEST(BrowserE2E, AMinimizedBrowserGoesIdle) {
  Browser browser;
  ArrangePictures(&browser, 6, 700, 400);
  ASSERT_TRUE(browser.Start());
  ShowWindow(browser.Main(), SW_MINIMIZE);
  ASSERT_TRUE(browser.WaitForThumbnails(6));
  auto cacheTimes = [&] {  // the last-write times of the cache files
    std::vector<uint64_t> times;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((browser.Program() / "cache24\\*.tmp").c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
      times.push_back(uint64_t(found.ftLastWriteTime.dwHighDateTime) << 32 |
                      found.ftLastWriteTime.dwLowDateTime);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    return times;
  };
  std::vector<uint64_t> before = cacheTimes();
  Sleep(1500);
  EXPECT_EQ(cacheTimes(), before);
}

// Wine makes 8.3 short names as Windows does: "*.kvt" also finds c.kvt_original
// (C~1.KVT) and d.kvtx; and two readers declare tpic.
TEST(BrowserE2E, EachPictureIsListedOnceUnderItsOwnExtension) {
  Browser browser({FixturePlugin("reader_alt"), FixturePlugin("reader_tpic")});
  browser.AddPictures({{"a.tpic", 0xFF0000},
                       {"b.tpic", 0x00FF00},
                       {"c.kvt_original", 0x0000FF},
                       {"d.kvtx", 0xFFFF00}});
  browser.RememberPicturesFolder();
  browser.WriteSettings(192, 0, 0, 0, 800, 500);
  SetSettingsField(browser, 1, 0);  // all formats
  ASSERT_TRUE(browser.Start());
  EXPECT_EQ(browser.CellCount(), 2);
}

TEST(BrowserE2E, ASecondBrowserKeepsTheFirstOnesThumbnails) {
  Browser browser;
  std::vector<Picture> pictures = Rainbow(2);
  ArrangePictures(&browser, 2, 700, 400);
  ASSERT_TRUE(browser.Start());
  ASSERT_TRUE(browser.WaitForThumbnails(2));

  // Fichiers > Nouvelle fenêtre (its Ctrl+N is tested with the help page).
  PostMessageA(browser.Main(), WM_COMMAND, 101, 0);
  std::vector<HWND> others;
  ASSERT_TRUE(WaitFor([&] { return (others = OtherBrowserWindows(browser)).size() == 1; }, 10000));
  std::string second = browser.Program() / "cache25";
  EXPECT_TRUE(WaitFor([&] { return TmpFiles(second) == 2; }));
  PostMessageA(others[0], WM_COMMAND, 100, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(others[0]); }, 10000));
  EXPECT_EQ(TmpFiles(second), 0);  // each empties its own folder only
  EXPECT_EQ(browser.ThumbnailsMade(), 2);
  for (int i = 0; i < 2; ++i) {
    InvalidateRect(browser.Cell(i), nullptr, FALSE);
    EXPECT_TRUE(WaitFor(
        [&] {
          return Browser::ScreenPixel(browser.CellCentre(i)) == Colour(pictures[size_t(i)].rgb);
        },
        3000))
        << i;
  }
}

TEST(BrowserE2E, RenameRefusesANameThatWouldMoveOrLoseTheFile) {
  Browser browser;
  ArrangePictures(&browser, 1, 800, 500);
  ASSERT_TRUE(browser.Start());
  ASSERT_TRUE(browser.WaitForThumbnails(1));
  ClickAt(browser.CellCentre(0));
  PostMessageA(browser.Main(), WM_COMMAND, 204, 0);
  HWND dialog = WaitForShownWindow("#32770", "Rename");
  ASSERT_NE(dialog, nullptr);
  SetDlgItemTextA(dialog, 100, "..\\x");
  PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(AnswerMessageBox(),
            L"Nom refus\u00e9 : un nom ne peut contenir ni \\ / : * ? \" < > | ni caract\u00e8re "
            L"de contr\u00f4le.");
  SetDlgItemTextA(dialog, 100, "");
  PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(AnswerMessageBox(), L"Nom refus\u00e9 : le nom ne peut pas \u00eatre vide.");
  ASSERT_TRUE(IsWindow(dialog));  // open for a better name
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 5000));

  std::string parent = browser.Pictures().Path();
  parent = parent.substr(0, parent.find_last_of('\\', parent.size() - 2) + 1);
  EXPECT_TRUE(Exists(browser.Pictures(), "p00.tpic"));
  EXPECT_FALSE(platform::FileExists((parent + "x.tpic").c_str()));
  EXPECT_FALSE(Exists(browser.Pictures(), ".tpic"));
}

// Closed while minimized, the window's rectangle is the small minimized box;
// what comes back at the next start is the normal one.
TEST(BrowserE2E, MinimizedOrMaximizedAtCloseKeepsTheNormalPlacement) {
  Browser browser;
  browser.RememberPicturesFolder();
  browser.WriteSettings(192, 0, 30, 20, 600, 400);
  auto closeFrom = [&](std::vector<WPARAM> commands) {
    for (WPARAM command : commands) SendMessageA(browser.Main(), WM_SYSCOMMAND, command, 0);
    EXPECT_TRUE(IsIconic(browser.Main()));
    EXPECT_TRUE(browser.Close());
  };
  auto windowRect = [&] {
    RECT rect = {};
    GetWindowRect(browser.Main(), &rect);
    return std::vector<LONG>{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
  };
  ASSERT_TRUE(browser.Start());
  closeFrom({SC_MINIMIZE});
  EXPECT_EQ(SettingsField(browser, 3), 0);
  ASSERT_TRUE(browser.Start());
  EXPECT_EQ(windowRect(), (std::vector<LONG>{30, 20, 600, 400}));

  closeFrom({SC_MAXIMIZE, SC_MINIMIZE});
  EXPECT_EQ(SettingsField(browser, 3), 1);
  ASSERT_TRUE(browser.Start());
  EXPECT_TRUE(IsZoomed(browser.Main()));
  SendMessageA(browser.Main(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_EQ(windowRect(), (std::vector<LONG>{30, 20, 600, 400}));
}

// The shipped readers side by side: the JPEG reader takes the JPEG files
// (it sorts first and both claim them; each file is listed once), the WIC
// reader the PNG files, and every thumbnail shows its picture, in name
// order within each format's group.
TEST(BrowserE2E, ThumbnailsOfBothShippedReadersInNameOrder) {
  std::string plugins = platform::ExecutableFolder() + "..\\plugins\\";
  Browser browser({plugins + "jpeg_reader.dll", plugins + "wic_reader.dll"});
  std::string made = platform::ExecutableFolder() + "e2e_pictures\\";
  const struct {
    const char* name;
    COLORREF colour;
  } kShown[] = {{"a.jpg", RGB(0xC0, 0x20, 0x20)},
                {"e.jpg", RGB(0x20, 0xC0, 0xC0)},
                {"c.jpeg", RGB(0x20, 0x20, 0xC0)},
                {"b.png", RGB(0x20, 0xC0, 0x20)},
                {"d.png", RGB(0xC0, 0xC0, 0x20)}};
  for (const auto& picture : kShown)
    ASSERT_TRUE(CopyFileBytes(made + picture.name, browser.Pictures() / picture.name));
  browser.RememberPicturesFolder();
  browser.WriteSettings(192, 0, 0, 0, 900, 500);
  SetSettingsField(browser, 1, 0);  // all formats
  ASSERT_TRUE(browser.Start());
  ASSERT_EQ(browser.CellCount(), 5);
  ASSERT_TRUE(browser.WaitForThumbnails(5));
  auto alike = [](COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= 6 &&
           std::abs(GetGValue(a) - GetGValue(b)) <= 6 && std::abs(GetBValue(a) - GetBValue(b)) <= 6;
  };
  for (int i = 0; i < 5; ++i)
    EXPECT_TRUE(WaitFor(
        [&] { return alike(Browser::ScreenPixel(browser.CellCentre(i)), kShown[i].colour); }, 3000))
        << kShown[i].name;
}

// A cell shown again reads its thumbnail from the cache; when that file is
// gone (the picture saved over, a disk that refused it), the worker makes
// the thumbnail again instead of leaving the cell blank.
TEST(BrowserE2E, AThumbnailWhoseCacheFileIsGoneIsMadeAgain) {
  Browser browser;
  std::vector<Picture> pictures = Rainbow(40);
  ArrangePictures(&browser, 40, 790, 400);
  ASSERT_TRUE(browser.Start());
  ASSERT_TRUE(WaitFor([&] { return browser.Cell(0) && browser.ThumbnailsMade() >= 8; }));
  SendMessageA(browser.Grid(), WM_VSCROLL, SB_BOTTOM, 0);  // cell 0 gives its thumbnail up
  ASSERT_EQ(browser.Cell(0), nullptr);
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((browser.Program() / "cache24\\p00.tpic*.tmp").c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  FindClose(search);
  ASSERT_TRUE(
      DeleteFileA((browser.Program() / ("cache24\\" + std::string(found.cFileName))).c_str()));
  SendMessageA(browser.Grid(), WM_VSCROLL, SB_TOP, 0);
  EXPECT_TRUE(WaitFor(
      [&] { return Browser::ScreenPixel(browser.CellCentre(0)) == Colour(pictures[0].rgb); },
      5000));
}

// Thumbnails are kept in the store beside the program between launches: a
// second launch reads no picture it has seen, a picture replaced under the
// same name is read again and shown anew, and a damaged store or one that
// cannot be opened leaves the browser making thumbnails as before.
namespace {

// Starts the browser, waits until each picture's colour is on screen, closes
// it, and answers how many pictures the counting reader read meanwhile.
int LaunchAndCountReads(Browser& browser, const std::vector<Picture>& shown,
                        const std::string& log) {
  DeleteFileA(log.c_str());
  EXPECT_TRUE(browser.Start());
  for (size_t i = 0; i < shown.size(); ++i)
    EXPECT_TRUE(WaitFor(
        [&] { return Browser::ScreenPixel(browser.CellCentre(int(i))) == Colour(shown[i].rgb); },
        10000))
        << i;
  EXPECT_TRUE(browser.Close());
  std::vector<uint8_t> reads = ReadAll(log);
  return int(std::count(reads.begin(), reads.end(), '\n'));
}

void RunUnixShell(const std::string& script) { RunUnixProgram("/bin/sh -c \"" + script + "\""); }

std::string UnixPath(const std::string& windowsPath) {
  using ToUnix = char*(CDECL*)(LPCWSTR);
  auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  std::wstring wide(windowsPath.begin(), windowsPath.end());  // scratch paths are ASCII
  char* unix = toUnix ? toUnix(wide.c_str()) : nullptr;
  std::string path = unix ? unix : "";
  if (unix) HeapFree(GetProcessHeap(), 0, unix);
  return path;
}

bool FolderTakesFiles(const std::string& folder) {
  HANDLE probe = CreateFileA((folder + "probe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (probe == INVALID_HANDLE_VALUE) return false;
  CloseHandle(probe);
  return true;
}

// A folder (ending in '\\') made read-only in place by a read-only bind mount
// for the life of this object; Mounted() is false where the machine allows
// no mounts.
class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(const std::string& windowsPath)
      : windows_(windowsPath), unix_(UnixPath(windowsPath)) {
    if (unix_.empty()) return;
    RunUnixShell("mount --bind '" + unix_ + "' '" + unix_ + "' && mount -o remount,ro,bind '" +
                 unix_ + "' '" + unix_ + "'");
    mounted_ = WaitFor([&] { return !FolderTakesFiles(windows_); }, 5000);
  }
  ~ReadOnlyFolder() {
    if (unix_.empty()) return;
    RunUnixShell("umount '" + unix_ + "' 2>/dev/null");
    if (mounted_) WaitFor([&] { return FolderTakesFiles(windows_); }, 5000);
  }
  bool Mounted() const { return mounted_; }

 private:
  std::string windows_, unix_;
  bool mounted_ = false;
};

std::string LocalStoreFolder() {
  char local[MAX_PATH];
  if (SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, local) != S_OK) return "";
  return std::string(local) + "\\Tamsel\\";
}

}  // namespace

TEST(BrowserE2E, ASecondLaunchShowsKeptThumbnailsWithoutReadingThePictures) {
  Browser browser;
  std::vector<Picture> pictures = Rainbow(3);
  ArrangePictures(&browser, 3, 700, 400);
  std::string log = browser.Program() / "reads.log";
  SetEnvironmentVariableA("TAMSEL_TEST_READ_LOG", log.c_str());
  EXPECT_EQ(LaunchAndCountReads(browser, pictures, log), 3);
  EXPECT_EQ(LaunchAndCountReads(browser, pictures, log), 0);

  pictures[1].rgb = 0x102030;  // another picture under the same name, written later
  browser.AddPictures({pictures[1]});
  platform::CalendarTime later = {2031, 1, 0, 2, 3, 4, 5, 0};
  ASSERT_TRUE(
      platform::SetFileLastWriteLocal((browser.Pictures() / pictures[1].name).c_str(), later));
  EXPECT_EQ(LaunchAndCountReads(browser, pictures, log), 1);

  WriteAll(browser.Program() / "thumbs.db", std::vector<uint8_t>(8192, 0x5A));
  EXPECT_EQ(LaunchAndCountReads(browser, pictures, log), 3);
  EXPECT_EQ(LaunchAndCountReads(browser, pictures, log), 0);

  DeleteFileA((browser.Program() / "thumbs.db").c_str());
  ASSERT_TRUE(CreateDirectoryA((browser.Program() / "thumbs.db").c_str(), nullptr));
  EXPECT_EQ(LaunchAndCountReads(browser, pictures, log), 3);
  SetEnvironmentVariableA("TAMSEL_TEST_READ_LOG", nullptr);
}

// A program folder that takes no files (a read-only disk, Program Files
// without rights): no cache folder, no settings written, and the store in
// the user's local application data, where a second launch finds it.
TEST(BrowserE2E, AReadOnlyProgramFolderKeepsThumbnailsInLocalAppData) {
  Browser browser;
  std::vector<Picture> pictures = Rainbow(3);
  ArrangePictures(&browser, 3, 700, 400);
  ScratchFolder logs;
  std::string log = logs / "reads.log";
  std::string store = LocalStoreFolder();
  ASSERT_FALSE(store.empty());
  DeleteFileA((store + "thumbs.db").c_str());
  ReadOnlyFolder readOnly(browser.Program().Path());
  if (!readOnly.Mounted()) GTEST_SKIP() << "no read-only bind mount on this machine";
  SetEnvironmentVariableA("TAMSEL_TEST_READ_LOG", log.c_str());
  EXPECT_EQ(LaunchAndCountReads(browser, pictures, log), 3);
  EXPECT_EQ(LaunchAndCountReads(browser, pictures, log), 0);
  SetEnvironmentVariableA("TAMSEL_TEST_READ_LOG", nullptr);
  EXPECT_NE(GetFileAttributesA((store + "thumbs.db").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA((browser.Program() / "thumbs.db").c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileA((store + "thumbs.db").c_str());
}

// ---- Hostile pictures ---------------------------------------------------------------

// A folder holding a 100,000,000 x 1 TIFF, a JPEG of 5,000 scans and a cut
// turned photo beside a good picture, read by the shipped readers: the
// browser keeps running, the good picture's thumbnail comes within 5 s, and
// every entry gets its thumbnail or its placeholder.
TEST(BrowserE2E, HostilePicturesNeitherEndNorHoldTheBrowser) {
  std::string plugins = platform::ExecutableFolder() + "..\\plugins\\";
  Browser browser({plugins + "jpeg_reader.dll", plugins + "wic_reader.dll"});
  std::string made = platform::ExecutableFolder() + "hostile_pictures\\";
  // In the grid's order: the JPEG reader's group, then PNG, then TIFF.
  const char* kNames[] = {"cutturned.jpg", "scans.jpg", "good.png", "wide.tif"};
  for (const char* name : kNames)
    ASSERT_TRUE(CopyFileBytes(made + name, browser.Pictures() / name));
  browser.RememberPicturesFolder();
  browser.WriteSettings(192, 0, 0, 0, 900, 500);
  SetSettingsField(browser, 1, 0);  // all formats
  ASSERT_TRUE(browser.Start());
  ASSERT_EQ(browser.CellCount(), 4);
  EXPECT_TRUE(WaitFor(
      [&] { return Browser::ScreenPixel(browser.CellCentre(2)) == RGB(0x20, 0xC0, 0x20); }, 5000));
  EXPECT_TRUE(browser.WaitForThumbnails(4));
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, browser.ProcessId());
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_TIMEOUT);  // still running
  CloseHandle(process);
  EXPECT_TRUE(browser.Close());
}

// ---- Every name, and exactly the files chosen ---------------------------------------

// Names in several scripts, an emoji, Latin letters the Western page lacks,
// 表 and 能 (second byte 0x5C in code page 932): each is its own file. "Vac 海"
// was once listed as "Vac ?", which the shell's delete took as a pattern for
// Vac 1 to 3 too. A folder named like a picture is kept by Del.
TEST(BrowserE2E, EveryNameIsItsOwnFileForDeleteThumbnailViewerAndRename) {
  Browser browser;
  std::string tag = std::to_string(GetTickCount());
  std::vector<std::string> names = {"keep" + tag,
                                    "Vac 1" + tag,
                                    "Vac 2" + tag,
                                    "Vac 3" + tag,
                                    "Vac \xe6\xb5\xb7" + tag,
                                    "\xce\xa6\xcf\x8e\xcf\x84\xce\xbf",
                                    "\xd0\xa4\xd0\xbe\xd1\x82\xd0\xbe",
                                    "\xf0\x9f\x98\x80",
                                    "\xe8\xa1\xa8",
                                    "\xe8\x83\xbd",
                                    "K\xc5\x8d\xc5\x82\xc5\x91"};
  std::vector<Picture> colours = Rainbow(int(names.size()));
  for (size_t i = 0; i < names.size(); ++i) {
    names[i] += ".tpic";
    WritePictureNamed(browser, names[i], colours[i].rgb);
  }
  ASSERT_TRUE(platform::MakeFolder((browser.Pictures() / "2019.tpic").c_str()));
  WriteAll(browser.Pictures() / "2019.tpic\\inside.tpic", SolidPicture(4, 3, 0).Bytes());
  browser.RememberPicturesFolder();
  browser.WriteSettings(192, 0, 0, 0, 900, 700);
  ASSERT_TRUE(
      CopyFileBytes(platform::ExecutableFolder() + "ondex.exe", browser.Program() / "ondex.exe"));
  ASSERT_TRUE(browser.Start());
  ASSERT_TRUE(WaitFor([&] { return browser.CellCount() == 12; }, 10000));
  browser.WaitForThumbnails(11);

  // By name: 2019, keep, Kōłő, Vac 1, Vac 2, Vac 3, Vac 海, ...
  EXPECT_EQ(DeleteEntry(browser, 6), std::vector<std::wstring>{L"Effacer le Fichier [1] ?"});
  EXPECT_TRUE(TakeFromTrash(names[4]));
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(ExistsNamed(browser, names[i]), i != 4) << names[i];
    if (i != 4) TakeFromTrash(names[i]);  // where the delete took a pattern
  }
  ASSERT_TRUE(WaitFor([&] { return browser.CellCount() == 11; }, 5000));
  EXPECT_EQ(DeleteEntry(browser, 0, false),
            std::vector<std::wstring>{L"\u00ab 2019.tpic \u00bb est un dossier : il n'est ni "
                                      L"effac\u00e9, ni renomm\u00e9, ni d\u00e9plac\u00e9."});
  EXPECT_TRUE(Exists(browser.Pictures(), "2019.tpic\\inside.tpic"));

  for (size_t i = 0; i < names.size(); ++i) {
    if (i == 4) continue;  // deleted
    EXPECT_TRUE(WaitFor([&] { return EntryShowing(browser, colours[i].rgb) >= 0; }, 5000))
        << names[i];
  }
  // The viewer is given the real path.
  Sleep(GetDoubleClickTime() + 100);
  std::string line = ViewerLineAfterDoubleClick(
      browser, browser.CellCentre(EntryShowing(browser, colours[7].rgb)));  // 😀
  ASSERT_FALSE(line.empty());
  EXPECT_EQ(line, "\"" + browser.Pictures().Path() + names[7] + "\"");
  // Rename takes the Cyrillic file, its extension kept.
  std::wstring oldName = Rename(browser, EntryShowing(browser, colours[6].rgb), "renamed", true);
  EXPECT_EQ(oldName.substr(0, 7), L"\u0424\u043e\u0442\u043e [t");
  EXPECT_TRUE(ExistsNamed(browser, "renamed.tpic"));
  EXPECT_FALSE(ExistsNamed(browser, names[6]));
  EXPECT_TRUE(browser.Close());
}

// 表 and 能, whose second bytes are 0x5C in code page 932, keep their own
// thumbnails when shown again after a scroll. Their bytes sort them last.
TEST(BrowserE2E, NamesEndingInTheBackslashByteKeepTheirOwnThumbnailsAfterAScroll) {
  Browser browser;
  WritePictureNamed(browser, "\xe8\xa1\xa8.tpic", 0xFF0000);
  WritePictureNamed(browser, "\xe8\x83\xbd.tpic", 0x0000FF);
  AddNumberedPictures(&browser, 40);
  browser.RememberPicturesFolder();
  browser.WriteSettings(192, 0, 0, 0, 500, 300);
  ASSERT_TRUE(browser.Start());
  auto shown = [&] {
    return EntryShowing(browser, 0xFF0000) >= 0 && EntryShowing(browser, 0x0000FF) >= 0;
  };
  ASSERT_TRUE(WaitFor([&] { return !browser.ShownCells().empty(); }, 10000));
  for (int code : {SB_BOTTOM, SB_TOP, SB_BOTTOM}) {
    SendMessageA(browser.Grid(), WM_VSCROLL, WPARAM(code), 0);
    EXPECT_EQ(WaitFor(shown, code == SB_TOP ? 500 : 10000), code == SB_BOTTOM) << code;
  }
  EXPECT_TRUE(browser.Close());
}

// A history of an earlier version holds its folders in the system's page
// (this test's): the browser, in UTF-8, opens the most recent one and stores
// it back in UTF-8.
TEST(BrowserE2E, AHistoryStoredInTheSystemsPageStillOpensItsFolder) {
  Browser browser;
  std::string utf8 =
      GetACP() == 932 ? "\xe5\x86\x99\xe7\x9c\x9f" : "\xc3\x89t\xc3\xa9";  // 写真, Été
  ASSERT_TRUE(CreateDirectoryW(WidePath(browser, utf8).c_str(), nullptr));
  WritePictureNamed(browser, utf8 + "\\a.tpic", 0xFF0000);
  char stored[260] = {};
  WideCharToMultiByte(CP_ACP, 0, WidePath(browser, utf8 + "\\").c_str(), -1, stored, 259, nullptr,
                      nullptr);
  browser.RememberFolders({stored});
  browser.WriteSettings(192, 0, 0, 0, 800, 500);
  ASSERT_TRUE(browser.Start());
  EXPECT_TRUE(WaitFor([&] { return EntryShowing(browser, 0xFF0000) == 0; }, 10000));
  ASSERT_TRUE(browser.Close());
  std::vector<uint8_t> history = ReadAll(browser.Program() / "phist.dat");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(history.data())),
            browser.Pictures().Path() + utf8 + "\\");
}

// This test process runs in the system's page, as the browser does on a
// system that ignores its manifest: a name the page lacks is found as its
// short name, which opens that very file, or with '?', which no command
// takes; and the two "?" names of 海 and 山 do not end the search.
TEST(LegacyCodePage, ANameThePageLacksIsItsShortNameOrNoFilesName) {
  Browser browser;
  for (const char* name : {"Vac \xe6\xb5\xb7.tpic", "Vac \xe5\xb1\xb1.tpic", "Vac 1.tpic"})
    WritePictureNamed(browser, name, 0xFF0000);
  platform::DirSearch search;
  platform::FoundFile found;
  int entries = 0;
  for (bool more = search.First((browser.Pictures() / "*").c_str(), &found); more;
       more = search.Next(&found)) {
    if (found.isFolder) continue;
    ++entries;
    std::string path = browser.Pictures() / found.name;
    EXPECT_TRUE(platform::HasWildcard(found.name) ||
                (platform::FileExists(path.c_str()) &&
                 (std::strcmp(found.name, "Vac 1.tpic") == 0 ||
                  !platform::SameFile(path.c_str(), (browser.Pictures() / "Vac 1.tpic").c_str()))))
        << found.name;
  }
  EXPECT_EQ(entries, 3);
}

// A folder beyond MAX_PATH chosen in the tree is refused with a message and
// the grid empties: it never keeps the folder shown before, which Delete
// would then act on.
TEST(BrowserE2E, AFolderBeyondTheFileFunctionsEmptiesTheGridWithAMessage) {
  Browser browser;
  browser.AddPictures(Rainbow(2));
  std::string outer(150, 'd'), inner(120, 'e');
  for (const std::string& folder : {outer, outer + "\\" + inner})
    ASSERT_TRUE(
        CreateDirectoryW(Wide("\\\\?\\" + browser.Pictures().Path() + folder).c_str(), nullptr));
  browser.RememberPicturesFolder();
  browser.WriteSettings(192, 0, 0, 0, 800, 600);
  ASSERT_TRUE(browser.Start());
  ASSERT_TRUE(browser.WaitForThumbnails(2));
  HWND tree = GetDlgItem(browser.Main(), 1);
  std::string name = browser.Pictures().Path();
  name.pop_back();
  name = name.substr(name.find_last_of('\\') + 1);
  HTREEITEM item = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (item = VisibleItem(browser, tree, name)) != nullptr; }, 10000));
  for (const std::string& step : {outer, inner}) {
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, LPARAM(item));
    item = TreeNext(tree, item, TVGN_CHILD);
    ASSERT_TRUE(item && RemoteItemText(browser, tree, item) == step);
  }
  DialogAnswerer answerer("", browser.ProcessId());
  // Posted: the selection's message box must not hold this thread.
  PostMessageA(tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(item));
  EXPECT_TRUE(WaitFor([&] { return browser.CellCount() == 0; }, 5000));
  ASSERT_TRUE(WaitFor([&] { return !answerer.Messages().empty(); }, 5000));
  EXPECT_EQ(answerer.Messages()[0].substr(0, 16), L"Dossier refus\u00e9 :");
}
