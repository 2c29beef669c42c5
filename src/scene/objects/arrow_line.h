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

  TArrowLineParts Parts() const { return properties_.parts; }
  void SetParts(TArrowLineParts value);
  float TopRadius() const { return properties_.top_radius; }
  void SetTopRadius(float value);
  float TopArrowHeadHeight() const { return properties_.top_arrow_head_height; }
  void SetTopArrowHeadHeight(float value);
  float TopArrowHeadRadius() const { return properties_.top_arrow_head_radius; }
  void SetTopArrowHeadRadius(float value);
  float BottomArrowHeadHeight() const { return properties_.bottom_arrow_head_height; }
  void SetBottomArrowHeadHeight(float value);
  float BottomArrowHeadRadius() const { return properties_.bottom_arrow_head_radius; }
  void SetBottomArrowHeadRadius(float value);
  TArrowHeadStackingStyle HeadStackingStyle() const { return properties_.head_stacking_style; }
  void SetHeadStackingStyle(TArrowHeadStackingStyle value);

  void Assign(const TPersistent* source) override;
  void BuildList(TRenderContextInfo& rci) override;

 private:
  // The published properties that Assign copies, as one value.
  struct TProperties {
    TArrowLineParts parts = (1u << alLine) | (1u << alTopArrow);
    float top_radius = 0.1f;
    float top_arrow_head_height = 0.5f;
    float top_arrow_head_radius = 0.2f;
    float bottom_arrow_head_height = 0.5f;
    float bottom_arrow_head_radius = 0.2f;
    TArrowHeadStackingStyle head_stacking_style = ahssStacked;
  };
  TProperties properties_;
};

}  // namespace zentrova
