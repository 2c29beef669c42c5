// Edge connectivity of meshes for silhouettes: one connectivity per mesh object over its face groups,
// on the mesh object's own vertex list, and one for a whole mesh that answers for all its objects.
#pragma once

#include <memory>
#include <vector>

#include "scene/base/silhouette.h"

namespace zentrova {

class TGLBaseMesh;
class TMeshObject;

class TFaceGroupConnectivity : public TConnectivity {
 public:
  explicit TFaceGroupConnectivity(bool precompute_face_normal);
  TFaceGroupConnectivity(TMeshObject& mesh_object, bool precompute_face_normal);
  ~TFaceGroupConnectivity() override;

  TMeshObject* MeshObject() const { return mesh_object_; }
  bool OwnsVertices() const { return owns_vertices_; }
  // Borrows the mesh object's vertices (never freed or emptied here) and rebuilds the faces.
  void SetMeshObject(TMeshObject& mesh_object);
  // Empties the faces and edges; a borrowed vertex list stays as it is.
  void Clear() override;
  // Faces of every vertex-index group: triangles, strips (odd ones reversed whole) and fans.
  void RebuildEdgeList();

 private:
  TMeshObject* mesh_object_ = nullptr;
  bool owns_vertices_ = true;
};

class TGLBaseMeshConnectivity : public TBaseConnectivity {
 public:
  explicit TGLBaseMeshConnectivity(bool precompute_face_normal);
  // Face normals are precomputed unless the mesh is an actor, whose vertices move.
  explicit TGLBaseMeshConnectivity(TGLBaseMesh& mesh);
  ~TGLBaseMeshConnectivity() override;

  TGLBaseMesh* BaseMesh() const { return base_mesh_; }
  void SetGLBaseMesh(TGLBaseMesh& mesh);
  const std::vector<std::unique_ptr<TFaceGroupConnectivity>>& FaceGroupConnectivities() const {
    return connectivities_;
  }
  void ClearConnectivities(bool keep);
  int EdgeCount() const override;
  int FaceCount() const override;
  // One silhouette over every mesh object, emptied first whatever add_to_silhouette says.
  void CreateSilhouette(const TSilhouetteQuery& query, std::unique_ptr<TGLSilhouette>& silhouette,
                        bool add_to_silhouette) override;

 private:
  TGLBaseMesh* base_mesh_ = nullptr;
  std::vector<std::unique_ptr<TFaceGroupConnectivity>> connectivities_;
};

}  // namespace zentrova
