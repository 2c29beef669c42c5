#include "engine/contact/linear_complementarity.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/model/model.h"
#include "engine/model/world.h"
#include "engine_test_support.h"
#include "numerics/float_list.h"
#include "numerics/int_list.h"
#include "numerics/matrix.h"
#include "platform/settings.h"

namespace zentrova {
namespace {

using LCPTest = test::EngineTest;
using Pivots = std::vector<TLCPPivot>;
using test::Fill;
using test::Elements;

constexpr long double kInfinity = 1e19L;
constexpr long double kLexico = 1e-8L;
constexpr long double kTolerance = 1e-12L;
constexpr long double kZero = 1e-19L;

void Fill(TSqrMatrix& m, std::uint32_t n, const std::vector<long double>& rows) {
  m.Dim(n);
  for (std::uint32_t i = 0; i < n; ++i) {
    for (std::uint32_t j = 0; j < n; ++j) m.SetAt(i, j, rows[i * n + j]);
  }
}

// A problem with its result lists, solved with explicit tolerances.
struct Problem {
  Problem(std::uint32_t n, const std::vector<long double>& m, const std::vector<long double>& q_values) {
    Fill(M, n, m);
    Fill(q, q_values);
    W.Dim(n);
    Z.Dim(n);
  }
  bool Solve(long double lexico = kLexico, long double tolerance = kTolerance, const TLCPAlerts& alerts = {}) {
    pivots.clear();
    return LemkeSolve(M, q, W, Z, kInfinity, lexico, tolerance, kZero, alerts, &pivots);
  }
  TSqrMatrix M;
  TFloatList q, W, Z;
  Pivots pivots;
};

// max |w - (M z + q)|, and whether w >= 0, z >= 0 and every w_i z_i is within `tolerance`.
long double Residual(const TSqrMatrix& M, const std::vector<long double>& q, const TFloatList& W,
                     const TFloatList& Z) {
  long double worst = 0;
  for (std::uint32_t i = 0; i < q.size(); ++i) {
    long double sum = q[i];
    for (std::uint32_t j = 0; j < q.size(); ++j) sum += M.At(i, j) * Z.At(j);
    worst = std::fmax(worst, std::fabs(W.At(i) - sum));
  }
  return worst;
}

void ExpectComplementary(const TSqrMatrix& M, const std::vector<long double>& q, const TFloatList& W,
                         const TFloatList& Z, long double tolerance) {
  EXPECT_LE(Residual(M, q, W, Z), tolerance);
  for (std::uint32_t i = 0; i < q.size(); ++i) {
    EXPECT_GE(W.At(i), -tolerance) << "w_" << i;
    EXPECT_GE(Z.At(i), -tolerance) << "z_" << i;
    EXPECT_LE(std::fabs(W.At(i) * Z.At(i)), tolerance) << "w_" << i << " z_" << i;
  }
}

void ExpectAllZero(const TFloatList& list) {
  for (std::uint32_t i = 0; i < list.Count(); ++i) EXPECT_EQ(list.At(i), 0.0L) << i;
}

// M = A A^T + n I with A uniform in [-1, 1]: symmetric positive definite.
std::vector<long double> RandomSpd(std::uint32_t n, std::mt19937_64& rng) {
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  std::vector<long double> a(n * n);
  for (auto& x : a) x = uniform(rng);
  std::vector<long double> m(n * n);
  for (std::uint32_t i = 0; i < n; ++i) {
    for (std::uint32_t j = 0; j < n; ++j) {
      long double sum = i == j ? n : 0;
      for (std::uint32_t k = 0; k < n; ++k) sum += a[i * n + k] * a[j * n + k];
      m[i * n + j] = sum;
    }
  }
  return m;
}

std::vector<long double> RandomVector(std::uint32_t n, std::mt19937_64& rng, double low, double high) {
  std::uniform_real_distribution<double> uniform(low, high);
  std::vector<long double> v(n);
  for (auto& x : v) x = uniform(rng);
  return v;
}

// The pivoting written out as plainly as possible on the numerics classes, with the basis matrix kept
// explicitly: what the solver must reproduce bit for bit, pivot for pivot.
bool ReferenceLemke(const TSqrMatrix& M, TFloatList& q, TFloatList& W, TFloatList& Z, long double infinity,
                    long double lexico, long double tolerance, long double zero, Pivots& pivots) {
  const std::uint32_t n = q.Count();
  W.Zero();
  Z.Zero();
  std::uint32_t r0 = 0;
  long double qmin = q.At(0);
  for (std::uint32_t i = 1; i < n; ++i) {
    if (q.At(i) < qmin) {
      qmin = q.At(i);
      r0 = i;
    }
  }
  for (std::uint32_t i = 0; i < n; ++i) {
    if (std::fabs(q.At(i)) < zero) q.SetAt(i, 0);
  }
  if (qmin >= 0) {
    W.Assign(&q);
    return true;
  }
  const auto update = [n](TSqrMatrix& binv, std::uint32_t r, const TFloatList& u) {
    TFloatList a, v;
    binv.ExtractRow(r, a);
    v.Dim(n);
    for (std::uint32_t i = 0; i < n; ++i) {
      long double sum = 0;
      for (std::uint32_t j = 0; j < n; ++j) sum += binv.At(i, j) * u.At(j);
      v.SetAt(i, sum);
    }
    long double s = 0;
    for (std::uint32_t i = 0; i < n; ++i) s += a.At(i) * u.At(i);
    for (std::uint32_t i = 0; i < n; ++i) {
      for (std::uint32_t j = 0; j < n; ++j) binv.SetAt(i, j, binv.At(i, j) - v.At(i) * (a.At(j) / (s + 1)));
    }
  };
  const auto z0 = static_cast<std::int32_t>(2 * n);
  TIntList basis;
  TFloatList b, be, d, u;
  TSqrMatrix B, binv;
  basis.Dim(n);
  b.Dim(n);
  be.Dim(n);
  d.Dim(n);
  u.Dim(n);
  B.Dim(n);
  binv.Dim(n);
  const long double t0 = -qmin;
  for (std::uint32_t i = 0; i < n; ++i) {
    basis.SetAt(i, static_cast<std::int32_t>(n + i));
    b.SetAt(i, q.At(i) + t0);
    B.SetAt(i, i, -1.0L);
    binv.SetAt(i, i, -1.0L);
  }
  basis.SetAt(r0, z0);
  b.SetAt(r0, t0);
  for (std::uint32_t i = 0; i < n; ++i) {
    u.SetAt(i, 1 - B.At(i, r0));
    B.SetAt(i, r0, 1);
  }
  update(binv, r0, u);
  std::int32_t left = static_cast<std::int32_t>(n + r0);
  for (std::uint64_t pass = 0; pass < LCPPassLimit(n); ++pass) {
    if (left == z0) {
      std::vector<long double> x(2 * n, 0.0L);
      for (std::uint32_t i = 0; i < n; ++i) x[basis.At(i)] = b.At(i);
      for (std::uint32_t i = 0; i < n; ++i) {
        Z.SetAt(i, x[i]);
        W.SetAt(i, x[n + i]);
      }
      return true;
    }
    std::int32_t entering;
    if (left < static_cast<std::int32_t>(n)) {
      entering = left + static_cast<std::int32_t>(n);
      be.Zero();
      be.SetAt(left, -1.0L);
    } else {
      entering = left - static_cast<std::int32_t>(n);
      for (std::uint32_t i = 0; i < n; ++i) be.SetAt(i, M.RowData(i)[entering]);
    }
    for (std::uint32_t i = 0; i < n; ++i) {
      long double sum = 0;
      for (std::uint32_t k = 0; k < n; ++k) sum += binv.At(i, k) * be.At(k);
      d.SetAt(i, sum);
    }
    long double theta_max = infinity;
    for (std::uint32_t i = 0; i < n; ++i) {
      if (d.At(i) > tolerance && (b.At(i) + lexico) / d.At(i) < theta_max) {
        theta_max = (b.At(i) + lexico) / d.At(i);
      }
    }
    if (theta_max >= infinity) return false;
    std::int64_t r = -1;
    long double theta = 0, best = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
      if (d.At(i) > tolerance && b.At(i) / d.At(i) <= theta_max) {
        if (basis.At(i) == z0) {
          r = i;
          theta = b.At(i) / d.At(i);
          break;
        }
        if (std::fabs(d.At(i)) > best) {
          best = std::fabs(d.At(i));
          r = i;
          theta = b.At(i) / d.At(i);
        }
      }
    }
    if (r < 0) return false;
    const auto row = static_cast<std::uint32_t>(r);
    for (std::uint32_t i = 0; i < n; ++i) b.SetAt(i, b.At(i) - theta * d.At(i));
    b.SetAt(row, theta);
    for (std::uint32_t i = 0; i < n; ++i) {
      u.SetAt(i, be.At(i) - B.At(i, row));
      B.SetAt(i, row, be.At(i));
    }
    update(binv, row, u);
    const std::int32_t leaving = basis.At(row);
    basis.SetAt(row, entering);
    pivots.push_back({entering, leaving, row});
    left = leaving;
  }
  return false;
}

// Compares, bit for bit, the solver with the plain transcription on one problem.
void ExpectSameAsReference(std::uint32_t n, const std::vector<long double>& m, const std::vector<long double>& q,
                           long double tolerance = kTolerance) {
  Problem fast(n, m, q);
  Problem slow(n, m, q);
  const bool fast_ok = fast.Solve(kLexico, tolerance);
  const bool slow_ok = ReferenceLemke(slow.M, slow.q, slow.W, slow.Z, kInfinity, kLexico, tolerance, kZero,
                                      slow.pivots);
  ASSERT_EQ(fast_ok, slow_ok);
  ASSERT_EQ(fast.pivots, slow.pivots);
  // Bits compared on the 10 significant bytes only: the rest of a long double is padding.
  for (std::uint32_t i = 0; i < n; ++i) {
    ASSERT_EQ(std::memcmp(&fast.Z.Data()[i], &slow.Z.Data()[i], 10), 0) << "z_" << i;
    ASSERT_EQ(std::memcmp(&fast.W.Data()[i], &slow.W.Data()[i], 10), 0) << "w_" << i;
    ASSERT_EQ(std::memcmp(&fast.q.Data()[i], &slow.q.Data()[i], 10), 0) << "q_" << i;
  }
}

TEST_F(LCPTest, NonNegativeQIsSolvedByZeroWithoutAPivot) {
  Problem p(3, {1, 2, 3, 4, 5, 6, 7, 8, -9}, {1, 0, 2.5});
  ASSERT_TRUE(p.Solve());
  EXPECT_TRUE(p.pivots.empty());
  EXPECT_EQ(Elements(p.W), (std::vector<long double>{1, 0, 2.5}));
  EXPECT_EQ(Elements(p.Z), (std::vector<long double>{0, 0, 0}));
}

TEST_F(LCPTest, OneByOneByHand) {
  // z0 enters for w_0 with value 1; z_0 enters and drives z0 out at once: z = 1, w = 0.
  Problem p(1, {1}, {-1});
  ASSERT_TRUE(p.Solve());
  EXPECT_EQ(p.pivots, (Pivots{{0, 2, 0}}));
  EXPECT_EQ(p.Z.At(0), 1.0L);
  EXPECT_EQ(p.W.At(0), 0.0L);

  Problem scaled(1, {2}, {-3});
  ASSERT_TRUE(scaled.Solve());
  EXPECT_EQ(scaled.Z.At(0), 1.5L);
  EXPECT_EQ(scaled.W.At(0), 0.0L);
}

TEST_F(LCPTest, TwoByTwoByHand) {
  // q_1 is the most negative: z0 replaces w_1 (b = (1, 6)). z_1 enters with d = (1, 2): w_0 leaves at
  // theta 1 (b = (1, 4)). z_0 enters with d = (-1, 3): only z0's row qualifies, theta 4/3, and z0 leaves:
  // z = (4/3, 7/3), w = 0.
  Problem p(2, {2, 1, 1, 2}, {-5, -6});
  ASSERT_TRUE(p.Solve());
  EXPECT_EQ(p.pivots, (Pivots{{1, 2, 0}, {0, 4, 1}}));
  EXPECT_NEAR(static_cast<double>(p.Z.At(0)), 4.0 / 3, 1e-18);
  EXPECT_NEAR(static_cast<double>(p.Z.At(1)), 7.0 / 3, 1e-18);
  EXPECT_EQ(p.W.At(0), 0.0L);
  EXPECT_EQ(p.W.At(1), 0.0L);

  // One contact stays open: z = (1, 0), w = (0, 2).
  Problem open(2, {1, 0, 0, 1}, {-1, 2});
  ASSERT_TRUE(open.Solve());
  EXPECT_EQ(Elements(open.Z), (std::vector<long double>{1, 0}));
  EXPECT_EQ(Elements(open.W), (std::vector<long double>{0, 2}));
}

TEST_F(LCPTest, RandomSymmetricPositiveDefiniteProblemsAreComplementary) {
  std::mt19937_64 rng(20240611);
  for (int trial = 0; trial < 20; ++trial) {
    const std::uint32_t n = 20;
    const std::vector<long double> m = RandomSpd(n, rng);
    const std::vector<long double> q = RandomVector(n, rng, -1, 1);
    Problem p(n, m, q);
    ASSERT_TRUE(p.Solve()) << "trial " << trial;
    ExpectComplementary(p.M, q, p.W, p.Z, 1e-12L);
    // A strictly positive definite M has one solution; at least one contact must be closed since some
    // q_i < 0.
    EXPECT_FALSE(p.pivots.empty());
  }
}

TEST_F(LCPTest, TinyEntriesOfQBecomeExactlyZeroInTheCallersList) {
  Problem p(2, {1, 0, 0, 1}, {5e-20L, -1});
  ASSERT_TRUE(p.Solve());
  EXPECT_EQ(p.q.At(0), 0.0L);
  EXPECT_FALSE(std::signbit(p.q.At(0)));
  EXPECT_EQ(p.q.At(1), -1.0L);
  EXPECT_EQ(Elements(p.Z), (std::vector<long double>{0, 1}));

  // Also on the way out without a pivot: W is the cleaned q.
  Problem plain(2, {1, 0, 0, 1}, {-5e-20L, 3});
  ASSERT_TRUE(plain.Solve());
  EXPECT_EQ(Elements(plain.q), (std::vector<long double>{0, 3}));
  EXPECT_EQ(Elements(plain.W), (std::vector<long double>{0, 3}));
}

TEST_F(LCPTest, PivotToleranceFollowsTheMeanOfQWithinItsBounds) {
  const auto tolerance = [](std::vector<long double> q) {
    TFloatList list;
    Fill(list, q);
    return LCPPivotTolerance(list, 1e-14L, 1e-10L);
  };
  EXPECT_EQ(tolerance({1e-3L}), 1e-10L);           // 10^-3, clamped to the maximum
  EXPECT_EQ(tolerance({1e5L, -1e5L}), 1e-11L);     // kept
  EXPECT_EQ(tolerance({-1e9L}), 1e-14L);           // 10^-15, clamped to the minimum
  EXPECT_EQ(tolerance({3.5e5L}), 1e-12L);          // log10 5.54 rounds to 6
  EXPECT_EQ(tolerance({2e5L, -1e5L, 0}), 1e-11L);  // mean 1e5
  EXPECT_EQ(tolerance({0, 0, 0}), 1e-10L);         // log10 of 0: the maximum
  EXPECT_TRUE(std::isnan(tolerance({std::numeric_limits<long double>::quiet_NaN()})));
}

// The tolerance as the plain formula gives it: 10^(-6 - rint(log10 mean)), with the power exact or one
// division from exact.
long double PlainTolerance(long double mean, long double low, long double high) {
  const long double k = -6 - std::rint(std::log10(mean));
  long double tolerance;
  if (std::fabs(k) < 28) {
    volatile long double power = 1;
    for (int i = 0; i < std::fabs(k); ++i) power = power * 10;
    tolerance = k >= 0 ? power : 1 / power;
  } else {
    tolerance = std::pow(10.0L, k);
  }
  if (low > tolerance) tolerance = low;
  if (high < tolerance) tolerance = high;
  return tolerance;
}

TEST_F(LCPTest, PivotToleranceAgreesWithTheLogarithmAtEveryScaleAndBoundary) {
  // Bounds wide enough to let every power through, and the usual ones.
  for (const auto& bounds : {std::pair{1e-60L, 1e60L}, std::pair{1e-14L, 1e-10L}}) {
    // Named copies rather than a structured binding: clang 14 cannot capture a binding.
    const long double low = bounds.first;
    const long double high = bounds.second;
    const auto check = [low, high](long double mean) {
      TFloatList q;
      Fill(q, {-mean});
      const long double got = LCPPivotTolerance(q, low, high);
      const long double want = PlainTolerance(mean, low, high);
      ASSERT_EQ(std::memcmp(&got, &want, 10), 0) << static_cast<double>(mean);
    };
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> exponent(-40, 40);
    for (int trial = 0; trial < 3000; ++trial) check(std::pow(10.0L, static_cast<long double>(exponent(rng))));
    // Around each boundary 10^(k + 1/2), where rint(log10) changes: the last few units in the last place
    // and the relative distances where the solver stops trusting its table.
    for (int k = -30; k <= 30; ++k) {
      const long double boundary = std::sqrt(10.0L) * std::pow(10.0L, static_cast<long double>(k));
      for (const long double relative : {0x1p-41L, 0x1p-40L, 0x1p-39L, 1e-9L}) {
        check(boundary * (1 + relative));
        check(boundary * (1 - relative));
      }
      long double up = boundary;
      long double down = boundary;
      for (int step = 0; step < 4; ++step) {
        check(up);
        check(down);
        up = std::nextafter(up, std::numeric_limits<long double>::infinity());
        down = std::nextafter(down, 0.0L);
      }
    }
    // Outside the table: tiny, huge, denormal and the extremes.
    for (const long double mean : {1e-300L, 1e300L, 1e-4000L, 1e4000L, 0x1p-16440L,
                                   std::numeric_limits<long double>::max(),
                                   std::numeric_limits<long double>::min(), 0x1p-80L, 0x1p80L}) {
      check(mean);
      check(std::nextafter(mean, 0.0L));
    }
  }
}

TEST_F(LCPTest, UnboundedRayFailsWithZerosAndAlertsWhenAsked) {
  // M = (-1): z_0 would push w_0 further down; no row can take the pivot.
  Problem quiet(1, {-1}, {-1});
  EXPECT_FALSE(quiet.Solve());
  ExpectAllZero(quiet.W);
  ExpectAllZero(quiet.Z);
  EXPECT_TRUE(Logged().empty());

  TLCPAlerts alerts;
  alerts.LogUnboundedRay = true;
  alerts.Time = 0.25L;
  Problem loud(1, {-1}, {-1});
  EXPECT_FALSE(loud.Solve(kLexico, kTolerance, alerts));
  SetDecimalSeparator(',');
  EXPECT_FALSE(loud.Solve(kLexico, kTolerance, alerts));
  EXPECT_EQ(Logged(), (std::vector<std::string>{"[Alert] At t=0.25s unbounded ray in LCP solving.",
                                                "[Alert] At t=0,25s unbounded ray in LCP solving."}));
}

TEST_F(LCPTest, PivotsAtOrBelowTheToleranceAreUnboundedRays) {
  // d = 1e-12 is refused by a tolerance of 1e-12 (strict) and taken by a smaller one.
  Problem p(1, {1e-12L}, {-1});
  EXPECT_FALSE(p.Solve(kLexico, 1e-12L));
  ASSERT_TRUE(p.Solve(kLexico, 1e-13L));
  EXPECT_EQ(p.Z.At(0), 1e12L);
}

// M = I and q = (-1, ..., -n): one z enters per pass, the last pivot drives z0 out, and the pass after
// it finds the solution z = -q: n pivots, within the limit of ten passes per unknown.
std::vector<long double> Identity(std::uint32_t n) {
  std::vector<long double> m(n * n, 0.0L);
  for (std::uint32_t i = 0; i < n; ++i) m[i * n + i] = 1;
  return m;
}

std::vector<long double> Descending(std::uint32_t n) {
  std::vector<long double> q(n);
  for (std::uint32_t i = 0; i < n; ++i) q[i] = -static_cast<long double>(i + 1);
  return q;
}

TEST_F(LCPTest, PassLimitGrowsWithTheProblem) {
  EXPECT_EQ(LCPPassLimit(3), 100u);
  EXPECT_EQ(LCPPassLimit(10), 100u);
  EXPECT_EQ(LCPPassLimit(11), 110u);
  EXPECT_EQ(LCPPassLimit(250), 2500u);
  // Far more pivots than the fixed 100 passes a solve once had.
  Problem large(250, Identity(250), Descending(250));
  ASSERT_TRUE(large.Solve(kLexico, kTolerance));
  EXPECT_EQ(large.pivots.size(), 250u);
  EXPECT_EQ(large.Z.At(249), 250);
}

TEST_F(LCPTest, SecondRatioPassPrefersZ0ThenTheLargestPivotThenTheFirst) {
  // After the start (r0 = last row) the direction of z_r0 is d_r0 = M(r0, r0) and
  // d_i = M(r0, r0) - M(i, r0), with b_r0 = -qmin and b_i = q_i - qmin.
  // Row 0: d = 10, ratio 1; z0's row: d = 1, ratio 1. Both lie within the smallest relaxed ratio
  // 1 + 1e-9: the larger pivot comes first, but z0 leaves.
  Problem z0_wins(2, {2, -9, 0, 1}, {9, -1});
  ASSERT_TRUE(z0_wins.Solve());
  EXPECT_EQ(z0_wins.pivots, (Pivots{{1, 4, 1}}));
  EXPECT_EQ(Elements(z0_wins.Z), (std::vector<long double>{0, 1}));
  EXPECT_EQ(Elements(z0_wins.W), (std::vector<long double>{0, 0}));

  // Rows 0 and 1 tie at ratio 1 with d = 2 and d = 4, z0's row has ratio 2: the larger pivot wins.
  Problem larger(3, {1, 0, -1.5L, 0, 1, -3.5L, 0, 0, 0.5L}, {1, 3, -1});
  ASSERT_TRUE(larger.Solve());
  ASSERT_FALSE(larger.pivots.empty());
  EXPECT_EQ(larger.pivots[0], (TLCPPivot{2, 4, 1}));
  ExpectComplementary(larger.M, {1, 3, -1}, larger.W, larger.Z, 1e-15L);

  // Equal pivots d = 2 in rows 0 and 1: the first one wins.
  Problem first(3, {1, 0, -1.5L, 0, 1, -1.5L, 0, 0, 0.5L}, {1, 1, -1});
  ASSERT_TRUE(first.Solve());
  ASSERT_FALSE(first.pivots.empty());
  EXPECT_EQ(first.pivots[0], (TLCPPivot{2, 3, 0}));
  ExpectComplementary(first.M, {1, 1, -1}, first.W, first.Z, 1e-15L);
}

TEST_F(LCPTest, NoAdmissibleLeavingRowFailsWithZeros) {
  // A negative lexico tolerance: the relaxed ratio 0.5 lies below the only plain ratio 1.
  Problem lexico(1, {1}, {-1});
  EXPECT_FALSE(lexico.Solve(-0.5L, kTolerance));
  ExpectAllZero(lexico.W);
  ExpectAllZero(lexico.Z);

  // A negative pivot tolerance admits d = -0.5, whose plain ratio -2 exceeds the relaxed one.
  Problem negative(1, {-0.5L}, {-1});
  EXPECT_FALSE(negative.Solve(kLexico, -1));
  ExpectAllZero(negative.W);
  ExpectAllZero(negative.Z);

  // A NaN bound for infinity: no ratio compares with it.
  Problem nan(2, {2, 1, 1, 2}, {-5, -6});
  nan.W.SetAt(0, 7);
  EXPECT_FALSE(LemkeSolve(nan.M, nan.q, nan.W, nan.Z, std::numeric_limits<long double>::quiet_NaN(), kLexico,
                          kTolerance, kZero));
  ExpectAllZero(nan.W);
  ExpectAllZero(nan.Z);
  EXPECT_TRUE(Logged().empty());
}

TEST_F(LCPTest, ResultsThatAreNotFiniteAreNoSolution) {
  // Pivoting would never choose the NaN row and let z0 leave through the other one, with w_1 NaN.
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  const long double inf = std::numeric_limits<long double>::infinity();
  Problem in_q(2, {2, 1, 1, 2}, {-1, nan});
  EXPECT_FALSE(in_q.Solve());
  EXPECT_TRUE(in_q.pivots.empty());
  ExpectAllZero(in_q.W);
  ExpectAllZero(in_q.Z);

  // Without a pivot: w = q would carry the NaN or the infinity.
  Problem plain_nan(2, {2, 1, 1, 2}, {1, nan});
  EXPECT_FALSE(plain_nan.Solve());
  ExpectAllZero(plain_nan.W);
  Problem plain_inf(2, {2, 1, 1, 2}, {inf, 1});
  EXPECT_FALSE(plain_inf.Solve());
  ExpectAllZero(plain_inf.W);

  Problem in_m(2, {nan, 1, 1, nan}, {-1, -2});
  EXPECT_FALSE(in_m.Solve());
  ExpectAllZero(in_m.W);
  ExpectAllZero(in_m.Z);
  EXPECT_TRUE(Logged().empty());
}

TEST_F(LCPTest, ProblemsOfSizeZeroAndMismatchedSizes) {
  TSqrMatrix m;
  TFloatList q, w, z;
  EXPECT_TRUE(LemkeSolve(m, q, w, z, kInfinity, kLexico, kTolerance, kZero));
  EXPECT_TRUE(Logged().empty());

  Problem small(2, {2, 1, 1, 2}, {-5, -6});
  Fill(small.q, {-5, -6, -7});
  small.W.Dim(3);
  small.Z.Dim(3);
  small.W.SetAt(2, 4);
  EXPECT_FALSE(small.Solve());
  ExpectAllZero(small.W);
  EXPECT_EQ(Logged(), (std::vector<std::string>{"[Error] LCP of size 3 needs a matrix of at least 3x3 and "
                                                "result lists of at least 3 elements; got 2x2, 3 and 3."}));

  Problem short_z(2, {2, 1, 1, 2}, {-5, -6});
  short_z.Z.Dim(1);
  EXPECT_FALSE(short_z.Solve());
  EXPECT_EQ(Logged().size(), 2u);
}

TEST_F(LCPTest, SolveLCPTakesTheWorldsSettings) {
  TWorld world;
  world.SetLCPPivotToleranceMin(1e-14L);
  world.SetLCPPivotToleranceMax(1e-10L);
  world.SetLCPLexicoZeroTolerance(1e-8L);
  TSqrMatrix m;
  Fill(m, 1, {1e-12L});
  TFloatList q, w, z;
  Fill(q, {-1});
  w.Dim(1);
  z.Dim(1);
  // Mean |q| = 1 asks for 1e-6, clamped to 1e-10: the pivot 1e-12 is refused, silently.
  EXPECT_FALSE(SolveLCP(world.LCPSettings(), 2, m, q, w, z));
  EXPECT_TRUE(Logged().empty());
  world.SetLogLCPUnboundedRay(true);
  EXPECT_FALSE(SolveLCP(world.LCPSettings(), 2, m, q, w, z));
  EXPECT_EQ(Logged(), (std::vector<std::string>{"[Alert] At t=2s unbounded ray in LCP solving."}));
  // A lower maximum lets it through.
  world.SetLCPPivotToleranceMax(1e-13L);
  ASSERT_TRUE(SolveLCP(world.LCPSettings(), 2, m, q, w, z));
  EXPECT_EQ(z.At(0), 1e12L);
  EXPECT_EQ(w.At(0), 0.0L);

  // Tiny entries of q are cleaned by SolveLCP too; M is left alone.
  TSqrMatrix identity;
  Fill(identity, 2, {1, 0, 0, 1});
  Fill(q, {-2, 5e-20L});
  w.Dim(2);
  z.Dim(2);
  ASSERT_TRUE(SolveLCP(world.LCPSettings(), 0, identity, q, w, z));
  EXPECT_EQ(Elements(q), (std::vector<long double>{-2, 0}));
  EXPECT_EQ(Elements(z), (std::vector<long double>{2, 0}));
  EXPECT_EQ(identity.At(0, 0), 1.0L);
  EXPECT_EQ(identity.At(0, 1), 0.0L);
}

TEST_F(LCPTest, ToleranceChangesFromAnotherThreadDuringSolves) {
  // The job timer rewrites the tolerances while a run solves; every solve sees one consistent set:
  // maximum 1e-10 refuses the pivot 1e-12, maximum 1e-13 takes it.
  TWorld world;
  world.SetLCPPivotToleranceMin(1e-14L);
  world.SetLCPPivotToleranceMax(1e-10L);
  world.SetLCPLexicoZeroTolerance(1e-8L);
  std::atomic<bool> stop{false};
  std::thread timer([&] {
    for (int i = 0; !stop; ++i) world.SetLCPPivotToleranceMax(i % 2 == 0 ? 1e-13L : 1e-10L);
  });
  TSqrMatrix m;
  Fill(m, 1, {1e-12L});
  TFloatList q, w, z;
  w.Dim(1);
  z.Dim(1);
  for (int i = 0; i < 2000; ++i) {
    Fill(q, {-1});
    if (SolveLCP(world.LCPSettings(), 0, m, q, w, z)) {
      ASSERT_EQ(z.At(0), 1e12L);
    } else {
      ASSERT_EQ(z.At(0), 0.0L);
    }
  }
  stop = true;
  timer.join();
}

TEST_F(LCPTest, UpdateInverseRankOneKeepsTheInverse) {
  // B, its inverse, and B with u added to column 2: the updated inverse times the new B is I.
  TSqrMatrix b, binv;
  Fill(b, 4, {4, 1, 0, 2, 1, 5, 1, 0, 0, 1, 6, 1, 2, 0, 1, 7});
  binv.Assign(&b);
  ASSERT_TRUE(binv.LUDInverse());
  TFloatList u;
  Fill(u, {0.5L, -1, 2, 0.25L});
  ASSERT_TRUE(UpdateInverseRankOne(binv, 2, u));
  for (std::uint32_t i = 0; i < 4; ++i) b.SetAt(i, 2, b.At(i, 2) + u.At(i));
  for (std::uint32_t i = 0; i < 4; ++i) {
    for (std::uint32_t j = 0; j < 4; ++j) {
      long double sum = 0;
      for (std::uint32_t k = 0; k < 4; ++k) sum += binv.At(i, k) * b.At(k, j);
      EXPECT_NEAR(static_cast<double>(sum), i == j ? 1.0 : 0.0, 1e-17) << i << "," << j;
    }
  }

  // -I with column 0 replaced by ones, by hand: the inverse of [[1, 0], [1, -1]] is itself.
  TSqrMatrix minus_identity;
  Fill(minus_identity, 2, {-1, 0, 0, -1});
  Fill(u, {2, 1});
  ASSERT_TRUE(UpdateInverseRankOne(minus_identity, 0, u));
  EXPECT_EQ(minus_identity.At(0, 0), 1.0L);
  EXPECT_EQ(minus_identity.At(0, 1), 0.0L);
  EXPECT_EQ(minus_identity.At(1, 0), 1.0L);
  EXPECT_EQ(minus_identity.At(1, 1), -1.0L);

  // Refused: a column beyond the matrix, a U too short.
  EXPECT_FALSE(UpdateInverseRankOne(minus_identity, 2, u));
  Fill(u, {1});
  EXPECT_FALSE(UpdateInverseRankOne(minus_identity, 0, u));
  EXPECT_EQ(minus_identity.At(0, 0), 1.0L);
}

TEST_F(LCPTest, SameBitsAndPivotsAsThePlainTranscription) {
  std::mt19937_64 rng(7);
  // Dense symmetric positive definite problems.
  for (std::uint32_t n : {1u, 2u, 5u, 13u, 30u}) {
    for (int trial = 0; trial < 5; ++trial) {
      ExpectSameAsReference(n, RandomSpd(n, rng), RandomVector(n, rng, -1, 1));
    }
  }
  // General matrices: z's leave, w's enter, some problems end in unbounded rays.
  int failures = 0;
  for (int trial = 0; trial < 60; ++trial) {
    const std::uint32_t n = 2 + trial % 7;
    std::vector<long double> m = RandomVector(n * n, rng, -1, 1);
    for (std::uint32_t i = 0; i < n; ++i) m[i * n + i] += 0.5L;
    const std::vector<long double> q = RandomVector(n, rng, -1, 1);
    ExpectSameAsReference(n, m, q);
    Problem p(n, m, q);
    if (!p.Solve()) ++failures;
  }
  EXPECT_GT(failures, 0);
  // Small integers: exact ties in both ratio passes and between pivots.
  std::uniform_int_distribution<int> small(-2, 3);
  for (int trial = 0; trial < 60; ++trial) {
    const std::uint32_t n = 2 + trial % 5;
    std::vector<long double> m(n * n), q(n);
    for (auto& x : m) x = small(rng);
    for (std::uint32_t i = 0; i < n; ++i) m[i * n + i] = 2 + trial % 3;
    for (auto& x : q) x = small(rng) - 1;
    ExpectSameAsReference(n, m, q);
  }
  // Sparse problems with exact zeros, as contact problems have them: mostly zero M, some zero rows.
  std::bernoulli_distribution sparse(0.2);
  for (int trial = 0; trial < 40; ++trial) {
    const std::uint32_t n = 3 + trial % 9;
    std::vector<long double> m(n * n, 0.0L);
    for (auto& x : m) {
      if (sparse(rng)) x = RandomVector(1, rng, -1, 1)[0];
    }
    for (std::uint32_t i = 0; i < n; ++i) m[i * n + i] = 1 + RandomVector(1, rng, 0, 1)[0];
    ExpectSameAsReference(n, m, RandomVector(n, rng, -1, 0.5));
  }
  // A large problem: two hundred pivots in both.
  ExpectSameAsReference(200, Identity(200), Descending(200));
}

TEST_F(LCPTest, SameBitsForNumbersBeyondTheRangeOfDoubles) {
  std::mt19937_64 rng(11);
  const auto scaled = [](std::vector<long double> v, long double factor) {
    for (long double& x : v) x *= factor;
    return v;
  };
  for (int trial = 0; trial < 4; ++trial) {
    const std::uint32_t n = 4 + trial;
    const std::vector<long double> m = RandomSpd(n, rng);
    const std::vector<long double> q = RandomVector(n, rng, -1, 1);
    // z of the order of 1e3000, 1e-3000, and values at the bottom of the doubles' range.
    ExpectSameAsReference(n, scaled(m, 1e-3000L), q, 1e-3012L);
    ExpectSameAsReference(n, scaled(m, 1e3000L), q, 1e2988L);
    ExpectSameAsReference(n, scaled(m, 1e-300L), scaled(q, 1e-15L), 1e-330L);
    ExpectSameAsReference(n, m, scaled(q, 1e-310L), 1e-330L);
  }
}

TEST_F(LCPTest, FloatingPointFlagsRaisedBeforeASolveStayRaised) {
  std::feclearexcept(FE_ALL_EXCEPT);
  volatile long double tiny = 1e-4000L;
  volatile long double product = tiny * tiny;  // raises underflow on the x87 unit
  (void)product;
  ASSERT_TRUE(std::fetestexcept(FE_UNDERFLOW));
  Problem p(2, {2, 1, 1, 2}, {-5, -6});
  ASSERT_TRUE(p.Solve());
  EXPECT_TRUE(std::fetestexcept(FE_UNDERFLOW));
  std::feclearexcept(FE_ALL_EXCEPT);
}

// Raises one exception flag on the x87 unit itself, as extended arithmetic in the caller would.
void RaiseOnX87(int flag) {
  volatile long double zero = 0;
  volatile long double tiny = 1e-4000L;
  volatile long double huge = std::numeric_limits<long double>::max();
  volatile long double result = 0;
  if (flag == FE_INVALID) result = zero / zero;
  if (flag == FE_DIVBYZERO) result = 1 / zero;
  if (flag == FE_OVERFLOW) result = huge * 2;
  if (flag == FE_UNDERFLOW) result = tiny * tiny;
  (void)result;
}

TEST_F(LCPTest, SameBitsWhateverFlagsTheCallerHasRaised) {
  // A caller with one of the flags that the split cells watch is solved with the flags cleared and gets
  // them back; the results do not depend on it.
  std::mt19937_64 rng(3);
  for (const int flag : {0, FE_INVALID, FE_DIVBYZERO, FE_OVERFLOW, FE_UNDERFLOW}) {
    for (int trial = 0; trial < 6; ++trial) {
      const std::uint32_t n = 3 + trial;
      const std::vector<long double> spd = RandomSpd(n, rng);
      std::vector<long double> general = RandomVector(n * n, rng, -1, 1);
      for (std::uint32_t i = 0; i < n; ++i) general[i * n + i] += 0.5L;
      std::vector<long double> scaled = spd;
      for (long double& x : scaled) x *= 1e-3000L;
      const std::vector<long double> q = RandomVector(n, rng, -1, 1);
      for (const auto& [m, tolerance] :
           {std::pair{spd, kTolerance}, std::pair{general, kTolerance}, std::pair{scaled, 1e-3012L}}) {
        std::feclearexcept(FE_ALL_EXCEPT);
        if (flag != 0) RaiseOnX87(flag);
        ExpectSameAsReference(n, m, q, tolerance);
        if (flag != 0) {
          EXPECT_TRUE(std::fetestexcept(flag)) << flag;
        }
      }
    }
  }
  std::feclearexcept(FE_ALL_EXCEPT);
}

TEST_F(LCPTest, SplitCellsLeaveNoFlagsOfTheirOwn) {
  // Values far beyond the range of doubles overflow the split cells (and z far below it underflows
  // them), and the solve is repeated with extended cells, whose arithmetic stays within its range: no
  // overflow or underflow is reported.
  Problem p(2, {2e3000L, 1e3000L, 1e3000L, 2e3000L}, {-5, -6});
  std::feclearexcept(FE_ALL_EXCEPT);
  ASSERT_TRUE(p.Solve(kLexico, 1e2988L));
  EXPECT_FALSE(std::fetestexcept(FE_UNDERFLOW | FE_OVERFLOW | FE_INVALID | FE_DIVBYZERO));
  EXPECT_NEAR(static_cast<double>(p.Z.At(0) * 1e3000L), 4.0 / 3, 1e-15);
  std::feclearexcept(FE_ALL_EXCEPT);
}

TEST_F(LCPTest, SingularUpdateIsNoSolution) {
  // z0 enters for w_0 (the first of the equal q_i), z_0 enters with d = (1, 2^-64): lexico 0 makes row
  // 1 win at ratio 0. u_1 = M(1, 0) + 1 rounds to 2, so s = 1 - 2 = -1 and s + 1 = 0: the update would
  // divide by zero. The solve fails with zeros and records no pivot.
  Problem p(2, {1, 0, 1 - 0x1p-64L, 1}, {-1, -1});
  p.W.SetAt(0, 3);
  EXPECT_FALSE(p.Solve(0, 1e-30L));
  EXPECT_TRUE(p.pivots.empty());
  ExpectAllZero(p.W);
  ExpectAllZero(p.Z);
  EXPECT_TRUE(Logged().empty());
}

}  // namespace
}  // namespace zentrova
