// What the window viewer and the AVI recorder cost on llvmpipe through an X server: a viewer of 744 × 440
// showing 50 bodies of 72 lit triangles each, compiled into display lists, moved before every frame.
//
//   BM_ViewerFrame       a paint of the viewer (the frame, its swap to the window and an XSync, so that
//                        the picture has reached the server); counter: frames/s
//   BM_RecorderAddFrame  AddFrame of a Video-1 recording at 744 × 440 from snapshots of the viewer (each
//                        draws a frame, reads it and encodes it); counter: frames/s
//
// Targets: at least 60 frames/s for the viewer and 40 for the recorder.
// Run it on a virtual X server: xvfb-run -a -s '-screen 0 1280x1024x24' bin/scene_viewer_bench
#include <benchmark/benchmark.h>

#include <QtWidgets/QApplication>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "scene/avi/avi_recorder.h"
#include "scene/core/camera.h"
#include "scene/core/custom_scene_object.h"
#include "scene/core/light_source.h"
#include "scene/core/stage.h"
#include "scene/gl/egl_context.h"
#include "scene/gl/opengl_binding.h"
#include "scene/qt/native_window_context.h"
#include "scene/qt/stage_viewer.h"

// Last: Xlib's macros would clash with the names of the headers above.
#include <X11/Xlib.h>

namespace {

using namespace zentrova;

constexpr int kBodies = 50;
constexpr int kStacks = 6, kSlices = 6;  // 2 · 6 · 6 = 72 triangles

// A low sphere of radius 0.4 in a diffuse colour.
struct TBody : TGLStageObject {
  explicit TBody(const TVector4f& colour) : colour(colour) {}
  void BuildList(TRenderContextInfo&) override {
    gl.Materialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, colour.data());
    gl.Begin(GL_TRIANGLES);
    const auto vertex = [](int stack, int slice) {
      const float theta = float(M_PI) * stack / kStacks, phi = 2 * float(M_PI) * slice / kSlices;
      const float x = std::sin(theta) * std::cos(phi), y = std::sin(theta) * std::sin(phi),
                  z = std::cos(theta);
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

QApplication& Application() {
  static int argc = 1;
  static char name[] = "scene_viewer_bench";
  static char* argv[] = {name, nullptr};
  static QApplication application(argc, argv);
  return application;
}

class TViewerScene {
 public:
  TViewerScene() {
    RegisterEGLContextClass();
    viewer.resize(744, 440);
    camera.Position().SetZ(14);
    viewer.SetCamera(&camera);
    for (int i = 0; i < 4; ++i) {
      auto& light = stage.Objects().AddNewChild<TGLLightSource>();
      light.Position().SetPositionXYZ(i % 2 == 0 ? -8.f : 8.f, i < 2 ? -5.f : 5.f, 6);
      light.SetLightStyle(lsOmni);
      light.Diffuse().SetRGBA(0.4f, 0.4f, 0.4f, 1);
    }
    for (int i = 0; i < kBodies; ++i) {
      bodies.push_back(
          &stage.Objects().AddNewChild<TBody>(TVector4f{0.2f + 0.015f * i, 0.5f, 0.8f - 0.01f * i, 1}));
    }
    // The frame counts once the server holds it.
    viewer.Buffer().AfterRender = [](TPersistent*) {
      XSync(static_cast<Display*>(ApplicationXDisplay()), False);
    };
    viewer.show();
    for (int i = 0; i < 20 && viewer.Buffer().FrameCount() == 0; ++i) QApplication::processEvents();
  }
  void Move(int t) {
    const auto lock = stage.Lock();
    for (int i = 0; i < kBodies; ++i) {
      const float sway = 0.3f * std::sin(0.05f * t + i);
      bodies[i]->Position().SetPositionXYZ(-9 + 2 * (i % 10) + sway, -4 + 2 * (i / 10), 0);
      bodies[i]->SetRollAngle(std::fmod(3.0f * t + 7 * i, 360.0f) - 180);
    }
  }

  QApplication& application = Application();  // before the first widget
  TGLStage stage;
  TGLCamera& camera = stage.Cameras().AddNewChild<TGLCamera>();
  TGLStageViewer viewer;
  std::vector<TBody*> bodies;
};

void BM_ViewerFrame(benchmark::State& state) {
  TViewerScene scene;
  if (!scene.viewer.IsOpenGLAvailable()) state.SkipWithError("no X server with OpenGL");
  int t = 0;
  const int frames = scene.viewer.Buffer().FrameCount();
  for (auto _ : state) {
    scene.Move(++t);
    scene.viewer.repaint();
  }
  if (scene.viewer.Buffer().FrameCount() - frames != int(state.iterations()))
    state.SkipWithError("a paint drew no frame");
  state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ViewerFrame)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();

void BM_RecorderAddFrame(benchmark::State& state) {
  TViewerScene scene;
  if (!scene.viewer.IsOpenGLAvailable()) state.SkipWithError("no X server with OpenGL");
  const std::string file = (std::filesystem::temp_directory_path() / "scene_viewer_bench.avi").string();
  std::filesystem::remove(file);
  TAVIRecorder recorder;
  recorder.SetFilename(file);
  recorder.SetWidth(744);
  recorder.SetHeight(440);
  recorder.SetFPS(20);
  recorder.SetCompressor(acDefault);
  recorder.SetImageRetrievalMode(irmSnapShot);
  recorder.SetGLStageViewer(&scene.viewer);
  recorder.OpenFile();
  int t = 0;
  for (auto _ : state) {
    scene.Move(++t);
    recorder.AddFrame();
  }
  recorder.CloseFile(true);
  state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RecorderAddFrame)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();

}  // namespace
