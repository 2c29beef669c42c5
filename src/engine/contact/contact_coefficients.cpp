#include "engine/contact/contact_coefficients.h"

#include <cctype>

#include <cmath>
#include <exception>
#include <string_view>
#include <unordered_map>

#include "engine/contact/contact_properties.h"
#include "platform/ini_file.h"
#include "platform/number_text.h"
#include "platform/paths.h"
#include "platform/strings.h"

namespace zentrova {

namespace {

const char* const kZero = "0";
constexpr std::string_view kDerivativeHead = "Derivative(1)(";

}  // namespace

std::string AllPairsSection(const std::string& body) {
  return body + ":all";
}

bool FindPairSection(const TIniFile& ini, const std::string& a, const std::string& b, std::string& section,
                     bool& reversed) {
  section = a + "-" + b;
  reversed = !ini.SectionExists(section);
  if (reversed) section = b + "-" + a;
  return ini.SectionExists(section);
}

TCoefficientOfContact::TCoefficientOfContact(const TFloatList& temperatures) : temperatures_(temperatures) {}

std::string TCoefficientOfContact::Normalize(const std::string& text,
                                             const std::vector<std::string>& coordinate_names) {
  std::string s = ReplaceAll(text, " + ", "+", true);
  s = ReplaceAll(s, " - ", "-", true);
  s = ReplaceAll(s, " ", "*", true);
  s = ReplaceAll(s, "[", "(", true);
  s = ReplaceAll(s, "]", ")", true);
  s = ReplaceAll(s, "'", "_", true);
  // A text without the derivative's head has nothing to replace for any coordinate; most have none, and
  // a model of many bodies has many coordinates and a text per pair.
  if (FindText(s, kDerivativeHead) == std::string::npos) return s;
  for (const std::string& q : coordinate_names) {
    s = ReplaceAll(s, std::string(kDerivativeHead) + q + ")", q + "_", true);
  }
  return s;
}

bool TCoefficientOfContact::Load(const std::string& FileName, const std::string& Key,
                                 const TContactModel& model) {
  const std::string path = FindFile(FileName);
  if (path.empty()) {
    model.Log->AddLine(kNoContactPropertiesFile);
    return false;
  }
  return Load(TIniFile(path), Key, model);
}

bool TCoefficientOfContact::Load(const TIniFile& ini, const std::string& Key, const TContactModel& model) {
  if (!LoadExpressions(ini, Key, model)) return false;
  // "t" must read the world's time; without it every evaluation would read through nothing.
  if (model.Time == nullptr) return false;
  DefineVariables(model.Time);
  Compile();
  return true;
}

void TCoefficientOfContact::ReadSection(const TIniFile& ini, const std::string& section,
                                        const std::string& key, const TContactModel& model,
                                        std::string& text) const {
  text = Normalize(ini.ReadString(section, key, kZero), model.CoordinateNames);
}

bool TCoefficientOfContact::LoadExpressions(const TIniFile& ini, const std::string& Key,
                                            const TContactModel& model) {
  const auto n = static_cast<std::uint32_t>(model.BodyNames.size());
  // A model of fewer than two bodies has no pair to give a coefficient.
  if (n < 2) return false;
  Expressions.assign(PairCount(n), kZero);
  Lines.assign(PairCount(n), 0);
  file_name_ = ExtractFileName(ini.FileName());

  for (std::uint32_t i = 0; i < n; ++i) {
    const std::string section = AllPairsSection(model.BodyNames[i]);
    if (!ini.SectionExists(section)) continue;
    std::string text;
    ReadSection(ini, section, Key, model, text);
    for (std::uint32_t j = 0; j < n; ++j) {
      std::uint32_t k = 0;
      if (PairIndexOf(i, j, n, k)) {
        Expressions[k] = text;
        Lines[k] = ini.LineOf(section, Key);
      }
    }
  }

  for (std::uint32_t i = 0; i < n; ++i) {
    for (std::uint32_t j = i + 1; j < n; ++j) {
      std::string section;
      bool reversed = false;
      // Either order gives the pair the same coefficient.
      if (!FindPairSection(ini, model.BodyNames[i], model.BodyNames[j], section, reversed)) continue;
      std::uint32_t k = 0;
      PairIndexOf(i, j, n, k);
      ReadSection(ini, section, Key, model, Expressions[k]);
      Lines[k] = ini.LineOf(section, Key);
    }
  }
  return true;
}

void TCoefficientOfContact::DefineVariables(long double* time) {
  Variables.AddVariable("t", time);
  Variables.AddVariable("temp", &Temp);
  Variables.AddVariable("vRel", &VRel);
}

namespace {

// Digits with at most one point, and an exponent: a text that names no variable.
bool IsNumberText(const std::string& text) {
  std::size_t i = 0, digits = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
  if (i < text.size() && text[i] == '.') ++i;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t exponent = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    if (i == exponent) return false;
  }
  return i == text.size();
}

}  // namespace

void TCoefficientOfContact::Compile() {
  constants_.assign(Expressions.size(), std::nullopt);
  parser_of_.clear();
  // Pairs of the same text share one parser: every parser reads the same variables, and a model of
  // many bodies gives most of its pairs one text.
  // The first pair of each text, by the text (Expressions stay put from here on).
  std::unordered_map<std::string_view, std::size_t> first;
  for (std::size_t k = 0; k < Expressions.size(); ++k) {
    if (const auto it = first.find(Expressions[k]); it != first.end()) {
      parser_of_.push_back(parser_of_[it->second]);
      constants_[k] = constants_[it->second];
      continue;
    }
    try {
      Parsers.AddParser(Variables, Expressions[k]);
    } catch (const std::exception& e) {
      // The text alone does not tell which of the file's keys it came from.
      const std::string place =
          Lines[k] != 0 ? "Line " + IntToText(static_cast<std::int64_t>(Lines[k])) + " of file " : "File ";
      throw EParserException(place + file_name_ + ": " + e.what());
    }
    parser_of_.push_back(Parsers.Count() - 1);
    first.emplace(Expressions[k], k);
    // Most coefficients are plain numbers, asked for four times per contact and step: their value is
    // the compiled text's, taken once.
    if (IsNumberText(Expressions[k])) constants_[k] = Parsers.At(parser_of_.back()).Evaluate();
  }
}

bool TCoefficientOfContact::Value(std::uint32_t k, long double v, long double& value) {
  if (k >= parser_of_.size() || k >= temperatures_.Count()) return false;
  if (k < constants_.size() && constants_[k]) {
    value = *constants_[k];
    return true;
  }
  VRel = std::fabs(v);
  Temp = temperatures_.At(k);
  value = Parsers.At(parser_of_[k]).Evaluate();
  return true;
}

std::string TCoefficientOfContact::Place(std::uint32_t k) const {
  const std::string file = "cop file " + file_name_;
  if (k >= Lines.size() || Lines[k] == 0) return file;
  return file + " line " + IntToText(static_cast<std::int64_t>(Lines[k]));
}

}  // namespace zentrova
