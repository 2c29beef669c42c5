// Resting contact forces against statics and Coulomb friction: a box standing, sliding and stopping on a
// floor, level and inclined.
#include <gtest/gtest.h>

#include <cmath>

#include "collisions_test_support.h"
#include "engine/contact/collisions.h"

namespace zentrova::test {
namespace {

class ContactForcesTest : public CollisionsTest {
 protected:
  // Sums over the resting contacts of their normal or tangential force.
  long double SumOfForces(bool normal) const {
    long double sum = 0;
    for (std::int32_t i = 0; i < collisions_.RestingContacts->Count(); ++i) {
      const TContact& c = collisions_.RestingContacts->Items(i);
      sum += normal ? c.Force.Normal.Get() : c.Force.Tangent.Get();
    }
    return sum;
  }
  long double NormalForce() const { return SumOfForces(true); }
  long double TangentialForce() const { return SumOfForces(false); }

  // The box on a floor turned by `angle`, its bottom 1e-9 m inside the floor's top edge, at rest.
  void LoadBoxOnSlope(long double angle, const std::string& pair) {
    const long double c = std::cos(angle), s = std::sin(angle), d = 0.5L - 1e-9L;
    LoadBoxOnFloor("x=" + Num(-s * d) + "\r\ny=" + Num(c * d) + "\r\nRz=" + Num(angle) + "\r\n", "", pair,
                   "maximumPenetration=1e-3\r\n", "Rz=" + Num(angle) + "\r\n");
  }

  static constexpr long double kWeight = kBoxMass * kGravity;
};

TEST_F(ContactForcesTest, BoxStandingOnTheFloorCarriesItsWeight) {
  LoadBoxOnFloor("y=0.5\r\n", "", "friction=0.5\r\n");
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_TRUE(collisions_.HasRestingContacts);
  ASSERT_EQ(collisions_.StickingContacts->Count(), 2);
  ASSERT_TRUE(collisions_.SolveContactForces());

  EXPECT_NEAR(static_cast<double>(NormalForce() / kWeight), 1.0, 1e-9);
  for (std::int32_t i = 0; i < 2; ++i) {
    const TContact& c = collisions_.RestingContacts->Items(i);
    EXPECT_NEAR(static_cast<double>(c.Force.Normal.Get() / kWeight), 0.5, 1e-9);
    // Nothing pulls sideways: the two friction variables cancel.
    EXPECT_NEAR(static_cast<double>(c.Force.Tangent.Get()), 0.0, 1e-12);
    EXPECT_NEAR(static_cast<double>(c.Work.Get()), 0.0, 1e-15);
  }
  // Generalized contact forces: the weight held, no push, no torque.
  EXPECT_NEAR(static_cast<double>(world_.State.ContactForces.At(1) / kWeight), 1.0, 1e-9);
  EXPECT_NEAR(static_cast<double>(world_.State.ContactForces.At(0)), 0.0, 1e-12);
  EXPECT_NEAR(static_cast<double>(world_.State.ContactForces.At(2)), 0.0, 1e-12);
}

// Coulomb friction brakes a sliding box with mu m g whichever way it slides, and its work over the step
// is dissipated.
class SlidingBoxTest : public ContactForcesTest, public ::testing::WithParamInterface<long double> {};

TEST_P(SlidingBoxTest, FrictionOpposesTheSliding) {
  const long double vx = GetParam();
  LoadBoxOnFloor("y=0.5\r\n", "x=" + Num(vx) + "\r\n", "friction=0.4\r\n",
                 "maximumPenetration=1e-3\r\nmaximumTimestep=1e-4\r\n");
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_EQ(collisions_.SlidingContacts->Count(), 2);
  ASSERT_EQ(collisions_.StickingContacts->Count(), 0);
  ASSERT_TRUE(collisions_.SolveContactForces());

  const long double sign = vx > 0 ? 1 : -1;
  EXPECT_NEAR(static_cast<double>(NormalForce() / kWeight), 1.0, 1e-9);
  EXPECT_NEAR(static_cast<double>(world_.State.ContactForces.At(1) / kWeight), 1.0, 1e-9);
  EXPECT_NEAR(static_cast<double>(world_.State.ContactForces.At(0) / kWeight), static_cast<double>(-sign * 0.4L), 1e-9);
  // The friction pitches the box forward; the normal forces shift so that it does not turn.
  EXPECT_NEAR(static_cast<double>(world_.State.ContactForces.At(2)), 0.0, 1e-9);
  for (std::int32_t i = 0; i < 2; ++i) {
    const TContact& c = collisions_.SlidingContacts->Items(i);
    // vT = vx along the tangent (-1, 0), so the friction -sign(vT) mu N.
    EXPECT_NEAR(static_cast<double>(c.Force.Tangent.Get()),
                static_cast<double>(-sign * 0.4L * c.Force.Normal.Get()), 1e-12);
    EXPECT_LT(c.Work.Get(), 0);
    EXPECT_NEAR(static_cast<double>(c.Work.Get()),
                static_cast<double>(-0.4L * c.Force.Normal.Get() * std::fabs(vx) * 1e-4L), 1e-15);
  }
}

INSTANTIATE_TEST_SUITE_P(BothWays, SlidingBoxTest, ::testing::Values(1.5L, -1.5L));

// A box sliding at v0 with mu stops after v0^2 / (2 mu g), sliding along +x or -x alike.
class BrakingTest : public ContactForcesTest, public ::testing::WithParamInterface<long double> {};

TEST_P(BrakingTest, SlidingBoxStopsAfterItsBrakingDistance) {
  const long double v0 = GetParam(), mu = 0.5L;
  LoadBoxOnFloor("y=" + Num(0.5L - 1e-7L) + "\r\n", "x=" + Num(v0) + "\r\n", "friction=0.5\r\n",
                 "maximumPenetration=1e-3\r\nmaximumTimestep=1e-4\r\nZeroVelocityTolerance=1e-9\r\n");
  const long double sign = v0 > 0 ? 1 : -1;
  int steps = 0;
  // Sticking at the end brings the velocity to 0 up to round-off.
  while (QDot(0) * sign > 1e-15L) {
    ASSERT_TRUE(EulerStep()) << "step " << steps;
    ASSERT_LT(++steps, 5000);
  }
  const long double expected = v0 * v0 / (2 * mu * kGravity);
  EXPECT_NEAR(static_cast<double>(std::fabs(Q(0)) / expected), 1.0, 0.01);
  EXPECT_NEAR(static_cast<double>(Q(0) * sign), static_cast<double>(expected),
              0.01 * static_cast<double>(expected));
  // It slid without lifting, sinking or turning.
  EXPECT_NEAR(static_cast<double>(Q(1)), 0.5 - 1e-7, 1e-9);
  EXPECT_NEAR(static_cast<double>(Q(2)), 0.0, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(BothWays, BrakingTest, ::testing::Values(1.0L, -1.0L));

// On a slope of 0.2 rad with mu = 0.5 > tan 0.2 the box sticks: the floor carries m g cos 0.2 across and
// m g sin 0.2 along the slope, and the contact forces hold the weight exactly.
TEST_F(ContactForcesTest, BoxSticksOnAGentleSlope) {
  const long double angle = 0.2L;
  LoadBoxOnSlope(angle, "friction=0.5\r\n");
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_EQ(collisions_.StickingContacts->Count(), 2);
  ASSERT_TRUE(collisions_.SolveContactForces());
  EXPECT_NEAR(static_cast<double>(NormalForce() / kWeight), static_cast<double>(std::cos(angle)), 1e-9);
  EXPECT_NEAR(static_cast<double>(std::fabs(TangentialForce()) / kWeight),
              static_cast<double>(std::sin(angle)), 1e-9);
  EXPECT_NEAR(static_cast<double>(world_.State.ContactForces.At(0) / kWeight), 0.0, 1e-9);
  EXPECT_NEAR(static_cast<double>(world_.State.ContactForces.At(1) / kWeight), 1.0, 1e-9);
  EXPECT_NEAR(static_cast<double>(world_.State.ContactForces.At(2) / kWeight), 0.0, 1e-9);
}

// With mu = 0.1 < tan 0.2 the box starts to slide: the friction is mu times the normal force and the box
// accelerates down the slope with g (sin 0.2 - mu cos 0.2).
TEST_F(ContactForcesTest, BoxSlipsOnASteepSlope) {
  const long double angle = 0.2L, mu = 0.1L;
  LoadBoxOnSlope(angle, "friction=0.1\r\n");
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_TRUE(collisions_.SolveContactForces());
  EXPECT_NEAR(static_cast<double>(NormalForce() / kWeight), static_cast<double>(std::cos(angle)), 1e-9);
  EXPECT_NEAR(static_cast<double>(std::fabs(TangentialForce()) / kWeight),
              static_cast<double>(mu * std::cos(angle)), 1e-9);
  const long double ax = (h_.At(0) + world_.State.ContactForces.At(0)) / kBoxMass;
  const long double ay = (h_.At(1) + world_.State.ContactForces.At(1)) / kBoxMass;
  const long double c = std::cos(angle), s = std::sin(angle);
  EXPECT_NEAR(static_cast<double>(-(ax * c + ay * s) / kGravity), static_cast<double>(s - mu * c), 1e-9);
  EXPECT_NEAR(static_cast<double>((-ax * s + ay * c) / kGravity), 0.0, 1e-9);
  EXPECT_NEAR(static_cast<double>(world_.State.ContactForces.At(2) / kWeight), 0.0, 1e-9);
}

TEST_F(ContactForcesTest, WithoutRestingContactsNothingIsDone) {
  LoadBoxOnFloor("y=0.5\r\n", "y=1\r\n", "friction=0.5\r\n");
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_FALSE(collisions_.HasRestingContacts);
  world_.State.ContactForces.SetAt(1, 7);
  EXPECT_TRUE(collisions_.SolveContactForces());
  EXPECT_EQ(world_.State.ContactForces.At(1), 7);
  EXPECT_EQ(collisions_.Contacts->Items(0).Force.Normal.Get(), 0);
}

TEST_F(ContactForcesTest, GeneralizedForcesOfTheWrongSizeAreRefused) {
  LoadBoxOnFloor("y=0.5\r\n", "", "friction=0.5\r\n");
  h_.Dim(2);
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_FALSE(collisions_.SolveContactForces());
  EXPECT_EQ(collisions_.RestingContacts->Items(0).Force.Normal.Get(), 0);
  EXPECT_EQ(NewLines(), (std::vector<std::string>{
                            "[Error] The generalized force vector does not have 3 values: resting contacts "
                            "cannot be solved."}));
}

}  // namespace
}  // namespace zentrova::test
