#include "scene/objects/sphere.h"

#include <cmath>
#include <numbers>

#include "scene/base/class_registration.h"
#include "scene/base/float_math.h"
#include "scene/base/matrix_geometry.h"
#include "scene/base/property_setter.h"
#include "scene/base/property_stream.h"
#include "scene/base/scene_errors.h"
#include "scene/base/vector_geometry.h"
#include "scene/gl/gl_state_scope.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/state_cache.h"
#include "scene/gl/texture_coordinates.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLSphere);

void TGLQuadricObject::SetNormals(TNormalSmoothing value) { SetProperty(normals_, value, StructureChangeOf(this)); }
void TGLQuadricObject::SetNormalDirection(TNormalDirection value) { SetProperty(normal_direction_, value, StructureChangeOf(this)); }

void TGLQuadricObject::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLQuadricObject*>(source)) {
    normals_ = other->normals_;
    normal_direction_ = other->normal_direction_;
  }
  TGLStageObject::Assign(source);
}

void TGLQuadricObject::SetupQuadricParams(GLUquadric* quadric) const {
  static constexpr GLenum kNormals[] = {GLU_FLAT, GLU_SMOOTH, GLU_NONE};
  glu.QuadricDrawStyle(quadric, GLU_FILL);
  glu.QuadricNormals(quadric, kNormals[normals_]);
  SetNormalQuadricOrientation(quadric);
  glu.QuadricTexture(quadric, GL_TRUE);
}

void TGLQuadricObject::SetNormalQuadricOrientation(GLUquadric* quadric) const {
  glu.QuadricOrientation(quadric, normal_direction_ == ndInside ? GLU_INSIDE : GLU_OUTSIDE);
}

void TGLQuadricObject::SetInvertedQuadricOrientation(GLUquadric* quadric) const {
  glu.QuadricOrientation(quadric, normal_direction_ == ndInside ? GLU_OUTSIDE : GLU_INSIDE);
}

void TGLSphere::SetRadius(float value) { SetProperty(properties_.radius, value, StructureChangeOf(this)); }
void TGLSphere::SetTop(std::int8_t value) { SetProperty(properties_.top, value, StructureChangeOf(this)); }
void TGLSphere::SetBottom(std::int8_t value) { SetProperty(properties_.bottom, value, StructureChangeOf(this)); }
void TGLSphere::SetTopCap(TCapType value) { SetProperty(top_cap_, value, StructureChangeOf(this)); }
void TGLSphere::SetBottomCap(TCapType value) { SetProperty(bottom_cap_, value, StructureChangeOf(this)); }

void TGLSphere::SetSlices(int value) {
  SetProperty(properties_.slices, value <= 0 ? 1 : value, StructureChangeOf(this));
}

void TGLSphere::SetStacks(int value) {
  SetProperty(properties_.stacks, value <= 0 ? 1 : value, StructureChangeOf(this));
}

void TGLSphere::SetStart(std::uint16_t value) {
  if (value == properties_.start) return;
  SceneAssert(value <= properties_.stop);
  properties_.start = value;
  MarkStructureDirty();
}

void TGLSphere::SetStop(std::uint16_t value) {
  if (value == properties_.stop) return;
  SceneAssert(value >= properties_.start);
  properties_.stop = value;
  MarkStructureDirty();
}

void TGLSphere::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLSphere*>(source)) properties_ = other->properties_;
  TGLQuadricObject::Assign(source);
}

void TGLSphere::BuildList(TRenderContextInfo& rci) {
  const bool inside = NormalDirection() == ndInside;
  const float sign = inside ? -1.0f : 1.0f;
  const TGLAttribScope polygon_bits(rci.GLStates, GL_POLYGON_BIT);
  SceneAssert(rci.GLStates != nullptr, "TGLSphere.BuildList: no state cache");
  if (inside) rci.GLStates->InvertFrontFace();
  const float a_top = DegToRad(static_cast<float>(properties_.top));
  const float a_bottom = DegToRad(static_cast<float>(properties_.bottom));
  const float a_start = DegToRad(static_cast<float>(properties_.start));
  const float a_stop = DegToRad(static_cast<float>(properties_.stop));
  const float step_h = (a_stop - a_start) / static_cast<float>(properties_.slices);
  const float step_v = (a_top - a_bottom) / static_cast<float>(properties_.stacks);
  const TGLMatrixScope matrix;
  gl.Scalef(properties_.radius, properties_.radius, properties_.radius);

  // A cap: a fan about the pole axis at latitude `a`, facing `pole` (+1 top, -1 bottom).
  auto cap = [&](float a, TCapType type, float pole) {
    const float s_p = std::sin(a), c_p = std::cos(a);
    const TAffineVector centre_normal{0, pole * sign, 0};
    RoutedTexCoord2f(0.5f, 0.5f);
    gl.Normal3fv(centre_normal.data());
    if (type == ctCenter) {
      gl.Vertex3f(0, 0, 0);
    } else {
      gl.Vertex3f(0, s_p, 0);
    }
    float t = pole > 0 ? a_start : a_stop;
    for (int i = 0; i <= properties_.slices; ++i) {
      const TAffineVector v{c_p * std::sin(t), s_p, c_p * std::cos(t)};
      TAffineVector n = centre_normal;
      if (type == ctCenter) {
        // The part of the pole direction perpendicular to v, not normalised.
        const float d = pole * v[1];
        n = {sign * (0 - d * v[0]), sign * (pole - d * v[1]), sign * (0 - d * v[2])};
      }
      RoutedTexCoord2f(std::sin(t) * 0.5f + 0.5f, std::cos(t) * 0.5f + 0.5f);
      gl.Normal3fv(n.data());
      gl.Vertex3fv(v.data());
      t = pole > 0 ? t + step_h : t - step_h;
    }
  };

  if (properties_.top < 90 && (top_cap_ == ctCenter || top_cap_ == ctFlat)) {
    gl.Begin(GL_TRIANGLE_FAN);
    cap(a_top, top_cap_, 1);
    gl.End();
  }
  float a1 = a_top;
  for (int j = 0; j < properties_.stacks; ++j) {
    const float a2 = a1 - step_v;
    const float tv1 = 1 - static_cast<float>(j) / static_cast<float>(properties_.stacks);
    const float tv2 = 1 - static_cast<float>(j + 1) / static_cast<float>(properties_.stacks);
    const float s1 = std::sin(a1), c1 = std::cos(a1), s2 = std::sin(a2), c2 = std::cos(a2);
    gl.Begin(GL_TRIANGLE_STRIP);
    float t = a_start;
    for (int i = 0; i <= properties_.slices; ++i) {
      const float st = std::sin(t), ct = std::cos(t);
      const float tu = static_cast<float>(i) / static_cast<float>(properties_.slices);
      const TAffineVector pu{c1 * st, s1, c1 * ct};
      const TAffineVector pl{c2 * st, s2, c2 * ct};
      RoutedTexCoord2f(tu, tv1);
      gl.Normal3f(sign * pu[0], sign * pu[1], sign * pu[2]);
      gl.Vertex3fv(pu.data());
      RoutedTexCoord2f(tu, tv2);
      gl.Normal3f(sign * pl[0], sign * pl[1], sign * pl[2]);
      gl.Vertex3fv(pl.data());
      t += step_h;
    }
    gl.End();
    a1 = a2;
  }
  if (properties_.bottom > -90 && (bottom_cap_ == ctCenter || bottom_cap_ == ctFlat)) {
    gl.Begin(GL_TRIANGLE_FAN);
    cap(a_bottom, bottom_cap_, -1);
    gl.End();
  }
  if (inside) rci.GLStates->InvertFrontFace();
}

TVector4f TGLSphere::UnscaledHalfExtents() const {
  const float r = std::fabs(properties_.radius);
  return {r, r, r, 0};
}

bool TGLSphere::RayCastIntersect(const TVector4f& ray_start, const TVector4f& ray_vector,
                                 TVector4f* intersect_point, TVector4f* intersect_normal) {
  const TVector4f ls = WorldToLocal(ray_start);
  TVector4f lv = WorldToLocal(ray_vector);
  NormalizeVector3InPlace(lv);
  TVector4f i1{}, i2{};
  if (RaySphereHits(ls, lv, ZeroVector, properties_.radius, i1, i2) == 0) return false;
  if (intersect_point != nullptr) *intersect_point = LocalToWorld({i1[0], i1[1], i1[2], 1});
  if (intersect_normal != nullptr) *intersect_normal = LocalToWorld({i1[0], i1[1], i1[2], 0});
  return true;
}

std::unique_ptr<TGLSilhouette> TGLSphere::GenerateSilhouette(const TSilhouetteQuery& query) {
  const int n = std::max(properties_.stacks, properties_.slices);
  const float step = 2 * std::numbers::pi_v<float> / static_cast<float>(n);
  const TAffineVector& e = query.Eye;
  TAffineVector c0 = AffineCross(e, UnitVectorX);
  if (AffineLength(c0) < 0.001f) c0 = AffineCross(e, UnitVectorY);
  TAffineVector c1 = AffineCross(e, c0);
  NormalizeAffine(c0);
  NormalizeAffine(c1);
  auto silhouette = std::make_unique<TGLSilhouette>();
  for (int i = 0; i < n; ++i) {
    const float s = std::sin(static_cast<float>(i) * step), c = std::cos(static_cast<float>(i) * step);
    silhouette->Vertices().Add({c * properties_.radius * c0[0] + s * properties_.radius * c1[0], c * properties_.radius * c0[1] + s * properties_.radius * c1[1],
                                c * properties_.radius * c0[2] + s * properties_.radius * c1[2], 1});
    silhouette->Indices().Add(i);
    silhouette->Indices().Add((i + 1) % n);
    if (query.Capping) {
      silhouette->CapIndices().Add(n);
      silhouette->CapIndices().Add(i);
      silhouette->CapIndices().Add((i + 1) % n);
    }
  }
  if (query.Capping) silhouette->Vertices().Add({0, 0, 0, 1});
  return silhouette;
}

namespace {

constexpr TIdentNames<3> kNormalSmoothing{"nsFlat", "nsSmooth", "nsNone"};
constexpr TIdentNames<3> kCapType{"ctNone", "ctCenter", "ctFlat"};

}  // namespace

void TGLQuadricObject::WriteProperties(TPropertyWriter& w) const {
  TGLStageObject::WriteProperties(w);
  if (Normals() != nsSmooth) w.Enum("Normals", kNormalSmoothing, Normals());
  if (NormalDirection() != ndOutside) w.Enum("NormalDirection", kNormalDirectionNames, NormalDirection());
}

bool TGLQuadricObject::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Normals") {
    SetNormals(AsEnum<TNormalSmoothing>(kNormalSmoothing, v));
  } else if (name == "NormalDirection") {
    SetNormalDirection(AsEnum<TNormalDirection>(kNormalDirectionNames, v));
  } else {
    return TGLStageObject::ReadProperty(name, v);
  }
  return true;
}

void TGLSphere::WriteProperties(TPropertyWriter& w) const {
  TGLQuadricObject::WriteProperties(w);
  if (Bottom() != -90) w.Integer("Bottom", Bottom());
  if (BottomCap() != ctNone) w.Enum("BottomCap", kCapType, BottomCap());
  w.Single("Radius", Radius());
  if (Slices() != 16) w.Integer("Slices", Slices());
  if (Stacks() != 16) w.Integer("Stacks", Stacks());
  if (Start() != 0) w.Integer("Start", Start());
  if (Stop() != 360) w.Integer("Stop", Stop());
  if (Top() != 90) w.Integer("Top", Top());
  if (TopCap() != ctNone) w.Enum("TopCap", kCapType, TopCap());
}

bool TGLSphere::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Bottom") {
    SetBottom(static_cast<std::int8_t>(AsInteger(v)));
  } else if (name == "BottomCap") {
    SetBottomCap(AsEnum<TCapType>(kCapType, v));
  } else if (name == "Radius") {
    SetRadius(AsSingle(v));
  } else if (name == "Slices") {
    SetSlices(AsInteger(v));
  } else if (name == "Stacks") {
    SetStacks(AsInteger(v));
  } else if (name == "Start") {
    SetStart(static_cast<std::uint16_t>(AsInteger(v)));
  } else if (name == "Stop") {
    SetStop(static_cast<std::uint16_t>(AsInteger(v)));
  } else if (name == "Top") {
    SetTop(static_cast<std::int8_t>(AsInteger(v)));
  } else if (name == "TopCap") {
    SetTopCap(AsEnum<TCapType>(kCapType, v));
  } else {
    return TGLQuadricObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
