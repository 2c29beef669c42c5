#include "scene/base/nodes.h"

#include <charconv>

#include <GL/glu.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <exception>
#include <vector>

#include "platform/settings.h"
#include "platform/strings.h"
#include "scene/base/float_math.h"
#include "scene/base/scene_errors.h"
#include "scene/base/update_able.h"
#include "scene/base/vector_geometry.h"

namespace zentrova {

// ---- TGLNode ----

void TGLNode::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLNode*>(source)) {
    value_ = other->value_;
    return;
  }
  TCollectionItem::Assign(source);
}

std::string TGLNode::GetDisplayName() const {
  // to_chars: independent of the C locale, and sized for the widest float (about 45 characters each).
  std::string text;
  for (int i = 0; i < 3; ++i) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value_[i]),
                                      std::chars_format::fixed, 4);
    if (i > 0) text += "; ";
    text.append(buffer, result.ptr);
  }
  return ReplaceAll(text, ".", std::string(1, DecimalSeparator()));
}

void TGLNode::SetAsVector(const TVector4f& v) {
  value_ = v;
  NotifyNodes();
}

void TGLNode::SetCoordinate(int index, float value) {
  if (index < 0 || index > 3) throw ERangeError(kRangeCheckError);
  value_[index] = value;
  NotifyNodes();
}

void TGLNode::NotifyNodes() {
  if (auto* nodes = dynamic_cast<TGLNodes*>(Collection())) nodes->NotifyChange();
}

// ---- TGLNodes ----

TGLNodes::TGLNodes(TPersistent* owner, TCollectionItemClass item_class)
    : TOwnedCollection(owner, item_class != nullptr ? item_class : &CreateCollectionItem<TGLNode>) {}

std::unique_ptr<TGLNodes> TGLNodes::NewInstance(TPersistent* owner) const {
  return std::make_unique<TGLNodes>(owner, ItemClass());
}

std::unique_ptr<TGLNodes> TGLNodes::Duplicate(TPersistent* owner) const {
  std::unique_ptr<TGLNodes> copy = NewInstance(owner);
  copy->Assign(this);
  return copy;
}

TGLNode* TGLNodes::GetItem(int index) const {
  auto* node = dynamic_cast<TGLNode*>(Items(index));
  SceneAssert(node != nullptr);
  return node;
}

TGLNode* TGLNodes::Add() {
  auto* node = dynamic_cast<TGLNode*>(TOwnedCollection::Add());
  SceneAssert(node != nullptr);
  return node;
}

TGLNode* TGLNodes::AddXYZ(float x, float y, float z) {
  TGLNode* node = Add();
  node->SetAsVector({x, y, z, 1});
  return node;
}

void TGLNodes::NotifyChange() {
  if (UpdateCount() != 0) return;
  if (auto* owner = dynamic_cast<TGLUpdateAbleComponent*>(GetOwner())) owner->NotifyChange(this);
}

void TGLNodes::Update(TCollectionItem* item) {
  TOwnedCollection::Update(item);
  NotifyChange();
}

void TGLNodes::EndUpdate() {
  TOwnedCollection::EndUpdate();
  if (UpdateCount() == 0) NotifyChange();
}

TAffineVector TGLNodes::AveragePosition() const {
  TAffineVector sum = ZeroVector;
  if (Count() == 0) return sum;
  for (int i = 0; i < Count(); ++i) AddAffineInPlace(sum, GetItem(i)->AsAffineVector());
  ScaleAffine(sum, static_cast<float>(1.0L / Count()));
  return sum;
}

TAffineVector TGLNodes::PlaneNormal() const {
  if (Count() < 3) return ZeroVector;
  const TAffineVector p0 = GetItem(0)->AsAffineVector();
  return NormalizeAffineTo(AffineCross(SubtractAffine(GetItem(1)->AsAffineVector(), p0),
                                       SubtractAffine(GetItem(2)->AsAffineVector(), p0)));
}

TAffineVector TGLNodes::DirectionAt(int index) const {
  SceneAssert(index >= 0 && index < Count());
  TAffineVector d = ZeroVector;
  if (index > 0 && index < Count() - 1) {
    d = SubtractAffine(GetItem(index + 1)->AsAffineVector(), GetItem(index - 1)->AsAffineVector());
  } else if (index > 0) {
    d = SubtractAffine(GetItem(index)->AsAffineVector(), GetItem(index - 1)->AsAffineVector());
  } else if (Count() > 1) {
    d = SubtractAffine(GetItem(1)->AsAffineVector(), GetItem(0)->AsAffineVector());
  }
  if (AffineNorm(d) < 1e-5f) return ZeroVector;
  NormalizeAffine(d);
  return d;
}

void TGLNodes::Translate(const TAffineVector& v) {
  for (int i = 0; i < Count(); ++i) {
    TGLNode* node = GetItem(i);
    TAffineVector p = node->AsAffineVector();
    AddAffineInPlace(p, v);
    node->value_ = {p[0], p[1], p[2], node->value_[3]};
  }
  NotifyChange();
}

void TGLNodes::TurnAboutY(float angle_degrees) {
  const long double a = static_cast<long double>(angle_degrees) * (cPI / 180);
  const long double s = std::sin(a), c = std::cos(a);
  for (int i = 0; i < Count(); ++i) {
    TVector4f& v = GetItem(i)->value_;
    const long double x = v[0], z = v[2];
    v[0] = static_cast<float>(c * x + s * z);
    v[2] = static_cast<float>(c * z - s * x);
  }
  NotifyChange();
}

std::unique_ptr<TCubicSpline> TGLNodes::MakeCubicSpline() const {
  std::vector<float> x(Count()), y(Count()), z(Count());
  for (int i = 0; i < Count(); ++i) {
    const TVector4f& v = GetItem(i)->value_;
    x[i] = v[0];
    y[i] = v[1];
    z[i] = v[2];
  }
  return std::make_unique<TCubicSpline>(x, y, z, std::span<const float>(), Count());
}

namespace {

// What the GLU callbacks need; the tessellator hands it back as its polygon data. The callbacks run
// inside GLU's C code, so nothing may be thrown through them: the first failure is kept and raised
// once the tessellator is gone.
struct TTessellation {
  TPolygonSink* sink = nullptr;
  bool textured = false;
  // Spline points and the vertices that GLU creates at intersections; a deque keeps their addresses.
  std::deque<TAffineVector> pool;
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

void GLAPIENTRY TessBegin(GLenum mode, void* data) {
  auto* t = static_cast<TTessellation*>(data);
  t->Guard([&] { t->sink->Begin(mode); });
}

void GLAPIENTRY TessVertex(void* vertex, void* data) {
  auto* t = static_cast<TTessellation*>(data);
  const auto* xyz = static_cast<const float*>(vertex);
  t->Guard([&] {
    if (t->textured) t->sink->TexCoord(xyz);
    t->sink->Vertex(xyz);
  });
}

void GLAPIENTRY TessEnd(void* data) {
  auto* t = static_cast<TTessellation*>(data);
  t->Guard([&] { t->sink->End(); });
}

void GLAPIENTRY TessError(GLenum error, void* data) {
  auto* t = static_cast<TTessellation*>(data);
  if (t->glu_error == 0) t->glu_error = error;
}

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

// Deletes the tessellator however the drawing ends.
struct TTessellatorOwner {
  GLUtesselator* tess;
  ~TTessellatorOwner() { gluDeleteTess(tess); }
};

constexpr std::int64_t kMaxSplinePoints = std::int64_t{1} << 22;

template <typename F>
_GLUfuncptr Callback(F* f) {
  return reinterpret_cast<_GLUfuncptr>(f);
}

}  // namespace

void TGLNodes::DrawTessellatedPolygon(bool textured, const TAffineVector* normal, int divisions, bool invert,
                                      TPolygonSink& sink) const {
  if (Count() < 3) return;
  TTessellation t;
  t.sink = &sink;
  t.textured = textured;
  {
    TTessellatorOwner owner{gluNewTess()};
    if (owner.tess == nullptr) throw std::bad_alloc();
    GLUtesselator* tess = owner.tess;
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, Callback(&TessBegin));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, Callback(&TessVertex));
    gluTessCallback(tess, GLU_TESS_END_DATA, Callback(&TessEnd));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, Callback(&TessError));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, Callback(&TessCombine));
    if (normal != nullptr) {
      sink.Normal(*normal);
      gluTessNormal(tess, (*normal)[0], (*normal)[1], (*normal)[2]);
    }
    gluTessBeginPolygon(tess, &t);
    gluTessBeginContour(tess);
    GLdouble xyz[3];
    if (divisions > 1) {
      const std::unique_ptr<TCubicSpline> spline = MakeCubicSpline();
      const auto f = static_cast<float>(1.0L / divisions);
      const std::int64_t last = std::int64_t{Count() - 1} * divisions;
      // Every point is kept until the polygon ends; beyond a few million the divisions are nonsense.
      if (last > kMaxSplinePoints) throw Exception("Too many spline divisions for a polygon");
      for (std::int64_t i = 0; i <= last; ++i) {
        const std::int64_t k = invert ? last - i : i;
        t.pool.push_back(spline->ValueAffine(static_cast<float>(static_cast<long double>(k) * f)));
        const TAffineVector& p = t.pool.back();
        xyz[0] = p[0];
        xyz[1] = p[1];
        xyz[2] = p[2];
        gluTessVertex(tess, xyz, const_cast<float*>(p.data()));
      }
    } else {
      for (int i = 0; i < Count(); ++i) {
        const TGLNode* node = GetItem(invert ? Count() - 1 - i : i);
        xyz[0] = node->X();
        xyz[1] = node->Y();
        xyz[2] = node->Z();
        gluTessVertex(tess, xyz, const_cast<float*>(node->DataPointer()));
      }
    }
    gluTessEndContour(tess);
    gluTessEndPolygon(tess);
  }
  if (t.failure) std::rethrow_exception(t.failure);
  if (t.glu_error != 0) {
    const auto* text = reinterpret_cast<const char*>(gluErrorString(t.glu_error));
    throw EAssertionFailed(std::to_string(t.glu_error) + ": " + (text != nullptr ? text : ""), __FILE__,
                           __LINE__);
  }
}

}  // namespace zentrova
