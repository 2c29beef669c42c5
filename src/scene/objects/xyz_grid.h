// Grid lines along X, Y and Z, sampled on three scales, in the line style of the line base.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/property_stream.h"
#include "scene/objects/lines.h"
#include "scene/objects/sampling_scale.h"

namespace zentrova {

enum TXYZGridPart : std::uint8_t { gpX, gpY, gpZ };
using TXYZGridParts = std::uint8_t;  // bit n = TXYZGridPart n
inline constexpr TXYZGridParts kAllGridParts = 0x07;
// A line from the scale's Min to its Max, or a vertex at every sample.
enum TXYZGridLinesStyle : std::uint8_t { glsLine, glsSegments };

class TGLXYZGrid : public TGLLineBase {
 public:
  TGLXYZGrid();
  ~TGLXYZGrid() override;
  ZENTROVA_CLASS_NEW(TGLXYZGrid)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TGLSamplingScale& XSamplingScale() { return *x_scale_; }
  TGLSamplingScale& YSamplingScale() { return *y_scale_; }
  TGLSamplingScale& ZSamplingScale() { return *z_scale_; }
  const TGLSamplingScale& XSamplingScale() const { return *x_scale_; }
  const TGLSamplingScale& YSamplingScale() const { return *y_scale_; }
  const TGLSamplingScale& ZSamplingScale() const { return *z_scale_; }
  void SetXSamplingScale(const TGLSamplingScale& value) { x_scale_->Assign(&value); }
  void SetYSamplingScale(const TGLSamplingScale& value) { y_scale_->Assign(&value); }
  void SetZSamplingScale(const TGLSamplingScale& value) { z_scale_->Assign(&value); }
  TXYZGridParts Parts() const { return parts_; }
  void SetParts(TXYZGridParts value);
  TXYZGridLinesStyle LinesStyle() const { return lines_style_; }
  void SetLinesStyle(TXYZGridLinesStyle value);
  // Write-only in streams: the line base's anti-aliasing.
  void SetLinesSmoothing(bool value) { SetAntiAliased(value); }

  // A scale's change rebuilds the grid, then the notice goes on.
  void NotifyChange(TPersistent* sender) override;
  void Assign(const TPersistent* source) override;
  void BuildList(TRenderContextInfo& rci) override;

 private:
  std::unique_ptr<TGLSamplingScale> x_scale_, y_scale_, z_scale_;
  TXYZGridParts parts_ = (1u << gpX) | (1u << gpY);
  TXYZGridLinesStyle lines_style_ = glsSegments;
};

}  // namespace zentrova
