// Skinned mesh objects: every vertex is bound to a fixed number of bones with weights, and positions and
// normals follow the bones' global matrices through copies of the rest geometry in each slot's bone space.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/extras/mesh/morph_target.h"

namespace zentrova {

struct TVertexBoneWeight {
  std::int32_t BoneID;
  float Weight;
};
static_assert(sizeof(TVertexBoneWeight) == 8);

class TSkeletonMeshObject : public TMorphableMeshObject {
 public:
  TSkeletonMeshObject();
  ~TSkeletonMeshObject() override;
  ZENTROVA_CLASS_NEW(TSkeletonMeshObject)

  std::int32_t VerticeBoneWeightCount = 0;
  std::int32_t BonesPerVertex = 0;
  std::int32_t AllocatedRows() const { return allocated_rows_; }
  std::int32_t AllocatedBonesPerVertex() const { return allocated_bones_per_vertex_; }
  // Row i: the BonesPerVertex slots of vertex i, inside one block (nullptr while it is empty).
  TVertexBoneWeight* const* VerticesBonesWeights() const { return rows_.get(); }
  TVertexBoneWeight& Weight(int vertex, int slot) const;
  // Brings the block to VerticeBoneWeightCount × BonesPerVertex, keeping the overlap.
  void ResizeVerticesBonesWeights();

  const std::vector<std::unique_ptr<TBaseMeshObject>>& BoneMatrixInvertedMeshes() const { return bone_meshes_; }
  // The rest geometry in the bone space of each slot, from the global matrices in force. An identifier
  // without a bone raises the list index error.
  void PrepareBoneMatrixInvertedMeshes();
  // Whether the skeleton lacked a bone that the weights name when the bone-space meshes were due.
  bool BoneMeshesStale() const { return bone_meshes_stale_; }
  // Prepares them when the skeleton has every bone, else marks them stale.
  void PrepareOrMarkStale();
  // v = Σ weight × (bone-space v × global matrix); one bone per vertex ignores its weight. Vertices
  // beyond the weight rows keep their place; normals follow only when there is one per vertex.
  void ApplyCurrentSkeletonFrame(bool normalize);

  void Clear() override;
  void WriteArchive(TVirtualWriter& writer) const override;
  // Refuses (EFilerException) negative counts and a block longer than the data.
  void ReadArchive(TVirtualReader& reader) override;

 private:
  TSkeleton& RequireSkeleton() const;
  bool SkeletonHasEveryBone() const;

  std::unique_ptr<TVertexBoneWeight[]> block_;
  std::unique_ptr<TVertexBoneWeight*[]> rows_;
  std::int32_t allocated_rows_ = 0;
  std::int32_t allocated_bones_per_vertex_ = 0;
  std::vector<std::unique_ptr<TBaseMeshObject>> bone_meshes_;
  bool bone_meshes_stale_ = false;
};

}  // namespace zentrova
