#include "scene/gl/platform_helpers.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "platform/exception.h"
#include "test_support.h"

namespace zentrova {
namespace {

TEST(ColorPacking, BytesInRedGreenBlueOrder) {
  EXPECT_EQ(MakeRGBColor(0x12, 0x34, 0x56), 0x00563412);
  EXPECT_EQ((std::array{GetRValue8(0x00563412), GetGValue8(0x00563412), GetBValue8(0x00563412)}),
            (std::array<std::uint8_t, 3>{0x12, 0x34, 0x56}));
}

TEST(SystemColors, ResolveThroughTheClassicTable) {
  // Index 5 is the window background: white in the classic scheme.
  EXPECT_EQ(ResolveWindowColor(SystemColorValue(COLOR_WINDOW)), 0x00FFFFFF);
  EXPECT_EQ(ResolveWindowColor(static_cast<TColor>(0xFF00000F)), MakeRGBColor(212, 208, 200));
  EXPECT_EQ(ResolveWindowColor(SystemColorValue(24)), MakeRGBColor(255, 255, 225));
  EXPECT_EQ(ResolveWindowColor(SystemColorValue(40)), 0);  // no such index
  EXPECT_EQ(ResolveWindowColor(0x00123456), 0x00123456);
  EXPECT_EQ(SystemColorVectors().size(), 25u);
  EXPECT_EQ(SystemColorVectors()[COLOR_WINDOW], (TVector4f{1, 1, 1, 1}));
  EXPECT_FLOAT_EQ(SystemColorVectors()[COLOR_BTNFACE][0], 212 / 255.0f);
}

TEST(ColorConversion, VectorsAndBack) {
  const TVector4f v = WinColorToVector(MakeRGBColor(255, 128, 0), 0.5f);
  EXPECT_FLOAT_EQ(v[0], 1.0f);
  EXPECT_FLOAT_EQ(v[1], 128 * 0.00392156862745098f);
  EXPECT_EQ(v[2], 0.0f);
  EXPECT_EQ(v[3], 0.5f);
  EXPECT_EQ(WinColorToVector(SystemColorValue(COLOR_WINDOW)), (TVector4f{1, 1, 1, 1}));
  EXPECT_EQ(VectorToWinColor(v), MakeRGBColor(255, 128, 0));
  // 0.5 × 255 = 127.5 rounds to 128; 0.25 × 255 = 63.75 to 64.
  EXPECT_EQ(VectorToWinColor({0.5f, 0.25f, 0.0f, 1}), MakeRGBColor(128, 64, 0));
  EXPECT_THROW(VectorToWinColor({1.01f, 0, 0, 1}), ERangeError);
  EXPECT_THROW(VectorToWinColor({0, -0.01f, 0, 1}), ERangeError);
  EXPECT_THROW(VectorToWinColor({0, 0, std::nanf(""), 1}), ERangeError);
  EXPECT_EQ(VectorToWinColor({0, 0, -0.001f, 1}), 0);  // rounds to 0
}

TEST(ScreenCaps, DefaultsWithoutADisplay) {
  const char* display = std::getenv("DISPLAY");
  if (display != nullptr && *display != '\0') GTEST_SKIP() << "a display is set";
  const TScreenCaps caps = ReadScreenCaps();
  EXPECT_EQ(caps.LogPixelsX, 96);
  EXPECT_EQ(caps.LogPixelsY, 96);
  EXPECT_EQ(caps.BitsPixel, 32);
  EXPECT_EQ(caps.NumColors, -1);
  EXPECT_EQ(ScreenPixelsPerInchX(), 96);
  EXPECT_EQ(BitsOfPixelFormat(pfDevice), 32);
  EXPECT_EQ(BitsOfPixelFormat(pfCustom), 32);
}

TEST(BitsOfPixelFormat, FixedFormatsAndTheDefault) {
  const std::pair<TPixelFormat, int> formats[] = {
      {pf1bit, 1},   {pf4bit, 4},   {pf8bit, 8},   {pf15bit, 15},
      {pf16bit, 16}, {pf24bit, 24}, {pf32bit, 32}, {static_cast<TPixelFormat>(77), 24}};
  for (const auto& [format, bits] : formats) EXPECT_EQ(BitsOfPixelFormat(format), bits) << format;
}

TEST(ResourceStrings, KnownTextsAndNothingElse) {
  EXPECT_EQ(ResourceString(glsOpenGLVersionTooLow), "Need at least OpenGL version 1.1");
  EXPECT_EQ(ResourceString(65239), "Unbalanced Begin/EndUpdate");
  EXPECT_EQ(ResourceString(65234), "");
}

TEST(OSError, NamesTheLastError) {
  errno = ENOENT;
  test::ExpectError<EOSError>([] { RaiseLastOSErrorMsg(); }, "OS Error : No such file or directory");
}

TEST(Counter, AdvancesAtItsFrequency) {
  std::int64_t frequency = 0;
  EXPECT_TRUE(QueryFrequency(frequency));
  EXPECT_GE(frequency, 1000000);
  std::int64_t before = 0;
  std::int64_t after = 0;
  QueryCounter(before);
  SleepMs(20);
  QueryCounter(after);
  EXPECT_GE(static_cast<double>(after - before) / static_cast<double>(frequency), 0.019);
}

}  // namespace
}  // namespace zentrova
