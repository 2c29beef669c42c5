// The lines of one model file (mass-matrix row, generalized forces, energy, dependent-coordinate
// definitions and Jacobians, break time) compiled into one parser per distinct text, with their values.
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

struct TModelBinding;

// Where the lines handed to a list stand in the model files: the error lines of the list name the place.
struct TLineSource {
  std::string File;                // the file's name; "" when the lines come from no file
  std::vector<std::size_t> Lines;  // the line (from 1) of each line handed over, in order; 0 unknown

  // Line i handed over stands on line first + i.
  static TLineSource Consecutive(std::string file, std::size_t first, std::size_t count);
  // Every line handed over stands on one line of the file (the cells of a mass-matrix row).
  static TLineSource SameLine(std::string file, std::size_t line, std::size_t count);
  // "Line <n> of file <name>", "File <name>" when the line is unknown, "" without a file.
  std::string Place(std::size_t line) const;
};

class TExpressionList {
 public:
  // Constants, bodies, the time and the generalized coordinates come from the binding.
  explicit TExpressionList(const TModelBinding& binding);
  ~TExpressionList();
  TExpressionList(const TExpressionList&) = delete;
  TExpressionList& operator=(const TExpressionList&) = delete;

  // Normalises, substitutes, binds, compiles and evaluates all lines; once per list. False after its
  // error lines, with no values, when a line holds the imaginary unit, when a variable key names no body
  // or coordinate (it would read NaN for ever), or when a line does not compile (the parser's message,
  // after the place `source` gives).
  bool AddExpression(const std::vector<std::string>& lines, const TLineSource& source = {});
  // Value i := the parser of line i, unless OnlyIfVarying and the list depends on neither time nor state. A list
  // with ReleaseWhenConstant that does not vary then frees its compiled form and keeps its values.
  void EvaluateAll(bool OnlyIfVarying);

  // For messages after a value turned NaN or infinite, never while a run steps: the place of the first
  // line ("Line 3 of file a.hv") whose value is not finite at the time and state the variables now hold
  // (a released list's kept value), and that value. False when every line is finite. Values keep
  // what they held.
  bool FirstNotFinite(std::string& place, long double& value) const;

  std::uint32_t Count() const { return Values.Count(); }
  long double Value(std::uint32_t i) const { return Values.At(i); }

  // The steps of AddExpression, in its order. Each looks names up in the model's ExpressionNames, by
  // the names a line holds; DefineVariables marks the working state bound and reports unresolved keys,
  // and CompileAll gives each parser the variables its line reads, false after the error line of the
  // first line that does not compile. Lines of the same text share one parser: the text alone decides
  // what it reads and computes, and a row of a mass matrix is mostly zeros.
  bool Normalize(const std::vector<std::string>& lines);
  void SubstituteConstants();
  void SubstituteMassProperties();
  bool DefineVariables();
  bool CompileAll();

  // Some line mentions the time or a generalized coordinate: the values go stale when either changes.
  bool TimeDependent = false;
  bool ReleaseWhenConstant = false;
  std::vector<std::string> Texts;  // the normalised lines, one per non-blank input line
  std::unique_ptr<TExpressionParserList> Parsers;  // one per distinct text, in the order of first use
  std::vector<int> ParserOf;                       // the parser of each of Texts
  // Sized once, when the lines are compiled: dependent body coordinates point into it.
  TFloatList Values;
  bool Released = false;  // Texts and Parsers are gone; Values stay

 private:
  void ReleaseCompiled();
  // The place of text i for error lines, "" when unknown.
  std::string Place(std::size_t text) const;

  const TModelBinding& binding_;
  TLineSource source_;
  std::vector<std::size_t> text_lines_;  // the file line of each of Texts
};

// The text a substituted value is written as: enough digits to read back as the same long double, the
// process-wide decimal separator, negative values in brackets.
std::string SubstitutedValueText(long double value);

}  // namespace zentrova
