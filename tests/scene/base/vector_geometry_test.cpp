#include "scene/base/vector_geometry.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <random>

namespace zentrova {
namespace {

using Ext = long double;

// Reference formulas evaluated in long double and rounded to single once per component.
float R(Ext x) {
  return static_cast<float>(x);
}

template <typename V>
bool Bits(const V& a, const V& b) {
  return std::memcmp(a.data(), b.data(), sizeof(a)) == 0;
}
bool Bits(float a, float b) {
  return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

// Mantissas in [1, 2), exponents over a wide range, both signs: products stay far from the edges of long
// double but do reach subnormal and infinite singles.
float RandomFloat(std::mt19937& engine) {
  const float mantissa = std::uniform_real_distribution<float>(1, 2)(engine);
  const float v = std::ldexp(mantissa, std::uniform_int_distribution<int>(-30, 30)(engine));
  return std::bernoulli_distribution(0.5)(engine) ? -v : v;
}

TEST(VectorGeometry, OperationsRoundExtendedResultsOncePerComponent) {
  std::mt19937 engine(20240607);
  const auto next = [&] { return RandomFloat(engine); };
  for (int n = 0; n < 20000; ++n) {
    const TAffineVector a{next(), next(), next()}, b{next(), next(), next()};
    const TVector4f p{next(), next(), next(), next()}, q{next(), next(), next(), next()};
    const float f = next(), g = next();
    SCOPED_TRACE(n);

    ASSERT_TRUE(
        Bits(AddAffine(a, b), TAffineVector{R(Ext(a[0]) + b[0]), R(Ext(a[1]) + b[1]), R(Ext(a[2]) + b[2])}));
    ASSERT_TRUE(Bits(SubtractVector4(p, q), TVector4f{R(Ext(p[0]) - q[0]), R(Ext(p[1]) - q[1]),
                                                      R(Ext(p[2]) - q[2]), R(Ext(p[3]) - q[3])}));
    TAffineVector v = a;
    AddScaledAffine(v, b, f);
    ASSERT_TRUE(
        Bits(v, TAffineVector{R(a[0] + Ext(b[0]) * f), R(a[1] + Ext(b[1]) * f), R(a[2] + Ext(b[2]) * f)}));
    ASSERT_TRUE(Bits(CombineAffine(a, b, f, g),
                     TAffineVector{R(Ext(f) * a[0] + Ext(g) * b[0]), R(Ext(f) * a[1] + Ext(g) * b[1]),
                                   R(Ext(f) * a[2] + Ext(g) * b[2])}));
    TVector4f combined;
    for (int i = 0; i < 4; ++i) combined[i] = R(p[i] + Ext(g) * q[i]);
    ASSERT_TRUE(Bits(CombineVector4One(p, q, g), combined));
    TVector4f scaled = p;
    ScaleVector4(scaled, f);
    ASSERT_TRUE(
        Bits(scaled, TVector4f{R(Ext(p[0]) * f), R(Ext(p[1]) * f), R(Ext(p[2]) * f), R(Ext(p[3]) * f)}));

    const Ext dot = Ext(a[0]) * b[0] + Ext(a[1]) * b[1] + Ext(a[2]) * b[2];
    const Ext na = Ext(a[0]) * a[0] + Ext(a[1]) * a[1] + Ext(a[2]) * a[2];
    const Ext nb = Ext(b[0]) * b[0] + Ext(b[1]) * b[1] + Ext(b[2]) * b[2];
    ASSERT_TRUE(Bits(AffineDot(a, b), R(dot)));
    ASSERT_TRUE(
        Bits(Vector4Dot(p, q), R(Ext(p[0]) * q[0] + Ext(p[1]) * q[1] + Ext(p[2]) * q[2] + Ext(p[3]) * q[3])));
    ASSERT_TRUE(Bits(AffineCross(a, b), TAffineVector{R(Ext(a[1]) * b[2] - Ext(a[2]) * b[1]),
                                                      R(Ext(a[2]) * b[0] - Ext(a[0]) * b[2]),
                                                      R(Ext(a[0]) * b[1] - Ext(a[1]) * b[0])}));
    ASSERT_TRUE(Bits(AffineNorm(a), R(na)));
    ASSERT_TRUE(Bits(AffineLength(a), R(std::sqrt(na))));
    ASSERT_TRUE(Bits(CosAngle3(a, b), R(dot / std::sqrt(na * nb))));
    const Ext dx = Ext(a[0]) - b[0], dy = Ext(a[1]) - b[1], dz = Ext(a[2]) - b[2];
    ASSERT_TRUE(Bits(AffineDistance2(a, b), R(dx * dx + dy * dy + dz * dz)));
    ASSERT_TRUE(Bits(AffineDistance(a, b), R(std::sqrt(dx * dx + dy * dy + dz * dz))));
    ASSERT_TRUE(Bits(ManhattanDistance3(a, b), R(std::fabs(dx) + std::fabs(dy) + std::fabs(dz))));
    ASSERT_TRUE(Bits(Length2D(f, g), R(std::sqrt(Ext(f) * f + Ext(g) * g))));

    TAffineVector normalized = a;
    NormalizeAffine(normalized);
    const Ext inv = 1 / std::sqrt(na);
    ASSERT_TRUE(Bits(normalized, TAffineVector{R(a[0] * inv), R(a[1] * inv), R(a[2] * inv)}));
    const TAffineVector unit = normalized;
    const Ext vn = Ext(b[0]) * unit[0] + Ext(b[1]) * unit[1] + Ext(b[2]) * unit[2];
    ASSERT_TRUE(Bits(AffinePerpendicular(b, unit),
                     TAffineVector{R(b[0] - vn * unit[0]), R(b[1] - vn * unit[1]), R(b[2] - vn * unit[2])}));

    const float t = std::ldexp(next(), -30);  // within a few units of 1
    TVector4f lerped;
    LerpVector4(p, q, t, lerped);
    TVector4f expected;
    for (int i = 0; i < 4; ++i) expected[i] = R(p[i] + (Ext(q[i]) - p[i]) * t);
    ASSERT_TRUE(Bits(lerped, expected));
    ASSERT_TRUE(Bits(LerpSingle(f, g, t), R(f + (Ext(g) - f) * t)));

    const Ext s = std::sin(Ext(t)), c = std::cos(Ext(t));
    ASSERT_TRUE(Bits(TurnAboutY3(a, t), TAffineVector{R(c * a[0] + s * a[2]), a[1], R(c * a[2] - s * a[0])}));
  }
}

TEST(VectorGeometry, EdgeCasesOfNormalisationEqualityAndCrossProducts) {
  TVector4f h{3, 4, 0, 7};
  NormalizeVector3InPlace(h);
  EXPECT_EQ(h, (TVector4f{0.6f, 0.8f, 0, 0}));
  EXPECT_EQ(NormalizeAffineToVector({0, 0, 2}), (TVector4f{0, 0, 1, 0}));
  // The direction of a zero vector is unknown: it stays zero instead of turning into NaN.
  TAffineVector array[2] = {{0, 0, 0}, {0, 5, 0}};
  NormalizeAffineArray(array, 2);
  EXPECT_TRUE(array[0] == ZeroVector && array[1] == UnitVectorY);
  // Equality is bitwise; null tests compare by value (−0 is zero).
  EXPECT_FALSE(Vector4Equals({0, 0, 0, 0}, {-0.0f, 0, 0, 0}) || AffineEquals({1, 2, 3}, {1, 2, -3}));
  EXPECT_TRUE(Vector4Equals({1, 2, 3, 4}, {1, 2, 3, 4}) && Vector3Equals({1, 2, 3, 4}, {1, 2, 3, 5}));
  EXPECT_TRUE(AffineIsNull({-0.0f, 0, 0}) && !AffineIsNull({0, 0, 1e-45f}));
  EXPECT_EQ(AffineCross(UnitVectorY, UnitVectorX), (TAffineVector{0, 0, -1}));
  EXPECT_EQ(VectorCrossProduct({0, 1, 0, 9}, {0, 0, 1, 9}), (TVector4f{1, 0, 0, 0}));
  EXPECT_TRUE(PointFromAffine({1, 2, 3})[3] == 1 && DirectionFromAffine({1, 2, 3})[3] == 0);
  EXPECT_EQ(SubtractToDirection({5, 5, 5, 1}, {1, 2, 3, 1}), (TVector4f{4, 3, 2, 0}));
  EXPECT_EQ(SubtractVector3KeepW({5, 5, 5, 7}, {1, 2, 3, 1}), (TVector4f{4, 3, 2, 7}));
  EXPECT_EQ(AbsComponents4({-1, 2, -3, -0.0f}), (TVector4f{1, 2, 3, 0}));
  TAffineVector m{1, 5, -2};
  MaxComponentsInPlace(m, {3, 4, -1});
  EXPECT_EQ(m, (TAffineVector{3, 5, -1}));
  EXPECT_FLOAT_EQ(static_cast<float>(ProjectPointOnAxis(TAffineVector{1, 2, 3}, {1, 0, 0}, {0, 0, 1})), 3);
}

TEST(VectorGeometry, ArrayFormsMatchTheSingleForms) {
  const TAffineVector in[3] = {{1, 2, 3}, {-4, 0.5f, 6}, {7, 8, -9}},
                      other[3] = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}};
  TAffineVector sums[3], lerps[3];
  AddToAffineArray(in, {0.25f, -1, 2}, sums, 3);
  LerpAffineArray(in, other, 0.3f, lerps, 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(sums[i], AddAffine(in[i], {0.25f, -1, 2})) << i;
    EXPECT_EQ(lerps[i], LerpAffine(in[i], other[i], 0.3f)) << i;
  }
}

}  // namespace
}  // namespace zentrova
