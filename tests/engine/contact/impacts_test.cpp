// Impacts of the approaching contacts, against the rebound and friction of rigid-body impact theory.
#include <gtest/gtest.h>

#include <cmath>

#include "collisions_test_support.h"
#include "engine/contact/collisions.h"

namespace zentrova::test {
namespace {

class ImpactsTest : public CollisionsTest {
 protected:
  // A triangle of 2 kg standing on its apex, only translating (its x and y are the generalized
  // coordinates): one contact with the floor, at which the impact acts like on a particle.
  void LoadPuck(long double vx, long double vy, const std::string& pair) {
    Write("floor.exs", kFloorOutline);
    Write("puck.exs", kPuckOutline);
    Write("floor.bdy", BodyFile("Floor", "floor.exs", 1000, 1000, ""));
    Write("puck.bdy", BodyFile("Puck", "puck.exs", kPuckMass, 1, "y=0.5\r\n",
                               "x=" + Num(vx) + "\r\ny=" + Num(vy) + "\r\n"));
    Write("model.gc", "b`Puck`x\r\nb`Puck`y\r\n");
    Write("model.cop", "[Floor-Puck]\r\n" + pair);
    Load("maximumPenetration=1e-3\r\n", {"floor.bdy", "puck.bdy"}, 2);
  }

  long double SumOfWorks() const {
    long double sum = 0;
    for (std::int32_t i = 0; i < collisions_.Contacts->Count(); ++i)
      sum += collisions_.Contacts->Items(i).Work.Get();
    return sum;
  }

  long double KineticEnergy(long double mass, long double vx, long double vy) const {
    return mass * (vx * vx + vy * vy) / 2;
  }

  void ExpectSlidingImpact(long double vx) {
    LoadPuck(vx, -1, "friction=0.1\r\nrestitutionNormal=0.5\r\n");
    ASSERT_TRUE(collisions_.Detect());
    ASSERT_EQ(collisions_.Contacts->Count(), 1);
    ASSERT_TRUE(collisions_.SolveImpacts());
    EXPECT_NEAR(static_cast<double>(QDot(0)), static_cast<double>(0.85L * vx), 1e-9);
    EXPECT_NEAR(static_cast<double>(QDot(1)), 0.5, 1e-9);
    const TContact& contact = collisions_.Contacts->Items(0);
    EXPECT_NEAR(static_cast<double>(contact.Impulse.Normal.Get()), 3.0, 1e-9);
    // vT = vx (the tangent runs along -x, the relative velocity is the floor's minus the puck's): the
    // friction impulse is -mu (1 + eN) m vx along T.
    EXPECT_NEAR(static_cast<double>(contact.Impulse.Tangent.Get()), static_cast<double>(-0.3L * vx), 1e-9);
    EXPECT_NEAR(static_cast<double>(contact.Work.Get()),
                static_cast<double>(KineticEnergy(kPuckMass, 0.85L, 0.5L) - KineticEnergy(kPuckMass, 1, 1)),
                1e-9);
  }

  static constexpr long double kPuckMass = 2;
};

// A box dropped flat at 2 m/s with eN = 0.5 leaves at 1 m/s, without turning or sliding; each corner takes
// half of the impulse m (1 + eN) v0, and the works add up to the lost kinetic energy.
TEST_F(ImpactsTest, BoxDroppedFlatReboundsWithItsRestitution) {
  LoadBoxOnFloor("y=0.5\r\n", "y=-2\r\n", "friction=0.3\r\nrestitutionNormal=0.5\r\n");
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_TRUE(collisions_.HasImpacts);
  ASSERT_TRUE(collisions_.SolveImpacts());

  EXPECT_NEAR(static_cast<double>(QDot(1)), 1.0, 1e-9);
  EXPECT_NEAR(static_cast<double>(QDot(0)), 0.0, 1e-12);
  EXPECT_NEAR(static_cast<double>(QDot(2)), 0.0, 1e-12);
  EXPECT_TRUE(collisions_.ImpulseApplied);
  EXPECT_NEAR(static_cast<double>(collisions_.CoordinateValues.At(1)), 3.0, 1e-9);
  for (std::int32_t i = 0; i < 2; ++i) {
    EXPECT_NEAR(static_cast<double>(collisions_.Contacts->Items(i).Impulse.Normal.Get()), 3.0, 1e-9);
    EXPECT_NEAR(static_cast<double>(collisions_.Contacts->Items(i).Impulse.Tangent.Get()), 0.0, 1e-12);
  }
  EXPECT_NEAR(static_cast<double>(SumOfWorks()),
              static_cast<double>(KineticEnergy(kBoxMass, 0, 1) - KineticEnergy(kBoxMass, 0, 2)), 1e-9);
  // The classification stays that of the detection.
  EXPECT_TRUE(collisions_.HasImpacts);
}

TEST_F(ImpactsTest, WithoutRestitutionTheBoxStopsOnTheFloor) {
  LoadBoxOnFloor("y=0.5\r\n", "y=-2\r\n", "friction=0.3\r\n");
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_TRUE(collisions_.SolveImpacts());
  EXPECT_NEAR(static_cast<double>(QDot(1)), 0.0, 1e-12);
  EXPECT_NEAR(static_cast<double>(SumOfWorks()), static_cast<double>(-KineticEnergy(kBoxMass, 0, 2)), 1e-9);
}

// Oblique impact at (vx, -1) m/s, |vx| = 1, with mu = 0.1, eN = 0.5: the normal impulse m (1 + eN) bounds
// the friction impulse, which slows the sliding to 1 - mu (1 + eN) = 0.85 m/s, in either direction.
TEST_F(ImpactsTest, SlidingImpactAlongPlusXLosesFrictionTimesTheNormalImpulse) {
  ExpectSlidingImpact(1);
}
TEST_F(ImpactsTest, SlidingImpactAlongMinusXLosesFrictionTimesTheNormalImpulse) {
  ExpectSlidingImpact(-1);
}

// A slow slide stops within the impact when mu allows it: the friction impulse is what stops it.
TEST_F(ImpactsTest, SlowSlideSticksDuringTheImpact) {
  LoadPuck(0.05L, -1, "friction=0.5\r\nrestitutionNormal=0.5\r\nrestitutionTangent=0.5\r\n");
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_TRUE(collisions_.SolveImpacts());
  EXPECT_NEAR(static_cast<double>(QDot(0)), 0.0, 1e-12);
  EXPECT_NEAR(static_cast<double>(QDot(1)), 0.5, 1e-9);
}

// An approach so slow that the compression's work is at most 1e-20 J applies nothing: the velocities
// stay, no jump is left behind for a roll-back (not even the one of an earlier impact), and the contacts
// are sorted again with the tenfold tolerance and no impact.
TEST_F(ImpactsTest, NegligibleImpactAppliesNothingAndLeavesNoJump) {
  LoadBoxOnFloor("y=0.5\r\n", "y=-2\r\n", "restitutionNormal=0.5\r\n",
                 "maximumPenetration=1e-3\r\nZeroVelocityTolerance=1e-13\r\n");
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_TRUE(collisions_.SolveImpacts());
  ASSERT_TRUE(collisions_.ImpulseApplied);
  ASSERT_NE(collisions_.CoordinateValues.At(1), 0);

  QDot(1) = -5e-13L;  // approaching beyond the tolerance, but only just
  h_.Zero();          // without gravity, which would let a contact this slow rest
  const long double vx = QDot(0), w = QDot(2);
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_TRUE(collisions_.HasImpacts);
  EXPECT_FALSE(collisions_.HasRestingContacts);
  ASSERT_TRUE(collisions_.SolveImpacts());
  EXPECT_EQ(QDot(1), -5e-13L);
  EXPECT_EQ(QDot(0), vx);
  EXPECT_EQ(QDot(2), w);
  EXPECT_FALSE(collisions_.ImpulseApplied);
  for (std::uint32_t j = 0; j < 3; ++j) EXPECT_EQ(collisions_.CoordinateValues.At(j), 0) << j;
  EXPECT_FALSE(collisions_.HasImpacts);
  EXPECT_TRUE(collisions_.HasRestingContacts);
  EXPECT_EQ(collisions_.RestingContacts->Count(), 2);
}

TEST_F(ImpactsTest, NothingApproachingChangesNothing) {
  LoadBoxOnFloor("y=0.5\r\n", "x=0.5\r\n", "friction=0.3\r\n");
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_FALSE(collisions_.HasImpacts);
  EXPECT_TRUE(collisions_.SolveImpacts());
  EXPECT_EQ(QDot(0), 0.5L);
  EXPECT_FALSE(collisions_.ImpulseApplied);
  EXPECT_EQ(collisions_.Contacts->Items(0).Impulse.Normal.Get(), 0);
}

TEST_F(ImpactsTest, InverseMassMatrixOfTheWrongSizeIsRefused) {
  LoadBoxOnFloor("y=0.5\r\n", "y=-2\r\n", "");
  minv_.Dim(2);
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_FALSE(collisions_.SolveImpacts());
  EXPECT_EQ(QDot(1), -2);
  EXPECT_EQ(
      NewLines(),
      (std::vector<std::string>{"[Error] The inverse mass matrix is not 3 x 3: contacts cannot be solved."}));
}

}  // namespace
}  // namespace zentrova::test
