#include "scene/objects/frustrum.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"

#include <cmath>

#include "scene/gl/opengl_binding.h"
#include "scene/gl/texture_coordinates.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLFrustrum);

namespace {

bool Has(TFrustrumParts parts, TFrustrumPart part) {
  return (parts & (1u << part)) != 0;
}

}  // namespace

void TGLFrustrum::SetApexHeight(float value) {
  if (value < 0) return;
  SetProperty(apex_height_, value, [this, value] {
    if (height_ > value) height_ = value;
    MarkStructureDirty();
  });
}

void TGLFrustrum::SetHeight(float value) {
  if (value < 0) return;
  SetProperty(height_, value, [this, value] {
    if (apex_height_ < value) apex_height_ = value;
    MarkStructureDirty();
  });
}

void TGLFrustrum::SetBaseDepth(float value) {
  if (value < 0) return;
  SetProperty(base_depth_, value, StructureChangeOf(this));
}

void TGLFrustrum::SetBaseWidth(float value) {
  if (value < 0) return;
  SetProperty(base_width_, value, StructureChangeOf(this));
}

void TGLFrustrum::SetParts(TFrustrumParts value) {
  SetProperty(parts_, value, StructureChangeOf(this));
}

void TGLFrustrum::SetNormalDirection(TNormalDirection value) {
  SetProperty(normal_direction_, value, StructureChangeOf(this));
}

bool TGLFrustrum::StoresFrustrumSize() const {
  return apex_height_ != 1 || base_depth_ != 1 || base_width_ != 1 || height_ != 0.5f;
}

void TGLFrustrum::WriteFrustrumSize(TStream& stream) const {
  const float values[4] = {apex_height_, base_depth_, base_width_, height_};
  stream.WriteBuffer(values, sizeof(values));
}

void TGLFrustrum::ReadFrustrumSize(TStream& stream) {
  float values[4];
  stream.ReadBuffer(values, sizeof(values));
  apex_height_ = values[0];
  base_depth_ = values[1];
  base_width_ = values[2];
  height_ = values[3];
}

void TGLFrustrum::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLFrustrum*>(source)) {
    apex_height_ = other->apex_height_;
    base_depth_ = other->base_depth_;
    base_width_ = other->base_width_;
    height_ = other->height_;
    parts_ = other->parts_;
    normal_direction_ = other->normal_direction_;
  }
  TGLStageObject::Assign(source);
}

TVector4f TGLFrustrum::UnscaledHalfExtents() const {
  return {base_width_ / 2, height_ / 2, base_depth_ / 2, 0};
}

void TGLFrustrum::BuildList(TRenderContextInfo& /*rci*/) {
  const float sign = normal_direction_ == ndInside ? -1.0f : 1.0f;
  const float hw = base_width_ / 2, hd = base_depth_ / 2, h = height_;
  // A flat frustum (apex at the base) has no sides and no top: only its base remains to draw.
  const bool flat = apex_height_ == 0;
  const float tw = flat ? 0 : (apex_height_ - h) * hw / apex_height_;
  const float td = flat ? 0 : (apex_height_ - h) * hd / apex_height_;
  auto vertex = [](float x, float y, float z, float s, float t) {
    const float st[2] = {s, t};
    RoutedTexCoord2fv(st);
    gl.Vertex3f(x, y, z);
  };
  gl.Begin(GL_QUADS);
  if (!flat && (Has(parts_, fpFront) || Has(parts_, fpBack))) {
    const float a = std::atan(apex_height_ / hd);
    const float sa = std::sin(a), ca = std::cos(a);
    if (Has(parts_, fpFront)) {
      gl.Normal3f(0, sign * ca, sign * sa);
      vertex(tw, h, td, 1, 1);
      vertex(-tw, h, td, 0, 1);
      vertex(-hw, 0, hd, 0, 0);
      vertex(hw, 0, hd, 1, 0);
    }
    if (Has(parts_, fpBack)) {
      gl.Normal3f(0, sign * ca, -sign * sa);
      vertex(tw, h, -td, 0, 1);
      vertex(hw, 0, -hd, 0, 0);
      vertex(-hw, 0, -hd, 1, 0);
      vertex(-tw, h, -td, 1, 1);
    }
  }
  if (!flat && (Has(parts_, fpLeft) || Has(parts_, fpRight))) {
    const float a = std::atan(apex_height_ / hw);
    const float sa = std::sin(a), ca = std::cos(a);
    if (Has(parts_, fpLeft)) {
      gl.Normal3f(-sign * sa, sign * ca, 0);
      vertex(-tw, h, td, 1, 1);
      vertex(-tw, h, -td, 0, 1);
      vertex(-hw, 0, -hd, 0, 0);
      vertex(-hw, 0, hd, 1, 0);
    }
    if (Has(parts_, fpRight)) {
      gl.Normal3f(sign * sa, sign * ca, 0);
      vertex(tw, h, td, 0, 1);
      vertex(hw, 0, hd, 0, 0);
      vertex(hw, 0, -hd, 1, 0);
      vertex(tw, h, -td, 1, 1);
    }
  }
  if (Has(parts_, fpTop) && h < apex_height_) {
    gl.Normal3f(0, sign, 0);
    vertex(-tw, h, -td, 0, 1);
    vertex(-tw, h, td, 0, 0);
    vertex(tw, h, td, 1, 0);
    vertex(tw, h, -td, 1, 1);
  }
  if (Has(parts_, fpBottom)) {
    gl.Normal3f(0, -sign, 0);
    vertex(-hw, 0, -hd, 0, 0);
    vertex(hw, 0, -hd, 1, 0);
    vertex(hw, 0, hd, 1, 1);
    vertex(-hw, 0, hd, 0, 1);
  }
  gl.End();
}

namespace {

constexpr TIdentNames<6> kFrustrumPartNames{"fpTop", "fpBottom", "fpFront", "fpBack", "fpLeft", "fpRight"};

}  // namespace

// The four sizes only as the binary "FrustrumSize", first.
void TGLFrustrum::WriteProperties(TPropertyWriter& w) const {
  TGLStageObject::WriteProperties(w);
  if (StoresFrustrumSize()) w.Binary("FrustrumSize", [this](TStream& s) { WriteFrustrumSize(s); });
  if (parts_ != kAllFrustrumParts) w.SetOf("Parts", kFrustrumPartNames, parts_);
  if (normal_direction_ != ndOutside) w.Enum("NormalDirection", kNormalDirectionNames, normal_direction_);
}

bool TGLFrustrum::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "FrustrumSize") {
    TMemoryStream s = AsBinary(v, 16);
    ReadFrustrumSize(s);
  } else if (name == "Parts") {
    SetParts(static_cast<TFrustrumParts>(SetBits(kFrustrumPartNames, v)));
  } else if (name == "NormalDirection") {
    SetNormalDirection(AsEnum<TNormalDirection>(kNormalDirectionNames, v));
  } else {
    return TGLStageObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
