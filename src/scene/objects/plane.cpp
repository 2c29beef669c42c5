#include "scene/objects/plane.h"

#include <algorithm>
#include <cmath>

#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"
#include "scene/base/property_stream.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/texture_coordinates.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLPlane);

TGLPlane::TGLPlane() {
  SetObjectStyle(ObjectStyle() | osDirectDraw);
}

void TGLPlane::SetXOffset(float value) { SetProperty(x_offset_, value, StructureChangeOf(this)); }
void TGLPlane::SetYOffset(float value) { SetProperty(y_offset_, value, StructureChangeOf(this)); }
void TGLPlane::SetWidth(float value) { SetProperty(width_, value, StructureChangeOf(this)); }
void TGLPlane::SetHeight(float value) { SetProperty(height_, value, StructureChangeOf(this)); }
void TGLPlane::SetXTiles(std::uint32_t value) { SetProperty(x_tiles_, value, StructureChangeOf(this)); }
void TGLPlane::SetYTiles(std::uint32_t value) { SetProperty(y_tiles_, value, StructureChangeOf(this)); }
void TGLPlane::SetStyle(TPlaneStyles value) { SetProperty(style_, value, StructureChangeOf(this)); }

void TGLPlane::SetXScope(float value) {
  SetProperty(x_scope_, std::min(value, 1.0f), StructureChangeOf(this));
}

void TGLPlane::SetYScope(float value) {
  SetProperty(y_scope_, std::min(value, 1.0f), StructureChangeOf(this));
}

void TGLPlane::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLPlane*>(source)) {
    width_ = other->width_;
    height_ = other->height_;
  }
  TGLStageObject::Assign(source);
}

void TGLPlane::BuildList(TRenderContextInfo&) {
  const float hw = width_ * 0.5f;
  const float hh = height_ * 0.5f;
  const float normal[3] = {0, 0, 1};
  gl.Normal3fv(normal);
  float tx0 = 0, ty0 = 0, tx1 = x_scope_, ty1 = y_scope_;
  if ((style_ & psTileTexture) != 0) {
    tx0 = x_offset_;
    tx1 = static_cast<float>(x_tiles_) * x_scope_ + x_offset_;
    ty0 = y_offset_;
    ty1 = static_cast<float>(y_tiles_) * y_scope_ + y_offset_;
  }
  if (NoZWrite) gl.DepthMask(GL_FALSE);
  if ((style_ & psSingleQuad) != 0) {
    gl.Begin(GL_QUADS);
    RoutedTexCoord2f(tx1, ty1);
    gl.Vertex2f(hw, hh);
    RoutedTexCoord2f(tx0, ty1);
    gl.Vertex2f(-hw, hh);
    RoutedTexCoord2f(tx0, ty0);
    gl.Vertex2f(-hw, -hh);
    RoutedTexCoord2f(tx1, ty0);
    gl.Vertex2f(hw, -hh);
    gl.End();
  } else if (x_tiles_ > 0 && y_tiles_ > 0) {
    // Mended: without tiles the strips would divide by zero; the strip form then draws nothing.
    const float tiles_x = static_cast<float>(x_tiles_), tiles_y = static_cast<float>(y_tiles_);
    const float tex_s_fact = (tx1 - tx0) / tiles_x;
    const float tex_t_fact = (ty1 - ty0) / tiles_y;
    const float pos_x_fact = width_ / tiles_x;
    const float pos_y_fact = height_ / tiles_y;
    float t0 = ty0;
    float p_y0 = -hh;
    for (std::uint32_t y = 0; y < y_tiles_; ++y) {
      const float t1 = ty0 + static_cast<float>(y + 1) * tex_t_fact;
      const float p_y1 = static_cast<float>(y + 1) * pos_y_fact - hh;
      gl.Begin(GL_TRIANGLE_STRIP);
      for (std::uint32_t x = 0; x <= x_tiles_; ++x) {
        const float s = tx0 + static_cast<float>(x) * tex_s_fact;
        const float p_x = static_cast<float>(x) * pos_x_fact - hw;
        RoutedTexCoord2f(s, t1);
        gl.Vertex2f(p_x, p_y1);
        RoutedTexCoord2f(s, t0);
        gl.Vertex2f(p_x, p_y0);
      }
      gl.End();
      t0 = t1;
      p_y0 = p_y1;
    }
  }
  if (NoZWrite) gl.DepthMask(GL_TRUE);
}

TVector4f TGLPlane::UnscaledHalfExtents() const {
  return {std::fabs(width_) * 0.5f, std::fabs(height_) * 0.5f, 0, 0};
}

bool TGLPlane::RayCastIntersect(const TVector4f& ray_start, const TVector4f& ray_vector,
                                TVector4f* intersect_point, TVector4f* intersect_normal) {
  const TVector4f ls = WorldToLocal(ray_start);
  const TVector4f lv = WorldToLocal(ray_vector);
  const bool front = ls[2] >= 0;
  if (front ? !(lv[2] < 0) : !(lv[2] > 0)) return false;
  const float t = ls[2] / lv[2];
  const float ix = ls[0] - t * lv[0];
  const float iy = ls[1] - t * lv[1];
  if (!(std::fabs(ix) <= 0.5f * width_ && std::fabs(iy) <= 0.5f * height_)) return false;
  if (intersect_normal != nullptr) {
    TVector4f n = AbsoluteZAxis();
    const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (length > 0) {
      for (int i = 0; i < 3; ++i) n[i] /= length;
    }
    n[3] = 0;
    if (!front) {
      for (int i = 0; i < 3; ++i) n[i] = -n[i];
    }
    *intersect_normal = n;
  }
  if (intersect_point != nullptr) *intersect_point = LocalToWorld({ix, iy, 0, 1});
  return true;
}

std::unique_ptr<TGLSilhouette> TGLPlane::GenerateSilhouette(const TSilhouetteQuery& query) {
  const float hw = width_ * 0.5f;
  const float hh = height_ * 0.5f;
  auto silhouette = std::make_unique<TGLSilhouette>();
  silhouette->Vertices().Add({hw, hh, 0, 1});
  silhouette->Vertices().Add({hw, -hh, 0, 1});
  silhouette->Vertices().Add({-hw, -hh, 0, 1});
  silhouette->Vertices().Add({-hw, hh, 0, 1});
  for (int i = 0; i < 4; ++i) {
    silhouette->Indices().Add(i);
    silhouette->Indices().Add((i + 1) % 4);
  }
  if (query.Capping) {
    for (int i : {0, 1, 2, 2, 3, 0}) silhouette->CapIndices().Add(i);
  }
  return silhouette;
}

namespace {
constexpr TIdentNames<2> kPlaneStyle{"psSingleQuad", "psTileTexture"};
}  // namespace

void TGLPlane::WriteProperties(TPropertyWriter& w) const {
  TGLStageObject::WriteProperties(w);
  w.Single("Height", Height());
  w.Single("Width", Width());
  w.Single("XOffset", XOffset());
  if (XScope() != 1) w.Single("XScope", XScope());
  if (XTiles() != 1) w.Integer("XTiles", static_cast<std::int32_t>(XTiles()));
  w.Single("YOffset", YOffset());
  if (YScope() != 1) w.Single("YScope", YScope());
  if (YTiles() != 1) w.Integer("YTiles", static_cast<std::int32_t>(YTiles()));
  if (Style() != (psSingleQuad | psTileTexture)) w.SetOf("Style", kPlaneStyle, Style());
  w.Boolean("NoZWrite", NoZWrite);
}

bool TGLPlane::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Height") {
    SetHeight(AsSingle(v));
  } else if (name == "Width") {
    SetWidth(AsSingle(v));
  } else if (name == "XOffset") {
    SetXOffset(AsSingle(v));
  } else if (name == "XScope") {
    SetXScope(AsSingle(v));
  } else if (name == "XTiles") {
    SetXTiles(static_cast<std::uint32_t>(AsInteger(v)));
  } else if (name == "YOffset") {
    SetYOffset(AsSingle(v));
  } else if (name == "YScope") {
    SetYScope(AsSingle(v));
  } else if (name == "YTiles") {
    SetYTiles(static_cast<std::uint32_t>(AsInteger(v)));
  } else if (name == "Style") {
    SetStyle(static_cast<TPlaneStyles>(SetBits(kPlaneStyle, v)));
  } else if (name == "NoZWrite") {
    NoZWrite = AsBoolean(v);
  } else {
    return TGLStageObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
