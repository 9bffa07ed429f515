// End-to-end: the real ondex.exe under Wine, opened by a double-click in the
// real ral.exe or started on a path, driven with real keys, and checked by
// the pixels it shows and the files it writes.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "../e2e/browser_driver.h"
#include "../e2e/dialog_answerer.h"
#include "../unit/test_support.h"
#include "image/plugin_registry.h"
#include "image/read_pipeline.h"
#include "platform/platform.h"
#include "shell/app_state.h"

using namespace testing_support;
using namespace e2e;

namespace {

COLORREF Colour(uint32_t rgb) { return RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF); }

std::string BuildFile(const std::string& name) { return platform::ExecutableFolder() + name; }

void TypeKeys(HWND window, const char* keys) {
  SetForegroundWindow(window);
  RunXdotool(std::string("key ") + keys);
  Sleep(300);
}

HWND ViewerFrame() { return FindWindowA("ondex_frame", nullptr); }

std::string Title(HWND frame) {
  char title[256] = {};
  GetWindowTextA(frame, title, sizeof title);
  return title;
}

// The screen colour at the centre of the picture pane.
COLORREF CentreColour(HWND frame) {
  HWND view = FindWindowExA(frame, nullptr, "ondex_view", nullptr);
  RECT client;
  if (!view || !GetClientRect(view, &client)) return CLR_INVALID;
  POINT centre = {client.right / 2, client.bottom / 2};
  ClientToScreen(view, &centre);
  return Browser::ScreenPixel(centre);
}

bool Shows(HWND frame, const std::string& title, uint32_t rgb) {
  return WaitFor([&] { return Title(frame) == title && CentreColour(frame) == Colour(rgb); }, 8000);
}

// A program folder with the real viewer, the test reader and, when asked,
// 8bfkvt.dll with a remembered test filter.
void InstallViewer(const ScratchFolder& program, const char* filter = nullptr) {
  platform::MakeFolder((program / "file_r").c_str());
  ASSERT_TRUE(CopyFileBytes(BuildFile("..\\ondex.exe"), program / "ondex.exe"));
  ASSERT_TRUE(CopyFileBytes(FixturePlugin("reader_tpic"), program / "file_r\\tpic.dll"));
  if (!filter) return;
  ASSERT_TRUE(CopyFileBytes(BuildFile("..\\8bfkvt.dll"), program / "8bfkvt.dll"));
  ASSERT_TRUE(CopyFileBytes(BuildFile("..\\8bfrun.exe"), program / "8bfrun.exe"));
  std::string chosen = BuildFile(std::string("filters\\") + filter + ".8bf");
  WriteAll(program / "8bfkvt.dat", std::vector<uint8_t>(chosen.begin(), chosen.end()));
}

// The viewer's own choice of module, written as the choose dialog leaves it.
void ChooseModule(const ScratchFolder& program, const std::string& module) {
  WriteAll(program / "8bfkvt.dat", std::vector<uint8_t>(module.begin(), module.end()));
}

class ViewerProcess {
 public:
  ViewerProcess(const ScratchFolder& program, const std::string& picture) {
    std::string exe = program / "ondex.exe";
    std::string command = "\"" + exe + "\" \"" + picture + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    started_ = CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &process_);
  }
  ~ViewerProcess() {
    if (!started_) return;
    if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) {
      PostMessageA(ViewerFrame(), WM_CLOSE, 0, 0);
      if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(process_.hProcess, 1);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }
  DWORD Id() const { return process_.dwProcessId; }
  bool Ended(int milliseconds) const {
    return WaitForSingleObject(process_.hProcess, DWORD(milliseconds)) == WAIT_OBJECT_0;
  }

 private:
  bool started_ = false;
  PROCESS_INFORMATION process_ = {};
};

// Reads a saved file back with the shipped WIC reader, through the pipeline,
// on a thread of its own: what the reader leaves on the thread it ran on
// must not reach the test's later messages to the viewer.
PackedDibPtr DecodeWithWic(const std::string& path) {
  PackedDibPtr picture;
  std::thread reading([&] {
    ScratchFolder program;
    platform::MakeFolder((program / "file_r").c_str());
    EXPECT_TRUE(
        CopyFileBytes(BuildFile("..\\plugins\\wic_reader.dll"), program / "file_r\\wic.dll"));
    EXPECT_TRUE(SetProgramFolder(program.Path().c_str()));
    ScanPlugins(g_app.programFolder, nullptr);
    int32_t reader = FindReader(path.c_str());
    picture.reset(
        reader < 0 ? nullptr
                   : ReadImageFile(path.c_str(), nullptr, ReaderPath(reader), ReadMode::Extracted));
    ReleasePlugins();
  });
  reading.join();
  return picture;
}

bool EveryPixelIs(const DibHeader* picture, int32_t width, int32_t height, uint32_t rgb) {
  if (!picture || picture->biWidth != width || picture->biHeight != height) return false;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      if (PixelAt(picture, x, y) != rgb) return false;
  return true;
}

std::string StatusText(HWND frame) {
  char status[64] = "unread";
  HWND bar = FindWindowExA(frame, nullptr, "msctls_statusbar32", nullptr);
  SendMessageTimeoutA(bar, WM_GETTEXT, sizeof status, LPARAM(status), SMTO_BLOCK, 2000, nullptr);
  return status;
}

// True once the viewer's thread has served everything sent or posted to it
// before (it serves sent messages inside a filter's own loop too).
bool Served(HWND frame) {
  DWORD_PTR answer;
  return SendMessageTimeoutA(frame, WM_NULL, 0, 0, SMTO_BLOCK, 10000, &answer) != 0;
}

const char kShownA[] = "a.tpic - 20 x 10 - Ondex", kShownB[] = "b.tpic - 20 x 10 - Ondex",
           kEditedA[] = "a.tpic (modifi\351e) - 20 x 10 - Ondex";
const wchar_t kSaveQuestion[] =
    L"L'image \u00AB a.tpic \u00BB a \u00E9t\u00E9 modifi\u00E9e.\n"
    L"Enregistrer les modifications ? [&Oui|&Non|Annuler]";

// The viewer's save question once it shows, answered with `answer`: its
// text and its buttons' names, or a note when it never shows or stays.
std::wstring AnswerSaveQuestion(int answer) {
  HWND box = WaitForShownWindow("#32770", "Ondex", 8000);
  if (!box) return L"(no question)";
  wchar_t text[256] = {}, button[32];
  GetWindowTextW(GetDlgItem(box, 0xFFFF), text, 255);
  std::wstring seen = std::wstring(text) + L" [";
  for (int id : {IDYES, IDNO, IDCANCEL}) {
    GetDlgItemTextW(box, id, button, 31);
    seen += std::wstring(button) + (id == IDCANCEL ? L"]" : L"|");
  }
  PostMessageA(box, WM_COMMAND, WPARAM(answer), 0);
  return WaitFor([&] { return !IsWindow(box); }, 5000) ? seen : L"(not closed)";
}

void SaveAs(HWND frame, DWORD process, const std::string& path) {
  DialogAnswerer answerer(path, process);
  TypeKeys(frame, "ctrl+s");
  EXPECT_TRUE(WaitFor([&] { return platform::FileSize(path.c_str()) > 0; }, 10000)) << path;
  EXPECT_TRUE(Served(frame));  // the viewer's thread is back in its loop: the save is done
}

HWND ShownFrame() {
  HWND frame = nullptr;
  WaitFor([&] { return (frame = ViewerFrame()) && IsWindowVisible(frame); }, 10000);
  return frame;
}

// The other architecture's build tree beside this one ("" when absent).
std::string OtherArchitectureBuild() {
  std::string other = BuildFile(sizeof(void*) == 8 ? "..\\..\\win32\\" : "..\\..\\win64\\");
  return platform::FileExists((other + "8bfrun.exe").c_str()) ? other : "";
}

// Whether this machine (and Wine prefix) starts the runner of the other
// architecture: given no block, it ends at once with its "bad arguments" code.
bool RunnerStarts(const std::string& runner) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string command = "\"" + runner + "\"";
  if (!CreateProcessA(runner.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return false;
  DWORD code = 0;
  bool ended = WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0 &&
               GetExitCodeProcess(process.hProcess, &code) && code == 2;
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return ended;
}

}  // namespace

// The viewer that the browser starts is closed at the end, whatever happened.
struct ViewerClosedAtEnd {
  ~ViewerClosedAtEnd() {
    for (HWND frame; (frame = ViewerFrame()) != nullptr && IsWindow(frame);) {
      PostMessageA(frame, WM_CLOSE, 0, 0);
      if (!WaitFor([&] { return !IsWindow(frame); }, 5000)) break;
    }
  }
};

TEST(ViewerE2E, DoubleClickInTheBrowserOpensThePictureAndTheKeysWalkTheFolder) {
  ViewerClosedAtEnd closeViewer;
  Browser browser;
  browser.AddPictures({{"p00.tpic", 0xC00000}, {"p01.tpic", 0x00A000}, {"p02.tpic", 0x0000B0}});
  WriteAll(browser.Pictures() / "p01b.txt", {'x'});  // no reader claims it
  browser.RememberPicturesFolder();
  browser.WriteSettings(192, 0, 0, 0, 700, 400);
  ASSERT_TRUE(CopyFileBytes(BuildFile("..\\ondex.exe"), browser.Program() / "ondex.exe"));
  ASSERT_TRUE(browser.Start());
  ASSERT_TRUE(browser.WaitForThumbnails(3));
  ASSERT_EQ(ViewerFrame(), nullptr);

  MoveTo(browser.CellCentre(1));
  for (int click = 0; click < 2; ++click) {
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
  }
  HWND frame = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (frame = ViewerFrame()) && IsWindowVisible(frame); }, 10000));
  EXPECT_TRUE(Shows(frame, "p01.tpic - 40 x 30 - Ondex", 0x00A000)) << Title(frame);

  TypeKeys(frame, "Next");
  EXPECT_TRUE(Shows(frame, "p02.tpic - 40 x 30 - Ondex", 0x0000B0)) << Title(frame);
  TypeKeys(frame, "Next");  // the last one: the walk stops
  EXPECT_TRUE(Shows(frame, "p02.tpic - 40 x 30 - Ondex", 0x0000B0)) << Title(frame);
  TypeKeys(frame, "Prior");
  EXPECT_TRUE(Shows(frame, "p01.tpic - 40 x 30 - Ondex", 0x00A000)) << Title(frame);
  TypeKeys(frame, "Left");
  EXPECT_TRUE(Shows(frame, "p00.tpic - 40 x 30 - Ondex", 0xC00000)) << Title(frame);
  TypeKeys(frame, "Right");
  EXPECT_TRUE(Shows(frame, "p01.tpic - 40 x 30 - Ondex", 0x00A000)) << Title(frame);

  TypeKeys(frame, "Escape");
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(frame); }, 5000));
}

TEST(ViewerE2E, AFilterThatCrashesOnItsSecondRunLeavesTheFirstEditAndItsUndo) {
  ScratchFolder program, pictures;
  InstallViewer(program, "InvertWhole");
  std::string module = program / "CrashOnSecondRun.8bf";  // its mark is made beside it
  ASSERT_TRUE(CopyFileBytes(BuildFile("filters\\CrashOnSecondRun.8bf"), module));
  ChooseModule(program, module);
  WriteAll(pictures / "a.tpic", SolidPicture(30, 20, 0x336699).Bytes());
  ViewerProcess viewer(program, pictures / "a.tpic");
  HWND frame = ShownFrame();
  ASSERT_TRUE(Shows(frame, "a.tpic - 30 x 20 - Ondex", 0x336699)) << Title(frame);

  TypeKeys(frame, "ctrl+f");
  ASSERT_TRUE(Shows(frame, "a.tpic (modifi\351e) - 30 x 20 - Ondex", 0xCC9966));
  {
    DialogAnswerer answers("", viewer.Id());  // the viewer says the filter crashed
    TypeKeys(frame, "ctrl+f");
    EXPECT_TRUE(WaitFor([&] { return !answers.Messages().empty(); }, 15000));
  }
  EXPECT_FALSE(viewer.Ended(0));
  EXPECT_TRUE(Shows(frame, "a.tpic (modifi\351e) - 30 x 20 - Ondex", 0xCC9966));
  TypeKeys(frame, "ctrl+z");  // the first run's undo copy is still there
  EXPECT_TRUE(Shows(frame, "a.tpic - 30 x 20 - Ondex", 0x336699));
}

TEST(ViewerE2E, StopEndsAFilterThatNeverReturns) {
  ScratchFolder program, pictures;
  InstallViewer(program, "Hang");
  WriteAll(pictures / "a.tpic", SolidPicture(30, 20, 0x208040).Bytes());
  ViewerProcess viewer(program, pictures / "a.tpic");
  HWND frame = ShownFrame();
  ASSERT_TRUE(Shows(frame, "a.tpic - 30 x 20 - Ondex", 0x208040)) << Title(frame);

  TypeKeys(frame, "ctrl+f");
  HWND stop = nullptr;
  ASSERT_TRUE(
      WaitFor([&] { return (stop = FindWindowA("ondex_filter_run", nullptr)) != nullptr; }, 10000));
  HWND button = FindWindowExA(stop, nullptr, "Button", nullptr);
  RECT place;
  ASSERT_TRUE(button && GetWindowRect(button, &place));
  DialogAnswerer answers("", viewer.Id());
  MoveTo({(place.left + place.right) / 2, (place.top + place.bottom) / 2});
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  SendMouse(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(stop); }, 10000));
  // The viewer says the run was stopped; its message box holds the frame
  // disabled until it is answered.
  EXPECT_TRUE(WaitFor([&] { return !answers.Messages().empty(); }, 10000));
  EXPECT_FALSE(viewer.Ended(0));
  EXPECT_TRUE(Shows(frame, "a.tpic - 30 x 20 - Ondex", 0x208040));
  EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(frame) != FALSE; }, 5000));
}

// The 32-bit viewer runs a 64-bit filter and the 64-bit viewer a 32-bit
// one, through the runner of the other family (dist\ and dist\x64\).
TEST(ViewerE2E, AFilterOfTheOtherArchitectureRunsInItsOwnRunner) {
  std::string other = OtherArchitectureBuild();
  if (other.empty()) GTEST_SKIP() << "the other architecture's build tree is not there";
  bool viewer64 = sizeof(void*) == 8;
  ScratchFolder top, pictures;
  std::string own = viewer64 ? top / "x64\\" : top.Path();  // each ends in a backslash
  std::string foreign = viewer64 ? top.Path() : top / "x64\\";
  platform::MakeFolder((top / "x64").c_str());
  platform::MakeFolder((own + "file_r").c_str());
  ASSERT_TRUE(CopyFileBytes(BuildFile("..\\ondex.exe"), own + "ondex.exe"));
  ASSERT_TRUE(CopyFileBytes(FixturePlugin("reader_tpic"), own + "file_r\\tpic.dll"));
  for (const char* file : {"8bfkvt.dll", "8bfrun.exe"}) {
    ASSERT_TRUE(CopyFileBytes(BuildFile(std::string("..\\") + file), own + file));
    ASSERT_TRUE(CopyFileBytes(other + file, foreign + file));
  }
  if (!RunnerStarts(foreign + "8bfrun.exe"))
    GTEST_SKIP() << "this machine does not run the other architecture's programs";
  std::string module = other + "tests\\filters\\InvertTiles.8bf";
  WriteAll(own + "8bfkvt.dat", std::vector<uint8_t>(module.begin(), module.end()));
  WriteAll(pictures / "a.tpic", SolidPicture(70, 90, 0x112233).Bytes());

  std::string exe = own + "ondex.exe",
              command = "\"" + exe + "\" \"" + (pictures / "a.tpic") + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  ViewerClosedAtEnd closeViewer;
  HWND frame = ShownFrame();
  ASSERT_TRUE(Shows(frame, "a.tpic - 70 x 90 - Ondex", 0x112233)) << Title(frame);
  TypeKeys(frame, "ctrl+f");
  EXPECT_TRUE(Shows(frame, "a.tpic - 70 x 90 - Ondex", 0xEEDDCC));
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
}

TEST(ViewerE2E, FilterRunChangesThePictureSaveAsKeepsItAndCtrlZRestoresIt) {
  ScratchFolder program, pictures;
  InstallViewer(program, "InvertTiles");
  WriteAll(pictures / "odd.tpic", SolidPicture(41, 31, 0x336699).Bytes());
  ViewerProcess viewer(program, pictures / "odd.tpic");
  HWND frame = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (frame = ViewerFrame()) && IsWindowVisible(frame); }, 10000));
  ASSERT_TRUE(Shows(frame, "odd.tpic - 41 x 31 - Ondex", 0x336699)) << Title(frame);

  TypeKeys(frame, "ctrl+f");  // the run command of the Filtres menu
  EXPECT_TRUE(Shows(frame, "odd.tpic (modifi\351e) - 41 x 31 - Ondex", 0xCC9966)) << Title(frame);
  EXPECT_EQ(StatusText(frame), "") << "the progress text is cleared at the end of the run";

  SaveAs(frame, viewer.Id(), pictures / "saved.png");
  EXPECT_EQ(Title(frame), "odd.tpic - 41 x 31 - Ondex") << "a saved edit is no longer pending";
  SaveAs(frame, viewer.Id(), pictures / "saved.bmp");
  PackedDibPtr png = DecodeWithWic(pictures / "saved.png");
  PackedDibPtr bmp = DecodeWithWic(pictures / "saved.bmp");
  EXPECT_TRUE(EveryPixelIs(png.get(), 41, 31, 0xCC9966));
  EXPECT_TRUE(EveryPixelIs(bmp.get(), 41, 31, 0xCC9966));

  TypeKeys(frame, "ctrl+z");
  EXPECT_TRUE(Shows(frame, "odd.tpic - 41 x 31 - Ondex", 0x336699));
}

TEST(ViewerE2E, AnUnreadablePictureGivesAMessageAndAnEmptyWindowThenOpenPicksAnother) {
  ScratchFolder program, pictures;
  InstallViewer(program);
  TestPicture broken = SolidPicture(8, 8, 0xFFFFFF);
  broken.flags = kTpFailSize;
  WriteAll(pictures / "broken.tpic", broken.Bytes());
  WriteAll(pictures / "good.tpic", SolidPicture(8, 8, 0x208040).Bytes());
  ViewerProcess viewer(program, pictures / "broken.tpic");
  std::vector<std::wstring> messages;
  {
    DialogAnswerer boxes("", viewer.Id());
    ASSERT_TRUE(WaitFor([&] { return !boxes.Messages().empty(); }, 10000));
    messages = boxes.Messages();
  }
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find(L"Impossible d'afficher \u00AB broken.tpic \u00BB"),
            std::wstring::npos)
      << std::string(messages[0].begin(), messages[0].end());
  HWND frame = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (frame = ViewerFrame()) && IsWindowVisible(frame); }, 5000));
  EXPECT_TRUE(Shows(frame, "broken.tpic - Ondex", 0x303030)) << Title(frame);  // the empty pane

  DialogAnswerer open(pictures / "good.tpic", viewer.Id());
  TypeKeys(frame, "ctrl+o");
  EXPECT_TRUE(Shows(frame, "good.tpic - 8 x 8 - Ondex", 0x208040)) << Title(frame);
}

// The real viewer with a test filter, showing a.tpic (blue-grey) with
// b.tpic (green) beside it.
class ViewerOnAnEditablePicture : public ::testing::Test {
 protected:
  bool Start(const char* filter) {
    InstallViewer(program, filter);
    WriteAll(pictures / "a.tpic", SolidPicture(20, 10, 0x336699).Bytes());
    WriteAll(pictures / "b.tpic", SolidPicture(20, 10, 0x208040).Bytes());
    viewer = std::make_unique<ViewerProcess>(program, pictures / "a.tpic");
    return WaitFor([&] { return (frame = ViewerFrame()) && IsWindowVisible(frame); }, 10000) &&
           Shows(frame, kShownA, 0x336699);
  }
  bool RunInvertingFilter() {
    TypeKeys(frame, "ctrl+f");
    return Shows(frame, kEditedA, 0xCC9966);
  }

  ScratchFolder program, pictures;
  std::unique_ptr<ViewerProcess> viewer;
  HWND frame = nullptr;
};

// While a filter serves the viewer's messages in its own loop, Next, Open,
// Ctrl+Z and Escape (which would free the picture it writes into) do
// nothing, and a close is answered after the run, with the question.
TEST_F(ViewerOnAnEditablePicture, CommandsWaitForAFilterThatServesMessagesAndCloseAsksAfterIt) {
  HANDLE end = CreateEventA(nullptr, TRUE, FALSE, "TamselPumpMessagesEnd");
  ASSERT_TRUE(Start("PumpMessages")) << Title(frame);
  PostMessageA(frame, WM_COMMAND, 1302, 0);  // the run command
  ASSERT_TRUE(WaitFor([&] { return StatusText(frame) == "Filtre en cours : 50 %"; }, 10000));
  for (WPARAM command : {1003, 1001, 1101, 1005}) PostMessageA(frame, WM_COMMAND, command, 0);
  PostMessageA(frame, WM_CLOSE, 0, 0);
  ASSERT_TRUE(Served(frame));
  EXPECT_EQ(Title(frame), kShownA);
  SetEvent(end);
  EXPECT_EQ(AnswerSaveQuestion(IDNO), kSaveQuestion);
  EXPECT_TRUE(viewer->Ended(5000));
  CloseHandle(end);
}

// Annuler keeps the edit, Non drops it and walks, Oui saves through the
// dialog and then walks.
TEST_F(ViewerOnAnEditablePicture, NextOnAnEditedPictureAsksWhetherToSaveIt) {
  ASSERT_TRUE(Start("InvertTiles")) << Title(frame);
  ASSERT_TRUE(RunInvertingFilter()) << Title(frame);
  TypeKeys(frame, "Next");
  EXPECT_EQ(AnswerSaveQuestion(IDCANCEL), kSaveQuestion);
  EXPECT_TRUE(Shows(frame, kEditedA, 0xCC9966)) << Title(frame);
  TypeKeys(frame, "Down");  // walks in the fitted view, so asks as well
  EXPECT_EQ(AnswerSaveQuestion(IDNO), kSaveQuestion);
  EXPECT_TRUE(Shows(frame, kShownB, 0x208040)) << Title(frame);
  TypeKeys(frame, "Prior");  // nothing to ask: the edit was dropped
  EXPECT_TRUE(Shows(frame, kShownA, 0x336699)) << Title(frame);
  ASSERT_TRUE(RunInvertingFilter()) << Title(frame);
  {
    DialogAnswerer answers(pictures / "kept.bmp", viewer->Id());  // Oui, then the name
    TypeKeys(frame, "Next");
    EXPECT_TRUE(Shows(frame, kShownB, 0x208040)) << Title(frame);
  }
  EXPECT_TRUE(EveryPixelIs(DecodeWithWic(pictures / "kept.bmp").get(), 20, 10, 0xCC9966));
}

// A save over a file held open without sharing fails with its reason and
// leaves the file byte for byte, no temporary file, and the edit pending.
TEST_F(ViewerOnAnEditablePicture, AFailedSaveLeavesTheFileItWouldReplaceAsItWas) {
  std::vector<uint8_t> original = SolidPicture(7, 5, 0x123456).Bytes();
  WriteAll(pictures / "kept.bmp", original);
  ASSERT_TRUE(Start("InvertTiles")) << Title(frame);
  ASSERT_TRUE(RunInvertingFilter()) << Title(frame);
  platform::ExclusiveFile holder;
  ASSERT_TRUE(holder.Hold((pictures / "kept.bmp").c_str()));
  std::vector<std::wstring> messages;
  {
    DialogAnswerer answers(pictures / "kept.bmp", viewer->Id());  // Yes to "replace?"
    TypeKeys(frame, "ctrl+s");
    WaitFor([&] { return (messages = answers.Messages()).size() >= 2; }, 10000);
  }
  holder.Release();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back(),
            L"Impossible d'enregistrer \u00AB kept.bmp \u00BB.\nLe fichier est ouvert par un autre "
            L"programme.\nLe fichier existant est rest\u00E9 tel qu'il \u00E9tait.");
  EXPECT_EQ(ReadAll(pictures / "kept.bmp"), original);
  platform::FoundFile found;
  platform::DirSearch search;
  EXPECT_FALSE(search.First((pictures / "~ond*.tmp").c_str(), &found)) << found.name;
  EXPECT_EQ(Title(frame), kEditedA);
  PostMessageA(frame, WM_CLOSE, 0, 0);
  EXPECT_EQ(AnswerSaveQuestion(IDNO), kSaveQuestion);
}
