// An axis-aligned box centred on the origin with independent width, height and depth, any subset of its
// six faces, outward or inward normals and the full texture on every face.
#pragma once

#include <cstdint>
#include <memory>

#include "scene/base/class_name.h"
#include "scene/base/streams.h"
#include "scene/core/custom_scene_object.h"
#include "scene/objects/sphere.h"

namespace zentrova {

enum TCubePart : std::uint8_t {
  cpTop = 1u << 0,
  cpBottom = 1u << 1,
  cpFront = 1u << 2,
  cpBack = 1u << 3,
  cpLeft = 1u << 4,
  cpRight = 1u << 5,
};
using TCubeParts = std::uint8_t;
inline constexpr TCubeParts kAllCubeParts = 63;

class TGLCube : public TGLStageObject {
 public:
  TGLCube();
  ZENTROVA_CLASS_NEW(TGLCube)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  float CubeWidth() const { return properties_.cube_width; }
  float CubeHeight() const { return properties_.cube_height; }
  float CubeDepth() const { return properties_.cube_depth; }
  void SetCubeWidth(float value);
  void SetCubeHeight(float value);
  void SetCubeDepth(float value);
  TCubeParts Parts() const { return properties_.parts; }
  void SetParts(TCubeParts value);
  TNormalDirection NormalDirection() const { return properties_.normal_direction; }
  // Inside only flips the normals; the winding stays.
  void SetNormalDirection(TNormalDirection value);

  // The binary property "CubeSize": width, height and depth as 12 bytes of little-endian singles,
  // stored unless all three are 1; read straight into the fields, without notice.
  bool StoresCubeSize() const;
  void WriteCubeSize(TStream& stream) const;
  void ReadCubeSize(TStream& stream);

  void Assign(const TPersistent* source) override;
  // Ray casts: against the full box, whatever Parts says.
  ZENTROVA_SOLID_SHAPE
  std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TSilhouetteQuery& query) override;

 private:
  // The published properties that Assign copies, as one value.
  struct TProperties {
    float cube_width = 1;
    float cube_height = 1;
    float cube_depth = 1;
    TCubeParts parts = kAllCubeParts;
    TNormalDirection normal_direction = ndOutside;
  };
  TProperties properties_;
};

}  // namespace zentrova
