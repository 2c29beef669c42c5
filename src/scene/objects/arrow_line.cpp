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
  SetProperty(parts_, value, StructureChangeOf(this));
}
void TGLArrowLine::SetTopRadius(float value) {
  SetProperty(top_radius_, value, StructureChangeOf(this));
}
void TGLArrowLine::SetTopArrowHeadHeight(float value) {
  SetProperty(top_arrow_head_height_, value, StructureChangeOf(this));
}
void TGLArrowLine::SetTopArrowHeadRadius(float value) {
  SetProperty(top_arrow_head_radius_, value, StructureChangeOf(this));
}
void TGLArrowLine::SetBottomArrowHeadHeight(float value) {
  SetProperty(bottom_arrow_head_height_, value, StructureChangeOf(this));
}
void TGLArrowLine::SetBottomArrowHeadRadius(float value) {
  SetProperty(bottom_arrow_head_radius_, value, StructureChangeOf(this));
}
void TGLArrowLine::SetHeadStackingStyle(TArrowHeadStackingStyle value) {
  SetProperty(head_stacking_style_, value, StructureChangeOf(this));
}

void TGLArrowLine::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLArrowLine*>(source)) {
    parts_ = other->parts_;
    top_radius_ = other->top_radius_;
    top_arrow_head_height_ = other->top_arrow_head_height_;
    top_arrow_head_radius_ = other->top_arrow_head_radius_;
    bottom_arrow_head_height_ = other->bottom_arrow_head_height_;
    bottom_arrow_head_radius_ = other->bottom_arrow_head_radius_;
    head_stacking_style_ = other->head_stacking_style_;
  }
  TGLCylinderBase::Assign(source);
}

void TGLArrowLine::BuildList(TRenderContextInfo& /*rci*/) {
  static constexpr float kHeadFactor[] = {0, 0.5f, 1};
  const float f = kHeadFactor[head_stacking_style_];
  const float height = Height();
  float length = height;
  float z0 = -height / 2;
  TQuadric quadric;
  GLUquadric* q = quadric.Get();
  SetupQuadricParams(q);
  const bool line = Has(parts_, alLine);
  if (Has(parts_, alTopArrow)) {
    length -= top_arrow_head_height_ * f;
    const TGLMatrixScope matrix;
    gl.Translatef(0, 0, height / 2 - top_arrow_head_height_ * f);
    glu.Cylinder(q, top_arrow_head_radius_, 0, top_arrow_head_height_, Slices(), Stacks());
    SetInvertedQuadricOrientation(q);
    glu.Disk(q, line ? top_radius_ : 0, top_arrow_head_radius_, Slices(), Loops());
  }
  if (Has(parts_, alBottomArrow)) {
    const float b = bottom_arrow_head_height_ * f;
    length -= b;
    z0 += b;
    const TGLMatrixScope matrix;
    gl.Rotatef(180, 1, 0, 0);
    gl.Translatef(0, 0, height / 2 - b);
    SetNormalQuadricOrientation(q);
    glu.Cylinder(q, bottom_arrow_head_radius_, 0, bottom_arrow_head_height_, Slices(), Stacks());
    SetInvertedQuadricOrientation(q);
    glu.Disk(q, line ? BottomRadius() : 0, bottom_arrow_head_radius_, Slices(), Loops());
  }
  if (length > 0 && line) {
    const TGLMatrixScope matrix;
    gl.Translatef(0, 0, z0);
    SetNormalQuadricOrientation(q);
    glu.Cylinder(q, BottomRadius(), top_radius_, length, Slices(), Stacks());
    if (!Has(parts_, alTopArrow)) {
      const TGLMatrixScope top_matrix;
      gl.Translatef(0, 0, length);
      glu.Disk(q, 0, top_radius_, Slices(), Loops());
    }
    if (!Has(parts_, alBottomArrow)) {
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
  if (parts_ != ((1u << alLine) | (1u << alTopArrow))) w.SetOf("Parts", kArrowLinePartNames, parts_);
  if (top_radius_ != 0.1f) w.Single("TopRadius", top_radius_);
  if (top_arrow_head_height_ != 0.5f) w.Single("TopArrowHeadHeight", top_arrow_head_height_);
  if (top_arrow_head_radius_ != 0.2f) w.Single("TopArrowHeadRadius", top_arrow_head_radius_);
  if (bottom_arrow_head_height_ != 0.5f) w.Single("BottomArrowHeadHeight", bottom_arrow_head_height_);
  if (bottom_arrow_head_radius_ != 0.2f) w.Single("BottomArrowHeadRadius", bottom_arrow_head_radius_);
  if (head_stacking_style_ != ahssStacked)
    w.Enum("HeadStackingStyle", kHeadStackingStyleNames, head_stacking_style_);
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
