#include "app/job_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/log_sink.h"
#include "test_support.h"

namespace zentrova {
namespace {

using Names = std::vector<std::string>;
using namespace std::string_literals;

class Lines : public ILogSink {
 public:
  void AddLine(const std::string& line) override { lines.push_back(line); }
  std::vector<std::string> lines;
};

struct JobNamesCase {
  std::string text;
  Names names;
};

TEST(JobNamesFromText, RangesAndCommaText) {
  const JobNamesCase cases[] = {
      {"8-11", {"008", "009", "010", "011"}},
      {"5-3", {}},
      {"7-7", {"007"}},
      {"98-101", {"098", "099", "100", "101"}},
      {"0x2-0x4", {"002", "003", "004"}},
      {" 3 - 4 ", {"003", "004"}},
      {"run-a,run-b", {"run-a", "run-b"}},
      {"-3", {"-3"}},
      {"3-", {"3-"}},
      {"a-b", {"a-b"}},
      {"1-99999999999999999999", {}},
      {"5-2", {}},
      {"000,002", {"000", "002"}},
      {"001, 004 ,,007", {"001", "004", "007"}},
      {"\"a b\",\"c,d\",\"say \"\"x\"\"\"", {"a b", "c,d", "say \"x\""}},
      {"\"\",005", {"005"}},
      {"", {}},
  };
  for (const JobNamesCase& c : cases) EXPECT_EQ(JobNamesFromText(c.text), c.names) << c.text;
}

TEST(JobNamesFromText, OneToTwelveWritesThreeDigits) {
  const Names names = JobNamesFromText("1-12");
  ASSERT_EQ(names.size(), 12u);
  EXPECT_EQ(names.front(), "001");
  EXPECT_EQ(names[8], "009");
  EXPECT_EQ(names[9], "010");
  EXPECT_EQ(names.back(), "012");
}

TEST(JobNamesFromText, AHugeRangeStopsAtOneNamePerHistoryDirectory) {
  const Names names = JobNamesFromText("0-2147483647");
  ASSERT_EQ(names.size(), static_cast<std::size_t>(kMaxJobNames));
  EXPECT_EQ(names.back(), "999");
}

TEST(JobLimitSeconds, MinutesBecomeSecondsBelowTheOverflow) {
  EXPECT_EQ(JobLimitSeconds(0), 0);
  EXPECT_EQ(JobLimitSeconds(3), 180);
  EXPECT_EQ(JobLimitSeconds(35791393), 35791393 * 60);
  EXPECT_EQ(JobLimitSeconds(35791394), kNoJobLimit);
  EXPECT_EQ(JobLimitSeconds(2147483647), kNoJobLimit);
  EXPECT_EQ(JobLimitSeconds(-5), 0);
}

TEST(JobWorldFilePath, RelativeToTheJobFileAbsoluteAsGiven) {
  EXPECT_EQ(JobWorldFilePath("/m/jobs/three.job", ""), "/m/jobs/three.wld");
  EXPECT_EQ(JobWorldFilePath("/m/jobs/three.job", "sub\\box.wld"), "/m/jobs/sub/box.wld");
  EXPECT_EQ(JobWorldFilePath("/m/jobs/three.job", "/other/box.wld"), "/other/box.wld");
  EXPECT_EQ(JobWorldFilePath("/m/jobs/three.job", "\\other\\box.wld"), "/other/box.wld");
  EXPECT_EQ(JobWorldFilePath("/m/jobs/a.jb", ""), "/m/jobs/awld");
}

TEST(JobFileArgumentPath, RelativeJoinedToTheCurrentDirectory) {
  EXPECT_EQ(JobFileArgumentPath("three.job", "/home/u"), "/home/u/three.job");
  EXPECT_EQ(JobFileArgumentPath("m\\three.job", "/home/u/"), "/home/u/m/three.job");
  EXPECT_EQ(JobFileArgumentPath("/abs/three.job", "/home/u"), "/abs/three.job");
}

TEST(ReadLexicoRange, ExactlyTwoRealsWithADot) {
  test::DecimalSeparatorScope comma(',');
  long double low = 7;
  long double high = 7;
  EXPECT_TRUE(ReadLexicoRange("0.5,2", low, high));
  EXPECT_EQ(low, 0.5L);
  EXPECT_EQ(high, 2.0L);
  EXPECT_EQ(DecimalSeparator(), '.');
  for (const char* refused : {"0.5", "0.5,1,2", "a,2", ""}) {
    low = high = 7;
    EXPECT_FALSE(ReadLexicoRange(refused, low, high)) << refused;
    EXPECT_EQ(low, 0.0L);
    EXPECT_EQ(high, 0.0L);
  }
}

TEST(ReadJobFile, KeysDefaultsHexAndBooleans) {
  test::TempDir dir;
  const std::string file = dir.File("three.job");
  test::WriteBytes(file,
                   "; jobs of the night\r\n[Main]\r\njobs=0-2\r\nmaxMinutesForJob=0x10\r\n"
                   "framesPerSecond=10\r\nexitAtFinish=1\r\ncreateNextVersionAtEnd=True\r\n"
                   "lexicoRandomizationRange=0.5,2\r\n[Other]\r\njobs=9\r\n");
  TJobFile job;
  Lines log;
  ASSERT_EQ(ReadJobFile(file, job, log), TJobFileRead::Read);
  EXPECT_EQ(job.Jobs, "0-2");
  EXPECT_EQ(job.WorldFile, dir.File("three.wld"));
  EXPECT_EQ(job.MaxMinutesForJob, 16);
  EXPECT_EQ(job.DelayStartMinutes, 0);
  EXPECT_EQ(job.FramesPerSecond, 10);
  EXPECT_EQ(job.MaxLinesInLog, kNoJobLimit);
  EXPECT_EQ(job.MaxMinutesForJobs, kNoJobLimit);
  EXPECT_TRUE(job.ExitAtFinish);
  EXPECT_FALSE(job.CreateNextVersionAtEnd);  // not an integer: the default, and said
  EXPECT_EQ(job.LexicoRandomizationRange, "0.5,2");
  EXPECT_EQ(log.lines,
            std::vector<std::string>{"[Alert] createNextVersionAtEnd in job file three.job line 7 is not a "
                                     "number: True. The default 0 is used."});
}

TEST(ReadJobFile, MissingBlankAndWithoutMain) {
  test::TempDir dir;
  TJobFile job;
  Lines log;
  EXPECT_EQ(ReadJobFile(dir.File("none.job"), job, log), TJobFileRead::Missing);
  test::WriteBytes(dir.File("other.job"), "[Jobs]\njobs=1-3\n");
  EXPECT_EQ(ReadJobFile(dir.File("other.job"), job, log), TJobFileRead::NoMain);
  EXPECT_EQ(job.Jobs, "");
  test::WriteBytes(dir.File("blank.job"), "[main]\njobs=\nframesPerSecond=5\n");
  EXPECT_EQ(ReadJobFile(dir.File("blank.job"), job, log), TJobFileRead::NoJobs);
  EXPECT_EQ(job.FramesPerSecond, 5);
  EXPECT_TRUE(log.lines.empty());
}

// "exitAtFinish=true" and its kind: the reader's value stays the default, and the file says which key.
TEST(ReadJobFile, BooleanSpellingsTheReaderRefusesAreAlerted) {
  test::TempDir dir;
  const std::string file = dir.File("b.job");
  for (const char* value : {"true", "True", "yes", "on", "1.0"}) {
    test::WriteBytes(file, std::string("[Main]\njobs=000\nexitAtFinish=") + value + "\n");
    TJobFile job;
    Lines log;
    ASSERT_EQ(ReadJobFile(file, job, log), TJobFileRead::Read);
    EXPECT_FALSE(job.ExitAtFinish) << value;
    EXPECT_EQ(log.lines, std::vector<std::string>{"[Alert] exitAtFinish in job file b.job line 3 is not a number: " +
                                                  std::string(value) + ". The default 0 is used."});
  }
  for (const char* value : {"1", "-1", "0x1", "$1", " 1 ", "'1'"}) {
    test::WriteBytes(file, std::string("[Main]\njobs=000\nexitAtFinish=") + value + "\n");
    TJobFile job;
    Lines log;
    ReadJobFile(file, job, log);
    EXPECT_TRUE(job.ExitAtFinish) << value;
    EXPECT_TRUE(log.lines.empty()) << value;
  }
}

TEST(ReadJobFile, AnIntegerPast32BitsIsRefusedByName) {
  test::TempDir dir;
  test::WriteBytes(dir.File("b.job"),
                   "[Main]\njobs=000\nmaxMinutesForJob=99999999999\ndelayStartMinutes=soon\n");
  TJobFile job;
  Lines log;
  ASSERT_EQ(ReadJobFile(dir.File("b.job"), job, log), TJobFileRead::Read);
  EXPECT_EQ(job.MaxMinutesForJob, kNoJobLimit);
  EXPECT_EQ(job.DelayStartMinutes, 0);
  EXPECT_EQ(
      log.lines,
      (std::vector<std::string>{
          "[Error] maxMinutesForJob in job file b.job line 3 must be a whole number within 32 bits: 99999999999.",
          "[Alert] delayStartMinutes in job file b.job line 4 is not a number: soon. The default 0 is used."}));
}

std::string Utf16(const std::string& ascii, bool little_endian) {
  std::string bytes = little_endian ? "\xFF\xFE" : "\xFE\xFF";
  for (char c : ascii) {
    bytes += little_endian ? std::string{c, '\0'} : std::string{'\0', c};
  }
  return bytes;
}

// As the profile functions read them: UTF-16 with its byte-order mark is text.
TEST(ReadJobFile, Utf16WithItsMarkIsReadAsText) {
  test::TempDir dir;
  const std::string text = "[Main]\r\njobs=000,001\r\nexitAtFinish=1\r\n";
  for (bool little_endian : {true, false}) {
    test::WriteBytes(dir.File("u.job"), Utf16(text, little_endian));
    TJobFile job;
    Lines log;
    ASSERT_EQ(ReadJobFile(dir.File("u.job"), job, log), TJobFileRead::Read) << little_endian;
    EXPECT_EQ(job.Jobs, "000,001");
    EXPECT_TRUE(job.ExitAtFinish);
    EXPECT_TRUE(log.lines.empty());
  }
}

TEST(JobFileLines, Utf16BecomesUtf8AndLinesLoseTheirEnds) {
  // "ä" (U+00E4), "€" (U+20AC) and U+1F600 as a surrogate pair; a lone surrogate becomes U+FFFD.
  const std::string le = "\xFF\xFE"s + "a\0\xE4\0\r\0\n\0\xAC\x20\n\0"s + "\x3D\xD8\x00\xDE"s + "\x3D\xD8"s + "b\0"s;
  EXPECT_EQ(JobFileLines(le), (Names{"a\xC3\xA4", "\xE2\x82\xAC", "\xF0\x9F\x98\x80\xEF\xBF\xBD" "b"}));
  EXPECT_EQ(JobFileLines("\xEF\xBB\xBF[Main]\r\njobs=1\n"), (Names{"[Main]", "jobs=1"}));
  EXPECT_EQ(JobFileLines("[Main]\r\n\r\nx"), (Names{"[Main]", "", "x"}));
  EXPECT_EQ(JobFileLines(""), Names{});
}

// Bytes that are no text: refused with the line of the first NUL, but an exit the file asks for is read.
TEST(ReadJobFile, ANulByteRefusesTheFile) {
  test::TempDir dir;
  test::WriteBytes(dir.File("bin.job"), "[Main]\njobs=000\nexitAtFinish=1\n\x01\x02\0\x7F"s);
  TJobFile job;
  Lines log;
  EXPECT_EQ(ReadJobFile(dir.File("bin.job"), job, log), TJobFileRead::Unreadable);
  EXPECT_EQ(job.Jobs, "");
  EXPECT_TRUE(job.ExitAtFinish);
  EXPECT_EQ(log.lines, std::vector<std::string>{"[Error] Line 4 of file bin.job holds a NUL byte."});
  // UTF-16 without its mark is such a file.
  test::WriteBytes(dir.File("bin.job"), Utf16("[Main]\njobs=000\n", true).substr(2));
  job = TJobFile{};
  EXPECT_EQ(ReadJobFile(dir.File("bin.job"), job, log), TJobFileRead::Unreadable);
  EXPECT_FALSE(job.ExitAtFinish);
}

TEST(JobNamesProblem, RangesThatNameNoJobOrTooMany) {
  const std::pair<const char*, const char*> cases[] = {
      {"5-2", "[Alert] jobs=5-2 names no job: the range ends below its start."},
      {"1-99999999999999999999",
       "[Error] jobs=1-99999999999999999999 names no job: a bound of the range is past 32 bits."},
      {"3000000000-3000000001",
       "[Error] jobs=3000000000-3000000001 names no job: a bound of the range is past 32 bits."},
      {"0-2147483647", "[Alert] jobs=0-2147483647 names more than 1000 histories: only 000 to 999 run."},
      {"5-1005", "[Alert] jobs=5-1005 names more than 1000 histories: only 005 to 1004 run."},
      {" , ,", "[Alert] jobs=, , names no job."},
      {"5-1004", ""},
      {"8-11", ""},
      {"a-b", ""},
      {"000,002", ""},
  };
  for (const auto& [text, problem] : cases) EXPECT_EQ(JobNamesProblem(text), problem) << text;
  EXPECT_EQ(JobNamesFromText("5-1005").size(), static_cast<std::size_t>(kMaxJobNames));
}

}  // namespace
}  // namespace zentrova
