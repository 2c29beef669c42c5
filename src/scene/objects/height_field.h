// The height field: a surface z = f(x, y) over a rectangle of the local XY plane, sampled on two scales.
// Height, colour and texture point of each sample come from a handler or, without one (or in design
// mode), from a built-in function. Triangle strips between consecutive rows, normals from both
// neighbours, optional colours through colour tracking, optional texture coordinates, two-sided or not.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/property_stream.h"
#include "scene/core/custom_scene_object.h"
#include "scene/objects/sampling_scale.h"

namespace zentrova {

class TGLHeightField;

using THeightFieldGetHeightEvent =
    std::function<void(float x, float y, float& z, TVector4f& color, TTexPoint& tex_point)>;
using THeightFieldGetHeight2Event = std::function<void(TGLHeightField& sender, float x, float y, float& z,
                                                       TVector4f& color, TTexPoint& tex_point)>;

enum THeightFieldOption : std::uint8_t { hfoTextureCoordinates, hfoTwoSided };
using THeightFieldOptions = std::uint8_t;  // bit n = THeightFieldOption n
enum THeightFieldColorMode : std::uint8_t {
  hfcmNone,
  hfcmEmission,
  hfcmAmbient,
  hfcmDiffuse,
  hfcmAmbientAndDiffuse
};

// z = cos(12 d) / ((6.28 d + 1) · 2) with d = x² + y², light grey; the texture point is left alone.
void DefaultHeightFunction(float x, float y, float& z, TVector4f& color, TTexPoint& tex_point);

class TGLHeightField : public TGLStageObject {
 public:
  TGLHeightField();
  ~TGLHeightField() override;
  ZENTROVA_CLASS_NEW(TGLHeightField)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  // Setting a handler always rebuilds.
  const THeightFieldGetHeightEvent& OnGetHeight() const { return on_get_height_; }
  void SetOnGetHeight(THeightFieldGetHeightEvent value);
  const THeightFieldGetHeight2Event& OnGetHeight2() const { return on_get_height2_; }
  void SetOnGetHeight2(THeightFieldGetHeight2Event value);
  TGLSamplingScale& XSamplingScale() { return *x_scale_; }
  TGLSamplingScale& YSamplingScale() { return *y_scale_; }
  const TGLSamplingScale& XSamplingScale() const { return *x_scale_; }
  const TGLSamplingScale& YSamplingScale() const { return *y_scale_; }
  void SetXSamplingScale(const TGLSamplingScale& value) { x_scale_->Assign(&value); }
  void SetYSamplingScale(const TGLSamplingScale& value) { y_scale_->Assign(&value); }
  THeightFieldOptions Options() const { return options_; }
  void SetOptions(THeightFieldOptions value);
  THeightFieldColorMode ColorMode() const { return color_mode_; }
  void SetColorMode(THeightFieldColorMode value);
  // The triangles of the last build.
  int TriangleCount() const { return triangle_count_; }

  // A scale's change rebuilds the surface, then the notice goes on.
  void NotifyChange(TPersistent* sender) override;
  // From another height field: the scales, OnGetHeight, Options and ColorMode only; from anything else
  // the base's Assign.
  void Assign(const TPersistent* source) override;
  void BuildList(TRenderContextInfo& rci) override;

 private:
  THeightFieldGetHeightEvent on_get_height_;
  THeightFieldGetHeight2Event on_get_height2_;
  std::unique_ptr<TGLSamplingScale> x_scale_, y_scale_;
  THeightFieldOptions options_ = 1u << hfoTwoSided;
  int triangle_count_ = 0;
  THeightFieldColorMode color_mode_ = hfcmNone;
};

}  // namespace zentrova
