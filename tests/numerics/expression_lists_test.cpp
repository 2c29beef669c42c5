#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "numerics/expression_lists.h"
#include "test_support.h"

namespace zentrova {
namespace {

const std::string kAlert =
    "[Alert] Check similar names: for example 'c`springA' and 'c`spring' produce error.";

struct Recorder {
  std::vector<std::string> lines;
  TExpressionParserList::AlertSink Sink() {
    return [this](const std::string& line) { lines.push_back(line); };
  }
};

TEST(ExpressionLists, VariablesKeepTheirOrderAndLoseBackquotes) {
  TVariableList variables;
  long double t = 0, x = 0;
  EXPECT_TRUE(variables.AddVariable("t", &t));
  EXPECT_TRUE(variables.AddVariable("b`Body`x", &x));
  ASSERT_EQ(variables.Count(), 2);
  EXPECT_EQ(variables.At(0).Name(), "t");
  EXPECT_EQ(variables.At(1).Name(), "b`Body`x");
  EXPECT_EQ(variables.At(1).ParserName(), "bBodyx");
  EXPECT_EQ(variables.At(1).Address(), &x);
}

TEST(ExpressionLists, ParsersReadTheBoundValues) {
  TVariableList variables;
  long double t = 0.5L, x = 3;
  variables.AddVariable("t", &t);
  variables.AddVariable("b`Body`x", &x);
  TExpressionParserList parsers;
  EXPECT_TRUE(parsers.AddParser(variables, "2*b`Body`x"));
  EXPECT_TRUE(parsers.AddParser(variables, "B`BODY`X + T"));
  ASSERT_EQ(parsers.Count(), 2);
  EXPECT_EQ(parsers.At(0).Evaluate(), 6);
  EXPECT_EQ(parsers.At(1).Evaluate(), 3.5L);
  EXPECT_EQ(parsers.At(0).GetCurrentExpression(), "2*bbodyx");
  x = -1;
  t = 2;
  EXPECT_EQ(parsers.At(0).Evaluate(), -2);
  EXPECT_EQ(parsers.At(1).Evaluate(), 1);
  // Every parser has its own words.
  EXPECT_NE(&parsers.At(0).Words(), &parsers.At(1).Words());
}

TEST(ExpressionLists, FailureAlertsAndPassesTheExceptionOn) {
  TVariableList variables;
  long double t = 0;
  variables.AddVariable("t", &t);
  TExpressionParserList parsers;
  Recorder recorder;
  parsers.SetAlertSink(recorder.Sink());
  try {
    parsers.AddParser(variables, "3 4");
    FAIL();
  } catch (const EParserException& e) {
    EXPECT_STREQ(e.what(), "Error in math expression: 3 two space limited variables/constants");
  }
  EXPECT_EQ(parsers.Count(), 0);
  EXPECT_EQ(recorder.lines, std::vector<std::string>{kAlert});

  // A variable named like a built-in function with arguments fails every expression.
  long double m = 1;
  variables.AddVariable("m`in", &m);
  try {
    parsers.AddParser(variables, "t + 1");
    FAIL();
  } catch (const EParserException&) {
    FAIL() << "the base exception, not the parser's";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(),
                 "Error in math expression: Cannot replace variable/function NFuntionArg doesn't match");
  }
  EXPECT_EQ(parsers.Count(), 0);
  EXPECT_EQ(recorder.lines.size(), 2u);

  TVariableList empty;
  EXPECT_THROW(parsers.AddParser(empty, "1"), ERangeError);
  EXPECT_EQ(recorder.lines.size(), 3u);
}

TEST(ExpressionLists, DefaultAlertGoesToTheMessageSink) {
  test::RecordingMessages messages;
  TVariableList variables;
  long double t = 0;
  variables.AddVariable("t", &t);
  TExpressionParserList parsers;
  EXPECT_THROW(parsers.AddParser(variables, "(t"), EParserException);
  EXPECT_EQ(messages.texts, std::vector<std::string>{kAlert});
}

TEST(ExpressionLists, NamesThatMeetInTheParser) {
  long double t = 0, a = 1, b = 2;
  TExpressionParserList parsers;
  Recorder recorder;
  parsers.SetAlertSink(recorder.Sink());

  // Two keys that only backquotes or letter case tell apart are refused.
  TVariableList clash;
  clash.AddVariable("t", &t);
  clash.AddVariable("c`spring", &a);
  clash.AddVariable("cs`pring", &b);
  try {
    parsers.AddParser(clash, "cspring");
    FAIL();
  } catch (const EParserException& e) {
    EXPECT_STREQ(e.what(),
                 "Error in math expression: the variables c`spring and cs`pring are both named cspring in "
                 "expressions");
  }
  TVariableList case_clash;
  case_clash.AddVariable("b`Body`x", &a);
  case_clash.AddVariable("b`body`x", &b);
  EXPECT_THROW(parsers.AddParser(case_clash, "bbodyx"), EParserException);
  EXPECT_EQ(recorder.lines.size(), 2u);
  EXPECT_EQ(parsers.Count(), 0);

  // The same key twice: the later address wins. Different keys with one address are harmless.
  TVariableList repeated;
  repeated.AddVariable("k", &a);
  repeated.AddVariable("k", &b);
  repeated.AddVariable("k`", &b);
  ASSERT_TRUE(parsers.AddParser(repeated, "k * 10"));
  EXPECT_EQ(parsers.At(0).Evaluate(), 20);

  // A variable named like a word without arguments replaces it silently.
  TVariableList words;
  words.AddVariable("pi", &b);
  words.AddVariable("Random", &a);
  ASSERT_TRUE(parsers.AddParser(words, "pi + random"));
  b = 10;
  EXPECT_EQ(parsers.At(1).Evaluate(), 11);
}

}  // namespace
}  // namespace zentrova
