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
// counts itself), A a repeated attempt accepted after a roll-back (it does not), I a doubling; after each
// the step is maximumTimestep / divisor. A step is doubled on the fourth good step at its level, and only
// on a boundary of the coarser step (the finest two level flags clear).
TEST_F(StepControlTest, StepIsDoubledOnlyAfterFourGoodStepsOnABoundaryOfTheCoarserStep) {
  struct Case {
    const char* what;
    std::string events;
    std::vector<int> divisors;
  };
  const std::vector<Case> cases = {
      // A halving right after a doubling keeps the flag the level had: four more good steps double again.
      {"doubled back on the fourth good step", "RACCCRCCCC", {2, 2, 2, 2, 1, 2, 2, 2, 2, 1}},
      {"three good steps with the flags clear are not enough", "RCAAA", {2, 2, 2, 2, 1}},
      // Two levels: the finest flag is clear after one step, the coarser one only after three (a carry).
      {"the coarser level must be clear too", "RRCAAACC", {2, 4, 4, 4, 4, 4, 4, 2}},
      {"never above the maximum step", "CIC", {1, 1, 1}},
  };
  for (const Case& c : cases) {
    manager().Reset();
    for (std::size_t i = 0; i < c.events.size(); ++i) {
      ASSERT_TRUE(c.events[i] != 'R' || manager().ReduceTimeStep());
      if (c.events[i] == 'I') manager().IncreaseTimeStep();
      if (c.events[i] == 'C') manager().CountStep();
      if (c.events[i] == 'C' || c.events[i] == 'A') manager().AfterGoodStep();
      EXPECT_EQ(manager().Divisor, c.divisors[i]) << c.what << ", event " << i;
      EXPECT_EQ(world_.State.TimeStep, 1e-3L / c.divisors[i]) << c.what << ", event " << i;
    }
  }
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

TEST_F(StepControlTest, HalvingStopsBeforeTheDivisorOverflows) {
  world_.Settings.MinimumTimestep = 1e-4000L;  // positive, but far below anything 62 halvings reach
  for (int i = 0; i < 62; ++i) ASSERT_TRUE(manager().ReduceTimeStep()) << i;
  EXPECT_FALSE(manager().ReduceTimeStep());
  EXPECT_EQ(manager().Divisor, std::int64_t{1} << 62);
  EXPECT_EQ(world_.State.TimeStep, std::ldexp(1e-3L, -62));
  EXPECT_EQ(Logged(),
            (Strings{"[Error] Time step of 2.16840434497101E-22s cannot be halved further at 0s."}));
}

}  // namespace
}  // namespace zentrova
