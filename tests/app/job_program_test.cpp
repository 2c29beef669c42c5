// The program as a user starts it with a job file, on the virtual X server: histories prepared with
// zentrova-run are continued one after the other, each run ended by its limit or its break time, and the
// program ends by itself after the last job.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
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

TEST_F(JobProgramTest, AMissingJobFileLeavesTheWindowOpen) {
  // Without exitAtFinish nothing ends the program: the time-out does.
  EXPECT_EQ(RunProgram("none.job", 5), 124);
}

}  // namespace
}  // namespace zentrova
