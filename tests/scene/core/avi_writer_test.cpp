// AVI files written through FFmpeg and read back by libavformat.
#include "scene/core/avi_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "avi_read_back.h"
#include "platform/exception.h"
#include "test_support.h"

namespace zentrova {
namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

// Frame f: the top half (f × 20, 0, 200) in RGB, the bottom half green; rows padded to 4 bytes.
std::vector<std::uint8_t> Frame(int f, int row_bytes) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(row_bytes) * kHeight, 0);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      std::uint8_t* p = &pixels[static_cast<std::size_t>(y) * row_bytes + x * 3];
      if (y < kHeight / 2) {
        p[0] = 200, p[1] = 0, p[2] = static_cast<std::uint8_t>(f * 20);
      } else {
        p[0] = 0, p[1] = 255, p[2] = 0;
      }
    }
  }
  return pixels;
}

TEST(AVIWriter, WritesStreamsThatReadBack) {
  const struct {
    TAVIEncoderSettings settings;
    std::string codec, tag;
  } cases[] = {{{"rawvideo", "", 0, 0}, "rawvideo", ""},
               {{"msvideo1", "MSVC", 0, 0}, "msvideo1", "MSVC"},
               {{"mpeg4", "divx", 5, 800}, "mpeg4", "divx"}};
  for (const auto& c : cases) {
    test::TempDir dir;
    const std::string file = dir.File("out.avi");
    {
      TAVIWriter writer;
      writer.Open(file, kWidth, kHeight, 20, c.settings);
      const int row_bytes = 196;  // 64 × 3 padded
      for (int f = 0; f < 5; ++f) writer.WriteFrame(Frame(f, row_bytes).data(), row_bytes);
      EXPECT_EQ(writer.FramesWritten(), 5);
      writer.Close();
    }
    const test::TAVIReadBack back = test::ReadAVI(file);
    ASSERT_TRUE(back.opened) << c.codec;
    EXPECT_EQ(back.codec, c.codec);
    EXPECT_EQ(back.tag, c.tag);
    EXPECT_EQ(back.rate_num * 1.0 / back.rate_den, 20.0) << c.codec;
    EXPECT_EQ((std::array{back.width, back.height}), (std::array{kWidth, kHeight}));
    ASSERT_EQ(back.frames.size(), 5u) << c.codec;
    if (c.codec == "rawvideo") {
      for (std::size_t f = 0; f < 5; ++f) {
        EXPECT_EQ(back.Pixel(f, 3, 2), (std::vector<int>{200, 0, static_cast<int>(f) * 20})) << f;
        EXPECT_EQ(back.Pixel(f, 60, 45), (std::vector<int>{0, 255, 0})) << f;
      }
    }
  }
}

TEST(AVIWriter, FailuresRaiseTheirTexts) {
  test::TempDir dir;
  const std::string file = dir.File("x.avi");
  const struct {
    std::string file;
    int width, height, fps;
    std::string encoder, message;
    bool file_left;
  } cases[] = {
      {file, 0, 48, 20, "rawvideo", "Cannot create AVI stream.", false},
      {file, 64, 48, 0, "rawvideo", "Cannot create AVI stream.", false},
      {dir.File("missing/x.avi"), 64, 48, 20, "rawvideo", "Cannot create AVI file. Disk full or file in use?", false},
      {file, 64, 48, 20, "no-such-encoder", "Cannot make compressed stream. No such compressor found", true},
      {file, 62, 48, 20, "msvideo1", "Cannot make compressed stream. ", true},  // blocks of 4 pixels
  };
  for (const auto& c : cases) {
    std::filesystem::remove(file);
    TAVIWriter writer;
    test::ExpectError<Exception>([&] { writer.Open(c.file, c.width, c.height, c.fps, {c.encoder, "", 0, 0}); },
                                 c.message);
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_EQ(std::filesystem::exists(file), c.file_left) << c.message;
  }
  TAVIWriter closed;
  test::ExpectError<Exception>([&] { closed.WriteFrame(nullptr, 0); }, "Add Frame Error");
}

TEST(AVIWriter, EncoderListForTheFrameSize) {
  const std::vector<TVideoEncoderChoice> encoders = AVIVideoEncoders(kWidth, kHeight);
  std::vector<std::string> names;
  for (const auto& e : encoders) names.push_back(e.Name);
  for (const char* expected : {"msvideo1", "mpeg4", "rawvideo"}) {
    EXPECT_NE(std::find(names.begin(), names.end(), expected), names.end()) << expected;
  }
  // Video-1 codes blocks of 4 × 4 pixels: it does not open at 62 × 48.
  std::vector<std::string> odd;
  for (const auto& e : AVIVideoEncoders(62, 48)) odd.push_back(e.Name);
  EXPECT_EQ(std::find(odd.begin(), odd.end(), "msvideo1"), odd.end());
  EXPECT_NE(std::find(odd.begin(), odd.end(), "rawvideo"), odd.end());
}

}  // namespace
}  // namespace zentrova
