#include "scene/objects/cylinder.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "scene/base/polynomials.h"
#include "scene/gl/gl_state_scope.h"
#include "scene/base/silhouette.h"
#include "scene/objects/quadric.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLCylinder);
ZENTROVA_REGISTER_CLASS(TGLCone);
ZENTROVA_REGISTER_CLASS(TGLAnnulus);

namespace {

bool Has(std::uint8_t parts, int part) {
  return (parts & (1u << part)) != 0;
}

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The nearest of the candidate hits of a ray cast, in local coordinates.
struct TNearestHit {
  double t = kInfinity;
  TVector4f point{};
  TVector4f normal{};
  bool found = false;

  void Offer(double at, const TVector4f& p, const TVector4f& n) {
    if (found && at >= t) return;
    t = at;
    point = p;
    normal = n;
    found = true;
  }
};

// A local ray: its start s (a point) and direction v, with the parameter range between two planes
// y = y0 and y = y1 where walls count.
struct TLocalRay {
  TVector4f s;
  TVector4f v;

  TVector4f At(double t) const {
    return {static_cast<float>(s[0] + t * v[0]), static_cast<float>(s[1] + t * v[1]),
            static_cast<float>(s[2] + t * v[2]), 1};
  }
  // The cap plane y = y is hit at t > 0 within radii² [r_in2, r_out2] of the axis.
  void Cap(double t, float y, double r_in2, double r_out2, float normal_y, TNearestHit& hit) const {
    if (!(t > 0)) return;
    const double x = s[0] + t * v[0], z = s[2] + t * v[2];
    const double d2 = x * x + z * z;
    if (d2 < r_in2 || d2 > r_out2) return;
    hit.Offer(t, {static_cast<float>(x), y, static_cast<float>(z), 1}, {0, normal_y, 0, 0});
  }
  // A wall of radius r: its forward crossings within [t_min, t_max); the normal is the radial vector.
  void Wall(double r, double t_min, double t_max, TNearestHit& hit) const {
    const TDoubleArray roots =
        QuadraticRoots({static_cast<double>(s[0]) * s[0] + static_cast<double>(s[2]) * s[2] - r * r,
                        2 * (static_cast<double>(s[0]) * v[0] + static_cast<double>(s[2]) * v[2]),
                        static_cast<double>(v[0]) * v[0] + static_cast<double>(v[2]) * v[2]});
    for (double t : roots) {
      if (t < 0 || t < t_min || t >= t_max) continue;
      const TVector4f p = At(t);
      hit.Offer(t, p, {p[0], 0, p[2], 0});
    }
  }
};

// The half extents of a tube of the two end radii: the wider end across, half the height along Y.
TVector4f TubeHalfExtents(float bottom_radius, float top_radius, float height) {
  const float r = std::max(std::fabs(bottom_radius), std::fabs(top_radius));
  return {r, 0.5f * height, r, 0};
}

// The parts of a straight tube between the planes y_bottom and y_top that a ray cast meets.
struct TTubeParts {
  bool top = false, bottom = false;  // the caps: rings between the radii
  double inner = 0, outer = 0;
  bool inner_wall = false, outer_wall = false;
};

// The nearest forward hit of a local ray with the tube's caps and walls; walls count only between the
// two planes.
TNearestHit CastThroughTube(const TLocalRay& ray, float y_bottom, float y_top, const TTubeParts& parts) {
  TNearestHit hit;
  double t_min = -kInfinity, t_max = kInfinity;
  if (ray.v[1] == 0) {
    if (ray.s[1] > y_top || ray.s[1] < y_bottom) return hit;
  } else {
    const double k = 1.0 / ray.v[1];
    const double t_top = (y_top - ray.s[1]) * k, t_bottom = (y_bottom - ray.s[1]) * k;
    const double in2 = parts.inner * parts.inner, out2 = parts.outer * parts.outer;
    if (parts.top) ray.Cap(t_top, y_top, in2, out2, 1, hit);
    if (parts.bottom) ray.Cap(t_bottom, y_bottom, in2, out2, -1, hit);
    t_min = std::min(t_top, t_bottom);
    t_max = std::max(t_top, t_bottom);
  }
  if (parts.outer_wall) ray.Wall(parts.outer, t_min, t_max, hit);
  if (parts.inner_wall) ray.Wall(parts.inner, t_min, t_max, hit);
  return hit;
}

// The hit, if any, in absolute coordinates.
bool ReportHit(TGLBaseSceneObject& object, const TNearestHit& hit, TVector4f* intersect_point,
               TVector4f* intersect_normal) {
  if (!hit.found) return false;
  if (intersect_point != nullptr) *intersect_point = object.LocalToWorld(hit.point);
  if (intersect_normal != nullptr) *intersect_normal = object.LocalToWorld(hit.normal);
  return true;
}

}  // namespace

// ---- TGLCylinderBase

void TGLCylinderBase::SetBottomRadius(float value) {
  SetProperty(properties_.bottom_radius, value, StructureChangeOf(this));
}
void TGLCylinderBase::SetSlices(int value) {
  SetProperty(properties_.slices, value, StructureChangeOf(this));
}
void TGLCylinderBase::SetStacks(int value) {
  SetProperty(properties_.stacks, value, StructureChangeOf(this));
}
void TGLCylinderBase::SetHeight(float value) {
  SetProperty(properties_.height, value, StructureChangeOf(this));
}

void TGLCylinderBase::SetLoops(int value) {
  if (value < 1) return;
  SetProperty(properties_.loops, value, StructureChangeOf(this));
}

void TGLCylinderBase::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLCylinderBase*>(source)) properties_ = other->properties_;
  TGLQuadricObject::Assign(source);
}

void TGLCylinderBase::DrawAlongY(std::optional<float> drop, const std::function<void(GLUquadric*)>& draw) const {
  const TGLMatrixScope matrix;
  TQuadric quadric;
  GLUquadric* q = quadric.Get();
  SetupQuadricParams(q);
  gl.Rotatef(-90, 1, 0, 0);
  if (drop) gl.Translatef(0, 0, -*drop);
  draw(q);
}

void TGLCylinderBase::DrawDiskAt(GLUquadric* quadric, float z, float inner_radius, float outer_radius) const {
  const TGLMatrixScope matrix;
  gl.Translatef(0, 0, z);
  glu.Disk(quadric, inner_radius, outer_radius, Slices(), Loops());
}

std::unique_ptr<TGLSilhouette> TGLCylinderBase::GenerateSilhouette(const TSilhouetteQuery& query) {
  TConnectivity connectivity(true);
  // Fewer than 5 slices would not make a tube worth a shadow.
  const int n = std::max(properties_.slices, 5);
  const float step = 6.283185307179586f / static_cast<float>(n);
  const float h = properties_.height / 2;
  const float rb = properties_.bottom_radius, rt = GetTopRadius();
  const TAffineVector bottom_centre{0, -h, 0}, top_centre{0, h, 0};
  float a1 = 0;
  for (int k = 0; k < n; ++k) {
    const float a2 = a1 + step;
    const TAffineVector a{rb * std::sin(a2), -h, rb * std::cos(a2)};
    const TAffineVector b{rb * std::sin(a1), -h, rb * std::cos(a1)};
    const TAffineVector c{rt * std::sin(a1), h, rt * std::cos(a1)};
    const TAffineVector d{rt * std::sin(a2), h, rt * std::cos(a2)};
    connectivity.AddFaceByPoints(c, b, a);
    connectivity.AddFaceByPoints(d, c, a);
    connectivity.AddFaceByPoints(bottom_centre, a, b);
    connectivity.AddFaceByPoints(c, d, top_centre);
    a1 = a2;
  }
  std::unique_ptr<TGLSilhouette> silhouette;
  connectivity.CreateSilhouette(query, silhouette, false);
  return silhouette;
}

// ---- TGLCone

void TGLCone::SetParts(TConeParts value) {
  SetProperty(parts_, value, StructureChangeOf(this));
}

void TGLCone::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLCone*>(source)) parts_ = other->parts_;
  TGLCylinderBase::Assign(source);
}

void TGLCone::BuildList(TRenderContextInfo& /*rci*/) {
  DrawAlongY(Height() / 2, [this](GLUquadric* q) {
    if (Has(parts_, coSides)) glu.Cylinder(q, BottomRadius(), 0, Height(), Slices(), Stacks());
    if (Has(parts_, coBottom)) {
      SetInvertedQuadricOrientation(q);
      glu.Disk(q, 0, BottomRadius(), Slices(), Loops());
    }
  });
}

TVector4f TGLCone::UnscaledHalfExtents() const {
  const float r = std::fabs(BottomRadius());
  return {r, 0.5f * Height(), r, 0};
}

// ---- TGLCylinder

void TGLCylinder::SetParts(TCylinderParts value) {
  SetProperty(parts_, value, StructureChangeOf(this));
}
void TGLCylinder::SetTopRadius(float value) {
  SetProperty(top_radius_, value, StructureChangeOf(this));
}
void TGLCylinder::SetAlignment(TCylinderAlignment value) {
  SetProperty(alignment_, value, StructureChangeOf(this));
}

void TGLCylinder::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLCylinder*>(source)) {
    parts_ = other->parts_;
    top_radius_ = other->top_radius_;
  }
  TGLCylinderBase::Assign(source);
}

void TGLCylinder::BuildList(TRenderContextInfo& /*rci*/) {
  std::optional<float> drop;
  if (alignment_ == caCenter) drop = Height() / 2;
  if (alignment_ == caTop) drop = Height();
  DrawAlongY(drop, [this](GLUquadric* q) {
    if (Has(parts_, cySides)) glu.Cylinder(q, BottomRadius(), top_radius_, Height(), Slices(), Stacks());
    if (Has(parts_, cyTop)) DrawDiskAt(q, Height(), 0, top_radius_);
    if (Has(parts_, cyBottom)) {
      SetInvertedQuadricOrientation(q);
      glu.Disk(q, 0, BottomRadius(), Slices(), Loops());
    }
  });
}

TVector4f TGLCylinder::UnscaledHalfExtents() const {
  return TubeHalfExtents(BottomRadius(), top_radius_, Height());
}

bool TGLCylinder::RayCastIntersect(const TVector4f& ray_start, const TVector4f& ray_vector,
                                   TVector4f* intersect_point, TVector4f* intersect_normal) {
  const TLocalRay ray{WorldToLocal(ray_start), WorldToLocal(ray_vector)};
  float y_top = Height() / 2, y_bottom = -Height() / 2;
  if (alignment_ == caTop) {
    y_top = 0;
    y_bottom = -Height();
  } else if (alignment_ == caBottom) {
    y_top = Height();
    y_bottom = 0;
  }
  const TNearestHit hit = CastThroughTube(ray, y_bottom, y_top,
                                         {.top = Has(parts_, cyTop),
                                          .bottom = Has(parts_, cyBottom),
                                          .inner = 0,
                                          .outer = top_radius_,
                                          .inner_wall = false,
                                          .outer_wall = Has(parts_, cySides)});
  return ReportHit(*this, hit, intersect_point, intersect_normal);
}

// ---- TGLAnnulus

void TGLAnnulus::SetParts(TAnnulusParts value) {
  SetProperty(properties_.parts, value, StructureChangeOf(this));
}
void TGLAnnulus::SetBottomInnerRadius(float value) {
  SetProperty(properties_.bottom_inner_radius, value, StructureChangeOf(this));
}
void TGLAnnulus::SetTopInnerRadius(float value) {
  SetProperty(properties_.top_inner_radius, value, StructureChangeOf(this));
}
void TGLAnnulus::SetTopRadius(float value) {
  SetProperty(properties_.top_radius, value, StructureChangeOf(this));
}

void TGLAnnulus::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLAnnulus*>(source)) properties_ = other->properties_;
  TGLCylinderBase::Assign(source);
}

void TGLAnnulus::BuildList(TRenderContextInfo& /*rci*/) {
  DrawAlongY(Height() / 2, [this](GLUquadric* q) {
    if (Has(properties_.parts, anOuterSides)) glu.Cylinder(q, BottomRadius(), properties_.top_radius, Height(), Slices(), Stacks());
    if (Has(properties_.parts, anTop)) DrawDiskAt(q, Height(), properties_.top_inner_radius, properties_.top_radius);
    if (Has(properties_.parts, anBottom) || Has(properties_.parts, anInnerSides)) {
      SetInvertedQuadricOrientation(q);
      if (Has(properties_.parts, anBottom)) glu.Disk(q, properties_.bottom_inner_radius, BottomRadius(), Slices(), Loops());
      if (Has(properties_.parts, anInnerSides)) {
        glu.Cylinder(q, properties_.bottom_inner_radius, properties_.top_inner_radius, Height(), Slices(), Stacks());
      }
    }
  });
}

TVector4f TGLAnnulus::UnscaledHalfExtents() const {
  return TubeHalfExtents(BottomRadius(), properties_.top_radius, Height());
}

bool TGLAnnulus::RayCastIntersect(const TVector4f& ray_start, const TVector4f& ray_vector,
                                  TVector4f* intersect_point, TVector4f* intersect_normal) {
  const TLocalRay ray{WorldToLocal(ray_start), WorldToLocal(ray_vector)};
  const TNearestHit hit = CastThroughTube(ray, -Height() / 2, Height() / 2,
                                         {.top = Has(properties_.parts, anTop),
                                          .bottom = Has(properties_.parts, anBottom),
                                          .inner = properties_.top_inner_radius,
                                          .outer = properties_.top_radius,
                                          .inner_wall = Has(properties_.parts, anInnerSides),
                                          .outer_wall = Has(properties_.parts, anOuterSides)});
  return ReportHit(*this, hit, intersect_point, intersect_normal);
}

// ---- streaming

namespace {

constexpr TIdentNames<2> kConePartNames{"coSides", "coBottom"};
constexpr TIdentNames<3> kCylinderPartNames{"cySides", "cyBottom", "cyTop"};
constexpr TIdentNames<3> kCylinderAlignmentNames{"caCenter", "caTop", "caBottom"};
constexpr TIdentNames<4> kAnnulusPartNames{"anInnerSides", "anOuterSides", "anBottom", "anTop"};

}  // namespace

void TGLCylinderBase::WriteProperties(TPropertyWriter& w) const {
  TGLQuadricObject::WriteProperties(w);
  if (properties_.bottom_radius != 0.5f) w.Single("BottomRadius", properties_.bottom_radius);
  if (properties_.slices != 16) w.Integer("Slices", properties_.slices);
  if (properties_.stacks != 4) w.Integer("Stacks", properties_.stacks);
  if (properties_.loops != 1) w.Integer("Loops", properties_.loops);
  if (properties_.height != 1) w.Single("Height", properties_.height);
}

bool TGLCylinderBase::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "BottomRadius") {
    SetBottomRadius(AsSingle(v));
  } else if (name == "Slices") {
    SetSlices(AsInteger(v));
  } else if (name == "Stacks") {
    SetStacks(AsInteger(v));
  } else if (name == "Loops") {
    SetLoops(AsInteger(v));
  } else if (name == "Height") {
    SetHeight(AsSingle(v));
  } else {
    return TGLQuadricObject::ReadProperty(name, v);
  }
  return true;
}

void TGLCone::WriteProperties(TPropertyWriter& w) const {
  TGLCylinderBase::WriteProperties(w);
  if (parts_ != kAllConeParts) w.SetOf("Parts", kConePartNames, parts_);
}

bool TGLCone::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name != "Parts") return TGLCylinderBase::ReadProperty(name, v);
  SetParts(static_cast<TConeParts>(SetBits(kConePartNames, v)));
  return true;
}

void TGLCylinder::WriteProperties(TPropertyWriter& w) const {
  TGLCylinderBase::WriteProperties(w);
  if (parts_ != kAllCylinderParts) w.SetOf("Parts", kCylinderPartNames, parts_);
  if (top_radius_ != 0.5f) w.Single("TopRadius", top_radius_);
  if (alignment_ != caCenter) w.Enum("Alignment", kCylinderAlignmentNames, alignment_);
}

bool TGLCylinder::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Parts") {
    SetParts(static_cast<TCylinderParts>(SetBits(kCylinderPartNames, v)));
  } else if (name == "TopRadius") {
    SetTopRadius(AsSingle(v));
  } else if (name == "Alignment") {
    SetAlignment(AsEnum<TCylinderAlignment>(kCylinderAlignmentNames, v));
  } else {
    return TGLCylinderBase::ReadProperty(name, v);
  }
  return true;
}

void TGLAnnulus::WriteProperties(TPropertyWriter& w) const {
  TGLCylinderBase::WriteProperties(w);
  if (properties_.parts != kAllAnnulusParts) w.SetOf("Parts", kAnnulusPartNames, properties_.parts);
  if (properties_.bottom_inner_radius != 0.3f) w.Single("BottomInnerRadius", properties_.bottom_inner_radius);
  if (properties_.top_inner_radius != 0.3f) w.Single("TopInnerRadius", properties_.top_inner_radius);
  if (properties_.top_radius != 0.5f) w.Single("TopRadius", properties_.top_radius);
}

bool TGLAnnulus::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Parts") {
    SetParts(static_cast<TAnnulusParts>(SetBits(kAnnulusPartNames, v)));
  } else if (name == "BottomInnerRadius") {
    SetBottomInnerRadius(AsSingle(v));
  } else if (name == "TopInnerRadius") {
    SetTopInnerRadius(AsSingle(v));
  } else if (name == "TopRadius") {
    SetTopRadius(AsSingle(v));
  } else {
    return TGLCylinderBase::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
