// Helpers shared by the expression tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "numerics/expression_parser.h"
#include "test_support.h"

namespace zentrova::test {

// Makes the text the parser's current expression and evaluates it once.
inline long double Eval(TExpressionParser& parser, const std::string& text) {
  parser.AddExpression(text);
  return parser.Evaluate();
}

// The same with a fresh parser.
inline long double Eval(const std::string& text) {
  TExpressionParser parser;
  return Eval(parser, text);
}

// Evaluates each text in turn with the parser (a text may change its variables) against its value.
inline void ExpectValues(TExpressionParser& parser,
                         const std::vector<std::pair<std::string, long double>>& rows) {
  for (const auto& [text, value] : rows) EXPECT_EQ(Eval(parser, text), value) << text;
}

// The message of the exception that compiling raises, "no error" when there is none.
template <typename ExceptionType = EParserException>
std::string CompileError(TExpressionParser& parser, const std::string& text) {
  try {
    parser.AddExpression(text);
  } catch (const ExceptionType& e) {
    return e.what();
  }
  return "no error";
}

template <typename ExceptionType = EParserException>
std::string CompileError(const std::string& text) {
  TExpressionParser parser;
  return CompileError<ExceptionType>(parser, text);
}

}  // namespace zentrova::test
