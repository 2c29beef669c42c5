// Impacts of the approaching contacts, against the rebound and friction of rigid-body impact theory.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "collisions_test_support.h"
#include "engine/contact/collisions.h"

namespace zentrova::test {
namespace {

using ImpactsTest = CollisionsTest;

long double KineticEnergy(long double mass, long double vx, long double vy) {
  return mass * (vx * vx + vy * vy) / 2;
}

// A box dropped flat at 2 m/s leaves at eN 2 m/s without turning or sliding; each corner takes half of
// the impulse m (1 + eN) v0, and the works add up to the lost kinetic energy.
class ReboundTest : public ImpactsTest, public ::testing::WithParamInterface<long double> {};

TEST_P(ReboundTest, BoxDroppedFlatReboundsWithItsRestitution) {
  const long double en = GetParam();
  LoadBoxOnFloor("y=0.5\r\n", "y=-2\r\n", "friction=0.3\r\nrestitutionNormal=" + Num(en) + "\r\n");
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_TRUE(collisions_.HasImpacts);
  ASSERT_TRUE(collisions_.SolveImpacts());
  EXPECT_NEAR(QDot(1), 2 * en, 1e-9);
  EXPECT_NEAR(QDot(0), 0.0, 1e-12);
  EXPECT_NEAR(QDot(2), 0.0, 1e-12);
  EXPECT_TRUE(collisions_.ImpulseApplied);
  EXPECT_NEAR(collisions_.CoordinateValues.At(1), 2 + 2 * en, 1e-9);
  long double works = 0;
  for (std::int32_t i = 0; i < 2; ++i) {
    const TContact& c = collisions_.Contacts->Items(i);
    EXPECT_NEAR(c.Impulse.Normal.Get(), kBoxMass * (1 + en) * 2 / 2, 1e-9);
    EXPECT_NEAR(c.Impulse.Tangent.Get(), 0.0, 1e-12);
    works += c.Work.Get();
  }
  EXPECT_NEAR(works, KineticEnergy(kBoxMass, 0, 2 * en) - KineticEnergy(kBoxMass, 0, 2), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(HalfAndNoRestitution, ReboundTest, ::testing::Values(0.5L, 0.0L));

// Pivot tolerances that no direction passes (1e10, against entries of order 1) leave the pivoting without
// a solution of the compression or the expansion. Above maximumTimestep / 2^8 the impact is refused (the
// driver tries the step again with half of it); from there down, and below minimumTimestep, the
// lexicographic pivoting, which has no such tolerance, finds the same rebound: eN 2 m/s, half of
// m (1 + eN) 2 m/s at each corner.
struct TLexicographicStep {
  long double dt;
  bool solved;
};

class LexicographicImpactTest : public ImpactsTest,
                                public ::testing::WithParamInterface<TLexicographicStep> {};

TEST_P(LexicographicImpactTest, ImpactThatThePivotingCannotSolveIsRefusedUntilHalvingsAreSpent) {
  LoadBoxOnFloor("y=0.5\r\n", "y=-2\r\n", "friction=0.3\r\nrestitutionNormal=0.5\r\n",
                 "maximumTimestep=2e-3\r\nmaximumPenetration=1e-3\r\nminimumTimestep=1e-9\r\n");
  world_.SetLCPPivotToleranceMin(1e10L);
  world_.SetLCPPivotToleranceMax(1e10L);
  world_.State.TimeStep = GetParam().dt;
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_TRUE(collisions_.HasImpacts);
  ASSERT_EQ(collisions_.SolveImpacts(), GetParam().solved);
  EXPECT_EQ(collisions_.ImpulseApplied, GetParam().solved);
  if (!GetParam().solved) {
    EXPECT_EQ(QDot(1), -2);
    return;
  }
  EXPECT_NEAR(QDot(1), 1, 1e-12);
  EXPECT_NEAR(QDot(0), 0, 1e-12);
  EXPECT_NEAR(QDot(2), 0, 1e-12);
  for (std::int32_t i = 0; i < 2; ++i) {
    EXPECT_NEAR(collisions_.Contacts->Items(i).Impulse.Normal.Get(), kBoxMass * 1.5L * 2 / 2, 1e-12) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(LargestHalvedAndBelowTheSmallestStep, LexicographicImpactTest,
                         ::testing::Values(TLexicographicStep{2e-3L, false},
                                           TLexicographicStep{2e-3L / 128, false},
                                           TLexicographicStep{2e-3L / 256, true},
                                           TLexicographicStep{0.5e-9L, true}));

// Contacts that approach by no more than 1e-20 m/s (here 1e-22) change nothing worth an impulse: when the
// pivoting cannot solve their compression, even at a step where an impact would take the lexicographic
// answer, the impact is passed over as it stands: no impulse, the velocity to the bit, the contacts
// classified as before (a solved negligible impact sorts them again as resting ones).
TEST_F(ImpactsTest, ImpactOfContactsThatHardlyApproachIsPassedOverWithoutALexicographicSolve) {
  LoadBoxOnFloor("y=0.5\r\n", "y=-1e-22\r\n", "friction=0.3\r\nrestitutionNormal=0.5\r\n",
                 "maximumPenetration=1e-3\r\nminimumTimestep=1e-9\r\n");
  world_.SetLCPPivotToleranceMin(1e10L);
  world_.SetLCPPivotToleranceMax(1e10L);
  world_.State.TimeStep = 0.5e-9L;
  ASSERT_TRUE(collisions_.Detect());
  collisions_.HasImpacts = true;
  ASSERT_TRUE(collisions_.SolveImpacts());
  EXPECT_FALSE(collisions_.ImpulseApplied);
  EXPECT_TRUE(collisions_.HasImpacts);
  EXPECT_EQ(QDot(1), -1e-22L);
}

// The puck, only translating, hits the floor at (vx, -1) m/s, |vx| = 1, mu = 0.1, eN = 0.5: the normal
// impulse m (1 + eN) bounds the friction impulse, which slows the sliding to 1 - mu (1 + eN) = 0.85 m/s.
// Ni reduces only the bound against the compression's tangential impulse, which a going slide never meets.
class SlidingImpactTest : public ImpactsTest, public ::testing::WithParamInterface<long double> {};

TEST_P(SlidingImpactTest, SlidingImpactLosesFrictionTimesTheNormalImpulse) {
  const long double vx = GetParam();
  LoadPuck("y=0.5\r\n", "x=" + Num(vx) + "\r\ny=-1\r\n",
           "friction=0.1\r\nrestitutionNormal=0.5\r\nparameterNi=0.5\r\n");
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_EQ(collisions_.Contacts->Count(), 1);
  ASSERT_TRUE(collisions_.SolveImpacts());
  EXPECT_NEAR(QDot(0), 0.85L * vx, 1e-9);
  EXPECT_NEAR(QDot(1), 0.5, 1e-9);
  const TContact& contact = collisions_.Contacts->Items(0);
  EXPECT_NEAR(contact.Impulse.Normal.Get(), 3.0, 1e-9);
  // vT = vx (T = (-1, 0), the floor's velocity minus the puck's): the friction impulse is -mu (1 + eN) m vx.
  EXPECT_NEAR(contact.Impulse.Tangent.Get(), -0.3L * vx, 1e-9);
  EXPECT_NEAR(contact.Work.Get(), KineticEnergy(kPuckMass, 0.85L, 0.5L) - KineticEnergy(kPuckMass, 1, 1),
              1e-9);
}

INSTANTIATE_TEST_SUITE_P(BothWays, SlidingImpactTest, ::testing::Values(1.0L, -1.0L));

// A slow slide stops within the impact when mu allows it: the friction impulse is what stops it.
TEST_F(ImpactsTest, SlowSlideSticksDuringTheImpact) {
  LoadPuck("y=0.5\r\n", "x=0.05\r\ny=-1\r\n",
           "friction=0.5\r\nrestitutionNormal=0.5\r\nrestitutionTangent=0.5\r\n");
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_TRUE(collisions_.SolveImpacts());
  EXPECT_NEAR(QDot(0), 0.0, 1e-12);
  EXPECT_NEAR(QDot(1), 0.5, 1e-9);
}

// Two boxes standing apart on the floor, each with its own x, y and Rz (coordinates 0-2 and 3-5), each on
// its two bottom corners: their contacts are apart unless M^-1 couples a coordinate of one box to one of
// the other, in either triangle; then all four make one group over all six coordinates. Coupled only
// through neighbouring coordinates (2 and 3), as well as through distant ones.
TEST_F(ImpactsTest, GroupingJoinsContactsThatOnlyTheInverseMassMatrixCouples) {
  Write("floor.exs", kFloorOutline);
  Write("box.exs", kBoxOutline);
  Write("floor.bdy", BodyFile("Floor", "floor.exs", 1000, 1000, ""));
  Write("a.bdy", BodyFile("A", "box.exs", kBoxMass, kBoxInertia, "x=-2\r\ny=0.5\r\n"));
  Write("b.bdy", BodyFile("B", "box.exs", kBoxMass, kBoxInertia, "x=2\r\ny=0.5\r\n"));
  Write("model.gc", "b`A`x\r\nb`A`y\r\nb`A`Rz\r\nb`B`x\r\nb`B`y\r\nb`B`Rz\r\n");
  Write("model.cop", "[Floor-A]\r\nfriction=0.3\r\n[Floor-B]\r\nfriction=0.3\r\n");
  Load("maximumPenetration=1e-3\r\n", {"floor.bdy", "a.bdy", "b.bdy"}, 6, kBoxMass, kBoxInertia);
  using Indices = std::vector<std::uint32_t>;
  const struct {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> couplings;  // (row, column) of M^-1
    std::vector<std::pair<Indices, Indices>> groups;                 // coordinates, members
  } cases[] = {
      {{}, {{{0, 1, 2}, {0, 1}}, {{3, 4, 5}, {2, 3}}}},
      {{{2, 3}}, {{{0, 1, 2, 3, 4, 5}, {0, 1, 2, 3}}}},
      {{{3, 2}}, {{{0, 1, 2, 3, 4, 5}, {0, 1, 2, 3}}}},
      {{{5, 0}}, {{{0, 1, 2, 3, 4, 5}, {0, 1, 2, 3}}}},
  };
  for (const auto& c : cases) {
    for (std::uint32_t i = 0; i < 6; ++i) {
      for (std::uint32_t j = 0; j < 6; ++j) {
        if (i != j) minv_.SetAt(i, j, 0);
      }
    }
    for (const auto& [row, col] : c.couplings) minv_.SetAt(row, col, 0.125L);
    ASSERT_TRUE(collisions_.Detect());
    ASSERT_EQ(collisions_.Contacts->Count(), 4);
    std::vector<TCollisions::TContactGroup> groups;
    ASSERT_EQ(collisions_.Group(*collisions_.Contacts, groups), c.groups.size());
    for (std::size_t g = 0; g < c.groups.size(); ++g) {
      EXPECT_EQ(groups[g].Coordinates, c.groups[g].first) << g;
      EXPECT_EQ(groups[g].Members, c.groups[g].second) << g;
    }
  }
}

}  // namespace
}  // namespace zentrova::test
