#include "scene/objects/contour.h"
#include "scene/base/property_setter.h"

#include <algorithm>

#include "scene/base/update_able.h"

namespace zentrova {

void TGLContourNodes::NotifyChange() {
  if (UpdateCount() != 0) return;
  if (auto* contour = dynamic_cast<TGLContour*>(GetOwner())) contour->NotifyChanged();
}

TGLContour::TGLContour(TCollection* collection)
    : TCollectionItem(collection), nodes_(std::make_unique<TGLContourNodes>(this)) {}

TGLContour::~TGLContour() = default;

void TGLContour::SetNodes(const TGLNodes& value) {
  nodes_->Assign(&value);
  Changed(false);
}

void TGLContour::SetDivision(int value) {
  SetProperty(division_, std::max(value, 1), [this] { Changed(false); });
}

void TGLContour::SetSplineMode(TLineSplineMode value) {
  SetProperty(spline_mode_, value, [this] { Changed(false); });
}

void TGLContour::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLContour*>(source)) {
    nodes_->Assign(other->nodes_.get());
    division_ = other->division_;
    spline_mode_ = other->spline_mode_;
    description_ = other->description_;
    return;
  }
  TCollectionItem::Assign(source);
}

std::string TGLContour::GetDisplayName() const {
  if (!description_.empty()) return description_;
  return "GLContour: " + std::to_string(nodes_->Count()) + " nodes";
}

TGLContours::TGLContours(TPersistent* owner) : TOwnedCollection(owner, &CreateCollectionItem<TGLContour>) {}

void TGLContours::Update(TCollectionItem* item) {
  TOwnedCollection::Update(item);
  if (OnNotifyChange) {
    OnNotifyChange();
  } else if (auto* owner = dynamic_cast<TGLUpdateAbleComponent*>(GetOwner())) {
    owner->NotifyChange(this);
  }
}

}  // namespace zentrova
