#include "scene/objects/polygon_base.h"

#include "scene/base/property_setter.h"
#include <algorithm>

namespace zentrova {

TGLPolygonBase::TGLPolygonBase() : nodes_(CreateNodes()) {}

TGLPolygonBase::~TGLPolygonBase() = default;

std::unique_ptr<TGLNodes> TGLPolygonBase::CreateNodes() {
  return std::make_unique<TGLNodes>(this);
}

void TGLPolygonBase::SetNodes(const TGLNodes& value) {
  nodes_->Assign(&value);
  MarkStructureDirty();
}

void TGLPolygonBase::SetDivision(int value) {
  if (value == division_) return;
  division_ = std::max(value, 1);
  MarkStructureDirty();
}

void TGLPolygonBase::SetSplineMode(TLineSplineMode value) {
  SetProperty(spline_mode_, value, StructureChangeOf(this));
}

void TGLPolygonBase::NotifyChange(TPersistent* sender) {
  if (sender != nullptr && sender == nodes_.get()) MarkStructureDirty();
  TGLStageObject::NotifyChange(sender);
}

void TGLPolygonBase::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLPolygonBase*>(source)) {
    SetNodes(*other->nodes_);
    division_ = other->division_;
    spline_mode_ = other->spline_mode_;
  }
  TGLStageObject::Assign(source);
}

}  // namespace zentrova
