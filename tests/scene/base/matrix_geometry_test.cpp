#include "scene/base/matrix_geometry.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <utility>

#include "scene/base/float_math.h"
#include "scene/base/vector_geometry.h"
#include "scene/expect_near.h"

namespace zentrova {
namespace {

void ExpectMatrixNear(const TMatrix4f& a, const TMatrix4f& b, float tolerance) {
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(a[i][j], b[i][j], tolerance) << "at " << i << ", " << j;
  }
}

TMatrix4f Diagonal(float a, float b, float c, float d) {
  return {{{a, 0, 0, 0}, {0, b, 0, 0}, {0, 0, c, 0}, {0, 0, 0, d}}};
}

TEST(MatrixGeometry, RotationsTurnRowVectorsByPlusAngle) {
  EXPECT_EQ(TransformVector4({1, 0, 0, 1}, RotationMatrixZ(1, 0)), (TVector4f{0, 1, 0, 1}));
  EXPECT_EQ(TransformVector4({0, 1, 0, 1}, RotationMatrixX(1, 0)), (TVector4f{0, 0, 1, 1}));
  EXPECT_EQ(TransformVector4({0, 0, 1, 1}, RotationMatrixY(1, 0)), (TVector4f{1, 0, 0, 1}));
  EXPECT_EQ(TurnAboutY3({0, 0, 1}, static_cast<float>(M_PI / 2))[0],
            TransformVector4({0, 0, 1, 0}, RotationMatrixY(std::sin(static_cast<float>(M_PI / 2)),
                                                           std::cos(static_cast<float>(M_PI / 2))))[0]);
}

TEST(MatrixGeometry, AxisAngleMatrixTurnsByMinusAngle) {
  const TMatrix4f m = CreateRotationMatrix(UnitVectorZ, static_cast<float>(M_PI / 2));
  test::ExpectNear(TransformAffinePoint({1, 0, 0}, m), {0, -1, 0}, 1e-7);
  // The axis is normalised first.
  EXPECT_EQ(CreateRotationMatrix(TAffineVector{0, 0, 5}, 0.7f), CreateRotationMatrix(UnitVectorZ, 0.7f));
  EXPECT_EQ(CreateRotationMatrix(TVector4f{0, 0, 5, 3}, 0.7f), CreateRotationMatrix(UnitVectorZ, 0.7f));
  test::ExpectNear(RotateVector({0, 1, 0, 0}, UnitVectorX, static_cast<float>(M_PI / 2)), {0, 0, -1, 0},
                   1e-7);
}

TEST(MatrixGeometry, ProductsApplyTheLeftMatrixFirst) {
  const TMatrix4f translate = ScaleTranslateMatrix(TAffineVector{1, 1, 1}, TAffineVector{1, 0, 0});
  const TMatrix4f rotate = RotationMatrixZ(1, 0);
  EXPECT_EQ(TransformAffinePoint({0, 0, 0}, MultiplyMatrices(translate, rotate)), (TAffineVector{0, 1, 0}));
  EXPECT_EQ(TransformAffinePoint({0, 0, 0}, MultiplyMatrices(rotate, translate)), (TAffineVector{1, 0, 0}));
  TMatrix4f m = translate;
  MultiplyMatrixInPlace(m, rotate);
  EXPECT_EQ(m, MultiplyMatrices(translate, rotate));
  const TMatrix4f st = ScaleTranslateMatrix(TVector4f{2, 3, 4, 9}, TVector4f{5, 6, 7, 9});
  EXPECT_EQ(st, (TMatrix4f{{{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {5, 6, 7, 1}}}));
}

TEST(MatrixGeometry, DeterminantsAndInverse) {
  const TMatrix4f m{{{1, 2, 3, 4}, {5, 6, 7, 8}, {2, 6, 4, 8}, {3, 1, 1, 2}}};
  EXPECT_EQ(Determinant4(m), 72);
  EXPECT_EQ(Determinant3x3(2, 0, 0, 0, 3, 0, 1, 1, 4), 24);
  TMatrix4f adjoint = m;
  AdjugateMatrix4(adjoint);
  ExpectMatrixNear(MultiplyMatrices(m, adjoint), Diagonal(72, 72, 72, 72), 1e-4f);
  // A mirror has a negative determinant and an inverse all the same.
  TMatrix4f mirror = m;
  std::swap(mirror[0], mirror[1]);
  EXPECT_EQ(Determinant4(mirror), -72);
  for (const TMatrix4f& a : {m, mirror, Diagonal(-2, 1, 1, 1)}) {
    TMatrix4f inverse = a;
    InvertMatrix4(inverse);
    ExpectMatrixNear(MultiplyMatrices(a, inverse), IdentityMatrix, 1e-5f);
  }
  TMatrix4f scaled = m;
  ScaleMatrix(scaled, 0.5f);
  EXPECT_EQ(scaled[1][2], 3.5f);
  TMatrix4f t = m;
  Transpose3x3InPlace(t);
  EXPECT_EQ(t[0][1], 5);
  EXPECT_EQ(t[1][0], 2);
  EXPECT_EQ(t[0][3], 4);
}

TEST(MatrixGeometry, SingularMatricesInvertToTheIdentity) {
  // A subnormal determinant counts as singular.
  TMatrix4f tiny = Diagonal(1e-41f, 1, 1, 1);
  InvertMatrix4(tiny);
  EXPECT_EQ(tiny, IdentityMatrix);
  TMatrix4f small = Diagonal(1e-13f, 1e-13f, 1e-13f, 1);
  InvertMatrix4(small);
  EXPECT_NEAR(small[0][0], 1e13f, 1e7f);
  EXPECT_EQ(InvertAffineMatrix(ZeroMatrix), IdentityMatrix);
}

TEST(MatrixGeometry, AffineInverseUndoesRotationScaleAndTranslation) {
  TMatrix4f m = CreateRotationMatrix(TAffineVector{1, 2, 3}, 0.8f);
  ScaleMatrix(m, 2);
  m[3] = {4, -5, 6, 1};
  ExpectMatrixNear(MultiplyMatrices(m, InvertAffineMatrix(m)), IdentityMatrix, 1e-6f);
}

TEST(MatrixGeometry, OrthonormalizeMakesAFrame) {
  // Orthogonal rows of any length and a stray translation become a rotation.
  TMatrix4f m{{{0, 2, 0, 5}, {0, 0, 3, 5}, {9, 9, 9, 9}, {1, 2, 3, 4}}};
  OrthonormalizeMatrix(m);
  EXPECT_EQ(m, (TMatrix4f{{{0, 1, 0, 0}, {0, 0, 1, 0}, {1, 0, 0, 0}, {0, 0, 0, 1}}}));
  // Skewed rows: row 1 keeps its direction, rows 0 and 2 become perpendicular to it and each other.
  TMatrix4f skew{{{2, 0.1f, 0, 5}, {0.2f, 3, 0.1f, 5}, {9, 9, 9, 9}, {1, 2, 3, 4}}};
  OrthonormalizeMatrix(skew);
  test::ExpectNear(std::array{Vector3Length(skew[1]), Vector3Dot(skew[0], skew[1]),
                              Vector3Dot(skew[0], skew[2]), Vector3Dot(skew[1], skew[2])},
                   {1, 0, 0, 0}, 1e-6);
}

TEST(MatrixGeometry, SplitRecoversScaleRotationAndTranslation) {
  const float x = 0.3f, y = -0.2f, z = 1.1f;
  TMatrix4f m = ScaleTranslateMatrix(TAffineVector{2, 3, 4}, TAffineVector{0, 0, 0});
  m = MultiplyMatrices(m, RotationMatrixX(std::sin(x), std::cos(x)));
  m = MultiplyMatrices(m, RotationMatrixY(std::sin(y), std::cos(y)));
  m = MultiplyMatrices(m, RotationMatrixZ(std::sin(z), std::cos(z)));
  m[3] = {7, 8, 9, 1};
  TTransformations parts;
  ASSERT_TRUE(SplitMatrixTransforms(m, parts));
  // Scales are the lengths of the rows, not their squares.
  test::ExpectNear(std::array{parts[ttScaleX], parts[ttScaleY], parts[ttScaleZ], parts[ttShearXY],
                              parts[ttRotateX], parts[ttRotateY], parts[ttRotateZ]},
                   {2, 3, 4, 0, x, y, z}, 1e-5);
  EXPECT_EQ((std::array{parts[ttTranslateX], parts[ttTranslateZ], parts[ttPerspectiveW]}),
            (std::array{7.0f, 9.0f, 0.0f}));
  // A mirrored frame gives negative scales and a proper rotation.
  ASSERT_TRUE(SplitMatrixTransforms(Diagonal(-1, -1, -1, 1), parts));
  EXPECT_EQ((std::array{parts[ttScaleX], parts[ttRotateY]}), (std::array{-1.0f, 0.0f}));
  TMatrix4f perspective = IdentityMatrix;
  perspective[2][3] = 0.5f;
  ASSERT_TRUE(SplitMatrixTransforms(perspective, parts));
  EXPECT_EQ((std::array{parts[ttPerspectiveZ], parts[ttPerspectiveW]}), (std::array{0.5f, 1.0f}));

  EXPECT_FALSE(SplitMatrixTransforms(Diagonal(1, 1, 1, 0), parts));
  EXPECT_FALSE(SplitMatrixTransforms(Diagonal(1, 0, 1, 1), parts));
}

TEST(MatrixGeometry, PlanesAndFrustum) {
  EXPECT_EQ(TriangleNormal(TAffineVector{0, 0, 0}, {2, 0, 0}, {0, 3, 0}), UnitVectorZ);
  EXPECT_EQ(TriangleNormal(TVector4f{0, 0, 0, 1}, {0, 2, 0, 1}, {3, 0, 0, 1}), (TVector4f{0, 0, -1, 0}));
  TVector4f plane{0, 3, 4, 10};
  NormalizePlane(plane);
  EXPECT_EQ(plane, (TVector4f{0, 0.6f, 0.8f, 2}));
  EXPECT_FLOAT_EQ(PlaneEvaluatePoint(plane, {0, 1, 1}), 3.4f);

  // The identity projection: the cube -1..1 is the view volume.
  const TFrustum f = ExtractFrustum(IdentityMatrix);
  // Left x >= -1, top y <= 1, far z <= 1.
  EXPECT_EQ((std::array{f.Planes[0], f.Planes[1], f.Planes[5]}),
            (std::array<TVector4f, 3>{{{1, 0, 0, 1}, {0, -1, 0, 1}, {0, 0, -1, 1}}}));
  EXPECT_FALSE(IsVolumeClipped(TAffineVector{0, 0, 0}, 0.1f, f) ||
               IsVolumeClipped(TAffineVector{1.5f, 0, 0}, 1, f) ||
               IsVolumeClipped(TAffineVector{0.5f, 0, 0}, TAffineVector{3, 1, 1}, f));
  EXPECT_TRUE(IsVolumeClipped(TAffineVector{5, 0, 0}, 1, f) &&
              IsVolumeClipped(TAffineVector{3, 3, 0}, TAffineVector{4, 4, 1}, f));
}

TEST(MatrixGeometry, RayHits) {
  TVector4f point;
  EXPECT_TRUE(RayPlaneHit({0, 0, 5, 1}, {0, 0, -1, 0}, {0, 0, 0, 1}, {0, 0, 1, 0}, &point));
  EXPECT_EQ(point, (TVector4f{0, 0, 0, 1}));
  EXPECT_FALSE(RayPlaneHit({0, 0, 5, 1}, {1, 0, 0, 0}, {0, 0, 0, 1}, {0, 0, 1, 0}, &point));
  // Pointing away: no hit with a point asked for, a hit for the bare parallel test.
  EXPECT_FALSE(RayPlaneHit({0, 0, 5, 1}, {0, 0, 1, 0}, {0, 0, 0, 1}, {0, 0, 1, 0}, &point));
  EXPECT_TRUE(RayPlaneHit({0, 0, 5, 1}, {0, 0, 1, 0}, {0, 0, 0, 1}, {0, 0, 1, 0}));

  TAffineVector normal;
  EXPECT_TRUE(
      RayTriangleHit({0.25f, 0.25f, 1, 1}, {0, 0, -1, 0}, {0, 0, 0}, {2, 0, 0}, {0, 2, 0}, &point, &normal));
  EXPECT_EQ(point, (TVector4f{0.25f, 0.25f, 0, 1}));
  EXPECT_EQ(normal, (TAffineVector{0, 0, 4}));  // the cross product of the edges, not normalised
  EXPECT_FALSE(RayTriangleHit({1.5f, 1.5f, 1, 1}, {0, 0, -1, 0}, {0, 0, 0}, {2, 0, 0}, {0, 2, 0}));
  EXPECT_FALSE(RayTriangleHit({0.25f, 0.25f, 1, 1}, {0, 0, 1, 0}, {0, 0, 0}, {2, 0, 0}, {0, 2, 0}));
  EXPECT_FALSE(RayTriangleHit({0.25f, 0.25f, 1, 1}, {1, 0, 0, 0}, {0, 0, 0}, {2, 0, 0}, {0, 2, 0}));

  TVector4f i1, i2;
  ASSERT_EQ(RaySphereHits({-5, 0, 0, 1}, {1, 0, 0, 0}, {0, 0, 0}, 1, i1, i2), 2);
  EXPECT_EQ(i1, (TVector4f{-1, 0, 0, 1}));
  EXPECT_EQ(i2, (TVector4f{1, 0, 0, 1}));
  ASSERT_EQ(RaySphereHits({0, 0, 0, 1}, {1, 0, 0, 0}, {0, 0, 0}, 1, i1, i2), 1);  // from inside
  EXPECT_EQ(i1, (TVector4f{1, 0, 0, 1}));
  EXPECT_EQ(RaySphereHits({5, 0, 0, 1}, {1, 0, 0, 0}, {0, 0, 0}, 1, i1, i2), 0);   // behind
  ASSERT_EQ(RaySphereHits({-5, 1, 0, 1}, {1, 0, 0, 0}, {0, 0, 0}, 1, i1, i2), 1);  // touching
  EXPECT_EQ(i1, (TVector4f{0, 1, 0, 1}));
  EXPECT_EQ(RaySphereHits({-5, 2, 0, 1}, {1, 0, 0, 0}, {0, 0, 0}, 1, i1, i2), 0);

  EXPECT_FLOAT_EQ(SphereVisibleRadius(5, 3), 3.75f);
}

}  // namespace
}  // namespace zentrova
