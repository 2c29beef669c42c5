// Impacts of the approaching contacts, against the rebound and friction of rigid-body impact theory.
#include <gtest/gtest.h>

#include <cmath>

#include "collisions_test_support.h"
#include "engine/contact/collisions.h"

namespace zentrova::test {
namespace {

long double KineticEnergy(long double mass, long double vx, long double vy) { return mass * (vx * vx + vy * vy) / 2; }

class ImpactsTest : public CollisionsTest {
 protected:
  long double SumOfWorks() const {
    long double sum = 0;
    for (std::int32_t i = 0; i < collisions_.Contacts->Count(); ++i) sum += collisions_.Contacts->Items(i).Work.Get();
    return sum;
  }
};

// A box dropped flat at 2 m/s leaves at eN 2 m/s without turning or sliding; each corner takes half of
// the impulse m (1 + eN) v0, and the works add up to the lost kinetic energy.
class ReboundTest : public ImpactsTest, public ::testing::WithParamInterface<long double> {};

TEST_P(ReboundTest, BoxDroppedFlatReboundsWithItsRestitution) {
  const long double en = GetParam();
  LoadBoxOnFloor("y=0.5\r\n", "y=-2\r\n", "friction=0.3\r\nrestitutionNormal=" + Num(en) + "\r\n");
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_TRUE(collisions_.HasImpacts);
  ASSERT_TRUE(collisions_.SolveImpacts());
  EXPECT_NEAR(static_cast<double>(QDot(1)), static_cast<double>(2 * en), 1e-9);
  EXPECT_NEAR(static_cast<double>(QDot(0)), 0.0, 1e-12);
  EXPECT_NEAR(static_cast<double>(QDot(2)), 0.0, 1e-12);
  EXPECT_TRUE(collisions_.ImpulseApplied);
  EXPECT_NEAR(static_cast<double>(collisions_.CoordinateValues.At(1)), static_cast<double>(2 + 2 * en), 1e-9);
  for (std::int32_t i = 0; i < 2; ++i) {
    EXPECT_NEAR(static_cast<double>(collisions_.Contacts->Items(i).Impulse.Normal.Get()),
                static_cast<double>(kBoxMass * (1 + en) * 2 / 2), 1e-9);
    EXPECT_NEAR(static_cast<double>(collisions_.Contacts->Items(i).Impulse.Tangent.Get()), 0.0, 1e-12);
  }
  EXPECT_NEAR(static_cast<double>(SumOfWorks()),
              static_cast<double>(KineticEnergy(kBoxMass, 0, 2 * en) - KineticEnergy(kBoxMass, 0, 2)), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(HalfAndNoRestitution, ReboundTest, ::testing::Values(0.5L, 0.0L));

// The puck, only translating, hits the floor obliquely at (vx, -1) m/s, |vx| = 1, with mu = 0.1 and
// eN = 0.5: the normal impulse m (1 + eN) bounds the friction impulse, which slows the sliding to
// 1 - mu (1 + eN) = 0.85 m/s in either direction. Ni reduces only the friction bound against the
// compression's tangential impulse, which a slide that goes on never meets.
class SlidingImpactTest : public ImpactsTest, public ::testing::WithParamInterface<long double> {};

TEST_P(SlidingImpactTest, SlidingImpactLosesFrictionTimesTheNormalImpulse) {
  const long double vx = GetParam();
  LoadPuck("y=0.5\r\n", "x=" + Num(vx) + "\r\ny=-1\r\n", "friction=0.1\r\nrestitutionNormal=0.5\r\nparameterNi=0.5\r\n");
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
              static_cast<double>(KineticEnergy(kPuckMass, 0.85L, 0.5L) - KineticEnergy(kPuckMass, 1, 1)), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(BothWays, SlidingImpactTest, ::testing::Values(1.0L, -1.0L));

// A slow slide stops within the impact when mu allows it: the friction impulse is what stops it.
TEST_F(ImpactsTest, SlowSlideSticksDuringTheImpact) {
  LoadPuck("y=0.5\r\n", "x=0.05\r\ny=-1\r\n", "friction=0.5\r\nrestitutionNormal=0.5\r\nrestitutionTangent=0.5\r\n");
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
  ASSERT_NE(collisions_.CoordinateValues.At(1), 0);
  QDot(1) = -5e-13L;  // approaching beyond the tolerance, but only just
  const long double vx = QDot(0), w = QDot(2);
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_TRUE(collisions_.HasImpacts);
  EXPECT_FALSE(collisions_.HasRestingContacts);
  ASSERT_TRUE(collisions_.SolveImpacts());
  EXPECT_EQ(QDot(1), -5e-13L);
  EXPECT_EQ(QDot(0), vx);
  EXPECT_EQ(QDot(2), w);
  EXPECT_FALSE(collisions_.ImpulseApplied);
  EXPECT_EQ(Elements(collisions_.CoordinateValues), (std::vector<long double>{0, 0, 0}));
  EXPECT_FALSE(collisions_.HasImpacts);
  EXPECT_EQ(collisions_.RestingContacts->Count(), 2);
}

TEST_F(ImpactsTest, NothingApproachingOrInverseMassMatrixOfTheWrongSize) {
  LoadBoxOnFloor("y=0.5\r\n", "x=0.5\r\n", "friction=0.3\r\n");
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_TRUE(collisions_.SolveImpacts());
  EXPECT_EQ(QDot(0), 0.5L);
  EXPECT_FALSE(collisions_.ImpulseApplied);
  QDot(1) = -2;
  minv_.Dim(2);
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_FALSE(collisions_.SolveImpacts());
  EXPECT_EQ(QDot(1), -2);
  EXPECT_EQ(NewLines(), (std::vector<std::string>{
                            "[Error] The inverse mass matrix is not 3 x 3: contacts cannot be solved."}));
}

}  // namespace
}  // namespace zentrova::test
