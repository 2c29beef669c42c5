// The program's scene with falling-box loaded into it, drawn into a pbuffer by a memory viewer and
// read back. The camera looks down -z (or along -x) at one body, on a black background; with the main
// camera's scene scale of 10, at a distance d the view spans about +-0.017 d.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/scene/main_scene.h"
#include "engine/step/driver.h"
#include "engine/view_fakes.h"
#include "engine/world/model.h"
#include "platform/random.h"
#include "scene/core/camera.h"
#include "scene/core/non_visual_viewer.h"
#include "scene/core/stage.h"
#include "scene/gl/egl_context.h"
#include "scene/gl/gl_fixtures.h"
#include "scene/gl/opengl_binding.h"
#include "scene/objects/dummy_cube.h"
#include "test_support.h"

namespace zentrova::test {
namespace {

using Pixel = std::array<std::uint8_t, 4>;
constexpr int kSize = 128;

class MainSceneGLTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterEGLContextClass();
    for (const auto& entry : std::filesystem::directory_iterator(std::string(ZENTROVA_SOURCE_DIR) +
                                                                 "/examples/falling-box")) {
      std::filesystem::copy_file(entry.path(), std::filesystem::path(dir_.Path()) / entry.path().filename());
    }
    // The box's outline with the mid-points of its edges: a box tree three levels deep.
    WriteBytes(dir_.File("box.exs"),
               "points =9\r\n%%data\r\n-0.1 0 0.1 0.1 0.1 0 -0.1 -0.1 -0.1\r\n"
               "-0.05 -0.05 -0.05 0 0.05 0.05 0.05 0 -0.05\r\n%%enddata\r\n");
    main_ = std::make_unique<TVYKMain>();
    main_->World().View = &scene_;
    std::string history;
    ASSERT_TRUE(main_->LoadWorld(dir_.File("falling-box.wld"), history, ""));
    viewer_.SetWidth(kSize);
    viewer_.SetHeight(kSize);
    viewer_.SetCamera(&scene_.Camera());
    viewer_.Buffer().SetBackgroundColor(0);
    // The floor plane and the box fill the view from below otherwise.
    scene_.SetOrientationSideVisible(TOrientationSide::Floor, false);
    scene_.OnRepaint = [this] { viewer_.Render(); };
  }
  void TearDown() override { main_.reset(); }
  TWorld& World() { return main_->World(); }

  // The camera `distance` in front of body `body` on +z (or on +x), aimed at its solid.
  void LookAt(std::int32_t body, float distance, bool from_side = false) {
    scene_.AimCameraAtBody(body);
    const TGLCoordinates& p = scene_.BodySolid(body)->Position();
    if (from_side) {
      scene_.SetCameraPosition({p.X() + distance, p.Y(), p.Z() + 0.025f});
    } else {
      scene_.SetCameraPosition({p.X(), p.Y(), p.Z() + distance});
    }
  }
  std::vector<Pixel> Frame() {
    viewer_.Render();
    TGLContext& context = *viewer_.Buffer().RenderingContext();
    context.Activate();
    std::vector<Pixel> pixels(kSize * kSize);
    gl.ReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    context.Deactivate();
    return pixels;
  }
  static Pixel Centre(const std::vector<Pixel>& f) { return f[(kSize / 2) * kSize + kSize / 2]; }
  template <class Pred>
  static int Count(const std::vector<Pixel>& f, Pred pred) {
    int n = 0;
    for (const Pixel& p : f) n += pred(p) ? 1 : 0;
    return n;
  }
  static bool Lit(const Pixel& p) { return p[0] + p[1] + p[2] > 0; }

  TempDir dir_;
  TMainScene scene_;
  TGLMemoryViewer viewer_;
  std::unique_ptr<TVYKMain> main_;
};

// The floor's stop cap faces the camera: its name texture leaves dark letters on the grey face, which
// hiding the textures takes away.
TEST_F(MainSceneGLTest, NameTextureShowsOnTheFace) {
  LookAt(1, 30);
  auto dark = [](const Pixel& p) { return p[0] > 0 && p[0] < 40 && p[1] < 40 && p[2] < 40; };
  const std::vector<Pixel> textured = Frame();
  World().HideTextures();
  const std::vector<Pixel> plain = Frame();
  const int face = Count(plain, [](const Pixel& p) { return p[0] > 40; });
  EXPECT_GT(face, kSize * kSize / 4);
  EXPECT_GT(Count(textured, dark) + Count(textured, [](const Pixel& p) { return p == Pixel{0, 0, 0, 255}; }) -
                Count(plain, [](const Pixel& p) { return p == Pixel{0, 0, 0, 255}; }),
            50);
  EXPECT_EQ(Count(plain, dark), 0);
}

struct TransparencyCase {
  long double transparency;
  double share;  // of the opaque centre's brightness
};

class TransparencyGLTest : public MainSceneGLTest, public ::testing::WithParamInterface<TransparencyCase> {};

TEST_P(TransparencyGLTest, CentreBlendsWithTheBackground) {
  World().HideTextures();
  LookAt(0, 10);
  const int opaque = Centre(Frame())[2];
  ASSERT_GT(opaque, 60);
  TBody& box = World().Model().Bodies.Items(0);
  box.Transparency = GetParam().transparency;
  box.UpdateAppearance(scene_, 0);
  EXPECT_NEAR(Centre(Frame())[2], GetParam().share * opaque, 3);
}

INSTANTIATE_TEST_SUITE_P(Levels, TransparencyGLTest,
                         ::testing::Values(TransparencyCase{0, 1}, TransparencyCase{0.5L, 0.5},
                                           TransparencyCase{1, 0}));

// Lines for the faces: the outline and the caps' triangle edges, a fraction of the filled face.
TEST_F(MainSceneGLTest, WireframeLeavesTheFaceOpen) {
  World().HideTextures();
  LookAt(0, 10);
  const int filled = Count(Frame(), Lit);
  EXPECT_GT(filled, 2000);  // about 75 x 37 pixels
  World().ShowWireframeBodies();
  const int wire = Count(Frame(), Lit);
  EXPECT_GT(wire, 100);
  EXPECT_LT(wire, filled / 4);
  World().ShowFilledBodies();
  EXPECT_EQ(Count(Frame(), Lit), filled);
}

// Seen edge-on, a thick body is a band and a flat one nothing.
TEST_F(MainSceneGLTest, FlatBodiesVanishEdgeOn) {
  World().HideTextures();
  LookAt(0, 10, true);
  EXPECT_GT(Count(Frame(), Lit), 20);
  World().ShowFlatBodies();
  EXPECT_EQ(Count(Frame(), Lit), 0);
  World().ShowThickBodies();
  EXPECT_GT(Count(Frame(), Lit), 20);
}

// Level 0 draws the boxes of every depth, level 2 only the deepest four of the six.
TEST_F(MainSceneGLTest, BoxTreeLevels) {
  World().HideTextures();
  LookAt(0, 8);
  scene_.BodySolid(0)->SetVisible(false);  // out of the way of its boxes, which its frame holds
  ScriptedDialogs dialogs;
  SetRandomSeed(7);
  dialogs.answer = 0;
  World().ShowBoundingBoxTree(0);
  const int all = Count(Frame(), Lit);
  World().ShowBoundingBoxTree(0);  // off
  EXPECT_EQ(Count(Frame(), Lit), 0);
  SetRandomSeed(7);
  dialogs.answer = 2;
  World().ShowBoundingBoxTree(0);
  const int deepest = Count(Frame(), Lit);
  EXPECT_GT(deepest, 50);
  EXPECT_LT(deepest, all);
}

// The markers of the eight watched points: shown, hidden, shown again with all of them.
TEST_F(MainSceneGLTest, WatchMarkersShowHideShow) {
  World().HideTextures();
  TBody& box = World().Model().Bodies.Items(0);
  box.Transparency = 1;
  box.UpdateAppearance(scene_, 0);
  LookAt(0, 10);
  auto blue = [](const Pixel& p) { return p[2] > 100 && p[0] < 60 && p[1] < 60; };
  World().ToggleContactWatches(0);
  const int shown = Count(Frame(), blue);
  EXPECT_GT(shown, 8 * 30);
  World().ToggleContactWatches(0);
  EXPECT_EQ(Count(Frame(), blue), 0);
  World().ToggleContactWatches(0);
  EXPECT_EQ(Count(Frame(), blue), shown);
}

// Two detections' frames: every point of the latest is drawn.
TEST_F(MainSceneGLTest, EveryContactPointDrawnAfterTwoDetections) {
  World().HideTextures();
  for (std::int32_t i = 0; i < 2; ++i) {
    TBody& body = World().Model().Bodies.Items(i);
    body.Transparency = 1;
    body.UpdateAppearance(scene_, i);
  }
  LookAt(0, 10);
  TViewFrame frame;
  frame.ContactPointsVisible = true;
  frame.ContactPoints = {{-0.4f, 0.4f, 0}, {-0.3f, 0.4f, 0}, {-0.2f, 0.4f, 0}};
  scene_.ApplyFrame(frame);
  auto red = [](const Pixel& p) { return p[0] > 100 && p[1] < 60 && p[2] < 60; };
  const int first = Count(Frame(), red);
  scene_.ApplyFrame(frame);
  const int second = Count(Frame(), red);
  EXPECT_GT(second, 3 * 30);
  EXPECT_EQ(second, first);
  frame.ContactPoints.resize(1);
  scene_.ApplyFrame(frame);
  EXPECT_LT(Count(Frame(), red), second / 2);
}

}  // namespace
}  // namespace zentrova::test
