#include "engine/contact/collisions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "collisions_test_support.h"
#include "engine/engine_constants.h"

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

// The square [-1, 0]^2 again and a probe 1 m wide and 0.5 m high whose corners lie at or just inside the
// square's top corners. Where the probe's bottom edge runs from such a corner along the square's top
// (the probe stands on the square, exactly above it or nearly), the corner also gets the top edge, at
// its depth below it, so that the normal holds it up; deeper than maximumPenetration (1 mm) the step is
// refused, also past the skin (0.1 m). Where the probe stands beside the square, its edge running down
// the side, the side alone holds it. Only the square's edges are tested.
struct AtCornerCase {
  const char* what;
  long double x, y;  // the probe's centre
  bool refused;
  std::vector<std::tuple<int, int, long double>> contacts;  // edge, probe corner, depth (sorted)
};
void PrintTo(const AtCornerCase& c, std::ostream* os) {
  *os << c.what;
}
class VertexAtCornerTest : public CollisionsTest, public ::testing::WithParamInterface<AtCornerCase> {};

TEST_P(VertexAtCornerTest, GetsTheEdgeThatHoldsIt) {
  const AtCornerCase& c = GetParam();
  Write("corner.exs", "points =5\r\n%%data\r\n-1 0 0 -1 -1\r\n-1 -1 0 0 -1\r\n%%enddata\r\n");
  Write("probe.exs",
        "points =5\r\n%%data\r\n-0.5 0.5 0.5 -0.5 -0.5\r\n-0.25 -0.25 0.25 0.25 -0.25\r\n%%enddata\r\n");
  Write("corner.bdy", BodyFile("Corner", "corner.exs", 1, 1, ""));
  Write("probe.bdy", BodyFile("Probe", "probe.exs", 1, 1, "x=" + Num(c.x) + "\r\ny=" + Num(c.y) + "\r\n"));
  Write("model.cop", "[Corner-Probe]\r\nresistingPenetration=T:F\r\n");
  Load("maximumPenetration=1e-3\r\n", {"corner.bdy", "probe.bdy"}, 0);
  EXPECT_EQ(collisions_.Detect(), !c.refused);
  EXPECT_EQ(collisions_.TooDeep, c.refused);
  if (c.refused) return;
  std::vector<std::tuple<int, int, long double>> found;
  for (std::int32_t i = 0; i < collisions_.Contacts->Count(); ++i) {
    const TContact& contact = collisions_.Contacts->Items(i);
    ASSERT_EQ(contact.EdgeBody, 0);
    found.emplace_back(contact.EdgeIndex, contact.VertexIndex, contact.Kinematics.Position.Normal.Get());
  }
  std::sort(found.begin(), found.end());
  ASSERT_EQ(found.size(), c.contacts.size());
  for (std::size_t i = 0; i < found.size(); ++i) {
    EXPECT_EQ(std::get<0>(found[i]), std::get<0>(c.contacts[i])) << i;
    EXPECT_EQ(std::get<1>(found[i]), std::get<1>(c.contacts[i])) << i;
    EXPECT_NEAR(std::get<2>(found[i]), std::get<2>(c.contacts[i]), 1e-15L) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    StackedOrBeside, VertexAtCornerTest,
    ::testing::Values(
        // Corners 0 and 1 on the sides' lines 0.1 mm below the top: the top edge too, 0.1 mm deep.
        AtCornerCase{"above", -0.5L, 0.25L - 1e-4L, false, {{1, 1, 0}, {2, 0, -1e-4L}, {2, 1, -1e-4L}, {3, 0, 0}}},
        // Corner 1 0.01 mm inside the side, 0.1 mm below the top: nearer the side, held by the top too
        // (corner 0 is outside).
        AtCornerCase{"just inside", -0.5L - 1e-5L, 0.25L - 1e-4L, false, {{1, 1, -1e-5L}, {2, 1, -1e-4L}}},
        // On the corners themselves both edges, as before.
        AtCornerCase{"on the corners", -0.5L, 0.25L, false, {{1, 1, 0}, {2, 0, 0}, {2, 1, 0}, {3, 0, 0}}},
        // Beside the square, the probe's left side on the square's right one, with its corner 3 or its
        // corner 0 0.1 mm below the top (sliding down past it, or resting beside it).
        AtCornerCase{"beside", 0.5L, -0.25L - 1e-4L, false, {{1, 0, 0}, {1, 3, 0}}},
        AtCornerCase{"beside its bottom", 0.5L, 0.25L - 1e-4L, false, {{1, 0, 0}}},
        // Pushed 0.1 mm into the square's left side with its bottom on the square's: its corner 1 lies on
        // edge 0 where the outline starts, its side running up edge 3, the edge before edge 0, which holds
        // it as any other corner's edge does.
        AtCornerCase{"beside the first corner", -1.5L + 1e-4L, -0.75L, false,
                     {{0, 1, 0}, {3, 1, -1e-4L}, {3, 2, -1e-4L}}},
        AtCornerCase{"sunk 2 mm", -0.5L, 0.25L - 2e-3L, true, {}},
        AtCornerCase{"sunk past the skin", -0.5L, 0.25L - 0.2L, true, {}}),
    [](const ::testing::TestParamInfo<AtCornerCase>& info) {
      std::string name = info.param.what;
      for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      }
      return name;
    });

// The square's right side leaning out below its top-right corner, (a, -1) to (0, 0), so that the corner
// opens to 90 + atan(a) degrees, and the probe standing on the top with its corner 1 0.1 mm down, nearer
// the side than the top: up to 135 degrees the top holds it too; a wider corner is no corner the probe's
// bottom can hang on, and the side alone takes it.
struct TWideCorner {
  long double a;
  bool held;
};
void PrintTo(const TWideCorner& c, std::ostream* os) {
  *os << "side from (" << static_cast<double>(c.a) << ", -1)" << (c.held ? " holds" : " does not hold");
}
class WideCornerTest : public CollisionsTest, public ::testing::WithParamInterface<TWideCorner> {};

TEST_P(WideCornerTest, HoldsOnlyUpTo135Degrees) {
  const auto [a, held] = GetParam();
  Write("corner.exs", "points =5\r\n%%data\r\n-1 " + Num(a) + " 0 -1 -1\r\n-1 -1 0 0 -1\r\n%%enddata\r\n");
  Write("probe.exs",
        "points =5\r\n%%data\r\n-0.5 0.5 0.5 -0.5 -0.5\r\n-0.25 -0.25 0.25 0.25 -0.25\r\n%%enddata\r\n");
  Write("corner.bdy", BodyFile("Corner", "corner.exs", 1, 1, ""));
  Write("probe.bdy", BodyFile("Probe", "probe.exs", 1, 1, "x=-0.5\r\ny=" + Num(0.25L - 1e-4L) + "\r\n"));
  Write("model.cop", "[Corner-Probe]\r\nresistingPenetration=T:F\r\n");
  Load("maximumPenetration=1e-3\r\n", {"corner.bdy", "probe.bdy"}, 0);
  ASSERT_TRUE(collisions_.Detect());
  std::vector<std::pair<int, long double>> corner1;
  for (std::int32_t i = 0; i < collisions_.Contacts->Count(); ++i) {
    const TContact& contact = collisions_.Contacts->Items(i);
    if (contact.VertexIndex == 1) corner1.emplace_back(contact.EdgeIndex, contact.Kinematics.Position.Normal.Get());
  }
  std::sort(corner1.begin(), corner1.end());
  ASSERT_EQ(corner1.size(), held ? 2u : 1u);
  EXPECT_EQ(corner1[0].first, 1);
  EXPECT_NEAR(corner1[0].second, -1e-4L * a / std::sqrt(a * a + 1), 1e-15L);
  if (held) {
    EXPECT_EQ(corner1[1].first, 2);
    EXPECT_NEAR(corner1[1].second, -1e-4L, 1e-15L);
  }
}

// 117, 127 and 153 degrees.
INSTANTIATE_TEST_SUITE_P(OpeningCorner, WideCornerTest,
                         ::testing::Values(TWideCorner{0.5L, true}, TWideCorner{0.8L, true},
                                           TWideCorner{2, false}));

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

// Under gravity a contact rests while one step of free fall, twice over, could bring its normal velocity
// to 0 (2 dt g = 0.01962 m/s at dt = 1e-3), and sticks while its sliding is within friction's share of
// that (0.3 x 0.01962 = 0.005886 m/s); the model's tolerance counts only when it is larger.
TEST_F(CollisionsTest, ClassificationUnderGravityAllowsTwoStepsOfFreeFall) {
  const struct {
    long double vx, vy, tolerance;
    bool impact;
    int resting, sticking;
  } cases[] = {
      {0, -0.0196L, 1e-12L, false, 2, 2},     {0, -0.0197L, 1e-12L, true, 0, 0},
      {0, 0.0196L, 1e-12L, false, 2, 2},      {0, 0.0197L, 1e-12L, false, 0, 0},
      {0.0058L, 0, 1e-12L, false, 2, 2},      {0.006L, 0, 1e-12L, false, 2, 0},
      {-0.006L, -0.01L, 1e-12L, false, 2, 0}, {0, -0.0197L, 0.03L, false, 2, 2},
      {0.02L, 0, 0.03L, false, 2, 2},         {0.031L, 0, 0.03L, false, 2, 0},
  };
  LoadBoxOnFloor("y=0.5\r\n", "", "friction=0.3\r\n");
  world_.State.TimeStep = 1e-3L;
  for (const auto& c : cases) {
    SCOPED_TRACE("v = (" + Num(c.vx) + ", " + Num(c.vy) + "), tolerance " + Num(c.tolerance));
    world_.Settings.ZeroVelocityTolerance = c.tolerance;
    QDot(0) = c.vx;
    QDot(1) = c.vy;
    ASSERT_TRUE(collisions_.Detect());
    EXPECT_EQ(collisions_.HasImpacts, c.impact);
    EXPECT_EQ(collisions_.RestingContacts->Count(), c.resting);
    EXPECT_EQ(collisions_.StickingContacts->Count(), c.sticking);
    EXPECT_EQ(collisions_.SlidingContacts->Count(), c.resting - c.sticking);
  }
}

// A retry after a negligible impact marks no impact, even for a contact approaching far faster than the
// allowance: it neither rests nor strikes in the retried sorting.
TEST_F(CollisionsTest, RetriedClassificationOfAFastApproachMarksNoImpact) {
  LoadBoxOnFloor("y=0.5\r\n", "y=-2\r\n", "friction=0.3\r\n");
  world_.State.TimeStep = 1e-3L;
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_TRUE(collisions_.HasImpacts);
  EXPECT_TRUE(collisions_.Classify(true));
  EXPECT_FALSE(collisions_.HasImpacts);
  EXPECT_FALSE(collisions_.HasRestingContacts);
  EXPECT_EQ(collisions_.RestingContacts->Count(), 0);
  EXPECT_EQ(collisions_.Contacts->Count(), 2);
}

// A box lying on another, both falling freely: their relative acceleration is 0, but each falls at g of
// its own, so the contact holds 2 dt (g + g) = 0.03924 m/s at dt = 1e-3 like a box on a floor holds
// 2 dt g. On a floor that holds the lower box the upper one closes at g dt every step: that is resting.
TEST_F(CollisionsTest, BoxOnAFallingBoxRestsWithinBothFreeFalls) {
  Write("box.exs", kBoxOutline);
  Write("lower.bdy", BodyFile("Lower", "box.exs", kBoxMass, kBoxInertia, "y=0.5\r\n"));
  Write("upper.bdy", BodyFile("Upper", "box.exs", kBoxMass, kBoxInertia, "x=0.25\r\ny=1.5\r\n"));
  Write("model.gc", "b`Lower`x\r\nb`Lower`y\r\nb`Lower`Rz\r\nb`Upper`x\r\nb`Upper`y\r\nb`Upper`Rz\r\n");
  Write("model.cop", "[Lower-Upper]\r\nfriction=0.3\r\n");
  Load("maximumPenetration=1e-3\r\n", {"lower.bdy", "upper.bdy"}, 6, kBoxMass, kBoxInertia);
  for (std::uint32_t i = 0; i < 6; ++i) minv_.SetAt(i, i, i % 3 == 2 ? 1 / kBoxInertia : 1 / kBoxMass);
  h_.SetAt(1, -kBoxMass * kGravity);
  h_.SetAt(4, -kBoxMass * kGravity);
  world_.State.TimeStep = 1e-3L;
  for (const auto& [closing, impact] : {std::pair(0.039L, false), std::pair(0.0393L, true)}) {
    QDot(4) = -closing;
    ASSERT_TRUE(collisions_.Detect());
    EXPECT_EQ(collisions_.Contacts->Count(), 2);
    EXPECT_EQ(collisions_.HasImpacts, impact) << Num(closing);
    EXPECT_EQ(collisions_.RestingContacts->Count(), impact ? 0 : 2) << Num(closing);
  }
}

// Everything a contact carries from detection, bit for bit where it is a number.
using ContactRecord = std::tuple<int, int, int, int, std::string>;
std::vector<ContactRecord> Records(const TCollisions& collisions) {
  std::vector<ContactRecord> records;
  for (std::int32_t i = 0; collisions.Contacts != nullptr && i < collisions.Contacts->Count(); ++i) {
    const TContact& c = collisions.Contacts->Items(i);
    std::string bits;
    for (const long double x : {c.EdgeParameter, c.ContactPoint.X.Get(), c.ContactPoint.Y.Get(),
                                c.Tangent.X.Get(), c.Tangent.Y.Get(), c.Kinematics.Position.Normal.Get(),
                                c.Kinematics.Velocity.Normal.Get(), c.Kinematics.Velocity.Tangent.Get()}) {
      bits.append(reinterpret_cast<const char*>(&x), 10);
    }
    records.emplace_back(c.EdgeBody, c.EdgeIndex, c.VertexBody, c.VertexIndex, bits);
  }
  return records;
}

// A body that keeps its place is searched once and its contacts are added again from then on; anything
// the search reads that changes (a position or angle by the last bit, the skin, the outline, whose
// edges resist) must give what a detection that never saw the earlier steps gives.
TEST_F(CollisionsTest, RepeatedDetectionFindsWhatAFreshOneFinds) {
  LoadBoxOnFloor("y=0.48\r\n", "", "friction=0.3\r\n", "maximumPenetration=0.1\r\n", "",
                 "skinThickness=0.1\r\n");
  TBody& floor = Bodies().Items(0);
  const struct {
    const char* what;
    std::function<void()> change;
    std::size_t contacts;
  } steps[] = {
      {"at rest", [] {}, 2},
      {"again", [] {}, 2},
      {"velocity alone", [&] { QDot(0) = 0.25L; }, 2},
      {"x by one bit", [&] { Q(0) = std::nextafter(Q(0), 1.0L); }, 2},
      {"y by one bit", [&] { Q(1) = std::nextafter(Q(1), 1.0L); }, 2},
      {"turned a little", [&] { Q(2) = 1e-3L; }, 2},
      {"turned so that one corner lifts", [&] { Q(2) = 0.1L; }, 1},
      {"back at rest", [&] { Q(2) = 0; }, 2},
      {"the floor's skin thinner than the depth", [&] { floor.SkinThickness = 0.01L; }, 0},
      {"the skin back", [&] { floor.SkinThickness = 0.1L; }, 2},
      {"only the box's edges resist", [&] { properties_.ResistingPenetration.at(0) = kHigherResists; }, 0},
      {"both resist", [&] { properties_.ResistingPenetration.at(0) = kBothResist; }, 2},
      {"the floor's top edge raised by 1 cm in its outline",
       [&] {
         TExtrusionSolid& solid = floor.Solid;
         for (const std::uint32_t i : {2u, 3u}) solid.Shape.Y.Data()[i] = 0.01L;
         solid.BuildBoundingBoxTree(floor.SkinThickness, kPointsPerBoundingBox);
       },
       2},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    step.change();
    ASSERT_TRUE(collisions_.Detect());
    TCollisions fresh(*this);
    ASSERT_TRUE(fresh.Detect());
    EXPECT_EQ(Records(collisions_), Records(fresh));
    EXPECT_EQ(collisions_.Contacts->Count(), static_cast<std::int32_t>(step.contacts));
  }
}

// Boxes standing on a floor in the reverse of their body order, one stacked on another, one above them in
// the air and one off the floor's end. Whatever order they lie in along x, the pairs are searched in body
// order, i < j and j ascending within i, and every pair whose boxes overlap is found, also after bodies
// have passed each other.
TEST_F(CollisionsTest, PairsAreSearchedInBodyOrderWhereverTheBodiesLie) {
  Write("floor.exs", kFloorOutline);
  Write("box.exs", kBoxOutline);
  const struct {
    const char* name;
    long double x, y;
  } boxes[] = {{"B0", 4, 0.5L}, {"Far", 30, 0.5L}, {"B2", 0, 0.5L}, {"Floor", 0, 0},
               {"B4", 0.25L, 1.5L}, {"B5", 0.2L, 4}, {"B6", -4, 0.5L}};
  std::vector<std::string> files;
  std::string cop;
  for (const auto& box : boxes) {
    const bool floor = std::string(box.name) == "Floor";
    Write(std::string(box.name) + ".bdy",
          BodyFile(box.name, floor ? "floor.exs" : "box.exs", 1, 1,
                   "x=" + Num(box.x) + "\r\ny=" + Num(box.y) + "\r\n"));
    files.push_back(std::string(box.name) + ".bdy");
    cop += std::string("[") + box.name + ":all]\r\n";
  }
  Write("model.cop", cop);
  Load("maximumPenetration=1e-3\r\n", files, 0);
  using Pairs = std::vector<std::pair<int, int>>;
  const auto pairs = [&] {
    Pairs found;
    for (const auto& [e, k, v, m] : FoundContacts(collisions_)) {
      const std::pair<int, int> pair(std::min(e, v), std::max(e, v));
      if (found.empty() || found.back() != pair) found.push_back(pair);
    }
    return found;
  };
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_EQ(pairs(), (Pairs{{0, 3}, {2, 3}, {2, 4}, {3, 6}}));
  const Found found = FoundContacts(collisions_);
  ASSERT_GE(found.size(), 2u);
  EXPECT_EQ(Found(found.begin(), found.begin() + 2), (Found{{3, 2, 0, 0}, {3, 2, 0, 1}}));

  // B0 passes B2 and B6, Far comes onto the floor's end, B5 comes down onto B4.
  Bodies().Items(0).Kinematics.Position.X.Set(-6);
  Bodies().Items(1).Kinematics.Position.X.Set(9.5L);
  Bodies().Items(5).Kinematics.Position.Y.Set(2.5L);
  ASSERT_TRUE(collisions_.Detect());
  EXPECT_EQ(pairs(), (Pairs{{0, 3}, {1, 3}, {2, 3}, {2, 4}, {3, 6}, {4, 5}}));
  TCollisions fresh(*this);
  ASSERT_TRUE(fresh.Detect());
  EXPECT_EQ(Records(collisions_), Records(fresh));
}

// Five boxes, so that the broad phase sweeps along x: box a ends at x = 1 and box b starts at 1 plus the
// gap within which boxes count as touching, exactly or one bit further; the other three lie far apart.
// A step that may move too far is refused exactly when that pair reaches the narrow phase, whichever of
// the two comes first in body order.
TEST_F(CollisionsTest, SweepPairsABoxStartingAtAnothersEndPlusTheGap) {
  const long double limit = 1 + kContactOutsideTolerance;
  const struct {
    int a, b;
    bool beyond;
  } cases[] = {{0, 1, false}, {0, 1, true}, {3, 1, false}, {3, 1, true}, {4, 2, false}, {2, 4, false}};
  Write("box.exs", kBoxOutline);
  std::vector<std::string> files;
  std::string cop;
  for (int i = 0; i < 5; ++i) {
    const std::string name = "B" + std::to_string(i);
    Write(name + ".bdy", BodyFile(name, "box.exs", 1, 1, ""));
    files.push_back(name + ".bdy");
    cop += "[" + name + ":all]\r\n";
  }
  Write("model.cop", cop);
  Load("maximumPenetration=1e-3\r\n", files, 0);
  displacement_ = 1;
  for (const auto& c : cases) {
    SCOPED_TRACE("a = " + std::to_string(c.a) + ", b = " + std::to_string(c.b) +
                 (c.beyond ? ", one bit beyond" : ""));
    // Lower x bounds -0.5 + x: b's is 1 + the gap to the bit (0.5 + limit is exact).
    const long double start_b = c.beyond ? std::nextafter(limit, 2.0L) : limit;
    long double far = 10;
    for (int i = 0; i < 5; ++i) {
      auto& position = Bodies().Items(i).Kinematics.Position;
      const long double x = i == c.a ? 0.5L : i == c.b ? start_b + 0.5L : (far += 10);
      position.X.Set(x);
      position.Y.Set(i == c.a || i == c.b ? 0 : far);
    }
    ASSERT_EQ(Bodies().Items(c.b).Kinematics.Position.X.Get() - 0.5L, start_b);
    EXPECT_EQ(collisions_.Detect(), c.beyond);
    EXPECT_EQ(collisions_.TooDeep, !c.beyond);
  }
}

}  // namespace
}  // namespace zentrova::test
