// How one axis is sampled: the range [Min, Max] and the lattice anchored at Origin with spacing Step.
// Owned by a scene object, which hears of every change.
#pragma once

#include <cstdint>

#include "platform/exception.h"
#include "scene/base/class_name.h"
#include "scene/base/property_stream.h"
#include "scene/base/update_able.h"

namespace zentrova {

class TGLSamplingScale : public TGLUpdateAbleObject {
 public:
  explicit TGLSamplingScale(TPersistent* owner) : TGLUpdateAbleObject(owner) {}
  ZENTROVA_CLASS(TGLSamplingScale)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  // Every setter notifies, also with the value unchanged. Min above Max moves Max along and Max below
  // Min moves Min along; a Step not above 0 is stored as 1.
  float Min() const { return properties_.min; }
  void SetMin(float value);
  float Max() const { return properties_.max; }
  void SetMax(float value);
  float Origin() const { return properties_.origin; }
  void SetOrigin(float value);
  float Step() const { return properties_.step; }
  void SetStep(float value);

  // From another scale: the four values, then one notice.
  void Assign(const TPersistent* source) override;

  // The lattice value at or just above Min.
  float FirstSample() const;
  // round((Max − Min) / Step + 0.5).
  int SampleCount() const;
  bool HasRange() const { return properties_.max != properties_.min; }
  // The loop over the samples: from FirstSample by Step up to Max, with a margin of a millionth of a step
  // per step so that repeated addition still reaches Max. Not enabled, the axis is held at Origin.
  void LoopBounds(float& base, float& step, float& max, bool sampling_enabled) const;

 private:
  // The published properties that Assign copies, as one value.
  struct TProperties {
    float min = 0;
    float max = 0;
    float origin = 0;
    float step = 0.1f;
  };
  TProperties properties_;
};

// Calls f(v) for v = base, base + step, … while v <= max, adding in single precision. More samples than
// a scene could show (or a step too small to advance v) raise an Exception instead of looping on.
template <class F>
void ForEachSample(float base, float step, float max, F&& f) {
  constexpr std::int64_t kMaxSamples = std::int64_t{1} << 22;
  std::int64_t count = 0;
  for (float v = base; v <= max;) {
    if (++count > kMaxSamples) throw Exception("Too many samples on a sampling scale");
    f(v);
    const float next = v + step;
    if (!(next > v)) throw Exception("Sampling step too small for the scale's values");
    v = next;
  }
}

}  // namespace zentrova
