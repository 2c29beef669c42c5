#include "scene/objects/polygon_base.h"

#include "scene/base/property_setter.h"
#include <algorithm>

#include "scene/objects/node_stream.h"

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
  SetProperty(division_, std::max(value, 1), StructureChangeOf(this));
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

namespace {

constexpr TIdentNames<5> kSplineModeNames{"lsmLines", "lsmCubicSpline", "lsmBezierSpline", "lsmNURBSCurve",
                                          "lsmSegments"};

}  // namespace

void TGLPolygonBase::WriteProperties(TPropertyWriter& w) const {
  TGLStageObject::WriteProperties(w);
  WriteNodes(w, "Nodes", *nodes_,
             [this](const TGLNode& node, TPropertyWriter& writer) { WriteNodeProperties(node, writer); });
  if (division_ != 10) w.Integer("Division", division_);
  if (spline_mode_ != lsmLines) w.Enum("SplineMode", kSplineModeNames, spline_mode_);
}

bool TGLPolygonBase::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Nodes") {
    ReadNodes(*nodes_, v, [this](TGLNode& node, const std::string& item_name, const TPropertyValue& item_value) {
      return ReadNodeProperty(node, item_name, item_value);
    });
  } else if (name == "Division") {
    SetDivision(AsInteger(v));
  } else if (name == "SplineMode") {
    SetSplineMode(AsEnum<TLineSplineMode>(kSplineModeNames, v));
  } else {
    return TGLStageObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
