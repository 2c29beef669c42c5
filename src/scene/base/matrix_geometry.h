// 4×4 single-precision matrices with ROW vectors: a point transforms as p' = p × M, the translation
// sits in row 3, and MultiplyMatrices(A, B) = A × B applies A first. Also planes, view frusta and the
// ray intersections used by picking.
#pragma once

#include <array>

#include "scene/base/vector_types.h"

namespace zentrova {

// Thresholds: EPSILON for quaternions and intersections, and the (subnormal) limit under which a
// determinant or scale counts as singular.
inline constexpr float EPSILON = 1e-30f;
inline constexpr float cSingularLimit = 1e-40f;

// Rotations by +angle with row vectors: x turns y towards z, y turns z towards x, z turns x towards y.
TMatrix4f RotationMatrixX(float sine, float cosine);
TMatrix4f RotationMatrixY(float sine, float cosine);
TMatrix4f RotationMatrixZ(float sine, float cosine);
// Axis-angle matrix (axis normalised first, angle in radians). Applied to row vectors it turns by
// −angle about the axis.
TMatrix4f CreateRotationMatrix(const TAffineVector& axis, float angle);
TMatrix4f CreateRotationMatrix(const TVector4f& axis, float angle);
// Identity with the diagonal (sx, sy, sz, 1) and row 3 = (tx, ty, tz, 1).
TMatrix4f ScaleTranslateMatrix(const TVector4f& scale, const TVector4f& offset);
TMatrix4f ScaleTranslateMatrix(const TAffineVector& scale, const TAffineVector& offset);
TMatrix4d MatrixToDouble(const TMatrix4f& m);

TMatrix4f MultiplyMatrices(const TMatrix4f& a, const TMatrix4f& b);
void MultiplyMatrices(const TMatrix4f& a, const TMatrix4f& b, TMatrix4f& out);
void MultiplyMatrixInPlace(TMatrix4f& a, const TMatrix4f& b);  // a := a × b
TVector4f TransformVector4(const TVector4f& v, const TMatrix4f& m);
TAffineVector TransformAffinePoint(const TAffineVector& p, const TMatrix4f& m);  // with the translation row
// Turns v about the axis by the axis-angle matrix above.
TVector4f RotateVector(const TVector4f& v, const TAffineVector& axis, float angle);

// 3×3 determinant of the rows (a1, a2, a3), (b1, b2, b3), (c1, c2, c3) by cofactor expansion.
float Determinant3x3(float a1, float a2, float a3, float b1, float b2, float b3, float c1, float c2,
                     float c3);
float Determinant4(const TMatrix4f& m);  // Laplace expansion along row 0
void AdjugateMatrix4(TMatrix4f& m);      // m := its adjoint (transposed cofactors)
void ScaleMatrix(TMatrix4f& m, float factor);
void Transpose3x3InPlace(TMatrix4f& m);
// Adjoint × (1 / det); the identity when |det| < 1e-40.
void InvertMatrix4(TMatrix4f& m);
// Inverse of a matrix that preserves angles (rotation, uniform scale, translation): the identity when
// the squared length s of row 0 is below 1e-40, else the transposed 3×3 over s with the translation
// carried back.
TMatrix4f InvertAffineMatrix(const TMatrix4f& m);
// Rows 0 and 1 normalised (w cleared), row 2 := row 0 × row 1, row 0 := row 1 × row 2, row 3 the point
// (0, 0, 0, 1).
void OrthonormalizeMatrix(TMatrix4f& m);

// Indexes into the record that SplitMatrixTransforms fills.
// clang-format off
enum TTransType {
  ttScaleX, ttScaleY, ttScaleZ,
  ttShearXY, ttShearXZ, ttShearYZ,
  ttRotateX, ttRotateY, ttRotateZ,
  ttTranslateX, ttTranslateY, ttTranslateZ,
  ttPerspectiveX, ttPerspectiveY, ttPerspectiveZ, ttPerspectiveW
};
// clang-format on
using TTransformations = std::array<float, 16>;
// Decomposition of a matrix into scale, shear, rotation (radians), translation and perspective, after
// the unmatrix method of Graphics Gems II. False when m[3][3] = 0 or the upper 3×3 part is singular.
bool SplitMatrixTransforms(const TMatrix4f& m, TTransformations& parts);

// Planes and triangles.
TAffineVector TriangleNormal(const TAffineVector& p1, const TAffineVector& p2, const TAffineVector& p3);
TVector4f TriangleNormal(const TVector4f& p1, const TVector4f& p2, const TVector4f& p3);  // w = 0
void NormalizePlane(TVector4f& plane);  // all four components × 1 / sqrt(a² + b² + c²)
float PlaneEvaluatePoint(const TVector4f& plane, const TAffineVector& point);  // a x + b y + c z + d

// View frustum of a combined model-view-projection matrix; clipping of spheres and boxes by it.
TFrustum ExtractFrustum(const TMatrix4f& model_view_projection);
bool IsVolumeClipped(const TAffineVector& centre, float radius, const TFrustum& frustum);
bool IsVolumeClipped(const TAffineVector& min, const TAffineVector& max, const TFrustum& frustum);

// Intersections. Directions are homogeneous vectors with w = 0.
bool RayPlaneHit(const TVector4f& start, const TVector4f& direction, const TVector4f& plane_point,
                 const TVector4f& plane_normal, TVector4f* point = nullptr);
bool RayTriangleHit(const TVector4f& start, const TVector4f& direction, const TAffineVector& p1,
                    const TAffineVector& p2, const TAffineVector& p3, TVector4f* point = nullptr,
                    TAffineVector* normal = nullptr);
// 0, 1 or 2 intersections of a ray (unit direction) with a sphere, the nearer first.
int RaySphereHits(const TVector4f& start, const TVector4f& direction, const TAffineVector& centre,
                  float radius, TVector4f& i1, TVector4f& i2);
// Radius of the circle in which a sphere of that radius is seen from that distance to its centre.
float SphereVisibleRadius(float distance, float radius);

}  // namespace zentrova
