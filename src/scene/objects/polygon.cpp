#include "scene/objects/polygon.h"

#include "scene/base/property_setter.h"
#include "scene/base/vector_geometry.h"
#include "scene/gl/gl_polygon_sink.h"

namespace zentrova {

void TGLPolygon::SetParts(TPolygonParts value) {
  SetProperty(parts_, value, [this] { MarkStructureDirty(); });
}

void TGLPolygon::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLPolygon*>(source)) parts_ = other->parts_;
  TGLPolygonBase::Assign(source);
}

void TGLPolygon::BuildList(TRenderContextInfo& /*rci*/) {
  if (Nodes().Count() <= 1) return;
  TAffineVector normal = Nodes().PlaneNormal();
  const TAffineVector* given = AffineIsNull(normal) ? nullptr : &normal;
  const int divisions = SplineMode() == lsmLines ? 1 : Division();
  if ((parts_ & (1u << ppTop)) != 0)
    Nodes().DrawTessellatedPolygon(true, given, divisions, false, GLPolygonSink());
  if ((parts_ & (1u << ppBottom)) != 0) {
    normal = {-normal[0], -normal[1], -normal[2]};
    Nodes().DrawTessellatedPolygon(true, given, divisions, true, GLPolygonSink());
  }
}

}  // namespace zentrova
