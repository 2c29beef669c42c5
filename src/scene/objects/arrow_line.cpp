#include "scene/objects/arrow_line.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"

#include "scene/gl/gl_state_scope.h"
#include "scene/objects/quadric.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLArrowLine);

namespace {

bool Has(TArrowLineParts parts, TArrowLinePart part) {
  return (parts & (1u << part)) != 0;
}

}  // namespace

TGLArrowLine::TGLArrowLine() {
  SetBottomRadius(0.1f);
}

void TGLArrowLine::SetParts(TArrowLineParts value) {
  SetProperty(properties_.parts, value, StructureChangeOf(this));
}
void TGLArrowLine::SetTopRadius(float value) {
  SetProperty(properties_.top_radius, value, StructureChangeOf(this));
}
void TGLArrowLine::SetTopArrowHeadHeight(float value) {
  SetProperty(properties_.top_arrow_head_height, value, StructureChangeOf(this));
}
void TGLArrowLine::SetTopArrowHeadRadius(float value) {
  SetProperty(properties_.top_arrow_head_radius, value, StructureChangeOf(this));
}
void TGLArrowLine::SetBottomArrowHeadHeight(float value) {
  SetProperty(properties_.bottom_arrow_head_height, value, StructureChangeOf(this));
}
void TGLArrowLine::SetBottomArrowHeadRadius(float value) {
  SetProperty(properties_.bottom_arrow_head_radius, value, StructureChangeOf(this));
}
void TGLArrowLine::SetHeadStackingStyle(TArrowHeadStackingStyle value) {
  SetProperty(properties_.head_stacking_style, value, StructureChangeOf(this));
}

void TGLArrowLine::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLArrowLine*>(source)) properties_ = other->properties_;
  TGLCylinderBase::Assign(source);
}

void TGLArrowLine::BuildList(TRenderContextInfo& /*rci*/) {
  static constexpr float kHeadFactor[] = {0, 0.5f, 1};
  const float f = kHeadFactor[properties_.head_stacking_style];
  const float height = Height();
  float length = height;
  float z0 = -height / 2;
  TQuadric quadric;
  GLUquadric* q = quadric.Get();
  SetupQuadricParams(q);
  const bool line = Has(properties_.parts, alLine);
  if (Has(properties_.parts, alTopArrow)) {
    length -= properties_.top_arrow_head_height * f;
    const TGLMatrixScope matrix;
    gl.Translatef(0, 0, height / 2 - properties_.top_arrow_head_height * f);
    glu.Cylinder(q, properties_.top_arrow_head_radius, 0, properties_.top_arrow_head_height, Slices(), Stacks());
    SetInvertedQuadricOrientation(q);
    glu.Disk(q, line ? properties_.top_radius : 0, properties_.top_arrow_head_radius, Slices(), Loops());
  }
  if (Has(properties_.parts, alBottomArrow)) {
    const float b = properties_.bottom_arrow_head_height * f;
    length -= b;
    z0 += b;
    const TGLMatrixScope matrix;
    gl.Rotatef(180, 1, 0, 0);
    gl.Translatef(0, 0, height / 2 - b);
    SetNormalQuadricOrientation(q);
    glu.Cylinder(q, properties_.bottom_arrow_head_radius, 0, properties_.bottom_arrow_head_height, Slices(), Stacks());
    SetInvertedQuadricOrientation(q);
    glu.Disk(q, line ? BottomRadius() : 0, properties_.bottom_arrow_head_radius, Slices(), Loops());
  }
  if (length > 0 && line) {
    const TGLMatrixScope matrix;
    gl.Translatef(0, 0, z0);
    SetNormalQuadricOrientation(q);
    glu.Cylinder(q, BottomRadius(), properties_.top_radius, length, Slices(), Stacks());
    if (!Has(properties_.parts, alTopArrow)) {
      DrawDiskAt(q, length, 0, properties_.top_radius);
    }
    if (!Has(properties_.parts, alBottomArrow)) {
      SetInvertedQuadricOrientation(q);
      glu.Disk(q, 0, BottomRadius(), Slices(), Loops());
    }
  }
}

namespace {

constexpr TIdentNames<3> kArrowLinePartNames{"alLine", "alTopArrow", "alBottomArrow"};
constexpr TIdentNames<3> kHeadStackingStyleNames{"ahssStacked", "ahssCentered", "ahssIncluded"};

}  // namespace

void TGLArrowLine::WriteProperties(TPropertyWriter& w) const {
  TGLCylinderBase::WriteProperties(w);
  if (properties_.parts != ((1u << alLine) | (1u << alTopArrow))) w.SetOf("Parts", kArrowLinePartNames, properties_.parts);
  if (properties_.top_radius != 0.1f) w.Single("TopRadius", properties_.top_radius);
  if (properties_.top_arrow_head_height != 0.5f) w.Single("TopArrowHeadHeight", properties_.top_arrow_head_height);
  if (properties_.top_arrow_head_radius != 0.2f) w.Single("TopArrowHeadRadius", properties_.top_arrow_head_radius);
  if (properties_.bottom_arrow_head_height != 0.5f) w.Single("BottomArrowHeadHeight", properties_.bottom_arrow_head_height);
  if (properties_.bottom_arrow_head_radius != 0.2f) w.Single("BottomArrowHeadRadius", properties_.bottom_arrow_head_radius);
  if (properties_.head_stacking_style != ahssStacked)
    w.Enum("HeadStackingStyle", kHeadStackingStyleNames, properties_.head_stacking_style);
}

bool TGLArrowLine::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Parts") {
    SetParts(static_cast<TArrowLineParts>(SetBits(kArrowLinePartNames, v)));
  } else if (name == "TopRadius") {
    SetTopRadius(AsSingle(v));
  } else if (name == "TopArrowHeadHeight") {
    SetTopArrowHeadHeight(AsSingle(v));
  } else if (name == "TopArrowHeadRadius") {
    SetTopArrowHeadRadius(AsSingle(v));
  } else if (name == "BottomArrowHeadHeight") {
    SetBottomArrowHeadHeight(AsSingle(v));
  } else if (name == "BottomArrowHeadRadius") {
    SetBottomArrowHeadRadius(AsSingle(v));
  } else if (name == "HeadStackingStyle") {
    SetHeadStackingStyle(AsEnum<TArrowHeadStackingStyle>(kHeadStackingStyleNames, v));
  } else {
    return TGLCylinderBase::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
