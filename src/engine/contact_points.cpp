#include "engine/contact_points.h"

#include "engine/world.h"

namespace zentrova {

TContact::TContact(const TWorld& world, TContactProperties* properties)
    : world_(world), properties_(properties) {}

bool TContact::Set(std::int32_t, std::int32_t, std::int32_t, std::int32_t, long double, long double,
                   long double, long double, long double) {
  return true;
}

TWatchedContact TContact::Watched() const { return {}; }

void TContact::ComputeKinematics(const TBody&, const TBody&) {}
void TContact::ComputeJacobians(const TBody&, const TBody&) {}
void TContact::ComputeCoefficients() {}

TContactPoints::TContactPoints(bool OwnsObjects) : owns_(OwnsObjects) {}
TContactPoints::~TContactPoints() = default;
void TContactPoints::Add(std::unique_ptr<TContact>) {}
void TContactPoints::Add(TContact&) {}
void TContactPoints::Clear() {}
void TContactPoints::BuildJacobians(std::uint32_t) {}
void TContactPoints::BuildBiasLists() {}
void TContactPoints::BuildCoefficients() {}
void TContactPoints::Multiply(const TFloatList&, const TFloatList&, TFloatList&) const {}
void TContactPoints::MultiplyAdd(const TFloatList&, const TFloatList&, const TFloatList&, const TFloatList&,
                                 TFloatList&) const {}

}  // namespace zentrova
