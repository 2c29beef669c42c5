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
  SetProperty(properties_.start_angle, value, StructureChangeOf(this));
}
void TGLDisk::SetSweepAngle(float value) {
  SetProperty(properties_.sweep_angle, value, StructureChangeOf(this));
}
void TGLDisk::SetOuterRadius(float value) {
  SetProperty(properties_.outer_radius, value, StructureChangeOf(this));
}
void TGLDisk::SetInnerRadius(float value) {
  SetProperty(properties_.inner_radius, value, StructureChangeOf(this));
}
void TGLDisk::SetSlices(int value) {
  SetProperty(properties_.slices, value, StructureChangeOf(this));
}
void TGLDisk::SetLoops(int value) {
  SetProperty(properties_.loops, value, StructureChangeOf(this));
}

void TGLDisk::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLDisk*>(source)) properties_ = other->properties_;
  TGLQuadricObject::Assign(source);
}

void TGLDisk::BuildList(TRenderContextInfo& /*rci*/) {
  TQuadric quadric;
  SetupQuadricParams(quadric.Get());
  glu.PartialDisk(quadric.Get(), properties_.inner_radius, properties_.outer_radius, properties_.slices, properties_.loops, properties_.start_angle, properties_.sweep_angle);
}

TVector4f TGLDisk::UnscaledHalfExtents() const {
  const float r = std::fabs(properties_.outer_radius);
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
  if (d2 < properties_.inner_radius * properties_.inner_radius || d2 > properties_.outer_radius * properties_.outer_radius) return false;
  if (intersect_normal != nullptr) *intersect_normal = z_axis;
  return true;
}

void TGLDisk::WriteProperties(TPropertyWriter& w) const {
  TGLQuadricObject::WriteProperties(w);
  if (properties_.start_angle != 0) w.Single("StartAngle", properties_.start_angle);
  if (properties_.sweep_angle != 360) w.Single("SweepAngle", properties_.sweep_angle);
  if (properties_.outer_radius != 0.5f) w.Single("OuterRadius", properties_.outer_radius);
  if (properties_.inner_radius != 0) w.Single("InnerRadius", properties_.inner_radius);
  if (properties_.slices != 16) w.Integer("Slices", properties_.slices);
  if (properties_.loops != 2) w.Integer("Loops", properties_.loops);
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
