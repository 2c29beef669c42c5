// The tree and the scene around it: ownership and moves, lookup, notices, light slots, progress, ray casts.
#include "core_fixtures.h"

namespace zentrova::test {
namespace {

using Names = std::vector<std::string>;

Names ChildNames(const TGLBaseSceneObject& node) {
  Names names;
  for (int i = 0; i < node.ChildCount(); ++i) names.push_back(node.ChildAt(i)->Name());
  return names;
}

TEST(SceneTree, CamerasGoFirstLookupPrefersDepthAndUpdatesBalance) {
  TGLBaseSceneObject x;
  x.AddNewChild<TGLCamera>().AddNewChild<TMarker>("k1");
  x.AddNewChild<TGLCamera>().AddNewChild<TMarker>("Target");
  TGLBaseSceneObject& direct = x.AddNewChild<TMarker>("TARGET");
  TGLBaseSceneObject& deep = direct.AddNewChild<TGLCamera>().AddNewChild<TMarker>("target");
  TGLBaseSceneObject copy;
  copy.Assign(&x);  // a deep copy, class by class
  EXPECT_TRUE(copy.ChildCount() == 3 && dynamic_cast<TGLCamera*>(copy.ChildAt(1)) &&
              copy.ChildAt(2)->ChildAt(0)->ChildCount() == 1);
  // The index stays on a freed camera's place, so the second camera is not skipped; children stay.
  x.DeleteChildCameras();
  EXPECT_TRUE(ChildNames(x) == (Names{"TARGET", "k1", "Target"}) && deep.Parent() == &direct);
  // A match deeper in an earlier sub-tree wins over a later direct child.
  EXPECT_TRUE(x.FindDescendant("target") == &deep && x.FindDescendant("target", true) == &direct);
  EXPECT_THAT([&] { x.EndUpdate(); },
              testing::ThrowsMessage<EAssertionFailed>(testing::StartsWith("Unbalanced Begin/EndUpdate (")));
  x.BeginUpdate();
  EXPECT_EQ(x.UpdateCount(), 1);
}

TEST(SceneTree, NoNodeSitsInTwoListsOrInsideItselfAndRemoveCanKeepTheChildren) {
  TCountingStage stage;
  auto& root = stage.Objects().AddNewChild<TMarker>();
  auto& a = root.AddNewChild<TMarker>("a");
  auto& b = root.AddNewChild<TMarker>("b");
  auto& a1 = a.AddNewChild<TMarker>("a1");
  b.InsertChild(0, a1);  // a move: out of the old list first
  b.AddNewChild<TMarker>("b2");
  root.InsertChild(0, b);
  a1.SetIndex(5);
  EXPECT_TRUE(ChildNames(root) == (Names{"b", "a"}) && ChildNames(b) == (Names{"b2", "a1"}) &&
              a.ChildCount() == 0);
  // Refused before anything moves: into its own sub-tree, at a bad index, from outside any tree.
  EXPECT_THROW(b.Reparent(a1), EAssertionFailed);
  EXPECT_THROW(a1.InsertChild(0, b), EAssertionFailed);
  EXPECT_THROW(a.InsertChild(1, a1), EListError);
  // Within its own parent a child can go to the last place at most: one past it is refused, and the
  // refused child is still there.
  EXPECT_THROW(b.InsertChild(2, a1), EListError);
  EXPECT_TRUE(ChildNames(b) == (Names{"b2", "a1"}) && a1.Parent() == &b);
  EXPECT_THROW(stage.Objects().Reparent(a), EAssertionFailed);
  EXPECT_THROW(root.ChildAt(2), EListError);
  EXPECT_TRUE(a1.Parent() == &b && b.Parent() == &root && root.ChildCount() == 2);
  // Removed keeping its children, b leaves them in their order at the end of the list, with one notice.
  stage.senders.clear();
  std::unique_ptr<TGLBaseSceneObject> removed = root.Remove(b, true);
  EXPECT_TRUE(ChildNames(root) == (Names{"a", "b2", "a1"}) &&
              std::count(stage.senders.begin(), stage.senders.end(), &root) == 1);
  EXPECT_TRUE(removed->Parent() == nullptr && removed->ChildCount() == 0 && !root.Remove(*removed, false));
}

TEST(SceneTree, MovesBetweenScenesAndDestructionInEveryOrder) {
  // Three owners: two scenes and a detached node holding a camera that aims at the second scene.
  std::array<int, 3> order{0, 1, 2};
  do {
    auto first = std::make_unique<TGLStage>(), second = std::make_unique<TGLStage>();
    auto& holder = first->Objects().AddNewChild<TMarker>("holder");
    auto& light = holder.AddNewChild<TGLLightSource>();
    auto& camera = first->Cameras().AddNewChild<TGLCamera>();
    camera.SetTargetObject(&second->Objects().AddNewChild<TMarker>("target"));
    first->SetCurrentCamera(&camera);
    holder.Reparent(second->Objects());
    EXPECT_TRUE(first->Light(0) == nullptr && second->Light(0) == &light && light.Scene() == second.get());
    std::unique_ptr<TGLBaseSceneObject> detached = second->Objects().Remove(holder, false);
    EXPECT_TRUE(second->Light(0) == nullptr && light.Scene() == nullptr);
    detached->AppendChild(first->Cameras().Remove(camera, false));
    EXPECT_EQ(first->CurrentCamera(), nullptr);
    std::function<void()> drop[] = {[&] { first.reset(); }, [&] { second.reset(); },
                                    [&] { detached.reset(); }};
    for (int i : order) drop[i]();
  } while (std::next_permutation(order.begin(), order.end()));
}

TEST(Stage, LightsTakeTheLowestFreeSlotOnce) {
  TGLStage stage;
  std::vector<TGLLightSource*> lights;
  for (int i = 0; i < 9; ++i) lights.push_back(&stage.Objects().AddNewChild<TGLLightSource>());
  for (int i = 0; i < 8; ++i)
    EXPECT_TRUE(stage.Light(i) == lights[i] && lights[i]->LightID() == GLenum(16384 + i));
  EXPECT_EQ(lights[8]->LightID(), 0u);
  stage.Objects().Remove(*lights[7], false);
  stage.AddLights(*lights[0]);  // already in the table: keeps its one slot
  EXPECT_TRUE(stage.Light(0) == lights[0] && stage.Light(7) == nullptr);
  stage.Objects().Remove(*lights[2], false);
  auto& next = stage.Objects().AddNewChild<TGLLightSource>();
  EXPECT_TRUE(stage.Light(2) == &next && next.LightID() == GL_LIGHT2 && stage.Light(7) == nullptr);
}

TEST(Stage, InheritsNothingHoldsNoticesWhileUpdatingAndStepsTheLastChildFirst) {
  TCountingStage stage;
  stage.SetObjectsSorting(osInherited);
  stage.SetVisibilityCulling(vcInherited);
  EXPECT_TRUE(stage.ObjectsSorting() == osRenderBlendedLast && stage.VisibilityCulling() == vcNone);
  stage.BeginUpdate();
  auto& a = stage.Objects().AddNewChild<TMarker>("a");
  a.SetVisible(false);
  EXPECT_TRUE(stage.senders.empty());
  stage.EndUpdate();
  EXPECT_EQ(stage.senders, (std::vector<TPersistent*>{&stage}));
  Names order;
  const auto log = [&](auto& o, double dt, double t) { order.push_back(o.Name() + std::to_string(t - dt)); };
  a.AddNewChild<TMarker>("a1").OnProgress = a.OnProgress = log;
  stage.Objects().AddNewChild<TMarker>("b").OnProgress =
      stage.Cameras().AddNewChild<TMarker>("c").OnProgress = log;
  stage.Progress(2, 7);
  EXPECT_EQ(order, (Names{"b5.000000", "a15.000000", "a5.000000", "c5.000000"}));
}

TEST(Stage, RayCastTakesTheStrictlyNearestVisibleHit) {
  TGLStage stage;
  auto& hidden = stage.Objects().AddNewChild<TMarker>("hidden", 0, TAffineVector{0, 0, 9});
  hidden.AddNewChild<TMarker>("", 0, TAffineVector{0, 0, -9});  // nearest, but skipped with its parent
  hidden.SetVisible(false);
  auto& first = stage.Objects().AddNewChild<TMarker>("", 0, TAffineVector{0, 0, 2});
  stage.Objects().AddNewChild<TMarker>("", 0, TAffineVector{0, 0, 2});
  stage.Objects().AddNewChild<TMarker>("", 0, TAffineVector{0, 0, -3});
  stage.Cameras().AddNewChild<TMarker>("", 0, TAffineVector{0, 0, 8});  // not searched
  TVector4f point{}, normal{};
  EXPECT_EQ(stage.RayCastIntersect({0, 0, 10, 1}, {0, 0, -5, 0}, &point, &normal), &first);
  ExpectNear(point, {0, 0, 2.8660254, 1}, 1e-5);
  ExpectNear(normal, {0, 0, 1, 0}, 1e-6);
}

}  // namespace
}  // namespace zentrova::test
