#include "engine/step/time_step.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/model/world.h"
#include "engine_test_support.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;

class StepControlTest : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    world_.Settings.MaximumTimestep = 1e-3L;
    world_.Settings.MinimumTimestep = 1e-9L;
    world_.State.TimeStep = 1e-3L;
  }
  TTimeStepManaging& manager() { return world_.TimeStepManager; }
  TWorld world_;
};

// Events as the driver and the world make them: R a refused attempt (halving), C a new step accepted (it
// counts itself), A a repeated attempt accepted after a roll-back (it does not). After each event the
// step is maximumTimestep / divisor.
TEST_F(StepControlTest, StepIsDoubledOnlyAfterFourGoodStepsOnABoundaryOfTheCoarserStep) {
  struct Case {
    const char* what;
    std::string events;
    std::vector<int> divisors;
    std::vector<bool> flags;  // the level flags at the end
  };
  const std::vector<Case> cases = {
      // Halving leaves half of the coarse step pending (flag set); the fourth good step completes it. A
      // halving right after a doubling keeps the flag the level had.
      {"doubled back on the fourth good step", "RACCCR", {2, 2, 2, 2, 1, 2}, {false}},
      {"three good steps with the flags clear are not enough", "RCAAA", {2, 2, 2, 2, 1}, {false}},
      // Two levels: the finest flag is clear after one step, the coarser one only after three.
      {"the coarser level must be clear too", "RRCAAACC", {2, 4, 4, 4, 4, 4, 4, 2}, {false, false}},
      {"never above the maximum step", "CC", {1, 1}, {}},
  };
  for (const Case& c : cases) {
    manager().Reset();
    for (std::size_t i = 0; i < c.events.size(); ++i) {
      if (c.events[i] == 'R') ASSERT_TRUE(manager().ReduceTimeStep());
      if (c.events[i] == 'C') manager().CountStep();
      if (c.events[i] != 'R') manager().AfterGoodStep();
      EXPECT_EQ(manager().Divisor, c.divisors[i]) << c.what << ", event " << i;
      EXPECT_EQ(world_.State.TimeStep, 1e-3L / c.divisors[i]) << c.what << ", event " << i;
    }
    EXPECT_EQ(manager().LevelFlags, c.flags) << c.what;
  }
}

// The level flags are the digits of a base-2 counter of finest-level steps (flag 0 the most
// significant), counted down by every new step; only the levels in force count.
TEST_F(StepControlTest, NewStepsCountTheLevelFlagsDown) {
  manager().LevelCount = 3;
  manager().LevelFlags = {false, false, false};
  for (int expected : {7, 6, 5, 4, 3, 2, 1, 0, 7}) {
    manager().CountStep();
    int value = 0;
    for (bool flag : manager().LevelFlags) value = 2 * value + flag;
    EXPECT_EQ(value, expected);
  }
  manager().LevelCount = 1;
  manager().LevelFlags = {false, true, true};
  manager().CountStep();
  EXPECT_EQ(manager().LevelFlags, (std::vector<bool>{true, true, true}));
}

TEST_F(StepControlTest, MinimumStepIsTestedBeforeHalving) {
  world_.Settings.MinimumTimestep = 1e-3L;  // equal to the maximum: one halving, then the end
  world_.State.Time = 0.25L;
  EXPECT_TRUE(manager().ReduceTimeStep());
  EXPECT_FALSE(manager().ReduceTimeStep());
  EXPECT_EQ(world_.State.TimeStep, 5e-4L);  // nothing changed
  EXPECT_EQ(manager().Divisor, 2);
  // At time 0 the bodies may overlap from the start.
  world_.State.Time = 0;
  world_.Settings.MinimumTimestep = 2e-3L;
  EXPECT_FALSE(manager().ReduceTimeStep());
  EXPECT_EQ(Logged(), (Strings{"[Error] Minimum time step of 0.001s reached at 0.25s.",
                               "[Error] Minimum time step of 0.002s reached at 0s.",
                               "[Alert] Check bodies for possible overlapping."}));
}

TEST_F(StepControlTest, HalvingStopsBeforeTheDivisorOverflowsAndResetGoesBack) {
  world_.Settings.MinimumTimestep = 1e-4000L;  // positive, but far below anything 62 halvings reach
  for (int i = 0; i < 62; ++i) ASSERT_TRUE(manager().ReduceTimeStep()) << i;
  EXPECT_FALSE(manager().ReduceTimeStep());
  EXPECT_EQ(manager().Divisor, std::int64_t{1} << 62);
  EXPECT_EQ(world_.State.TimeStep, std::ldexp(1e-3L, -62));
  EXPECT_EQ(Logged(), (Strings{"[Error] Time step of 2.16840434497101E-22s cannot be halved further at 0s."}));
  manager().Reset();
  EXPECT_EQ(manager().Divisor, 1);
  EXPECT_TRUE(manager().LevelFlags.empty());
  EXPECT_EQ(world_.State.TimeStep, 1e-3L);
}

}  // namespace
}  // namespace zentrova
