#include "scene/core/light_source.h"

namespace zentrova {

TGLLightSource::TGLLightSource()
    : spot_direction_(this, {0, 0, -1, 0}, csVector),
      ambient_(this, clrBlack),
      diffuse_(this, clrWhite),
      specular_(this, clrBlack) {}

void TGLLightSource::SetSpotDirection(const TVector4f& direction) {
  spot_direction_.SetVectorXYZ(direction[0], direction[1], direction[2]);
  NotifyChange(this);
}

void TGLLightSource::SetFloat(float& field, float value) {
  if (value == field) return;
  field = value;
  NotifyChange(this);
}

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

void TGLLightSource::SetShining(bool value) {
  if (value == shining_) return;
  shining_ = value;
  NotifyChange(this);
}

void TGLLightSource::SetLightStyle(TLightStyle value) {
  if (value == light_style_) return;
  light_style_ = value;
  NotifyChange(this);
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
