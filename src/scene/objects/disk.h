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
  float StartAngle() const { return start_angle_; }
  void SetStartAngle(float value);
  float SweepAngle() const { return sweep_angle_; }
  void SetSweepAngle(float value);
  float OuterRadius() const { return outer_radius_; }
  void SetOuterRadius(float value);
  float InnerRadius() const { return inner_radius_; }
  void SetInnerRadius(float value);
  int Slices() const { return slices_; }
  void SetSlices(int value);
  int Loops() const { return loops_; }
  void SetLoops(int value);

  void Assign(const TPersistent* source) override;
  // Ray casts: against the full ring (the sector is not considered). The point receives the plane's hit whenever the
  // ray meets the plane, also when the hit lies outside the ring; the normal is the absolute Z axis.
  ZENTROVA_SOLID_SHAPE

 private:
  float start_angle_ = 0;
  float sweep_angle_ = 360;
  float outer_radius_ = 0.5f;
  float inner_radius_ = 0;
  int slices_ = 16;
  int loops_ = 2;
};

}  // namespace zentrova
