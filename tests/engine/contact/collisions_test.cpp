#include "engine/contact/collisions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

#include "collisions_test_support.h"

namespace zentrova::test {
namespace {

using Found = std::tuple<int, int, int, int>;  // edge body, edge index, vertex body, vertex index

std::vector<Found> FoundContacts(const TCollisions& collisions, bool sorted = false) {
  std::vector<Found> found;
  for (std::int32_t i = 0; collisions.Contacts != nullptr && i < collisions.Contacts->Count(); ++i) {
    const TContact& c = collisions.Contacts->Items(i);
    found.emplace_back(c.EdgeBody, c.EdgeIndex, c.VertexBody, c.VertexIndex);
  }
  if (sorted) std::sort(found.begin(), found.end());
  return found;
}

// Records what detection draws.
class RecordingContactsView : public IContactPointsView {
 public:
  void AddColor(float r, float g, float b, float a) override { colors.push_back({r, g, b, a}); }
  void AddPoint(float x, float y, float) override { points.push_back({x, y}); }
  void ClearPoints() override { points.clear(); }
  void SetVisible(bool v) override { visible = v; }
  std::vector<std::vector<float>> colors, points;
  bool visible = false;
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
  EXPECT_EQ(left.Tangent.X.Get(), -1);
  EXPECT_EQ(left.Kinematics.Position.Normal.Get(), 0);
  EXPECT_EQ(collisions_.Contacts->Items(1).EdgeParameter, 0.475L);
  // At rest: resting and sticking, no impact.
  EXPECT_FALSE(collisions_.HasImpacts);
  EXPECT_TRUE(collisions_.HasRestingContacts);
  EXPECT_EQ(collisions_.StickingContacts->Count(), 2);
  EXPECT_EQ(collisions_.SlidingContacts->Count(), 0);

  Q(1) = 0.500000001L;  // just above: nothing
  ASSERT_TRUE(collisions_.Detect());
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
  Q(1) = 0.5L;
  displacement_ = 1e-3L;  // equal to the limit is allowed
  EXPECT_TRUE(collisions_.Detect());
  EXPECT_EQ(collisions_.Contacts->Count(), 2);
}

// The box's corner 0 exactly on the floor's corner point 2 (10, 0), and the floor's corner on the box's
// corner: every end-point meeting is a contact, at edge parameter 0 or 1.
TEST_F(CollisionsTest, VertexOnAnEdgesEndPointIsAContact) {
  LoadBoxOnFloor("x=10.5\r\ny=0.5\r\n", "", "");
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_EQ(FoundContacts(collisions_, true),
            (std::vector<Found>{{0, 1, 1, 0}, {0, 2, 1, 0}, {1, 0, 0, 2}, {1, 3, 0, 2}}));
  for (std::int32_t i = 0; i < collisions_.Contacts->Count(); ++i) {
    const TContact& c = collisions_.Contacts->Items(i);
    const bool at_start = (c.EdgeBody == 0 && c.EdgeIndex == 2) || (c.EdgeBody == 1 && c.EdgeIndex == 0);
    EXPECT_EQ(c.EdgeParameter, at_start ? 0 : 1) << c.EdgeBody << " " << c.EdgeIndex;
  }
}

// A corner body, the square [-1, 0]^2 (its point 2 at the origin, between edge 1 coming up the right side
// and edge 2 leaving along the top), and a probe square placed at (x, y) whose corner 0 alone enters it.
// Skin and maximumPenetration 0.5 m. A vertex near the corner belongs to the nearer edge; on the
// bisector, to the edge that starts there.
struct CornerCase {
  long double x, y, depth;
  int edge;
};
class CornerTest : public CollisionsTest, public ::testing::WithParamInterface<CornerCase> {};

TEST_P(CornerTest, VertexNearACornerBelongsToOneEdge) {
  const CornerCase& c = GetParam();
  Write("corner.exs", "points =5\r\n%%data\r\n-1 0 0 -1 -1\r\n-1 -1 0 0 -1\r\n%%enddata\r\n");
  Write("probe.exs",
        "points =5\r\n%%data\r\n-0.25 0.75 0.75 -0.25 -0.25\r\n-0.25 -0.25 0.75 0.75 -0.25\r\n%%enddata\r\n");
  Write("corner.bdy", BodyFile("Corner", "corner.exs", 1, 1, "", "", "skinThickness=0.5\r\n"));
  Write("probe.bdy", BodyFile("Probe", "probe.exs", 1, 1, "x=" + Num(c.x) + "\r\ny=" + Num(c.y) + "\r\n"));
  Write("model.cop", "[Corner-Probe]\r\nresistingPenetration=T:F\r\n");
  Load("maximumPenetration=0.5\r\n", {"corner.bdy", "probe.bdy"}, 0);
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_EQ(FoundContacts(collisions_), (std::vector<Found>{{0, c.edge, 1, 0}}));
  EXPECT_NEAR(static_cast<double>(collisions_.Contacts->Items(0).Kinematics.Position.Normal.Get()),
              static_cast<double>(c.depth), 1e-18);
}

INSTANTIATE_TEST_SUITE_P(BisectorNearerTopNearerSide, CornerTest,
                         ::testing::Values(CornerCase{0, 0, -0.25L, 2}, CornerCase{0, 0.05L, -0.2L, 2},
                                           CornerCase{0.05L, 0, -0.2L, 1}));

// Skin 0.1 m, maximumPenetration 0.5 m: corners 0.2 m deep are past the skin, 0.05 m deep within it.
TEST_F(CollisionsTest, VertexDeeperThanTheSkinIsNoContact) {
  LoadBoxOnFloor("y=0.3\r\n", "", "", "maximumPenetration=0.5\r\n", "", "skinThickness=0.1\r\n");
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_EQ(collisions_.Contacts->Count(), 0);
  Q(1) = 0.45L;
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_EQ(collisions_.Contacts->Count(), 2);
}

// Two boxes overlapping at their corners: A's corner 2 lies inside B near B's bottom edge, B's corner 0
// inside A near A's top edge. The pair's section decides whose edges are tested; a body without a shape
// (A as a ghost) never collides.
using ModeCase = std::tuple<std::string, bool, std::vector<Found>>;  // .cop, A is a ghost, contacts
class ModeTest : public CollisionsTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(ModeTest, ResistingPenetrationDecidesWhoseEdgesAreTested) {
  const auto& [cop, ghost, expected] = GetParam();
  Write("box.exs", kBoxOutline);
  Write("a.bdy", BodyFile("A", ghost ? "" : "box.exs", 1, 1, "", "", "skinThickness=0.1\r\n"));
  Write("b.bdy", BodyFile("B", "box.exs", 1, 1, "x=0.98\r\ny=0.99\r\n", "", "skinThickness=0.1\r\n"));
  Write("model.cop", cop);
  Load("maximumPenetration=0.05\r\n", {"a.bdy", "b.bdy"}, 0);
  displacement_ = ghost ? 1 : 0;  // would refuse the step if the pair were tested
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_EQ(FoundContacts(collisions_), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sections, ModeTest,
    ::testing::Values(ModeCase{"[A-B]\r\n", false, {{0, 2, 1, 0}, {1, 0, 0, 2}}},
                      ModeCase{"[A-B]\r\nresistingPenetration=T:F\r\n", false, {{0, 2, 1, 0}}},
                      ModeCase{"[A-B]\r\nresistingPenetration=F:T\r\n", false, {{1, 0, 0, 2}}},
                      ModeCase{"[B-A]\r\nresistingPenetration=T:F\r\n", false, {{1, 0, 0, 2}}},
                      ModeCase{"[A]\r\nfriction=1\r\n", false, {}},  // the pair named nowhere
                      ModeCase{"[A-B]\r\n", true, {}}));

TEST_F(CollisionsTest, OverPenetrationRefusesTheStepAndIsDrawnAndBreaksOnlyWhenAsked) {
  LoadBoxOnFloor("y=0.498\r\n", "", "");  // 2 mm deep, maximumPenetration 1 mm
  RecordingContactsView view;
  view_ = &view;
  collisions_.BreakAtCollisions = true;  // breaks only what is shown
  EXPECT_FALSE(collisions_.Detect());
  EXPECT_TRUE(collisions_.TooDeep);
  EXPECT_EQ(collisions_.Contacts->Count(), 0);
  EXPECT_TRUE(view.points.empty());
  collisions_.BreakAtCollisions = false;
  collisions_.ShowOverPenetratingPoints = true;
  EXPECT_FALSE(collisions_.Detect());
  EXPECT_EQ(stops_, 0);
  // Per corner: the edge's two end points and the corner.
  ASSERT_EQ(view.points.size(), 6u);
  EXPECT_EQ(view.points[0], (std::vector<float>{10, 0}));
  EXPECT_EQ(view.points[1], (std::vector<float>{-10, 0}));
  EXPECT_EQ(view.points[2][0], -0.5f);
  EXPECT_FLOAT_EQ(view.points[2][1], -0.002f);
  EXPECT_EQ(view.colors, (std::vector<std::vector<float>>(2, {1, 0, 0, 1})));
  EXPECT_TRUE(view.visible);
  collisions_.BreakAtCollisions = true;
  EXPECT_FALSE(collisions_.Detect());
  EXPECT_EQ(stops_, 2);  // once per corner
}

TEST_F(CollisionsTest, ContactsAreShownAtTheirVerticesAndClearedAgain) {
  LoadBoxOnFloor("y=0.5\r\n", "", "");
  ASSERT_TRUE(collisions_.Detect());
  collisions_.ShowContacts();  // without a scene nothing is drawn
  RecordingContactsView view;
  view_ = &view;
  collisions_.ShowContacts();
  EXPECT_EQ(view.points, (std::vector<std::vector<float>>{{-0.5f, 0}, {0.5f, 0}}));
  EXPECT_TRUE(view.visible);
  collisions_.ClearContacts();
  EXPECT_TRUE(view.points.empty());
  EXPECT_FALSE(view.visible);
  EXPECT_EQ(view.colors.size(), 1u);
  EXPECT_EQ(collisions_.Contacts, nullptr);
}

// A floor outline with its corner point (10, 0) written twice: the edge between the two copies has no
// direction. Corners meeting there touch the real edges only.
TEST_F(CollisionsTest, ZeroLengthEdgesAreSkipped) {
  Write("floor.exs", "points =6\r\n%%data\r\n-10 10 10 10 -10 -10\r\n-1 -1 0 0 0 -1\r\n%%enddata\r\n");
  Write("box.exs", kBoxOutline);
  Write("floor.bdy", BodyFile("Floor", "floor.exs", 1000, 1000, ""));
  Write("box.bdy", BodyFile("Box", "box.exs", 2, 1, "x=10.5\r\ny=0.5\r\n"));
  Write("model.cop", "[Floor-Box]\r\nresistingPenetration=T:F\r\n");
  Load("maximumPenetration=1e-3\r\n", {"floor.bdy", "box.bdy"}, 0);
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_EQ(FoundContacts(collisions_, true), (std::vector<Found>{{0, 1, 1, 0}, {0, 3, 1, 0}}));
  for (std::int32_t i = 0; i < collisions_.Contacts->Count(); ++i) {
    EXPECT_TRUE(std::isfinite(collisions_.Contacts->Items(i).Kinematics.Position.Normal.Get()));
  }
}

// A floor turned by an angle whose sine and cosine are not exact, with box corners placed 1e-12 m inside
// its top edge at many places: the depth's radicand and the corner cosines come out past their bounds
// through round-off, and every corner must still be found.
TEST_F(CollisionsTest, CornersLyingOnATurnedEdgeAreAllFound) {
  const long double angle = 0.3L, depth = 1e-12L;
  LoadBoxOnFloor("y=5\r\n", "", "", "maximumPenetration=1e-3\r\n", "Rz=" + Num(angle) + "\r\n");
  const long double c = std::cos(angle), s = std::sin(angle);
  int found = 0;
  for (int i = 0; i < 200; ++i) {
    // The box turned with the floor, its corner 0 at u along the top edge, moved in along (s, -c).
    const long double u = -8 + 0.0731L * i;
    Q(2) = angle;
    Q(0) = u * c + 0.5L * c - 0.5L * s + depth * s;
    Q(1) = u * s + 0.5L * s + 0.5L * c - depth * c;
    ASSERT_TRUE(collisions_.Detect());
    for (std::int32_t k = 0; k < collisions_.Contacts->Count(); ++k) {
      const TContact& contact = collisions_.Contacts->Items(k);
      found += contact.VertexIndex == 0;
      EXPECT_NEAR(static_cast<double>(contact.Kinematics.Position.Normal.Get()), -1e-12, 1e-14);
    }
  }
  EXPECT_EQ(found, 200);
}

// zeroVelocityTolerance 0 works as 1e-19: a corner approaching at exactly that speed is both an impact
// and resting; the retry after a negligible impact widens the tolerance tenfold and marks no impact.
TEST_F(CollisionsTest, ClassificationByVelocity) {
  LoadBoxOnFloor("y=0.5\r\n", "y=-1e-19\r\n", "", "maximumPenetration=1e-3\r\nZeroVelocityTolerance=0\r\n");
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_TRUE(collisions_.HasImpacts);
  EXPECT_EQ(collisions_.RestingContacts->Count(), 2);

  QDot(1) = -5e-19L;
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_TRUE(collisions_.HasImpacts);
  EXPECT_FALSE(collisions_.HasRestingContacts);
  for (int retry = 0; retry < 2; ++retry) {  // sorting again starts from empty subsets
    EXPECT_TRUE(collisions_.Classify(true));
    EXPECT_FALSE(collisions_.HasImpacts);
    EXPECT_EQ(collisions_.RestingContacts->Count(), 2);
    EXPECT_EQ(collisions_.StickingContacts->Count(), 2);
  }

  QDot(1) = 1e-17L;  // separating
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_FALSE(collisions_.HasImpacts);
  EXPECT_FALSE(collisions_.HasRestingContacts);
  EXPECT_TRUE(collisions_.ContactsPrepared());
}

// A sliding box: the subsets' friction maps hold each contact's mu and -sign(vT) mu in the column of its
// resting place.
TEST_F(CollisionsTest, SlidingSubsetMapsOntoTheRestingList) {
  LoadBoxOnFloor("y=0.5\r\n", "x=1\r\n", "friction=0.25\r\n");
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_EQ(collisions_.StickingContacts->Count(), 0);
  const TContactPoints& sliding = *collisions_.SlidingContacts;
  ASSERT_EQ(sliding.Count(), 2);
  EXPECT_EQ(sliding.FrictionMatrix.At(1, 1), 0.25L);
  EXPECT_EQ(sliding.FrictionMatrix.At(1, 0), 0);
  EXPECT_EQ(sliding.SignedFrictionMatrix.At(0, 0), -0.25L);
}

}  // namespace
}  // namespace zentrova::test
