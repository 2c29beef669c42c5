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

#include "engine/contact/dense_matrix.h"
#include "engine/engine_constants.h"
#include "engine/world/world.h"
#include "engine_test_support.h"
#include "numerics/float_list.h"
#include "numerics/matrix.h"

namespace zentrova {
namespace {

using LCPTest = test::EngineTest;
using Pivots = std::vector<TLCPPivot>;
using Values = std::vector<long double>;
using Lines = std::vector<std::string>;
using test::Elements;
using test::Fill;

constexpr long double kInfinity = 1e19L, kLexico = 1e-8L, kTolerance = 1e-12L, kZero = 1e-19L;
constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();

// A problem solved with explicit tolerances; W and Z start non-zero so that a failure must clear them.
struct Problem {
  Problem(std::uint32_t n, const Values& m, const Values& q_values) {
    M.Dim(n);
    for (std::uint32_t i = 0; i < n * n; ++i) M.SetAt(i / n, i % n, m[i]);
    Fill(q, q_values);
    Fill(W, Values(n, 7));
    Fill(Z, Values(n, 7));
  }
  bool Solve(long double lexico = kLexico, long double tolerance = kTolerance, const TLCPAlerts& alerts = {},
             long double infinity = kInfinity, std::uint64_t passes = 0) {
    pivots.clear();
    return LemkeSolve(M, q, W, Z, infinity, lexico, tolerance, kZero, alerts, &pivots, passes);
  }
  TSqrMatrix M;
  TFloatList q, W, Z;
  Pivots pivots;
};

Values RandomVector(std::uint32_t n, std::mt19937_64& rng, double low, double high) {
  std::uniform_real_distribution<double> uniform(low, high);
  Values v(n);
  for (auto& x : v) x = uniform(rng);
  return v;
}
// M = A A^T + n I with A uniform in [-1, 1]: symmetric positive definite.
Values RandomSpd(std::uint32_t n, std::mt19937_64& rng) {
  const Values a = RandomVector(n * n, rng, -1, 1);
  Values m(n * n);
  for (std::uint32_t i = 0; i < n * n; ++i) {
    m[i] = i / n == i % n ? n : 0;
    for (std::uint32_t k = 0; k < n; ++k) m[i] += a[i / n * n + k] * a[i % n * n + k];
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
  W.Assign(&q);
  if (qmin >= 0) return true;
  W.Zero();
  // B gets u added to column r: Binv := Binv - (Binv u) a / (1 + a u), a = row r of Binv.
  Values B(n * n, 0.0L), binv(n * n, 0.0L), b(n), d(n), be(n), u(n);
  const auto update = [&](std::uint32_t r) {
    const Values a(binv.begin() + r * n, binv.begin() + (r + 1) * n);
    Values v(n, 0.0L);
    long double s = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
      for (std::uint32_t j = 0; j < n; ++j) v[i] += binv[i * n + j] * u[j];
      s += a[i] * u[i];
    }
    for (std::uint32_t i = 0; i < n * n; ++i) binv[i] = binv[i] - v[i / n] * (a[i % n] / (s + 1));
  };
  // Variables z_j = j, w_j = n + j, z0 = 2n; z0 enters in place of w_r0 with the covering vector e.
  const auto z0 = static_cast<std::int32_t>(2 * n);
  std::vector<std::int32_t> basis(n);
  for (std::uint32_t i = 0; i < n; ++i) {
    basis[i] = static_cast<std::int32_t>(n + i);
    b[i] = i == r0 ? -qmin : q.At(i) - qmin;
    B[i * n + i] = binv[i * n + i] = -1;
  }
  basis[r0] = z0;
  for (std::uint32_t i = 0; i < n; ++i) u[i] = 1 - B[i * n + r0], B[i * n + r0] = 1;
  update(r0);
  auto left = static_cast<std::int32_t>(n + r0), size = static_cast<std::int32_t>(n);
  for (std::uint64_t pass = 0; pass < LCPPassLimit(n); ++pass) {
    if (left == z0) {
      for (std::uint32_t i = 0; i < n; ++i) (basis[i] < size ? Z : W).SetAt(basis[i] % n, b[i]);
      return true;
    }
    const std::int32_t entering = left < size ? left + size : left - size;
    for (std::uint32_t i = 0; i < n; ++i) {
      be[i] = left < size ? (i == static_cast<std::uint32_t>(left) ? -1.0L : 0.0L) : M.RowData(i)[entering];
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
    update(static_cast<std::uint32_t>(r));
    pivots.push_back({entering, basis[r], static_cast<std::uint32_t>(r)});
    left = basis[r];
    basis[r] = entering;
  }
  return false;
}

// The solver against the plain transcription, bit for bit (the 10 significant bytes of a long double).
void ExpectSameAsReference(std::uint32_t n, const Values& m, const Values& q,
                           long double tolerance = kTolerance) {
  Problem fast(n, m, q), slow(n, m, q);
  ASSERT_EQ(fast.Solve(kLexico, tolerance),
            ReferenceLemke(slow.M, slow.q, slow.W, slow.Z, kLexico, tolerance, slow.pivots));
  ASSERT_EQ(fast.pivots, slow.pivots);
  for (const auto& [a, b] :
       {std::pair{&fast.Z, &slow.Z}, std::pair{&fast.W, &slow.W}, std::pair{&fast.q, &slow.q}}) {
    for (std::uint32_t i = 0; i < n; ++i) ASSERT_EQ(std::memcmp(&a->Data()[i], &b->Data()[i], 10), 0) << i;
  }
}

// Problems solved by hand (z_j is variable j, w_j is n + j, z0 is 2n). After the start (z0 in the row r0
// of the smallest q) z_r0 enters with d_r0 = M(r0, r0) and d_i = M(r0, r0) - M(i, r0), b_r0 = -qmin and
// b_i = q_i - qmin; `pivots` are the first ones made.
TEST_F(LCPTest, HandSolvedProblems) {
  struct Case {
    std::uint32_t n;
    Values m, q;
    Pivots pivots;
    Values z, w;
    long double tolerance = kTolerance;
  };
  const std::vector<Case> cases = {
      {3, {1, 2, 3, 4, 5, 6, 7, 8, -9}, {1, 0, 2.5L}, {}, {0, 0, 0}, {1, 0, 2.5L}},  // q >= 0: no pivot
      {1, {2}, {-3}, {{0, 2, 0}}, {1.5L}, {0}},  // z_0 enters and drives z0 out at once
      // z0 replaces w_1 (b = (1, 6)); z_1 enters, d = (1, 2), w_0 leaves at theta 1 (b = (1, 4)); z_0
      // enters, d = (-1, 3): only z0's row qualifies.
      {2, {2, 1, 1, 2}, {-5, -6}, {{1, 2, 0}, {0, 4, 1}}, {4.0L / 3, 7.0L / 3}, {0, 0}},
      {2, {1, 0, 0, 1}, {-1, 2}, {{0, 4, 0}}, {1, 0}, {0, 2}},  // one contact stays open
      // Ratios 1 in both rows: z0's row wins over the larger pivot d = 10 before it or after it.
      {2, {2, -9, 0, 1}, {9, -1}, {{1, 4, 1}}, {0, 1}, {0, 0}},
      {2, {1, 0, -9, 2}, {-1, 9}, {{0, 4, 0}}, {1, 0}, {0, 0}},
      // Rows 0 and 1 at ratio 1 with d = 2 and d = 4, z0's row at ratio 2: the larger pivot wins; with
      // d = 2 in both, the first.
      {3, {1, 0, -1.5L, 0, 1, -3.5L, 0, 0, 0.5L}, {1, 3, -1}, {{2, 4, 1}}, {2, 4, 2}, {0, 0, 0}},
      {3, {1, 0, -1.5L, 0, 1, -1.5L, 0, 0, 0.5L}, {1, 1, -1}, {{2, 3, 0}}, {2, 2, 2}, {0, 0, 0}},
      // d = 0.5 in z0's row is not above the tolerance 0.5: row 1 (d = 2, the same ratio 2) pivots.
      {2, {0.5L, 0, -1.5L, 4}, {-1, 3}, {{0, 3, 1}}, {2, 0}, {0, 0}, 0.5L}};
  for (std::size_t k = 0; k < cases.size(); ++k) {
    const Case& c = cases[k];
    Problem p(c.n, c.m, c.q);
    ASSERT_TRUE(p.Solve(kLexico, c.tolerance)) << k;
    ASSERT_GE(p.pivots.size(), c.pivots.size()) << k;
    EXPECT_EQ(Pivots(p.pivots.begin(), p.pivots.begin() + c.pivots.size()), c.pivots) << k;
    for (std::uint32_t i = 0; i < c.n; ++i) {
      EXPECT_NEAR(p.Z.At(i), c.z[i], 1e-18) << k << " z_" << i;
      EXPECT_NEAR(p.W.At(i), c.w[i], 1e-18) << k << " w_" << i;
    }
  }
}

TEST_F(LCPTest, TinyEntriesOfQBecomeExactlyZeroInTheCallersList) {
  Problem p(2, {1, 0, 0, 1}, {5e-20L, -1});
  ASSERT_TRUE(p.Solve());
  EXPECT_EQ(Elements(p.q), (Values{0, -1}));
  EXPECT_FALSE(std::signbit(p.q.At(0)));
  EXPECT_EQ(Elements(p.Z), (Values{0, 1}));
  Problem plain(2, {1, 0, 0, 1}, {-5e-20L, 3});  // without a pivot: W is the cleaned q
  ASSERT_TRUE(plain.Solve());
  EXPECT_EQ(Elements(plain.W), (Values{0, 3}));
}

// w = M z + q, w >= 0, z >= 0 and w_i z_i = 0.
TEST_F(LCPTest, RandomSymmetricPositiveDefiniteProblemsAreComplementary) {
  std::mt19937_64 rng(20240611);
  for (int trial = 0; trial < 20; ++trial) {
    const Values q = RandomVector(20, rng, -1, 1);
    Problem p(20, RandomSpd(20, rng), q);
    ASSERT_TRUE(p.Solve()) << trial;
    for (std::uint32_t i = 0; i < 20; ++i) {
      long double w = q[i];
      for (std::uint32_t j = 0; j < 20; ++j) w += p.M.At(i, j) * p.Z.At(j);
      EXPECT_NEAR(p.W.At(i), w, 1e-12) << i;
      EXPECT_TRUE(p.W.At(i) >= -1e-12L && p.Z.At(i) >= -1e-12L && p.W.At(i) * p.Z.At(i) == 0) << i;
    }
  }
}

// Every failure leaves W and Z all zero, records no pivot and logs nothing without alerts asked for.
TEST_F(LCPTest, ProblemsWithoutSolutionGiveZeros) {
  struct Case {
    std::uint32_t n;
    Values m, q;
    long double lexico = kLexico, tolerance = kTolerance, infinity = kInfinity;
  };
  const std::vector<Case> cases = {
      {1, {-1}, {-1}},                       // unbounded ray: z_0 pushes w_0 further down
      {1, {1e-12L}, {-1}, kLexico, 1e-12L},  // the only pivot equals the tolerance
      {1, {1}, {-1}, -0.5L},                 // negative lexico: the relaxed ratio 0.5 lies below the plain 1
      {1, {-0.5L}, {-1}, kLexico, -1},       // negative tolerance: d = -0.5 admitted, ratio -2 beyond
      {2, {2, 1, 1, 2}, {-5, -6}, kLexico, kTolerance, kNaN},  // NaN for infinity: no ratio compares
      {2, {2, 1, 1, 2}, {-1, kNaN}},                           // NaN in q, never a pivot row
      {2, {2, 1, 1, 2}, {1, kNaN}},                            // NaN in q, no pivot needed
      {2, {2, 1, 1, 2}, {std::numeric_limits<long double>::infinity(), 1}},
      {2, {kNaN, 1, 1, kNaN}, {-1, -2}},
      // Infinity in the last column of a middle row, where the pivoting never looks: only z_0 enters.
      {3, {1, 0, 0, 0, 1, std::numeric_limits<long double>::infinity(), 0, 0, 1}, {-1, 1, 1}},
      // z0 enters for w_0 (the first of equal q), z_0 with d = (1, 2^-64): lexico 0 lets row 1 win at
      // ratio 0, and u_1 = M(1, 0) + 1 rounds to 2: s + 1 = 0, the update would divide by zero.
      {2, {1, 0, 1 - 0x1p-64L, 1}, {-1, -1}, 0, 1e-30L}};
  for (std::size_t k = 0; k < cases.size(); ++k) {
    const Case& c = cases[k];
    Problem p(c.n, c.m, c.q);
    EXPECT_FALSE(p.Solve(c.lexico, c.tolerance, {}, c.infinity)) << k;
    EXPECT_TRUE(p.pivots.empty()) << k;
    EXPECT_EQ(Elements(p.W), Values(c.n, 0)) << k;
    EXPECT_EQ(Elements(p.Z), Values(c.n, 0)) << k;
  }
  EXPECT_TRUE(Logged().empty());
}

// Extended reals from their 64-bit significand and 16-bit sign and exponent.
long double Encoded(std::uint64_t significand, std::uint16_t sign_and_exponent) {
  long double x = 0;
  std::memcpy(&x, &significand, sizeof significand);
  std::memcpy(reinterpret_cast<unsigned char*>(&x) + 8, &sign_and_exponent, sizeof sign_and_exponent);
  return x;
}
// 1.5 without its integer bit (an unnormal), and the pseudo-denormal 2^-16382 (exponent 0, integer bit
// set), which the x87 unit takes as the denormal of the same value.
const long double kUnnormal = Encoded(0x4000000000000000u, 0x3FFF);
const long double kPseudoDenormal = Encoded(0x8000000000000000u, 0x0000);

// An infinity, a NaN or an unnormal anywhere in M, at every size the matrix check treats apart (the
// small sizes with their rows run together four elements at a time, the others row by row), refuses the
// problem: false, W and Z all zero, no pivot. A pseudo-denormal is a number like any other.
TEST_F(LCPTest, EveryElementOfTheMatrixIsCheckedForFiniteness) {
  std::mt19937_64 rng(3);
  for (std::uint32_t n = 1; n <= 9; ++n) {
    const Values m = RandomSpd(n, rng), q = RandomVector(n, rng, -1, -0.5);
    for (const long double bad : {std::numeric_limits<long double>::infinity(), -kNaN, kUnnormal}) {
      for (std::uint32_t k = 0; k < n * n; ++k) {
        Values broken = m;
        broken[k] = bad;
        Problem p(n, broken, q);
        EXPECT_FALSE(p.Solve()) << n << " " << k;
        EXPECT_TRUE(p.pivots.empty()) << n << " " << k;
        EXPECT_EQ(Elements(p.W), Values(n, 0)) << n << " " << k;
        EXPECT_EQ(Elements(p.Z), Values(n, 0)) << n << " " << k;
      }
    }
    Values tiny = m;
    tiny[n * n - 1] = kPseudoDenormal;
    ExpectSameAsReference(n, tiny, q);
  }
}

// q's finiteness is judged from the sum of its magnitudes: an unnormal makes the sum NaN and the problem
// is refused; finite values whose sum overflows are solved as the plain transcription solves them.
TEST_F(LCPTest, FiniteValuesOfQWhoseSumOverflowsAreStillSolved) {
  Problem unnormal(3, {1, 0, 0, 0, 1, 0, 0, 0, 1}, {-1, kUnnormal, -2});
  EXPECT_FALSE(unnormal.Solve());
  EXPECT_EQ(Elements(unnormal.Z), Values(3, 0));
  const long double big = 0.75L * std::numeric_limits<long double>::max();
  ExpectSameAsReference(3, {1, 0, 0, 0, 1, 0, 0, 0, 1}, {-big, -big, 1});
  ExpectSameAsReference(3, {2, 1, 0, 1, 2, 1, 0, 1, 2}, {big, big, -1});
  // Ratios from 1e19 on count as unbounded: contacts this far open are solved only while closed ones
  // stay below that.
  Problem solved(3, {1, 0, 0, 0, 1, 0, 0, 0, 1}, {big, big, -1});
  ASSERT_TRUE(solved.Solve());
  EXPECT_EQ(Elements(solved.Z), (Values{0, 0, 1}));
  EXPECT_EQ(Elements(solved.W), (Values{big, big, 0}));
}

// W and Z longer than q: their first n elements are the solution and the rest zeros, whatever the end.
TEST_F(LCPTest, ResultListsLongerThanQAreZeroBeyondIt) {
  struct Case {
    Values q;
    bool solved;
    Values z, w;
  };
  const std::vector<Case> cases = {
      {{-1, -2, 3}, true, {1, 2, 0, 0, 0}, {0, 0, 3, 0, 0}},  // pivots
      {{1, 2, 3}, true, {0, 0, 0, 0, 0}, {1, 2, 3, 0, 0}},    // q >= 0
      {{-1, kNaN, 3}, false, Values(5, 0), Values(5, 0)},     // refused
  };
  for (std::size_t k = 0; k < cases.size(); ++k) {
    Problem p(3, {1, 0, 0, 0, 1, 0, 0, 0, 1}, cases[k].q);
    Fill(p.W, Values(5, 7));
    Fill(p.Z, Values(5, 7));
    EXPECT_EQ(p.Solve(), cases[k].solved) << k;
    EXPECT_EQ(Elements(p.Z), cases[k].z) << k;
    EXPECT_EQ(Elements(p.W), cases[k].w) << k;
  }
  // Every size with a pivoting of its own, and one without; one element more or three.
  std::mt19937_64 rng(4);
  for (std::uint32_t n = 2; n <= 8; ++n) {
    const std::uint32_t count = n + 1 + 2 * (n % 2);
    Problem p(n, RandomSpd(n, rng), RandomVector(n, rng, -1, 1));
    Fill(p.W, Values(count, 7));
    Fill(p.Z, Values(count, 7));
    ASSERT_TRUE(p.Solve()) << n;
    for (std::uint32_t i = 0; i < n; ++i) EXPECT_EQ(p.W.At(i) * p.Z.At(i), 0) << n << " " << i;
    for (std::uint32_t i = n; i < count; ++i) EXPECT_EQ(p.W.At(i) + p.Z.At(i), 0) << n << " " << i;
  }
}

// M = I, q = (-1, ..., -n): one z enters per pass, the last pivot drives z0 out and the next pass finds
// z = -q. n = 5 needs 5 pivots and sees z0 gone in the 6th pass: a limit of 5 passes is one too few.
// Solves take ten passes per unknown, at least 100.
TEST_F(LCPTest, PassLimitGrowsWithTheProblem) {
  EXPECT_EQ((std::vector<std::uint64_t>{LCPPassLimit(3), LCPPassLimit(10), LCPPassLimit(11), LCPPassLimit(250)}),
            (std::vector<std::uint64_t>{100, 100, 110, 2500}));
  const TLCPAlerts alerts{.LogMaximumIterations = true, .Time = 1.5L};
  for (const std::uint32_t n : {250u, 5u}) {
    Values identity(n * n, 0.0L), q(n), z(n);
    for (std::uint32_t i = 0; i < n; ++i) identity[i * n + i] = 1, q[i] = -(z[i] = i + 1.0L);
    Problem p(n, identity, q);
    ASSERT_TRUE(p.Solve(kLexico, kTolerance, alerts, kInfinity, n == 5 ? 6 : 0));
    EXPECT_EQ(p.pivots.size(), n);
    EXPECT_EQ(Elements(p.Z), z);
    EXPECT_TRUE(Logged().empty());
    if (n == 5) {
      EXPECT_FALSE(p.Solve(kLexico, kTolerance, alerts, kInfinity, 5));
      EXPECT_EQ(Elements(p.Z), Values(n, 0));
      EXPECT_EQ(Logged(),
                (Lines{"[Alert] At t=1.5s reached maximum number of iteration steps(5) in LCP solving."}));
      // Fewer passes stop after as many pivots.
      for (const std::uint64_t limit : {3u, 4u}) {
        EXPECT_FALSE(p.Solve(kLexico, kTolerance, {}, kInfinity, limit)) << limit;
        EXPECT_EQ(p.pivots.size(), limit);
        EXPECT_EQ(Elements(p.Z), Values(n, 0));
      }
    }
  }
}

// Mean |q| = 1 asks for the pivot tolerance 1e-6, clamped to the maximum 1e-10 (refusing the pivot 1e-12)
// or to 1e-13 (taking it).
TEST_F(LCPTest, SolveLCPTakesTheWorldsSettings) {
  TWorld world;
  world.SetLCPPivotToleranceMin(1e-14L);
  world.SetLCPPivotToleranceMax(1e-10L);
  world.SetLCPLexicoZeroTolerance(1e-8L);
  world.SetLogLCPUnboundedRay(true);
  Problem p(1, {1e-12L}, {-1});
  EXPECT_FALSE(SolveLCP(world.LCPSettings(), 2, p.M, p.q, p.W, p.Z));
  EXPECT_EQ(Logged(), (Lines{"[Alert] At t=2s unbounded ray in LCP solving."}));
  world.SetLCPPivotToleranceMax(1e-13L);
  ASSERT_TRUE(SolveLCP(world.LCPSettings(), 2, p.M, p.q, p.W, p.Z));
  EXPECT_EQ(Elements(p.Z), (Values{1e12L}));
  EXPECT_EQ(Elements(p.W), (Values{0}));
  // Mean |q| near 1e9 asks for 1e-15, which the minimum raises to 1e-14: the pivot 1e-12 passes it.
  world.SetLCPPivotToleranceMax(1e-10L);
  Problem large(2, {1e-12L, 0, 0, 1}, {-1, 2e9L});
  ASSERT_TRUE(SolveLCP(world.LCPSettings(), 2, large.M, large.q, large.W, large.Z));
  EXPECT_EQ(Elements(large.Z), (Values{1e12L, 0}));
  world.SetLCPPivotToleranceMin(1e-11L);
  EXPECT_FALSE(SolveLCP(world.LCPSettings(), 2, large.M, large.q, large.W, large.Z));
}

// A job may rewrite either bound between two solves. Mean |q| = 1e3 asks for 1e-9: the upper bound 1e-13
// clamps it, and once only the upper bound is raised to 1e-6 the tolerance is 1e-9 again (the pivot
// 1e-8 then passes), not the new upper bound; lowered again, the upper bound clamps again.
TEST_F(LCPTest, PivotToleranceFollowsAChangeOfTheUpperBoundAlone) {
  TFloatList q;
  Fill(q, {-1e3L});
  EXPECT_EQ(LCPPivotTolerance(q, 1e-14L, 1e-13L), 1e-13L);
  EXPECT_EQ(LCPPivotTolerance(q, 1e-14L, 1e-6L), 1e-9L);
  EXPECT_EQ(LCPPivotTolerance(q, 1e-14L, 1e-13L), 1e-13L);
  TWorld world;
  world.SetLCPPivotToleranceMin(1e-14L);
  world.SetLCPPivotToleranceMax(1e-13L);
  Problem p(1, {1e-8L}, {-1e3L});
  ASSERT_TRUE(SolveLCP(world.LCPSettings(), 0, p.M, p.q, p.W, p.Z));
  world.SetLCPPivotToleranceMax(1e-6L);
  ASSERT_TRUE(SolveLCP(world.LCPSettings(), 0, p.M, p.q, p.W, p.Z));
  EXPECT_NEAR(static_cast<double>(p.Z.At(0) / 1e11L), 1, 1e-15);
  world.SetLCPPivotToleranceMin(1e-7L);
  EXPECT_FALSE(SolveLCP(world.LCPSettings(), 0, p.M, p.q, p.W, p.Z));
}

// Against the plain formula 10^(-6 - rint(log10 mean)), the power exact or one division from exact: at
// random scales, around every boundary 10^(k + 1/2) where the rounding changes (a few units in the last
// place, and the relative distances where the solver stops trusting its table), and outside the table.
//
// Both with one q_i and with three (mean x, 0.5 x and 1.5 x, whose mean is their rounded sum over 3), and
// for bounds that clamp nothing near the scales tried, the defaults, bounds lying on powers of ten,
// bounds whose lower end passes the upper and then the same upper end with a lower one below it.
TEST_F(LCPTest, PivotToleranceAgreesWithTheLogarithmAtEveryScaleAndBoundary) {
  for (const auto& bounds : {std::pair{1e-60L, 1e60L}, std::pair{1e-14L, 1e-10L}, std::pair{1e-20L, 1e-3L},
                             std::pair{1e-9L, 1e-9L}, std::pair{1e-5L, 1e-12L},
                             std::pair{1e-14L, 1e-12L}}) {
    for (const bool three : {false, true}) {
    const long double low = bounds.first, high = bounds.second;
    const auto check = [low, high, three](long double x) {
      const std::vector<long double> values = three ? std::vector{-x, 0.5L * x, -1.5L * x} : std::vector{-x};
      volatile long double sum = 0;
      for (const long double v : values) sum = sum + std::fabs(v);
      const long double mean = sum / static_cast<long double>(values.size());
      const long double k = -6 - std::rint(std::log10(mean));
      volatile long double power = 1;
      for (int i = 0; i < std::fabs(k) && std::fabs(k) < 28; ++i) power = power * 10;
      const long double plain = std::fabs(k) >= 28 ? std::pow(10.0L, k) : k >= 0 ? power : 1 / power;
      const long double want = std::fmin(std::fmax(plain, low), high);
      TFloatList q;
      Fill(q, values);
      const long double got = LCPPivotTolerance(q, low, high);
      ASSERT_EQ(std::memcmp(&got, &want, 10), 0)
          << static_cast<double>(x) << " of " << values.size() << " within " << static_cast<double>(low)
          << ", " << static_cast<double>(high);
    };
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> exponent(-40, 40);
    for (int trial = 0; trial < 3000; ++trial)
      check(std::pow(10.0L, static_cast<long double>(exponent(rng))));
    for (int k = -30; k <= 30; ++k) {
      const long double boundary = std::sqrt(10.0L) * std::pow(10.0L, static_cast<long double>(k));
      for (const long double relative : {0x1p-41L, 0x1p-40L, 0x1p-39L, 1e-9L}) {
        check(boundary * (1 + relative));
        check(boundary * (1 - relative));
      }
      long double up = boundary, down = boundary;
      for (int step = 0; step < 4;
           ++step, up = std::nextafter(up, 1e4000L), down = std::nextafter(down, 0.0L)) {
        check(up);
        check(down);
      }
    }
    for (const long double mean :
         {1e-300L, 1e300L, 1e-4000L, 1e4000L, 0x1p-16440L, 0x1p-80L, 0x1p80L,
          std::numeric_limits<long double>::max(), std::numeric_limits<long double>::min()}) {
      check(mean);
      check(std::nextafter(mean, 0.0L));
    }
    }
  }
}

TEST_F(LCPTest, SameBitsAndPivotsAsThePlainTranscription) {
  std::mt19937_64 rng(7);
  // Dense symmetric positive definite, among them every size with a pivoting of its own (3 to 6).
  for (std::uint32_t n : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 13u, 30u}) {
    for (int trial = 0; trial < 5; ++trial)
      ExpectSameAsReference(n, RandomSpd(n, rng), RandomVector(n, rng, -1, 1));
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

// Numbers beyond the range of doubles (z near 1e3000 and 1e-3000, values at the bottom of the doubles'
// range), and callers with an x87 flag raised that the fast cells watch: the same bits, the flag kept.
TEST_F(LCPTest, SameBitsBeyondTheRangeOfDoublesAndWhateverFlagsTheCallerHasRaised) {
  std::mt19937_64 rng(11);
  const auto scaled = [](Values v, long double factor) {
    for (long double& x : v) x *= factor;
    return v;
  };
  volatile long double zero = 0, tiny = 1e-4000L, huge = std::numeric_limits<long double>::max(), result = 0;
  for (const int flag : {0, FE_INVALID, FE_DIVBYZERO, FE_OVERFLOW, FE_UNDERFLOW}) {
    for (std::uint32_t n = 3; n < 7; ++n) {
      const Values m = RandomSpd(n, rng), q = RandomVector(n, rng, -1, 1);
      Values general = RandomVector(n * n, rng, -1, 1);
      for (std::uint32_t i = 0; i < n; ++i) general[i * n + i] += 0.5L;
      for (const auto& [mm, qq, tolerance] : std::vector<std::tuple<Values, Values, long double>>{
               {m, q, kTolerance},
               {general, q, kTolerance},
               {scaled(m, 1e-3000L), q, 1e-3012L},
               {scaled(m, 1e3000L), q, 1e2988L},
               {scaled(m, 1e-300L), scaled(q, 1e-15L), 1e-330L},
               {m, scaled(q, 1e-310L), 1e-330L}}) {
        std::feclearexcept(FE_ALL_EXCEPT);
        if (flag == FE_INVALID) result = zero / zero;
        if (flag == FE_DIVBYZERO) result = 1 / zero;
        if (flag == FE_OVERFLOW) result = huge * 2;
        if (flag == FE_UNDERFLOW) result = tiny * tiny;
        ExpectSameAsReference(n, mm, qq, tolerance);
        EXPECT_TRUE(flag == 0 || std::fetestexcept(flag)) << flag;
      }
    }
  }
  (void)result;
  std::feclearexcept(FE_ALL_EXCEPT);
}

TDenseMatrix Dense(std::uint32_t n, const Values& m) {
  TDenseMatrix d(n, n);
  for (std::uint32_t i = 0; i < n * n; ++i) d(i / n, i % n) = m[i];
  return d;
}

// M = [[2, 1], [1, 2]], q = (-3, 1): z = (1.5, 0), w = (0, 2.5) holds; each condition, pushed just past a
// slack of 1e-6, fails it, and just within it, holds.
TEST_F(LCPTest, SolutionHoldsWithinTheSlackOnly) {
  const TDenseMatrix m = Dense(2, {2, 1, 1, 2});
  const Values q = {-3, 1};
  constexpr long double kSlack = 1e-6L;
  EXPECT_TRUE(LCPSolutionHolds(m, q, {0, 2.5L}, {1.5L, 0}, kSlack));
  const struct {
    const char* what;
    Values w, z;
    bool holds;
  } cases[] = {
      {"z below -slack", {0, 2.5L - 1.5e-6L}, {1.5L, -1.5e-6L}, false},
      {"z within", {0, 2.5L - 0.5e-6L}, {1.5L, -0.5e-6L}, true},
      {"w below -slack", {-1.5e-6L, 2.5L}, {1.5L, 0}, false},
      {"w within", {-0.5e-6L, 2.5L}, {1.5L, 0}, true},
      {"w off M z + q", {0, 2.5L + 1.5e-6L}, {1.5L, 0}, false},
      {"w within M z + q", {0, 2.5L + 0.5e-6L}, {1.5L, 0}, true},
      {"w below M z + q", {0, 2.5L - 1.5e-6L}, {1.5L, 0}, false},
      {"w within below M z + q", {0, 2.5L - 0.5e-6L}, {1.5L, 0}, true},
      // w = M z + q holds exactly, but both are positive in row 0.
      {"not complementary", {0.5L, 2.75L}, {1.75L, 0}, false},
      {"NaN", {0, std::numeric_limits<long double>::quiet_NaN()}, {1.5L, 0}, false},
      {"too short", {0}, {1.5L}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(LCPSolutionHolds(m, q, c.w, c.z, kSlack), c.holds) << c.what;
}

// Solving from a guess of the solution.
TEST_F(LCPTest, GuessedBasisIsSolvedCorrectedAndFreedOfDependentRows) {
  constexpr long double kSlack = 1e-12L;
  TLCPBasisScratch scratch;
  Values w, z;
  // Two collinear contacts holding one load (identical rows): the guess makes both basic, M_BB is
  // singular, and the one of the smaller guessed z leaves the basis: the other carries the load.
  const TDenseMatrix twins = Dense(2, {1, 1, 1, 1});
  ASSERT_TRUE(SolveLCPFromGuess(twins, {-1, -1}, {0, 0}, {0.3L, 0.7L}, w, z, kSlack, scratch));
  EXPECT_EQ(z, (Values{0, 1}));
  EXPECT_EQ(w, (Values{0, 0}));
  // A guess of the wrong row: its z comes out -1 and it leaves, then w_0 = -1 and row 0 enters.
  const TDenseMatrix identity = Dense(2, {1, 0, 0, 1});
  ASSERT_TRUE(SolveLCPFromGuess(identity, {-1, 1}, {0, 0}, {0, 5}, w, z, kSlack, scratch));
  EXPECT_EQ(z, (Values{1, 0}));
  EXPECT_EQ(w, (Values{0, 1}));
  // Each correction moves one row: n rows to enter take n attempts, and kLCPBasisAttempts at most.
  for (const std::uint32_t n : {kLCPBasisAttempts - 1, kLCPBasisAttempts}) {
    TDenseMatrix m(n, n);
    for (std::uint32_t i = 0; i < n; ++i) m(i, i) = 1;
    const Values q(n, -1), none(n, 0);
    EXPECT_EQ(SolveLCPFromGuess(m, q, none, none, w, z, kSlack, scratch), n < kLCPBasisAttempts) << n;
  }
  // A guess of another size is no guess.
  EXPECT_FALSE(SolveLCPFromGuess(identity, {-1, 1}, {0}, {1}, w, z, kSlack, scratch));
}

// A basis that the elimination solves, with no value below -slack, whose answer still misses w = M z + q:
// the guess z = (0.9, 0.1) makes both basic, and z_0, of the larger guess, is eliminated first on its
// pivot M_00 = 2e-13 (just above the singular bound, 1e-13 of the largest element). The factor 5e12
// costs the elimination its digits: z = (0.49999989, 0.9999999999999) leaves a residual of -1.1e-7 in row
// 1, above the slack of 1e-8, and the final check refuses it.
TEST_F(LCPTest, SolutionFromAGuessIsCheckedBeforeItIsTaken) {
  const TDenseMatrix m = Dense(2, {2e-13L, 1, 1, 1});
  const Values q = {-1, -1.5L};
  TLCPBasisScratch scratch;
  Values w, z;
  EXPECT_FALSE(SolveLCPFromGuess(m, q, {0, 0}, {0.9L, 0.1L}, w, z, 1e-8L, scratch));
  // The same guess with a slack that the residual fits passes.
  EXPECT_TRUE(SolveLCPFromGuess(m, q, {0, 0}, {0.9L, 0.1L}, w, z, 1e-6L, scratch));
}

// The lexicographic rule on a degenerate problem. M = [[1, 1, 0], [1, 1, 0], [0, 0, 1]], q = (-1, -1, -1):
// - start: all q_i tie, z0 enters in row 2 (the last), b = (0, 0, 1), Binv rows (1, 0, -1), (0, 1, -1),
//   (0, 0, -1);
// - z_2 enters (w_2 left), d = Binv (0, 0, -1) = (1, 1, 1), ratios b / d = (0, 0, 1): rows 0 and 1 tie
//   at 0; column 0 of Binv over d gives 1 and 0, so row 1 leaves (w_1), z_2 = 0; Binv rows (1, -1, 0),
//   (0, 1, -1), (0, -1, 0);
// - z_1 enters, d = Binv (-1, -1, 0) = (0, -1, 1): row 2 alone, z0 leaves at 1: z = (0, 1, 1), w = 0.
// Breaking the tie by the first row or the larger pivot (row 0) would find another of the solutions.
TEST_F(LCPTest, LexicographicRuleBreaksTiesByTheBasisInverse) {
  const TDenseMatrix m = Dense(3, {1, 1, 0, 1, 1, 0, 0, 0, 1});
  Values w, z;
  Pivots pivots;
  ASSERT_TRUE(SolveLCPLexicographic(m, {-1, -1, -1}, w, z, 1e-15L, &pivots));
  EXPECT_EQ(z, (Values{0, 1, 1}));
  EXPECT_EQ(w, (Values{0, 0, 0}));
  EXPECT_EQ(pivots, (Pivots{{2, 4, 1}, {1, 6, 2}}));
}

// M = [[2, 2], [2, 0]] is indefinite, and Lemke's method may end on a ray of a problem that has a solution.
// With q = (-1, -1) and the covering vector e, z0 enters in row 1 (the last of equal q_i), and z_1, entering
// next, has the direction Binv (-2, 0) = (-2, 0): a ray. The scattered covering vectors start elsewhere:
// the fourth, c = (1 + frac(5 phi), 1 + frac(6 phi)) = (1.09, 1.71), lets z0 enter in row 0, and z_0 = 1/2
// solves the problem: w = (2 z_0 - 1, 2 z_0 - 1) = (0, 0).
TEST_F(LCPTest, LexicographicSolveTriesOtherCoveringVectorsAfterARay) {
  const TDenseMatrix m = Dense(2, {2, 2, 2, 0});
  Values w, z;
  EXPECT_FALSE(SolveLCPLexicographic(m, {-1, -1}, w, z, 1e-15L, nullptr, 1));
  EXPECT_FALSE(SolveLCPLexicographic(m, {-1, -1}, w, z, 1e-15L, nullptr, 3));
  ASSERT_TRUE(SolveLCPLexicographic(m, {-1, -1}, w, z, 1e-15L));
  EXPECT_EQ(z, (Values{0.5L, 0}));
  EXPECT_EQ(w, (Values{0, 0}));
}

// Entries from 1e-4000 to 1e4000, and some infinite after a few pivots: a pivot on what the rounding left
// of a zero overflows the basis inverse. The solve gives up instead (never an index past its rows), and
// what it returns holds.
TEST_F(LCPTest, LexicographicSolveSurvivesValuesBeyondEveryScale) {
  std::mt19937_64 rng(9);
  std::uniform_int_distribution<int> exponent(-4000, 4000), sign(0, 1);
  int solved = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    const std::uint32_t n = 2 + trial % 4;
    TDenseMatrix m(n, n);
    Values q(n);
    const auto wild = [&] { return (sign(rng) != 0 ? -1.0L : 1.0L) * std::pow(10.0L, exponent(rng)); };
    for (std::uint32_t i = 0; i < n; ++i) {
      for (std::uint32_t j = 0; j < n; ++j) m(i, j) = sign(rng) != 0 ? wild() : 0.0L;
      q[i] = wild();
    }
    Values w, z;
    if (!SolveLCPLexicographic(m, q, w, z, 1e-12L)) continue;
    ++solved;
    EXPECT_TRUE(LCPSolutionHolds(m, q, w, z, 1e-12L)) << trial;
  }
  EXPECT_GT(solved, 0);
  // Positive definite matrices scaled down by up to 1e-15: z grows to 1e15 |q|, and a ratio b_i / d_i
  // times d_i may round above b_i by more than the zero of b: the smallest ratio still leaves.
  for (int trial = 0; trial < 400; ++trial) {
    const std::uint32_t n = 2 + trial % 6;
    Values m = RandomSpd(n, rng);
    for (long double& x : m) x *= std::pow(10.0L, -3 * (trial % 6));
    const Values q = RandomVector(n, rng, -1, 1);
    Values w, z;
    EXPECT_TRUE(SolveLCPLexicographic(Dense(n, m), q, w, z, 1e-9L)) << trial;
  }
}

// What the lexicographic solve finds, and what it refuses: q >= 0 at once, a problem without a solution,
// data that are not finite, a matrix too small. W and Z hold zeros whenever it returns false.
TEST_F(LCPTest, LexicographicSolveOutcomes) {
  const struct {
    const char* what;
    std::uint32_t n;
    Values m, q;
    bool solved;
    Values w, z;
  } cases[] = {
      {"q >= 0", 2, {1, 0, 0, 1}, {0, 2}, true, {0, 2}, {0, 0}},
      {"one unknown", 1, {2}, {-1}, true, {0}, {0.5L}},
      {"no solution: w = -z - 1", 1, {-1}, {-1}, false, {0}, {0}},
      // Row 0 can only be held by z_1, which row 1 forbids: w_1 = -z_1 - 1 < 0.
      {"no solution in two", 2, {0, 1, 0, -1}, {-1, -1}, false, {0, 0}, {0, 0}},
      {"NaN in M", 2, {kNaN, 0, 0, 1}, {-1, -1}, false, {0, 0}, {0, 0}},
      {"infinite q",
       2,
       {1, 0, 0, 1},
       {-std::numeric_limits<long double>::infinity(), -1},
       false,
       {0, 0},
       {0, 0}},
  };
  for (const auto& c : cases) {
    Values w = {7, 7}, z = {7, 7};
    EXPECT_EQ(SolveLCPLexicographic(Dense(c.n, c.m), c.q, w, z, 1e-12L), c.solved) << c.what;
    EXPECT_EQ(w, c.w) << c.what;
    EXPECT_EQ(z, c.z) << c.what;
  }
  Values w, z;
  EXPECT_FALSE(SolveLCPLexicographic(Dense(1, {1}), {-1, -1}, w, z, 1e-12L)) << "a matrix too small";
}

// Positive definite matrices with degenerate q (a third of the q_i zero, others equal) have one solution,
// which Lemke's method finds from any covering vector: the lexicographic solve must find it within its
// slack every time, and match the pivoting where that succeeds.
TEST_F(LCPTest, LexicographicSolveFindsTheSolutionOfDegeneratePositiveDefiniteProblems) {
  std::mt19937_64 rng(5);
  std::uniform_int_distribution<int> pick(0, 2);
  for (std::uint32_t n : {2u, 3u, 5u, 8u, 13u, 30u}) {
    for (int trial = 0; trial < 10; ++trial) {
      const Values m = RandomSpd(n, rng);
      Values q(n);
      for (auto& x : q) x = pick(rng) == 0 ? 0.0L : pick(rng) == 0 ? -1.0L : RandomVector(1, rng, -1, 1)[0];
      Values w, z;
      ASSERT_TRUE(SolveLCPLexicographic(Dense(n, m), q, w, z, 1e-15L)) << n << " " << trial;
      Problem p(n, m, q);
      if (!p.Solve()) continue;
      for (std::uint32_t i = 0; i < n; ++i) {
        EXPECT_NEAR(static_cast<double>(z[i]), static_cast<double>(p.Z.At(i)), 1e-12) << n << " " << trial;
      }
    }
  }
}

}  // namespace
}  // namespace zentrova

namespace zentrova {
namespace {

// Separate unknowns w_i = z_i + 1e-7 (solution z = 0, w = q) and an answer of the pivoting with z_i =
// 3e-7, w_i = 2e-7 in `off` of them: 2e-7 from w = M z + q and not complementary beyond 1e-8 of the
// scale 1, within 1e-6 (3e-6 and 2e-6: beyond that too). Its basis makes those z_i basic, -1e-7 each, and a guessed basis moves one row a
// try: with more such rows than tries it fails, and the pivoting's answer is taken as it stands before
// the lexicographic pivoting is tried; further off than 1e-6, or with no pivoting answer at all, the
// lexicographic pivoting answers; the last solution's basis goes before everything.
struct TFallbackCase {
  const char* what;
  std::uint32_t off;
  long double z_off, w_off;  // z_i and w_i of the pivoting's answer in the rows off
  bool pivoted, last;
  TLCPFallback answer;
};

void PrintTo(const TFallbackCase& c, std::ostream* os) {
  *os << c.what;
}

class LCPFallbackTest : public ::testing::TestWithParam<TFallbackCase> {};

TEST_P(LCPFallbackTest, AnswersInTheirOrder) {
  const TFallbackCase& c = GetParam();
  const std::uint32_t n = 20;
  TDenseMatrix m(n, n);
  std::vector<long double> q(n, 1e-7L), pivot_w = q, pivot_z(n, 0.0L), w, z, last_w, last_z;
  for (std::uint32_t i = 0; i < n; ++i) m(i, i) = 1;
  for (std::uint32_t i = 0; i < c.off; ++i) {
    pivot_z[i] = c.z_off;
    pivot_w[i] = c.w_off;
  }
  if (c.last) {
    last_w = q;
    last_z.assign(n, 0.0L);
  }
  const std::vector<long double> given_w = pivot_w, given_z = pivot_z;
  TLCPBasisScratch scratch;
  ASSERT_EQ(SolveLCPFallbacks(m, q, c.pivoted, pivot_w, pivot_z, last_w, last_z, w, z, scratch), c.answer);
  for (std::uint32_t i = 0; i < n; ++i) {
    if (c.answer == TLCPFallback::LoosePivoting) {
      EXPECT_EQ(w[i], given_w[i]) << i;
      EXPECT_EQ(z[i], given_z[i]) << i;
    } else {
      EXPECT_NEAR(w[i], 1e-7L, 1e-20L) << i;
      EXPECT_NEAR(z[i], 0, 1e-20L) << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    LastBasisGuessedBasisLooseAnswerLexicographic, LCPFallbackTest,
    ::testing::Values(
        TFallbackCase{"last solution", 20, 3e-7L, 2e-7L, true, true, TLCPFallback::LastBasis},
        TFallbackCase{"basis within its tries", 15, 3e-7L, 2e-7L, true, false, TLCPFallback::PivotingBasis},
        TFallbackCase{"loose answer", 20, 3e-7L, 2e-7L, true, false, TLCPFallback::LoosePivoting},
        TFallbackCase{"off beyond 1e-6", 20, 3e-6L, 2e-6L, true, false, TLCPFallback::Lexicographic},
        TFallbackCase{"no pivoting answer", 20, 3e-7L, 2e-7L, false, false, TLCPFallback::Lexicographic}),
    [](const ::testing::TestParamInfo<TFallbackCase>& info) {
      std::string name = info.param.what;
      for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      }
      return name;
    });

}  // namespace
}  // namespace zentrova
