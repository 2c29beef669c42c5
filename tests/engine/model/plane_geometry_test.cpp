#include "engine/model/plane_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace zentrova {
namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;
constexpr long double kTight = 1e-17L;

TEST(PlaneGeometry, OrientationIsPositiveToTheLeft) {
  EXPECT_EQ(Orientation({0.5L, 1}, {0, 0}, {1, 0}), 1);  // above the line from (0,0) to (1,0)
  EXPECT_EQ(Orientation({0.5L, -2}, {0, 0}, {1, 0}), -2);
  EXPECT_EQ(Orientation({3, 0}, {0, 0}, {1, 0}), 0);
}

TEST(PlaneGeometry, AngleAtVertexOfTheUnitSquare) {
  // The corner (1,1) of the counter-clockwise unit square, coming from (1,0), going to (0,1).
  const long double a = AngleAtVertex({1, 1}, {1, 0}, {0, 1});
  EXPECT_NEAR(a, 3 * kPi / 2, kTight);
  EXPECT_NEAR(2 * kPi - a, kPi / 2, kTight);
  // Turning the other way round the same corner: the reflex side.
  EXPECT_NEAR(AngleAtVertex({1, 1}, {0, 1}, {1, 0}), kPi / 2, kTight);
  // A left turn of 45 degrees at (1,0).
  EXPECT_NEAR(AngleAtVertex({1, 0}, {0, 0}, {2, 1}), kPi / 4 + kPi, 1e-16L);
}

TEST(PlaneGeometry, StraightVertexGivesPiNotNaN) {
  // Collinear legs whose cosine rounds to -1.0000000000000000001: arccos of it has no value.
  const TPlaneVector step{4.2L, 6.7L};
  const TPlaneVector r{1.0L, 5.9L};
  const TPlaneVector p{r.X + step.X, r.Y + step.Y};
  const TPlaneVector n{p.X + 2 * step.X, p.Y + 2 * step.Y};
  const long double a = AngleAtVertex(p, r, n);
  EXPECT_FALSE(std::isnan(a));
  EXPECT_NEAR(a, kPi, 1e-9L);
  EXPECT_FALSE(std::isnan(LawOfCosinesAngle(1, 2, 3)));  // a degenerate triangle
  EXPECT_NEAR(LawOfCosinesAngle(1, 2, 3), kPi, 1e-9L);
}

TEST(PlaneGeometry, LawOfCosines) {
  EXPECT_EQ(LawOfCosinesAngle(3, 4, 5), kPi / 2);  // exactly: the numerator is 0
  EXPECT_NEAR(LawOfCosinesAngle(4, 5, 3), std::acos(0.8L), kTight);
  EXPECT_NEAR(LawOfCosinesAngle(1, 1, 1), kPi / 3, kTight);
  // From the numerator the caller holds: exactly pi/2 at 0, a cosine just past -1 clamped to pi.
  EXPECT_EQ(LawOfCosinesAngleFromNumerator(0, 3, 4), kPi / 2);
  EXPECT_EQ(LawOfCosinesAngleFromNumerator(-2 * (1 + 1e-18L), 1, 1), std::acos(-1.0L));
}

TEST(PlaneGeometry, RotateNormalizeAndTranslate) {
  long double x = 1, y = 0;
  Rotate2D(x, y, kPi / 2);
  EXPECT_NEAR(x, 0, kTight);
  EXPECT_NEAR(y, 1, kTight);

  x = 3;
  y = -4;
  ASSERT_TRUE(Normalize2D(x, y));
  EXPECT_NEAR(x, 0.6L, kTight);
  EXPECT_NEAR(y, -0.8L, kTight);
  x = 0;
  y = 0;
  EXPECT_FALSE(Normalize2D(x, y));
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);

  // The point (2, 1) of a frame at (10, 20) turned by 90 degrees.
  RotateTranslate(10, 20, 2, 1, 0, 1, x, y);
  EXPECT_EQ(x, 9);
  EXPECT_EQ(y, 22);
}

}  // namespace
}  // namespace zentrova
