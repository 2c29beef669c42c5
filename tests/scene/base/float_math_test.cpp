#include "scene/base/float_math.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "scene/base/scene_errors.h"

namespace zentrova {
namespace {

TEST(FloatMath, WrapDegrees180KeepsBothEnds) {
  const std::pair<float, float> cases[] = {{190, -170}, {-190, 170}, {180, 180}, {-180, -180},
                                           {540, 180},  {720, 0},    {359, -1},  {45, 45}};
  for (const auto& [angle, wrapped] : cases) EXPECT_EQ(WrapDegrees180(angle), wrapped) << angle;
}

TEST(FloatMath, TruncationAndRounding) {
  EXPECT_EQ(TruncSingle(2.7f), 2);
  EXPECT_EQ(TruncSingle(-2.7f), -2);
  EXPECT_EQ(TruncSingle(std::numeric_limits<float>::quiet_NaN()), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(TruncSingle(3e9f), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(RoundSingle(2.5f), 2);  // ties to even
  EXPECT_EQ(RoundSingle(3.5f), 4);
  EXPECT_EQ(RoundSingle(-2.6f), -3);
  EXPECT_EQ(FracSingle(-2.75f), -0.75f);
  EXPECT_EQ(IntExt(-7.9L), -7.0L);
  EXPECT_EQ(RoundInt(0.5L), 0.0L);
  EXPECT_EQ(SignSingle(-0.1f), -1);
  EXPECT_EQ(SignSingle(-0.0f), 0);
  EXPECT_EQ(SignSingle(7), 1);
  EXPECT_EQ(ClampSingle(5, 0, 1), 1);
  EXPECT_EQ(ClampSingle(-5, 0, 1), 0);
  EXPECT_EQ(Max3(1, 7, 3), 7);
  EXPECT_EQ(MaxInt(-1, -2), -1);
  EXPECT_EQ(MaxExt(1.5L, 2.5L), 2.5L);
}

TEST(FloatMath, Powers) {
  const std::array<float, 6> exact = {
      PowerInt(2, 10),     PowerInt(2, -2),  PowerInt(3, 0), PowerFloat(5, 0),
      PowerFloat(0, 2.5f), PowerFloat(-2, 3)};  // an integral exponent goes through PowerInt
  EXPECT_EQ(exact, (std::array<float, 6>{1024, 0.25f, 1, 1, 0, -8}));
  EXPECT_NEAR(PowerFloat(8, 1.0f / 3), 2, 1e-6);
  EXPECT_NEAR(PowerFloat(2, 0.5f), std::sqrt(2.0), 1e-6);
}

TEST(FloatMath, AnglesAndArcs) {
  EXPECT_EQ(DegToRad(180), static_cast<float>(M_PI));
  EXPECT_EQ(RadToDeg(static_cast<float>(M_PI)), 180);
  EXPECT_EQ(cPIdiv180, static_cast<float>(M_PI / 180));
  EXPECT_NEAR(static_cast<double>(ArcCosExt(0.5L)), M_PI / 3, 1e-15);
  EXPECT_NEAR(static_cast<double>(ArcSinExt(1)), M_PI / 2, 1e-15);
  EXPECT_TRUE(std::isnan(ArcCosExt(2)));
  EXPECT_NEAR(ArcTan2(1, 1), M_PI / 4, 1e-7);
  EXPECT_EQ(RSqrt(4), 0.5f);
  float s, c;
  SinAndCosScaled(static_cast<float>(M_PI / 2), 3, s, c);
  EXPECT_EQ(s, 3);
  EXPECT_NEAR(c, 0, 1e-6);
}

TEST(FloatMath, SinCosTables) {
  std::vector<float> s(5), c(5);
  FillSinCosTables(s, c, 0, 90);
  for (int i = 0; i < 5; ++i) {
    const double a = (90 + 1e-5) * M_PI / 180 * i / 4;
    EXPECT_NEAR(s[i], std::sin(a), 1e-6) << i;
    EXPECT_NEAR(c[i], std::cos(a), 1e-6) << i;
  }
  // From a thousand steps on, every entry is computed directly.
  std::vector<float> bs(1001), bc(1001);
  FillSinCosTables(bs, bc, 10, 20);
  const long double step = ((20 + static_cast<long double>(1e-5f)) - 10) * (cPI / 180) / 1000;
  EXPECT_EQ(bs[700], static_cast<float>(std::sin(10 * (cPI / 180) + 700 * step)));
  std::vector<float> wrong(4);
  EXPECT_THROW(FillSinCosTables(s, wrong, 0, 90), EAssertionFailed);
}

}  // namespace
}  // namespace zentrova
