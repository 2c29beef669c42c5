#include "scene/base/update_able.h"

namespace zentrova {

void TGLUpdateAbleObject::NotifyChange(TPersistent* sender) {
  if (update_count_ != 0 || owner_ == nullptr) return;
  if (auto* object = dynamic_cast<TGLUpdateAbleObject*>(owner_)) {
    object->NotifyChange(this);
  } else if (auto* component = dynamic_cast<TGLUpdateAbleComponent*>(owner_)) {
    component->NotifyChange(this);
  }
  if (OnNotifyChange) OnNotifyChange(this);
}

void TGLUpdateAbleComponent::NotifyChange(TPersistent* sender) {
  if (auto* owner = dynamic_cast<TGLUpdateAbleComponent*>(Owner())) owner->NotifyChange(this);
}

TNotifyCollection::TNotifyCollection(TPersistent* owner, TCollectionItemClass item_class)
    : TOwnedCollection(owner, item_class) {
  if (auto* component = dynamic_cast<TGLUpdateAbleComponent*>(owner)) {
    OnNotifyChange = [component](TPersistent* sender) { component->NotifyChange(sender); };
  }
}

void TNotifyCollection::Update(TCollectionItem* item) {
  TOwnedCollection::Update(item);
  if (OnNotifyChange) OnNotifyChange(this);
}

}  // namespace zentrova
