// What the basic objects send to OpenGL, through the recording fake: the wire cube's exact sequence,
// the dodecahedron's table, the plane's two forms, points, lines in every mode, the sphere and the cube.
#include <cmath>

#include "objects_fixtures.h"
#include "scene/base/float_math.h"
#include "scene/base/matrix_geometry.h"
#include "scene/base/vector_geometry.h"
#include "scene/objects/cube.h"
#include "scene/objects/dummy_cube.h"
#include "scene/objects/lines.h"
#include "scene/objects/plane.h"
#include "scene/objects/points.h"
#include "scene/objects/space_text.h"
#include "scene/objects/sphere.h"
#include "scene/objects/sprite.h"
#include "scene/gl/texture_coordinates.h"

namespace zentrova::test {
namespace {

// Texture coordinates routed to the main unit, and the calls of making the context forgotten.
struct ObjectCalls : FakeScene {
  ObjectCalls() {
    TexCoordRouteMain();
    fake.Clear();
  }
};

Calls WireCubeCalls(float h, bool stipple, const TVector4f& c) {
  Calls calls{GLCall("glPushAttrib", 0x6045), GLCall("glDisable", GL_LIGHTING), GLCall("glEnable", GL_LINE_SMOOTH)};
  if (stipple) {
    calls.insert(calls.end(), {GLCall("glEnable", GL_LINE_STIPPLE), GLCall("glEnable", GL_BLEND),
                               GLCall("glBlendFunc", GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA),
                               GLCall("glLineStipple", 1, 0xCCCC)});
  }
  calls.push_back(GLCall("glLineWidth", 1.0f));
  // ResetMaterialColors: OpenGL's default material on both faces.
  calls.insert(calls.end(), {"glMaterialfv(1032, 4608, [0.200000003, 0.200000003, 0.200000003, 1])",
                             "glMaterialfv(1032, 4609, [0.800000012, 0.800000012, 0.800000012, 1])",
                             "glMaterialfv(1032, 4610, [0, 0, 0, 1])", "glMaterialfv(1032, 5632, [0, 0, 0, 1])",
                             GLCall("glMateriali", GL_FRONT_AND_BACK, GL_SHININESS, 0)});
  calls.insert(calls.end(), {GLCall("glColorMaterial", GL_FRONT, GL_EMISSION), GLCall("glEnable", GL_COLOR_MATERIAL),
                             "glColor4fv(" + Values(c[0], c[1], c[2], c[3]).text + ")",
                             GLCall("glBegin", GL_LINE_STRIP)});
  const float strip[10][3] = {{h, -h, -h}, {h, h, -h},  {h, h, h},   {h, -h, h},  {h, -h, -h},
                              {-h, -h, -h}, {-h, -h, h}, {-h, h, h}, {-h, h, -h}, {h, h, -h}};
  for (const auto& v : strip) calls.push_back(GLCall("glVertex3f", v[0], v[1], v[2]));
  calls.insert(calls.end(), {"glEnd()", GLCall("glBegin", GL_LINES)});
  const float edges[6][3] = {{h, h, h}, {-h, h, h}, {-h, -h, -h}, {-h, h, -h}, {h, -h, h}, {-h, -h, h}};
  for (const auto& v : edges) calls.push_back(GLCall("glVertex3f", v[0], v[1], v[2]));
  calls.insert(calls.end(), {"glEnd()", "glPopAttrib()"});
  return calls;
}

TEST_F(ObjectCalls, DrawWireCubeSendsTheDashedCubeExactlyAndANegativeSizeSwapsTheCorners) {
  DrawWireCube(rci, 2, true, {0.5f, 0.25f, 1, 1});
  EXPECT_EQ(fake.Calls(), WireCubeCalls(1, true, {0.5f, 0.25f, 1, 1}));
  fake.Clear();
  DrawWireCube(rci, -3, false, clrRed);
  EXPECT_EQ(fake.Calls(), WireCubeCalls(-1.5f, false, clrRed));
}

TEST_F(ObjectCalls, ARunTimeDummyCubeDrawsOnlyItsChildrenAndDesignTimeOrVisibleAtRunTimeAddTheCube) {
  auto& cube = stage.Objects().AddNewChild<TGLDummyCube>();
  cube.SetName("cube");
  cube.AddNewChild<TMarker>("child");
  stage.Objects().RenderWithTransform(rci);
  EXPECT_EQ(Named(fake.Calls(), "glBegin").size(), 0u);
  EXPECT_EQ(CountOf(fake.Calls(), "build child"), 1);
  fake.Clear();
  cube.SetVisibleAtRunTime(true);
  stage.Objects().RenderWithTransform(rci);
  EXPECT_EQ(Named(fake.Calls(), "glLineStipple"), (Calls{GLCall("glLineStipple", 1, 0xCCCC)}));
  fake.Clear();
  cube.SetVisibleAtRunTime(false);
  cube.SetDesigning(true);
  stage.Objects().RenderWithTransform(rci);
  EXPECT_EQ(Named(fake.Calls(), "glBegin").size(), 2u);
  EXPECT_TRUE(cube.HasStyle(osDirectDraw));
  EXPECT_FALSE(cube.RayCastIntersect({0, 0, 5, 1}, {0, 0, -1, 0}));
  ExpectNear(cube.UnscaledHalfExtents(), {0.5, 0.5, 0.5, 0}, 0);
  cube.SetCubeSize(-4);
  ExpectNear(cube.UnscaledHalfExtents(), {2, 2, 2, 0}, 0);
}

TEST_F(ObjectCalls, AVetoHidesTheWholeSubTreeForThatFrameOnly) {
  auto& cube = stage.Objects().AddNewChild<TGLDummyCube>();
  cube.AddNewChild<TMarker>("child");
  int asked = 0;
  cube.OnVisibilityDetermination = [&](TGLDummyCube&, TRenderContextInfo&) { return ++asked > 1; };
  stage.Objects().RenderWithTransform(rci);
  EXPECT_EQ(CountOf(fake.Calls(), "build child"), 0);
  stage.Objects().RenderWithTransform(rci);
  EXPECT_EQ(CountOf(fake.Calls(), "build child"), 1);
}

TEST_F(ObjectCalls, AmalgamationCompilesTheSubTreeOnceUntilTheCubeIsMarkedDirty) {
  auto& cube = stage.Objects().AddNewChild<TGLDummyCube>();
  auto& child = cube.AddNewChild<TMarker>("child");
  cube.SetAmalgamate(true);
  EXPECT_TRUE(cube.HasStyle(osTampersWithState));
  stage.Objects().RenderWithTransform(rci);
  const GLuint list = cube.GroupListName();
  ASSERT_NE(list, 0u);
  EXPECT_EQ(Only({"glNewList", "glEndList", "glCallList", "build"}),
            (Calls{GLCall("glNewList", list, GL_COMPILE), "build child", "glEndList()", GLCall("glCallList", list)}));
  EXPECT_FALSE(rci.amalgamating);
  fake.Clear();
  child.Position().SetX(3);
  stage.Objects().RenderWithTransform(rci);
  EXPECT_EQ(Only({"glNewList", "glCallList", "build"}), (Calls{GLCall("glCallList", list)}));
  fake.Clear();
  cube.MarkStructureDirty();
  EXPECT_EQ(cube.GroupListName(), 0u);
  stage.Objects().RenderWithTransform(rci);
  EXPECT_EQ(CountOf(fake.Calls(), "build child"), 1);
  // A pick pass draws the children directly, each under its own name.
  fake.Clear();
  rci.drawState = TDrawState::Picking;
  stage.Objects().RenderWithTransform(rci);
  EXPECT_EQ(CountOf(fake.Calls(), "build child"), 1);
  EXPECT_EQ(CountOf(fake.Calls(), GLCall("glCallList", cube.GroupListName())), 0);
  rci.drawState = TDrawState::Rendering;
  cube.SetAmalgamate(false);
  EXPECT_EQ(cube.GroupListName(), 0u);
  EXPECT_FALSE(cube.HasStyle(osTampersWithState));
}

TEST_F(ObjectCalls, AThrowingChildEndsTheAmalgamatedListAndClearsTheFlag) {
  auto& cube = stage.Objects().AddNewChild<TGLDummyCube>();
  cube.AddNewChild<TMarker>("child").throws = true;
  cube.SetAmalgamate(true);
  EXPECT_THROW(stage.Objects().RenderWithTransform(rci), EAssertionFailed);
  EXPECT_FALSE(rci.amalgamating);
  EXPECT_EQ(Only({"glNewList", "glEndList"}).size(), 2u);
  EXPECT_EQ(fake.Calls().back(), "glPopMatrix()");
}

TEST_F(ObjectCalls, NestedAmalgamatingCubesCompileOnlyTheOuterOne) {
  auto& outer = stage.Objects().AddNewChild<TGLDummyCube>();
  auto& inner = outer.AddNewChild<TGLDummyCube>();
  inner.AddNewChild<TMarker>("leaf");
  outer.SetAmalgamate(true);
  inner.SetAmalgamate(true);
  stage.Objects().RenderWithTransform(rci);
  EXPECT_EQ(Named(fake.Calls(), "glNewList").size(), 1u);
  EXPECT_EQ(inner.GroupListName(), 0u);
}

TEST_F(ObjectCalls, TheBarycentreIsTheChildrensMeanOrTheOwnPosition) {
  auto& cube = stage.Objects().AddNewChild<TGLDummyCube>();
  cube.Position().SetPositionXYZ(5, 5, 5);
  ExpectNear(cube.BarycenterAbsolutePosition(), {5, 5, 5, 1}, 0);
  cube.AddNewChild<TMarker>("a", 0, TAffineVector{1, 0, 0});
  cube.AddNewChild<TMarker>("b", 0, TAffineVector{0, 2, 0});
  ExpectNear(cube.BarycenterAbsolutePosition(), {5.5, 6, 5, 1}, 1e-6);
}

TEST_F(ObjectCalls, TheDodecahedronHasTwelveOutwardNormalsAndTwentyVerticesOnTheCircumsphere) {
  DrawDodecahedron();
  const auto normals = Named(fake.Calls(), "glNormal3fv");
  const auto fans = Primitives(fake.Calls());
  ASSERT_EQ(normals.size(), 12u);
  ASSERT_EQ(fans.size(), 12u);
  for (int f = 0; f < 12; ++f) {
    EXPECT_EQ(fans[f].mode, static_cast<GLenum>(GL_TRIANGLE_FAN));
    ASSERT_EQ(fans[f].Vertices().size(), 5u);
    const auto n = Numbers(normals[f]);
    TAffineVector centre{};
    for (const std::string& v : fans[f].Vertices()) {
      const auto p = Numbers(v);
      for (int k = 0; k < 3; ++k) centre[k] += static_cast<float>(p[k]) / 5;
    }
    EXPECT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1, 1e-6);
    EXPECT_GT(n[0] * centre[0] + n[1] * centre[1] + n[2] * centre[2], 0.3) << "face " << f;
  }
  for (const TAffineVector& v : DodecahedronVertices()) EXPECT_NEAR(AffineLength(v), 0.3 * std::sqrt(3.0), 2e-6);
}

TEST_F(ObjectCalls, TheDefaultPlaneIsOneQuadWithTheWholeTexture) {
  TGLPlane plane;
  plane.BuildList(rci);
  EXPECT_EQ(fake.Calls(), (Calls{"glNormal3fv([0, 0, 1])", GLCall("glBegin", GL_QUADS), "glTexCoord2f(1, 1)",
                                 "glVertex2f(0.5, 0.5)", "glTexCoord2f(0, 1)", "glVertex2f(-0.5, 0.5)",
                                 "glTexCoord2f(0, 0)", "glVertex2f(-0.5, -0.5)", "glTexCoord2f(1, 0)",
                                 "glVertex2f(0.5, -0.5)", "glEnd()"}));
  EXPECT_TRUE(plane.HasStyle(osDirectDraw));
}

TEST_F(ObjectCalls, TwoByTwoStripsCoverTheQuadWithTheSameMapping) {
  TGLPlane plane;
  plane.SetWidth(4);
  plane.SetHeight(2);
  plane.SetXOffset(0.25f);
  plane.SetYOffset(0.5f);
  plane.SetXTiles(2);
  plane.SetYTiles(2);
  plane.SetXScope(0.5f);
  plane.BuildList(rci);
  // Texture at each corner of the quad.
  const auto quad = Primitives(fake.Calls());
  ASSERT_EQ(quad.size(), 1u);
  auto tex_at = [](const TPrimitive& p, double x, double y) {
    for (std::size_t i = 1; i < p.calls.size(); ++i) {
      const auto v = Numbers(p.calls[i]);
      if (p.calls[i].rfind("glVertex", 0) == 0 && v[0] == x && v[1] == y) return Numbers(p.calls[i - 1]);
    }
    return std::vector<double>{};
  };
  EXPECT_EQ(tex_at(quad[0], 2, 1), (std::vector<double>{1.25, 2.5}));
  EXPECT_EQ(tex_at(quad[0], -2, -1), (std::vector<double>{0.25, 0.5}));
  fake.Clear();
  plane.SetStyle(psTileTexture);
  plane.BuildList(rci);
  const auto strips = Primitives(fake.Calls());
  ASSERT_EQ(strips.size(), 2u);
  for (const auto& strip : strips) {
    EXPECT_EQ(strip.mode, static_cast<GLenum>(GL_TRIANGLE_STRIP));
    EXPECT_EQ(strip.Vertices().size(), 6u);
  }
  EXPECT_EQ(tex_at(strips[1], 2, 1), (std::vector<double>{1.25, 2.5}));
  EXPECT_EQ(tex_at(strips[0], -2, -1), (std::vector<double>{0.25, 0.5}));
  EXPECT_EQ(tex_at(strips[0], 0, 0), (std::vector<double>{0.75, 1.5}));
  // Mended: without tiles the strip form draws nothing.
  fake.Clear();
  plane.SetXTiles(0);
  plane.BuildList(rci);
  EXPECT_TRUE(Primitives(fake.Calls()).empty());
}

TEST_F(ObjectCalls, PlaneRangesScopesAndDepthWrites) {
  TGLPlane plane;
  plane.SetXTiles(3);
  plane.SetXScope(2);
  EXPECT_EQ(plane.XScope(), 1);
  plane.SetYScope(-0.25f);
  EXPECT_EQ(plane.YScope(), -0.25f);
  plane.SetYScope(0.25f);
  plane.NoZWrite = true;
  plane.BuildList(rci);
  EXPECT_EQ(Named(fake.Calls(), "glTexCoord2f").front(), "glTexCoord2f(3, 0.25)");
  EXPECT_EQ(Named(fake.Calls(), "glDepthMask"), (Calls{"glDepthMask(0)", "glDepthMask(1)"}));
  fake.Clear();
  plane.SetStyle(psSingleQuad);
  plane.BuildList(rci);
  EXPECT_EQ(Named(fake.Calls(), "glTexCoord2f").front(), "glTexCoord2f(1, 0.25)");
}

TEST_F(ObjectCalls, PointsDrawAsManyAsTheyHaveColoursAndAnEmptyListShowsTheOrigin) {
  TGLPoints points;
  points.BuildList(rci);
  EXPECT_EQ(Named(fake.Calls(), "glDrawArrays"), (Calls{GLCall("glDrawArrays", GL_POINTS, 0, 1)}));
  EXPECT_EQ(Named(fake.Calls(), "glColor4f"), (Calls{"glColor4f(1, 1, 1, 1)"}));
  EXPECT_EQ(fake.Calls().back(), GLCall("glAlphaFunc", GL_GREATER, 0.0f));
  for (int i = 0; i < 10; ++i) points.Positions().Add(TAffineVector{float(i), 0, 0});
  for (int i = 0; i < 4; ++i) points.Colors().Add(TVector4f{1, 0, 0, 1});
  fake.Clear();
  points.BuildList(rci);
  EXPECT_EQ(Named(fake.Calls(), "glDrawArrays"), (Calls{GLCall("glDrawArrays", GL_POINTS, 0, 4)}));
  EXPECT_EQ(CountOf(fake.Calls(), GLCall("glEnableClientState", GL_COLOR_ARRAY)), 1);
  EXPECT_EQ(CountOf(fake.Calls(), GLCall("glDisableClientState", GL_COLOR_ARRAY)), 1);
  points.Colors().SetCount(1);
  fake.Clear();
  points.BuildList(rci);
  EXPECT_EQ(Named(fake.Calls(), "glDrawArrays"), (Calls{GLCall("glDrawArrays", GL_POINTS, 0, 10)}));
  EXPECT_EQ(Named(fake.Calls(), "glColor4fv"), (Calls{"glColor4fv([1, 0, 0, 1])"}));
  EXPECT_EQ(CountOf(fake.Calls(), GLCall("glEnableClientState", GL_COLOR_ARRAY)), 0);
}

TEST_F(ObjectCalls, PointArraysAreLockedAbove64AndPointParametersOnlyWhenEnabledAndSupported) {
  GL.EXT_compiled_vertex_array = true;
  TGLPoints points;
  for (int i = 0; i < 64; ++i) points.Positions().Add(TAffineVector{});
  points.BuildList(rci);
  EXPECT_TRUE(Named(fake.Calls(), "glLockArraysEXT").empty());
  points.Positions().Add(TAffineVector{});
  fake.Clear();
  points.BuildList(rci);
  EXPECT_EQ(Named(fake.Calls(), "glLockArraysEXT"), (Calls{"glLockArraysEXT(0, 65)"}));
  EXPECT_EQ(Named(fake.Calls(), "glUnlockArraysEXT"), (Calls{"glUnlockArraysEXT()"}));
  GL.ARB_point_parameters = true;
  fake.Clear();
  points.BuildList(rci);
  EXPECT_TRUE(Named(fake.Calls(), "glPointParameterfARB").empty());
  points.PointParameters().SetEnabled(true);
  points.PointParameters().SetMinSize(2);
  fake.Clear();
  points.BuildList(rci);
  EXPECT_EQ(Named(fake.Calls(), "glPointParameterfARB"),
            (Calls{GLCall("glPointParameterfARB", GL_POINT_SIZE_MIN_ARB, 2.0f),
                   GLCall("glPointParameterfARB", GL_POINT_SIZE_MAX_ARB, 128.0f),
                   GLCall("glPointParameterfARB", GL_POINT_FADE_THRESHOLD_SIZE_ARB, 1.0f),
                   GLCall("glPointParameterfARB", GL_POINT_SIZE_MIN_ARB, 0.0f),
                   GLCall("glPointParameterfARB", GL_POINT_SIZE_MAX_ARB, 128.0f),
                   GLCall("glPointParameterfARB", GL_POINT_FADE_THRESHOLD_SIZE_ARB, 1.0f)}));
  GL.ARB_point_parameters = false;
  fake.Clear();
  points.BuildList(rci);
  EXPECT_TRUE(Named(fake.Calls(), "glPointParameterfARB").empty());
}

TEST_F(ObjectCalls, PointStylesAndStatic) {
  TGLPoints points;
  points.SetStyle(psSmooth);
  points.SetSize(10);
  points.BuildList(rci);
  EXPECT_EQ(Named(fake.Calls(), "glAlphaFunc"),
            (Calls{GLCall("glAlphaFunc", GL_NOTEQUAL, 0.0f), GLCall("glAlphaFunc", GL_GREATER, 0.0f)}));
  EXPECT_EQ(Named(fake.Calls(), "glPointSize"), (Calls{"glPointSize(10)"}));
  EXPECT_EQ(Named(fake.Calls(), "glBlendFunc"), (Calls{GLCall("glBlendFunc", GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)}));
  points.SetStatic(true);
  EXPECT_FALSE(points.HasStyle(osDirectDraw));
  EXPECT_TRUE(points.HasStyle(osNoVisibilityCulling));
  points.SetStatic(false);
  EXPECT_TRUE(points.HasStyle(osDirectDraw));
  points.PointParameters().SetMinSize(-3);
  EXPECT_EQ(points.PointParameters().MinSize(), 0);
}

TEST_F(ObjectCalls, PointsWithDepthWritesOffTurnThemBackOnAfterDrawing) {
  TGLPoints points;
  points.BuildList(rci);
  EXPECT_TRUE(Named(fake.Calls(), "glDepthMask").empty());
  points.SetNoZWrite(true);
  fake.Clear();
  points.BuildList(rci);
  EXPECT_EQ(Named(fake.Calls(), "glDepthMask"), (Calls{"glDepthMask(0)", "glDepthMask(1)"}));
  const auto at = [&](const std::string& call) {
    return std::find(fake.Calls().begin(), fake.Calls().end(), call) - fake.Calls().begin();
  };
  EXPECT_LT(at(GLCall("glDrawArrays", GL_POINTS, 0, 1)), at("glDepthMask(1)"));
}

// A lines object with nodes at (i, i², 0).
struct LinesCase : ObjectCalls {
  TGLLines& Lines(int nodes, TLineSplineMode mode, int division = 10) {
    auto& lines = stage.Objects().AddNewChild<TGLLines>();
    for (int i = 0; i < nodes; ++i) lines.Nodes().AddXYZ(float(i), float(i * i), 0);
    lines.SetSplineMode(mode);
    lines.SetDivision(division);
    lines.SetNodesAspect(lnaInvisible);
    return lines;
  }
  std::vector<TPrimitive> Drawn(TGLLines& lines) {
    fake.Clear();
    lines.BuildList(rci);
    return Primitives(fake.Calls());
  }
};

TEST_F(LinesCase, EachModeDrawsItsVertices) {
  EXPECT_TRUE(Drawn(Lines(1, lsmLines)).empty());
  EXPECT_TRUE(fake.Calls().empty());  // one node: not even its mark
  {
    auto p = Drawn(Lines(2, lsmCubicSpline));
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].Vertices().size(), 11u);
    EXPECT_EQ(p[0].Vertices().front(), "glVertex3f(0, 0, 0)");
    EXPECT_EQ(p[0].Vertices().back(), "glVertex3f(1, 1, 0)");
  }
  {
    auto p = Drawn(Lines(3, lsmBezierSpline));
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].Vertices().size(), 11u);
    EXPECT_EQ(p[0].Vertices()[5], "glEvalCoord1f(0.5)");
    EXPECT_EQ(Named(fake.Calls(), "glMap1f").size(), 2u);
    EXPECT_EQ(Named(fake.Calls(), "glPushAttrib")[1], GLCall("glPushAttrib", GL_EVAL_BIT));
  }
  {
    auto p = Drawn(Lines(5, lsmSegments));
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].mode, static_cast<GLenum>(GL_LINES));
    EXPECT_EQ(p[0].Vertices().size(), 5u);  // two segments; GL leaves the fifth vertex alone
  }
  for (TLineSplineMode mode : {lsmCubicSpline, lsmBezierSpline, lsmNURBSCurve}) {
    auto& lines = Lines(3, mode, 0);
    EXPECT_EQ(lines.Division(), 1);
    auto p = Drawn(lines);
    ASSERT_EQ(p.size(), 1u) << int(mode);
    EXPECT_EQ(p[0].Vertices(), (Calls{"glVertex3f(0, 0, 0)", "glVertex3f(1, 1, 0)", "glVertex3f(2, 4, 0)"}));
  }
}

TEST_F(LinesCase, ABezierOfMoreNodesThanTheEvaluatorTakesIsTheStraightPolyline) {
  gl.GetIntegerv = [](GLenum name, GLint* value) {
    if (name == GL_MAX_EVAL_ORDER) *value = 8;
  };
  auto p = Drawn(Lines(8, lsmBezierSpline));
  EXPECT_EQ(p.at(0).Vertices().size(), 11u);
  p = Drawn(Lines(9, lsmBezierSpline));
  EXPECT_EQ(p.at(0).Vertices().size(), 9u);
  EXPECT_TRUE(Named(fake.Calls(), "glMap1f").empty());
  EXPECT_TRUE(Named(fake.Calls(), "glEvalCoord1f").empty());
}

TEST_F(LinesCase, NodeColoursRecolourOnlyNodesStillOfTheOldColour) {
  auto& lines = Lines(3, lsmLines);
  lines.Nodes()[1]->Color().SetVector(clrGreen);
  TGLColor red(nullptr, clrRed);
  lines.SetNodeColor(red);
  EXPECT_EQ(lines.Nodes()[0]->Color().Color(), clrRed);
  EXPECT_EQ(lines.Nodes()[1]->Color().Color(), clrGreen);
  EXPECT_EQ(lines.Nodes()[2]->Color().Color(), clrRed);
  EXPECT_EQ(lines.Nodes().AddXYZ(0, 0, 0)->Color().Color(), clrRed);
  lines.SetOptions(loUseNodeColorForLines);
  auto p = Drawn(lines);
  EXPECT_EQ(Named(p.at(0).calls, "glColor4fv")[1], "glColor4fv([0, 1, 0, 1])");
}

TEST_F(LinesCase, StyleMarksAndInvalidOwners) {
  auto& lines = Lines(2, lsmLines);
  lines.LineColor().SetAlpha(0.5f);
  lines.SetLinePattern(0x00FF);
  lines.SetNodesAspect(lnaCube);
  Drawn(lines);
  EXPECT_EQ(Named(fake.Calls(), "glPushAttrib")[0], GLCall("glPushAttrib", 0x6005));
  EXPECT_EQ(Named(fake.Calls(), "glColor4fv")[0], "glColor4fv([1, 1, 1, 0.5])");
  EXPECT_EQ(Named(fake.Calls(), "glLineStipple")[0], GLCall("glLineStipple", 1, 0x00FF));
  EXPECT_EQ(Named(fake.Calls(), "glColorMaterial").size(), 2u);  // two wire-cube marks
  lines.LineColor().SetAlpha(1);
  lines.SetNodesAspect(lnaDodecahedron);
  Drawn(lines);
  EXPECT_EQ(Named(fake.Calls(), "glColor3fv").size(), 1u);
  EXPECT_TRUE(Named(fake.Calls(), "glScalef").empty());
  EXPECT_EQ(Named(fake.Calls(), "glBegin").size(), 1u + 2 * 12);
  lines.SetNodeSize(-1);
  EXPECT_EQ(lines.NodeSize(), 1);
  lines.SetDivision(-5);
  EXPECT_EQ(lines.Division(), 1);
  TGLNodedLines not_lines;
  EXPECT_THROW(not_lines.Nodes().Add(), EInvalidCast);
  // Moving a node rebuilds the list.
  rci.drawState = TDrawState::Rendering;
  lines.DisplayListHandle(rci);
  EXPECT_FALSE(lines.DisplayListDirty());
  lines.Nodes()[0]->SetX(7);
  EXPECT_TRUE(lines.DisplayListDirty());
}

TEST_F(ObjectCalls, TheDefaultSphereIs16StripsOf34Vertices) {
  TGLSphere sphere;
  sphere.SetTopCap(ctFlat);  // no cap at Top 90
  sphere.BuildList(rci);
  const auto strips = Primitives(fake.Calls());
  ASSERT_EQ(strips.size(), 16u);
  for (const auto& strip : strips) {
    EXPECT_EQ(strip.mode, static_cast<GLenum>(GL_TRIANGLE_STRIP));
    EXPECT_EQ(strip.Vertices().size(), 34u);
  }
  EXPECT_EQ(strips[0].Vertices()[0], "glVertex3fv([-0, 1, -4.37113883e-08])");
  EXPECT_EQ(Named(fake.Calls(), "glScalef"), (Calls{"glScalef(0.5, 0.5, 0.5)"}));
  EXPECT_TRUE(Named(fake.Calls(), "glFrontFace").empty());
}

TEST_F(ObjectCalls, SphereCapsInsideNormalsAndLimits) {
  TGLSphere sphere;
  sphere.SetTop(60);
  sphere.SetTopCap(ctFlat);
  sphere.SetBottom(-30);
  sphere.SetBottomCap(ctCenter);
  sphere.SetNormalDirection(ndInside);
  sphere.SetSlices(0);
  EXPECT_EQ(sphere.Slices(), 1);
  sphere.SetSlices(4);
  sphere.BuildList(rci);
  const auto p = Primitives(fake.Calls());
  ASSERT_EQ(p.size(), 18u);
  EXPECT_EQ(p.front().mode, static_cast<GLenum>(GL_TRIANGLE_FAN));
  EXPECT_NEAR(Numbers(p.front().Vertices()[0])[1], std::sin(DegToRad(60.0f)), 1e-7);
  EXPECT_EQ(Named(p.front().calls, "glNormal3fv")[0], "glNormal3fv([0, -1, 0])");
  // The bottom fan's rim normals: (0, -1, 0) less its part along v, reversed inside, not normalised.
  const auto rim = Numbers(Named(p.back().calls, "glVertex3fv")[0]);
  const auto n = Numbers(Named(p.back().calls, "glNormal3fv")[1]);
  EXPECT_NEAR(n[1], 1 - rim[1] * rim[1], 1e-6);
  EXPECT_NEAR(n[0], -rim[1] * rim[0], 1e-6);
  EXPECT_EQ(Named(fake.Calls(), "glFrontFace"), (Calls{GLCall("glFrontFace", GL_CW), GLCall("glFrontFace", GL_CCW)}));
  sphere.SetStart(90);
  EXPECT_THROW(sphere.SetStart(361), EAssertionFailed);
  EXPECT_EQ(sphere.Start(), 90);
  EXPECT_THROW(sphere.SetStop(80), EAssertionFailed);
  EXPECT_EQ(sphere.Stop(), 360);
}

TEST_F(ObjectCalls, TheCubeDraws24VerticesAndTopAloneIsOneQuad) {
  TGLCube cube;
  cube.BuildList(rci);
  auto p = Primitives(fake.Calls());
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(p[0].Vertices().size(), 24u);
  EXPECT_EQ(Named(p[0].calls, "glTexCoord2fv").size(), 24u);
  fake.Clear();
  cube.SetParts(cpTop);
  cube.SetNormalDirection(ndInside);
  cube.BuildList(rci);
  p = Primitives(fake.Calls());
  EXPECT_EQ(p.at(0).calls, (Calls{"glNormal3f(0, -1, 0)", "glTexCoord2fv([0, 1])", "glVertex3f(-0.5, 0.5, -0.5)",
                                  "glTexCoord2fv([0, 0])", "glVertex3f(-0.5, 0.5, 0.5)", "glTexCoord2fv([1, 0])",
                                  "glVertex3f(0.5, 0.5, 0.5)", "glTexCoord2fv([1, 1])",
                                  "glVertex3f(0.5, 0.5, -0.5)"}));
}

TEST_F(ObjectCalls, TheSpriteSpansTheViewAxesFromTheReadBackMatrix) {
  gl.GetFloatv = [](GLenum, GLfloat* m) {
    // Column-major: a view turned 90° about y, so the right axis reads (0, 0, 1) in object coordinates.
    const float matrix[16] = {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, -5, 1};
    std::copy(matrix, matrix + 16, m);
  };
  TGLSprite sprite;
  sprite.SetWidth(2);
  sprite.SetMirrorU(true);
  sprite.SetAlphaChannel(1.5f);
  EXPECT_EQ(sprite.AlphaChannel(), 1);
  sprite.BuildList(rci);
  EXPECT_EQ(Primitives(fake.Calls()).at(0).calls,
            (Calls{"glTexCoord2f(0, 1)", "glVertex3f(0, 0.5, 1)", "glTexCoord2f(1, 1)", "glVertex3f(0, 0.5, -1)",
                   "glTexCoord2f(1, 0)", "glVertex3f(-0, -0.5, -1)", "glTexCoord2f(0, 0)", "glVertex3f(0, -0.5, 1)"}));
  EXPECT_TRUE(Named(fake.Calls(), "glMaterialfv").empty());
  sprite.SetAlphaChannel(-1);
  EXPECT_EQ(sprite.AlphaChannel(), 0);
  ExpectNear(sprite.UnscaledHalfExtents(), {1, 0.5, 1, 0}, 0);
}

}  // namespace
}  // namespace zentrova::test

namespace zentrova::test {
namespace {

// Labels drawn through the fake: the font entry is built from the real face, its lists from the fake's
// names.
struct LabelCalls : ObjectCalls {
  ~LabelCalls() override {
    stage.Objects().DeleteChildren();
    ReleaseFontManager();
  }
  TGLSpaceText& Label(const std::string& text) {
    auto& label = stage.Objects().AddNewChild<TGLSpaceText>();
    label.SetText(text);
    return label;
  }
  void Draw() {
    fake.Clear();
    stage.Objects().RenderWithTransform(rci);
  }
};

TEST_F(LabelCalls, TextHeightScalesByTheAscentAndABlankTextIsNotScaled) {
  auto& label = Label("8");
  label.SetTextHeight(1);
  Draw();
  float width = 0, descent = 0, ascent = 0;
  label.TextMetrics(width, descent, ascent);
  ASSERT_GT(ascent, 0);
  EXPECT_EQ(Named(fake.Calls(), "glScalef"), (Calls{GLCall("glScalef", 1 / ascent, 1 / ascent, 1.0f)}));
  label.SetText("  ");
  Draw();
  EXPECT_TRUE(Named(fake.Calls(), "glScalef").empty());
  EXPECT_EQ(Named(fake.Calls(), "glCallLists"), (Calls{GLCall("glCallLists", 2, GL_UNSIGNED_BYTE, "ptr")}));
}

TEST_F(LabelCalls, CharactersOutsideTheRangeOrTheCodePageAreLeftOut) {
  auto& label = Label("A5\xE2\x82\xAC");  // "A5€": € is 0x80 in code page 1252, outside the digits
  label.SetCharacterRange(stcrNumbers);
  Draw();
  const GLuint base = label.FontEntry()->ListHandle.Handle();
  EXPECT_EQ(label.FontEntry()->ListHandle.Tag, 10);
  EXPECT_EQ(Named(fake.Calls(), "glListBase"), (Calls{GLCall("glListBase", GLuint(base - 48u))}));
  EXPECT_EQ(Named(fake.Calls(), "glCallLists"), (Calls{GLCall("glCallLists", 1, GL_UNSIGNED_BYTE, "ptr")}));
  float width = 0, descent = 0, ascent = 0;
  label.TextMetrics(width, descent, ascent);
  EXPECT_EQ(width, label.FontEntry()->GlyphsMetrics[5].gmfCellIncX);
  // A character without a code in the page is left out too.
  label.SetCharacterRange(stcrAll);
  label.SetText("5\xE2\x98\x83");  // a snowman
  EXPECT_EQ(label.DrawnCodes(), "5");
  label.SetText("\xE2\x82\xAC");
  EXPECT_EQ(label.DrawnCodes(), "\x80");
  EXPECT_THROW(label.SetExtrusion(-1), EAssertionFailed);
  label.SetAllowedDeviation(-1);
  EXPECT_EQ(label.AllowedDeviation(), 0);
}

TEST_F(LabelCalls, APickPassDrawsTheGlyphsDirectly) {
  auto& label = Label("88");
  Draw();
  rci.drawState = TDrawState::Picking;
  Draw();
  EXPECT_TRUE(Named(fake.Calls(), "glCallLists").empty());
  EXPECT_TRUE(Named(fake.Calls(), "glCallList").empty());
  const auto triangles = Primitives(fake.Calls());
  ASSERT_EQ(triangles.size(), 2u);
  EXPECT_EQ(triangles[0].mode, static_cast<GLenum>(GL_TRIANGLES));
  EXPECT_EQ(Named(fake.Calls(), "glTranslatef").size(), 2u);
  EXPECT_EQ(label.FontEntry()->RefCount, 1);
}

}  // namespace
}  // namespace zentrova::test
