#include "app/job_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace zentrova {
namespace {

using Names = std::vector<std::string>;

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
  ASSERT_EQ(ReadJobFile(file, job), TJobFileRead::Read);
  EXPECT_EQ(job.Jobs, "0-2");
  EXPECT_EQ(job.WorldFile, dir.File("three.wld"));
  EXPECT_EQ(job.MaxMinutesForJob, 16);
  EXPECT_EQ(job.DelayStartMinutes, 0);
  EXPECT_EQ(job.FramesPerSecond, 10);
  EXPECT_EQ(job.MaxLinesInLog, kNoJobLimit);
  EXPECT_EQ(job.MaxMinutesForJobs, kNoJobLimit);
  EXPECT_TRUE(job.ExitAtFinish);
  EXPECT_FALSE(job.CreateNextVersionAtEnd);  // not an integer: the default
  EXPECT_EQ(job.LexicoRandomizationRange, "0.5,2");
}

TEST(ReadJobFile, MissingBlankAndWithoutMain) {
  test::TempDir dir;
  TJobFile job;
  EXPECT_EQ(ReadJobFile(dir.File("none.job"), job), TJobFileRead::Missing);
  test::WriteBytes(dir.File("other.job"), "[Jobs]\njobs=1-3\n");
  EXPECT_EQ(ReadJobFile(dir.File("other.job"), job), TJobFileRead::NoMain);
  EXPECT_EQ(job.Jobs, "");
  test::WriteBytes(dir.File("blank.job"), "[main]\njobs=\nframesPerSecond=5\n");
  EXPECT_EQ(ReadJobFile(dir.File("blank.job"), job), TJobFileRead::NoJobs);
  EXPECT_EQ(job.FramesPerSecond, 5);
}

}  // namespace
}  // namespace zentrova
