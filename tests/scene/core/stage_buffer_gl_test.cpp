// Frames of a memory viewer read back pixel by pixel: where objects land, what one exception leaves,
// fog, effects, proxies and compiled direct drawing.
#include "buffer_fixtures.h"
#include "scene/core/behaviours.h"
#include "scene/pictures/bitmap32.h"
#include "scene/core/direct_opengl.h"
#include "scene/core/proxy_object.h"
#include "scene/materials/texture.h"

namespace zentrova::test {
namespace {

constexpr Pixel kBackground{10, 20, 30, 255};

TEST_F(MemoryViewerTest, QuadsLandOnTheirPredictedPixelsAndAMoveShowsAfterOneRepaintRequest) {
  auto& flat = Quad("flat", {-3, 1, 0}, 0.5f, clrRed);
  Quad("lit", {2, -1, 0}, 0.5f, {0.5f, 0.25f, 0, 1}, true);
  Quad("near", {0, 0, 5}, 0.2f, clrGreen);
  viewer.Render();
  for (auto [x, y] : {std::pair{0, 0}, {kWidth - 1, 0}, {0, kHeight - 1}, {kWidth - 1, kHeight - 1}})
    EXPECT_EQ(WindowPixel(x, y), kBackground) << x << ", " << y;
  // Lit: the scene ambient 0.2 times the default ambient material 0.2, plus the diffuse colour head-on.
  const std::pair<TVector4f, std::array<double, 4>> expected[] = {
      {{-3, 1, 0}, {255, 0, 0, 255}},      {{-3.55f, 1, 0}, {10, 20, 30, 255}},
      {{-2.45f, 1, 0}, {10, 20, 30, 255}}, {{2, -1, 0}, {137.7, 73.95, 10.2, 255}},
      {{0, 0, 5}, {0, 255, 0, 255}},       {{0.25f, 0, 5}, {10, 20, 30, 255}}};
  for (const auto& [at, c] : expected) ExpectNear(PixelAt(at[0], at[1], at[2]), {c[0], c[1], c[2], c[3]}, 2);
  viewer.changes = 0;
  flat.Position().SetX(-1);
  EXPECT_EQ(viewer.changes, 1);
  viewer.Render();
  EXPECT_EQ(PixelAt(-3, 1), kBackground);
  EXPECT_EQ(PixelAt(-1, 1), (Pixel{255, 0, 0, 255}));
  viewer.Buffer().Resize(0, 0);
  EXPECT_EQ(std::pair(viewer.Buffer().Width(), viewer.Buffer().Height()), std::pair(1, 1));
}

TEST_F(MemoryViewerTest, AFailedFramePickOrContextCreationLeavesTheViewerReadyForTheNextFrame) {
  auto& quad = Quad("q", {0, 0, 0}, 0.5f, clrRed);
  viewer.Render();
  const TMatrix4f projection = viewer.Buffer().ProjectionMatrix();
  const std::pair<const char*, std::function<void()>> failures[] = {
      {"frame", [&] { quad.throws_once = true, quad.MarkStructureDirty(), viewer.Render(); }},
      {"pick", [&] { quad.throws_once = true, PickAt(quad.Position().X(), 0); }},
      {"context", [&] { viewer.prepare_throws = true, viewer.SetWidth(1), viewer.SetWidth(kWidth), viewer.Render(); }},
      {"bitmap", [&] { TBitmap bitmap(64, 32, pf24bit); quad.throws_once = true, viewer.Buffer().RenderIntoBitmap(bitmap, 0); }},
  };
  float x = 0;
  for (const auto& [what, fail] : failures) {
    const TGLStateCache* states = &viewer.Buffer().GLStates();
    EXPECT_ANY_THROW(fail()) << what;
    EXPECT_EQ(&viewer.Buffer().GLStates(), states) << what;
    EXPECT_FALSE(viewer.Buffer().Rendering()) << what;
    EXPECT_EQ(ActiveContext(), nullptr) << what;
    EXPECT_EQ(viewer.Buffer().ProjectionMatrix(), projection) << what;
    // Moved, so that a colour buffer left masked or a selection mode left on would show the old frame.
    quad.Position().SetX(x = 3 - x);
    viewer.Render();
    EXPECT_EQ(PixelAt(x, 0), (Pixel{255, 0, 0, 255})) << what;
    EXPECT_EQ(PixelAt(3 - x, 0), kBackground) << what;
    EXPECT_EQ(PickAt(x, 0), &quad) << what;
  }
}

TEST_F(MemoryViewerTest, ABitmapRenderAtTheScreensResolutionMatchesTheFrameAndTheNextFrameBuildsAgain) {
  auto& flat = Quad("flat", {-3, 1, 0}, 0.5f, clrRed);
  Quad("lit", {2, -1, 0}, 0.5f, {0.5f, 0.25f, 0, 1}, true);
  viewer.Render();
  const std::unique_ptr<TGLBitmap32> frame = viewer.Buffer().CreateSnapShot();
  TBitmap bitmap(kWidth, kHeight, pf24bit);
  viewer.Buffer().RenderIntoBitmap(bitmap, 0);
  int differing = 0;
  for (int y = 0; y < kHeight; ++y) {
    const std::uint8_t* rgba = frame->RowAddress(kHeight - 1 - y);
    for (int x = 0; x < kWidth; ++x, rgba += 4) {
      const std::uint32_t argb = bitmap.Pixel(x, y);
      for (int c = 0; c < 3; ++c) differing += std::abs(int(argb >> (16 - 8 * c) & 255) - rgba[c]) > 1;
    }
  }
  EXPECT_EQ(differing, 0);
  EXPECT_EQ(bitmap.Pixel(int(WindowOf(-3, 1).first), kHeight - 1 - WindowOf(-3, 1).second), 0xFFFF0000u);
  EXPECT_EQ(flat.builds, 2);
  viewer.Render();
  EXPECT_EQ(flat.builds, 3);
  EXPECT_EQ(PixelAt(-3, 1), (Pixel{255, 0, 0, 255}));
}

TEST_F(MemoryViewerTest, AFrameCopiedIntoATextureMakesItsImageThenUpdatesAPartInPlace) {
  auto& quad = Quad("q", {0, 0, 0}, 0.5f, clrRed);
  viewer.Render();
  TGLTexture texture(nullptr);
  texture.SetMinFilter(miLinear);
  viewer.CopyToTexture(texture);
  quad.Position().SetX(3);
  viewer.Render();
  auto [x, y] = WindowOf(3, 0);
  viewer.Buffer().CopyToTexture(texture, x - 20, y - 20, 40, 40, 0, 0);
  std::vector<Pixel> texels(kWidth * kHeight);
  viewer.Buffer().RenderingContext()->Activate();
  gl.BindTexture(GL_TEXTURE_2D, texture.Handle());
  gl.GetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  viewer.Buffer().RenderingContext()->Deactivate();
  const auto texel = [&](std::pair<int, int> at) { return texels[at.second * kWidth + at.first]; };
  EXPECT_EQ(texel({20, 20}), (Pixel{255, 0, 0, 255}));       // the moved quad, copied to the corner
  EXPECT_EQ(texel(WindowOf(0, 0)), (Pixel{255, 0, 0, 255}));  // the first frame elsewhere
  EXPECT_EQ(texel(WindowOf(3, 0)), kBackground);
}

TEST_F(MemoryViewerTest, LinearFogMixesInTheFogColourAndTheExponentialModesTakeTheAlphaAsDensity) {
  Quad("red", {0, 0, 0}, 0.5f, clrRed);
  TGLStageBuffer& buffer = viewer.Buffer();
  buffer.SetFogEnable(true);
  TGLFogEnvironment& fog = buffer.FogEnvironment();
  fog.FogColor().SetRGBA(0, 0, 1, 1);
  fog.SetFogStart(5);  // the quad 10 away: half way to the end
  fog.SetFogEnd(15);
  viewer.Render();
  ExpectNear(PixelAt(0, 0), {127.5, 0, 127.5, 255}, 2);
  fog.SetFogMode(fmExp);
  fog.FogColor().SetAlpha(0.5f);
  float density = 0;
  buffer.PostRender = [&](TPersistent*) { gl.GetFloatv(GL_FOG_DENSITY, &density); };
  viewer.Render();
  EXPECT_EQ(density, 0.5f);
}

template <class Kind>
struct TLoggedEffect : Kind {
  static const TXCollectionItemClass& StaticClass() {
    static const TGLBehaviourClass<TLoggedEffect, Kind> item_class("TLoggedEffect", "logged");
    return item_class;
  }
  const TXCollectionItemClass& ItemClass() const override { return StaticClass(); }
  void Render(TGLStageBuffer&, TRenderContextInfo&) override { TQuad::log->push_back(this->Name()); }
};

TEST_F(MemoryViewerTest, EffectsDrawAroundTheirObjectAndAfterEffectsOnceAfterTheTree) {
  std::vector<std::string> log;
  TQuad::log = &log;
  auto& object = Quad("o", {0, 0, 0}, 0.5f, clrRed);
  Quad("later", {2, 0, 0}, 0.5f, clrRed);
  TLoggedEffect<TGLObjectAfterEffect>::StaticClass().Create(object.Effects()).SetName("after");
  TLoggedEffect<TGLObjectPostEffect>::StaticClass().Create(object.Effects()).SetName("post");
  TLoggedEffect<TGLObjectPreEffect>::StaticClass().Create(object.Effects()).SetName("pre");
  viewer.Render();
  EXPECT_EQ(log, (std::vector<std::string>{"pre", "draw o", "post", "draw later", "after"}));
}

TEST_F(MemoryViewerTest, AProxyUnderItsMasterDrawsItOnceAndACompiledDirectDrawingRunsOnce) {
  auto& master = Quad("m", {0, 0, 0}, 0.5f, clrRed);
  master.SetObjectStyle(osDirectDraw);
  master.AddNewChild<TGLProxyObject>().SetMasterObject(&master);
  auto& direct = stage.Objects().AddNewChild<TGLDirectOpenGL>();
  int calls = 0;
  direct.OnRender = [&calls](TPersistent*, TRenderContextInfo&) { ++calls; };
  for (auto [use_build_list, after_two_frames] : {std::pair{true, 1}, {false, 3}}) {
    direct.SetUseBuildList(use_build_list);
    viewer.Render();
    viewer.Render();
    EXPECT_EQ(calls, after_two_frames);
  }
  EXPECT_EQ(master.builds, 8);  // each frame by the tree and by the proxy
}

}  // namespace
}  // namespace zentrova::test
