#include "scene/extras/sky/earth_sky_dome.h"

#include <algorithm>
#include <cmath>

#include "scene/base/class_registration.h"
#include "scene/base/float_math.h"
#include "scene/base/property_stream.h"
#include "scene/base/vector_geometry.h"
#include "scene/gl/opengl_binding.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLEarthSkyDome);

namespace {

constexpr float kHalfPi = 1.5707964f;
constexpr float kPi = static_cast<float>(cPI);
// The rim of the cap under the dome, degrees.
constexpr float kDeepCapElevation = 1;

// Elevation (degrees) to zenith angle (radians).
float ZenithAngle(float elevation) {
  return DegToRad(90 - elevation);
}

}  // namespace

std::vector<float> EarthDomeStackElevations(int stacks, float sun_elevation) {
  // t runs from 0 to 1 over the stacks: quadratically away from E, the sun's share of the way up, on
  // either side of the middle stack.
  const float e = sun_elevation / 90;
  const int h = stacks / 2;
  // The stacks above the middle one, less one: h − 1 for even counts, h for odd ones, whose last stack
  // then ends at the zenith.
  const int upper = stacks - 1 - h;
  std::vector<float> elevations{LerpSingle(1, 90, 0)};
  for (int j = 0; j < stacks; ++j) {
    float t = 1;
    if (e <= 0) {
      t = static_cast<float>(j + 1) / static_cast<float>(stacks);
    } else if (j < h) {
      const float d = static_cast<float>(h - j) / static_cast<float>(h);
      t = e - e * (d * d);
    } else if (upper > 0) {
      const float d = static_cast<float>(j - h) / static_cast<float>(upper);
      t = e + (1 - e) * (d * d);
    }
    elevations.push_back(LerpSingle(1, 90, t));
  }
  return elevations;
}

TGLEarthSkyDome::TGLEarthSkyDome()
    : sun_zenith_color_(this, {1, 1, 1, 1}, [this](TPersistent*) { PreCalculate(); }),
      sun_dawn_color_(this, {1, 0.5f, 0, 0}, [this](TPersistent*) { PreCalculate(); }),
      haze_color_(this, {0.9f, 0.95f, 1, 0}, [this](TPersistent*) { PreCalculate(); }),
      sky_color_(this, {0.45f, 0.6f, 0.9f, 0}, [this](TPersistent*) { PreCalculate(); }),
      night_color_(this, {0, 0, 0, 0}, [this](TPersistent*) { PreCalculate(); }),
      deep_color_(this, {0, 0.2f, 0.4f, 0}) {
  Bands().Clear();
  PreCalculate();
}

void TGLEarthSkyDome::SetSunElevation(float value) {
  value = ClampSingle(value, -90, 90);
  if (value == properties_.sun_elevation) return;
  properties_.sun_elevation = value;
  PreCalculate();
}

void TGLEarthSkyDome::SetTurbidity(float value) {
  properties_.turbidity = ClampSingle(value, 1, 120);
  PreCalculate();
}

void TGLEarthSkyDome::SetSunZenithColor(const TGLColor& value) {
  sun_zenith_color_.SetColorSilently(value.Color());
  PreCalculate();
}

void TGLEarthSkyDome::SetSunDawnColor(const TGLColor& value) {
  sun_dawn_color_.SetColorSilently(value.Color());
  PreCalculate();
}

void TGLEarthSkyDome::SetHazeColor(const TGLColor& value) {
  haze_color_.SetColorSilently(value.Color());
  PreCalculate();
}

void TGLEarthSkyDome::SetSkyColor(const TGLColor& value) {
  sky_color_.SetColorSilently(value.Color());
  PreCalculate();
}

void TGLEarthSkyDome::SetNightColor(const TGLColor& value) {
  night_color_.SetColorSilently(value.Color());
  PreCalculate();
}

void TGLEarthSkyDome::SetDeepColor(const TGLColor& value) {
  deep_color_.SetColorSilently(value.Color());
  PreCalculate();
}

void TGLEarthSkyDome::SetSlices(int value) {
  properties_.slices = std::max(value, 6);
  MarkStructureDirty();
}

void TGLEarthSkyDome::SetStacks(int value) {
  properties_.stacks = std::max(value, 1);
  MarkStructureDirty();
}

void TGLEarthSkyDome::PreCalculate() {
  const float ze = ZenithAngle(properties_.sun_elevation);
  // The sun reddens towards the horizon: exactly the dawn colour at 0°.
  const float t = std::exp(-6 * (kHalfPi - ze));
  LerpVector4(sun_zenith_color_.Color(), sun_dawn_color_.Color(), t, current_sun_color_);
  // Sky and haze fade towards the night colour as the sun sinks from a zenith angle of 0.5 (about 61°
  // up), where they are the daylight colours.
  const float s = PowerInt(1 - std::cos(ze - 0.5f), 2);
  LerpVector4(haze_color_.Color(), night_color_.Color(), s, current_haze_color_);
  LerpVector4(sky_color_.Color(), night_color_.Color(), s, current_sky_color_);
  haze_turbidity_ = -2 * std::sqrt(121 - properties_.turbidity);
  sky_turbidity_ = -(121 - properties_.turbidity);

  if ((ExtendedOptions & esoFadeStarsWithSun) != 0) {
    const float f = properties_.sun_elevation > 0 ? PowerInt(1 - properties_.sun_elevation / 90, 11) : 1;
    const auto g = static_cast<std::uint8_t>(RoundSingle(f * 255));
    for (int i = 0; i < Stars().Count(); ++i) Stars().Items(i).Color = MakeRGBColor(g, g, g);
  }
  if ((ExtendedOptions & esoRotateOnTwelveHours) != 0 && (properties_.sun_elevation == 90 || properties_.sun_elevation == -90)) {
    RollBy(180);
    for (int i = 0; i < Stars().Count(); ++i) Stars().Items(i).RA += 180;
  }
  MarkStructureDirty();
}

void TGLEarthSkyDome::Loaded() {
  TGLSkyDome::Loaded();
  PreCalculate();
}

TVector4f TGLEarthSkyDome::SkyColorAt(float dsun, float zen) const {
  const float el = kHalfPi - zen;
  // Haze near the horizon, sky above it, then the glow around the sun, narrower higher up.
  TVector4f c{}, result{};
  LerpVector4(current_sky_color_, current_haze_color_, ClampSingle(std::exp(haze_turbidity_ * el), 0, 1), c);
  LerpVector4(c, current_sun_color_, ClampSingle(1.1f * std::exp(sky_turbidity_ * dsun * (1 + el)), 0, 1),
              result);
  return result;
}

float TGLEarthSkyDome::SunAngleTerm(const TAffineVector& point) const {
  return 1 - CosAngle3(point, sun_);
}

void TGLEarthSkyDome::DrawDome() {
  const float ze = ZenithAngle(properties_.sun_elevation);
  sun_ = {std::sin(ze), 0, std::cos(ze)};

  // Azimuths from −π to π, crowded towards 0 where the sun is. The last entry of the loop takes the
  // cosine of a rounded π/2, which is slightly negative: both ends are set exactly afterwards.
  const int n = properties_.slices / 2;
  const int m = 2 * n + 1;
  std::vector<float> sines(static_cast<std::size_t>(m)), cosines(static_cast<std::size_t>(m));
  for (int i = 1; i <= n; ++i) {
    const float a = kPi * (1 - std::sqrt(std::cos(static_cast<float>(i) / static_cast<float>(n) * kHalfPi)));
    sines[n + i] = std::sin(a);
    cosines[n + i] = std::cos(a);
    sines[n - i] = -std::sin(a);
    cosines[n - i] = std::cos(a);
  }
  sines[n] = 0;
  cosines[n] = 1;
  sines[0] = 0;
  cosines[0] = -1;
  sines[m - 1] = 0;
  cosines[m - 1] = -1;

  const auto ring_vertex = [&](float elevation, int i) {
    float sine = 0, cosine = 0;
    SinAndCos(DegToRad(elevation), sine, cosine);
    return TVector4f{cosine * cosines[i], cosine * sines[i], sine, 1};
  };
  const auto emit = [this](const TVector4f& vertex, float zen) {
    const TVector4f color = SkyColorAt(SunAngleTerm({vertex[0], vertex[1], vertex[2]}), zen);
    gl.Color4fv(color.data());
    gl.Vertex4fv(vertex.data());
  };

  const std::vector<float> elevations = EarthDomeStackElevations(properties_.stacks, properties_.sun_elevation);
  for (int j = 0; j < properties_.stacks; ++j) {
    const float e1 = elevations[j], e2 = elevations[j + 1];
    if (e2 == 90) {
      gl.Begin(GL_TRIANGLE_FAN);
      emit({0, 0, 1, 1}, 0);
      for (int i = 0; i < m; ++i) emit(ring_vertex(e1, i), ZenithAngle(e1));
    } else {
      gl.Begin(GL_QUAD_STRIP);
      for (int i = 0; i < m; ++i) {
        emit(ring_vertex(e1, i), ZenithAngle(e1));
        emit(ring_vertex(e2, i), ZenithAngle(e2));
      }
    }
    gl.End();
  }

  // The cap under the dome, from the nadir up to just above the horizon.
  gl.Begin(GL_TRIANGLE_FAN);
  gl.Color4fv(deep_color_.VectorAddress());
  gl.Vertex4f(0, 0, -1, 1);
  for (int i = 0; i < m; ++i) emit(ring_vertex(kDeepCapElevation, i), ZenithAngle(kDeepCapElevation));
  gl.End();
}

void TGLEarthSkyDome::BuildList(TRenderContextInfo& rci) {
  const TDomeScope dome(rci, 0.95f, true);
  DrawDome();
  DrawBandsAndStars(rci);
}

void TGLEarthSkyDome::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLEarthSkyDome*>(source)) {
    properties_ = other->properties_;
    sun_zenith_color_.SetColorSilently(other->sun_zenith_color_.Color());
    sun_dawn_color_.SetColorSilently(other->sun_dawn_color_.Color());
    haze_color_.SetColorSilently(other->haze_color_.Color());
    sky_color_.SetColorSilently(other->sky_color_.Color());
    night_color_.SetColorSilently(other->night_color_.Color());
    PreCalculate();
  }
  TGLSkyDome::Assign(source);
}

namespace {
constexpr TIdentNames<2> kExtendedOptions{"esoFadeStarsWithSun", "esoRotateOnTwelveHours"};
}  // namespace

void TGLEarthSkyDome::WriteProperties(TPropertyWriter& w) const {
  TGLSkyDome::WriteProperties(w);
  w.Single("SunElevation", properties_.sun_elevation);
  w.Single("Turbidity", properties_.turbidity);
  const std::pair<const char*, const TGLColor*> colors[] = {
      {"SunZenithColor.Color", &sun_zenith_color_}, {"SunDawnColor.Color", &sun_dawn_color_},
      {"HazeColor.Color", &haze_color_},            {"SkyColor.Color", &sky_color_},
      {"NightColor.Color", &night_color_},          {"DeepColor.Color", &deep_color_}};
  for (const auto& [name, color] : colors) {
    if (color->StoresColor()) w.Data(name, *color);
  }
  if (ExtendedOptions != 0) w.SetOf("ExtendedOptions", kExtendedOptions, ExtendedOptions);
  if (StoresSlices()) w.Integer("Slices", properties_.slices);
  if (StoresStacks()) w.Integer("Stacks", properties_.stacks);
}

bool TGLEarthSkyDome::ReadProperty(const std::string& name, const TPropertyValue& v) {
  // A colour read in runs PreCalculate like its setter.
  auto color = [this, &v](void (TGLEarthSkyDome::*set)(const TGLColor&)) {
    TGLColor read(nullptr);
    ReadData(read, v, 16);
    (this->*set)(read);
  };
  if (name == "SunElevation") {
    SetSunElevation(AsSingle(v));
  } else if (name == "Turbidity") {
    SetTurbidity(AsSingle(v));
  } else if (name == "SunZenithColor.Color") {
    color(&TGLEarthSkyDome::SetSunZenithColor);
  } else if (name == "SunDawnColor.Color") {
    color(&TGLEarthSkyDome::SetSunDawnColor);
  } else if (name == "HazeColor.Color") {
    color(&TGLEarthSkyDome::SetHazeColor);
  } else if (name == "SkyColor.Color") {
    color(&TGLEarthSkyDome::SetSkyColor);
  } else if (name == "NightColor.Color") {
    color(&TGLEarthSkyDome::SetNightColor);
  } else if (name == "DeepColor.Color") {
    color(&TGLEarthSkyDome::SetDeepColor);
  } else if (name == "ExtendedOptions") {
    ExtendedOptions = static_cast<TEarthSkydomeOptions>(SetBits(kExtendedOptions, v));
  } else if (name == "Slices") {
    SetSlices(AsInteger(v));
  } else if (name == "Stacks") {
    SetStacks(AsInteger(v));
  } else {
    return TGLSkyDome::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
