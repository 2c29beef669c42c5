#include "scene/base/spline.h"

#include <cmath>

#include "scene/base/scene_errors.h"

namespace zentrova {

namespace {
using Ext = long double;
inline float S(Ext x) {
  return static_cast<float>(x);
}

// sqrt(2) and 1/sqrt(2) as the literal singles the factorisation has always started from (the second
// is the single just above 1/sqrt(2), not the nearest one); other values would move every spline
// point by an ulp.
constexpr float kSqrt2 = 1.41421354f;
constexpr float kInvSqrt2 = 0.70710683f;

std::vector<TCubicSpline::TSegment> Coefficients(std::span<const float> v, int nb) {
  std::vector<TCubicSpline::TSegment> table;
  if (nb < 1 || v.size() < static_cast<std::size_t>(nb)) return table;
  if (nb == 1) {
    // One knot: the constant through it.
    table.push_back({0, 0, 0, v[0]});
    return table;
  }
  std::vector<float> b(nb), d(nb);
  b[0] = S(3 * (Ext(v[1]) - v[0]));
  b[nb - 1] = S(3 * (Ext(v[nb - 1]) - v[nb - 2]));
  for (int i = 1; i < nb - 1; ++i) b[i] = S(3 * (Ext(v[i + 1]) - v[i - 1]));
  SolveSplineSystem(b, d);
  table.resize(nb - 1);
  for (int i = 0; i < nb - 1; ++i) {
    const Ext delta = Ext(v[i + 1]) - v[i];
    // Local coefficients in u = t − i, turned into coefficients in t.
    const float q2 = S(3 * delta - 2 * Ext(d[i]) - d[i + 1]);
    const float q3 = S(-2 * delta + d[i] + Ext(d[i + 1]));
    const Ext k = i;
    table[i] = {q3, S(q2 - 3 * k * q3), S((3 * k * q3 - 2 * Ext(q2)) * k + d[i]),
                S(((q2 - k * q3) * k - d[i]) * k + v[i])};
  }
  return table;
}

// The segment of a table of nb knots that covers t: the first for t <= 0, the last beyond the last
// knot (the last knot belongs to the last segment).
int Segment(const std::vector<TCubicSpline::TSegment>& table, int nb, float t) {
  if (table.size() == 1) return 0;
  int i;
  if (t <= 0 || std::isnan(t)) {
    i = 0;
  } else if (t > nb - 1) {
    i = nb - 1;
  } else {
    i = static_cast<int>(std::trunc(t));
  }
  if (i == nb - 1) i = nb - 2;
  return i;
}

float Value(const std::vector<TCubicSpline::TSegment>& table, int nb, float t) {
  if (table.empty()) return 0;
  const auto& c = table[Segment(table, nb, t)];
  return S(((Ext(c[0]) * t + c[1]) * t + c[2]) * t + c[3]);
}

float Slope(const std::vector<TCubicSpline::TSegment>& table, int nb, float t) {
  if (table.empty()) return 0;
  const auto& c = table[Segment(table, nb, t)];
  return S((3 * Ext(c[0]) * t + 2 * Ext(c[1])) * t + c[2]);
}
}  // namespace

void SolveSplineSystem(std::span<const float> rhs, std::span<float> result) {
  const std::size_t n = rhs.size();
  SceneAssert(n > 0 && result.size() == n);
  if (n == 1) {
    // A single unknown: 2·d = b.
    result[0] = S(Ext(rhs[0]) / 2);
    return;
  }
  std::vector<float> l(n), inv_l(n), y(n);
  l[0] = kSqrt2;
  inv_l[0] = kInvSqrt2;
  for (std::size_t i = 1; i + 1 < n; ++i) {
    l[i] = S(std::sqrt(4 - Ext(inv_l[i - 1]) * inv_l[i - 1]));
    inv_l[i] = S(1 / Ext(l[i]));
  }
  l[n - 1] = S(std::sqrt(2 - Ext(inv_l[n - 2]) * inv_l[n - 2]));
  y[0] = S(Ext(rhs[0]) / l[0]);
  for (std::size_t i = 1; i < n; ++i) y[i] = S((rhs[i] - Ext(y[i - 1]) * inv_l[i - 1]) / l[i]);
  result[n - 1] = S(Ext(y[n - 1]) / l[n - 1]);
  for (std::size_t i = n - 1; i-- > 0;) result[i] = S((y[i] - Ext(result[i + 1]) * inv_l[i]) / l[i]);
}

TCubicSpline::TCubicSpline(std::span<const float> x, std::span<const float> y, std::span<const float> z,
                           std::span<const float> w, int count)
    : x_(Coefficients(x, count)),
      y_(Coefficients(y, count)),
      z_(Coefficients(z, count)),
      w_(Coefficients(w, count)),
      knot_count_(count) {}

float TCubicSpline::ValueX(float t) const {
  return Value(x_, knot_count_, t);
}

void TCubicSpline::ValueXYZ(float t, float& x, float& y, float& z) const {
  x = Value(x_, knot_count_, t);
  y = Value(y_, knot_count_, t);
  z = Value(z_, knot_count_, t);
}

TAffineVector TCubicSpline::ValueAffine(float t) const {
  TAffineVector v;
  ValueXYZ(t, v[0], v[1], v[2]);
  return v;
}

void TCubicSpline::ValueAffineB(float t, TAffineVector& v) const {
  ValueXYZ(t, v[0], v[1], v[2]);
}

TAffineVector TCubicSpline::SlopeAffine(float t) const {
  return {Slope(x_, knot_count_, t), Slope(y_, knot_count_, t), Slope(z_, knot_count_, t)};
}

}  // namespace zentrova
