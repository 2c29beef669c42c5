#include "scene/objects/torus.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"

#include <cmath>

#include "scene/base/polynomials.h"
#include "scene/base/vector_geometry.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/texture_coordinates.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLTorus);

void TGLTorus::SetRings(std::uint32_t value) {
  SetProperty(rings_, value < 2 ? 2 : value, StructureChangeOf(this));
}

void TGLTorus::SetSides(std::uint32_t value) {
  SetProperty(sides_, value < 3 ? 3 : value, StructureChangeOf(this));
}

void TGLTorus::SetMinorRadius(float value) {
  SetProperty(minor_radius_, value, StructureChangeOf(this));
}

void TGLTorus::SetMajorRadius(float value) {
  SetProperty(major_radius_, value, StructureChangeOf(this));
}

// Ring i counts down from Rings − 1, so the torus turns clockwise seen from +Z and s runs from 1 to 0.
void TGLTorus::BuildList(TRenderContextInfo& /*rci*/) {
  constexpr float kTwoPi = 6.2831855f;
  const float ring_step = kTwoPi / static_cast<float>(rings_);
  const float side_step = kTwoPi / static_cast<float>(sides_);
  const float rings = static_cast<float>(rings_), sides = static_cast<float>(sides_);
  float theta = 0, cos_theta = 1, sin_theta = 0;
  for (std::int64_t i = std::int64_t{rings_} - 1; i >= 0; --i) {
    const float theta1 = theta + ring_step;
    const float cos_theta1 = std::cos(theta1), sin_theta1 = std::sin(theta1);
    gl.Begin(GL_QUAD_STRIP);
    float phi = 0;
    for (std::int64_t j = sides_; j >= 0; --j) {
      phi += side_step;
      const float cos_phi = std::cos(phi), sin_phi = std::sin(phi);
      const float d = minor_radius_ * cos_phi + major_radius_;
      const float t = static_cast<float>(j) / sides;
      RoutedTexCoord2f(static_cast<float>(i) / rings, t);
      gl.Normal3f(cos_theta1 * cos_phi, -sin_theta1 * cos_phi, sin_phi);
      gl.Vertex3f(cos_theta1 * d, -sin_theta1 * d, minor_radius_ * sin_phi);
      RoutedTexCoord2f(static_cast<float>(i + 1) / rings, t);
      gl.Normal3f(cos_theta * cos_phi, -sin_theta * cos_phi, sin_phi);
      gl.Vertex3f(cos_theta * d, -sin_theta * d, minor_radius_ * sin_phi);
    }
    gl.End();
    theta = theta1;
    cos_theta = cos_theta1;
    sin_theta = sin_theta1;
  }
}

TVector4f TGLTorus::UnscaledHalfExtents() const {
  const float r = std::fabs(major_radius_) + std::fabs(minor_radius_);
  return {r, r, std::fabs(minor_radius_), 0};
}

// With a unit direction v and e = |s|² − (R² + r²), the points s + t·v on the torus solve
// (|p|² − R² − r²)² = 4R²·(r² − p.z²), a quartic in t.
bool TGLTorus::RayCastIntersect(const TVector4f& ray_start, const TVector4f& ray_vector,
                                TVector4f* intersect_point, TVector4f* intersect_normal) {
  const double big_r2 = static_cast<double>(major_radius_) * major_radius_;
  const double r2 = static_cast<double>(minor_radius_) * minor_radius_;
  const TVector4f s = WorldToLocal(ray_start);
  TVector4f v = WorldToLocal(ray_vector);
  NormalizeVector3InPlace(v);
  const double k =
      static_cast<double>(s[0]) * v[0] + static_cast<double>(s[1]) * v[1] + static_cast<double>(s[2]) * v[2];
  const double e = static_cast<double>(s[0]) * s[0] + static_cast<double>(s[1]) * s[1] +
                   static_cast<double>(s[2]) * s[2] - (big_r2 + r2);
  const double sz = s[2], vz = v[2];
  const TDoubleArray roots =
      QuarticRoots({e * e - 4 * big_r2 * (r2 - sz * sz), 4 * k * e + 8 * big_r2 * vz * sz,
                    4 * big_r2 * vz * vz + 4 * k * k + 2 * e, 4 * k, 1});
  double t = 1e20;
  for (double root : roots) {
    if (root > 0 && root < t) t = root;
  }
  if (t == 1e20) return false;
  const TVector4f p{static_cast<float>(s[0] + t * v[0]), static_cast<float>(s[1] + t * v[1]),
                    static_cast<float>(s[2] + t * v[2]), 1};
  if (intersect_point != nullptr) *intersect_point = LocalToWorld(p);
  if (intersect_normal != nullptr) {
    const float scale = major_radius_ / (std::sqrt(p[0] * p[0] + p[1] * p[1]) + 1e-6f);
    *intersect_normal = LocalToWorld({p[0] - p[0] * scale, p[1] - p[1] * scale, p[2], 0});
  }
  return true;
}

void TGLTorus::WriteProperties(TPropertyWriter& w) const {
  TGLStageObject::WriteProperties(w);
  if (rings_ != 25) w.Integer("Rings", static_cast<std::int32_t>(rings_));
  if (sides_ != 15) w.Integer("Sides", static_cast<std::int32_t>(sides_));
  if (minor_radius_ != 0.1f) w.Single("MinorRadius", minor_radius_);
  if (major_radius_ != 0.4f) w.Single("MajorRadius", major_radius_);
}

bool TGLTorus::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Rings" || name == "Sides") {
    const std::int32_t count = AsInteger(v);
    if (count < 0) RaiseInvalidPropertyValue();
    if (name == "Rings") {
      SetRings(static_cast<std::uint32_t>(count));
    } else {
      SetSides(static_cast<std::uint32_t>(count));
    }
  } else if (name == "MinorRadius") {
    SetMinorRadius(AsSingle(v));
  } else if (name == "MajorRadius") {
    SetMajorRadius(AsSingle(v));
  } else {
    return TGLStageObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
