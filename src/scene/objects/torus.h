// A ring torus about the local Z axis, drawn as quad strips with normals and texture coordinates and
// ray-cast exactly through its quartic.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/property_stream.h"
#include "scene/core/custom_scene_object.h"

namespace zentrova {

class TGLTorus : public TGLStageObject {
 public:
  ZENTROVA_CLASS_NEW(TGLTorus)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  // Segments about the Z axis, at least 2.
  std::uint32_t Rings() const { return rings_; }
  void SetRings(std::uint32_t value);
  // Segments about the tube, at least 3.
  std::uint32_t Sides() const { return sides_; }
  void SetSides(std::uint32_t value);
  float MinorRadius() const { return minor_radius_; }
  void SetMinorRadius(float value);
  float MajorRadius() const { return major_radius_; }
  void SetMajorRadius(float value);

  // Ray casts: the nearest hit ahead of the start; the normal runs from the tube's centre circle to the hit
  // (length about MinorRadius).
  ZENTROVA_SOLID_SHAPE

 private:
  std::uint32_t rings_ = 25;
  std::uint32_t sides_ = 15;
  float minor_radius_ = 0.1f;
  float major_radius_ = 0.4f;
};

}  // namespace zentrova
