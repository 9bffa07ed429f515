// A test host that uses 8bfkvt.dll as the family's viewer does: an image in
// memory behind GetLineProc/PutLineProc cells, a window that records the
// WM_USER notifications, and real .8bf test filters with real resources.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "../e2e/dialog_answerer.h"
#include "../unit/test_support.h"
#include "filter_adapter/host_image.h"
#include "platform/platform.h"

using namespace testing_support;

namespace {

// ---- The host's image and window -----------------------------------------------------

struct HostPicture {
  HostImageSize size = {0, 0};
  std::vector<uint8_t> bgr;
  int gets = 0, puts = 0;
};
HostPicture g_picture;

uint8_t* At(int32_t x, int32_t y) {
  return &g_picture.bgr[(size_t(y) * g_picture.size.width + x) * 3];
}

void __cdecl GetLine(int32_t y, int32_t x0, int32_t x1, uint8_t* pixels, int32_t) {
  ++g_picture.gets;
  std::memcpy(pixels, At(x0, y), size_t(x1 - x0 + 1) * 3);
}

void __cdecl PutLine(int32_t y, int32_t x0, int32_t x1, uint8_t* pixels, int32_t) {
  ++g_picture.puts;
  std::memcpy(At(x0, y), pixels, size_t(x1 - x0 + 1) * 3);
}

HostLineFn g_getCell = GetLine, g_putCell = PutLine;
std::vector<std::pair<WPARAM, LPARAM>> g_notices;

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_USER) {
    g_notices.push_back({w, l});
    return 0;
  }
  return DefWindowProcA(window, message, w, l);
}

HWND MakeHostWindow() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = HostWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "filter_host_test";
    windowClass.hbrBackground = HBRUSH(GetStockObject(WHITE_BRUSH));
    RegisterClassA(&windowClass);
    registered = true;
  }
  HWND window = CreateWindowA("filter_host_test", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                              200, 120, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  UpdateWindow(window);
  return window;
}

// ---- The adapter, loaded fresh with its own 8bfkvt.dat ------------------------------

using FilterProcFn = int32_t(__cdecl*)(HWND, const HostImageSize*, HostLineFn*, HostLineFn*);
using FilterGetTitleFn = int32_t(__cdecl*)(int32_t, char*, int32_t*, int32_t*);

std::string TestFilter(const std::string& name) {
  return platform::ExecutableFolder() + "filters\\" + name + ".8bf";
}

class Adapter {
 public:
  // Copies 8bfkvt.dll into a fresh folder, with a settings file naming
  // `filterPath` unless it is null.
  explicit Adapter(const char* filterPath) {
    std::string dll = folder_ / "8bfkvt.dll";
    EXPECT_TRUE(CopyFileBytes(platform::ExecutableFolder() + "..\\8bfkvt.dll", dll));
    if (filterPath)
      WriteAll(folder_ / "8bfkvt.dat",
               std::vector<uint8_t>(filterPath, filterPath + std::strlen(filterPath)));
    module_ = LoadLibraryA(dll.c_str());
    EXPECT_NE(module_, nullptr);
  }
  ~Adapter() { FreeLibrary(module_); }
  template <typename Fn>
  Fn Export(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }
  const ScratchFolder& Folder() const { return folder_; }

 private:
  ScratchFolder folder_;
  HMODULE module_ = nullptr;
};

void MakePicture(int32_t width, int32_t height) {
  g_picture.size = {width, height};
  g_picture.bgr.resize(size_t(width) * height * 3);
  for (size_t i = 0; i < g_picture.bgr.size(); ++i) g_picture.bgr[i] = uint8_t(i * 13 + i / 7);
  g_picture.gets = g_picture.puts = 0;
  g_notices.clear();
}

struct RunResult {
  int32_t returned;
  std::vector<uint8_t> before;
};

RunResult RunFilter(Adapter& adapter, HWND window, int32_t width, int32_t height) {
  MakePicture(width, height);
  RunResult result{0, g_picture.bgr};
  auto filterProc = adapter.Export<FilterProcFn>("FilterProc");
  EXPECT_NE(filterProc, nullptr);
  if (filterProc) result.returned = filterProc(window, &g_picture.size, &g_putCell, &g_getCell);
  return result;
}

bool IsInverse(const std::vector<uint8_t>& before) {
  for (size_t i = 0; i < before.size(); ++i)
    if (g_picture.bgr[i] != uint8_t(255 - before[i])) return false;
  return true;
}

// The notifications of the last run, for failure messages: a published-layout
// test filter reports the number of a failed check as its progress.
std::string NoticesText() {
  std::string text = " notices:";
  for (auto& notice : g_notices)
    text += " (" + std::to_string(notice.first) + ", " + std::to_string(notice.second) + ")";
  return text;
}

class FilterHost : public ::testing::Test {
 protected:
  void SetUp() override { window_ = MakeHostWindow(); }
  void TearDown() override { DestroyWindow(window_); }

  // Runs a test filter over the odd sizes and expects the host's picture to
  // end inverted, with one end notification per run.
  void ExpectInverts(const std::string& filter) {
    SCOPED_TRACE(filter);
    Adapter adapter(TestFilter(filter).c_str());
    for (auto size : {std::make_pair(1, 1), std::make_pair(3, 2), std::make_pair(257, 131)}) {
      RunResult run = RunFilter(adapter, window_, size.first, size.second);
      EXPECT_EQ(run.returned, 1) << size.first << "x" << size.second;
      EXPECT_TRUE(IsInverse(run.before)) << size.first << "x" << size.second << NoticesText();
      EXPECT_EQ(g_picture.puts, size.second);
      ASSERT_FALSE(g_notices.empty());
      EXPECT_EQ(g_notices.back(), std::make_pair(WPARAM(0), LPARAM(0)));
    }
  }

  HWND window_ = nullptr;
};

}  // namespace

TEST_F(FilterHost, TitleAndNumbers) {
  Adapter adapter(nullptr);
  auto getTitle = adapter.Export<FilterGetTitleFn>("FilterGetTitle");
  ASSERT_NE(getTitle, nullptr);
  char title[64];
  std::memset(title, 'x', sizeof title);
  int32_t one = 0, ten = 0;
  EXPECT_EQ(getTitle(12345, title, &one, &ten), 1);
  EXPECT_STREQ(title, "8bfkvt (experimental)");
  EXPECT_EQ(one, 1);
  EXPECT_EQ(ten, 10);
}

TEST_F(FilterHost, FiltersThatInvert) {
  for (const char* filter : {"InvertWhole", "InvertTiles", "UseBuffers", "OtherPropertiesFirst",
                             "TwoEntries", "PimiOnly", "PiplAndPimi"})
    ExpectInverts(filter);
}

TEST_F(FilterHost, SampledInput) {
  Adapter adapter(TestFilter("SampleHalf").c_str());
  for (auto size : {std::make_pair(1, 1), std::make_pair(3, 2), std::make_pair(257, 131)}) {
    RunResult run = RunFilter(adapter, window_, size.first, size.second);
    EXPECT_EQ(run.returned, 1);
    int32_t width = size.first;
    bool sound = true;
    for (int32_t y = 0; y < size.second; ++y)
      for (int32_t x = 0; x < width; ++x)
        for (int c = 0; c < 3; ++c)
          sound &= g_picture.bgr[(size_t(y) * width + x) * 3 + c] ==
                   uint8_t(255 - run.before[(size_t(y / 2 * 2) * width + x / 2 * 2) * 3 + c]);
    EXPECT_TRUE(sound) << size.first << "x" << size.second;
  }
}

TEST_F(FilterHost, SinglePlaneIsStoredAlone) {
  Adapter adapter(TestFilter("SinglePlane").c_str());
  RunResult run = RunFilter(adapter, window_, 257, 131);
  EXPECT_EQ(run.returned, 1);
  std::vector<uint8_t> expected = run.before;
  for (size_t i = 1; i < expected.size(); i += 3) expected[i] = 0;  // B, G, R: green cleared
  EXPECT_EQ(g_picture.bgr, expected);
}

TEST_F(FilterHost, ProgressReachesTheHostWindow) {
  Adapter adapter(TestFilter("ReportProgress").c_str());
  RunResult run = RunFilter(adapter, window_, 3, 2);
  EXPECT_TRUE(IsInverse(run.before));
  std::vector<std::pair<WPARAM, LPARAM>> expected = {{3, 25}, {0, 0}};
  EXPECT_EQ(g_notices, expected);

  Adapter tiles(TestFilter("InvertTiles").c_str());
  RunFilter(tiles, window_, 5, 131);  // three tiles: 33, 66, 100 %
  expected = {{3, 33}, {3, 66}, {3, 100}, {0, 0}};
  EXPECT_EQ(g_notices, expected);
}

TEST_F(FilterHost, DisplayPixelsDrawsInTheHostWindow) {
  Adapter adapter(TestFilter("Display").c_str());
  RunResult run = RunFilter(adapter, window_, 3, 2);
  EXPECT_EQ(run.returned, 1);
  EXPECT_TRUE(IsInverse(run.before));
  HDC dc = GetDC(window_);
  // The 4 x 2 red map drawn at column 2, row 1: its last column and row too.
  EXPECT_EQ(GetPixel(dc, 5, 2), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 2, 1), RGB(255, 0, 0));
  EXPECT_NE(GetPixel(dc, 6, 2), RGB(255, 0, 0));
  ReleaseDC(window_, dc);
}

TEST_F(FilterHost, FailureInParametersLeavesTheHostUntouched) {
  Adapter adapter(TestFilter("FailParameters").c_str());
  RunResult run = RunFilter(adapter, window_, 3, 2);
  EXPECT_EQ(run.returned, 1);
  EXPECT_EQ(g_picture.bgr, run.before);
  EXPECT_EQ(g_picture.puts, 0);
  std::vector<std::pair<WPARAM, LPARAM>> expected = {{3, 100}, {0, 0}};  // finish, then end
  EXPECT_EQ(g_notices, expected);
}

TEST_F(FilterHost, ModulesWithoutARunnableEntry) {
  for (const char* filter : {"NoEntries", "Unresolved"}) {
    Adapter adapter(TestFilter(filter).c_str());
    DialogAnswerer answerer;
    RunResult run = RunFilter(adapter, window_, 3, 2);
    EXPECT_EQ(run.returned, 0) << filter;
    EXPECT_EQ(g_picture.bgr, run.before);
    EXPECT_TRUE(g_notices.empty());
    EXPECT_TRUE(answerer.Messages().empty());
  }
}

TEST_F(FilterHost, MissingSettingsOpensTheDialogAndCancelFailsToLoad) {
  Adapter adapter(nullptr);
  DialogAnswerer answerer;
  RunResult run = RunFilter(adapter, window_, 3, 2);
  EXPECT_EQ(run.returned, 0);
  EXPECT_EQ(answerer.FileDialogs(), 1);
  ASSERT_EQ(answerer.Messages().size(), 1u);
  EXPECT_EQ(answerer.Messages()[0], L"プラグインをロードできませんでした");
  EXPECT_EQ(g_picture.bgr, run.before);
  EXPECT_FALSE(platform::FileExists((adapter.Folder() / "8bfkvt.dat").c_str()));
}

TEST_F(FilterHost, SizesTheRecordCannotHoldAreRefused) {
  Adapter adapter(TestFilter("InvertWhole").c_str());
  auto filterProc = adapter.Export<FilterProcFn>("FilterProc");
  HostImageSize tooWide = {32768, 1};
  EXPECT_EQ(filterProc(window_, &tooWide, &g_putCell, &g_getCell), 0);
  HostImageSize empty = {0, 0};
  EXPECT_EQ(filterProc(window_, &empty, &g_putCell, &g_getCell), 0);
}

TEST_F(FilterHost, ChoiceFromTheDialogIsRememberedInTheSettingsFile) {
  // A module whose full path is 259 bytes, the most the dialog's buffer holds.
  ScratchFolder deep;
  std::string folder = deep.Path();
  std::string name = ".8bf";
  while (folder.size() + 100 + name.size() < 259) {
    folder += std::string(90, 'd') + "\\";
    ASSERT_TRUE(platform::MakeFolder(folder.substr(0, folder.size() - 1).c_str()));
  }
  std::string path = folder + std::string(259 - folder.size() - name.size(), 'f') + name;
  ASSERT_EQ(path.size(), 259u);
  ASSERT_TRUE(CopyFileBytes(TestFilter("InvertWhole"), path));

  std::string settings;
  {
    Adapter adapter(nullptr);
    DialogAnswerer answerer(path);
    auto filterOption = adapter.Export<int32_t(__cdecl*)(HWND)>("FilterOption");
    EXPECT_EQ(filterOption(window_), 1);
    EXPECT_EQ(answerer.FileDialogs(), 1);
    std::vector<uint8_t> saved = ReadAll(adapter.Folder() / "8bfkvt.dat");
    settings.assign(saved.begin(), saved.end());
    RunResult run = RunFilter(adapter, window_, 3, 2);  // the choice holds at once
    EXPECT_TRUE(IsInverse(run.before));
  }
  EXPECT_EQ(settings, path);  // no line break, no terminator

  Adapter later(settings.c_str());  // a later process reads it back
  RunResult run = RunFilter(later, window_, 3, 2);
  EXPECT_EQ(run.returned, 1);
  EXPECT_TRUE(IsInverse(run.before));
}

// ---- Filters written against the published layout alone ----------------------------

TEST_F(FilterHost, PublishedLayoutFiltersThatInvert) {
  for (const char* filter : {"AskHost", "PastTheEdge", "WriteTail"}) ExpectInverts(filter);
}

// Parameters in a handle, each plane alone in tiles of the hint size (two by
// two tiles at 300 x 260), and only pixels of even row + column written.
TEST_F(FilterHost, PublishedSamplePatternWritesOnlyItsPixels) {
  Adapter adapter(TestFilter("SampleStyle").c_str());
  for (auto size : {std::make_pair(1, 1), std::make_pair(3, 2), std::make_pair(300, 260)}) {
    RunResult run = RunFilter(adapter, window_, size.first, size.second);
    EXPECT_EQ(run.returned, 1);
    bool sound = true;
    for (int32_t y = 0; y < size.second; ++y)
      for (int32_t x = 0; x < size.first; ++x)
        for (int c = 0; c < 3; ++c) {
          size_t i = (size_t(y) * size_t(size.first) + size_t(x)) * 3 + size_t(c);
          sound &= g_picture.bgr[i] == ((x + y) % 2 == 0 ? uint8_t(~run.before[i]) : run.before[i]);
        }
    EXPECT_TRUE(sound) << size.first << "x" << size.second << NoticesText();
    ASSERT_GE(g_notices.size(), 2u);
    EXPECT_EQ(g_notices[g_notices.size() - 2], std::make_pair(WPARAM(3), LPARAM(100)));
  }
}

// ---- The later host services, asked for as filters of their era do --------------------

TEST_F(FilterHost, HostServicesAnswerAsPublished) {
  for (const char* filter :
       {"AskBasicSuite", "ConvertColours", "ReadPorts", "Interpolate", "PadEdges"})
    ExpectInverts(filter);
}

// The system's picker: confirmed with its starting colour, then cancelled.
TEST_F(FilterHost, ColourPickerIsTheSystemsDialog) {
  Adapter adapter(TestFilter("PickColour").c_str());
  DialogAnswerer answerer("confirm");
  RunResult run = RunFilter(adapter, window_, 3, 2);
  EXPECT_EQ(run.returned, 1);
  EXPECT_TRUE(IsInverse(run.before)) << NoticesText();
  EXPECT_EQ(answerer.FileDialogs(), 2);
}

TEST_F(FilterHost, AboutShowsTheFiltersBox) {
  using FilterAboutFn = int32_t(__cdecl*)(HWND);
  {
    Adapter adapter(TestFilter("ShowAbout").c_str());
    auto about = adapter.Export<FilterAboutFn>("FilterAbout");
    ASSERT_NE(about, nullptr);
    DialogAnswerer answerer;
    EXPECT_EQ(about(window_), 1);
    ASSERT_EQ(answerer.Messages().size(), 1u);
    EXPECT_EQ(answerer.Messages()[0], L"ShowAbout 1.0");
    RunResult run = RunFilter(adapter, window_, 3, 2);  // a run afterwards is untouched by it
    EXPECT_TRUE(IsInverse(run.before));
  }
  Adapter none(nullptr);  // no filter chosen: nothing to show, no dialog
  DialogAnswerer answerer;
  EXPECT_EQ(none.Export<FilterAboutFn>("FilterAbout")(window_), 0);
  EXPECT_EQ(answerer.FileDialogs(), 0);
  EXPECT_TRUE(answerer.Messages().empty());
}

// What the RememberSettings filter found at each run: ten times the number of
// its last run, plus 1 when its dialog is to be shown.
std::vector<LPARAM> SettingsFound(Adapter& adapter, HWND window, int runs) {
  std::vector<LPARAM> found;
  for (int i = 0; i < runs; ++i) {
    RunResult run = RunFilter(adapter, window, 3, 2);
    EXPECT_TRUE(IsInverse(run.before)) << NoticesText();
    found.push_back(g_notices.empty() ? -1 : g_notices.front().second);
  }
  return found;
}

TEST_F(FilterHost, SettingsComeBackInTheProcessAndInTheNext) {
  std::string filter = TestFilter("RememberSettings");
  std::vector<uint8_t> kept;
  {
    Adapter adapter(filter.c_str());
    // No settings, then those of runs 1 and 2; from run 2 on it has no dialog.
    EXPECT_EQ(SettingsFound(adapter, window_, 3), (std::vector<LPARAM>{1, 11, 20}));
    kept = ReadAll(adapter.Folder() / "8bfkvt.prm");
    EXPECT_FALSE(kept.empty());
  }
  Adapter later(filter.c_str());  // a later process finds the file
  WriteAll(later.Folder() / "8bfkvt.prm", kept);
  EXPECT_EQ(SettingsFound(later, window_, 1), (std::vector<LPARAM>{30}));

  Adapter damaged(filter.c_str());  // a file it cannot read is moved aside, not lost
  std::vector<uint8_t> garbage = {'8', 'B', 'D', 'P', 1, 0, 0, 0, 200, 0, 0, 0, 'x'};
  WriteAll(damaged.Folder() / "8bfkvt.prm", garbage);
  EXPECT_EQ(SettingsFound(damaged, window_, 1), (std::vector<LPARAM>{1}));
  EXPECT_EQ(ReadAll(damaged.Folder() / "8bfkvt.prm.bad"), garbage);
  EXPECT_FALSE(ReadAll(damaged.Folder() / "8bfkvt.prm").empty());

  Adapter again(filter.c_str());  // an earlier damaged file is not replaced either
  WriteAll(again.Folder() / "8bfkvt.prm.bad", {'o', 'l', 'd'});
  WriteAll(again.Folder() / "8bfkvt.prm", garbage);
  SettingsFound(again, window_, 1);
  EXPECT_EQ(ReadAll(again.Folder() / "8bfkvt.prm.bad"), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(ReadAll(again.Folder() / "8bfkvt.prm.bad2"), garbage);
}
// A repeat (the host's "last filter" command) plays the last settings
// without the dialog the filter recorded as optional; with nothing kept, the
// dialog comes all the same.
TEST_F(FilterHost, ARepeatPlaysTheLastSettingsWithoutAnOptionalDialog) {
  Adapter adapter(TestFilter("RememberSettings").c_str());
  auto repeatNext = adapter.Export<int32_t(__cdecl*)(int32_t)>("FilterRepeatNext");
  ASSERT_NE(repeatNext, nullptr);
  repeatNext(1);
  EXPECT_EQ(SettingsFound(adapter, window_, 1), (std::vector<LPARAM>{1}));
  repeatNext(1);
  EXPECT_EQ(SettingsFound(adapter, window_, 1), (std::vector<LPARAM>{10}));
}

// ---- What a host learns through the optional exports -----------------------------------

namespace {

using LastResultFn = int32_t(__cdecl*)(int32_t*, char*, int32_t);
using DescribeFn = int32_t(__cdecl*)(const char*, int32_t, char*, int32_t, int32_t*);
using UseModuleFn = int32_t(__cdecl*)(const char*, int32_t);

#if defined(__i386__)
constexpr int32_t kOwnMachine = 0x14C;
#else
constexpr int32_t kOwnMachine = 0x8664;
#endif

}  // namespace

TEST_F(FilterHost, LastResultTellsHowTheRunEndedAndWhy) {
  struct Case {
    const char* filter;
    int32_t returned, outcome, code;
    const char* text;
    bool changed;
  };
  const Case cases[] = {
      {"InvertWhole", 1, 1, 0, "", true},
      {"FailParameters", 1, 2, -128, "", false},  // cancelled by the user
      {"ReportError", 1, 3, -30904, "Image trop petite pour ce filtre", false},
      {"NotAFilter", 0, 4, -1, "", false},  // a PiPL kind other than 8BFM
      {"GreyOnly", 0, 4, -2, "", false},    // no RGB in its modes
      {"Unresolved", 0, 4, -4, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.filter);
    Adapter adapter(TestFilter(c.filter).c_str());
    auto lastResult = adapter.Export<LastResultFn>("FilterLastResult");
    ASSERT_NE(lastResult, nullptr);
    int32_t code = 12345;
    char text[64];
    EXPECT_EQ(lastResult(&code, text, sizeof text), 0);  // no run yet
    RunResult run = RunFilter(adapter, window_, 3, 2);
    EXPECT_EQ(run.returned, c.returned);
    EXPECT_EQ(lastResult(&code, text, sizeof text), c.outcome);
    EXPECT_EQ(code, c.code);
    EXPECT_STREQ(text, c.text);
    EXPECT_EQ(g_picture.bgr != run.before, c.changed);
    char cut[6];
    lastResult(nullptr, cut, sizeof cut);  // a short buffer keeps its terminator
    EXPECT_EQ(std::strlen(cut), std::strlen(c.text) < 5 ? std::strlen(c.text) : 5u);
  }
}

TEST_F(FilterHost, EveryFilterOfAModuleIsDescribedAndCanBeRun) {
  Adapter adapter(TestFilter("TwoFilters").c_str());
  auto describe = adapter.Export<DescribeFn>("FilterDescribeEntry");
  auto use = adapter.Export<UseModuleFn>("FilterUseModule");
  ASSERT_TRUE(describe && use);
  struct Entry {
    const char* module;
    int32_t index, state;
    const char* name;
  };
  std::string two = TestFilter("TwoFilters"), grey = TestFilter("GreyOnly");
  const Entry entries[] = {{nullptr, 0, 1, "Inverser"},
                           {two.c_str(), 1, 1, "Noircir"},
                           {two.c_str(), 2, 0, ""},
                           {grey.c_str(), 0, -2, ""},
                           {"Z:\\no\\such.8bf", 0, -3, ""}};
  for (const Entry& e : entries) {
    char name[32] = "unset";
    int32_t machine = -1;
    EXPECT_EQ(describe(e.module, e.index, name, sizeof name, &machine), e.state) << e.index;
    EXPECT_STREQ(name, e.name);
    EXPECT_EQ(machine, e.state == -3 ? 0 : kOwnMachine);
  }

  ASSERT_EQ(use(two.c_str(), 1), 1);  // the second filter blackens
  RunFilter(adapter, window_, 3, 2);
  EXPECT_EQ(g_picture.bgr, std::vector<uint8_t>(18, 0));
  EXPECT_EQ(use(nullptr, 0), 0);
}

// A module copied anywhere with the DLL it imports beside it loads and runs.
TEST_F(FilterHost, TheDllsAModuleShipsBesideItAreFound) {
  ScratchFolder elsewhere;
  std::string module = elsewhere / "UsesHelper.8bf";
  ASSERT_TRUE(CopyFileBytes(TestFilter("UsesHelper"), module));
  ASSERT_TRUE(CopyFileBytes(platform::ExecutableFolder() + "filters\\filter_helper.dll",
                            elsewhere / "filter_helper.dll"));
  Adapter adapter(module.c_str());
  DialogAnswerer answerer;  // a module that fails to load says so in a message
  RunResult run = RunFilter(adapter, window_, 5, 3);
  EXPECT_EQ(run.returned, 1);
  EXPECT_TRUE(IsInverse(run.before));
  EXPECT_TRUE(answerer.Messages().empty());
}
