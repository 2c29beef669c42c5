#include "scene/core/fog_environment.h"

#include <atomic>

#include "scene/base/property_setter.h"
#include "scene/base/property_stream.h"
#include "scene/base/scene_errors.h"
#include "scene/base/scope_exit.h"
#include "scene/core/stage_buffer.h"
#include "scene/gl/context.h"
#include "scene/gl/opengl_binding.h"

namespace zentrova {

namespace {

// The driver's own distance mode, read at the first application and sent for fdDefault from then on;
// 0 while unknown.
std::atomic<GLint> driver_fog_distance_mode{0};

}  // namespace

TGLFogEnvironment::TGLFogEnvironment(TGLStageBuffer* owner)
    : TGLUpdateAbleObject(owner), scene_buffer_(owner), fog_color_(this, clrBlack) {}

void TGLFogEnvironment::SetFogColor(const TGLColor& color) {
  if (color.Color() == fog_color_.Color()) return;
  fog_color_.SetColorSilently(color.Color());
  NotifyChange(this);
}

void TGLFogEnvironment::SetFogStart(float value) { SetProperty(properties_.fog_start, value, NotifyChangeOf(this)); }

void TGLFogEnvironment::SetFogEnd(float value) { SetProperty(properties_.fog_end, value, NotifyChangeOf(this)); }

void TGLFogEnvironment::SetFogMode(TFogMode value) { SetProperty(properties_.fog_mode, value, NotifyChangeOf(this)); }

void TGLFogEnvironment::SetFogDistance(TFogDistance value) {
  SetProperty(properties_.fog_distance, value, NotifyChangeOf(this));
}

void TGLFogEnvironment::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TGLFogEnvironment*>(source);
  if (other == nullptr) {
    TGLUpdateAbleObject::Assign(source);
    return;
  }
  fog_color_.SetColorSilently(other->fog_color_.Color());
  properties_ = other->properties_;
  NotifyChange(this);
}

bool TGLFogEnvironment::IsAtDefaultValues() const {
  return fog_color_.Color() == clrBlack && properties_.fog_start == 10 && properties_.fog_end == 1000 && properties_.fog_mode == fmLinear &&
         properties_.fog_distance == fdDefault;
}

void TGLFogEnvironment::Apply() {
  // Into the context that is current: a bitmap render draws into a context of its own, which the
  // buffer's must not push out of the seat. Only without one is the buffer's made current for the call.
  TGLContext* context = ActiveContext() == nullptr && scene_buffer_ != nullptr ? scene_buffer_->RenderingContext()
                                                                                 : nullptr;
  if (ActiveContext() == nullptr && context == nullptr) return;
  if (context != nullptr) context->Activate();
  const TScopeExit deactivate([context] {
    if (context != nullptr) context->Deactivate();
  });
  switch (properties_.fog_mode) {
    case fmLinear:
      gl.Fogi(GL_FOG_MODE, GL_LINEAR);
      break;
    case fmExp:
      gl.Fogi(GL_FOG_MODE, GL_EXP);
      gl.Fogf(GL_FOG_DENSITY, fog_color_.Alpha());
      break;
    case fmExp2:
      gl.Fogi(GL_FOG_MODE, GL_EXP2);
      gl.Fogf(GL_FOG_DENSITY, fog_color_.Alpha());
      break;
  }
  gl.Fogfv(GL_FOG_COLOR, fog_color_.VectorAddress());
  gl.Fogf(GL_FOG_START, properties_.fog_start);
  gl.Fogf(GL_FOG_END, properties_.fog_end);
  if (!GL.NV_fog_distance) return;
  switch (properties_.fog_distance) {
    case fdEyeRadial:
      gl.Fogi(GL_FOG_DISTANCE_MODE_NV, GL_EYE_RADIAL_NV);
      break;
    case fdEyePlane:
      gl.Fogi(GL_FOG_DISTANCE_MODE_NV, GL_EYE_PLANE);
      break;
    case fdDefault: {
      if (driver_fog_distance_mode.load() == 0) {
        GLint mode = 0;
        gl.GetIntegerv(GL_FOG_DISTANCE_MODE_NV, &mode);
        driver_fog_distance_mode.store(mode);
      }
      gl.Fogi(GL_FOG_DISTANCE_MODE_NV, driver_fog_distance_mode.load());
      break;
    }
    default:
      SceneAssert(false);
  }
}

namespace {

constexpr TIdentNames<3> kFogMode{"fmLinear", "fmExp", "fmExp2"};
constexpr TIdentNames<3> kFogDistance{"fdDefault", "fdEyeRadial", "fdEyePlane"};

}  // namespace

void TGLFogEnvironment::WriteProperties(TPropertyWriter& w) const {
  TGLUpdateAbleObject::WriteProperties(w);
  if (fog_color_.StoresColor()) w.Data("FogColor.Color", fog_color_);
  w.Single("FogStart", properties_.fog_start);
  w.Single("FogEnd", properties_.fog_end);
  if (properties_.fog_mode != fmLinear) w.Enum("FogMode", kFogMode, properties_.fog_mode);
  if (properties_.fog_distance != fdDefault) w.Enum("FogDistance", kFogDistance, properties_.fog_distance);
}

bool TGLFogEnvironment::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "FogColor.Color") {
    TGLColor color(nullptr);
    ReadData(color, v, 16);
    SetFogColor(color);
  } else if (name == "FogStart") {
    SetFogStart(AsSingle(v));
  } else if (name == "FogEnd") {
    SetFogEnd(AsSingle(v));
  } else if (name == "FogMode") {
    SetFogMode(AsEnum<TFogMode>(kFogMode, v));
  } else if (name == "FogDistance") {
    SetFogDistance(AsEnum<TFogDistance>(kFogDistance, v));
  } else {
    return TGLUpdateAbleObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
