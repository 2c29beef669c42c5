#include "engine/contact/collisions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "collisions_test_support.h"

namespace zentrova::test {
namespace {

using Found =
    std::vector<std::tuple<int, int, int, int>>;  // edge body, edge index, vertex body, vertex index
using Points = std::vector<std::vector<float>>;

Found FoundContacts(const TCollisions& collisions) {
  Found found;
  for (std::int32_t i = 0; collisions.Contacts != nullptr && i < collisions.Contacts->Count(); ++i) {
    const TContact& c = collisions.Contacts->Items(i);
    found.emplace_back(c.EdgeBody, c.EdgeIndex, c.VertexBody, c.VertexIndex);
  }
  return found;
}

// The root boxes share the bound y = 0: touching boxes go on to the narrow phase. At rest both corners
// rest and stick; a nanometre higher there is no contact.
TEST_F(CollisionsTest, BoxStandingOnTheFloorTouchesWithBothBottomCorners) {
  LoadBoxOnFloor("y=0.5\r\n", "", "friction=0.5\r\n");
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_TRUE(collisions_.ContactsPrepared());
  EXPECT_EQ(FoundContacts(collisions_), (Found{{0, 2, 1, 0}, {0, 2, 1, 1}}));
  const TContact& left = collisions_.Contacts->Items(0);  // t, x on the edge, tangent, depth
  EXPECT_EQ(std::tuple(left.EdgeParameter, left.ContactPoint.X.Get(), left.Tangent.X.Get(),
                       left.Kinematics.Position.Normal.Get()),
            std::tuple(0.525L, -0.5L, -1.0L, 0.0L));
  EXPECT_FALSE(collisions_.HasImpacts);
  EXPECT_EQ(collisions_.StickingContacts->Count(), 2);
  Q(1) = 0.500000001L;
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_FALSE(collisions_.ContactsPrepared());
}

TEST_F(CollisionsTest, StepThatMayMoveTooFarIsRefusedOnlyForOverlappingBodies) {
  LoadBoxOnFloor("y=0.5\r\n", "", "");
  displacement_ = 1.5e-3L;  // maximumPenetration is 1e-3
  EXPECT_FALSE(collisions_.Detect());
  EXPECT_TRUE(collisions_.TooDeep);
  Q(1) = 5;
  EXPECT_TRUE(collisions_.Detect());
  Q(1) = 0.5L;
  displacement_ = 1e-3L;  // equal to the limit is allowed
  EXPECT_TRUE(collisions_.Detect());
  EXPECT_EQ(collisions_.Contacts->Count(), 2);
}

// The square [-1, 0]^2 (point 2 at the origin between edge 1 up the right side and edge 2 along the top)
// and a probe whose corner 0 alone enters it: near the corner a vertex belongs to the nearer edge, on the
// bisector to the edge that starts there.
using CornerCase = std::tuple<long double, long double, long double, int>;  // x, y, depth, edge
class CornerTest : public CollisionsTest, public ::testing::WithParamInterface<CornerCase> {};

TEST_P(CornerTest, VertexNearACornerBelongsToOneEdge) {
  const auto& [x, y, depth, edge] = GetParam();
  Write("corner.exs", "points =5\r\n%%data\r\n-1 0 0 -1 -1\r\n-1 -1 0 0 -1\r\n%%enddata\r\n");
  Write("probe.exs",
        "points =5\r\n%%data\r\n-0.25 0.75 0.75 -0.25 -0.25\r\n-0.25 -0.25 0.75 0.75 -0.25\r\n%%enddata\r\n");
  Write("corner.bdy", BodyFile("Corner", "corner.exs", 1, 1, "", "", "skinThickness=0.5\r\n"));
  Write("probe.bdy", BodyFile("Probe", "probe.exs", 1, 1, "x=" + Num(x) + "\r\ny=" + Num(y) + "\r\n"));
  Write("model.cop", "[Corner-Probe]\r\nresistingPenetration=T:F\r\n");
  Load("maximumPenetration=0.5\r\n", {"corner.bdy", "probe.bdy"}, 0);
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_EQ(FoundContacts(collisions_), (Found{{0, edge, 1, 0}}));
  EXPECT_NEAR(collisions_.Contacts->Items(0).Kinematics.Position.Normal.Get(), depth, 1e-18);
}

INSTANTIATE_TEST_SUITE_P(BisectorNearerTopNearerSide, CornerTest,
                         ::testing::Values(CornerCase{0, 0, -0.25L, 2}, CornerCase{0, 0.05L, -0.2L, 2},
                                           CornerCase{0.05L, 0, -0.2L, 1}));

// A's corner 2 inside B near B's bottom edge, B's corner 0 inside A near A's top edge: the pair's section
// decides whose edges are tested; a body without a shape (A as a ghost) never collides.
using ModeCase = std::tuple<std::string, bool, Found>;  // .cop, A is a ghost, contacts
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

// Skin 0.1 m, maximumPenetration 0.5 m: corners 0.2 m deep are past the skin, 0.05 m deep within it.
TEST_F(CollisionsTest, VertexDeeperThanTheSkinIsNoContact) {
  LoadBoxOnFloor("y=0.3\r\n", "", "", "maximumPenetration=0.5\r\n", "", "skinThickness=0.1\r\n");
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_EQ(collisions_.Contacts->Count(), 0);
  Q(1) = 0.45L;
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_EQ(collisions_.Contacts->Count(), 2);
}

// Corners 2 mm deep with maximumPenetration 1 mm refuse the step. Asked to, detection draws per corner
// the edge's two end points and the corner, and breaks the run (only what it shows).
TEST_F(CollisionsTest, OverPenetrationRefusesTheStepAndIsDrawnAndBreaksWhenAsked) {
  LoadBoxOnFloor("y=0.498\r\n", "", "");
  TContactPointList drawn;
  drawn_ = &drawn;
  collisions_.BreakAtCollisions = true;
  EXPECT_FALSE(collisions_.Detect());
  EXPECT_TRUE(collisions_.TooDeep);
  EXPECT_EQ(collisions_.Contacts->Count() + stops_ + drawn.Points.size(), 0u);
  collisions_.ShowOverPenetratingPoints = true;
  EXPECT_FALSE(collisions_.Detect());
  EXPECT_EQ(stops_, 2);
  ASSERT_EQ(drawn.Points.size(), 6u);
  Points first;
  for (int i = 0; i < 2; ++i) first.push_back({drawn.Points[i].X, drawn.Points[i].Y});
  EXPECT_EQ(first, (Points{{10, 0}, {-10, 0}}));
  EXPECT_EQ(drawn.Points[2].X, -0.5f);
  EXPECT_FLOAT_EQ(drawn.Points[2].Y, -0.002f);
  EXPECT_TRUE(drawn.Visible);
}

// A floor turned by an angle whose sine and cosine are not exact, box corners placed 1e-12 m inside its
// top edge at many places: the depth's radicand and the corner cosines come out past their bounds
// through round-off, and every corner must still be found.
TEST_F(CollisionsTest, CornersLyingOnATurnedEdgeAreAllFound) {
  const long double angle = 0.3L, depth = 1e-12L, c = std::cos(angle), s = std::sin(angle);
  LoadBoxOnFloor("y=5\r\n", "", "", "maximumPenetration=1e-3\r\n", "Rz=" + Num(angle) + "\r\n");
  int found = 0;
  for (int i = 0; i < 200; ++i) {
    // The box turned with the floor, its corner 0 at u along the top edge, moved in along (s, -c).
    const long double u = -8 + 0.0731L * i;
    Q(2) = angle;
    Q(0) = u * c + 0.5L * c - 0.5L * s + depth * s;
    Q(1) = u * s + 0.5L * s + 0.5L * c - depth * c;
    ASSERT_TRUE(collisions_.Detect());
    for (std::int32_t k = 0; k < collisions_.Contacts->Count(); ++k) {
      found += collisions_.Contacts->Items(k).VertexIndex == 0;
      EXPECT_NEAR(collisions_.Contacts->Items(k).Kinematics.Position.Normal.Get(), -1e-12, 1e-14);
    }
  }
  EXPECT_EQ(found, 200);
}

// zeroVelocityTolerance 0 works as 1e-19: a corner approaching at exactly that speed is both an impact
// and resting; the retry after a negligible impact widens the tolerance tenfold and marks no impact.
TEST_F(CollisionsTest, ClassificationByVelocity) {
  LoadBoxOnFloor("y=0.5\r\n", "y=-1e-19\r\n", "", "maximumPenetration=1e-3\r\nZeroVelocityTolerance=0\r\n");
  h_.Zero();  // without forces: the tolerance is the model's alone
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
  EXPECT_FALSE(collisions_.HasImpacts || collisions_.HasRestingContacts);
  EXPECT_TRUE(collisions_.ContactsPrepared());
}

}  // namespace
}  // namespace zentrova::test
