// A flat filled polygon through the nodes of the polygon base, drawn as a top face, a bottom face or
// both through the node polygon's tessellation.
#pragma once

#include <memory>
#include <string>

#include "scene/base/class_name.h"
#include "scene/base/property_stream.h"
#include "scene/objects/multi_polygon.h"
#include "scene/objects/polygon_base.h"

namespace zentrova {

class TGLPolygon : public TGLPolygonBase {
 public:
  ZENTROVA_CLASS_NEW(TGLPolygon)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  TPolygonParts Parts() const { return parts_; }
  void SetParts(TPolygonParts value);

  void Assign(const TPersistent* source) override;
  // The faces about the plane of the first three nodes; without such a plane (fewer nodes, or collinear
  // ones) no normal is given.
  void BuildList(TRenderContextInfo& rci) override;

 private:
  TPolygonParts parts_ = kAllPolygonParts;
};

}  // namespace zentrova
