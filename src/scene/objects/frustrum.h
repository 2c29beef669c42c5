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
  float ApexHeight() const { return properties_.apex_height; }
  void SetApexHeight(float value);
  float BaseDepth() const { return properties_.base_depth; }
  void SetBaseDepth(float value);
  float BaseWidth() const { return properties_.base_width; }
  void SetBaseWidth(float value);
  float Height() const { return properties_.height; }
  void SetHeight(float value);
  TFrustrumParts Parts() const { return properties_.parts; }
  void SetParts(TFrustrumParts value);
  TNormalDirection NormalDirection() const { return properties_.normal_direction; }
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
  // The published properties that Assign copies, as one value.
  struct TProperties {
    float apex_height = 1;
    float base_depth = 1;
    float base_width = 1;
    float height = 0.5f;
    TFrustrumParts parts = kAllFrustrumParts;
    TNormalDirection normal_direction = ndOutside;
  };
  TProperties properties_;
};

}  // namespace zentrova
