// What the head-up display and the widgets cost: 2,000 characters of system-font text in 40 lines and
// 20 skinned buttons with captions, drawn every frame at 744 × 440 on llvmpipe (>= 60 frames/s wanted).
// Run with EGL_PLATFORM=surfaceless (set here when unset).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "offscreen_view.h"
#include "scene/core/camera.h"
#include "scene/core/non_visual_viewer.h"
#include "scene/core/stage.h"
#include "scene/extras/text/hud_objects.h"
#include "scene/extras/text/windows_bitmap_font.h"
#include "scene/extras/widgets/button.h"
#include "scene/gl/context.h"
#include "scene/gl/egl_context.h"
#include "scene/gl/opengl_binding.h"
#include "scene/materials/material.h"
#include "scene/materials/texture.h"
#include "scene/materials/texture_image.h"

namespace zentrova {
namespace {

void BM_HudTextAndTwentyWidgets(benchmark::State& state) {
  bench::TOffscreenView view(10);
  TGLStage& stage = view.stage;
  TGLMemoryViewer& viewer = view.viewer;
  TGLWindowsBitmapFont font;
  font.Font().SetName("Liberation Sans");
  font.Font().SetSize(8);
  // 40 lines of 50 characters.
  for (int line = 0; line < 40; ++line) {
    auto& text = stage.Objects().AddNewChild<TGLHUDText>();
    text.SetBitmapFont(&font);
    std::string s;
    for (int i = 0; i < 50; ++i) s += static_cast<char>('!' + (line * 50 + i) % 90);
    text.SetText(s);
    text.Position().SetPositionXYZ(4, 4 + 10.5f * static_cast<float>(line), 0);
  }
  TGLGuiLayout layout;
  TBitmap skin(4, 4, pf24bit);
  for (int i = 0; i < 16; ++i) skin.SetPixel(i % 4, i / 4, 0xFF000000u | (0x102030u * static_cast<unsigned>(i)));
  layout.Material().Texture().SetTextureMode(tmReplace);
  static_cast<TGLPersistentImage&>(layout.Material().Texture().Image()).Picture().SetGraphic(&skin);
  layout.Material().Texture().SetDisabled(false);
  TGLGuiComponent& up = layout.GuiComponents().Add();
  up.Name = "up";
  for (int cell = 0; cell < 9; ++cell) {
    TGLGuiElement& e = up.Elements().Add();
    e.Align = static_cast<TGUIAlignments>(cell);
    e.TopLeft = {float(cell % 3), float(cell / 3), 0};
    e.BottomRight = {float(cell % 3 + 1), float(cell / 3 + 1), 0};
    e.Scale = {4, 4, 0};
  }
  auto& root = stage.Objects().AddNewChild<TGLPanel>();
  root.SetWidth(744);
  root.SetHeight(440);
  for (int i = 0; i < 20; ++i) {
    auto& button = root.AddNewChild<TGLButton>();
    button.SetGuiLayout(&layout);
    button.SetGuiLayoutName("up");
    button.SetBitmapFont(&font);
    button.SetCaption("Button " + std::to_string(i + 1));
    button.SetLeft(450 + 140 * static_cast<float>(i % 2));
    button.SetTop(10 + 42 * static_cast<float>(i / 2));
    button.SetWidth(130);
    button.SetHeight(36);
  }
  viewer.Render();  // the font texture and the skin
  for (auto _ : state) {
    viewer.Render();
    TGLContext& context = *viewer.Buffer().RenderingContext();
    context.Activate();
    gl.Finish();
    context.Deactivate();
  }
  state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  for (int i = 0; i < root.ChildCount(); ++i) {
    auto& button = static_cast<TGLButton&>(*root.ChildAt(i));
    button.SetBitmapFont(nullptr);
    button.SetGuiLayout(nullptr);
  }
  stage.Objects().DeleteChildren();
}
BENCHMARK(BM_HudTextAndTwentyWidgets)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zentrova
