// The extrusion solid: the outline of its contours, in the local XY plane, swept along local +Z by
// Height. Walls along every outline edge (outside and/or inside faces, Stacks bands each), the outline
// as a start cap at the contours' own z and as a stop cap moved by Height.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/property_stream.h"
#include "scene/objects/multi_polygon.h"
#include "scene/objects/sphere.h"

namespace zentrova {

enum TExtrusionSolidPart : std::uint8_t { espOutside, espInside, espStartPolygon, espStopPolygon };
using TExtrusionSolidParts = std::uint8_t;  // bit n = TExtrusionSolidPart n
inline constexpr TExtrusionSolidParts kAllExtrusionSolidParts = 0x0F;

class TGLExtrusionSolid : public TMultiPolygonBase {
 public:
  TGLExtrusionSolid();
  ZENTROVA_CLASS_NEW(TGLExtrusionSolid)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  // Every setter but MinSmoothAngle's stores a different value and rebuilds the display list.
  float Height() const { return height_; }
  void SetHeight(float value);
  // Bands of every wall along Z; values below 1 are ignored.
  int Stacks() const { return properties_.stacks; }
  void SetStacks(int value);
  TNormalSmoothing Normals() const { return properties_.normals; }
  void SetNormals(TNormalSmoothing value);
  TNormalDirection NormalDirection() const { return properties_.normal_direction; }
  void SetNormalDirection(TNormalDirection value);
  TExtrusionSolidParts Parts() const { return properties_.parts; }
  void SetParts(TExtrusionSolidParts value);
  // Degrees: neighbouring walls that meet at no more than this share their normal under nsSmooth. Sends
  // no notice: the angle applies at the next rebuild that something else causes.
  float MinSmoothAngle() const { return min_smooth_angle_; }
  void SetMinSmoothAngle(float value);

  // Stacks, Normals, NormalDirection and Parts from another extrusion solid (not Height, not
  // MinSmoothAngle), then the contours and the base's properties.
  void Assign(const TPersistent* source) override;
  void BuildList(TRenderContextInfo& rci) override;

 private:
  // The unit normal of the wall on the edge a → b, away from the solid for either sign of Height.
  TAffineVector EdgeNormal(const TAffineVector& a, const TAffineVector& b) const;
  // One wall: a triangle strip of 2 · (Stacks + 1) vertices.
  void BuildSideStrip(TAffineVector a, TAffineVector b, bool exchange, float ta, float tb,
                      TAffineVector& previous_normal) const;

  float height_ = 1;
  // The published properties that Assign copies, as one value.
  struct TProperties {
    int stacks = 1;
    TNormalSmoothing normals = nsFlat;
    TNormalDirection normal_direction = ndOutside;
    TExtrusionSolidParts parts = 1u << espOutside;
  };
  TProperties properties_;
  float min_smooth_angle_ = 5;
  float smooth_cosine_ = 1;
};

}  // namespace zentrova
