#include "scene/extras/mesh/skeleton.h"

#include <cstring>

#include "platform/exception.h"
#include "scene/base/class_registration.h"
#include "scene/base/float_math.h"
#include "scene/base/matrix_geometry.h"
#include "scene/base/quaternion.h"
#include "scene/base/scene_errors.h"
#include "scene/extras/mesh/base_mesh.h"
#include "scene/extras/mesh/mesh_utils.h"
#include "scene/extras/mesh/skeleton_mesh_object.h"
#include "scene/gl/gl_state_scope.h"
#include "scene/gl/opengl_binding.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TSkeleton);
ZENTROVA_REGISTER_CLASS(TSkeletonFrame);
ZENTROVA_REGISTER_CLASS(TSkeletonBone);
ZENTROVA_REGISTER_CLASS(TSkeletonFrameList);
ZENTROVA_REGISTER_CLASS(TSkeletonCollider);
ZENTROVA_REGISTER_CLASS(TSkeletonColliderList);

namespace {

[[noreturn]] void RaiseBoneIndexError() {
  throw EListError("Invalid list index");
}

void SetTranslation(TMatrix4f& m, const TAffineVector& position) {
  m[3][0] = position[0];
  m[3][1] = position[1];
  m[3][2] = position[2];
}

}  // namespace

// ---- TSkeletonFrame ----

const std::vector<TMatrix4f>& TSkeletonFrame::LocalMatrixList() {
  if (local_matrices_ != nullptr) return *local_matrices_;
  auto matrices = std::make_unique<std::vector<TMatrix4f>>();
  if (TransformMode == tmRotation) {
    matrices->reserve(static_cast<std::size_t>(rotation_.Count()));
    for (int i = 0; i < rotation_.Count(); ++i) {
      const TAffineVector& angles = rotation_[i];
      float s, c;
      TMatrix4f m = IdentityMatrix;
      // X first, then Y, then Z, as row vectors apply them; a zero angle adds no rounding.
      if (angles[0] != 0) {
        SinAndCos(angles[0], s, c);
        m = RotationMatrixX(s, c);
      }
      if (angles[1] != 0) {
        SinAndCos(angles[1], s, c);
        m = MultiplyMatrices(m, RotationMatrixY(s, c));
      }
      if (angles[2] != 0) {
        SinAndCos(angles[2], s, c);
        m = MultiplyMatrices(m, RotationMatrixZ(s, c));
      }
      SetTranslation(m, position_[i]);
      matrices->push_back(m);
    }
  } else if (TransformMode == tmQuaternion) {
    for (int i = 0; i < quaternion_.Count(); ++i) {
      TMatrix4f m = MatrixFromQuaternion(quaternion_[i]);
      SetTranslation(m, position_[i]);
      m[3][3] = 1;
      matrices->push_back(m);
    }
  }
  local_matrices_ = std::move(matrices);
  return *local_matrices_;
}

void TSkeletonFrame::WriteArchive(TVirtualWriter& writer) const {
  TPersistentObject::WriteArchive(writer);
  writer.WriteInteger(1);
  writer.WriteString(Name);
  position_.WriteArchive(writer);
  rotation_.WriteArchive(writer);
  quaternion_.WriteArchive(writer);
  writer.WriteInteger(TransformMode);
}

void TSkeletonFrame::ReadArchive(TVirtualReader& reader) {
  TPersistentObject::ReadArchive(reader);
  const std::int32_t version = reader.ReadInteger();
  if (version != 0 && version != 1) RaiseArchiveVersionError(version);
  Name = reader.ReadString();
  position_.ReadArchive(reader);
  rotation_.ReadArchive(reader);
  TransformMode = tmRotation;
  if (version == 1) {
    quaternion_.ReadArchive(reader);
    const std::int32_t mode = reader.ReadInteger();
    if (mode != tmRotation && mode != tmQuaternion) {
      throw EFilerException(std::string(ClassName()) + " : invalid transform mode " + std::to_string(mode));
    }
    TransformMode = static_cast<TSkeletonFrameTransform>(mode);
  } else {
    quaternion_.Clear();
  }
  FlushLocalMatrixList();
}

// ---- TSkeletonFrameList ----

TSkeletonFrame& TSkeletonFrameList::AddNew() {
  auto frame = std::make_unique<TSkeletonFrame>();
  TSkeletonFrame& added = *frame;
  frame->SetOwner(this);
  Add(std::move(frame));
  return added;
}

void TSkeletonFrameList::AfterObjectCreatedByReader(TPersistentObject* item) {
  auto* frame = dynamic_cast<TSkeletonFrame*>(item);
  if (frame == nullptr) throw EFilerException(std::string(ClassName()) + " : not a frame: " + item->ClassName());
  frame->SetOwner(this);
}

// ---- TSkeletonBoneList ----

TSkeletonBone* TSkeletonBoneList::Items(int index) const {
  return static_cast<TSkeletonBone*>(Get(index));
}

TSkeletonBone& TSkeletonBoneList::AddNewBone(std::int32_t id, const std::string& name) {
  auto bone = std::make_unique<TSkeletonBone>();
  TSkeletonBone& added = *bone;
  bone->owner_ = this;
  bone->skeleton_ = skeleton_;
  bone->BoneID = id;
  bone->Name = name;
  Add(std::move(bone));
  if (skeleton_ != nullptr) skeleton_->FlushBoneByIDCache();
  return added;
}

TSkeletonBone* TSkeletonBoneList::BoneByID(std::int32_t id) const {
  for (int i = 0; i < Count(); ++i) {
    if (TSkeletonBone* bone = Items(i)->BoneByID(id)) return bone;
  }
  return nullptr;
}

TSkeletonBone* TSkeletonBoneList::BoneByName(const std::string& name) const {
  for (int i = 0; i < Count(); ++i) {
    if (TSkeletonBone* bone = Items(i)->BoneByName(name)) return bone;
  }
  return nullptr;
}

void TSkeletonBoneList::PrepareGlobalMatrices() {
  for (int i = 0; i < Count(); ++i) Items(i)->PrepareGlobalMatrices();
}

void TSkeletonBoneList::AfterObjectCreatedByReader(TPersistentObject* item) {
  auto* bone = dynamic_cast<TSkeletonBone*>(item);
  if (bone == nullptr) throw EFilerException(std::string(ClassName()) + " : not a bone: " + item->ClassName());
  bone->owner_ = this;
  bone->skeleton_ = skeleton_;
}

void TSkeletonBoneList::WriteArchive(TVirtualWriter& writer) const {
  TPersistentObjectList::WriteArchive(writer);
  writer.WriteInteger(0);
}

void TSkeletonBoneList::ReadArchive(TVirtualReader& reader) {
  TPersistentObjectList::ReadArchive(reader);
  RefuseNilItems(*this);
  const std::int32_t version = reader.ReadInteger();
  if (version != 0) RaiseArchiveVersionError(version);
}

// ---- TSkeletonRootBoneList ----

void TSkeletonRootBoneList::BuildList(TRenderContextInfo& rci) {
  const TGLAttribScope enable_bits(rci.GLStates, GL_ENABLE_BIT);
  gl.Disable(GL_COLOR_MATERIAL);
  gl.Disable(GL_LIGHTING);
  gl.Color3f(1, 1, 1);
  for (int i = 0; i < Count(); ++i) Items(i)->BuildList(rci);
}

void TSkeletonRootBoneList::WriteArchive(TVirtualWriter& writer) const {
  TSkeletonBoneList::WriteArchive(writer);
  writer.WriteInteger(0);
}

void TSkeletonRootBoneList::ReadArchive(TVirtualReader& reader) {
  TSkeletonBoneList::ReadArchive(reader);
  const std::int32_t version = reader.ReadInteger();
  if (version != 0) RaiseArchiveVersionError(version);
}

// ---- TSkeletonBone ----

TSkeletonBone* TSkeletonBone::BoneByID(std::int32_t id) const {
  if (BoneID == id) return const_cast<TSkeletonBone*>(this);
  return TSkeletonBoneList::BoneByID(id);
}

TSkeletonBone* TSkeletonBone::BoneByName(const std::string& name) const {
  if (Name == name) return const_cast<TSkeletonBone*>(this);
  return TSkeletonBoneList::BoneByName(name);
}

void TSkeletonBone::BuildList(TRenderContextInfo& rci) {
  const TVector4f& at = global_matrix_[3];
  gl.PointSize(5);
  gl.Begin(GL_POINTS);
  gl.Color4f((Color & 0xFF) / 255.0f, ((Color >> 8) & 0xFF) / 255.0f, ((Color >> 16) & 0xFF) / 255.0f,
             ((Color >> 24) & 0xFF) / 255.0f);
  gl.Vertex3fv(at.data());
  gl.End();
  gl.PointSize(1);
  if (dynamic_cast<TSkeletonBone*>(owner_) != nullptr) {
    gl.Begin(GL_LINES);
    gl.Vertex3fv(owner_->GlobalMatrix()[3].data());
    gl.Vertex3fv(at.data());
    gl.End();
  }
  for (int i = 0; i < Count(); ++i) Items(i)->BuildList(rci);
}

void TSkeletonBone::PrepareGlobalMatrices() {
  SceneAssert(Skeleton() != nullptr && owner_ != nullptr);
  const std::vector<TMatrix4f>& locals = Skeleton()->CurrentFrame().LocalMatrixList();
  if (BoneID < 0 || static_cast<std::size_t>(BoneID) >= locals.size()) RaiseBoneIndexError();
  global_matrix_ = MultiplyMatrices(locals[static_cast<std::size_t>(BoneID)], owner_->GlobalMatrix());
  TSkeletonBoneList::PrepareGlobalMatrices();
}

void TSkeletonBone::FreeItemsAndClear() {
  BoneID = 0;
  Name.clear();
  TSkeletonBoneList::FreeItemsAndClear();
}

void TSkeletonBone::WriteArchive(TVirtualWriter& writer) const {
  TSkeletonBoneList::WriteArchive(writer);
  writer.WriteInteger(0);
  writer.WriteString(Name);
  writer.WriteInteger(BoneID);
  writer.WriteInteger(static_cast<std::int32_t>(Color));
}

void TSkeletonBone::ReadArchive(TVirtualReader& reader) {
  TSkeletonBoneList::ReadArchive(reader);
  const std::int32_t version = reader.ReadInteger();
  if (version != 0) RaiseArchiveVersionError(version);
  Name = reader.ReadString();
  BoneID = reader.ReadInteger();
  Color = static_cast<std::uint32_t>(reader.ReadInteger());
}

// ---- TSkeletonCollider ----

void TSkeletonCollider::AlignCollider() {
  if (Bone == nullptr) {
    GlobalMatrix = LocalMatrix;
    return;
  }
  TMatrix4f m = Bone->GlobalMatrix();
  if (owner_ != nullptr && owner_->Owner() != nullptr && owner_->Owner()->Owner() != nullptr) {
    m = MultiplyMatrices(m, owner_->Owner()->Owner()->AbsoluteMatrix());
  }
  GlobalMatrix = MultiplyMatrices(LocalMatrix, m);
}

void TSkeletonCollider::WriteArchive(TVirtualWriter& writer) const {
  TPersistentObject::WriteArchive(writer);
  writer.WriteInteger(0);
  writer.WriteInteger(Bone != nullptr ? Bone->BoneID : -1);
  writer.Write(LocalMatrix.data(), sizeof(LocalMatrix));
}

void TSkeletonCollider::ReadArchive(TVirtualReader& reader) {
  TPersistentObject::ReadArchive(reader);
  const std::int32_t version = reader.ReadInteger();
  if (version != 0) RaiseArchiveVersionError(version);
  BoneID = reader.ReadInteger();
  reader.Read(LocalMatrix.data(), sizeof(LocalMatrix));
}

// ---- TSkeletonColliderList ----

TSkeletonCollider& TSkeletonColliderList::AddNew() {
  auto collider = std::make_unique<TSkeletonCollider>();
  TSkeletonCollider& added = *collider;
  collider->SetOwner(this);
  Add(std::move(collider));
  return added;
}

void TSkeletonColliderList::AlignColliders() {
  for (int i = 0; i < Count(); ++i) {
    if (Items(i)->AutoUpdate) Items(i)->AlignCollider();
  }
}

void TSkeletonColliderList::AfterObjectCreatedByReader(TPersistentObject* item) {
  auto* collider = dynamic_cast<TSkeletonCollider*>(item);
  if (collider == nullptr) {
    throw EFilerException(std::string(ClassName()) + " : not a collider: " + item->ClassName());
  }
  collider->SetOwner(this);
}

void TSkeletonColliderList::ReadArchive(TVirtualReader& reader) {
  TPersistentObjectList::ReadArchive(reader);
  RefuseNilItems(*this);
  if (owner_ == nullptr) return;
  for (int i = 0; i < Count(); ++i) {
    if (Items(i)->BoneID != -1) Items(i)->Bone = owner_->BoneByID(Items(i)->BoneID);
  }
}

// ---- TSkeleton ----

TSkeleton::TSkeleton(TGLBaseMesh* owner) : owner_(owner) {}

TSkeleton::~TSkeleton() = default;

TSkeletonFrame& TSkeleton::CurrentFrame() {
  if (current_frame_ == nullptr) SetCurrentFrame(FrameAt(0));
  return *current_frame_;
}

void TSkeleton::SetCurrentFrame(const TSkeletonFrame& frame) {
  current_frame_.reset(static_cast<TSkeletonFrame*>(frame.CreateClone().release()));
}

TSkeletonBone* TSkeleton::BoneByID(std::int32_t id) {
  if (!HasBone(id)) RaiseBoneIndexError();
  return (*bones_by_id_)[static_cast<std::size_t>(id)];
}

bool TSkeleton::HasBone(std::int32_t id) {
  if (bones_by_id_ == nullptr) {
    bones_by_id_ = std::make_unique<std::vector<TSkeletonBone*>>();
    // Depth first, parents before children: a later bone of the same identifier replaces an earlier one.
    auto visit = [&](auto& self, TSkeletonBoneList& list) -> void {
      for (int i = 0; i < list.Count(); ++i) {
        TSkeletonBone* bone = list[i];
        if (bone->BoneID >= 0) {
          const auto index = static_cast<std::size_t>(bone->BoneID);
          if (index >= bones_by_id_->size()) bones_by_id_->resize(index + 1, nullptr);
          (*bones_by_id_)[index] = bone;
        }
        self(self, *bone);
      }
    };
    visit(visit, root_bones_);
  }
  return id >= 0 && static_cast<std::size_t>(id) < bones_by_id_->size() &&
         (*bones_by_id_)[static_cast<std::size_t>(id)] != nullptr;
}

std::unique_ptr<TSkeletonFrame> TSkeleton::NewFrameLike(const TSkeletonFrame& model) {
  auto frame = std::make_unique<TSkeletonFrame>();
  frame->TransformMode = model.TransformMode;
  return frame;
}

void TSkeleton::LerpFrames(int frame_index1, int frame_index2, float lerp_factor) {
  TSkeletonFrame &from = FrameAt(frame_index1), &to = FrameAt(frame_index2);
  std::unique_ptr<TSkeletonFrame> frame = NewFrameLike(from);
  frame->Position().Lerp(from.Position(), to.Position(), lerp_factor);
  if (frame->TransformMode == tmRotation) {
    frame->Rotation().InterpolateLists(from.Rotation(), to.Rotation(), lerp_factor);
  } else {
    frame->Quaternion().Lerp(from.Quaternion(), to.Quaternion(), lerp_factor);
  }
  current_frame_ = std::move(frame);
}

void TSkeleton::BlendedLerps(const std::vector<TBlendedLerpInfo>& infos) {
  SceneAssert(!infos.empty());
  const TBlendedLerpInfo& first = infos[0];
  if (infos.size() == 1) {
    LerpFrames(first.frameIndex1, first.frameIndex2, first.lerpFactor);
    return;
  }
  std::unique_ptr<TSkeletonFrame> frame = NewFrameLike(FrameAt(first.frameIndex1));
  TAffineVectorList& positions = frame->Position();
  positions.Lerp(FrameAt(first.frameIndex1).Position(), FrameAt(first.frameIndex2).Position(), first.lerpFactor);
  if (first.weight != 1) positions.Scale(first.weight);
  TAffineVectorList scratch;
  for (std::size_t i = 1; i < infos.size(); ++i) {
    const TBlendedLerpInfo& info = infos[i];
    if (info.externalPositions != nullptr) {
      positions.Combine(*info.externalPositions, 1);
    } else {
      scratch.Lerp(FrameAt(info.frameIndex1).Position(), FrameAt(info.frameIndex2).Position(), info.lerpFactor);
      positions.Combine(scratch, 1);
    }
  }
  if (frame->TransformMode == tmRotation) {
    TAffineVectorList& rotations = frame->Rotation();
    rotations.InterpolateLists(FrameAt(first.frameIndex1).Rotation(), FrameAt(first.frameIndex2).Rotation(),
                               first.lerpFactor);
    for (std::size_t i = 1; i < infos.size(); ++i) {
      const TBlendedLerpInfo& info = infos[i];
      if (info.externalRotations != nullptr) {
        rotations.Combine(*info.externalRotations, 1);
      } else {
        scratch.InterpolateLists(FrameAt(info.frameIndex1).Rotation(), FrameAt(info.frameIndex2).Rotation(),
                                 info.lerpFactor);
        rotations.Combine(scratch, 1);
      }
    }
  } else {
    TQuaternionList& quaternions = frame->Quaternion();
    quaternions.Lerp(FrameAt(first.frameIndex1).Quaternion(), FrameAt(first.frameIndex2).Quaternion(),
                     first.lerpFactor);
    TQuaternionList quaternion_scratch;
    for (std::size_t i = 1; i < infos.size(); ++i) {
      const TBlendedLerpInfo& info = infos[i];
      if (info.externalQuaternions != nullptr) {
        quaternions.Combine(*info.externalQuaternions, 1);
      } else {
        quaternion_scratch.Lerp(FrameAt(info.frameIndex1).Quaternion(), FrameAt(info.frameIndex2).Quaternion(),
                                info.lerpFactor);
        quaternions.Combine(quaternion_scratch, 1);
      }
    }
  }
  current_frame_ = std::move(frame);
}

void TSkeleton::MorphMesh(bool normalize) {
  if (owner_ == nullptr || owner_->MeshObjects().Count() == 0) return;
  root_bones_.PrepareGlobalMatrices();
  if (colliders_.Count() > 0) colliders_.AlignColliders();
  TMeshObjectList& meshes = owner_->MeshObjects();
  for (int i = 0; i < meshes.Count(); ++i) {
    if (auto* skinned = dynamic_cast<TSkeletonMeshObject*>(meshes[i])) skinned->ApplyCurrentSkeletonFrame(normalize);
  }
}

void TSkeleton::Synchronize(TSkeleton& reference) {
  CurrentFrame().Assign(&reference.CurrentFrame());
  MorphMesh(true);
}

void TSkeleton::Clear() {
  FlushBoneByIDCache();
  root_bones_.Clear();
  frames_.Clear();
  current_frame_.reset();
  colliders_.Clear();
}

void TSkeleton::WriteArchive(TVirtualWriter& writer) const {
  TPersistentObject::WriteArchive(writer);
  const bool with_colliders = colliders_.Count() > 0;
  writer.WriteInteger(with_colliders ? 1 : 0);
  root_bones_.WriteArchive(writer);
  frames_.WriteArchive(writer);
  if (with_colliders) colliders_.WriteArchive(writer);
}

void TSkeleton::ReadArchive(TVirtualReader& reader) {
  TPersistentObject::ReadArchive(reader);
  const std::int32_t version = reader.ReadInteger();
  if (version != 0 && version != 1) RaiseArchiveVersionError(version);
  FlushBoneByIDCache();
  current_frame_.reset();
  root_bones_.ReadArchive(reader);
  frames_.ReadArchive(reader);
  RefuseNilItems(frames_);
  if (version == 1) {
    colliders_.ReadArchive(reader);
  } else {
    colliders_.Clear();
  }
}

}  // namespace zentrova
