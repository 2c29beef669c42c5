#include "scene/objects/multi_polygon.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"
#include "scene/objects/node_stream.h"

#include <GL/glu.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/exception.h"
#include "scene/base/scene_errors.h"
#include "scene/base/tessellator.h"
#include "scene/gl/gl_polygon_sink.h"
#include "scene/gl/opengl_binding.h"

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLMultiPolygon);

// ---- TPolygonList

TAffineVectorList& TPolygonList::NewPolygon() {
  polygons_.push_back(std::make_unique<TAffineVectorList>());
  return *polygons_.back();
}

const TAffineVectorList& TPolygonList::Polygon(int index) const {
  if (index < 0 || index >= Count()) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return *polygons_[static_cast<std::size_t>(index)];
}

int TPolygonList::TotalVertexCount() const {
  int total = 0;
  for (const auto& polygon : polygons_) total += polygon->Count();
  return total;
}

namespace {

// More spline points than this in one contour are a mistaken Division, not a shape.
constexpr std::int64_t kMaxContourPoints = std::int64_t{1} << 22;

void IssueVertex(TTessellator& tess, const TAffineVector& v) {
  tess.Vertex(v[0], v[1], v[2]);
}

void AddContourToTess(TTessellator& tess, const TGLContour& contour, bool reversed) {
  tess.BeginContour();
  const TGLNodes& nodes = contour.Nodes();
  const int samples = contour.SplineMode() == lsmLines ? 0 : contour.Division();
  if (samples > 1 && nodes.Count() > 1) {
    const std::int64_t last = std::int64_t{nodes.Count() - 1} * samples;
    if (last >= kMaxContourPoints) throw Exception("Too many spline divisions for a contour");
    const std::unique_ptr<TCubicSpline> spline = nodes.MakeCubicSpline();
    const float step = 1.0f / static_cast<float>(samples);
    for (std::int64_t i = 0; i <= last; ++i) {
      const std::int64_t k = reversed ? last - i : i;
      IssueVertex(tess, spline->ValueAffine(static_cast<float>(k) * step));
    }
  } else {
    for (int i = 0; i < nodes.Count(); ++i) {
      IssueVertex(tess, nodes[reversed ? nodes.Count() - 1 - i : i]->AsAffineVector());
    }
  }
  tess.EndContour();
}

void RaiseGLUError(GLenum error) {
  if (error == 0) return;
  const auto* text = reinterpret_cast<const char*>(gluErrorString(error));
  throw EAssertionFailed(std::to_string(error) + " : " + (text != nullptr ? text : ""), __FILE__, __LINE__);
}

}  // namespace

// ---- TMultiPolygonBase

TMultiPolygonBase::TMultiPolygonBase() : contours_(std::make_unique<TGLContours>(this)) {
  contours_->OnNotifyChange = [this] { ContoursChanged(); };
}

TMultiPolygonBase::~TMultiPolygonBase() {
  outline_.reset();
  // The contours go without notices; nothing is left to tell.
  contours_->OnNotifyChange = nullptr;
}

TGLNodes& TMultiPolygonBase::ContourNodes(int index) {
  SceneAssert(index >= 0);
  while (contours_->Count() <= index) contours_->Add();
  return contours_->Items(index)->Nodes();
}

void TMultiPolygonBase::ContoursChanged() {
  if (outline_ == nullptr) return;
  outline_.reset();  // built again by the next frame
  MarkStructureDirty();
}

const TPolygonList& TMultiPolygonBase::Outline() {
  if (outline_ == nullptr) {
    outline_ = std::make_unique<TPolygonList>();
    BuildOutline(*outline_);
  }
  return *outline_;
}

void TMultiPolygonBase::BuildOutline(TPolygonList& list) const {
  list.Clear();
  if (contours_->Count() == 0 || contours_->Items(0)->Nodes().Count() <= 2) return;
  std::vector<TAffineVector> boundary;  // the boundary being delivered
  TTessellator tess({.begin = [&](GLenum) { boundary.clear(); },
                     // A point repeated in a row (the engine closes its outlines by repeating the first
                     // point) would make a wall of no width with no normal: the boundary keeps it once.
                     .vertex =
                         [&](const float* xyz) {
                           const TAffineVector v{xyz[0], xyz[1], xyz[2]};
                           if (boundary.empty() || boundary.back() != v) boundary.push_back(v);
                         },
                     .end =
                         [&] {
                           while (boundary.size() > 1 && boundary.back() == boundary.front()) boundary.pop_back();
                           TAffineVectorList& polygon = list.NewPolygon();
                           for (const TAffineVector& v : boundary) polygon.Add(v);
                         },
                     .triangles_only = false});
  tess.SetNormal(outline_normal_[0], outline_normal_[1], outline_normal_[2]);
  tess.SetProperty(GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_POSITIVE);
  tess.SetProperty(GLU_TESS_BOUNDARY_ONLY, GL_TRUE);
  tess.BeginPolygon();
  for (int i = 0; i < contours_->Count(); ++i) AddContourToTess(tess, *contours_->Items(i), i > 0);
  RaiseGLUError(tess.EndPolygon());
}

void TMultiPolygonBase::RenderTesselatedPolygon(bool textured, const TAffineVector* normal, bool reversed,
                                                TPolygonSink& sink) {
  const TPolygonList& outline = Outline();
  if (outline.Count() == 0 || outline.Polygon(0).Count() < 2) return;
  TTessellator tess(TTessellator::Into(sink, textured));
  if (normal != nullptr) {
    sink.Normal(*normal);
    tess.SetNormal((*normal)[0], (*normal)[1], (*normal)[2]);
  }
  tess.SetProperty(GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_POSITIVE);
  tess.BeginPolygon();
  for (int p = 0; p < outline.Count(); ++p) {
    const TAffineVectorList& polygon = outline.Polygon(p);
    const int n = polygon.Count();
    tess.BeginContour();
    for (int i = 0; i < n; ++i) IssueVertex(tess, polygon[reversed ? n - 1 - i : i]);
    tess.EndContour();
  }
  RaiseGLUError(tess.EndPolygon());
}

void TMultiPolygonBase::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TMultiPolygonBase*>(source)) SetContours(*other->contours_);
  TGLStageObject::Assign(source);
}

// ---- TGLMultiPolygon

void TGLMultiPolygon::SetParts(TPolygonParts value) {
  SetProperty(parts_, value, StructureChangeOf(this));
}

void TGLMultiPolygon::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLMultiPolygon*>(source)) parts_ = other->parts_;
  TMultiPolygonBase::Assign(source);
}

void TGLMultiPolygon::BuildList(TRenderContextInfo& /*rci*/) {
  if (Outline().Count() == 0) return;
  TAffineVector normal = OutlineNormal();
  if ((parts_ & (1u << ppTop)) != 0) RenderTesselatedPolygon(true, &normal, false, GLPolygonSink());
  if ((parts_ & (1u << ppBottom)) != 0) {
    normal = {-normal[0], -normal[1], -normal[2]};
    RenderTesselatedPolygon(true, &normal, true, GLPolygonSink());
  }
}

// ---- streaming

namespace {

constexpr TIdentNames<5> kSplineModeNames{"lsmLines", "lsmCubicSpline", "lsmBezierSpline", "lsmNURBSCurve",
                                          "lsmSegments"};
constexpr TIdentNames<2> kPolygonPartNames{"ppTop", "ppBottom"};

}  // namespace

// Each contour an item of its "Description" (when not empty), "Nodes", "Division" and "SplineMode".
void TMultiPolygonBase::WriteProperties(TPropertyWriter& w) const {
  TGLStageObject::WriteProperties(w);
  w.BeginCollection("Contours");
  for (int i = 0; i < contours_->Count(); ++i) {
    const TGLContour& contour = *contours_->Items(i);
    w.BeginItem();
    if (!contour.Description().empty()) w.String("Description", contour.Description());
    WriteNodes(w, "Nodes", contour.Nodes());
    if (contour.Division() != 10) w.Integer("Division", contour.Division());
    if (contour.SplineMode() != lsmLines) w.Enum("SplineMode", kSplineModeNames, contour.SplineMode());
    w.EndItem();
  }
  w.EndCollection();
}

bool TMultiPolygonBase::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name != "Contours") return TGLStageObject::ReadProperty(name, v);
  if (v.tag != vaCollection) RaiseInvalidPropertyValue();
  contours_->BeginUpdate();
  try {
    contours_->Clear();
    for (const TPropertyList& item : v.items) {
      TGLContour& contour = *contours_->Add();
      for (const TProperty& p : item) {
        if (p.name == "Description") {
          contour.SetDescription(AsString(p.value));
        } else if (p.name == "Nodes") {
          ReadNodes(contour.Nodes(), p.value);
        } else if (p.name == "Division") {
          contour.SetDivision(AsInteger(p.value));
        } else if (p.name == "SplineMode") {
          contour.SetSplineMode(AsEnum<TLineSplineMode>(kSplineModeNames, p.value));
        } else {
          RaiseNoProperty(p.name);
        }
      }
    }
  } catch (...) {
    contours_->EndUpdate();
    throw;
  }
  contours_->EndUpdate();
  return true;
}

void TGLMultiPolygon::WriteProperties(TPropertyWriter& w) const {
  TMultiPolygonBase::WriteProperties(w);
  if (parts_ != kAllPolygonParts) w.SetOf("Parts", kPolygonPartNames, parts_);
}

bool TGLMultiPolygon::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name != "Parts") return TMultiPolygonBase::ReadProperty(name, v);
  SetParts(static_cast<TPolygonParts>(SetBits(kPolygonPartNames, v)));
  return true;
}

}  // namespace zentrova
