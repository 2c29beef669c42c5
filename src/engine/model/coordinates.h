// Body coordinates read through value pointers, their kinematics, their links to generalized or
// dependent coordinates, and the q, q', q'' lists that the pointers alias.
//
// A body coordinate is either its own value (the start value of its body file), or an alias of one
// generalized coordinate, or the value of a dependent coordinate: aliasing is done by aiming the value
// pointer at storage owned elsewhere, so reading a coordinate always yields the current value. That
// storage is sized once before the pointers are aimed and must never move while a world is loaded; a
// TCoordinateList refuses every resize once it is bound.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/model/expression_list.h"
#include "numerics/float_list.h"
#include "platform/exception.h"

namespace zentrova {

class TKey;

class TCoordinate {
 public:
  TCoordinate() = default;
  // The value pointer may aim at this object's own value: copying would leave it aiming at the original.
  TCoordinate(const TCoordinate&) = delete;
  TCoordinate& operator=(const TCoordinate&) = delete;

  // What the coordinate reads and writes now, through the value pointer.
  long double Get() const { return *ValuePtr; }
  void Set(long double value) { *ValuePtr = value; }
  bool OwnValue() const { return ValuePtr == &Value; }
  // Aims the value pointer back at the own value.
  void Release() { ValuePtr = &Value; }

  long double Value = 0;
  long double* ValuePtr = &Value;
};

// The six coordinates of a body, in this order; positions in metres, angles in radians.
enum class TCoordinateComponent : std::uint8_t { X = 0, Y, Z, Rx, Ry, Rz };
inline constexpr int kCoordinateComponents = 6;

// "x", "y", "z", "Rx", "Ry", "Rz", compared exactly: "rz" names nothing.
std::optional<TCoordinateComponent> CoordinateComponentByName(std::string_view name);
const char* CoordinateComponentName(TCoordinateComponent component);

class TCoordinates {
 public:
  TCoordinate& operator[](TCoordinateComponent c);
  const TCoordinate& operator[](TCoordinateComponent c) const;

  TCoordinate X, Y, Z, Rx, Ry, Rz;
};

// Normal and tangential coordinates of a contact.
class TCoordinatesNormal {
 public:
  TCoordinate Normal, Tangent;
};

class TKinematics {
 public:
  TCoordinates Position, Velocity, Acceleration;
};

class TKinematicsNormal {
 public:
  TCoordinatesNormal Position, Velocity, Acceleration;
};

// How one body coordinate takes part in the equations of motion. The Jacobian rows of a dependent
// coordinate are compiled expression lists that come with the dependent-coordinates reader; they need
// the world to compile, so they exist only once it has given them.
class TLinkToGeneralizedCoordinate {
 public:
  TLinkToGeneralizedCoordinate();
  ~TLinkToGeneralizedCoordinate();
  TLinkToGeneralizedCoordinate(const TLinkToGeneralizedCoordinate&) = delete;
  TLinkToGeneralizedCoordinate& operator=(const TLinkToGeneralizedCoordinate&) = delete;

  // Re-evaluates the Jacobian rows that vary.
  void EvaluateJacobians();

  bool Linked = false;     // an alias of generalized coordinate Index
  bool Dependent = false;  // the value of a dependent-coordinate expression
  // The generalized coordinate's index for a linked coordinate, and for a dependent Rz that equals one
  // generalized coordinate; -1 otherwise.
  std::int32_t Index = -1;
  std::unique_ptr<TExpressionList> JacobianVector;  // n rows, one per generalized coordinate
  std::unique_ptr<TExpressionList> JacobianScalar;  // one row
};

class TLinkToGeneralizedCoordinates {
 public:
  TLinkToGeneralizedCoordinate& operator[](TCoordinateComponent c);
  const TLinkToGeneralizedCoordinate& operator[](TCoordinateComponent c) const;

  // Compiles the Jacobian rows of the coordinate that the key's third part names ("x" .. "Rz", compared
  // exactly), replacing any it had. False, every link unchanged, when the part names no coordinate or a
  // row cannot be compiled (its error lines logged, naming the places the sources give).
  bool SetJacobians(const TKey& key, const std::vector<std::string>& vector_lines,
                    const std::string& scalar_line, const TLineSource& vector_source = {},
                    const TLineSource& scalar_source = {});
  // EvaluateJacobians of every dependent coordinate, x to Rz.
  void UpdateDependent();

  TLinkToGeneralizedCoordinate X, Y, Z, Rx, Ry, Rz;
};

// Raised when storage that value pointers aim at would be moved: a programming error, never a model
// error.
class ECoordinateStorage : public Exception {
 public:
  using Exception::Exception;
};

// q, q', q'' of the generalized coordinates, Count values each.
class TCoordinateList {
 public:
  TCoordinateList() = default;
  TCoordinateList(const TCoordinateList&) = delete;
  TCoordinateList& operator=(const TCoordinateList&) = delete;

  std::uint32_t Count() const { return count_; }
  // Resizes the three lists (new values 0, existing ones kept). Raises ECoordinateStorage when value
  // pointers aim into the lists and the count would change.
  void SetCount(std::uint32_t n);

  // Set by every operation that aims value pointers into the lists; from then on they never move.
  bool Bound() const { return bound_; }
  void MarkBound() { bound_ = true; }

  TFloatList Q, QDot, QDDot;

 private:
  std::uint32_t count_ = 0;
  bool bound_ = false;
};

// Aims the position, velocity and acceleration of one body coordinate at element i of q, q', q'' and
// marks the link as an alias of generalized coordinate i. False, nothing changed, when i >= Count.
bool LinkToGeneralizedCoordinate(TKinematics& kinematics, TLinkToGeneralizedCoordinates& links,
                                 TCoordinateComponent component, TCoordinateList& coordinates,
                                 std::uint32_t i);

// Aims the position, velocity and acceleration of one body coordinate at values 3k, 3k+1, 3k+2 of a
// dependent-coordinate value list and marks the link as dependent. The list must keep its size from
// then on. False, nothing changed, when the list is too short.
bool LinkToDependentCoordinate(TKinematics& kinematics, TLinkToGeneralizedCoordinates& links,
                               TCoordinateComponent component, TFloatList& values, std::uint32_t k);

}  // namespace zentrova
