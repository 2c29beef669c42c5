// What the bodies of the program's view cost: 50 extrusion solids, each of one 200-point outline with
// all four parts, with a label each, at 744 × 440 on llvmpipe. The first frame builds every outline,
// display list and the labels' font (< 0.2 s wanted); later frames draw the lists (>= 60 frames/s
// wanted). Run with EGL_PLATFORM=surfaceless (set here when unset).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <string>

#include "offscreen_view.h"
#include "scene/core/camera.h"
#include "scene/core/non_visual_viewer.h"
#include "scene/core/stage.h"
#include "scene/gl/context.h"
#include "scene/gl/egl_context.h"
#include "scene/gl/opengl_binding.h"
#include "scene/objects/dummy_cube.h"
#include "scene/objects/extrusion_solid.h"
#include "scene/objects/space_text.h"

namespace zentrova {
namespace {

constexpr int kBodies = 50;
constexpr int kOutlinePoints = 200;

// A gear-like outline of 200 points (concave, counter-clockwise), closed by repeating its first point as
// the engine's outline files do.
void AddBody(TGLBaseSceneObject& parent, int index) {
  auto& body = parent.AddNewChild<TGLDummyCube>();
  body.Position().SetPositionXYZ(-18 + 4.0f * static_cast<float>(index % 10),
                                 -8 + 4.0f * static_cast<float>(index / 10), 0);
  body.SetRollAngle(static_cast<float>(index * 7));
  auto& solid = body.AddNewChild<TGLExtrusionSolid>();
  TGLNodes& nodes = solid.ContourNodes(0);
  nodes.BeginUpdate();
  for (int i = 0; i <= kOutlinePoints; ++i) {
    const int k = i % kOutlinePoints;
    const double a = 2 * std::numbers::pi * k / kOutlinePoints;
    const double r = 1.5 + 0.2 * std::sin(12 * a);
    nodes.AddXYZ(static_cast<float>(r * std::cos(a)), static_cast<float>(r * std::sin(a)), 0);
  }
  nodes.EndUpdate();
  solid.SetParts(kAllExtrusionSolidParts);
  solid.SetHeight(0.5f);
  auto& label = body.AddNewChild<TGLSpaceText>();
  label.SetText(std::to_string(index + 1));
  label.SetExtrusion(0.2f);
  label.SetTextHeight(1);
  label.Adjust().SetHorz(haCenter);
  label.Adjust().SetVert(vaCenter);
  label.Position().SetZ(0.6f);
}

struct TBodiesView : bench::TOffscreenView {
  TBodiesView() : TOffscreenView(40) {
    for (int i = 0; i < kBodies; ++i) AddBody(stage.Objects(), i);
  }
  ~TBodiesView() { stage.Objects().DeleteChildren(); }

  void Frame() {
    viewer.Render();
    TGLContext& context = *viewer.Buffer().RenderingContext();
    context.Activate();
    gl.Finish();
    context.Deactivate();
  }
};

void BM_FirstFrameOfFiftyBodies(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    {
      auto view = std::make_unique<TBodiesView>();
      view->Frame();  // the context and its driver up, so that the timed frame is the scene's own work
      view->stage.Objects().DeleteChildren();
      ReleaseFontManager();
      for (int i = 0; i < kBodies; ++i) AddBody(view->stage.Objects(), i);
      state.ResumeTiming();
      view->Frame();
      state.PauseTiming();
      view.reset();
      ReleaseFontManager();
    }
    state.ResumeTiming();
  }
}
BENCHMARK(BM_FirstFrameOfFiftyBodies)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_LaterFramesOfFiftyBodies(benchmark::State& state) {
  TBodiesView view;
  view.Frame();  // outlines, lists and font
  for (auto _ : state) view.Frame();
  state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  view.stage.Objects().DeleteChildren();
  ReleaseFontManager();
}
BENCHMARK(BM_LaterFramesOfFiftyBodies)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace zentrova
