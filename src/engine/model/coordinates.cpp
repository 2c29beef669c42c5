#include "engine/model/coordinates.h"

#include <algorithm>
#include <string>

#include "engine/model/expression_list.h"
#include "engine/model/key.h"

namespace zentrova {

namespace {

const char* const kComponentNames[kCoordinateComponents] = {"x", "y", "z", "Rx", "Ry", "Rz"};

template <typename Six, typename Item>
Item& Pick(Six& six, TCoordinateComponent c) {
  switch (c) {
    case TCoordinateComponent::X:
      return six.X;
    case TCoordinateComponent::Y:
      return six.Y;
    case TCoordinateComponent::Z:
      return six.Z;
    case TCoordinateComponent::Rx:
      return six.Rx;
    case TCoordinateComponent::Ry:
      return six.Ry;
    case TCoordinateComponent::Rz:
      break;
  }
  return six.Rz;
}

}  // namespace

std::optional<TCoordinateComponent> CoordinateComponentByName(std::string_view name) {
  for (int i = 0; i < kCoordinateComponents; ++i) {
    if (name == kComponentNames[i]) return static_cast<TCoordinateComponent>(i);
  }
  return std::nullopt;
}

const char* CoordinateComponentName(TCoordinateComponent component) {
  return kComponentNames[static_cast<int>(component)];
}

TCoordinate& TCoordinates::operator[](TCoordinateComponent c) {
  return Pick<TCoordinates, TCoordinate>(*this, c);
}

const TCoordinate& TCoordinates::operator[](TCoordinateComponent c) const {
  return Pick<const TCoordinates, const TCoordinate>(*this, c);
}

TLinkToGeneralizedCoordinate& TLinkToGeneralizedCoordinates::operator[](TCoordinateComponent c) {
  return Pick<TLinkToGeneralizedCoordinates, TLinkToGeneralizedCoordinate>(*this, c);
}

const TLinkToGeneralizedCoordinate& TLinkToGeneralizedCoordinates::operator[](TCoordinateComponent c) const {
  return Pick<const TLinkToGeneralizedCoordinates, const TLinkToGeneralizedCoordinate>(*this, c);
}

TLinkToGeneralizedCoordinate::TLinkToGeneralizedCoordinate() = default;
TLinkToGeneralizedCoordinate::~TLinkToGeneralizedCoordinate() = default;

void TLinkToGeneralizedCoordinate::EvaluateJacobians() {
  if (JacobianVector) JacobianVector->EvaluateAll(true);
  if (JacobianScalar) JacobianScalar->EvaluateAll(true);
}

bool TLinkToGeneralizedCoordinates::SetJacobians(const TKey& key,
                                                 const std::vector<std::string>& vector_lines,
                                                 const std::string& scalar_line,
                                                 const TLineSource& vector_source,
                                                 const TLineSource& scalar_source) {
  const auto component = CoordinateComponentByName(key.Part(2));
  if (!component) return false;
  auto vector = std::make_unique<TExpressionList>(key.Binding());
  auto scalar = std::make_unique<TExpressionList>(key.Binding());
  if (!vector->AddExpression(vector_lines, vector_source) ||
      !scalar->AddExpression({scalar_line}, scalar_source)) {
    return false;
  }
  TLinkToGeneralizedCoordinate& link = (*this)[*component];
  link.JacobianVector = std::move(vector);
  link.JacobianScalar = std::move(scalar);
  return true;
}

void TLinkToGeneralizedCoordinates::UpdateDependent() {
  for (int i = 0; i < kCoordinateComponents; ++i) {
    TLinkToGeneralizedCoordinate& link = (*this)[static_cast<TCoordinateComponent>(i)];
    if (link.Dependent) link.EvaluateJacobians();
  }
}

void TCoordinateList::SetCount(std::uint32_t n) {
  if (n == count_) return;
  if (bound_) {
    throw ECoordinateStorage("TCoordinateList.SetCount: value pointers aim into the lists; " +
                             std::to_string(count_) + " values cannot become " + std::to_string(n));
  }
  Q.Dim(n);
  QDot.Dim(n);
  QDDot.Dim(n);
  // A list that could not grow (out of memory, recorded in the numerics error) keeps its size: the
  // count is what all three really hold.
  count_ = std::min({Q.Count(), QDot.Count(), QDDot.Count()});
}

bool LinkToGeneralizedCoordinate(TKinematics& kinematics, TLinkToGeneralizedCoordinates& links,
                                 TCoordinateComponent component, TCoordinateList& coordinates,
                                 std::uint32_t i) {
  if (i >= coordinates.Count()) return false;
  coordinates.MarkBound();
  kinematics.Position[component].ValuePtr = coordinates.Q.Data() + i;
  kinematics.Velocity[component].ValuePtr = coordinates.QDot.Data() + i;
  kinematics.Acceleration[component].ValuePtr = coordinates.QDDot.Data() + i;
  TLinkToGeneralizedCoordinate& link = links[component];
  link.Linked = true;
  link.Index = static_cast<std::int32_t>(i);
  return true;
}

bool LinkToDependentCoordinate(TKinematics& kinematics, TLinkToGeneralizedCoordinates& links,
                               TCoordinateComponent component, TFloatList& values, std::uint32_t k) {
  const std::uint64_t last = 3ULL * k + 2;
  if (last >= values.Count()) return false;
  long double* const first = values.Data() + 3ULL * k;
  kinematics.Position[component].ValuePtr = first;
  kinematics.Velocity[component].ValuePtr = first + 1;
  kinematics.Acceleration[component].ValuePtr = first + 2;
  links[component].Dependent = true;
  return true;
}

}  // namespace zentrova
