#include "engine/contact/contact_properties.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <utility>
#include <vector>

#include "engine/model/model_text.h"
#include "platform/ini_file.h"
#include "platform/number_text.h"
#include "platform/paths.h"
#include "platform/strings.h"
#include "platform/text_file.h"

namespace zentrova {

namespace {

constexpr long double kInfinity = std::numeric_limits<long double>::infinity();

void AlertOnce(std::set<std::string>& alerted, const std::string& line, ILogSink& log) {
  if (alerted.insert(line).second) log.AddLine(line);
}

const char* const kDefaultResisting = "T:T";

bool HoldsText(const std::string& path) {
  std::vector<std::string> lines;
  if (!ReadTextLines(path, lines)) return false;
  return std::any_of(lines.begin(), lines.end(), [](const std::string& line) { return !Trim(line).empty(); });
}

}  // namespace

std::uint32_t PairCount(std::uint32_t n) {
  return n < 2 ? 0 : static_cast<std::uint32_t>(std::uint64_t{n} * (n - 1) / 2);
}

bool PairIndexOf(std::uint32_t a, std::uint32_t b, std::uint32_t n, std::uint32_t& k) {
  if (a == b || a >= n || b >= n) return false;
  if (a > b) std::swap(a, b);
  const std::uint64_t a64 = a;
  k = static_cast<std::uint32_t>(b + a64 * n - (a64 + 1) * (a64 + 2) / 2);
  return true;
}

bool LowerBodyResists(std::int32_t mode) {
  return mode == kBothResist || mode == kLowerResists;
}

bool HigherBodyResists(std::int32_t mode) {
  return mode == kBothResist || mode == kHigherResists;
}

TContactProperties::TContactProperties()
    : Friction(Temperatures),
      RestitutionNormal(Temperatures),
      RestitutionTangent(Temperatures),
      ParameterNi(Temperatures) {}

bool TContactProperties::PairIndex(std::uint32_t a, std::uint32_t b, std::uint32_t& k) const {
  return PairIndexOf(a, b, body_count_, k);
}

std::uint8_t TContactProperties::PairEnabled(std::uint32_t a, std::uint32_t b) const {
  std::uint32_t k = 0;
  if (!PairIndex(a, b, k) || k >= Enabled.size()) return 0;
  return Enabled[k];
}

bool TContactProperties::ParseResisting(std::uint32_t a, std::uint32_t b, const std::string& text,
                                        std::int32_t& mode) {
  if (a == b) return false;
  // The separator plays no part; a character that is missing resists like any other but "F".
  const bool first = text.empty() || text[0] != 'F';
  const bool second = text.size() < 3 || text[2] != 'F';
  if (first && second) {
    mode = kBothResist;
  } else if (first) {
    mode = kLowerResists;
  } else if (second) {
    mode = kHigherResists;
  } else {
    mode = kNeitherResists;
  }
  // The section named the higher-index body first: "first" and "second" trade places.
  if (a > b && (mode == kLowerResists || mode == kHigherResists)) mode = 3 - mode;
  return true;
}

bool TContactProperties::Load(const std::string& FileName, const TContactModel& model) {
  log_ = model.Log;
  if (model.BodyNames.size() < 2) return true;
  const std::pair<TCoefficientOfContact*, const char*> coefficients[] = {
      {&Friction, "friction"},
      {&RestitutionNormal, "restitutionNormal"},
      {&RestitutionTangent, "restitutionTangent"},
      {&ParameterNi, "parameterNi"}};
  const std::string path = FindFile(FileName);
  if (path.empty()) {
    // Every reader names the missing file.
    log_->AddLine(kNoContactPropertiesFile);
    for (const auto& [coefficient, key] : coefficients) coefficient->Load(FileName, key, model);
    return CheckCoefficients();
  }
  // Read once for all the readers below: a file of a section per pair of many bodies is large.
  const TIniFile ini(path);
  if (!AcceptNulFreeText(ini.FirstLineWithNul(), path, *log_)) return false;
  // Without a section no pair is tested for contact. Text that forms no section may be a wrong file,
  // so it is named, but the load goes on.
  if (ini.ReadSections().empty() && HoldsText(path)) {
    log_->AddLine("[Alert] Contact properties file " + ExtractFileName(path) +
                  " holds text but no section: no two bodies are tested for contact.");
  }
  LoadPairs(ini, model);
  for (const auto& [coefficient, key] : coefficients) coefficient->Load(ini, key, model);
  return CheckCoefficients();
}

bool TContactProperties::CheckCoefficients() {
  // A tangential restitution below 0 reverses the sliding direction in a blow, which is meant: it is
  // alerted only outside -1 .. 1, where the blow adds energy.
  const struct {
    TCoefficientOfContact& coefficient;
    const char* key;
    long double least;  // refused below; NaN is refused too
    long double alert_below, alert_above;
  } checks[] = {{Friction, "friction", 0, 0, kInfinity},
                {RestitutionNormal, "restitutionNormal", 0, 0, 1},
                {RestitutionTangent, "restitutionTangent", -kInfinity, -1, 1}};
  std::set<std::string> alerted;  // a body's "all" section gives many pairs one key: one line for it
  for (const auto& check : checks) {
    for (std::uint32_t k = 0; k < Enabled.size(); ++k) {
      long double value = 0;
      if (Enabled[k] == 0 || !check.coefficient.Value(k, 0, value)) continue;
      const bool refused = !(value >= check.least);
      if (!refused && value >= check.alert_below && value <= check.alert_above) continue;
      const std::string what = std::string(check.key) + " in " + check.coefficient.Place(k);
      const std::string gives = EchoedText(check.coefficient.Expressions[k]) + " gives " + FloatToText(value);
      if (refused) {
        log_->AddLine("[Error] " + what +
                      (std::isnan(value) ? " must be a number: " : " must not be negative: ") + gives + ".");
        return false;
      }
      if (value < check.alert_below || value > check.alert_above) {
        AlertOnce(alerted,
                  "[Alert] " + what + " lies outside " + FloatToText(check.alert_below) + " to " +
                      FloatToText(check.alert_above) + ", so a blow adds energy: " + gives + ".",
                  *log_);
      }
    }
  }
  return true;
}

bool TContactProperties::LoadPairs(const TIniFile& ini, const TContactModel& model) {
  if (model.BodyNames.size() < 2) return false;
  body_count_ = static_cast<std::uint32_t>(model.BodyNames.size());
  const std::uint32_t m = PairCount(body_count_);
  Temperatures.Dim(m);
  Temperatures.Zero();
  Enabled.assign(m, 0);
  ResistingPenetration.assign(m, kBothResist);
  ReadAllSettings(ini, model);
  ReadPairSettings(ini, model);
  return true;
}

void TContactProperties::SetPair(const TIniFile& ini, const std::string& section, std::uint32_t a,
                                 std::uint32_t b) {
  std::uint32_t k = 0;
  std::int32_t mode = kBothResist;
  if (!PairIndex(a, b, k) ||
      !ParseResisting(a, b, ini.ReadString(section, "resistingPenetration", kDefaultResisting), mode)) {
    return;
  }
  Temperatures.SetAt(k, ini.ReadFloat(section, "initialTemperature", 0));
  ResistingPenetration[k] = mode;
  Enabled[k] = mode == kNeitherResists ? 0 : 1;
}

void TContactProperties::ReadAllSettings(const TIniFile& ini, const TContactModel& model) {
  for (std::uint32_t i = 0; i < body_count_; ++i) {
    const std::string section = AllPairsSection(model.BodyNames[i]);
    if (!ini.SectionExists(section)) continue;
    for (std::uint32_t j = 0; j < body_count_; ++j) {
      if (j != i) SetPair(ini, section, i, j);
    }
    WarnIfNeitherResists(ini, section);
  }
}

void TContactProperties::ReadPairSettings(const TIniFile& ini, const TContactModel& model) {
  for (std::uint32_t i = 0; i < body_count_; ++i) {
    for (std::uint32_t j = i + 1; j < body_count_; ++j) {
      std::string section;
      bool reversed = false;
      if (!FindPairSection(ini, model.BodyNames[i], model.BodyNames[j], section, reversed)) continue;
      // The first body of the section is the first of its resistingPenetration text.
      SetPair(ini, section, reversed ? j : i, reversed ? i : j);
      WarnIfNeitherResists(ini, section);
    }
  }
}

void TContactProperties::WarnIfNeitherResists(const TIniFile& ini, const std::string& section) {
  std::int32_t mode = kBothResist;
  ParseResisting(0, 1, ini.ReadString(section, "resistingPenetration", kDefaultResisting), mode);
  if (mode == kNeitherResists) {
    log_->AddLine("[Alert] resistingPenetration is F:F in section " + section +
                  " of the contact properties file: neither body resists penetration, so the bodies are not "
                  "tested for contact.");
  }
}

}  // namespace zentrova
