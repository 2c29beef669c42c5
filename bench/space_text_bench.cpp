// What the 3D text costs: building one shared font entry of 256 extruded glyphs (< 0.1 s wanted), and
// drawing 50 labels that share it at 744 × 440 on llvmpipe (>= 60 frames/s wanted). Run with
// EGL_PLATFORM=surfaceless (set here when unset).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "offscreen_view.h"
#include "scene/core/camera.h"
#include "scene/core/non_visual_viewer.h"
#include "scene/core/stage.h"
#include "scene/gl/context.h"
#include "scene/gl/egl_context.h"
#include "scene/gl/opengl_binding.h"
#include "scene/objects/space_text.h"

namespace zentrova {
namespace {

std::unique_ptr<TGLContext> ActivePBufferContext() {
  setenv("EGL_PLATFORM", "surfaceless", 0);
  RegisterEGLContextClass();
  std::unique_ptr<TGLContext> context = GLContextManager()->NewContext();
  context->SetAlphaBits(8);
  context->SetDepthBits(24);
  context->CreateOffscreen({}, 64, 64);
  context->Activate();
  return context;
}

void BM_ExtrudedFontEntry256Glyphs(benchmark::State& state) {
  const std::unique_ptr<TGLContext> context = ActivePBufferContext();
  TFontManager& manager = GetFontManager();
  // The face is found and loaded once per process; the entry is built anew every time.
  manager.Release(&manager.GetFontBase("Arial", {}, nullptr, 255, 0, 0, 0.2f), nullptr);
  for (auto _ : state) {
    TFontEntry& entry = manager.GetFontBase("Arial", {}, nullptr, 255, 0, 0, 0.2f);
    gl.Finish();
    state.PauseTiming();
    benchmark::DoNotOptimize(entry.ListHandle.Handle());
    manager.Release(&entry, nullptr);
    state.ResumeTiming();
  }
  ReleaseFontManager();
  context->Deactivate();
}
BENCHMARK(BM_ExtrudedFontEntry256Glyphs)->Unit(benchmark::kMillisecond);

void BM_FiftyLabelsSharingAnEntry(benchmark::State& state) {
  bench::TOffscreenView view(40);
  TGLStage& stage = view.stage;
  TGLMemoryViewer& viewer = view.viewer;
  for (int i = 0; i < 50; ++i) {
    auto& label = stage.Objects().AddNewChild<TGLSpaceText>();
    label.SetText(std::to_string(i + 1));
    label.SetExtrusion(0.2f);
    label.SetTextHeight(1.5f);
    label.Adjust().SetHorz(haCenter);
    label.Adjust().SetVert(vaCenter);
    label.Position().SetPositionXYZ(-18 + 4.0f * static_cast<float>(i % 10), -8 + 4.0f * static_cast<float>(i / 10), 0);
    label.SetTurnAngle(static_cast<float>(i * 7));
  }
  viewer.Render();  // the entry and the lists
  for (auto _ : state) {
    viewer.Render();
    TGLContext& context = *viewer.Buffer().RenderingContext();
    context.Activate();
    gl.Finish();
    context.Deactivate();
  }
  state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  stage.Objects().DeleteChildren();
  ReleaseFontManager();
}
BENCHMARK(BM_FiftyLabelsSharingAnEntry)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace zentrova
