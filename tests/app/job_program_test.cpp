// The program as a user starts it with a job file, on the virtual X server: histories prepared with
// zentrova-run are continued one after the other, each run ended by its limit or its break time, and the
// program ends by itself after the last job.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <future>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "test_support.h"

namespace zentrova {
namespace {

std::size_t LineCount(const std::string& file_name) {
  std::istringstream in(test::ReadBytes(file_name));
  std::size_t lines = 0;
  for (std::string line; std::getline(in, line);) ++lines;
  return lines;
}

// The exit status of the command run in `folder`; -1 when it did not exit by itself.
int RunIn(const std::string& folder, const std::string& command) {
  const std::string line = "cd '" + folder + "' && " + command + " >output.txt 2>&1";
  const int status = std::system(line.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class JobProgramTest : public ::testing::Test {
 protected:
  JobProgramTest() {
    model = dir.Path() + "model/";
    std::filesystem::create_directories(model);
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(ZENTROVA_SOURCE_DIR) + "/examples/falling-box")) {
      if (entry.is_regular_file()) std::filesystem::copy(entry.path(), model + entry.path().filename().string());
    }
  }
  void SetBreakTime(const std::string& value) {
    const std::string wld = model + "falling-box.wld";
    std::string text = test::ReadBytes(wld);
    const std::size_t at = text.find("breakTime=");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, text.find('\n', at) - at, "breakTime=" + value);
    test::WriteBytes(wld, text);
  }
  void PrepareHistories(int count, const std::string& until) {
    for (int i = 0; i < count; ++i) {
      ASSERT_EQ(RunIn(model, std::string(ZENTROVA_BIN_DIR) + "/zentrova-run falling-box.wld --until " + until), 0);
    }
  }
  std::string History(const std::string& name, const std::string& file) const {
    return model + name + "/" + file;
  }
  // The program on the job file, given relative to the model's folder; its exit status. The GL driver
  // is unloaded before the leak check at the program's exit, so the driver's own leaks lose the library
  // names the suppressions match: the program is checked for leaks by the in-process window tests.
  int RunProgram(const std::string& job_file, int seconds) {
    return RunIn(model, "ASAN_OPTIONS=\"${ASAN_OPTIONS:-}:detect_leaks=0\" timeout " + std::to_string(seconds) +
                            " " + std::string(ZENTROVA_BIN_DIR) + "/zentrova " + job_file);
  }

  test::TempDir dir;
  std::string model;
};

TEST_F(JobProgramTest, ThreeJobsEachStoppedByItsLimitThenTheProgramExits) {
  SetBreakTime("1000");
  PrepareHistories(3, "0.01");
  std::vector<std::size_t> before;
  for (const char* name : {"000", "001", "002"}) before.push_back(LineCount(History(name, "data.txt")));
  test::WriteBytes(model + "three.job",
                   "[Main]\r\njobs=0-2\r\nworldFile=falling-box.wld\r\nmaxMinutesForJob=0\r\n"
                   "lexicoRandomizationRange=0.5,2\r\nframesPerSecond=10\r\nexitAtFinish=1\r\n");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunProgram("three.job", 60), 0) << test::ReadBytes(model + "output.txt");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
  int i = 0;
  for (const char* name : {"000", "001", "002"}) {
    const std::string log = test::ReadBytes(History(name, "log.txt"));
    EXPECT_NE(log.find(" the maximum allowed time for one thread was reached."), std::string::npos) << name;
    EXPECT_GT(LineCount(History(name, "data.txt")), before[i++]) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(model + "003"));
}

TEST_F(JobProgramTest, CommaListOfJobsEachEndsAtItsBreakTime) {
  PrepareHistories(3, "0.01");
  test::WriteBytes(model + "pair.job", "[Main]\njobs=000,002\nexitAtFinish=1\nframesPerSecond=10\n");
  // worldFile defaults to the job file's name: the job file carries the world's.
  test::WriteBytes(model + "falling-box.job", test::ReadBytes(model + "pair.job"));
  EXPECT_EQ(RunProgram("falling-box.job", 300), 0) << test::ReadBytes(model + "output.txt");
  for (const char* name : {"000", "002"}) {
    const std::string log = test::ReadBytes(History(name, "log.txt"));
    EXPECT_NE(log.find("[Alert] Break time of 3.02s reached."), std::string::npos) << name << "\n" << log;
  }
  EXPECT_EQ(test::ReadBytes(History("001", "log.txt")).find("Break time"), std::string::npos);
}

// A job file the program cannot use, given on its command line: each case in a model folder of its own,
// all at once. The program says why on stderr (and in a box); it ends when the file says exitAtFinish=1,
// and without a display whatever the file says; the exit status tells a script what happened.
struct ProgramCase {
  const char* name;
  std::string job;  // the job file's bytes; "" for none
  const char* environment;
  int status;  // 124: still open when the time-out came
  std::vector<std::string> lines;  // in this order among stderr's lines
  // Changes the case's model folder (its path with a trailing "/") before the program runs; none: none.
  std::function<void(const std::string&)> prepare = nullptr;
};

// Replaces the first `from` in the file by `to`.
void ReplaceInFile(const std::string& file, const std::string& from, const std::string& to) {
  std::string text = test::ReadBytes(file);
  const std::size_t at = text.find(from);
  if (at == std::string::npos) throw std::runtime_error("no " + from + " in " + file);
  test::WriteBytes(file, text.replace(at, from.size(), to));
}

std::string Utf16Le(const std::string& ascii) {
  std::string bytes = "\xFF\xFE";
  for (char c : ascii) bytes += std::string{c, '\0'};
  return bytes;
}

// stderr without Qt's notes about its platform.
std::vector<std::string> ProgramLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.find("This plugin does not support") == std::string::npos && line.rfind("QStandardPaths", 0) != 0) {
      lines.push_back(line);
    }
  }
  return lines;
}

bool InOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted) {
  std::size_t at = 0;
  for (const std::string& line : lines) {
    if (at < wanted.size() && line == wanted[at]) ++at;
  }
  return at == wanted.size();
}

TEST_F(JobProgramTest, JobFilesThatCannotRunSayWhyAndEndAsTheyAsk) {
  SetBreakTime("0.05");
  const std::string exit_ = "exitAtFinish=1\n";
  const std::string world = "worldFile=falling-box.wld\n";
  const char* const display = "";
  const char* const none = "env -u DISPLAY -u WAYLAND_DISPLAY ";
  const std::string missing = "There is no file ";
  const std::vector<ProgramCase> cases = {
      {"missing", "", display, 124, {}},
      {"empty", "-", display, 124, {"[Alert] Job file appears to be blank. empty.job has no section [Main]."}},
      {"binary", std::string("\x7F\x45\x4C\x46\x02\x01\x00\x00\xFF\n\x00", 11), display, 124,
       {"[Error] Line 1 of file binary.job holds a NUL byte."}},
      {"binary-exit", std::string("[Main]\nexitAtFinish=1\n\x00\xFF", 24), display, 2,
       {"[Error] Line 3 of file binary-exit.job holds a NUL byte."}},
      {"utf-16", Utf16Le("[Main]\r\njobs=000\r\n" + world + exit_), display, 0,
       {"[Alert] Break time of 0.07s reached."}},
      {"no-main", "[Jobs]\njobs=000\n" + exit_, display, 124,
       {"[Alert] Job file appears to be blank. no-main.job has no section [Main]."}},
      {"no-jobs", "[Main]\n" + exit_, display, 2, {"[Alert] Job file appears to be blank. no-jobs.job gives no jobs."}},
      {"jobs-empty", "[Main]\njobs=\n" + exit_, display, 2,
       {"[Alert] Job file appears to be blank. jobs-empty.job gives no jobs."}},
      {"range-5-2", "[Main]\njobs=5-2\n" + exit_, display, 2,
       {"[Alert] jobs=5-2 names no job: the range ends below its start."}},
      {"range-a-b", "[Main]\njobs=a-b\n" + world + exit_, display, 1,
       {"[Error] Job a-b could not be loaded.", "[Alert] 1 of 1 jobs failed: a-b."}},
      {"range-past-64-bits", "[Main]\njobs=1-99999999999999999999\n" + exit_, display, 2,
       {"[Error] jobs=1-99999999999999999999 names no job: a bound of the range is past 32 bits."}},
      {"absent-history", "[Main]\njobs=007,000\n" + world + exit_, display, 1,
       {"[Error] Job 007 could not be loaded.", "[Alert] Break time of 0.07s reached.",
        "[Alert] 1 of 2 jobs failed: 007."}},
      {"exit-true", "[Main]\njobs=000\n" + world + "exitAtFinish=true\n", display, 124,
       {"[Alert] exitAtFinish in job file exit-true.job line 4 is not a number: true. The default 0 is used.",
        "[Alert] Break time of 0.07s reached."}},
      // Jobs that did not run, a history that runs nothing, a box that repeats the load's refusal (printed
      // once), a run that ends on a value that is not finite.
      {"jobs-limit", "[Main]\njobs=000\nmaxMinutesForJobs=-1\n" + world + exit_, display, 1,
       {"[Alert] The maximum time for all jobs was reached: 1 jobs did not run."}},
      {"past-break-time", "[Main]\njobs=000\n" + world + exit_, display, 0,
       {"[Alert] History 000 already ends at 0.2s, past the break time of 0.07s: nothing was run."},
       [](const std::string& folder) {
         // A longer history than the break time the history's world file says afterwards.
         ReplaceInFile(folder + "000/falling-box.wld", "breakTime=0.05", "breakTime=1");
         if (RunIn(folder, std::string(ZENTROVA_BIN_DIR) + "/zentrova-run falling-box.wld --history 000 --until 0.2") != 0)
           throw std::runtime_error("the history could not be continued to 0.2 s");
         ReplaceInFile(folder + "000/falling-box.wld", "breakTime=1", "breakTime=0.05");
       }},
      {"imaginary", "[Main]\njobs=000\n" + world + exit_, display, 1,
       {"[Error] Imaginary number in expression. Check .mmx, .hv, .dc, .me,... files. Line 1 of file falling-box.me.",
        "[Error] Job 000 could not be loaded.", "[Alert] 1 of 1 jobs failed: 000."},
       [](const std::string& folder) { ReplaceInFile(folder + "000/falling-box.me", "b`Box`y[t]", "b`Box`y[t]*I"); }},
      {"not-finite", "[Main]\njobs=000\n" + world + exit_, display, 1,
       {"[Error] The mechanical energy turned NAN at t=0.032s.", "[Error] The run of job 000 ended by an error.",
        "[Alert] 1 of 1 jobs failed: 000."},
       [](const std::string& folder) {
         ReplaceInFile(folder + "000/falling-box.me", "b`Box`y[t]", "b`Box`y[t] + sqrt(0.03 - t)");
       }},
      {"missing-no-display", "", none, 2, {}},
      {"no-main-offscreen", "[Jobs]\n", "QT_QPA_PLATFORM=offscreen ", 2,
       {"[Alert] Job file appears to be blank. no-main-offscreen.job has no section [Main]."}},
      {"exit-true-no-display", "[Main]\njobs=000\n" + world + "exitAtFinish=true\n", none, 0,
       {"[Alert] exitAtFinish in job file exit-true-no-display.job line 4 is not a number: true. The default 0 is used.",
        "[Alert] Break time of 0.07s reached."}},
  };
  // One model folder per case, with a history 000 that runs to its break time at once.
  PrepareHistories(1, "0.01");
  for (const ProgramCase& c : cases) {
    std::filesystem::copy(model, dir.Path() + c.name, std::filesystem::copy_options::recursive);
    const std::string job = dir.Path() + c.name + "/" + c.name + ".job";
    if (!c.job.empty()) test::WriteBytes(job, c.job == "-" ? "" : c.job);
    if (c.prepare) c.prepare(dir.Path() + c.name + "/");
  }
  std::vector<std::future<int>> runs;
  for (const ProgramCase& c : cases) {
    const std::string folder = dir.Path() + c.name;
    const std::string command = std::string(c.environment) +
                                "ASAN_OPTIONS=\"${ASAN_OPTIONS:-}:detect_leaks=0\" timeout 20 " +
                                ZENTROVA_BIN_DIR + "/zentrova " + c.name + ".job";
    runs.push_back(std::async(std::launch::async, [folder, command] { return RunIn(folder, command); }));
  }
  std::string table = "| job file | exit status | stderr |\n|---|---|---|\n";
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const ProgramCase& c = cases[i];
    const int status = runs[i].get();
    std::vector<std::string> wanted = c.lines;
    if (c.job.empty()) {
      wanted.insert(wanted.begin(), "[Alert] Could not find job file. " + missing + dir.Path() + c.name + "/" +
                                        c.name + ".job.");
    }
    const std::vector<std::string> lines = ProgramLines(test::ReadBytes(dir.Path() + c.name + "/output.txt"));
    EXPECT_EQ(status, c.status) << c.name;
    EXPECT_TRUE(InOrder(lines, wanted)) << c.name << "\n" << test::ReadBytes(dir.Path() + c.name + "/output.txt");
    // A message box about a line the log has just printed does not print it again.
    EXPECT_EQ(std::adjacent_find(lines.begin(), lines.end()), lines.end()) << c.name;
    std::string shown;
    for (const std::string& line : lines) shown += (shown.empty() ? "" : "<br>") + line;
    table += std::string("| ") + c.name + " | " + std::to_string(status) + " | " + shown + " |\n";
  }
  std::printf("%s", table.c_str());
}

// A job whose history cannot be written (a file-size limit, SIGXFSZ ignored, as on a full disk) ends by
// an error: its line on stderr names the file and the reason, the job counts as failed and the program
// exits with 1. data.txt keeps whole records up to the failure.
TEST_F(JobProgramTest, AJobWhoseHistoryCannotBeWrittenFails) {
  SetBreakTime("200");
  PrepareHistories(1, "0");
  test::WriteBytes(model + "full.job", "[Main]\njobs=000\nworldFile=falling-box.wld\nexitAtFinish=1\n");
  // dash counts the limit in blocks of 512 bytes: 40 kB, about 150 records of the falling box.
  const std::string program = "ASAN_OPTIONS=\"${ASAN_OPTIONS:-}:detect_leaks=0\" timeout 120 " +
                              std::string(ZENTROVA_BIN_DIR) + "/zentrova full.job";
  const int status = RunIn(model, "ulimit -f 80 && trap '' XFSZ && " + program);
  const std::string output = test::ReadBytes(model + "output.txt");
  EXPECT_EQ(status, 1) << output;
  const std::vector<std::string> lines = ProgramLines(output);
  EXPECT_TRUE(InOrder(
      lines, {"[Error] Could not write history file " + History("000", "data.txt") + ": File too large.",
              "[Error] The run of job 000 ended by an error.", "[Alert] 1 of 1 jobs failed: 000."}))
      << output;
  const std::string data = test::ReadBytes(History("000", "data.txt"));
  EXPECT_GT(data.size(), 30000u);
  EXPECT_LE(data.size(), 40960u);
  EXPECT_TRUE(data.ends_with(" \r\n"));
}

}  // namespace
}  // namespace zentrova
