#include "scene/objects/multi_polygon.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"
#include "scene/objects/node_stream.h"

#include <GL/glu.h>

#include <cstdint>
#include <deque>
#include <exception>
#include <string>
#include <vector>

#include "platform/exception.h"
#include "scene/base/scene_errors.h"
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

// One tessellation's state, handed to GLU as the polygon data. Every vertex GLU sees (given or made at
// a crossing) lives in the pool, whose addresses stay put until the tessellation ends. Nothing is
// thrown through GLU's C code: the first GLU error and the first exception are kept and raised once
// the tessellator is deleted.
struct TTessellation {
  std::deque<TAffineVector> pool;
  TPolygonList* outline = nullptr;      // building an outline
  std::vector<TAffineVector> boundary;  // the boundary being delivered
  TPolygonSink* sink = nullptr;         // filling one
  bool textured = false;
  GLenum glu_error = 0;
  std::exception_ptr failure;

  template <typename F>
  void Guard(F&& f) {
    if (failure) return;
    try {
      f();
    } catch (...) {
      failure = std::current_exception();
    }
  }
};

void GLAPIENTRY OutlineBegin(GLenum /*mode*/, void* data) {
  static_cast<TTessellation*>(data)->boundary.clear();
}

// A point repeated in a row (the engine closes its outlines by repeating the first point) would make a
// wall of no width with no normal: the boundary keeps it once.
void GLAPIENTRY OutlineVertex(void* vertex, void* data) {
  auto* t = static_cast<TTessellation*>(data);
  const auto* xyz = static_cast<const float*>(vertex);
  const TAffineVector v{xyz[0], xyz[1], xyz[2]};
  t->Guard([&] {
    if (t->boundary.empty() || t->boundary.back() != v) t->boundary.push_back(v);
  });
}

void GLAPIENTRY OutlineEnd(void* data) {
  auto* t = static_cast<TTessellation*>(data);
  t->Guard([&] {
    std::vector<TAffineVector>& b = t->boundary;
    while (b.size() > 1 && b.back() == b.front()) b.pop_back();
    TAffineVectorList& polygon = t->outline->NewPolygon();
    for (const TAffineVector& v : b) polygon.Add(v);
  });
}

void GLAPIENTRY FillBegin(GLenum mode, void* data) {
  auto* t = static_cast<TTessellation*>(data);
  t->Guard([&] { t->sink->Begin(mode); });
}

void GLAPIENTRY FillVertex(void* vertex, void* data) {
  auto* t = static_cast<TTessellation*>(data);
  const auto* xyz = static_cast<const float*>(vertex);
  t->Guard([&] {
    if (t->textured) t->sink->TexCoord(xyz);
    t->sink->Vertex(xyz);
  });
}

void GLAPIENTRY FillEnd(void* data) {
  auto* t = static_cast<TTessellation*>(data);
  t->Guard([&] { t->sink->End(); });
}

void GLAPIENTRY TessError(GLenum error, void* data) {
  auto* t = static_cast<TTessellation*>(data);
  if (t->glu_error == 0) t->glu_error = error;
}

// A crossing point: stored as singles in the pool. No attributes to interpolate.
void GLAPIENTRY TessCombine(GLdouble coords[3], void* /*vertex_data*/[4], GLfloat /*weight*/[4], void** out,
                            void* data) {
  auto* t = static_cast<TTessellation*>(data);
  *out = nullptr;
  t->Guard([&] {
    t->pool.push_back(
        {static_cast<float>(coords[0]), static_cast<float>(coords[1]), static_cast<float>(coords[2])});
    *out = t->pool.back().data();
  });
}

template <typename F>
_GLUfuncptr Callback(F* f) {
  return reinterpret_cast<_GLUfuncptr>(f);
}

// Deletes the tessellator however the tessellation ends.
struct TTessellatorOwner {
  GLUtesselator* tess;
  ~TTessellatorOwner() { gluDeleteTess(tess); }
};

void IssueVertex(GLUtesselator* tess, TTessellation& t, const TAffineVector& v) {
  t.pool.push_back(v);
  GLdouble xyz[3] = {v[0], v[1], v[2]};
  gluTessVertex(tess, xyz, t.pool.back().data());
}

void AddContourToTess(GLUtesselator* tess, TTessellation& t, const TGLContour& contour, bool reversed) {
  gluTessBeginContour(tess);
  const TGLNodes& nodes = contour.Nodes();
  const int samples = contour.SplineMode() == lsmLines ? 0 : contour.Division();
  if (samples > 1 && nodes.Count() > 1) {
    const std::int64_t last = std::int64_t{nodes.Count() - 1} * samples;
    if (last >= kMaxContourPoints) throw Exception("Too many spline divisions for a contour");
    const std::unique_ptr<TCubicSpline> spline = nodes.MakeCubicSpline();
    const float step = 1.0f / static_cast<float>(samples);
    for (std::int64_t i = 0; i <= last; ++i) {
      const std::int64_t k = reversed ? last - i : i;
      IssueVertex(tess, t, spline->ValueAffine(static_cast<float>(k) * step));
    }
  } else {
    for (int i = 0; i < nodes.Count(); ++i) {
      IssueVertex(tess, t, nodes[reversed ? nodes.Count() - 1 - i : i]->AsAffineVector());
    }
  }
  gluTessEndContour(tess);
}

void RaiseFailure(const TTessellation& t) {
  if (t.failure) std::rethrow_exception(t.failure);
  if (t.glu_error != 0) {
    const auto* text = reinterpret_cast<const char*>(gluErrorString(t.glu_error));
    throw EAssertionFailed(std::to_string(t.glu_error) + " : " + (text != nullptr ? text : ""), __FILE__,
                           __LINE__);
  }
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
  TTessellation t;
  t.outline = &list;
  {
    TTessellatorOwner owner{gluNewTess()};
    if (owner.tess == nullptr) throw std::bad_alloc();
    GLUtesselator* tess = owner.tess;
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, Callback(&OutlineBegin));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, Callback(&OutlineVertex));
    gluTessCallback(tess, GLU_TESS_END_DATA, Callback(&OutlineEnd));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, Callback(&TessError));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, Callback(&TessCombine));
    gluTessNormal(tess, outline_normal_[0], outline_normal_[1], outline_normal_[2]);
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_POSITIVE);
    gluTessProperty(tess, GLU_TESS_BOUNDARY_ONLY, GL_TRUE);
    gluTessBeginPolygon(tess, &t);
    for (int i = 0; i < contours_->Count(); ++i) AddContourToTess(tess, t, *contours_->Items(i), i > 0);
    gluTessEndPolygon(tess);
  }
  RaiseFailure(t);
}

void TMultiPolygonBase::RenderTesselatedPolygon(bool textured, const TAffineVector* normal, bool reversed,
                                                TPolygonSink& sink) {
  const TPolygonList& outline = Outline();
  if (outline.Count() == 0 || outline.Polygon(0).Count() < 2) return;
  TTessellation t;
  t.sink = &sink;
  t.textured = textured;
  {
    TTessellatorOwner owner{gluNewTess()};
    if (owner.tess == nullptr) throw std::bad_alloc();
    GLUtesselator* tess = owner.tess;
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, Callback(&FillBegin));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, Callback(&FillVertex));
    gluTessCallback(tess, GLU_TESS_END_DATA, Callback(&FillEnd));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, Callback(&TessError));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, Callback(&TessCombine));
    if (normal != nullptr) {
      sink.Normal(*normal);
      gluTessNormal(tess, (*normal)[0], (*normal)[1], (*normal)[2]);
    }
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_POSITIVE);
    gluTessBeginPolygon(tess, &t);
    for (int p = 0; p < outline.Count(); ++p) {
      const TAffineVectorList& polygon = outline.Polygon(p);
      const int n = polygon.Count();
      gluTessBeginContour(tess);
      for (int i = 0; i < n; ++i) IssueVertex(tess, t, polygon[reversed ? n - 1 - i : i]);
      gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
  }
  RaiseFailure(t);
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
