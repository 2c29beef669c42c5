// The material of one polygon face: four colours, shininess and polygon mode, sent to OpenGL through the
// state cache, which passes on only what differs from what OpenGL holds.
#pragma once

#include <GL/gl.h>

#include <cstdint>

#include "scene/base/class_name.h"
#include "scene/base/update_able.h"
#include "scene/gl/color.h"

namespace zentrova {

class TGLStateCache;

enum TPolygonMode : std::uint8_t { pmFill, pmLines, pmPoints };

// GL_FILL, GL_LINE or GL_POINT.
GLenum GLPolygonMode(TPolygonMode mode);

// 0 .. 128.
using TShininess = std::uint8_t;
inline constexpr int kMaxShininess = 128;

class TGLFaceProperties : public TGLUpdateAbleObject {
 public:
  // Ambient (0.2, 0.2, 0.2, 1), diffuse (0.8, 0.8, 0.8, 1), emission and specular black, shininess 0,
  // filled polygons.
  explicit TGLFaceProperties(TPersistent* owner);
  ZENTROVA_CLASS(TGLFaceProperties)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TGLColor& Ambient() { return ambient_; }
  TGLColor& Diffuse() { return diffuse_; }
  TGLColor& Emission() { return emission_; }
  TGLColor& Specular() { return specular_; }
  const TGLColor& Ambient() const { return ambient_; }
  const TGLColor& Diffuse() const { return diffuse_; }
  const TGLColor& Emission() const { return emission_; }
  const TGLColor& Specular() const { return specular_; }
  // Copy the colour's components in without the colour's own notice, then notify once.
  void SetAmbient(const TGLColor& color);
  void SetDiffuse(const TGLColor& color);
  void SetEmission(const TGLColor& color);
  void SetSpecular(const TGLColor& color);

  TPolygonMode PolygonMode() const { return polygon_mode_; }
  void SetPolygonMode(TPolygonMode mode);
  TShininess Shininess() const { return shininess_; }
  // 0 .. 128; other values raise ERangeError and change nothing.
  void SetShininess(int value);

  // Only from other face properties (one notice for everything); other sources are ignored.
  void Assign(const TPersistent* source) override;

  // Colours and shininess for the face (GL_FRONT or GL_BACK), then its polygon mode.
  void Apply(TGLStateCache& states, GLenum face) const;
  // The diffuse colour as the current colour, then the polygon mode: for drawing without lighting.
  void ApplyNoLighting(TGLStateCache& states, GLenum face) const;

 private:
  TGLColor ambient_;
  TGLColor diffuse_;
  TGLColor specular_;
  TGLColor emission_;
  TPolygonMode polygon_mode_ = pmFill;
  TShininess shininess_ = 0;
};

}  // namespace zentrova
