// Single-precision vector operations of the scene.
//
// Every operation evaluates its formula in extended precision (long double, 64-bit mantissa) and
// rounds to single once per stored component, so results do not depend on the compiler's choice of
// SSE or x87 instructions. The library is compiled without contraction into fused multiply-adds.
#pragma once

#include "scene/base/vector_types.h"

namespace zentrova {

// The processor probe for the optional 3DNow! paths. x86-64 processors have none, so only the plain
// paths exist and this is always false.
bool Has3DNow();

// Construction and copying.
TAffineVector MakeAffineVector(float x, float y, float z);
void SetAffineVector(TAffineVector& v, float x, float y, float z);
void SetAffineXYZ(TAffineVector& v, float x, float y, float z);
void SetAffineFromVector(TAffineVector& a, const TVector4f& v);
TAffineDblVector AffineVectorToDouble(const TAffineVector& v);
TVector4f MakeVector4(float x, float y, float z, float w);
void SetVector4(TVector4f& v, float x, float y, float z, float w);
void SetVectorFromAffineW(TVector4f& v, const TAffineVector& a, float w);
TVector4f MakePoint(float x, float y, float z);
void SetPointFromAffine(TVector4f& v, const TAffineVector& a);
TVector4f PointFromAffine(const TAffineVector& a);
TVector4f DirectionFromAffine(const TAffineVector& a);
void CopyVector4(TVector4f& dest, const TVector4f& source);
void ClearVector4(TVector4f& v);

// Component-wise arithmetic; the 4-component forms process w as well.
TAffineVector AddAffine(const TAffineVector& a, const TAffineVector& b);
void AddAffineInPlace(TAffineVector& v, const TAffineVector& delta);
TVector4f AddVector4(const TVector4f& a, const TVector4f& b);
void AddVector4InPlace(TVector4f& v, const TVector4f& delta);
TAffineVector SubtractAffine(const TAffineVector& a, const TAffineVector& b);
void SubtractAffine(const TAffineVector& a, const TAffineVector& b, TAffineVector& result);
void SubtractAffineInPlace(TAffineVector& v, const TAffineVector& delta);
TVector4f SubtractVector4(const TVector4f& a, const TVector4f& b);
void SubtractVector4InPlace(TVector4f& v, const TVector4f& w);
// a − b over x, y, z, with w := 0 (a direction between two points) ...
TVector4f SubtractToDirection(const TVector4f& a, const TVector4f& b);
// ... or with w := a's w.
TVector4f SubtractVector3KeepW(const TVector4f& a, const TVector4f& b);
// out[i] := in[i] + delta for i < n (out may be in).
void AddToAffineArray(const TAffineVector* in, const TAffineVector& delta, TAffineVector* out, int n);
void AddScaledAffine(TAffineVector& v, const TAffineVector& w, float f);  // v := v + w × f
TAffineVector CombineAffine(const TAffineVector& v1, const TAffineVector& v2, float f1, float f2);
void CombineAffine(const TAffineVector& a, const TAffineVector& b, TAffineVector& result, float fa, float fb);
TVector4f CombineVector4(const TVector4f& v1, const TVector4f& v2, float f1, float f2);
void CombineVector4(const TVector4f& a, const TVector4f& b, TVector4f& result, float fa, float fb);
// V1 + F2 × V2, the first factor being 1.
TAffineVector CombineAffineOne(const TAffineVector& v1, const TAffineVector& v2, float f2);
TVector4f CombineVector4One(const TVector4f& v1, const TVector4f& v2, float f2);
void ScaleAffine(TAffineVector& v, float f);
TAffineVector ScaleAffineTo(const TAffineVector& v, float f);
void ScaleVector4(TVector4f& v, float f);
void ScaleVector4To(const TVector4f& v, float f, TVector4f& result);
void ScaleVectorByVector(TAffineVector& v, const TAffineVector& factors);
void ScaleVector4ByVector(TVector4f& v, const TVector4f& factors);
void NegateAffine(TAffineVector& v);
void NegateAffineTo(const TAffineVector& v, TAffineVector& result);
void NegateVector4(TVector4f& v);
void NegateVector4To(const TVector4f& v, TVector4f& result);
TVector4f AbsComponents4(const TVector4f& v);
void MaxComponentsInPlace(TAffineVector& v, const TAffineVector& w);
void MaxComponentsInPlace(TVector4f& v, const TVector4f& w);
void ScaleFloatArray(float* values, int n, float f);  // values[i] := values[i] × f

// Products and measures.
float AffineDot(const TAffineVector& a, const TAffineVector& b);
float Vector3Dot(const TVector4f& a, const TVector4f& b);  // over x, y, z
float Vector4Dot(const TVector4f& a, const TVector4f& b);
// (p − origin) · direction over x, y, z: the signed distance of p from the plane through origin with
// that unit normal.
long double ProjectPointOnAxis(const TAffineVector& p, const TAffineVector& origin,
                               const TAffineVector& direction);
long double ProjectPointOnAxis(const TVector4f& p, const TVector4f& origin, const TVector4f& direction);
TAffineVector AffineCross(const TAffineVector& a, const TAffineVector& b);
void AffineCrossTo(const TAffineVector& a, const TAffineVector& b, TAffineVector& result);
TVector4f VectorCrossProduct(const TVector4f& a, const TVector4f& b);           // w = 0
TVector4f AffineCrossToVector(const TAffineVector& a, const TAffineVector& b);  // w = 0
float AffineLength(const TAffineVector& v);
float Vector3Length(const TVector4f& v);
float Length2D(float a, float b);
float SquaredNorm2D(float a, float b);
float AffineNorm(const TAffineVector& v);  // squared length
float Vector3Norm(const TVector4f& v);     // squared length of x, y, z
float CosAngle3(const TAffineVector& a, const TAffineVector& b);
float AffineDistance2(const TAffineVector& a, const TAffineVector& b);  // squared distance
float AffineDistance(const TAffineVector& a, const TAffineVector& b);
float ManhattanDistance3(const TAffineVector& a, const TAffineVector& b);
TAffineVector AffinePerpendicular(const TAffineVector& v, const TAffineVector& unit_normal);
// Equality is bitwise: 0.0 and −0.0 differ, and a NaN equals the same NaN.
bool Vector4Equals(const TVector4f& a, const TVector4f& b);
bool AffineEquals(const TAffineVector& a, const TAffineVector& b);
bool Vector3Equals(const TVector4f& a, const TVector4f& b);  // over x, y, z
bool AffineIsNull(const TAffineVector& v);
bool Vector3IsNull(const TVector4f& v);

// Normalisation: x, y, z times 1 / sqrt(x² + y² + z²). A zero vector is left unchanged (its
// direction is unknown; scaling it would give NaN components).
void NormalizeAffine(TAffineVector& v);
TAffineVector NormalizeAffineTo(const TAffineVector& v);
void NormalizeAffineArray(TAffineVector* values, int n);
void NormalizeVector3InPlace(TVector4f& v);                 // a direction: w := 0 in every case
TVector4f NormalizeAffineToVector(const TAffineVector& v);  // w = 0

// Linear interpolation start + (stop − start) × t; t is not clamped.
float LerpSingle(float start, float stop, float t);
TAffineVector LerpAffine(const TAffineVector& a, const TAffineVector& b, float t);
void LerpVector4(const TVector4f& a, const TVector4f& b, float t, TVector4f& result);
void LerpVector4B(const TVector4f& a, const TVector4f& b, TVector4f& result, float t);
void LerpAffineArray(const TAffineVector* a, const TAffineVector* b, float t, TAffineVector* out, int n);
void LerpVector4Array(const TVector4f* a, const TVector4f* b, float t, TVector4f* out, int n);

// Turns about the y axis by an angle in radians (z towards x, as RotationMatrixY).
TAffineVector TurnAboutY3(const TAffineVector& v, float angle);
TVector4f TurnAboutY4(const TVector4f& v, float angle);

}  // namespace zentrova
