// Quaternions (x, y, z imaginary, w real last) and Euler-angle rotations.
#pragma once

#include <array>

#include "scene/base/vector_types.h"

namespace zentrova {

float QuaternionMagnitude(const TQuaternion& q);
// All four components × 1 / magnitude; a magnitude below 1e-30 gives the identity quaternion.
void NormalizeQuaternion(TQuaternion& q);
TQuaternion QuaternionMultiply(const TQuaternion& l, const TQuaternion& r);
// Rotation by an angle in degrees about an axis of any non-zero length.
TQuaternion QuaternionFromAxisAngle(const TAffineVector& axis, float angle_degrees);
// Rotation matrix for row vectors; the quaternion is normalised first.
TMatrix4f MatrixFromQuaternion(const TQuaternion& q);
// Spherical interpolation along the shorter arc, normalised.
TQuaternion SlerpQuaternions(const TQuaternion& q1, const TQuaternion& q2, float t);

// Orders of the three axis rotations.
enum TEulerOrder : int { eulXYZ, eulXZY, eulYXZ, eulYZX, eulZXY, eulZYX };
// For each order, the position (1 to 3) of the x, y and z rotation in the product.
inline constexpr std::array<std::array<int, 3>, 6> EulerOrderTable{
    {{1, 2, 3}, {1, 3, 2}, {2, 1, 3}, {3, 1, 2}, {2, 3, 1}, {3, 2, 1}}};

// q(position 1) × q(position 2) × q(position 3) of the axis rotations by x, y, z degrees.
TQuaternion RotationFromEulerAngles(int order, float x, float y, float z);
// The same after wrapping the angles into (−180, 180], avoiding the gimbal position: when the middle
// angle of the order is ±90 the result is halfway between the rotations 0.001 degree to either side.
// An order outside 0 to 5 raises "Assertion failure".
TQuaternion QuaternionFromEuler(int order, float x, float y, float z);
// Interpolates two rotations given as angle triples in radians, through quaternions in order ZYX;
// the result is the rotation part of the interpolated matrix.
TAffineVector InterpolateEulerRotation(const TAffineVector& start, const TAffineVector& stop, float t);

}  // namespace zentrova
