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

}  // namespace
}  // namespace zentrova
