#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "expression_test_support.h"
#include "numerics/expression_parser.h"
#include "numerics/expression_vocabulary.h"
#include "numerics/expression_words.h"
#include "platform/number_text.h"
#include "platform/random.h"

namespace zentrova::test {
namespace {

constexpr long double kInf = std::numeric_limits<long double>::infinity();
constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();
constexpr long double kTwo63 = 9223372036854775808.0L;

using Row = std::pair<const char*, long double>;

TEST(ExpressionWords, ExactValues) {
  // clang-format off
  const std::vector<Row> rows = {
      // R(x) rounds ties to even; the factorial is a loop, so a huge operand ends at once.
      {"3!", 6}, {"2.5!", 2}, {"3.5!", 24}, {"(-3)!", 1}, {"0!", 1}, {"20!", 2432902008176640000.0L},
      {"1755!", kInf}, {"1e300!", kInf}, {"1e4000!", kInf}, {"(-1e300)!", 1},
      // "=", "<>", ">=" and "<=" with an absolute tolerance of 1e-30; ">" and "<" exact.
      {"1 = 1 + 1e-31", 1}, {"1 = 1 + 1e-10", 0}, {"1e-40 = 1e-35", 1}, {"1e-35 >= 1e-31", 1},
      {"1e-31 <= 1e-35", 1}, {"2 > 2", 0}, {"2 < 2", 0}, {"1e-31 > 0", 1}, {"0 < 1e-31", 1},
      {"1 <> 1 + 1e-10", 1}, {"3 in 3", 1},
      {"not 2", 3}, {"not 0", 1}, {"not 1", 0}, {"not 257", 0}, {"if(2, 5, 7)", 5}, {"if(256, 5, 7)", 7},
      {"if(0.4, 5, 7)", 7}, {"if(0.6, 5, 7)", 5}, {"if(-1, 5, 7)", 5}, {"if(1e30, 5, 7)", 7},
      {"6 and 3", 2}, {"6 or 3", 7}, {"6 xor 3", 5}, {"-1 and 255", 255}, {"7 div 2", 3}, {"-7 div 2", -3},
      {"-7 mod 2", -1}, {"7 mod -2", 1}, {"7.5 div 2", 4}, {"6.5 div 1", 6},
      {"sqr(-3)", 9}, {"abs(-2.5)", 2.5L}, {"round(2.5)", 2}, {"round(3.5)", 4}, {"round(-2.5)", -2},
      {"trunc(-2.7)", -2}, {"trunc(2.7)", 2}, {"pow(-2, 3)", -8}, {"intpower(2, -2)", 0.25L},
      {"intpower(3, 5)", 243}, {"max(1, 2)", 2}, {"max(2, 1)", 2}, {"min(1, 2)", 1}, {"min(2, 1)", 1},
      {"7 / 2", 3.5L}, {"pi", kPi},
      // Strings compare byte by byte after the text was lower-cased; "in" cuts at commas, untrimmed.
      {"pos('b', 'abc')", 2}, {"pos('x', 'abc')", 0}, {"pos('abc')", 0}, {"'abc' = 'ABC'", 1},
      {"'abd' > 'abc'", 1}, {"'ab' < 'abc'", 1}, {"'ab' >= 'abc'", 0}, {"'ab' <= 'ab'", 1},
      {"'ab' <> 'ab'", 0}, {"'b' in 'a,b,c'", 1}, {"'b' in 'a, b'", 0}, {"' b' in 'a, b'", 1},
      {"'a,b' in 'a,b'", 1}, {"'' in 'a,,b'", 1}, {"('a' = 'a') + 1", 2}};
  const std::vector<Row> near = {
      {"exp(1)", std::exp(1.0L)}, {"sqrt(2)", std::sqrt(2.0L)}, {"ln(2)", std::log(2.0L)}, {"log10(1000)", 3},
      {"logN(2, 8)", 3}, {"LOGN(2, 8)", 3}, {"power(2, 0.5)", std::sqrt(2.0L)}, {"2 ^ 0.5", std::sqrt(2.0L)},
      {"sin(1)", std::sin(1.0L)}, {"cos(1)", std::cos(1.0L)}, {"tan(1)", std::tan(1.0L)},
      {"arcsin(0.5)", std::asin(0.5L)}, {"arccos(0.5)", std::acos(0.5L)},
      {"arctan2(1, -1)", 3 * kPi / 4},  // x is the ordinate
      {"arctan(1)", kPi / 4}, {"sinh(1)", std::sinh(1.0L)}, {"cosh(1)", std::cosh(1.0L)},
      {"tanh(1)", std::tanh(1.0L)}, {"arcsinh(1)", std::asinh(1.0L)}, {"arccosh(2)", std::acosh(2.0L)},
      {"arctanh(0.5)", std::atanh(0.5L)}, {"degtorad(180)", kPi}, {"radtodeg(pi)", 180}, {"50%", 0.5L}};
  // clang-format on
  for (const auto& [text, value] : rows) EXPECT_EQ(Eval(text), value) << text;
  for (const auto& [text, value] : near) {
    EXPECT_LE(std::fabs(Eval(text) - value), 4e-19L * std::fmax(1.0L, std::fabs(value))) << text;
  }
  EXPECT_TRUE(std::isfinite(Eval("1754!")));
  EXPECT_TRUE(std::isnan(Eval("nan!")));  // "nan" is a generated variable: NaN
}

// The value of the text, or the class of the exception it raises.
std::string Outcome(TExpressionParser& parser, const char* text) {
  try {
    parser.AddExpression(text);
    return FloatToTextRoundTrip(parser.Evaluate(), '.');
  } catch (const EDivByZero&) {
    return "EDivByZero";
  } catch (const ERangeError&) {
    return "ERangeError";
  } catch (const EIntOverflow&) {
    return "EIntOverflow";
  }
}

TEST(ExpressionWords, IntegerConversionsAndComparisonsOfVariables) {
  TExpressionParser parser;
  long double x = 0, y = 0;
  parser.DefineVariable("x", &x);
  parser.DefineVariable("y", &y);
  struct Case {
    const char* text;
    long double x, y;
    const char* outcome;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"x div y", 7, 0, "EDivByZero"}, {"x mod y", 7, 0, "EDivByZero"}, {"x mod y", 7, 0.4L, "EDivByZero"},
      {"x div y", 1e19L, 1, "ERangeError"}, {"x div y", kNaN, 1, "ERangeError"},
      {"x mod y", kInf, 1, "ERangeError"}, {"x div y", -kTwo63, -1, "EIntOverflow"},  // the one overflow
      {"x mod y", -kTwo63, -1, "0"}, {"x div y", -kTwo63, 2, "-4611686018427387904"},
      {"not x", 3e9L, 0, "ERangeError"}, {"not x", 2147483647, 0, "254"},
      {"intpower(2, x)", 3e9L, 0, "ERangeError"}, {"intpower(2, x)", -2147483648.0L, 0, "0"},
      // The other conversions give values rather than errors.
      {"x or 1", kNaN, 0, "NAN"}, {"round(x)", kNaN, 0, "NAN"}, {"if(x, 5, 7)", kNaN, 0, "7"},
      {"round(x)", 1e25L, 0, "1E25"}, {"trunc(x)", 1e25L, 0, "1E25"}, {"x xor 1", 1e25L, 0, "NAN"},
      {"round(x)", kTwo63 - 0.5L, 0, "9223372036854775808"},
      // Exactly the tolerance apart: neither equal nor unequal. NaN makes ">", ">=", "<=" and "<>" true.
      {"x = y", 1e-30L, 0, "0"}, {"x <> y", 1e-30L, 0, "0"},
      {"x > y", kNaN, 0, "1"}, {"x >= y", kNaN, 0, "1"}, {"x <= y", kNaN, 0, "1"}, {"x <> y", kNaN, 0, "1"},
      {"x < y", kNaN, 0, "0"}, {"x = y", kNaN, 0, "0"}, {"y > x", kNaN, 0, "1"}, {"y < x", kNaN, 0, "0"}};
  // clang-format on
  for (const Case& c : cases) {
    x = c.x;
    y = c.y;
    EXPECT_EQ(Outcome(parser, c.text), c.outcome) << c.text << " with x = " << static_cast<double>(c.x);
  }
  x = -0.3L;
  parser.AddExpression("round(x)");
  EXPECT_FALSE(std::signbit(parser.Evaluate()));  // through the integer: +0
}

TEST(ExpressionWords, RoundingToSixtyFourBits) {
  // clang-format off
  const std::vector<std::pair<long double, std::int64_t>> rows = {
      {2.5L, 2}, {3.5L, 4}, {-2.5L, -2}, {0.5L, 0}, {-0.5L, 0}, {1.5L, 2}, {-7.49L, -7},
      {4611686018427387904.5L, 4611686018427387904},  // 2^62 + 0.5: ties to even
      {9223372036854775807.0L, 9223372036854775807}, {-kTwo63, INT64_MIN}, {-(kTwo63 - 0.5L), INT64_MIN}};
  // clang-format on
  for (const auto& [x, expected] : rows) {
    std::int64_t v = 0;
    ASSERT_TRUE(TryRoundToInt64(x, v)) << static_cast<double>(x);
    EXPECT_EQ(v, expected);
  }
  std::int64_t v = 0;
  for (long double x : {kTwo63, kTwo63 - 0.5L, kNaN, -kInf}) EXPECT_FALSE(TryRoundToInt64(x, v));
  EXPECT_EQ(RoundHalfEven(kTwo63 - 0.5L), kTwo63);
  EXPECT_EQ(RoundHalfEven(1e30L), 1e30L);
}

TEST(ExpressionWords, WordConstruction) {
  EXPECT_THROW(TFunction("f7", 7, &CopyRoutine, "seven"), EParserException);  // more than 6 arguments
  EXPECT_THROW(TFunction("f7", 10, true, 7, &CopyRoutine), EParserException);
  EXPECT_EQ(TFunction("f6", 6, &CopyRoutine, "six").NFunctionArg(), 6);
  EXPECT_EQ(TFloatConstant("x", "2,5", ',').Value(), 2.5L);
  EXPECT_TRUE(std::isnan(TFloatConstant("e", "", '.').Value()));
  EXPECT_THROW(TFloatConstant("bad", "1e", '.'), EConvertError);
  EXPECT_THROW(TFloatVariable("w", nullptr), EParserException);
  TStringConstant quoted("'x y'");
  EXPECT_EQ(quoted.AsString(), "x y");
  EXPECT_EQ(TStringConstant("'abc").AsString(), "'abc");
  EXPECT_EQ(TLogicalStringOper("in", &quoted, nullptr).Call(), 0);
}

TEST(ExpressionWords, RandomWordsUseTheSharedGenerator) {
  SetRandomSeed(42);
  const long double first = Random(), gauss = RandomGauss(3, 2);
  SetRandomSeed(42);
  TExpressionParser parser;
  ExpectValues(parser, {{"random", first}, {"randg(3, 2)", gauss}});
  const long double r = Eval(parser, "random + 0");
  EXPECT_NE(r, parser.Evaluate());  // never folded
  EXPECT_TRUE(r >= 0 && r < 1);
}

}  // namespace
}  // namespace zentrova::test
