#include "engine/contact/collisions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <tuple>
#include <vector>

#include "collisions_test_support.h"

namespace zentrova::test {
namespace {

using Found = std::tuple<int, int, int, int>;  // edge body, edge index, vertex body, vertex index

std::vector<Found> FoundContacts(const TCollisions& collisions) {
  std::vector<Found> found;
  if (collisions.Contacts == nullptr) return found;
  for (std::int32_t i = 0; i < collisions.Contacts->Count(); ++i) {
    const TContact& c = collisions.Contacts->Items(i);
    found.emplace_back(c.EdgeBody, c.EdgeIndex, c.VertexBody, c.VertexIndex);
  }
  return found;
}

std::vector<Found> Sorted(std::vector<Found> found) {
  std::sort(found.begin(), found.end());
  return found;
}

// A corner body, the square [-1, 0] x [-1, 0] (its corner point 2 at the origin, between edge 1 coming up
// the right side and edge 2 leaving along the top), and a probe, the square [-0.25, 0.75]^2 placed so that
// only its corner 0 enters the corner body. Only the corner body's edges are tested (T:F). The skin is
// 0.5 m deep and maximumPenetration 0.5 m, so that a corner 0.25 m inside is a contact.
class CornerTest : public CollisionsTest {
 protected:
  void LoadProbe(long double x, long double y) {
    Write("corner.exs", "points =5\r\n%%data\r\n-1 0 0 -1 -1\r\n-1 -1 0 0 -1\r\n%%enddata\r\n");
    Write(
        "probe.exs",
        "points =5\r\n%%data\r\n-0.25 0.75 0.75 -0.25 -0.25\r\n-0.25 -0.25 0.75 0.75 -0.25\r\n%%enddata\r\n");
    Write("corner.bdy", BodyFile("Corner", "corner.exs", 1, 1, "", "", "skinThickness=0.5\r\n"));
    Write("probe.bdy", BodyFile("Probe", "probe.exs", 1, 1, "x=" + Num(x) + "\r\ny=" + Num(y) + "\r\n"));
    Write("model.cop", "[Corner-Probe]\r\nresistingPenetration=T:F\r\n");
    Load("maximumPenetration=0.5\r\n", {"corner.bdy", "probe.bdy"}, 0);
  }
};

TEST_F(CollisionsTest, BoxStandingOnTheFloorTouchesWithBothBottomCorners) {
  // The root boxes share the bound y = 0: touching boxes go on to the narrow phase.
  LoadBoxOnFloor("y=0.5\r\n", "", "friction=0.5\r\n");
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_FALSE(collisions_.TooDeep);
  ASSERT_TRUE(collisions_.ContactsPrepared());
  EXPECT_EQ(FoundContacts(collisions_), (std::vector<Found>{{0, 2, 1, 0}, {0, 2, 1, 1}}));

  const TContact& left = collisions_.Contacts->Items(0);
  EXPECT_EQ(left.EdgeParameter, 0.525L);
  EXPECT_EQ(left.ContactPoint.X.Get(), -0.5L);
  EXPECT_EQ(left.ContactPoint.Y.Get(), 0);
  EXPECT_EQ(left.Tangent.X.Get(), -1);
  EXPECT_EQ(left.Tangent.Y.Get(), 0);
  EXPECT_EQ(left.Kinematics.Position.Normal.Get(), 0);
  EXPECT_EQ(collisions_.Contacts->Items(1).EdgeParameter, 0.475L);
  EXPECT_EQ(collisions_.Contacts->Items(1).Friction, 0.5L);

  // At rest: resting and sticking, no impact.
  EXPECT_FALSE(collisions_.HasImpacts);
  EXPECT_TRUE(collisions_.HasRestingContacts);
  EXPECT_EQ(collisions_.RestingContacts->Count(), 2);
  EXPECT_EQ(collisions_.StickingContacts->Count(), 2);
  EXPECT_EQ(collisions_.SlidingContacts->Count(), 0);
  EXPECT_TRUE(collisions_.RestingContacts->Prepared);
  EXPECT_TRUE(collisions_.StickingContacts->Prepared);
  EXPECT_FALSE(collisions_.SlidingContacts->Prepared);
  EXPECT_EQ(collisions_.Contacts->Items(1).ListIndex, 1);
}

TEST_F(CollisionsTest, BoxJustAboveTheFloorHasNoContact) {
  LoadBoxOnFloor("y=0.500000001\r\n", "", "");
  EXPECT_TRUE(collisions_.Detect());
  EXPECT_FALSE(collisions_.TooDeep);
  ASSERT_NE(collisions_.Contacts, nullptr);
  EXPECT_EQ(collisions_.Contacts->Count(), 0);
  EXPECT_FALSE(collisions_.ContactsPrepared());
}

TEST_F(CollisionsTest, StepThatMayMoveTooFarIsRefusedOnlyForOverlappingBodies) {
  LoadBoxOnFloor("y=0.5\r\n", "", "");
  displacement_ = 1.5e-3L;  // maximumPenetration is 1e-3
  EXPECT_FALSE(collisions_.Detect());
  EXPECT_TRUE(collisions_.TooDeep);

  Q(1) = 5;
  EXPECT_TRUE(collisions_.Detect());
  EXPECT_FALSE(collisions_.TooDeep);

  // Equal to the limit is allowed.
  Q(1) = 0.5L;
  displacement_ = 1e-3L;
  EXPECT_TRUE(collisions_.Detect());
  EXPECT_FALSE(collisions_.TooDeep);
  EXPECT_EQ(collisions_.Contacts->Count(), 2);
}

// The box's corner 0 exactly on the floor's corner point 2 (10, 0), where edge 1 ends and edge 2 starts,
// and the floor's corner on the box's corner: every end-point meeting is a contact, without the side,
// depth and corner tests (the corner angle tests would have nothing to measure).
TEST_F(CollisionsTest, VertexOnAnEdgesEndPointIsAContact) {
  LoadBoxOnFloor("x=10.5\r\ny=0.5\r\n", "", "");
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_EQ(Sorted(FoundContacts(collisions_)),
            (std::vector<Found>{{0, 1, 1, 0}, {0, 2, 1, 0}, {1, 0, 0, 2}, {1, 3, 0, 2}}));
  for (std::int32_t i = 0; i < collisions_.Contacts->Count(); ++i) {
    const TContact& c = collisions_.Contacts->Items(i);
    const bool at_start = (c.EdgeBody == 0 && c.EdgeIndex == 2) || (c.EdgeBody == 1 && c.EdgeIndex == 0);
    EXPECT_EQ(c.EdgeParameter, at_start ? 0 : 1) << c.EdgeBody << " " << c.EdgeIndex;
  }
}

TEST_F(CornerTest, VertexOnACornersBisectorBelongsToTheEdgeThatStartsThere) {
  LoadProbe(0, 0);  // the probe's corner at (-0.25, -0.25)
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_EQ(FoundContacts(collisions_), (std::vector<Found>{{0, 2, 1, 0}}));
  EXPECT_EQ(collisions_.Contacts->Items(0).Kinematics.Position.Normal.Get(), -0.25L);
}

TEST_F(CornerTest, VertexNearACornerBelongsToTheNearerEdge) {
  LoadProbe(0, 0.05L);  // (-0.25, -0.2): nearer the top edge
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_EQ(FoundContacts(collisions_), (std::vector<Found>{{0, 2, 1, 0}}));
}

TEST_F(CornerTest, VertexNearACornerBelongsToTheNearerEdgeOnTheOtherSide) {
  LoadProbe(0.05L, 0);  // (-0.2, -0.25): nearer the right side
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_EQ(FoundContacts(collisions_), (std::vector<Found>{{0, 1, 1, 0}}));
  EXPECT_NEAR(static_cast<double>(collisions_.Contacts->Items(0).Kinematics.Position.Normal.Get()), -0.2,
              1e-18);
}

TEST_F(CollisionsTest, VertexDeeperThanTheSkinIsNoContact) {
  // Skin 0.1 m, maximumPenetration 0.5 m: a corner 0.2 m deep is past the skin.
  LoadBoxOnFloor("y=0.3\r\n", "", "", "maximumPenetration=0.5\r\n", "", "skinThickness=0.1\r\n");
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_EQ(collisions_.Contacts->Count(), 0);
  Q(1) = 0.45L;
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_EQ(collisions_.Contacts->Count(), 2);
}

// Two boxes overlapping at their corners: A's corner 2 lies inside B near B's bottom edge, B's corner 0
// inside A near A's top edge. The pair's mode decides whose edges are tested.
class ModeTest : public CollisionsTest {
 protected:
  void LoadPair(const std::string& cop) {
    Write("box.exs", kBoxOutline);
    Write("a.bdy", BodyFile("A", "box.exs", 1, 1, "", "", "skinThickness=0.1\r\n"));
    Write("b.bdy", BodyFile("B", "box.exs", 1, 1, "x=0.98\r\ny=0.99\r\n", "", "skinThickness=0.1\r\n"));
    Write("model.cop", cop);
    Load("maximumPenetration=0.05\r\n", {"a.bdy", "b.bdy"}, 0);
    ASSERT_TRUE(collisions_.Detect());
  }
};

TEST_F(ModeTest, BothBodiesResist) {
  LoadPair("[A-B]\r\n");
  EXPECT_EQ(FoundContacts(collisions_), (std::vector<Found>{{0, 2, 1, 0}, {1, 0, 0, 2}}));
}

TEST_F(ModeTest, OnlyTheLowerBodyResists) {
  LoadPair("[A-B]\r\nresistingPenetration=T:F\r\n");
  EXPECT_EQ(FoundContacts(collisions_), (std::vector<Found>{{0, 2, 1, 0}}));
}

TEST_F(ModeTest, OnlyTheHigherBodyResists) {
  LoadPair("[A-B]\r\nresistingPenetration=F:T\r\n");
  EXPECT_EQ(FoundContacts(collisions_), (std::vector<Found>{{1, 0, 0, 2}}));
}

TEST_F(ModeTest, SectionNamingTheHigherBodyFirst) {
  LoadPair("[B-A]\r\nresistingPenetration=T:F\r\n");
  EXPECT_EQ(FoundContacts(collisions_), (std::vector<Found>{{1, 0, 0, 2}}));
}

TEST_F(ModeTest, PairNamedNowhereNeverTouches) {
  LoadPair("[A]\r\nfriction=1\r\n");
  EXPECT_EQ(collisions_.Contacts->Count(), 0);
  EXPECT_FALSE(collisions_.TooDeep);
}

TEST_F(CollisionsTest, BodyWithoutShapeNeverCollides) {
  Write("box.exs", kBoxOutline);
  Write("ghost.bdy", BodyFile("Ghost", "", 1, 1, ""));
  Write("box.bdy", BodyFile("Box", "box.exs", 1, 1, "x=0.1\r\n"));
  Write("model.cop", "[Ghost-Box]\r\n");
  Load("maximumPenetration=1e-3\r\n", {"ghost.bdy", "box.bdy"}, 0);
  displacement_ = 1;  // would refuse the step if the pair overlapped
  EXPECT_TRUE(collisions_.Detect());
  EXPECT_FALSE(collisions_.TooDeep);
  EXPECT_EQ(collisions_.Contacts->Count(), 0);
}

TEST_F(CollisionsTest, WorldWithOneBodyOrNoContactPropertiesFindsNothing) {
  Write("box.exs", kBoxOutline);
  Write("box.bdy", BodyFile("Box", "box.exs", 1, 1, ""));
  Write("model.cop", "");
  Load("maximumPenetration=1e-3\r\n", {"box.bdy"}, 0);
  EXPECT_TRUE(collisions_.Detect());
  EXPECT_EQ(collisions_.Contacts->Count(), 0);
}

TEST_F(CollisionsTest, OverPenetratingCornerRefusesTheStepWithoutStoppingTheRun) {
  LoadBoxOnFloor("y=0.498\r\n", "", "");  // 2 mm deep, maximumPenetration 1 mm
  with_view_ = true;
  collisions_.BreakAtCollisions = true;
  EXPECT_FALSE(collisions_.Detect());
  EXPECT_TRUE(collisions_.TooDeep);
  EXPECT_EQ(collisions_.Contacts->Count(), 0);
  EXPECT_EQ(stops_, 0);
  EXPECT_TRUE(view_.points.empty());
  EXPECT_FALSE(view_.visible);
}

TEST_F(CollisionsTest, OverPenetrationIsDrawnAndBreaksWhenAsked) {
  LoadBoxOnFloor("y=0.498\r\n", "", "");
  with_view_ = true;
  collisions_.ShowOverPenetratingPoints = true;
  EXPECT_FALSE(collisions_.Detect());
  EXPECT_EQ(stops_, 0);
  // Per corner: the edge's two end points and the corner.
  ASSERT_EQ(view_.points.size(), 6u);
  EXPECT_EQ(view_.points[0].x, 10.0f);
  EXPECT_EQ(view_.points[1].x, -10.0f);
  EXPECT_EQ(view_.points[2].x, -0.5f);
  EXPECT_FLOAT_EQ(view_.points[2].y, -0.002f);
  EXPECT_EQ(view_.points[2].z, 0.0f);
  EXPECT_EQ(view_.colors.size(), 2u);
  EXPECT_EQ(view_.colors[0], (std::vector<float>{1, 0, 0, 1}));
  EXPECT_TRUE(view_.visible);

  collisions_.BreakAtCollisions = true;
  EXPECT_FALSE(collisions_.Detect());
  EXPECT_EQ(stops_, 2);
}

TEST_F(CollisionsTest, ContactsAreShownAtTheirVerticesAndClearedAgain) {
  LoadBoxOnFloor("y=0.5\r\n", "", "");
  with_view_ = true;
  ASSERT_TRUE(collisions_.Detect());
  collisions_.ShowContacts();
  ASSERT_EQ(view_.points.size(), 2u);
  EXPECT_EQ(view_.points[0].x, -0.5f);
  EXPECT_EQ(view_.points[0].y, 0.0f);
  EXPECT_EQ(view_.points[1].x, 0.5f);
  EXPECT_TRUE(view_.visible);
  EXPECT_EQ(view_.colors.size(), 1u);

  collisions_.ClearContacts();
  EXPECT_TRUE(view_.points.empty());
  EXPECT_FALSE(view_.visible);
  EXPECT_EQ(view_.colors.size(), 1u);
  EXPECT_EQ(collisions_.Contacts, nullptr);
  EXPECT_EQ(collisions_.RestingContacts, nullptr);
}

TEST_F(CollisionsTest, WithoutASceneNothingIsDrawn) {
  LoadBoxOnFloor("y=0.5\r\n", "", "");
  ASSERT_TRUE(collisions_.Detect());
  collisions_.ShowContacts();
  collisions_.ClearContacts();
  EXPECT_TRUE(view_.points.empty());
  EXPECT_TRUE(view_.colors.empty());
}

// A floor outline with its corner point (10, 0) written twice: the edge between the two copies has no
// length and no direction. Corners meeting there touch the real edges only.
TEST_F(CollisionsTest, ZeroLengthEdgesAreSkipped) {
  Write("floor.exs", "points =6\r\n%%data\r\n-10 10 10 10 -10 -10\r\n-1 -1 0 0 0 -1\r\n%%enddata\r\n");
  Write("box.exs", kBoxOutline);
  Write("floor.bdy", BodyFile("Floor", "floor.exs", 1000, 1000, ""));
  Write("box.bdy", BodyFile("Box", "box.exs", 2, 1, "x=10.5\r\ny=0.5\r\n"));
  Write("model.cop", "[Floor-Box]\r\nresistingPenetration=T:F\r\n");
  Load("maximumPenetration=1e-3\r\n", {"floor.bdy", "box.bdy"}, 0);
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_EQ(Sorted(FoundContacts(collisions_)), (std::vector<Found>{{0, 1, 1, 0}, {0, 3, 1, 0}}));
  for (std::int32_t i = 0; i < collisions_.Contacts->Count(); ++i) {
    const TContact& c = collisions_.Contacts->Items(i);
    EXPECT_TRUE(std::isfinite(c.EdgeParameter));
    EXPECT_TRUE(std::isfinite(c.Tangent.X.Get()));
    EXPECT_TRUE(std::isfinite(c.Kinematics.Position.Normal.Get()));
  }
}

// A floor turned by an angle whose sine and cosine are not exact, with box corners placed a hair (1e-12 m)
// inside its top edge at many places: the depth's radicand and the corner cosines come out past their
// bounds through round-off (the radicand's errors are far larger than the squared depth), and every
// corner must still be found.
TEST_F(CollisionsTest, CornersLyingOnATurnedEdgeAreAllFound) {
  const long double angle = 0.3L, depth = 1e-12L;
  LoadBoxOnFloor("y=5\r\n", "", "", "maximumPenetration=1e-3\r\n", "Rz=" + Num(angle) + "\r\n");
  const long double c = std::cos(angle), s = std::sin(angle);
  int found = 0;
  for (int i = 0; i < 200; ++i) {
    // The box turned with the floor, its corner 0 at distance u along the top edge from the floor's origin,
    // moved into the floor along its inward normal (s, -c).
    const long double u = -8 + 0.0731L * i;
    Q(2) = angle;
    Q(0) = u * c + 0.5L * c - 0.5L * s + depth * s;
    Q(1) = u * s + 0.5L * s + 0.5L * c - depth * c;
    ASSERT_TRUE(collisions_.Detect());
    ASSERT_FALSE(collisions_.TooDeep);
    for (std::int32_t k = 0; k < collisions_.Contacts->Count(); ++k) {
      const TContact& contact = collisions_.Contacts->Items(k);
      if (contact.VertexIndex == 0) ++found;
      EXPECT_NEAR(static_cast<double>(contact.Kinematics.Position.Normal.Get()), -1e-12, 1e-14);
    }
  }
  EXPECT_EQ(found, 200);
}

// zeroVelocityTolerance 0 works as 1e-19: without forces a corner approaching at exactly that speed is both
// an impact and resting; the retry after a negligible impact widens the tolerance tenfold and marks no
// impact.
TEST_F(CollisionsTest, ClassificationByVelocity) {
  LoadBoxOnFloor("y=0.5\r\n", "y=-1e-19\r\n", "", "maximumPenetration=1e-3\r\nZeroVelocityTolerance=0\r\n");
  h_.Zero();
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_TRUE(collisions_.HasImpacts);
  EXPECT_TRUE(collisions_.HasRestingContacts);
  EXPECT_EQ(collisions_.RestingContacts->Count(), 2);

  QDot(1) = -5e-19L;
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_TRUE(collisions_.HasImpacts);
  EXPECT_FALSE(collisions_.HasRestingContacts);
  EXPECT_EQ(collisions_.RestingContacts->Count(), 0);
  EXPECT_FALSE(collisions_.RestingContacts->Prepared);

  EXPECT_TRUE(collisions_.Classify(true));
  EXPECT_FALSE(collisions_.HasImpacts);
  EXPECT_TRUE(collisions_.HasRestingContacts);
  EXPECT_EQ(collisions_.RestingContacts->Count(), 2);
  // Sorting again starts from empty subsets.
  EXPECT_TRUE(collisions_.Classify(true));
  EXPECT_EQ(collisions_.RestingContacts->Count(), 2);
  EXPECT_EQ(collisions_.StickingContacts->Count(), 2);

  QDot(1) = 1e-17L;  // separating
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_FALSE(collisions_.HasImpacts);
  EXPECT_FALSE(collisions_.HasRestingContacts);
  EXPECT_TRUE(collisions_.ContactsPrepared());
}

// A sliding box: its corners rest and slide, each with its friction.
TEST_F(CollisionsTest, SlidingCornersAreRestingAndSliding) {
  LoadBoxOnFloor("y=0.5\r\n", "x=1\r\n", "friction=0.25\r\n");
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_EQ(collisions_.RestingContacts->Count(), 2);
  EXPECT_EQ(collisions_.SlidingContacts->Count(), 2);
  EXPECT_EQ(collisions_.StickingContacts->Count(), 0);
  EXPECT_EQ(collisions_.SlidingContacts->Items(1).Friction, 0.25L);
}

}  // namespace
}  // namespace zentrova::test
