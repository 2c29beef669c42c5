#include "scene/core/behaviours.h"

#include "scene/base/scene_errors.h"
#include "scene/core/scene_object.h"
#include "scene/core/stage_buffer.h"

namespace zentrova {

std::function<void(TGLBaseBehaviour& item)> OnBehaviourNameChange;

namespace {

// The bases have no kind of their own to offer: an application derives its kinds from them.
template <class Item, class Parent>
const TXCollectionItemClass& ClassOf(const char* class_name) {
  static const TGLBehaviourClass<Item, Parent> item_class(class_name, class_name);
  return item_class;
}

TGLBaseSceneObject* CheckedOwner(TGLBaseSceneObject* owner, const char* collection) {
  SceneAssert(owner != nullptr, std::string(collection) + ": the owner must be a scene object");
  return owner;
}

std::string CollectionPath(const TXCollection& collection, const char* suffix) {
  if (collection.Owner() == nullptr) return collection.ClassName();
  return collection.Owner()->GetNamePath() + suffix;
}

}  // namespace

const TXCollectionItemClass& TGLBaseBehaviour::StaticClass() {
  return ClassOf<TGLBaseBehaviour, TXCollectionItem>("TGLBaseBehaviour");
}
const TXCollectionItemClass& TGLBehaviour::StaticClass() {
  return ClassOf<TGLBehaviour, TGLBaseBehaviour>("TGLBehaviour");
}
const TXCollectionItemClass& TGLObjectEffect::StaticClass() {
  return ClassOf<TGLObjectEffect, TGLBaseBehaviour>("TGLObjectEffect");
}
const TXCollectionItemClass& TGLObjectPreEffect::StaticClass() {
  return ClassOf<TGLObjectPreEffect, TGLObjectEffect>("TGLObjectPreEffect");
}
const TXCollectionItemClass& TGLObjectPostEffect::StaticClass() {
  return ClassOf<TGLObjectPostEffect, TGLObjectEffect>("TGLObjectPostEffect");
}
const TXCollectionItemClass& TGLObjectAfterEffect::StaticClass() {
  return ClassOf<TGLObjectAfterEffect, TGLObjectEffect>("TGLObjectAfterEffect");
}

TGLBaseSceneObject* TGLBaseBehaviour::OwnerBaseSceneObject() const {
  return Owner() != nullptr ? dynamic_cast<TGLBaseSceneObject*>(Owner()->Owner()) : nullptr;
}

void TGLBaseBehaviour::SetName(const std::string& name) {
  TXCollectionItem::SetName(name);
  if (OnBehaviourNameChange) OnBehaviourNameChange(*this);
}

void TGLBaseBehaviour::WriteItem(TVirtualWriter& writer) const {
  writer.WriteInteger(0);
  TXCollectionItem::WriteItem(writer);
}

void TGLBaseBehaviour::ReadItem(TVirtualReader& reader) {
  SceneAssert(reader.ReadInteger() == 0);
  TXCollectionItem::ReadItem(reader);
}

// ---- The collections

TGLBehaviours::TGLBehaviours(TGLBaseSceneObject* owner) : TXCollection(CheckedOwner(owner, "TGLBehaviours")) {}

std::string TGLBehaviours::GetNamePath() const {
  return CollectionPath(*this, ".Behaviours");
}

bool TGLBehaviours::Accepts(const TXCollectionItemClass& item_class) const {
  return !item_class.InheritsFrom(TGLObjectEffect::StaticClass()) && TXCollection::Accepts(item_class);
}

void TGLBehaviours::ProgressAll(const TProgressTimes& progress_times) {
  for (int i = 0; i < Count(); ++i) Behaviour(i).DoProgress(progress_times);
}

TGLObjectEffects::TGLObjectEffects(TGLBaseSceneObject* owner)
    : TXCollection(CheckedOwner(owner, "TGLObjectEffects")) {}

std::string TGLObjectEffects::GetNamePath() const {
  return CollectionPath(*this, ".Effects");
}

bool TGLObjectEffects::Accepts(const TXCollectionItemClass& item_class) const {
  return item_class.InheritsFrom(TGLObjectEffect::StaticClass()) && TXCollection::Accepts(item_class);
}

void TGLObjectEffects::ProgressAll(const TProgressTimes& progress_times) {
  for (int i = 0; i < Count(); ++i) ObjectEffect(i).DoProgress(progress_times);
}

void TGLObjectEffects::RenderPreEffects(TGLStageBuffer& scene_buffer, TRenderContextInfo& rci) {
  for (int i = 0; i < Count(); ++i) {
    TGLObjectEffect& effect = ObjectEffect(i);
    if (dynamic_cast<TGLObjectPreEffect*>(&effect) != nullptr) effect.Render(scene_buffer, rci);
  }
}

void TGLObjectEffects::RenderPostEffects(TGLStageBuffer& scene_buffer, TRenderContextInfo& rci) {
  for (int i = 0; i < Count(); ++i) {
    TGLObjectEffect& effect = ObjectEffect(i);
    if (dynamic_cast<TGLObjectPostEffect*>(&effect) != nullptr) {
      effect.Render(scene_buffer, rci);
    } else if (dynamic_cast<TGLObjectAfterEffect*>(&effect) != nullptr) {
      scene_buffer.AfterRenderEffects().push_back(&effect);
    }
  }
}

}  // namespace zentrova
