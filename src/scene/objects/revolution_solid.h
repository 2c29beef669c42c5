// The revolution solid: the profile of its nodes swept about the local Y axis from StartAngle to
// StopAngle, optionally rising by YOffsetPerTurn per full turn (a helix); one triangle strip per
// profile edge (outside and/or inside faces) and, when asked, the turned profile as flat start and stop
// caps.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/property_stream.h"
#include "scene/objects/polygon_base.h"
#include "scene/objects/sphere.h"

namespace zentrova {

enum TRevolutionSolidPart : std::uint8_t { rspOutside, rspInside, rspStartPolygon, rspStopPolygon };
using TRevolutionSolidParts = std::uint8_t;  // bit n = TRevolutionSolidPart n
inline constexpr TRevolutionSolidParts kAllRevolutionSolidParts = 0x0F;

class TGLRevolutionSolid : public TGLPolygonBase {
 public:
  ZENTROVA_CLASS_NEW(TGLRevolutionSolid)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  // Steps of a full turn; values below 1 are ignored.
  int Slices() const { return properties_.slices; }
  void SetSlices(int value);
  // Degrees. Start above Stop moves Stop along, Stop below Start moves Start along.
  float StartAngle() const { return properties_.start_angle; }
  void SetStartAngle(float value);
  float StopAngle() const { return properties_.stop_angle; }
  void SetStopAngle(float value);
  TNormalSmoothing Normals() const { return properties_.normals; }
  void SetNormals(TNormalSmoothing value);
  // The rise along Y per full turn.
  float YOffsetPerTurn() const { return properties_.y_offset_per_turn; }
  void SetYOffsetPerTurn(float value);
  TNormalDirection NormalDirection() const { return properties_.normal_direction; }
  void SetNormalDirection(TNormalDirection value);
  TRevolutionSolidParts Parts() const { return properties_.parts; }
  void SetParts(TRevolutionSolidParts value);
  // The triangles of the last build.
  int TriangleCount() const { return triangle_count_; }

  void Assign(const TPersistent* source) override;
  void BuildList(TRenderContextInfo& rci) override;

 private:
  struct TSweep;
  void BuildStrip(const TSweep& sweep, TAffineVector p, TAffineVector q, float ta, float tb, bool exchange,
                  bool first_strip) const;
  // The published properties that Assign copies, as one value.
  struct TProperties {
    int slices = 16;
    float start_angle = 0;
    float stop_angle = 360;
    TNormalSmoothing normals = nsFlat;
    float y_offset_per_turn = 0;
    TNormalDirection normal_direction = ndOutside;
    TRevolutionSolidParts parts = 1u << rspOutside;
  };
  TProperties properties_;
  int triangle_count_ = 0;
};

}  // namespace zentrova
