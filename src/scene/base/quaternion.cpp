#include "scene/base/quaternion.h"

#include <cmath>

#include "scene/base/float_math.h"
#include "scene/base/matrix_geometry.h"
#include "scene/base/scene_errors.h"
#include "scene/base/vector_geometry.h"

namespace zentrova {

namespace {
using Ext = long double;
inline float S(Ext x) {
  return static_cast<float>(x);
}

Ext SquaredMagnitude(const TQuaternion& q) {
  return Ext(q.ImagPart[0]) * q.ImagPart[0] + Ext(q.ImagPart[1]) * q.ImagPart[1] +
         Ext(q.ImagPart[2]) * q.ImagPart[2] + Ext(q.RealPart) * q.RealPart;
}
}  // namespace

float QuaternionMagnitude(const TQuaternion& q) {
  return S(std::sqrt(SquaredMagnitude(q)));
}

void NormalizeQuaternion(TQuaternion& q) {
  const float m = QuaternionMagnitude(q);
  if (m < EPSILON) {
    q = IdentityQuaternion;
    return;
  }
  const Ext f = 1 / Ext(m);
  for (float& c : q.ImagPart) c = S(c * f);
  q.RealPart = S(q.RealPart * f);
}

TQuaternion QuaternionMultiply(const TQuaternion& l, const TQuaternion& r) {
  const Ext lx = l.ImagPart[0], ly = l.ImagPart[1], lz = l.ImagPart[2], lw = l.RealPart;
  const Ext rx = r.ImagPart[0], ry = r.ImagPart[1], rz = r.ImagPart[2], rw = r.RealPart;
  TQuaternion q;
  q.ImagPart[0] = S(lw * rx + lx * rw + ly * rz - lz * ry);
  q.ImagPart[1] = S(lw * ry + ly * rw + lz * rx - lx * rz);
  q.ImagPart[2] = S(lw * rz + lz * rw + lx * ry - ly * rx);
  q.RealPart = S(lw * rw - lx * rx - ly * ry - lz * rz);
  return q;
}

TQuaternion QuaternionFromAxisAngle(const TAffineVector& axis, float angle_degrees) {
  const Ext half = DegToRadExt(Ext(angle_degrees) * 0.5L);
  const Ext f = std::sin(half) / Ext(AffineLength(axis));
  TQuaternion q;
  for (int i = 0; i < 3; ++i) q.ImagPart[i] = S(axis[i] * f);
  q.RealPart = S(std::cos(half));
  return q;
}

TMatrix4f MatrixFromQuaternion(const TQuaternion& quaternion) {
  TQuaternion q = quaternion;
  NormalizeQuaternion(q);
  const Ext x = q.ImagPart[0], y = q.ImagPart[1], z = q.ImagPart[2], w = q.RealPart;
  TMatrix4f m;
  m[0] = {S(1 - 2 * (y * y + z * z)), S(2 * (x * y + z * w)), S(2 * (x * z - y * w)), 0};
  m[1] = {S(2 * (x * y - z * w)), S(1 - 2 * (x * x + z * z)), S(2 * (y * z + x * w)), 0};
  m[2] = {S(2 * (x * z + y * w)), S(2 * (y * z - x * w)), S(1 - 2 * (x * x + y * y)), 0};
  m[3] = {0, 0, 0, 1};
  return m;
}

TQuaternion SlerpQuaternions(const TQuaternion& q1, const TQuaternion& q2, float t) {
  TQuaternion to = q2;
  Ext c = Ext(q1.ImagPart[0]) * q2.ImagPart[0] + Ext(q1.ImagPart[1]) * q2.ImagPart[1] +
          Ext(q1.ImagPart[2]) * q2.ImagPart[2] + Ext(q1.RealPart) * q2.RealPart;
  if (c < 0) {
    // The other arc is shorter: −q2 is the same rotation.
    for (float& v : to.ImagPart) v = -v;
    to.RealPart = -to.RealPart;
    c = -c;
  }
  Ext w1, w2;
  if (1 - c < EPSILON) {
    w1 = 1 - Ext(t);
    w2 = t;
  } else {
    const Ext a = std::acos(c);
    const Ext sin_a = std::sin(a);
    w1 = std::sin((1 - Ext(t)) * a) / sin_a;
    w2 = std::sin(Ext(t) * a) / sin_a;
  }
  TQuaternion r;
  for (int i = 0; i < 3; ++i) r.ImagPart[i] = S(w1 * q1.ImagPart[i] + w2 * to.ImagPart[i]);
  r.RealPart = S(w1 * q1.RealPart + w2 * to.RealPart);
  NormalizeQuaternion(r);
  return r;
}

TQuaternion RotationFromEulerAngles(int order, float x, float y, float z) {
  SceneAssert(order >= 0 && order < 6);
  const TQuaternion qx = QuaternionFromAxisAngle(UnitVectorX, x);
  const TQuaternion qy = QuaternionFromAxisAngle(UnitVectorY, y);
  const TQuaternion qz = QuaternionFromAxisAngle(UnitVectorZ, z);
  TQuaternion at[3];
  at[EulerOrderTable[order][0] - 1] = qx;
  at[EulerOrderTable[order][1] - 1] = qy;
  at[EulerOrderTable[order][2] - 1] = qz;
  return QuaternionMultiply(QuaternionMultiply(at[0], at[1]), at[2]);
}

TQuaternion QuaternionFromEuler(int order, float x, float y, float z) {
  SceneAssert(order >= 0 && order < 6);
  float angles[3] = {WrapDegrees180(x), WrapDegrees180(y), WrapDegrees180(z)};
  // The middle rotation of each order: y for XYZ and ZYX, z for XZY and YZX, x for YXZ and ZXY.
  static constexpr int kMiddle[6] = {kY, kZ, kX, kZ, kX, kY};
  const int middle = kMiddle[order];
  if (std::fabs(std::fabs(angles[middle]) - 90.0f) <= EPSILON) {
    float below[3] = {angles[0], angles[1], angles[2]};
    float above[3] = {angles[0], angles[1], angles[2]};
    below[middle] = S(Ext(angles[middle]) - 0.001L);
    above[middle] = S(Ext(angles[middle]) + 0.001L);
    return SlerpQuaternions(RotationFromEulerAngles(order, below[0], below[1], below[2]),
                            RotationFromEulerAngles(order, above[0], above[1], above[2]), 0.5f);
  }
  return RotationFromEulerAngles(order, angles[0], angles[1], angles[2]);
}

TAffineVector InterpolateEulerRotation(const TAffineVector& start, const TAffineVector& stop, float t) {
  if (AffineEquals(start, stop)) return start;
  const TQuaternion q1 =
      QuaternionFromEuler(eulZYX, RadToDeg(start[0]), RadToDeg(start[1]), RadToDeg(start[2]));
  const TQuaternion q2 = QuaternionFromEuler(eulZYX, RadToDeg(stop[0]), RadToDeg(stop[1]), RadToDeg(stop[2]));
  TTransformations parts;
  // A rotation matrix always splits; a failure would leave the rotation at 0.
  if (!SplitMatrixTransforms(MatrixFromQuaternion(SlerpQuaternions(q1, q2, t)), parts)) parts.fill(0);
  return {parts[ttRotateX], parts[ttRotateY], parts[ttRotateZ]};
}

}  // namespace zentrova
