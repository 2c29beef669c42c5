// LU decomposition, solution and inversion of TSqrMatrix.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <tuple>
#include <vector>

#include "numerics/float_list.h"
#include "numerics/int_list.h"
#include "numerics/matrix.h"
#include "numerics_test_support.h"

namespace zentrova::test {
namespace {

using LuTest = NumericsTest;

// The largest difference between two matrices of the same shape.
long double MaxDifference(const Rows& actual, const Rows& expected) {
  if (actual.size() != expected.size()) return std::numeric_limits<long double>::infinity();
  long double worst = 0;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    if (actual[i].size() != expected[i].size()) return std::numeric_limits<long double>::infinity();
    for (std::size_t j = 0; j < actual[i].size(); ++j)
      worst = std::max(worst, std::fabs(actual[i][j] - expected[i][j]));
  }
  return worst;
}

// ----------------------------------------------------------------------------------------------------
// The decomposition, solve and inverse written out element by element through At, SetAt and El, one
// subtraction at a time, as the algorithm reads. The routines under test must agree to the last bit.

bool ReferenceLUD(TSqrMatrix& a, std::vector<std::int32_t>& indx, bool& even) {
  const std::uint32_t n = a.RowCount();
  indx.assign(n, 0);
  if (n <= 1) return true;
  std::vector<long double> vv(n);
  for (std::uint32_t i = 0; i < n; ++i) {
    long double big = 0;
    for (std::uint32_t j = 0; j < n; ++j) big = std::max(big, std::fabs(a.At(i, j)));
    if (big == 0) return false;
    vv[i] = 1.0L / big;
  }
  even = true;
  for (std::uint32_t j = 0; j < n; ++j) {
    for (std::uint32_t i = 0; i < j; ++i) {
      long double s = a.At(i, j);
      for (std::uint32_t k = 0; k < i; ++k) s -= a.At(i, k) * a.At(k, j);
      a.SetAt(i, j, s);
    }
    long double big = 0;
    std::uint32_t imax = j;
    for (std::uint32_t i = j; i < n; ++i) {
      long double s = a.At(i, j);
      for (std::uint32_t k = 0; k < j; ++k) s -= a.At(i, k) * a.At(k, j);
      a.SetAt(i, j, s);
      const long double dum = vv[i] * std::fabs(s);
      if (dum >= big) {
        big = dum;
        imax = i;
      }
    }
    if (imax != j) {
      a.SwitchRows(imax, j);
      even = !even;
      vv[imax] = vv[j];
    }
    indx[j] = static_cast<std::int32_t>(imax);
    if (a.At(j, j) == 0) a.SetAt(j, j, 1e-15L);
    if (j != n - 1) {
      const long double dum = 1.0L / a.At(j, j);
      for (std::uint32_t i = j + 1; i < n; ++i) a.SetAt(i, j, a.At(i, j) * dum);
    }
  }
  return true;
}

void ReferenceSolve(const TSqrMatrix& lu, const std::vector<std::int32_t>& indx,
                    std::vector<long double>& b) {
  const auto n = static_cast<std::uint32_t>(lu.RowCount());
  auto B = [&b](std::uint32_t i) -> long double& { return b[i - 1]; };
  std::uint32_t ii = 0;
  for (std::uint32_t i = 1; i <= n; ++i) {
    const auto ip = static_cast<std::uint32_t>(indx[i - 1] + 1);
    long double s = B(ip);
    B(ip) = B(i);
    if (ii != 0) {
      for (std::uint32_t j = ii; j <= i - 1; ++j) s -= lu.El(i, j) * B(j);
    } else if (s != 0) {
      ii = i;
    }
    B(i) = s;
  }
  for (std::uint32_t i = n; i >= 1; --i) {
    long double s = B(i);
    for (std::uint32_t j = i + 1; j <= n; ++j) s -= lu.El(i, j) * B(j);
    B(i) = s / lu.El(i, i);
  }
}

// Test matrices of several kinds: full-mantissa reals, small integers (ties, zero pivots, singular),
// rows repeated, and a few with infinities and NaNs.
Rows RandomMatrix(std::mt19937_64& random, std::size_t n, int kind) {
  std::uniform_real_distribution<double> real(-10, 10);
  std::uniform_int_distribution<int> small(-2, 2);
  Rows rows(n, Reals(n));
  for (auto& row : rows) {
    for (long double& x : row) x = kind == 1 ? small(random) : real(random) + real(random) * 1e-17L;
  }
  if (kind == 2 && n > 2) rows[n - 1] = rows[0];
  if (kind == 3) {
    rows[random() % n][random() % n] = std::numeric_limits<long double>::infinity();
    rows[random() % n][random() % n] = std::numeric_limits<long double>::quiet_NaN();
  }
  for (std::size_t i = 0; i < n && kind == 4; ++i)
    rows[i][(i * 7 + 3) % n] = 0;  // zeros on a shifted diagonal
  return rows;
}

TEST_F(LuTest, DecompositionSolveAndInverseAgreeBitForBitWithTheElementwiseAlgorithm) {
  std::mt19937_64 random(20240611);
  for (std::size_t n : {2, 2, 2, 2, 3, 3, 3, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 16, 17, 23, 31, 40, 45}) {
    for (int kind = 0; kind < 5; ++kind) {
      SCOPED_TRACE(::testing::Message() << "n = " << n << ", kind " << kind);
      const Rows rows = RandomMatrix(random, n, kind);
      TSqrMatrix expected, actual, inverse;
      Set(expected, rows);
      Set(actual, rows);
      Set(inverse, rows);
      std::vector<std::int32_t> expected_indx;
      bool expected_even = true, even = true;
      const bool expected_ok = ReferenceLUD(expected, expected_indx, expected_even);
      TIntList indx;
      ASSERT_EQ(actual.LUD(&indx, even), expected_ok);
      ASSERT_EQ(inverse.LUDInverse(), expected_ok);
      // A refusal leaves its error standing, which would keep later inverses from being copied out.
      ASSERT_EQ(Code(), expected_ok ? 0 : -816);
      ClearNumericsError();
      if (!expected_ok) continue;
      EXPECT_TRUE(SameBits(Get(actual), Get(expected)));
      EXPECT_EQ(Elements(indx), expected_indx);
      EXPECT_EQ(even, expected_even);

      // Right-hand sides with leading zeros and without, then the unit columns that make the inverse.
      Rows expected_inverse(n, Reals(n));
      for (std::size_t r = 0; r < 3 + n; ++r) {
        Reals b(n, 0);
        for (std::size_t i = 0; i < n && r < 3; ++i)
          b[i] = (r == 1 && i < n / 2) ? 0.0L : rows[i][(i + r) % n] - r;
        if (r >= 3) b[r - 3] = 1;
        Reals expected_x = b;
        ReferenceSolve(expected, expected_indx, expected_x);
        TFloatList x;
        Fill(x, b);
        ASSERT_TRUE(actual.LUSolve(&actual, &indx, &x));
        ASSERT_TRUE(SameBits({Elements(x)}, {expected_x})) << "right-hand side " << r;
        for (std::size_t i = 0; i < n && r >= 3; ++i) expected_inverse[i][r - 3] = expected_x[i];
      }
      EXPECT_TRUE(SameBits(Get(inverse), expected_inverse));
    }
  }
}

TEST_F(LuTest, RefusalsLeaveTheMatrixAsItWas) {
  TIntList indx;
  bool even = true;
  using Act = std::function<bool(TSqrMatrix&)>;
  const Act inverse = [](TSqrMatrix& m) { return m.LUDInverse(); };
  const Act decompose = [&](TSqrMatrix& m) { return m.LUD(&indx, even); };
  const Act no_pivots = [&](TSqrMatrix& m) { return m.LUD(nullptr, even); };
  const char *singular = "TSqrMatrix.LUDInverse: Singular matrix",
             *zero_row = "TSqrMatrix.LUD: Singular matrix";
  const char *not_square = "TMatrix.At: Col index out of bounds", *memory = "TSqrMatrix.LUD: Out of memory";
  // The rows, the factor, the allocations that succeed (-1 all), the operation and its error. Three
  // rows of two columns are a non-square shape left by the inherited Rows.
  // clang-format off
  using Case = std::tuple<Rows, long double, int, Act, std::int32_t, const char*>;
  for (const auto& [rows, c, allocations, act, code, message] : std::vector<Case>{
           {{}, 1, -1, inverse, -821, singular}, {{{0}}, 1, -1, inverse, -821, singular},
           {{{4, 7}, {2, 6}}, 0, -1, inverse, -821, singular},
           {{{1, 2}, {0, 0}}, 1, -1, inverse, -816, zero_row},
           {{{0, 0, 0}, {1, 2, 3}, {4, 5, 6}}, 1, -1, decompose, -816, zero_row},
           {{{4, 7}, {2, 6}}, 1, -1, no_pivots, -815, "TSqrMatrix.LUD: Nil input"},
           {{{4, 7}, {2, 6}, {0, 0}}, 1, -1, decompose, -702, not_square},
           {{{4, 7}, {2, 6}, {0, 0}}, 1, -1, inverse, -702, not_square},
           {{{4, 7}, {2, 6}}, 1, 0, decompose, -818, memory},  // the pivot list
           {{{4, 7}, {2, 6}}, 1, 1, decompose, -818, memory},  // the scratch
           {{{4, 7}, {2, 6}}, 1, 0, inverse, -823, "TSqrMatrix.LUDInverse: Out of memory"}}) {
    // clang-format on
    SCOPED_TRACE(message);
    TSqrMatrix m;
    Set(m, rows, c);
    indx.Clear();
    FailNumericsAllocationsAfter(allocations);
    EXPECT_FALSE(act(m));
    FailNumericsAllocationsAfter(-1);
    ExpectError(-600, code, message);
    EXPECT_EQ(Get(m), rows);
    EXPECT_EQ(m.C, c);
  }
}

TEST_F(LuTest, SmallSystemsByHand) {
  TSqrMatrix m;
  TIntList indx;
  TFloatList b;
  bool even = false;
  const auto factors = [&](const Rows& rows) {
    Set(m, rows);
    EXPECT_TRUE(m.LUD(&indx, even));
    return Get(m);
  };
  // [[4, 7], [2, 6]]: no interchange, L(1,0) = 0.5, U = [[4, 7], [0, 2.5]], all exact.
  EXPECT_EQ(factors({{4, 7}, {2, 6}}), (Rows{{4, 7}, {0.5, 2.5}}));
  EXPECT_EQ(Elements(indx), (Ints{0, 1}));
  EXPECT_TRUE(even);
  Fill(b, {1, 2, 42});  // a longer right-hand side: its tail is left alone
  ASSERT_TRUE(m.LUSolve(&m, &indx, &b));
  EXPECT_EQ(Elements(b), (Reals{(1 - 7 * (1.5L / 2.5L)) / 4, 1.5L / 2.5L, 42}));
  EXPECT_NEAR(static_cast<double>(b.At(0)), -0.8, 1e-18);
  // [[0, 1], [1, 0]] swaps its rows once; equal scaled candidates make the later row the pivot.
  EXPECT_EQ(factors({{0, 1}, {1, 0}}), (Rows{{1, 0}, {0, 1}}));
  EXPECT_EQ(Elements(indx), (Ints{1, 1}));
  EXPECT_FALSE(even);
  EXPECT_EQ(factors({{2, 1}, {2, 1.5}}), (Rows{{2, 1.5}, {1, -0.5}}));
  EXPECT_EQ(Elements(indx), (Ints{1, 1}));
  // det = 1; the pivots are rows 2 (scaled 5/6 against 1/3), then 2 again (0.8/3 against 1/4).
  factors({{1, 2, 3}, {0, 1, 4}, {5, 6, 0}});
  EXPECT_EQ(Elements(indx), (Ints{2, 2, 2}));
  EXPECT_TRUE(even);
  Fill(b, {5, 7, -1});  // a · (1, -1, 2)
  ASSERT_TRUE(m.LUSolve(&m, &indx, &b));
  EXPECT_LT(MaxDifference({Elements(b)}, {{1, -1, 2}}), 1e-17L);
  Set(m, {{1, 2, 3}, {0, 1, 4}, {5, 6, 0}});
  ASSERT_TRUE(m.LUDInverse());
  EXPECT_LT(MaxDifference(Get(m), {{-24, 18, 5}, {20, -15, -4}, {-5, 4, 1}}), 1e-15L);
  // Sizes 0 and 1 need no decomposition; EvenPermutation is left as it was.
  indx.Add(5);
  even = false;
  EXPECT_EQ(factors({}), Rows{});
  EXPECT_TRUE(m.LUSolve(&m, &indx, &b) && indx.Count() == 0);
  EXPECT_EQ(factors({{5}}), (Rows{{5}}));
  EXPECT_EQ(Elements(indx), (Ints{0}));
  EXPECT_FALSE(even);
  Fill(b, {10});
  ASSERT_TRUE(m.LUSolve(&m, &indx, &b));
  EXPECT_EQ(Elements(b), (Reals{2}));
}

TEST_F(LuTest, InverseTakesTheFactorAndTheIdentityOfANewMatrix) {
  TSqrMatrix m;
  // Without a zero row a singular matrix gets a tiny pivot and a huge inverse instead of a refusal.
  Set(m, {{1, 2}, {2, 4}});
  ASSERT_TRUE(m.LUDInverse());
  EXPECT_GT(std::fabs(Get(m)[0][0]), 1e14L);
  // The factor is inverted with the elements; the matrix takes the identity of a new one.
  Set(m, {{2}}, 4);  // the value is [[8]]
  ASSERT_TRUE(m.LUDInverse());
  EXPECT_EQ(Get(m), (Rows{{0.5}}));
  EXPECT_EQ(m.C, 0.25L);
  Set(m, {{4, 7}, {2, 6}}, 2);
  m.Cols(3);  // more columns than rows: the leading square is inverted and the shape made square
  m.ID = -612;
  m.ShowErrors = true;
  ASSERT_TRUE(m.LUDInverse());
  EXPECT_LT(MaxDifference(Get(m), {{0.6L, -0.7L}, {-0.2L, 0.4L}}), 1e-18L);
  EXPECT_EQ(m.C, 0.5L);
  EXPECT_EQ(m.ID, -600);
  EXPECT_FALSE(m.ShowErrors);
  // While an error stands the elements are not copied: the matrix keeps its factors.
  Set(m, {{4, 7}, {2, 6}});
  m.At(9, 9);
  EXPECT_TRUE(m.LUDInverse());
  EXPECT_EQ(Get(m), (Rows{{4, 7}, {0.5, 2.5}}));
  ExpectError(-600, -701, "TMatrix.At: Row index out of bounds");
}

TEST_F(LuTest, SolveWithArgumentsThatDoNotFitTogether) {
  TSqrMatrix m;
  TIntList indx;
  TFloatList b;
  bool even = true;
  Set(m, {{4, 7, 0}, {2, 6, 9}});  // an extra column travels with its row
  ASSERT_TRUE(m.LUD(&indx, even));
  EXPECT_EQ(Get(m), (Rows{{4, 7, 0}, {0.5, 2.5, 9}}));
  EXPECT_FALSE(m.LUSolve(nullptr, &indx, &b) || m.LUSolve(&m, nullptr, &b) || m.LUSolve(&m, &indx, nullptr));
  // A shorter right-hand side: each access beyond it records its error as it happens.
  Fill(b, {1});
  EXPECT_TRUE(m.LUSolve(&m, &indx, &b));
  ExpectError(-200, -201, "TFloatList.At: Index out of bounds");
  // A pivot of -1 addresses element 0; one of the largest integer overflows and ends the solve.
  b.Dim(2);
  indx.SetAt(0, -1);
  EXPECT_TRUE(m.LUSolve(&m, &indx, &b));
  ExpectError(-200, -202, "TFloatList.El: Index out of bounds");
  indx.SetAt(0, INT32_MAX);
  EXPECT_FALSE(m.LUSolve(&m, &indx, &b));
}

}  // namespace
}  // namespace zentrova::test
