#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "expression_test_support.h"
#include "numerics/expression_parser.h"
#include "numerics/expression_vocabulary.h"
#include "numerics/expression_words.h"
#include "platform/random.h"

namespace zentrova {
namespace {

using test::Eval;

constexpr long double kInf = std::numeric_limits<long double>::infinity();

TEST(ExpressionWords, OperatorTable) {
  struct Row {
    const char* name;
    int precedence;
    int args;
    bool boolean;
  };
  const std::vector<Row> rows = {
      {"!", 10, 1, false},  {"++", 5, 1, false},   {"--", 5, 1, false},   {"%", 10, 1, false},
      {"-@", 10, 1, false}, {"+@", 10, 1, false},  {"^", 20, 2, false},   {"^@", 20, 2, false},
      {"*", 30, 2, false},  {"/", 30, 2, false},   {"div", 30, 2, false}, {"mod", 30, 2, false},
      {"+", 40, 2, false},  {"-", 40, 2, false},   {">", 50, 2, true},    {">=", 50, 2, true},
      {"<=", 50, 2, true},  {"<", 50, 2, true},    {"<>", 50, 2, true},   {"=", 50, 2, true},
      {"in", 10, 2, true},  {"not", 60, 1, true},  {"or", 70, 2, true},   {"and", 70, 2, true},
      {"xor", 70, 2, true}, {":=", 200, 2, false},
  };
  TExpressionParser parser;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto* f = dynamic_cast<TFunction*>(parser.Words().Find(row.name));
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->IsOperator());
    EXPECT_EQ(f->Precedence(), row.precedence);
    EXPECT_EQ(f->NFunctionArg(), row.args);
    EXPECT_EQ(f->ResultType(), row.boolean ? kResultBoolean : kResultFloat);
    EXPECT_EQ(dynamic_cast<TBooleanFunction*>(f) != nullptr, row.boolean);
  }
}

TEST(ExpressionWords, FunctionsAndConstants) {
  TExpressionParser parser;
  TExpressList& words = parser.Words();
  auto* pi = dynamic_cast<TConstant*>(words.Find("PI"));
  ASSERT_NE(pi, nullptr);
  EXPECT_EQ(pi->Value(), kPi);
  EXPECT_EQ(pi->Description(), "pi = 3.1415926535897932385");
  EXPECT_NEAR(static_cast<double>(std::sin(pi->Value())), 0.0, 1e-18);

  auto* random = words.Find("random");
  ASSERT_NE(dynamic_cast<TVaryingFunction*>(random), nullptr);
  EXPECT_EQ(random->NFunctionArg(), 0);
  EXPECT_EQ(random->Description(), "random number between 0 and 1");
  ASSERT_NE(dynamic_cast<TVaryingFunction*>(words.Find("randg")), nullptr);
  EXPECT_EQ(words.Find("randg")->Description(), "draw from normal distrib. (mean=x, sd =y)");
  EXPECT_FALSE(words.Find("sin")->CanVary());
  EXPECT_FALSE(words.Find("sin")->IsOperator());
  EXPECT_EQ(words.Find("if")->NFunctionArg(), 3);
  EXPECT_EQ(words.Find("if")->Description(), "if x=True(or 1) then y else z");
  EXPECT_EQ(words.Find("logn")->Description(), "logarithm base x of y");
  EXPECT_EQ(words.Find("cosh")->Description(), "hyperbolic sine of an angle in rad");
  auto* pos = dynamic_cast<TSimpleStringFunction*>(words.Find("pos"));
  ASSERT_NE(pos, nullptr);
  EXPECT_EQ(pos->Description(), "Position in of substring in string");
  EXPECT_EQ(words.Find("(")->ResultType(), kResultLeftBracket);
  EXPECT_EQ(words.Find(")")->ResultType(), kResultRightBracket);
  EXPECT_EQ(words.Find(std::string(1, parser.ListSep()))->ResultType(), kResultListSeparator);
  // 3 marks, pi, random, 26 operators, 31 functions, pos.
  EXPECT_EQ(words.Count(), 3 + 2 + 26 + 31 + 1);
}

TEST(ExpressionWords, FunctionValues) {
  struct Row {
    const char* text;
    long double value;
  };
  const std::vector<Row> rows = {
      {"exp(1)", std::exp(1.0L)},
      {"sqr(-3)", 9},
      {"sqrt(2)", std::sqrt(2.0L)},
      {"abs(-2.5)", 2.5L},
      {"round(2.5)", 2},
      {"round(3.5)", 4},
      {"round(-2.5)", -2},
      {"trunc(-2.7)", -2},
      {"trunc(2.7)", 2},
      {"ln(2)", std::log(2.0L)},
      {"log10(1000)", 3},
      {"logN(2, 8)", 3},
      {"LOGN(2, 8)", 3},
      {"power(2, 0.5)", std::sqrt(2.0L)},
      {"pow(-2, 3)", -8},
      {"intpower(2, -2)", 0.25L},
      {"intpower(3, 5)", 243},
      {"max(1, 2)", 2},
      {"max(2, 1)", 2},
      {"min(1, 2)", 1},
      {"min(2, 1)", 1},
      {"sin(1)", std::sin(1.0L)},
      {"cos(1)", std::cos(1.0L)},
      {"tan(1)", std::tan(1.0L)},
      {"arcsin(0.5)", std::asin(0.5L)},
      {"arccos(0.5)", std::acos(0.5L)},
      {"arctan2(1, -1)", 3 * kPi / 4},  // x is the ordinate
      {"arctan(1)", kPi / 4},
      {"sinh(1)", std::sinh(1.0L)},
      {"cosh(1)", std::cosh(1.0L)},
      {"tanh(1)", std::tanh(1.0L)},
      {"arcsinh(1)", std::asinh(1.0L)},
      {"arccosh(2)", std::acosh(2.0L)},
      {"arctanh(0.5)", std::atanh(0.5L)},
      {"degtorad(180)", kPi},
      {"radtodeg(pi)", 180},
      {"50%", 0.5L},
      {"7 / 2", 3.5L},
      {"2 ^ 0.5", std::sqrt(2.0L)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const long double value = Eval(row.text);
    EXPECT_LE(std::fabs(value - row.value), 4e-19L * std::fmax(1.0L, std::fabs(row.value)))
        << static_cast<double>(value);
  }
}

TEST(ExpressionWords, Factorial) {
  EXPECT_EQ(Eval("3!"), 6);
  EXPECT_EQ(Eval("2.5!"), 2);  // R(2.5) = 2
  EXPECT_EQ(Eval("3.5!"), 24);
  EXPECT_EQ(Eval("(-3)!"), 1);
  EXPECT_EQ(Eval("0!"), 1);
  EXPECT_EQ(Eval("20!"), 2432902008176640000.0L);
  EXPECT_TRUE(std::isfinite(Eval("1754!")));
  EXPECT_EQ(Eval("1755!"), kInf);
  // A loop, not a recursion: a huge operand ends at once.
  EXPECT_EQ(Eval("1e300!"), kInf);
  EXPECT_EQ(Eval("1e4000!"), kInf);
  EXPECT_EQ(Eval("(-1e300)!"), 1);
  EXPECT_TRUE(std::isnan(Eval("nan!")));  // "nan" is a generated variable: NaN
}

TEST(ExpressionWords, ComparisonsUseAnAbsoluteTolerance) {
  EXPECT_EQ(Eval("1 = 1 + 1e-31"), 1);
  // 1 + 1e-20 rounds to 1 in a 64-bit mantissa; 1e-10 shows the tolerance is absolute.
  EXPECT_EQ(Eval("1 = 1 + 1e-10"), 0);
  EXPECT_EQ(Eval("1e-40 = 1e-35"), 1);
  EXPECT_EQ(Eval("2 >= 2 + 1e-31"), 1);
  EXPECT_EQ(Eval("2 + 1e-31 <= 2"), 1);
  EXPECT_EQ(Eval("2 > 2"), 0);
  EXPECT_EQ(Eval("2 < 2"), 0);
  EXPECT_EQ(Eval("1e-31 > 0"), 1);  // ">" and "<" are exact
  EXPECT_EQ(Eval("0 < 1e-31"), 1);
  EXPECT_EQ(Eval("1 <> 1 + 1e-10"), 1);
  EXPECT_EQ(Eval("3 in 3"), 1);

  TExpressionParser parser;
  long double a = 1e-30L, b = 0;
  parser.DefineVariable("a", &a);
  parser.DefineVariable("b", &b);
  parser.AddExpression("a = b");
  EXPECT_EQ(parser.Evaluate(), 0);  // exactly the tolerance: neither equal...
  parser.AddExpression("a <> b");
  EXPECT_EQ(parser.Evaluate(), 0);  // ...nor unequal

  // NaN: ">", ">=", "<=" and "<>" are true, "<" and "=" false.
  a = std::numeric_limits<long double>::quiet_NaN();
  const std::vector<std::pair<const char*, long double>> nan_rows = {
      {"a > b", 1}, {"a >= b", 1}, {"a <= b", 1}, {"a <> b", 1},
      {"a < b", 0}, {"a = b", 0},  {"b > a", 1},  {"b < a", 0}};
  for (const auto& [text, value] : nan_rows) {
    SCOPED_TRACE(text);
    parser.AddExpression(text);
    EXPECT_EQ(parser.Evaluate(), value);
  }
}

TEST(ExpressionWords, IntegerOperators) {
  EXPECT_EQ(Eval("not 2"), 3);
  EXPECT_EQ(Eval("not 0"), 1);
  EXPECT_EQ(Eval("not 1"), 0);
  EXPECT_EQ(Eval("not 257"), 0);
  EXPECT_EQ(Eval("if(2, 5, 7)"), 5);
  EXPECT_EQ(Eval("if(256, 5, 7)"), 7);
  EXPECT_EQ(Eval("if(0.4, 5, 7)"), 7);
  EXPECT_EQ(Eval("if(0.6, 5, 7)"), 5);
  EXPECT_EQ(Eval("if(-1, 5, 7)"), 5);
  EXPECT_EQ(Eval("if(1e30, 5, 7)"), 7);  // low bits of a huge integer are zero
  EXPECT_EQ(Eval("6 and 3"), 2);
  EXPECT_EQ(Eval("6 or 3"), 7);
  EXPECT_EQ(Eval("6 xor 3"), 5);
  EXPECT_EQ(Eval("-1 and 255"), 255);
  EXPECT_EQ(Eval("7 div 2"), 3);
  EXPECT_EQ(Eval("-7 div 2"), -3);
  EXPECT_EQ(Eval("-7 mod 2"), -1);
  EXPECT_EQ(Eval("7 mod -2"), 1);
  EXPECT_EQ(Eval("7.5 div 2"), 4);  // R(7.5) = 8
  EXPECT_EQ(Eval("6.5 div 1"), 6);  // R(6.5) = 6
}

TEST(ExpressionWords, IntegerConversionsAreChecked) {
  TExpressionParser parser;
  long double x = 7, y = 0;
  parser.DefineVariable("x", &x);
  parser.DefineVariable("y", &y);
  parser.AddExpression("x div y");
  EXPECT_THROW(parser.Evaluate(), EDivByZero);
  parser.AddExpression("x mod y");
  EXPECT_THROW(parser.Evaluate(), EDivByZero);
  y = 0.4L;  // rounds to 0
  EXPECT_THROW(parser.Evaluate(), EDivByZero);

  y = 1;
  x = 1e19L;  // past 2^63
  parser.AddExpression("x div y");
  EXPECT_THROW(parser.Evaluate(), ERangeError);
  x = std::numeric_limits<long double>::quiet_NaN();
  EXPECT_THROW(parser.Evaluate(), ERangeError);
  x = kInf;
  parser.AddExpression("x mod y");
  EXPECT_THROW(parser.Evaluate(), ERangeError);

  x = -9223372036854775808.0L;  // the one quotient that overflows
  y = -1;
  parser.AddExpression("x div y");
  EXPECT_THROW(parser.Evaluate(), EIntOverflow);
  parser.AddExpression("x mod y");
  EXPECT_EQ(parser.Evaluate(), 0);
  y = 2;
  parser.AddExpression("x div y");
  EXPECT_EQ(parser.Evaluate(), -4611686018427387904.0L);

  x = 3e9L;
  parser.AddExpression("not x");
  EXPECT_THROW(parser.Evaluate(), ERangeError);
  x = 2147483647;
  EXPECT_EQ(parser.Evaluate(), 254);
  parser.AddExpression("intpower(2, x)");
  x = 3e9L;
  EXPECT_THROW(parser.Evaluate(), ERangeError);
  x = -2147483648.0L;  // the most negative exponent has no positive counterpart in 32 bits
  EXPECT_EQ(parser.Evaluate(), 0);

  // The other conversions give values rather than errors.
  x = std::numeric_limits<long double>::quiet_NaN();
  parser.AddExpression("x or 1");
  EXPECT_TRUE(std::isnan(parser.Evaluate()));
  parser.AddExpression("round(x)");
  EXPECT_TRUE(std::isnan(parser.Evaluate()));
  parser.AddExpression("if(x, 5, 7)");
  EXPECT_EQ(parser.Evaluate(), 7);
  x = 1e25L;
  parser.AddExpression("round(x)");
  EXPECT_EQ(parser.Evaluate(), 1e25L);
  parser.AddExpression("trunc(x)");
  EXPECT_EQ(parser.Evaluate(), 1e25L);
  parser.AddExpression("x xor 1");
  EXPECT_TRUE(std::isnan(parser.Evaluate()));
}

TEST(ExpressionWords, RoundingToSixtyFourBits) {
  constexpr long double kTwo63 = 9223372036854775808.0L;
  const std::vector<std::pair<long double, std::int64_t>> rows = {
      {2.5L, 2},
      {3.5L, 4},
      {-2.5L, -2},
      {0.5L, 0},
      {-0.5L, 0},
      {1.5L, 2},
      {-7.49L, -7},
      {4611686018427387904.5L, 4611686018427387904},  // 2^62 + 0.5: ties to even
      {9223372036854775807.0L, 9223372036854775807},  // 2^63 - 1
      {-kTwo63, std::numeric_limits<std::int64_t>::min()},
      {-(kTwo63 - 0.5L), std::numeric_limits<std::int64_t>::min()},
  };
  for (const auto& [x, expected] : rows) {
    SCOPED_TRACE(static_cast<double>(x));
    std::int64_t v = 0;
    ASSERT_TRUE(TryRoundToInt64(x, v));
    EXPECT_EQ(v, expected);
  }
  std::int64_t v = 0;
  EXPECT_FALSE(TryRoundToInt64(kTwo63, v));
  EXPECT_FALSE(TryRoundToInt64(kTwo63 - 0.5L, v));  // rounds to 2^63
  EXPECT_FALSE(TryRoundToInt64(std::numeric_limits<long double>::quiet_NaN(), v));
  EXPECT_FALSE(TryRoundToInt64(-kInf, v));
  EXPECT_EQ(RoundHalfEven(kTwo63 - 0.5L), kTwo63);
  EXPECT_EQ(RoundHalfEven(1e30L), 1e30L);

  TExpressionParser parser;
  long double x = kTwo63 - 0.5L;
  parser.DefineVariable("x", &x);
  parser.AddExpression("round(x)");
  EXPECT_EQ(parser.Evaluate(), kTwo63);
  x = -0.3L;
  EXPECT_FALSE(std::signbit(parser.Evaluate()));  // through the integer: +0
}

TEST(ExpressionWords, StringWords) {
  EXPECT_EQ(Eval("pos('b', 'abc')"), 2);
  EXPECT_EQ(Eval("pos('x', 'abc')"), 0);
  EXPECT_EQ(Eval("pos('abc')"), 0);
  EXPECT_EQ(Eval("'abc' = 'ABC'"), 1);  // the text is lower-cased before scanning
  EXPECT_EQ(Eval("'abd' > 'abc'"), 1);
  EXPECT_EQ(Eval("'ab' < 'abc'"), 1);
  EXPECT_EQ(Eval("'ab' >= 'abc'"), 0);
  EXPECT_EQ(Eval("'ab' <= 'ab'"), 1);
  EXPECT_EQ(Eval("'ab' <> 'ab'"), 0);
  EXPECT_EQ(Eval("'b' in 'a,b,c'"), 1);
  EXPECT_EQ(Eval("'b' in 'a, b'"), 0);  // pieces are not trimmed
  EXPECT_EQ(Eval("' b' in 'a, b'"), 1);
  EXPECT_EQ(Eval("'a,b' in 'a,b'"), 1);  // the whole text counts too
  EXPECT_EQ(Eval("'' in 'a,,b'"), 1);
  EXPECT_EQ(Eval("('a' = 'a') + 1"), 2);
  EXPECT_EQ(test::CompileError("'a' * 'b'"), "* is not a valid string operand");

  TStringConstant quoted("'x y'");
  EXPECT_EQ(quoted.AsString(), "x y");
  TStringConstant unterminated("'abc");
  EXPECT_EQ(unterminated.AsString(), "'abc");
  TExprWord* none = nullptr;
  TLogicalStringOper in("in", &quoted, none);
  EXPECT_EQ(in.Call(), 0);
}

TEST(ExpressionWords, WordConstruction) {
  try {
    TFunction("f7", 7, &CopyRoutine, "seven");
    FAIL();
  } catch (const EParserException& e) {
    EXPECT_STREQ(e.what(), "Too many arguments");
  }
  EXPECT_THROW(TFunction("f7", 10, true, 7, &CopyRoutine), EParserException);
  EXPECT_EQ(TFunction("f6", 6, &CopyRoutine, "six").NFunctionArg(), 6);
  EXPECT_EQ(TFloatConstant("x", "2,5", ',').Value(), 2.5L);
  EXPECT_TRUE(std::isnan(TFloatConstant("e", "", '.').Value()));
  EXPECT_THROW(TFloatConstant("bad", "1e", '.'), EConvertError);
  EXPECT_THROW(TFloatVariable("w", nullptr), EParserException);
}

TEST(ExpressionWords, RandomWordsUseTheSharedGenerator) {
  SetRandomSeed(42);
  const long double first = Random();
  const long double gauss = RandomGauss(3, 2);
  SetRandomSeed(42);
  TExpressionParser parser;
  parser.AddExpression("random");
  EXPECT_EQ(parser.Evaluate(), first);
  parser.AddExpression("randg(3, 2)");
  EXPECT_EQ(parser.Evaluate(), gauss);
  parser.AddExpression("random + 0");
  const long double r1 = parser.Evaluate();
  const long double r2 = parser.Evaluate();
  EXPECT_NE(r1, r2);  // never folded
  EXPECT_GE(r1, 0);
  EXPECT_LT(r1, 1);
}

}  // namespace
}  // namespace zentrova
