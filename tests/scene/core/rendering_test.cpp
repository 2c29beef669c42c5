// Rendering through the recording fake: order, culling, lists, names, depth, axes, lights, and throws.
#include "core_fixtures.h"

namespace zentrova::test {
namespace {

TEST_F(FakeScene, ChildrenInTheOrderOfEachSortingWithoutInvisibleSubTrees) {
  // At these distances from the camera at the origin; "*" blended.
  auto& parent = stage.Objects().AddNewChild<TGLBaseSceneObject>();
  for (auto [name, z] : {std::pair{"a", 5}, {"*b", 1}, {"*c", 9}, {"d", 3}, {"hidden", 4}}) {
    parent.AddNewChild<TMarker>(name, osDirectDraw, TAffineVector{0, 0, -z * 1.0f}, name[0] == '*');
  }
  parent.ChildAt(4)->AddNewChild<TMarker>("below hidden", osDirectDraw);
  parent.ChildAt(4)->SetVisible(false);
  const std::pair<TGLObjectsSorting, Calls> cases[] = {
      {osNone, {"build a", "build *b", "build *c", "build d"}},
      {osRenderFarthestFirst, {"build *c", "build a", "build d", "build *b"}},
      {osRenderNearestFirst, {"build *b", "build d", "build a", "build *c"}},
      {osRenderBlendedLast, {"build a", "build d", "build *c", "build *b"}},
  };
  for (const auto& [sorting, order] : cases) {
    fake.Clear();
    parent.SetObjectsSorting(sorting);
    parent.RenderWithTransform(rci);
    EXPECT_EQ(Only({"build"}), order) << int(sorting);
  }
}

TEST_F(FakeScene, AChildsOwnSortingStaysWithItsSubTree) {
  // The first child sorts its own children farthest first; its later sibling inherits the index order.
  auto& parent = stage.Objects().AddNewChild<TGLBaseSceneObject>();
  auto& own = parent.AddNewChild<TMarker>("own", osDirectDraw);
  own.SetObjectsSorting(osRenderFarthestFirst);
  auto& inheriting = parent.AddNewChild<TMarker>("inheriting", osDirectDraw);
  for (TGLBaseSceneObject* node : {static_cast<TGLBaseSceneObject*>(&own), static_cast<TGLBaseSceneObject*>(&inheriting)}) {
    for (auto [name, z] : {std::pair{"near", 1}, {"far", 9}}) {
      node->AddNewChild<TMarker>(node->Name() + " " + name, osDirectDraw, TAffineVector{0, 0, -z * 1.0f});
    }
  }
  stage.Objects().RenderWithTransform(rci);
  EXPECT_EQ(Only({"build"}), (Calls{"build own", "build own far", "build own near", "build inheriting",
                                    "build inheriting near", "build inheriting far"}));
  EXPECT_EQ(rci.objectsSorting, osNone);
}

TEST_F(FakeScene, ObjectCullingVisitsACulledParentsChildrenHierarchicalCullingDoesNot) {
  // The view volume is the unit cube; the parent and its never-culled child lie outside it.
  rci.rcci.frustum = ExtractFrustum(IdentityMatrix);
  auto& parent = stage.Objects().AddNewChild<TMarker>("parent", osDirectDraw, TAffineVector{5, 0, 0});
  parent.AddNewChild<TMarker>("child", osNoVisibilityCulling | osDirectDraw);
  stage.Objects().AddNewChild<TMarker>("inside", osDirectDraw);
  const std::pair<TGLVisibilityCulling, Calls> cases[] = {
      {vcObjectBased, {"build child", "build inside"}},
      {vcHierarchical, {"build inside"}},
      {vcNone, {"build parent", "build child", "build inside"}},
  };
  for (const auto& [culling, drawn] : cases) {
    fake.Clear();
    stage.Objects().SetVisibilityCulling(culling);
    stage.Objects().RenderWithTransform(rci);
    EXPECT_EQ(Only({"build"}), drawn) << int(culling);
  }
}

TEST_F(FakeScene, AListIsBuiltOnceAndAgainAfterAStructureChange) {
  auto& object = stage.Objects().AddNewChild<TMarker>("o");
  object.RenderWithTransform(rci);
  object.RenderWithTransform(rci);
  stage.senders.clear();
  object.MarkStructureDirty();
  object.MarkStructureDirty();  // already waiting for its rebuild: no second notice
  EXPECT_EQ(stage.senders.size(), 1u);
  object.RenderWithTransform(rci);
  EXPECT_EQ(Only({"glNewList", "build", "glEndList", "glCallList"}), CoreCalls("list_built_once_then_again"));
  object.SetObjectStyle(osDirectDraw);  // no list waits: every mark notifies
  stage.senders.clear();
  object.MarkStructureDirty();
  object.MarkStructureDirty();
  EXPECT_EQ(stage.senders.size(), 2u);
}

TEST_F(FakeScene, ADrawingThatThrowsPopsWhatItPushedAndLeavesItsListDirty) {
  auto& object = stage.Objects().AddNewChild<TMarker>("o", osIgnoreDepthBuffer);
  const std::uint32_t name = object.SelectionName();
  object.throws = true;
  states.EnableState(stDepthTest);
  rci.drawState = TDrawState::Picking;
  rci.proxySubObject = true;
  fake.Clear();
  EXPECT_THROW(object.RenderWithTransform(rci), EAssertionFailed);
  EXPECT_EQ(Only({"glPush", "glPop", "glEnable", "glDisable"}), CoreCalls("throwing_build", name));
  // Drawn for a frame, the throw ends the open list, and the next frame builds it again.
  rci.drawState = TDrawState::Rendering;
  fake.Clear();
  EXPECT_THROW(object.RenderWithTransform(rci), EAssertionFailed);
  object.throws = false;
  object.RenderWithTransform(rci);
  EXPECT_EQ(Only({"glNewList", "glEndList", "build", "glCallList"}),
            (Calls{"glNewList(1, 4864)", "glEndList()", "glNewList(1, 4864)", "build o", "glEndList()",
                   "glCallList(1)"}));
  rci.drawState = TDrawState::Picking;
  // Again, loading its name, without a depth test to turn back on, with axes as long as the camera sees.
  stage.SetCurrentCamera(&stage.Cameras().AddNewChild<TGLCamera>());
  stage.CurrentCamera()->SetDepthOfView(40);
  object.SetShowAxes(true);
  object.throws = rci.proxySubObject = false;
  states.DisableState(stDepthTest);
  fake.Clear();
  object.RenderWithTransform(rci);
  EXPECT_EQ(Only({"glNewList", "build", "glEnable", "glLoadName", "glLineStipple", "glVertex3fv"}),
            CoreCalls("picked_axes_rebuilt", name));
  EXPECT_TRUE(ObjectForSelectionName(name) == &object && stage.CurrentRenderingObject() == &object);
  stage.Objects().DeleteChildren();
  EXPECT_TRUE(ObjectForSelectionName(name) == nullptr && stage.CurrentRenderingObject() == nullptr);
}

TEST_F(FakeScene, LoadLightsSendsTheTableAsItStands) {
  // Slot 0: a spot under a parent at z = 5; 1: dark; 2: parallel, turned; 3: omni; 4..7 empty.
  auto& spot =
      stage.Objects().AddNewChild<TMarker>("", 0, TAffineVector{0, 0, 5}).AddNewChild<TGLLightSource>();
  spot.Position().SetPositionXYZ(1, 2, 3);
  spot.SetSpotCutOff(45);
  spot.SetSpotCutOff(120);  // neither a cone nor 180: ignored
  spot.SetSpotExponent(2);
  stage.Objects().AddNewChild<TGLLightSource>().SetShining(false);
  auto& parallel = stage.Objects().AddNewChild<TGLLightSource>();
  parallel.SetLightStyle(lsParallel);
  parallel.SetTurnAngle(90);
  parallel.SetSpotDirection({0, 0, 1, 5});
  auto& omni = stage.Objects().AddNewChild<TGLLightSource>();
  omni.SetLightStyle(lsOmni);
  omni.Diffuse().SetRGBA(0.5f, 0.25f, 1, 1);
  omni.SetLinearAttenuation(0.5f);
  fake.Clear();
  stage.LoadLights(10);
  EXPECT_EQ(fake.Calls(), CoreCalls("load_lights"));
}

TEST(LightSource, SpotCutOffTakesAConeUpToAQuarterTurnOr180) {
  // From 45: stored, or left at 45.
  const std::pair<float, float> cases[] = {{0, 0}, {90, 90}, {180, 180}, {90.5f, 45}, {-1, 45}, {120, 45}};
  for (auto [value, stored] : cases) {
    TGLLightSource light;
    light.SetSpotCutOff(45);
    light.SetSpotCutOff(value);
    EXPECT_EQ(light.SpotCutOff(), stored) << value;
  }
}

}  // namespace
}  // namespace zentrova::test
