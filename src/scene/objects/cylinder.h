// Axis-symmetric objects drawn with GLU quadrics along the local Y axis (GLU's z axis turned onto +Y):
// the common base with its silhouette, the cone, the cylinder (or truncated cone) with the alignment of
// its ends, and the annulus (a thick tube with inner and outer walls). The cylinder and the annulus
// answer ray casts exactly against their caps and walls.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/property_stream.h"
#include "scene/objects/sphere.h"

namespace zentrova {

class TGLCylinderBase : public TGLQuadricObject {
 public:
  ZENTROVA_CLASS_NEW(TGLCylinderBase)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  float BottomRadius() const { return properties_.bottom_radius; }
  void SetBottomRadius(float value);
  int Slices() const { return properties_.slices; }
  void SetSlices(int value);
  int Stacks() const { return properties_.stacks; }
  void SetStacks(int value);
  // Values below 1 are ignored.
  int Loops() const { return properties_.loops; }
  void SetLoops(int value);
  float Height() const { return properties_.height; }
  void SetHeight(float value);
  // The radius at the top end: the bottom radius here.
  virtual float GetTopRadius() const { return properties_.bottom_radius; }

  void Assign(const TPersistent* source) override;
  // The closed mesh of a centred straight or tapered tube along Y (at least 5 slices), whatever the
  // alignment or the parts.
  std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TSilhouetteQuery& query) override;

 protected:
  // Draws through a quadric set up with this object's parameters, in a pushed matrix with GLU's z axis
  // turned onto +Y and, when `drop` is given, moved down by it: `draw(quadric)`.
  void DrawAlongY(std::optional<float> drop, const std::function<void(GLUquadric*)>& draw) const;
  // A disk between the radii at height z along the quadric's axis, in a matrix pushed for it.
  void DrawDiskAt(GLUquadric* quadric, float z, float inner_radius, float outer_radius) const;

 private:
  // The published properties that Assign copies, as one value.
  struct TProperties {
    float bottom_radius = 0.5f;
    int slices = 16;
    int stacks = 4;
    int loops = 1;
    float height = 1;
  };
  TProperties properties_;
};

enum TConePart : std::uint8_t { coSides, coBottom };
using TConeParts = std::uint8_t;  // bit n = TConePart n
inline constexpr TConeParts kAllConeParts = 0x03;

// From y = −Height/2 (the base) to the apex at +Height/2.
class TGLCone : public TGLCylinderBase {
 public:
  ZENTROVA_CLASS_NEW(TGLCone)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TConeParts Parts() const { return parts_; }
  void SetParts(TConeParts value);
  float GetTopRadius() const override { return 0; }

  void Assign(const TPersistent* source) override;
  void BuildList(TRenderContextInfo& rci) override;
  TVector4f UnscaledHalfExtents() const override;

 private:
  TConeParts parts_ = kAllConeParts;
};

enum TCylinderPart : std::uint8_t { cySides, cyBottom, cyTop };
using TCylinderParts = std::uint8_t;  // bit n = TCylinderPart n
inline constexpr TCylinderParts kAllCylinderParts = 0x07;
// Where the ends lie: centred on the origin, the top end at the origin, or the bottom end at it.
enum TCylinderAlignment : std::uint8_t { caCenter, caTop, caBottom };

class TGLCylinder : public TGLCylinderBase {
 public:
  ZENTROVA_CLASS_NEW(TGLCylinder)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TCylinderParts Parts() const { return parts_; }
  void SetParts(TCylinderParts value);
  float TopRadius() const { return top_radius_; }
  void SetTopRadius(float value);
  TCylinderAlignment Alignment() const { return alignment_; }
  void SetAlignment(TCylinderAlignment value);
  float GetTopRadius() const override { return top_radius_; }

  // Parts and TopRadius (not the alignment), then the base's.
  void Assign(const TPersistent* source) override;
  // Ray casts: against a straight cylinder of radius TopRadius between the aligned ends: the nearest of the caps
  // and the side that the ray meets going forward. Cap normals ±Y; the side's normal is the hit's radial
  // vector (length TopRadius). Points and normals in absolute coordinates.
  ZENTROVA_SOLID_SHAPE

 private:
  TCylinderParts parts_ = kAllCylinderParts;
  float top_radius_ = 0.5f;
  TCylinderAlignment alignment_ = caCenter;
};

enum TAnnulusPart : std::uint8_t { anInnerSides, anOuterSides, anBottom, anTop };
using TAnnulusParts = std::uint8_t;  // bit n = TAnnulusPart n
inline constexpr TAnnulusParts kAllAnnulusParts = 0x0F;

// A centred thick tube; the outer bottom radius is BottomRadius.
class TGLAnnulus : public TGLCylinderBase {
 public:
  ZENTROVA_CLASS_NEW(TGLAnnulus)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TAnnulusParts Parts() const { return properties_.parts; }
  void SetParts(TAnnulusParts value);
  float BottomInnerRadius() const { return properties_.bottom_inner_radius; }
  void SetBottomInnerRadius(float value);
  float TopInnerRadius() const { return properties_.top_inner_radius; }
  void SetTopInnerRadius(float value);
  float TopRadius() const { return properties_.top_radius; }
  void SetTopRadius(float value);
  float GetTopRadius() const override { return properties_.top_radius; }

  void Assign(const TPersistent* source) override;
  // Ray casts: against a straight tube between radii TopInnerRadius and TopRadius: the nearest of the caps and the
  // walls met going forward. Each cap reports its outward normal (+Y on top, −Y below) whichever way the
  // ray goes; both walls report the radial vector of the hit, away from the axis.
  ZENTROVA_SOLID_SHAPE

 private:
  // The published properties that Assign copies, as one value.
  struct TProperties {
    TAnnulusParts parts = kAllAnnulusParts;
    float bottom_inner_radius = 0.3f;
    float top_inner_radius = 0.3f;
    float top_radius = 0.5f;
  };
  TProperties properties_;
};

}  // namespace zentrova
