#include "scene/base/vector_geometry.h"

#include <cmath>
#include <cstring>

namespace zentrova {

namespace {

// Operands are widened to extended precision, combined there and rounded to single when stored.
using Ext = long double;

inline float S(Ext x) {
  return static_cast<float>(x);
}

template <typename A>
bool BitEqual(const A& a, const A& b, std::size_t n) {
  return std::memcmp(a.data(), b.data(), n * sizeof(float)) == 0;
}

}  // namespace

bool Has3DNow() {
  return false;
}

TAffineVector MakeAffineVector(float x, float y, float z) {
  return {x, y, z};
}
void SetAffineVector(TAffineVector& v, float x, float y, float z) {
  v = {x, y, z};
}
void SetAffineXYZ(TAffineVector& v, float x, float y, float z) {
  v = {x, y, z};
}
void SetAffineFromVector(TAffineVector& a, const TVector4f& v) {
  a = {v[0], v[1], v[2]};
}
TAffineDblVector AffineVectorToDouble(const TAffineVector& v) {
  return {v[0], v[1], v[2]};
}
TVector4f MakeVector4(float x, float y, float z, float w) {
  return {x, y, z, w};
}
void SetVector4(TVector4f& v, float x, float y, float z, float w) {
  v = {x, y, z, w};
}
void SetVectorFromAffineW(TVector4f& v, const TAffineVector& a, float w) {
  v = {a[0], a[1], a[2], w};
}
TVector4f MakePoint(float x, float y, float z) {
  return {x, y, z, 1};
}
void SetPointFromAffine(TVector4f& v, const TAffineVector& a) {
  v = {a[0], a[1], a[2], 1};
}
TVector4f PointFromAffine(const TAffineVector& a) {
  return {a[0], a[1], a[2], 1};
}
TVector4f DirectionFromAffine(const TAffineVector& a) {
  return {a[0], a[1], a[2], 0};
}
void CopyVector4(TVector4f& dest, const TVector4f& source) {
  dest = source;
}
void ClearVector4(TVector4f& v) {
  v = {0, 0, 0, 0};
}

TAffineVector AddAffine(const TAffineVector& a, const TAffineVector& b) {
  return {S(Ext(a[0]) + b[0]), S(Ext(a[1]) + b[1]), S(Ext(a[2]) + b[2])};
}
void AddAffineInPlace(TAffineVector& v, const TAffineVector& delta) {
  v = AddAffine(v, delta);
}
TVector4f AddVector4(const TVector4f& a, const TVector4f& b) {
  return {S(Ext(a[0]) + b[0]), S(Ext(a[1]) + b[1]), S(Ext(a[2]) + b[2]), S(Ext(a[3]) + b[3])};
}
void AddVector4InPlace(TVector4f& v, const TVector4f& delta) {
  v = AddVector4(v, delta);
}

TAffineVector SubtractAffine(const TAffineVector& a, const TAffineVector& b) {
  return {S(Ext(a[0]) - b[0]), S(Ext(a[1]) - b[1]), S(Ext(a[2]) - b[2])};
}
void SubtractAffine(const TAffineVector& a, const TAffineVector& b, TAffineVector& result) {
  result = SubtractAffine(a, b);
}
void SubtractAffineInPlace(TAffineVector& v, const TAffineVector& delta) {
  v = SubtractAffine(v, delta);
}
TVector4f SubtractVector4(const TVector4f& a, const TVector4f& b) {
  return {S(Ext(a[0]) - b[0]), S(Ext(a[1]) - b[1]), S(Ext(a[2]) - b[2]), S(Ext(a[3]) - b[3])};
}
void SubtractVector4InPlace(TVector4f& v, const TVector4f& w) {
  v = SubtractVector4(v, w);
}
TVector4f SubtractToDirection(const TVector4f& a, const TVector4f& b) {
  return {S(Ext(a[0]) - b[0]), S(Ext(a[1]) - b[1]), S(Ext(a[2]) - b[2]), 0};
}
TVector4f SubtractVector3KeepW(const TVector4f& a, const TVector4f& b) {
  return {S(Ext(a[0]) - b[0]), S(Ext(a[1]) - b[1]), S(Ext(a[2]) - b[2]), a[3]};
}

void AddToAffineArray(const TAffineVector* in, const TAffineVector& delta, TAffineVector* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = AddAffine(in[i], delta);
}

void AddScaledAffine(TAffineVector& v, const TAffineVector& w, float f) {
  v = {S(Ext(v[0]) + Ext(w[0]) * f), S(Ext(v[1]) + Ext(w[1]) * f), S(Ext(v[2]) + Ext(w[2]) * f)};
}

TAffineVector CombineAffine(const TAffineVector& v1, const TAffineVector& v2, float f1, float f2) {
  TAffineVector r;
  for (int i = 0; i < 3; ++i) r[i] = S(Ext(f1) * v1[i] + Ext(f2) * v2[i]);
  return r;
}
void CombineAffine(const TAffineVector& a, const TAffineVector& b, TAffineVector& result, float fa,
                   float fb) {
  result = CombineAffine(a, b, fa, fb);
}
TVector4f CombineVector4(const TVector4f& v1, const TVector4f& v2, float f1, float f2) {
  TVector4f r;
  for (int i = 0; i < 4; ++i) r[i] = S(Ext(f1) * v1[i] + Ext(f2) * v2[i]);
  return r;
}
void CombineVector4(const TVector4f& a, const TVector4f& b, TVector4f& result, float fa, float fb) {
  result = CombineVector4(a, b, fa, fb);
}
TAffineVector CombineAffineOne(const TAffineVector& v1, const TAffineVector& v2, float f2) {
  TAffineVector r;
  for (int i = 0; i < 3; ++i) r[i] = S(Ext(v1[i]) + Ext(f2) * v2[i]);
  return r;
}
TVector4f CombineVector4One(const TVector4f& v1, const TVector4f& v2, float f2) {
  TVector4f r;
  for (int i = 0; i < 4; ++i) r[i] = S(Ext(v1[i]) + Ext(f2) * v2[i]);
  return r;
}

void ScaleAffine(TAffineVector& v, float f) {
  for (float& c : v) c = S(Ext(c) * f);
}
TAffineVector ScaleAffineTo(const TAffineVector& v, float f) {
  TAffineVector r = v;
  ScaleAffine(r, f);
  return r;
}
void ScaleVector4(TVector4f& v, float f) {
  for (float& c : v) c = S(Ext(c) * f);
}
void ScaleVector4To(const TVector4f& v, float f, TVector4f& result) {
  result = v;
  ScaleVector4(result, f);
}
void ScaleVectorByVector(TAffineVector& v, const TAffineVector& factors) {
  for (int i = 0; i < 3; ++i) v[i] = S(Ext(v[i]) * factors[i]);
}
void ScaleVector4ByVector(TVector4f& v, const TVector4f& factors) {
  for (int i = 0; i < 4; ++i) v[i] = S(Ext(v[i]) * factors[i]);
}

void NegateAffine(TAffineVector& v) {
  for (float& c : v) c = -c;
}
void NegateAffineTo(const TAffineVector& v, TAffineVector& result) {
  result = {-v[0], -v[1], -v[2]};
}
void NegateVector4(TVector4f& v) {
  for (float& c : v) c = -c;
}
void NegateVector4To(const TVector4f& v, TVector4f& result) {
  result = {-v[0], -v[1], -v[2], -v[3]};
}
TVector4f AbsComponents4(const TVector4f& v) {
  return {std::fabs(v[0]), std::fabs(v[1]), std::fabs(v[2]), std::fabs(v[3])};
}
void MaxComponentsInPlace(TAffineVector& v, const TAffineVector& w) {
  for (int i = 0; i < 3; ++i) {
    if (w[i] > v[i]) v[i] = w[i];
  }
}
void MaxComponentsInPlace(TVector4f& v, const TVector4f& w) {
  for (int i = 0; i < 4; ++i) {
    if (w[i] > v[i]) v[i] = w[i];
  }
}
void ScaleFloatArray(float* values, int n, float f) {
  for (int i = 0; i < n; ++i) values[i] = S(Ext(values[i]) * f);
}

namespace {
Ext Dot3(const float* a, const float* b) {
  return Ext(a[0]) * b[0] + Ext(a[1]) * b[1] + Ext(a[2]) * b[2];
}
Ext Norm3(const float* a) {
  return Ext(a[0]) * a[0] + Ext(a[1]) * a[1] + Ext(a[2]) * a[2];
}
}  // namespace

float AffineDot(const TAffineVector& a, const TAffineVector& b) {
  return S(Dot3(a.data(), b.data()));
}
float Vector3Dot(const TVector4f& a, const TVector4f& b) {
  return S(Dot3(a.data(), b.data()));
}
float Vector4Dot(const TVector4f& a, const TVector4f& b) {
  return S(Ext(a[0]) * b[0] + Ext(a[1]) * b[1] + Ext(a[2]) * b[2] + Ext(a[3]) * b[3]);
}

long double ProjectPointOnAxis(const TAffineVector& p, const TAffineVector& origin,
                               const TAffineVector& direction) {
  return (Ext(p[0]) - origin[0]) * direction[0] + (Ext(p[1]) - origin[1]) * direction[1] +
         (Ext(p[2]) - origin[2]) * direction[2];
}
long double ProjectPointOnAxis(const TVector4f& p, const TVector4f& origin, const TVector4f& direction) {
  return (Ext(p[0]) - origin[0]) * direction[0] + (Ext(p[1]) - origin[1]) * direction[1] +
         (Ext(p[2]) - origin[2]) * direction[2];
}

TAffineVector AffineCross(const TAffineVector& a, const TAffineVector& b) {
  return {S(Ext(a[1]) * b[2] - Ext(a[2]) * b[1]), S(Ext(a[2]) * b[0] - Ext(a[0]) * b[2]),
          S(Ext(a[0]) * b[1] - Ext(a[1]) * b[0])};
}
void AffineCrossTo(const TAffineVector& a, const TAffineVector& b, TAffineVector& result) {
  result = AffineCross(a, b);
}
TVector4f VectorCrossProduct(const TVector4f& a, const TVector4f& b) {
  return {S(Ext(a[1]) * b[2] - Ext(a[2]) * b[1]), S(Ext(a[2]) * b[0] - Ext(a[0]) * b[2]),
          S(Ext(a[0]) * b[1] - Ext(a[1]) * b[0]), 0};
}
TVector4f AffineCrossToVector(const TAffineVector& a, const TAffineVector& b) {
  const TAffineVector c = AffineCross(a, b);
  return {c[0], c[1], c[2], 0};
}

float AffineLength(const TAffineVector& v) {
  return S(std::sqrt(Norm3(v.data())));
}
float Vector3Length(const TVector4f& v) {
  return S(std::sqrt(Norm3(v.data())));
}
float Length2D(float a, float b) {
  return S(std::sqrt(Ext(a) * a + Ext(b) * b));
}
float SquaredNorm2D(float a, float b) {
  return S(Ext(a) * a + Ext(b) * b);
}
float AffineNorm(const TAffineVector& v) {
  return S(Norm3(v.data()));
}
float Vector3Norm(const TVector4f& v) {
  return S(Norm3(v.data()));
}

float CosAngle3(const TAffineVector& a, const TAffineVector& b) {
  return S(Dot3(a.data(), b.data()) / std::sqrt(Norm3(a.data()) * Norm3(b.data())));
}

namespace {
Ext Distance2(const TAffineVector& a, const TAffineVector& b) {
  const Ext dx = Ext(a[0]) - b[0], dy = Ext(a[1]) - b[1], dz = Ext(a[2]) - b[2];
  return dx * dx + dy * dy + dz * dz;
}
}  // namespace

float AffineDistance2(const TAffineVector& a, const TAffineVector& b) {
  return S(Distance2(a, b));
}
float AffineDistance(const TAffineVector& a, const TAffineVector& b) {
  return S(std::sqrt(Distance2(a, b)));
}
float ManhattanDistance3(const TAffineVector& a, const TAffineVector& b) {
  return S(std::fabs(Ext(a[0]) - b[0]) + std::fabs(Ext(a[1]) - b[1]) + std::fabs(Ext(a[2]) - b[2]));
}

TAffineVector AffinePerpendicular(const TAffineVector& v, const TAffineVector& unit_normal) {
  const Ext dot = Dot3(v.data(), unit_normal.data());
  return {S(v[0] - dot * unit_normal[0]), S(v[1] - dot * unit_normal[1]), S(v[2] - dot * unit_normal[2])};
}

bool Vector4Equals(const TVector4f& a, const TVector4f& b) {
  return BitEqual(a, b, 4);
}
bool AffineEquals(const TAffineVector& a, const TAffineVector& b) {
  return BitEqual(a, b, 3);
}
bool Vector3Equals(const TVector4f& a, const TVector4f& b) {
  return BitEqual(a, b, 3);
}
bool AffineIsNull(const TAffineVector& v) {
  return v[0] == 0 && v[1] == 0 && v[2] == 0;
}
bool Vector3IsNull(const TVector4f& v) {
  return v[0] == 0 && v[1] == 0 && v[2] == 0;
}

namespace {
// x, y, z scaled by 1 / |v| in place; false (nothing changed) for a zero vector.
bool Normalize3(float* v) {
  const Ext norm = Norm3(v);
  if (norm == 0) return false;
  const Ext f = 1 / std::sqrt(norm);
  for (int i = 0; i < 3; ++i) v[i] = S(v[i] * f);
  return true;
}
}  // namespace

void NormalizeAffine(TAffineVector& v) {
  Normalize3(v.data());
}
TAffineVector NormalizeAffineTo(const TAffineVector& v) {
  TAffineVector r = v;
  Normalize3(r.data());
  return r;
}
void NormalizeAffineArray(TAffineVector* values, int n) {
  for (int i = 0; i < n; ++i) Normalize3(values[i].data());
}
void NormalizeVector3InPlace(TVector4f& v) {
  Normalize3(v.data());
  v[3] = 0;
}
TVector4f NormalizeAffineToVector(const TAffineVector& v) {
  TVector4f r{v[0], v[1], v[2], 0};
  Normalize3(r.data());
  return r;
}

float LerpSingle(float start, float stop, float t) {
  return S(start + (Ext(stop) - start) * t);
}
TAffineVector LerpAffine(const TAffineVector& a, const TAffineVector& b, float t) {
  TAffineVector r;
  for (int i = 0; i < 3; ++i) r[i] = S(a[i] + (Ext(b[i]) - a[i]) * t);
  return r;
}
void LerpVector4(const TVector4f& a, const TVector4f& b, float t, TVector4f& result) {
  TVector4f r;
  for (int i = 0; i < 4; ++i) r[i] = S(a[i] + (Ext(b[i]) - a[i]) * t);
  result = r;
}
void LerpVector4B(const TVector4f& a, const TVector4f& b, TVector4f& result, float t) {
  LerpVector4(a, b, t, result);
}
void LerpAffineArray(const TAffineVector* a, const TAffineVector* b, float t, TAffineVector* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = LerpAffine(a[i], b[i], t);
}
void LerpVector4Array(const TVector4f* a, const TVector4f* b, float t, TVector4f* out, int n) {
  for (int i = 0; i < n; ++i) LerpVector4(a[i], b[i], t, out[i]);
}

TAffineVector TurnAboutY3(const TAffineVector& v, float angle) {
  const Ext s = std::sin(Ext(angle)), c = std::cos(Ext(angle));
  return {S(c * v[0] + s * v[2]), v[1], S(c * v[2] - s * v[0])};
}
TVector4f TurnAboutY4(const TVector4f& v, float angle) {
  const Ext s = std::sin(Ext(angle)), c = std::cos(Ext(angle));
  return {S(c * v[0] + s * v[2]), v[1], S(c * v[2] - s * v[0]), v[3]};
}

}  // namespace zentrova
