#include "engine/step/time_step.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/model/model.h"
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
    world_.State.TimeStep = world_.Settings.MaximumTimestep;
  }
  TTimeStepManaging& manager() { return world_.TimeStepManager; }

  // One accepted attempt as the driver and the world make it: a new step counts itself, a repeated
  // attempt after a roll-back does not.
  void Accept(bool new_step) {
    if (new_step) manager().CountStep();
    manager().AfterGoodStep();
  }

  TWorld world_;
};

TEST_F(StepControlTest, MinimumAboveMaximumHalvesOnceThenReports) {
  world_.Settings.MinimumTimestep = 1e-3L;  // equal to the maximum
  world_.State.Time = 0.25L;
  EXPECT_TRUE(manager().ReduceTimeStep());
  EXPECT_EQ(world_.State.TimeStep, 5e-4L);
  EXPECT_EQ(manager().Divisor, 2);
  EXPECT_FALSE(manager().ReduceTimeStep());
  EXPECT_EQ(Logged(), (Strings{"[Error] Minimum time step of 0.001s reached at 0.25s."}));
  EXPECT_EQ(world_.State.TimeStep, 5e-4L);  // nothing changed
  EXPECT_EQ(manager().Divisor, 2);
  EXPECT_EQ(manager().LevelCount, 1u);
}

TEST_F(StepControlTest, FailureAtTimeZeroAddsTheOverlapAlert) {
  world_.Settings.MinimumTimestep = 2e-3L;
  EXPECT_FALSE(manager().ReduceTimeStep());
  EXPECT_EQ(Logged(), (Strings{"[Error] Minimum time step of 0.002s reached at 0s.",
                               "[Alert] Check bodies for possible overlapping."}));
}

TEST_F(StepControlTest, HalvedStepIsDoubledBackOnTheFourthAcceptedStep) {
  ASSERT_TRUE(manager().ReduceTimeStep());
  EXPECT_EQ(world_.State.TimeStep, 5e-4L);
  EXPECT_EQ(manager().LevelFlags, std::vector<bool>{true});  // half of the coarse step is pending
  Accept(false);                                             // the repeated attempt
  Accept(true);
  Accept(true);
  EXPECT_EQ(manager().Divisor, 2);  // three accepted steps are not enough
  Accept(true);
  EXPECT_EQ(manager().Divisor, 1);
  EXPECT_EQ(world_.State.TimeStep, 1e-3L);
  EXPECT_TRUE(manager().JustDoubled);
  EXPECT_EQ(manager().LevelCount, 0u);
  EXPECT_EQ(manager().LevelFlags, std::vector<bool>{false});  // kept, never shrunk
}

TEST_F(StepControlTest, DoublingNeverGoesBelowTheMaximumStep) {
  manager().IncreaseTimeStep();
  EXPECT_EQ(manager().Divisor, 1);
  EXPECT_EQ(world_.State.TimeStep, 1e-3L);
  Accept(true);
  EXPECT_EQ(manager().Divisor, 1);
  EXPECT_FALSE(manager().JustDoubled);
}

TEST_F(StepControlTest, ReductionRightAfterDoublingKeepsTheLevelFlag) {
  ASSERT_TRUE(manager().ReduceTimeStep());
  Accept(false);
  for (int i = 0; i < 3; ++i) Accept(true);
  ASSERT_EQ(manager().Divisor, 1);
  ASSERT_TRUE(manager().JustDoubled);
  ASSERT_TRUE(manager().ReduceTimeStep());
  EXPECT_EQ(manager().LevelFlags, std::vector<bool>{false});  // not set again after a doubling
}

TEST_F(StepControlTest, HalvingStopsBeforeTheDivisorOverflows) {
  world_.Settings.MinimumTimestep = 1e-4000L;  // positive, but far below anything 62 halvings reach
  for (int i = 0; i < 62; ++i) ASSERT_TRUE(manager().ReduceTimeStep()) << i;
  EXPECT_EQ(manager().Divisor, std::int64_t{1} << 62);
  EXPECT_EQ(world_.State.TimeStep, std::ldexp(1e-3L, -62));
  EXPECT_FALSE(manager().ReduceTimeStep());
  EXPECT_EQ(manager().Divisor, std::int64_t{1} << 62);
  EXPECT_EQ(Logged().back(), "[Error] Time step of 2.16840434497101E-22s cannot be halved further at 0s.");
}

TEST_F(StepControlTest, ResetReturnsToTheMaximumStep) {
  ASSERT_TRUE(manager().ReduceTimeStep());
  ASSERT_TRUE(manager().ReduceTimeStep());
  Accept(false);
  manager().Reset();
  EXPECT_EQ(manager().Divisor, 1);
  EXPECT_EQ(manager().LevelCount, 0u);
  EXPECT_EQ(manager().GoodSteps, 0u);
  EXPECT_TRUE(manager().LevelFlags.empty());
  EXPECT_EQ(world_.State.TimeStep, 1e-3L);
}

// The level flags are the digits of a base-2 counter of finest-level steps (flag 0 the most
// significant), counted down by every new step.
TEST_F(StepControlTest, NewStepsCountTheLevelFlagsDown) {
  manager().LevelCount = 3;
  manager().LevelFlags = {false, false, false};
  auto value = [this] {
    int v = 0;
    for (bool flag : manager().LevelFlags) v = 2 * v + (flag ? 1 : 0);
    return v;
  };
  for (int expected : {7, 6, 5, 4, 3, 2, 1, 0, 7}) {
    manager().CountStep();
    EXPECT_EQ(value(), expected);
  }
  // Only the levels in force count: with one level the coarser flags stay.
  manager().LevelCount = 1;
  manager().LevelFlags = {false, true, true};
  manager().CountStep();
  EXPECT_EQ(manager().LevelFlags, (std::vector<bool>{true, true, true}));
}

}  // namespace
}  // namespace zentrova
