#include "scene/objects/extrusion_solid.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"

#include <cmath>
#include <numbers>
#include <utility>

#include "scene/base/vector_geometry.h"
#include "scene/gl/gl_state_scope.h"
#include "scene/gl/gl_polygon_sink.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/texture_coordinates.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLExtrusionSolid);

namespace {

TAffineVector Negated(const TAffineVector& v) {
  return {-v[0], -v[1], -v[2]};
}

bool Has(TExtrusionSolidParts parts, TExtrusionSolidPart part) {
  return (parts & (1u << part)) != 0;
}

}  // namespace

TGLExtrusionSolid::TGLExtrusionSolid() {
  SetMinSmoothAngle(5);
}

void TGLExtrusionSolid::SetHeight(float value) {
  SetProperty(height_, value, StructureChangeOf(this));
}
void TGLExtrusionSolid::SetNormals(TNormalSmoothing value) {
  SetProperty(properties_.normals, value, StructureChangeOf(this));
}
void TGLExtrusionSolid::SetNormalDirection(TNormalDirection value) {
  SetProperty(properties_.normal_direction, value, StructureChangeOf(this));
}
void TGLExtrusionSolid::SetParts(TExtrusionSolidParts value) {
  SetProperty(properties_.parts, value, StructureChangeOf(this));
}

void TGLExtrusionSolid::SetStacks(int value) {
  if (value < 1) return;
  SetProperty(properties_.stacks, value, StructureChangeOf(this));
}

void TGLExtrusionSolid::SetMinSmoothAngle(float value) {
  min_smooth_angle_ = value;
  smooth_cosine_ = static_cast<float>(std::cos(static_cast<double>(value) * std::numbers::pi / 180));
}

void TGLExtrusionSolid::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLExtrusionSolid*>(source)) properties_ = other->properties_;
  TMultiPolygonBase::Assign(source);
}

TAffineVector TGLExtrusionSolid::EdgeNormal(const TAffineVector& a, const TAffineVector& b) const {
  TAffineVector n{b[1] - a[1], a[0] - b[0], 0};
  NormalizeAffine(n);
  return height_ < 0 ? Negated(n) : n;
}

// The previous normal carries over from edge to edge of one polygon and one face kind: under nsSmooth
// the corner at the start of an edge keeps the previous edge's normal when the two meet at no more than
// MinSmoothAngle.
void TGLExtrusionSolid::BuildSideStrip(TAffineVector a, TAffineVector b, bool exchange, float ta, float tb,
                                       TAffineVector& previous_normal) const {
  // The texture values stay with the strip's columns: only the points change places.
  if (exchange) std::swap(a, b);
  const TAffineVector n = EdgeNormal(a, b);
  switch (properties_.normals) {
    case nsFlat:
      previous_normal = n;
      break;
    case nsSmooth:
      if (AffineDot(n, previous_normal) < smooth_cosine_) previous_normal = n;
      break;
    case nsNone:
      break;
  }
  const TAffineVector first_normal = exchange ? n : previous_normal;
  const TAffineVector second_normal = exchange ? previous_normal : n;
  previous_normal = n;

  const float dz = height_ / static_cast<float>(properties_.stacks);
  const float ds = 1.0f / static_cast<float>(properties_.stacks);
  // Level 0 is the outline's own z; level i lies at i · dz (replacing the outline's z).
  auto emit = [&](const TAffineVector& p, const TAffineVector& normal, float t, int level) {
    const float st[2] = {static_cast<float>(level) * ds, t};
    const TAffineVector v{p[0], p[1], level == 0 ? p[2] : static_cast<float>(level) * dz};
    gl.Normal3fv(normal.data());
    RoutedTexCoord2fv(st);
    gl.Vertex3fv(v.data());
  };
  gl.Begin(GL_TRIANGLE_STRIP);
  emit(a, first_normal, ta, 0);
  for (int i = 1; i <= properties_.stacks; ++i) {
    emit(b, second_normal, tb, i - 1);
    emit(a, first_normal, ta, i);
  }
  emit(b, second_normal, tb, properties_.stacks);
  gl.End();
}

void TGLExtrusionSolid::BuildList(TRenderContextInfo& /*rci*/) {
  const TPolygonList& outline = Outline();
  if (outline.Count() == 0) return;
  const bool inside = properties_.normal_direction == ndInside;

  if (height_ != 0 && (Has(properties_.parts, espInside) || Has(properties_.parts, espOutside))) {
    for (int p = 0; p < outline.Count(); ++p) {
      const TAffineVectorList& polygon = outline.Polygon(p);
      const int m = polygon.Count();
      if (m < 2) continue;
      // Inside walls are the outside ones with their points exchanged, so they face the other way.
      auto walls = [&](bool exchange, bool negate_seed) {
        TAffineVector previous = EdgeNormal(polygon[m - 1], polygon[0]);
        if (negate_seed) previous = Negated(previous);
        const auto last = static_cast<float>(m - 1);
        for (int j = 0; j < m - 1; ++j) {
          BuildSideStrip(polygon[j], polygon[j + 1], exchange, static_cast<float>(j) / last,
                         static_cast<float>(j + 1) / last, previous);
        }
        BuildSideStrip(polygon[m - 1], polygon[0], exchange, 1, 0, previous);
      };
      if (Has(properties_.parts, espInside)) walls(!inside, !inside);
      if (Has(properties_.parts, espOutside)) walls(inside, inside);
    }
    const float origin[2] = {0, 0};
    RoutedTexCoord2fv(origin);
  }

  // Caps face away from the solid, or into it with ndInside: each is the outline filled about its own
  // normal, fed in reverse where that normal points to −z.
  const TAffineVector up = OutlineNormal();
  const TAffineVector down = Negated(up);
  if (Has(properties_.parts, espStopPolygon)) {
    const TGLMatrixScope matrix;
    gl.Translatef(0, 0, height_);
    RenderTesselatedPolygon(true, inside ? &down : &up, inside, GLPolygonSink());
  }
  if (Has(properties_.parts, espStartPolygon))
    RenderTesselatedPolygon(true, inside ? &up : &down, !inside, GLPolygonSink());
}

namespace {

constexpr TIdentNames<3> kNormalSmoothingNames{"nsFlat", "nsSmooth", "nsNone"};
constexpr TIdentNames<4> kExtrusionSolidPartNames{"espOutside", "espInside", "espStartPolygon",
                                                  "espStopPolygon"};

}  // namespace

// Height and MinSmoothAngle are always written: they have no stream default.
void TGLExtrusionSolid::WriteProperties(TPropertyWriter& w) const {
  TMultiPolygonBase::WriteProperties(w);
  if (properties_.stacks != 1) w.Integer("Stacks", properties_.stacks);
  if (properties_.normals != nsFlat) w.Enum("Normals", kNormalSmoothingNames, properties_.normals);
  if (properties_.normal_direction != ndOutside) w.Enum("NormalDirection", kNormalDirectionNames, properties_.normal_direction);
  if (properties_.parts != (1u << espOutside)) w.SetOf("Parts", kExtrusionSolidPartNames, properties_.parts);
  w.Single("Height", height_);
  w.Single("MinSmoothAngle", min_smooth_angle_);
}

bool TGLExtrusionSolid::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Stacks") {
    SetStacks(AsInteger(v));
  } else if (name == "Normals") {
    SetNormals(AsEnum<TNormalSmoothing>(kNormalSmoothingNames, v));
  } else if (name == "NormalDirection") {
    SetNormalDirection(AsEnum<TNormalDirection>(kNormalDirectionNames, v));
  } else if (name == "Parts") {
    SetParts(static_cast<TExtrusionSolidParts>(SetBits(kExtrusionSolidPartNames, v)));
  } else if (name == "Height") {
    SetHeight(AsSingle(v));
  } else if (name == "MinSmoothAngle") {
    SetMinSmoothAngle(AsSingle(v));
  } else {
    return TMultiPolygonBase::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
