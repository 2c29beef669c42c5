#include "engine/model/expression_list.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/model/key.h"
#include "engine/record/log.h"
#include "engine/model/model.h"
#include "engine/model/world.h"
#include "platform/message_sink.h"
#include "platform/number_text.h"
#include "platform/settings.h"
#include "platform/strings.h"

namespace zentrova {

namespace {

const char* const kImaginaryText =
    "[Error] Imaginary number in expression. Check .mmx, .hv, .dc, .me,... files. ";

// Letters, digits, "_" and the backquote of variable keys make up one name: "l" is not part of "l1",
// "Arm" not part of b`Arm`Rz, "m" not part of b`Arm`m, and "e5" not part of the number 2e5.
bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '`';
}

// The first place from `from` on where `name` stands as a whole name, letter case ignored. An end of
// the name that is no name character needs no boundary there.
std::size_t FindName(std::string_view text, std::string_view name, std::size_t from = 0) {
  if (name.empty()) return std::string_view::npos;
  const bool check_left = IsNameChar(name.front());
  const bool check_right = IsNameChar(name.back());
  for (std::size_t hit = FindText(text, name, from); hit != std::string_view::npos;
       hit = FindText(text, name, hit + 1)) {
    const std::size_t end = hit + name.size();
    const bool left = !check_left || hit == 0 || !IsNameChar(text[hit - 1]);
    const bool right = !check_right || end == text.size() || !IsNameChar(text[end]);
    if (left && right) return hit;
  }
  return std::string_view::npos;
}

bool ContainsName(std::string_view text, std::string_view name) {
  return FindName(text, name) != std::string_view::npos;
}

std::string ReplaceName(std::string_view text, std::string_view name, std::string_view to) {
  std::string out;
  std::size_t pos = 0;
  for (std::size_t hit = FindName(text, name); hit != std::string_view::npos;
       hit = FindName(text, name, pos)) {
    out.append(text.substr(pos, hit - pos));
    out.append(to);
    pos = hit + name.size();
  }
  out.append(text.substr(pos));
  return out;
}

// The algebra system writes its imaginary unit as a capital I standing alone: "2*I", "x/(I)". A name
// that merely begins with I (a constant Izz) is no imaginary unit.
bool HoldsImaginaryUnit(const std::string& text) {
  for (const char* pattern : {"*(I)", "/(I)"}) {
    if (text.find(pattern) != std::string::npos) return true;
  }
  for (std::size_t hit = text.find('I'); hit != std::string::npos; hit = text.find('I', hit + 1)) {
    const bool after_operator = hit > 0 && (text[hit - 1] == '*' || text[hit - 1] == '/');
    const bool alone = hit + 1 == text.size() || !IsNameChar(text[hit + 1]);
    if (after_operator && alone) return true;
  }
  return false;
}

}  // namespace

std::string SubstitutedValueText(long double value) {
  if (std::isnan(value)) return "NAN";
  // No literal reads as infinity: this one fails to compile with its text in the message.
  if (std::isinf(value)) return value > 0 ? "1E99999" : "(-1E99999)";
  const std::string text = FloatToTextRoundTrip(std::fabs(value), DecimalSeparator());
  return value < 0 ? "(-" + text + ")" : text;
}

TExpressionList::TExpressionList(TWorld& world)
    : Parsers(std::make_unique<TExpressionParserList>()),
      Variables(std::make_unique<TVariableList>()),
      world_(world) {}

TExpressionList::~TExpressionList() = default;

bool TExpressionList::AddExpression(const std::vector<std::string>& lines) {
  // Compiled parsers read through addresses, and dependent body coordinates point into Values: a second
  // set of lines would move both.
  if (Released || !Texts.empty() || Values.Count() != 0) {
    throw ECoordinateStorage("TExpressionList.AddExpression: the list holds compiled lines already");
  }
  if (!Normalize(lines)) return false;
  SubstituteConstants();
  SubstituteMassProperties();
  (void)DefineVariables();  // an unresolved key is logged; the list is compiled all the same
  CompileAll();
  Values.Dim(static_cast<std::uint32_t>(Texts.size()));
  EvaluateAll(false);
  return true;
}

void TExpressionList::EvaluateAll(bool OnlyIfVarying) {
  if (OnlyIfVarying && !TimeDependent) return;
  if (Released) return;
  const std::uint32_t n =
      std::min<std::uint32_t>(Values.Count(), static_cast<std::uint32_t>(Parsers->Count()));
  for (std::uint32_t i = 0; i < n; ++i) Values.Data()[i] = Parsers->At(static_cast<int>(i)).Evaluate();
  if (ReleaseWhenConstant && !TimeDependent) ReleaseCompiled();
}

void TExpressionList::ReleaseCompiled() {
  Texts.clear();
  Texts.shrink_to_fit();
  Parsers.reset();
  Variables.reset();
  Released = true;
}

bool TExpressionList::Normalize(const std::vector<std::string>& lines) {
  const std::vector<std::string>& names = world_.Model().GeneralizedCoordinates.Names;
  for (const std::string& line : lines) {
    if (Trim(line).empty()) continue;
    // Juxtaposition is multiplication; blanks around + - / are only layout.
    std::string text = ReplaceAll(line, " + ", "+", true);
    text = ReplaceAll(text, " - ", "-", true);
    text = ReplaceAll(text, " / ", "/", true);
    text = ReplaceAll(text, " ", "*", true);

    if (FindText(text, "[t]") != std::string::npos) {
      TimeDependent = true;
      text = ReplaceAll(text, "[t]", "", true);
    }
    for (const char* mark : {"*t", "/t", "+t", "-t", "(t)"}) {
      if (FindText(text, mark) != std::string::npos) TimeDependent = true;
    }
    // The time as a name anywhere, the start of the line included (t*F0).
    if (ContainsName(text, "t")) TimeDependent = true;

    text = ReplaceAll(text, "[", "(");
    text = ReplaceAll(text, "]", ")");
    text = ReplaceAll(text, "'", "_");
    for (const std::string& g : names) {
      if (g.empty()) continue;
      text = ReplaceAll(text, "Derivative(1)(" + g + ")", g + "_", true);
      text = ReplaceAll(text, "Derivative(2)(" + g + ")", g + "__", true);
    }
    // A line of the state goes stale when q changes, whether or not it was marked with [t].
    for (const std::string& g : names) {
      if (g.empty()) continue;
      if (ContainsName(text, g) || ContainsName(text, g + "_") || ContainsName(text, g + "__")) {
        TimeDependent = true;
      }
    }

    if (HoldsImaginaryUnit(text)) {
      LogLine(kImaginaryText);
      ShowMessage(kImaginaryText);
      return false;
    }
    Texts.push_back(text);
  }
  return true;
}

void TExpressionList::SubstituteConstants() {
  // In file order: of two constants with one name the first one wins, as it leaves no name behind.
  for (const model::TConstant& constant : world_.Model().Constants) {
    if (constant.Name.empty()) continue;
    const std::string value = SubstitutedValueText(constant.Value);
    for (std::string& text : Texts) text = ReplaceName(text, constant.Name, value);
  }
}

void TExpressionList::SubstituteMassProperties() {
  TBodyList& bodies = world_.Model().Bodies;
  for (std::int32_t b = 0; b < bodies.Count(); ++b) {
    for (const char* property : kMassPropertyNames) {
      const std::string key_text = "b`" + bodies.Items(b).Name + "`" + property;
      TKey key(world_);
      key.SetKeyText(key_text);
      long double value = 0;
      if (!key.LinkMassProperty(value)) continue;
      const std::string value_text = SubstitutedValueText(value);
      for (std::string& text : Texts) text = ReplaceName(text, key_text, value_text);
    }
  }
}

bool TExpressionList::DefineVariables() {
  Variables->AddVariable("t", &world_.State.Time);
  const std::vector<std::string>& names = world_.Model().GeneralizedCoordinates.Names;
  TCoordinateList& evaluated = world_.State.Evaluated;
  const std::size_t n = std::min<std::size_t>(names.size(), evaluated.Count());
  for (std::size_t i = 0; i < n; ++i) {
    const std::string& g = names[i];
    if (g.empty()) continue;
    Variables->AddVariable(g, evaluated.Q.Data() + i);
    Variables->AddVariable(g + "_", evaluated.QDot.Data() + i);
    Variables->AddVariable(g + "__", evaluated.QDDot.Data() + i);
  }
  // The parsers will read through these addresses from now on.
  if (n > 0) evaluated.MarkBound();

  // What is left of a key once every coordinate name is gone names nothing the model binds.
  std::string unresolved;
  for (const std::string& text : Texts) {
    std::string rest = text;
    for (const std::string& g : names) {
      if (g.empty()) continue;
      rest = ReplaceName(rest, g + "__", "");
      rest = ReplaceName(rest, g + "_", "");
      rest = ReplaceName(rest, g, "");
    }
    if (rest.find('`') != std::string::npos) unresolved = rest;
  }
  if (!unresolved.empty()) {
    LogLine("[Error] Unknown variable present (" + unresolved + "). Check .mmx, .hv, .dc, .me,... files. ");
    return false;
  }
  return true;
}

void TExpressionList::CompileAll() {
  for (const std::string& text : Texts) Parsers->AddParser(*Variables, text);
}

}  // namespace zentrova
