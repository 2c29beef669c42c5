#include "engine/step/integration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "driver_test_support.h"
#include "numerics/numerics_error.h"

namespace zentrova {
namespace {

using IntegrationTest = test::ModelTest;

TEST_F(IntegrationTest, DerivativesInterleaveVelocitiesAndAccelerations) {
  CopyModel("box");
  ASSERT_TRUE(Load("box.wld"));
  TCoordinateList& q = World().State.Evaluated;
  q.QDot.SetAt(0, 0.5L);
  q.QDot.SetAt(1, -1.5L);
  q.QDot.SetAt(2, 2);
  TFloatList D;
  ASSERT_TRUE(main_->Integration().Derivatives(D));
  ASSERT_EQ(D.Count(), 6u);
  EXPECT_EQ(D.At(0), 0.5L);
  EXPECT_EQ(D.At(2), -1.5L);
  EXPECT_NEAR(D.At(3), -9.81L, 1e-15L);
  EXPECT_EQ(D.At(4), 2);
  EXPECT_EQ(D.At(5), 0);
}

// M = y - 1 with h = -4, from y = 0 at rest and a step of 1: the stages see y = 0, 0 and then 1, where
// M is singular.
TEST_F(IntegrationTest, FailingThirdStageLeavesTheTimeAtHalfStep) {
  CopyModel("fall");
  WriteModelFile("fall.wld", "[Main]\nnumberOfGeneralizedCoodinates=1\nmaximumTimestep=1\n[Bodies]\nBody1=ball.bdy\n");
  WriteModelFile("ball.bdy", "[Main]\nname=Ball\nshapeType=none\n[Mass properties]\nmass=1\n");
  WriteModelFile("fall.mmx", "b`Ball`y[t] - 1\n");
  WriteModelFile("fall.hv", "-4\n");
  ASSERT_TRUE(Load("fall.wld"));
  EXPECT_FALSE(main_->Integration().Step());
  EXPECT_EQ(World().State.Time, 0.5L);
  EXPECT_EQ(Q(0), 1);  // the third stage's state
  EXPECT_EQ(World().State.Current.Q.At(0), 0);  // the start was saved before the stages
  EXPECT_EQ(Lines().back(), "[Error] Error in mass matrix inversion (possibly singular).");
  ClearNumericsError();
}

TEST_F(IntegrationTest, StepAfterContactIsAnEulerStepFlaggedAtCollision) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  TWorld& w = World();
  ASSERT_TRUE(Steps(2));
  const long double t0 = w.State.Time, dt = w.State.TimeStep, y0 = Q(0), v0 = QDot(0);
  // A contact force that carries half the weight of 2 kg: q'' = (h + F) / m = -g / 2.
  w.State.ContactForces.SetAt(0, 9.81L);
  ASSERT_TRUE(main_->Integration().StepAfterContact(nullptr));
  EXPECT_EQ(w.State.Time, t0 + dt);
  EXPECT_EQ(w.State.SavedTime, t0);
  EXPECT_TRUE(w.State.AtCollision);
  EXPECT_FALSE(w.State.ImpulseApplied);
  EXPECT_EQ(Q(0), y0 + v0 * dt);
  EXPECT_NEAR(QDot(0), v0 - 9.81L / 2 * dt, 1e-18L);
  EXPECT_NEAR(w.State.Current.QDDot.At(0), -9.81L / 2, 1e-18L);
}

// The pendulum over 0.5 s with steps of 1/100, 1/200 and a reference of 1/1600 s: halving the step
// divides the error by about 2^4.
TEST_F(IntegrationTest, RungeKuttaStepIsOfFourthOrder) {
  auto angle_at = [this](long double dt) {
    main_.reset();
    CopyModel("pendulum");
    EXPECT_TRUE(Load("pendulum.wld"));
    World().State.TimeStep = dt;
    for (long long i = 0; i < std::llround(0.5L / dt); ++i) EXPECT_TRUE(main_->Integration().Step());
    return Q(0);
  };
  const long double reference = angle_at(1.0L / 1600);
  const long double coarse = std::fabs(angle_at(1.0L / 100) - reference);
  const long double fine = std::fabs(angle_at(1.0L / 200) - reference);
  ASSERT_GT(fine, 0);
  EXPECT_GT(coarse / fine, 13);
  EXPECT_LT(coarse / fine, 19);
}

}  // namespace
}  // namespace zentrova
