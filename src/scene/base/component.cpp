#include "scene/base/component.h"

#include <vector>

namespace zentrova {

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_ != nullptr) owner_->components_.push_back(this);
}

TComponent::~TComponent() {
  // Owned components go first, last created first; each takes itself out of our list.
  while (!components_.empty()) delete components_.back();
  if (owner_ != nullptr) {
    std::erase(owner_->components_, this);
  }
}

}  // namespace zentrova
