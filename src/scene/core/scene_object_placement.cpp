// Placement of a scene object in its parent's frame: the local and absolute matrices, the axes kept
// orthonormal, the angle properties, orbiting, and the default geometric queries.
#include <algorithm>
#include <cmath>

#include "scene/base/float_math.h"
#include "scene/base/matrix_geometry.h"
#include "scene/base/scene_errors.h"
#include "scene/base/vector_geometry.h"
#include "scene/core/scene_object.h"

namespace zentrova {

namespace {

constexpr TVector4f kZAxis{0, 0, 1, 0};
constexpr TVector4f kYAxis{0, 1, 0, 0};
constexpr TVector4f kXAxis{1, 0, 0, 0};
// Below this length a cross product of the two axes has no usable direction.
constexpr float kDegenerateCross = 1e-5f;
// The orbit keeps this far (radians) from the poles of the up axis: π − 0.025 as a single at the other.
constexpr float kMinOrbitPitch = 0.025f;
constexpr float kMaxOrbitPitch = 3.1165926f;

TAffineVector Affine(const TVector4f& v) {
  return {v[0], v[1], v[2]};
}

// a × b, or a fixed axis × b when a and b are (nearly) parallel.
TVector4f RightOf(const TVector4f& direction, const TVector4f& up) {
  TVector4f right = VectorCrossProduct(direction, up);
  if (Vector3Length(right) < kDegenerateCross) {
    right = VectorCrossProduct(kZAxis, up);
    if (Vector3Length(right) < kDegenerateCross) right = VectorCrossProduct(kXAxis, up);
  }
  return right;
}

TVector4f Normalized(TVector4f v) {
  NormalizeVector3InPlace(v);
  return v;
}

}  // namespace

void TGLBaseSceneObject::SetDirection(const TVector4f& v) {
  if (!Vector3IsNull(v)) direction_.SetVectorXYZ(v[0], v[1], v[2]);
}

void TGLBaseSceneObject::SetUp(const TVector4f& v) {
  if (!Vector3IsNull(v)) up_.SetVectorXYZ(v[0], v[1], v[2]);
}

void TGLBaseSceneObject::SetScale(const TGLCoordinates& scale) {
  scale_.Assign(&scale);
  MarkTransformDirty();
}

void TGLBaseSceneObject::RebuildLocalMatrix() {
  const TVector4f left = VectorCrossProduct(up_.AsVector(), direction_.AsVector());
  ScaleVector4To(left, scale_.X(), local_matrix_[0]);
  ScaleVector4To(up_.AsVector(), scale_.Y(), local_matrix_[1]);
  ScaleVector4To(direction_.AsVector(), scale_.Z(), local_matrix_[2]);
  local_matrix_[3] = position_.AsVector();
  changes_ =
      static_cast<std::uint8_t>((changes_ & ~kLocalMatrixDirty) | kAbsoluteMatrixDirty | kInverseMatrixDirty);
}

const TMatrix4f& TGLBaseSceneObject::LocalMatrix() {
  if ((changes_ & kLocalMatrixDirty) != 0) RebuildLocalMatrix();
  return local_matrix_;
}

void TGLBaseSceneObject::SetMatrix(const TMatrix4f& m) {
  local_matrix_ = m;
  direction_.SetVectorSilently(Normalized(m[2]));
  up_.SetVectorSilently(Normalized(m[1]));
  scale_.SetVectorSilently({Vector3Length(m[0]), Vector3Length(m[1]), Vector3Length(m[2]), 0});
  position_.SetVectorSilently(m[3]);
  MarkTransformDirty();
}

const TMatrix4f& TGLBaseSceneObject::AbsoluteMatrix() {
  if ((changes_ & kAbsoluteMatrixDirty) != 0) {
    const TMatrix4f& local = LocalMatrix();
    if (parent_ != nullptr && !parent_->is_root_) {
      absolute_matrix_ = MultiplyMatrices(local, parent_->AbsoluteMatrix());
    } else {
      absolute_matrix_ = local;
    }
    changes_ = static_cast<std::uint8_t>((changes_ & ~kAbsoluteMatrixDirty) | kInverseMatrixDirty);
  }
  return absolute_matrix_;
}

const TMatrix4f& TGLBaseSceneObject::InverseAbsoluteMatrix() {
  if ((changes_ & (kInverseMatrixDirty | kAbsoluteMatrixDirty)) != 0) {
    inverse_matrix_ = AbsoluteMatrix();
    InvertMatrix4(inverse_matrix_);
    changes_ &= static_cast<std::uint8_t>(~kInverseMatrixDirty);
  }
  return inverse_matrix_;
}

TVector4f TGLBaseSceneObject::AbsoluteTranslation() {
  return AbsoluteMatrix()[3];
}

TVector4f TGLBaseSceneObject::AbsoluteYAxis() {
  return Normalized(AbsoluteMatrix()[1]);
}

TVector4f TGLBaseSceneObject::AbsoluteZAxis() {
  return Normalized(AbsoluteMatrix()[2]);
}

TVector4f TGLBaseSceneObject::WorldToLocal(const TVector4f& v) {
  return TransformVector4(v, InverseAbsoluteMatrix());
}

TVector4f TGLBaseSceneObject::LocalToWorld(const TVector4f& v) {
  return TransformVector4(v, AbsoluteMatrix());
}

TVector4f TGLBaseSceneObject::RightVector() const {
  return VectorCrossProduct(direction_.AsVector(), up_.AsVector());
}

TVector4f TGLBaseSceneObject::LeftVector() const {
  return VectorCrossProduct(up_.AsVector(), direction_.AsVector());
}

void TGLBaseSceneObject::CoordinateChanged(TGLCoordinates* sender) {
  if (calculating_) return;
  if (sender == &direction_ || sender == &up_) {
    calculating_ = true;
    TVector4f direction = direction_.AsVector();
    TVector4f up = up_.AsVector();
    if (sender == &direction_) {
      if (Vector3Length(direction) == 0) direction = kZAxis;
      NormalizeVector3InPlace(direction);
      up = Normalized(VectorCrossProduct(RightOf(direction, up), direction));
    } else {
      if (Vector3Length(up) == 0) up = kYAxis;
      NormalizeVector3InPlace(up);
      direction = Normalized(VectorCrossProduct(up, RightOf(direction, up)));
    }
    direction_.SetVectorSilently(direction);
    up_.SetVectorSilently(up);
    calculating_ = false;
  }
  MarkTransformDirty();
}

void TGLBaseSceneObject::SetAngle(int component, float angle) {
  const float stored = rotation_.AsVector()[component];
  if (angle == stored) return;
  if (!ComponentState().Contains(TComponentState::Loading)) {
    const TVector4f axis = component == kX   ? RightVector()
                           : component == kY ? up_.AsVector()
                                             : direction_.AsVector();
    // The axis-angle matrix applied to row vectors turns by the negated angle: by angle − stored here.
    const TMatrix4f m = CreateRotationMatrix(axis, DegToRad(stored - angle));
    calculating_ = true;
    up_.SetVectorSilently(Normalized(TransformVector4(up_.AsVector(), m)));
    direction_.SetVectorSilently(Normalized(TransformVector4(direction_.AsVector(), m)));
    calculating_ = false;
    MarkTransformDirty();
  }
  TVector4f rotation = rotation_.AsVector();
  rotation[component] = WrapDegrees180(angle);
  rotation_.SetVectorSilently(rotation);
}

void TGLBaseSceneObject::SetPitchAngle(float angle) {
  SetAngle(kX, angle);
}

void TGLBaseSceneObject::SetTurnAngle(float angle) {
  SetAngle(kY, angle);
}

void TGLBaseSceneObject::SetRollAngle(float angle) {
  SetAngle(kZ, angle);
}

void TGLBaseSceneObject::RollBy(float angle) {
  calculating_ = true;
  const TAffineVector axis = direction_.AsAffineVector();
  up_.Rotate(axis, DegToRad(angle));
  up_.Normalize();
  direction_.Rotate(axis, DegToRad(angle));
  direction_.Normalize();
  // The roll read back from the right vector: its elevation, carried over ±90° when it points to −x.
  const TVector4f r = RightVector();
  float roll = -RadToDeg(std::atan2(r[1], std::sqrt(r[0] * r[0] + r[2] * r[2])));
  if (r[0] < 0) roll = r[1] < 0 ? 180 - roll : -180 - roll;
  TVector4f rotation = rotation_.AsVector();
  rotation[kZ] = roll;
  rotation_.SetVectorSilently(rotation);
  calculating_ = false;
  MarkTransformDirty();
}

void TGLBaseSceneObject::MoveObjectAround(TGLBaseSceneObject* an_object, float pitch_delta,
                                          float turn_delta) {
  if (an_object == nullptr) return;
  const TVector4f origin = AbsoluteTranslation();
  const TVector4f t = SubtractToDirection(origin, an_object->AbsoluteTranslation());
  const float length = Vector3Length(t);
  // At the target itself there is no direction to orbit along.
  if (!(length > 0)) return;
  TVector4f n = t;
  ScaleVector4(n, 1 / length);
  const TVector4f up = AbsoluteYAxis();
  TAffineVector right = AffineCross(Affine(up), Affine(n));
  if (AffineLength(right) <= 0.001f) {
    right = UnitVectorX;
  } else {
    NormalizeAffine(right);
  }
  // Rounding can carry the cosine of two unit vectors past ±1, where acos has no value.
  const float pitch_now = std::acos(std::clamp(Vector3Dot(up, n), -1.0f, 1.0f));
  const float pitch_new = std::clamp(pitch_now + DegToRad(pitch_delta), kMinOrbitPitch, kMaxOrbitPitch);
  TVector4f v = RotateVector(up, right, -pitch_new);
  v = RotateVector(v, Affine(up), -DegToRad(turn_delta));
  ScaleVector4(v, length);
  TVector4f moved = AddVector4(origin, SubtractToDirection(v, t));
  moved[kW] = 1;
  if (parent_ != nullptr) moved = parent_->WorldToLocal(moved);
  position_.SetPositionXYZ(moved[0], moved[1], moved[2]);
}

// ---- Geometric queries

TVector4f TGLBaseSceneObject::AxisAlignedDimensions() const {
  TVector4f d = UnscaledHalfExtents();
  ScaleVector4ByVector(d, scale_.AsVector());
  return d;
}

float TGLBaseSceneObject::BoundingSphereRadius() const {
  return Vector3Length(AxisAlignedDimensions());
}

TVector4f TGLBaseSceneObject::BarycenterAbsolutePosition() {
  return AbsoluteTranslation();
}

float TGLBaseSceneObject::BarycenterSqrDistanceTo(const TVector4f& point) {
  return AffineDistance2(Affine(BarycenterAbsolutePosition()), Affine(point));
}

bool TGLBaseSceneObject::PointInObject(const TVector4f& point) {
  const TVector4f p = WorldToLocal(point);
  const TVector4f d = AxisAlignedDimensions();
  for (int i = 0; i < 3; ++i) {
    if (std::fabs(p[i] * scale_.AsVector()[i]) > d[i]) return false;
  }
  return true;
}

bool TGLBaseSceneObject::RayCastIntersect(const TVector4f& ray_start, const TVector4f& ray_vector,
                                          TVector4f* intersect_point, TVector4f* intersect_normal) {
  const TVector4f centre = AbsoluteTranslation();
  TVector4f direction = ray_vector;
  NormalizeVector3InPlace(direction);
  TVector4f i1{}, i2{};
  if (RaySphereHits(ray_start, direction, Affine(centre), BoundingSphereRadius(), i1, i2) == 0) return false;
  if (intersect_point != nullptr) *intersect_point = i1;
  if (intersect_normal != nullptr) *intersect_normal = Normalized(SubtractToDirection(i1, centre));
  return true;
}

std::unique_ptr<TGLSilhouette> TGLBaseSceneObject::GenerateSilhouette(const TSilhouetteQuery& query) {
  constexpr int kSegments = 21;
  constexpr float kAngleStep = 0.2991993f;  // 2π / 21
  const float r = Vector3Length(UnscaledHalfExtents());
  const TAffineVector& eye = query.Eye;
  TAffineVector s = AffineCross(eye, UnitVectorX);
  if (AffineLength(s) < 0.001f) s = AffineCross(eye, UnitVectorY);
  TAffineVector t = AffineCross(eye, s);
  NormalizeAffine(s);
  NormalizeAffine(t);
  float seen_radius = r;
  if (query.Style == silOmni) {
    seen_radius = SphereVisibleRadius(AffineLength(eye), r);
  } else {
    SceneAssert(query.Style == silParallel);
  }
  ScaleAffine(s, 0.98f * seen_radius);
  ScaleAffine(t, 0.98f * seen_radius);
  auto silhouette = std::make_unique<TGLSilhouette>();
  for (int i = 0; i < kSegments; ++i) {
    const float sine = std::sin(i * kAngleStep), cosine = std::cos(i * kAngleStep);
    silhouette->Vertices().AddPoint(CombineAffine(s, t, cosine, sine));
    silhouette->Indices().Add2(i, (i + 1) % kSegments);
    if (query.Capping) silhouette->CapIndices().Add3(kSegments, i, (i + 1) % kSegments);
  }
  // The cap triangles fan out from the centre, the vertex after the circle.
  if (query.Capping) silhouette->Vertices().AddPoint(ZeroVector);
  return silhouette;
}

}  // namespace zentrova
