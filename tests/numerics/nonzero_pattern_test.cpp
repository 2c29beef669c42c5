#include "numerics/nonzero_pattern.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>
#include <utility>
#include <vector>

#include "numerics/matrix.h"
#include "numerics_test_support.h"

namespace zentrova::test {
namespace {

using Columns = std::vector<std::vector<std::uint32_t>>;

Columns RowsOf(const TNonZeroPattern& pattern) {
  Columns rows(pattern.Rows());
  for (std::uint32_t r = 0; r < pattern.Rows(); ++r) rows[r].assign(pattern.RowBegin(r), pattern.RowEnd(r));
  return rows;
}

TNonZeroPattern PatternOf(const std::vector<std::vector<long double>>& rows) {
  TSqrMatrix m;
  Set(m, rows);
  TNonZeroPattern pattern;
  pattern.Build(m);
  return pattern;
}

// +0 and -0 are no elements; NaN, infinities and the smallest subnormal are.
TEST(NonZeroPatternTest, EveryElementButTheZerosCounts) {
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  const long double inf = std::numeric_limits<long double>::infinity();
  const long double tiny = std::numeric_limits<long double>::denorm_min();
  TSqrMatrix m;
  Set(m, {{1, 0, -0.0L, 2}, {0, 0, 0, 0}, {nan, -0.0L, inf, 0}, {0, tiny, 0, -3}});
  m.C = 0;  // the factor does not enter
  TNonZeroPattern pattern;
  pattern.Build(m);
  EXPECT_EQ(RowsOf(pattern), (Columns{{0, 3}, {}, {0, 2}, {1, 3}}));
  EXPECT_EQ(pattern.Count(), 6u);
  EXPECT_EQ(pattern.Cols(), 4u);
}

// Coupled by an element in either triangle, directly or along a chain; the smallest index of a set
// stands for it.
TEST(NonZeroPatternTest, CoupledIndicesShareTheSmallestOfTheirSet) {
  struct Case {
    const char* what;
    std::vector<std::vector<long double>> rows;
    std::vector<std::uint32_t> coupled;
  } cases[] = {
      {"diagonal", {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {0, 1, 2}},
      {"an upper element", {{1, 0, 0}, {0, 1, 5}, {0, 0, 1}}, {0, 1, 1}},
      {"a lower element", {{1, 0, 0}, {0, 1, 0}, {5, 0, 1}}, {0, 1, 0}},
      {"a chain 0 - 5 - 3 and 2 - 1",
       {{1, 0, 0, 0, 0, 7},
        {0, 1, 0, 0, 0, 0},
        {0, 4, 1, 0, 0, 0},
        {0, 0, 0, 1, 0, 0},
        {0, 0, 0, 0, 1, 0},
        {0, 0, 0, 8, 0, 1}},
       {0, 1, 1, 0, 4, 0}},
      {"an empty row joins nothing", {{0, 0}, {0, 1}}, {0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(PatternOf(c.rows).Coupled(), c.coupled);
  }
  // Rebuilt for another matrix, nothing of the earlier one stays.
  TSqrMatrix full, diagonal;
  Set(full, {{1, 1}, {1, 1}});
  Set(diagonal, {{1, 0}, {0, 1}});
  TNonZeroPattern pattern;
  pattern.Build(full);
  pattern.Build(diagonal);
  EXPECT_EQ(RowsOf(pattern), (Columns{{0}, {1}}));
  EXPECT_EQ(pattern.Coupled(), (std::vector<std::uint32_t>{0, 1}));
}

TEST(NonZeroPatternTest, MatrixThatIsNotSquareCouplesNothing) {
  TMatrix m;
  Set(m, {{0, 1, 0}, {2, 0, 0}});
  TNonZeroPattern pattern;
  pattern.Build(m);
  EXPECT_EQ(RowsOf(pattern), (Columns{{1}, {0}}));
  EXPECT_TRUE(pattern.Coupled().empty());
}

// The sum over the non-zeros is the dense sum in column order bit for bit: the terms are chosen so that
// another order rounds differently, and a row that gives -0 term by term still sums to +0.
TEST(NonZeroPatternTest, RowProductIsTheDenseSumBitForBit) {
  const long double big = 1e20L;
  TSqrMatrix m;
  Set(m, {{big, 0, 1, 0, -big}, {0, -0.0L, 0, 0, 0}, {0, 3, 0, 0.1L, 0}, {-1, 0, 0, 0, 0}, {0, 0, 0, 0, 0}});
  const std::vector<long double> v = {1, 2, 1, 3, 1};
  TNonZeroPattern pattern;
  pattern.Build(m);
  for (std::uint32_t count : {5u, 3u, 1u, 0u}) {
    for (std::uint32_t r = 0; r < 5; ++r) {
      SCOPED_TRACE(::testing::Message() << "row " << r << ", " << count << " columns");
      long double dense = 0;
      for (std::uint32_t c = 0; c < count; ++c) dense += m.RowData(r)[c] * v[c];
      const long double sparse = RowProduct(m, pattern, r, v.data(), count);
      EXPECT_EQ(std::memcmp(&dense, &sparse, 10), 0) << dense << " against " << sparse;
    }
  }
  // (1e20 + 1) - 1e20 = 0 in column order, where 1e20 - 1e20 + 1 would give 1.
  EXPECT_EQ(RowProduct(m, pattern, 0, v.data(), 5), 0);
  EXPECT_FALSE(std::signbit(RowProduct(m, pattern, 1, v.data(), 5)));
  EXPECT_EQ(RowProduct(m, pattern, 2, v.data(), 5), 6 + 0.1L * 3);
}

// A vector that is not finite makes every row that meets it NaN or infinite in the dense product, the
// rows whose element there is 0 included: those products are taken over every column. A diagonal of 10
// (small matrices are summed whole anyway).
TEST(NonZeroPatternTest, MultiplyRowsCarriesWhatIsNotFiniteIntoEveryRow) {
  constexpr std::uint32_t n = 10;
  TSqrMatrix m;
  std::vector<std::vector<long double>> rows(n, std::vector<long double>(n, 0));
  for (std::uint32_t i = 0; i < n; ++i) rows[i][i] = i + 2.0L;
  Set(m, rows);
  TNonZeroPattern pattern;
  pattern.Build(m);
  const long double inf = std::numeric_limits<long double>::infinity();
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  std::vector<long double> finite(n), with_nan(n), with_inf(n);
  for (std::uint32_t i = 0; i < n; ++i) finite[i] = with_nan[i] = with_inf[i] = i + 1.0L;
  with_nan[1] = nan;
  with_inf[0] = inf;
  const struct {
    const std::vector<long double>& v;
    std::uint32_t first_finite_row;  // the rows before it are NaN or infinite
  } cases[] = {{finite, 0}, {with_nan, n}, {with_inf, n}};
  for (const auto& c : cases) {
    std::vector<long double> out(2 * n, -1);
    MultiplyRows(m, pattern, c.v.data(), n, out.data(), 2);
    for (std::uint32_t i = 0; i < n; ++i) {
      SCOPED_TRACE(::testing::Message() << "row " << i << " of " << c.v[0] << ", " << c.v[1]);
      EXPECT_EQ(std::isfinite(out[2 * i]), i >= c.first_finite_row);
      if (i >= c.first_finite_row) EXPECT_EQ(out[2 * i], rows[i][i] * c.v[i]);
      EXPECT_EQ(out[2 * i + 1], -1);  // the stride leaves the others
    }
  }
  EXPECT_EQ(std::tuple(AllFinite(nullptr, 0), AllFinite(with_inf.data(), n), AllFinite(with_inf.data() + 1, n - 1)),
            std::tuple(true, false, true));
}

// Told of each change, the pattern read next is that of the elements as they stand: a coupling gained
// enters the product, one lost leaves the sets, and a matrix of another size gives its own rows.
TEST(NonZeroPatternTest, LazyPatternFollowsEveryChangeOfItsMatrix) {
  constexpr std::uint32_t n = 10;
  TSqrMatrix m;
  std::vector<std::vector<long double>> rows(n, std::vector<long double>(n, 0));
  for (std::uint32_t i = 0; i < n; ++i) rows[i][i] = 1;
  const std::vector<long double> v = {1, 0, 0, 0, 0, 0, 0, 0, 0, 2};
  TLazyNonZeroPattern lazy;
  EXPECT_EQ(lazy.Get().Rows(), 0u);
  const struct {
    long double corner;  // m(0, n - 1) and m(n - 1, 0)
    std::uint32_t coupled_last;
    long double first, last;  // rows 0 and n - 1 of m v
  } cases[] = {{0, n - 1, 1, 2}, {3, 0, 7, 5}, {-0.0L, n - 1, 1, 2}, {0.5L, 0, 2, 2.5L}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<double>(c.corner));
    rows[0][n - 1] = rows[n - 1][0] = c.corner;
    Set(m, rows);
    lazy.Changed(m);
    std::vector<long double> out(n, -1);
    MultiplyRows(m, lazy, v.data(), n, out.data(), 1);
    EXPECT_EQ(std::pair(out[0], out[n - 1]), std::pair(c.first, c.last));
    EXPECT_EQ(lazy.Get().Coupled().at(n - 1), c.coupled_last);
    EXPECT_EQ(lazy.Get().Count(), c.corner == 0 ? n : n + 2);
  }
  Set(m, {{0, 1}, {1, 0}});
  lazy.Changed(m);
  EXPECT_EQ(RowsOf(lazy.Get()), (Columns{{1}, {0}}));
}

}  // namespace
}  // namespace zentrova::test
