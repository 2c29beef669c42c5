// Natural cubic spline through knots at the integer parameters 0, 1, …, nb − 1, one per coordinate.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "scene/base/vector_types.h"

namespace zentrova {

class TCubicSpline {
 public:
  // Cubic, quadratic, linear and constant coefficient of one segment, for the polynomial in the global
  // parameter t: ((cubic·t + quadratic)·t + linear)·t + constant.
  using TSegment = std::array<float, 4>;

  // Each array holds `count` values or is empty (a missing coordinate, whose spline is 0). Through a
  // single knot the spline is that constant, with slope 0.
  TCubicSpline(std::span<const float> x, std::span<const float> y, std::span<const float> z,
               std::span<const float> w, int count);

  int KnotCount() const { return knot_count_; }
  const std::vector<TSegment>& XCoefficients() const { return x_; }
  const std::vector<TSegment>& YCoefficients() const { return y_; }
  const std::vector<TSegment>& ZCoefficients() const { return z_; }
  const std::vector<TSegment>& WCoefficients() const { return w_; }

  float ValueX(float t) const;
  void ValueXYZ(float t, float& x, float& y, float& z) const;
  TAffineVector ValueAffine(float t) const;
  void ValueAffineB(float t, TAffineVector& v) const;
  TAffineVector SlopeAffine(float t) const;

 private:
  std::vector<TSegment> x_, y_, z_, w_;
  int knot_count_;
};

// Solves the spline's tridiagonal system (2 at both ends of the diagonal, 4 elsewhere, 1 beside it)
// for the knot derivatives by its Cholesky factorisation, in single precision. `result` must have
// the size of `rhs`, which must not be empty ("Assertion failure" otherwise).
void SolveSplineSystem(std::span<const float> rhs, std::span<float> result);

}  // namespace zentrova
