#include "engine/model/watch_settings.h"

#include "engine/model/model_text.h"
#include "platform/ini_file.h"
#include "platform/number_text.h"
#include "platform/paths.h"

namespace zentrova {

namespace {

bool Separates(char c) {
  return c == ',' || static_cast<unsigned char>(c) <= ' ';
}

// Every item as a real with the process-wide decimal separator; false at the first that is not one.
bool ToReals(const std::vector<std::string>& items, std::vector<long double>& values) {
  values.clear();
  for (const std::string& item : items) {
    long double v = 0;
    if (!TryTextToFloat(item, v)) return false;
    values.push_back(v);
  }
  return true;
}

}  // namespace

bool RefuseWatchesFile(const TIniFile& ini, const std::string& section, const std::string& key,
                       const std::string& cause, ILogSink& log) {
  const std::size_t line = ini.LineOf(section, key);
  const std::string file = ExtractFileName(ini.FileName());
  log.AddLine("[Error] Check watches file. " +
          (line != 0 ? "Line " + IntToText(static_cast<std::int64_t>(line)) + " of " + file : file) + ", [" +
          EchoedText(section) + "] " + EchoedText(key) + ": " + EchoedText(cause) + ".");
  return false;
}

std::vector<std::string> SplitCommaText(const std::string& text) {
  std::vector<std::string> items;
  std::size_t p = 0;
  while (p < text.size()) {
    while (p < text.size() && Separates(text[p])) ++p;
    if (p >= text.size()) break;
    std::string item;
    if (text[p] == '"') {
      const std::size_t close = text.find('"', p + 1);
      const std::size_t end = close == std::string::npos ? text.size() : close;
      item = text.substr(p + 1, end - p - 1);
      p = end + 1;
    } else {
      const std::size_t start = p;
      while (p < text.size() && !Separates(text[p])) ++p;
      item = text.substr(start, p - start);
    }
    if (!item.empty()) items.push_back(item);
  }
  return items;
}

bool ReadMaxChange(const std::string& text, long double& low, long double& high) {
  std::vector<long double> values;
  if (!ToReals(SplitCommaText(text), values)) return false;
  low = values.empty() ? 0 : values[0];
  high = values.size() == 2 ? values[1] : 0;
  return true;
}

bool TReshapeWindow::Read(const TIniFile& ini, ILogSink& log) {
  const char* const section = "reshapeWindow";
  if (Active || !ini.SectionExists(section)) return true;
  CutHiLowValues = ini.ReadFloat(section, "cutHiLowValues", 0);
  const std::string text = ini.ReadString(section, "standardDeviationRange", "-100,100");
  Active = true;
  bool consistent = true;
  if (!text.empty()) {
    std::vector<long double> values;
    if (!ToReals(SplitCommaText(text), values)) {
      Active = false;
      return RefuseWatchesFile(ini, section, "standardDeviationRange", "not a list of numbers: " + text, log);
    }
    // One number leaves the upper end undefined: the window must not open on half a range.
    if (values.size() < 2) {
      consistent = false;
    } else {
      RangeLow = values[0];
      RangeHigh = values[1];
    }
  }
  if (!consistent || !(RangeHigh > RangeLow)) {
    Active = false;
    log.AddLine("[Error] reshapeWindow turned off (incosistency in standardDeviationRange).");
  }
  return true;
}

bool TConstantsUpdate::Read(const TIniFile& ini, ILogSink& log) {
  const char* const section = "constantsUpdate";
  if (Active || !ini.SectionExists(section)) return true;
  const std::string bodies = ini.ReadString(section, "body", "");
  const std::string constants = ini.ReadString(section, "constant", "");
  MaxChange = ini.ReadFloat(section, "maxChange", 0);
  if (!bodies.empty()) {
    Bodies = SplitCommaText(bodies);
    Active = true;
  }
  if (!constants.empty()) Constants = SplitCommaText(constants);
  return true;
}

bool TChangeConstants::Read(const TIniFile& ini, ILogSink& log) {
  const char* const section = "changeConstants";
  if (Active || !ini.SectionExists(section)) return true;
  const std::string constants = ini.ReadString(section, "constant", "");
  const std::string changes = ini.ReadString(section, "change", "");
  Constants.clear();
  Changes.Clear();
  if (!constants.empty()) {
    Constants = SplitCommaText(constants);
    Active = true;
  }
  if (!changes.empty()) {
    std::vector<long double> values;
    if (!ToReals(SplitCommaText(changes), values)) {
      Active = false;
      return RefuseWatchesFile(ini, section, "change", "not a list of numbers: " + changes, log);
    }
    for (long double v : values) Changes.Add(v);
  }
  if (Constants.size() != Changes.Count()) {
    Active = false;
    log.AddLine(
        "[Error] changeConstants turned off (incosistency in the number of constants and the number of "
        "change parameters, see .wtc file).");
  }
  return true;
}

bool TBodyBalancedUpdate::Read(const TIniFile& ini, ILogSink& log) {
  const char* const section = "bodyBalancedUpdate";
  if (Active || !ini.SectionExists(section)) return true;
  const std::string bodies = ini.ReadString(section, "body", "");
  const std::string max_change = ini.ReadString(section, "maxChange", "0");
  if (!bodies.empty()) {
    Bodies = SplitCommaText(bodies);
    Active = true;
  }
  if (!max_change.empty() && !ReadMaxChange(max_change, MaxChangeLow, MaxChangeHigh)) {
    Active = false;
    return RefuseWatchesFile(ini, section, "maxChange", "not a list of numbers: " + max_change, log);
  }
  return true;
}

}  // namespace zentrova
