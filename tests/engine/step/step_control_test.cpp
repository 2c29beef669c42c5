#include "engine/step/step_control.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "driver_test_support.h"
#include "engine/world/model.h"
#include "engine/world/world.h"
#include "engine_test_support.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;

using StepControlRunTest = test::ModelTest;

class StepControlTest : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    world_.Settings.MaximumTimestep = 1e-3L;
    world_.Settings.MinimumTimestep = 1e-9L;
    world_.State.TimeStep = 1e-3L;
  }
  TTimeStepManaging& manager() { return control_.TimeStepManager; }
  TWorld world_;
  TStepControl control_{world_, log_};
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

// Step control moves the time at the roll-backs: the fall model (h = 1e-3 s) after four steps, at 4h with
// its saved state at 3h and the states 0, h, 2h recorded, and its step halved once.
TEST_F(StepControlRunTest, RollBacksMoveTheTimeAndResetTheStepAsAsked) {
  constexpr long double h = 1e-3L;
  const struct {
    const char* what;
    std::function<void(TStepControl&, TStepState&)> action;
    long double time;
    long double time_step;
    long double q_time;  // the time the coordinates are those of
  } cases[] = {
      {"saved state, time kept", [](TStepControl& c, TStepState&) { c.RestoreSavedState(false); }, 4 * h,
       h / 2, 3 * h},
      {"saved state with its time", [](TStepControl& c, TStepState&) { c.RestoreSavedState(true); }, 3 * h,
       h / 2, 3 * h},
      {"recorded state 1",
       [](TStepControl& c, TStepState& s) {
         s.CurrentState = 1;
         c.RestoreHistoryPoint(false, false);
       },
       h, h / 2, h},
      {"recorded state 2, step reset",
       [](TStepControl& c, TStepState& s) {
         s.CurrentState = 2;
         c.RestoreHistoryPoint(false, true);
       },
       2 * h, h, 2 * h},
      {"no such recorded state",
       [](TStepControl& c, TStepState& s) {
         s.CurrentState = 9;
         c.RestoreHistoryPoint(false, false);
       },
       4 * h, h / 2, 4 * h},
  };
  for (const auto& c : cases) {
    CopyModel("fall");
    ASSERT_TRUE(Load("fall.wld"));
    ASSERT_TRUE(Steps(4));
    TStepControl& control = main_->StepControl();
    TStepState& state = World().State;
    ASSERT_EQ(state.StoredStateCount, 3u);
    ASSERT_TRUE(control.TimeStepManager.ReduceTimeStep());
    c.action(control, state);
    EXPECT_NEAR(state.Time, c.time, 1e-18L) << c.what;
    EXPECT_EQ(state.TimeStep, c.time_step) << c.what;
    // Free fall from y = 10.
    EXPECT_NEAR(Q(0), 10 - 9.81L * c.q_time * c.q_time / 2, 1e-12L) << c.what;
    main_.reset();
    std::filesystem::remove_all(dir_.File("000"));
  }
}

// A load starts with the largest step, at the time of the state it made the working one.
TEST_F(StepControlRunTest, LoadStartsWithTheLargestStepAtTheRecordedState) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  EXPECT_EQ(World().State.TimeStep, 1e-3L);
  EXPECT_EQ(World().State.Time, 0);
  ASSERT_TRUE(Steps(3));  // a history that recorded something stays
  main_.reset();
  test::WriteBytes(dir_.File("000/data.txt"), "0.25 -3 8 -2.5 -9.81\r\n0.5 -3 7 -5 -9.81\r\n");
  std::string history = "000";
  ASSERT_TRUE(Load("fall.wld", history));
  EXPECT_EQ(World().State.TimeStep, 1e-3L);
  EXPECT_EQ(World().State.Time, 0.25L);
  EXPECT_EQ(Q(0), 8);
}

}  // namespace
}  // namespace zentrova
