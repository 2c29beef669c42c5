// The evaluation that runs the common words inline must give, to the bit, what calling every node's
// routine along the chain gives.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "numerics/expression_parser.h"
#include "numerics_test_support.h"

namespace zentrova::test {
namespace {

constexpr long double kInf = std::numeric_limits<long double>::infinity();
constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();

struct Values {
  long double a, b, c, d;
};
// Plain values, and values that reach the corners of the arithmetic: signed zeros, overflow and
// underflow of squares, infinities and NaN.
const std::vector<Values> kValues = {
    {0.75L, -1.25L, 3, 0.1L}, {-0.0L, 0.0L, -2, 7},       {1e3000L, -1e-3000L, 1e-2500L, -3e2500L},
    {kInf, -2, -kNaN, kNaN},  {-kInf, kInf, 0.0L, -0.0L}, {1.0L / 3, 2.0L / 3, -5.5L, 1e-20L}};

class InlineEvaluation : public ::testing::Test {
 protected:
  InlineEvaluation() {
    parser_.DefineVariable("a", &a_);
    parser_.DefineVariable("b", &b_);
    parser_.DefineVariable("c", &c_);
    parser_.DefineVariable("d", &d_);
  }

  void ExpectSameAsNodeRoutines(const std::string& text) {
    SCOPED_TRACE(text);
    parser_.AddExpression(text);
    for (const Values& v : kValues) {
      a_ = v.a, b_ = v.b, c_ = v.c, d_ = v.d;
      const long double inline_value = parser_.Evaluate();
      const long double node_value = parser_.EvaluateNodes();
      ASSERT_TRUE(SameBits(inline_value, node_value))
          << "a=" << static_cast<double>(v.a) << ": " << inline_value << " against " << node_value;
      ASSERT_TRUE(SameBits(a_, v.a) && SameBits(d_, v.d));  // both runs started from the same values
      if (std::isfinite(inline_value)) ++finite_;
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
  int finite_ = 0;
};

constexpr const char* kOps[] = {"+", "-", "*", "/"};

// Random expressions over the variables, written out with every bracket.
class ExpressionMaker {
 public:
  explicit ExpressionMaker(unsigned seed) : state_(seed) {}

  // Without routines (max, comparisons, if) nothing writes a variable, and the sines and cosines of
  // variables run ahead of the other steps.
  void SetPure(bool pure) { pure_ = pure; }

  std::string Make(int depth) {
    if (depth == 0 || Next(4) == 0) return Leaf();
    unsigned pick = Next(15);
    if (pure_ && pick >= 7 && pick <= 9) pick += 5;
    if (pick == 0) return "(" + Make(depth - 1) + "+" + Make(depth - 1) + ")";
    if (pick == 1) return "(" + Make(depth - 1) + "-" + Make(depth - 1) + ")";
    if (pick == 2) return "(" + Make(depth - 1) + "*" + Make(depth - 1) + ")";
    if (pick == 3) return "(" + Make(depth - 1) + "/" + Make(depth - 1) + ")";
    if (pick == 4) return "(" + Make(depth - 1) + "^" + std::to_string(Next(6)) + ")";
    if (pick == 5) return "(-" + Make(depth - 1) + ")";
    if (pick == 6) {
      const unsigned f = Next(5);
      return std::string(kUnary[f]) + Make(depth - 1) + (f == 2 ? "))" : ")");
    }
    if (pick == 7) return "max(" + Make(depth - 1) + ", " + Make(depth - 1) + ")";
    if (pick == 8) return "(" + Make(depth - 1) + " < " + Make(depth - 1) + ")";
    if (pick == 9) return "if(" + Make(depth - 1) + ", " + Make(depth - 1) + ", " + Make(depth - 1) + ")";
    if (pick == 10) return "(" + Make(depth - 1) + "^" + Leaf() + ")";
    // Squares of leaves, taken by the word that reads them; the sine and cosine of leaves, run ahead
    // of the other steps; arithmetic on the previous value, word after word.
    if (pick == 11) return "(" + Leaf() + (Next(2) == 0 ? "^2" : "") + kOps[Next(4)] + Leaf() + "^2)";
    if (pick == 12) {
      return "(" + std::string(Next(2) == 0 ? "sin(" : "cos(") + Leaf() + ")" + kOps[Next(4)] +
             Make(depth - 1) + ")";
    }
    if (pick == 13) {
      return "(((" + Make(depth - 1) + kOps[Next(4)] + Leaf() + ")" + kOps[Next(4)] + Leaf() + ")" +
             kOps[Next(4)] + Leaf() + ")";
    }
    return "(" + Make(depth - 1) + "*" + Make(depth - 1) + "+" + Make(depth - 1) + ")";
  }

 private:
  static constexpr const char* kUnary[] = {"sin(", "cos(", "sqrt(abs(", "abs(", "sqr("};

  std::string Leaf() {
    static const char* const kLeaves[] = {"a", "b", "c", "d", "2", "0.5", "3", "pi", "sin(c)", "cos(a)"};
    return kLeaves[Next(10)];
  }
  unsigned Next(unsigned range) {
    state_ = state_ * 1103515245u + 12345u;
    return (state_ >> 16) % range;
  }
  unsigned state_;
  bool pure_ = false;
};

TEST_F(InlineEvaluation, RandomExpressionsMatchTheNodeRoutines) {
  // clang-format off
  const std::vector<std::string> fixed = {
      "(a*b) + ((c*d) - ((a/b) * ((c+d) / ((a-b) * (c-d)))))", "a*b^2+c*(b^2+d^2+2*b*d*cos(a))",
      "a^3 + (a-b)^3 + a^4 - (c*d)^4 + a^5 + (a+b)^7 + b^0 + (c-d)^1", "sqr(a)^3 + sqr(a-b) + abs(a-b)",
      "-a + -(b*c) + +d + +(a-b) + abs(c) - abs(a*d) + sqrt(a) * sqrt(c+d)", "sin(a)*cos(b) - sin(a+b)"};
  // clang-format on
  for (const bool optimize : {true, false}) {
    parser_.ClearExpressions();
    parser_.SetOptimize(optimize);
    ExpressionMaker maker(optimize ? 7 : 11);
    for (int i = 0; i < 400; ++i) {
      maker.SetPure(i % 2 == 0);
      ExpectSameInEveryPlace(i < static_cast<int>(fixed.size()) ? fixed[static_cast<std::size_t>(i)]
                                                                : maker.Make(5));
    }
  }
  EXPECT_GT(finite_, 10000);  // NaN everywhere would hide differences
}

// The square of a variable is taken where its sum or product needs it, and the sine of a variable
// ahead of every step; neither may move past a routine that writes the variable.
TEST_F(InlineEvaluation, NothingMovesPastAnAssignment) {
  // The values with a = 0.75 before the evaluation.
  // clang-format off
  for (const auto& [text, expected] : std::vector<std::pair<const char*, long double>>{
           {"a^2 + (a := 3)", 0.5625L + 3}, {"sqr(a) * (a := 2)", 0.5625L * 2},
           {"(a := 2) - a^2 + a", 2 - 4 + 2},
           {"sin(a) + (a := 3)", std::sin(0.75L) + 3}, {"(a := 3) + sin(a)", 3 + std::sin(3.0L)}}) {
    // clang-format on
    parser_.AddExpression(text);
    a_ = 0.75L;
    EXPECT_EQ(parser_.Evaluate(), expected) << text;
    a_ = 0.75L;
    EXPECT_EQ(parser_.EvaluateNodes(), expected) << text;
  }
}

}  // namespace
}  // namespace zentrova::test
