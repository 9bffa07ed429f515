#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "image/plugin_registry.h"
#include "image/thumbnail_maker.h"
#include "image/thumbnail_scale.h"
#include "platform/platform.h"
#include "shell/app_state.h"

namespace testing_support {

ScratchFolder::ScratchFolder() {
  std::mt19937 random(unsigned(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                      std::random_device{}());
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    std::string candidate =
        platform::TemporaryFolder() + "tamsel-test-" + std::to_string(random() % 100000000) + "\\";
    if (platform::MakeFolder(candidate.substr(0, candidate.size() - 1).c_str())) path_ = candidate;
  }
  if (path_.empty()) ADD_FAILURE() << "cannot make a scratch folder";
}

ScratchFolder::~ScratchFolder() {
  if (!path_.empty()) RemoveTree(path_);
}

void RemoveTree(const std::string& folder) {
  std::vector<platform::FoundFile> entries;
  {
    platform::DirSearch search;
    platform::FoundFile found;
    for (bool more = search.First((folder + "*").c_str(), &found); more; more = search.Next(&found))
      entries.push_back(found);
  }
  for (const platform::FoundFile& entry : entries) {
    if (!std::strcmp(entry.name, ".") || !std::strcmp(entry.name, "..")) continue;
    if (entry.isFolder)
      RemoveTree(folder + entry.name + "\\");
    else
      platform::DeleteOneFile((folder + entry.name).c_str());
  }
  platform::RemoveFolder(folder.substr(0, folder.size() - 1).c_str());
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  int64_t size = platform::FileSize(path.c_str());
  if (size < 0) return {};
  std::vector<uint8_t> bytes(size_t(size) + 1);
  long got = platform::ReadFileBytes(path.c_str(), bytes.data(), bytes.size());
  bytes.resize(got < 0 ? 0 : size_t(got));
  return bytes;
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  ASSERT_TRUE(platform::WriteFileBytes(path.c_str(), bytes.data(), bytes.size())) << path;
}

bool CopyFileBytes(const std::string& from, const std::string& to) {
  std::vector<uint8_t> bytes = ReadAll(from);
  return !bytes.empty() && platform::WriteFileBytes(to.c_str(), bytes.data(), bytes.size());
}

std::string FixturePlugin(const std::string& name) {
  return platform::ExecutableFolder() + "fixtures\\" + name + ".dll";
}

void InstallPlugins(const ScratchFolder& folder, const std::vector<PluginCopy>& plugins) {
  platform::MakeFolder((folder / "file_r").c_str());
  platform::MakeFolder((folder / "file_w").c_str());
  for (const PluginCopy& plugin : plugins) {
    std::string target = folder / ((plugin.writer ? "file_w\\" : "file_r\\") + plugin.asName);
    ASSERT_TRUE(CopyFileBytes(FixturePlugin(plugin.fixture), target)) << plugin.fixture;
  }
  ASSERT_TRUE(SetProgramFolder(folder.Path().c_str()));
  ScanPlugins(g_app.programFolder, nullptr);
}

std::vector<uint8_t> TestPicture::Bytes() const {
  TestPictureHeader header = {};
  std::memcpy(header.magic, kTestPictureMagic, 4);
  header.width = width;
  header.height = height;
  header.bitsPerPixel = bitsPerPixel;
  header.flags = flags;
  header.rowsToDeliver = rowsToDeliver;
  std::memcpy(header.fastExtension, fastExtension.c_str(),
              std::min(fastExtension.size(), sizeof header.fastExtension));
  std::vector<uint8_t> bytes(reinterpret_cast<const uint8_t*>(&header),
                             reinterpret_cast<const uint8_t*>(&header) + sizeof header);
  for (const auto* part : {&palette, &rows, &alpha, &payload})
    bytes.insert(bytes.end(), part->begin(), part->end());
  return bytes;
}

TestPicture SolidPicture(int32_t width, int32_t height, uint32_t rgb) {
  TestPicture picture;
  picture.width = width;
  picture.height = height;
  size_t stride = size_t(RowStride(width, 24));
  picture.rows.assign(stride * size_t(height), 0);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* pixel = &picture.rows[size_t(y) * stride + 3 * size_t(x)];
      pixel[0] = uint8_t(rgb);
      pixel[1] = uint8_t(rgb >> 8);
      pixel[2] = uint8_t(rgb >> 16);
    }
  return picture;
}

static std::vector<Message> g_messages;
static platform::MessageSink g_previousSink = nullptr;

static void CaptureMessage(void*, const char* text, const char* caption) {
  g_messages.push_back({text, caption});
}

static void PrintMessage(void*, const char* text, const char* caption) {
  std::printf("message box [%s] %s\n", caption, text);
}

// No test may block on a real message box.
class QuietMessages : public ::testing::Environment {
  void SetUp() override { platform::SetMessageSink(PrintMessage); }
};
static ::testing::Environment* const g_quiet =
    ::testing::AddGlobalTestEnvironment(new QuietMessages);

MessageCapture::MessageCapture() {
  g_messages.clear();
  g_previousSink = platform::SetMessageSink(CaptureMessage);
}

MessageCapture::~MessageCapture() { platform::SetMessageSink(g_previousSink); }

const std::vector<Message>& MessageCapture::Messages() const { return g_messages; }

static std::vector<TraceLine> g_traceLines;
static platform::TraceSink g_previousTraceSink = nullptr;

static void CaptureTrace(const char* where, const char* what, unsigned long code) {
  g_traceLines.push_back({where, what, code});
}

TraceCapture::TraceCapture() {
  g_traceLines.clear();
  g_previousTraceSink = platform::SetTraceSink(CaptureTrace);
}

TraceCapture::~TraceCapture() { platform::SetTraceSink(g_previousTraceSink); }

const std::vector<TraceLine>& TraceCapture::Lines() const { return g_traceLines; }

platform::CalendarTime LocalTime(int year, int month, int day, int hour, int minute, int second) {
  platform::CalendarTime t = {};
  t.year = uint16_t(year);
  t.month = uint16_t(month);
  t.day = uint16_t(day);
  t.hour = uint16_t(hour);
  t.minute = uint16_t(minute);
  t.second = uint16_t(second);
  return t;
}

uint32_t PixelAt(const DibHeader* image, int32_t x, int32_t y) {
  uint8_t pixel[3];
  if (!ReadPixelSpan(image, y, x, x, pixel)) return 0xDEADBEEF;
  return uint32_t(pixel[2]) << 16 | uint32_t(pixel[1]) << 8 | pixel[0];
}

DecodedPicture ReadReferenceDecode(const std::string& folder, const std::string& name) {
  DecodedPicture picture;
  std::vector<uint8_t> size = ReadAll(folder + name + ".size");
  size.push_back(0);
  std::sscanf(reinterpret_cast<const char*>(size.data()), "%d %d", &picture.width, &picture.height);
  picture.rgb = ReadAll(folder + name + ".rgb");
  return picture;
}

double MeanChannelDifference(const DibHeader* a, const DibHeader* b) {
  double total = 0;
  for (int32_t y = 0; y < a->biHeight; ++y)
    for (int32_t x = 0; x < a->biWidth; ++x) {
      uint32_t p = PixelAt(a, x, y), q = PixelAt(b, x, y);
      for (int c = 0; c < 3; ++c)
        total += std::abs(int((p >> (8 * c)) & 0xFF) - int((q >> (8 * c)) & 0xFF));
    }
  return total / (3.0 * a->biWidth * a->biHeight);
}

void ExpectThumbnailLikeFittedWhole(const char* path, const DibHeader* whole, double meanError) {
  PackedDibPtr expected(FitThumbnail(whole, 176, 160));
  PackedDibPtr thumbnail(MakeThumbnail(nullptr, path, 176, 160));
  ASSERT_TRUE(expected);
  ASSERT_TRUE(thumbnail);
  ASSERT_EQ(thumbnail->biWidth, expected->biWidth);
  ASSERT_EQ(thumbnail->biHeight, expected->biHeight);
  EXPECT_LE(MeanChannelDifference(thumbnail.get(), expected.get()), meanError);
}

}  // namespace testing_support
