// Record types of the scene's single-precision geometry. The layouts are handed to OpenGL and
// written raw into archives, so they are pinned here.
#pragma once

#include <array>
#include <cstddef>
#include <limits>

namespace zentrova {

// Component indexes, for readable subscripts.
inline constexpr int kX = 0;
inline constexpr int kY = 1;
inline constexpr int kZ = 2;
inline constexpr int kW = 3;

using TAffineVector = std::array<float, 3>;      // x, y, z
using TVector4f = std::array<float, 4>;          // homogeneous: w = 1 point, w = 0 direction
using TTexPoint = std::array<float, 2>;          // s, t
using TAffineDblVector = std::array<double, 3>;  // conversion target only
using TMatrix4f = std::array<TVector4f, 4>;      // m[row][column]; row vectors, translation in row 3
using TMatrix4d = std::array<std::array<double, 4>, 4>;

// Imaginary part first, the real part last.
struct TQuaternion {
  TAffineVector ImagPart;
  float RealPart;
};

// Six planes (a, b, c, d) of a view volume: left, top, right, bottom, near, far.
struct TFrustum {
  std::array<TVector4f, 6> Planes;
};

static_assert(sizeof(float) == 4 && std::numeric_limits<float>::is_iec559);
static_assert(sizeof(TAffineVector) == 12);
static_assert(sizeof(TVector4f) == 16);
static_assert(sizeof(TTexPoint) == 8);
static_assert(sizeof(TAffineDblVector) == 24);
static_assert(sizeof(TMatrix4f) == 64);
static_assert(sizeof(TQuaternion) == 16 && offsetof(TQuaternion, RealPart) == 12);

inline constexpr TAffineVector ZeroVector{0, 0, 0};
inline constexpr TAffineVector UnitVectorX{1, 0, 0};
inline constexpr TAffineVector UnitVectorY{0, 1, 0};
inline constexpr TAffineVector UnitVectorZ{0, 0, 1};
inline constexpr TVector4f ZeroHmgVector{0, 0, 0, 0};
inline constexpr TVector4f IdentityHmgPoint{0, 0, 0, 1};
inline constexpr TMatrix4f IdentityMatrix{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
inline constexpr TMatrix4f ZeroMatrix{};
inline constexpr TQuaternion IdentityQuaternion{{0, 0, 0}, 1};

}  // namespace zentrova
