#include "engine/model/contour_helpers.h"

namespace zentrova {

void WrapPointIndex(const TBody& body, std::int32_t& i) {
  const auto n = static_cast<std::int32_t>(body.Solid.Shape.X.Count());
  // The last index is the repeated first point, so it wraps too: N-1 -> 0, N -> 1.
  if (i >= n - 1) {
    i = i - n + 1;
  } else if (i < 0) {
    i = i + n - 1;
  }
}

void OutlinePointInWorld(TBody& body, std::uint32_t i, long double& x, long double& y) {
  body.UpdateRotation();
  OutlinePointInWorldCached(body, i, x, y);
}

}  // namespace zentrova
