#include "engine/contact/linear_complementarity.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/model/world.h"
#include "engine_test_support.h"
#include "numerics/float_list.h"
#include "numerics/matrix.h"
#include "platform/settings.h"

namespace zentrova {
namespace {

using LCPTest = test::EngineTest;
using Pivots = std::vector<TLCPPivot>;
using Values = std::vector<long double>;
using test::Elements;
using test::Fill;

constexpr long double kInfinity = 1e19L;
constexpr long double kLexico = 1e-8L;
constexpr long double kTolerance = 1e-12L;
constexpr long double kZero = 1e-19L;
constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();

void Fill(TSqrMatrix& m, std::uint32_t n, const Values& rows) {
  m.Dim(n);
  for (std::uint32_t i = 0; i < n * n; ++i) m.SetAt(i / n, i % n, rows[i]);
}

// A problem with its result lists, solved with explicit tolerances; W and Z start non-zero so that a
// failure must clear them.
struct Problem {
  Problem(std::uint32_t n, const Values& m, const Values& q_values) {
    Fill(M, n, m);
    Fill(q, q_values);
    Fill(W, Values(n, 7));
    Fill(Z, Values(n, 7));
  }
  bool Solve(long double lexico = kLexico, long double tolerance = kTolerance, const TLCPAlerts& alerts = {},
             long double infinity = kInfinity) {
    pivots.clear();
    return LemkeSolve(M, q, W, Z, infinity, lexico, tolerance, kZero, alerts, &pivots);
  }
  TSqrMatrix M;
  TFloatList q, W, Z;
  Pivots pivots;
};

// w = M z + q within `tolerance`, w >= 0, z >= 0 and w_i z_i = 0.
void ExpectComplementary(const Problem& p, const Values& q, long double tolerance) {
  for (std::uint32_t i = 0; i < q.size(); ++i) {
    long double w = q[i];
    for (std::uint32_t j = 0; j < q.size(); ++j) w += p.M.At(i, j) * p.Z.At(j);
    EXPECT_NEAR(static_cast<double>(p.W.At(i)), static_cast<double>(w), static_cast<double>(tolerance)) << i;
    EXPECT_GE(p.W.At(i), -tolerance) << "w_" << i;
    EXPECT_GE(p.Z.At(i), -tolerance) << "z_" << i;
    EXPECT_LE(std::fabs(p.W.At(i) * p.Z.At(i)), tolerance) << "w_" << i << " z_" << i;
  }
}

// M = A A^T + n I with A uniform in [-1, 1]: symmetric positive definite.
Values RandomVector(std::uint32_t n, std::mt19937_64& rng, double low, double high) {
  std::uniform_real_distribution<double> uniform(low, high);
  Values v(n);
  for (auto& x : v) x = uniform(rng);
  return v;
}
Values RandomSpd(std::uint32_t n, std::mt19937_64& rng) {
  const Values a = RandomVector(n * n, rng, -1, 1);
  Values m(n * n);
  for (std::uint32_t i = 0; i < n * n; ++i) {
    long double sum = i / n == i % n ? n : 0;
    for (std::uint32_t k = 0; k < n; ++k) sum += a[i / n * n + k] * a[i % n * n + k];
    m[i] = sum;
  }
  return m;
}

// The pivoting written out as plainly as possible, with the basis matrix B and its inverse kept in full:
// what the solver must reproduce bit for bit, pivot for pivot.
bool ReferenceLemke(const TSqrMatrix& M, TFloatList& q, TFloatList& W, TFloatList& Z, long double lexico,
                    long double tolerance, Pivots& pivots) {
  const std::uint32_t n = q.Count();
  W.Zero();
  Z.Zero();
  std::uint32_t r0 = 0;
  for (std::uint32_t i = 1; i < n; ++i) r0 = q.At(i) < q.At(r0) ? i : r0;
  const long double qmin = q.At(r0);
  for (std::uint32_t i = 0; i < n; ++i) q.SetAt(i, std::fabs(q.At(i)) < kZero ? 0 : q.At(i));
  if (qmin >= 0) {
    W.Assign(&q);
    return true;
  }
  // Binv := Binv - (Binv u) a / (1 + a u), a = row r of Binv: B with u added to column r.
  Values B(n * n, 0.0L), binv(n * n, 0.0L), b(n), d(n), be(n), u(n);
  const auto update = [&](std::uint32_t r, const Values& u) {
    const Values a(binv.begin() + r * n, binv.begin() + (r + 1) * n);
    Values v(n, 0.0L);
    long double s = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
      for (std::uint32_t j = 0; j < n; ++j) v[i] += binv[i * n + j] * u[j];
      s += a[i] * u[i];
    }
    for (std::uint32_t i = 0; i < n * n; ++i) binv[i] = binv[i] - v[i / n] * (a[i % n] / (s + 1));
  };
  const auto z0 = static_cast<std::int32_t>(2 * n);
  std::vector<std::int32_t> basis(n);
  for (std::uint32_t i = 0; i < n; ++i) {
    basis[i] = static_cast<std::int32_t>(n + i);
    b[i] = i == r0 ? -qmin : q.At(i) - qmin;
    B[i * n + i] = binv[i * n + i] = -1;
  }
  basis[r0] = z0;
  for (std::uint32_t i = 0; i < n; ++i) u[i] = 1 - B[i * n + r0], B[i * n + r0] = 1;
  update(r0, u);
  std::int32_t left = static_cast<std::int32_t>(n + r0);
  for (int pass = 0; pass < 100; ++pass) {
    if (left == z0) {
      for (std::uint32_t i = 0; i < n; ++i) {
        (basis[i] < static_cast<std::int32_t>(n) ? Z : W).SetAt(basis[i] % n, b[i]);
      }
      return true;
    }
    const bool w_enters = left < static_cast<std::int32_t>(n);
    const std::int32_t entering = w_enters ? left + static_cast<std::int32_t>(n) : left - static_cast<std::int32_t>(n);
    for (std::uint32_t i = 0; i < n; ++i) {
      be[i] = w_enters ? (i == static_cast<std::uint32_t>(left) ? -1.0L : 0.0L) : M.RowData(i)[entering];
    }
    long double theta_max = kInfinity;
    for (std::uint32_t i = 0; i < n; ++i) {
      d[i] = 0;
      for (std::uint32_t k = 0; k < n; ++k) d[i] += binv[i * n + k] * be[k];
      if (d[i] > tolerance && (b[i] + lexico) / d[i] < theta_max) theta_max = (b[i] + lexico) / d[i];
    }
    if (theta_max >= kInfinity) return false;
    // z0 leaves whenever it may; otherwise the largest pivot within theta_max, the first of equal ones.
    std::int64_t r = -1;
    long double best = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
      if (!(d[i] > tolerance && b[i] / d[i] <= theta_max)) continue;
      if (basis[i] == z0) {
        r = i;
        break;
      }
      if (std::fabs(d[i]) > best) best = std::fabs(d[i]), r = i;
    }
    if (r < 0) return false;
    const long double theta = b[r] / d[r];
    for (std::uint32_t i = 0; i < n; ++i) b[i] = b[i] - theta * d[i];
    b[r] = theta;
    for (std::uint32_t i = 0; i < n; ++i) u[i] = be[i] - B[i * n + r], B[i * n + r] = be[i];
    update(static_cast<std::uint32_t>(r), u);
    pivots.push_back({entering, basis[r], static_cast<std::uint32_t>(r)});
    left = basis[r];
    basis[r] = entering;
  }
  return false;
}

// Compares, bit for bit, the solver with the plain transcription on one problem.
void ExpectSameAsReference(std::uint32_t n, const Values& m, const Values& q, long double tolerance = kTolerance) {
  Problem fast(n, m, q), slow(n, m, q);
  ASSERT_EQ(fast.Solve(kLexico, tolerance), ReferenceLemke(slow.M, slow.q, slow.W, slow.Z, kLexico, tolerance, slow.pivots));
  ASSERT_EQ(fast.pivots, slow.pivots);
  // The 10 significant bytes only: the rest of a long double is padding.
  for (std::uint32_t i = 0; i < n; ++i) {
    ASSERT_EQ(std::memcmp(&fast.Z.Data()[i], &slow.Z.Data()[i], 10), 0) << "z_" << i;
    ASSERT_EQ(std::memcmp(&fast.W.Data()[i], &slow.W.Data()[i], 10), 0) << "w_" << i;
    ASSERT_EQ(std::memcmp(&fast.q.Data()[i], &slow.q.Data()[i], 10), 0) << "q_" << i;
  }
}

// Problems solved by hand, the pivots traced in the comments (z_j is variable j, w_j is n + j, z0 is
// 2n). After the start (z0 in row r0 of the smallest q) z_r0 enters with d_r0 = M(r0, r0) and
// d_i = M(r0, r0) - M(i, r0), b_r0 = -qmin and b_i = q_i - qmin; `pivots` are the first ones made.
TEST_F(LCPTest, HandSolvedProblems) {
  struct Case {
    const char* what;
    std::uint32_t n;
    Values m, q;
    Pivots pivots;
    Values z, w;
    long double tolerance = kTolerance;
  };
  const std::vector<Case> cases = {
      {"q >= 0: z = 0 without a pivot", 3, {1, 2, 3, 4, 5, 6, 7, 8, -9}, {1, 0, 2.5L}, {}, {0, 0, 0}, {1, 0, 2.5L}},
      {"z_0 enters and drives z0 out at once", 1, {1}, {-1}, {{0, 2, 0}}, {1}, {0}},
      {"the same scaled", 1, {2}, {-3}, {{0, 2, 0}}, {1.5L}, {0}},
      // z0 replaces w_1 (b = (1, 6)); z_1 enters, d = (1, 2), w_0 leaves at theta 1 (b = (1, 4)); z_0
      // enters, d = (-1, 3): only z0's row qualifies.
      {"both contacts close", 2, {2, 1, 1, 2}, {-5, -6}, {{1, 2, 0}, {0, 4, 1}}, {4.0L / 3, 7.0L / 3}, {0, 0}},
      {"one contact stays open", 2, {1, 0, 0, 1}, {-1, 2}, {{0, 4, 0}}, {1, 0}, {0, 2}},
      // Ratios 1 in both rows, within the smallest relaxed ratio 1 + 1e-9: z0's row wins over the larger
      // pivot, d = 10 before it or after it.
      {"z0 leaves before a larger pivot", 2, {2, -9, 0, 1}, {9, -1}, {{1, 4, 1}}, {0, 1}, {0, 0}},
      {"z0 leaves after a larger pivot", 2, {1, 0, -9, 2}, {-1, 9}, {{0, 4, 0}}, {1, 0}, {0, 0}},
      // Rows 0 and 1 at ratio 1 with d = 2 and d = 4, z0's row at ratio 2: the larger pivot wins; with d
      // = 2 in both, the first.
      {"larger pivot", 3, {1, 0, -1.5L, 0, 1, -3.5L, 0, 0, 0.5L}, {1, 3, -1}, {{2, 4, 1}}, {2, 4, 2}, {0, 0, 0}},
      {"first of equal pivots", 3, {1, 0, -1.5L, 0, 1, -1.5L, 0, 0, 0.5L}, {1, 1, -1}, {{2, 3, 0}}, {2, 2, 2},
       {0, 0, 0}},
      // d = 0.5 in z0's row is not above the tolerance 0.5: row 1 (d = 2, the same ratio 2) takes the pivot.
      {"pivot equal to the tolerance", 2, {0.5L, 0, -1.5L, 4}, {-1, 3}, {{0, 3, 1}}, {2, 0}, {0, 0}, 0.5L},
  };
  for (const Case& c : cases) {
    Problem p(c.n, c.m, c.q);
    ASSERT_TRUE(p.Solve(kLexico, c.tolerance)) << c.what;
    ASSERT_GE(p.pivots.size(), c.pivots.size()) << c.what;
    EXPECT_EQ(Pivots(p.pivots.begin(), p.pivots.begin() + c.pivots.size()), c.pivots) << c.what;
    for (std::uint32_t i = 0; i < c.n; ++i) {
      EXPECT_NEAR(static_cast<double>(p.Z.At(i)), static_cast<double>(c.z[i]), 1e-18) << c.what << " z_" << i;
      EXPECT_NEAR(static_cast<double>(p.W.At(i)), static_cast<double>(c.w[i]), 1e-18) << c.what << " w_" << i;
    }
  }
}

TEST_F(LCPTest, TinyEntriesOfQBecomeExactlyZeroInTheCallersList) {
  Problem p(2, {1, 0, 0, 1}, {5e-20L, -1});
  ASSERT_TRUE(p.Solve());
  EXPECT_EQ(Elements(p.q), (Values{0, -1}));
  EXPECT_FALSE(std::signbit(p.q.At(0)));
  EXPECT_EQ(Elements(p.Z), (Values{0, 1}));
  // Also on the way out without a pivot: W is the cleaned q.
  Problem plain(2, {1, 0, 0, 1}, {-5e-20L, 3});
  ASSERT_TRUE(plain.Solve());
  EXPECT_EQ(Elements(plain.W), (Values{0, 3}));
}

TEST_F(LCPTest, RandomSymmetricPositiveDefiniteProblemsAreComplementary) {
  std::mt19937_64 rng(20240611);
  for (int trial = 0; trial < 20; ++trial) {
    const Values q = RandomVector(20, rng, -1, 1);
    Problem p(20, RandomSpd(20, rng), q);
    ASSERT_TRUE(p.Solve()) << "trial " << trial;
    ExpectComplementary(p, q, 1e-12L);
  }
}

// Every failure leaves W and Z all zero, records no pivot and logs nothing without alerts asked for.
TEST_F(LCPTest, ProblemsWithoutSolutionGiveZeros) {
  struct Case {
    const char* what;
    std::uint32_t n;
    Values m, q;
    long double lexico = kLexico, tolerance = kTolerance, infinity = kInfinity;
  };
  const long double inf = std::numeric_limits<long double>::infinity();
  const std::vector<Case> cases = {
      {"unbounded ray: z_0 pushes w_0 further down", 1, {-1}, {-1}},
      {"the only pivot equals the tolerance", 1, {1e-12L}, {-1}, kLexico, 1e-12L},
      {"negative lexico: the relaxed ratio 0.5 lies below the plain 1", 1, {1}, {-1}, -0.5L},
      {"negative tolerance admits d = -0.5, ratio -2 beyond the relaxed one", 1, {-0.5L}, {-1}, kLexico, -1},
      {"NaN for infinity: no ratio compares with it", 2, {2, 1, 1, 2}, {-5, -6}, kLexico, kTolerance, kNaN},
      {"NaN in q, never a pivot row", 2, {2, 1, 1, 2}, {-1, kNaN}},
      {"NaN in q, no pivot needed", 2, {2, 1, 1, 2}, {1, kNaN}},
      {"infinity in q, no pivot needed", 2, {2, 1, 1, 2}, {inf, 1}},
      {"NaN in M", 2, {kNaN, 1, 1, kNaN}, {-1, -2}},
      // z0 enters for w_0 (the first of equal q), z_0 with d = (1, 2^-64): lexico 0 lets row 1 win at
      // ratio 0, and u_1 = M(1, 0) + 1 rounds to 2: s + 1 = 0, the update would divide by zero.
      {"singular update", 2, {1, 0, 1 - 0x1p-64L, 1}, {-1, -1}, 0, 1e-30L},
  };
  for (const Case& c : cases) {
    Problem p(c.n, c.m, c.q);
    EXPECT_FALSE(p.Solve(c.lexico, c.tolerance, {}, c.infinity)) << c.what;
    EXPECT_TRUE(p.pivots.empty()) << c.what;
    EXPECT_EQ(Elements(p.W), Values(c.n, 0)) << c.what;
    EXPECT_EQ(Elements(p.Z), Values(c.n, 0)) << c.what;
  }
  EXPECT_TRUE(Logged().empty());
}

TEST_F(LCPTest, UnboundedRayIsLoggedWhenAsked) {
  TLCPAlerts alerts;
  alerts.LogUnboundedRay = true;
  alerts.Time = 0.25L;
  Problem p(1, {-1}, {-1});
  EXPECT_FALSE(p.Solve(kLexico, kTolerance, alerts));
  SetDecimalSeparator(',');
  EXPECT_FALSE(p.Solve(kLexico, kTolerance, alerts));
  EXPECT_EQ(Logged(), (std::vector<std::string>{"[Alert] At t=0.25s unbounded ray in LCP solving.",
                                                "[Alert] At t=0,25s unbounded ray in LCP solving."}));
}

// M = I and q = (-1, ..., -n): one z enters per pass and the last pivot drives z0 out; the pass after it
// finds z = -q. n = 99 needs 99 pivots; n = 100 needs 100, and z0's leaving is seen only at the start of
// the 101st pass.
TEST_F(LCPTest, PassLimitIsOneHundredPivots) {
  TLCPAlerts alerts;
  alerts.LogMaximumIterations = true;
  alerts.Time = 1.5L;
  for (const std::uint32_t n : {99u, 100u}) {
    Values identity(n * n, 0.0L), q(n), z(n);
    for (std::uint32_t i = 0; i < n; ++i) identity[i * n + i] = 1, q[i] = -(z[i] = i + 1.0L);
    Problem p(n, identity, q);
    EXPECT_EQ(p.Solve(kLexico, kTolerance, alerts), n == 99);
    EXPECT_EQ(p.pivots.size(), n);
    EXPECT_EQ(p.pivots.back().Leaving, static_cast<std::int32_t>(2 * n));
    EXPECT_EQ(Elements(p.Z), n == 99 ? z : Values(n, 0));
    ExpectSameAsReference(n, identity, q);
  }
  EXPECT_EQ(Logged(), (std::vector<std::string>{
                          "[Alert] At t=1.5s reached maximum number of iteration steps(100) in LCP solving."}));
}

TEST_F(LCPTest, ProblemsOfSizeZeroAndMismatchedSizes) {
  TSqrMatrix m;
  TFloatList q, w, z;
  EXPECT_TRUE(LemkeSolve(m, q, w, z, kInfinity, kLexico, kTolerance, kZero));
  Problem small(2, {2, 1, 1, 2}, {-5, -6});
  Fill(small.q, {-5, -6, -7});
  Fill(small.W, {7, 7, 7});
  Fill(small.Z, {7, 7, 7});
  EXPECT_FALSE(small.Solve());
  EXPECT_EQ(Elements(small.W), Values(3, 0));
  Problem short_z(2, {2, 1, 1, 2}, {-5, -6});
  short_z.Z.Dim(1);
  EXPECT_FALSE(short_z.Solve());
  EXPECT_EQ(Logged(), (std::vector<std::string>{
                          "[Error] LCP of size 3 needs a matrix of at least 3x3 and result lists of at least 3 "
                          "elements; got 2x2, 3 and 3.",
                          "[Error] LCP of size 2 needs a matrix of at least 2x2 and result lists of at least 2 "
                          "elements; got 2x2, 2 and 1."}));
}

TEST_F(LCPTest, SolveLCPTakesTheWorldsSettings) {
  TWorld world;
  world.SetLCPPivotToleranceMin(1e-14L);
  world.SetLCPPivotToleranceMax(1e-10L);
  world.SetLCPLexicoZeroTolerance(1e-8L);
  world.SetLogLCPUnboundedRay(true);
  TSqrMatrix m;
  Fill(m, 1, {1e-12L});
  TFloatList q, w, z;
  Fill(q, {-1});
  Fill(w, {7});
  Fill(z, {7});
  // Mean |q| = 1 asks for 1e-6, clamped to 1e-10: the pivot 1e-12 is refused.
  EXPECT_FALSE(SolveLCP(world.LCPSettings(), 2, m, q, w, z));
  EXPECT_EQ(Logged(), (std::vector<std::string>{"[Alert] At t=2s unbounded ray in LCP solving."}));
  world.SetLCPPivotToleranceMax(1e-13L);  // a lower maximum lets it through
  ASSERT_TRUE(SolveLCP(world.LCPSettings(), 2, m, q, w, z));
  EXPECT_EQ(z.At(0), 1e12L);
  EXPECT_EQ(w.At(0), 0.0L);
}

TEST_F(LCPTest, PivotToleranceFollowsTheMeanOfQWithinItsBounds) {
  const auto tolerance = [](const Values& q) {
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
  EXPECT_TRUE(std::isnan(tolerance({kNaN})));
}

// Against the plain formula 10^(-6 - rint(log10 mean)), the power exact or one division from exact: at
// random scales, around every boundary 10^(k + 1/2) where the rounding changes (a few units in the last
// place, and the relative distances where the solver stops trusting its table), and outside the table.
TEST_F(LCPTest, PivotToleranceAgreesWithTheLogarithmAtEveryScaleAndBoundary) {
  for (const auto& [low, high] : {std::pair{1e-60L, 1e60L}, std::pair{1e-14L, 1e-10L}}) {
    const auto check = [low, high](long double mean) {
      const long double k = -6 - std::rint(std::log10(mean));
      volatile long double power = 1;
      for (int i = 0; i < std::fabs(k) && std::fabs(k) < 28; ++i) power = power * 10;
      long double want = std::fabs(k) >= 28 ? std::pow(10.0L, k) : k >= 0 ? power : 1 / power;
      want = std::fmin(std::fmax(want, low), high);
      TFloatList q;
      Fill(q, {-mean});
      const long double got = LCPPivotTolerance(q, low, high);
      ASSERT_EQ(std::memcmp(&got, &want, 10), 0) << static_cast<double>(mean);
    };
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> exponent(-40, 40);
    for (int trial = 0; trial < 3000; ++trial) check(std::pow(10.0L, static_cast<long double>(exponent(rng))));
    for (int k = -30; k <= 30; ++k) {
      const long double boundary = std::sqrt(10.0L) * std::pow(10.0L, static_cast<long double>(k));
      for (const long double relative : {0x1p-41L, 0x1p-40L, 0x1p-39L, 1e-9L}) {
        check(boundary * (1 + relative));
        check(boundary * (1 - relative));
      }
      long double up = boundary, down = boundary;
      for (int step = 0; step < 4; ++step) {
        check(up);
        check(down);
        up = std::nextafter(up, std::numeric_limits<long double>::infinity());
        down = std::nextafter(down, 0.0L);
      }
    }
    for (const long double mean : {1e-300L, 1e300L, 1e-4000L, 1e4000L, 0x1p-16440L, 0x1p-80L, 0x1p80L,
                                   std::numeric_limits<long double>::max(), std::numeric_limits<long double>::min()}) {
      check(mean);
      check(std::nextafter(mean, 0.0L));
    }
  }
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
  for (std::uint32_t i = 0; i < 16; ++i) {
    long double sum = 0;
    for (std::uint32_t k = 0; k < 4; ++k) sum += binv.At(i / 4, k) * b.At(k, i % 4);
    EXPECT_NEAR(static_cast<double>(sum), i / 4 == i % 4 ? 1.0 : 0.0, 1e-17) << i;
  }
  // Refused, the inverse unchanged: a column beyond the matrix, a U too short.
  const long double before = binv.At(0, 0);
  EXPECT_FALSE(UpdateInverseRankOne(binv, 4, u));
  Fill(u, {1});
  EXPECT_FALSE(UpdateInverseRankOne(binv, 0, u));
  EXPECT_EQ(binv.At(0, 0), before);
}

TEST_F(LCPTest, SameBitsAndPivotsAsThePlainTranscription) {
  std::mt19937_64 rng(7);
  for (std::uint32_t n : {1u, 2u, 5u, 13u, 30u}) {  // dense symmetric positive definite
    for (int trial = 0; trial < 5; ++trial) ExpectSameAsReference(n, RandomSpd(n, rng), RandomVector(n, rng, -1, 1));
  }
  // General matrices: z's leave, w's enter, some problems end in unbounded rays.
  int failures = 0;
  for (int trial = 0; trial < 60; ++trial) {
    const std::uint32_t n = 2 + trial % 7;
    Values m = RandomVector(n * n, rng, -1, 1);
    for (std::uint32_t i = 0; i < n; ++i) m[i * n + i] += 0.5L;
    const Values q = RandomVector(n, rng, -1, 1);
    ExpectSameAsReference(n, m, q);
    failures += !Problem(n, m, q).Solve();
  }
  EXPECT_GT(failures, 0);
  // Small integers: exact ties in both ratio passes and between pivots.
  std::uniform_int_distribution<int> small(-2, 3);
  for (int trial = 0; trial < 60; ++trial) {
    const std::uint32_t n = 2 + trial % 5;
    Values m(n * n), q(n);
    for (auto& x : m) x = small(rng);
    for (std::uint32_t i = 0; i < n; ++i) m[i * n + i] = 2 + trial % 3;
    for (auto& x : q) x = small(rng) - 1;
    ExpectSameAsReference(n, m, q);
  }
  // Sparse problems with exact zeros, as contact problems have them.
  std::bernoulli_distribution sparse(0.2);
  for (int trial = 0; trial < 40; ++trial) {
    const std::uint32_t n = 3 + trial % 9;
    Values m(n * n, 0.0L);
    for (auto& x : m) x = sparse(rng) ? RandomVector(1, rng, -1, 1)[0] : 0;
    for (std::uint32_t i = 0; i < n; ++i) m[i * n + i] = 1 + RandomVector(1, rng, 0, 1)[0];
    ExpectSameAsReference(n, m, RandomVector(n, rng, -1, 0.5));
  }
}

// Raises one exception flag on the x87 unit itself, as extended arithmetic in the caller would.
void RaiseOnX87(int flag) {
  volatile long double zero = 0, tiny = 1e-4000L, huge = std::numeric_limits<long double>::max();
  volatile long double result = flag == FE_INVALID     ? zero / zero
                                : flag == FE_DIVBYZERO ? 1 / zero
                                : flag == FE_OVERFLOW  ? huge * 2
                                                       : tiny * tiny;
  (void)result;
}

// Numbers beyond the range of doubles (z of the order of 1e3000 and 1e-3000, values at the bottom of the
// doubles' range) and callers with a flag raised that the fast cells watch: the same bits, and the
// caller's flag raised again afterwards.
TEST_F(LCPTest, SameBitsBeyondTheRangeOfDoublesAndWhateverFlagsTheCallerHasRaised) {
  std::mt19937_64 rng(11);
  const auto scaled = [](Values v, long double factor) {
    for (long double& x : v) x *= factor;
    return v;
  };
  for (const int flag : {0, FE_INVALID, FE_DIVBYZERO, FE_OVERFLOW, FE_UNDERFLOW}) {
    for (std::uint32_t n = 3; n < 7; ++n) {
      const Values m = RandomSpd(n, rng), q = RandomVector(n, rng, -1, 1);
      Values general = RandomVector(n * n, rng, -1, 1);
      for (std::uint32_t i = 0; i < n; ++i) general[i * n + i] += 0.5L;
      const std::vector<std::tuple<Values, Values, long double>> problems = {
          {m, q, kTolerance}, {general, q, kTolerance}, {scaled(m, 1e-3000L), q, 1e-3012L},
          {scaled(m, 1e3000L), q, 1e2988L}, {scaled(m, 1e-300L), scaled(q, 1e-15L), 1e-330L},
          {m, scaled(q, 1e-310L), 1e-330L}};
      for (const auto& [mm, qq, tolerance] : problems) {
        std::feclearexcept(FE_ALL_EXCEPT);
        if (flag != 0) RaiseOnX87(flag);
        ExpectSameAsReference(n, mm, qq, tolerance);
        if (flag != 0) EXPECT_TRUE(std::fetestexcept(flag)) << flag;
      }
    }
  }
  std::feclearexcept(FE_ALL_EXCEPT);
}

TEST_F(LCPTest, FastCellsLeaveNoFlagsOfTheirOwn) {
  // Values far beyond the range of doubles overflow the fast cells (and z far below it underflows them):
  // the solve is repeated with extended cells, whose arithmetic stays within its range.
  Problem p(2, {2e3000L, 1e3000L, 1e3000L, 2e3000L}, {-5, -6});
  std::feclearexcept(FE_ALL_EXCEPT);
  ASSERT_TRUE(p.Solve(kLexico, 1e2988L));
  EXPECT_FALSE(std::fetestexcept(FE_UNDERFLOW | FE_OVERFLOW | FE_INVALID | FE_DIVBYZERO));
  EXPECT_NEAR(static_cast<double>(p.Z.At(0) * 1e3000L), 4.0 / 3, 1e-15);
  std::feclearexcept(FE_ALL_EXCEPT);
}

}  // namespace
}  // namespace zentrova
