// A truncated pyramid on a rectangular base: the base in the local plane y = 0 centred on the origin,
// the apex at ApexHeight on the Y axis, cut at Height; up to six quads with normals and texture
// coordinates. Its four sizes stream as one binary property.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/property_stream.h"
#include "scene/base/streams.h"
#include "scene/objects/sphere.h"

namespace zentrova {

enum TFrustrumPart : std::uint8_t { fpTop, fpBottom, fpFront, fpBack, fpLeft, fpRight };
using TFrustrumParts = std::uint8_t;  // bit n = TFrustrumPart n
inline constexpr TFrustrumParts kAllFrustrumParts = 0x3F;

class TGLFrustrum : public TGLStageObject {
 public:
  ZENTROVA_CLASS_NEW(TGLFrustrum)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  // The sizes are never negative (such values are ignored) and Height never exceeds ApexHeight: raising
  // Height raises ApexHeight, lowering ApexHeight lowers Height.
  float ApexHeight() const { return apex_height_; }
  void SetApexHeight(float value);
  float BaseDepth() const { return base_depth_; }
  void SetBaseDepth(float value);
  float BaseWidth() const { return base_width_; }
  void SetBaseWidth(float value);
  float Height() const { return height_; }
  void SetHeight(float value);
  TFrustrumParts Parts() const { return parts_; }
  void SetParts(TFrustrumParts value);
  TNormalDirection NormalDirection() const { return normal_direction_; }
  void SetNormalDirection(TNormalDirection value);

  // "FrustrumSize": ApexHeight, BaseDepth, BaseWidth and Height as four little-endian singles, stored
  // only when one of them is off its default; read back into the fields without setters or notices.
  bool StoresFrustrumSize() const;
  void WriteFrustrumSize(TStream& stream) const;
  void ReadFrustrumSize(TStream& stream);

  void Assign(const TPersistent* source) override;
  void BuildList(TRenderContextInfo& rci) override;
  TVector4f UnscaledHalfExtents() const override;

 private:
  float apex_height_ = 1;
  float base_depth_ = 1;
  float base_width_ = 1;
  float height_ = 0.5f;
  TFrustrumParts parts_ = kAllFrustrumParts;
  TNormalDirection normal_direction_ = ndOutside;
};

}  // namespace zentrova
