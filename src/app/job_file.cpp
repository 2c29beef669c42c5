#include "app/job_file.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

#include "engine/log_sink.h"
#include "engine/model/model_text.h"
#include "platform/ini_file.h"
#include "platform/number_text.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/strings.h"
#include "platform/text_file.h"

namespace zentrova {

namespace {

constexpr const char* kSection = "Main";

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// The two sides of a range "a-b", or false when the text has no "-".
bool SplitRange(const std::string& text, std::string& first, std::string& last) {
  const std::size_t dash = text.find('-');
  if (dash == std::string::npos) return false;
  first = Trim(text.substr(0, dash));
  last = Trim(text.substr(dash + 1));
  return true;
}

void AppendUtf8(std::uint32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// UTF-16 after its byte-order mark as UTF-8; a lone surrogate becomes U+FFFD, an odd last byte is dropped.
std::string Utf16ToUtf8(const std::string& bytes, bool little_endian) {
  std::string out;
  const auto unit = [&](std::size_t i) -> std::uint32_t {
    const auto lo = static_cast<unsigned char>(bytes[little_endian ? i : i + 1]);
    const auto hi = static_cast<unsigned char>(bytes[little_endian ? i + 1 : i]);
    return static_cast<std::uint32_t>(hi << 8 | lo);
  };
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    std::uint32_t code = unit(i);
    if (code >= 0xD800 && code < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
        unit(i + 2) < 0xE000) {
      code = 0x10000 + ((code - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (code >= 0xD800 && code < 0xE000) {
      code = 0xFFFD;
    }
    AppendUtf8(code, out);
  }
  return out;
}

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
  std::string a;
  std::string b;
  std::int32_t first = 0;
  std::int32_t last = 0;
  if (SplitRange(text, a, b)) {
    if (TryTextToInt(a, first) && TryTextToInt(b, last)) {
      // More names than history directories can exist would only fill the memory.
      std::vector<std::string> names;
      const std::int64_t end = std::min<std::int64_t>(last, std::int64_t{first} + kMaxJobNames - 1);
      for (std::int64_t n = first; n <= end; ++n) names.push_back(JobNumberName(n));
      return names;
    }
    // Two whole numbers are a range even where they do not fit: no history is named after its text.
    if (IsWholeNumberText(a) && IsWholeNumberText(b)) return {};
  }
  return SplitJobCommaText(text);
}

std::string JobNamesProblem(const std::string& text) {
  const std::string value = "jobs=" + Trim(text);
  std::string a;
  std::string b;
  std::int32_t first = 0;
  std::int32_t last = 0;
  if (SplitRange(text, a, b) && IsWholeNumberText(a) && IsWholeNumberText(b)) {
    if (!TryTextToInt(a, first) || !TryTextToInt(b, last)) {
      return "[Error] " + value + " names no job: a bound of the range is past 32 bits.";
    }
  }
  if (SplitRange(text, a, b) && TryTextToInt(a, first) && TryTextToInt(b, last)) {
    if (last < first) return "[Alert] " + value + " names no job: the range ends below its start.";
    if (std::int64_t{last} - first >= kMaxJobNames) {
      return "[Alert] " + value + " names more than " + IntToText(kMaxJobNames) + " histories: only " +
             JobNumberName(first) + " to " + JobNumberName(std::int64_t{first} + kMaxJobNames - 1) + " run.";
    }
    return "";
  }
  if (SplitJobCommaText(text).empty()) return "[Alert] " + value + " names no job.";
  return "";
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

bool LexicoFactorsFit(long double low, long double high) {
  return std::isfinite(low) && std::isfinite(high) && low >= 0 && high >= 0;
}

std::vector<std::string> JobFileLines(const std::string& bytes) {
  std::string text = bytes;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    text = Utf16ToUtf8(bytes, true);
  } else if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
             static_cast<unsigned char>(bytes[1]) == 0xFF) {
    text = Utf16ToUtf8(bytes, false);
  } else if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    text.erase(0, 3);
  }
  TTextReader reader;
  reader.OpenText(std::move(text));
  std::vector<std::string> lines;
  for (std::string line; reader.ReadLine(line);) lines.push_back(line);
  return lines;
}

TJobFileRead ReadJobFile(const std::string& file_name, TJobFile& job, ILogSink& log) {
  if (!FileExists(file_name)) return TJobFileRead::Missing;
  std::ifstream in(file_name, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in && !in.eof()) {
    log.AddLine("[Error] Could not read job file " + file_name + ".");
    return TJobFileRead::Unreadable;
  }
  std::vector<std::string> lines = JobFileLines(bytes);
  const std::size_t nul_line = FirstLineWithNul(lines);
  const TIniFile ini(file_name, std::move(lines));
  TSettingsReader settings(ini, "job", file_name, log);
  if (!AcceptNulFreeText(nul_line, file_name, log)) {
    // Whether the program should end is still worth knowing of a file that is no text.
    if (ini.SectionExists(kSection)) job.ExitAtFinish = settings.Bool(kSection, "exitAtFinish", false);
    return TJobFileRead::Unreadable;
  }
  if (!ini.SectionExists(kSection)) return TJobFileRead::NoMain;
  job.Jobs = ini.ReadString(kSection, "jobs", "");
  job.WorldFile = JobWorldFilePath(file_name, ini.ReadString(kSection, "worldFile", ""));
  job.MaxMinutesForJob = settings.Integer(kSection, "maxMinutesForJob", kNoJobLimit);
  job.DelayStartMinutes = settings.Integer(kSection, "delayStartMinutes", 0);
  job.FramesPerSecond = settings.Integer(kSection, "framesPerSecond", 0);
  job.MaxLinesInLog = settings.Integer(kSection, "maxLinesInLog", kNoJobLimit);
  job.MaxMinutesForJobs = settings.Integer(kSection, "maxMinutesForJobs", kNoJobLimit);
  job.ExitAtFinish = settings.Bool(kSection, "exitAtFinish", false);
  job.CreateNextVersionAtEnd = settings.Bool(kSection, "createNextVersionAtEnd", false);
  job.LexicoRandomizationRange = ini.ReadString(kSection, "lexicoRandomizationRange", "0,0");
  job.LexicoRangeKey = settings.KeyLabel(kSection, "lexicoRandomizationRange");
  return job.Jobs.empty() ? TJobFileRead::NoJobs : TJobFileRead::Read;
}

}  // namespace zentrova
