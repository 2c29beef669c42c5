// The lines of one model file (mass-matrix row, generalized forces, energy, dependent-coordinate
// definitions and Jacobians, break time) compiled into one parser each, with their values.
//
// The lines come from a computer-algebra system: coordinates written as functions of time (b`Arm`Rz[t]),
// derivatives with primes or as Derivative(1)(...), products as juxtaposition, square brackets for
// calls. Normalize rewrites them into the expression language; the model constants and the bodies' mass
// properties are then put in as numbers, and the time and q, q', q'' bound as variables by address.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "numerics/expression_lists.h"
#include "numerics/float_list.h"

namespace zentrova {

class TWorld;

class TExpressionList {
 public:
  // Constants, bodies, the time and the generalized coordinates come from the world.
  explicit TExpressionList(TWorld& world);
  ~TExpressionList();
  TExpressionList(const TExpressionList&) = delete;
  TExpressionList& operator=(const TExpressionList&) = delete;

  // Normalises, substitutes, binds, compiles and evaluates all lines; once per list. False, with nothing
  // compiled, when a line holds the imaginary unit. An unresolved variable key is logged and the list
  // still compiled (the key reads NaN). A syntax error raises the parser's exception.
  bool AddExpression(const std::vector<std::string>& lines);
  // Value i := parser i, unless OnlyIfVarying and the list depends on neither time nor state. A list
  // with ReleaseWhenConstant that does not vary then frees its compiled form and keeps its values.
  void EvaluateAll(bool OnlyIfVarying);

  std::uint32_t Count() const { return Values.Count(); }
  long double Value(std::uint32_t i) const { return Values.At(i); }

  // The steps of AddExpression, in its order. Each looks names up in the model's ExpressionNames, by
  // the names a line holds; DefineVariables marks the working state bound and reports unresolved keys,
  // and CompileAll gives each parser the variables its line reads.
  bool Normalize(const std::vector<std::string>& lines);
  void SubstituteConstants();
  void SubstituteMassProperties();
  bool DefineVariables();
  void CompileAll();

  // Some line mentions the time or a generalized coordinate: the values go stale when either changes.
  bool TimeDependent = false;
  bool ReleaseWhenConstant = false;
  std::vector<std::string> Texts;  // the normalised lines, one per non-blank input line
  std::unique_ptr<TExpressionParserList> Parsers;
  // Sized once, when the lines are compiled: dependent body coordinates point into it.
  TFloatList Values;
  bool Released = false;  // Texts and Parsers are gone; Values stay

 private:
  void ReleaseCompiled();

  TWorld& world_;
};

// The text a substituted value is written as: enough digits to read back as the same long double, the
// process-wide decimal separator, negative values in brackets.
std::string SubstitutedValueText(long double value);

}  // namespace zentrova
