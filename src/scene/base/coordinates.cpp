#include "scene/base/coordinates.h"

#include <cstring>

#include "scene/base/matrix_geometry.h"
#include "scene/base/scene_errors.h"
#include "scene/base/vector_geometry.h"

namespace zentrova {

TGLCoordinates::TGLCoordinates(TPersistent* owner, const TVector4f& value, TGLCoordinatesStyle style)
    : TGLUpdateAbleObject(owner), value_(value), initial_(value), style_(style) {}

void TGLCoordinates::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLCoordinates*>(source)) {
    value_ = other->value_;
    return;
  }
  TGLUpdateAbleObject::Assign(source);
}

void TGLCoordinates::SetCoordinate(int index, float value) {
  if (index < 0 || index > 3) throw ERangeError(kRangeCheckError);
  value_[index] = value;
  NotifyChange(this);
}

void TGLCoordinates::AddVector(const TAffineVector& v) {
  TAffineVector xyz = AsAffineVector();
  AddAffineInPlace(xyz, v);
  value_ = {xyz[0], xyz[1], xyz[2], value_[3]};
  NotifyChange(this);
}

void TGLCoordinates::Rotate(const TAffineVector& axis, float angle) {
  value_ = TransformVector4(value_, CreateRotationMatrix(axis, angle));
  NotifyChange(this);
}

void TGLCoordinates::Normalize() {
  NormalizeVector3InPlace(value_);
  NotifyChange(this);
}

void TGLCoordinates::SetVectorXYZ(float x, float y, float z) {
  SceneAssert(style_ != csPoint);
  value_ = {x, y, z, 0};
  NotifyChange(this);
}

void TGLCoordinates::SetVectorXYZW(float x, float y, float z, float w) {
  SceneAssert(style_ != csPoint);
  value_ = {x, y, z, w};
  NotifyChange(this);
}

void TGLCoordinates::SetPositionXYZ(float x, float y, float z) {
  SceneAssert(style_ != csVector);
  value_ = {x, y, z, 1};
  NotifyChange(this);
}

void TGLCoordinates::SetAsVector(const TVector4f& v) {
  float w = v[3];
  if (style_ == csPoint) w = 1;
  if (style_ == csVector) w = 0;
  value_ = {v[0], v[1], v[2], w};
  NotifyChange(this);
}

float TGLCoordinates::VectorLength() const {
  return Vector3Length(value_);
}

bool TGLCoordinates::Equals(const TVector4f& v) const {
  return Vector4Equals(value_, v);
}

void TGLCoordinates::NotifyChange(TPersistent* sender) {
  if (auto* owner = dynamic_cast<TGLCoordinatesUpdateAbleComponent*>(Owner())) {
    owner->CoordinateChanged(this);
    return;
  }
  TGLUpdateAbleObject::NotifyChange(sender);
}

void TGLCoordinates::WriteData(TStream& stream) const {
  static_assert(sizeof(value_) == 16);
  stream.WriteBuffer(value_.data(), 16);
}

void TGLCoordinates::ReadData(TStream& stream) {
  TVector4f v;
  stream.ReadBuffer(v.data(), 16);
  value_ = v;
}

}  // namespace zentrova
