#include "scene/base/matrix_geometry.h"

#include <cmath>

#include "scene/base/float_math.h"
#include "scene/base/vector_geometry.h"

namespace zentrova {

namespace {
using Ext = long double;
inline float S(Ext x) {
  return static_cast<float>(x);
}

TVector4f Column(const TMatrix4f& m, int j) {
  return {m[0][j], m[1][j], m[2][j], m[3][j]};
}
}  // namespace

TMatrix4f RotationMatrixX(float sine, float cosine) {
  TMatrix4f m = ZeroMatrix;
  m[0][0] = 1;
  m[1][1] = cosine;
  m[1][2] = sine;
  m[2][1] = -sine;
  m[2][2] = cosine;
  m[3][3] = 1;
  return m;
}

TMatrix4f RotationMatrixY(float sine, float cosine) {
  TMatrix4f m = ZeroMatrix;
  m[0][0] = cosine;
  m[0][2] = -sine;
  m[1][1] = 1;
  m[2][0] = sine;
  m[2][2] = cosine;
  m[3][3] = 1;
  return m;
}

TMatrix4f RotationMatrixZ(float sine, float cosine) {
  TMatrix4f m = ZeroMatrix;
  m[0][0] = cosine;
  m[0][1] = sine;
  m[1][0] = -sine;
  m[1][1] = cosine;
  m[2][2] = 1;
  m[3][3] = 1;
  return m;
}

TMatrix4f CreateRotationMatrix(const TAffineVector& axis, float angle) {
  const TAffineVector a = NormalizeAffineTo(axis);
  const Ext s = std::sin(Ext(angle)), c = std::cos(Ext(angle));
  const Ext t = 1 - c;
  const Ext x = a[0], y = a[1], z = a[2];
  TMatrix4f m = ZeroMatrix;
  m[0] = {S(t * x * x + c), S(t * x * y - z * s), S(t * z * x + y * s), 0};
  m[1] = {S(t * x * y + z * s), S(t * y * y + c), S(t * y * z - x * s), 0};
  m[2] = {S(t * z * x - y * s), S(t * y * z + x * s), S(t * z * z + c), 0};
  m[3] = {0, 0, 0, 1};
  return m;
}

TMatrix4f CreateRotationMatrix(const TVector4f& axis, float angle) {
  return CreateRotationMatrix(TAffineVector{axis[0], axis[1], axis[2]}, angle);
}

TMatrix4f ScaleTranslateMatrix(const TVector4f& scale, const TVector4f& offset) {
  TMatrix4f m = IdentityMatrix;
  m[0][0] = scale[0];
  m[1][1] = scale[1];
  m[2][2] = scale[2];
  m[3] = {offset[0], offset[1], offset[2], 1};
  return m;
}

TMatrix4f ScaleTranslateMatrix(const TAffineVector& scale, const TAffineVector& offset) {
  return ScaleTranslateMatrix(DirectionFromAffine(scale), DirectionFromAffine(offset));
}

TMatrix4d MatrixToDouble(const TMatrix4f& m) {
  TMatrix4d d;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) d[i][j] = m[i][j];
  }
  return d;
}

TMatrix4f MultiplyMatrices(const TMatrix4f& a, const TMatrix4f& b) {
  TMatrix4f r;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      r[i][j] = S(Ext(a[i][0]) * b[0][j] + Ext(a[i][1]) * b[1][j] + Ext(a[i][2]) * b[2][j] +
                  Ext(a[i][3]) * b[3][j]);
    }
  }
  return r;
}

void MultiplyMatrices(const TMatrix4f& a, const TMatrix4f& b, TMatrix4f& out) {
  out = MultiplyMatrices(a, b);
}
void MultiplyMatrixInPlace(TMatrix4f& a, const TMatrix4f& b) {
  a = MultiplyMatrices(a, b);
}

TVector4f TransformVector4(const TVector4f& v, const TMatrix4f& m) {
  TVector4f r;
  for (int j = 0; j < 4; ++j) {
    r[j] = S(Ext(v[0]) * m[0][j] + Ext(v[1]) * m[1][j] + Ext(v[2]) * m[2][j] + Ext(v[3]) * m[3][j]);
  }
  return r;
}

TAffineVector TransformAffinePoint(const TAffineVector& p, const TMatrix4f& m) {
  TAffineVector r;
  for (int j = 0; j < 3; ++j) {
    r[j] = S(Ext(p[0]) * m[0][j] + Ext(p[1]) * m[1][j] + Ext(p[2]) * m[2][j] + m[3][j]);
  }
  return r;
}

TVector4f RotateVector(const TVector4f& v, const TAffineVector& axis, float angle) {
  return TransformVector4(v, CreateRotationMatrix(axis, angle));
}

float Determinant3x3(float a1, float a2, float a3, float b1, float b2, float b3, float c1, float c2,
                     float c3) {
  return S(a1 * (Ext(b2) * c3 - Ext(b3) * c2) - b1 * (Ext(a2) * c3 - Ext(a3) * c2) +
           c1 * (Ext(a2) * b3 - Ext(a3) * b2));
}

namespace {
// Determinant of the 3×3 minor of m without row r and column c.
float Minor(const TMatrix4f& m, int r, int c) {
  float e[9];
  int k = 0;
  for (int i = 0; i < 4; ++i) {
    if (i == r) continue;
    for (int j = 0; j < 4; ++j) {
      if (j != c) e[k++] = m[i][j];
    }
  }
  // The rows of the minor are its columns in Determinant3x3's argument order; the determinant of the
  // transpose is the same.
  return Determinant3x3(e[0], e[3], e[6], e[1], e[4], e[7], e[2], e[5], e[8]);
}
}  // namespace

float Determinant4(const TMatrix4f& m) {
  return S(Ext(m[0][0]) * Minor(m, 0, 0) - Ext(m[0][1]) * Minor(m, 0, 1) + Ext(m[0][2]) * Minor(m, 0, 2) -
           Ext(m[0][3]) * Minor(m, 0, 3));
}

void AdjugateMatrix4(TMatrix4f& m) {
  TMatrix4f adjoint;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      const float cofactor = Minor(m, j, i);
      adjoint[i][j] = ((i + j) % 2 == 0) ? cofactor : -cofactor;
    }
  }
  m = adjoint;
}

void ScaleMatrix(TMatrix4f& m, float factor) {
  for (auto& row : m) {
    for (float& c : row) c = S(Ext(c) * factor);
  }
}

void Transpose3x3InPlace(TMatrix4f& m) {
  std::swap(m[0][1], m[1][0]);
  std::swap(m[0][2], m[2][0]);
  std::swap(m[1][2], m[2][1]);
}

void InvertMatrix4(TMatrix4f& m) {
  const float det = Determinant4(m);
  if (std::fabs(det) < cSingularLimit) {
    m = IdentityMatrix;
    return;
  }
  AdjugateMatrix4(m);
  // The factor stays extended: 1/det of a tiny determinant may lie beyond the single range even when
  // every entry of the inverse does not.
  const Ext f = 1 / Ext(det);
  for (auto& row : m) {
    for (float& c : row) c = S(c * f);
  }
}

TMatrix4f InvertAffineMatrix(const TMatrix4f& m) {
  const Ext s = Ext(m[0][0]) * m[0][0] + Ext(m[0][1]) * m[0][1] + Ext(m[0][2]) * m[0][2];
  if (std::fabs(s) < cSingularLimit) return IdentityMatrix;
  const Ext f = 1 / s;
  TMatrix4f r = ZeroMatrix;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) r[i][j] = S(m[j][i] * f);
  }
  r[3][3] = 1;
  for (int j = 0; j < 3; ++j) {
    r[3][j] = S(-(Ext(m[3][0]) * r[0][j] + Ext(m[3][1]) * r[1][j] + Ext(m[3][2]) * r[2][j]));
  }
  return r;
}

void OrthonormalizeMatrix(TMatrix4f& m) {
  m[0][3] = 0;
  m[1][3] = 0;
  NormalizeVector3InPlace(m[0]);
  NormalizeVector3InPlace(m[1]);
  m[2] = VectorCrossProduct(m[0], m[1]);
  m[0] = VectorCrossProduct(m[1], m[2]);
  m[3] = {0, 0, 0, 1};
}

bool SplitMatrixTransforms(const TMatrix4f& m, TTransformations& parts) {
  TMatrix4f loc = m;
  if (loc[3][3] == 0) return false;
  const Ext norm = loc[3][3];
  for (auto& row : loc) {
    for (float& c : row) c = S(c / norm);
  }
  // The upper 3×3 part, also used to solve for the perspective.
  TMatrix4f pmat = loc;
  for (int i = 0; i < 3; ++i) pmat[i][3] = 0;
  pmat[3][3] = 1;
  if (Determinant4(pmat) == 0) return false;

  parts.fill(0);
  if (loc[0][3] != 0 || loc[1][3] != 0 || loc[2][3] != 0) {
    const TVector4f rhs{loc[0][3], loc[1][3], loc[2][3], loc[3][3]};
    TMatrix4f inv = pmat;
    InvertMatrix4(inv);
    // Transposed inverse: the right-hand side is a column, our vectors are rows.
    for (int i = 0; i < 4; ++i) {
      for (int j = i + 1; j < 4; ++j) std::swap(inv[i][j], inv[j][i]);
    }
    const TVector4f solution = TransformVector4(rhs, inv);
    parts[ttPerspectiveX] = solution[0];
    parts[ttPerspectiveY] = solution[1];
    parts[ttPerspectiveZ] = solution[2];
    parts[ttPerspectiveW] = solution[3];
    loc[0][3] = loc[1][3] = loc[2][3] = 0;
    loc[3][3] = 1;
  }

  for (int i = 0; i < 3; ++i) {
    parts[ttTranslateX + i] = loc[3][i];
    loc[3][i] = 0;
  }

  TAffineVector row[3];
  for (int i = 0; i < 3; ++i) SetAffineFromVector(row[i], loc[i]);

  // Scale, then shears against the earlier rows (Gram-Schmidt), divided by the later scales.
  parts[ttScaleX] = AffineLength(row[0]);
  NormalizeAffine(row[0]);
  parts[ttShearXY] = AffineDot(row[0], row[1]);
  row[1] = CombineAffine(row[1], row[0], 1, -parts[ttShearXY]);
  parts[ttScaleY] = AffineLength(row[1]);
  NormalizeAffine(row[1]);
  parts[ttShearXY] = S(Ext(parts[ttShearXY]) / parts[ttScaleY]);
  parts[ttShearXZ] = AffineDot(row[0], row[2]);
  row[2] = CombineAffine(row[2], row[0], 1, -parts[ttShearXZ]);
  parts[ttShearYZ] = AffineDot(row[1], row[2]);
  row[2] = CombineAffine(row[2], row[1], 1, -parts[ttShearYZ]);
  parts[ttScaleZ] = AffineLength(row[2]);
  NormalizeAffine(row[2]);
  parts[ttShearXZ] = S(Ext(parts[ttShearXZ]) / parts[ttScaleZ]);
  parts[ttShearYZ] = S(Ext(parts[ttShearYZ]) / parts[ttScaleZ]);

  // A left-handed frame: negate scales and rows so that the rotation is proper.
  if (AffineDot(row[0], AffineCross(row[1], row[2])) < 0) {
    for (int i = 0; i < 3; ++i) {
      parts[ttScaleX + i] = -parts[ttScaleX + i];
      NegateAffine(row[i]);
    }
  }

  parts[ttRotateY] = S(ArcSinExt(-Ext(row[0][2])));
  if (std::cos(Ext(parts[ttRotateY])) != 0) {
    parts[ttRotateX] = S(std::atan2(Ext(row[1][2]), Ext(row[2][2])));
    parts[ttRotateZ] = S(std::atan2(Ext(row[0][1]), Ext(row[0][0])));
  } else {
    parts[ttRotateX] = S(std::atan2(Ext(row[1][0]), Ext(row[1][1])));
    parts[ttRotateZ] = 0;
  }
  return true;
}

TAffineVector TriangleNormal(const TAffineVector& p1, const TAffineVector& p2, const TAffineVector& p3) {
  return NormalizeAffineTo(AffineCross(SubtractAffine(p2, p1), SubtractAffine(p3, p1)));
}

TVector4f TriangleNormal(const TVector4f& p1, const TVector4f& p2, const TVector4f& p3) {
  TVector4f n = VectorCrossProduct(SubtractToDirection(p2, p1), SubtractToDirection(p3, p1));
  NormalizeVector3InPlace(n);
  return n;
}

void NormalizePlane(TVector4f& plane) {
  const Ext norm = Ext(plane[0]) * plane[0] + Ext(plane[1]) * plane[1] + Ext(plane[2]) * plane[2];
  if (norm == 0) return;
  const Ext f = 1 / std::sqrt(norm);
  for (float& c : plane) c = S(c * f);
}

float PlaneEvaluatePoint(const TVector4f& plane, const TAffineVector& point) {
  return S(Ext(plane[0]) * point[0] + Ext(plane[1]) * point[1] + Ext(plane[2]) * point[2] + plane[3]);
}

TFrustum ExtractFrustum(const TMatrix4f& m) {
  const TVector4f c0 = Column(m, 0), c1 = Column(m, 1), c2 = Column(m, 2), c3 = Column(m, 3);
  TFrustum f;
  f.Planes[0] = AddVector4(c3, c0);       // left
  f.Planes[1] = SubtractVector4(c3, c1);  // top
  f.Planes[2] = SubtractVector4(c3, c0);  // right
  f.Planes[3] = AddVector4(c3, c1);       // bottom
  f.Planes[4] = AddVector4(c3, c2);       // near
  f.Planes[5] = SubtractVector4(c3, c2);  // far
  for (auto& plane : f.Planes) NormalizePlane(plane);
  return f;
}

bool IsVolumeClipped(const TAffineVector& centre, float radius, const TFrustum& frustum) {
  const Ext negative_radius = -Ext(radius);
  for (const auto& p : frustum.Planes) {
    if (Ext(p[0]) * centre[0] + Ext(p[1]) * centre[1] + Ext(p[2]) * centre[2] + p[3] < negative_radius) {
      return true;
    }
  }
  return false;
}

bool IsVolumeClipped(const TAffineVector& min, const TAffineVector& max, const TFrustum& frustum) {
  const TAffineVector centre = CombineAffine(min, max, 0.5f, 0.5f);
  return IsVolumeClipped(centre, S(Ext(AffineDistance(min, max)) * 0.5L), frustum);
}

bool RayPlaneHit(const TVector4f& start, const TVector4f& direction, const TVector4f& plane_point,
                 const TVector4f& plane_normal, TVector4f* point) {
  const Ext d = Ext(direction[0]) * plane_normal[0] + Ext(direction[1]) * plane_normal[1] +
                Ext(direction[2]) * plane_normal[2] + Ext(direction[3]) * plane_normal[3];
  if (std::fabs(d) <= EPSILON) return false;
  if (point == nullptr) return true;
  const Ext t = ProjectPointOnAxis(plane_point, start, plane_normal) / d;
  if (!(t > 0)) return false;
  *point = CombineVector4One(start, direction, S(t));
  return true;
}

bool RayTriangleHit(const TVector4f& start, const TVector4f& direction, const TAffineVector& p1,
                    const TAffineVector& p2, const TAffineVector& p3, TVector4f* point,
                    TAffineVector* normal) {
  // Möller-Trumbore: solve start + t·direction = p1 + u·e1 + v·e2 by Cramer's rule.
  const TAffineVector e1 = SubtractAffine(p2, p1), e2 = SubtractAffine(p3, p1);
  const TAffineVector dir{direction[0], direction[1], direction[2]};
  const TAffineVector pvec = AffineCross(dir, e2);
  const float det = AffineDot(e1, pvec);
  if (std::fabs(det) < EPSILON) return false;
  const Ext inv_det = 1 / Ext(det);
  const TAffineVector tvec = SubtractAffine(TAffineVector{start[0], start[1], start[2]}, p1);
  const Ext u = AffineDot(tvec, pvec) * inv_det;
  if (u < 0 || u > 1) return false;
  const TAffineVector qvec = AffineCross(tvec, e1);
  const Ext v = AffineDot(dir, qvec) * inv_det;
  if (v < 0 || u + v > 1) return false;
  const Ext t = AffineDot(e2, qvec) * inv_det;
  if (!(t > 0)) return false;
  if (point != nullptr) *point = CombineVector4One(start, direction, S(t));
  if (normal != nullptr) *normal = AffineCross(e1, e2);
  return true;
}

int RaySphereHits(const TVector4f& start, const TVector4f& direction, const TAffineVector& centre,
                  float radius, TVector4f& i1, TVector4f& i2) {
  const TAffineVector s{start[0], start[1], start[2]};
  const TAffineVector d{direction[0], direction[1], direction[2]};
  const Ext p = ProjectPointOnAxis(centre, s, d);
  const TAffineVector nearest = CombineAffineOne(s, d, S(p));
  const Ext d2 = Ext(radius) * radius - Ext(AffineDistance2(centre, nearest));
  if (d2 < 0) return 0;
  if (d2 > 0) {
    const Ext h = std::sqrt(d2);
    if (p >= h) {
      i1 = CombineVector4One(start, direction, S(p - h));
      i2 = CombineVector4One(start, direction, S(p + h));
      return 2;
    }
    if (p + h >= 0) {
      i1 = CombineVector4One(start, direction, S(p + h));
      return 1;
    }
    return 0;
  }
  if (p > 0) {
    i1 = CombineVector4One(start, direction, S(p));
    return 1;
  }
  return 0;
}

float SphereVisibleRadius(float distance, float radius) {
  const Ext d2 = Ext(distance) * distance, r2 = Ext(radius) * radius;
  const Ext h = std::sqrt(d2 - r2);
  const Ext x = (d2 + r2 - h * h) / (2 * h);
  return S(std::sqrt(x * x + r2));
}

}  // namespace zentrova
