// The basic objects drawn into a pbuffer through a fixed camera and read back: each where it must be and
// nowhere else.
#include "objects_gl_fixtures.h"
#include "scene/objects/cube.h"
#include "scene/objects/dummy_cube.h"
#include "scene/objects/lines.h"
#include "scene/objects/plane.h"
#include "scene/objects/points.h"
#include "scene/objects/sphere.h"
#include "scene/objects/sprite.h"

namespace zentrova::test {
namespace {

using ObjectsGL = ObjectsInPBuffer;

// A plane of the given half size at (x, y, 0).
TGLPlane& AddPlane(TGLBaseSceneObject& parent, float x, float y, float half) {
  auto& plane = parent.AddNewChild<TGLPlane>();
  plane.SetWidth(2 * half);
  plane.SetHeight(2 * half);
  plane.Position().SetPositionXYZ(x, y, 0);
  return plane;
}

void ExpectSquare(const std::array<int, 4>& b, float x, float y, float half, float distance) {
  ExpectEdge(b[0], ObjectsGL::Window(x - half, distance), "left");
  ExpectEdge(b[2] + 1, ObjectsGL::Window(x + half, distance), "right");
  ExpectEdge(b[1], ObjectsGL::Window(y - half, distance), "bottom");
  ExpectEdge(b[3] + 1, ObjectsGL::Window(y + half, distance), "top");
}

TEST_F(ObjectsGL, ARunTimeDummyCubeShowsOnlyItsChildren) {
  auto& cube = stage.Objects().AddNewChild<TGLDummyCube>();
  cube.SetCubeSize(2);
  AddPlane(cube, 0.2f, -0.1f, 0.15f);
  Render();
  ExpectSquare(LitBounds(), 0.2f, -0.1f, 0.15f, 10);
  cube.SetVisibleAtRunTime(true);
  Render();
  const auto b = LitBounds();
  EXPECT_LT(b[0], Window(-0.9f, 11));
  EXPECT_GT(b[2], Window(0.9f, 11));
}

TEST_F(ObjectsGL, AnAmalgamatedCubeKeepsItsPictureAfterAChildMovesUntilMarkedDirty) {
  auto& cube = stage.Objects().AddNewChild<TGLDummyCube>();
  cube.SetAmalgamate(true);
  auto& plane = AddPlane(cube, 0, 0, 0.1f);
  Render();
  ExpectSquare(LitBounds(), 0, 0, 0.1f, 10);
  plane.Position().SetX(0.4f);
  Render();
  ExpectSquare(LitBounds(), 0, 0, 0.1f, 10);
  cube.MarkStructureDirty();
  Render();
  ExpectSquare(LitBounds(), 0.4f, 0, 0.1f, 10);
}

TEST_F(ObjectsGL, ThePlanesTextureCornersLieAtItsCorners) {
  // 2 × 2 texels from the bottom row up: red, green / blue, yellow.
  const std::uint8_t texels[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 0, 255};
  GLuint texture = 0;
  gl.GenTextures(1, &texture);
  gl.BindTexture(GL_TEXTURE_2D, texture);
  gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
  gl.TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  gl.Enable(GL_TEXTURE_2D);
  auto& plane = AddPlane(stage.Objects(), 0, 0, 0.5f);
  for (TPlaneStyles style : {TPlaneStyles(psSingleQuad | psTileTexture), TPlaneStyles(psTileTexture)}) {
    plane.SetStyle(style);
    Render();
    const int lo = int(Window(-0.4f, 10)), hi = int(Window(0.4f, 10));
    EXPECT_EQ(ReadPixel(lo, lo), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(ReadPixel(hi, lo), (Pixel{0, 255, 0, 255}));
    EXPECT_EQ(ReadPixel(lo, hi), (Pixel{0, 0, 255, 255}));
    EXPECT_EQ(ReadPixel(hi, hi), (Pixel{255, 255, 0, 255}));
    EXPECT_EQ(ReadPixel(int(Window(-0.6f, 10)), kSize / 2), (Pixel{0, 0, 0, 0}));
  }
  gl.Disable(GL_TEXTURE_2D);
  gl.DeleteTextures(1, &texture);
}

TEST_F(ObjectsGL, ARoundPointOfSize10IsADiscOf10Pixels) {
  auto& points = stage.Objects().AddNewChild<TGLPoints>();
  points.SetStyle(psRound);
  points.SetSize(10);
  Render();
  const auto b = LitBounds();
  EXPECT_NEAR(b[2] - b[0] + 1, 10, 1);
  EXPECT_NEAR(b[3] - b[1] + 1, 10, 1);
  const float c = Window(0, 10);
  EXPECT_TRUE(Lit(ReadPixel(int(c), int(c))));
  EXPECT_FALSE(Lit(ReadPixel(b[0], b[1])));  // the square's corner is cut off
  EXPECT_FALSE(Lit(ReadPixel(b[2], b[3])));
  points.SetStyle(psSquare);
  Render();
  EXPECT_TRUE(Lit(ReadPixel(b[0], b[1])));
}

TEST_F(ObjectsGL, AStippledLineLeavesItsGaps) {
  auto& lines = stage.Objects().AddNewChild<TGLLines>();
  lines.Nodes().AddXYZ(-1, 0.05f, 0);
  lines.Nodes().AddXYZ(1, 0.05f, 0);
  lines.SetNodesAspect(lnaInvisible);
  lines.SetLinePattern(0x00FF);
  Render();
  const auto b = LitBounds();
  ASSERT_GE(b[0], 0);
  EXPECT_EQ(b[1], b[3]);  // one row
  const auto image = Image();
  std::vector<int> runs{1};
  bool last = true;
  for (int x = b[0] + 1; x <= b[2]; ++x) {
    const bool lit = image[(b[1] * kSize + x) * 4] != 0;
    if (lit == last) {
      ++runs.back();
    } else {
      runs.push_back(1);
      last = lit;
    }
  }
  ASSERT_GE(runs.size(), 7u);
  for (std::size_t i = 1; i + 1 < runs.size(); ++i) EXPECT_EQ(runs[i], 8) << i;
  lines.SetLinePattern(0xFFFF);
  Render();
  const auto solid = LitBounds();
  EXPECT_EQ(solid[0], b[0]);
  EXPECT_GE(solid[2], b[2]);
  for (int x = solid[0]; x <= solid[2]; ++x) EXPECT_TRUE(Lit(ReadPixel(x, b[1]))) << x;
}

TEST_F(ObjectsGL, SphereAndCubeOutlinesWithinAPixel) {
  auto& sphere = stage.Objects().AddNewChild<TGLSphere>();
  sphere.SetRadius(1);
  Render();
  // The outline of a sphere seen from its centre's distance d: tan(asin(r / d)).
  const float edge = std::tan(std::asin(0.1f)) * 10;
  ExpectSquare(LitBounds(), 0, 0, edge, 10);
  sphere.SetVisible(false);
  auto& cube = stage.Objects().AddNewChild<TGLCube>();
  cube.SetCubeWidth(1.2f);
  cube.Position().SetY(0.3f);
  Render();
  const auto b = LitBounds();
  ExpectEdge(b[0], Window(-0.6f, 9.5f), "left");
  ExpectEdge(b[2] + 1, Window(0.6f, 9.5f), "right");
  ExpectEdge(b[1], Window(-0.2f, 9.5f), "bottom");
  ExpectEdge(b[3] + 1, Window(0.8f, 9.5f), "top");
}

TEST_F(ObjectsGL, ASpriteFacesTheCameraAfterAnOrbit) {
  auto& target = stage.Objects().AddNewChild<TGLDummyCube>();
  auto& sprite = stage.Objects().AddNewChild<TGLSprite>();
  sprite.SetWidth(1);
  sprite.SetHeight(0.5f);
  camera.SetTargetObject(&target);
  camera.OrbitTarget(0, 90);
  ExpectNear(camera.AbsoluteTranslation(), {10, 0, 0, 1}, 1e-4);
  Render();
  const auto b = LitBounds();
  ExpectEdge(b[0], Window(-0.5f, 10), "left");
  ExpectEdge(b[2] + 1, Window(0.5f, 10), "right");
  ExpectEdge(b[1], Window(-0.25f, 10), "bottom");
  ExpectEdge(b[3] + 1, Window(0.25f, 10), "top");
}

}  // namespace
}  // namespace zentrova::test
