#include "scene/core/light_source.h"

#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLLightSource);

TGLLightSource::TGLLightSource()
    : spot_direction_(this, {0, 0, -1, 0}, csVector),
      ambient_(this, clrBlack),
      diffuse_(this, clrWhite),
      specular_(this, clrBlack) {}

void TGLLightSource::SetSpotDirection(const TVector4f& direction) {
  spot_direction_.SetVectorXYZ(direction[0], direction[1], direction[2]);
  NotifyChange(this);
}

void TGLLightSource::SetFloat(float& field, float value) { SetProperty(field, value, NotifyChangeOf(this)); }

void TGLLightSource::SetSpotExponent(float value) {
  SetFloat(spot_exponent_, value);
}

void TGLLightSource::SetSpotCutOff(float value) {
  if ((value >= 0 && value <= 90) || value == 180) SetFloat(spot_cut_off_, value);
}

void TGLLightSource::SetConstAttenuation(float value) {
  SetFloat(const_attenuation_, value);
}

void TGLLightSource::SetLinearAttenuation(float value) {
  SetFloat(linear_attenuation_, value);
}

void TGLLightSource::SetQuadraticAttenuation(float value) {
  SetFloat(quadratic_attenuation_, value);
}

void TGLLightSource::SetShining(bool value) { SetProperty(shining_, value, NotifyChangeOf(this)); }

void TGLLightSource::SetLightStyle(TLightStyle value) {
  SetProperty(light_style_, value, NotifyChangeOf(this));
}

void TGLLightSource::SetAmbient(const TGLColor& color) {
  ambient_.SetVector(color.Color());
}

void TGLLightSource::SetDiffuse(const TGLColor& color) {
  diffuse_.SetVector(color.Color());
}

void TGLLightSource::SetSpecular(const TGLColor& color) {
  specular_.SetVector(color.Color());
}

void TGLLightSource::CoordinateChanged(TGLCoordinates* sender) {
  TGLBaseSceneObject::CoordinateChanged(sender);
  if (sender == &spot_direction_) MarkTransformDirty();
}

void TGLLightSource::DoRender(TRenderContextInfo& rci, bool render_self, bool render_children) {
  if (render_children) RenderChildrenSorted(0, ChildCount() - 1, rci);
}

}  // namespace zentrova
