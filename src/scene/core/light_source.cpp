#include "scene/core/light_source.h"

#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"
#include "scene/base/property_stream.h"

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

namespace {
constexpr TIdentNames<3> kLightStyle{"lsSpot", "lsOmni", "lsParallel"};
}  // namespace

void TGLLightSource::WriteProperties(TPropertyWriter& w) const {
  TGLBaseSceneObject::WriteProperties(w);
  if (ambient_.StoresColor()) w.Data("Ambient.Color", ambient_);
  w.Single("ConstAttenuation", const_attenuation_);
  if (diffuse_.StoresColor()) w.Data("Diffuse.Color", diffuse_);
  w.Single("LinearAttenuation", linear_attenuation_);
  w.Single("QuadraticAttenuation", quadratic_attenuation_);
  if (light_style_ != lsSpot) w.Enum("LightStyle", kLightStyle, light_style_);
  if (!shining_) w.Boolean("Shining", false);
  if (specular_.StoresColor()) w.Data("Specular.Color", specular_);
  w.Single("SpotCutOff", spot_cut_off_);
  if (spot_direction_.AsVector() != TVector4f{0, 0, -1, 0}) w.Data("SpotDirection.Coordinates", spot_direction_);
  w.Single("SpotExponent", spot_exponent_);
}

bool TGLLightSource::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Ambient.Color") {
    ReadData(ambient_, v, 16);
  } else if (name == "ConstAttenuation") {
    SetConstAttenuation(AsSingle(v));
  } else if (name == "Diffuse.Color") {
    ReadData(diffuse_, v, 16);
  } else if (name == "LinearAttenuation") {
    SetLinearAttenuation(AsSingle(v));
  } else if (name == "QuadraticAttenuation") {
    SetQuadraticAttenuation(AsSingle(v));
  } else if (name == "LightStyle") {
    SetLightStyle(AsEnum<TLightStyle>(kLightStyle, v));
  } else if (name == "Shining") {
    SetShining(AsBoolean(v));
  } else if (name == "Specular.Color") {
    ReadData(specular_, v, 16);
  } else if (name == "SpotCutOff") {
    SetSpotCutOff(AsSingle(v));
  } else if (name == "SpotDirection.Coordinates") {
    ReadData(spot_direction_, v, 16);
  } else if (name == "SpotExponent") {
    SetSpotExponent(AsSingle(v));
  } else {
    return TGLBaseSceneObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
