#include "engine/model/expression_names.h"

#include <algorithm>
#include <cmath>

#include "engine/model/body.h"
#include "engine/model/constant_list.h"
#include "engine/model/expression_list.h"
#include "engine/model/generalized_coordinates.h"
#include "engine/model/key.h"
#include "engine/model/model_binding.h"
#include "engine/model/step_state.h"
#include "numerics/expression_parser.h"
#include "platform/settings.h"
#include "platform/strings.h"

namespace zentrova {

namespace {

bool IsLetterDigitOrUnderscore(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsNameRun(const std::string& name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), IsNameChar);
}

// What the parser scans as one plain name (its text comes in lower case): a letter or "_", then
// letters, digits and "_". Such a name is only ever a suffix of a run of these characters.
bool IsParserIdentifierChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsPlainParserName(std::string_view name) {
  return !name.empty() && (name[0] == '_' || (name[0] >= 'a' && name[0] <= 'z')) &&
         std::all_of(name.begin(), name.end(), IsParserIdentifierChar);
}

bool SameValue(long double a, long double b) {
  return a == b || (std::isnan(a) && std::isnan(b));
}

void MassValues(const TBody& body, long double (&values)[7]) {
  const TMassMomentOfInertia& j = body.Inertia;
  const long double all[7] = {body.Mass, j.XX, j.YY, j.ZZ, j.XY, j.XZ, j.YZ};
  std::copy(std::begin(all), std::end(all), values);
}

}  // namespace

bool IsNameChar(char c) {
  return IsLetterDigitOrUnderscore(c) || c == '`';
}

void TExpressionNames::Refresh() {
  if (!built_ || Stale()) Build();
}

bool TExpressionNames::Stale() const {
  const std::vector<std::string>& coordinate_names = binding_.Coordinates->Names;
  const TConstantList& constants = *binding_.Constants;
  const TBodyList& bodies = *binding_.Bodies;
  const TCoordinateList& evaluated = binding_.State->Evaluated;
  if (coordinate_names != coordinate_names_ || evaluated.Q.Data() != q_ || evaluated.QDot.Data() != q_dot_ ||
      evaluated.QDDot.Data() != q_ddot_ || evaluated.Count() != state_count_ ||
      &binding_.State->Time != time_ || DecimalSeparator() != decimal_separator_ ||
      ListSeparator() != list_separator_ ||
      constants.Count() != static_cast<std::int32_t>(constants_.size()) ||
      bodies.Count() != static_cast<std::int32_t>(bodies_.size())) {
    return true;
  }
  for (std::size_t i = 0; i < constants_.size(); ++i) {
    const model::TConstant& c = constants.Items(static_cast<std::int32_t>(i));
    if (c.Name != constants_[i].first || !SameValue(c.Value, constants_[i].second)) return true;
  }
  for (std::size_t b = 0; b < bodies_.size(); ++b) {
    const TBody& body = bodies.Items(static_cast<std::int32_t>(b));
    long double values[7];
    MassValues(body, values);
    if (&body != bodies_[b].body || body.Name != bodies_[b].name ||
        !std::equal(std::begin(values), std::end(values), std::begin(bodies_[b].values), SameValue)) {
      return true;
    }
  }
  return false;
}

void TExpressionNames::Build() {
  const TConstantList& constants = *binding_.Constants;
  const TBodyList& bodies = *binding_.Bodies;
  TCoordinateList& evaluated = binding_.State->Evaluated;
  built_ = true;
  coordinate_names_ = binding_.Coordinates->Names;
  q_ = evaluated.Q.Data();
  q_dot_ = evaluated.QDot.Data();
  q_ddot_ = evaluated.QDDot.Data();
  state_count_ = evaluated.Count();
  time_ = &binding_.State->Time;
  decimal_separator_ = DecimalSeparator();
  list_separator_ = ListSeparator();

  coordinates_are_runs_ = true;
  coordinates_.clear();
  state_names_.clear();
  for (const std::string& g : coordinate_names_) {
    if (g.empty()) continue;
    if (!IsNameRun(g)) coordinates_are_runs_ = false;
    const std::string lower = LowerCase(g);
    coordinates_.emplace(lower, &g);
    for (const char* mark : {"", "_", "__"}) state_names_.emplace(lower + mark, true);
  }

  // A substituted value is a number ("1.5", "(-2)", "1E-5", "1E99999") or "NAN": its runs begin with a
  // digit or are "NAN", and so can never be taken for a constant named otherwise.
  constants_are_runs_ = true;
  constants_.clear();
  constant_texts_.clear();
  for (const model::TConstant& c : constants) {
    constants_.emplace_back(c.Name, c.Value);
    if (c.Name.empty()) continue;
    const std::string lower = LowerCase(c.Name);
    if (!IsNameRun(c.Name) || (lower[0] >= '0' && lower[0] <= '9') || lower == "nan")
      constants_are_runs_ = false;
    if (!constant_texts_.contains(lower)) constant_texts_.emplace(lower, SubstitutedValueText(c.Value));
  }

  // A key resolves to the first body of its exact name (TKey), whatever body it was written for.
  mass_keys_are_runs_ = true;
  bodies_.clear();
  mass_texts_.clear();
  std::unordered_map<std::string, const TBody*> first_of_name;
  for (std::int32_t b = 0; b < bodies.Count(); ++b) {
    const TBody& body = bodies.Items(b);
    TBodyMass& kept = bodies_.emplace_back(TBodyMass{&body, body.Name, {}});
    MassValues(body, kept.values);
    if (body.Name.empty() || !std::all_of(body.Name.begin(), body.Name.end(), IsLetterDigitOrUnderscore)) {
      mass_keys_are_runs_ = false;
    }
    const TBody& owner = *first_of_name.emplace(body.Name, &body).first->second;
    for (const char* property : kMassPropertyNames) {
      const std::string lower = LowerCase("b`" + body.Name + "`" + property);
      if (!mass_texts_.contains(lower)) {
        mass_texts_.emplace(lower, SubstitutedValueText(*MassPropertyOf(owner, property)));
      }
    }
  }

  // The variables in the order a parser defines them; of two with one parser name the later one wins
  // (AddParser), unless they differ in name and address, which AddParser refuses.
  all_variables_ = TVariableList();
  all_variables_.AddVariable("t", &binding_.State->Time);
  const std::size_t n = std::min<std::size_t>(coordinate_names_.size(), evaluated.Count());
  for (std::size_t i = 0; i < n; ++i) {
    const std::string& g = coordinate_names_[i];
    if (g.empty()) continue;
    all_variables_.AddVariable(g, evaluated.Q.Data() + i);
    all_variables_.AddVariable(g + "_", evaluated.QDot.Data() + i);
    all_variables_.AddVariable(g + "__", evaluated.QDDot.Data() + i);
  }
  parser_names_clash_ = false;
  TMap<const TVariable*> final_variable;
  for (int i = 0; i < all_variables_.Count(); ++i) {
    const TVariable& v = all_variables_.At(i);
    auto [it, inserted] = final_variable.emplace(LowerCase(v.ParserName()), &v);
    if (inserted) continue;
    if (it->second->Name() != v.Name() && it->second->Address() != v.Address()) parser_names_clash_ = true;
    it->second = &v;
  }
  // A name the parser scans otherwise, or one that replaces a word of its vocabulary (which may raise),
  // is defined in every parser, as before.
  scanned_variables_.clear();
  always_defined_.clear();
  TExpressionParser vocabulary;
  for (int i = 0; i < all_variables_.Count(); ++i) {
    const TVariable& v = all_variables_.At(i);
    const std::string lower = LowerCase(v.ParserName());
    if (final_variable.find(lower)->second != &v) continue;
    if (IsPlainParserName(lower) && vocabulary.Words().Find(lower) == nullptr) {
      scanned_variables_.emplace(lower, &v);
    } else {
      always_defined_.push_back(&v);
    }
  }
}

const std::string* TExpressionNames::Coordinate(std::string_view lower) const {
  const auto it = coordinates_.find(lower);
  return it != coordinates_.end() ? it->second : nullptr;
}

bool TExpressionNames::IsStateName(std::string_view lower) const {
  return state_names_.find(lower) != state_names_.end();
}

const std::string* TExpressionNames::ConstantText(std::string_view lower) const {
  const auto it = constant_texts_.find(lower);
  return it != constant_texts_.end() ? &it->second : nullptr;
}

const std::string* TExpressionNames::MassPropertyText(std::string_view lower) const {
  const auto it = mass_texts_.find(lower);
  return it != mass_texts_.end() ? &it->second : nullptr;
}

std::vector<const TVariable*> TExpressionNames::VariablesFor(const std::string& text) const {
  std::vector<const TVariable*> variables = always_defined_;
  auto take = [&](std::string_view name) {
    const auto it = scanned_variables_.find(name);
    if (it != scanned_variables_.end() &&
        std::find(variables.begin(), variables.end(), it->second) == variables.end()) {
      variables.push_back(it->second);
    }
  };
  // The parser's text: lower case, without backquotes. A plain name it scans ends where its run of
  // identifier characters ends, and begins at the run's start or after a number inside the run ("2e5x"):
  // every suffix of a run that begins with a letter or "_" is looked at.
  std::string scanned;
  scanned.reserve(text.size());
  for (char c : text) {
    if (c != '`') scanned.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
  }
  const std::string_view s = scanned;
  for (std::size_t begin = 0; begin < s.size();) {
    if (!IsParserIdentifierChar(s[begin])) {
      ++begin;
      continue;
    }
    std::size_t end = begin;
    while (end < s.size() && IsParserIdentifierChar(s[end])) ++end;
    for (std::size_t from = begin; from < end; ++from) {
      if (s[from] == '_' || (s[from] >= 'a' && s[from] <= 'z')) take(s.substr(from, end - from));
    }
    begin = end;
  }
  return variables;
}

}  // namespace zentrova
