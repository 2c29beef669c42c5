#include "scene/base/component.h"

#include <algorithm>

#include "scene/base/class_registration.h"
#include "scene/base/scene_errors.h"

namespace zentrova {

// A plain component is the root of a form: it owns the form's components.
ZENTROVA_REGISTER_CLASS(TComponent);

namespace {

bool Contains(const std::vector<TComponent*>& list, const TComponent* component) {
  return std::find(list.begin(), list.end(), component) != list.end();
}

}  // namespace

TComponent::~TComponent() {
  Destroying();
  SendFreeNotifications();
  // Owned components go first, last inserted first.
  while (!components_.empty()) {
    std::unique_ptr<TComponent> last = std::move(components_.back());
    components_.pop_back();
    last->owner_ = nullptr;
  }
}

void TComponent::operator delete(TComponent* component, std::destroying_delete_t) {
  component->Destroying();
  component->SendFreeNotifications();
  void* block = dynamic_cast<void*>(component);
  component->~TComponent();
  ::operator delete(block);
}

TComponent& TComponent::InsertComponent(std::unique_ptr<TComponent> component) {
  SceneAssert(component != nullptr && component->owner_ == nullptr && component.get() != this);
  TComponent& inserted = *component;
  if (state_.Contains(TComponentState::Designing)) inserted.SetDesigning(true);
  inserted.owner_ = this;
  components_.push_back(std::move(component));
  Notification(inserted, TOperation::Insert);
  return inserted;
}

std::unique_ptr<TComponent> TComponent::RemoveComponent(TComponent& component) {
  const auto it =
      std::find_if(components_.begin(), components_.end(),
                   [&](const std::unique_ptr<TComponent>& owned) { return owned.get() == &component; });
  if (it == components_.end()) return nullptr;
  std::unique_ptr<TComponent> removed = std::move(*it);
  components_.erase(it);
  removed->owner_ = nullptr;
  Notification(*removed, TOperation::Remove);
  return removed;
}

void TComponent::FreeNotification(TComponent& component) {
  if (component.state_.Contains(TComponentState::Destroying)) return;
  if (Contains(watched_, &component)) return;
  watched_.push_back(&component);
  component.listeners_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent& component) {
  std::erase(watched_, &component);
  std::erase(component.listeners_, this);
}

void TComponent::SetReading(bool reading) {
  if (reading) {
    state_.Include(TComponentState::Reading);
  } else {
    state_.Exclude(TComponentState::Reading);
  }
}

void TComponent::SetDesigning(bool designing, bool set_children) {
  if (designing) {
    state_.Include(TComponentState::Designing);
  } else {
    state_.Exclude(TComponentState::Designing);
  }
  if (set_children) {
    for (const auto& component : components_) component->SetDesigning(designing);
  }
}

void TComponent::Destroying() {
  if (state_.Contains(TComponentState::Destroying)) return;
  state_.Include(TComponentState::Destroying);
  for (const auto& component : components_) component->Destroying();
}

std::vector<const TComponent*> TComponent::GetChildren() const {
  std::vector<const TComponent*> children;
  for (const auto& component : components_) children.push_back(component.get());
  return children;
}

bool TComponent::ReadChild(std::unique_ptr<TComponent>& child) {
  InsertComponent(std::move(child));
  return true;
}

void TComponent::SendFreeNotifications() {
  for (TComponent* watched : std::exchange(watched_, {})) std::erase(watched->listeners_, this);
  // One at a time from the back: a handler may drop other listeners meanwhile.
  while (!listeners_.empty()) {
    TComponent* listener = listeners_.back();
    listeners_.pop_back();
    std::erase(listener->watched_, this);
    listener->Notification(*this, TOperation::Remove);
  }
}

}  // namespace zentrova
