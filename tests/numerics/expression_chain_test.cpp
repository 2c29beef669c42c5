#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "numerics/expression_parser.h"
#include "numerics_test_support.h"

namespace zentrova {
namespace {

using test::SameBits;

constexpr long double kInf = std::numeric_limits<long double>::infinity();
constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();

std::string Bits(long double x) {
  unsigned char bytes[10];
  std::memcpy(bytes, &x, 10);
  static const char* const kHex = "0123456789abcdef";
  std::string text;
  for (int i = 9; i >= 0; --i) {
    text += kHex[bytes[i] >> 4];
    text += kHex[bytes[i] & 15];
  }
  return text;
}

// Variables a, b, c, d and sets of values for them that reach the corners of the arithmetic: signed
// zeros, overflow and underflow of squares, infinities and NaN.
class InlineForms : public ::testing::Test {
 protected:
  InlineForms() {
    parser_.DefineVariable("a", &a_);
    parser_.DefineVariable("b", &b_);
    parser_.DefineVariable("c", &c_);
    parser_.DefineVariable("d", &d_);
  }

  // Evaluate against the walk along the chain, for every set of values.
  void ExpectSameAsNodeRoutines(const std::string& text) {
    SCOPED_TRACE(text);
    parser_.AddExpression(text);
    struct Values {
      long double a, b, c, d;
    };
    static const Values kValues[] = {
        {0.75L, -1.25L, 3, 0.1L}, {-0.0L, 0.0L, -2, 7},       {1e3000L, -1e-3000L, 1e-2500L, -3e2500L},
        {kInf, -2, -kNaN, kNaN},  {-kInf, kInf, 0.0L, -0.0L}, {1.0L / 3, 2.0L / 3, -5.5L, 1e-20L},
    };
    for (const Values& v : kValues) {
      a_ = v.a, b_ = v.b, c_ = v.c, d_ = v.d;
      const long double inline_value = parser_.Evaluate();
      const long double node_value = parser_.EvaluateNodes();
      EXPECT_TRUE(SameBits(inline_value, node_value)) << "a=" << static_cast<double>(v.a) << " inline "
                                                      << Bits(inline_value) << " nodes " << Bits(node_value);
      // The routines left the variables alone: the next set starts from what it sets.
      ASSERT_TRUE(SameBits(a_, v.a) && SameBits(b_, v.b));
    }
  }

  // E with its value in each place a step can leave it: the accumulator only, a register where it
  // waits for a later step, its node when the registers are full, and its node for a routine.
  void ExpectSameInEveryPlace(const std::string& e) {
    ExpectSameAsNodeRoutines(e);
    ExpectSameAsNodeRoutines("(" + e + ")+(c*d)");
    ExpectSameAsNodeRoutines("(a*b)+((c*d)-((a*c)*((" + e + ")/(b*d))))");
    ExpectSameAsNodeRoutines("max(" + e + ", c)");
  }

  TExpressionParser parser_;
  long double a_ = 0, b_ = 0, c_ = 0, d_ = 0;
};

constexpr const char* kOps[] = {"+", "-", "*", "/"};

// Each operand of a binary word from an address, a folded square (of a variable, of a literal, by
// sqr), the step just before, a waiting register, or a sine or cosine run ahead of the steps.
TEST_F(InlineForms, EveryOperandSourcePairOfTheArithmetic) {
  const std::vector<std::string> terms = {"a",      "3",      "b^2",        "sqr(c)",     "(c*d)",
                                          "sin(d)", "cos(a)", "(b-sin(c))", "(d/cos(b))", "(a+b^2)"};
  for (const std::string& x : terms) {
    for (const char* op : kOps) {
      for (const std::string& y : terms) ExpectSameInEveryPlace(x + op + y);
    }
  }
}

// Two arithmetic words in a row on the step before become one step, with an address or a register
// for the second operand.
TEST_F(InlineForms, ChainsOfArithmeticOnThePreviousValue) {
  for (const char* op1 : kOps) {
    for (const char* op2 : kOps) {
      for (const char* op3 : kOps) {
        const std::string o1 = op1, o2 = op2, o3 = op3;
        ExpectSameInEveryPlace("((a" + o1 + "b)" + o2 + "c)" + o3 + "d");
        ExpectSameInEveryPlace("((a" + o1 + "b)" + o2 + "c)" + o3 + "sin(d)");
        ExpectSameInEveryPlace("((-a" + o1 + "b)" + o2 + "cos(c))" + o3 + "d");
        ExpectSameInEveryPlace("((a^2" + o1 + "2)" + o2 + "b)" + o3 + "c^2");
        ExpectSameInEveryPlace("d" + o1 + "((a" + o2 + "b)" + o3 + "c)");
      }
    }
  }
}

// Waiting values deeper than the registers that hold them, the integer powers and the unary words
// on addresses and on the step before.
TEST_F(InlineForms, WaitingValuesPowersAndUnaryWords) {
  const std::vector<std::string> texts = {
      "(a*b) + ((c*d) - ((a/b) * ((c+d) / ((a-b) * (c-d)))))",
      "((a*b) + ((c*d) - ((a/b) * ((c+d) / ((a-b) * (c-d)))))) * sin(a) + cos(b)^2",
      "a*b + c*(d + a*(b - c*(d + a^2)))",
      "sin(a)*cos(b) + sin(c)*cos(d) - sin(a+b)",
      "a*b^2+c*(b^2+d^2+2*b*d*cos(a))",
      "-a*b*c*sin(d)+a*(d-c)",
      "a+b*c+d*c^2+a*c^3+b*c^4",
      "a^3 + (a-b)^3 + a^4 - (c*d)^4 + a^5 + (a+b)^7 + b^0 + (c-d)^1",
      "-a + -(b*c) + +d + +(a-b) + abs(c) - abs(a*d) + sqrt(abs(b)) * sqrt(abs(c+d))",
      "sqr(a) + sqr(a-b) + sin(a*b) + cos(c-d) + sin(a)",
      "a^2 * a^2 / (b^2 - c^2)",
      "-a",
      "-(a*b)",
      "+a",
      "+(a-b)",
      "sqr(a)",
      "sqr(a-b)",
      "abs(a)",
      "abs(a-b)",
      "sqrt(a)",
      "sqrt(a*b)",
      "sin(a)",
      "sin(a*b)",
      "cos(b)",
      "cos(a-b)",
      "a^2",
      "(a-b)^2",
      "a^3",
      "(a*b)^3",
      "a^4",
      "(a+b)^4",
      "a^5",
      "(a-b)^7",
      "max(sin(a), cos(b)) - sin(c)^2 + cos(d)",
  };
  for (const std::string& text : texts) ExpectSameInEveryPlace(text);
}

// The square of a variable is taken where its sum or product needs it, and the sine of a variable
// ahead of every step; neither may move past a routine that writes the variable.
TEST(ExpressionChain, NothingMovesPastAnAssignment) {
  TExpressionParser parser;
  long double a = 0.75L;
  parser.DefineVariable("a", &a);
  struct Case {
    const char* text;
    long double expected;  // with a = 0.75 before the evaluation
  };
  const Case cases[] = {
      {"a^2 + (a := 3)", 0.5625L + 3},
      {"sqr(a) * (a := 2)", 0.5625L * 2},
      {"(a := 2) - a^2 + a", 2 - 4 + 2},
      {"sin(a) + (a := 3)", std::sin(0.75L) + 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    parser.AddExpression(c.text);
    a = 0.75L;
    EXPECT_EQ(parser.Evaluate(), c.expected);
    EXPECT_NE(a, 0.75L);
    a = 0.75L;
    EXPECT_EQ(parser.EvaluateNodes(), c.expected);
  }
}

}  // namespace
}  // namespace zentrova
