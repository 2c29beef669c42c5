#include "engine/contact/dense_matrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace zentrova {
namespace {

// Writes the ten bytes of `x` over n slots whose bytes were all `padding`: the six bytes after each value
// keep the pattern. Done in place, since a long double copied by value loses its padding.
void PlaceWithPadding(long double* slots, std::size_t n, long double x, unsigned char padding) {
  std::memset(slots, padding, n * sizeof(long double));
  for (std::size_t i = 0; i < n; ++i) std::memcpy(&slots[i], &x, 10);
}

long double NaNWithPayload(std::uint64_t payload) {
  long double x = std::numeric_limits<long double>::quiet_NaN();
  std::uint64_t significand;
  std::memcpy(&significand, &x, sizeof significand);
  significand |= payload;
  std::memcpy(&x, &significand, sizeof significand);
  return x;
}

// Equal bits are equal values to every computation; == says otherwise for zeros of both signs and
// for NaN.
TEST(SameBitsTest, ComparesTheTenBytesOfEachValue) {
  const long double one_up = std::nextafter(1.0L, 2.0L);
  const struct {
    const char* what;
    long double a, b;
    bool same;
  } cases[] = {
      {"equal", 0.1L, 0.1L, true},
      {"last bit", 1.0L, one_up, false},
      {"same significand, other exponent", 1.0L, 2.0L, false},
      {"other sign", 3.0L, -3.0L, false},
      {"zeros of both signs", 0.0L, -0.0L, false},
      {"the same NaN", NaNWithPayload(5), NaNWithPayload(5), true},
      {"NaNs of other payloads", NaNWithPayload(5), NaNWithPayload(6), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(SameBits(&c.a, &c.b, 1), c.same);
    const std::vector<long double> a{7, c.a}, b{7, c.b};
    EXPECT_EQ(SameBits(a, b), c.same);
    TDenseMatrix ma(1, 2), mb(1, 2);
    ma(0, 1) = c.a;
    mb(0, 1) = c.b;
    EXPECT_EQ(SameBits(ma, mb), c.same);
  }
}

// The six bytes after the ten of a value are no part of it, in plain arrays, vectors and matrices.
TEST(SameBitsTest, PaddingIsNoPartOfTheValue) {
  long double a[2], b[2];
  PlaceWithPadding(a, 2, 0.1L, 0x00);
  PlaceWithPadding(b, 2, 0.1L, 0xFF);
  ASSERT_NE(std::memcmp(a, b, sizeof a), 0);
  EXPECT_TRUE(SameBits(a, b, 2));
  std::vector<long double> va(2), vb(2);
  PlaceWithPadding(va.data(), 2, 0.1L, 0x00);
  PlaceWithPadding(vb.data(), 2, 0.1L, 0xFF);
  EXPECT_TRUE(SameBits(va, vb));
  TDenseMatrix ma(1, 2), mb(1, 2);
  PlaceWithPadding(ma.Row(0), 2, 0.1L, 0x00);
  PlaceWithPadding(mb.Row(0), 2, 0.1L, 0xFF);
  EXPECT_TRUE(SameBits(ma, mb));
  // The ten bytes themselves do count.
  PlaceWithPadding(&b[1], 1, 0.2L, 0xFF);
  EXPECT_FALSE(SameBits(a, b, 2));
}

// Longer arrays, compared several values at a time: one differing bit at any place is found, padding
// differing everywhere is not.
TEST(SameBitsTest, EveryPlaceOfLongerArrays) {
  for (std::size_t n = 1; n <= 11; ++n) {
    std::vector<long double> a(n), b(n);
    PlaceWithPadding(a.data(), n, 0.1L, 0x00);
    PlaceWithPadding(b.data(), n, 0.1L, 0xA5);
    EXPECT_TRUE(SameBits(a.data(), b.data(), n)) << n;
    for (std::size_t k = 0; k < n; ++k) {
      std::vector<long double> c = b;
      PlaceWithPadding(&c[k], 1, std::nextafter(0.1L, 1.0L), 0xA5);
      EXPECT_FALSE(SameBits(a.data(), c.data(), n)) << n << " " << k;
    }
  }
}

// Sizes count before any value: no element is read past the shorter one.
TEST(SameBitsTest, OtherSizesDiffer) {
  EXPECT_FALSE(SameBits(std::vector<long double>{1, 2}, std::vector<long double>{1, 2, 3}));
  EXPECT_TRUE(SameBits(std::vector<long double>{}, std::vector<long double>{}));
  EXPECT_FALSE(SameBits(TDenseMatrix(2, 3), TDenseMatrix(3, 2)));
  EXPECT_FALSE(SameBits(TDenseMatrix(2, 3), TDenseMatrix(2, 2)));
  EXPECT_TRUE(SameBits(TDenseMatrix(2, 3), TDenseMatrix(2, 3)));
}

using TRows = std::vector<std::vector<long double>>;

TDenseMatrix FromRows(const TRows& rows) {
  TDenseMatrix m(static_cast<std::uint32_t>(rows.size()), static_cast<std::uint32_t>(rows[0].size()));
  for (std::uint32_t r = 0; r < m.Rows(); ++r) {
    for (std::uint32_t c = 0; c < m.Cols(); ++c) m(r, c) = rows[r][c];
  }
  return m;
}

// The products skip zeros of both factors, yet every element is the full sum over the inner index: the
// same value, the same sign of a zero, and NaN where a term x * 0 has x infinite.
TEST(MultiplyTest, SkippedZerosChangeNoElement) {
  constexpr long double kInf = std::numeric_limits<long double>::infinity();
  constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();
  const struct {
    const char* name;
    TRows a, b;
    bool transposed;
    TRows product;
  } cases[] = {
      {"sparse both", {{1, 2}, {0, 3}}, {{0, 4}, {5, 0}}, false, {{10, 4}, {15, 0}}},
      {"transposed", {{1, 0}, {2, 3}}, {{0, 4}, {5, 0}}, true, {{10, 4}, {15, 0}}},
      {"wider b", {{0, 2, 0}}, {{9, 9, 9, 9}, {0, 0, 1.5L, 0}, {7, 7, 7, 7}}, false, {{0, 0, 3, 0}}},
      {"an infinity meets zeros", {{kInf, 1}}, {{0, 2}, {3, 0}}, false, {{kNaN, kInf}}},
      {"an infinity, transposed", {{kInf}, {1}}, {{0, 2}, {3, 0}}, true, {{kNaN, kInf}}},
      {"a NaN of b stays", {{1, 0}}, {{kNaN, 0}, {1, 1}}, false, {{kNaN, 0}}},
      {"negative zero terms", {{-1, 1, -1}}, {{0, 2}, {0, 2}, {0, 0}}, false, {{0, 0}}},
      {"cancelling", {{1, -1}}, {{0.1L, -0.0L}, {0.1L, 0}}, false, {{0, 0}}},
  };
  for (const auto& c : cases) {
    const TDenseMatrix a = FromRows(c.a), b = FromRows(c.b);
    TDenseMatrix out(7, 7);
    if (c.transposed) {
      MultiplyTransposed(a, b, out);
    } else {
      Multiply(a, b, out);
    }
    ASSERT_EQ(out.Rows(), c.product.size()) << c.name;
    ASSERT_EQ(out.Cols(), c.product[0].size()) << c.name;
    for (std::uint32_t r = 0; r < out.Rows(); ++r) {
      for (std::uint32_t k = 0; k < out.Cols(); ++k) {
        const long double expected = c.product[r][k];
        if (std::isnan(expected)) {
          EXPECT_TRUE(std::isnan(out(r, k))) << c.name << " " << r << "," << k << ": " << out(r, k);
        } else {
          EXPECT_EQ(out(r, k), expected) << c.name << " " << r << "," << k;
          EXPECT_FALSE(std::signbit(out(r, k))) << c.name << " " << r << "," << k;
        }
      }
    }
  }
}

}  // namespace
}  // namespace zentrova
