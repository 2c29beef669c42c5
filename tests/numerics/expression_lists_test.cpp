#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "numerics/expression_lists.h"
#include "test_support.h"

namespace zentrova::test {
namespace {

const std::string kAlert =
    "[Alert] Check similar names: for example 'c`springA' and 'c`spring' produce error.";

TVariableList List(const std::vector<std::pair<std::string, long double*>>& variables) {
  TVariableList list;
  for (const auto& [name, address] : variables) EXPECT_TRUE(list.AddVariable(name, address));
  return list;
}

TEST(ExpressionLists, ParsersReadTheBoundValuesByNamesWithoutBackquotes) {
  long double t = 0.5L, x = 3;
  const TVariableList variables = List({{"t", &t}, {"b`Body`x", &x}});
  EXPECT_EQ(variables.At(1).Name(), "b`Body`x");
  EXPECT_EQ(variables.At(1).ParserName(), "bBodyx");
  TExpressionParserList parsers;
  EXPECT_TRUE(parsers.AddParser(variables, "2*b`Body`x"));
  EXPECT_TRUE(parsers.AddParser(variables, "B`BODY`X + T"));
  ASSERT_EQ(parsers.Count(), 2);
  EXPECT_EQ(parsers.At(0).GetCurrentExpression(), "2*bbodyx");
  x = -1;
  t = 2;
  EXPECT_EQ(parsers.At(0).Evaluate(), -2);
  EXPECT_EQ(parsers.At(1).Evaluate(), 1);
  // The same key twice: the later address wins; different keys with one address are harmless. A
  // variable named like a word without arguments replaces it silently.
  ASSERT_TRUE(parsers.AddParser(List({{"k", &t}, {"k", &x}, {"k`", &x}, {"pi", &x}, {"Random", &t}}),
                                "k * 10 + pi + random"));
  EXPECT_EQ(parsers.At(2).Evaluate(), -9);
}

TEST(ExpressionLists, FailureAlertsAndPassesTheExceptionOn) {
  long double t = 0, a = 1, b = 2;
  TExpressionParserList parsers;
  std::vector<std::string> alerts;
  parsers.SetAlertSink([&alerts](const std::string& line) { alerts.push_back(line); });
  const auto message = [&](const TVariableList& list, const std::string& text) -> std::string {
    try {
      parsers.AddParser(list, text);
    } catch (const Exception& e) {
      return e.what();
    }
    return "no error";
  };
  const std::string prefix = "Error in math expression: ";
  EXPECT_EQ(message(List({{"t", &t}}), "3 4"), prefix + "3 two space limited variables/constants");
  EXPECT_THROW(parsers.AddParser(TVariableList(), "1"), ERangeError);
  // Two keys that only backquotes or letter case tell apart are refused.
  EXPECT_EQ(message(List({{"c`spring", &a}, {"cs`pring", &b}}), "cspring"),
            prefix + "the variables c`spring and cs`pring are both named cspring in expressions");
  EXPECT_THROW(parsers.AddParser(List({{"b`Body`x", &a}, {"b`body`x", &b}}), "bbodyx"), EParserException);
  // A variable named like a built-in function with arguments fails every expression.
  EXPECT_EQ(message(List({{"t", &t}, {"m`in", &a}}), "t + 1"),
            prefix + "Cannot replace variable/function NFuntionArg doesn't match");
  EXPECT_EQ(parsers.Count(), 0);
  EXPECT_EQ(alerts, std::vector<std::string>(5, kAlert));
  parsers.SetAlertSink(nullptr);  // by default the alert goes to the message box
  RecordingMessages messages;
  EXPECT_THROW(parsers.AddParser(List({{"t", &t}}), "(t"), EParserException);
  EXPECT_EQ(messages.texts, std::vector<std::string>{kAlert});
}

}  // namespace
}  // namespace zentrova::test
