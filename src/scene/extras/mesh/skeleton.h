// Skeletal animation data of a mesh: a tree of bones, key frames with every bone's local transform, the
// frame in force (possibly interpolated or blended), the bones' global matrices computed from it, and
// colliders attached to bones.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/base/persistent_classes.h"
#include "scene/base/vector_lists.h"

namespace zentrova {

class TGLBaseMesh;
class TSkeleton;
class TSkeletonBone;
class TSkeletonFrameList;
struct TRenderContextInfo;

enum TSkeletonFrameTransform : std::uint8_t { tmRotation = 0, tmQuaternion = 1 };

class TSkeletonFrame : public TPersistentObject {
 public:
  ZENTROVA_CLASS_NEW(TSkeletonFrame)
  TSkeletonFrameList* Owner() const { return owner_; }
  void SetOwner(TSkeletonFrameList* owner) { owner_ = owner; }

  std::string Name;
  TAffineVectorList& Position() { return position_; }    // per bone: local translation
  TAffineVectorList& Rotation() { return rotation_; }    // per bone: angles about x, y, z (radians)
  TQuaternionList& Quaternion() { return quaternion_; }  // per bone
  const TAffineVectorList& Position() const { return position_; }
  const TAffineVectorList& Rotation() const { return rotation_; }
  const TQuaternionList& Quaternion() const { return quaternion_; }
  TSkeletonFrameTransform TransformMode = tmRotation;

  // One local matrix per bone, built once: the rotations about X, then Y, then Z (each only for a
  // non-zero angle), or the quaternion's, with the position in row 3.
  const std::vector<TMatrix4f>& LocalMatrixList();
  void FlushLocalMatrixList() { local_matrices_.reset(); }

  void WriteArchive(TVirtualWriter& writer) const override;
  // Refuses (EFilerException) a transform mode outside its enumeration.
  void ReadArchive(TVirtualReader& reader) override;

 private:
  TSkeletonFrameList* owner_ = nullptr;
  TAffineVectorList position_;
  TAffineVectorList rotation_;
  TQuaternionList quaternion_;
  std::unique_ptr<std::vector<TMatrix4f>> local_matrices_;
};

class TSkeletonFrameList : public TPersistentObjectList {
 public:
  explicit TSkeletonFrameList(TSkeleton* owner = nullptr) : owner_(owner) {}
  ZENTROVA_CLASS_NEW(TSkeletonFrameList)
  TSkeleton* Owner() const { return owner_; }
  TSkeletonFrame* Items(int index) const { return static_cast<TSkeletonFrame*>(Get(index)); }
  TSkeletonFrame* operator[](int index) const { return Items(index); }
  TSkeletonFrame& AddNew();

 protected:
  void AfterObjectCreatedByReader(TPersistentObject* item) override;

 private:
  TSkeleton* owner_;
};

// A list of bones; a bone is the list of its children.
class TSkeletonBoneList : public TPersistentObjectList {
 public:
  ZENTROVA_CLASS(TSkeletonBoneList)
  TSkeleton* Skeleton() const { return skeleton_; }
  const TMatrix4f& GlobalMatrix() const { return global_matrix_; }
  TSkeletonBone* Items(int index) const;
  TSkeletonBone* operator[](int index) const { return Items(index); }
  // A new child bone with that identifier and name.
  TSkeletonBone& AddNewBone(std::int32_t id, const std::string& name = {});

  // The first bone, depth first, with that identifier or exact name; nullptr when none.
  virtual TSkeletonBone* BoneByID(std::int32_t id) const;
  virtual TSkeletonBone* BoneByName(const std::string& name) const;
  virtual void BuildList(TRenderContextInfo& rci) {}
  virtual void PrepareGlobalMatrices();

  void WriteArchive(TVirtualWriter& writer) const override;
  void ReadArchive(TVirtualReader& reader) override;

 protected:
  explicit TSkeletonBoneList(TSkeleton* skeleton) : skeleton_(skeleton) {}
  void AfterObjectCreatedByReader(TPersistentObject* item) override;

  TMatrix4f global_matrix_ = IdentityMatrix;

 private:
  friend class TSkeletonBone;
  TSkeleton* skeleton_;
};

class TSkeletonRootBoneList : public TSkeletonBoneList {
 public:
  explicit TSkeletonRootBoneList(TSkeleton* skeleton = nullptr) : TSkeletonBoneList(skeleton) {}
  ZENTROVA_CLASS_NEW(TSkeletonRootBoneList)
  // Points and lines of the bones, unlit and white unless a bone has a colour.
  void BuildList(TRenderContextInfo& rci) override;
  void WriteArchive(TVirtualWriter& writer) const override;
  void ReadArchive(TVirtualReader& reader) override;
};

class TSkeletonBone : public TSkeletonBoneList {
 public:
  TSkeletonBone() : TSkeletonBoneList(nullptr) {}
  ZENTROVA_CLASS_NEW(TSkeletonBone)

  TSkeletonBoneList* Owner() const { return owner_; }
  std::int32_t BoneID = 0;
  std::string Name;
  std::uint32_t Color = 0xFFFFFFFF;  // R, G, B, A bytes from the least significant

  TSkeletonBone* BoneByID(std::int32_t id) const override;
  TSkeletonBone* BoneByName(const std::string& name) const override;
  void BuildList(TRenderContextInfo& rci) override;
  // GlobalMatrix := the current frame's local matrix of BoneID × the owner's global matrix; then the
  // children. An identifier without a local matrix raises the list index error.
  void PrepareGlobalMatrices() override;
  void FreeItemsAndClear() override;

  void WriteArchive(TVirtualWriter& writer) const override;
  void ReadArchive(TVirtualReader& reader) override;

 private:
  friend class TSkeletonBoneList;
  TSkeletonBoneList* owner_ = nullptr;
};

class TSkeletonColliderList;

class TSkeletonCollider : public TPersistentObject {
 public:
  ZENTROVA_CLASS_NEW(TSkeletonCollider)
  TSkeletonColliderList* Owner() const { return owner_; }
  void SetOwner(TSkeletonColliderList* owner) { owner_ = owner; }
  TSkeletonBone* Bone = nullptr;
  std::int32_t BoneID = -1;  // used while reading
  TMatrix4f LocalMatrix = IdentityMatrix;
  TMatrix4f GlobalMatrix = IdentityMatrix;
  bool AutoUpdate = true;

  virtual void AlignCollider();
  void WriteArchive(TVirtualWriter& writer) const override;
  void ReadArchive(TVirtualReader& reader) override;

 private:
  TSkeletonColliderList* owner_ = nullptr;
};

class TSkeletonColliderList : public TPersistentObjectList {
 public:
  explicit TSkeletonColliderList(TSkeleton* owner = nullptr) : owner_(owner) {}
  ZENTROVA_CLASS_NEW(TSkeletonColliderList)
  TSkeleton* Owner() const { return owner_; }
  TSkeletonCollider* Items(int index) const { return static_cast<TSkeletonCollider*>(Get(index)); }
  TSkeletonCollider& AddNew();
  void AlignColliders();
  // Then every collider is bound to its bone by identifier.
  void ReadArchive(TVirtualReader& reader) override;

 protected:
  void AfterObjectCreatedByReader(TPersistentObject* item) override;

 private:
  TSkeleton* owner_;
};

// One animation of a blend: two frames and a factor, the weight, and lists to use instead of the frames'.
struct TBlendedLerpInfo {
  std::int32_t frameIndex1 = 0;
  std::int32_t frameIndex2 = 0;
  float lerpFactor = 0;
  float weight = 0;
  const TAffineVectorList* externalPositions = nullptr;
  const TAffineVectorList* externalRotations = nullptr;
  const TQuaternionList* externalQuaternions = nullptr;
};

class TSkeleton : public TPersistentObject {
 public:
  explicit TSkeleton(TGLBaseMesh* owner = nullptr);
  ~TSkeleton() override;
  ZENTROVA_CLASS_NEW(TSkeleton)

  TGLBaseMesh* Owner() const { return owner_; }
  TSkeletonRootBoneList& RootBones() { return root_bones_; }
  TSkeletonFrameList& Frames() { return frames_; }
  TSkeletonColliderList& Colliders() { return colliders_; }
  const TSkeletonFrameList& Frames() const { return frames_; }

  // The frame in force; a clone of frame 0 when none is (at least one frame needed).
  TSkeletonFrame& CurrentFrame();
  bool HasCurrentFrame() const { return current_frame_ != nullptr; }
  void SetCurrentFrame(const TSkeletonFrame& frame);

  // The bone of that identifier through a cache built once, depth first (the last duplicate wins). An
  // identifier without a bone raises the list index error.
  TSkeletonBone* BoneByID(std::int32_t id);
  // Whether BoneByID would find one.
  bool HasBone(std::int32_t id);
  TSkeletonBone* BoneByName(const std::string& name) const { return root_bones_.BoneByName(name); }
  void FlushBoneByIDCache() { bones_by_id_.reset(); }

  void LerpFrames(int frame_index1, int frame_index2, float lerp_factor);
  // Entry 0 interpolated (its positions scaled by its weight), every further entry added with factor 1.
  void BlendedLerps(const std::vector<TBlendedLerpInfo>& infos);
  // Global matrices, colliders, then every skinned mesh object of the owning mesh.
  void MorphMesh(bool normalize);
  void Synchronize(TSkeleton& reference);
  void Clear();

  // Version 1 only with colliders.
  void WriteArchive(TVirtualWriter& writer) const override;
  void ReadArchive(TVirtualReader& reader) override;

 private:
  TSkeletonFrame& FrameAt(int index) { return *frames_.Items(index); }
  std::unique_ptr<TSkeletonFrame> NewFrameLike(const TSkeletonFrame& model);

  TGLBaseMesh* owner_;
  TSkeletonRootBoneList root_bones_{this};
  TSkeletonFrameList frames_{this};
  std::unique_ptr<TSkeletonFrame> current_frame_;
  std::unique_ptr<std::vector<TSkeletonBone*>> bones_by_id_;
  TSkeletonColliderList colliders_{this};
};

}  // namespace zentrova
