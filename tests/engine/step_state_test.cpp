// The world's working and saved state, history points and the per-step displacement estimate.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "driver_test_support.h"
#include "engine/world.h"
#include "numerics/numerics_error.h"

namespace zentrova {
namespace {

using StepStateTest = test::ModelTest;

std::vector<long double> PointTimes(const TWorld& world) {
  std::vector<long double> times;
  for (std::uint32_t i = 0; i < world.History.Points.Count(); ++i)
    times.push_back(world.History.Points.Items(i).Time);
  return times;
}

TEST_F(StepStateTest, EachStepRecordsTheStartOfThePreviousOne) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));  // writeToHistoryEachTimeStep=1
  TWorld& w = World();
  const long double h = w.MaximumTimestep;
  ASSERT_TRUE(Steps(4));
  // The state a step starts from is recorded once the next step has started.
  EXPECT_EQ(PointTimes(w), (std::vector<long double>{0, h, 2 * h}));
  EXPECT_EQ(w.StoredStateCount, 3u);
  EXPECT_EQ(w.CurrentState, 2u);
  EXPECT_EQ(FileLines("000/data.txt").size(), 3u);
  // Each point carries the accelerations of its state.
  EXPECT_NEAR(w.History.Points.Items(1).Coordinates.QDDot.At(0), -9.81L, 1e-15L);
  EXPECT_NEAR(w.History.Points.Items(1).Coordinates.Q.At(0), 10 - 9.81L * h * h / 2, 1e-15L);
  EXPECT_NEAR(w.History.Points.Items(1).Coordinates.QDot.At(0), -9.81L * h, 1e-15L);
}

TEST_F(StepStateTest, RepeatedAttemptAfterRollBackIsNeitherCountedNorRecordedTwice) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  TWorld& w = World();
  const long double h = w.MaximumTimestep;
  ASSERT_TRUE(Steps(3));
  const long double saved = w.SavedTime;
  ASSERT_EQ(saved, 2 * h);
  const long double q = Q(0);
  // Twice: refused (halved and rolled back), then repeated.
  for (int attempt = 1; attempt <= 2; ++attempt) {
    ASSERT_TRUE(w.TimeStepManager.ReduceTimeStep());
    w.RestoreSavedState(true);
    EXPECT_EQ(w.Time, saved);
    EXPECT_EQ(Q(0), w.GeneralizedCoordinates.Current.Q.At(0));
    EXPECT_NE(Q(0), q);
    ASSERT_TRUE(Steps(1));
    EXPECT_EQ(PointTimes(w), (std::vector<long double>{0, h, 2 * h})) << attempt;
    EXPECT_EQ(w.Time, saved + std::ldexp(h, -attempt));
  }
  // Neither repetition toggled the finest flag: both levels still have half a step pending.
  EXPECT_EQ(w.TimeStepManager.LevelFlags, (std::vector<bool>{true, true}));
}

TEST_F(StepStateTest, AtCollisionOnlyStatesAcceptedAtACollisionAreRecorded) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  TWorld& w = World();
  w.WriteEachTimeStep = false;
  w.WriteAtCollision = true;
  const long double h = w.TimeStep;
  // The first point is always recorded; later ones only when the saved state was taken at a collision.
  for (bool at_collision : {false, true, false, false, true, false})
    w.Update(true, true, false, at_collision);
  EXPECT_EQ(PointTimes(w), (std::vector<long double>{0, h, 4 * h}));
}

TEST_F(StepStateTest, RecordingIntervalSpacesThePoints) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  TWorld& w = World();
  w.WriteEachTimeStep = false;
  w.RecordingInterval = 3;
  const long double h = w.TimeStep;
  for (int i = 0; i < 8; ++i) w.Update(true, true, false, false);
  ASSERT_EQ(w.History.Points.Count(), 3u);
  EXPECT_EQ(PointTimes(w)[0], 0);
  EXPECT_NEAR(PointTimes(w)[1], 3 * h, 1e-18L);
  EXPECT_NEAR(PointTimes(w)[2], 6 * h, 1e-18L);
}

TEST_F(StepStateTest, NegativeSavedTimeIsNeverRecorded) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  TWorld& w = World();
  w.SavedTime = -1;
  EXPECT_FALSE(w.WriteHistoryPointIfDue());
  EXPECT_EQ(w.History.Points.Count(), 0u);
}

TEST_F(StepStateTest, RollingBackAtTimeZeroChangesNothing) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  TWorld& w = World();
  w.GeneralizedCoordinates.Evaluated.Q.SetAt(0, 7);
  w.MechanicalEnergy = 1;
  w.RestoreSavedState(true);
  EXPECT_EQ(Q(0), 7);
  EXPECT_EQ(w.MechanicalEnergy, 1);
}

TEST_F(StepStateTest, RollBackAfterAnImpulseRestoresTheVelocitiesBeforeIt) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  TWorld& w = World();
  w.Update(true, false, false, false);  // time moves on from 0
  w.GeneralizedCoordinates.Evaluated.QDot.SetAt(0, -2);
  // The impact solution added its jump of +5 to the velocity before the state was accepted.
  main_->Collisions().CoordinateValues.SetAt(0, 5);
  w.GeneralizedCoordinates.Evaluated.QDot.SetAt(0, -2 + 5);
  w.Update(true, false, true, true);
  EXPECT_TRUE(w.GeneralizedCoordinates.ImpulseApplied);
  EXPECT_TRUE(w.GeneralizedCoordinates.AtCollision);
  EXPECT_EQ(w.GeneralizedCoordinates.Values.At(0), 5);
  EXPECT_EQ(w.GeneralizedCoordinates.Current.QDot.At(0), 3);
  w.GeneralizedCoordinates.Evaluated.QDot.SetAt(0, 99);  // what the step computed
  w.RestoreSavedState(true);
  EXPECT_EQ(QDot(0), -2);
  EXPECT_FALSE(w.GeneralizedCoordinates.ImpulseApplied);
  EXPECT_FALSE(w.GeneralizedCoordinates.AtCollision);
  EXPECT_EQ(w.Time, w.SavedTime);
}

TEST_F(StepStateTest, RestoringAHistoryPointSetsTheWorkingState) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  TWorld& w = World();
  ASSERT_TRUE(Steps(5));
  w.CurrentState = 1;
  w.RestoreHistoryPoint(false, false);
  const TGeneralizedCoordinatesHistory& point = w.History.Points.Items(1);
  EXPECT_EQ(w.Time, point.Time);
  EXPECT_EQ(w.MechanicalEnergy, point.MechanicalEnergy);
  EXPECT_EQ(Q(0), point.Coordinates.Q.At(0));
  EXPECT_EQ(QDot(0), point.Coordinates.QDot.At(0));
  EXPECT_EQ(w.GeneralizedCoordinates.Evaluated.QDDot.At(0), point.Coordinates.QDDot.At(0));
}

TEST_F(StepStateTest, RestoringWithResetGoesBackToTheMaximumStep) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  TWorld& w = World();
  ASSERT_TRUE(Steps(3));
  ASSERT_TRUE(w.TimeStepManager.ReduceTimeStep());
  const long double before = w.Time;
  w.CurrentState = 0;
  w.RestoreHistoryPoint(true, true);
  EXPECT_EQ(w.TimeStep, w.MaximumTimestep);
  EXPECT_EQ(w.TimeStepManager.Divisor, 1);
  EXPECT_EQ(w.SavedTime, before);  // the update first made the state before it the saved one
  EXPECT_EQ(w.Time, 0);
}

TEST_F(StepStateTest, DisplacementEstimateTakesTheFastestBody) {
  CopyModel("box");
  ASSERT_TRUE(Load("box.wld"));
  TWorld& w = World();
  TCoordinateList& q = w.GeneralizedCoordinates.Evaluated;
  q.QDot.SetAt(0, 3);   // x'
  q.QDot.SetAt(1, -4);  // y'
  q.QDot.SetAt(2, 2);   // Rz'
  const long double h = w.TimeStep;
  const long double radius = std::sqrt(0.1L * 0.1L + 0.05L * 0.05L + 0.025L * 0.025L);
  ASSERT_NEAR(w.Bodies.Items(0).Radius, radius, 1e-18L);
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
  EXPECT_TRUE(World().MassMatrixVaries);
  ClearNumericsError();
  const auto before = Lines().size();
  EXPECT_FALSE(World().PrepareStep());
  EXPECT_EQ(Lines().size(), before + 1);
  EXPECT_EQ(Lines().back(), "[Error] Error in mass matrix inversion (possibly singular).");
  EXPECT_NE(NumericsErrorCode(), 0);
  // The copy into the inverse waits for the error record to be cleared, as every numerics operation.
  World().GeneralizedCoordinates.Evaluated.Q.SetAt(0, 12);
  EXPECT_FALSE(World().PrepareStep());
  ClearNumericsError();
  EXPECT_TRUE(World().PrepareStep());
  EXPECT_NEAR(World().InverseMassMatrix.At(0, 0), 0.5L, 1e-18L);
}

}  // namespace
}  // namespace zentrova
