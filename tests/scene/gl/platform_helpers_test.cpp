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
  // A system colour is resolved by its index (window background: white); no such index gives black, a
  // plain colour stays.
  EXPECT_EQ(ResolveWindowColor(SystemColorValue(COLOR_WINDOW)), 0x00FFFFFF);
  EXPECT_EQ(ResolveWindowColor(static_cast<TColor>(0xFF00000F)), MakeRGBColor(212, 208, 200));
  EXPECT_EQ(ResolveWindowColor(SystemColorValue(40)), 0);
  EXPECT_EQ(ResolveWindowColor(0x00123456), 0x00123456);
  EXPECT_EQ(SystemColorVectors()[COLOR_WINDOW], (TVector4f{1, 1, 1, 1}));
}

TEST(ColorConversion, VectorsAndBack) {
  const TVector4f v = WinColorToVector(MakeRGBColor(255, 128, 0), 0.5f);
  EXPECT_EQ(v, (TVector4f{1, 128 * 0.00392156862745098f, 0, 0.5f}));
  EXPECT_EQ(WinColorToVector(SystemColorValue(COLOR_WINDOW)), (TVector4f{1, 1, 1, 1}));
  EXPECT_EQ(VectorToWinColor(v), MakeRGBColor(255, 128, 0));
  // 0.5 × 255 = 127.5 rounds to 128; 0.25 × 255 = 63.75 to 64.
  EXPECT_EQ(VectorToWinColor({0.5f, 0.25f, 0.0f, 1}), MakeRGBColor(128, 64, 0));
  for (const TVector4f& beyond : {TVector4f{1.01f, 0, 0, 1}, {0, -0.01f, 0, 1}, {0, 0, std::nanf(""), 1}})
    EXPECT_THROW(VectorToWinColor(beyond), ERangeError);
  EXPECT_EQ(VectorToWinColor({0, 0, -0.001f, 1}), 0);  // rounds to 0
}

TEST(ScreenCaps, DefaultsWithoutADisplay) {
  const char* display = std::getenv("DISPLAY");
  if (display != nullptr && *display != '\0') GTEST_SKIP() << "a display is set";
  const TScreenCaps caps = ReadScreenCaps();
  EXPECT_EQ(
      (std::array{caps.LogPixelsX, caps.LogPixelsY, caps.BitsPixel, caps.NumColors, ScreenPixelsPerInchX()}),
      (std::array{96, 96, 32, -1, 96}));
  EXPECT_EQ(BitsOfPixelFormat(pfDevice), 32);
}

TEST(OSError, NamesTheLastError) {
  errno = ENOENT;
  test::ExpectError<EOSError>([] { RaiseLastOSErrorMsg(); }, "OS Error : No such file or directory");
}

TEST(Counter, AdvancesAtItsFrequency) {
  std::int64_t frequency = 0, before = 0, after = 0;
  EXPECT_TRUE(QueryFrequency(frequency) && frequency >= 1000000);
  QueryCounter(before);
  SleepMs(20);
  QueryCounter(after);
  EXPECT_GE(static_cast<double>(after - before) / static_cast<double>(frequency), 0.019);
}

}  // namespace
}  // namespace zentrova
