// A position, direction, up vector or scale owned by a scene object, notifying its owner on change.
#pragma once

#include <cstdint>

#include "scene/base/class_name.h"
#include "scene/base/streams.h"
#include "scene/base/update_able.h"
#include "scene/base/vector_types.h"

namespace zentrova {

// What the fourth component means: a point (w is 1), a vector (w is 0), or free (w as set).
enum TGLCoordinatesStyle : std::uint8_t { csPoint = 0, csVector = 1, csUnknown = 2 };

class TGLCoordinates : public TGLUpdateAbleObject {
 public:
  // Holds the initial value; the style is fixed for the object's life.
  TGLCoordinates(TPersistent* owner, const TVector4f& value, TGLCoordinatesStyle style);
  ZENTROVA_CLASS(TGLCoordinates)

  float X() const { return value_[0]; }
  float Y() const { return value_[1]; }
  float Z() const { return value_[2]; }
  float W() const { return value_[3]; }
  void SetX(float v) { SetCoordinate(0, v); }
  void SetY(float v) { SetCoordinate(1, v); }
  void SetZ(float v) { SetCoordinate(2, v); }
  TGLCoordinatesStyle Style() const { return style_; }

  // Without notice: the initial value, and the value that scene objects set while they recompute
  // direction and up together.
  void Initialize(const TVector4f& value) { value_ = initial_ = value; }
  void SetVectorSilently(const TVector4f& value) { value_ = value; }
  // From other coordinates: all four singles (not the style), without notice.
  void Assign(const TPersistent* source) override;

  // The setters below notify.
  // Index 0..3; any other raises ERangeError before anything is stored.
  void SetCoordinate(int index, float value);
  void AddVector(const TAffineVector& v);  // x, y, z; w unchanged
  // value × the axis-angle matrix (angle in radians), all four components as a row vector.
  void Rotate(const TAffineVector& axis, float angle);
  void Normalize();  // x, y, z to unit length, w := 0
  // (x, y, z, 0) or (x, y, z, w); not for a point ("Assertion failure").
  void SetVectorXYZ(float x, float y, float z);
  void SetVectorXYZW(float x, float y, float z, float w);
  void SetVector(float x, float y, float z) { SetVectorXYZ(x, y, z); }
  void SetVector(float x, float y, float z, float w) { SetVectorXYZW(x, y, z, w); }
  // (x, y, z, 1); not for a vector ("Assertion failure").
  void SetPositionXYZ(float x, float y, float z);
  // x, y, z copied; w 1 for a point, 0 for a vector, the given one otherwise.
  void SetAsVector(const TVector4f& v);

  float VectorLength() const;
  bool Equals(const TVector4f& v) const;  // bitwise
  const TVector4f& AsVector() const { return value_; }
  // The value given at construction or by Initialize: what a new owner starts from before a form is
  // read into it.
  const TVector4f& InitialValue() const { return initial_; }
  TAffineVector AsAffineVector() const { return {value_[0], value_[1], value_[2]}; }
  // The four singles, for GL calls that take a vector.
  const float* DataPointer() const { return value_.data(); }

  // Scene objects hear of the change through CoordinateChanged alone; other owners through the chain.
  void NotifyChange(TPersistent* sender) override;

  // The streamed form ("Coordinates"): exactly 16 bytes, x, y, z, w as little-endian singles.
  void WriteData(TStream& stream) const;
  void ReadData(TStream& stream);

 private:
  TVector4f value_;
  TVector4f initial_;
  TGLCoordinatesStyle style_;
};

// Coordinates of a plane or a 4-vector: all four components are significant.
class TGLCoordinates4 : public TGLCoordinates {
 public:
  using TGLCoordinates::TGLCoordinates;
  ZENTROVA_CLASS(TGLCoordinates4)
  void SetW(float v) { SetCoordinate(3, v); }
};

}  // namespace zentrova
