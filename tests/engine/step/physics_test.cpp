// Whole runs of small models against their analytic answers.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "driver_test_support.h"
#include "engine/step/run_loop.h"
#include "engine/contact/contact_points.h"
#include "numerics/numerics_error.h"
#include "platform/number_text.h"

namespace zentrova {
namespace {

constexpr long double kG = 9.81L;

using PhysicsTest = test::ModelTest;

TEST_F(PhysicsTest, FreeFall) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  TRunLoop run(*main_);
  ASSERT_EQ(run.Run(), TRunStop::BreakTime);
  const TGeneralizedCoordinatesHistoryList& points = World().Model().History.Points;
  ASSERT_EQ(points.Count(), 1000u);  // t = 0 .. 0.999: the break time's state is not recorded
  for (std::uint32_t i = 0; i < points.Count(); ++i) {
    const TGeneralizedCoordinatesHistory& p = points.Items(i);
    const long double t = p.Time;
    const long double y = 10 - kG * t * t / 2;
    ASSERT_NEAR(p.Coordinates.Q.At(0), y, 1e-12L * y) << "t = " << static_cast<double>(t);
    ASSERT_NEAR(p.Coordinates.QDot.At(0), -kG * t, 1e-12L * (1 + kG * t));
  }
  // The recorded lines carry the same numbers.
  EXPECT_EQ(FileLines("000/data.txt").size(), points.Count());
}

// The bar pendulum swings through 1.2 rad for 10 s without touching anything.
TEST_F(PhysicsTest, PendulumConservesItsEnergy) {
  CopyModel("pendulum");
  ASSERT_TRUE(Load("pendulum.wld"));
  TRunLoop run(*main_);
  ASSERT_EQ(run.Run(), TRunStop::BreakTime);
  const TGeneralizedCoordinatesHistoryList& points = World().Model().History.Points;
  ASSERT_GT(points.Count(), 900u);
  const long double e0 = points.Items(0).MechanicalEnergy;
  long double lowest = 0;
  long double highest = 0;
  for (std::uint32_t i = 0; i < points.Count(); ++i) {
    ASSERT_NEAR(points.Items(i).MechanicalEnergy, e0, 1e-9L * std::fabs(e0)) << i;
    lowest = std::min(lowest, points.Items(i).Coordinates.Q.At(0));
    highest = std::max(highest, points.Items(i).Coordinates.Q.At(0));
  }
  // It swings from one side to the other (the records are 10 ms apart).
  EXPECT_NEAR(lowest, -1.2L, 1e-4L);
  EXPECT_NEAR(highest, 1.2L, 1e-4L);
}

// A compound pendulum of mass m, centre at c from the pivot and inertia J about its centre swings with
// the period 2 pi sqrt((J + m c^2) / (m g c)) at small amplitudes.
TEST_F(PhysicsTest, PendulumPeriodAtSmallAmplitude) {
  CopyModel("pendulum");
  WriteModelFile(
      "bar.bdy",
      "[Main]\nname=Bar\nshapeType=extrusionsolid\nshapeFile=bar.exs\ndensity=2700\nthickness=0.02\n"
      "[startPosition]\nRz=0.001\n");
  ASSERT_TRUE(Load("pendulum.wld"));
  const TBody& bar = World().Model().Bodies.Items(0);
  const long double m = 0.6L * 0.04L * 0.02L * 2700;
  ASSERT_NEAR(bar.Mass, m, 1e-15L);
  ASSERT_NEAR(bar.Inertia.ZZ, m * (0.04L * 0.04L + 0.6L * 0.6L) / 12, 1e-15L);
  const long double c = 0.3L;
  const long double period =
      2 * std::numbers::pi_v<long double> * std::sqrt((bar.Inertia.ZZ + m * c * c) / (m * kG * c));
  // Half a period later the bar is at the other side.
  TRunLoop run(*main_);
  ASSERT_EQ(run.Run(period / 2), TRunStop::Until);
  const long double left = period / 2 - World().State.Time;  // within half a step of it
  const long double omega = 2 * std::numbers::pi_v<long double> / period;
  EXPECT_NEAR(Q(0), -0.001L * std::cos(omega * left), 1e-9L);
}

class BoxTest : public test::ModelTest {
 protected:
  // The box of 0.2 m x 0.1 m and 1 kg on the floor, its bottom at `bottom` above the floor.
  void LoadBox(long double bottom, long double rz, long double vx, long double vy,
               const std::string& extra_cop = "") {
    CopyModel("box");
    WriteModelFile("box.bdy",
                   "[Main]\nname=Box\nshapeType=extrusionsolid\nshapeFile=box.exs\ndensity=1000\n"
                   "thickness=0.05\n[startPosition]\ny=" +
                       FloatToText(bottom + 0.05L) + "\nRz=" + FloatToText(rz) +
                       "\n[startVelocity]\nx=" + FloatToText(vx) + "\ny=" + FloatToText(vy) + "\n");
    if (!extra_cop.empty()) WriteModelFile("box.cop", extra_cop);
    ASSERT_TRUE(Load("box.wld"));
    ASSERT_NEAR(World().Model().Bodies.Items(0).Mass, 1, 1e-15L);
  }
};

TEST_F(BoxTest, FlatDropReboundsWithTheRestitutionOfItsApproach) {
  LoadBox(0.2L, 0, 0, 0);
  TWorld& w = World();
  bool bounced = false;
  for (int i = 0; i < 2000 && !bounced; ++i) {
    const long double approach = QDot(1);
    ASSERT_TRUE(main_->Step());
    if (!w.State.ImpulseApplied) continue;
    bounced = true;
    // The saved state of the impact step carries the velocities right after the impact.
    const TCoordinateList& after = w.State.Current;
    EXPECT_LT(approach, -1.9L);  // about sqrt(2 g 0.2)
    EXPECT_NEAR(after.QDot.At(1), -0.5L * approach, 1e-9L * std::fabs(approach));
    EXPECT_NEAR(after.QDot.At(0), 0, 1e-12L);
    EXPECT_NEAR(after.QDot.At(2), 0, 1e-12L);
  }
  EXPECT_TRUE(bounced);
}

// The box stands on the floor at rest: its contacts carry its weight. Over a second it stays put (the
// contacts may come and go by round-off, leaving a tremor of micrometres).
TEST_F(BoxTest, RestingBoxIsCarriedByItsWeight) {
  LoadBox(0, 0, 0, 0);
  TWorld& w = World();
  ASSERT_TRUE(Steps(1));
  TCollisions& c = main_->Collisions();
  ASSERT_TRUE(c.ContactsPrepared());
  ASSERT_TRUE(c.HasRestingContacts);
  EXPECT_FALSE(c.HasImpacts);
  ASSERT_EQ(c.RestingContacts->Count(), 2);
  long double total = 0;
  for (std::int32_t i = 0; i < c.RestingContacts->Count(); ++i)
    total += c.RestingContacts->Items(i).Force.Normal.Get();
  EXPECT_NEAR(total, kG, 1e-9L * kG);
  EXPECT_NEAR(w.State.ContactForces.At(1), kG, 1e-9L * kG);
  EXPECT_NEAR(w.State.Current.QDDot.At(1), 0, 1e-9L);
  TRunLoop run(*main_);
  ASSERT_EQ(run.Run(), TRunStop::BreakTime);
  EXPECT_NEAR(Q(0), 0, 1e-5L);
  EXPECT_NEAR(Q(1), 0.05L, 1e-5L);
  EXPECT_NEAR(Q(2), 0, 1e-3L);
}

// Landing at 1e-11 m/s the impact's work is below 1e-20 J: it applies nothing, the contacts rest, and
// the state accepted with it carries no velocity jump that a roll-back would take off.
TEST_F(BoxTest, NegligibleImpactAcceptsNoVelocityJump) {
  LoadBox(0, 0, 0, -1e-11L);
  TWorld& w = World();
  ASSERT_TRUE(Steps(1));
  TCollisions& c = main_->Collisions();
  EXPECT_FALSE(c.ImpulseApplied);
  EXPECT_TRUE(c.HasRestingContacts);
  EXPECT_TRUE(w.State.AtCollision);
  EXPECT_FALSE(w.State.ImpulseApplied);
  EXPECT_EQ(w.State.Current.QDot.At(1), -1e-11L);
  w.RestoreSavedState(true);
  EXPECT_EQ(QDot(1), -1e-11L);
}

// Sliding with v0 against friction mu, the box stops after v0^2 / (2 mu g), whichever way it slides.
TEST_F(BoxTest, SlidingBoxStopsAfterItsFrictionDistance) {
  const long double mu = 0.3L;
  const long double v0 = 1;
  const long double distance = v0 * v0 / (2 * mu * kG);
  for (long double direction : {1.0L, -1.0L}) {
    main_.reset();
    LoadBox(0, 0, direction * v0, 0);
    TRunLoop run(*main_);
    ASSERT_EQ(run.Run(0.6L), TRunStop::Until);  // it stops after v0 / (mu g) = 0.34 s
    EXPECT_NEAR(Q(0), direction * distance, 0.01L * distance) << static_cast<double>(direction);
    EXPECT_NEAR(QDot(0), 0, mu * kG * World().Settings.MaximumTimestep);
    EXPECT_NEAR(Q(1), 0.05L, 1e-5L);
    EXPECT_NEAR(Q(2), 0, 1e-3L);
  }
}

// Falling at 4 m/s from half a millimetre above the floor: one step of 1 ms would move it 4 mm into the
// floor, while only 1 mm is allowed. The refused steps are halved until the box lands within the limit.
TEST_F(BoxTest, StepTooLargeForThePenetrationLimitIsRefusedAndHalved) {
  LoadBox(0.0005L, 0, 0, -4);
  TWorld& w = World();
  std::vector<long double> refused_steps;
  bool landed = false;
  for (int i = 0; i < 50 && !landed; ++i) {
    const long double time = w.State.Time;
    const long double step = w.State.TimeStep;
    ASSERT_TRUE(main_->Step());
    if (w.State.Time == w.State.SavedTime && w.State.Time < time + step / 2) {
      refused_steps.push_back(step);  // rolled back to the start of the last step
      EXPECT_EQ(w.State.TimeStep, step / 2);
    }
    // No accepted state lies deeper in the floor than the limit.
    EXPECT_GE(w.State.Current.Q.At(1), 0.05L - w.Settings.MaximumPenetration);
    landed = w.State.ImpulseApplied;
  }
  EXPECT_TRUE(landed);
  ASSERT_GE(refused_steps.size(), 2u);
  EXPECT_EQ(refused_steps.front(), 1e-3L);
  EXPECT_LT(w.State.TimeStep, w.Settings.MaximumTimestep);
}

// A limit of 1e-12 m per step cannot be met by a box landing at 1 m/s with steps of at least 1e-6 s:
// every attempt at the landing fails. The driver goes back in the history further each time, replays,
// fails again, and stops after its last attempt.
TEST_F(BoxTest, GoingBackAfterRepeatedFailuresEndsTheRun) {
  CopyModel("box");
  WriteModelFile("box.wld",
                 "[Main]\nnumberOfGeneralizedCoodinates=3\nmaximumTimestep=1e-3\nminimumTimestep=1e-6\n"
                 "maximumPenetration=1e-12\nTryToSolveByGoingBack=1\nwriteToHistoryEachTimeStep=1\n"
                 "[Bodies]\nBody1=box.bdy\nBody2=floor.bdy\n");
  WriteModelFile(
      "box.bdy",
      "[Main]\nname=Box\nshapeType=extrusionsolid\nshapeFile=box.exs\ndensity=1000\nthickness=0.05\n"
      "[startPosition]\ny=0.1\n");
  ASSERT_TRUE(Load("box.wld"));
  TWorld& w = World();
  test::FakeRunControl run;
  main_->SetRunControl(&run);
  std::uint32_t lowest_state = 0;
  std::uint32_t replays = 0;
  int steps = 0;
  for (; steps < 20000; ++steps) {
    const std::uint32_t stored = w.State.StoredStateCount;
    if (!main_->Step()) break;
    if (w.State.CurrentState + 1 < w.State.StoredStateCount && w.State.StoredStateCount == stored) {
      ++replays;
      lowest_state = lowest_state == 0 ? w.State.CurrentState : std::min(lowest_state, w.State.CurrentState);
    }
  }
  ASSERT_LT(steps, 20000);
  EXPECT_EQ(run.stops, 1);
  EXPECT_GT(replays, 10u);
  // The eleventh failure ends the run; each one before it went back one state further.
  std::size_t failures = 0;
  for (const std::string& line : Lines())
    failures += line.rfind("[Error] Minimum time step of 1E-6s", 0) == 0;
  EXPECT_EQ(failures, 11u);
  // The tenth going back (by 11) leaves the driver, after its first replay, ten states before the end.
  EXPECT_EQ(lowest_state + 10, w.State.StoredStateCount);
  EXPECT_EQ(NumericsErrorCode(), 0);
}

}  // namespace
}  // namespace zentrova
