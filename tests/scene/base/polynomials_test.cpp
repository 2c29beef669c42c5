#include "scene/base/polynomials.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "scene/expect_near.h"

namespace zentrova {
namespace {

TEST(Polynomials, NearZeroAndSmallestPositiveRoot) {
  EXPECT_THAT((std::array{NearZero(1e-40), NearZero(-1e-40), NearZero(1.1e-40), NearZero(std::nan(""))}),
              ::testing::ElementsAre(true, true, false, true));
  double r = 42;
  EXPECT_TRUE(SmallestPositiveRoot({-2, 0, 3}, r));
  EXPECT_EQ(r, 0);
  r = 42;
  EXPECT_FALSE(SmallestPositiveRoot({-1, -0.5}, r));
  EXPECT_EQ(r, 42);
  EXPECT_FALSE(SmallestPositiveRoot({}, r));
  EXPECT_TRUE(SmallestPositiveRoot({std::numeric_limits<double>::quiet_NaN(), 5, 2.5, 4}, r));
  EXPECT_EQ(r, 2.5);
}

TEST(Polynomials, SignedCubeRootInSinglePrecision) {
  // Single precision: about seven digits, not fifteen.
  const double r = SignedCubeRoot(2);
  test::ExpectNear(std::array{SignedCubeRoot(0), SignedCubeRoot(27), SignedCubeRoot(-8), r},
                   {0, 3, -2, std::cbrt(2.0)}, 1e-6);
  EXPECT_EQ(r, static_cast<double>(static_cast<float>(r)));
}

TEST(Polynomials, Quadratic) {
  EXPECT_EQ(QuadraticRoots({-1, 0, 1}), (TDoubleArray{1, -1}));
  EXPECT_EQ(QuadraticRoots({1, 2, 1}), (TDoubleArray{-1}));
  // Without a square term the equation is linear.
  EXPECT_EQ(QuadraticRoots({-4, 2, 0}), (TDoubleArray{2}));
  for (const std::array<double, 3>& none : {std::array<double, 3>{1, 0, 1}, {1, 0, 0}, {0, 0, 0}})
    EXPECT_TRUE(QuadraticRoots(none).empty());
}

TEST(Polynomials, Cubic) {
  EXPECT_EQ(CubicRoots({0, 0, 0, 1}), (TDoubleArray{0}));
  test::ExpectNear(CubicRoots({-6, 11, -6, 1}), {3, 2, 1}, 1e-6);
  EXPECT_EQ(CubicRoots({-1, 0, 1, 0}), QuadraticRoots({-1, 0, 1}));
  EXPECT_EQ(CubicRoots({2, -3, 0, 1}), (TDoubleArray{-2, 1}));
  test::ExpectNear(CubicRoots({-8, 0, 0, 1}), {2}, 1e-6);
  const TDoubleArray shifted = CubicRoots({-16, 12, -6, 2});  // 2 (x^3 - 3x^2 + 6x - 8)
  ASSERT_EQ(shifted.size(), 1u);
  EXPECT_NEAR(shifted[0] * shifted[0] * shifted[0] - 3 * shifted[0] * shifted[0] + 6 * shifted[0] - 8, 0,
              1e-5);
}

TEST(Polynomials, Quartic) {
  EXPECT_EQ(QuarticRoots({0, 0, 0, 0, 1}), (TDoubleArray{0, 0}));
  test::ExpectNear(QuarticRoots({4, 0, -5, 0, 1}), {-1, -2, 2, 1}, 2e-4);
  EXPECT_TRUE(QuarticRoots({1, 0, 0, 0, 1}).empty());
  EXPECT_EQ(QuarticRoots({-1, 0, 0, 0, 1}), (TDoubleArray{1, -1}));
  EXPECT_EQ(QuarticRoots({-6, 11, -6, 1, 0}), CubicRoots({-6, 11, -6, 1}));
  // Roots 1, 2, 3, 4 with a cubic term: the substitution shifts them back.
  const TDoubleArray shifted = QuarticRoots({24, -50, 35, -10, 1});
  ASSERT_EQ(shifted.size(), 4u);
  for (double r : shifted)
    EXPECT_NEAR(r * r * r * r - 10 * r * r * r + 35 * r * r - 50 * r + 24, 0, 1e-3) << r;
}

TEST(Polynomials, QuarticKeepsDoubleRootsThatRoundoffPushesBelowZero) {
  // (x - 1)^2 (x - 2)^2: the resolvent's u comes out at -1e-8, a zero lost to the single-precision
  // steps; taking it as 0 keeps the four real roots.
  TDoubleArray roots = QuarticRoots({4, -12, 13, -6, 1});
  std::sort(roots.begin(), roots.end());
  test::ExpectNear(roots, {1, 1, 2, 2}, 1e-3);
  // Clearly complex roots stay complex: x^4 + 1 and (x^2 + 1)(x^2 + 4).
  EXPECT_TRUE(QuarticRoots({4, 0, 5, 0, 1}).empty());
}

}  // namespace
}  // namespace zentrova
