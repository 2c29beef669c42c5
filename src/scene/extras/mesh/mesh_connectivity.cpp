#include "scene/extras/mesh/mesh_connectivity.h"

#include <limits>

#include "platform/exception.h"
#include "scene/base/scene_errors.h"
#include "scene/extras/mesh/actor.h"
#include "scene/extras/mesh/base_mesh.h"

namespace zentrova {

// ---- TFaceGroupConnectivity ----

TFaceGroupConnectivity::TFaceGroupConnectivity(bool precompute_face_normal)
    : TConnectivity(precompute_face_normal) {}

TFaceGroupConnectivity::TFaceGroupConnectivity(TMeshObject& mesh_object, bool precompute_face_normal)
    : TConnectivity(precompute_face_normal) {
  SetMeshObject(mesh_object);
}

TFaceGroupConnectivity::~TFaceGroupConnectivity() {
  // The borrowed list belongs to the mesh object.
  if (!owns_vertices_) BorrowVertices(nullptr);
}

void TFaceGroupConnectivity::SetMeshObject(TMeshObject& mesh_object) {
  Clear();
  mesh_object_ = &mesh_object;
  if (owns_vertices_) SetVertices(nullptr);
  BorrowVertices(&mesh_object.Vertices());
  owns_vertices_ = false;
  RebuildEdgeList();
}

void TFaceGroupConnectivity::Clear() {
  // Detached while the base empties its lists, so that the mesh object keeps its vertices.
  if (!owns_vertices_) BorrowVertices(nullptr);
  TConnectivity::Clear();
  if (!owns_vertices_ && mesh_object_ != nullptr) BorrowVertices(&mesh_object_->Vertices());
}

void TFaceGroupConnectivity::RebuildEdgeList() {
  Clear();
  if (mesh_object_ == nullptr) return;
  TFaceGroups& groups = mesh_object_->FaceGroups();
  for (int g = 0; g < groups.Count(); ++g) {
    const auto* group = dynamic_cast<const TFGVertexIndexList*>(groups[g]);
    SceneAssert(group != nullptr, "Method only works for descendants of TFGVertexIndexList.");
    const TIntegerList& vi = group->VertexIndices();
    switch (group->Mode) {
      case fgTriangles:
      case fgTrianglesAlt:
        for (int k = 0; k < group->TriangleCount(); ++k) AddFaceByIndices(vi[3 * k], vi[3 * k + 1], vi[3 * k + 2]);
        break;
      case fgTriangleStrip:
        for (int i = 0; i + 2 < vi.Count(); ++i) {
          if ((i & 1) == 0) {
            AddFaceByIndices(vi[i], vi[i + 1], vi[i + 2]);
          } else {
            AddFaceByIndices(vi[i + 2], vi[i + 1], vi[i]);
          }
        }
        break;
      case fgTriangleFan:
        for (int i = 2; i < vi.Count(); ++i) AddFaceByIndices(vi[0], vi[i - 1], vi[i]);
        break;
      default:
        SceneAssert(false, "Not supported");
    }
  }
}

// ---- TGLBaseMeshConnectivity ----

TGLBaseMeshConnectivity::TGLBaseMeshConnectivity(bool precompute_face_normal)
    : TBaseConnectivity(precompute_face_normal) {}

TGLBaseMeshConnectivity::TGLBaseMeshConnectivity(TGLBaseMesh& mesh)
    : TBaseConnectivity(dynamic_cast<TGLActor*>(&mesh) == nullptr) {
  SetGLBaseMesh(mesh);
}

TGLBaseMeshConnectivity::~TGLBaseMeshConnectivity() {
  ClearConnectivities(false);
}

void TGLBaseMeshConnectivity::SetGLBaseMesh(TGLBaseMesh& mesh) {
  ClearConnectivities(false);
  base_mesh_ = &mesh;
  const bool precompute = dynamic_cast<TGLActor*>(&mesh) == nullptr;
  TMeshObjectList& objects = mesh.MeshObjects();
  for (int i = 0; i < objects.Count(); ++i) {
    connectivities_.push_back(std::make_unique<TFaceGroupConnectivity>(*objects[i], precompute));
  }
}

void TGLBaseMeshConnectivity::ClearConnectivities(bool keep) {
  if (keep) {
    for (auto& connectivity : connectivities_) connectivity->Clear();
  } else {
    connectivities_.clear();
  }
}

namespace {

int CheckedSum(int a, int b) {
  int sum;
  if (__builtin_add_overflow(a, b, &sum)) throw EIntOverflow(kIntOverflowError);
  return sum;
}

}  // namespace

int TGLBaseMeshConnectivity::EdgeCount() const {
  int sum = 0;
  for (const auto& connectivity : connectivities_) sum = CheckedSum(sum, connectivity->EdgeCount());
  return sum;
}

int TGLBaseMeshConnectivity::FaceCount() const {
  int sum = 0;
  for (const auto& connectivity : connectivities_) sum = CheckedSum(sum, connectivity->FaceCount());
  return sum;
}

void TGLBaseMeshConnectivity::CreateSilhouette(const TSilhouetteQuery& query,
                                               std::unique_ptr<TGLSilhouette>& silhouette,
                                               bool add_to_silhouette) {
  if (silhouette == nullptr) {
    silhouette = std::make_unique<TGLSilhouette>();
  } else {
    silhouette->EmptyAll();
  }
  for (auto& connectivity : connectivities_) connectivity->CreateSilhouette(query, silhouette, true);
}

}  // namespace zentrova
