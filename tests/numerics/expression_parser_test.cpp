#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "expression_test_support.h"
#include "numerics/expression_parser.h"
#include "numerics/expression_vocabulary.h"
#include "numerics/expression_words.h"

namespace zentrova::test {
namespace {

TEST(ExpressionParser, PrecedenceGroupingSignsAndScanning) {
  struct Row {
    const char* text;
    long double value;
  };
  // clang-format off
  const std::vector<Row> rows = {
      {"2+3*4", 14}, {"2*3+4", 10}, {"10-4-3", 3}, {"64/4/2", 8},  // left grouping
      {"2^3^2", 64}, {"-3^2", 9}, {"-(3^2)", -9},  // "^" groups from the left too; the sign binds tighter
      {"2^3.0", 8}, {"2^-3", 0.125L}, {"not 1 = 2", 1}, {"1 + 2 = 3", 1}, {"1 < 2 and 3 > 2", 1},
      {"3! + 1", 7}, {"2*3!", 12}, {"((2+3))*(4)", 20}, {"max(1+2, 2*2) - min(-1, 3)", 5},
      {"2 * (3 + max(1, if(0, 7, 4))) / 7", 2}, {"sin(0) + cos(0)", 1},
      {"-(-3)", 3}, {"- -3", 3}, {"+-+-3", 3}, {"2*-3", -6}, {"max(-1, -2)", -1},
      {"not not 5", 5}, {"not not not 0", 1}, {"not not -3", -3},
      {"1++2", 2},  // "++" on 1, the 2 is never read
      {"$ff", 255}, {"$FF + 1", 256}, {"$ffffffff", -1}, {".5", 0.5L}, {"1.5e2", 150}, {"1E+2", 100},
      {"25e-1", 2.5L}, {"  2 *\t3  ", 6}, {"1 <> 2", 1}, {"2 >= 1", 1},
      // Extra arguments are dropped.
      {"max(1, 5, 9)", 5}, {"max(1, 5, 9, 10, 11, 12)", 5}, {"sin(0, 1 + 2)", 0}};
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(Eval(row.text), row.value);
  }
  EXPECT_EQ(Eval("PI"), Eval("pi"));
  for (const char* name : {"$", "$xyz", "y"}) EXPECT_TRUE(std::isnan(Eval(name))) << name;  // names
}

TEST(ExpressionParser, RefusedTextsAndTheirMessages) {
  const std::string too_few = "Syntax error: function or operand has too few arguments";
  const std::string nested = "Expression nested too deeply (more than 2000 levels)";
  std::string brackets;
  for (int i = 0; i < 5000; ++i) brackets += "(1+";
  brackets += "1" + std::string(5000, ')');
  std::string ones = "1";
  for (int i = 1; i < 10000; ++i) ones += "+1";
  // Every message but "Unequal brackets" starts with "Error in math expression: ".
  const std::string spaced = " two space limited variables/constants", syntax = "Syntax error in expression ";
  // clang-format off
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"1 == 2", "1" + spaced}, {"1 != 2", "1" + spaced}, {"1 && 2", "1" + spaced},  // unknown tokens
      {"1.5.3", "1.5" + spaced}, {"2x", "2" + spaced}, {"3 4", "3" + spaced}, {"pi x", "pi" + spaced},
      {"foo(1)", "foo is an unknown function"}, {"()", "Empty brackets ()"},
      {"random()", "Empty brackets ()"}, {"(1)(2)", "Missing operand between )("},
      {"(1)x", "Missing operand between ) and constant/variable"},
      {"sin(1) 2", "Missing operand between ) and constant/variable"},
      {"2(1)", "Missing operand between constant/variable and ("},
      {"1 +", too_few}, {"max(1)", too_few}, {"max(1,)", too_few}, {"sin", too_few}, {"1 + sin", too_few},
      {"not", too_few}, {"not not", too_few}, {"1, 2", syntax + "1, 2"}, {"(A, B)", syntax + "(a, b)"},
      {",", syntax + ","}, {"'text'", syntax + "'text'"}, {"'a' + 1", syntax + "'a' + 1"},
      {"1)+(2", syntax + "1)+(2"}, {"max(1, 2, 3, 4, 5, 6, 7)", "Too many arguments in function max"},
      {"sin x", "Function sin needs its arguments in brackets"},
      {"cos -1", "Function cos needs its arguments in brackets"},
      {"2 sin(1)", "Missing operator before function sin"},
      {"sin(1) cos(2)", "Missing operator before function cos"},
      {"sin(1) random", "Missing operator after function sin"}, {brackets, nested}};
  // clang-format on
  for (const auto& [text, message] : rows) {
    SCOPED_TRACE(text.substr(0, 40));
    EXPECT_EQ(CompileError(text), "Error in math expression: " + message);
  }
  for (const char* text : {"1 + (", "(1", "1)"}) EXPECT_EQ(CompileError(text), "Unequal brackets");
  EXPECT_EQ(CompileError("'a' * 'b'"), "* is not a valid string operand");
  EXPECT_EQ(CompileError<EConvertError>("1e"), "'1e' is not a valid number");
  EXPECT_EQ(CompileError<EConvertError>("2e+ 1"), "'2e+' is not a valid number");
  EXPECT_EQ(CompileError<EConvertError>("$100000000"), "'$100000000' is not a valid integer");
  // Integer errors come from folding the constants; floating-point results are no errors.
  EXPECT_EQ(CompileError<EDivByZero>("1 div 0"), "Division by zero in div");
  EXPECT_EQ(CompileError<EDivByZero>("5 mod (2 - 2)"), "Division by zero in mod");
  EXPECT_EQ(CompileError<ERangeError>("not 1e10"),
            "Range check error in not: the value does not fit a 32-bit integer");
  EXPECT_EQ(CompileError<ERangeError>("intpower(2, 1e10)"),
            "Range check error in intpower: the value does not fit a 32-bit integer");
  EXPECT_TRUE(std::isinf(Eval("1/0")));
  EXPECT_TRUE(std::isnan(Eval("sqrt(-1)")));
  std::string deep = "0.5";
  for (int i = 0; i < 1500; ++i) deep = "sqr(" + deep + ")";
  EXPECT_EQ(Eval(deep), 0);
  EXPECT_EQ(Eval(ones), 10000);  // terms are no nesting, however many
  EXPECT_EQ(Eval("2*(" + ones + ")-(" + ones + ")"), 10000);
}

TEST(ExpressionParser, FoldingRunsConstantPartsOnceAndLeavesTheRestToRunTime) {
  TExpressionParser parser, plain;
  plain.SetOptimize(false);
  ExpectValues(parser, {{"--3", 2}, {"--3", 2}});  // decrements the literal: folded, it does so once
  ExpectValues(plain, {{"--3", 2}, {"--3", 1}});
  plain.AddExpression("1 div 0");
  EXPECT_THROW(plain.Evaluate(), EDivByZero);
  struct Fails {
    static void Routine(TEvalNode*) { throw EMathError("Invalid floating point operation"); }
  };
  parser.AddWord(std::make_unique<TFunction>("fails", 1, &Fails::Routine, "raises a math error"));
  EXPECT_EQ(parser.AddExpression("fails(2) + 2*3"), 1);  // a math error is left to run time
  EXPECT_THROW(parser.Evaluate(), EMathError);
}

TEST(ExpressionParser, IncrementsAndAssignmentsWriteTheirVariable) {
  TExpressionParser parser, plain;
  long double a = 5, b = 100;
  parser.DefineVariable("a", &a);
  parser.DefineVariable("b", &b);
  // clang-format off
  ExpectValues(parser, {{"a--", 4}, {"a--", 3}, {"++a", 4}, {"a--b", 3}, {"a - -b", 103}, {"a := a + 1", 4},
                        {"a := a + 1", 5}});
  // clang-format on
  EXPECT_EQ(a, 5);                         // "a--b" decrements a and never reads b
  for (const char* name : {"++", "--"}) {  // without these words doubled signs are two signs
    int index = 0;
    ASSERT_TRUE(plain.Words().Search(name, index));
    plain.Words().AtFree(index);
  }
  ExpectValues(plain, {{"1++2", 3}, {"1--2", 3}, {"--3", 3}});
}

TEST(ExpressionParser, IntegerPowerOnlyForWholeLiterals) {
  TExpressionParser parser;
  parser.SetOptimize(false);
  long double x = 2;
  parser.DefineVariable("x", &x);
  // "x^-2" takes "-@"(2); 1e-3 and 5e9 are no 32-bit integers.
  // clang-format off
  for (const auto& [text, word] : std::vector<std::pair<const char*, const char*>>{
           {"x^2", "^@"}, {"x^1e3", "^@"}, {"x^$10", "^@"}, {"x^2.0", "^"}, {"x^pi", "^"}, {"x^x", "^"},
           {"x^-2", "^"}, {"x^1e-3", "^"}, {"x^5e9", "^"}}) {
    // clang-format on
    parser.AddExpression(text);
    EXPECT_EQ(parser.LastNode()->Word->Name(), word) << text;
  }
  EXPECT_EQ(Eval(parser, "x^1e-3"), std::pow(2.0L, 1e-3L));  // not 2^R(0.001) = 1
  x = 3;
  ExpectValues(parser, {{"x^3", 27}, {"x^0", 1}, {"x^10", 59049}});
}

TEST(ExpressionParser, CacheIgnoresLetterCase) {
  TExpressionParser parser;
  EXPECT_TRUE(std::isnan(parser.Evaluate()));  // no chain yet
  long double x = 2;
  parser.DefineVariable("x", &x);
  EXPECT_EQ(parser.AddExpression("X+1"), 0);
  const TEvalNode* first = parser.FirstNode();
  EXPECT_EQ(parser.AddExpression("x*2"), 1);
  EXPECT_EQ(parser.AddExpression("x+1"), 0);
  EXPECT_EQ(parser.FirstNode(), first);  // not compiled again
  EXPECT_EQ(parser.GetCurrentExpression(), "X+1");
  // An empty text leaves the current chain in place; a failed compile caches and changes nothing.
  EXPECT_EQ(parser.AddExpression(""), -1);
  EXPECT_EQ(parser.GetCurrentExpression(), "");
  EXPECT_THROW(parser.AddExpression("x x"), EParserException);
  EXPECT_EQ(parser.ExpressionCount(), 2);
  EXPECT_EQ(parser.Evaluate(), 3);
  parser.ClearExpressions();
  EXPECT_EQ(parser.ExpressionCount() + parser.CurrentIndex(), -1);
  EXPECT_TRUE(std::isnan(parser.Evaluate()));
}

TEST(ExpressionParser, NamesAreSharedAndRebound) {
  TExpressionParser parser;
  // A new name is one variable of value NaN for every expression of the parser, also after a failure.
  EXPECT_TRUE(std::isnan(Eval(parser, "v * 2")));
  EXPECT_EQ(Eval(parser, "v := 4"), 4);
  EXPECT_THROW(parser.AddExpression("zz(1)"), EParserException);
  EXPECT_NE(dynamic_cast<TGeneratedVariable*>(parser.Words().Find("zz")), nullptr);
  EXPECT_EQ(parser.AddExpression("v + 1"), 2);
  EXPECT_EQ(parser.AddExpression("sqr(3)"), 3);
  parser.SetOptimize(false);
  EXPECT_EQ(parser.AddExpression("sqr(v)"), 4);
  EXPECT_EQ(Eval(parser, "v * 2"), 8);
  // A definition rebinds every cached chain; the current one stays current.
  long double v = 5, w = 7;
  parser.DefineVariable("V", &v);
  EXPECT_EQ(parser.CurrentIndex(), 0);
  EXPECT_EQ(parser.Evaluate(), 10);
  EXPECT_EQ(Eval(parser, "v + 1"), 6);
  v = -1;
  EXPECT_EQ(parser.Evaluate(), 0);  // read through the address at every evaluation
  parser.DefineVariable("v", &w);
  EXPECT_EQ(parser.Evaluate(), 8);
  // A function replaced by one of the same argument count: every chain calls the new routine; one
  // folded before keeps its value. "pi" and "random" take no arguments: a variable replaces them.
  struct Cube {
    static void Routine(TEvalNode* n) { n->Value = *n->Args[0] * *n->Args[0] * *n->Args[0]; }
  };
  parser.AddWord(std::make_unique<TFunction>("sqr", 1, &Cube::Routine, "cube"));
  parser.DefineVariable("pi", &w);
  ExpectValues(parser, {{"sqr(v)", 343}, {"sqr(3)", 9}, {"pi * 2", 14}});
  // Another number of arguments is refused, and so is a word without a value for a variable that
  // compiled chains read.
  EXPECT_THROW(parser.DefineVariable("min", &w), Exception);
  EXPECT_THROW(parser.AddWord(std::make_unique<TVaryingFunction>("v", 0, &CopyRoutine, "")), Exception);
  ExpectValues(parser, {{"min(1, 2)", 1}, {"v + 1", 8}});
}

TEST(ExpressionParser, DefinedStringFunctionsTakeOneOrTwoStrings) {
  struct CountA {
    static long double Routine(const std::string& s1, const std::string& s2) {
      return static_cast<long double>(std::count(s1.begin(), s1.end(), 'a') +
                                      std::count(s2.begin(), s2.end(), 'a'));
    }
  };
  TExpressionParser parser;
  parser.DefineStringFunction("counta", "counts the a", &CountA::Routine);
  ExpectValues(parser, {{"counta('banana', 'a') + 1", 5}, {"counta('aa')", 2}});
}

TEST(ExpressionParser, CommaAsDecimalSeparator) {
  DecimalSeparatorScope scope(',');
  TExpressionParser parser;
  ExpectValues(parser, {{"1,5 * 2", 3}, {"max(1,5; 2)", 2}});
  parser.SetOptimize(false);
  parser.AddExpression("3^2,0");
  EXPECT_EQ(parser.LastNode()->Word->Name(), "^");
  parser.AddExpression("3^2");
  EXPECT_EQ(parser.LastNode()->Word->Name(), "^@");
  EXPECT_EQ(CompileError(parser, "max(1, 2)"),
            "Error in math expression: 1, two space limited variables/constants");
  EXPECT_EQ(CompileError(parser, "max(1 . 2)"),
            "Error in math expression: 1 two space limited variables/constants");
  SetDecimalSeparator('.');  // the parser keeps the separators it was made with
  EXPECT_EQ(Eval(parser, "2,5 + 1"), 3.5L);
}

}  // namespace
}  // namespace zentrova::test
