// The words of the expression language: constants, variables, brackets, the list separator, operators,
// functions and string functions, and the evaluation node that a compiled expression is a chain of.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "platform/exception.h"

namespace zentrova {

// Every syntax error of an expression.
class EParserException : public Exception {
 public:
  using Exception::Exception;
};

class TExprWord;
struct TEvalNode;

// What one node of a chain computes: it reads its operands through the node's argument addresses and
// writes the node's Value.
using TExprFunc = void (*)(TEvalNode* node);

// Two strings in, a number out: the routine of a string function.
using TStringRoutine = long double (*)(const std::string& s1, const std::string& s2);

inline constexpr int kMaxFunctionArgs = 6;

// Result types of TExprWord::ResultType.
inline constexpr std::uint8_t kResultFloat = 0;
inline constexpr std::uint8_t kResultBoolean = 1;
inline constexpr std::uint8_t kResultString = 2;
inline constexpr std::uint8_t kResultLeftBracket = 3;
inline constexpr std::uint8_t kResultRightBracket = 4;
inline constexpr std::uint8_t kResultListSeparator = 5;

// One node of a compiled chain. Args hold the addresses of the operand values: a variable's storage, a
// constant's Value or the Value of an earlier node.
struct TEvalNode {
  TExprFunc Routine = nullptr;
  TEvalNode* Next = nullptr;
  long double Value = 0;
  TExprWord* Word = nullptr;
  long double* Args[kMaxFunctionArgs] = {};
};

// The routine of constants and variables: the node's value := the value its first address points to.
void CopyRoutine(TEvalNode* node);

class TExprWord {
 public:
  // The name is kept with 'A'..'Z' lower-cased: the language ignores letter case.
  TExprWord(std::string_view name, TExprFunc routine);
  TExprWord(const TExprWord&) = delete;
  TExprWord& operator=(const TExprWord&) = delete;
  virtual ~TExprWord() = default;

  const std::string& Name() const { return name_; }
  TExprFunc Routine() const { return routine_; }
  // Constants and variables: the compiler turns them into addresses instead of nodes.
  bool IsCopyWord() const { return routine_ == &CopyRoutine; }

  virtual bool IsOperator() const { return false; }
  virtual const std::string& AsString() const;
  // The value may change between evaluations; what cannot vary is folded at compile time.
  virtual bool CanVary() const { return false; }
  virtual std::uint8_t ResultType() const { return kResultFloat; }
  virtual int NFunctionArg() const { return 0; }
  virtual std::string Description() const { return {}; }
  virtual long double* ValuePointer() { return nullptr; }

 private:
  std::string name_;
  TExprFunc routine_;
};

class TFloatConstant : public TExprWord {
 public:
  // The value text is read as a decimal real with the given decimal separator; an empty text gives NaN,
  // a malformed one raises EConvertError.
  TFloatConstant(std::string_view name, std::string_view value_text, char decimal_separator);
  // The same with the process-wide decimal separator.
  TFloatConstant(std::string_view name, std::string_view value_text);
  // An unnamed constant, as constant folding makes them.
  explicit TFloatConstant(long double value);

  long double Value() const { return value_; }
  void SetValue(long double value) { value_ = value; }
  long double* ValuePointer() override { return &value_; }

 protected:
  TFloatConstant(std::string_view name, long double value);

 private:
  long double value_;
};

class TConstant : public TFloatConstant {
 public:
  TConstant(std::string_view name, long double value, std::string description);
  std::string Description() const override { return description_; }

 private:
  std::string description_;
};

// The folded value of a boolean sub-expression.
class TBooleanConstant : public TFloatConstant {
 public:
  explicit TBooleanConstant(long double value) : TFloatConstant(value) {}
  std::uint8_t ResultType() const override { return kResultBoolean; }
};

// A name that no word defines: a variable of value NaN that only ":=" or a later definition changes.
class TGeneratedVariable : public TFloatConstant {
 public:
  explicit TGeneratedVariable(std::string_view name);
  const std::string& AsString() const override { return text_; }
  bool CanVary() const override { return true; }
  std::uint8_t ResultType() const override { return result_type_; }

 private:
  std::string text_;
  std::uint8_t result_type_ = kResultFloat;
};

// A variable bound to storage that its owner keeps: every evaluation reads the value afresh.
class TFloatVariable : public TExprWord {
 public:
  // A null address is refused with EParserException: the chain would read through it.
  TFloatVariable(std::string_view name, long double* address);
  bool CanVary() const override { return true; }
  long double* ValuePointer() override { return address_; }

 private:
  long double* address_;
};

class TStringConstant : public TExprWord {
 public:
  // A quoted token loses its quotes; any other text is taken whole.
  explicit TStringConstant(std::string_view token);
  const std::string& AsString() const override { return value_; }
  std::uint8_t ResultType() const override { return kResultString; }

 private:
  std::string value_;
};

class TLeftBracket : public TExprWord {
 public:
  explicit TLeftBracket(std::string_view name) : TExprWord(name, nullptr) {}
  std::uint8_t ResultType() const override { return kResultLeftBracket; }
};

class TRightBracket : public TExprWord {
 public:
  explicit TRightBracket(std::string_view name) : TExprWord(name, nullptr) {}
  std::uint8_t ResultType() const override { return kResultRightBracket; }
};

// The list separator between function arguments.
class TComma : public TExprWord {
 public:
  explicit TComma(std::string_view name) : TExprWord(name, nullptr) {}
  std::uint8_t ResultType() const override { return kResultListSeparator; }
};

class TFunction : public TExprWord {
 public:
  // Operator form. More than kMaxFunctionArgs arguments raise EParserException "Too many arguments".
  TFunction(std::string_view name, int precedence, bool is_operator, int n_args, TExprFunc routine);
  // Function form: precedence 0, not an operator; the same limit on the arguments.
  TFunction(std::string_view name, int n_args, TExprFunc routine, std::string description);

  // A smaller number binds tighter.
  int Precedence() const { return precedence_; }
  bool IsOperator() const override { return is_operator_; }
  int NFunctionArg() const override { return n_args_; }
  std::string Description() const override { return description_; }

 private:
  bool is_operator_;
  int precedence_;
  int n_args_;
  std::string description_;
};

class TVaryingFunction : public TFunction {
 public:
  TVaryingFunction(std::string_view name, int n_args, TExprFunc routine, std::string description)
      : TFunction(name, n_args, routine, std::move(description)) {}
  bool CanVary() const override { return true; }
};

class TBooleanFunction : public TFunction {
 public:
  TBooleanFunction(std::string_view name, int precedence, bool is_operator, int n_args, TExprFunc routine)
      : TFunction(name, precedence, is_operator, n_args, routine) {}
  std::uint8_t ResultType() const override { return kResultBoolean; }
};

// A function of two strings, bound at compile time to the words that give them. It takes no argument
// nodes: its node calls the string routine on the operands' texts.
class TSimpleStringFunction : public TFunction {
 public:
  TSimpleStringFunction(std::string_view name, std::string description, TStringRoutine routine,
                        TExprWord* operand1, TExprWord* operand2);

  bool CanVary() const override;
  TStringRoutine StringRoutine() const { return string_routine_; }
  TExprWord* Operand1() const { return operand1_; }
  TExprWord* Operand2() const { return operand2_; }
  // Rebinds an operand when the word it refers to is replaced.
  void ReplaceOperand(const TExprWord* old_word, TExprWord* new_word);
  // The string routine on the operands' texts (an absent operand is the empty text).
  long double Call() const;

 private:
  TStringRoutine string_routine_;
  TExprWord* operand1_;
  TExprWord* operand2_;
};

class TVaryingStringFunction : public TSimpleStringFunction {
 public:
  using TSimpleStringFunction::TSimpleStringFunction;
  bool CanVary() const override { return true; }
};

// A comparison of two strings: "=", ">", "<", ">=", "<=", "<>" (byte by byte) or "in". Any other
// operator text raises EParserException.
class TLogicalStringOper : public TSimpleStringFunction {
 public:
  TLogicalStringOper(std::string_view oper, TExprWord* operand1, TExprWord* operand2);
  std::uint8_t ResultType() const override { return kResultBoolean; }
};

}  // namespace zentrova
