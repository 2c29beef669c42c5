#include "app/job_file.h"

#include <algorithm>

#include "platform/ini_file.h"
#include "platform/number_text.h"
#include "platform/paths.h"
#include "platform/settings.h"

namespace zentrova {

namespace {

constexpr const char* kSection = "Main";

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Decimal with a leading "0" below 100 and another below 10.
std::string JobNumberName(std::int64_t n) {
  std::string name = std::to_string(n);
  if (n < 100) name = "0" + name;
  if (n < 10) name = "0" + name;
  return name;
}

}  // namespace

std::int32_t JobLimitSeconds(std::int32_t minutes) {
  if (minutes >= kFirstUnlimitedMinutes) return kNoJobLimit;
  if (minutes < 0) return 0;
  return minutes * 60;
}

std::string JobWorldFilePath(const std::string& job_file_name, const std::string& value) {
  const std::string job_file = ToNativeSeparators(job_file_name);
  std::string name = ToNativeSeparators(value);
  if (name.empty()) {
    name = ExtractFileName(job_file);
    name.erase(name.size() - std::min<std::size_t>(3, name.size()));
    name += "wld";
  }
  if (!name.empty() && name.front() == '/') return name;
  return ExtractFilePath(job_file) + name;
}

std::string JobFileArgumentPath(const std::string& argument, const std::string& current_directory) {
  const std::string name = ToNativeSeparators(argument);
  if (!name.empty() && name[0] == '/') return name;
  return IncludeTrailingSeparator(current_directory) + name;
}

std::vector<std::string> SplitJobCommaText(const std::string& text) {
  std::vector<std::string> items;
  std::size_t p = 0;
  while (p < text.size()) {
    if (IsBlank(text[p]) || text[p] == ',') {
      ++p;
      continue;
    }
    std::string item;
    if (text[p] == '"') {
      // A quoted item ends at a lone quote; a doubled one stands for itself.
      for (++p; p < text.size(); ++p) {
        if (text[p] != '"') {
          item += text[p];
        } else if (p + 1 < text.size() && text[p + 1] == '"') {
          item += '"';
          ++p;
        } else {
          ++p;
          break;
        }
      }
    } else {
      const std::size_t start = p;
      while (p < text.size() && !IsBlank(text[p]) && text[p] != ',') ++p;
      item = text.substr(start, p - start);
    }
    if (!item.empty()) items.push_back(item);
  }
  return items;
}

std::vector<std::string> JobNamesFromText(const std::string& text) {
  const std::size_t dash = text.find('-');
  std::int32_t first = 0;
  std::int32_t last = 0;
  if (dash != std::string::npos && TryTextToInt(text.substr(0, dash), first) &&
      TryTextToInt(text.substr(dash + 1), last)) {
    // More names than history directories can exist would only fill the memory.
    std::vector<std::string> names;
    const std::int64_t end = std::min<std::int64_t>(last, std::int64_t{first} + kMaxJobNames - 1);
    for (std::int64_t n = first; n <= end; ++n) names.push_back(JobNumberName(n));
    return names;
  }
  return SplitJobCommaText(text);
}

bool ReadLexicoRange(const std::string& text, long double& low, long double& high) {
  low = 0;
  high = 0;
  const std::vector<std::string> items = SplitJobCommaText(text);
  if (items.size() != 2) return false;
  SetDecimalSeparator('.');
  long double a = 0;
  long double b = 0;
  if (!TryTextToFloatDot(items[0], a) || !TryTextToFloatDot(items[1], b)) return false;
  low = a;
  high = b;
  return true;
}

TJobFileRead ReadJobFile(const std::string& file_name, TJobFile& job) {
  if (!FileExists(file_name)) return TJobFileRead::Missing;
  const TIniFile ini(file_name);
  if (!ini.SectionExists(kSection)) return TJobFileRead::NoMain;
  job.Jobs = ini.ReadString(kSection, "jobs", "");
  job.WorldFile = JobWorldFilePath(file_name, ini.ReadString(kSection, "worldFile", ""));
  job.MaxMinutesForJob = ini.ReadInteger(kSection, "maxMinutesForJob", kNoJobLimit);
  job.DelayStartMinutes = ini.ReadInteger(kSection, "delayStartMinutes", 0);
  job.FramesPerSecond = ini.ReadInteger(kSection, "framesPerSecond", 0);
  job.MaxLinesInLog = ini.ReadInteger(kSection, "maxLinesInLog", kNoJobLimit);
  job.MaxMinutesForJobs = ini.ReadInteger(kSection, "maxMinutesForJobs", kNoJobLimit);
  job.ExitAtFinish = ini.ReadBool(kSection, "exitAtFinish", false);
  job.CreateNextVersionAtEnd = ini.ReadBool(kSection, "createNextVersionAtEnd", false);
  job.LexicoRandomizationRange = ini.ReadString(kSection, "lexicoRandomizationRange", "0,0");
  return job.Jobs.empty() ? TJobFileRead::NoJobs : TJobFileRead::Read;
}

}  // namespace zentrova
