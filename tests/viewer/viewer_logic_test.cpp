// The viewer's window-free logic: the line callbacks and size cell that
// 8bfkvt calls, the fitted view, the folder walk, undo and the edited mark,
// BMP files, saving through a temporary file and the picture read.
#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "../unit/test_support.h"
#include "image/plugin_registry.h"
#include "runner/run_block.h"
#include "viewer/bmp_file.h"
#include "viewer/folder_walk.h"
#include "viewer/host_lines.h"
#include "viewer/picture_read.h"
#include "viewer/safe_save.h"
#include "viewer/save_format.h"
#include "viewer/shown_picture.h"
#include "viewer/view_math.h"

using namespace testing_support;

namespace {

// A 24-bit picture whose every byte differs, and whose row padding is 0.
PackedDibPtr Numbered(int32_t width, int32_t height) {
  PackedDibPtr picture(CreatePackedDib(width, height, 24));
  for (int32_t y = 0; y < height; ++y)
    for (int32_t i = 0; i < 3 * width; ++i) DibRow(picture.get(), y)[i] = uint8_t(y * 97 + i + 1);
  return picture;
}

std::vector<uint8_t> Block(const DibHeader* picture) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(picture);
  return {bytes, bytes + PackedDibBytes(picture->biWidth, picture->biHeight, 24)};
}

}  // namespace

// 8bfkvt reads each row whole through the read cell (last column inclusive),
// and at the end stores each row whole through the store cell; at odd widths
// the row padding of the picture must stay untouched.
TEST(FilterHostLines, WholeRowsThroughTheCellsAtOddWidths) {
  for (int32_t width : {1, 3, 5, 7, 33}) {
    PackedDibPtr picture = Numbered(width, 4);
    PackedDibPtr expected = Numbered(width, 4);
    {
      FilterHostImage host(picture.get());
      ASSERT_EQ(host.Size()->width, width);
      ASSERT_EQ(host.Size()->height, 4);
      for (int32_t y = 0; y < host.Size()->height; ++y) {
        std::vector<uint8_t> row(size_t(width) * 3 + 3, 0xEE);  // one guard pixel
        (*host.GetCell())(y, 0, host.Size()->width - 1, row.data(), -1);
        ASSERT_EQ(0, std::memcmp(row.data(), DibRow(expected.get(), y), size_t(width) * 3))
            << "width " << width << " row " << y;
        EXPECT_EQ(row[size_t(width) * 3], 0xEE) << "read past the last column";
        for (int32_t i = 0; i < 3 * width; ++i) row[size_t(i)] = uint8_t(255 - row[size_t(i)]);
        (*host.PutCell())(y, 0, host.Size()->width - 1, row.data(), -1);
      }
    }
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t i = 0; i < 3 * width; ++i)
        DibRow(expected.get(), y)[i] = uint8_t(255 - DibRow(expected.get(), y)[i]);
    EXPECT_EQ(Block(picture.get()), Block(expected.get())) << "width " << width;
  }
}

TEST(FilterHostLines, SpansOutsideThePictureAreClippedAndEndWithTheRun) {
  PackedDibPtr picture = Numbered(5, 3);
  std::vector<uint8_t> before = Block(picture.get());
  uint8_t pixels[3 * 9];
  std::memset(pixels, 0x11, sizeof pixels);
  {
    FilterHostImage host(picture.get());
    (*host.PutCell())(-1, 0, 4, pixels, -1);  // rows outside: nothing
    (*host.PutCell())(3, 0, 4, pixels, -1);
    EXPECT_EQ(Block(picture.get()), before);
    (*host.PutCell())(1, 3, 8, pixels, -1);  // columns 3..4 kept, 5..8 dropped
    EXPECT_EQ(DibRow(picture.get(), 1)[9], 0x11);
    EXPECT_EQ(DibRow(picture.get(), 1)[14], 0x11);
    EXPECT_EQ(DibRow(picture.get(), 1)[15], 0) << "row padding";
    EXPECT_EQ(DibRow(picture.get(), 1)[8], DibRow(Numbered(5, 3).get(), 1)[8]) << "column 2";
  }
  // After the run the cells no longer reach the picture.
  std::vector<uint8_t> after = Block(picture.get());
  PutPictureLine(0, 0, 4, pixels, -1);
  EXPECT_EQ(Block(picture.get()), after);
  FilterHostImage none(nullptr);
  EXPECT_EQ(none.Size()->width, 0);
  EXPECT_EQ(none.Size()->height, 0);
}

TEST(ViewMath, FittingNeverEnlargesAndKeepsTheAspect) {
  ViewBox small = FittedSize(40, 30, 800, 600);
  EXPECT_EQ(small.width, 40);
  EXPECT_EQ(small.height, 30);
  ViewBox wide = FittedSize(4000, 1000, 800, 600);  // the width limits
  EXPECT_EQ(wide.width, 800);
  EXPECT_EQ(wide.height, 200);
  ViewBox tall = FittedSize(1000, 3000, 800, 600);  // the height limits
  EXPECT_EQ(tall.width, 200);
  EXPECT_EQ(tall.height, 600);
  ViewBox rounded = FittedSize(3, 2, 2, 2);  // 2 x 1.33 rounds to 2 x 1
  EXPECT_EQ(rounded.width, 2);
  EXPECT_EQ(rounded.height, 1);
  ViewBox sliver = FittedSize(1, 10000, 100, 100);
  EXPECT_EQ(sliver.width, 1);
  EXPECT_EQ(sliver.height, 100);
  ViewBox none = FittedSize(40, 30, 0, 600);
  EXPECT_EQ(none.width, 0);
  ViewBox centred = PlaceFitted(40, 30, 101, 60);
  EXPECT_EQ(centred.x, 30);
  EXPECT_EQ(centred.y, 15);
}

TEST(ViewMath, ActualSizeScrollsWithinThePicture) {
  EXPECT_EQ(ClampScroll(-5, 1000, 300), 0);
  EXPECT_EQ(ClampScroll(900, 1000, 300), 700);
  EXPECT_EQ(ClampScroll(50, 200, 300), 0);  // fits: no scrolling
  ViewBox box = PlaceActual(1000, 200, 300, 400, 250, 99);
  EXPECT_EQ(box.x, -250);
  EXPECT_EQ(box.y, 100);  // smaller than the client: centred, offset ignored
  EXPECT_EQ(box.width, 1000);
  EXPECT_EQ(ScrolledOffset(ScrollRequest::End, 0, 0, 1000, 300), 700);
  EXPECT_EQ(ScrolledOffset(ScrollRequest::Track, 10, 5000, 1000, 300), 700);
  EXPECT_EQ(ScrolledOffset(ScrollRequest::LineBack, 10, 0, 1000, 300), 0);
  EXPECT_EQ(ScrolledOffset(ScrollRequest::PageForward, 0, 0, 1000, 300), 268);
}

TEST(FolderWalk, ClaimedFilesInNameOrderStoppingAtTheEnds) {
  ScratchFolder folder;
  for (const char* name : {"b.tpic", "A.TPIC", "c.alt", "notes.txt", "d.tpic"})
    WriteAll(folder / name, {1});
  platform::MakeFolder((folder / "e.tpic").c_str());  // a folder is no picture
  std::vector<std::string> lists = {"tpic;kvt", "alt"};
  std::vector<std::string> names = ClaimedPictures(folder.Path(), lists);
  EXPECT_EQ(names, (std::vector<std::string>{"A.TPIC", "b.tpic", "c.alt", "d.tpic"}));

  EXPECT_EQ(NeighbourPicture(folder / "b.tpic", +1, lists), folder / "c.alt");
  EXPECT_EQ(NeighbourPicture(folder / "b.tpic", -1, lists), folder / "A.TPIC");
  EXPECT_EQ(NeighbourPicture(folder / "d.tpic", +1, lists), "");
  EXPECT_EQ(NeighbourPicture(folder / "A.TPIC", -1, lists), "");
  // A current file that is not listed sits where it would sort.
  EXPECT_EQ(NeighbourName(names, "c.txt", +1), "d.tpic");
  EXPECT_EQ(NeighbourName(names, "c.txt", -1), "c.alt");
  EXPECT_EQ(NeighbourName(names, "zz", +1), "");
  EXPECT_EQ(NeighbourName({}, "a", -1), "");
}

TEST(ShownPicture, UndoPutsBackThePictureBeforeTheLastRun) {
  ShownPicture shown;
  EXPECT_FALSE(shown.BeginEdit());  // nothing shown
  shown.Show("x.tpic", Numbered(3, 2).release());
  std::vector<uint8_t> original = Block(shown.Picture());
  ASSERT_TRUE(shown.BeginEdit());
  DibRow(shown.Picture(), 0)[0] ^= 0xFF;
  shown.CommitEdit();
  EXPECT_TRUE(shown.Undo());
  EXPECT_EQ(Block(shown.Picture()), original);
  EXPECT_FALSE(shown.Undo());  // one run, one undo
  ASSERT_TRUE(shown.BeginEdit());
  shown.CommitEdit();
  shown.Show("y.tpic", Numbered(1, 1).release());  // another picture forgets it
  EXPECT_FALSE(shown.CanUndo());
  EXPECT_FALSE(shown.Edited());
}

// A second run applies or ends another way (after writing into the
// picture): only an applied one changes the picture, the undo copy and the
// edited mark; a save between clears the mark, Undo gives back its copy's.
TEST(ShownPicture, OnlyAnAppliedRunChangesThePictureItsUndoAndItsMark) {
  for (bool applied : {true, false})
    for (bool saved : {true, false}) {
      ShownPicture shown;
      shown.Show("x.tpic", Numbered(5, 3).release());
      std::vector<uint8_t> read = Block(shown.Picture());
      ASSERT_TRUE(shown.BeginEdit());
      DibRow(shown.Picture(), 1)[4] ^= 0x0F;
      shown.CommitEdit();
      if (saved) shown.MarkSaved(true);  // over x.tpic itself
      std::vector<uint8_t> first = Block(shown.Picture());
      ASSERT_TRUE(shown.BeginEdit());
      DibRow(shown.Picture(), 2)[0] ^= 0xF0;
      applied ? shown.CommitEdit() : shown.AbandonEdit();
      EXPECT_EQ(Block(shown.Picture()) == first, !applied) << applied << saved;
      EXPECT_EQ(shown.Edited(), applied || !saved) << applied << saved;
      ASSERT_TRUE(shown.Undo());
      EXPECT_EQ(Block(shown.Picture()), applied ? first : read) << applied << saved;
      // Back to what the file holds only when nothing was saved since.
      EXPECT_EQ(shown.Edited(), applied ? !saved : saved) << applied << saved;
    }
}

// The whole file, written in bands straight from the picture: header, colour
// table, then rows bottom row first, each with its padding.
TEST(BmpFile, HeaderAndPaddedBottomUpRows) {
  ScratchFolder folder;
  PackedDibPtr picture = Numbered(3, 2);  // rows of 9 bytes padded to 12
  ASSERT_EQ(WriteBmpFile((folder / "a.bmp").c_str(), picture.get()), SaveProblem::None);
  std::vector<uint8_t> file = ReadAll(folder / "a.bmp");
  ASSERT_EQ(file.size(), 14u + 40u + 24u);
  auto u32 = [&](size_t at) {
    uint32_t v;
    std::memcpy(&v, &file[at], 4);
    return v;
  };
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(u32(2), 78u);
  EXPECT_EQ(u32(10), 54u);
  EXPECT_EQ(u32(14), 40u);
  EXPECT_EQ(u32(14 + 20), 24u);  // biSizeImage
  // The last row of the file is the top row of the picture.
  EXPECT_EQ(0, std::memcmp(&file[54 + 12], DibRow(picture.get(), 0), 12));
  EXPECT_EQ(0, std::memcmp(&file[54], DibRow(picture.get(), 1), 12));
  PackedDibPtr grey(CreatePackedDib(5, 1, 8));
  EXPECT_EQ(BmpHeaderBytes(grey.get()).size(), 14u + 40u + 1024u);
  EXPECT_TRUE(BmpHeaderBytes(nullptr).empty());
  PackedDibPtr deep(CreatePackedDib(2, 2, 32));
  EXPECT_EQ(WriteBmpFile((folder / "b.bmp").c_str(), deep.get()), SaveProblem::Unsupported);
  PackedDibPtr big = Numbered(1000, 1200);  // 3,000-byte rows in several bands
  ASSERT_EQ(WriteBmpFile((folder / "big.bmp").c_str(), big.get()), SaveProblem::None);
  file = ReadAll(folder / "big.bmp");
  ASSERT_EQ(file.size(), 54u + 3000u * 1200u);
  EXPECT_EQ(0, std::memcmp(&file[54], DibRow(big.get(), 1199), 3000u * 1200u));
}

TEST(SafeSave, TheTemporaryNameSitsInTheTargetsFolder) {
  EXPECT_EQ(TemporaryNameBeside("C:\\photos\\a.jpg", 0x1A2B), "C:\\photos\\~ond1A2B.tmp");
  EXPECT_EQ(TemporaryNameBeside("C:\\photos\\a.jpg", 0x51A2B), "C:\\photos\\~ond1A2B.tmp");
  EXPECT_EQ(TemporaryNameBeside("a.png", 7), "~ond0007.tmp");
  EXPECT_EQ(TemporaryNameBeside("\\\\server\\share\\x.bmp", 0xFFFF),
            "\\\\server\\share\\~ondFFFF.tmp");
}

// The target holds the new bytes only when the writer filled its file and
// the target could be replaced, else the old ones; no temporary file stays.
TEST(SafeSave, TheTargetIsReplacedOnlyByACompleteFile) {
  const std::vector<uint8_t> before = {'o', 'l', 'd'}, after = {'n', 'e', 'w'};
  enum Kind { Replaced, NewFile, NameTaken, WriterFails, NoMemory };
  const SaveProblem expected[] = {SaveProblem::None, SaveProblem::None, SaveProblem::None,
                                  SaveProblem::DiskFull, SaveProblem::NoMemory};
  for (int kind = Replaced; kind <= NoMemory; ++kind) {
    ScratchFolder folder;
    std::string target = folder / "photo.jpg", written, taken = TemporaryNameBeside(target, 40);
    if (kind != NewFile) WriteAll(target, before);
    if (kind == NameTaken) WriteAll(taken, {'x'});
    SaveProblem problem = SaveThroughTemporary(
        target,
        [&](const std::string& temporary) {
          written = temporary;
          if (kind == NoMemory) throw std::bad_alloc();
          WriteAll(temporary, after);
          return kind == WriterFails ? SaveProblem::DiskFull : SaveProblem::None;
        },
        40);
    EXPECT_EQ(problem, expected[kind]) << kind;
    EXPECT_EQ(written.substr(0, folder.Path().size()), folder.Path()) << kind;
    EXPECT_FALSE(platform::FileExists(written.c_str())) << kind;
    EXPECT_EQ(ReadAll(target), problem == SaveProblem::None ? after : before) << kind;
    EXPECT_EQ(platform::FileExists(taken.c_str()), kind == NameTaken) << kind;
  }
}

TEST(SaveFormat, ExtensionDecidesAndMissingOnesAreAdded) {
  std::string name = "C:\\x\\a.PNG";
  EXPECT_EQ(FormatForName(&name, SaveFormat::Bmp), SaveFormat::Png);
  EXPECT_EQ(name, "C:\\x\\a.PNG");
  name = "C:\\x.y\\photo";
  EXPECT_EQ(FormatForName(&name, SaveFormat::Jpeg), SaveFormat::Jpeg);
  EXPECT_EQ(name, "C:\\x.y\\photo.jpg");
  name = "a.tpic";
  EXPECT_EQ(FormatForName(&name, SaveFormat::Bmp), SaveFormat::Bmp);
  EXPECT_EQ(name, "a.tpic.bmp");
}

TEST(PictureRead, ReadsThroughTheClaimingReaderAndHoldsBackItsMessages) {
  ScratchFolder program, files;
  InstallPlugins(program, {{"reader_tpic", "tpic.dll"}});
  WriteAll(files / "good.tpic", SolidPicture(5, 3, 0x336699).Bytes());
  TestPicture broken = SolidPicture(5, 3, 0);
  broken.flags = kTpFailSize;
  WriteAll(files / "broken.tpic", broken.Bytes());
  WriteAll(files / "other.xyz", SolidPicture(5, 3, 0).Bytes());
  MessageCapture messages;
  PackedDibPtr good(ReadPicture(nullptr, (files / "good.tpic").c_str()));
  ASSERT_TRUE(good);
  EXPECT_EQ(PixelAt(good.get(), 4, 2), 0x336699u);
  EXPECT_EQ(ReadPicture(nullptr, (files / "broken.tpic").c_str()), nullptr);
  EXPECT_EQ(ReadPicture(nullptr, (files / "other.xyz").c_str()), nullptr);
  EXPECT_TRUE(messages.Messages().empty());
  ReleasePlugins();
}

// ---- The run block shared with 8bfrun.exe --------------------------------------------

TEST(RunBlock, SizesFromOnePixelToTheRecordsLimit) {
  struct Case {
    int32_t width, height;
    uint32_t bytes;
  };
  const Case cases[] = {
      {1, 1, kRunPictureOffset + 40 + 4},  // one pixel, padded to 4 bytes
      {4000, 3000, kRunPictureOffset + 40 + 12000 * 3000},
      {5, 2, kRunPictureOffset + 40 + 16 * 2},
      {0, 5, 0},
      {5, 0, 0},
      {-1, 5, 0},
      {32768, 1, 0},
      {1, 32768, 0},
      {32767, 32767, 0},  // past 2 GiB
  };
  for (const Case& c : cases)
    EXPECT_EQ(RunBlockBytes(c.width, c.height), c.bytes) << c.width << "x" << c.height;
}

TEST(RunBlock, ThePictureCrossesAndComesBackOnlyWhereItFits) {
  PackedDibPtr picture = Numbered(7, 5);
  uint32_t bytes = RunBlockBytes(7, 5);
  std::vector<uint8_t> block(bytes + 16, 0xEE);
  EXPECT_FALSE(PrepareRunBlock(block.data(), bytes - 1, picture.get(), "C:\\f.8bf", 0));
  EXPECT_FALSE(PrepareRunBlock(block.data(), bytes, picture.get(), std::string(520, 'x'), 0));
  ASSERT_TRUE(PrepareRunBlock(block.data(), bytes, picture.get(), "C:\\f.8bf", 2));
  const auto* record = reinterpret_cast<const RunBlock*>(block.data());
  EXPECT_STREQ(record->modulePath, "C:\\f.8bf");
  EXPECT_EQ(record->entryIndex, 2);
  EXPECT_EQ(record->state, kRunWaiting);

  PackedDib shared = RunBlockPicture(block.data(), bytes);
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(Block(shared), Block(picture.get()));
  EXPECT_EQ(RunBlockPicture(block.data(), bytes - 1), nullptr);  // less mapped than it claims
  DibRow(shared, 4)[20] ^= 0xFF;                                 // the filter's work
  PackedDibPtr other = Numbered(5, 7), back = Numbered(7, 5);
  EXPECT_FALSE(CopyRunBlockPixels(block.data(), bytes, other.get()));
  EXPECT_EQ(Block(other.get()), Block(Numbered(5, 7).get()));
  ASSERT_TRUE(CopyRunBlockPixels(block.data(), bytes, back.get()));
  EXPECT_EQ(Block(back.get()), Block(shared));

  // A block whose record or picture header was overwritten is refused.
  struct Damage {
    size_t at;
    uint32_t value;
  };
  const Damage damages[] = {{0, 0},                         // magic
                            {4, 512},                       // picture offset
                            {8, bytes + 4096},              // claimed size
                            {kRunPictureOffset + 4, 9000},  // width past the block
                            {kRunPictureOffset + 8, 0},     // no rows
                            {kRunPictureOffset + 14, 8}};   // depth
  for (const Damage& d : damages) {
    std::vector<uint8_t> damaged = block;
    std::memcpy(damaged.data() + d.at, &d.value, d.at == kRunPictureOffset + 14 ? 2 : 4);
    EXPECT_EQ(RunBlockPicture(damaged.data(), bytes), nullptr) << d.at;
    EXPECT_FALSE(CopyRunBlockPixels(damaged.data(), bytes, back.get())) << d.at;
  }
}

TEST(RunBlock, TheRunnerOfTheModulesArchitecture) {
  struct Case {
    uint16_t machine;
    bool viewer64;
    const char* runner;
  };
  const Case cases[] = {{0x14C, false, "C:\\t\\8bfrun.exe"},
                        {0x8664, false, "C:\\t\\x64\\8bfrun.exe"},
                        {0x8664, true, "C:\\t\\8bfrun.exe"},
                        {0x14C, true, "C:\\t\\..\\8bfrun.exe"},
                        {0x1C4, false, ""}};  // ARM: no runner
  for (const Case& c : cases)
    EXPECT_EQ(RunnerPathFor("C:\\t\\", c.machine, c.viewer64), c.runner) << c.machine;
}
