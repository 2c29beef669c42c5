#include "scene/objects/cube.h"

#include <array>
#include <cmath>

#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"
#include "scene/base/property_stream.h"
#include "scene/base/silhouette.h"
#include "scene/base/vector_geometry.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/texture_coordinates.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLCube);

namespace {

struct TFace {
  TCubePart part;
  TAffineVector normal;  // for ndOutside
  std::array<TTexPoint, 4> tex;
  std::array<TAffineVector, 4> corner;  // signs of the half sizes
};

// Every face counter-clockwise seen from outside, in drawing order.
constexpr std::array<TFace, 6> kFaces{{
    {cpFront, {0, 0, 1}, {{{1, 1}, {0, 1}, {0, 0}, {1, 0}}}, {{{1, 1, 1}, {-1, 1, 1}, {-1, -1, 1}, {1, -1, 1}}}},
    {cpBack, {0, 0, -1}, {{{0, 1}, {0, 0}, {1, 0}, {1, 1}}}, {{{1, 1, -1}, {1, -1, -1}, {-1, -1, -1}, {-1, 1, -1}}}},
    {cpLeft, {-1, 0, 0}, {{{1, 1}, {0, 1}, {0, 0}, {1, 0}}}, {{{-1, 1, 1}, {-1, 1, -1}, {-1, -1, -1}, {-1, -1, 1}}}},
    {cpRight, {1, 0, 0}, {{{0, 1}, {0, 0}, {1, 0}, {1, 1}}}, {{{1, 1, 1}, {1, -1, 1}, {1, -1, -1}, {1, 1, -1}}}},
    {cpTop, {0, 1, 0}, {{{0, 1}, {0, 0}, {1, 0}, {1, 1}}}, {{{-1, 1, -1}, {-1, 1, 1}, {1, 1, 1}, {1, 1, -1}}}},
    {cpBottom, {0, -1, 0}, {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}}, {{{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}}}},
}};

}  // namespace

TGLCube::TGLCube() {
  SetObjectStyle(ObjectStyle() | osDirectDraw);
}

void TGLCube::SetCubeWidth(float value) { SetProperty(properties_.cube_width, value, StructureChangeOf(this)); }
void TGLCube::SetCubeHeight(float value) { SetProperty(properties_.cube_height, value, StructureChangeOf(this)); }
void TGLCube::SetCubeDepth(float value) { SetProperty(properties_.cube_depth, value, StructureChangeOf(this)); }
void TGLCube::SetParts(TCubeParts value) { SetProperty(properties_.parts, value, StructureChangeOf(this)); }
void TGLCube::SetNormalDirection(TNormalDirection value) { SetProperty(properties_.normal_direction, value, StructureChangeOf(this)); }

bool TGLCube::StoresCubeSize() const {
  return !(properties_.cube_width == 1 && properties_.cube_height == 1 && properties_.cube_depth == 1);
}

void TGLCube::WriteCubeSize(TStream& stream) const {
  const float values[3] = {properties_.cube_width, properties_.cube_height, properties_.cube_depth};
  stream.WriteBuffer(values, sizeof(values));
}

void TGLCube::ReadCubeSize(TStream& stream) {
  float values[3];
  stream.ReadBuffer(values, sizeof(values));
  properties_.cube_width = values[0];
  properties_.cube_height = values[1];
  properties_.cube_depth = values[2];
}

void TGLCube::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLCube*>(source)) properties_ = other->properties_;
  TGLStageObject::Assign(source);
}

void TGLCube::BuildList(TRenderContextInfo&) {
  const TAffineVector half{properties_.cube_width * 0.5f, properties_.cube_height * 0.5f, properties_.cube_depth * 0.5f};
  const float nd = properties_.normal_direction == ndOutside ? 1.0f : -1.0f;
  gl.Begin(GL_QUADS);
  for (const TFace& face : kFaces) {
    if ((properties_.parts & face.part) == 0) continue;
    // + 0 turns the -0 of a flipped zero component into 0.
    gl.Normal3f(face.normal[0] * nd + 0.0f, face.normal[1] * nd + 0.0f, face.normal[2] * nd + 0.0f);
    for (int i = 0; i < 4; ++i) {
      RoutedTexCoord2fv(face.tex[i].data());
      gl.Vertex3f(face.corner[i][0] * half[0], face.corner[i][1] * half[1], face.corner[i][2] * half[2]);
    }
  }
  gl.End();
}

TVector4f TGLCube::UnscaledHalfExtents() const {
  return {properties_.cube_width * 0.5f, properties_.cube_height * 0.5f, properties_.cube_depth * 0.5f, 0};
}

bool TGLCube::RayCastIntersect(const TVector4f& ray_start, const TVector4f& ray_vector,
                               TVector4f* intersect_point, TVector4f* intersect_normal) {
  const TVector4f rs4 = WorldToLocal(ray_start);
  TVector4f rv4 = WorldToLocal(ray_vector);
  NormalizeVector3InPlace(rv4);
  const TAffineVector rs{rs4[0], rs4[1], rs4[2]};
  const TAffineVector rv{rv4[0], rv4[1], rv4[2]};
  const TAffineVector size{properties_.cube_width, properties_.cube_height, properties_.cube_depth};
  const TAffineVector e{0.5001f * size[0], 0.5001f * size[1], 0.5001f * size[2]};
  static constexpr TAffineVector kNormals[6] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {-1, 0, 0}, {0, -1, 0}, {0, 0, -1}};
  for (int i = 0; i < 6; ++i) {
    const TAffineVector& n = kNormals[i];
    const float n_dot_v = AffineDot(n, rv);
    if (!(n_dot_v > 0)) continue;
    const float t = -(AffineDot(n, rs) + 0.5f * size[i % 3]) / n_dot_v;
    const TAffineVector p{rs[0] + t * rv[0], rs[1] + t * rv[1], rs[2] + t * rv[2]};
    if (std::fabs(p[0]) <= e[0] && std::fabs(p[1]) <= e[1] && std::fabs(p[2]) <= e[2] &&
        AffineDot(SubtractAffine(p, rs), rv) > 0) {
      if (intersect_point != nullptr) *intersect_point = LocalToWorld({p[0], p[1], p[2], 1});
      if (intersect_normal != nullptr) *intersect_normal = LocalToWorld({-n[0], -n[1], -n[2], 0});
      return true;
    }
  }
  return false;
}

std::unique_ptr<TGLSilhouette> TGLCube::GenerateSilhouette(const TSilhouetteQuery& query) {
  const TAffineVector half{properties_.cube_width * 0.5f, properties_.cube_height * 0.5f, properties_.cube_depth * 0.5f};
  TConnectivity connectivity(true);
  for (const TFace& face : kFaces) {
    if ((properties_.parts & face.part) == 0) continue;
    std::array<TAffineVector, 4> p;
    for (int i = 0; i < 4; ++i) {
      p[i] = {face.corner[i][0] * half[0], face.corner[i][1] * half[1], face.corner[i][2] * half[2]};
    }
    connectivity.AddQuadByPoints(p[0], p[1], p[2], p[3]);
  }
  std::unique_ptr<TGLSilhouette> silhouette;
  connectivity.CreateSilhouette(query, silhouette, false);
  return silhouette;
}

namespace {
constexpr TIdentNames<6> kCubeParts{"cpTop", "cpBottom", "cpFront", "cpBack", "cpLeft", "cpRight"};
}  // namespace

void TGLCube::WriteProperties(TPropertyWriter& w) const {
  TGLStageObject::WriteProperties(w);
  // The binary "CubeSize" first, then the published properties.
  if (StoresCubeSize()) w.Binary("CubeSize", [this](TStream& s) { WriteCubeSize(s); });
  if (NormalDirection() != ndOutside) w.Enum("NormalDirection", kNormalDirectionNames, NormalDirection());
  if (Parts() != kAllCubeParts) w.SetOf("Parts", kCubeParts, Parts());
}

bool TGLCube::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "CubeSize") {
    TMemoryStream s = AsBinary(v, 12);
    ReadCubeSize(s);
  } else if (name == "NormalDirection") {
    SetNormalDirection(AsEnum<TNormalDirection>(kNormalDirectionNames, v));
  } else if (name == "Parts") {
    SetParts(static_cast<TCubeParts>(SetBits(kCubeParts, v)));
  } else {
    return TGLStageObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
