// A flat rectangle in the local XY plane, centred on the origin and facing +Z, drawn as one quad or as a
// grid of triangle strips, with texture coordinates that can repeat and shift.
#pragma once

#include <cstdint>
#include <memory>

#include "scene/base/class_name.h"
#include "scene/core/custom_scene_object.h"

namespace zentrova {

enum TPlaneStyle : std::uint8_t { psSingleQuad = 1u << 0, psTileTexture = 1u << 1 };
using TPlaneStyles = std::uint8_t;

class TGLPlane : public TGLStageObject {
 public:
  TGLPlane();
  ZENTROVA_CLASS_NEW(TGLPlane)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  float XOffset() const { return x_offset_; }
  float YOffset() const { return y_offset_; }
  float XScope() const { return x_scope_; }
  float YScope() const { return y_scope_; }
  float Width() const { return width_; }
  float Height() const { return height_; }
  std::uint32_t XTiles() const { return x_tiles_; }
  std::uint32_t YTiles() const { return y_tiles_; }
  TPlaneStyles Style() const { return style_; }
  void SetXOffset(float value);
  void SetYOffset(float value);
  // Clamped above to 1; there is no lower bound.
  void SetXScope(float value);
  void SetYScope(float value);
  void SetWidth(float value);
  void SetHeight(float value);
  void SetXTiles(std::uint32_t value);
  void SetYTiles(std::uint32_t value);
  void SetStyle(TPlaneStyles value);
  // Depth writes off while the plane draws; a plain field, taken at the next frame without a notice.
  bool NoZWrite = false;

  // Width and height only, then the base's Assign.
  void Assign(const TPersistent* source) override;
  ZENTROVA_SOLID_SHAPE
  std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TSilhouetteQuery& query) override;

 private:
  float x_offset_ = 0;
  float y_offset_ = 0;
  float x_scope_ = 1;
  float y_scope_ = 1;
  float width_ = 1;
  float height_ = 1;
  std::uint32_t x_tiles_ = 1;
  std::uint32_t y_tiles_ = 1;
  TPlaneStyles style_ = psSingleQuad | psTileTexture;
};

}  // namespace zentrova
