#include "engine/model/model_text.h"

#include <algorithm>
#include <cmath>

#include "platform/ini_file.h"
#include "platform/number_text.h"
#include "platform/paths.h"
#include "platform/strings.h"

namespace zentrova {

namespace {

const char* Requirement(TValueRule rule) {
  switch (rule) {
    case TValueRule::Finite:
      return "a finite number";
    case TValueRule::NotNegative:
      return "a finite number of at least 0";
    case TValueRule::Positive:
      return "a finite number above 0";
  }
  return "";
}

bool Obeys(long double value, TValueRule rule) {
  if (!std::isfinite(value)) return false;
  return rule == TValueRule::Finite || (rule == TValueRule::NotNegative ? value >= 0 : value > 0);
}

}  // namespace

bool AcceptNulFreeText(std::size_t line, const std::string& path, ILogSink& log) {
  if (line == 0) return true;
  log.AddLine("[Error] Line " + IntToText(static_cast<std::int64_t>(line)) + " of file " +
              ExtractFileName(path) + " holds a NUL byte.");
  return false;
}

TSettingsReader::TSettingsReader(const TIniFile& ini, std::string kind, const std::string& path,
                                 ILogSink& log, std::set<std::string>* said)
    : ini_(ini), label_(std::move(kind) + " file " + ExtractFileName(path)), log_(log), said_(said) {}

void TSettingsReader::Alert(const std::string& line) const {
  if (said_ != nullptr && !said_->insert(line).second) return;
  log_.AddLine(line);
}

std::string TSettingsReader::Text(const char* section, const char* key, const std::string& fallback) const {
  const std::string text = ini_.ReadString(section, key, "");
  return Trim(text).empty() ? fallback : text;
}

void TSettingsReader::NotANumber(const char* key, const std::string& text, const std::string& def) const {
  Alert("[Alert] " + std::string(key) + " in " + label_ + " is not a number: " + text + ". The default " + def +
        " is used.");
}

long double TSettingsReader::Float(const char* section, const char* key, long double def) {
  const std::string text = Trim(Text(section, key, ""));
  if (text.empty()) return def;
  long double value = def;
  if (!TryTextToFloat(text, value)) NotANumber(key, text, FloatToText(def));
  return value;
}

std::int32_t TSettingsReader::Integer(const char* section, const char* key, std::int32_t def) {
  const std::string text = Trim(Text(section, key, ""));
  if (text.empty()) return def;
  std::int32_t value = def;
  if (TryTextToInt(text, value)) return value;
  if (IsWholeNumberText(text)) {
    Refuse(section, key, "a whole number within 32 bits");
  } else {
    NotANumber(key, text, IntToText(def));
  }
  return def;
}

bool TSettingsReader::Bool(const char* section, const char* key, bool def) {
  return Integer(section, key, def ? 1 : 0) != 0;
}

bool TSettingsReader::Check(const char* section, const char* key, long double value, TValueRule rule) {
  return Obeys(value, rule) || Refuse(section, key, Requirement(rule), FloatToText(value));
}

bool TSettingsReader::Refuse(const char* section, const char* key, const std::string& requirement,
                             const std::string& value_text) {
  log_.AddLine("[Error] " + std::string(key) + " in " + label_ + " must be " + requirement + ": " +
               Trim(Text(section, key, value_text)) + ".");
  ok_ = false;
  return false;
}

}  // namespace zentrova
