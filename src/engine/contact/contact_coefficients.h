// One contact coefficient (friction, normal or tangential restitution, the parameter ni) for every pair
// of bodies, as expressions of the time "t", the pair's contact temperature "temp" and the relative
// velocity "vRel".
//
// The texts come from the contact properties file (.cop, an INI file):
//   [A:all]  friction=0.3        every pair of body A with another body
//   [A-B]    friction=0.2 + 0.01 vRel
// Body sections are applied in body order (a later body's ":all" wins the pair the two share), then the
// pair sections, written in either order, override them. A pair named nowhere keeps "0".
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/log_sink.h"
#include "numerics/expression_lists.h"

namespace zentrova {

class TFloatList;
class TIniFile;

// What the contact readers take from the model: the body names in body order, the generalized
// coordinates' names in file order, and the address of the world's time, which the coefficients read
// as "t" at every evaluation.
struct TContactModel {
  std::vector<std::string> BodyNames;
  std::vector<std::string> CoordinateNames;
  long double* Time = nullptr;
  // Where the readers log; the world's sink in a load.
  ILogSink* Log = &ProgramLog();
};

// The sections of the contact properties file, as every reader of it finds them: a body's ":all"
// section, and the section of the pair of bodies a and b, "a-b" or else "b-a" (`reversed`); false when
// the file has neither.
std::string AllPairsSection(const std::string& body);
bool FindPairSection(const TIniFile& ini, const std::string& a, const std::string& b, std::string& section,
                     bool& reversed);

// What a reader of the contact properties file logs when the file is missing.
inline constexpr const char* kNoContactPropertiesFile = "[Error] No contact properties file found.";

class TCoefficientOfContact {
 public:
  // The coefficient reads the pair temperatures of the contact properties that own it.
  explicit TCoefficientOfContact(const TFloatList& temperatures);
  TCoefficientOfContact(const TCoefficientOfContact&) = delete;
  TCoefficientOfContact& operator=(const TCoefficientOfContact&) = delete;

  // LoadExpressions, DefineVariables, Compile. False when the file is missing ("[Error] No contact
  // properties file found."), when there is no pair, or when the model has no time to bind. A text that
  // does not compile raises EParserException after the parser list's alert, its message led by the
  // place of the key ("Line <n> of file <name>: ").
  bool Load(const std::string& FileName, const std::string& Key, const TContactModel& model);
  // The same from the file read already (the contact properties read it once for all their readers).
  bool Load(const TIniFile& ini, const std::string& Key, const TContactModel& model);

  // The coefficient of pair k at relative velocity v: vRel := |v|, temp := the pair's temperature (a
  // text that is a plain number reads neither). False, value untouched, for a pair without a compiled
  // expression.
  bool Value(std::uint32_t k, long double v, long double& value);
  // "cop file <name> line <line>" for pair k's key, without the line when the pair took the default.
  std::string Place(std::uint32_t k) const;

  // The normalisation of a coefficient text, each rule over the whole text and without regard to
  // letter case: " + " -> "+", " - " -> "-", any other blank -> "*", "[" -> "(", "]" -> ")",
  // "'" -> "_", and "Derivative(1)(q)" -> "q_" for every coordinate name q. There is no rule for " / ",
  // so a slash written between blanks ends up between two multiplication signs.
  static std::string Normalize(const std::string& text, const std::vector<std::string>& coordinate_names);

  std::vector<std::string> Expressions;  // one per pair, by pair index
  std::vector<std::size_t> Lines;        // the line (from 1) of each pair's key, 0 for the default
  TExpressionParserList Parsers;         // one per distinct text of Expressions, in the order of first use
  TVariableList Variables;
  long double VRel = 0;
  long double Temp = 0;

 private:
  bool LoadExpressions(const TIniFile& ini, const std::string& Key, const TContactModel& model);
  void DefineVariables(long double* time);
  void Compile();
  void ReadSection(const TIniFile& ini, const std::string& section, const std::string& key,
                   const TContactModel& model, std::string& text) const;

  const TFloatList& temperatures_;
  std::string file_name_;  // of the file read last, for the messages
  std::vector<std::optional<long double>> constants_;  // pair k's value when its text is a number
  std::vector<int> parser_of_;                         // pair k's parser
};

}  // namespace zentrova
