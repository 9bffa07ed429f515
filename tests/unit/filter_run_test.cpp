// The filter adapter's window-free parts against a host in memory: the
// host image adapter, the PiPL walk and filter runs with in-process filters.
#include "filter_run.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "colour_services.h"
#include "host_image.h"
#include "pipl.h"

using namespace filter;

namespace {

// ---- A host in memory ---------------------------------------------------------

struct LineCall {
  int32_t y, x0, x1;
};

struct FakeHost {
  HostImageSize size = {0, 0};
  std::vector<uint8_t> bgr;  // rows top-down, B, G, R
  std::vector<LineCall> gets, puts;
  std::vector<std::pair<uint32_t, int32_t>> notices;

  void Make(int32_t width, int32_t height) {
    size = {width, height};
    bgr.resize(size_t(width) * height * 3);
    for (size_t i = 0; i < bgr.size(); ++i) bgr[i] = uint8_t(i * 7 + i / 3);
    gets.clear();
    puts.clear();
    notices.clear();
  }
  uint8_t* Pixel(int32_t x, int32_t y) { return &bgr[(size_t(y) * size.width + x) * 3]; }
};

FakeHost g_host;

void FILTER_CALL GetLine(int32_t y, int32_t x0, int32_t x1, uint8_t* pixels, int32_t flag) {
  EXPECT_EQ(flag, -1);
  g_host.gets.push_back({y, x0, x1});
  std::memcpy(pixels, g_host.Pixel(x0, y), size_t(x1 - x0 + 1) * 3);
}

void FILTER_CALL PutLine(int32_t y, int32_t x0, int32_t x1, uint8_t* pixels, int32_t flag) {
  EXPECT_EQ(flag, -1);
  g_host.puts.push_back({y, x0, x1});
  std::memcpy(g_host.Pixel(x0, y), pixels, size_t(x1 - x0 + 1) * 3);
}

void (*g_onNotice)() = nullptr;  // what the host does on each notification

void Notice(void*, uint32_t command, int32_t value) {
  g_host.notices.push_back({command, value});
  if (g_onNotice) g_onNotice();
}

HostLineFn g_getCell = GetLine, g_putCell = PutLine;

// ---- Filters written as lambdas -------------------------------------------------

using Behaviour = std::function<void(int16_t, FilterRecord*, intptr_t*, int16_t*)>;
Behaviour g_behaviour;
std::vector<int16_t> g_selectors;

void FILTER_CALL Entry(int16_t selector, FilterRecord* r, intptr_t* data, int16_t* result) {
  g_selectors.push_back(selector);
  *result = kNoError;
  g_behaviour(selector, r, data, result);
}

int32_t W(const FilterRecord* r) { return r->filterRect.right - r->filterRect.left; }
int32_t H(const FilterRecord* r) { return r->filterRect.bottom - r->filterRect.top; }

void Whole(FilterRecord* r) {
  r->inRect = r->outRect = {0, 0, int16_t(H(r)), int16_t(W(r))};
  r->inLoPlane = r->outLoPlane = 0;
  r->inHiPlane = r->outHiPlane = 2;
}

void Invert(FilterRecord* r) {
  int32_t w = r->outRect.right - r->outRect.left, h = r->outRect.bottom - r->outRect.top;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t i = 0; i < 3 * w; ++i)
      static_cast<uint8_t*>(r->outData)[y * r->outRowBytes + i] =
          uint8_t(255 - static_cast<uint8_t*>(r->inData)[y * r->inRowBytes + i]);
}

const Behaviour kInvertWhole = [](int16_t selector, FilterRecord* r, intptr_t*, int16_t*) {
  if (selector == kSelectorStart) Whole(r);
  if (selector == kSelectorContinue) {
    Invert(r);
    r->inRect = r->outRect = {0, 0, 0, 0};
  }
};

class FilterRun : public ::testing::Test {
 protected:
  // Runs `behaviour` over a width x height host; false when the working image
  // could not be made.
  bool Run(int32_t width, int32_t height, Behaviour behaviour) {
    g_host.Make(width, height);
    original_ = g_host.bgr;
    g_behaviour = std::move(behaviour);
    g_selectors.clear();
    adapter_ = std::make_unique<HostImageAdapter>();
    adapter_->Attach(nullptr, &g_host.size, &g_putCell, &g_getCell, Notice);
    if (!adapter_->LoadWorkingImage()) return false;
    g_host.gets.clear();
    entry_.reset(NewFilterEntry(Entry));
    entry_->adapter = adapter_.get();
    EXPECT_EQ(RunFilterEntry(entry_.get()), 1);
    return true;
  }
  bool Inverted() {
    for (size_t i = 0; i < original_.size(); ++i)
      if (g_host.bgr[i] != uint8_t(255 - original_[i])) return false;
    return true;
  }
  bool Unchanged() { return g_host.bgr == original_; }
  size_t Notices(uint32_t command) {
    size_t n = 0;
    for (auto& notice : g_host.notices) n += notice.first == command;
    return n;
  }

  std::vector<uint8_t> original_;
  std::unique_ptr<HostImageAdapter> adapter_;
  std::unique_ptr<FilterEntry> entry_;
};

}  // namespace

// ---- The host image adapter -------------------------------------------------------

TEST(HostImage, ReadsRowsThroughTheHostAndSwapsToRgb) {
  g_host.Make(6, 3);
  HostImageAdapter adapter;
  adapter.Attach(nullptr, &g_host.size, &g_putCell, &g_getCell, Notice);
  uint8_t buffer[18] = {};
  adapter.ReadRect(buffer, 2, 4, 0, 1, 9);
  ASSERT_EQ(g_host.gets.size(), 2u);
  EXPECT_EQ(g_host.gets[1].y, 1);
  EXPECT_EQ(g_host.gets[1].x0, 2);
  EXPECT_EQ(g_host.gets[1].x1, 4);
  EXPECT_EQ(buffer[9], g_host.Pixel(2, 1)[2]);  // R first
  EXPECT_EQ(buffer[11], g_host.Pixel(2, 1)[0]);

  int32_t width = 0;
  adapter.GetImageSize(&width, nullptr);
  EXPECT_EQ(width, 6);
}

TEST(HostImage, SampledReadsFetchEveryStepthRowAndColumn) {
  g_host.Make(8, 3);
  HostImageAdapter adapter;
  adapter.Attach(nullptr, &g_host.size, &g_putCell, &g_getCell, Notice);
  uint8_t buffer[18] = {};
  adapter.ReadRectSampled(buffer, 1, 3, 0, 1, 9, 2);
  ASSERT_EQ(g_host.gets.size(), 2u);
  EXPECT_EQ(g_host.gets[0].y, 0);
  EXPECT_EQ(g_host.gets[1].y, 2);
  EXPECT_EQ(g_host.gets[0].x0, 2);
  EXPECT_EQ(g_host.gets[0].x1, 6);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(buffer[3 * k], g_host.Pixel(2 + 2 * k, 0)[2]);
    EXPECT_EQ(buffer[9 + 3 * k + 2], g_host.Pixel(2 + 2 * k, 2)[0]);
  }
}

TEST(HostImage, WorkingImageStartsAsTheHostsAndCommitsEveryRow) {
  g_host.Make(10, 4);
  std::vector<uint8_t> original = g_host.bgr;
  HostImageAdapter adapter;
  adapter.Attach(nullptr, &g_host.size, &g_putCell, &g_getCell, Notice);
  ASSERT_TRUE(adapter.LoadWorkingImage());
  EXPECT_EQ(g_host.gets.size(), 4u);
  const uint8_t data[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  adapter.WriteRect(1, 2, 2, 3, 6, data);
  EXPECT_EQ(adapter.WorkingImage()[63], 1);  // (2 x 10 + 1) x 3
  EXPECT_EQ(adapter.WorkingImage()[93], 7);  // next row
  adapter.CommitImage();
  ASSERT_EQ(g_host.puts.size(), 4u);
  for (int32_t y = 0; y < 4; ++y) {
    EXPECT_EQ(g_host.puts[size_t(y)].y, y);
    EXPECT_EQ(g_host.puts[size_t(y)].x0, 0);
    EXPECT_EQ(g_host.puts[size_t(y)].x1, 9);
  }
  EXPECT_EQ(g_host.Pixel(1, 2)[0], 3);  // R, G, B written back as B, G, R
  EXPECT_EQ(g_host.Pixel(1, 2)[2], 1);
  EXPECT_EQ(std::memcmp(g_host.Pixel(0, 0), original.data(), 30), 0);  // untouched rows
}

TEST(HostImage, RefusesSidesTheRecordCannotHold) {
  for (auto size : {HostImageSize{0, 5}, HostImageSize{5, -1}, HostImageSize{32768, 1},
                    HostImageSize{1, 40000}}) {
    HostImageAdapter adapter;
    adapter.Attach(nullptr, &size, &g_putCell, &g_getCell, Notice);
    EXPECT_FALSE(adapter.LoadWorkingImage()) << size.width << "x" << size.height;
  }
}

// ---- The PiPL walk ------------------------------------------------------------------

namespace {

struct PiplBuilder {
  std::vector<uint8_t> bytes = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  int32_t count = 0;
  void Int(int32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(uint32_t(v) >> (8 * i)));
  }
  void Property(int32_t key, const std::string& data, int32_t length) {
    Int(0x3842494D);
    Int(key);
    Int(0);
    Int(length);
    bytes.insert(bytes.end(), data.begin(), data.end());
    while (bytes.size() % 4 != 2) bytes.push_back(0);  // padded from byte 10
    ++count;
  }
  std::vector<uint8_t> Done(int32_t declared) {
    std::vector<uint8_t> out = bytes;
    std::memcpy(out.data() + 6, &declared, 4);  // little-endian, like the resource
    return out;
  }
  std::vector<uint8_t> Done() { return Done(count); }
};

std::vector<std::string> Names(const std::vector<uint8_t>& pipl) {
  return PiplEntryNames(pipl.data(), pipl.size());
}

}  // namespace

TEST(Pipl, FindsEveryWx86PropertyAfterOthers) {
  PiplBuilder pipl;
  pipl.Property(0x6B696E64, "abcde", 5);  // padded to 8: the next starts 24 bytes on
  pipl.Property(0x76657273, "12345678", 8);
  pipl.Property(kWx86Key, std::string("FirstEntry\0", 11), 11);
  pipl.Property(kWx86Key, std::string("Second\0", 7), 7);
  EXPECT_EQ(Names(pipl.Done()), (std::vector<std::string>{"FirstEntry", "Second"}));
  EXPECT_TRUE(Names(pipl.Done(0)).empty());
  EXPECT_TRUE(Names(pipl.Done(-3)).empty());
}

TEST(Pipl, EachArchitectureFindsItsOwnCodeProperty) {
  PiplBuilder pipl;
  pipl.Property(kWx86Key, std::string("ForX86\0", 7), 7);
  pipl.Property(kX64Key, std::string("ForX64\0", 7), 7);
  std::vector<uint8_t> both = pipl.Done();
  EXPECT_EQ(PiplEntryNames(both.data(), both.size(), kWx86Key),
            (std::vector<std::string>{"ForX86"}));
  EXPECT_EQ(PiplEntryNames(both.data(), both.size(), kX64Key),
            (std::vector<std::string>{"ForX64"}));
}

TEST(Pipl, StopsWhereTheResourceEnds) {
  PiplBuilder pipl;
  pipl.Property(kWx86Key, std::string("Entry\0", 6), 6);
  pipl.Property(kWx86Key, std::string("Later\0", 6), 6);
  std::vector<uint8_t> whole = pipl.Done(1000);  // claims far more properties than it holds
  EXPECT_EQ(Names(whole), (std::vector<std::string>{"Entry", "Later"}));
  for (size_t cut = 0; cut < whole.size(); ++cut)
    EXPECT_LE(PiplEntryNames(whole.data(), cut).size(), 2u);

  PiplBuilder huge;
  huge.Property(kWx86Key, "Name", 0x7FFFFFF0);  // length past the end
  EXPECT_TRUE(Names(huge.Done()).empty());
  PiplBuilder negative;
  negative.Property(kWx86Key, "Name", -4);
  EXPECT_TRUE(Names(negative.Done()).empty());
  PiplBuilder unterminated;
  unterminated.Property(kWx86Key, "ABCDEFGH", 8);  // no NUL inside its length
  EXPECT_EQ(Names(unterminated.Done()), (std::vector<std::string>{"ABCDEFGH"}));
  EXPECT_TRUE(PiplEntryNames(nullptr, 0).empty());
}

TEST(Pipl, SettingsFileSitsBesideTheLibrary) {
  auto cp932 = [](unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); };
  auto none = [](unsigned char) { return false; };
  EXPECT_EQ(SettingsPathFor("C:\\viewer\\8bfkvt.dll", none), "C:\\viewer\\8bfkvt.dat");
  EXPECT_EQ(SettingsPathFor("8bfkvt.dll", none), "8bfkvt.dat");
  // 0x95 0x5C is one character: its second byte is no folder separator.
  EXPECT_EQ(SettingsPathFor("C:\\a\\\x95\\x.dll", cp932), "C:\\a\\8bfkvt.dat");
  EXPECT_EQ(SettingsPathFor("C:\\a\\\x95\\x.dll", none), "C:\\a\\\x95\\8bfkvt.dat");
}

// ---- Runs ------------------------------------------------------------------------------

TEST_F(FilterRun, InvertsWholePicturesOfOddSizes) {
  for (auto size : {std::make_pair(1, 1), std::make_pair(3, 2), std::make_pair(257, 131)}) {
    ASSERT_TRUE(Run(size.first, size.second, kInvertWhole));
    EXPECT_TRUE(Inverted()) << size.first << "x" << size.second;
    EXPECT_EQ(g_selectors, (std::vector<int16_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(Notices(0), 1u);
    EXPECT_EQ(g_host.puts.size(), size_t(size.second));
  }
}

TEST_F(FilterRun, RecordDescribesTheImageWithExclusiveRectangles) {
  FilterRecord seen = {};
  Run(7, 5, [&](int16_t selector, FilterRecord* r, intptr_t*, int16_t*) {
    if (selector == kSelectorParameters) seen = *r;
  });
  EXPECT_EQ(seen.imageSize.v, 5);
  EXPECT_EQ(seen.imageSize.h, 7);
  EXPECT_EQ(seen.filterRect.bottom, 5);
  EXPECT_EQ(seen.filterRect.right, 7);
  EXPECT_EQ(seen.planes, 3);
  EXPECT_EQ(seen.hostSig, kHostSignature);
  EXPECT_EQ(seen.imageMode, kRgbMode);
  EXPECT_EQ(seen.maxSpace, kMaxSpace);
  EXPECT_EQ(seen.depth, 8);
  EXPECT_EQ(seen.samplingSupport, 1);
  EXPECT_EQ(seen.wholeSize.h, 7);
  EXPECT_EQ(seen.bufferProcs->version, 2);
  EXPECT_EQ(seen.bufferProcs->count, 5);
  EXPECT_EQ(seen.bufferProcs->space(), kMaxSpace);
  BufferId id = nullptr;
  ASSERT_EQ(seen.bufferProcs->allocate(64, &id), kNoError);
  EXPECT_EQ(seen.bufferProcs->lock(id, 1), id);
  seen.bufferProcs->unlock(id);
  seen.bufferProcs->free(id);
  EXPECT_EQ(seen.abortProc(), 0);
  // An unknown property is refused, never answered with nothing written.
  EXPECT_EQ(seen.getPropertyObsolete(0, 0, 0, nullptr, nullptr), kPropertyUndefinedError);
  // What filters divide by, and the tile hints they refuse to run without.
  EXPECT_EQ(seen.inputRate, 0x10000);
  EXPECT_EQ(seen.maskRate, 0x10000);
  EXPECT_EQ(seen.imageHRes, 72 << 16);
  EXPECT_EQ(seen.imageVRes, 72 << 16);
  EXPECT_EQ(seen.inTileHeight, 5);
  EXPECT_EQ(seen.outTileWidth, 7);
  // Packed fields are copied out before the checks take their address.
  HostProcFn hostProc = seen.hostProc;
  GetPropertyFn obsolete = seen.getPropertyObsolete;
  PropertyProcs* properties = seen.propertyProcs;
  EXPECT_NE(hostProc, nullptr);
  EXPECT_NE(static_cast<void*>(seen.handleProcs), nullptr);
  EXPECT_NE(static_cast<void*>(seen.resourceProcs), nullptr);
  ASSERT_NE(properties, nullptr);
  EXPECT_EQ(obsolete, properties->getProperty);
  for (size_t i = 0; i < sizeof seen.reserved; ++i) ASSERT_EQ(seen.reserved[i], 0) << i;
}

TEST_F(FilterRun, LargePicturesGetBoundedTileHints) {
  FilterRecord seen = {};
  Run(300, 2, [&](int16_t selector, FilterRecord* r, intptr_t*, int16_t*) {
    if (selector == kSelectorParameters) seen = *r;
  });
  EXPECT_EQ(seen.inTileWidth, 256);
  EXPECT_EQ(seen.inTileHeight, 2);
}

TEST_F(FilterRun, EmptyRectanglesEndTheLoopAndUnwrittenPixelsKeepTheirValues) {
  ASSERT_TRUE(Run(4, 4, [](int16_t, FilterRecord*, intptr_t*, int16_t*) {}));
  EXPECT_EQ(g_selectors, (std::vector<int16_t>{1, 2, 3, 5}));  // no continue
  EXPECT_TRUE(Unchanged());
  EXPECT_EQ(g_host.puts.size(), 4u);

  // Only the top half is written: the bottom half keeps the host's pixels.
  ASSERT_TRUE(Run(4, 4, [](int16_t selector, FilterRecord* r, intptr_t*, int16_t*) {
    if (selector == kSelectorStart) {
      Whole(r);
      r->inRect.bottom = r->outRect.bottom = 2;
    }
    if (selector == kSelectorContinue) {
      Invert(r);
      r->inRect = r->outRect = {0, 0, 0, 0};
    }
  }));
  EXPECT_EQ(g_host.Pixel(3, 1)[0], uint8_t(255 - original_[(1 * 4 + 3) * 3]));
  EXPECT_EQ(std::memcmp(g_host.Pixel(0, 2), &original_[2 * 4 * 3], 2 * 4 * 3), 0);
}

TEST_F(FilterRun, SinglePixelsAreServedAndRequestsPastTheEdgeAreClipped) {
  std::vector<void*> inData;
  Rect16 served = {};
  std::vector<uint8_t> pixel;
  int calls = 0;
  ASSERT_TRUE(Run(8, 8, [&](int16_t selector, FilterRecord* r, intptr_t*, int16_t*) {
    if (selector == kSelectorStart) {
      r->inRect = {5, 5, 6, 6};  // one pixel
      r->outRect = {0, 0, 0, 0};
      r->inLoPlane = 0;
      r->inHiPlane = -1;
    }
    if (selector == kSelectorContinue) {
      inData.push_back(r->inData);
      if (++calls == 1) {
        EXPECT_EQ(r->inHiPlane, 2);  // rewritten before the filter sees the data
        EXPECT_EQ(r->inRowBytes, 3);
        pixel.assign(static_cast<uint8_t*>(r->inData), static_cast<uint8_t*>(r->inData) + 3);
        r->inRect = {0, 0, 8, 9};  // one column too wide
      } else {
        served = r->inRect;
        r->inRect = {0, 0, 0, 0};
      }
    }
  }));
  ASSERT_EQ(inData.size(), 2u);
  EXPECT_NE(inData[0], nullptr);
  EXPECT_NE(inData[1], nullptr);
  EXPECT_EQ(served.right, 8);  // the record tells the filter what it got
  EXPECT_EQ(served.bottom, 8);
  ASSERT_EQ(pixel.size(), 3u);
  EXPECT_EQ(pixel[0], g_host.Pixel(5, 5)[2]);
  EXPECT_TRUE(Unchanged());
}

TEST_F(FilterRun, SamplingReadsEveryOtherHostPixel) {
  std::vector<uint8_t> sampled;
  ASSERT_TRUE(Run(7, 5, [&](int16_t selector, FilterRecord* r, intptr_t*, int16_t*) {
    if (selector == kSelectorStart) {
      r->inputRate = 2 << 16;
      r->inRect = {0, 0, 3, 4};  // host rows 0, 2, 4 and columns 0, 2, 4, 6
      r->inLoPlane = 0;
      r->inHiPlane = 2;
    }
    if (selector == kSelectorContinue) {
      sampled.assign(static_cast<uint8_t*>(r->inData), static_cast<uint8_t*>(r->inData) + 36);
      r->inRect = {0, 0, 0, 0};
    }
  }));
  ASSERT_EQ(sampled.size(), 36u);
  EXPECT_EQ(sampled[(2 * 4 + 3) * 3], g_host.Pixel(6, 4)[2]);
  ASSERT_FALSE(g_host.gets.empty());
  EXPECT_EQ(g_host.gets.back().y, 4);
  EXPECT_EQ(g_host.gets.back().x1, 6);

  // A sampled column past the image is clipped away; 1.5 reads plainly.
  std::vector<void*> data;
  Rect16 clipped = {};
  Run(7, 5, [&](int16_t selector, FilterRecord* r, intptr_t*, int16_t*) {
    if (selector == kSelectorStart) {
      r->inputRate = 2 << 16;
      r->inRect = {0, 0, 3, 5};  // column 8 does not exist
      r->inHiPlane = 2;
    }
    if (selector == kSelectorContinue) {
      data.push_back(r->inData);
      if (data.size() == 1) clipped = r->inRect;
      r->inputRate = 3 << 15;  // 1.5
      r->inRect = data.size() == 1 ? Rect16{0, 0, 5, 7} : Rect16{0, 0, 0, 0};
    }
  });
  ASSERT_EQ(data.size(), 2u);
  EXPECT_NE(data[0], nullptr);
  EXPECT_EQ(clipped.right, 4);  // sampled columns 0, 2, 4, 6
  EXPECT_NE(data[1], nullptr);
}

// One plane at a time, as the published samples work: the input holds the
// plane asked for, the output starts as the image and only what the filter
// changes differs.
TEST_F(FilterRun, SinglePlanesAreServedFilledAndStored) {
  std::vector<uint8_t> greenIn, greenOut;
  ASSERT_TRUE(Run(5, 3, [&](int16_t selector, FilterRecord* r, intptr_t*, int16_t*) {
    if (selector == kSelectorStart) {
      Whole(r);
      r->inLoPlane = r->inHiPlane = r->outLoPlane = r->outHiPlane = 1;
    }
    if (selector == kSelectorContinue) {
      EXPECT_EQ(r->inRowBytes, 5);
      EXPECT_EQ(r->outRowBytes, 5);
      auto* in = static_cast<uint8_t*>(r->inData);
      auto* out = static_cast<uint8_t*>(r->outData);
      greenIn.assign(in, in + 15);
      greenOut.assign(out, out + 15);
      out[0] = uint8_t(~out[0]);  // one pixel of one plane
      r->inRect = r->outRect = {0, 0, 0, 0};
    }
  }));
  ASSERT_EQ(greenIn.size(), 15u);
  for (int32_t i = 0; i < 15; ++i) {
    EXPECT_EQ(greenIn[size_t(i)], original_[size_t(i) * 3 + 1]) << i;
    EXPECT_EQ(greenOut[size_t(i)], original_[size_t(i) * 3 + 1]) << i;
  }
  std::vector<uint8_t> expected = original_;
  expected[1] = uint8_t(~expected[1]);
  EXPECT_EQ(g_host.bgr, expected);

  // Red and green together, then blue alone after them: each request starts
  // from what the previous ones stored.
  ASSERT_TRUE(Run(4, 2, [](int16_t selector, FilterRecord* r, intptr_t*, int16_t*) {
    if (selector != kSelectorStart) return;
    for (int16_t lo : {0, 2}) {
      Whole(r);
      r->inLoPlane = r->outLoPlane = lo;
      r->inHiPlane = r->outHiPlane = int16_t(lo == 0 ? 1 : 2);
      ASSERT_EQ(r->advanceState(), kNoError);
      int32_t bytes = r->outRowBytes * 2;
      EXPECT_EQ(r->outColumnBytes, lo == 0 ? 2 : 1);
      for (int32_t i = 0; i < bytes; ++i) {
        auto* out = static_cast<uint8_t*>(r->outData);
        out[i] = uint8_t(255 - static_cast<uint8_t*>(r->inData)[i]);
      }
    }
    r->inRect = r->outRect = {0, 0, 0, 0};
  }));
  EXPECT_TRUE(Inverted());
}

// A request wholly outside the picture cannot be served: advanceState says
// so, and a run whose loop meets one fails rather than asking for ever.
TEST_F(FilterRun, RequestsOutsideThePictureAreRefusedAndFailTheRun) {
  int16_t answer = 0;
  void* data = &answer;
  ASSERT_TRUE(Run(6, 4, [&](int16_t selector, FilterRecord* r, intptr_t*, int16_t*) {
    if (selector != kSelectorStart) return;
    r->inRect = r->outRect = {4, 0, 8, 6};  // below the last row
    r->inHiPlane = r->outHiPlane = 2;
    answer = r->advanceState();
    data = r->inData;
    r->inRect = {0, 0, 2, 2};  // planes 3 to 3 do not exist
    r->inLoPlane = r->inHiPlane = 3;
    r->outRect = {0, 0, 0, 0};
  }));
  EXPECT_NE(answer, kNoError);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(g_selectors, (std::vector<int16_t>{1, 2, 3, 5}));
  EXPECT_TRUE(Unchanged());
  EXPECT_TRUE(g_host.puts.empty());
  EXPECT_EQ(Notices(0), 1u);
}

// A host that changes its size record while it handles a notification: the
// run keeps to the size it loaded (AddressSanitizer watches the writes).
TEST_F(FilterRun, AHostThatGrowsItsSizeRecordMidRunIsNotWrittenPast) {
  g_onNotice = [] { g_host.size.height = 40; };
  ASSERT_TRUE(Run(5, 4, [](int16_t selector, FilterRecord* r, intptr_t*, int16_t*) {
    if (selector != kSelectorStart) return;
    r->progressProc(1, 2);  // the host grows its record here
    r->inRect = r->outRect = {0, 0, 40, 5};
    r->inLoPlane = r->outLoPlane = 0;
    r->inHiPlane = r->outHiPlane = 2;
    ASSERT_EQ(r->advanceState(), kNoError);
    EXPECT_EQ(r->outRect.bottom, 4);
    Invert(r);
    r->inRect = r->outRect = {0, 0, 0, 0};
  }));
  g_onNotice = nullptr;
  g_host.size.height = 4;
  EXPECT_TRUE(Inverted());
  EXPECT_EQ(g_host.puts.size(), 4u);
}

TEST_F(FilterRun, EscapeAbortsAndStaysAborted) {
  static bool escape = false;
  SetAbortCheck([] { return escape; });
  std::vector<uint8_t> answers;
  Run(2, 2, [&](int16_t selector, FilterRecord* r, intptr_t*, int16_t* result) {
    if (selector != kSelectorStart) return;
    answers.push_back(r->abortProc());
    escape = true;
    answers.push_back(r->abortProc());
    escape = false;
    answers.push_back(r->abortProc());
    *result = kUserCanceledError;
  });
  SetAbortCheck(nullptr);
  EXPECT_EQ(answers, (std::vector<uint8_t>{0, 1, 1}));
  EXPECT_TRUE(Unchanged());
}

TEST_F(FilterRun, HandlePropertyAndResourceSuites) {
  Run(3, 2, [](int16_t selector, FilterRecord* r, intptr_t*, int16_t*) {
    if (selector != kSelectorParameters) return;
    // Handles: *handle is the data; sizes change; unknown handles are refused.
    HandleProcs* h = r->handleProcs;
    EXPECT_EQ(h->version, 1);
    EXPECT_EQ(h->count, 8);
    Handle handle = h->newHandle(4);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(h->lock(handle, 0), *handle);
    std::memcpy(*handle, "abcd", 4);
    EXPECT_EQ(h->setSize(handle, 6), kNoError);
    EXPECT_EQ(h->getSize(handle), 6);
    EXPECT_EQ(std::memcmp(*handle, "abcd\0\0", 6), 0);
    EXPECT_EQ(h->newHandle(-1), nullptr);
    char* stranger[1] = {nullptr};
    EXPECT_EQ(h->getSize(stranger), 0);
    EXPECT_EQ(h->setSize(stranger, 3), kNilHandleError);
    EXPECT_EQ(h->lock(stranger, 0), nullptr);
    h->dispose(stranger);               // ignored
    r->parameters = h->newHandle(100);  // never disposed: freed with the run

    // Resources: kept in memory, indexed from 1, per type.
    ResourceProcs* res = r->resourceProcs;
    uint32_t type = FourCharCode("tEsT");
    EXPECT_EQ(res->addResource(type, handle), kNoError);
    std::memcpy(*handle, "wxyz", 4);
    EXPECT_EQ(res->addResource(type, handle), kNoError);
    EXPECT_EQ(res->addResource(FourCharCode("othr"), handle), kNoError);
    EXPECT_EQ(res->addResource(type, stranger), kNilHandleError);
    h->dispose(handle);
    EXPECT_EQ(res->countResources(type), 2);
    Handle first = res->getResource(type, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(std::memcmp(*first, "abcd", 4), 0);
    EXPECT_EQ(res->getResource(type, 3), nullptr);
    res->deleteResource(type, 1);
    EXPECT_EQ(res->countResources(type), 1);
    Handle second = res->getResource(type, 1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(std::memcmp(*second, "wxyz", 4), 0);

    // Properties: simple ones in the integer, strings in a new handle.
    GetPropertyFn get = r->propertyProcs->getProperty;
    intptr_t value = -1;
    EXPECT_EQ(get(kHostSignature, FourCharCode("nuch"), 0, &value, nullptr), kNoError);
    EXPECT_EQ(value, 3);
    EXPECT_EQ(get(kHostSignature, FourCharCode("mode"), 0, &value, nullptr), kNoError);
    EXPECT_EQ(value, kRgbMode);
    EXPECT_EQ(get(kHostSignature, FourCharCode("bndV"), 0, &value, nullptr), kNoError);
    EXPECT_EQ(value, 10 << 16);
    Handle title = nullptr;
    EXPECT_EQ(get(kHostSignature, FourCharCode("titl"), 0, nullptr, &title), kNoError);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(std::string(*title, size_t(h->getSize(title))), "Untitled");
    value = 77;
    EXPECT_EQ(get(kHostSignature, FourCharCode("zzzz"), 0, &value, &title),
              kPropertyUndefinedError);
    EXPECT_EQ(value, 77);
    EXPECT_EQ(get(FourCharCode("ABCD"), FourCharCode("nuch"), 0, &value, nullptr),
              kPropertyUndefinedError);
  });
  EXPECT_EQ(entry_->handles, nullptr);  // everything of the run is freed
  EXPECT_EQ(entry_->resources, nullptr);
  Handle parameters = entry_->record.parameters;  // packed: copied out
  EXPECT_EQ(parameters, nullptr);
}

TEST_F(FilterRun, FailedParametersStillFinishAndNotify) {
  ASSERT_TRUE(Run(4, 4, [](int16_t selector, FilterRecord*, intptr_t*, int16_t* result) {
    if (selector == kSelectorParameters) *result = kUserCanceledError;
  }));
  EXPECT_EQ(g_selectors, (std::vector<int16_t>{1, 5}));
  EXPECT_TRUE(Unchanged());
  EXPECT_TRUE(g_host.puts.empty());
  EXPECT_EQ(Notices(0), 1u);

  ASSERT_TRUE(Run(4, 4, [](int16_t selector, FilterRecord* r, intptr_t*, int16_t* result) {
    kInvertWhole(selector, r, nullptr, result);
    if (selector == kSelectorContinue) *result = -30;  // an error in continue
  }));
  EXPECT_TRUE(Unchanged());
  EXPECT_EQ(Notices(0), 1u);
}

TEST_F(FilterRun, ProgressAndAdvanceStateInTiles) {
  ASSERT_TRUE(Run(9, 150, [](int16_t selector, FilterRecord* r, intptr_t*, int16_t* result) {
    if (selector != kSelectorStart) return;
    r->progressProc(50, 200);
    r->progressProc(4, 0);  // a total of 0 sends nothing
    for (int16_t top = 0; top < 150; top += 64) {
      int16_t bottom = int16_t(top + 64 < 150 ? top + 64 : 150);
      r->inRect = r->outRect = {top, 0, bottom, 9};
      r->inLoPlane = r->outLoPlane = 0;
      r->inHiPlane = r->outHiPlane = 2;
      if (r->advanceState() != kNoError) *result = kUserCanceledError;
      Invert(r);
    }
    r->inRect = r->outRect = {0, 0, 0, 0};
  }));
  EXPECT_TRUE(Inverted());
  ASSERT_EQ(Notices(3), 1u);
  EXPECT_EQ(g_host.notices[0], std::make_pair(3u, 25));
  EXPECT_EQ(g_host.notices.back(), std::make_pair(0u, 0));
  EXPECT_EQ(g_selectors, (std::vector<int16_t>{1, 2, 3, 5}));
}

namespace {

std::vector<uint8_t> g_drawnHeader, g_drawnBits;
int32_t g_drawnX, g_drawnY;

void RecordDraw(void*, int32_t x, int32_t y, const void* header, const void* bits) {
  g_drawnX = x;
  g_drawnY = y;
  g_drawnHeader.assign(static_cast<const uint8_t*>(header),
                       static_cast<const uint8_t*>(header) + 40);
  int32_t width, height;
  std::memcpy(&width, g_drawnHeader.data() + 4, 4);
  std::memcpy(&height, g_drawnHeader.data() + 8, 4);
  size_t bytes = size_t((width * 3 + 3) / 4 * 4) * size_t(height);
  g_drawnBits.assign(static_cast<const uint8_t*>(bits), static_cast<const uint8_t*>(bits) + bytes);
}

}  // namespace

TEST_F(FilterRun, DisplayPixelsDrawsTheWholeBounds) {
  SetDisplayDrawer(RecordDraw);
  int16_t drawn = -1;
  Run(2, 2, [&](int16_t selector, FilterRecord* r, intptr_t*, int16_t*) {
    if (selector != kSelectorStart) return;
    uint8_t rgb[2][12];
    for (int y = 0; y < 2; ++y)
      for (int i = 0; i < 12; ++i) rgb[y][i] = uint8_t(y * 100 + i);
    PixelMap map = {};
    map.bounds = {0, 0, 2, 4};  // 2 rows of 4 pixels
    map.rowBytes = 12;
    map.baseAddr = rgb;
    drawn = r->displayPixels(&map, nullptr, 7, 9, nullptr);
  });
  SetDisplayDrawer(nullptr);
  EXPECT_EQ(drawn, kNoError);
  ASSERT_EQ(g_drawnHeader.size(), 40u);
  int32_t width, height;
  std::memcpy(&width, &g_drawnHeader[4], 4);
  std::memcpy(&height, &g_drawnHeader[8], 4);
  EXPECT_EQ(width, 4);
  EXPECT_EQ(height, 2);
  EXPECT_EQ(g_drawnHeader[14], 24);
  EXPECT_EQ(g_drawnX, 9);
  EXPECT_EQ(g_drawnY, 7);
  // Bottom-up: the DIB's first row is the map's last, bytes swapped to B, G, R.
  EXPECT_EQ(g_drawnBits[0], 102);
  EXPECT_EQ(g_drawnBits[2], 100);
  EXPECT_EQ(g_drawnBits[12], 2);
}

// Planar maps and maps with a fourth byte per pixel: the colour of pixel
// (row, column) comes from its column and plane steps; the source rectangle
// chooses the part drawn.
TEST_F(FilterRun, DisplayPixelsFollowsColumnAndPlaneSteps) {
  SetDisplayDrawer(RecordDraw);
  std::vector<std::vector<uint8_t>> drawn;
  Run(2, 2, [&](int16_t selector, FilterRecord* r, intptr_t*, int16_t*) {
    if (selector != kSelectorStart) return;
    uint8_t planar[3][2][2] = {{{10, 11}, {12, 13}}, {{20, 21}, {22, 23}}, {{30, 31}, {32, 33}}};
    PixelMap map = {};
    map.bounds = {0, 0, 2, 2};
    map.imageMode = kRgbMode;
    map.rowBytes = 2;
    map.colBytes = 1;
    map.planeBytes = 4;
    map.baseAddr = planar;
    EXPECT_EQ(r->displayPixels(&map, &map.bounds, 0, 0, nullptr), kNoError);
    drawn.push_back(g_drawnBits);

    uint8_t rgba[2][8] = {{1, 2, 3, 99, 4, 5, 6, 99}, {7, 8, 9, 99, 10, 11, 12, 99}};
    map.rowBytes = 8;
    map.colBytes = 4;
    map.planeBytes = 1;
    map.baseAddr = rgba;
    VRect right = {0, 1, 2, 2};  // the second column alone
    EXPECT_EQ(r->displayPixels(&map, &right, 0, 0, nullptr), kNoError);
    drawn.push_back(g_drawnHeader);
    drawn.push_back(g_drawnBits);
  });
  SetDisplayDrawer(nullptr);
  ASSERT_EQ(drawn.size(), 3u);
  // Bottom-up, B, G, R: the first DIB row is map row 1.
  EXPECT_EQ(std::vector<uint8_t>(drawn[0].begin(), drawn[0].begin() + 6),
            (std::vector<uint8_t>{32, 22, 12, 33, 23, 13}));
  EXPECT_EQ(std::vector<uint8_t>(drawn[0].begin() + 8, drawn[0].begin() + 14),
            (std::vector<uint8_t>{30, 20, 10, 31, 21, 11}));
  int32_t width;
  std::memcpy(&width, &drawn[1][4], 4);
  EXPECT_EQ(width, 1);
  EXPECT_EQ(std::vector<uint8_t>(drawn[2].begin(), drawn[2].begin() + 3),
            (std::vector<uint8_t>{12, 11, 10}));
  EXPECT_EQ(std::vector<uint8_t>(drawn[2].begin() + 4, drawn[2].begin() + 7),
            (std::vector<uint8_t>{6, 5, 4}));
}

// ---- Host services ---------------------------------------------------------------

TEST(ColourServices, KnownAnswersInEverySpace) {
  struct Case {
    int16_t space;
    int16_t rgb[3];
    int16_t expected[4];
  };
  const Case cases[] = {
      {kHsbSpace, {0, 255, 0}, {120, 359, 359, 0}},
      {kHsbSpace, {0, 0, 0}, {0, 0, 0, 0}},
      {kHslSpace, {0, 0, 255}, {240, 359, 180, 0}},
      {kHslSpace, {255, 255, 255}, {0, 0, 359, 0}},
      {kCmykSpace, {0, 0, 0}, {255, 255, 255, 0}},
      {kCmykSpace, {255, 255, 0}, {255, 255, 0, 255}},
      {kLabSpace, {0, 0, 0}, {0, 128, 128, 0}},
      {kLabSpace, {255, 0, 0}, {136, 208, 195, 0}},
      {kGreySpace, {255, 0, 0}, {76, 0, 0, 0}},
      {kXyzSpace, {255, 255, 255}, {255, 255, 255, 0}},
  };
  for (const Case& c : cases) {
    int16_t in[4] = {c.rgb[0], c.rgb[1], c.rgb[2], 99}, out[4];
    ASSERT_TRUE(ConvertColour(kRgbSpace, c.space, in, out));
    for (int i = 0; i < 4; ++i)
      EXPECT_NEAR(out[i], c.expected[i], 1) << "space " << c.space << " component " << i;
  }
  int16_t in[4] = {1, 2, 3, 4}, out[4];
  EXPECT_FALSE(ConvertColour(kRgbSpace, 7, in, out));
  EXPECT_FALSE(ConvertColour(-2, kRgbSpace, in, out));
}

TEST(FilterSpace, HalfTheMemoryWithinBounds) {
  EXPECT_EQ(SpaceFor(0), kMaxSpace);
  EXPECT_EQ(SpaceFor(3 * uint64_t(kMaxSpace)), int32_t(3 * uint64_t(kMaxSpace) / 2));
  EXPECT_EQ(SpaceFor(uint64_t(1) << 40), 0x40000000);
}

// The green plane of a 5 x 4 picture through its port: at 1:1 from (1, 1), at
// 1:2, and past the edge, where only what lies inside is written.
TEST_F(FilterRun, ChannelPortsReadAtScaleAndWrite) {
  std::vector<uint8_t> one(20, 0xEE), half(6, 0xEE), edge(9, 0xEE);
  uint8_t far = 0xEE;
  VRect wroteOne = {}, wroteHalf = {}, wroteEdge = {};
  Run(5, 4, [&](int16_t selector, FilterRecord* r, intptr_t*, int16_t*) {
    if (selector != kSelectorParameters) return;
    auto* document = static_cast<ReadImageDocumentDesc*>(r->documentInfo);
    auto* ports = static_cast<ChannelPortProcs*>(r->channelPortProcs);
    ReadChannelDesc* green = document->targetCompositeChannels->next;
    PixelMemoryDesc memory = {one.data(), 4 * 8, 8, 0, 8};
    Scaling scaling = {{1, 1, 4, 5}, {1, 1, 4, 5}};
    EXPECT_EQ(
        ports->readPixels(green->port, &scaling, &scaling.destinationRect, &memory, &wroteOne),
        kNoError);
    memory = {half.data(), 3 * 8, 8, 0, 8};
    scaling = {{0, 0, 4, 5}, {0, 0, 2, 3}};  // rows 0 and 2, columns 0, 1 and 3
    EXPECT_EQ(
        ports->readPixels(green->port, &scaling, &scaling.destinationRect, &memory, &wroteHalf),
        kNoError);
    memory = {edge.data(), 3 * 8, 8, 0, 8};
    scaling = {{2, 3, 5, 6}, {2, 3, 5, 6}};
    EXPECT_EQ(
        ports->readPixels(green->port, &scaling, &scaling.destinationRect, &memory, &wroteEdge),
        kNoError);
    // A scaling reaching a million pixels out reads the one pixel asked for;
    // one past 2^24 is refused.
    memory = {&far, 8, 8, 0, 8};
    VRect corner = {0, 0, 1, 1}, wroteFar = {};
    scaling = {{-1000000, -1000000, 4, 5}, {-1000000, -1000000, 4, 5}};
    EXPECT_EQ(ports->readPixels(green->port, &scaling, &corner, &memory, &wroteFar), kNoError);
    scaling.sourceRect.top = -(1 << 30);
    EXPECT_EQ(ports->readPixels(green->port, &scaling, &corner, &memory, &wroteFar),
              kParameterError);
    uint8_t red[20];
    for (int i = 0; i < 20; ++i) red[i] = uint8_t(i);
    VRect all = {0, 0, 4, 5};
    memory = {red, 5 * 8, 8, 0, 8};
    EXPECT_EQ(ports->writeBasePixels(document->targetCompositeChannels->writePort, &all, &memory),
              kNoError);
    EXPECT_EQ(ports->writeBasePixels(green->port, &all, &memory), kParameterError);
  });
  auto green = [](int32_t x, int32_t y) { return g_host.Pixel(x, y)[1]; };
  EXPECT_EQ(wroteOne.bottom, 4);
  EXPECT_EQ(one[0], green(1, 1));
  EXPECT_EQ(one[2 * 4 + 3], green(4, 3));
  EXPECT_EQ(half[3 + 2], green(3, 2));
  EXPECT_EQ(half[1], green(1, 0));
  EXPECT_EQ(wroteEdge.bottom, 4);
  EXPECT_EQ(wroteEdge.right, 5);
  EXPECT_EQ(edge[0], green(3, 2));
  EXPECT_EQ(edge[2], 0xEE);  // column 5 lies outside
  EXPECT_EQ(far, green(0, 0));
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(g_host.Pixel(x, y)[2], y * 5 + x);  // B, G, R
}

// The settings file: what it holds comes back; a damaged one keeps the whole
// records before the damage and says so.
TEST(DescriptorStore, RoundTripAndDamage) {
  std::vector<StoredDescriptor> store = {
      {"C:\\a.8bf", false, false, {1, 2, 3}}, {"b", true, false, {}}, {"c", false, true, {4}}};
  std::vector<uint8_t> bytes = EncodeDescriptorStore(store);
  std::vector<StoredDescriptor> back;
  ASSERT_TRUE(DecodeDescriptorStore(bytes, &back));
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(back[0].filterPath, "C:\\a.8bf");
  EXPECT_EQ(back[0].bytes, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_TRUE(back[1].withoutDialog && !back[1].dialogRequired);
  EXPECT_TRUE(back[2].dialogRequired && !back[2].withoutDialog);
  const struct { size_t cut, kept; } cuts[] = {{bytes.size() - 1, 2}, {30, 1}, {9, 0}};
  for (const auto& c : cuts) {
    std::vector<uint8_t> damaged(bytes.begin(), bytes.begin() + long(c.cut));
    EXPECT_FALSE(DecodeDescriptorStore(damaged, &back)) << c.cut;
    EXPECT_EQ(back.size(), c.kept) << c.cut;
  }
  std::vector<uint8_t> huge = bytes;  // the first path's length made 2^32 - 4
  huge[8] = 0xFC;
  huge[9] = huge[10] = huge[11] = 0xFF;
  EXPECT_FALSE(DecodeDescriptorStore(huge, &back));
  EXPECT_TRUE(DecodeDescriptorStore({}, &back));  // no file yet
  EXPECT_FALSE(DecodeDescriptorStore({'n', 'o', 'p', 'e', 1, 0, 0, 0}, &back));
}

// Two channels in each pixel, 47.16 coordinates; a depth other than 8 is refused.
TEST_F(FilterRun, ImageServicesOverSeveralChannels) {
  uint8_t source[8] = {0, 10, 100, 110, 200, 210, 250, 255};  // 2 x 2 pixels of 2 channels
  uint8_t target[4] = {7, 7, 7, 7};                           // 1 x 2 pixels
  int16_t answers[2] = {-1, -1};
  Run(1, 1, [&](int16_t selector, FilterRecord* r, intptr_t*, int16_t*) {
    if (selector != kSelectorParameters) return;
    auto* services = static_cast<ImageServicesProcs*>(r->imageServicesProcs);
    ASSERT_EQ(services->count, 6);
    ImageMultiPlane32 from = {source, {0, 0, 2, 2}, 4, 2, 2, 8};
    ImageMultiPlane32 to = {target, {0, 0, 1, 2}, 4, 2, 2, 8};
    VRect area = {0, 0, 1, 2};
    int64_t coords[4] = {int64_t(1) << 16, int64_t(1) << 16, int64_t(5) << 16, 0};
    answers[0] = services->interpolate2DMulti32(&from, &to, &area, coords, kPointSampling);
    from.depth = 16;
    answers[1] = services->interpolate2DMulti32(&from, &to, &area, coords, kPointSampling);
  });
  EXPECT_EQ(answers[0], kNoError);
  EXPECT_EQ(answers[1], kParameterError);
  EXPECT_EQ(target[0], 250);  // pixel (1, 1), both channels
  EXPECT_EQ(target[1], 255);
  EXPECT_EQ(target[2], 7);  // row 5 lies outside: left alone
}

TEST(Pipl, TraitsOfAPropertyList) {
  const int32_t kKind = 0x6B696E64, kMode = 0x6D6F6465, kName = 0x6E616D65;
  struct Case {
    std::vector<std::pair<int32_t, std::string>> properties;
    bool filterKind, rgb;
    std::string name;
  };
  const Case cases[] = {
      {{}, true, true, ""},  // an older module says nothing of itself
      {{{kKind, "MFB8"},
        {kMode, std::string("\x10\0\0\0", 4)},
        {kName,
         "\x05"
         "Blurr"}},
       true,
       true,
       "Blurr"},
      {{{kKind, "FIB8"}}, false, true, ""},                        // '8BIF', not a filter
      {{{kKind, "MF"}}, false, true, ""},                          // a kind too short
      {{{kMode, std::string("\x40\0\0\0", 4)}}, true, false, ""},  // greys only
      {{{kMode, ""}}, true, false, ""},
      {{{kName, "\x09Short"}}, true, true, "Short"},  // a length past the data
  };
  for (const Case& c : cases) {
    PiplBuilder pipl;
    for (const auto& property : c.properties)
      pipl.Property(property.first, property.second, int32_t(property.second.size()));
    std::vector<uint8_t> bytes = pipl.Done();
    PiplFilterTraits traits = PiplTraits(bytes.data(), bytes.size());
    EXPECT_EQ(traits.filterKind, c.filterKind) << c.properties.size();
    EXPECT_EQ(traits.rgb, c.rgb);
    EXPECT_EQ(traits.name, c.name);
  }
}

TEST(Pipl, MachineOfAPeImage) {
  auto image = [](uint32_t header, uint16_t machine, size_t size) {
    std::vector<uint8_t> bytes(size, 0);
    if (size >= 2) bytes[0] = 'M', bytes[1] = 'Z';
    if (size >= 0x40) std::memcpy(&bytes[0x3C], &header, 4);
    if (header + 6 <= size) {
      std::memcpy(&bytes[header], "PE\0\0", 4);
      std::memcpy(&bytes[header + 4], &machine, 2);
    }
    return bytes;
  };
  struct Case {
    std::vector<uint8_t> bytes;
    uint16_t machine;
  };
  std::vector<uint8_t> notMz = image(0x80, 0x14C, 0x100);
  notMz[0] = 'Z';
  std::vector<uint8_t> notPe = image(0x80, 0x14C, 0x100);
  notPe[0x81] = 'X';
  const Case cases[] = {{image(0x80, 0x14C, 0x100), 0x14C},
                        {image(0x80, 0x8664, 0x100), 0x8664},
                        {image(0xFA, 0x8664, 0x100), 0x8664},  // the field ends the bytes
                        {image(0xFB, 0x8664, 0x100), 0},       // one byte short
                        {image(0xFFFFFFF0, 0x14C, 0x100), 0},  // header offset far past
                        {image(0x80, 0x14C, 0x3F), 0},
                        {notMz, 0},
                        {notPe, 0}};
  for (const Case& c : cases) EXPECT_EQ(PeMachine(c.bytes.data(), c.bytes.size()), c.machine);
  EXPECT_EQ(PeMachine(nullptr, 0), 0);
  EXPECT_EQ(CodeKeyForMachine(0x14C), kWx86Key);
  EXPECT_EQ(CodeKeyForMachine(0x8664), kX64Key);
  EXPECT_EQ(CodeKeyForMachine(0x1C4), 0);
}
