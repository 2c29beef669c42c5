#include "engine/model/plane_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace zentrova {
namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;
constexpr long double kTight = 1e-17L;

TEST(PlaneGeometry, OrientationAndAngleAtAVertex) {
  EXPECT_EQ(Orientation({0.5L, 1}, {0, 0}, {1, 0}), 1);  // left of the line from (0,0) to (1,0)
  EXPECT_EQ(Orientation({0.5L, -2}, {0, 0}, {1, 0}), -2);
  EXPECT_EQ(Orientation({3, 0}, {0, 0}, {1, 0}), 0);
  // The corner (1,1) of the counter-clockwise unit square from (1,0) to (0,1), and the other way round.
  EXPECT_NEAR(AngleAtVertex({1, 1}, {1, 0}, {0, 1}), 3 * kPi / 2, kTight);
  EXPECT_NEAR(AngleAtVertex({1, 1}, {0, 1}, {1, 0}), kPi / 2, kTight);
  EXPECT_NEAR(AngleAtVertex({1, 0}, {0, 0}, {2, 1}), kPi / 4 + kPi, 1e-16L);  // a left turn of 45 degrees
  // Collinear legs whose cosine rounds to just past -1: pi, not the NaN of arccos.
  const TPlaneVector s{4.2L, 6.7L}, r{1.0L, 5.9L}, p{r.X + s.X, r.Y + s.Y}, n{p.X + 2 * s.X, p.Y + 2 * s.Y};
  EXPECT_NEAR(AngleAtVertex(p, r, n), kPi, 1e-9L);
}

TEST(PlaneGeometry, LawOfCosines) {
  EXPECT_EQ(LawOfCosinesAngle(3, 4, 5), kPi / 2);  // exactly: the numerator is 0
  EXPECT_NEAR(LawOfCosinesAngle(4, 5, 3), std::acos(0.8L), kTight);
  EXPECT_NEAR(LawOfCosinesAngle(1, 1, 1), kPi / 3, kTight);
  EXPECT_NEAR(LawOfCosinesAngle(1, 2, 3), kPi, 1e-9L);  // a degenerate triangle
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
  x = y = 0;
  EXPECT_FALSE(Normalize2D(x, y));
  EXPECT_EQ(x, 0);
  // The point (2, 1) of a frame at (10, 20) turned by 90 degrees.
  RotateTranslate(10, 20, 2, 1, 0, 1, x, y);
  EXPECT_EQ(x, 9);
  EXPECT_EQ(y, 22);
}

}  // namespace
}  // namespace zentrova
