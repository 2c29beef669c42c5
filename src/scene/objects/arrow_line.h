// An arrow along the local Z axis: a shaft (cylinder or truncated cone) with a cone-shaped head at its
// top end, its bottom end or both, each head closed by a disk.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/property_stream.h"
#include "scene/objects/cylinder.h"

namespace zentrova {

enum TArrowLinePart : std::uint8_t { alLine, alTopArrow, alBottomArrow };
using TArrowLineParts = std::uint8_t;  // bit n = TArrowLinePart n
// How the heads share the length Height: beyond the shaft's ends, overlapping it by half their length,
// or within it.
enum TArrowHeadStackingStyle : std::uint8_t { ahssStacked, ahssCentered, ahssIncluded };

class TGLArrowLine : public TGLCylinderBase {
 public:
  TGLArrowLine();
  ZENTROVA_CLASS_NEW(TGLArrowLine)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TArrowLineParts Parts() const { return parts_; }
  void SetParts(TArrowLineParts value);
  float TopRadius() const { return top_radius_; }
  void SetTopRadius(float value);
  float TopArrowHeadHeight() const { return top_arrow_head_height_; }
  void SetTopArrowHeadHeight(float value);
  float TopArrowHeadRadius() const { return top_arrow_head_radius_; }
  void SetTopArrowHeadRadius(float value);
  float BottomArrowHeadHeight() const { return bottom_arrow_head_height_; }
  void SetBottomArrowHeadHeight(float value);
  float BottomArrowHeadRadius() const { return bottom_arrow_head_radius_; }
  void SetBottomArrowHeadRadius(float value);
  TArrowHeadStackingStyle HeadStackingStyle() const { return head_stacking_style_; }
  void SetHeadStackingStyle(TArrowHeadStackingStyle value);

  void Assign(const TPersistent* source) override;
  void BuildList(TRenderContextInfo& rci) override;

 private:
  TArrowLineParts parts_ = (1u << alLine) | (1u << alTopArrow);
  float top_radius_ = 0.1f;
  float top_arrow_head_height_ = 0.5f;
  float top_arrow_head_radius_ = 0.2f;
  float bottom_arrow_head_height_ = 0.5f;
  float bottom_arrow_head_radius_ = 0.2f;
  TArrowHeadStackingStyle head_stacking_style_ = ahssStacked;
};

}  // namespace zentrova
