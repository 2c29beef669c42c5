#include "platform/number_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "platform/settings.h"
#include "test_support.h"

namespace zentrova {
namespace {

using test::DecimalSeparatorScope;

TEST(FloatToSci23, FixedLayout) {
  EXPECT_EQ(FloatToSci23(1.5L), " 1.50000000000000E+0000");
  EXPECT_EQ(FloatToSci23(-2.25e-3L), "-2.25000000000000E-0003");
  EXPECT_EQ(FloatToSci23(3.14159265358979323846L), " 3.14159265358979E+0000");
  EXPECT_EQ(FloatToSci23(0.0L), " 0.00000000000000E+0000");
  EXPECT_EQ(FloatToSci23(-0.0L), " 0.00000000000000E+0000");
  EXPECT_EQ(FloatToSci23(1e300L), " 1.00000000000000E+0300");
  EXPECT_EQ(FloatToSci23(-1.2345e-4000L), "-1.23450000000000E-4000");
  EXPECT_EQ(FloatToSci23(9.999999999999999e10L), " 1.00000000000000E+0011");  // rounds up into the exponent
  for (long double v : {1.0L, -7.5e12L, 1e-20L, 123456.789L}) EXPECT_EQ(FloatToSci23(v).size(), 23u);
}

TEST(FloatToSci23, NanAndInfinities) {
  EXPECT_EQ(FloatToSci23(std::numeric_limits<long double>::quiet_NaN()), std::string(20, ' ') + "Nan");
  EXPECT_EQ(FloatToSci23(std::numeric_limits<long double>::infinity()), std::string(19, ' ') + "+Inf");
  EXPECT_EQ(FloatToSci23(-std::numeric_limits<long double>::infinity()), std::string(19, ' ') + "-Inf");
}

TEST(FloatToSci23, ReadsBackThroughDotConversion) {
  for (long double v : {1.5L, -2.25e-3L, 1e-300L, 6.02214076e23L}) {
    long double back = 0;
    ASSERT_TRUE(TryTextToFloatDot(FloatToSci23(v), back));
    EXPECT_NEAR(static_cast<double>(back / v), 1.0, 1e-14);
  }
}

// The conversion as it was written before the exact integer path: the runtime's correctly rounded
// scientific conversion, laid out in the 23 characters. The reference for the comparison below.
std::string ReferenceSci23(long double value) {
  if (std::isnan(value)) return std::string(20, ' ') + "Nan";
  if (std::isinf(value)) return std::string(19, ' ') + (value > 0 ? "+Inf" : "-Inf");
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, 14);
  const std::string scientific(buffer, result.ptr);  // d.dddddddddddddde+XX
  const std::size_t e = scientific.find('e');
  const int exponent = std::atoi(scientific.c_str() + e + 1);
  std::string text(1, value < 0 ? '-' : ' ');
  text.append(scientific, 0, e).append(exponent < 0 ? "E-" : "E+");
  const std::string exponent_digits = std::to_string(std::abs(exponent));
  return text.append(4 - std::min<std::size_t>(4, exponent_digits.size()), '0').append(exponent_digits);
}

// About a million values byte for byte against the reference: every binary exponent with random
// mantissas (subnormals included), values exactly halfway between two 15-digit results and their
// neighbours, and the neighbours of powers of ten, where the digits carry into the exponent.
TEST(FloatToSci23, SameBytesAsTheRuntimeConversion) {
  std::mt19937_64 random(20240611);
  std::vector<long double> values;
  // Far from 1 the runtime's conversion is slow and ours is the same one: a few values there.
  for (int biased = 0; biased < 0x7fff; ++biased) {
    const int count = std::abs(biased - 16383) <= 200 ? 1500 : 2;
    for (int i = 0; i < count; ++i) {
      const std::uint64_t bits = random();
      const std::uint64_t mantissa = biased == 0 ? bits >> (1 + bits % 64) : bits | (std::uint64_t{1} << 63);
      long double value = 0;  // the x87 layout: 64 mantissa bits, then the biased exponent
      std::memcpy(&value, &mantissa, 8);
      std::memcpy(reinterpret_cast<char*>(&value) + 8, &biased, 2);
      values.push_back(value);
    }
  }
  // Halfway values: 5 n 2^-j with n 5^j of 15 or 16 digits, and (2d + 1) 5^i 2^(i - 1) for 15-digit d.
  for (int i = 0; i < 100000; ++i) {
    const int j = 1 + static_cast<int>(random() % 21);
    long double five_j = 1;
    for (int k = 0; k < j; ++k) five_j *= 5;
    const auto low = static_cast<std::uint64_t>(2e14L / five_j) + 1;
    const auto high = static_cast<std::uint64_t>(2e15L / five_j);
    const std::uint64_t n = (low + random() % (high - low + 1)) | 1;
    values.push_back(std::ldexp(5.0L * static_cast<long double>(n), -j));
    const std::uint64_t d = 100000000000000 + random() % 900000000000000;
    const int up = static_cast<int>(random() % 6);
    values.push_back(std::ldexp(static_cast<long double>(2 * d + 1) * std::pow(5.0L, up), up - 1));
  }
  for (std::size_t i = 0, n = values.size(); i < n; i += 4) {
    values.push_back(std::nextafter(values[i], 0.0L));
    values.push_back(std::nextafter(values[i], std::numeric_limits<long double>::infinity()));
  }
  for (int k = -4950; k <= 4932; ++k) {
    const long double power = std::pow(10.0L, static_cast<long double>(k));
    values.insert(values.end(), {power, std::nextafter(power, 0.0L), std::nextafter(power, 2 * power)});
  }
  std::size_t mismatches = 0;
  for (const long double v : values) {
    const long double signed_v = random() % 2 == 0 ? v : -v;
    const std::string expected = ReferenceSci23(signed_v);
    if (FloatToSci23(signed_v) != expected && ++mismatches <= 10) {
      ADD_FAILURE() << FloatToTextRoundTrip(signed_v, '.') << ": " << FloatToSci23(signed_v) << " instead of "
                    << expected;
    }
  }
  EXPECT_EQ(mismatches, 0u) << "of " << values.size();
}

TEST(FloatToText, GeneralFormWith15Digits) {
  DecimalSeparatorScope dot('.');
  EXPECT_EQ(FloatToText(0), "0");
  EXPECT_EQ(FloatToText(1), "1");
  EXPECT_EQ(FloatToText(-2.5L), "-2.5");
  EXPECT_EQ(FloatToText(0.1L), "0.1");
  EXPECT_EQ(FloatToText(0.0001L), "0.0001");
  EXPECT_EQ(FloatToText(0.00001L), "1E-5");
  EXPECT_EQ(FloatToText(1.5e-7L), "1.5E-7");
  EXPECT_EQ(FloatToText(123456789012345.0L), "123456789012345");
  EXPECT_EQ(FloatToText(1e15L), "1E15");
  EXPECT_EQ(FloatToText(1.25e20L), "1.25E20");
  EXPECT_EQ(FloatToText(3.14159265358979323846L), "3.14159265358979");
  EXPECT_EQ(FloatToText(1.0L / 3.0L), "0.333333333333333");
  EXPECT_EQ(FloatToText(std::numeric_limits<long double>::quiet_NaN()), "NAN");
  EXPECT_EQ(FloatToText(-std::numeric_limits<long double>::infinity()), "-INF");
}

TEST(FloatToText, UsesProcessDecimalSeparator) {
  DecimalSeparatorScope comma(',');
  EXPECT_EQ(FloatToText(-2.5L), "-2,5");
  EXPECT_EQ(FloatToText(2.5e-9L), "2,5E-9");
  EXPECT_EQ(ListSeparator(), ';');
  SetDecimalSeparator('.');
  EXPECT_EQ(ListSeparator(), ',');
}

TEST(FloatToTextRoundTrip, ShortestDigitsThatReadBack) {
  EXPECT_EQ(FloatToTextRoundTrip(0.1L, '.'), "0.1");
  EXPECT_EQ(FloatToTextRoundTrip(-2.5L, ','), "-2,5");
  EXPECT_EQ(FloatToTextRoundTrip(1e20L, '.'), "100000000000000000000");
  EXPECT_EQ(FloatToTextRoundTrip(1e21L, '.'), "1E21");
  EXPECT_EQ(FloatToTextRoundTrip(0.00001L, '.'), "1E-5");
  // 1/3 needs more than 15 digits to come back as the same extended value.
  const long double third = 1.0L / 3.0L;
  const std::string text = FloatToTextRoundTrip(third, '.');
  EXPECT_GT(text.size(), 17u);
  long double back = 0;
  ASSERT_TRUE(TryTextToFloatDot(text, back));
  EXPECT_EQ(back, third);
  for (long double v : {3.14159265358979323846L, -6.02214076e23L, 1.0L + 1e-18L, 4.9e-4950L}) {
    ASSERT_TRUE(TryTextToFloatDot(FloatToTextRoundTrip(v, '.'), back)) << FloatToTextRoundTrip(v, '.');
    EXPECT_EQ(back, v);
  }
}

TEST(FloatToTextChosen, FixedAndScientific) {
  EXPECT_EQ(FloatToTextChosen(3.14159L, 10, 3), "     3.142");
  EXPECT_EQ(FloatToTextChosen(-12345.5L, 4, 1), "-12345.5");  // wider when the number needs it
  EXPECT_EQ(FloatToTextChosen(1.5L, 25, -1), "   1.50000000000000E+0000");
}

TEST(TryTextToFloat, StrictGrammar) {
  DecimalSeparatorScope dot('.');
  long double v = 42;
  EXPECT_TRUE(TryTextToFloat("  -1.25e2 ", v));
  EXPECT_EQ(v, -125.0L);
  EXPECT_TRUE(TryTextToFloat(".5", v));
  EXPECT_EQ(v, 0.5L);
  EXPECT_TRUE(TryTextToFloat("7.", v));
  EXPECT_EQ(v, 7.0L);
  EXPECT_TRUE(TryTextToFloat("0", v));
  EXPECT_EQ(v, 0.0L);
  v = 42;
  for (const char* bad : {"", " ", "1,5", "1.5x", "e5", "1e", "--1", "1 2", ".", "+", "0x10", "1e99999"}) {
    EXPECT_FALSE(TryTextToFloat(bad, v)) << bad;
    EXPECT_EQ(v, 42.0L) << bad;
  }
}

TEST(TryTextToFloat, CommaSeparatorRefusesDot) {
  DecimalSeparatorScope comma(',');
  long double v = 0;
  EXPECT_TRUE(TryTextToFloat("1,5", v));
  EXPECT_EQ(v, 1.5L);
  EXPECT_FALSE(TryTextToFloat("1.5", v));
  EXPECT_TRUE(TryTextToFloatDot("1.5", v));  // data files always use "."
}

TEST(TryTextToFloat, NanAndInfinitiesAsWritten) {
  long double v = 0;
  EXPECT_TRUE(TryTextToFloatDot("Nan", v));
  EXPECT_TRUE(std::isnan(v));
  EXPECT_TRUE(TryTextToFloatDot("  +Inf", v));
  EXPECT_TRUE(std::isinf(v) && v > 0);
  EXPECT_TRUE(TryTextToFloatDot("-Inf", v));
  EXPECT_TRUE(std::isinf(v) && v < 0);
  EXPECT_FALSE(TryTextToFloatDot("Infinity", v));
}

TEST(TryTextToFloat, FullExtendedPrecision) {
  long double v = 0;
  ASSERT_TRUE(TryTextToFloatDot("0.1", v));
  EXPECT_EQ(v, 0.1L);  // correctly rounded to the 64-bit mantissa, not via double
  EXPECT_NE(v, static_cast<long double>(0.1));
}

TEST(TryTextToInt, DecimalAndHex) {
  std::int32_t v = 0;
  EXPECT_TRUE(TryTextToInt(" 42 ", v));
  EXPECT_EQ(v, 42);
  EXPECT_TRUE(TryTextToInt("-2147483648", v));
  EXPECT_EQ(v, INT32_MIN);
  EXPECT_TRUE(TryTextToInt("$1F", v));
  EXPECT_EQ(v, 31);
  EXPECT_TRUE(TryTextToInt("0x1f", v));
  EXPECT_EQ(v, 31);
  EXPECT_TRUE(TryTextToInt("$FFFFFFFF", v));
  EXPECT_EQ(v, -1);
  v = 7;
  for (const char* bad : {"", "2147483648", "1.0", "12abc", "True", "$", "0x", "$1FFFFFFFF", "- 1"}) {
    EXPECT_FALSE(TryTextToInt(bad, v)) << bad;
    EXPECT_EQ(v, 7) << bad;
  }
  EXPECT_EQ(TextToIntDef("oops", -3), -3);
  std::int64_t w = 0;
  EXPECT_TRUE(TryTextToInt64("9223372036854775807", w));
  EXPECT_EQ(w, INT64_MAX);
}

}  // namespace
}  // namespace zentrova
