#include "engine/model/model.h"
#include "engine/step/driver.h"
#include "engine/step/run_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "driver_test_support.h"
#include "engine/contact/contact_points.h"
#include "numerics/numerics_error.h"
#include "platform/paths.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;

class DriverTest : public test::ModelTest {
 protected:
  std::size_t Count(const std::string& line) const {
    const Strings lines = Lines();
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
  }
  // Steps until the driver gives up; the number of steps it took, at most `limit`.
  int StepsUntilFailure(int limit) {
    for (int i = 1; i <= limit; ++i) {
      if (!main_->Step()) return i;
    }
    return limit + 1;
  }
};

TEST_F(DriverTest, CreationMakesItsLogTheGlobalOneAndDestructionResetsIt) {
  TLog* before = GlobalLog();
  main_ = std::make_unique<TVYKMain>();
  EXPECT_EQ(GlobalLog(), &main_->Log());
  main_.reset();
  EXPECT_EQ(GlobalLog(), nullptr);
  SetGlobalLog(before);
}

TEST_F(DriverTest, ReplayingStoredStatesNeverComputesAndTheLastResetsTheStep) {
  CopyModel("fall");
  std::string history;
  ASSERT_TRUE(Load("fall.wld", history));
  ASSERT_TRUE(Steps(6));  // 5 recorded states
  main_.reset();
  ASSERT_TRUE(Load("fall.wld", history));
  TWorld& w = World();
  ASSERT_EQ(w.State.StoredStateCount, 5u);
  const std::size_t lines = FileLines("000/data.txt").size();
  w.State.TimeStep = w.Settings.MaximumTimestep / 4;  // as a halved step would have left it
  for (std::uint32_t k = 1; k < 5; ++k) {
    ASSERT_TRUE(main_->Step());
    EXPECT_EQ(w.State.CurrentState, k);
    EXPECT_EQ(w.State.Time, w.Model().History.Points.Items(k).Time);
    EXPECT_EQ(Q(0), w.Model().History.Points.Items(k).Coordinates.Q.At(0));
    EXPECT_EQ(w.State.TimeStep, k < 4 ? w.Settings.MaximumTimestep / 4 : w.Settings.MaximumTimestep) << k;
  }
  EXPECT_EQ(FileLines("000/data.txt").size(), lines);
  // From the last one the computation goes on.
  ASSERT_TRUE(main_->Step());
  EXPECT_EQ(w.State.Time, w.Model().History.Points.Items(4).Time + w.Settings.MaximumTimestep);
}

TEST_F(DriverTest, GoingBackReturnsToEarlierStatesAndReplaysThem) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  TWorld& w = World();
  ASSERT_TRUE(Steps(10));
  ASSERT_EQ(w.State.StoredStateCount, 9u);
  ASSERT_EQ(w.State.CurrentState, 8u);
  EXPECT_FALSE(main_->GoBackInHistory(9));  // needs 10 stored states
  ASSERT_TRUE(main_->GoBackInHistory(3));
  EXPECT_EQ(w.State.CurrentState, 6u);  // count - 1 = 2 states before the current one
  EXPECT_EQ(w.State.Time, w.Model().History.Points.Items(6).Time);
  ASSERT_TRUE(Steps(2));
  EXPECT_EQ(w.State.CurrentState, 8u);
  EXPECT_EQ(w.State.Time, w.Model().History.Points.Items(8).Time);
}

// M = y - 10 is singular at the start height: every attempt fails, down to the minimum step.
class FailingModelTest : public DriverTest {
 protected:
  void LoadFailing(bool going_back) {
    CopyModel("fall");
    WriteModelFile("fall.mmx", "b`Ball`y[t] - 10\n");
    WriteModelFile("fall.wld", std::string("[Main]\nnumberOfGeneralizedCoodinates=1\nmaximumTimestep=1e-3\n"
                                           "minimumTimestep=1e-9\nTryToSolveByGoingBack=") +
                                   (going_back ? "1" : "0") + "\n[Bodies]\nBody1=ball.bdy\n");
    ASSERT_TRUE(Load("fall.wld"));
    ClearNumericsError();
    main_->SetRunControl(&run_);
  }
  void TearDown() override {
    ClearNumericsError();
    DriverTest::TearDown();
  }
  test::FakeRunControl run_;
};

TEST_F(FailingModelTest, WithoutGoingBackTheFirstFailureAtTheMinimumStepStopsTheRun) {
  LoadFailing(false);
  // 1e-3 / 2^20 is the first step below 1e-9: twenty halvings, then the failure.
  EXPECT_EQ(StepsUntilFailure(100), 21);
  EXPECT_EQ(run_.stops, 1);
  const Strings lines = Lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "[Error] Minimum time step of 1E-9s reached at 0s.");
  EXPECT_EQ(lines.back(), "[Alert] Check bodies for possible overlapping.");
  EXPECT_EQ(Count("[Error] Minimum time step of 1E-9s reached at 0s."), 1u);
}

TEST_F(FailingModelTest, NumericsErrorStopsTheRunAtOnceEvenWithGoingBack) {
  LoadFailing(true);
  EXPECT_EQ(StepsUntilFailure(100), 21);
  EXPECT_EQ(run_.stops, 1);
  EXPECT_EQ(Count("[Error] Minimum time step of 1E-9s reached at 0s."), 1u);
}

// A box 2 cm inside the floor: every detection refuses the step, and no error is recorded in the
// numerics record.
class OverlapTest : public DriverTest {
 protected:
  void LoadOverlapping() {
    CopyModel("box");
    WriteModelFile(
        "box.bdy",
        "[Main]\nname=Box\nshapeType=extrusionsolid\nshapeFile=box.exs\ndensity=1000\nthickness=0.05\n"
        "[startPosition]\ny=0.03\n");
    WriteModelFile(
        "box.wld",
        "[Main]\nnumberOfGeneralizedCoodinates=3\nmaximumTimestep=1e-3\nminimumTimestep=1e-4\n"
        "maximumPenetration=1e-3\nTryToSolveByGoingBack=1\n[Bodies]\nBody1=box.bdy\nBody2=floor.bdy\n");
    ASSERT_TRUE(Load("box.wld"));
    main_->SetRunControl(&run_);
  }
  test::FakeRunControl run_;
};

TEST_F(OverlapTest, TooFewStoredStatesRepeatTheAttemptUntilTheLimit) {
  LoadOverlapping();
  // 1e-3 / 2^4 is the first step below 1e-4: four halvings, then one step that tries eleven times.
  EXPECT_EQ(StepsUntilFailure(100), 5);
  EXPECT_EQ(Count("[Error] Minimum time step of 0.0001s reached at 0s."), 11u);
  EXPECT_EQ(Count("[Alert] Check bodies for possible overlapping."), 11u);
  EXPECT_EQ(run_.stops, 1);
  EXPECT_EQ(NumericsErrorCode(), 0);
  EXPECT_EQ(World().State.Time, 0);
}

TEST_F(OverlapTest, HeadlessRunStopsOnTheFailedStep) {
  LoadOverlapping();
  main_->SetRunControl(nullptr);
  TRunLoop run(*main_);
  EXPECT_EQ(run.Run(), TRunStop::StepFailed);
  EXPECT_EQ(run.Steps, 5u);
  EXPECT_FALSE(World().Model().History.FilesOpen);
}

TEST_F(DriverTest, HeadlessRunStopsAfterTheBreakTime) {
  CopyModel("fall");
  WriteModelFile("fall.wld",
                 "[Main]\nnumberOfGeneralizedCoodinates=1\nmaximumTimestep=0.01\nbreakTime=0.505\n"
                 "[Bodies]\nBody1=ball.bdy\n");
  ASSERT_TRUE(Load("fall.wld"));
  TRunLoop run(*main_);
  EXPECT_EQ(run.Run(), TRunStop::BreakTime);
  TWorld& w = World();
  EXPECT_NEAR(w.Model().BreakTime, 0.515L, 1e-17L);
  // The first step that passes the break time ends the run.
  EXPECT_EQ(run.Steps, 52u);
  EXPECT_GT(w.State.Time, w.Model().BreakTime);
  EXPECT_EQ(Lines().back(), "[Alert] Break time of 0.515s reached.");
  // The count of stored states is lowered by one, as the simulation thread does.
  EXPECT_EQ(w.State.StoredStateCount, w.Model().History.Points.Count() - 1);
  EXPECT_FALSE(w.Model().History.FilesOpen);
}

TEST_F(DriverTest, HeadlessRunUntilATime) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  TRunLoop run(*main_);
  EXPECT_EQ(run.Run(0.1L), TRunStop::Until);
  EXPECT_EQ(run.Steps, 100u);
  EXPECT_NEAR(World().State.Time, 0.1L, 1e-15L);
}

TEST_F(DriverTest, DestructionRemovesAnEmptyNewHistoryAndKeepsOneWithData) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  main_.reset();
  EXPECT_FALSE(DirectoryExists(dir_.File("000")));
  ASSERT_TRUE(Load("fall.wld"));
  ASSERT_TRUE(Steps(10));
  main_.reset();
  ASSERT_TRUE(DirectoryExists(dir_.File("000")));
  // The run's first and last recorded times in lines 2 and 3 of the saved history log.
  const Strings log = FileLines("000/log.txt");
  ASSERT_GE(log.size(), 5u);
  EXPECT_EQ(log[2], "0");
  EXPECT_EQ(log[3], "0.008");
}

TEST_F(DriverTest, ContactImpulsesReachTheWatchesOfTheVertexAndOfTheEdgeEnds) {
  CopyModel("box");
  WriteModelFile("box.wtc", "[Box]\ncontactwatch=all\n[Floor]\ncontactwatch=2,[3]\n");
  ASSERT_TRUE(Load("box.wld"));
  TWorld& w = World();
  ASSERT_EQ(w.Model().Watches.Names, (Strings{"Box#0", "Box#1", "Box#2", "Box#3", "Floor#2", "Floor#[3]"}));
  // A contact of the box's point 1 with the floor's top edge from point 2 to point 3, a quarter along.
  auto contact = std::make_unique<TContact>(w.Model().Bodies, w.State.Evaluated.Count(), &w.Model().ContactProperties);
  contact->EdgeBody = 1;
  contact->EdgeIndex = 2;
  contact->EdgeParameter = 0.25L;
  contact->VertexBody = 0;
  contact->VertexIndex = 1;
  contact->Tangent.X.Set(-1);  // the top edge runs to -x
  contact->Tangent.Y.Set(0);
  contact->Impulse.Normal.Set(2);
  contact->Impulse.Tangent.Set(0.5L);
  main_->Collisions().Contacts = std::make_unique<TContactPoints>();
  main_->Collisions().Contacts->Add(std::move(contact));
  ASSERT_TRUE(main_->UpdateContactWatches(true));
  const TWatchesData& step = w.Model().Watches.StepData;
  EXPECT_EQ(step.NormalImpulse.At(1), 2);  // the vertex, weight 1
  EXPECT_EQ(step.TangentialImpulse.At(1), 0.5L);
  EXPECT_EQ(step.NormalImpulse.At(4), 1.5L);  // the edge's start point, weight 1 - 0.25
  EXPECT_EQ(step.TangentialImpulse.At(4), 0.375L);
  // The end point's watch is of the x-y kind: weight 0.25 of the impulse in world x and y.
  // N = (-Ty, Tx) = (0, -1): x = -n Ty + t Tx = -0.5, y = n Tx + t Ty = -2.
  EXPECT_EQ(step.NormalImpulse.At(5), -0.125L);
  EXPECT_EQ(step.TangentialImpulse.At(5), -0.5L);
  for (std::uint32_t i : {0u, 2u, 3u}) EXPECT_EQ(step.NormalImpulse.At(i), 0) << i;
  // Without contacts the step's values are folded into the record and cleared.
  ASSERT_TRUE(main_->UpdateContactWatches(false));
  EXPECT_EQ(w.Model().Watches.Data.NormalImpulse.At(1), 2);
  EXPECT_EQ(w.Model().Watches.StepData.NormalImpulse.At(1), 0);
}

}  // namespace
}  // namespace zentrova
