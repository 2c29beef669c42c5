#include "scene/extras/mesh/skeleton_mesh_object.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <utility>

#include "platform/exception.h"
#include "scene/base/class_registration.h"
#include "scene/base/matrix_geometry.h"
#include "scene/base/scene_errors.h"
#include "scene/base/vector_geometry.h"
#include "scene/extras/mesh/skeleton.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TSkeletonMeshObject);

namespace {

[[noreturn]] void RaiseIndexError() {
  throw EListError("Invalid list index");
}

TAffineVector TransformDirection(const TAffineVector& v, const TMatrix4f& m) {
  const TVector4f t = TransformVector4(DirectionFromAffine(v), m);
  return {t[0], t[1], t[2]};
}

}  // namespace

TSkeletonMeshObject::TSkeletonMeshObject() = default;
TSkeletonMeshObject::~TSkeletonMeshObject() = default;

TVertexBoneWeight& TSkeletonMeshObject::Weight(int vertex, int slot) const {
  SceneAssert(vertex >= 0 && vertex < allocated_rows_ && slot >= 0 && slot < allocated_bones_per_vertex_);
  return rows_[static_cast<std::size_t>(vertex)][slot];
}

void TSkeletonMeshObject::ResizeVerticesBonesWeights() {
  const std::int32_t rows = std::max(VerticeBoneWeightCount, 0), slots = std::max(BonesPerVertex, 0);
  const std::size_t records = static_cast<std::size_t>(rows) * static_cast<std::size_t>(slots);
  std::unique_ptr<TVertexBoneWeight[]> block;
  std::unique_ptr<TVertexBoneWeight*[]> row_pointers;
  if (records > 0) {
    block = std::make_unique<TVertexBoneWeight[]>(records);
    row_pointers = std::make_unique<TVertexBoneWeight*[]>(static_cast<std::size_t>(rows));
    for (std::int32_t i = 0; i < rows; ++i) row_pointers[i] = block.get() + static_cast<std::size_t>(i) * slots;
    const std::int32_t kept_rows = std::min(rows, allocated_rows_);
    const std::int32_t kept_slots = std::min(slots, allocated_bones_per_vertex_);
    for (std::int32_t i = 0; i < kept_rows && kept_slots > 0; ++i) {
      std::copy_n(rows_[i], kept_slots, row_pointers[i]);
    }
  }
  block_ = std::move(block);
  rows_ = std::move(row_pointers);
  allocated_rows_ = rows;
  allocated_bones_per_vertex_ = slots;
}

TSkeleton& TSkeletonMeshObject::RequireSkeleton() const {
  TSkeleton* skeleton = OwnerSkeleton();
  SceneAssert(skeleton != nullptr, "Skinned mesh object outside a mesh");
  return *skeleton;
}

bool TSkeletonMeshObject::SkeletonHasEveryBone() const {
  TSkeleton* skeleton = OwnerSkeleton();
  if (skeleton == nullptr) return false;
  const std::int32_t rows = std::min(VerticeBoneWeightCount, allocated_rows_);
  const std::int32_t slots = std::min(BonesPerVertex, allocated_bones_per_vertex_);
  for (std::int32_t i = 0; i < rows; ++i) {
    for (std::int32_t b = 0; b < slots; ++b) {
      if (!skeleton->HasBone(rows_[i][b].BoneID)) return false;
    }
  }
  return true;
}

void TSkeletonMeshObject::PrepareOrMarkStale() {
  bone_meshes_stale_ = !SkeletonHasEveryBone();
  if (!bone_meshes_stale_) PrepareBoneMatrixInvertedMeshes();
}

void TSkeletonMeshObject::PrepareBoneMatrixInvertedMeshes() {
  bone_meshes_.clear();
  TSkeleton& skeleton = RequireSkeleton();
  const TAffineVectorList &vertices = Vertices(), &normals = Normals();
  const std::int32_t rows =
      std::min({VerticeBoneWeightCount, allocated_rows_, static_cast<std::int32_t>(vertices.Count())});
  const std::int32_t slots = std::min(BonesPerVertex, allocated_bones_per_vertex_);
  // Each bone's inverse, and the inverse without translation for directions, computed once.
  std::unordered_map<const TSkeletonBone*, std::pair<TMatrix4f, TMatrix4f>> inverses;
  for (std::int32_t b = 0; b < slots; ++b) {
    auto reference = std::make_unique<TBaseMeshObject>();
    reference->Vertices().Assign(&vertices);
    reference->Normals().Assign(&normals);
    TAffineVector* ref_vertices = reference->Vertices().List();
    TAffineVector* ref_normals = reference->Normals().List();
    for (std::int32_t i = 0; i < rows; ++i) {
      const std::int32_t id = rows_[i][b].BoneID;
      const TSkeletonBone* bone = id >= 0 ? skeleton.RootBones().BoneByID(id) : nullptr;
      if (bone == nullptr) RaiseIndexError();
      auto found = inverses.find(bone);
      if (found == inverses.end()) {
        TMatrix4f inverse = bone->GlobalMatrix();
        InvertMatrix4(inverse);
        TMatrix4f rotation = inverse;
        rotation[3] = {0, 0, 0, 1};
        found = inverses.emplace(bone, std::make_pair(inverse, rotation)).first;
      }
      ref_vertices[i] = TransformAffinePoint(ref_vertices[i], found->second.first);
      if (i < normals.Count()) ref_normals[i] = TransformDirection(ref_normals[i], found->second.second);
    }
    bone_meshes_.push_back(std::move(reference));
  }
  bone_meshes_stale_ = false;
}

void TSkeletonMeshObject::ApplyCurrentSkeletonFrame(bool normalize) {
  TSkeleton& skeleton = RequireSkeleton();
  // A file read before its skeleton had the bones gets its bone-space meshes now; a bone still missing
  // raises the index error below.
  if (bone_meshes_stale_) PrepareBoneMatrixInvertedMeshes();
  if (bone_meshes_.empty()) RaiseIndexError();
  TAffineVectorList &vertices = Vertices(), &normals = Normals();
  const int n = std::min({bone_meshes_[0]->Vertices().Count(), static_cast<int>(vertices.Count()),
                          static_cast<int>(std::min(VerticeBoneWeightCount, allocated_rows_))});
  const bool with_normals = normals.Count() == vertices.Count() && bone_meshes_[0]->Normals().Count() >= n;
  TAffineVector* out_vertices = vertices.List();
  TAffineVector* out_normals = normals.List();
  const int slots = std::min(BonesPerVertex, allocated_bones_per_vertex_);
  if (slots == 1) {
    const TAffineVector* ref_vertices = bone_meshes_[0]->Vertices().List();
    const TAffineVector* ref_normals = bone_meshes_[0]->Normals().List();
    for (int i = 0; i < n; ++i) {
      const TMatrix4f& global = skeleton.BoneByID(rows_[i][0].BoneID)->GlobalMatrix();
      out_vertices[i] = TransformAffinePoint(ref_vertices[i], global);
      if (with_normals) out_normals[i] = TransformDirection(ref_normals[i], global);
    }
  } else {
    for (int i = 0; i < n; ++i) {
      TAffineVector v = ZeroVector, normal = ZeroVector;
      for (int b = 0; b < slots; ++b) {
        const TVertexBoneWeight& weight = rows_[i][b];
        if (weight.Weight == 0) continue;
        const TMatrix4f& global = skeleton.BoneByID(weight.BoneID)->GlobalMatrix();
        const TBaseMeshObject& reference = *bone_meshes_[static_cast<std::size_t>(b)];
        AddScaledAffine(v, TransformAffinePoint(reference.Vertices().List()[i], global), weight.Weight);
        if (with_normals) {
          AddScaledAffine(normal, TransformDirection(reference.Normals().List()[i], global), weight.Weight);
        }
      }
      out_vertices[i] = v;
      if (with_normals) out_normals[i] = normal;
    }
  }
  if (normalize && with_normals) normals.Normalize();
}

void TSkeletonMeshObject::Clear() {
  TMorphableMeshObject::Clear();
  VerticeBoneWeightCount = 0;
  BonesPerVertex = 0;
  ResizeVerticesBonesWeights();
}

void TSkeletonMeshObject::WriteArchive(TVirtualWriter& writer) const {
  TMorphableMeshObject::WriteArchive(writer);
  writer.WriteInteger(0);
  writer.WriteInteger(allocated_rows_);
  writer.WriteInteger(allocated_bones_per_vertex_);
  const std::int64_t bytes = std::int64_t{allocated_rows_} * allocated_bones_per_vertex_ * 8;
  if (bytes > 0) writer.Write(block_.get(), bytes);
}

void TSkeletonMeshObject::ReadArchive(TVirtualReader& reader) {
  TMorphableMeshObject::ReadArchive(reader);
  const std::int32_t version = reader.ReadInteger();
  if (version != 0) RaiseArchiveVersionError(version);
  const std::int32_t rows = reader.ReadInteger();
  const std::int32_t slots = reader.ReadInteger();
  // The counts are checked against the bytes left before anything is allocated for them.
  if (rows < 0 || slots < 0 || std::int64_t{rows} * slots * 8 > reader.Stream().Remaining()) {
    throw EFilerException(std::string(ClassName()) + " : invalid bone weights " + std::to_string(rows) + " x " +
                          std::to_string(slots));
  }
  VerticeBoneWeightCount = rows;
  BonesPerVertex = slots;
  ResizeVerticesBonesWeights();
  if (block_ != nullptr) reader.Read(block_.get(), std::int64_t{rows} * slots * 8);
  bone_meshes_.clear();
  bone_meshes_stale_ = true;
}

}  // namespace zentrova
