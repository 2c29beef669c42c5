// The world's working and saved state and its history points.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "driver_test_support.h"
#include "engine/world/model.h"
#include "engine/world/world.h"

namespace zentrova {
namespace {

class StepStateTest : public test::ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    CopyModel("fall");  // writeToHistoryEachTimeStep=1
    ASSERT_TRUE(Load("fall.wld"));
  }
  std::vector<long double> PointTimes() {
    std::vector<long double> times;
    for (std::uint32_t i = 0; i < World().Model().History.Points.Count(); ++i) {
      times.push_back(World().Model().History.Points.Items(i).Time);
    }
    return times;
  }
};

// The state a step starts from is recorded, with its accelerations, once the next step has started; a
// refused step (halved and rolled back) and its repetition are neither recorded nor counted twice.
TEST_F(StepStateTest, EachStepRecordsTheStartOfThePreviousOneOnce) {
  TWorld& w = World();
  const long double h = w.Settings.MaximumTimestep;
  ASSERT_TRUE(Steps(3));
  const long double saved = w.State.SavedTime, q = Q(0);
  for (int attempt = 1; attempt <= 2; ++attempt) {
    ASSERT_TRUE(main_->StepControl().TimeStepManager.ReduceTimeStep());
    main_->StepControl().RestoreSavedState(true);
    EXPECT_EQ(w.State.Time, saved);
    EXPECT_EQ(Q(0), w.State.Current.Q.At(0));
    EXPECT_NE(Q(0), q);
    ASSERT_TRUE(Steps(1));
    EXPECT_EQ(PointTimes(), (std::vector<long double>{0, h, 2 * h})) << attempt;
    EXPECT_EQ(w.State.Time, saved + std::ldexp(h, -attempt));
  }
  // Neither repetition toggled the finest flag: both levels still have half a step pending.
  EXPECT_EQ(main_->StepControl().TimeStepManager.LevelFlags, (std::vector<bool>{true, true}));
  EXPECT_EQ(w.State.CurrentState, 2u);
  EXPECT_EQ(FileLines("000/data.txt").size(), 3u);
  const TCoordinateList& point = w.Model().History.Points.Items(1).Coordinates;
  EXPECT_NEAR(point.QDDot.At(0), -9.81L, 1e-15L);
  EXPECT_NEAR(point.Q.At(0), 10 - 9.81L * h * h / 2, 1e-15L);
  EXPECT_NEAR(point.QDot.At(0), -9.81L * h, 1e-15L);
}

// With writeAtCollision only states accepted at a collision are recorded, and the first one.
TEST_F(StepStateTest, HistoryPointsAtCollisionsOnly) {
  TWorld& w = World();
  const long double h = w.State.TimeStep;
  w.Settings.WriteEachTimeStep = false;
  w.Settings.WriteAtCollision = true;
  for (bool at_collision : {false, true, false, false, true, false}) {
    main_->StepControl().Update(true, true, nullptr, at_collision);
    w.State.Time += h;
  }
  EXPECT_EQ(PointTimes(), (std::vector<long double>{0, h, 4 * h}));
}

TEST_F(StepStateTest, RollBackAfterAnImpulseRestoresTheVelocitiesBeforeIt) {
  TWorld& w = World();
  w.State.Evaluated.Q.SetAt(0, 7);
  main_->StepControl().RestoreSavedState(true);  // at time 0 there is nothing to roll back to
  EXPECT_EQ(Q(0), 7);
  main_->StepControl().Update(true, false, nullptr, false);
  w.State.Time = w.State.TimeStep;  // a step later the impact added its jump of +5 to the velocity -2
  TFloatList jump;
  jump.Dim(w.Settings.N);
  jump.SetAt(0, 5);
  w.State.Evaluated.QDot.SetAt(0, -2 + 5);
  main_->StepControl().Update(true, false, &jump, true);
  EXPECT_TRUE(w.State.ImpulseApplied);
  EXPECT_TRUE(w.State.AtCollision);
  w.State.Evaluated.QDot.SetAt(0, 99);  // what the step computed
  main_->StepControl().RestoreSavedState(true);
  EXPECT_EQ(QDot(0), -2);
  EXPECT_FALSE(w.State.ImpulseApplied);
  EXPECT_FALSE(w.State.AtCollision);
  EXPECT_EQ(w.State.Time, w.State.SavedTime);
}

}  // namespace
}  // namespace zentrova
