#include "scene/base/nodes.h"

#include <charconv>

#include <GL/glu.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/settings.h"
#include "platform/strings.h"
#include "scene/base/float_math.h"
#include "scene/base/scene_errors.h"
#include "scene/base/tessellator.h"
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

constexpr std::int64_t kMaxSplinePoints = std::int64_t{1} << 22;

}  // namespace

void TGLNodes::DrawTessellatedPolygon(bool textured, const TAffineVector* normal, int divisions, bool invert,
                                      TPolygonSink& sink) const {
  if (Count() < 3) return;
  TTessellator tess(TTessellator::Into(sink, textured));
  if (normal != nullptr) {
    sink.Normal(*normal);
    tess.SetNormal((*normal)[0], (*normal)[1], (*normal)[2]);
  }
  tess.BeginPolygon();
  tess.BeginContour();
  if (divisions > 1) {
    const std::unique_ptr<TCubicSpline> spline = MakeCubicSpline();
    const auto f = static_cast<float>(1.0L / divisions);
    const std::int64_t last = std::int64_t{Count() - 1} * divisions;
    // Every point is kept until the polygon ends; beyond a few million the divisions are nonsense.
    if (last > kMaxSplinePoints) throw Exception("Too many spline divisions for a polygon");
    for (std::int64_t i = 0; i <= last; ++i) {
      const std::int64_t k = invert ? last - i : i;
      const TAffineVector p = spline->ValueAffine(static_cast<float>(static_cast<long double>(k) * f));
      tess.Vertex(p[0], p[1], p[2]);
    }
  } else {
    for (int i = 0; i < Count(); ++i) {
      const TGLNode* node = GetItem(invert ? Count() - 1 - i : i);
      tess.Vertex(node->X(), node->Y(), node->Z());
    }
  }
  tess.EndContour();
  if (const GLenum error = tess.EndPolygon(); error != 0) {
    const auto* text = reinterpret_cast<const char*>(gluErrorString(error));
    throw EAssertionFailed(std::to_string(error) + ": " + (text != nullptr ? text : ""), __FILE__, __LINE__);
  }
}

}  // namespace zentrova
