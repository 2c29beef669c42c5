// A flat disk, ring or ring sector in the local XY plane, drawn with GLU's partial disk.
#pragma once

#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/property_stream.h"
#include "scene/objects/sphere.h"

namespace zentrova {

class TGLDisk : public TGLQuadricObject {
 public:
  ZENTROVA_CLASS_NEW(TGLDisk)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  // Degrees in GLU's convention: 0 on +Y, clockwise.
  float StartAngle() const { return properties_.start_angle; }
  void SetStartAngle(float value);
  float SweepAngle() const { return properties_.sweep_angle; }
  void SetSweepAngle(float value);
  float OuterRadius() const { return properties_.outer_radius; }
  void SetOuterRadius(float value);
  float InnerRadius() const { return properties_.inner_radius; }
  void SetInnerRadius(float value);
  int Slices() const { return properties_.slices; }
  void SetSlices(int value);
  int Loops() const { return properties_.loops; }
  void SetLoops(int value);

  void Assign(const TPersistent* source) override;
  // Ray casts: against the full ring (the sector is not considered). The point receives the plane's hit whenever the
  // ray meets the plane, also when the hit lies outside the ring; the normal is the absolute Z axis.
  ZENTROVA_SOLID_SHAPE

 private:
  // The published properties that Assign copies, as one value.
  struct TProperties {
    float start_angle = 0;
    float sweep_angle = 360;
    float outer_radius = 0.5f;
    float inner_radius = 0;
    int slices = 16;
    int loops = 2;
  };
  TProperties properties_;
};

}  // namespace zentrova
