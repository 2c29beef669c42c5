// What a frame of the program's view costs on llvmpipe: a memory viewer of 744 × 440 with four lights
// and 50 bodies of 72 lit triangles each, compiled into display lists. Every iteration moves every body
// (position and roll, as the view update does, under the scene mutex), draws the frame and waits for it
// (glFinish).
//
//   BM_SceneFrame     the scene buffer's Render; counters: frames/s, and raw_ratio, the time of a scene
//                     frame over the time of a raw GL frame drawing the same lists with the same
//                     matrices, measured interleaved in the same run
//   BM_ObjectAtPoint  a pick at a body's centre pixel
//
// Targets: at least 60 frames/s, a ratio of at most 1.2, and a pick under 16.7 ms (one 60 Hz frame).
// Run it off screen: EGL_PLATFORM=surfaceless LIBGL_ALWAYS_SOFTWARE=1 bin/scene_frame_bench
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

#include "scene/base/vector_types.h"
#include "scene/core/camera.h"
#include "scene/core/custom_scene_object.h"
#include "scene/core/light_source.h"
#include "scene/core/non_visual_viewer.h"
#include "scene/core/stage.h"
#include "scene/gl/egl_context.h"
#include "scene/gl/opengl_binding.h"

namespace {

using namespace zentrova;

constexpr int kBodies = 50;
constexpr int kStacks = 6, kSlices = 6;  // 2 · 6 · 6 = 72 triangles

// A low sphere of radius 0.4 in a diffuse colour.
struct TBody : TGLStageObject {
  explicit TBody(const TVector4f& colour) : colour(colour) {}
  void BuildList(TRenderContextInfo&) override { Draw(); }
  void Draw() const {
    gl.Materialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, colour.data());
    gl.Begin(GL_TRIANGLES);
    const auto vertex = [](int stack, int slice) {
      const float theta = float(M_PI) * stack / kStacks, phi = 2 * float(M_PI) * slice / kSlices;
      const float x = std::sin(theta) * std::cos(phi), y = std::sin(theta) * std::sin(phi), z = std::cos(theta);
      gl.Normal3f(x, y, z);
      gl.Vertex3f(0.4f * x, 0.4f * y, 0.4f * z);
    };
    for (int i = 0; i < kStacks; ++i) {
      for (int j = 0; j < kSlices; ++j) {
        vertex(i, j), vertex(i + 1, j), vertex(i + 1, j + 1);
        vertex(i, j), vertex(i + 1, j + 1), vertex(i, j + 1);
      }
    }
    gl.End();
  }
  TVector4f colour;
};

class TBodyScene {
 public:
  TBodyScene() {
    RegisterEGLContextClass();
    viewer.SetWidth(744);
    viewer.SetHeight(440);
    camera.Position().SetZ(14);
    viewer.SetCamera(&camera);
    for (int i = 0; i < 4; ++i) {
      auto& light = stage.Objects().AddNewChild<TGLLightSource>();
      light.Position().SetPositionXYZ(i % 2 == 0 ? -8.f : 8.f, i < 2 ? -5.f : 5.f, 6);
      light.SetLightStyle(lsOmni);
      light.Diffuse().SetRGBA(0.4f, 0.4f, 0.4f, 1);
    }
    for (int i = 0; i < kBodies; ++i) {
      bodies.push_back(&stage.Objects().AddNewChild<TBody>(TVector4f{0.2f + 0.015f * i, 0.5f, 0.8f - 0.01f * i, 1}));
    }
    viewer.Buffer().PostRender = [](TPersistent*) { gl.Finish(); };
    Move(0);
    viewer.Render();  // the context and the lists
  }
  // Where body i stands at step t: a 10 × 5 grid, swaying and rolling.
  void Move(int t) {
    const auto lock = stage.Lock();
    for (int i = 0; i < kBodies; ++i) {
      const float sway = 0.3f * std::sin(0.05f * t + i);
      bodies[i]->Position().SetPositionXYZ(-9 + 2 * (i % 10) + sway, -4 + 2 * (i / 10), 0);
      bodies[i]->SetRollAngle(std::fmod(3.0f * t + 7 * i, 360.0f) - 180);
    }
  }

  TGLStage stage;
  TGLCamera& camera = stage.Cameras().AddNewChild<TGLCamera>();
  TGLMemoryViewer viewer;
  std::vector<TBody*> bodies;
};

// The same frame in plain GL: the lists compiled from the same drawing, the buffer's matrices, the
// lights loaded as the scene loads them.
class TRawFrame {
 public:
  explicit TRawFrame(TBodyScene& scene) : scene_(scene) {
    Activate();
    base_ = gl.GenLists(kBodies);
    for (int i = 0; i < kBodies; ++i) {
      gl.NewList(base_ + i, GL_COMPILE);
      scene.bodies[i]->Draw();
      gl.EndList();
    }
    Deactivate();
  }
  void Draw() {
    Activate();
    TGLStageBuffer& buffer = scene_.viewer.Buffer();
    gl.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl.MatrixMode(GL_PROJECTION);
    gl.LoadMatrixf(buffer.ProjectionMatrix()[0].data());
    gl.MatrixMode(GL_MODELVIEW);
    gl.LoadMatrixf(buffer.ViewMatrix()[0].data());
    scene_.stage.LoadLights(8);
    for (int i = 0; i < kBodies; ++i) {
      gl.PushMatrix();
      gl.MultMatrixf(scene_.bodies[i]->LocalMatrix()[0].data());
      gl.CallList(base_ + i);
      gl.PopMatrix();
    }
    gl.Finish();
    Deactivate();
  }

 private:
  // As the buffer does for every frame.
  void Activate() { scene_.viewer.Buffer().RenderingContext()->Activate(); }
  void Deactivate() { scene_.viewer.Buffer().RenderingContext()->Deactivate(); }
  TBodyScene& scene_;
  GLuint base_ = 0;
};

void BM_SceneFrame(benchmark::State& state) {
  TBodyScene scene;
  TRawFrame raw(scene);
  using Clock = std::chrono::steady_clock;
  Clock::duration scene_time{}, raw_time{};
  int t = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    scene.Move(++t);
    scene.viewer.Render();
    scene_time += Clock::now() - start;
    state.PauseTiming();
    start = Clock::now();
    scene.Move(++t);
    raw.Draw();
    raw_time += Clock::now() - start;
    state.ResumeTiming();
  }
  state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["raw_ratio"] = double(scene_time.count()) / double(raw_time.count());
}
BENCHMARK(BM_SceneFrame)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();

void BM_ObjectAtPoint(benchmark::State& state) {
  TBodyScene scene;
  // Body 23 stands at (−3, 0): 14 away from the camera.
  const double pixels_per_unit = 50.0 * 2 * 96 / 25.4 / 14;
  const int x = int(372 - 3 * pixels_per_unit), y = 220;
  for (auto _ : state) {
    if (scene.viewer.Buffer().ObjectAtPoint(x, y) != scene.bodies[23]) state.SkipWithError("missed body 23");
  }
}
BENCHMARK(BM_ObjectAtPoint)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
