#include "scene/base/polynomials.h"

#include <algorithm>
#include <cmath>

#include "scene/base/float_math.h"
#include "scene/base/scene_errors.h"

namespace zentrova {

namespace {
constexpr double kThird = 0.3333333333333333;
constexpr double kPiThird = 1.0471975511965979;
// The resolvent cubic is solved with single-precision steps, so u and v of the quartic carry
// relative errors of some 1e-7: a value that is negative only by less than this share of its terms is
// a zero that roundoff pushed below, not the sign of complex roots.
constexpr double kResolventTolerance = 1e-6;

// u or v of the quartic: 0 when near zero or negative within the tolerance of `scale`, its square root
// when positive; false when clearly negative (no real roots).
bool RootOfResolventTerm(double& value, double scale) {
  if (NearZero(value) || (value < 0 && -value <= kResolventTolerance * scale)) {
    value = 0;
    return true;
  }
  if (value > 0) {
    value = std::sqrt(value);
    return true;
  }
  return false;
}
}  // namespace

bool NearZero(double x) {
  return !(std::fabs(x) > 1e-40);
}

bool SmallestPositiveRoot(const TDoubleArray& roots, double& smallest) {
  bool found = false;
  double best = 0;
  for (double r : roots) {
    if (r >= 0 && (!found || r < best)) {
      best = r;
      found = true;
    }
  }
  if (found) smallest = best;
  return found;
}

double SignedCubeRoot(double x) {
  const auto third = static_cast<float>(kThird);
  if (x > 0) return PowerFloat(static_cast<float>(x), third);
  if (x < 0) return -PowerFloat(static_cast<float>(-x), third);
  return 0;
}

TDoubleArray QuadraticRoots(const std::array<double, 3>& c) {
  if (c[2] == 0) {
    // Not a quadratic: the linear equation c0 + c1·x = 0 (no root when it is constant).
    if (c[1] == 0) return {};
    return {-c[0] / c[1]};
  }
  const double p = c[1] / (2 * c[2]);
  const double q = c[0] / c[2];
  const double d = p * p - q;
  if (NearZero(d)) return {-p};
  if (d < 0) return {};
  const double s = std::sqrt(d);
  return {s - p, -s - p};
}

TDoubleArray CubicRoots(const std::array<double, 4>& c) {
  if (NearZero(c[3])) return QuadraticRoots({c[0], c[1], c[2]});
  const double k = 1 / c[3];
  const double a = c[2] * k, b = c[1] * k, cc = c[0] * k;
  // x = y − A/3 removes the square term: y³ + 3p·y + 2q = 0.
  const double sq_a = a * a;
  const double p = kThird * (b - kThird * sq_a);
  const double q = 0.5 * ((2.0 / 27) * a * sq_a - kThird * a * b + cc);
  const double cb_p = p * p * p;
  const double d = q * q + cb_p;
  TDoubleArray roots;
  if (NearZero(d)) {
    if (NearZero(q)) {
      roots = {0};  // a triple root
    } else {
      const double u = SignedCubeRoot(-q);
      roots = {2 * u, -u};  // a single and a double root
    }
  } else if (d < 0) {
    // Three real roots: the trigonometric form.
    const double phi = kThird * static_cast<double>(ArcCosExt(-q * RSqrt(static_cast<float>(-cb_p))));
    const double t = 2 * std::sqrt(-p);
    roots = {t * std::cos(phi), -t * std::cos(phi + kPiThird), -t * std::cos(phi - kPiThird)};
  } else {
    const double s = std::sqrt(d);
    const double u = SignedCubeRoot(s - q);
    const double v = -SignedCubeRoot(s + q);
    roots = {u + v};
  }
  const double shift = kThird * a;
  for (double& r : roots) r -= shift;
  return roots;
}

TDoubleArray QuarticRoots(const std::array<double, 5>& c) {
  if (NearZero(c[4])) return CubicRoots({c[0], c[1], c[2], c[3]});
  const double k = 1 / c[4];
  const double a = c[3] * k, b = c[2] * k, cc = c[1] * k, d = c[0] * k;
  // x = y − A/4 removes the cubic term: y⁴ + p·y² + q·y + r = 0.
  const double sq_a = a * a;
  const double p = -0.375 * sq_a + b;
  const double q = 0.125 * sq_a * a - 0.5 * a * b + cc;
  const double r = -0.01171875 * sq_a * sq_a + 0.0625 * sq_a * b - 0.25 * a * cc + d;
  TDoubleArray roots;
  if (NearZero(r)) {
    // No absolute term: y·(y³ + p·y + q) = 0.
    roots = CubicRoots({q, p, 0, 1});
    roots.push_back(0);
  } else {
    // Ferrari: with z a root of the resolvent cubic the quartic splits into two quadratics.
    const TDoubleArray resolvent = CubicRoots({0.5 * r * p - 0.125 * q * q, -r, -0.5 * p, 1});
    SceneAssert(!resolvent.empty());
    const double z = resolvent[0];
    double u = z * z - r;
    double v = 2 * z - p;
    if (!RootOfResolventTerm(u, std::max(z * z, std::fabs(r)))) return {};
    if (!RootOfResolventTerm(v, std::max(std::fabs(2 * z), std::fabs(p)))) return {};
    roots = QuadraticRoots({z - u, q < 0 ? -v : v, 1});
    const TDoubleArray second = QuadraticRoots({z + u, q < 0 ? v : -v, 1});
    roots.insert(roots.end(), second.begin(), second.end());
  }
  const double shift = 0.25 * a;
  for (double& root : roots) root -= shift;
  return roots;
}

}  // namespace zentrova
