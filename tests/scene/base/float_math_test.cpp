#include "scene/base/float_math.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "scene/base/scene_errors.h"
#include "scene/expect_near.h"

namespace zentrova {
namespace {

TEST(FloatMath, WrapDegrees180KeepsBothEnds) {
  const std::pair<float, float> cases[] = {{190, -170}, {-190, 170}, {180, 180}, {-180, -180},
                                           {540, 180},  {720, 0},    {359, -1},  {45, 45}};
  for (const auto& [angle, wrapped] : cases) EXPECT_EQ(WrapDegrees180(angle), wrapped) << angle;
}

TEST(FloatMath, TruncationAndRounding) {
  // Out of range and NaN truncate to the smallest integer; rounding goes to even.
  const std::int32_t integers[] = {TruncSingle(2.7f),  TruncSingle(-2.7f), TruncSingle(std::nanf("")),
                                   TruncSingle(3e9f),  RoundSingle(2.5f),  RoundSingle(3.5f),
                                   RoundSingle(-2.6f), SignSingle(-0.1f),  SignSingle(-0.0f),
                                   SignSingle(7),      MaxInt(-1, -2)};
  EXPECT_THAT(integers, ::testing::ElementsAre(2, -2, INT32_MIN, INT32_MIN, 2, 4, -3, -1, 0, 1, -1));
  const long double reals[] = {FracSingle(-2.75f),    IntExt(-7.9L), RoundInt(0.5L),    ClampSingle(5, 0, 1),
                               ClampSingle(-5, 0, 1), Max3(1, 7, 3), MaxExt(1.5L, 2.5L)};
  EXPECT_THAT(reals, ::testing::ElementsAre(-0.75L, -7.0L, 0.0L, 1.0L, 0.0L, 7.0L, 2.5L));
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
  EXPECT_THAT((std::array{DegToRad(180), RadToDeg(static_cast<float>(M_PI)), cPIdiv180, RSqrt(4)}),
              ::testing::ElementsAre(static_cast<float>(M_PI), 180, static_cast<float>(M_PI / 180), 0.5f));
  test::ExpectNear(std::array{ArcCosExt(0.5L), ArcSinExt(1)}, {M_PI / 3, M_PI / 2}, 1e-15);
  EXPECT_TRUE(std::isnan(ArcCosExt(2)));
  EXPECT_NEAR(ArcTan2(1, 1), M_PI / 4, 1e-7);
  float s, c;
  SinAndCosScaled(static_cast<float>(M_PI / 2), 3, s, c);
  test::ExpectNear(std::array{s, c}, {3, 0}, 1e-6);
}

TEST(FloatMath, SinCosTables) {
  std::vector<float> s(5), c(5);
  FillSinCosTables(s, c, 0, 90);
  // Steps of a quarter of 90 degrees (and a little).
  test::ExpectNear(s, {0, std::sin(M_PI / 8), std::sin(M_PI / 4), std::sin(3 * M_PI / 8), 1}, 1e-6);
  test::ExpectNear(c, {1, std::cos(M_PI / 8), std::cos(M_PI / 4), std::cos(3 * M_PI / 8), 0}, 1e-6);
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
