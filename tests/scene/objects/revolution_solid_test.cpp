// The revolution solid through the recording fake: its steps and rings, the rise per turn, the
// interlocked angles, the caps, smoothing, and the cases that draw nothing.
#include <cmath>
#include <numbers>

#include "objects_fixtures.h"
#include "scene/gl/texture_coordinates.h"
#include "scene/objects/revolution_solid.h"

namespace zentrova::test {
namespace {

struct Revolution : FakeScene {
  Revolution() {
    TexCoordRouteMain();
    fake.Clear();
  }
  std::vector<std::vector<double>> Vertices(const TPrimitive& p) {
    std::vector<std::vector<double>> v;
    for (const std::string& c : p.Vertices()) v.push_back(Numbers(c));
    return v;
  }
};

TEST_F(Revolution, SixteenSlicesOverNinetyDegreesTakeFourStepsSlightlyLongerThanAnEighthOfPi) {
  TGLRevolutionSolid solid;
  solid.Nodes().AddXYZ(1, 1, 0);
  solid.Nodes().AddXYZ(1, 0, 0);
  solid.SetStopAngle(90);
  solid.BuildList(rci);
  const auto strips = Primitives(fake.Calls());
  ASSERT_EQ(strips.size(), 1u);
  const auto v = Vertices(strips[0]);
  ASSERT_EQ(v.size(), 10u);  // p0, q0, …, p4, q4
  const double step = std::numbers::pi / 8 / 0.999;
  for (std::size_t k = 0; k < 5; ++k) {
    const double a = step * static_cast<double>(k);
    EXPECT_NEAR(v[2 * k][0], std::cos(a), 1e-6) << k;
    EXPECT_NEAR(v[2 * k][2], -std::sin(a), 1e-6) << k;
    EXPECT_EQ(v[2 * k][1], 1);
    EXPECT_EQ(v[2 * k + 1][1], 0);
  }
  // The profile runs down at radius 1: the wall's normal points away from the axis.
  const auto n = Numbers(Named(strips[0].calls, "glNormal3fv")[0]);
  EXPECT_NEAR(n[0], 1, 1e-6);
  // S grows by a quarter of a quarter turn per ring; T is 0 on the first node's side, 1 on the other.
  const auto st = Named(strips[0].calls, "glTexCoord2fv");
  EXPECT_EQ(st[0], "glTexCoord2fv([0, 0])");
  EXPECT_EQ(st[1], "glTexCoord2fv([0, 1])");
  EXPECT_NEAR(Numbers(st[9])[0], 0.25, 1e-6);
  EXPECT_EQ(solid.TriangleCount(), 8);
}

TEST_F(Revolution, TwoTurnsRisingOnePerTurnLiftTheLastRingAndTheStopCapByTwo) {
  TGLRevolutionSolid solid;
  solid.Nodes().AddXYZ(2, 1, 0);
  solid.Nodes().AddXYZ(2, 0, 0);
  solid.Nodes().AddXYZ(1, 0, 0);
  solid.SetStopAngle(720);
  solid.SetYOffsetPerTurn(1);
  solid.SetParts((1u << rspOutside) | (1u << rspStopPolygon));
  solid.BuildList(rci);
  const auto p = Primitives(fake.Calls());
  ASSERT_GE(p.size(), 3u);
  const auto first = Vertices(p[0]);
  ASSERT_EQ(first.size(), 2u * 33);  // 32 steps
  EXPECT_NEAR(first.front()[1], 1, 1e-6);
  EXPECT_NEAR(first[64][1], 3, 1e-5);  // the last ring's first node: 1 + 2
  EXPECT_NEAR(first[65][1], 2, 1e-5);
  // The cap after the two wall strips: the profile, turned by 720 degrees, two higher.
  std::vector<double> cap_y;
  for (std::size_t i = 2; i < p.size(); ++i) {
    for (const auto& v : Vertices(p[i])) cap_y.push_back(v[1]);
  }
  ASSERT_FALSE(cap_y.empty());
  for (double y : cap_y) EXPECT_TRUE(std::abs(y - 2) < 1e-5 || std::abs(y - 3) < 1e-5) << y;
  EXPECT_EQ(solid.TriangleCount(), 2 * 32 * 2 + 3 + 1);
}

TEST_F(Revolution, NothingIsDrawnForOneNodeAnEmptySpanOrLessThanHalfASlice) {
  struct Case {
    const char* what;
    int nodes;
    float start, stop;
  };
  for (const Case& c :
       {Case{"one node", 1, 0, 360}, Case{"empty span", 2, 30, 30}, Case{"under half a slice", 2, 0, 10}}) {
    TGLRevolutionSolid solid;
    for (int i = 0; i < c.nodes; ++i) solid.Nodes().AddXYZ(1, static_cast<float>(i), 0);
    solid.SetStartAngle(c.start);
    solid.SetStopAngle(c.stop);
    solid.SetParts(kAllRevolutionSolidParts);
    fake.Clear();
    solid.BuildList(rci);
    EXPECT_TRUE(Named(fake.Calls(), "glBegin").empty()) << c.what;
    EXPECT_EQ(solid.TriangleCount(), 0) << c.what;
  }
}

TEST_F(Revolution, AnglesMoveEachOtherAlongAndSlicesBelowOneAreIgnored) {
  TGLRevolutionSolid solid;
  solid.SetStartAngle(400);
  EXPECT_EQ(solid.StopAngle(), 400);
  solid.SetStopAngle(-10);
  EXPECT_EQ(solid.StartAngle(), -10);
  solid.SetSlices(0);
  solid.SetSlices(-3);
  EXPECT_EQ(solid.Slices(), 16);
  TGLRevolutionSolid copy;
  solid.SetYOffsetPerTurn(2);
  solid.SetParts(kAllRevolutionSolidParts);
  copy.Assign(&solid);
  EXPECT_EQ(copy.StartAngle(), -10);
  EXPECT_EQ(copy.YOffsetPerTurn(), 2);
  EXPECT_EQ(copy.Parts(), kAllRevolutionSolidParts);
}

TEST_F(Revolution, SmoothingGivesTheSharedNodeThePreviousStripsNormalAndNoneDrawsAsFlat) {
  auto draw = [&](TNormalSmoothing normals) {
    TGLRevolutionSolid solid;
    solid.Nodes().AddXYZ(1, 2, 0);
    solid.Nodes().AddXYZ(1, 1, 0);
    solid.Nodes().AddXYZ(2, 0, 0);
    solid.SetSlices(4);
    solid.SetNormals(normals);
    fake.Clear();
    solid.BuildList(rci);
    return fake.Calls();
  };
  const Calls smooth = draw(nsSmooth);
  const auto p = Primitives(smooth);
  ASSERT_EQ(p.size(), 2u);
  const Calls first = Named(p[0].calls, "glNormal3fv"), second = Named(p[1].calls, "glNormal3fv");
  ASSERT_EQ(first.size(), second.size());
  for (std::size_t i = 0; i < first.size(); i += 2) {
    EXPECT_EQ(second[i], first[i]) << i;          // the shared node (1, 1): the upper edge's normal
    EXPECT_NE(second[i + 1], first[i + 1]) << i;  // the lower node: the lower edge's own
  }
  const Calls flat = draw(nsFlat);
  const auto pf = Primitives(flat);
  const Calls flat_second = Named(pf[1].calls, "glNormal3fv");
  for (std::size_t i = 0; i < flat_second.size(); i += 2) EXPECT_EQ(flat_second[i], flat_second[i + 1]);
  EXPECT_EQ(draw(nsNone), flat);
}

TEST_F(Revolution, InsideFacesComeFirstWithTheProfileReversed) {
  TGLRevolutionSolid solid;
  solid.Nodes().AddXYZ(1, 1, 0);
  solid.Nodes().AddXYZ(1, 0, 0);
  solid.SetSlices(4);
  solid.SetParts((1u << rspOutside) | (1u << rspInside));
  solid.BuildList(rci);
  const auto p = Primitives(fake.Calls());
  ASSERT_EQ(p.size(), 2u);
  EXPECT_NEAR(Numbers(Named(p[0].calls, "glNormal3fv")[0])[0], -1, 1e-6);
  EXPECT_NEAR(Numbers(Named(p[1].calls, "glNormal3fv")[0])[0], 1, 1e-6);
  // Exchanged points, T left in place: the inside strip starts at the lower node with T = 0.
  EXPECT_EQ(Numbers(p[0].Vertices()[0])[1], 0);
  EXPECT_EQ(Named(p[0].calls, "glTexCoord2fv")[0], "glTexCoord2fv([0, 0])");
  EXPECT_EQ(solid.TriangleCount(), 2 * 4 * 1 * 2);
}

}  // namespace
}  // namespace zentrova::test
