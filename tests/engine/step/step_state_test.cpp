// The world's working and saved state, history points and the per-step displacement estimate.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "driver_test_support.h"
#include "engine/model/model.h"
#include "engine/model/world.h"
#include "numerics/numerics_error.h"

namespace zentrova {
namespace {

class StepStateTest : public test::ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    CopyModel("fall");  // writeToHistoryEachTimeStep=1
  }
  std::vector<long double> PointTimes() {
    std::vector<long double> times;
    for (std::uint32_t i = 0; i < World().Model().History.Points.Count(); ++i) {
      times.push_back(World().Model().History.Points.Items(i).Time);
    }
    return times;
  }
};

TEST_F(StepStateTest, EachStepRecordsTheStartOfThePreviousOne) {
  ASSERT_TRUE(Load("fall.wld"));
  const long double h = World().Settings.MaximumTimestep;
  ASSERT_TRUE(Steps(4));
  // The state a step starts from is recorded once the next step has started, with its accelerations.
  EXPECT_EQ(PointTimes(), (std::vector<long double>{0, h, 2 * h}));
  EXPECT_EQ(World().State.CurrentState, 2u);
  EXPECT_EQ(FileLines("000/data.txt").size(), 3u);
  const TCoordinateList& point = World().Model().History.Points.Items(1).Coordinates;
  EXPECT_NEAR(point.QDDot.At(0), -9.81L, 1e-15L);
  EXPECT_NEAR(point.Q.At(0), 10 - 9.81L * h * h / 2, 1e-15L);
  EXPECT_NEAR(point.QDot.At(0), -9.81L * h, 1e-15L);
}

TEST_F(StepStateTest, RepeatedAttemptAfterRollBackIsNeitherCountedNorRecordedTwice) {
  ASSERT_TRUE(Load("fall.wld"));
  TWorld& w = World();
  const long double h = w.Settings.MaximumTimestep;
  ASSERT_TRUE(Steps(3));
  const long double saved = w.State.SavedTime, q = Q(0);
  for (int attempt = 1; attempt <= 2; ++attempt) {  // refused (halved and rolled back), then repeated
    ASSERT_TRUE(w.TimeStepManager.ReduceTimeStep());
    w.RestoreSavedState(true);
    EXPECT_EQ(w.State.Time, saved);
    EXPECT_EQ(Q(0), w.State.Current.Q.At(0));
    EXPECT_NE(Q(0), q);
    ASSERT_TRUE(Steps(1));
    EXPECT_EQ(PointTimes(), (std::vector<long double>{0, h, 2 * h})) << attempt;
    EXPECT_EQ(w.State.Time, saved + std::ldexp(h, -attempt));
  }
  // Neither repetition toggled the finest flag: both levels still have half a step pending.
  EXPECT_EQ(w.TimeStepManager.LevelFlags, (std::vector<bool>{true, true}));
}

// Without writeToHistoryEachTimeStep: only states accepted at a collision (the first one always), or
// every recordingInterval-th maximum step; never a negative time.
TEST_F(StepStateTest, HistoryPointsAtCollisionsOrAtTheRecordingInterval) {
  ASSERT_TRUE(Load("fall.wld"));
  TWorld& w = World();
  const long double h = w.State.TimeStep;
  w.Settings.WriteEachTimeStep = false;
  w.Settings.WriteAtCollision = true;
  for (bool at_collision : {false, true, false, false, true, false}) {
    w.Update(true, true, nullptr, at_collision);
    w.State.Time += h;
  }
  EXPECT_EQ(PointTimes(), (std::vector<long double>{0, h, 4 * h}));
  main_.reset();
  ASSERT_TRUE(Load("fall.wld"));
  World().Settings.WriteEachTimeStep = false;
  World().Settings.RecordingInterval = 3;
  for (int i = 0; i < 8; ++i) {
    World().Update(true, true, nullptr, false);
    World().State.Time += h;
  }
  const std::vector<long double> times = PointTimes();
  ASSERT_EQ(times.size(), 3u);
  EXPECT_NEAR(times[1], 3 * h, 1e-18L);
  EXPECT_NEAR(times[2], 6 * h, 1e-18L);
  World().State.SavedTime = -1;
  EXPECT_FALSE(World().WriteHistoryPointIfDue());
}

TEST_F(StepStateTest, RollBackAfterAnImpulseRestoresTheVelocitiesBeforeIt) {
  ASSERT_TRUE(Load("fall.wld"));
  TWorld& w = World();
  w.State.Evaluated.Q.SetAt(0, 7);
  w.RestoreSavedState(true);  // at time 0 there is nothing to roll back to
  EXPECT_EQ(Q(0), 7);
  w.Update(true, false, nullptr, false);
  w.State.Time = w.State.TimeStep;  // a step later the impact added its jump of +5 to the velocity -2
  TFloatList jump;
  jump.Dim(w.Settings.N);
  jump.SetAt(0, 5);
  w.State.Evaluated.QDot.SetAt(0, -2 + 5);
  w.Update(true, false, &jump, true);
  EXPECT_TRUE(w.State.ImpulseApplied);
  EXPECT_TRUE(w.State.AtCollision);
  w.State.Evaluated.QDot.SetAt(0, 99);  // what the step computed
  w.RestoreSavedState(true);
  EXPECT_EQ(QDot(0), -2);
  EXPECT_FALSE(w.State.ImpulseApplied);
  EXPECT_FALSE(w.State.AtCollision);
  EXPECT_EQ(w.State.Time, w.State.SavedTime);
}

TEST_F(StepStateTest, RestoringWithResetGoesBackToTheMaximumStep) {
  ASSERT_TRUE(Load("fall.wld"));
  TWorld& w = World();
  ASSERT_TRUE(Steps(3));
  ASSERT_TRUE(w.TimeStepManager.ReduceTimeStep());
  const long double before = w.State.Time;
  w.State.CurrentState = 0;
  w.RestoreHistoryPoint(true, true);
  EXPECT_EQ(w.State.TimeStep, w.Settings.MaximumTimestep);
  EXPECT_EQ(w.State.SavedTime, before);  // the update first made the state before it the saved one
  EXPECT_EQ(w.State.Time, 0);
  EXPECT_EQ(Q(0), 10);
}

TEST_F(StepStateTest, DisplacementEstimateTakesTheFastestBody) {
  CopyModel("box");
  ASSERT_TRUE(Load("box.wld"));
  TCoordinateList& q = World().State.Evaluated;
  q.QDot.SetAt(0, 3);   // x'
  q.QDot.SetAt(1, -4);  // y'
  q.QDot.SetAt(2, 2);   // Rz'
  const long double h = World().State.TimeStep;
  const long double radius = std::sqrt(0.1L * 0.1L + 0.05L * 0.05L + 0.025L * 0.025L);
  ASSERT_NEAR(World().Model().Bodies.Items(0).Radius, radius, 1e-18L);
  long double d = -1;
  EXPECT_TRUE(World().MaxStepDisplacement(d));
  // The floor does not move; the box's factor is the world's 0.5.
  EXPECT_NEAR(d, (5 * h + radius * 2 * h) * 0.5L, 1e-18L);
}

TEST_F(StepStateTest, SingularVaryingMassMatrixFailsThePreparation) {
  WriteModelFile("fall.mmx", "b`Ball`y[t] - 10\n");  // singular at the start height of 10
  ASSERT_TRUE(Load("fall.wld"));
  EXPECT_TRUE(Logged("[Error] Error in mass matrix inversion (possibly singular)."));  // at the load
  ClearNumericsError();
  const auto before = Lines().size();
  EXPECT_FALSE(World().PrepareStep());
  EXPECT_EQ(Lines().size(), before + 1);
  EXPECT_EQ(Lines().back(), "[Error] Error in mass matrix inversion (possibly singular).");
  // The copy into the inverse waits for the error record to be cleared, as every numerics operation.
  World().State.Evaluated.Q.SetAt(0, 12);
  EXPECT_FALSE(World().PrepareStep());
  ClearNumericsError();
  EXPECT_TRUE(World().PrepareStep());
  EXPECT_NEAR(World().Model().InverseMassMatrix.At(0, 0), 0.5L, 1e-18L);
}

}  // namespace
}  // namespace zentrova
