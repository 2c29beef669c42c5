// Free forms and actors: loading, centring and scaling, ray casts, materials, connectivity, and the
// actor's frame stepping.
#include "mesh_fixtures.h"
#include "scene/core/stage.h"
#include "scene/extras/mesh/mesh_connectivity.h"

namespace zentrova::test {
namespace {

// A glsm of one triangle list with x in [2, 6].
std::string TriangleFile() {
  TGLFreeForm source;
  TMeshObject& mesh = source.MeshObjects().AddNew();
  AddVertices(mesh.Vertices(), {{2, 1, 0}, {6, 3, 0}, {4, 5, 0}});
  AddVertices(mesh.Normals(), {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}});
  TStringStream out;
  source.SaveToStream("t.glsm", out);
  return out.DataString();
}

TEST(MeshFreeForm, LoadingScalesAndCentresAddingDoesNeither) {
  const struct { TMeshAutoCenterings centring; TAffineVector scale; std::vector<double> first; } cases[] = {
      {0, {1, 1, 1}, {2, 1, 0}},
      {macCenterX, {1, 1, 1}, {-2, 1, 0}},
      {macCenterX | macCenterY, {1, 1, 1}, {-2, -2, 0}},
      {macCenterX | macUseBarycenter, {1, 1, 1}, {-2, -2, 0}},
      {0, {2, 1, 1}, {4, 1, 0}},
      {macCenterX, {2, 1, 1}, {-4, 1, 0}},
  };
  for (const auto& c : cases) {
    TGLFreeForm mesh;
    mesh.AutoCentering = c.centring;
    mesh.AutoScaling().SetVector(c.scale[0], c.scale[1], c.scale[2]);
    TStringStream in(TriangleFile());
    mesh.LoadFromStream("t.glsm", in);
    ExpectNear(mesh.MeshObjects()[0]->Vertices()[0], {c.first[0], c.first[1], c.first[2]}, 1e-6);
    EXPECT_EQ(mesh.MeshObjects()[0]->Normals()[0], (TAffineVector{0, 0, 1}));
    TStringStream more(TriangleFile());
    mesh.AddDataFromStream("more.glsm", more);
    EXPECT_EQ(mesh.MeshObjects()[1]->Vertices()[0], (TAffineVector{2, 1, 0}));
    EXPECT_EQ(mesh.MeshObjects()[0]->Vertices()[0][1], float(c.first[1]));
  }
  TGLFreeForm empty;
  TAffineVector min, max;
  empty.GetExtents(min, max);
  empty.MeshObjects().GetExtents(max, max);
  EXPECT_EQ(min[0], std::numeric_limits<float>::infinity());
  EXPECT_EQ(max[0], -1e30f);
}

TEST(MeshFreeForm, AFailedLoadEndsTheSceneUpdateAndRaises) {
  TGLStage stage;
  TGLFreeForm& mesh = stage.Objects().AddNewChild<TGLFreeForm>();
  const std::string broken = TriangleFile().substr(0, 40);
  TStringStream in(broken);
  EXPECT_THROW(mesh.LoadFromStream("t.glsm", in), Exception);
  EXPECT_FALSE(stage.IsUpdating());
  EXPECT_THROW(mesh.LoadFromStream("t.obj", in), EInvalidVectorFile);
}

TEST(MeshFreeForm, NearestHitInLocalSpaceNormalFlippedWhenInverted) {
  TGLFreeForm mesh;
  TMeshObject& object = mesh.MeshObjects().AddNew();
  // Two parallel squares' first triangles, at z = 0 and z = 1; the mesh lifted by 10 in y.
  AddVertices(object.Vertices(), {{-1, -1, 0}, {1, -1, 0}, {0, 1, 0}, {-1, -1, 1}, {1, -1, 1}, {0, 1, 1}});
  mesh.Position().SetPositionXYZ(0, 10, 0);
  for (auto orientation : {mnoDefault, mnoInvert}) {
    mesh.SetNormalsOrientation(orientation);
    TVector4f point{}, normal{};
    ASSERT_TRUE(mesh.RayCastIntersect({0, 10, 5, 1}, {0, 0, -1, 0}, &point, &normal));
    ExpectNear(point, {0, 10, 1, 1}, 1e-6);
    EXPECT_EQ(normal[2] > 0, orientation == mnoDefault);
  }
  TVector4f untouched{7, 7, 7, 7};
  EXPECT_FALSE(mesh.RayCastIntersect({5, 10, 5, 1}, {0, 0, -1, 0}, &untouched));
  EXPECT_EQ(untouched, (TVector4f{7, 7, 7, 7}));
}

TEST(MeshFreeForm, StructureChangesDropTheMaterialCache) {
  TGLMaterialLibrary library;
  library.Materials().Add()->SetName("m1");
  TGLFreeForm mesh;
  BuildSample(mesh);
  mesh.SetMaterialLibrary(&library);
  mesh.PrepareMaterialLibraryCache();
  TFaceGroup* group = mesh.MeshObjects()[0]->FaceGroups()[0];
  EXPECT_EQ(group->MaterialCache, library.Materials().Items(0));
  mesh.SetNormalsOrientation(mnoInvert);
  EXPECT_EQ(group->MaterialCache, nullptr);
  EXPECT_FALSE(mesh.MaterialLibraryCachesPrepared());
}

TEST(MeshConnectivity, ClearKeepsTheMeshVerticesAndOneSilhouetteServesAll) {
  TGLFreeForm mesh;
  for (int object = 0; object < 2; ++object) {
    TMeshObject& m = mesh.MeshObjects().AddNew();
    m.Mode = mmFaceGroups;
    AddVertices(m.Vertices(), {{0, 0, float(object)}, {1, 0, float(object)}, {0, 1, float(object)}, {1, 1, float(object)}});
    auto& strip = m.FaceGroups().AddNew<TFGVertexIndexList>();
    strip.Mode = fgTriangleStrip;
    AddIndexes(strip.VertexIndices(), {0, 1, 2, 3});
  }
  TFaceGroupConnectivity single(*mesh.MeshObjects()[0], true);
  EXPECT_EQ(single.FaceCount(), 2);
  EXPECT_EQ(single.FaceCorners()[3], 3);  // the odd triangle reversed whole: (3, 2, 1)
  single.Clear();
  EXPECT_EQ(single.FaceCount(), 0);
  EXPECT_EQ(mesh.MeshObjects()[0]->Vertices().Count(), 4);
  EXPECT_EQ(single.Vertices(), &mesh.MeshObjects()[0]->Vertices());
  TGLBaseMeshConnectivity whole(mesh);
  EXPECT_EQ(whole.FaceCount(), 4);
  std::unique_ptr<TGLSilhouette> silhouette;
  for (int ask = 0; ask < 2; ++ask) {
    whole.CreateSilhouette({.Eye = {0, 0, -5}}, silhouette, true);
    EXPECT_EQ(silhouette->Indices().Count(), 16);  // both squares seen from behind: 4 border edges each
  }
}

// An actor of 10 morph frames.
class ActorFrames : public ::testing::Test {
 protected:
  ActorFrames() {
    auto& morph = actor.MeshObjects().AddNew<TMorphableMeshObject>();
    for (int i = 0; i < 10; ++i) morph.MorphTargets().AddNew().Vertices().Add({float(i), 0, 0});
    actor.SetEndFrame(9);
  }
  TGLActor actor;
};

TEST_F(ActorFrames, SteppingModesAndClamping) {
  actor.AnimationMode = aamLoop;
  actor.DoProgress({0.25, 0.25});
  EXPECT_EQ(actor.CurrentFrame(), 2);
  EXPECT_FLOAT_EQ(actor.CurrentFrameDelta, 0.5f);
  const struct { TActorAnimationMode mode; int from, next; TActorAnimationMode after; } cases[] = {
      {aamLoop, 5, 2, aamLoop},           {aamLoopBackward, 2, 5, aamLoopBackward},
      {aamPlayOnce, 4, 5, aamNone},       {aamBounceForward, 4, 5, aamBounceBackward},
      {aamBounceBackward, 3, 2, aamBounceForward}, {aamNone, 5, 5, aamNone},
      {aamExternal, 3, 3, aamExternal}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    actor.SetStartFrame(2);
    actor.SetEndFrame(5);
    actor.AnimationMode = aamNone;
    actor.SetCurrentFrame(c.from);
    actor.AnimationMode = c.mode;
    actor.NextFrame();
    EXPECT_EQ(actor.CurrentFrame(), c.next);
    EXPECT_EQ(actor.AnimationMode, c.after);
  }
  actor.AnimationMode = aamNone;  // play-once ended: progress changes nothing
  actor.DoProgress({1, 2});
  EXPECT_EQ(actor.CurrentFrame(), 3);
  actor.SetStartFrame(0);
  actor.SetEndFrame(9);
  actor.SetCurrentFrame(1000);
  EXPECT_EQ(actor.CurrentFrame(), 9);
  TActorAnimation& none = *actor.Animations().Add();
  none.Name = "Walk";
  none.SetReference(aarNone);
  none.SetStartFrame(3);
  EXPECT_EQ(none.StartFrame(), -1);
  EXPECT_EQ(actor.Animations().FindName("walk"), &none);
}

TEST_F(ActorFrames, OneIntervalExactlyReachesTheNextFrameWithoutSteppingPastIt) {
  actor.AnimationMode = aamLoop;
  actor.Interval = 100;
  actor.DoProgress({0.1, 0.1});  // 100 ms: a delta of exactly 1, the next frame shown in full
  EXPECT_EQ(actor.CurrentFrame(), 0);
  EXPECT_EQ(actor.CurrentFrameDelta, 1.0f);
  actor.DoProgress({0.05, 0.15});
  EXPECT_EQ(actor.CurrentFrame(), 1);
  EXPECT_FLOAT_EQ(actor.CurrentFrameDelta, 0.5f);
}

TEST_F(ActorFrames, SmoothSwitchWaitsForTheNextWholeFrame) {
  TActorAnimation& jump = *actor.Animations().Add();
  jump.Name = "jump";
  jump.SetEndFrame(8);
  jump.SetStartFrame(7);
  actor.AnimationMode = aamLoop;
  actor.SwitchToAnimation("JUMP", true);
  actor.DoProgress({0.05, 0.05});
  EXPECT_EQ(actor.CurrentFrame(), 0);
  EXPECT_EQ(actor.NextFrameIndex(), 7);
  actor.DoProgress({0.1, 0.15});  // the whole frame passed: the jump starts there, from its first frame
  EXPECT_EQ(actor.CurrentFrame(), 7);
  EXPECT_EQ(actor.CurrentFrameDelta, 0);
  EXPECT_EQ(actor.EndFrame(), 8);
  EXPECT_EQ(actor.TargetSmoothAnimation, nullptr);
}

TEST_F(ActorFrames, ControllersBlendThroughBlendedLerps) {
  actor.MeshObjects().Clear();
  actor.Reference = aarSkeleton;
  actor.Skeleton().RootBones().AddNewBone(0);
  for (float x : {0.0f, 2.0f, 4.0f, 6.0f}) {
    TSkeletonFrame& frame = actor.Skeleton().Frames().AddNew();
    frame.Position().Add({x, 0, 0});
    frame.Rotation().Add({0, 0, 0});
  }
  TActorAnimation& arm = *actor.Animations().Add();
  arm.Name = "arm";
  arm.SetReference(aarSkeleton);
  arm.SetEndFrame(3);
  arm.SetStartFrame(2);
  TGLAnimationControler controler;
  controler.SetAnimationName("arm");
  controler.SetRatio(0.5f);
  controler.SetActor(&actor);
  TGLAnimationControler unknown;
  unknown.SetAnimationName("none");
  unknown.SetActor(&actor);
  actor.SetEndFrame(3);
  actor.CurrentFrameDelta = 0.5f;
  TRenderContextInfo rci;
  actor.BuildList(rci);
  // Entry 0: frames 0 and 1 halfway (1); the controller: frames 2 and 3 halfway (5), added.
  ExpectNear(actor.Skeleton().CurrentFrame().Position()[0], {6, 0, 0}, 1e-6);
  unknown.SetActor(nullptr);
  controler.SetActor(nullptr);
  EXPECT_EQ(actor.Controlers(), nullptr);
}

}  // namespace
}  // namespace zentrova::test
