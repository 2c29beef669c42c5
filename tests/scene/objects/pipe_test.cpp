// The pipe through the recording fake: its ring frame, strips and disks, colours from the nodes, normals
// of length Radius, the spline path, and its nodes' display name.
#include <cmath>

#include "objects_fixtures.h"
#include "platform/settings.h"
#include "scene/objects/pipe.h"

namespace zentrova::test {
namespace {

struct PipeCalls : FakeScene {
  PipeCalls() { fake.Clear(); }
};

TEST_F(PipeCalls, APipeAlongZTakesTheXFrameAndItsRingsGoFromRedToBlue) {
  TGLPipe pipe;
  pipe.SetSlices(4);
  pipe.SetNodesColorMode(pncmDiffuse);
  pipe.PipeNodes().AddXYZ(0, 0, 0)->Color().SetVector(clrRed);
  pipe.PipeNodes().AddXYZ(0, 0, 2)->Color().SetVector(clrBlue);
  pipe.BuildList(rci);
  const Calls calls = fake.Calls();
  EXPECT_EQ(calls.front(), GLCall("glPushAttrib", GL_ENABLE_BIT));
  EXPECT_EQ(calls[1], GLCall("glEnable", GL_COLOR_MATERIAL));
  EXPECT_EQ(calls[2], GLCall("glColorMaterial", GL_FRONT_AND_BACK, GL_DIFFUSE));
  EXPECT_EQ(calls.back(), "glPopAttrib()");
  const auto p = Primitives(calls);
  ASSERT_EQ(p.size(), 1u);
  // B0 A0 B1 A1 …: the later ring (blue, z = 2) first. u = X × Z = (0, −1, 0), v = Z × u = (1, 0, 0).
  const Calls v = p[0].Vertices();
  ASSERT_EQ(v.size(), 10u);
  const double expected[10][3] = {{0, -1, 2}, {0, -1, 0}, {1, 0, 2},  {1, 0, 0},  {0, 1, 2},
                                  {0, 1, 0},  {-1, 0, 2}, {-1, 0, 0}, {0, -1, 2}, {0, -1, 0}};
  for (std::size_t i = 0; i < 10; ++i) {
    const auto n = Numbers(v[i]);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(n[k], expected[i][k], 1e-6) << i;
  }
  const Calls colors = Named(p[0].calls, "glColor4fv");
  ASSERT_EQ(colors.size(), 10u);
  EXPECT_EQ(colors[0], "glColor4fv([0, 0, 1, 1])");
  EXPECT_EQ(colors[1], "glColor4fv([1, 0, 0, 1])");
  EXPECT_EQ(pipe.TriangleCount(), 10);
}

TEST_F(PipeCalls, NormalsHaveTheLengthOfTheRadiusAndRadiusFactorsScaleOnlyThePositions) {
  TGLPipe pipe;
  pipe.SetRadius(2);
  pipe.PipeNodes().AddXYZ(0, 0, 0);
  pipe.PipeNodes().AddXYZ(1, 0, 0)->SetRadiusFactor(0.5f);
  pipe.BuildList(rci);
  const auto p = Primitives(fake.Calls());
  ASSERT_EQ(p.size(), 1u);
  for (const std::string& n : Named(p[0].calls, "glNormal3fv")) {
    const auto v = Numbers(n);
    EXPECT_NEAR(std::hypot(v[0], v[1], v[2]), 2, 1e-5) << n;
  }
  const auto b0 = Numbers(p[0].Vertices()[0]), a0 = Numbers(p[0].Vertices()[1]);
  EXPECT_NEAR(std::hypot(b0[1], b0[2]), 1, 1e-5);  // 2 · 0.5 at the second node
  EXPECT_NEAR(std::hypot(a0[1], a0[2]), 2, 1e-5);
  EXPECT_TRUE(Named(fake.Calls(), "glColor4fv").empty());
}

TEST_F(PipeCalls, NoNodeDrawsNothingAndOneNodeOnlyItsStartDiskFacingBack) {
  TGLPipe pipe;
  pipe.SetParts(kAllPipeParts);
  pipe.BuildList(rci);
  EXPECT_TRUE(fake.Calls().empty());
  EXPECT_EQ(pipe.TriangleCount(), 0);
  pipe.SetParts((1u << ppOutside) | (1u << ppStartDisk));
  pipe.SetSlices(6);
  pipe.PipeNodes().AddXYZ(1, 2, 3);
  pipe.BuildList(rci);
  const auto p = Primitives(fake.Calls());
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(p[0].mode, static_cast<GLenum>(GL_TRIANGLE_FAN));
  EXPECT_EQ(p[0].Vertices().size(), 8u);  // the centre and 7 ring points
  EXPECT_EQ(p[0].Vertices()[0], "glVertex3fv([1, 2, 3])");
  EXPECT_EQ(pipe.TriangleCount(), 7);
}

TEST_F(PipeCalls, BothDisksCloseAStraightPipeTheStopDiskFacingAlongThePath) {
  TGLPipe pipe;
  pipe.SetSlices(4);
  pipe.SetParts(kAllPipeParts);
  pipe.PipeNodes().AddXYZ(0, 0, 0);
  pipe.PipeNodes().AddXYZ(3, 0, 0);
  pipe.BuildList(rci);
  const auto p = Primitives(fake.Calls());
  ASSERT_EQ(p.size(), 4u);  // start disk, outside, inside, stop disk
  EXPECT_EQ(Named(p[0].calls, "glNormal3fv")[0], "glNormal3fv([-1, -0, -0])");
  EXPECT_EQ(Named(p[3].calls, "glNormal3fv")[0], "glNormal3fv([1, 0, 0])");
  EXPECT_EQ(pipe.TriangleCount(), 5 + 10 + 10 + 5);
}

// The winding of a fan's first triangle (centre, first and second ring point), as a direction.
TAffineVector FanFacing(const TPrimitive& fan) {
  const Calls v = fan.Vertices();
  const auto c = Numbers(v.at(0)), a = Numbers(v.at(1)), b = Numbers(v.at(2));
  const double ax = a[0] - c[0], ay = a[1] - c[1], az = a[2] - c[2];
  const double bx = b[0] - c[0], by = b[1] - c[1], bz = b[2] - c[2];
  return {static_cast<float>(ay * bz - az * by), static_cast<float>(az * bx - ax * bz),
          static_cast<float>(ax * by - ay * bx)};
}

TEST_F(PipeCalls, EachDiskWindsCounterClockwiseSeenFromWhereItsNormalPoints) {
  TGLPipe pipe;
  pipe.SetSlices(6);
  pipe.SetParts((1u << ppStartDisk) | (1u << ppStopDisk));
  pipe.PipeNodes().AddXYZ(0, 0, 0);
  pipe.PipeNodes().AddXYZ(3, 0, 0);
  pipe.BuildList(rci);
  const auto p = Primitives(fake.Calls());
  ASSERT_EQ(p.size(), 2u);
  const struct { const char* disk; float x; } disks[] = {{"start", -1}, {"stop", 1}};
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(disks[i].disk);
    EXPECT_EQ(Numbers(Named(p[i].calls, "glNormal3fv").at(0)).at(0), disks[i].x);
    const TAffineVector facing = FanFacing(p[i]);
    EXPECT_GT(facing[0] * disks[i].x, 0) << facing[0];
    EXPECT_NEAR(facing[1], 0, 1e-6);
    EXPECT_NEAR(facing[2], 0, 1e-6);
  }
}

TEST_F(PipeCalls, RingsOfASplineBetweenTwoNodesTakeTheInterpolatedColour) {
  TGLPipe pipe;
  pipe.SetSlices(4);
  pipe.SetSplineMode(lsmCubicSpline);
  pipe.SetDivision(4);
  pipe.SetNodesColorMode(pncmDiffuse);
  pipe.PipeNodes().AddXYZ(0, 0, 0)->Color().SetVector(clrRed);
  pipe.PipeNodes().AddXYZ(0, 0, 2)->Color().SetVector(clrBlue);
  pipe.BuildList(rci);
  const auto p = Primitives(fake.Calls());
  ASSERT_EQ(p.size(), 4u);
  // Strip k joins ring k - 1 to ring k, the later ring's colour first; ring k lies at t = k / 4.
  const char* const expected[4] = {"glColor4fv([0.75, 0, 0.25, 1])", "glColor4fv([0.5, 0, 0.5, 1])",
                                   "glColor4fv([0.25, 0, 0.75, 1])", "glColor4fv([0, 0, 1, 1])"};
  for (int k = 0; k < 4; ++k) {
    const Calls colors = Named(p[k].calls, "glColor4fv");
    ASSERT_EQ(colors.size(), 10u) << k;
    EXPECT_EQ(colors[0], expected[k]) << k;
    EXPECT_EQ(colors[1], k == 0 ? "glColor4fv([1, 0, 0, 1])" : expected[k - 1]) << k;
  }
}

TEST_F(PipeCalls, ASplinePathTakesDivisionStepsPerNodeInterval) {
  TGLPipe pipe;
  pipe.SetSlices(3);
  pipe.SetSplineMode(lsmCubicSpline);
  pipe.SetDivision(4);
  pipe.PipeNodes().AddXYZ(0, 0, 0);
  pipe.PipeNodes().AddXYZ(1, 1, 0);
  pipe.PipeNodes().AddXYZ(2, 0, 0);
  pipe.BuildList(rci);
  const auto p = Primitives(fake.Calls());
  ASSERT_EQ(p.size(), 8u);
  // The last ring's centre is the last node: its points lie at Radius from it.
  const auto last_b = Numbers(p.back().Vertices()[0]);
  EXPECT_NEAR(std::hypot(last_b[0] - 2, last_b[1], last_b[2]), 1, 1e-5);
}

TEST(PipeNode, DisplayNameAddsTheRadiusFactorWithThreeDecimals) {
  TGLPipe pipe;
  TGLPipeNode* node = pipe.PipeNodes().AddXYZ(1, 2, 3);
  node->SetRadiusFactor(1.25f);
  const char separator = DecimalSeparator();
  SetDecimalSeparator('.');
  EXPECT_EQ(node->GetDisplayName(), "1.0000; 2.0000; 3.0000 / rf = 1.250");
  SetDecimalSeparator(separator);
  TGLPipe copy;
  copy.Assign(&pipe);
  EXPECT_EQ(copy.PipeNodes()[0]->RadiusFactor(), 1.25f);
}

}  // namespace
}  // namespace zentrova::test
