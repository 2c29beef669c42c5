// Meshes drawn through a camera into a 64 × 64 pbuffer and read back.
#include "mesh_fixtures.h"
#include "scene/core/camera.h"
#include "scene/core/stage.h"

namespace zentrova::test {
namespace {

using Pixel = std::array<std::uint8_t, 4>;
constexpr int kSize = 64;
constexpr float kNear = 50.0f * 2 * 96 / (25.4f * kSize);  // the frustum spans ±0.5 there
const Pixel kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlack{0, 0, 0, 0};

// Unlit, the camera 10 in front of the origin, looking down −z.
class MeshInPBuffer : public GLContextTest {
 protected:
  MeshInPBuffer() { camera.Position().SetZ(10); }
  void Render() {
    states.EnableState(stDepthTest);
    gl.ClearColor(0, 0, 0, 0);
    gl.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl.MatrixMode(GL_PROJECTION);
    gl.LoadIdentity();
    camera.LoadProjection({0, 0, kSize, kSize}, kSize, kSize, 96);
    gl.MatrixMode(GL_MODELVIEW);
    gl.LoadIdentity();
    camera.LoadViewMatrix();
    TRenderContextInfo rci{
        .scene = &stage, .objectsSorting = osNone, .visibilityCulling = vcNone, .GLStates = &states};
    stage.Objects().RenderWithTransform(rci);
  }
  // The pixel where the point (x, y, 0) lands.
  static Pixel At(float x, float y) {
    return ReadPixel(int((kNear * x / 10 / 0.5f + 1) * kSize / 2), int((kNear * y / 10 / 0.5f + 1) * kSize / 2));
  }
  TGLStage stage;
  TGLCamera& camera = stage.Cameras().AddNewChild<TGLCamera>();
  TGLStateCache states;
};

TEST_F(MeshInPBuffer, FreeFormCubeFacesInTheirLibraryMaterials) {
  TGLMaterialLibrary library;
  for (auto [name, color] : {std::pair{"red", clrRed}, {"green", clrGreen}}) {
    TGLLibMaterial& material = *library.Materials().Add();
    material.SetName(name);
    material.Material().FrontProperties().Diffuse().SetVector(color);
  }
  TGLFreeForm& cube = stage.Objects().AddNewChild<TGLFreeForm>();
  cube.SetMaterialLibrary(&library);
  TMeshObject& mesh = cube.MeshObjects().AddNew();
  mesh.Mode = mmFaceGroups;
  const float h = 0.25f;
  for (int i = 0; i < 8; ++i) mesh.Vertices().Add({i & 1 ? h : -h, i & 2 ? h : -h, i & 4 ? h : -h});
  // Faces as quads, counter-clockwise from outside: ±z red, ±x and ±y green.
  const int faces[6][4] = {{4, 5, 7, 6}, {0, 2, 3, 1}, {1, 3, 7, 5}, {0, 4, 6, 2}, {2, 6, 7, 3}, {0, 1, 5, 4}};
  for (int f = 0; f < 6; ++f) {
    auto& group = mesh.FaceGroups().AddNew<TFGVertexIndexList>();
    group.Mode = fgQuads;
    group.MaterialName = f < 2 ? "red" : "green";
    for (int i : faces[f]) group.VertexIndices().Add(i);
  }
  for (float turn : {30.0f, -30.0f}) {
    cube.SetTurnAngle(turn);
    Render();
    // Turned, the cube shows its +z face on one side of the middle and an x face on the other.
    const Pixel left = At(-0.22f, 0), right = At(0.22f, 0);
    EXPECT_EQ(turn > 0 ? left : right, kGreen) << turn;
    EXPECT_EQ(turn > 0 ? right : left, kRed) << turn;
    EXPECT_EQ(At(0.45f, 0.45f), kBlack);
  }
}

// A square of side 0.2 at x = centre, coloured per vertex.
void AddSquare(TAffineVectorList& list, float centre) {
  AddVertices(list, {{centre - 0.1f, -0.1f, 0}, {centre + 0.1f, -0.1f, 0}, {centre + 0.1f, 0.1f, 0},
                     {centre - 0.1f, -0.1f, 0}, {centre + 0.1f, 0.1f, 0}, {centre - 0.1f, 0.1f, 0}});
}

TEST_F(MeshInPBuffer, MorphActorHalfwayBetweenFrames) {
  TGLActor& actor = stage.Objects().AddNewChild<TGLActor>();
  auto& mesh = actor.MeshObjects().AddNew<TMorphableMeshObject>();
  AddSquare(mesh.Vertices(), 0);
  for (int i = 0; i < 6; ++i) mesh.Colors().Add(clrGreen);
  for (float x : {-0.3f, 0.3f}) AddSquare(mesh.MorphTargets().AddNew().Vertices(), x);
  actor.SetEndFrame(1);
  actor.AnimationMode = aamLoop;
  actor.CurrentFrameDelta = 0.5f;
  Render();
  EXPECT_EQ(At(0, 0), kGreen);
  EXPECT_EQ(At(-0.3f, 0), kBlack);
  EXPECT_EQ(At(0.3f, 0), kBlack);
  actor.CurrentFrameDelta = 0;
  Render();
  EXPECT_EQ(At(-0.3f, 0), kGreen);
  EXPECT_EQ(At(0, 0), kBlack);
}

TEST_F(MeshInPBuffer, ArmSkinnedNinetyDegreesByItsBone) {
  TGLFreeForm& arm = stage.Objects().AddNewChild<TGLFreeForm>();
  TSkeleton& skeleton = arm.Skeleton();
  skeleton.RootBones().AddNewBone(0);
  for (float angle : {0.0f, std::numbers::pi_v<float> / 2}) {
    TSkeletonFrame& frame = skeleton.Frames().AddNew();
    frame.Position().Add({0, 0, 0});
    frame.Rotation().Add({0, 0, angle});
  }
  auto& skin = arm.MeshObjects().AddNew<TSkeletonMeshObject>();
  AddVertices(skin.Vertices(), {{0, -0.03f, 0}, {0.4f, -0.03f, 0}, {0.4f, 0.03f, 0},
                                {0, -0.03f, 0}, {0.4f, 0.03f, 0}, {0, 0.03f, 0}});
  for (int i = 0; i < 6; ++i) skin.Colors().Add(clrRed);
  skin.VerticeBoneWeightCount = 6;
  skin.BonesPerVertex = 1;
  skin.ResizeVerticesBonesWeights();
  for (int i = 0; i < 6; ++i) skin.Weight(i, 0) = {0, 1};
  skeleton.RootBones().PrepareGlobalMatrices();
  skin.PrepareBoneMatrixInvertedMeshes();
  Render();
  EXPECT_EQ(At(0.3f, 0), kRed);
  EXPECT_EQ(At(0, 0.3f), kBlack);
  skeleton.SetCurrentFrame(*skeleton.Frames()[1]);
  skeleton.MorphMesh(true);
  arm.StructureChanged();
  Render();
  EXPECT_EQ(At(0, 0.3f), kRed);
  EXPECT_EQ(At(0.3f, 0), kBlack);
}

}  // namespace
}  // namespace zentrova::test
