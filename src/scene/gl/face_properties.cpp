#include "scene/gl/face_properties.h"

#include "platform/exception.h"
#include "scene/base/property_setter.h"
#include "scene/base/property_stream.h"
#include "scene/base/scene_errors.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/state_cache.h"

namespace zentrova {

GLenum GLPolygonMode(TPolygonMode mode) {
  switch (mode) {
    case pmFill:
      return GL_FILL;
    case pmLines:
      return GL_LINE;
    case pmPoints:
      return GL_POINT;
  }
  throw ERangeError(kRangeCheckError);
}

TGLFaceProperties::TGLFaceProperties(TPersistent* owner)
    : TGLUpdateAbleObject(owner),
      ambient_(this, clrGray20),
      diffuse_(this, clrGray80),
      specular_(this, clrBlack),
      emission_(this, clrBlack) {}

void TGLFaceProperties::SetAmbient(const TGLColor& color) {
  ambient_.SetColorSilently(color.Color());
  NotifyChange(this);
}

void TGLFaceProperties::SetDiffuse(const TGLColor& color) {
  diffuse_.SetColorSilently(color.Color());
  NotifyChange(this);
}

void TGLFaceProperties::SetEmission(const TGLColor& color) {
  emission_.SetColorSilently(color.Color());
  NotifyChange(this);
}

void TGLFaceProperties::SetSpecular(const TGLColor& color) {
  specular_.SetColorSilently(color.Color());
  NotifyChange(this);
}

void TGLFaceProperties::SetPolygonMode(TPolygonMode mode) {
  SetProperty(polygon_mode_, mode, NotifyChangeOf(this));
}

void TGLFaceProperties::SetShininess(int value) {
  if (value < 0 || value > kMaxShininess) throw ERangeError(kRangeCheckError);
  SetProperty(shininess_, static_cast<TShininess>(value), NotifyChangeOf(this));
}

void TGLFaceProperties::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TGLFaceProperties*>(source);
  if (other == nullptr) return;
  ambient_.SetColorSilently(other->ambient_.Color());
  diffuse_.SetColorSilently(other->diffuse_.Color());
  specular_.SetColorSilently(other->specular_.Color());
  shininess_ = other->shininess_;
  polygon_mode_ = other->polygon_mode_;
  emission_.SetColorSilently(other->emission_.Color());
  NotifyChange(this);
}

void TGLFaceProperties::Apply(TGLStateCache& states, GLenum face) const {
  states.SetMaterialColors(face, emission_.Color(), ambient_.Color(), diffuse_.Color(), specular_.Color(),
                           shininess_);
  states.SetPolygonMode(face, GLPolygonMode(polygon_mode_));
}

void TGLFaceProperties::ApplyNoLighting(TGLStateCache& states, GLenum face) const {
  gl.Color4fv(diffuse_.VectorAddress());
  states.SetPolygonMode(face, GLPolygonMode(polygon_mode_));
}

namespace {
constexpr TIdentNames<3> kPolygonMode{"pmFill", "pmLines", "pmPoints"};
}  // namespace

void TGLFaceProperties::WriteProperties(TPropertyWriter& w) const {
  TGLUpdateAbleObject::WriteProperties(w);
  if (ambient_.StoresColor()) w.Data("Ambient.Color", ambient_);
  if (diffuse_.StoresColor()) w.Data("Diffuse.Color", diffuse_);
  if (emission_.StoresColor()) w.Data("Emission.Color", emission_);
  if (polygon_mode_ != pmFill) w.Enum("PolygonMode", kPolygonMode, polygon_mode_);
  if (shininess_ != 0) w.Integer("Shininess", shininess_);
  if (specular_.StoresColor()) w.Data("Specular.Color", specular_);
}

bool TGLFaceProperties::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Ambient.Color") {
    ReadData(ambient_, v, 16);
  } else if (name == "Diffuse.Color") {
    ReadData(diffuse_, v, 16);
  } else if (name == "Emission.Color") {
    ReadData(emission_, v, 16);
  } else if (name == "PolygonMode") {
    SetPolygonMode(AsEnum<TPolygonMode>(kPolygonMode, v));
  } else if (name == "Shininess") {
    SetShininess(AsInteger(v));
  } else if (name == "Specular.Color") {
    ReadData(specular_, v, 16);
  } else {
    return TGLUpdateAbleObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
