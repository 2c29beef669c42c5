#include "platform/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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
