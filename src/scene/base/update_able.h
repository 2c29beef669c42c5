// The change-notification chain of the scene: property objects (colours, coordinates, materials) tell
// their owner when they change, components pass the notice up until the scene repaints.
#pragma once

#include <functional>

#include "scene/base/class_name.h"
#include "scene/base/collection.h"
#include "scene/base/component.h"
#include "scene/base/object_base.h"

namespace zentrova {

class TGLCoordinates;

// Time of a cadencer step, in seconds.
struct TProgressTimes {
  double deltaTime;
  double newTime;
};

using TNotifyEvent = std::function<void(TPersistent* sender)>;

// A property object with an owner (not owned, may be nullptr) that it notifies of its changes.
class TGLUpdateAbleObject : public TPersistent {
 public:
  explicit TGLUpdateAbleObject(TPersistent* owner) : owner_(owner) {}
  ZENTROVA_CLASS(TGLUpdateAbleObject)

  TPersistent* Owner() const { return owner_; }
  TPersistent* GetOwner() const override { return owner_; }

  // Tells the owner (an update-able object or component, naming itself as the sender; the incoming
  // sender is not passed on), then fires OnNotifyChange. Nothing at all inside an update bracket or
  // without an owner.
  virtual void NotifyChange(TPersistent* sender);
  void BeginUpdate() { ++update_count_; }
  void EndUpdate() { --update_count_; }
  int UpdateCount() const { return update_count_; }

  TNotifyEvent OnNotifyChange;

 private:
  TPersistent* owner_;
  int update_count_ = 0;
};

// A component that the cadencer and its parent objects step every tick.
class TGLCadenceAbleComponent : public TComponent {
 public:
  using TComponent::TComponent;
  ZENTROVA_CLASS(TGLCadenceAbleComponent)
  virtual void DoProgress(const TProgressTimes& progress_times) {}
};

class TGLUpdateAbleComponent : public TGLCadenceAbleComponent {
 public:
  using TGLCadenceAbleComponent::TGLCadenceAbleComponent;
  ZENTROVA_CLASS(TGLUpdateAbleComponent)
  // Passes the notice on to an update-able owner, naming itself as the sender.
  virtual void NotifyChange(TPersistent* sender);
};

// The base of scene objects: told directly when one of its coordinates changes.
class TGLCoordinatesUpdateAbleComponent : public TGLUpdateAbleComponent {
 public:
  using TGLUpdateAbleComponent::TGLUpdateAbleComponent;
  ZENTROVA_CLASS(TGLCoordinatesUpdateAbleComponent)
  virtual void CoordinateChanged(TGLCoordinates* sender) = 0;
};

// A collection that reports every addition, removal and item change to its OnNotifyChange handler,
// which is the owner's NotifyChange when the owner is an update-able component.
class TNotifyCollection : public TOwnedCollection {
 public:
  TNotifyCollection(TPersistent* owner, TCollectionItemClass item_class);
  ZENTROVA_CLASS(TNotifyCollection)

  TNotifyEvent OnNotifyChange;

 protected:
  void Update(TCollectionItem* item) override;
};

}  // namespace zentrova
