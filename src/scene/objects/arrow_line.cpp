#include "scene/objects/arrow_line.h"

#include "scene/base/property_setter.h"
#include "scene/core/scope_exit.h"
#include "scene/objects/quadric.h"

namespace zentrova {

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
    gl.PushMatrix();
    TScopeExit pop([] { gl.PopMatrix(); });
    gl.Translatef(0, 0, height / 2 - top_arrow_head_height_ * f);
    glu.Cylinder(q, top_arrow_head_radius_, 0, top_arrow_head_height_, Slices(), Stacks());
    SetInvertedQuadricOrientation(q);
    glu.Disk(q, line ? top_radius_ : 0, top_arrow_head_radius_, Slices(), Loops());
  }
  if (Has(parts_, alBottomArrow)) {
    const float b = bottom_arrow_head_height_ * f;
    length -= b;
    z0 += b;
    gl.PushMatrix();
    TScopeExit pop([] { gl.PopMatrix(); });
    gl.Rotatef(180, 1, 0, 0);
    gl.Translatef(0, 0, height / 2 - b);
    SetNormalQuadricOrientation(q);
    glu.Cylinder(q, bottom_arrow_head_radius_, 0, bottom_arrow_head_height_, Slices(), Stacks());
    SetInvertedQuadricOrientation(q);
    glu.Disk(q, line ? BottomRadius() : 0, bottom_arrow_head_radius_, Slices(), Loops());
  }
  if (length > 0 && line) {
    gl.PushMatrix();
    TScopeExit pop([] { gl.PopMatrix(); });
    gl.Translatef(0, 0, z0);
    SetNormalQuadricOrientation(q);
    glu.Cylinder(q, BottomRadius(), top_radius_, length, Slices(), Stacks());
    if (!Has(parts_, alTopArrow)) {
      gl.PushMatrix();
      TScopeExit pop_top([] { gl.PopMatrix(); });
      gl.Translatef(0, 0, length);
      glu.Disk(q, 0, top_radius_, Slices(), Loops());
    }
    if (!Has(parts_, alBottomArrow)) {
      SetInvertedQuadricOrientation(q);
      glu.Disk(q, 0, BottomRadius(), Slices(), Loops());
    }
  }
}

}  // namespace zentrova
