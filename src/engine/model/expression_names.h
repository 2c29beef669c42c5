// The names a model's expression lines can refer to, kept as tables that a line is looked up in by the
// names it holds, so that compiling a line costs what the line is long and not what the model is big:
// - the generalized coordinates q and their derivative forms q_ and q__ (a line naming one depends on
//   the state; "Derivative(1)(q)" becomes q_);
// - the constants and the bodies' mass properties (b`Arm`m, b`Arm`Jzz, ...) with their substituted texts;
// - the variables the parsers bind by address: the time t and q, q_, q__.
//
// A name here is a maximal run of name characters (letters, digits, "_" and the backquote of keys),
// compared without letter case. Rewriting a line run by run gives the same text as rewriting it name by
// name, in model order, only while every name of the model is itself such a run (and no substituted
// value can read as a later name); each table says whether that holds, and the expression lists go name
// by name where it does not. The tables are built from the model as it stands and rebuilt at the next
// Refresh after any name, value, address or separator they were made from has changed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "numerics/expression_lists.h"

namespace zentrova {

struct TModelBinding;

// Letters, digits, "_" and the backquote of variable keys: "l" is not part of "l1", "Arm" not part of
// b`Arm`Rz, and "e5" not part of the number 2e5.
bool IsNameChar(char c);

class TExpressionNames {
 public:
  explicit TExpressionNames(const TModelBinding& binding) : binding_(binding) {}
  TExpressionNames(const TExpressionNames&) = delete;
  TExpressionNames& operator=(const TExpressionNames&) = delete;

  // Rebuilds the tables when the model has changed since they were built.
  void Refresh();

  // --- Generalized coordinates -----------------------------------------------------------------------

  // Every non-empty coordinate name is one run of name characters.
  bool CoordinatesAreRuns() const { return coordinates_are_runs_; }
  // The first coordinate whose name is `lower` in lower case, or nullptr.
  const std::string* Coordinate(std::string_view lower) const;
  // `lower` is the lower-case name of a coordinate q, q_ or q__.
  bool IsStateName(std::string_view lower) const;

  // --- Substitution -----------------------------------------------------------------------------------

  // The substituted text of the first constant whose name is `lower` in lower case, or nullptr; only
  // when ConstantsAreRuns.
  const std::string* ConstantText(std::string_view lower) const;
  // Every constant name is one run that no substituted value can hold (it begins with no digit and is
  // no "NAN").
  bool ConstantsAreRuns() const { return constants_are_runs_; }
  // The substituted text of the mass-property key that is `lower` in lower case (the first body and key
  // of that name), or nullptr; only when MassKeysAreRuns.
  const std::string* MassPropertyText(std::string_view lower) const;
  // Every body name is letters, digits and "_": its keys are runs and resolve without an error line.
  bool MassKeysAreRuns() const { return mass_keys_are_runs_; }

  // --- Variables --------------------------------------------------------------------------------------

  // Every variable the parsers may bind, in the order a parser defines them: t, then q, q_, q__ of
  // each coordinate that has a name and a place in the working state.
  const TVariableList& AllVariables() const { return all_variables_; }
  // Two variables reach the parser under one name: a parser must be given all of them, to refuse it.
  bool ParserNamesClash() const { return parser_names_clash_; }
  // The variables a parser of `text` (before its backquotes are dropped) must define to compile and read
  // as if it had defined AllVariables: those whose parser name the text can scan as a name, and those
  // whose name the parser would not scan as a plain name or that replace a word of its vocabulary. Only
  // when the parser names do not clash.
  std::vector<const TVariable*> VariablesFor(const std::string& text) const;

 private:
  bool Stale() const;
  void Build();

  const TModelBinding& binding_;
  bool built_ = false;

  // What the tables were built from.
  struct TBodyMass {
    const void* body;
    std::string name;
    long double values[7];
  };
  std::vector<std::string> coordinate_names_;
  const long double* q_ = nullptr;
  const long double* q_dot_ = nullptr;
  const long double* q_ddot_ = nullptr;
  std::uint32_t state_count_ = 0;
  const long double* time_ = nullptr;
  std::vector<std::pair<std::string, long double>> constants_;
  std::vector<TBodyMass> bodies_;
  char decimal_separator_ = 0;
  char list_separator_ = 0;

  // Looked up by a string_view without a copy.
  struct THash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
  };
  template <typename Value>
  using TMap = std::unordered_map<std::string, Value, THash, std::equal_to<>>;

  // The tables; keys in lower case.
  bool coordinates_are_runs_ = true;
  TMap<const std::string*> coordinates_;  // the first coordinate of each name
  TMap<bool> state_names_;                // q, q_, q__
  bool constants_are_runs_ = true;
  TMap<std::string> constant_texts_;
  bool mass_keys_are_runs_ = true;
  TMap<std::string> mass_texts_;
  TVariableList all_variables_;
  bool parser_names_clash_ = false;
  TMap<const TVariable*> scanned_variables_;  // by parser name
  std::vector<const TVariable*> always_defined_;
};

}  // namespace zentrova
