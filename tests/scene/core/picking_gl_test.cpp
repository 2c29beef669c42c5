// Picks and screen queries on a memory viewer's frame: the object drawn on a pixel, nearest first.
#include <set>

#include "buffer_fixtures.h"
#include "scene/core/proxy_object.h"

namespace zentrova::test {
namespace {

// Quads, then a triangle fan right of them: in one compiled list, Mesa's selection mode loses the fan.
struct TQuadsThenFan : TQuad {
  using TQuad::TQuad;
  void BuildList(TRenderContextInfo&) override {
    gl.Begin(GL_QUADS);
    for (auto [x, y] : {std::pair{-1.f, -.25f}, {-.5f, -.25f}, {-.5f, .25f}, {-1.f, .25f}}) gl.Vertex3f(x, y, 0);
    gl.End();
    gl.Begin(GL_TRIANGLE_FAN);
    for (auto [x, y] : {std::pair{.75f, 0.f}, {.5f, -.25f}, {1.f, -.25f}, {1.f, .25f}, {.5f, .25f}, {.5f, -.25f}})
      gl.Vertex3f(x, y, 0);
    gl.End();
  }
};

TEST_F(MemoryViewerTest, APickReturnsTheNearestObjectDrawnOnThePixel) {
  // The near quad is seen exactly over the far one.
  auto& far = Quad("far", {0, -2, 0}, 0.5f, clrRed);
  auto& near = Quad("near", {0, -1.6f, 2}, 0.25f, clrGreen);
  Quad("hidden", {3, 1, 0}, 0.5f, clrRed).SetVisible(false);
  // Its bounding sphere lies outside the view, its drawing reaches in.
  auto& outside = Quad("outside", {11, 0, 0}, 2, clrRed);
  auto& fan = stage.Objects().AddNewChild<TQuadsThenFan>("fan", TAffineVector{-3, 2, 0}, 0, clrRed);
  viewer.Render();  // compiles every list: a pick must not call them
  for (int order = 0; order < 2; ++order) {
    EXPECT_EQ(PickAt(0, -2), &near);
    far.SetIndex(far.Index() == 1 ? 2 : 1);
  }
  auto [x, y] = WindowOf(0, -2);
  EXPECT_EQ(viewer.Buffer().ObjectAtPoint(x, y), nullptr);  // y not flipped: the mirrored pixel
  const std::pair<TAffineVector, TGLBaseSceneObject*> picks[] = {
      {{0.4f, -2, 0}, &far}, {{-8, 3, 0}, nullptr}, {{3, 1, 0}, nullptr}, {{9.5f, 0, 0}, &outside},
      {{-2.25f, 2, 0}, &fan}, {{-2.6f, 2.15f, 0}, nullptr}};
  for (const auto& [at, object] : picks) EXPECT_EQ(PickAt(at[0], at[1], at[2]), object) << at[0];
  stage.SetVisibilityCulling(vcObjectBased);
  EXPECT_EQ(PickAt(9.5f, 0), nullptr);
}

TEST_F(MemoryViewerTest, APickOfManyObjectsWithASmallGuessStillReturnsEveryHit) {
  std::set<TGLBaseSceneObject*> quads;
  for (int i = 0; i < 200; ++i)
    quads.insert(&Quad("", {-7.6f + 0.8f * (i % 20), -3.6f + 0.8f * (i / 20), 0}, 0.05f, clrRed));
  viewer.Render();
  const auto list = viewer.Buffer().GetPickedObjects({0, 0, kWidth, kHeight}, 8);
  std::set<TGLBaseSceneObject*> hits;
  for (int i = 0; i < list->Count(); ++i) hits.insert(list->Hit(i));
  EXPECT_EQ(list->Count(), 200);
  EXPECT_EQ(hits, quads);
}

TEST_F(MemoryViewerTest, AProxyIsTheHitWithItsMastersPartsAsSubObjects) {
  auto& master = stage.Objects().AddNewChild<TGLBaseSceneObject>();
  master.Position().SetPositionXYZ(0, 0, 50);  // behind the camera
  auto& part = master.AddNewChild<TQuad>("part", TAffineVector{}, 0.5f, clrRed);
  auto& proxy = stage.Objects().AddNewChild<TGLProxyObject>();
  proxy.SetMasterObject(&master);
  proxy.SetProxyOptions(pooObjects);
  proxy.Position().SetPositionXYZ(5, 2, 0);
  viewer.Render();
  auto [x, y] = WindowOf(5, 2);
  const auto list = viewer.Buffer().GetPickedObjects({x - 1, kHeight - 2 - y, x + 1, kHeight - y});
  ASSERT_EQ(list->Count(), 1);
  EXPECT_EQ(list->Hit(0), &proxy);
  EXPECT_EQ(list->Record(0).SubObjects, std::vector<std::uint32_t>{part.SelectionName()});
}

TEST_F(MemoryViewerTest, AScreenRayMeetsAPlaneWhereTheCameraSeesIt) {
  viewer.Render();
  const TGLStageBuffer& buffer = viewer.Buffer();
  TVector4f point{};
  for (float z : {0.f, 2.f}) {
    const double world = 100 * (10 - z) / kPixelsPerUnitAt1;  // 100 pixels off the centre
    ASSERT_TRUE(buffer.ScreenRayHitPlaneZ({kWidth / 2 + 100, kHeight / 2 + 100, 0, 0}, z, point));
    ExpectNear(point, {world, world, z, 0}, 1e-3);
  }
  EXPECT_FALSE(buffer.ScreenRayHitPlaneY({kWidth / 2, kHeight / 2, 0, 0}, 0, point));  // parallel
}

}  // namespace
}  // namespace zentrova::test
