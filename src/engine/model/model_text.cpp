#include "engine/model/model_text.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <mutex>

#include "platform/ini_file.h"
#include "platform/number_text.h"
#include "platform/paths.h"
#include "platform/settings.h"
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

std::string PlaceOf(const std::string& path, std::size_t line) {
  const std::string file = "file " + ExtractFileName(ToNativeSeparators(path));
  return line == 0 ? file : "line " + IntToText(static_cast<std::int64_t>(line)) + " of " + file;
}

std::string WithPlace(const std::string& text, const std::string& path, std::size_t line,
                      const std::string& what) {
  return AppendSentence(text, SentencePlaceOf(path, line) + (what.empty() ? "." : ": " + EchoedText(what) + "."));
}

std::string SentencePlaceOf(const std::string& path, std::size_t line) {
  std::string place = PlaceOf(path, line);
  place[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(place[0])));
  return place;
}

std::string AppendSentence(const std::string& text, const std::string& sentence) {
  const bool spaced = text.empty() || text.back() == ' ';
  return text + (spaced ? "" : " ") + sentence;
}

std::string CountMismatch(const std::string& path, std::size_t count, const std::string& unit, std::uint32_t n,
                          const std::string& source) {
  return "File " + ExtractFileName(ToNativeSeparators(path)) + " has " +
         IntToText(static_cast<std::int64_t>(count)) + " " + unit + (count == 1 ? "" : "s") + " where numberOfGeneralizedCoodinates gives " +
         IntToText(n) + (source.empty() ? "" : " (" + source + ")") + ".";
}

namespace {

std::mutex g_separator_mutex;
std::string g_separator_source;

}  // namespace

void SetDecimalSeparatorSource(const std::string& source) {
  std::lock_guard<std::mutex> lock(g_separator_mutex);
  g_separator_source = source;
}

std::string DecimalSeparatorHint(const std::string& text) {
  const char separator = DecimalSeparator();
  if (separator == '.' || text.find('.') == std::string::npos) return {};
  std::lock_guard<std::mutex> lock(g_separator_mutex);
  return std::string(" Numbers are read with the decimal separator \"") + separator + "\"" +
         (g_separator_source.empty() ? "" : " that decimalSeparator sets on " + g_separator_source) + ".";
}

std::string EchoedText(const std::string& text) {
  if (text.size() <= kEchoedCharacters) return text;
  std::size_t cut = kEchoedCharacters;
  // Back to the first byte of a UTF-8 sequence: its continuation bytes are 10xxxxxx.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return text.substr(0, cut) + "[... " + IntToText(static_cast<std::int64_t>(text.size() - cut)) +
         " more bytes]";
}

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

std::string TSettingsReader::KeyLabel(const char* section, const char* key) const {
  const std::size_t line = ini_.LineOf(section, key);
  return std::string(key) + " in " + label_ + (line == 0 ? "" : " line " + IntToText(static_cast<std::int64_t>(line)));
}

void TSettingsReader::NotANumber(const char* section, const char* key, const std::string& text,
                                 const std::string& def) const {
  Alert("[Alert] " + KeyLabel(section, key) + " is not a number: " + EchoedText(text) + ". The default " + def +
        " is used." + DecimalSeparatorHint(text));
}

long double TSettingsReader::Float(const char* section, const char* key, long double def) {
  const std::string text = Trim(Text(section, key, ""));
  if (text.empty()) return def;
  long double value = def;
  if (!TryTextToFloat(text, value)) NotANumber(section, key, text, FloatToText(def));
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
    NotANumber(section, key, text, IntToText(def));
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
  log_.AddLine("[Error] " + KeyLabel(section, key) + " must be " + requirement + ": " +
               EchoedText(Trim(Text(section, key, value_text))) + ".");
  ok_ = false;
  return false;
}

}  // namespace zentrova
