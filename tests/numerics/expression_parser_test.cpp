#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "expression_test_support.h"
#include "numerics/expression_parser.h"
#include "numerics/expression_vocabulary.h"
#include "numerics/expression_words.h"
#include "numerics_test_support.h"

namespace zentrova {
namespace {

using test::CompileError;
using test::Eval;
using test::SameBits;

int ChainLength(const TExpressionParser& parser) {
  int n = 0;
  for (const TEvalNode* node = parser.FirstNode(); node != nullptr; node = node->Next) ++n;
  return n;
}

// The words of the chain's nodes, in evaluation order.
std::vector<std::string> ChainWords(const TExpressionParser& parser) {
  std::vector<std::string> names;
  for (const TEvalNode* node = parser.FirstNode(); node != nullptr; node = node->Next) {
    names.push_back(node->Word->Name());
  }
  return names;
}

TEST(ExpressionParser, PrecedenceAndGrouping) {
  EXPECT_EQ(Eval("2+3*4"), 14);
  EXPECT_EQ(Eval("2*3+4"), 10);
  EXPECT_EQ(Eval("10-4-3"), 3);  // left grouping
  EXPECT_EQ(Eval("64/4/2"), 8);
  EXPECT_EQ(Eval("2^3^2"), 64);  // "^" groups from the left too
  EXPECT_EQ(Eval("-3^2"), 9);    // the unary minus binds tighter than "^"
  EXPECT_EQ(Eval("-(3^2)"), -9);
  EXPECT_EQ(Eval("2^3"), 8);
  EXPECT_EQ(Eval("2^3.0"), 8);
  EXPECT_EQ(Eval("2^-3"), 0.125L);
  EXPECT_EQ(Eval("not 1 = 2"), 1);  // not (1 = 2)
  EXPECT_EQ(Eval("1 + 2 = 3"), 1);
  EXPECT_EQ(Eval("1 < 2 and 3 > 2"), 1);
  EXPECT_EQ(Eval("3! + 1"), 7);  // a postfix operator takes what stands before it
  EXPECT_EQ(Eval("2*3!"), 12);
  EXPECT_EQ(Eval("((2+3))*(4)"), 20);
  EXPECT_EQ(Eval("max(1+2, 2*2) - min(-1, 3)"), 5);
  EXPECT_EQ(Eval("2 * (3 + max(1, if(0, 7, 4))) / 7"), 2);
  EXPECT_EQ(Eval("sin(0) + cos(0)"), 1);
}

TEST(ExpressionParser, SignRunsAndIncrements) {
  EXPECT_EQ(Eval("-(-3)"), 3);
  EXPECT_EQ(Eval("- -3"), 3);
  EXPECT_EQ(Eval("+-+-3"), 3);
  EXPECT_EQ(Eval("2*-3"), -6);
  EXPECT_EQ(Eval("max(-1, -2)"), -1);
  EXPECT_EQ(Eval("not not 5"), 5);
  EXPECT_EQ(Eval("not not not 0"), 1);
  EXPECT_EQ(Eval("not not -3"), -3);

  // "--" applied to the literal 3, folded once at compile time.
  TExpressionParser parser;
  EXPECT_EQ(parser.AddExpression("--3"), 0);
  EXPECT_EQ(parser.Evaluate(), 2);
  EXPECT_EQ(parser.Evaluate(), 2);
  EXPECT_EQ(ChainLength(parser), 1);

  long double a = 5, b = 100;
  parser.DefineVariable("a", &a);
  parser.DefineVariable("b", &b);
  parser.AddExpression("a--");
  EXPECT_EQ(parser.Evaluate(), 4);
  EXPECT_EQ(parser.Evaluate(), 3);
  EXPECT_EQ(a, 3);
  parser.AddExpression("++a");
  EXPECT_EQ(parser.Evaluate(), 4);
  parser.AddExpression("a--b");  // decrements a and never reads b
  EXPECT_EQ(parser.Evaluate(), 3);
  EXPECT_EQ(a, 3);
  parser.AddExpression("a - -b");
  EXPECT_EQ(parser.Evaluate(), 103);
  parser.AddExpression("a := a + 1");
  EXPECT_EQ(parser.Evaluate(), 4);
  EXPECT_EQ(parser.Evaluate(), 5);
  EXPECT_EQ(a, 5);
}

TEST(ExpressionParser, IncrementTokensNeedTheirWords) {
  TExpressionParser parser;
  EXPECT_EQ(parser.AddExpression("1++2"), 0);  // "++" on 1, the 2 is never read
  EXPECT_EQ(parser.Evaluate(), 2);

  TExpressionParser plain;
  for (const char* name : {"++", "--"}) {
    int index = 0;
    ASSERT_TRUE(plain.Words().Search(name, index));
    plain.Words().AtFree(index);
  }
  plain.AddExpression("1++2");
  EXPECT_EQ(plain.Evaluate(), 3);
  plain.AddExpression("1--2");
  EXPECT_EQ(plain.Evaluate(), 3);
  plain.AddExpression("--3");
  EXPECT_EQ(plain.Evaluate(), 3);
}

TEST(ExpressionParser, Scanning) {
  EXPECT_EQ(Eval("$ff"), 255);
  EXPECT_EQ(Eval("$FF + 1"), 256);
  EXPECT_EQ(Eval("$ffffffff"), -1);  // a 32-bit pattern
  EXPECT_EQ(Eval(".5"), 0.5L);
  EXPECT_EQ(Eval("1.5e2"), 150);
  EXPECT_EQ(Eval("1E+2"), 100);
  EXPECT_EQ(Eval("25e-1"), 2.5L);
  EXPECT_EQ(Eval("  2 *\t3  "), 6);
  EXPECT_EQ(Eval("1 <> 2"), 1);
  EXPECT_EQ(Eval("2 >= 1"), 1);
  EXPECT_EQ(Eval("PI"), Eval("pi"));
  EXPECT_TRUE(std::isnan(Eval("$")));  // "$" without digits is a name
  EXPECT_TRUE(std::isnan(Eval("$xyz")));
  EXPECT_EQ(CompileError<EConvertError>("1e"), "'1e' is not a valid number");
  EXPECT_EQ(CompileError<EConvertError>("2e+ 1"), "'2e+' is not a valid number");
  EXPECT_EQ(CompileError<EConvertError>("$100000000"), "'$100000000' is not a valid integer");
  // Tokens that name no word become generated variables and fail the checks.
  EXPECT_EQ(CompileError("1 == 2"), "Error in math expression: 1 two space limited variables/constants");
  EXPECT_EQ(CompileError("1 != 2"), "Error in math expression: 1 two space limited variables/constants");
  EXPECT_EQ(CompileError("1 && 2"), "Error in math expression: 1 two space limited variables/constants");
  EXPECT_EQ(CompileError("1.5.3"), "Error in math expression: 1.5 two space limited variables/constants");
  EXPECT_EQ(CompileError("2x"), "Error in math expression: 2 two space limited variables/constants");
}

TEST(ExpressionParser, PreprocessingMessages) {
  EXPECT_EQ(CompileError("3 4"), "Error in math expression: 3 two space limited variables/constants");
  EXPECT_EQ(CompileError("foo(1)"), "Error in math expression: foo is an unknown function");
  EXPECT_EQ(CompileError("()"), "Error in math expression: Empty brackets ()");
  EXPECT_EQ(CompileError("random()"), "Error in math expression: Empty brackets ()");
  EXPECT_EQ(CompileError("1 + ("), "Unequal brackets");
  EXPECT_EQ(CompileError("(1)(2)"), "Error in math expression: Missing operand between )(");
  EXPECT_EQ(CompileError("(1)x"),
            "Error in math expression: Missing operand between ) and constant/variable");
  EXPECT_EQ(CompileError("(1"), "Unequal brackets");
  EXPECT_EQ(CompileError("1)"), "Unequal brackets");
  EXPECT_EQ(CompileError("2(1)"),
            "Error in math expression: Missing operand between constant/variable and (");
  TExpressionParser parser;
  long double x = 1;
  parser.DefineVariable("x", &x);
  EXPECT_EQ(CompileError(parser, "x(1)"),
            "Error in math expression: Missing operand between constant/variable and (");
  EXPECT_EQ(CompileError(parser, "x y"), "Error in math expression: x two space limited variables/constants");
  EXPECT_EQ(CompileError(parser, "pi x"),
            "Error in math expression: pi two space limited variables/constants");
}

TEST(ExpressionParser, TreeErrors) {
  EXPECT_EQ(CompileError("1 +"),
            "Error in math expression: Syntax error: function or operand has too few arguments");
  EXPECT_EQ(CompileError("max(1)"),
            "Error in math expression: Syntax error: function or operand has too few arguments");
  EXPECT_EQ(CompileError("max(1,)"),
            "Error in math expression: Syntax error: function or operand has too few arguments");
  EXPECT_EQ(CompileError("sin"),
            "Error in math expression: Syntax error: function or operand has too few arguments");
  EXPECT_EQ(CompileError("not"),
            "Error in math expression: Syntax error: function or operand has too few arguments");
  EXPECT_EQ(CompileError("not not"),
            "Error in math expression: Syntax error: function or operand has too few arguments");
  EXPECT_EQ(CompileError("1, 2"), "Error in math expression: Syntax error in expression 1, 2");
  EXPECT_EQ(CompileError("(A, B)"), "Error in math expression: Syntax error in expression (a, b)");
  EXPECT_EQ(CompileError(","), "Error in math expression: Syntax error in expression ,");
  EXPECT_EQ(CompileError("'text'"), "Error in math expression: Syntax error in expression 'text'");
  EXPECT_EQ(CompileError("'a' + 1"), "Error in math expression: Syntax error in expression 'a' + 1");
  EXPECT_EQ(CompileError("1)+(2"), "Error in math expression: Syntax error in expression 1)+(2");
}

TEST(ExpressionParser, DeepNestingIsRefused) {
  const auto sum_of_ones = [](int n) {
    std::string text = "1";
    for (int i = 1; i < n; ++i) text += "+1";
    return text;
  };
  EXPECT_EQ(Eval(sum_of_ones(1500)), 1500);
  std::string nested = "0.5";
  for (int i = 0; i < 1500; ++i) nested = "sqr(" + nested + ")";
  EXPECT_EQ(Eval(nested), 0);
  const std::string message =
      "Error in math expression: Expression nested too deeply (more than 2000 levels)";
  EXPECT_EQ(CompileError(sum_of_ones(10000)), message);
  std::string brackets;
  for (int i = 0; i < 5000; ++i) brackets += "(1+";
  brackets += "1" + std::string(5000, ')');
  EXPECT_EQ(CompileError(brackets), message);
}

TEST(ExpressionParser, ArgumentsPastTheCount) {
  // Extra arguments are dropped (and freed); the seventh is refused.
  EXPECT_EQ(Eval("max(1, 5, 9)"), 5);
  EXPECT_EQ(Eval("max(1, 5, 9, 10, 11, 12)"), 5);
  EXPECT_EQ(Eval("sin(0, 1 + 2)"), 0);
  EXPECT_EQ(CompileError("max(1, 2, 3, 4, 5, 6, 7)"),
            "Error in math expression: Too many arguments in function max");
  EXPECT_EQ(CompileError("max(1, 2, 3, 4, 5, 6, 7, 8, 9)"),
            "Error in math expression: Too many arguments in function max");
  // A function name needs its bracket.
  EXPECT_EQ(CompileError("sin x"), "Error in math expression: Function sin needs its arguments in brackets");
  EXPECT_EQ(CompileError("1 + sin"),
            "Error in math expression: Syntax error: function or operand has too few arguments");
  EXPECT_EQ(CompileError("cos -1"), "Error in math expression: Function cos needs its arguments in brackets");
  // Operands that no operator joins to a call are not dropped silently.
  EXPECT_EQ(CompileError("2 sin(1)"), "Error in math expression: Missing operator before function sin");
  EXPECT_EQ(CompileError("sin(1) cos(2)"), "Error in math expression: Missing operator before function cos");
  EXPECT_EQ(CompileError("sin(1) random"), "Error in math expression: Missing operator after function sin");
  EXPECT_EQ(CompileError("sin(1) 2"),
            "Error in math expression: Missing operand between ) and constant/variable");
}

TEST(ExpressionParser, IntegerPowerOnlyForWholeLiterals) {
  TExpressionParser parser;
  parser.SetOptimize(false);
  long double x = 2;
  parser.DefineVariable("x", &x);
  const std::vector<std::pair<const char*, const char*>> rows = {
      {"x^2", "^@"},   {"x^1e3", "^@"}, {"x^$10", "^@"}, {"x^2.0", "^"},
      {"x^pi", "^"},   {"x^x", "^"},    {"x^-2", "^"},  // the exponent is "-@"(2)
      {"x^1e-3", "^"}, {"x^5e9", "^"}};
  for (const auto& [text, word] : rows) {
    SCOPED_TRACE(text);
    parser.AddExpression(text);
    EXPECT_EQ(parser.LastNode()->Word->Name(), word);
  }
  parser.AddExpression("x^1e-3");
  EXPECT_EQ(parser.Evaluate(), std::pow(2.0L, 1e-3L));  // not 2^R(0.001) = 1
  parser.AddExpression("x^5e9");
  x = 1;
  EXPECT_EQ(parser.Evaluate(), 1);
  x = 3;
  parser.AddExpression("x^3");
  EXPECT_EQ(parser.Evaluate(), 27);
  parser.AddExpression("x^0");
  EXPECT_EQ(parser.Evaluate(), 1);
  parser.AddExpression("x^10");
  EXPECT_EQ(parser.Evaluate(), 59049);
}

TEST(ExpressionParser, FoldingAndChains) {
  TExpressionParser parser;
  EXPECT_TRUE(std::isnan(parser.Evaluate()));  // no chain yet
  EXPECT_EQ(parser.AddExpression(""), -1);
  EXPECT_EQ(parser.CurrentIndex(), -1);
  EXPECT_TRUE(std::isnan(parser.Evaluate()));

  long double x = 3;
  parser.DefineVariable("x", &x);
  parser.AddExpression("x");
  ASSERT_EQ(ChainLength(parser), 1);
  EXPECT_EQ(parser.FirstNode()->Routine, &CopyRoutine);
  EXPECT_EQ(parser.FirstNode()->Args[0], &x);
  EXPECT_EQ(parser.Evaluate(), 3);

  parser.AddExpression("2*3+1");
  ASSERT_EQ(ChainLength(parser), 1);
  EXPECT_EQ(parser.FirstNode()->Routine, &CopyRoutine);
  EXPECT_EQ(parser.Evaluate(), 7);

  parser.AddExpression("1 < 2");
  ASSERT_EQ(ChainLength(parser), 1);
  EXPECT_NE(dynamic_cast<TBooleanConstant*>(parser.FirstNode()->Word), nullptr);
  EXPECT_EQ(parser.Evaluate(), 1);

  // Only the constant parts of a varying expression fold; operands are read by address.
  parser.AddExpression("x * (2 + 3) + sin(0)");
  EXPECT_EQ(ChainWords(parser), (std::vector<std::string>{"*", "+"}));
  EXPECT_EQ(parser.FirstNode()->Args[0], &x);
  EXPECT_EQ(parser.LastNode()->Args[0], &parser.FirstNode()->Value);
  EXPECT_EQ(parser.Evaluate(), 15);

  parser.AddExpression("random * 0");
  EXPECT_EQ(ChainWords(parser), (std::vector<std::string>{"random", "*"}));

  TExpressionParser plain;
  plain.SetOptimize(false);
  plain.AddExpression("2*3+1");
  EXPECT_EQ(ChainWords(plain), (std::vector<std::string>{"*", "+"}));
  EXPECT_EQ(plain.Evaluate(), 7);
  plain.AddExpression("2 = 2");
  EXPECT_EQ(ChainWords(plain), (std::vector<std::string>{"="}));
}

TEST(ExpressionParser, FoldingRaisesIntegerErrors) {
  EXPECT_EQ(CompileError<EDivByZero>("1 div 0"), "Division by zero in div");
  EXPECT_EQ(CompileError<EDivByZero>("5 mod (2 - 2)"), "Division by zero in mod");
  EXPECT_EQ(CompileError<ERangeError>("not 1e10"),
            "Range check error in not: the value does not fit a 32-bit integer");
  EXPECT_EQ(CompileError<ERangeError>("intpower(2, 1e10)"),
            "Range check error in intpower: the value does not fit a 32-bit integer");
  // Floating-point results are no errors: they fold to NaN or infinity.
  EXPECT_TRUE(std::isinf(Eval("1/0")));
  EXPECT_TRUE(std::isnan(Eval("sqrt(-1)")));
  // Without folding the same errors come at evaluation.
  TExpressionParser plain;
  plain.SetOptimize(false);
  plain.AddExpression("1 div 0");
  EXPECT_THROW(plain.Evaluate(), EDivByZero);
}

void ThrowMathError(TEvalNode*) {
  throw EMathError("Invalid floating point operation");
}

TEST(ExpressionParser, FoldingSwallowsOnlyMathErrors) {
  TExpressionParser parser;
  parser.AddWord(std::make_unique<TFunction>("fails", 1, &ThrowMathError, "raises a math error"));
  EXPECT_EQ(parser.AddExpression("fails(2) + 2*3"), 0);
  // The failing sub-tree stays whole for run time.
  EXPECT_EQ(ChainWords(parser), (std::vector<std::string>{"fails", "*", "+"}));
  EXPECT_THROW(parser.Evaluate(), EMathError);
  parser.AddExpression("1 + 2*3");
  EXPECT_EQ(ChainLength(parser), 1);
}

TEST(ExpressionParser, CacheIgnoresLetterCase) {
  TExpressionParser parser;
  long double x = 2;
  parser.DefineVariable("x", &x);
  EXPECT_EQ(parser.AddExpression("X+1"), 0);
  const TEvalNode* first = parser.FirstNode();
  EXPECT_EQ(parser.AddExpression("x*2"), 1);
  EXPECT_EQ(parser.AddExpression("x+1"), 0);
  EXPECT_EQ(parser.FirstNode(), first);  // not compiled again
  EXPECT_EQ(parser.ExpressionCount(), 2);
  EXPECT_EQ(parser.GetCurrentExpression(), "X+1");
  EXPECT_EQ(parser.Evaluate(), 3);
  // An empty text leaves the current chain in place.
  EXPECT_EQ(parser.AddExpression(""), -1);
  EXPECT_EQ(parser.GetCurrentExpression(), "");
  EXPECT_EQ(parser.Evaluate(), 3);
  // A failed compile caches nothing and changes nothing.
  EXPECT_THROW(parser.AddExpression("x x"), EParserException);
  EXPECT_EQ(parser.ExpressionCount(), 2);
  EXPECT_EQ(parser.Evaluate(), 3);
  parser.ClearExpressions();
  EXPECT_EQ(parser.ExpressionCount(), 0);
  EXPECT_EQ(parser.CurrentIndex(), -1);
  EXPECT_EQ(parser.FirstNode(), nullptr);
  EXPECT_TRUE(std::isnan(parser.Evaluate()));
}

TEST(ExpressionParser, VariablesAreReadByAddress) {
  TExpressionParser parser;
  long double q = 2, l = 0.5L;
  parser.DefineVariable("q", &q);
  parser.DefineVariable("L", &l);
  parser.AddExpression("q*q + l");
  EXPECT_EQ(parser.Evaluate(), 4.5L);
  q = 3;
  EXPECT_EQ(parser.Evaluate(), 9.5L);
  l = -1;
  EXPECT_EQ(parser.Evaluate(), 8);
}

TEST(ExpressionParser, GeneratedVariablesPersistInTheParser) {
  TExpressionParser parser;
  parser.AddExpression("y * 2");
  EXPECT_TRUE(std::isnan(parser.Evaluate()));
  auto* y = dynamic_cast<TGeneratedVariable*>(parser.Words().Find("y"));
  ASSERT_NE(y, nullptr);
  parser.AddExpression("y := 4");
  EXPECT_EQ(parser.Evaluate(), 4);
  EXPECT_EQ(y->Value(), 4);
  parser.AddExpression("y * 2");
  EXPECT_EQ(parser.Evaluate(), 8);  // the same word in both expressions
  // A failed compile keeps its new names too.
  EXPECT_THROW(parser.AddExpression("zz(1)"), EParserException);
  EXPECT_NE(dynamic_cast<TGeneratedVariable*>(parser.Words().Find("zz")), nullptr);
}

TEST(ExpressionParser, DefiningAWordRebindsEveryCachedChain) {
  TExpressionParser parser;
  EXPECT_EQ(parser.AddExpression("v * 2"), 0);
  EXPECT_EQ(parser.AddExpression("v + 1"), 1);
  EXPECT_EQ(parser.AddExpression("v"), 2);
  EXPECT_EQ(parser.AddExpression("sqr(3)"), 3);
  parser.SetOptimize(false);
  EXPECT_EQ(parser.AddExpression("sqr(v)"), 4);
  EXPECT_EQ(parser.AddExpression("v * 2"), 0);
  EXPECT_TRUE(std::isnan(parser.Evaluate()));

  long double v = 5;
  parser.DefineVariable("V", &v);
  EXPECT_EQ(parser.CurrentIndex(), 0);  // stays current
  EXPECT_EQ(parser.Evaluate(), 10);
  parser.AddExpression("v + 1");
  EXPECT_EQ(parser.Evaluate(), 6);
  parser.AddExpression("v");
  EXPECT_EQ(parser.Evaluate(), 5);
  EXPECT_NE(dynamic_cast<TFloatVariable*>(parser.Words().Find("v")), nullptr);

  // A second definition moves the chains to the new address.
  long double w = 7;
  parser.DefineVariable("v", &w);
  EXPECT_EQ(parser.Evaluate(), 7);

  // A function replaced by one of the same argument count: every chain calls the new routine.
  struct Cube {
    static void Routine(TEvalNode* n) { n->Value = *n->Args[0] * *n->Args[0] * *n->Args[0]; }
  };
  parser.AddWord(std::make_unique<TFunction>("sqr", 1, &Cube::Routine, "cube"));
  parser.AddExpression("sqr(v)");
  EXPECT_EQ(parser.Evaluate(), 343);
  parser.AddExpression("sqr(3)");
  EXPECT_EQ(parser.Evaluate(), 9);  // folded before the replacement
  EXPECT_EQ(parser.Words().Find("sqr")->Description(), "cube");

  // "pi" and "random" take no arguments: a variable replaces them silently.
  long double p = 3;
  parser.DefineVariable("pi", &p);
  parser.AddExpression("pi * 2");
  EXPECT_EQ(parser.Evaluate(), 6);
}

TEST(ExpressionParser, ReplacementNeedsTheSameArgumentCount) {
  TExpressionParser parser;
  long double m = 1;
  try {
    parser.DefineVariable("min", &m);
    FAIL();
  } catch (const EParserException&) {
    FAIL() << "the base exception, not the parser's";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(),
                 "Error in math expression: Cannot replace variable/function NFuntionArg doesn't match");
  }
  EXPECT_NE(dynamic_cast<TFunction*>(parser.Words().Find("min")), nullptr);  // unchanged
  parser.AddExpression("min(1, 2)");
  EXPECT_EQ(parser.Evaluate(), 1);

  // A variable that compiled chains read cannot become a word without a value.
  parser.AddExpression("q + 1");
  EXPECT_THROW(parser.AddWord(std::make_unique<TVaryingFunction>("q", 0, &CopyRoutine, "")), Exception);
  EXPECT_NE(dynamic_cast<TGeneratedVariable*>(parser.Words().Find("q")), nullptr);
}

// A word whose text a string function reads.
class TTextWord : public TExprWord {
 public:
  TTextWord(std::string_view name, std::string text)
      : TExprWord(name, &CopyRoutine), text_(std::move(text)) {}
  const std::string& AsString() const override { return text_; }
  bool CanVary() const override { return true; }
  std::uint8_t ResultType() const override { return kResultString; }
  long double* ValuePointer() override { return &value_; }

 private:
  std::string text_;
  long double value_ = 0;
};

TEST(ExpressionParser, ReplacingAStringOperandRebindsTheStringFunction) {
  TExpressionParser parser;
  parser.AddWord(std::make_unique<TTextWord>("s", "b"));
  parser.AddExpression("pos(s, 'abc')");
  EXPECT_EQ(parser.Evaluate(), 2);
  parser.AddWord(std::make_unique<TTextWord>("s", "c"));  // frees the old word
  EXPECT_EQ(parser.Evaluate(), 3);
}

long double CountA(const std::string& s1, const std::string& s2) {
  return static_cast<long double>(std::count(s1.begin(), s1.end(), 'a') +
                                  std::count(s2.begin(), s2.end(), 'a'));
}

TEST(ExpressionParser, DefinedStringFunctions) {
  TExpressionParser parser;
  parser.DefineStringFunction("counta", "counts the a", &CountA);
  parser.AddExpression("counta('banana', 'a') + 1");
  EXPECT_EQ(parser.Evaluate(), 5);
  parser.AddExpression("counta('aa')");
  EXPECT_EQ(parser.Evaluate(), 2);
}

TEST(ExpressionParser, CommaAsDecimalSeparator) {
  test::DecimalSeparatorScope scope(',');
  TExpressionParser parser;
  EXPECT_EQ(parser.DecimalSep(), ',');
  EXPECT_EQ(parser.ListSep(), ';');
  parser.AddExpression("1,5 * 2");
  EXPECT_EQ(parser.Evaluate(), 3);
  parser.AddExpression("max(1,5; 2)");
  EXPECT_EQ(parser.Evaluate(), 2);
  parser.SetOptimize(false);
  parser.AddExpression("3^2,0");
  EXPECT_EQ(parser.LastNode()->Word->Name(), "^");
  parser.AddExpression("3^2");
  EXPECT_EQ(parser.LastNode()->Word->Name(), "^@");
  EXPECT_EQ(parser.Evaluate(), 9);
  EXPECT_EQ(CompileError(parser, "max(1, 2)"),
            "Error in math expression: 1, two space limited variables/constants");
  EXPECT_EQ(CompileError(parser, "max(1 . 2)"),
            "Error in math expression: 1 two space limited variables/constants");
  // The parser keeps the separators it was made with.
  SetDecimalSeparator('.');
  parser.AddExpression("2,5 + 1");
  EXPECT_EQ(parser.Evaluate(), 3.5L);
}

// The base class's own versions keep only the last chain.
class TSingleParser : public TCustomExpressionParser {
 public:
  TSingleParser() { FillExpressList(); }
  void FillExpressList() override { FillVocabulary(Words(), ListSep()); }
  std::string GetCurrentExpression() const override { return {}; }
};

TEST(ExpressionParser, BaseParserKeepsOneChain) {
  TSingleParser parser;
  EXPECT_EQ(parser.AddExpression(""), -1);
  EXPECT_TRUE(std::isnan(parser.Evaluate()));
  EXPECT_EQ(parser.AddExpression("u + 1"), 0);
  EXPECT_TRUE(std::isnan(parser.Evaluate()));
  long double u = 1;
  parser.DefineVariable("u", &u);  // rebinds the current chain
  EXPECT_EQ(parser.Evaluate(), 2);
  EXPECT_EQ(parser.AddExpression("u * 10"), 0);
  EXPECT_EQ(parser.Evaluate(), 10);
  parser.ClearExpressions();
  EXPECT_EQ(parser.FirstNode(), nullptr);
  EXPECT_TRUE(std::isnan(parser.Evaluate()));
}

}  // namespace
}  // namespace zentrova

namespace zentrova {
namespace {

// Random expressions over a few variables, written out with every bracket.
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
    switch (pick) {
      case 0:
        return "(" + Make(depth - 1) + "+" + Make(depth - 1) + ")";
      case 1:
        return "(" + Make(depth - 1) + "-" + Make(depth - 1) + ")";
      case 2:
        return "(" + Make(depth - 1) + "*" + Make(depth - 1) + ")";
      case 3:
        return "(" + Make(depth - 1) + "/" + Make(depth - 1) + ")";
      case 4:
        return "(" + Make(depth - 1) + "^" + std::to_string(Next(6)) + ")";
      case 5:
        return "(-" + Make(depth - 1) + ")";
      case 6: {
        const unsigned f = Next(5);
        return std::string(kUnary[f]) + Make(depth - 1) + (f == 2 ? "))" : ")");
      }
      case 7:
        return "max(" + Make(depth - 1) + ", " + Make(depth - 1) + ")";
      case 8:
        return "(" + Make(depth - 1) + " < " + Make(depth - 1) + ")";
      case 9:
        return "if(" + Make(depth - 1) + ", " + Make(depth - 1) + ", " + Make(depth - 1) + ")";
      case 10:
        return "(" + Make(depth - 1) + "^" + Leaf() + ")";
      case 11:  // squares of leaves, taken by the word that reads them
        return "(" + Leaf() + (Next(2) == 0 ? "^2" : "") + kBinary[Next(4)] + Leaf() + "^2)";
      case 12:  // the sine and cosine of leaves, run ahead of the other steps
        return "(" + std::string(Next(2) == 0 ? "sin(" : "cos(") + Leaf() + ")" + kBinary[Next(4)] +
               Make(depth - 1) + ")";
      case 13:  // arithmetic on the previous value, word after word
        return "(((" + Make(depth - 1) + kBinary[Next(4)] + Leaf() + ")" + kBinary[Next(4)] + Leaf() + ")" +
               kBinary[Next(4)] + Leaf() + ")";
      default:
        return "(" + Make(depth - 1) + "*" + Make(depth - 1) + "+" + Make(depth - 1) + ")";
    }
  }

 private:
  static constexpr const char* kUnary[] = {"sin(", "cos(", "sqrt(abs(", "abs(", "sqr("};
  static constexpr const char* kBinary[] = {"+", "-", "*", "/"};

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

TEST(ExpressionParser, InlineEvaluationMatchesTheNodeRoutines) {
  long double a = 0.75L, b = -1.25L, c = 3, d = 0.1L;
  const std::vector<std::string> fixed = {"a^2",
                                          "a^3",
                                          "a^4",
                                          "(a+b)^3",
                                          "c*(a+b)^4 - d^2",
                                          "sqr(a)^3",
                                          "a*b + (c - d)*(a + b*(c - a))",
                                          "cos(a) * (b + sin(c))"};
  for (const bool optimize : {true, false}) {
    TExpressionParser parser;
    parser.SetOptimize(optimize);
    parser.DefineVariable("a", &a);
    parser.DefineVariable("b", &b);
    parser.DefineVariable("c", &c);
    parser.DefineVariable("d", &d);
    ExpressionMaker maker(optimize ? 7 : 11);
    int finite = 0;
    for (int i = 0; i < 400; ++i) {
      maker.SetPure(i % 2 == 0);
      const std::string text =
          i < static_cast<int>(fixed.size()) ? fixed[static_cast<std::size_t>(i)] : maker.Make(5);
      SCOPED_TRACE(text);
      parser.AddExpression(text);
      for (const long double value : {0.75L, -2.5L}) {
        a = value;
        const long double inline_value = parser.Evaluate();
        const long double node_value = parser.EvaluateNodes();
        ASSERT_TRUE(SameBits(inline_value, node_value))
            << static_cast<double>(inline_value) << " " << static_cast<double>(node_value);
        if (std::isfinite(inline_value)) ++finite;
      }
    }
    EXPECT_GT(finite, 600);  // NaN everywhere would hide differences
  }
}

}  // namespace
}  // namespace zentrova
