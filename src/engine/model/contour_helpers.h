// Outline points of a body: index wrapping past the repeated closing point, and points in the world
// frame.
#pragma once

#include <cstdint>

#include "engine/model/body.h"
#include "engine/model/plane_geometry.h"

namespace zentrova {

// With N outline points (the repeated last point included): i >= N-1 becomes i - N + 1 and i < 0 becomes
// i + N - 1, once. The repeated point is skipped, so N-1 maps to 0, N to 1 and -1 to N-2.
void WrapPointIndex(const TBody& body, std::int32_t& i);

// Outline point i in the world frame at the body's current position and rotation; refreshes the
// rotation first.
void OutlinePointInWorld(TBody& body, std::uint32_t i, long double& x, long double& y);

// The same with the cosine and sine that the solid holds, for loops over many points after one refresh.
// Inline: collision detection calls it for every vertex it tests.
inline void OutlinePointInWorldCached(const TBody& body, std::uint32_t i, long double& x, long double& y) {
  const TExtrusionSolid& solid = body.Solid;
  // Through At: an index past the outline is recorded as a numerics error instead of read.
  RotateTranslate(body.Kinematics.Position.X.Get(), body.Kinematics.Position.Y.Get(), solid.Shape.X.At(i),
                  solid.Shape.Y.At(i), solid.CosRz, solid.SinRz, x, y);
}

}  // namespace zentrova
