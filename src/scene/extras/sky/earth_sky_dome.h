// A computed daylight sky: from the sun's elevation, an atmospheric turbidity and six reference colours
// it derives the current sun, sky and haze colours and draws a dome whose vertex colours blend haze near
// the horizon, sky above and a glow around the sun (at azimuth 0, on the +X side). The sky dome's bands
// and stars are drawn over it; it starts without bands.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/extras/sky/sky_dome.h"

namespace zentrova {

enum TEarthSkydomeOption : std::uint8_t {
  esoFadeStarsWithSun = 1u << 0,     // stars turn grey, darker the higher the sun
  esoRotateOnTwelveHours = 1u << 1,  // the dome turns half round when the sun reaches a pole of its path
};
using TEarthSkydomeOptions = std::uint8_t;

// The elevations (degrees) at which the stacks of an Earth dome of `stacks` stacks begin and end: stacks
// + 1 values from 1 to 90, crowded around the sun's elevation, evenly spaced when the sun is at or below
// the horizon.
std::vector<float> EarthDomeStackElevations(int stacks, float sun_elevation);

class TGLEarthSkyDome : public TGLSkyDome {
 public:
  // The values the streamed properties are declared with: equal to what the constructor sets, so that a
  // value left out of a stream is the value it had.
  static constexpr int kDefaultSlices = 48;
  static constexpr int kDefaultStacks = 24;

  // Sun at 75°, turbidity 15, no bands.
  TGLEarthSkyDome();
  ZENTROVA_CLASS_NEW(TGLEarthSkyDome)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  // Degrees, clamped into [−90, 90]; recalculates only on a change.
  float SunElevation() const { return properties_.sun_elevation; }
  void SetSunElevation(float value);
  // Haziness, clamped into [1, 120].
  float Turbidity() const { return properties_.turbidity; }
  void SetTurbidity(float value);

  // Changing any of the first five recalculates the current colours.
  TGLColor& SunZenithColor() { return sun_zenith_color_; }
  TGLColor& SunDawnColor() { return sun_dawn_color_; }
  TGLColor& HazeColor() { return haze_color_; }
  TGLColor& SkyColor() { return sky_color_; }
  TGLColor& NightColor() { return night_color_; }
  TGLColor& DeepColor() { return deep_color_; }  // the nadir below the horizon
  void SetSunZenithColor(const TGLColor& value);
  void SetSunDawnColor(const TGLColor& value);
  void SetHazeColor(const TGLColor& value);
  void SetSkyColor(const TGLColor& value);
  void SetNightColor(const TGLColor& value);
  void SetDeepColor(const TGLColor& value);

  // Azimuth segments (values up to 6 give 6; an odd count draws one fewer) and elevation segments (at
  // least 1).
  int Slices() const { return properties_.slices; }
  int Stacks() const { return properties_.stacks; }
  void SetSlices(int value);
  void SetStacks(int value);
  // Whether a stream would hold the value: only when it differs from its declared default.
  bool StoresSlices() const { return properties_.slices != kDefaultSlices; }
  bool StoresStacks() const { return properties_.stacks != kDefaultStacks; }

  TEarthSkydomeOptions ExtendedOptions = 0;

  const TVector4f& CurrentSunColor() const { return current_sun_color_; }
  const TVector4f& CurrentSkyColor() const { return current_sky_color_; }
  const TVector4f& CurrentHazeColor() const { return current_haze_color_; }
  float HazeTurbidity() const { return haze_turbidity_; }
  float SkyTurbidity() const { return sky_turbidity_; }

  // The current colours and turbidities from the sun's elevation; with the options, the stars' fading
  // and the half turn at exactly ±90°.
  void PreCalculate();
  void Loaded() override;

  // As the sky dome's, at 0.95 of the far distance and with the alpha test off too, the computed dome
  // drawn before the bands and stars.
  void BuildList(TRenderContextInfo& rci) override;
  // From another Earth dome: elevation, turbidity, the first five colours, slices and stacks; then the
  // sky dome's.
  void Assign(const TPersistent* source) override;

 private:
  // The colour of a dome point at zenith angle zen (radians) with sun term dsun.
  TVector4f SkyColorAt(float dsun, float zen) const;
  // 1 − cos of the angle between the point and the sun.
  float SunAngleTerm(const TAffineVector& point) const;
  void DrawDome();
  // The published properties that Assign copies, as one value.
  struct TProperties {
    float sun_elevation = 75;
    float turbidity = 15;
    int slices = kDefaultSlices;
    int stacks = kDefaultStacks;
  };
  TProperties properties_;
  TVector4f current_sun_color_{};
  TVector4f current_sky_color_{};
  TVector4f current_haze_color_{};
  float haze_turbidity_ = 0;
  float sky_turbidity_ = 0;
  TGLColor sun_zenith_color_;
  TGLColor sun_dawn_color_;
  TGLColor haze_color_;
  TGLColor sky_color_;
  TGLColor night_color_;
  TGLColor deep_color_;
  TAffineVector sun_{};  // the sun's direction while drawing
};

}  // namespace zentrova
