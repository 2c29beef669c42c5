// The fog settings of one scene buffer, sent to OpenGL when the buffer draws with fog on.
#pragma once

#include <cstdint>

#include "scene/base/class_name.h"
#include "scene/base/update_able.h"
#include "scene/gl/color.h"

namespace zentrova {

class TGLStageBuffer;

enum TFogMode : std::uint8_t { fmLinear, fmExp, fmExp2 };
// How the distance to a fragment is measured, where the driver lets us choose (GL_NV_fog_distance).
enum TFogDistance : std::uint8_t { fdDefault, fdEyeRadial, fdEyePlane };

class TGLFogEnvironment : public TGLUpdateAbleObject {
 public:
  // Black fog from 10 to 1000, linear, the driver's distance.
  explicit TGLFogEnvironment(TGLStageBuffer* owner);
  ZENTROVA_CLASS(TGLFogEnvironment)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TGLStageBuffer* SceneBuffer() const { return scene_buffer_; }

  // Its alpha is the density of the exponential modes.
  TGLColor& FogColor() { return fog_color_; }
  const TGLColor& FogColor() const { return fog_color_; }
  float FogStart() const { return properties_.fog_start; }
  float FogEnd() const { return properties_.fog_end; }
  TFogMode FogMode() const { return properties_.fog_mode; }
  TFogDistance FogDistance() const { return properties_.fog_distance; }
  // Each stores and notifies only on a change (the colour by value).
  void SetFogColor(const TGLColor& color);
  void SetFogStart(float value);
  void SetFogEnd(float value);
  void SetFogMode(TFogMode value);
  void SetFogDistance(TFogDistance value);

  // From another fog environment: all five values, then one notice.
  void Assign(const TPersistent* source) override;
  // Whether all five values are the defaults (then the buffer does not store it).
  bool IsAtDefaultValues() const;

  // Sends the settings to the current context; without one, to the buffer's, made current for the call;
  // nothing when the buffer has none either.
  void Apply();

 private:
  TGLStageBuffer* scene_buffer_;
  TGLColor fog_color_;
  // The published properties that Assign copies, as one value.
  struct TProperties {
    float fog_start = 10;
    float fog_end = 1000;
    TFogMode fog_mode = fmLinear;
    TFogDistance fog_distance = fdDefault;
  };
  TProperties properties_;
};

}  // namespace zentrova
