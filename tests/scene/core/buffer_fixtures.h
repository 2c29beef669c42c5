// A memory viewer of 744 × 440 on a scene of flat and lit quads, seen by a camera 10 in front of the
// origin looking down −z. At distance d a world unit spans 744 · near / d pixels, near = 50·2·96/(25.4·744).
#pragma once

#include <utility>

#include "core_fixtures.h"
#include "scene/core/non_visual_viewer.h"
#include "scene/gl/egl_context.h"

namespace zentrova::test {

using Pixel = std::array<std::uint8_t, 4>;
constexpr int kWidth = 744, kHeight = 440;
constexpr double kPixelsPerUnitAt1 = 50.0 * 2 * 96 / 25.4;

// Window position (GL rows, from the bottom) of a world point in front of the camera.
inline std::pair<int, int> WindowOf(float x, float y, float z = 0) {
  const double s = kPixelsPerUnitAt1 / (10 - z);
  return {int(kWidth / 2 + x * s), int(kHeight / 2 + y * s)};
}

// A square facing +z: flat in its colour, or lit with its colour as the diffuse material. Can throw once.
struct TQuad : TGLStageObject {
  TQuad(const std::string& name, TAffineVector at, float half, const TVector4f& color, bool lit = false)
      : half(half), color(color), lit(lit) {
    SetName(name);
    Position().SetPositionXYZ(at[0], at[1], at[2]);
  }
  void BuildList(TRenderContextInfo&) override {
    if (std::exchange(throws_once, false)) throw EAssertionFailed("bad geometry", "quad", 1);
    if (log != nullptr) log->push_back("draw " + Name());
    ++builds;
    gl.PushAttrib(GL_LIGHTING_BIT | GL_ENABLE_BIT);
    if (lit) {
      gl.Enable(GL_LIGHTING);
      gl.Materialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, color.data());
    } else {
      gl.Disable(GL_LIGHTING);
    }
    gl.Color4fv(color.data());
    gl.Normal3f(0, 0, 1);
    gl.Begin(GL_QUADS);
    for (auto [x, y] : {std::pair{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}) gl.Vertex3f(x * half, y * half, 0);
    gl.End();
    gl.PopAttrib();
  }
  float half;
  TVector4f color;
  bool lit;
  bool throws_once = false;
  int builds = 0;
  static inline std::vector<std::string>* log = nullptr;
};

// Counts the repaint requests; its context preparation can be made to throw once.
struct TCountingViewer : TGLMemoryViewer {
  void DoOnChange() override { ++changes; }
  void PrepareGLContext(TGLContext&) override {
    if (std::exchange(prepare_throws, false)) throw Exception("no context today");
  }
  int changes = 0;
  bool prepare_throws = false;
};

class MemoryViewerTest : public ::testing::Test {
 protected:
  MemoryViewerTest() {
    RegisterEGLContextClass();
    viewer.SetWidth(kWidth);
    viewer.SetHeight(kHeight);
    camera.Position().SetZ(10);
    viewer.SetCamera(&camera);
    viewer.Buffer().SetBackgroundColor(MakeRGBColor(10, 20, 30));
    auto& light = stage.Objects().AddNewChild<TGLLightSource>();
    light.SetLightStyle(lsParallel);
    light.SetSpotDirection({0, 0, 1, 0});
  }
  ~MemoryViewerTest() override { TQuad::log = nullptr; }
  TQuad& Quad(const std::string& name, TAffineVector at, float half, const TVector4f& color, bool lit = false) {
    return stage.Objects().AddNewChild<TQuad>(name, at, half, color, lit);
  }
  // A pixel of the last frame (GL rows), read back from the viewer's context.
  Pixel WindowPixel(int x, int y) {
    TGLContext& context = *viewer.Buffer().RenderingContext();
    context.Activate();
    const Pixel pixel = ReadPixel(x, y);
    context.Deactivate();
    return pixel;
  }
  Pixel PixelAt(float x, float y, float z = 0) {
    auto [wx, wy] = WindowOf(x, y, z);
    return WindowPixel(wx, wy);
  }
  // The object picked at a world point (window pixels, y downwards).
  TGLBaseSceneObject* PickAt(float x, float y, float z = 0) {
    auto [wx, wy] = WindowOf(x, y, z);
    return viewer.Buffer().ObjectAtPoint(wx, kHeight - 1 - wy);
  }
  TGLStage stage;
  TGLCamera& camera = stage.Cameras().AddNewChild<TGLCamera>();
  TCountingViewer viewer;
};

}  // namespace zentrova::test
