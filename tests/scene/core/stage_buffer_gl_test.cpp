// Frames of a memory viewer read back pixel by pixel: where objects land, what one exception leaves,
// fog, effects, proxies and compiled direct drawing.
#include "buffer_fixtures.h"
#include "scene/core/behaviours.h"
#include "scene/pictures/bitmap32.h"
#include "scene/core/direct_opengl.h"
#include "scene/core/proxy_object.h"
#include "scene/materials/material.h"
#include "scene/materials/texture.h"
#include "scene/pictures/picture.h"

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

// A unit square with the whole texture across it.
struct TTexturedQuad : TGLStageObject {
  explicit TTexturedQuad(TAffineVector at) { Position().SetPositionXYZ(at[0], at[1], at[2]); }
  void BuildList(TRenderContextInfo&) override {
    gl.Begin(GL_QUADS);
    for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
      gl.TexCoord2f(float(x), float(y));
      gl.Vertex3f(float(x) - 0.5f, float(y) - 0.5f, 0);
    }
    gl.End();
  }
};

void ShowReplacing(TGLTexture& texture) {
  texture.SetMinFilter(miLinear);
  texture.SetMagFilter(maNearest);
  texture.SetTextureMode(tmReplace);
  texture.SetEnabled(true);
}

TEST_F(MemoryViewerTest, TexturesFreedByABitmapRenderAreBuiltAgainInTheBitmapTheSnapshotAndLaterFrames) {
  constexpr Pixel kGreen{0, 255, 0, 255};
  auto& quad = stage.Objects().AddNewChild<TTexturedQuad>(TAffineVector{0, 0, 0});
  TBitmap green(2, 2, pf24bit);
  for (int i = 0; i < 4; ++i) green.SetPixel(i % 2, i / 2, 0xFF00FF00);
  quad.Material().Texture().Image().Assign(&green);
  ShowReplacing(quad.Material().Texture());
  viewer.Render();
  ASSERT_EQ(PixelAt(0, 0), kGreen);
  // Unchanged since the last frame, the texture has no new pixels to send: its freed name is rebuilt anyway.
  TBitmap bitmap(kWidth, kHeight, pf24bit);
  viewer.Buffer().RenderIntoBitmap(bitmap, 0);
  auto [cx, cy] = WindowOf(0, 0);
  EXPECT_EQ(bitmap.Pixel(cx, kHeight - 1 - cy), 0xFF00FF00u);
  viewer.Render();
  EXPECT_EQ(PixelAt(0, 0), kGreen);
  const std::unique_ptr<TGLBitmap32> snapshot = viewer.Buffer().CreateSnapShot();
  const std::uint8_t* rgba = snapshot->RowAddress(kHeight - 1 - cy) + 4 * cx;
  EXPECT_EQ((Pixel{rgba[0], rgba[1], rgba[2], 255}), kGreen);
  viewer.Render();
  EXPECT_EQ(PixelAt(0, 0), kGreen);

  // A texture filled from the frame, its name freed by a bitmap render and filled again: the new name
  // gets the texture's filter (one level, no mipmaps), or the quad beside shows no texture at all.
  auto& copy = stage.Objects().AddNewChild<TTexturedQuad>(TAffineVector{3, 0, 0});
  TGLTexture& frame = copy.Material().Texture();
  ShowReplacing(frame);
  frame.SetDisabled(true);
  viewer.Render();
  viewer.Buffer().CopyToTexture(frame, 0, 0, kWidth, kHeight, 0, 0);
  frame.SetDisabled(false);
  viewer.Buffer().RenderIntoBitmap(bitmap, 0);
  ASSERT_EQ(frame.Handle(), 0u);
  viewer.Buffer().CopyToTexture(frame, 0, 0, kWidth, kHeight, 0, 0);
  viewer.Render();
  // The middle of the copied frame is the green quad.
  EXPECT_EQ(PixelAt(3, 0), kGreen);
  EXPECT_EQ(PixelAt(0, 0), kGreen);
}

TEST_F(MemoryViewerTest, ObjectCullingThroughAFrameKeepsWhatTouchesTheViewOfAMovedAndTurnedCamera) {
  camera.Position().SetPositionXYZ(2, 1, 10);
  camera.SetTurnAngle(20);
  camera.SetPitchAngle(-10);
  stage.SetVisibilityCulling(vcObjectBased);
  viewer.Render();  // the camera's near plane comes from the first projection
  const TVector4f forward = camera.Direction().AsVector(), up = camera.Up().AsVector(),
                  right = camera.RightVector();
  // The view volume by hand, in the camera's frame (x right, y up, z forward): at distance d it spans
  // d / (2 near) either side and 440/744 of that up and down, from the near plane to near + depth of view.
  const double n = camera.NearPlane(), far = n + camera.DepthOfView();
  const double sx = 1 / (2 * n), sy = sx * kHeight / kWidth;
  const auto unit = [](double x, double y, double z) {
    const double l = std::sqrt(x * x + y * y + z * z);
    return std::array{x / l, y / l, z / l};
  };
  // Each plane: a point on it and its inward unit normal.
  const struct { const char* name; std::array<double, 3> on, inward; } planes[] = {
      {"left", {-sx * 20, 0, 20}, unit(1, 0, sx)},   {"right", {sx * 20, 0, 20}, unit(-1, 0, sx)},
      {"bottom", {0, -sy * 20, 20}, unit(0, 1, sy)}, {"top", {0, sy * 20, 20}, unit(0, -1, sy)},
      {"near", {0, 0, n}, {0, 0, 1}},                {"far", {0, 0, far}, {0, 0, -1}},
  };
  struct Placed {
    std::string what;
    TQuad* quad;
    bool inside;
  };
  std::vector<Placed> placed;
  for (const auto& plane : planes) {
    for (bool inside : {true, false}) {
      auto& quad = Quad(std::string(plane.name) + (inside ? " in" : " out"), {0, 0, 0}, 0.05f, clrRed);
      // The bounding sphere just over the plane, or just clear of it.
      const double off = -quad.BoundingSphereRadius() + (inside ? 0.02 : -0.02);
      const double x = plane.on[0] + off * plane.inward[0], y = plane.on[1] + off * plane.inward[1],
                   z = plane.on[2] + off * plane.inward[2];
      const TVector4f& c = camera.Position().AsVector();
      quad.Position().SetPositionXYZ(float(c[0] + x * right[0] + y * up[0] + z * forward[0]),
                                     float(c[1] + x * right[1] + y * up[1] + z * forward[1]),
                                     float(c[2] + x * right[2] + y * up[2] + z * forward[2]));
      placed.push_back({quad.Name(), &quad, inside});
    }
  }
  viewer.Render();
  for (const Placed& p : placed) EXPECT_EQ(p.quad->builds > 0, p.inside) << p.what;
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
