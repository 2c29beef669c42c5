#include "engine/collisions.h"

namespace zentrova {

TCollisions::TCollisions(ICollisionWorld& world) : world_(world) {}
TCollisions::~TCollisions() = default;

bool TCollisions::Detect() { return true; }
void TCollisions::ShowContacts() {}
void TCollisions::ClearContacts() {}
void TCollisions::SetCoordinateCount(std::uint32_t n) { CoordinateValues.Dim(n); }
bool TCollisions::Classify(bool) { return true; }
bool TCollisions::SolveImpacts() { return true; }
bool TCollisions::SolveContactForces() { return true; }

}  // namespace zentrova
