// The program's scene without GL: its fixed content, the body objects the view calls build, and the
// name texture.
#include <gtest/gtest.h>

#include "engine/scene/main_scene.h"
#include "engine/scene/name_texture.h"
#include "scene/core/camera.h"
#include "scene/core/light_source.h"
#include "scene/materials/material.h"
#include "scene/materials/material_library.h"
#include "scene/pictures/picture.h"
#include "scene/core/stage.h"
#include "scene/materials/texture.h"
#include "scene/objects/dummy_cube.h"
#include "scene/objects/extrusion_solid.h"
#include "scene/objects/lines.h"
#include "scene/objects/plane.h"
#include "scene/objects/points.h"
#include "scene/objects/space_text.h"
#include "scene/objects/sphere.h"

namespace zentrova::test {
namespace {

class MainSceneTest : public ::testing::Test {
 protected:
  template <class T>
  T& Object(const std::string& name) {
    auto* object = dynamic_cast<T*>(scene_.FindObject(name));
    if (object == nullptr) throw std::runtime_error("no " + name);
    return *object;
  }
  // Two bodies with their name materials and square solids.
  void AddBodies(const std::string& first = "Box") {
    const std::vector<TViewPoint> square{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 0}};
    std::int32_t i = 0;
    for (const std::string& name : {first, std::string("Floor")}) {
      scene_.AddBody(name);
      scene_.CreateNameTexture(i, name);
      scene_.BuildBodySolid(i, square, 0.5f);
      ++i;
    }
  }
  TGLLibMaterial& Material(const std::string& name) { return *scene_.MaterialLibrary().LibMaterialByName(name); }

  TMainScene scene_;
};

TEST_F(MainSceneTest, StageHoldsTheMainWindowsObjects) {
  for (int i = 1; i <= 4; ++i) {
    auto& light = Object<TGLLightSource>("GLLightSource" + std::to_string(i));
    EXPECT_EQ(light.Ambient().Red(), 0.5f);
    EXPECT_EQ(light.ConstAttenuation(), 1);
    EXPECT_EQ(light.SpotCutOff(), 180);
  }
  EXPECT_FALSE(Object<TGLDummyCube>("GLDummyCubeForCamera").Visible());
  auto& contacts = Object<TGLPoints>("GLPenetratingPoints");
  EXPECT_EQ(contacts.Parent(), &Object<TGLDummyCube>("GLDummyCubeForContacts"));
  EXPECT_FALSE(contacts.Visible());
  EXPECT_EQ(contacts.Size(), 10);
  EXPECT_EQ(contacts.Style(), psSmooth);
  EXPECT_EQ(contacts.PointParameters().MaxSize(), 128);
  auto& pointer = Object<TGLSphere>("GLPointer");
  EXPECT_EQ(pointer.Radius(), 0.05f);
  EXPECT_EQ(pointer.Slices(), 12);
  EXPECT_EQ(pointer.Material().FrontProperties().Diffuse().Alpha(), 0.556f);
  EXPECT_EQ(pointer.Material().BlendingMode(), bmTransparency);
  auto& help = Object<TGLSphere>("GLPointerHelp");
  EXPECT_FALSE(help.Visible());
  EXPECT_EQ(help.Radius(), 0.00001f);
  auto& floor = Object<TGLPlane>("GLFloor");
  EXPECT_TRUE(floor.Visible());
  EXPECT_EQ(floor.Position().Y(), -1);
  EXPECT_NEAR(floor.Direction().Y(), 1, 1e-6);
  for (const char* wall : {"GLWallBack", "GLWallLeft", "GLWallRight", "GLWallFront", "GLCeiling"}) {
    EXPECT_FALSE(Object<TGLPlane>(wall).Visible()) << wall;
  }
  TGLCamera& camera = scene_.Camera();
  EXPECT_EQ(camera.DepthOfView(), 100);
  EXPECT_EQ(camera.FocalLength(), 50);
  EXPECT_EQ(camera.SceneScale(), 10);
  EXPECT_EQ(camera.Position().X(), 1);
  EXPECT_EQ(camera.TargetObject(), &Object<TGLDummyCube>("GLDummyCubeForCamera"));
  EXPECT_EQ(&Object<TGLCamera>("GLCamera1"), &camera);
}

TEST_F(MainSceneTest, BodyObjectsGoUnderTheBodiesCube) {
  AddBodies();
  auto& bodies = Object<TGLDummyCube>("GLDummyCubeForBodies");
  ASSERT_EQ(scene_.BodyCount(), 2);
  EXPECT_EQ(scene_.BodyFrame(1)->Name(), "Floor");
  EXPECT_EQ(scene_.BodyFrame(1)->Parent(), &bodies);
  EXPECT_EQ(scene_.BodyWatchPoints(0)->Parent(), &bodies);
  EXPECT_EQ(scene_.BodySolid(0)->Parent(), scene_.BodyFrame(0));
  EXPECT_EQ(scene_.BodySolid(0)->Material().LibMaterialName(), "Box");
  auto* solid = dynamic_cast<TGLExtrusionSolid*>(scene_.BodySolid(0));
  ASSERT_NE(solid, nullptr);
  EXPECT_EQ(solid->Name(), "Box");
  EXPECT_EQ(solid->Parts(), kAllExtrusionSolidParts);
  EXPECT_EQ(solid->Height(), 0.5f);
  ASSERT_EQ(solid->Contours().Count(), 1);
  EXPECT_EQ(solid->ContourNodes(0).Count(), 5);  // the closing point included
  scene_.SetBodyHeight(0, 0);
  EXPECT_EQ(solid->Height(), 0);
  EXPECT_NE(scene_.MaterialLibrary().LibMaterialByName("Floor"), nullptr);
  EXPECT_EQ(scene_.BodySolid(5), nullptr);
  // Out-of-range bodies are ignored rather than crash the program.
  scene_.SetBodyPose({7, 1, 1, 1, 1});
  scene_.ShowWatchMarkers(-1, {{0, 0, 0}});
}

struct AppearanceCase {
  float transparency;
  bool frame_visible;
  TBlendingMode blending;
  float alpha;
};

class AppearanceTest : public MainSceneTest, public ::testing::WithParamInterface<AppearanceCase> {};

TEST_P(AppearanceTest, TransparencyDecidesBlendingAndVisibility) {
  AddBodies();
  const AppearanceCase& c = GetParam();
  // Transparent before, to see that an opaque appearance switches blending back.
  scene_.SetBodyAppearance(0, {.Transparency = 0.3f, .ExtentX = 1});
  scene_.SetBodyAppearance(0, {.Red = 0.2f, .Green = 0.4f, .Blue = 0.9f, .Transparency = c.transparency,
                               .Textured = false, .ExtentX = 0.2f});
  TGLMaterial& m = Material("Box").Material();
  EXPECT_EQ(scene_.BodyFrame(0)->Visible(), c.frame_visible);
  EXPECT_EQ(m.BlendingMode(), c.blending);
  EXPECT_EQ(m.FrontProperties().Diffuse().Alpha(), c.alpha);
  EXPECT_EQ(m.FrontProperties().Diffuse().Red(), 0.2f);
  EXPECT_FALSE(m.Texture().Enabled());
  EXPECT_EQ(m.Texture().TextureMode(), tmModulate);
  EXPECT_EQ(m.Texture().TextureWrap(), twBoth);
  EXPECT_FLOAT_EQ(Material("Box").TextureScale().Y(), 10);
}

INSTANTIATE_TEST_SUITE_P(Transparency, AppearanceTest,
                         ::testing::Values(AppearanceCase{0, true, bmOpaque, 1},
                                           AppearanceCase{0.5f, true, bmTransparency, 0.5f},
                                           // Hidden: the blending of the last shown state stays.
                                           AppearanceCase{1, false, bmTransparency, 0}));

TEST_F(MainSceneTest, WireframeAndZeroWidthOutline) {
  AddBodies();
  scene_.SetBodyAppearance(0, {.Wireframe = true, .ExtentX = 0.5f});
  EXPECT_EQ(Material("Box").Material().FrontProperties().PolygonMode(), pmLines);
  // An outline without width keeps the scale it had instead of dividing by 0.
  scene_.SetBodyAppearance(0, {.ExtentX = 0});
  EXPECT_EQ(Material("Box").Material().FrontProperties().PolygonMode(), pmFill);
  EXPECT_FLOAT_EQ(Material("Box").TextureScale().X(), 2);
  EXPECT_FLOAT_EQ(Material("Box").TextureScale().Y(), 4);
}

// One colour entry however often the markers are shown or contacts detected: the points draw
// min(points, colours) and a second colour would add a point.
TEST_F(MainSceneTest, MarkerAndContactColoursHoldOneEntry) {
  AddBodies();
  const std::vector<TViewPoint> three{{1, 2, 7}, {3, 4, 7}, {5, 6, 7}};
  scene_.ShowWatchMarkers(0, three);
  scene_.ShowWatchMarkers(0, three);
  TGLPoints& markers = *scene_.BodyWatchPoints(0);
  EXPECT_EQ(markers.Colors().Count(), 1);
  EXPECT_EQ(markers.Positions().Count(), 3);
  EXPECT_EQ(markers.Positions()[1][2], 0);  // markers lie at z = 0
  EXPECT_TRUE(markers.Visible());
  scene_.HideWatchMarkers(0);
  EXPECT_FALSE(markers.Visible());
  EXPECT_EQ(markers.Positions().Count(), 0);
  scene_.ShowWatchMarkers(0, {});
  EXPECT_FALSE(markers.Visible());

  TViewFrame frame;
  frame.ContactPoints = three;
  frame.ContactPointsVisible = true;
  frame.Bodies = {{1, 2, 3, 4, 30}};
  scene_.ApplyFrame(frame);
  scene_.ApplyFrame(frame);
  auto& contacts = Object<TGLPoints>("GLPenetratingPoints");
  EXPECT_EQ(contacts.Colors().Count(), 1);
  EXPECT_EQ(contacts.Positions().Count(), 3);
  EXPECT_TRUE(contacts.Visible());
  EXPECT_EQ(scene_.BodySolid(1)->Position().X(), 2);
  EXPECT_FLOAT_EQ(scene_.BodySolid(1)->RollAngle(), 30);
  EXPECT_EQ(scene_.BodyFrame(1)->Position().X(), 0);  // the solid moves, not the frame
}

// The tree goes under the body's own frame, whatever the body is called.
TEST_F(MainSceneTest, BoxTreeGoesUnderTheBodysOwnFrame) {
  AddBodies("glfloor");
  TViewBox box;
  box.Visible = false;
  scene_.ShowBoxTree(0, {box, TViewBox{}});
  ASSERT_NE(scene_.BodyBoxTree(0), nullptr);
  EXPECT_EQ(scene_.BodyBoxTree(0)->Parent(), scene_.BodyFrame(0));
  // A search by name from the root (letter case aside) would have found this body's frame or the floor.
  TGLBaseSceneObject& root = scene_.Stage().Objects();
  for (int i = 0; i < root.ChildCount(); ++i) {
    if (dynamic_cast<TGLPlane*>(root.ChildAt(i)) != nullptr) {
      EXPECT_EQ(root.ChildAt(i)->ChildCount(), 0);
    }
  }
  EXPECT_EQ(scene_.BodyBoxTree(1), nullptr);
  EXPECT_TRUE(scene_.BoxTreeShown(0));
  auto* first = dynamic_cast<TGLLines*>(scene_.BodyBoxTree(0)->ChildAt(0));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Nodes().Count(), 5);
  EXPECT_EQ(first->NodesAspect(), lnaInvisible);
  EXPECT_FALSE(first->Visible());
  scene_.ClearBoxTree(0);
  EXPECT_FALSE(scene_.BoxTreeShown(0));
}

TEST_F(MainSceneTest, WatchLabelsComeAndGo) {
  AddBodies();
  scene_.ShowWatchLabels(0, {{3, {1, 2, 9}}, {12, {4, 5, 9}}}, 0.25f);
  TGLDummyCube& frame = *scene_.BodyWatchFrame(0);
  ASSERT_EQ(frame.ChildCount(), 2);
  auto* label = dynamic_cast<TGLSpaceText*>(frame.ChildAt(1));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->Text(), "12");
  EXPECT_EQ(label->Position().Z(), 0);
  EXPECT_EQ(label->Scale().Y(), 0.25f);
  EXPECT_EQ(label->Adjust().Horz(), haCenter);
  EXPECT_EQ(label->Adjust().Vert(), vaCenter);
  EXPECT_TRUE(frame.Visible());
  EXPECT_TRUE(scene_.WatchLabelsShown(0));
  scene_.DeleteWatchLabels(0);
  EXPECT_EQ(frame.ChildCount(), 0);
  EXPECT_FALSE(frame.Visible());
}

TEST_F(MainSceneTest, ClearLeavesTheSceneOfNoWorld) {
  AddBodies();
  TViewFrame frame;
  frame.ContactPoints = {{1, 1, 0}};
  frame.ContactPointsVisible = true;
  scene_.ApplyFrame(frame);
  scene_.Clear();
  EXPECT_EQ(scene_.BodyCount(), 0);
  EXPECT_EQ(Object<TGLDummyCube>("GLDummyCubeForBodies").ChildCount(), 0);
  EXPECT_EQ(scene_.MaterialLibrary().Materials().Count(), 0);
  EXPECT_FALSE(Object<TGLPoints>("GLPenetratingPoints").Visible());
  EXPECT_EQ(Object<TGLPoints>("GLPenetratingPoints").Positions().Count(), 0);
  // The fixed objects stay.
  EXPECT_NE(scene_.FindObject("GLPointer"), nullptr);
}

TEST_F(MainSceneTest, PointerOrientationBoxCameraAndLights) {
  AddBodies();
  scene_.PlaceOrientationSide(TOrientationSide::Left, 6, -3);
  EXPECT_EQ(Object<TGLPlane>("GLWallLeft").Width(), 6);
  EXPECT_EQ(Object<TGLPlane>("GLWallLeft").Position().X(), -3);
  scene_.PlaceOrientationSide(TOrientationSide::Back, 6, 3);
  EXPECT_EQ(Object<TGLPlane>("GLWallBack").Position().Z(), 3);
  scene_.SetOrientationSideVisible(TOrientationSide::Ceiling, true);
  EXPECT_TRUE(Object<TGLPlane>("GLCeiling").Visible());
  scene_.SetLightPosition(2, {1, 2, 3});
  EXPECT_EQ(Object<TGLLightSource>("GLLightSource4").Position().Z(), 3);
  scene_.SetPointerPosition({1, 2, 3});
  scene_.SetPointerCarrierPosition(scene_.PointerPosition());
  EXPECT_EQ(Object<TGLDummyCube>("GLDummyCubeForCamera").Position().Y(), 2);
  scene_.AimCameraAtBody(1);
  EXPECT_EQ(scene_.Camera().TargetObject(), scene_.BodySolid(1));
  scene_.AimCameraAtPointer();
  EXPECT_EQ(scene_.Camera().TargetObject(), &Object<TGLDummyCube>("GLDummyCubeForCamera"));
  scene_.SetAxesVisible(true);
  EXPECT_TRUE(scene_.AxesVisible());
  int repaints = 0;
  scene_.Repaint();  // nobody to repaint
  scene_.OnRepaint = [&] { ++repaints; };
  scene_.Repaint();
  EXPECT_EQ(repaints, 1);
}

// The depth of view reaches twice as far as the model's far side, so that the view can move back after a
// load before the model is cut; it never falls below the window's 100.
TEST_F(MainSceneTest, TheDepthOfViewKeepsAMarginBeyondTheModel) {
  const struct {
    float farthest;
    float depth;
  } cases[] = {{0, 100}, {10, 100}, {50, 100}, {50.5f, 101}, {60, 120}, {1000, 2000}, {1e6f, 2e6f}};
  for (const auto& c : cases) {
    scene_.SetCameraDepthRange(1, c.farthest);
    EXPECT_EQ(scene_.Camera().DepthOfView(), c.depth) << c.farthest;
  }
}

// " Box Box Box" in black on white, in the top half: the cell is 32 pixels high.
TEST(NameTextureTest, ThreeCopiesOfTheNameInTheTopCell) {
  const std::unique_ptr<TBitmap> bitmap = DrawNameTexture("Box");
  ASSERT_EQ(bitmap->Width(), 128);
  ASSERT_EQ(bitmap->Height(), 64);
  EXPECT_EQ(bitmap->PixelFormat(), pf16bit);
  int dark = 0, dark_below = 0, first_dark_x = 128, last_dark_x = -1;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 128; ++x) {
      const std::uint32_t p = bitmap->Pixel(x, y) & 0xFFFFFFu;
      if (p == 0xFFFFFF) continue;
      EXPECT_EQ((p >> 16) & 0xFF, p & 0xFF);  // grey
      if (y >= 32) ++dark_below;
      if ((p & 0xFF) < 0x40) ++dark;
      first_dark_x = std::min(first_dark_x, x);
      last_dark_x = std::max(last_dark_x, x);
    }
  }
  EXPECT_GT(dark, 100);
  EXPECT_EQ(dark_below, 0);
  // A blank first; the third copy runs past 128 pixels at this size.
  EXPECT_GE(first_dark_x, 5);
  EXPECT_EQ(last_dark_x, 127);
}

}  // namespace
}  // namespace zentrova::test
