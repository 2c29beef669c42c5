// Named objects owned by another component; an owner frees the components it owns. Components can ask
// to be told when another component goes away (free notification), so that no reference outlives its
// target, and carry the states (loading, reading, destroying, designing) that their setters consult.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/base/object_base.h"

namespace zentrova {

enum class TComponentState : std::uint8_t { Loading, Reading, Destroying, Designing };

// A set of component states.
class TComponentStates {
 public:
  bool Contains(TComponentState state) const { return (bits_ & Bit(state)) != 0; }
  bool Empty() const { return bits_ == 0; }
  void Include(TComponentState state) { bits_ |= Bit(state); }
  void Exclude(TComponentState state) { bits_ &= static_cast<std::uint8_t>(~Bit(state)); }

 private:
  static std::uint8_t Bit(TComponentState state) {
    return static_cast<std::uint8_t>(1u << static_cast<unsigned>(state));
  }
  std::uint8_t bits_ = 0;
};

// What happened to the component that a notification names.
enum class TOperation : std::uint8_t { Insert, Remove };

class TComponent : public TPersistent {
 public:
  TComponent() = default;
  // Frees the owned components, last inserted first. A component on the stack is marked Destroying and
  // sends its free notifications here, after its subclasses' destructors have run.
  ~TComponent() override;
  // Through delete (and so through unique_ptr), the component is marked Destroying and its free
  // notifications are sent before any destructor runs, while the object is still whole.
  void operator delete(TComponent* component, std::destroying_delete_t);
  ZENTROVA_CLASS(TComponent)

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  virtual void SetName(const std::string& name) { name_ = name; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const { return components_.at(index).get(); }

  // Takes the component (without an owner, asserted) as the last owned one; a designing owner makes it
  // designing too. Then this component's Notification hears of it (Insert).
  TComponent& InsertComponent(std::unique_ptr<TComponent> component);
  // A new component of class T, owned by this one.
  template <class T, class... Args>
  T& CreateComponent(Args&&... args) {
    auto component = std::make_unique<T>(std::forward<Args>(args)...);
    T& created = *component;
    InsertComponent(std::move(component));
    return created;
  }
  // Hands an owned component back without an owner (dropping it frees it); this component's
  // Notification then hears of it (Remove). nullptr when the component is not owned by this one.
  std::unique_ptr<TComponent> RemoveComponent(TComponent& component);

  // After FreeNotification(other), this component's Notification(other, Remove) runs when `other` is
  // destroyed. Either side may go first: each forgets the other. Asking twice registers once; asking
  // about a component already being destroyed does nothing.
  void FreeNotification(TComponent& component);
  void RemoveFreeNotification(TComponent& component);

  TComponentStates ComponentState() const { return state_; }
  // A reader starts filling the component; Loaded ends that, and subclasses finish loading there.
  void Loading() { state_.Include(TComponentState::Loading); }
  virtual void Loaded() { state_.Exclude(TComponentState::Loading); }
  void SetReading(bool reading);
  // A design environment marks its components, with the owned ones unless told otherwise.
  void SetDesigning(bool designing, bool set_children = true);
  // Marks this component and everything it owns as being destroyed (nothing undoes it).
  void Destroying();

  // The components a form stream writes as this one's children, in order: by default the owned ones (a
  // form's components).
  virtual std::vector<const TComponent*> GetChildren() const;
  // A child read from a form stream: true when this component took it over (by default it owns it);
  // false leaves it with the caller (this component takes no child of that class).
  virtual bool ReadChild(std::unique_ptr<TComponent>& child);

  TPersistent* GetOwner() const override { return owner_; }
  std::string GetNamePath() const override { return name_; }

 protected:
  // Another component was inserted into or removed from this one, or a component this one asked to hear
  // about is being destroyed (Remove).
  virtual void Notification(TComponent& component, TOperation operation) {}

 private:
  // Tells the listeners that this component goes and unlinks it from both sides; once.
  void SendFreeNotifications();

  TComponent* owner_ = nullptr;
  std::string name_;
  std::vector<std::unique_ptr<TComponent>> components_;
  std::vector<TComponent*> listeners_;  // told when this component goes
  std::vector<TComponent*> watched_;    // those whose destruction this component hears of
  TComponentStates state_;
};

}  // namespace zentrova
