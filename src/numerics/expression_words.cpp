#include "numerics/expression_words.h"

#include <limits>

#include "platform/number_text.h"
#include "platform/settings.h"
#include "platform/strings.h"

namespace zentrova {

namespace {

const std::string& EmptyText() {
  static const std::string empty;
  return empty;
}

long double NaN() {
  return std::numeric_limits<long double>::quiet_NaN();
}

long double ReadConstant(std::string_view text, char decimal_separator) {
  if (text.empty()) return NaN();
  long double value = 0;
  if (!TryTextToFloatSep(text, decimal_separator, value)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid number");
  }
  return value;
}

void CheckArgumentCount(std::string_view name, int n_args) {
  if (n_args > kMaxFunctionArgs) throw EParserException("Too many arguments");
}

// The node of a string function: its word knows the operands.
void StringFunctionRoutine(TEvalNode* node) {
  node->Value = static_cast<const TSimpleStringFunction*>(node->Word)->Call();
}

long double Truth(bool b) {
  return b ? 1.0L : 0.0L;
}

long double StringEqual(const std::string& a, const std::string& b) {
  return Truth(a == b);
}
long double StringGreater(const std::string& a, const std::string& b) {
  return Truth(a > b);
}
long double StringLess(const std::string& a, const std::string& b) {
  return Truth(a < b);
}
long double StringGreaterEqual(const std::string& a, const std::string& b) {
  return Truth(a >= b);
}
long double StringLessEqual(const std::string& a, const std::string& b) {
  return Truth(a <= b);
}
long double StringNotEqual(const std::string& a, const std::string& b) {
  return Truth(a != b);
}

// a equals the whole of b or one of the pieces of b cut at every "," (pieces not trimmed).
long double StringIn(const std::string& a, const std::string& b) {
  if (a == b) return 1;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = b.find(',', start);
    const std::size_t end = comma == std::string::npos ? b.size() : comma;
    if (b.compare(start, end - start, a) == 0) return 1;
    if (comma == std::string::npos) return 0;
    start = comma + 1;
  }
}

TStringRoutine StringOperRoutine(std::string_view oper) {
  if (oper == "=") return &StringEqual;
  if (oper == ">") return &StringGreater;
  if (oper == "<") return &StringLess;
  if (oper == ">=") return &StringGreaterEqual;
  if (oper == "<=") return &StringLessEqual;
  if (oper == "<>") return &StringNotEqual;
  if (oper == "in") return &StringIn;
  throw EParserException(std::string(oper) + " is not a valid string operand");
}

}  // namespace

void CopyRoutine(TEvalNode* node) {
  node->Value = *node->Args[0];
}

TExprWord::TExprWord(std::string_view name, TExprFunc routine) : name_(LowerCase(name)), routine_(routine) {}

const std::string& TExprWord::AsString() const {
  return EmptyText();
}

TFloatConstant::TFloatConstant(std::string_view name, std::string_view value_text, char decimal_separator)
    : TExprWord(name, &CopyRoutine), value_(ReadConstant(value_text, decimal_separator)) {}

TFloatConstant::TFloatConstant(std::string_view name, std::string_view value_text)
    : TFloatConstant(name, value_text, DecimalSeparator()) {}

TFloatConstant::TFloatConstant(long double value) : TFloatConstant(std::string_view(), value) {}

TFloatConstant::TFloatConstant(std::string_view name, long double value)
    : TExprWord(name, &CopyRoutine), value_(value) {}

TConstant::TConstant(std::string_view name, long double value, std::string description)
    : TFloatConstant(name, value), description_(std::move(description)) {}

TGeneratedVariable::TGeneratedVariable(std::string_view name) : TFloatConstant(name, NaN()) {}

TFloatVariable::TFloatVariable(std::string_view name, long double* address)
    : TExprWord(name, &CopyRoutine), address_(address) {
  if (address == nullptr) {
    throw EParserException("Error in math expression: variable " + Name() + " has no storage");
  }
}

TStringConstant::TStringConstant(std::string_view token) : TExprWord(token, nullptr) {
  if (token.size() >= 2 && token.front() == '\'' && token.back() == '\'') {
    value_ = std::string(token.substr(1, token.size() - 2));
  } else {
    value_ = std::string(token);
  }
}

TFunction::TFunction(std::string_view name, int precedence, bool is_operator, int n_args, TExprFunc routine)
    : TExprWord(name, routine), is_operator_(is_operator), precedence_(precedence), n_args_(n_args) {
  CheckArgumentCount(name, n_args);
}

TFunction::TFunction(std::string_view name, int n_args, TExprFunc routine, std::string description)
    : TExprWord(name, routine),
      is_operator_(false),
      precedence_(0),
      n_args_(n_args),
      description_(std::move(description)) {
  CheckArgumentCount(name, n_args);
}

TSimpleStringFunction::TSimpleStringFunction(std::string_view name, std::string description,
                                             TStringRoutine routine, TExprWord* operand1, TExprWord* operand2)
    : TFunction(name, 0, &StringFunctionRoutine, std::move(description)),
      string_routine_(routine),
      operand1_(operand1),
      operand2_(operand2) {}

bool TSimpleStringFunction::CanVary() const {
  return (operand1_ != nullptr && operand1_->CanVary()) || (operand2_ != nullptr && operand2_->CanVary());
}

void TSimpleStringFunction::ReplaceOperand(const TExprWord* old_word, TExprWord* new_word) {
  if (operand1_ == old_word) operand1_ = new_word;
  if (operand2_ == old_word) operand2_ = new_word;
}

long double TSimpleStringFunction::Call() const {
  if (string_routine_ == nullptr) return NaN();
  return string_routine_(operand1_ != nullptr ? operand1_->AsString() : EmptyText(),
                         operand2_ != nullptr ? operand2_->AsString() : EmptyText());
}

TLogicalStringOper::TLogicalStringOper(std::string_view oper, TExprWord* operand1, TExprWord* operand2)
    : TSimpleStringFunction(oper, std::string(), StringOperRoutine(oper), operand1, operand2) {}

}  // namespace zentrova
