// A scene drawn through its camera into a pbuffer and read back, for the objects' gl tests: the camera
// 10 in front of the origin looking down −z, nothing lit, every object in the current colour.
#pragma once

#include <cmath>
#include <vector>

#include "scene/core/core_fixtures.h"
#include "scene/gl/texture_coordinates.h"

namespace zentrova::test {

using Pixel = std::array<std::uint8_t, 4>;

class ObjectsInPBuffer : public ::testing::Test {
 public:
  static constexpr int kSize = 128;
  // The near plane at which the frustum spans ±0.5 (a 50 mm focal length at 96 dpi).
  static constexpr float kNear = 50.0f * 2 * 96 / (25.4f * kSize);

  ObjectsInPBuffer() {
    context_ = NewPBufferContext(kSize, kSize);
    context_->Activate();
    TexCoordRouteMain();
    camera.Position().SetZ(10);
  }

 protected:
  ~ObjectsInPBuffer() override {
    stage.Objects().DeleteChildren();
    if (ActiveContext() == context_.get()) context_->Deactivate();
  }
  void Render(TDrawState state = TDrawState::Rendering) {
    states.EnableState(stDepthTest);
    gl.ClearColor(0, 0, 0, 0);
    gl.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl.MatrixMode(GL_PROJECTION);
    gl.LoadIdentity();
    camera.LoadProjection({0, 0, kSize, kSize}, kSize, kSize, 96);
    gl.MatrixMode(GL_MODELVIEW);
    gl.LoadIdentity();
    camera.LoadViewMatrix();
    gl.Color4f(1, 1, 1, 1);
    rci = TRenderContextInfo{.scene = &stage,
                             .drawState = state,
                             .objectsSorting = osNone,
                             .visibilityCulling = vcNone,
                             .GLStates = &states,
                             .ignoreMaterials = true};
    rci.cameraPosition = camera.AbsoluteTranslation();
    stage.Objects().RenderWithTransform(rci);
    gl.Finish();
  }

 public:
  // Window coordinate of a scene coordinate v at a distance from the camera.
  static float Window(float v, float distance) { return (kNear * v / distance / 0.5f + 1) * kSize / 2; }
 protected:
  static bool Lit(const Pixel& p) { return p[0] > 0 || p[1] > 0 || p[2] > 0; }
  // The lit pixels' bounds: min x, min y, max x, max y (all −1 when none is lit).
  std::array<int, 4> LitBounds() const {
    std::vector<std::uint8_t> pixels(kSize * kSize * 4);
    gl.ReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    std::array<int, 4> b{-1, -1, -1, -1};
    for (int y = 0; y < kSize; ++y) {
      for (int x = 0; x < kSize; ++x) {
        const std::uint8_t* p = &pixels[(y * kSize + x) * 4];
        if (p[0] == 0 && p[1] == 0 && p[2] == 0) continue;
        if (b[0] < 0) b = {x, y, x, y};
        b = {std::min(b[0], x), std::min(b[1], y), std::max(b[2], x), std::max(b[3], y)};
      }
    }
    return b;
  }
  std::vector<std::uint8_t> Image() const {
    std::vector<std::uint8_t> pixels(kSize * kSize * 4);
    gl.ReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
  }

  std::unique_ptr<TGLContext> context_;
  TGLStage stage;
  TGLCamera& camera = stage.Cameras().AddNewChild<TGLCamera>();
  TGLStateCache states;
  TRenderContextInfo rci;
};

// Within a pixel: a lit bound against where the camera predicts the edge.
inline void ExpectEdge(int lit, float predicted, const char* what) {
  EXPECT_NEAR(lit, predicted, 1.0) << what;
}

}  // namespace zentrova::test
