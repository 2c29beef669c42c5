// Mesh test fixtures: small hand-made meshes, the sample of the native file, and a render context behind
// the recording fake.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "scene/base/scene_errors.h"
#include "scene/materials/material_library.h"
#include "scene/materials/render_context_info.h"
#include "scene/extras/mesh/actor.h"
#include "scene/extras/mesh/base_mesh.h"
#include "scene/extras/mesh/mesh_file.h"
#include "scene/extras/mesh/skeleton_mesh_object.h"
#include "scene/expect_near.h"
#include "scene/gl/gl_fixtures.h"
#include "scene/gl/state_cache.h"
#include "scene/gl/texture_coordinates.h"
#include "test_support.h"

namespace zentrova::test {

using Calls = std::vector<std::string>;

inline void AddVertices(TAffineVectorList& list, std::initializer_list<TAffineVector> points) {
  for (const auto& p : points) list.Add(p);
}
inline void AddIndexes(TIntegerList& list, std::initializer_list<int> indexes) {
  for (int i : indexes) list.Add(i);
}

// The sample of tests/data/scene/extras/mesh/sample.glsm: every kind of mesh object and face group.
inline void BuildSample(TGLBaseMesh& mesh) {
  TMeshObject& faces = mesh.MeshObjects().AddNew();
  faces.Name = "faces";
  AddVertices(faces.Vertices(), {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  AddVertices(faces.Normals(), {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}});
  AddVertices(faces.TexCoords(), {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  for (int i = 0; i < 4; ++i) {
    faces.LightmapTexCoords().AddST(0.5f * i, 0.25f);
    faces.Colors().Add({0.25f * i, 0.5f, 1, 1});
    faces.GetTexCoordsEx(0).Add({float(i), 0, 0, 1});
    faces.GetTexCoordsEx(1).Add({0, float(i), 0, 1});
  }
  faces.Mode = mmFaceGroups;
  faces.RenderingOptions = roGroupByMaterial;
  auto& plain = faces.FaceGroups().AddNew<TFGVertexIndexList>();
  plain.MaterialName = "m1";
  AddIndexes(plain.VertexIndices(), {0, 1, 2, 0, 2, 3});
  auto& separate = faces.FaceGroups().AddNew<TFGVertexNormalTexIndexList>();
  separate.MaterialName = "m2";
  separate.LightmapIndex = 2;
  separate.Mode = fgTriangleStrip;
  AddIndexes(separate.VertexIndices(), {0, 1, 3, 2});
  AddIndexes(separate.NormalIndices(), {0, 0, 0, 0});
  auto& own = faces.FaceGroups().AddNew<TFGIndexTexCoordList>();
  own.MaterialName = "m1";
  own.Mode = fgTriangleFan;
  for (int i : {0, 1, 2, 3}) own.Add(i, {0.5f, 0.125f * i, 0});
  auto& morph = mesh.MeshObjects().AddNew<TMorphableMeshObject>();
  morph.Name = "morph";
  AddVertices(morph.Vertices(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  for (float z : {0.0f, 2.0f}) {
    TMeshMorphTarget& target = morph.MorphTargets().AddNew();
    target.Name = "z" + std::to_string(int(z));
    AddVertices(target.Vertices(), {{0, 0, z}, {1, 0, z}, {0, 1, z}});
  }
  auto& skin = mesh.MeshObjects().AddNew<TSkeletonMeshObject>();
  skin.Name = "skin";
  AddVertices(skin.Vertices(), {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}});
  AddVertices(skin.Normals(), {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}});
  skin.VerticeBoneWeightCount = 3;
  skin.BonesPerVertex = 2;
  skin.ResizeVerticesBonesWeights();
  for (int i = 0; i < 3; ++i) {
    skin.Weight(i, 0) = {0, 0.75f};
    skin.Weight(i, 1) = {1, 0.25f};
  }
}

// Two bones, 0 at the origin and 1 under it at x = 1, with one frame each at rest.
inline void AddSampleBones(TSkeleton& skeleton) {
  TSkeletonBone& root = skeleton.RootBones().AddNewBone(0, "root");
  root.AddNewBone(1, "tip");
  TSkeletonFrame& rest = skeleton.Frames().AddNew();
  AddVertices(rest.Position(), {{0, 0, 0}, {1, 0, 0}});
  AddVertices(rest.Rotation(), {{0, 0, 0}, {0, 0, 0}});
}

inline std::string SampleBytes() {
  return ReadBytes(DataPath("scene/extras/mesh/sample.glsm"));
}

// A render context on a fresh state cache behind the recording fake, with a current fake context.
class MeshFake : public ::testing::Test {
 protected:
  MeshFake() {
    context.Create();
    context.Activate();
    rci.GLStates = &states;
    TexCoordRouteMain();
  }
  ~MeshFake() override { context.Deactivate(); }
  Calls Only(std::initializer_list<const char*> prefixes) const {
    Calls kept;
    for (const std::string& call : fake.Calls()) {
      if (std::any_of(prefixes.begin(), prefixes.end(), [&](const char* p) { return call.rfind(p, 0) == 0; }))
        kept.push_back(call);
    }
    return kept;
  }
  TGLRecordingFake fake;
  TFakeContext context{"A"};
  TGLStateCache states;
  TRenderContextInfo rci;
};

template <typename F>
std::string ThrownFilerMessage(F&& f) {
  try {
    f();
  } catch (const EFilerException& e) {
    return e.Message();
  }
  return "(nothing raised)";
}

}  // namespace zentrova::test
