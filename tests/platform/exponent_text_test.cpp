#include "platform/exponent_text.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/settings.h"

namespace zentrova {
namespace {

TEST(ExponentText, SignificantDigitsAndExponentWidth) {
  EXPECT_EQ(FloatToTextExponent(1000000, 5, 5), "1.0000E+0006");  // more than 4 exponent digits: 4
  EXPECT_EQ(FloatToTextExponent(-0.00123456, 5, 4), "-1.2346E-0003");
  EXPECT_EQ(FloatToTextExponent(0, 5, 4), "0.0000E+0000");
  EXPECT_EQ(FloatToTextExponent(2.6, 1, 0), "3E+0");
  EXPECT_EQ(FloatToTextExponent(12346, 4, 2), "1.235E+04");
  EXPECT_EQ(FloatToTextExponent(1e-300L, 3, 2), "1.00E-300");  // wider when the exponent needs it
  EXPECT_EQ(FloatToTextExponent(1e4000L, 2, 4), "1.0E+4000");
}

TEST(ExponentText, FollowsTheDecimalSeparator) {
  SetDecimalSeparator(',');
  EXPECT_EQ(FloatToTextExponent(0.5, 3, 1), "5,00E-1");
  SetDecimalSeparator('.');
}

TEST(ExponentText, NonFiniteValues) {
  EXPECT_EQ(FloatToTextExponent(std::numeric_limits<long double>::quiet_NaN(), 5, 5), "NAN");
  EXPECT_EQ(FloatToTextExponent(std::numeric_limits<long double>::infinity(), 5, 5), "INF");
  EXPECT_EQ(FloatToTextExponent(-std::numeric_limits<long double>::infinity(), 5, 5), "-INF");
}

}  // namespace
}  // namespace zentrova
