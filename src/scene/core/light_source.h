// A scene object that stands for one OpenGL light. It has no geometry: its place in the tree gives the
// position of a point or spot light, or the direction of a parallel one. The scene gives it a light slot
// when it joins the tree and sends it to OpenGL before every frame (TGLStage::LoadLights).
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <memory>

#include "scene/base/class_name.h"
#include "scene/core/scene_object.h"
#include "scene/gl/color.h"

namespace zentrova {

enum TLightStyle : std::uint8_t {
  lsSpot,      // positional; a cone unless the cut-off is 180
  lsOmni,      // positional, no cone
  lsParallel,  // directional along SpotDirection, turned by the light's own orientation
};

class TGLLightSource : public TGLBaseSceneObject {
 public:
  TGLLightSource();
  ZENTROVA_CLASS_NEW(TGLLightSource)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  // GL_LIGHT0 + the slot the scene gave it (0 before it had one).
  GLenum LightID() const { return light_id_; }

  TGLCoordinates& SpotDirection() { return spot_direction_; }
  const TGLCoordinates& SpotDirection() const { return spot_direction_; }
  // w forced to 0.
  void SetSpotDirection(const TVector4f& direction);
  float SpotExponent() const { return spot_exponent_; }
  void SetSpotExponent(float value);
  float SpotCutOff() const { return spot_cut_off_; }
  // Only a cone in [0, 90] or 180 (none); other values are ignored.
  void SetSpotCutOff(float value);
  float ConstAttenuation() const { return const_attenuation_; }
  float LinearAttenuation() const { return linear_attenuation_; }
  float QuadraticAttenuation() const { return quadratic_attenuation_; }
  void SetConstAttenuation(float value);
  void SetLinearAttenuation(float value);
  void SetQuadraticAttenuation(float value);
  // A light that does not shine keeps its slot and is sent disabled.
  bool Shining() const { return shining_; }
  void SetShining(bool value);
  TLightStyle LightStyle() const { return light_style_; }
  void SetLightStyle(TLightStyle value);
  TGLColor& Ambient() { return ambient_; }
  TGLColor& Diffuse() { return diffuse_; }
  TGLColor& Specular() { return specular_; }
  const TGLColor& Ambient() const { return ambient_; }
  const TGLColor& Diffuse() const { return diffuse_; }
  const TGLColor& Specular() const { return specular_; }
  void SetAmbient(const TGLColor& color);
  void SetDiffuse(const TGLColor& color);
  void SetSpecular(const TGLColor& color);

  void CoordinateChanged(TGLCoordinates* sender) override;
  // Only its children: a light has nothing to draw and no list.
  void DoRender(TRenderContextInfo& rci, bool render_self, bool render_children) override;
  GLuint DisplayListHandle(TRenderContextInfo&) override { return 0; }
  bool RayCastIntersect(const TVector4f&, const TVector4f&, TVector4f* = nullptr,
                        TVector4f* = nullptr) override {
    return false;
  }
  std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TSilhouetteQuery&) override { return nullptr; }

 private:
  friend class TGLStage;
  void SetFloat(float& field, float value);

  GLenum light_id_ = 0;
  TGLCoordinates spot_direction_;
  float spot_exponent_ = 0;
  float spot_cut_off_ = 180;
  float const_attenuation_ = 1;
  float linear_attenuation_ = 0;
  float quadratic_attenuation_ = 0;
  bool shining_ = true;
  TGLColor ambient_;
  TGLColor diffuse_;
  TGLColor specular_;
  TLightStyle light_style_ = lsSpot;
};

}  // namespace zentrova
