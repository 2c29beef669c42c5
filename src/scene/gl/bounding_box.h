// Axis-aligned bounding boxes in single precision.
#pragma once

#include "scene/base/vector_types.h"

namespace zentrova {

// The minimum corner, then the maximum corner.
struct TBoxBounds {
  TAffineVector Min;
  TAffineVector Max;
};

// Grows the box to hold the other one.
void MergeBoxes(TBoxBounds& box, const TBoxBounds& other);
// The box from -|h| to |h|, componentwise.
void BoxFromHalfExtents(TBoxBounds& box, const TAffineVector& half_extents);
// The smallest box that holds the eight transformed corners (points, row vectors, translation row).
void TransformBox(TBoxBounds& box, const TMatrix4f& matrix);
// Both corners times the factors, componentwise.
void ScaleBox(TBoxBounds& box, const TAffineVector& factors);
// Grows the box to hold the point.
void ExtendBox(TBoxBounds& box, const TAffineVector& point);

}  // namespace zentrova
