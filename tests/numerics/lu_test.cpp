// LU decomposition, solution and inversion of TSqrMatrix.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "numerics/float_list.h"
#include "numerics/int_list.h"
#include "numerics/matrix.h"
#include "numerics_test_support.h"

namespace zentrova {
namespace {

using test::Elements;
using test::Get;
using test::NumericsTest;
using test::Rows;
using test::SameBits;
using test::Set;

using LuTest = NumericsTest;

void ExpectNear(const Rows& actual, const Rows& expected, long double tolerance) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < actual.size(); ++i) {
    ASSERT_EQ(actual[i].size(), expected[i].size());
    for (std::size_t j = 0; j < actual[i].size(); ++j) {
      EXPECT_NEAR(static_cast<double>(actual[i][j]), static_cast<double>(expected[i][j]),
                  static_cast<double>(tolerance))
          << "(" << i << ", " << j << ")";
    }
  }
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
    for (std::uint32_t j = 0; j < n; ++j) {
      const long double t = std::fabs(a.At(i, j));
      if (t > big) big = t;
    }
    if (big == 0) return false;
    vv[i] = 1.0L / big;
  }
  long double d = 1;
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
      d = -d;
      vv[imax] = vv[j];
    }
    indx[j] = static_cast<std::int32_t>(imax);
    if (a.At(j, j) == 0) a.SetAt(j, j, 1e-15L);
    if (j != n - 1) {
      const long double dum = 1.0L / a.At(j, j);
      for (std::uint32_t i = j + 1; i < n; ++i) a.SetAt(i, j, a.At(i, j) * dum);
    }
  }
  even = d == 1;
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

bool ReferenceInverse(const Rows& rows, Rows& inverse) {
  TSqrMatrix a;
  Set(a, rows);
  std::vector<std::int32_t> indx;
  bool even = true;
  if (!ReferenceLUD(a, indx, even)) return false;
  const std::size_t n = rows.size();
  inverse.assign(n, std::vector<long double>(n));
  for (std::size_t j = 0; j < n; ++j) {
    std::vector<long double> col(n, 0);
    col[j] = 1;
    ReferenceSolve(a, indx, col);
    for (std::size_t i = 0; i < n; ++i) inverse[i][j] = col[i];
  }
  return true;
}

::testing::AssertionResult SameBits(const Rows& actual, const Rows& expected) {
  if (actual.size() != expected.size()) return ::testing::AssertionFailure() << "row counts differ";
  for (std::size_t i = 0; i < actual.size(); ++i) {
    for (std::size_t j = 0; j < actual[i].size(); ++j) {
      if (!SameBits(actual[i][j], expected[i][j])) {
        return ::testing::AssertionFailure()
               << "(" << i << ", " << j << "): " << actual[i][j] << " against " << expected[i][j];
      }
    }
  }
  return ::testing::AssertionSuccess();
}

// Test matrices of several kinds: full-mantissa reals, small integers (ties, zero pivots, singular),
// rows repeated, and a few with infinities and NaNs.
Rows RandomMatrix(std::mt19937_64& random, std::size_t n, int kind) {
  std::uniform_real_distribution<double> real(-10, 10);
  std::uniform_int_distribution<int> small(-2, 2);
  Rows rows(n, std::vector<long double>(n));
  for (auto& row : rows) {
    for (long double& x : row) {
      if (kind == 1) {
        x = small(random);
      } else {
        const long double high = real(random);
        const long double low = real(random);
        x = high + low * 1e-17L;
      }
    }
  }
  if (kind == 2 && n > 2) rows[n - 1] = rows[0];
  if (kind == 3) {
    for (long double special :
         {std::numeric_limits<long double>::infinity(), std::numeric_limits<long double>::quiet_NaN()}) {
      const std::size_t i = random() % n;
      const std::size_t j = random() % n;
      rows[i][j] = special;
    }
  }
  if (kind == 4) {
    for (std::size_t i = 0; i < n; ++i) rows[i][(i * 7 + 3) % n] = 0;  // zeros on a shifted diagonal
  }
  return rows;
}

TEST_F(LuTest, DecompositionAgreesBitForBitWithTheElementwiseAlgorithm) {
  std::mt19937_64 random(20240611);
  for (std::size_t n : {2, 2, 2, 2, 3, 3, 3, 3, 4, 5, 6, 7, 8, 9, 12, 13, 16, 17, 31, 40}) {
    for (int kind = 0; kind < 5; ++kind) {
      SCOPED_TRACE(::testing::Message() << "n = " << n << ", kind " << kind);
      const Rows rows = RandomMatrix(random, n, kind);
      TSqrMatrix expected;
      Set(expected, rows);
      std::vector<std::int32_t> expected_indx;
      bool expected_even = true;
      const bool expected_ok = ReferenceLUD(expected, expected_indx, expected_even);

      TSqrMatrix actual;
      Set(actual, rows);
      TIntList indx;
      bool even = true;
      ASSERT_EQ(actual.LUD(&indx, even), expected_ok);
      ASSERT_EQ(Code(), expected_ok ? 0 : -816);
      ClearNumericsError();
      if (!expected_ok) continue;
      EXPECT_TRUE(SameBits(Get(actual), Get(expected)));
      EXPECT_EQ(Elements(indx), expected_indx);
      EXPECT_EQ(even, expected_even);

      // Solutions of right-hand sides with leading zeros and without.
      for (int r = 0; r < 3; ++r) {
        std::vector<long double> b(n);
        for (std::size_t i = 0; i < n; ++i) b[i] = (r == 1 && i < n / 2) ? 0.0L : rows[i][(i + r) % n] - r;
        std::vector<long double> expected_x = b;
        ReferenceSolve(expected, expected_indx, expected_x);
        TFloatList x;
        for (long double v : b) x.Add(v);
        ASSERT_TRUE(actual.LUSolve(&actual, &indx, &x));
        for (std::size_t i = 0; i < n; ++i) ASSERT_TRUE(SameBits(x.At(i), expected_x[i])) << "row " << i;
      }
    }
  }
  EXPECT_EQ(Code(), 0);
}

TEST_F(LuTest, InverseAgreesBitForBitWithSolvingEveryUnitColumn) {
  std::mt19937_64 random(77);
  for (std::size_t n : {2, 2, 2, 2, 3, 3, 3, 3, 4, 5, 6, 7, 8, 9, 11, 16, 23, 40, 45}) {
    for (int kind = 0; kind < 5; ++kind) {
      SCOPED_TRACE(::testing::Message() << "n = " << n << ", kind " << kind);
      const Rows rows = RandomMatrix(random, n, kind);
      Rows expected;
      const bool expected_ok = ReferenceInverse(rows, expected);
      TSqrMatrix m;
      Set(m, rows);
      ASSERT_EQ(m.LUDInverse(), expected_ok);
      // A refusal leaves its error standing, which would keep later inverses from being copied out.
      ASSERT_EQ(Code(), expected_ok ? 0 : -816);
      ClearNumericsError();
      if (expected_ok) {
        EXPECT_TRUE(SameBits(Get(m), expected));
      }
    }
  }
}

TEST_F(LuTest, SizesZeroAndOne) {
  TSqrMatrix m;
  TIntList indx;
  indx.Add(5);
  bool even = false;
  EXPECT_TRUE(m.LUD(&indx, even));
  EXPECT_EQ(indx.Count(), 0u);
  EXPECT_FALSE(even);  // unchanged
  TFloatList b;
  EXPECT_TRUE(m.LUSolve(&m, &indx, &b));
  EXPECT_FALSE(m.LUDInverse());
  ExpectError(-600, -821, "TSqrMatrix.LUDInverse: Singular matrix");

  Set(m, {{5}});
  indx.Clear();
  indx.Add(9);
  EXPECT_TRUE(m.LUD(&indx, even));
  EXPECT_EQ(Elements(indx), (std::vector<std::int32_t>{0}));
  EXPECT_FALSE(even);
  EXPECT_EQ(Get(m), (Rows{{5}}));
  b.Add(10);
  EXPECT_TRUE(m.LUSolve(&m, &indx, &b));
  EXPECT_EQ(b.At(0), 2.0L);

  Set(m, {{2}});
  EXPECT_TRUE(m.LUDInverse());
  EXPECT_EQ(Get(m), (Rows{{0.5}}));
  Set(m, {{0}});
  EXPECT_FALSE(m.LUDInverse());
  ExpectError(-600, -821, "TSqrMatrix.LUDInverse: Singular matrix");
  EXPECT_EQ(Get(m), (Rows{{0}}));
}

TEST_F(LuTest, TwoByTwoByHand) {
  // [[4, 7], [2, 6]]: no interchange, L(1,0) = 0.5, U = [[4, 7], [0, 2.5]], all exact.
  TSqrMatrix m;
  Set(m, {{4, 7}, {2, 6}});
  TIntList indx;
  bool even = false;
  ASSERT_TRUE(m.LUD(&indx, even));
  EXPECT_EQ(Get(m), (Rows{{4, 7}, {0.5, 2.5}}));
  EXPECT_EQ(Elements(indx), (std::vector<std::int32_t>{0, 1}));
  EXPECT_TRUE(even);
  TFloatList b;
  b.Add(1);
  b.Add(2);
  ASSERT_TRUE(m.LUSolve(&m, &indx, &b));
  EXPECT_EQ(b.At(1), 1.5L / 2.5L);
  EXPECT_EQ(b.At(0), (1 - 7 * (1.5L / 2.5L)) / 4);
  EXPECT_NEAR(static_cast<double>(b.At(0)), -0.8, 1e-18);

  Set(m, {{4, 7}, {2, 6}});
  ASSERT_TRUE(m.LUDInverse());
  ExpectNear(Get(m), {{0.6L, -0.7L}, {-0.2L, 0.4L}}, 1e-18L);

  // [[0, 1], [1, 0]] swaps its rows once.
  Set(m, {{0, 1}, {1, 0}});
  even = true;
  ASSERT_TRUE(m.LUD(&indx, even));
  EXPECT_EQ(Elements(indx), (std::vector<std::int32_t>{1, 1}));
  EXPECT_FALSE(even);
  EXPECT_EQ(Get(m), (Rows{{1, 0}, {0, 1}}));

  // Equal scaled candidates: the later row becomes the pivot.
  Set(m, {{2, 1}, {2, 1.5}});
  ASSERT_TRUE(m.LUD(&indx, even));
  EXPECT_EQ(Elements(indx), (std::vector<std::int32_t>{1, 1}));
  EXPECT_FALSE(even);
  EXPECT_EQ(Get(m), (Rows{{2, 1.5}, {1, -0.5}}));
}

TEST_F(LuTest, ThreeByThreeByHand) {
  // det = 1; the pivots are rows 2 (scaled 5/6 against 1/3), then 2 again (0.8/3 against 1/4).
  const Rows a = {{1, 2, 3}, {0, 1, 4}, {5, 6, 0}};
  TSqrMatrix m;
  Set(m, a);
  TIntList indx;
  bool even = false;
  ASSERT_TRUE(m.LUD(&indx, even));
  EXPECT_EQ(Elements(indx), (std::vector<std::int32_t>{2, 2, 2}));
  EXPECT_TRUE(even);
  TFloatList b;  // a · (1, -1, 2) = (5, 7, -1)
  b.Add(5);
  b.Add(7);
  b.Add(-1);
  ASSERT_TRUE(m.LUSolve(&m, &indx, &b));
  EXPECT_NEAR(static_cast<double>(b.At(0)), 1.0, 1e-17);
  EXPECT_NEAR(static_cast<double>(b.At(1)), -1.0, 1e-17);
  EXPECT_NEAR(static_cast<double>(b.At(2)), 2.0, 1e-17);

  Set(m, a);
  ASSERT_TRUE(m.LUDInverse());
  ExpectNear(Get(m), {{-24, 18, 5}, {20, -15, -4}, {-5, 4, 1}}, 1e-15L);
  EXPECT_EQ(Code(), 0);
}

TEST_F(LuTest, TenByTenInverseTimesTheOriginalIsTheIdentity) {
  std::mt19937_64 random(10);
  std::uniform_real_distribution<double> real(-1, 1);
  Rows a(10, std::vector<long double>(10));
  for (std::size_t i = 0; i < 10; ++i) {
    for (std::size_t j = 0; j < 10; ++j) a[i][j] = real(random) + (i == j ? 4 : 0);
  }
  TSqrMatrix m;
  Set(m, a);
  ASSERT_TRUE(m.LUDInverse());
  const Rows x = Get(m);
  long double worst = 0;
  for (std::size_t i = 0; i < 10; ++i) {
    for (std::size_t j = 0; j < 10; ++j) {
      long double sum = 0;
      for (std::size_t k = 0; k < 10; ++k) sum += a[i][k] * x[k][j];
      worst = std::max(worst, std::fabs(sum - (i == j ? 1 : 0)));
    }
  }
  EXPECT_LT(worst, 1e-15L);
  EXPECT_GT(worst, 0.0L);  // the product was formed, not copied
}

TEST_F(LuTest, SingularMatrices) {
  // Without a zero row the tiny pivot yields a huge inverse instead of a refusal.
  TSqrMatrix m;
  Set(m, {{1, 2}, {2, 4}});
  ASSERT_TRUE(m.LUDInverse());
  EXPECT_GT(std::fabs(Get(m)[0][0]), 1e14L);
  EXPECT_EQ(Code(), 0);

  // A zero row is refused by the decomposition before anything changes.
  Set(m, {{1, 2}, {0, 0}});
  EXPECT_FALSE(m.LUDInverse());
  ExpectError(-600, -816, "TSqrMatrix.LUD: Singular matrix");
  EXPECT_EQ(Get(m), (Rows{{1, 2}, {0, 0}}));
  TIntList indx;
  indx.Add(7);
  bool even = true;
  Set(m, {{0, 0, 0}, {1, 2, 3}, {4, 5, 6}});
  EXPECT_FALSE(m.LUD(&indx, even));
  ExpectError(-600, -816, "TSqrMatrix.LUD: Singular matrix");
  EXPECT_EQ(Elements(indx), (std::vector<std::int32_t>{0, 0, 0}));
  EXPECT_EQ(Get(m), (Rows{{0, 0, 0}, {1, 2, 3}, {4, 5, 6}}));

  EXPECT_FALSE(m.LUD(nullptr, even));
  ExpectError(-600, -815, "TSqrMatrix.LUD: Nil input");
}

TEST_F(LuTest, TheFactorIsInvertedWithTheElements) {
  TSqrMatrix m;
  Set(m, {{2}});
  m.C = 4;  // the value is [[8]]
  ASSERT_TRUE(m.LUDInverse());
  EXPECT_EQ(Get(m), (Rows{{0.5}}));
  EXPECT_EQ(m.C, 0.25L);

  Set(m, {{4, 7}, {2, 6}});
  m.C = 2;
  ASSERT_TRUE(m.LUDInverse());
  ExpectNear(Get(m), {{0.6L, -0.7L}, {-0.2L, 0.4L}}, 1e-18L);
  EXPECT_EQ(m.C, 0.5L);

  Set(m, {{4, 7}, {2, 6}});
  m.C = 0;
  EXPECT_FALSE(m.LUDInverse());
  ExpectError(-600, -821, "TSqrMatrix.LUDInverse: Singular matrix");
  EXPECT_EQ(Get(m), (Rows{{4, 7}, {2, 6}}));
}

TEST_F(LuTest, InverseReplacesTheMatrixLikeAnAssignFromANewMatrix) {
  TSqrMatrix m;
  Set(m, {{4, 7}, {2, 6}});
  m.ID = -612;
  m.ShowErrors = true;
  ASSERT_TRUE(m.LUDInverse());
  EXPECT_EQ(m.ID, -600);
  EXPECT_FALSE(m.ShowErrors);

  // While an error stands the elements are not copied: the matrix keeps its factors.
  Set(m, {{4, 7}, {2, 6}});
  m.At(9, 9);
  EXPECT_TRUE(m.LUDInverse());
  EXPECT_EQ(Get(m), (Rows{{4, 7}, {0.5, 2.5}}));
  EXPECT_EQ(Code(), -701);
}

TEST_F(LuTest, NonSquareShapesAreRefused) {
  TSqrMatrix m;
  Set(m, {{4, 7}, {2, 6}});
  m.Rows(3);  // 3 x 2 through the inherited Rows
  TIntList indx;
  bool even = true;
  EXPECT_FALSE(m.LUD(&indx, even));
  ExpectError(-600, -702, "TMatrix.At: Col index out of bounds");
  EXPECT_FALSE(m.LUDInverse());
  ExpectError(-600, -702, "TMatrix.At: Col index out of bounds");
  EXPECT_EQ(Get(m), (Rows{{4, 7}, {2, 6}, {0, 0}}));

  // More columns than rows: the leading square is decomposed, the extra column travels with its row.
  m.Rows(2);
  m.Cols(3);
  m.SetAt(1, 2, 9);
  ASSERT_TRUE(m.LUD(&indx, even));
  EXPECT_EQ(Get(m), (Rows{{4, 7, 0}, {0.5, 2.5, 9}}));
  Set(m, {{4, 7}, {2, 6}});
  m.Cols(3);
  ASSERT_TRUE(m.LUDInverse());
  EXPECT_EQ(m.ColCount(), 2u);
  ExpectNear(Get(m), {{0.6L, -0.7L}, {-0.2L, 0.4L}}, 1e-18L);
}

TEST_F(LuTest, OutOfMemory) {
  TSqrMatrix m;
  Set(m, {{4, 7}, {2, 6}});
  TIntList indx;
  bool even = true;
  FailNumericsAllocationsAfter(0);
  EXPECT_FALSE(m.LUD(&indx, even));
  ExpectError(-600, -818, "TSqrMatrix.LUD: Out of memory");
  FailNumericsAllocationsAfter(1);
  EXPECT_FALSE(m.LUD(&indx, even));
  ExpectError(-600, -818, "TSqrMatrix.LUD: Out of memory");
  FailNumericsAllocationsAfter(0);
  EXPECT_FALSE(m.LUDInverse());
  ExpectError(-600, -823, "TSqrMatrix.LUDInverse: Out of memory");
  EXPECT_EQ(Get(m), (Rows{{4, 7}, {2, 6}}));
}

TEST_F(LuTest, SolveWithArgumentsThatDoNotFitTogether) {
  TSqrMatrix m;
  Set(m, {{4, 7}, {2, 6}});
  TIntList indx;
  bool even = true;
  ASSERT_TRUE(m.LUD(&indx, even));
  TFloatList b;
  EXPECT_FALSE(m.LUSolve(nullptr, &indx, &b));
  EXPECT_FALSE(m.LUSolve(&m, nullptr, &b));
  EXPECT_FALSE(m.LUSolve(&m, &indx, nullptr));
  EXPECT_EQ(Code(), 0);

  // A longer right-hand side: its tail is left alone.
  b.Add(1);
  b.Add(2);
  b.Add(42);
  ASSERT_TRUE(m.LUSolve(&m, &indx, &b));
  EXPECT_NEAR(static_cast<double>(b.At(0)), -0.8, 1e-18);
  EXPECT_EQ(b.At(2), 42.0L);

  // A shorter one: each access beyond it records its error as it happens.
  b.Dim(1);
  EXPECT_TRUE(m.LUSolve(&m, &indx, &b));
  EXPECT_EQ(Code(), -201);
  ClearNumericsError();

  // A pivot of -1 addresses element 0; one of the largest integer overflows and ends the solve.
  b.Dim(2);
  indx.SetAt(0, -1);
  EXPECT_TRUE(m.LUSolve(&m, &indx, &b));
  ExpectError(-200, -202, "TFloatList.El: Index out of bounds");
  indx.SetAt(0, INT32_MAX);
  EXPECT_FALSE(m.LUSolve(&m, &indx, &b));
  EXPECT_EQ(Code(), 0);
}

}  // namespace
}  // namespace zentrova
