// Whole runs of small models against their analytic answers.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "driver_test_support.h"
#include "engine/contact/contact_points.h"
#include "engine/step/run_loop.h"
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
    const long double t = points.Items(i).Time, y = 10 - kG * t * t / 2;
    ASSERT_NEAR(points.Items(i).Coordinates.Q.At(0), y, 1e-12L * y) << "t = " << static_cast<double>(t);
    ASSERT_NEAR(points.Items(i).Coordinates.QDot.At(0), -kG * t, 1e-12L * (1 + kG * t));
  }
}

// A compound pendulum of mass m, centre at c from the pivot and inertia J about its centre swings with
// the period 2 pi sqrt((J + m c^2) / (m g c)) at small amplitudes: half a period later it is at the
// other side.
TEST_F(PhysicsTest, PendulumPeriodAtSmallAmplitude) {
  CopyModel("pendulum");
  WriteModelFile("bar.bdy",
                 "[Main]\nname=Bar\nshapeType=extrusionsolid\nshapeFile=bar.exs\ndensity=2700\nthickness=0.02\n"
                 "[startPosition]\nRz=0.001\n");
  ASSERT_TRUE(Load("pendulum.wld"));
  const TBody& bar = World().Model().Bodies.Items(0);
  const long double m = 0.6L * 0.04L * 0.02L * 2700, c = 0.3L;
  ASSERT_NEAR(bar.Mass, m, 1e-15L);
  ASSERT_NEAR(bar.Inertia.ZZ, m * (0.04L * 0.04L + 0.6L * 0.6L) / 12, 1e-15L);
  const long double period = 2 * std::numbers::pi_v<long double> * std::sqrt((bar.Inertia.ZZ + m * c * c) / (m * kG * c));
  TRunLoop run(*main_);
  ASSERT_EQ(run.Run(period / 2), TRunStop::Until);
  const long double left = period / 2 - World().State.Time;  // within half a step of it
  EXPECT_NEAR(Q(0), -0.001L * std::cos(2 * std::numbers::pi_v<long double> / period * left), 1e-9L);
}

class BoxTest : public test::ModelTest {
 protected:
  // The box of 0.2 m x 0.1 m and 1 kg on the floor, its bottom at `bottom` above the floor.
  void LoadBox(long double bottom, long double vx, long double vy) {
    main_.reset();
    CopyModel("box");
    WriteModelFile("box.bdy", "[Main]\nname=Box\nshapeType=extrusionsolid\nshapeFile=box.exs\ndensity=1000\n"
                              "thickness=0.05\n[startPosition]\ny=" + FloatToText(bottom + 0.05L) +
                                  "\n[startVelocity]\nx=" + FloatToText(vx) + "\ny=" + FloatToText(vy) + "\n");
    ASSERT_TRUE(Load("box.wld"));
  }
};

// The box stands on the floor at rest: its contacts carry its weight, and over a second it stays put (the
// contacts may come and go by round-off, leaving a tremor of micrometres).
TEST_F(BoxTest, RestingBoxIsCarriedByItsWeight) {
  LoadBox(0, 0, 0);
  ASSERT_TRUE(Steps(1));
  TCollisions& c = main_->Collisions();
  ASSERT_TRUE(c.HasRestingContacts);
  EXPECT_FALSE(c.HasImpacts);
  ASSERT_EQ(c.RestingContacts->Count(), 2);
  EXPECT_NEAR(c.RestingContacts->Items(0).Force.Normal.Get() + c.RestingContacts->Items(1).Force.Normal.Get(), kG,
              1e-9L * kG);
  EXPECT_NEAR(World().State.ContactForces.At(1), kG, 1e-9L * kG);
  EXPECT_NEAR(World().State.Current.QDDot.At(1), 0, 1e-9L);
  TRunLoop run(*main_);
  ASSERT_EQ(run.Run(), TRunStop::BreakTime);
  EXPECT_NEAR(Q(0), 0, 1e-5L);
  EXPECT_NEAR(Q(1), 0.05L, 1e-5L);
  EXPECT_NEAR(Q(2), 0, 1e-3L);
}

// Landing at 1e-11 m/s the impact's work is below 1e-20 J: it applies nothing, the contacts rest, and the
// state accepted with it carries no velocity jump that a roll-back would take off.
TEST_F(BoxTest, NegligibleImpactAcceptsNoVelocityJump) {
  LoadBox(0, 0, -1e-11L);
  ASSERT_TRUE(Steps(1));
  EXPECT_FALSE(main_->Collisions().ImpulseApplied);
  EXPECT_TRUE(main_->Collisions().HasRestingContacts);
  EXPECT_TRUE(World().State.AtCollision);
  EXPECT_FALSE(World().State.ImpulseApplied);
  World().RestoreSavedState(true);
  EXPECT_EQ(QDot(1), -1e-11L);
}

// Sliding with v0 against friction mu, the box stops after v0^2 / (2 mu g), whichever way it slides.
TEST_F(BoxTest, SlidingBoxStopsAfterItsFrictionDistance) {
  const long double mu = 0.3L, v0 = 1, distance = v0 * v0 / (2 * mu * kG);
  for (long double direction : {1.0L, -1.0L}) {
    LoadBox(0, direction * v0, 0);
    TRunLoop run(*main_);
    ASSERT_EQ(run.Run(0.6L), TRunStop::Until);  // it stops after v0 / (mu g) = 0.34 s
    EXPECT_NEAR(Q(0), direction * distance, 0.01L * distance) << static_cast<double>(direction);
    EXPECT_NEAR(QDot(0), 0, mu * kG * World().Settings.MaximumTimestep);
    EXPECT_NEAR(Q(1), 0.05L, 1e-5L);
    EXPECT_NEAR(Q(2), 0, 1e-3L);
  }
}

// A limit of 1e-12 m per step cannot be met by a box landing at 1 m/s with steps of at least 1e-6 s:
// every attempt at the landing fails. The driver goes back in the history further each time, replays,
// fails again, and stops after its eleventh failure; the tenth going back (by 11) left it, after its
// first replay, ten states before the end.
TEST_F(BoxTest, GoingBackAfterRepeatedFailuresEndsTheRun) {
  LoadBox(0.05L, 0, 0);
  WriteModelFile("box.wld", "[Main]\nnumberOfGeneralizedCoodinates=3\nmaximumTimestep=1e-3\nminimumTimestep=1e-6\n"
                            "maximumPenetration=1e-12\nTryToSolveByGoingBack=1\nwriteToHistoryEachTimeStep=1\n"
                            "[Bodies]\nBody1=box.bdy\nBody2=floor.bdy\n");
  ASSERT_TRUE(Load("box.wld"));
  test::FakeRunControl run;
  main_->SetRunControl(&run);
  std::uint32_t lowest_state = 0, replays = 0;
  for (int steps = 0;; ++steps) {
    ASSERT_LT(steps, 20000);
    const std::uint32_t stored = World().State.StoredStateCount;
    if (!main_->Step()) break;
    if (World().State.CurrentState + 1 < World().State.StoredStateCount && World().State.StoredStateCount == stored) {
      ++replays;
      lowest_state = lowest_state == 0 ? World().State.CurrentState : std::min(lowest_state, World().State.CurrentState);
    }
  }
  EXPECT_EQ(run.stops, 1);
  EXPECT_GT(replays, 10u);
  std::size_t failures = 0;
  for (const std::string& line : Lines()) failures += line.rfind("[Error] Minimum time step of 1E-6s", 0) == 0;
  EXPECT_EQ(failures, 11u);
  EXPECT_EQ(lowest_state + 10, World().State.StoredStateCount);
  EXPECT_EQ(NumericsErrorCode(), 0);
}

}  // namespace
}  // namespace zentrova
