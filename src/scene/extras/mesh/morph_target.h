// Vertex animation: a morphable mesh object keeps full sets of positions and normals for its vertices
// and shows one of them, or a blend of two.
#pragma once

#include <memory>

#include "scene/base/class_name.h"
#include "scene/extras/mesh/mesh_object.h"

namespace zentrova {

class TMeshMorphTargetList;
class TMorphableMeshObject;

class TMeshMorphTarget : public TBaseMeshObject {
 public:
  ZENTROVA_CLASS_NEW(TMeshMorphTarget)
  TMeshMorphTargetList* Owner() const { return owner_; }
  void SetOwner(TMeshMorphTargetList* owner) { owner_ = owner; }

  void WriteArchive(TVirtualWriter& writer) const override;
  void ReadArchive(TVirtualReader& reader) override;

 private:
  TMeshMorphTargetList* owner_ = nullptr;
};

class TMeshMorphTargetList : public TPersistentObjectList {
 public:
  explicit TMeshMorphTargetList(TMorphableMeshObject* owner = nullptr) : owner_(owner) {}
  ZENTROVA_CLASS_NEW(TMeshMorphTargetList)
  TMorphableMeshObject* Owner() const { return owner_; }
  TMeshMorphTarget* Items(int index) const { return static_cast<TMeshMorphTarget*>(Get(index)); }
  TMeshMorphTarget* operator[](int index) const { return Items(index); }
  TMeshMorphTarget& AddNew();
  void Translate(const TAffineVector& delta);

 protected:
  void AfterObjectCreatedByReader(TPersistentObject* item) override;

 private:
  TMorphableMeshObject* owner_;
};

class TMorphableMeshObject : public TMeshObject {
 public:
  ZENTROVA_CLASS_NEW(TMorphableMeshObject)
  TMeshMorphTargetList& MorphTargets() { return morph_targets_; }
  const TMeshMorphTargetList& MorphTargets() const { return morph_targets_; }

  void Clear() override;
  void Translate(const TAffineVector& delta) override;
  // The target's non-empty lists replace the mesh's. Frame 0 of a mesh without targets does nothing.
  void MorphTo(int index);
  // Factor 0 and 1 show a target as MorphTo does, without arithmetic; between them the positions, and
  // when target index1 has normals the renormalised normals, are interpolated.
  void Lerp(int index1, int index2, float lerp_factor);

  void WriteArchive(TVirtualWriter& writer) const override;
  void ReadArchive(TVirtualReader& reader) override;

 private:
  TMeshMorphTargetList morph_targets_{this};
};

}  // namespace zentrova
