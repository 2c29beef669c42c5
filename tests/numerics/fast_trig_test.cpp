#include "numerics/fast_trig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "numerics/expression_parser.h"
#include "numerics_test_support.h"

namespace zentrova {
namespace {

using test::SameBits;

// |value - reference| in units in the last place of the reference; FastSinCos must agree as well.
long double WorstUlps(long double x) {
  const long double s = std::sin(x), c = std::cos(x);
  const auto ulps = [](long double v, long double r) {
    return std::fabs(v - r) / std::ldexp(1.0L, std::max(std::ilogb(r), -16382) - 63);
  };
  return std::max(
      {ulps(FastSin(x), s), ulps(FastCos(x), c), ulps(FastSinCos(x).Sin, s), ulps(FastSinCos(x).Cos, c)});
}

// Uniform samples of each range, both signs; the long doubles around every multiple of pi/2 in reach;
// the one that comes closest to one (2^-67.2 from 359 pi/2).
TEST(FastTrig, WithinOneUnitOfTheLibraryOverTheRangeAndNearMultiplesOfHalfPi) {
  const long double kRanges[][3] = {{0x1p-40L, 0x1p-20L, 5e3L},
                                    {0x1p-20L, 0.78L, 2e4L},
                                    {0.78L, 3.2L, 3e4L},
                                    {3.2L, 100, 2e4L},
                                    {100, 8192, 2e4L}};
  std::mt19937_64 random(20240611);
  std::uniform_real_distribution<double> u(0, 1);
  for (const auto& [from, to, count] : kRanges) {
    for (int i = 0; i < count; ++i) {
      const long double x = from + (to - from) * (static_cast<long double>(u(random)) + 0x1p-53L * u(random));
      ASSERT_LE(std::max(WorstUlps(x), WorstUlps(-x)), 1) << static_cast<double>(x);
    }
  }
  for (int k = 1; k * 1.5707963267948966L < kFastTrigLimit; ++k) {
    long double x = k * 0x6487ED5110B46p-50L + k * 0x469898CC51701p-104L;
    for (int i = 0; i < 2; ++i) x = std::nextafter(x, 0.0L);
    for (int i = 0; i < 5; ++i, x = std::nextafter(x, 1e9L))
      ASSERT_LE(WorstUlps(x), 1) << static_cast<double>(x);
  }
  EXPECT_LE(WorstUlps(0x8CFA9DCCAE6CF42Cp-54L), 1);
}

// Zero, tiny, large, infinite and NaN arguments: the exact answers or the library's own, also from the
// table.
TEST(FastTrig, ArgumentsOutsideTheReduction) {
  constexpr long double kInf = std::numeric_limits<long double>::infinity();
  for (const long double x : {0.0L, -0.0L, std::numeric_limits<long double>::denorm_min(), -0x1p-33L, 8192.5L,
                              -1e10L, 1e4000L, kInf, -kInf, std::numeric_limits<long double>::quiet_NaN()}) {
    const long double s = std::sin(x), c = std::cos(x);
    EXPECT_TRUE(SameBits(FastSin(x), s) && SameBits(CachedSin(x), s) && SameBits(FastSinCos(x).Sin, s));
    EXPECT_TRUE(SameBits(FastCos(x), c) && SameBits(CachedCos(x), c) && SameBits(FastSinCos(x).Cos, c));
  }
}

// Arguments that share a significand, a slot or their leading double (1.25 + j 2^-63 rounds to 1.25 for
// |j| < 1024): the table answers only for its own key.
TEST(FastTrig, TheTableGivesEachArgumentItsOwnBits) {
  for (int pass = 0; pass < 3; ++pass) {
    for (int j = -1004; j <= 1000; ++j) {
      const long double x = j >= -1000 ? 1.25L + j * 0x1p-63L : std::ldexp(-1.25L, j + 1002);
      ASSERT_TRUE(SameBits(CachedSin(x), FastSin(x)) && SameBits(CachedCos(x), FastCos(x))) << j;
    }
  }
}

// Two expressions sharing sin(a-b) and cos(a-b): each distinct sine and cosine is computed once.
TEST(FastTrig, OneDerivativeEvaluationComputesEachArgumentOnce) {
  long double a = 1.2345678L, b = -0.4321L;
  TExpressionParser parser;
  parser.DefineVariable("a", &a);
  parser.DefineVariable("b", &b);
  const char* const texts[] = {"sin(a-b)*cos(a-b) + sin(a-b)^2*cos(a)",
                               "(a := a) + cos(a-b)*sin(a-b) - cos(a)"};
  for (int step = 0; step < 3; ++step, a += 0.0173L) {
    const std::uint64_t before = TrigCacheMisses();
    for (const char* text : texts) {
      parser.AddExpression(text);
      parser.Evaluate();
      parser.EvaluateNodes();
    }
    EXPECT_EQ(TrigCacheMisses() - before, 3u) << "step " << step;
  }
}

}  // namespace
}  // namespace zentrova
