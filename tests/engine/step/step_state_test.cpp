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

using StepStateTest = test::ModelTest;

std::vector<long double> PointTimes(const TWorld& world) {
  std::vector<long double> times;
  for (std::uint32_t i = 0; i < world.Model().History.Points.Count(); ++i)
    times.push_back(world.Model().History.Points.Items(i).Time);
  return times;
}

TEST_F(StepStateTest, EachStepRecordsTheStartOfThePreviousOne) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));  // writeToHistoryEachTimeStep=1
  TWorld& w = World();
  const long double h = w.Settings.MaximumTimestep;
  ASSERT_TRUE(Steps(4));
  // The state a step starts from is recorded once the next step has started.
  EXPECT_EQ(PointTimes(w), (std::vector<long double>{0, h, 2 * h}));
  EXPECT_EQ(w.State.StoredStateCount, 3u);
  EXPECT_EQ(w.State.CurrentState, 2u);
  EXPECT_EQ(FileLines("000/data.txt").size(), 3u);
  // Each point carries the accelerations of its state.
  EXPECT_NEAR(w.Model().History.Points.Items(1).Coordinates.QDDot.At(0), -9.81L, 1e-15L);
  EXPECT_NEAR(w.Model().History.Points.Items(1).Coordinates.Q.At(0), 10 - 9.81L * h * h / 2, 1e-15L);
  EXPECT_NEAR(w.Model().History.Points.Items(1).Coordinates.QDot.At(0), -9.81L * h, 1e-15L);
}

TEST_F(StepStateTest, RepeatedAttemptAfterRollBackIsNeitherCountedNorRecordedTwice) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  TWorld& w = World();
  const long double h = w.Settings.MaximumTimestep;
  ASSERT_TRUE(Steps(3));
  const long double saved = w.State.SavedTime;
  ASSERT_EQ(saved, 2 * h);
  const long double q = Q(0);
  // Twice: refused (halved and rolled back), then repeated.
  for (int attempt = 1; attempt <= 2; ++attempt) {
    ASSERT_TRUE(w.TimeStepManager.ReduceTimeStep());
    w.RestoreSavedState(true);
    EXPECT_EQ(w.State.Time, saved);
    EXPECT_EQ(Q(0), w.State.Current.Q.At(0));
    EXPECT_NE(Q(0), q);
    ASSERT_TRUE(Steps(1));
    EXPECT_EQ(PointTimes(w), (std::vector<long double>{0, h, 2 * h})) << attempt;
    EXPECT_EQ(w.State.Time, saved + std::ldexp(h, -attempt));
  }
  // Neither repetition toggled the finest flag: both levels still have half a step pending.
  EXPECT_EQ(w.TimeStepManager.LevelFlags, (std::vector<bool>{true, true}));
}

TEST_F(StepStateTest, AtCollisionOnlyStatesAcceptedAtACollisionAreRecorded) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  TWorld& w = World();
  w.Settings.WriteEachTimeStep = false;
  w.Settings.WriteAtCollision = true;
  const long double h = w.State.TimeStep;
  // The first point is always recorded; later ones only when the saved state was taken at a collision.
  for (bool at_collision : {false, true, false, false, true, false}) {
    w.Update(true, true, nullptr, at_collision);
    w.State.Time += h;
  }
  EXPECT_EQ(PointTimes(w), (std::vector<long double>{0, h, 4 * h}));
}

TEST_F(StepStateTest, RecordingIntervalSpacesThePoints) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  TWorld& w = World();
  w.Settings.WriteEachTimeStep = false;
  w.Settings.RecordingInterval = 3;
  const long double h = w.State.TimeStep;
  for (int i = 0; i < 8; ++i) {
    w.Update(true, true, nullptr, false);
    w.State.Time += h;
  }
  ASSERT_EQ(w.Model().History.Points.Count(), 3u);
  EXPECT_EQ(PointTimes(w)[0], 0);
  EXPECT_NEAR(PointTimes(w)[1], 3 * h, 1e-18L);
  EXPECT_NEAR(PointTimes(w)[2], 6 * h, 1e-18L);
}

TEST_F(StepStateTest, NegativeSavedTimeIsNeverRecorded) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  TWorld& w = World();
  w.State.SavedTime = -1;
  EXPECT_FALSE(w.WriteHistoryPointIfDue());
  EXPECT_EQ(w.Model().History.Points.Count(), 0u);
}

TEST_F(StepStateTest, RollingBackAtTimeZeroChangesNothing) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  TWorld& w = World();
  w.State.Evaluated.Q.SetAt(0, 7);
  w.State.MechanicalEnergy = 1;
  w.RestoreSavedState(true);
  EXPECT_EQ(Q(0), 7);
  EXPECT_EQ(w.State.MechanicalEnergy, 1);
}

TEST_F(StepStateTest, RollBackAfterAnImpulseRestoresTheVelocitiesBeforeIt) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  TWorld& w = World();
  w.Update(true, false, nullptr, false);
  w.State.Time = w.State.TimeStep;  // a step later
  w.State.Evaluated.QDot.SetAt(0, -2);
  // The impact solution added its jump of +5 to the velocity before the state was accepted.
  TFloatList jump;
  jump.Dim(w.Settings.N);
  jump.SetAt(0, 5);
  w.State.Evaluated.QDot.SetAt(0, -2 + 5);
  w.Update(true, false, &jump, true);
  EXPECT_TRUE(w.State.ImpulseApplied);
  EXPECT_TRUE(w.State.AtCollision);
  EXPECT_EQ(w.State.VelocityJump.At(0), 5);
  EXPECT_EQ(w.State.Current.QDot.At(0), 3);
  w.State.Evaluated.QDot.SetAt(0, 99);  // what the step computed
  w.RestoreSavedState(true);
  EXPECT_EQ(QDot(0), -2);
  EXPECT_FALSE(w.State.ImpulseApplied);
  EXPECT_FALSE(w.State.AtCollision);
  EXPECT_EQ(w.State.Time, w.State.SavedTime);
}

TEST_F(StepStateTest, RestoringAHistoryPointSetsTheWorkingState) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  TWorld& w = World();
  ASSERT_TRUE(Steps(5));
  w.State.CurrentState = 1;
  w.RestoreHistoryPoint(false, false);
  const TGeneralizedCoordinatesHistory& point = w.Model().History.Points.Items(1);
  EXPECT_EQ(w.State.Time, point.Time);
  EXPECT_EQ(w.State.MechanicalEnergy, point.MechanicalEnergy);
  EXPECT_EQ(Q(0), point.Coordinates.Q.At(0));
  EXPECT_EQ(QDot(0), point.Coordinates.QDot.At(0));
  EXPECT_EQ(w.State.Evaluated.QDDot.At(0), point.Coordinates.QDDot.At(0));
}

TEST_F(StepStateTest, RestoringWithResetGoesBackToTheMaximumStep) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  TWorld& w = World();
  ASSERT_TRUE(Steps(3));
  ASSERT_TRUE(w.TimeStepManager.ReduceTimeStep());
  const long double before = w.State.Time;
  w.State.CurrentState = 0;
  w.RestoreHistoryPoint(true, true);
  EXPECT_EQ(w.State.TimeStep, w.Settings.MaximumTimestep);
  EXPECT_EQ(w.TimeStepManager.Divisor, 1);
  EXPECT_EQ(w.State.SavedTime, before);  // the update first made the state before it the saved one
  EXPECT_EQ(w.State.Time, 0);
}

TEST_F(StepStateTest, DisplacementEstimateTakesTheFastestBody) {
  CopyModel("box");
  ASSERT_TRUE(Load("box.wld"));
  TWorld& w = World();
  TCoordinateList& q = w.State.Evaluated;
  q.QDot.SetAt(0, 3);   // x'
  q.QDot.SetAt(1, -4);  // y'
  q.QDot.SetAt(2, 2);   // Rz'
  const long double h = w.State.TimeStep;
  const long double radius = std::sqrt(0.1L * 0.1L + 0.05L * 0.05L + 0.025L * 0.025L);
  ASSERT_NEAR(w.Model().Bodies.Items(0).Radius, radius, 1e-18L);
  long double d = -1;
  EXPECT_TRUE(w.MaxStepDisplacement(d));
  // The floor does not move; the box's factor is the world's 0.5.
  EXPECT_NEAR(d, (5 * h + radius * 2 * h) * 0.5L, 1e-18L);
}

TEST_F(StepStateTest, SingularVaryingMassMatrixFailsThePreparation) {
  CopyModel("fall");
  WriteModelFile("fall.mmx", "b`Ball`y[t] - 10\n");  // singular at the start height of 10
  ASSERT_TRUE(Load("fall.wld"));
  EXPECT_TRUE(Logged("[Error] Error in mass matrix inversion (possibly singular)."));  // at the load
  EXPECT_TRUE(World().Model().MassMatrixVaries);
  ClearNumericsError();
  const auto before = Lines().size();
  EXPECT_FALSE(World().PrepareStep());
  EXPECT_EQ(Lines().size(), before + 1);
  EXPECT_EQ(Lines().back(), "[Error] Error in mass matrix inversion (possibly singular).");
  EXPECT_NE(NumericsErrorCode(), 0);
  // The copy into the inverse waits for the error record to be cleared, as every numerics operation.
  World().State.Evaluated.Q.SetAt(0, 12);
  EXPECT_FALSE(World().PrepareStep());
  ClearNumericsError();
  EXPECT_TRUE(World().PrepareStep());
  EXPECT_NEAR(World().Model().InverseMassMatrix.At(0, 0), 0.5L, 1e-18L);
}

}  // namespace
}  // namespace zentrova
