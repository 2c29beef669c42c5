// Helpers shared by the expression tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <exception>
#include <string>

#include "numerics/expression_parser.h"
#include "test_support.h"

namespace zentrova::test {

// Compiles with a fresh parser and evaluates once.
inline long double Eval(const std::string& text) {
  TExpressionParser parser;
  parser.AddExpression(text);
  return parser.Evaluate();
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
