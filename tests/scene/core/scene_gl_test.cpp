// A lit scene drawn through its camera into a 64 × 64 pbuffer and read back.
#include "core_fixtures.h"

namespace zentrova::test {
namespace {

using Pixel = std::array<std::uint8_t, 4>;
constexpr int kSize = 64;
constexpr float kNear = 50.0f * 2 * 96 / (25.4f * kSize);  // the frustum spans ±0.5 there

// A square of the given half size in the object's xy plane, facing +z.
struct TSquare : TGLStageObject {
  TSquare(TAffineVector at, float half, const TVector4f& color) : half(half), color(color) {
    Position().SetPositionXYZ(at[0], at[1], at[2]);
  }
  void BuildList(TRenderContextInfo&) override {
    gl.Color4fv(color.data());
    gl.Normal3f(0, 0, 1);
    gl.Begin(GL_QUADS);
    for (auto [x, y] : {std::pair{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}) gl.Vertex3f(x * half, y * half, 0);
    gl.End();
  }
  float half;
  TVector4f color;
};

// The camera 10 in front of the origin, looking down −z; the scene draws in index order.
class SceneInPBuffer : public GLContextTest {
 protected:
  SceneInPBuffer() { camera.Position().SetZ(10); }
  void Render() {
    states.EnableState(stDepthTest);
    gl.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl.MatrixMode(GL_PROJECTION);
    gl.LoadIdentity();
    camera.LoadProjection({0, 0, kSize, kSize}, kSize, kSize, 96);
    gl.MatrixMode(GL_MODELVIEW);
    gl.LoadIdentity();
    camera.LoadViewMatrix();
    stage.LoadLights(8);
    TRenderContextInfo rci{
        .scene = &stage, .objectsSorting = osNone, .visibilityCulling = vcNone, .GLStates = &states};
    stage.Objects().RenderWithTransform(rci);
  }
  static float Window(float v, float distance) { return (kNear * v / distance / 0.5f + 1) * kSize / 2; }
  // Covers the pixels the camera predicts, within a pixel at each edge.
  void ExpectSquare(float cx, float cy, float half, float distance, const Pixel& color) {
    const float mx = Window(cx, distance), my = Window(cy, distance), h = Window(half, distance) - kSize / 2;
    for (float d : {h - 1, 1 - h, h + 1, -1 - h}) {
      EXPECT_EQ(ReadPixel(int(mx + d), int(my)) == color, std::fabs(d) < h) << d;
      EXPECT_EQ(ReadPixel(int(mx), int(my + d)) == color, std::fabs(d) < h) << d;
    }
  }
  TGLStage stage;
  TGLCamera& camera = stage.Cameras().AddNewChild<TGLCamera>();
  TGLStateCache states;
};

TEST_F(SceneInPBuffer, ObjectsLandWhereTheMatricesSayAndTheNearerWinsInEitherOrder) {
  stage.Objects().AddNewChild<TSquare>(TAffineVector{0.3f, 0, 0}, 0.1f, clrRed);
  stage.Objects().AddNewChild<TSquare>(TAffineVector{0.3f, 0, 2}, 0.05f, clrGreen);
  // Drawn after a nearer one, a square that ignores the depth buffer shows through it.
  stage.Objects().AddNewChild<TSquare>(TAffineVector{-0.3f, -0.2f, 2}, 0.08f, clrGreen);
  auto& through = stage.Objects().AddNewChild<TSquare>(TAffineVector{-0.3f, -0.2f, 0}, 0.08f, clrRed);
  through.SetObjectStyle(osIgnoreDepthBuffer);
  // Rolled by 90°, the parent carries the child's local x offset onto the absolute y axis.
  auto& parent = stage.Objects().AddNewChild<TSquare>(TAffineVector{-0.3f, 0.1f, 0}, 0.02f, clrBlue);
  parent.SetRollAngle(90);
  auto& child = parent.AddNewChild<TSquare>(TAffineVector{0.3f, 0, 0}, 0.05f, clrYellow);
  ExpectNear(child.AbsoluteTranslation(), {-0.3, 0.4, 0, 1}, 1e-6);
  for (int order = 0; order < 2; ++order) {
    Render();
    ExpectSquare(0.3f, 0, 0.05f, 8, {0, 255, 0, 255});
    EXPECT_EQ(ReadPixel(int(Window(0.22f, 10)), kSize / 2), (Pixel{255, 0, 0, 255}));
    ExpectSquare(-0.3f, 0.4f, 0.05f, 10, {255, 255, 0, 255});
    EXPECT_EQ(ReadPixel(int(Window(-0.3f, 10)), int(Window(-0.2f, 10))), (Pixel{255, 0, 0, 255}));
    EXPECT_TRUE(states.StateEnabled(stDepthTest) && gl.IsEnabled(GL_DEPTH_TEST));
    stage.Objects().ChildAt(1)->SetIndex(0);
  }
}

TEST_F(SceneInPBuffer, AParallelLightShinesByTheCosine) {
  states.EnableState(stLighting);
  stage.Objects().AddNewChild<TSquare>(TAffineVector{0, 0, 0}, 0.3f, clrWhite);
  auto& light = stage.Objects().AddNewChild<TGLLightSource>();
  light.SetLightStyle(lsParallel);
  // Default material (diffuse 0.8, ambient 0.2) under the scene ambient 0.2: 0.04 + 0.8 N·L.
  for (auto [direction, level] :
       {std::pair{TVector4f{0, 0, 1, 0}, 0.84 * 255}, {{0.8660254f, 0, 0.5f, 0}, 0.44 * 255}}) {
    light.SetSpotDirection(direction);
    Render();
    ExpectNear(ReadPixel(kSize / 2, kSize / 2), {level, level, level, 255}, 2);
  }
}

}  // namespace
}  // namespace zentrova::test
