#include "scene/base/spline.h"

#include <gtest/gtest.h>

#include <array>
#include <utility>
#include <vector>

#include "scene/base/scene_errors.h"
#include "scene/expect_near.h"

namespace zentrova {
namespace {

float Eval(const TCubicSpline::TSegment& c, float t) {
  return static_cast<float>(((static_cast<long double>(c[0]) * t + c[1]) * t + c[2]) * t + c[3]);
}

TEST(CubicSpline, TwoKnotsGiveTheChord) {
  const std::vector<float> x{0, 2}, y{1, 5}, z{-3, -3};
  const TCubicSpline spline(x, y, z, {}, 2);
  ASSERT_EQ(spline.XCoefficients().size(), 1u);
  EXPECT_TRUE(spline.WCoefficients().empty());
  test::ExpectNear(spline.ValueAffine(0.5f), {1, 3, -3}, 1e-6);
  test::ExpectNear(spline.SlopeAffine(0.25f), {2, 4, 0}, 1e-5);
  // A straight line has no curvature.
  test::ExpectNear(spline.XCoefficients()[0], {0, 0, 2, 0}, 1e-6);
}

TEST(CubicSpline, PassesThroughTheKnotsAndExtrapolatesTheEndSegments) {
  const std::vector<float> x{0, 1, 4, 2, -1};
  const std::vector<float> y{3, 3, 0, 1, 2};
  const TCubicSpline spline(x, y, x, {}, 5);
  for (int i = 0; i < 5; ++i) {
    float vx, vy, vz;
    spline.ValueXYZ(static_cast<float>(i), vx, vy, vz);
    EXPECT_NEAR(vx, x[i], 2e-5) << i;
    EXPECT_NEAR(vy, y[i], 2e-5) << i;
    EXPECT_EQ(vz, vx);
  }
  // Beyond the knots the end segments' polynomials are extended; an interior knot belongs to the segment
  // that starts there, the last knot to the last segment.
  for (const auto& [t, segment] : {std::pair{-0.5f, 0}, {4.0f, 3}, {5.5f, 3}, {2.0f, 2}, {2.5f, 2}})
    EXPECT_EQ(spline.ValueX(t), Eval(spline.XCoefficients()[segment], t)) << t;
  // Slopes and curvature are continuous at the interior knots; the ends are natural.
  for (int i = 1; i < 4; ++i) {
    const auto& l = spline.XCoefficients()[i - 1];
    const auto& r = spline.XCoefficients()[i];
    const float t = static_cast<float>(i);
    EXPECT_NEAR((3 * l[0] * t + 2 * l[1]) * t + l[2], (3 * r[0] * t + 2 * r[1]) * t + r[2], 1e-4) << i;
    EXPECT_NEAR(6 * l[0] * t + 2 * l[1], 6 * r[0] * t + 2 * r[1], 1e-4) << i;
  }
  EXPECT_NEAR(spline.XCoefficients()[0][1], 0, 1e-5);
}

TEST(CubicSpline, DegenerateKnotCounts) {
  const std::vector<float> none;
  const TCubicSpline empty(none, none, none, none, 0);
  EXPECT_TRUE(empty.ValueX(0.3f) == 0 && empty.SlopeAffine(1) == ZeroVector);
  // Through one knot the spline is that constant, level everywhere.
  const std::vector<float> x{7}, y{-2}, z{0.5f};
  const TCubicSpline one(x, y, z, {}, 1);
  for (float t : {-3.0f, 0.0f, 2.5f}) EXPECT_EQ(one.ValueAffine(t), (TAffineVector{7, -2, 0.5f})) << t;
  EXPECT_EQ(one.SlopeAffine(1), ZeroVector);
  // A coordinate without values is 0 everywhere.
  const std::vector<float> two{1, 2};
  const TCubicSpline partial(two, none, two, {}, 2);
  EXPECT_EQ(partial.ValueAffine(0.5f)[1], 0);
}

TEST(CubicSpline, TridiagonalSolve) {
  const std::vector<float> b{3, 12, 0, -6, 9};
  std::vector<float> d(5);
  SolveSplineSystem(b, d);
  // The system of the natural spline: 2 at the ends of the diagonal, 4 inside, 1 beside it.
  test::ExpectNear(std::array{2 * d[0] + d[1], d[0] + 4 * d[1] + d[2], d[1] + 4 * d[2] + d[3],
                              d[2] + 4 * d[3] + d[4], d[3] + 2 * d[4]},
                   {3, 12, 0, -6, 9}, 1e-5);
  std::vector<float> short_result(4);
  EXPECT_THROW(SolveSplineSystem(b, short_result), EAssertionFailed);
  EXPECT_THROW(SolveSplineSystem({}, {}), EAssertionFailed);
}

}  // namespace
}  // namespace zentrova
