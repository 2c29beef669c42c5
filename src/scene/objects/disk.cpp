#include "scene/objects/disk.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"

#include <cmath>

#include "scene/base/matrix_geometry.h"
#include "scene/objects/quadric.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLDisk);

namespace {}  // namespace

void TGLDisk::SetStartAngle(float value) {
  SetProperty(start_angle_, value, StructureChangeOf(this));
}
void TGLDisk::SetSweepAngle(float value) {
  SetProperty(sweep_angle_, value, StructureChangeOf(this));
}
void TGLDisk::SetOuterRadius(float value) {
  SetProperty(outer_radius_, value, StructureChangeOf(this));
}
void TGLDisk::SetInnerRadius(float value) {
  SetProperty(inner_radius_, value, StructureChangeOf(this));
}
void TGLDisk::SetSlices(int value) {
  SetProperty(slices_, value, StructureChangeOf(this));
}
void TGLDisk::SetLoops(int value) {
  SetProperty(loops_, value, StructureChangeOf(this));
}

void TGLDisk::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLDisk*>(source)) {
    start_angle_ = other->start_angle_;
    sweep_angle_ = other->sweep_angle_;
    outer_radius_ = other->outer_radius_;
    inner_radius_ = other->inner_radius_;
    slices_ = other->slices_;
    loops_ = other->loops_;
  }
  TGLQuadricObject::Assign(source);
}

void TGLDisk::BuildList(TRenderContextInfo& /*rci*/) {
  TQuadric quadric;
  SetupQuadricParams(quadric.Get());
  glu.PartialDisk(quadric.Get(), inner_radius_, outer_radius_, slices_, loops_, start_angle_, sweep_angle_);
}

TVector4f TGLDisk::UnscaledHalfExtents() const {
  const float r = std::fabs(outer_radius_);
  return {r, r, 0, 0};
}

bool TGLDisk::RayCastIntersect(const TVector4f& ray_start, const TVector4f& ray_vector,
                               TVector4f* intersect_point, TVector4f* intersect_normal) {
  const TVector4f z_axis = AbsoluteZAxis();
  TVector4f hit{};
  if (!RayPlaneHit(ray_start, ray_vector, AbsoluteTranslation(), z_axis, &hit)) return false;
  if (intersect_point != nullptr) *intersect_point = hit;
  const TVector4f local = WorldToLocal(hit);
  const float d2 = local[0] * local[0] + local[1] * local[1] + local[2] * local[2];
  if (d2 < inner_radius_ * inner_radius_ || d2 > outer_radius_ * outer_radius_) return false;
  if (intersect_normal != nullptr) *intersect_normal = z_axis;
  return true;
}

void TGLDisk::WriteProperties(TPropertyWriter& w) const {
  TGLQuadricObject::WriteProperties(w);
  if (start_angle_ != 0) w.Single("StartAngle", start_angle_);
  if (sweep_angle_ != 360) w.Single("SweepAngle", sweep_angle_);
  if (outer_radius_ != 0.5f) w.Single("OuterRadius", outer_radius_);
  if (inner_radius_ != 0) w.Single("InnerRadius", inner_radius_);
  if (slices_ != 16) w.Integer("Slices", slices_);
  if (loops_ != 2) w.Integer("Loops", loops_);
}

bool TGLDisk::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "StartAngle") {
    SetStartAngle(AsSingle(v));
  } else if (name == "SweepAngle") {
    SetSweepAngle(AsSingle(v));
  } else if (name == "OuterRadius") {
    SetOuterRadius(AsSingle(v));
  } else if (name == "InnerRadius") {
    SetInnerRadius(AsSingle(v));
  } else if (name == "Slices") {
    SetSlices(AsInteger(v));
  } else if (name == "Loops") {
    SetLoops(AsInteger(v));
  } else {
    return TGLQuadricObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
