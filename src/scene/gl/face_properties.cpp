#include "scene/gl/face_properties.h"

#include "platform/exception.h"
#include "scene/base/property_setter.h"
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
  if (value == shininess_) return;
  shininess_ = static_cast<TShininess>(value);
  NotifyChange(this);
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

}  // namespace zentrova
