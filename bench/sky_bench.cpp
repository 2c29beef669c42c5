// Sky domes drawn into a 744 × 440 pbuffer (the main window's view) on Mesa's software rasteriser.
//
//   BM_TwinklingStarsOverEarthDome/N   N stars twinkling, so drawn directly every frame, over a 48 × 24
//                                      Earth dome with the sun at 20°; one frame per iteration, finished.
//                                      The counter fps is the figure: at least 60 for N = 10,000. N = 0
//                                      is the dome alone.
//
// The stars are spread over the sky in no order, with magnitudes as on the real sky (see below). Every
// change of point size from one star to the next ends a batch; with magnitudes spread evenly from −1 to 6
// nearly every bright star starts one, and the frame rate drops by about half.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "platform/random.h"
#include "scene/core/camera.h"
#include "scene/core/stage.h"
#include "scene/extras/sky/earth_sky_dome.h"
#include "scene/gl/context.h"
#include "scene/gl/egl_context.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/state_cache.h"

namespace {

using namespace zentrova;

constexpr int kWidth = 744;
constexpr int kHeight = 440;

void BM_TwinklingStarsOverEarthDome(benchmark::State& state) {
  RegisterEGLContextClass();
  std::unique_ptr<TGLContext> context = GLContextManager()->NewContext();
  context->SetColorBits(32);
  context->SetAlphaBits(8);
  context->SetDepthBits(24);
  context->CreateOffscreen({}, kWidth, kHeight);
  context->Activate();
  {
    TGLStage stage;
    TGLCamera& camera = stage.Cameras().AddNewChild<TGLCamera>();
    camera.SetDirection({1, 0, 0.3f, 0});
    camera.SetUp({0, 0, 1, 0});
    stage.SetCurrentCamera(&camera);
    auto& dome = stage.Objects().AddNewChild<TGLEarthSkyDome>();
    dome.SetSunElevation(20);
    dome.SetOptions(sdoTwinkle);
    SetRandomSeed(2024);
    for (int i = 0; i < state.range(0); ++i) {
      TSkyDomeStar& star = dome.Stars().Add();
      star.RA = static_cast<float>(Random() * 360);
      star.Dec = static_cast<float>(Random() * 180 - 90);
      // As on the real sky, three times as many stars per magnitude fainter, 6.5 the faintest: about 170
      // of the 10,000 are brighter than 2.95 and drawn larger than the floor of 1.5 pixels.
      star.Magnitude = static_cast<float>(6.5L + 2 * std::log10(1 - Random()));
      star.Color = MakeRGBColor(255, 255, static_cast<std::uint8_t>(RandomInt(256)));
    }
    TGLStateCache states;
    TRenderContextInfo rci{
        .scene = &stage, .objectsSorting = osNone, .visibilityCulling = vcNone, .GLStates = &states};
    for (auto _ : state) {
      gl.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      gl.MatrixMode(GL_PROJECTION);
      gl.LoadIdentity();
      camera.LoadProjection({0, 0, kWidth, kHeight}, kWidth, kHeight, 96);
      gl.MatrixMode(GL_MODELVIEW);
      gl.LoadIdentity();
      camera.LoadViewMatrix();
      stage.Objects().RenderWithTransform(rci);
      gl.Finish();
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  }
  context->Deactivate();
}
BENCHMARK(BM_TwinklingStarsOverEarthDome)->Arg(0)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
