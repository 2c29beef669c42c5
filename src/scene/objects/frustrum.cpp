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
  SetProperty(properties_.apex_height, value, [this, value] {
    if (properties_.height > value) properties_.height = value;
    MarkStructureDirty();
  });
}

void TGLFrustrum::SetHeight(float value) {
  if (value < 0) return;
  SetProperty(properties_.height, value, [this, value] {
    if (properties_.apex_height < value) properties_.apex_height = value;
    MarkStructureDirty();
  });
}

void TGLFrustrum::SetBaseDepth(float value) {
  if (value < 0) return;
  SetProperty(properties_.base_depth, value, StructureChangeOf(this));
}

void TGLFrustrum::SetBaseWidth(float value) {
  if (value < 0) return;
  SetProperty(properties_.base_width, value, StructureChangeOf(this));
}

void TGLFrustrum::SetParts(TFrustrumParts value) {
  SetProperty(properties_.parts, value, StructureChangeOf(this));
}

void TGLFrustrum::SetNormalDirection(TNormalDirection value) {
  SetProperty(properties_.normal_direction, value, StructureChangeOf(this));
}

bool TGLFrustrum::StoresFrustrumSize() const {
  return properties_.apex_height != 1 || properties_.base_depth != 1 || properties_.base_width != 1 || properties_.height != 0.5f;
}

void TGLFrustrum::WriteFrustrumSize(TStream& stream) const {
  const float values[4] = {properties_.apex_height, properties_.base_depth, properties_.base_width, properties_.height};
  stream.WriteBuffer(values, sizeof(values));
}

void TGLFrustrum::ReadFrustrumSize(TStream& stream) {
  float values[4];
  stream.ReadBuffer(values, sizeof(values));
  properties_.apex_height = values[0];
  properties_.base_depth = values[1];
  properties_.base_width = values[2];
  properties_.height = values[3];
}

void TGLFrustrum::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLFrustrum*>(source)) properties_ = other->properties_;
  TGLStageObject::Assign(source);
}

TVector4f TGLFrustrum::UnscaledHalfExtents() const {
  return {properties_.base_width / 2, properties_.height / 2, properties_.base_depth / 2, 0};
}

void TGLFrustrum::BuildList(TRenderContextInfo& /*rci*/) {
  const float sign = properties_.normal_direction == ndInside ? -1.0f : 1.0f;
  const float hw = properties_.base_width / 2, hd = properties_.base_depth / 2, h = properties_.height;
  // A flat frustum (apex at the base) has no sides and no top: only its base remains to draw.
  const bool flat = properties_.apex_height == 0;
  const float tw = flat ? 0 : (properties_.apex_height - h) * hw / properties_.apex_height;
  const float td = flat ? 0 : (properties_.apex_height - h) * hd / properties_.apex_height;
  auto vertex = [](float x, float y, float z, float s, float t) {
    const float st[2] = {s, t};
    RoutedTexCoord2fv(st);
    gl.Vertex3f(x, y, z);
  };
  gl.Begin(GL_QUADS);
  if (!flat && (Has(properties_.parts, fpFront) || Has(properties_.parts, fpBack))) {
    const float a = std::atan(properties_.apex_height / hd);
    const float sa = std::sin(a), ca = std::cos(a);
    if (Has(properties_.parts, fpFront)) {
      gl.Normal3f(0, sign * ca, sign * sa);
      vertex(tw, h, td, 1, 1);
      vertex(-tw, h, td, 0, 1);
      vertex(-hw, 0, hd, 0, 0);
      vertex(hw, 0, hd, 1, 0);
    }
    if (Has(properties_.parts, fpBack)) {
      gl.Normal3f(0, sign * ca, -sign * sa);
      vertex(tw, h, -td, 0, 1);
      vertex(hw, 0, -hd, 0, 0);
      vertex(-hw, 0, -hd, 1, 0);
      vertex(-tw, h, -td, 1, 1);
    }
  }
  if (!flat && (Has(properties_.parts, fpLeft) || Has(properties_.parts, fpRight))) {
    const float a = std::atan(properties_.apex_height / hw);
    const float sa = std::sin(a), ca = std::cos(a);
    if (Has(properties_.parts, fpLeft)) {
      gl.Normal3f(-sign * sa, sign * ca, 0);
      vertex(-tw, h, td, 1, 1);
      vertex(-tw, h, -td, 0, 1);
      vertex(-hw, 0, -hd, 0, 0);
      vertex(-hw, 0, hd, 1, 0);
    }
    if (Has(properties_.parts, fpRight)) {
      gl.Normal3f(sign * sa, sign * ca, 0);
      vertex(tw, h, td, 0, 1);
      vertex(hw, 0, hd, 0, 0);
      vertex(hw, 0, -hd, 1, 0);
      vertex(tw, h, -td, 1, 1);
    }
  }
  if (Has(properties_.parts, fpTop) && h < properties_.apex_height) {
    gl.Normal3f(0, sign, 0);
    vertex(-tw, h, -td, 0, 1);
    vertex(-tw, h, td, 0, 0);
    vertex(tw, h, td, 1, 0);
    vertex(tw, h, -td, 1, 1);
  }
  if (Has(properties_.parts, fpBottom)) {
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
  if (properties_.parts != kAllFrustrumParts) w.SetOf("Parts", kFrustrumPartNames, properties_.parts);
  if (properties_.normal_direction != ndOutside) w.Enum("NormalDirection", kNormalDirectionNames, properties_.normal_direction);
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
