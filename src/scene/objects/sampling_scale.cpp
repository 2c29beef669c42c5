#include "scene/objects/sampling_scale.h"

#include <cmath>

#include "scene/base/float_math.h"

namespace zentrova {

void TGLSamplingScale::SetMin(float value) {
  properties_.min = value;
  if (properties_.max < properties_.min) properties_.max = properties_.min;
  NotifyChange(this);
}

void TGLSamplingScale::SetMax(float value) {
  properties_.max = value;
  if (properties_.min > properties_.max) properties_.min = properties_.max;
  NotifyChange(this);
}

void TGLSamplingScale::SetOrigin(float value) {
  properties_.origin = value;
  NotifyChange(this);
}

void TGLSamplingScale::SetStep(float value) {
  properties_.step = value > 0 ? value : 1.0f;
  NotifyChange(this);
}

void TGLSamplingScale::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLSamplingScale*>(source)) {
    properties_ = other->properties_;
    NotifyChange(this);
    return;
  }
  TGLUpdateAbleObject::Assign(source);
}

// The lattice point k steps below Origin with k = floor((Origin − Min) / Step): a Min that lies on the
// lattice is its own first sample.
float TGLSamplingScale::FirstSample() const {
  if (properties_.origin == properties_.min) return properties_.min;
  const float n = (properties_.origin - properties_.min) / properties_.step;
  return properties_.origin - std::floor(n) * properties_.step;
}

int TGLSamplingScale::SampleCount() const {
  return RoundSingle((properties_.max - properties_.min) / properties_.step + 0.5f);
}

void TGLSamplingScale::LoopBounds(float& base, float& step, float& max, bool sampling_enabled) const {
  step = properties_.step;
  if (sampling_enabled) {
    base = FirstSample();
    max = properties_.max + ((properties_.max - base) / step) * 1e-6f;
  } else {
    base = max = properties_.origin;
  }
}

void TGLSamplingScale::WriteProperties(TPropertyWriter& w) const {
  TGLUpdateAbleObject::WriteProperties(w);
  if (properties_.min != 0) w.Single("Min", properties_.min);
  if (properties_.max != 0) w.Single("Max", properties_.max);
  if (properties_.origin != 0) w.Single("Origin", properties_.origin);
  if (properties_.step != 0.1f) w.Single("Step", properties_.step);
}

bool TGLSamplingScale::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "Min") {
    SetMin(AsSingle(v));
  } else if (name == "Max") {
    SetMax(AsSingle(v));
  } else if (name == "Origin") {
    SetOrigin(AsSingle(v));
  } else if (name == "Step") {
    SetStep(AsSingle(v));
  } else {
    return TGLUpdateAbleObject::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
