// zentrova-run: its output and exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver_test_support.h"
#include "platform/paths.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;

class ZentrovaRunTest : public test::ModelTest {
 protected:
  test::ToolResult RunTool(const std::string& arguments) {
    return test::RunZentrovaRun(arguments, dir_.File("stderr.txt"));
  }
};

TEST_F(ZentrovaRunTest, RunsUntilTheGivenTime) {
  CopyModel("fall");
  const test::ToolResult r = RunTool(dir_.File("fall.wld") + " --until 0.5");
  EXPECT_EQ(r.status, 0) << r.err;
  // y = 10 - g t^2 / 2, y' = -g t: E = m g 10 whatever t.
  EXPECT_EQ(r.out, (Strings{"history: " + dir_.File("000"), "steps: 500", "time: 0.5", "energy: 196.2"}));
  EXPECT_EQ(FileLines("000/data.txt").size(), 499u);  // the state of each step once the next has begun
}

TEST_F(ZentrovaRunTest, WrongCommandLine) {
  for (const std::string arguments : {"", "a.wld b.wld", "a.wld --until", "a.wld --until soon", "--fast a.wld"}) {
    const test::ToolResult r = RunTool(arguments);
    EXPECT_EQ(r.status, 1) << arguments;
    EXPECT_EQ(r.err, "usage: zentrova-run WORLD.wld [--until T]\n") << arguments;
    EXPECT_TRUE(r.out.empty());
  }
}

TEST_F(ZentrovaRunTest, FailedLoadExitsWithItsErrorLine) {
  CopyModel("fall");
  WriteModelFile("fall.hv", "-b`Ball`m g\n0\n");
  test::ToolResult r = RunTool(dir_.File("fall.wld"));
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "[Error] Number of generalizde coordinates does not match the number of generalized forces. "
                   "Check .hv file. \n");
  EXPECT_TRUE(r.out.empty());
  EXPECT_FALSE(DirectoryExists(dir_.File("000")));  // nothing was recorded in it
  WriteModelFile("fall.hv", "-b`Ball`m g\n");
  WriteModelFile("fall.me", "b`Ball`m * (\n");  // an expression that does not compile
  r = RunTool(dir_.File("fall.wld"));
  EXPECT_EQ(r.status, 2);
  EXPECT_FALSE(r.err.empty());
}

TEST_F(ZentrovaRunTest, RunThatStopsOnAnErrorExitsWithThree) {
  CopyModel("box");
  WriteModelFile("box.bdy", "[Main]\nname=Box\nshapeType=extrusionsolid\nshapeFile=box.exs\ndensity=1000\n"
                            "thickness=0.05\n[startPosition]\ny=0.03\n");  // 2 cm inside the floor
  WriteModelFile("box.wld", "[Main]\nnumberOfGeneralizedCoodinates=3\nmaximumTimestep=1e-3\nminimumTimestep=1e-4\n"
                            "maximumPenetration=1e-3\n[Bodies]\nBody1=box.bdy\nBody2=floor.bdy\n");
  const test::ToolResult r = RunTool(dir_.File("box.wld"));
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.err, "[Error] Minimum time step of 0.0001s reached at 0s.\n");
  ASSERT_EQ(r.out.size(), 4u);
  EXPECT_EQ(r.out[1], "steps: 5");
  EXPECT_EQ(r.out[2], "time: 0");
}

}  // namespace
}  // namespace zentrova
