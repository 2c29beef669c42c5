#include "scene/objects/sampling_scale.h"

#include <cmath>

#include "scene/base/float_math.h"

namespace zentrova {

void TGLSamplingScale::SetMin(float value) {
  min_ = value;
  if (max_ < min_) max_ = min_;
  NotifyChange(this);
}

void TGLSamplingScale::SetMax(float value) {
  max_ = value;
  if (min_ > max_) min_ = max_;
  NotifyChange(this);
}

void TGLSamplingScale::SetOrigin(float value) {
  origin_ = value;
  NotifyChange(this);
}

void TGLSamplingScale::SetStep(float value) {
  step_ = value > 0 ? value : 1.0f;
  NotifyChange(this);
}

void TGLSamplingScale::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLSamplingScale*>(source)) {
    min_ = other->min_;
    max_ = other->max_;
    origin_ = other->origin_;
    step_ = other->step_;
    NotifyChange(this);
    return;
  }
  TGLUpdateAbleObject::Assign(source);
}

// The lattice point k steps below Origin with k = floor((Origin − Min) / Step): a Min that lies on the
// lattice is its own first sample.
float TGLSamplingScale::FirstSample() const {
  if (origin_ == min_) return min_;
  const float n = (origin_ - min_) / step_;
  return origin_ - std::floor(n) * step_;
}

int TGLSamplingScale::SampleCount() const {
  return RoundSingle((max_ - min_) / step_ + 0.5f);
}

void TGLSamplingScale::LoopBounds(float& base, float& step, float& max, bool sampling_enabled) const {
  step = step_;
  if (sampling_enabled) {
    base = FirstSample();
    max = max_ + ((max_ - base) / step) * 1e-6f;
  } else {
    base = max = origin_;
  }
}

void TGLSamplingScale::WriteProperties(TPropertyWriter& w) const {
  TGLUpdateAbleObject::WriteProperties(w);
  if (min_ != 0) w.Single("Min", min_);
  if (max_ != 0) w.Single("Max", max_);
  if (origin_ != 0) w.Single("Origin", origin_);
  if (step_ != 0.1f) w.Single("Step", step_);
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
