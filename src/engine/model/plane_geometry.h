// Small routines on plane vectors and reals shared by the outline, collision, contact and reshaping
// code. Extended reals, angles in radians.
#pragma once

namespace zentrova {

struct TPlaneVector {
  long double X = 0;
  long double Y = 0;
};

// (n - r) x (p - r): positive when p lies to the left of the directed line from r to n.
long double Orientation(const TPlaneVector& p, const TPlaneVector& r, const TPlaneVector& n);

// The angle at vertex p between the legs to r (previous point) and n (next point), measured so that a
// left turn (Orientation > 0) gives the smaller angle, in (0, 2*pi). For a counter-clockwise outline
// 2*pi minus it is the interior angle.
long double AngleAtVertex(const TPlaneVector& p, const TPlaneVector& r, const TPlaneVector& n);

// The angle opposite side c of a triangle with sides a, b, c.
long double LawOfCosinesAngle(long double a, long double b, long double c);
// The same from the cosine's numerator a^2 + b^2 - c^2, for callers that hold the squared sides already
// (squaring the roots again would round differently): pi/2 when the numerator is exactly 0, else the
// arccosine of numerator / (2ab), round-off past +-1 clamped.
long double LawOfCosinesAngleFromNumerator(long double numerator, long double a, long double b);

// -1, 0 or 1 after the sign of v (0 for a zero of either sign).
inline long double Sign(long double v) {
  return v > 0 ? 1.0L : (v < 0 ? -1.0L : 0.0L);
}

// Rotates (x, y) by `angle` about the origin.
void Rotate2D(long double& x, long double& y, long double angle);

// Scales (x, y) to unit length. A zero vector has no direction: it is left as it is and the result is
// false.
bool Normalize2D(long double& x, long double& y);

// The point p of a frame with origin o, turned by the angle whose cosine and sine are given.
inline void RotateTranslate(long double ox, long double oy, long double px, long double py,
                            long double cos_rz, long double sin_rz, long double& x, long double& y) {
  x = ox + px * cos_rz - py * sin_rz;
  y = oy + py * cos_rz + px * sin_rz;
}

}  // namespace zentrova
