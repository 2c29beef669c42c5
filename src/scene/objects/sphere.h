// The quadric base (normal generation and direction applied to GLU quadrics) and the sphere, which draws
// its own triangle strips: a whole sphere or a zone cut by latitude and longitude limits, with optional
// caps at the cuts, normals out or in, and texture coordinates.
#pragma once

#include <GL/glu.h>

#include <array>
#include <cstdint>
#include <memory>

#include "scene/base/class_name.h"
#include "scene/core/custom_scene_object.h"

namespace zentrova {

enum TNormalSmoothing : std::uint8_t { nsFlat, nsSmooth, nsNone };
enum TNormalDirection : std::uint8_t { ndInside, ndOutside };
// Their identifiers in form streams.
inline constexpr std::array<const char*, 2> kNormalDirectionNames{"ndInside", "ndOutside"};
enum TCapType : std::uint8_t { ctNone, ctCenter, ctFlat };

class TGLQuadricObject : public TGLStageObject {
 public:
  ZENTROVA_CLASS_NEW(TGLQuadricObject)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TNormalSmoothing Normals() const { return normals_; }
  void SetNormals(TNormalSmoothing value);
  TNormalDirection NormalDirection() const { return normal_direction_; }
  void SetNormalDirection(TNormalDirection value);

  void Assign(const TPersistent* source) override;
  // Fill, the normals, the orientation and texture coordinates on the quadric.
  void SetupQuadricParams(GLUquadric* quadric) const;
  void SetNormalQuadricOrientation(GLUquadric* quadric) const;
  void SetInvertedQuadricOrientation(GLUquadric* quadric) const;

 private:
  TNormalSmoothing normals_ = nsSmooth;
  TNormalDirection normal_direction_ = ndOutside;
};

// A point at latitude a and longitude t is (cos a · sin t, sin a, cos a · cos t): latitude +90 is the +Y
// pole, longitude 0 points to +Z and longitude 90 to +X; the unit sphere is scaled by Radius.
class TGLSphere : public TGLQuadricObject {
 public:
  ZENTROVA_CLASS_NEW(TGLSphere)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  float Radius() const { return properties_.radius; }
  void SetRadius(float value);
  int Slices() const { return properties_.slices; }
  int Stacks() const { return properties_.stacks; }
  void SetSlices(int value);  // <= 0 stored as 1
  void SetStacks(int value);
  // Latitudes in degrees, -90 .. 90.
  std::int8_t Top() const { return properties_.top; }
  std::int8_t Bottom() const { return properties_.bottom; }
  void SetTop(std::int8_t value);
  void SetBottom(std::int8_t value);
  // Longitudes in degrees, 0 .. 360; Start above Stop (or Stop below Start) fails the assertion before
  // anything is stored.
  std::uint16_t Start() const { return properties_.start; }
  std::uint16_t Stop() const { return properties_.stop; }
  void SetStart(std::uint16_t value);
  void SetStop(std::uint16_t value);
  TCapType TopCap() const { return top_cap_; }
  TCapType BottomCap() const { return bottom_cap_; }
  void SetTopCap(TCapType value);
  void SetBottomCap(TCapType value);

  // Radius, slices, stacks and the four limits (not the caps), then the quadric's Assign.
  void Assign(const TPersistent* source) override;
  // Ray casts: the nearer hit with the sphere; the normal is the unnormalised direction from the centre.
  ZENTROVA_SOLID_SHAPE
  // A circle of max(Stacks, Slices) vertices facing the eye.
  std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TSilhouetteQuery& query) override;

 private:
  // The published properties that Assign copies, as one value.
  struct TProperties {
    float radius = 0.5f;
    int slices = 16;
    int stacks = 16;
    std::int8_t top = 90;
    std::int8_t bottom = -90;
    std::uint16_t start = 0;
    std::uint16_t stop = 360;
  };
  TProperties properties_;
  TCapType top_cap_ = ctNone;
  TCapType bottom_cap_ = ctNone;
};

}  // namespace zentrova
