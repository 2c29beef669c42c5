#include "scene/extras/mesh/morph_target.h"

#include "scene/base/class_registration.h"
#include "scene/base/scene_errors.h"
#include "scene/extras/mesh/mesh_utils.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TMeshMorphTarget);
ZENTROVA_REGISTER_CLASS(TMorphableMeshObject);

void TMeshMorphTarget::WriteArchive(TVirtualWriter& writer) const {
  TBaseMeshObject::WriteArchive(writer);
  writer.WriteInteger(0);
}

void TMeshMorphTarget::ReadArchive(TVirtualReader& reader) {
  TBaseMeshObject::ReadArchive(reader);
  const std::int32_t version = reader.ReadInteger();
  if (version != 0) RaiseArchiveVersionError(version);
}

TMeshMorphTarget& TMeshMorphTargetList::AddNew() {
  auto target = std::make_unique<TMeshMorphTarget>();
  TMeshMorphTarget& added = *target;
  target->SetOwner(this);
  Add(std::move(target));
  return added;
}

void TMeshMorphTargetList::Translate(const TAffineVector& delta) {
  for (int i = 0; i < Count(); ++i) Items(i)->Translate(delta);
}

void TMeshMorphTargetList::AfterObjectCreatedByReader(TPersistentObject* item) {
  auto* target = dynamic_cast<TMeshMorphTarget*>(item);
  if (target == nullptr) {
    throw EFilerException(std::string(ClassName()) + " : not a morph target: " + item->ClassName());
  }
  target->SetOwner(this);
}

void TMorphableMeshObject::Clear() {
  TMeshObject::Clear();
  morph_targets_.Clear();
}

void TMorphableMeshObject::Translate(const TAffineVector& delta) {
  TMeshObject::Translate(delta);
  morph_targets_.Translate(delta);
}

void TMorphableMeshObject::MorphTo(int index) {
  if (index == 0 && morph_targets_.Count() == 0) return;
  SceneAssert(index >= 0 && index < morph_targets_.Count());
  const TMeshMorphTarget& target = *morph_targets_[index];
  if (target.Vertices().Count() > 0) Vertices().Assign(&target.Vertices());
  if (target.Normals().Count() > 0) Normals().Assign(&target.Normals());
}

void TMorphableMeshObject::Lerp(int index1, int index2, float lerp_factor) {
  SceneAssert(index1 >= 0 && index1 < morph_targets_.Count());
  SceneAssert(index2 >= 0 && index2 < morph_targets_.Count());
  // The end points show the targets exactly, without rounding through the interpolation.
  if (lerp_factor == 0) {
    MorphTo(index1);
    return;
  }
  if (lerp_factor == 1) {
    MorphTo(index2);
    return;
  }
  const TMeshMorphTarget &from = *morph_targets_[index1], &to = *morph_targets_[index2];
  if (from.Vertices().Count() > 0) Vertices().Lerp(from.Vertices(), to.Vertices(), lerp_factor);
  if (from.Normals().Count() == 0) return;
  Normals().Lerp(from.Normals(), to.Normals(), lerp_factor);
  Normals().Normalize();
}

void TMorphableMeshObject::WriteArchive(TVirtualWriter& writer) const {
  TMeshObject::WriteArchive(writer);
  writer.WriteInteger(0);
  morph_targets_.WriteArchive(writer);
}

void TMorphableMeshObject::ReadArchive(TVirtualReader& reader) {
  TMeshObject::ReadArchive(reader);
  const std::int32_t version = reader.ReadInteger();
  if (version != 0) RaiseArchiveVersionError(version);
  morph_targets_.ReadArchive(reader);
  RefuseNilItems(morph_targets_);
}

}  // namespace zentrova
