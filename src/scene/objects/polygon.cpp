#include "scene/objects/polygon.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"

#include "scene/base/vector_geometry.h"
#include "scene/gl/gl_polygon_sink.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLPolygon);

void TGLPolygon::SetParts(TPolygonParts value) {
  SetProperty(parts_, value, StructureChangeOf(this));
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

namespace {

constexpr TIdentNames<2> kPolygonPartNames{"ppTop", "ppBottom"};

}  // namespace

void TGLPolygon::WriteProperties(TPropertyWriter& w) const {
  TGLPolygonBase::WriteProperties(w);
  if (parts_ != kAllPolygonParts) w.SetOf("Parts", kPolygonPartNames, parts_);
}

bool TGLPolygon::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name != "Parts") return TGLPolygonBase::ReadProperty(name, v);
  SetParts(static_cast<TPolygonParts>(SetBits(kPolygonPartNames, v)));
  return true;
}

}  // namespace zentrova
