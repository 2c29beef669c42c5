// Mesh benchmarks; each pair compares the library with the plainest way to do the same work.
#include <benchmark/benchmark.h>

#include "scene/base/matrix_geometry.h"
#include "scene/base/vector_geometry.h"
#include "scene/core/camera.h"
#include "scene/core/stage.h"
#include "scene/extras/mesh/base_mesh.h"
#include "scene/extras/mesh/skeleton_mesh_object.h"
#include "scene/gl/context.h"
#include "scene/gl/egl_context.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/state_cache.h"
#include "scene/gl/texture_coordinates.h"

namespace zentrova {
namespace {

constexpr int kSkinVertices = 10000;

struct TSkinned {
  TSkinned() {
    mesh.Skeleton().RootBones().AddNewBone(0).AddNewBone(1);
    TSkeletonFrame& frame = mesh.Skeleton().Frames().AddNew();
    frame.Position().Add({0, 0, 0});
    frame.Position().Add({1, 0, 0});
    frame.Rotation().Add({0.1f, 0.2f, 0.3f});
    frame.Rotation().Add({0.3f, 0.2f, 0.1f});
    mesh.Skeleton().RootBones().PrepareGlobalMatrices();
    skin = &mesh.MeshObjects().AddNew<TSkeletonMeshObject>();
    for (int i = 0; i < kSkinVertices; ++i) {
      skin->Vertices().Add({float(i % 100), float(i / 100), 0});
      skin->Normals().Add({0, 0, 1});
    }
    skin->VerticeBoneWeightCount = kSkinVertices;
    skin->BonesPerVertex = 2;
    skin->ResizeVerticesBonesWeights();
    for (int i = 0; i < kSkinVertices; ++i) {
      skin->Weight(i, 0) = {0, 0.5f};
      skin->Weight(i, 1) = {1, 0.5f};
    }
    skin->PrepareBoneMatrixInvertedMeshes();
  }
  TGLFreeForm mesh;
  TSkeletonMeshObject* skin;
};

void BM_ApplyCurrentSkeletonFrame(benchmark::State& state) {
  TSkinned skinned;
  for (auto _ : state) {
    skinned.skin->ApplyCurrentSkeletonFrame(false);
    benchmark::DoNotOptimize(skinned.skin->Vertices().List());
  }
}
BENCHMARK(BM_ApplyCurrentSkeletonFrame);

// The same products: per vertex, two points and two directions through two matrices, weighted.
void BM_PlainSkinningLoop(benchmark::State& state) {
  TSkinned skinned;
  const TMatrix4f m0 = skinned.mesh.Skeleton().BoneByID(0)->GlobalMatrix();
  const TMatrix4f m1 = skinned.mesh.Skeleton().BoneByID(1)->GlobalMatrix();
  const TAffineVector* a = skinned.skin->BoneMatrixInvertedMeshes()[0]->Vertices().List();
  const TAffineVector* b = skinned.skin->BoneMatrixInvertedMeshes()[1]->Vertices().List();
  std::vector<TAffineVector> out(kSkinVertices), normals(kSkinVertices);
  for (auto _ : state) {
    for (int i = 0; i < kSkinVertices; ++i) {
      TAffineVector v = ZeroVector, n = ZeroVector;
      AddScaledAffine(v, TransformAffinePoint(a[i], m0), 0.5f);
      AddScaledAffine(v, TransformAffinePoint(b[i], m1), 0.5f);
      const TVector4f d0 = TransformVector4({0, 0, 1, 0}, m0), d1 = TransformVector4({0, 0, 1, 0}, m1);
      AddScaledAffine(n, {d0[0], d0[1], d0[2]}, 0.5f);
      AddScaledAffine(n, {d1[0], d1[1], d1[2]}, 0.5f);
      out[i] = v;
      normals[i] = n;
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::DoNotOptimize(normals.data());
  }
}
BENCHMARK(BM_PlainSkinningLoop);

std::string MillionVertexFile() {
  TGLFreeForm mesh;
  TMeshObject& object = mesh.MeshObjects().AddNew();
  for (int i = 0; i < 1000000; ++i) {
    object.Vertices().Add({float(i), 0, 0});
    object.Normals().Add({0, 0, 1});
  }
  TStringStream out;
  mesh.SaveToStream("big.glsm", out);
  return out.DataString();
}

void BM_LoadMillionVertexGlsm(benchmark::State& state) {
  const std::string bytes = MillionVertexFile();
  for (auto _ : state) {
    TGLFreeForm mesh;
    TStringStream in(bytes);
    mesh.LoadFromStream("big.glsm", in);
    benchmark::DoNotOptimize(mesh.MeshObjects().Count());
  }
}
BENCHMARK(BM_LoadMillionVertexGlsm)->Unit(benchmark::kMillisecond);

void BM_ReadMillionVertexBytes(benchmark::State& state) {
  const std::string bytes = MillionVertexFile();
  for (auto _ : state) {
    TStringStream in(bytes);
    std::string copy(bytes.size(), '\0');
    in.ReadBuffer(copy.data(), static_cast<std::int64_t>(copy.size()));
    benchmark::DoNotOptimize(copy.data());
  }
}
BENCHMARK(BM_ReadMillionVertexBytes)->Unit(benchmark::kMillisecond);

// 100,000 triangles of a 224 × 224 grid (two per cell), drawn from their display list each frame.
void BM_DrawFreeForm100kTriangles(benchmark::State& state) {
  RegisterEGLContextClass();
  std::unique_ptr<TGLContext> context = GLContextManager()->NewContext();
  if (context == nullptr) {
    state.SkipWithError("no context class");
    return;
  }
  context->SetColorBits(32);
  context->SetDepthBits(24);
  context->CreateOffscreen({}, 744, 440);
  context->Activate();
  TexCoordRouteMain();
  {
    TGLStage stage;
    TGLCamera& camera = stage.Cameras().AddNewChild<TGLCamera>();
    camera.Position().SetZ(3);
    TGLFreeForm& mesh = stage.Objects().AddNewChild<TGLFreeForm>();
    TMeshObject& object = mesh.MeshObjects().AddNew();
    object.Mode = mmFaceGroups;
    constexpr int n = 224;
    for (int y = 0; y <= n; ++y) {
      for (int x = 0; x <= n; ++x) {
        object.Vertices().Add({x / float(n) - 0.5f, y / float(n) - 0.5f, 0});
        object.Normals().Add({0, 0, 1});
      }
    }
    auto& group = object.FaceGroups().AddNew<TFGVertexIndexList>();
    for (int y = 0; y < n; ++y) {
      for (int x = 0; x < n; ++x) {
        const int a = y * (n + 1) + x;
        group.VertexIndices().Add3(a, a + 1, a + n + 2);
        group.VertexIndices().Add3(a, a + n + 2, a + n + 1);
      }
    }
    TGLStateCache states;
    for (auto _ : state) {
      gl.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      gl.MatrixMode(GL_PROJECTION);
      gl.LoadIdentity();
      camera.LoadProjection({0, 0, 744, 440}, 744, 440, 96);
      gl.MatrixMode(GL_MODELVIEW);
      gl.LoadIdentity();
      camera.LoadViewMatrix();
      TRenderContextInfo rci{.scene = &stage, .objectsSorting = osNone, .visibilityCulling = vcNone,
                             .GLStates = &states};
      stage.Objects().RenderWithTransform(rci);
      gl.Finish();
    }
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  }
  context->Deactivate();
}
BENCHMARK(BM_DrawFreeForm100kTriangles)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace zentrova
