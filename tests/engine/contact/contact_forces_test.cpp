// Resting contact forces against statics and Coulomb friction: a box standing, sliding, sticking and
// slipping on a floor, level and inclined, and a triangle pivoting on its apex.
#include <gtest/gtest.h>

#include <cmath>

#include "collisions_test_support.h"
#include "engine/contact/collisions.h"

namespace zentrova::test {
namespace {

class ContactForcesTest : public CollisionsTest {
 protected:
  // The sum over the resting contacts of their normal or tangential force.
  long double SumOfForces(bool normal) const {
    long double sum = 0;
    for (std::int32_t i = 0; i < collisions_.RestingContacts->Count(); ++i) {
      const TContact& c = collisions_.RestingContacts->Items(i);
      sum += normal ? c.Force.Normal.Get() : c.Force.Tangent.Get();
    }
    return sum;
  }
  // The generalized contact forces in units of the weight.
  void ExpectForcesPerWeight(long double fx, long double fy, long double torque, double tolerance = 1e-9) {
    for (std::uint32_t i = 0; i < 3; ++i) {
      EXPECT_NEAR(static_cast<double>(world_.State.ContactForces.At(i) / kWeight),
                  static_cast<double>(i == 0 ? fx : i == 1 ? fy : torque), tolerance) << i;
    }
  }
  static constexpr long double kWeight = kBoxMass * kGravity;
};

TEST_F(ContactForcesTest, BoxStandingOnTheFloorCarriesItsWeight) {
  LoadBoxOnFloor("y=0.5\r\n", "", "friction=0.5\r\n");
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_EQ(collisions_.StickingContacts->Count(), 2);
  ASSERT_TRUE(collisions_.SolveContactForces());
  for (std::int32_t i = 0; i < 2; ++i) {
    const TContact& c = collisions_.RestingContacts->Items(i);
    EXPECT_NEAR(static_cast<double>(c.Force.Normal.Get() / kWeight), 0.5, 1e-9);
    // Nothing pulls sideways: the two friction variables cancel.
    EXPECT_NEAR(static_cast<double>(c.Force.Tangent.Get()), 0.0, 1e-12);
    EXPECT_NEAR(static_cast<double>(c.Work.Get()), 0.0, 1e-15);
  }
  ExpectForcesPerWeight(0, 1, 0);  // the weight held, no push, no torque
}

// Coulomb friction brakes a sliding box with mu m g whichever way it slides; the normal forces shift so
// that the box does not turn, and the friction's work over the step is dissipated.
class SlidingBoxTest : public ContactForcesTest, public ::testing::WithParamInterface<long double> {};

TEST_P(SlidingBoxTest, FrictionOpposesTheSliding) {
  const long double vx = GetParam(), sign = vx > 0 ? 1 : -1;
  LoadBoxOnFloor("y=0.5\r\n", "x=" + Num(vx) + "\r\n", "friction=0.4\r\n",
                 "maximumPenetration=1e-3\r\nmaximumTimestep=1e-4\r\n");
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_EQ(collisions_.SlidingContacts->Count(), 2);
  ASSERT_TRUE(collisions_.SolveContactForces());
  ExpectForcesPerWeight(-sign * 0.4L, 1, 0);
  for (std::int32_t i = 0; i < 2; ++i) {
    const TContact& c = collisions_.SlidingContacts->Items(i);
    // vT = vx along the tangent (-1, 0): the friction is -sign(vT) mu N.
    EXPECT_NEAR(static_cast<double>(c.Force.Tangent.Get()), static_cast<double>(-sign * 0.4L * c.Force.Normal.Get()),
                1e-12);
    EXPECT_NEAR(static_cast<double>(c.Work.Get()),
                static_cast<double>(-0.4L * c.Force.Normal.Get() * std::fabs(vx) * 1e-4L), 1e-15);
  }
}

INSTANTIATE_TEST_SUITE_P(BothWays, SlidingBoxTest, ::testing::Values(1.5L, -1.5L));

// On a slope of 0.2 rad, its bottom 1e-9 m inside, at rest: with mu = 0.5 > tan 0.2 the box sticks, the
// floor carries m g cos 0.2 across and m g sin 0.2 along the slope and holds the weight exactly. With
// mu = 0.1 it slips: the friction is mu m g cos 0.2 and the box accelerates down the slope with
// g (sin 0.2 - mu cos 0.2).
class SlopeTest : public ContactForcesTest, public ::testing::WithParamInterface<long double> {};

TEST_P(SlopeTest, BoxSticksOrSlips) {
  const long double mu = GetParam(), angle = 0.2L, c = std::cos(angle), s = std::sin(angle), d = 0.5L - 1e-9L;
  const bool sticks = mu > std::tan(angle);
  LoadBoxOnFloor("x=" + Num(-s * d) + "\r\ny=" + Num(c * d) + "\r\nRz=" + Num(angle) + "\r\n", "",
                 "friction=" + Num(mu) + "\r\n", "maximumPenetration=1e-3\r\n", "Rz=" + Num(angle) + "\r\n");
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_EQ(collisions_.StickingContacts->Count(), 2);
  ASSERT_TRUE(collisions_.SolveContactForces());
  EXPECT_NEAR(static_cast<double>(SumOfForces(true) / kWeight), static_cast<double>(c), 1e-9);
  EXPECT_NEAR(static_cast<double>(std::fabs(SumOfForces(false)) / kWeight), static_cast<double>(sticks ? s : mu * c),
              1e-9);
  // The acceleration along and across the slope; no torque.
  const long double ax = (h_.At(0) + world_.State.ContactForces.At(0)) / kBoxMass;
  const long double ay = (h_.At(1) + world_.State.ContactForces.At(1)) / kBoxMass;
  EXPECT_NEAR(static_cast<double>(-(ax * c + ay * s) / kGravity), static_cast<double>(sticks ? 0 : s - mu * c), 1e-9);
  EXPECT_NEAR(static_cast<double>((-ax * s + ay * c) / kGravity), 0.0, 1e-9);
  EXPECT_NEAR(static_cast<double>(world_.State.ContactForces.At(2) / kWeight), 0.0, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(StickingAndSlipping, SlopeTest, ::testing::Values(0.5L, 0.1L));

// A triangle turned by 0.3 rad, spinning at w = 3 rad/s about its apex, which rests on the floor and does
// not move: the sticking apex is a pivot. With r from the centre to the apex, the apex's acceleration
// a - alpha (ry, -rx) - w^2 r = 0 and J alpha = r x F give alpha = m g rx / (J + m r^2) and
// F = m (alpha ry + w^2 rx, -alpha rx + w^2 ry + g): the centripetal w^2 r, part of the contact's bias,
// must enter with its sign.
TEST_F(ContactForcesTest, SpinningTriangleSticksOnItsApexAsOnAPivot) {
  const long double angle = 0.3L, w = 3, m = kPuckMass, j = 1;
  const long double rx = 0.5L * std::sin(angle), ry = -0.5L * std::cos(angle);
  LoadPuck("y=" + Num(-ry - 1e-9L) + "\r\nRz=" + Num(angle) + "\r\n",
           "x=" + Num(w * ry) + "\r\ny=" + Num(-w * rx) + "\r\nRz=" + Num(w) + "\r\n", "friction=0.5\r\n", true,
           "maximumPenetration=1e-3\r\nZeroVelocityTolerance=1e-9\r\n");
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_EQ(collisions_.StickingContacts->Count(), 1);
  ASSERT_TRUE(collisions_.SolveContactForces());
  const long double alpha = m * kGravity * rx / (j + m * (rx * rx + ry * ry));
  const long double fx = m * (alpha * ry + w * w * rx), fy = m * (-alpha * rx + w * w * ry + kGravity);
  const TFloatList& f = world_.State.ContactForces;
  EXPECT_NEAR(static_cast<double>(f.At(0)), static_cast<double>(fx), 1e-9);
  EXPECT_NEAR(static_cast<double>(f.At(1)), static_cast<double>(fy), 1e-9);
  EXPECT_NEAR(static_cast<double>(f.At(2)), static_cast<double>(rx * fy - ry * fx), 1e-9);
  EXPECT_NEAR(static_cast<double>(collisions_.RestingContacts->Items(0).Force.Normal.Get()), static_cast<double>(fy),
              1e-9);
}

TEST_F(ContactForcesTest, NothingToSolveOrGeneralizedForcesOfTheWrongSize) {
  LoadBoxOnFloor("y=0.5\r\n", "y=1\r\n", "friction=0.5\r\n");  // separating
  ASSERT_TRUE(collisions_.Detect());
  world_.State.ContactForces.SetAt(1, 7);
  EXPECT_TRUE(collisions_.SolveContactForces());
  EXPECT_EQ(world_.State.ContactForces.At(1), 7);
  QDot(1) = 0;
  h_.Dim(2);
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_FALSE(collisions_.SolveContactForces());
  EXPECT_EQ(world_.State.ContactForces.At(1), 7);
  EXPECT_EQ(collisions_.RestingContacts->Items(0).Force.Normal.Get(), 0);
  EXPECT_EQ(NewLines(), (std::vector<std::string>{
                            "[Error] The generalized force vector does not have 3 values: resting contacts "
                            "cannot be solved."}));
}

}  // namespace
}  // namespace zentrova::test
