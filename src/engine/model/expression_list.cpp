#include "engine/model/expression_list.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <string_view>
#include <unordered_map>

#include "engine/model/body.h"
#include "engine/model/constant_list.h"
#include "engine/model/expression_names.h"
#include "engine/model/generalized_coordinates.h"
#include "engine/model/key.h"
#include "engine/model/model_binding.h"
#include "engine/model/model_text.h"
#include "engine/model/step_state.h"
#include "platform/message_sink.h"
#include "platform/number_text.h"
#include "platform/settings.h"
#include "platform/strings.h"

namespace zentrova {

namespace {

const char* const kImaginaryText =
    "[Error] Imaginary number in expression. Check .mmx, .hv, .dc, .me,... files. ";

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

// Calls visit(run, lower) for every maximal run of name characters of the text, in order, with the run
// also in lower case.
template <typename Visit>
void ForEachRun(std::string_view text, Visit visit) {
  std::string lower;
  for (std::size_t begin = 0; begin < text.size();) {
    if (!IsNameChar(text[begin])) {
      ++begin;
      continue;
    }
    std::size_t end = begin;
    while (end < text.size() && IsNameChar(text[end])) ++end;
    const std::string_view run = text.substr(begin, end - begin);
    lower = LowerCase(run);
    visit(run, std::string_view(lower));
    begin = end;
  }
}

// The text with every maximal run of name characters for which `replace` (handed the run in lower case)
// gives a text replaced by it. Where every name looked for is such a run, this is ReplaceName for all of
// them at once: a run replaced stays between the same characters that are no name characters.
template <typename Replace>
std::string ReplaceRuns(std::string_view text, Replace replace) {
  std::string out;
  out.reserve(text.size());
  std::size_t copied = 0;
  ForEachRun(text, [&](std::string_view run, std::string_view lower) {
    const std::string* replacement = replace(lower);
    if (replacement == nullptr) return;
    const std::size_t begin = static_cast<std::size_t>(run.data() - text.data());
    out.append(text.substr(copied, begin - copied)).append(*replacement);
    copied = begin + run.size();
  });
  out.append(text.substr(copied));
  return out;
}

// "Derivative(1)(q)" and "Derivative(2)(q)" (letter case ignored) become q_ and q__ for every coordinate
// q, in one pass: the name inside is what stands before the next ")", since no coordinate name holds a
// bracket. False, the text unchanged, when an inner text holds "(" (nested derivatives): replacing one
// could make another, and the caller goes name by name.
bool RewriteDerivatives(std::string& text, const TExpressionNames& names) {
  static constexpr std::string_view kPrefix = "Derivative(";
  std::string out;
  std::size_t copied = 0;
  for (std::size_t hit = FindText(text, kPrefix); hit != std::string::npos;
       hit = FindText(text, kPrefix, hit + 1)) {
    const std::size_t order = hit + kPrefix.size();
    if (order + 2 >= text.size() || (text[order] != '1' && text[order] != '2') || text[order + 1] != ')' ||
        text[order + 2] != '(') {
      continue;
    }
    const std::size_t inner = order + 3;
    const std::size_t close = text.find(')', inner);
    if (close == std::string::npos) continue;
    const std::string_view name = std::string_view(text).substr(inner, close - inner);
    if (name.find('(') != std::string_view::npos) return false;
    const std::string* g = names.Coordinate(LowerCase(name));
    if (g == nullptr) continue;
    out.append(text, copied, hit - copied).append(*g).append(text[order] == '1' ? "_" : "__");
    copied = close + 1;
  }
  if (copied == 0) return true;
  out.append(text, copied, std::string::npos);
  text = std::move(out);
  return true;
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

TLineSource TLineSource::Consecutive(std::string file, std::size_t first, std::size_t count) {
  TLineSource source{std::move(file), {}};
  for (std::size_t i = 0; i < count; ++i) source.Lines.push_back(first + i);
  return source;
}

TLineSource TLineSource::SameLine(std::string file, std::size_t line, std::size_t count) {
  return TLineSource{std::move(file), std::vector<std::size_t>(count, line)};
}

std::string TLineSource::Place(std::size_t line) const {
  if (File.empty()) return {};
  return SentencePlaceOf(File, line);
}

TExpressionList::TExpressionList(const TModelBinding& binding)
    : Parsers(std::make_unique<TExpressionParserList>()), binding_(binding) {
  // The load's error line names the parser's message and its place; the alert goes with it to the log.
  Parsers->SetAlertSink([&binding = binding_](const std::string& line) { binding.Log->AddLine(line); });
}

TExpressionList::~TExpressionList() = default;

bool TExpressionList::AddExpression(const std::vector<std::string>& lines, const TLineSource& source) {
  // Compiled parsers read through addresses, and dependent body coordinates point into Values: a second
  // set of lines would move both.
  if (Released || !Texts.empty() || Values.Count() != 0) {
    throw ECoordinateStorage("TExpressionList.AddExpression: the list holds compiled lines already");
  }
  source_ = source;
  if (!Normalize(lines)) return false;
  SubstituteConstants();
  SubstituteMassProperties();
  if (!DefineVariables() || !CompileAll()) return false;
  Values.Dim(static_cast<std::uint32_t>(Texts.size()));
  EvaluateAll(false);
  return true;
}

void TExpressionList::EvaluateAll(bool OnlyIfVarying) {
  if (OnlyIfVarying && !TimeDependent) return;
  if (Released) return;
  const std::uint32_t n = std::min<std::uint32_t>(Values.Count(), static_cast<std::uint32_t>(ParserOf.size()));
  // Every line is evaluated, also one that shares its parser: a line evaluates as often as it would alone.
  // Read through locals: an evaluation could write anywhere as far as the compiler knows, and this runs
  // at every stage of every step.
  const TExpressionParserList& parsers = *Parsers;
  const int* parser_of = ParserOf.data();
  long double* values = Values.Data();
  for (std::uint32_t i = 0; i < n; ++i) values[i] = parsers.At(parser_of[i]).Evaluate();
  if (ReleaseWhenConstant && !TimeDependent) ReleaseCompiled();
}

bool TExpressionList::FirstNotFinite(std::string& place, long double& value) const {
  for (std::uint32_t i = 0; i < Values.Count(); ++i) {
    // Lines of one text share a parser: line i's is ParserOf[i], not parser i.
    const bool compiled = !Released && i < ParserOf.size();
    value = compiled ? Parsers->At(ParserOf[i]).Evaluate() : Values.At(i);
    if (std::isfinite(value)) continue;
    place = Place(i);
    return true;
  }
  return false;
}

void TExpressionList::ReleaseCompiled() {
  Texts.clear();
  Texts.shrink_to_fit();
  ParserOf.clear();
  ParserOf.shrink_to_fit();
  Parsers.reset();
  Released = true;
}

bool TExpressionList::Normalize(const std::vector<std::string>& lines) {
  const std::vector<std::string>& names = binding_.Coordinates->Names;
  TExpressionNames& table = *binding_.Names;
  table.Refresh();
  const bool by_runs = table.CoordinatesAreRuns();
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const std::string& line = lines[index];
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
    if (!by_runs || !RewriteDerivatives(text, table)) {
      for (const std::string& g : names) {
        if (g.empty()) continue;
        text = ReplaceAll(text, "Derivative(1)(" + g + ")", g + "_", true);
        text = ReplaceAll(text, "Derivative(2)(" + g + ")", g + "__", true);
      }
    }
    // A line of the state goes stale when q changes, whether or not it was marked with [t].
    if (by_runs) {
      ForEachRun(text, [&](std::string_view, std::string_view lower) {
        if (table.IsStateName(lower)) TimeDependent = true;
      });
    } else {
      for (const std::string& g : names) {
        if (g.empty()) continue;
        if (ContainsName(text, g) || ContainsName(text, g + "_") || ContainsName(text, g + "__")) {
          TimeDependent = true;
        }
      }
    }

    if (HoldsImaginaryUnit(text)) {
      const std::string place = source_.Place(index < source_.Lines.size() ? source_.Lines[index] : 0);
      const std::string message = place.empty() ? std::string(kImaginaryText) : AppendSentence(kImaginaryText, place + ".");
      binding_.Log->AddLine(message);
      ShowMessageVia(binding_.Messages, message);
      return false;
    }
    Texts.push_back(text);
    text_lines_.push_back(index < source_.Lines.size() ? source_.Lines[index] : 0);
  }
  return true;
}

std::string TExpressionList::Place(std::size_t text) const {
  return source_.Place(text < text_lines_.size() ? text_lines_[text] : 0);
}

void TExpressionList::SubstituteConstants() {
  TExpressionNames& table = *binding_.Names;
  table.Refresh();
  if (table.ConstantsAreRuns()) {
    for (std::string& text : Texts) {
      text = ReplaceRuns(text, [&](std::string_view lower) { return table.ConstantText(lower); });
    }
    return;
  }
  // In file order: of two constants with one name the first one wins, as it leaves no name behind.
  for (const model::TConstant& constant : *binding_.Constants) {
    if (constant.Name.empty()) continue;
    const std::string value = SubstitutedValueText(constant.Value);
    for (std::string& text : Texts) text = ReplaceName(text, constant.Name, value);
  }
}

void TExpressionList::SubstituteMassProperties() {
  TExpressionNames& table = *binding_.Names;
  table.Refresh();
  if (table.MassKeysAreRuns()) {
    for (std::string& text : Texts) {
      text = ReplaceRuns(text, [&](std::string_view lower) { return table.MassPropertyText(lower); });
    }
    return;
  }
  TBodyList& bodies = *binding_.Bodies;
  for (std::int32_t b = 0; b < bodies.Count(); ++b) {
    for (const char* property : kMassPropertyNames) {
      const std::string key_text = "b`" + bodies.Items(b).Name + "`" + property;
      TKey key(binding_);
      key.SetKeyText(key_text);
      long double value = 0;
      if (!key.LinkMassProperty(value)) continue;
      const std::string value_text = SubstitutedValueText(value);
      for (std::string& text : Texts) text = ReplaceName(text, key_text, value_text);
    }
  }
}

bool TExpressionList::DefineVariables() {
  const std::vector<std::string>& names = binding_.Coordinates->Names;
  TExpressionNames& table = *binding_.Names;
  table.Refresh();
  // The parsers will read through the addresses of the model's variables from now on (CompileAll).
  TCoordinateList& evaluated = binding_.State->Evaluated;
  if (std::min<std::size_t>(names.size(), evaluated.Count()) > 0) evaluated.MarkBound();

  // What is left of a key once every coordinate name is gone names nothing the model binds.
  std::string unresolved;
  std::size_t unresolved_text = 0;
  for (std::size_t i = 0; i < Texts.size(); ++i) {
    const std::string& text = Texts[i];
    if (text.find('`') == std::string::npos) continue;  // nothing could be left
    std::string rest;
    if (table.CoordinatesAreRuns()) {
      rest = ReplaceRuns(text, [&](std::string_view lower) {
        static const std::string kNothing;
        return table.IsStateName(lower) ? &kNothing : nullptr;
      });
    } else {
      rest = text;
      for (const std::string& g : names) {
        if (g.empty()) continue;
        rest = ReplaceName(rest, g + "__", "");
        rest = ReplaceName(rest, g + "_", "");
        rest = ReplaceName(rest, g, "");
      }
    }
    if (rest.find('`') != std::string::npos) {
      unresolved = rest;
      unresolved_text = i;
    }
  }
  if (unresolved.empty()) return true;
  std::string line = "[Error] Unknown variable present (" + EchoedText(unresolved) + "). Check .mmx, .hv, .dc, .me,... files. ";
  const std::string place = Place(unresolved_text);
  if (!place.empty()) {
    std::string key;
    ForEachRun(unresolved, [&](std::string_view run, std::string_view) {
      if (key.empty() && run.find('`') != std::string_view::npos) key = run;
    });
    line += place + ": unknown variable " + EchoedText(key) + ".";
  }
  binding_.Log->AddLine(line);
  return false;
}

bool TExpressionList::CompileAll() {
  TExpressionNames& table = *binding_.Names;
  table.Refresh();
  ParserOf.clear();
  std::unordered_map<std::string_view, int> compiled;  // into Texts, which stay put from here on
  for (std::size_t i = 0; i < Texts.size(); ++i) {
    const std::string& text = Texts[i];
    if (const auto it = compiled.find(text); it != compiled.end()) {
      ParserOf.push_back(it->second);
      continue;
    }
    try {
      // Names that clash are refused by the parser list once it is given all variables.
      if (table.ParserNamesClash()) {
        Parsers->AddParser(table.AllVariables(), text);
      } else {
        Parsers->AddParser(table.VariablesFor(text), text);
      }
    } catch (const std::exception& e) {
      const std::string place = Place(i);
      binding_.Log->AddLine("[Error] " + (place.empty() ? std::string() : place + ": ") + e.what());
      return false;
    }
    ParserOf.push_back(Parsers->Count() - 1);
    compiled.emplace(text, ParserOf.back());
  }
  return true;
}

}  // namespace zentrova
