#include "scene/objects/sprite.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"
#include "scene/base/property_stream.h"
#include "scene/base/scene_errors.h"
#include "scene/gl/gl_state_scope.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/state_cache.h"
#include "scene/gl/texture_coordinates.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLSprite);

TGLSprite::TGLSprite() {
  SetObjectStyle(ObjectStyle() | osDirectDraw | osNoVisibilityCulling);
}

void TGLSprite::SetWidth(float value) { SetProperty(properties_.width, value, NotifyChangeOf(this)); }
void TGLSprite::SetHeight(float value) { SetProperty(properties_.height, value, NotifyChangeOf(this)); }
void TGLSprite::SetRotation(float value) { SetProperty(properties_.rotation, value, NotifyChangeOf(this)); }
void TGLSprite::SetAlphaChannel(float value) {
  SetProperty(properties_.alpha_channel, std::clamp(value, 0.0f, 1.0f), NotifyChangeOf(this));
}

void TGLSprite::SetNoZWrite(bool value) {
  properties_.no_z_write = value;
  NotifyChange(this);
}

void TGLSprite::SetMirrorU(bool value) {
  mirror_u_ = value;
  NotifyChange(this);
}

void TGLSprite::SetMirrorV(bool value) {
  mirror_v_ = value;
  NotifyChange(this);
}

void TGLSprite::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLSprite*>(source)) properties_ = other->properties_;
  TGLStageObject::Assign(source);
}

TVector4f TGLSprite::UnscaledHalfExtents() const {
  return {std::fabs(properties_.width) * 0.5f, std::fabs(properties_.height) * 0.5f, std::fabs(properties_.width) * 0.5f, 0};
}

void TGLSprite::BuildList(TRenderContextInfo& rci) {
  if (properties_.alpha_channel != 1) {
    SceneAssert(rci.GLStates != nullptr, "TGLSprite.BuildList: no state cache");
    rci.GLStates->SetMaterialAlpha(GL_FRONT, properties_.alpha_channel);
  }
  if (properties_.no_z_write) gl.DepthMask(GL_FALSE);
  // Column-major as OpenGL returns it: the rows of the view's axes in object coordinates.
  float m[16] = {};
  gl.GetFloatv(GL_MODELVIEW_MATRIX, m);
  float vx[3] = {m[0], m[4], m[8]};
  float vy[3] = {m[1], m[5], m[9]};
  const float lx = std::sqrt(vx[0] * vx[0] + vx[1] * vx[1] + vx[2] * vx[2]);
  const float ly = std::sqrt(vy[0] * vy[0] + vy[1] * vy[1] + vy[2] * vy[2]);
  for (int i = 0; i < 3; ++i) {
    vx[i] = lx != 0 ? vx[i] * (properties_.width * 0.5f) / lx : 0;
    vy[i] = ly != 0 ? vy[i] * (properties_.height * 0.5f) / ly : 0;
  }
  const float s0 = mirror_u_ ? 1.0f : 0.0f, s1 = 1 - s0;
  const float t0 = mirror_v_ ? 1.0f : 0.0f, t1 = 1 - t0;
  std::optional<TGLMatrixScope> rotated;
  if (properties_.rotation != 0) {
    rotated.emplace();
    gl.Rotatef(properties_.rotation, m[2], m[6], m[10]);
  }
  gl.Begin(GL_QUADS);
  RoutedTexCoord2f(s1, t1);
  gl.Vertex3f(vx[0] + vy[0], vx[1] + vy[1], vx[2] + vy[2]);
  RoutedTexCoord2f(s0, t1);
  gl.Vertex3f(-vx[0] + vy[0], -vx[1] + vy[1], -vx[2] + vy[2]);
  RoutedTexCoord2f(s0, t0);
  gl.Vertex3f(-vx[0] - vy[0], -vx[1] - vy[1], -vx[2] - vy[2]);
  RoutedTexCoord2f(s1, t0);
  gl.Vertex3f(vx[0] - vy[0], vx[1] - vy[1], vx[2] - vy[2]);
  gl.End();
  rotated.reset();
  if (properties_.no_z_write) gl.DepthMask(GL_TRUE);
}

void TGLSprite::WriteProperties(TPropertyWriter& w) const {
  TGLStageObject::WriteProperties(w);
  w.Single("Width", Width());
  w.Single("Height", Height());
  w.Single("Rotation", Rotation());
  if (AlphaChannel() != 1) w.Single("AlphaChannel", AlphaChannel());
  w.Boolean("NoZWrite", NoZWrite());
  w.Boolean("MirrorU", MirrorU());
  w.Boolean("MirrorV", MirrorV());
}

bool TGLSprite::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Width") {
    SetWidth(AsSingle(v));
  } else if (name == "Height") {
    SetHeight(AsSingle(v));
  } else if (name == "Rotation") {
    SetRotation(AsSingle(v));
  } else if (name == "AlphaChannel") {
    SetAlphaChannel(AsSingle(v));
  } else if (name == "NoZWrite") {
    SetNoZWrite(AsBoolean(v));
  } else if (name == "MirrorU") {
    SetMirrorU(AsBoolean(v));
  } else if (name == "MirrorV") {
    SetMirrorV(AsBoolean(v));
  } else {
    return TGLStageObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
