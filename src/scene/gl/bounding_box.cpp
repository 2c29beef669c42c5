#include "scene/gl/bounding_box.h"

#include <cmath>

#include "scene/base/matrix_geometry.h"

namespace zentrova {

void MergeBoxes(TBoxBounds& box, const TBoxBounds& other) {
  for (int i = 0; i < 3; ++i) {
    if (other.Min[i] < box.Min[i]) box.Min[i] = other.Min[i];
    if (other.Max[i] > box.Max[i]) box.Max[i] = other.Max[i];
  }
}

void BoxFromHalfExtents(TBoxBounds& box, const TAffineVector& half_extents) {
  for (int i = 0; i < 3; ++i) {
    box.Max[i] = std::fabs(half_extents[i]);
    box.Min[i] = -box.Max[i];
  }
}

void TransformBox(TBoxBounds& box, const TMatrix4f& matrix) {
  const TBoxBounds source = box;
  const TAffineVector first = TransformAffinePoint(source.Min, matrix);
  box.Min = first;
  box.Max = first;
  for (int corner = 1; corner < 8; ++corner) {
    const TAffineVector p{(corner & 1) != 0 ? source.Max[0] : source.Min[0],
                          (corner & 2) != 0 ? source.Max[1] : source.Min[1],
                          (corner & 4) != 0 ? source.Max[2] : source.Min[2]};
    ExtendBox(box, TransformAffinePoint(p, matrix));
  }
}

void ScaleBox(TBoxBounds& box, const TAffineVector& factors) {
  for (int i = 0; i < 3; ++i) {
    box.Min[i] *= factors[i];
    box.Max[i] *= factors[i];
  }
}

void ExtendBox(TBoxBounds& box, const TAffineVector& point) {
  for (int i = 0; i < 3; ++i) {
    if (point[i] < box.Min[i]) box.Min[i] = point[i];
    if (point[i] > box.Max[i]) box.Max[i] = point[i];
  }
}

}  // namespace zentrova
