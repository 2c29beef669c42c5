#include "scene/base/quaternion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "scene/base/matrix_geometry.h"
#include "scene/base/scene_errors.h"
#include "scene/base/vector_geometry.h"
#include "scene/expect_near.h"

namespace zentrova {
namespace {

bool Same(const TQuaternion& a, const TQuaternion& b) {
  return a.ImagPart == b.ImagPart && a.RealPart == b.RealPart;
}

void ExpectNear(const TQuaternion& a, const TQuaternion& b, float tolerance) {
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(a.ImagPart[i], b.ImagPart[i], tolerance);
  EXPECT_NEAR(a.RealPart, b.RealPart, tolerance);
}

TQuaternion Negated(const TQuaternion& q) {
  return {{-q.ImagPart[0], -q.ImagPart[1], -q.ImagPart[2]}, -q.RealPart};
}

TEST(Quaternion, SlerpOfAQuaternionAndItsNegativeIsTheQuaternion) {
  const TQuaternion q{{0.5f, 0.5f, 0.5f}, 0.5f};
  for (float t : {0.0f, 0.25f, 0.5f, 0.9f, 1.0f})
    EXPECT_TRUE(Same(SlerpQuaternions(q, Negated(q), t), q)) << t;
  const TQuaternion r = QuaternionFromAxisAngle({1, 2, 3}, 70);
  for (float t : {0.0f, 0.3f, 1.0f}) ExpectNear(SlerpQuaternions(r, Negated(r), t), r, 1e-6f);
}

TEST(Quaternion, MatrixOfTheZeroQuaternionIsTheIdentity) {
  EXPECT_EQ(MatrixFromQuaternion({{0, 0, 0}, 0}), IdentityMatrix);
  TQuaternion tiny{{1e-31f, 0, 0}, 0};
  NormalizeQuaternion(tiny);
  EXPECT_TRUE(Same(tiny, IdentityQuaternion));
  TQuaternion q{{0, 3, 0}, 4};
  EXPECT_EQ(QuaternionMagnitude(q), 5);
  NormalizeQuaternion(q);
  EXPECT_TRUE(Same(q, TQuaternion{{0, 0.6f, 0}, 0.8f}));
}

TEST(Quaternion, AxisAngleMatrixAndProduct) {
  // 90 degrees about z turns x towards y for row vectors.
  const TQuaternion q = QuaternionFromAxisAngle({0, 0, 2}, 90);
  ExpectNear(q, {{0, 0, std::sqrt(0.5f)}, std::sqrt(0.5f)}, 1e-7f);
  test::ExpectNear(TransformAffinePoint({1, 0, 0}, MatrixFromQuaternion(q)), {0, 1, 0}, 1e-7);
  ExpectNear(QuaternionMultiply(q, q), QuaternionFromAxisAngle(UnitVectorZ, 180), 1e-7f);
  EXPECT_TRUE(Same(QuaternionMultiply(IdentityQuaternion, q), q));
  // Halfway between no turn and 90 degrees is 45 degrees.
  ExpectNear(SlerpQuaternions(IdentityQuaternion, q, 0.5f), QuaternionFromAxisAngle(UnitVectorZ, 45), 1e-7f);
}

TEST(Quaternion, EulerOrdersPlaceTheAxisRotations) {
  const TQuaternion qx = QuaternionFromAxisAngle(UnitVectorX, 10);
  const TQuaternion qy = QuaternionFromAxisAngle(UnitVectorY, 20);
  const TQuaternion qz = QuaternionFromAxisAngle(UnitVectorZ, 30);
  EXPECT_TRUE(
      Same(RotationFromEulerAngles(eulXYZ, 10, 20, 30), QuaternionMultiply(QuaternionMultiply(qx, qy), qz)));
  EXPECT_TRUE(
      Same(RotationFromEulerAngles(eulYZX, 10, 20, 30), QuaternionMultiply(QuaternionMultiply(qy, qz), qx)));
  EXPECT_TRUE(
      Same(RotationFromEulerAngles(eulZYX, 10, 20, 30), QuaternionMultiply(QuaternionMultiply(qz, qy), qx)));
  // Angles are wrapped into (-180, 180] first.
  EXPECT_TRUE(Same(QuaternionFromEuler(eulXYZ, 370, -350, 30), RotationFromEulerAngles(eulXYZ, 10, 10, 30)));
}

TEST(Quaternion, GimbalPositionIsApproachedFromBothSides) {
  const TQuaternion expected = SlerpQuaternions(RotationFromEulerAngles(eulXYZ, 10, 89.999f, 20),
                                                RotationFromEulerAngles(eulXYZ, 10, 90.001f, 20), 0.5f);
  EXPECT_TRUE(Same(QuaternionFromEuler(eulXYZ, 10, 90, 20), expected));
  // For XZY the middle angle is z: y = 90 is no gimbal position there.
  EXPECT_TRUE(Same(QuaternionFromEuler(eulXZY, 10, 90, 20), RotationFromEulerAngles(eulXZY, 10, 90, 20)));
  const TQuaternion around_x = SlerpQuaternions(RotationFromEulerAngles(eulZXY, -90.001f, 5, 6),
                                                RotationFromEulerAngles(eulZXY, -89.999f, 5, 6), 0.5f);
  EXPECT_TRUE(Same(QuaternionFromEuler(eulZXY, -90, 5, 6), around_x));
}

TEST(Quaternion, EulerOrderOutOfRangeIsAnAssertion) {
  try {
    QuaternionFromEuler(6, 0, 0, 0);
    FAIL() << "no exception";
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message(), "Assertion failure (quaternion.cpp, line " + std::to_string(e.Line()) + ")");
  }
  EXPECT_THROW(QuaternionFromEuler(-1, 0, 0, 0), EAssertionFailed);
}

TEST(Quaternion, InterpolateEulerRotation) {
  const TAffineVector start{0.1f, 0.2f, 0.3f}, stop{0.4f, -0.3f, 0.9f};
  const TAffineVector same = InterpolateEulerRotation(start, start, 0.7f);
  EXPECT_EQ(same, start);
  test::ExpectNear(InterpolateEulerRotation(start, stop, 0), {0.1, 0.2, 0.3}, 1e-5);
  test::ExpectNear(InterpolateEulerRotation(start, stop, 1), {0.4, -0.3, 0.9}, 1e-5);
  test::ExpectNear(InterpolateEulerRotation({0, 0, 0.2f}, {0, 0, 0.6f}, 0.5f), {0, 0, 0.4}, 1e-6);
}

}  // namespace
}  // namespace zentrova
