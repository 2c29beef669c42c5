// The engine's side of the expression language: named variables bound to model values, and one
// compiled parser per expression text.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "numerics/expression_parser.h"

namespace zentrova {

// A name and the address of a value that the caller owns. ParserName is the name without backquotes,
// which the parser cannot scan.
class TVariable {
 public:
  TVariable(std::string name, long double* address);
  const std::string& Name() const { return name_; }
  const std::string& ParserName() const { return parser_name_; }
  long double* Address() const { return address_; }

 private:
  std::string name_;
  std::string parser_name_;
  long double* address_;
};

// Owns its variables, kept in the order added.
class TVariableList {
 public:
  bool AddVariable(const std::string& name, long double* address);
  int Count() const { return static_cast<int>(items_.size()); }
  const TVariable& At(int index) const { return *items_.at(static_cast<std::size_t>(index)); }

 private:
  std::vector<std::unique_ptr<TVariable>> items_;
};

// One parser per expression text, in the order added; entry i is the compiled form of the owner's
// expression i.
class TExpressionParserList {
 public:
  // Where the alert goes when a parser cannot be made; by default the platform's message sink.
  using AlertSink = std::function<void(const std::string& line)>;

  static constexpr const char* kAlertText =
      "[Alert] Check similar names: for example 'c`springA' and 'c`spring' produce error.";

  void SetAlertSink(AlertSink sink) { alert_sink_ = std::move(sink); }

  // Defines every variable in a new parser and compiles the text without its backquotes. On any
  // failure the alert goes out, the parser is not added and the exception passes on.
  bool AddParser(const TVariableList& variables, const std::string& text);
  // The same with exactly the given variables, which the caller has already resolved to one per parser
  // name: what a text reads is defined and nothing else.
  bool AddParser(const std::vector<const TVariable*>& variables, const std::string& text);

  int Count() const { return static_cast<int>(parsers_.size()); }
  TExpressionParser& At(int index) const { return *parsers_.at(static_cast<std::size_t>(index)); }

 private:
  void Alert() const;
  // A new parser, its variables defined by `define`, compiling `text`; an exception on the way shows the
  // alert and passes on.
  bool Compile(const std::string& text, const std::function<void(TExpressionParser&)>& define);

  std::vector<std::unique_ptr<TExpressionParser>> parsers_;
  AlertSink alert_sink_;
};

}  // namespace zentrova
