#include "engine/model/plane_geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zentrova {

namespace {

// Rounding can carry a cosine of collinear legs just past +-1, where arccos has no value.
long double SafeArcCos(long double c) {
  return std::acos(std::clamp(c, -1.0L, 1.0L));
}

}  // namespace

long double Orientation(const TPlaneVector& p, const TPlaneVector& r, const TPlaneVector& n) {
  return (n.X - r.X) * (p.Y - r.Y) - (n.Y - r.Y) * (p.X - r.X);
}

long double AngleAtVertex(const TPlaneVector& p, const TPlaneVector& r, const TPlaneVector& n) {
  constexpr long double kPi = std::numbers::pi_v<long double>;
  const long double ax = p.X - r.X, ay = p.Y - r.Y;
  const long double bx = p.X - n.X, by = p.Y - n.Y;
  const long double d = ax * bx + ay * by;
  const long double m = std::sqrt(ax * ax + ay * ay) * std::sqrt(bx * bx + by * by);
  if (Orientation(p, r, n) > 0) return d == 0 ? kPi / 2 : SafeArcCos(d / m);
  return d == 0 ? 3 * kPi / 2 : 2 * kPi - SafeArcCos(d / m);
}

long double LawOfCosinesAngle(long double a, long double b, long double c) {
  return LawOfCosinesAngleFromNumerator(a * a + b * b - c * c, a, b);
}

long double LawOfCosinesAngleFromNumerator(long double numerator, long double a, long double b) {
  if (numerator == 0) return std::numbers::pi_v<long double> / 2;
  return SafeArcCos(numerator / (2 * a * b));
}

void Rotate2D(long double& x, long double& y, long double angle) {
  const long double c = std::cos(angle), s = std::sin(angle);
  const long double x0 = x;
  x = x0 * c - y * s;
  y = x0 * s + y * c;
}

bool Normalize2D(long double& x, long double& y) {
  const long double length = std::sqrt(x * x + y * y);
  if (length == 0) return false;
  x /= length;
  y /= length;
  return true;
}

}  // namespace zentrova
