// Real roots of polynomials of degree 2 to 4 in closed form, for the ray casts of round objects.
// Coefficients run in ascending powers: c[0] is the constant term. Roots come back unsorted, in the
// order the formulas give them; an empty array means no real root.
#pragma once

#include <array>
#include <vector>

namespace zentrova {

using TDoubleArray = std::vector<double>;

// |x| <= 1e-40; a NaN counts as zero too.
bool NearZero(double x);
// The smallest value >= 0 of the array (NaN skipped); false, `smallest` untouched, when there is none.
bool SmallestPositiveRoot(const TDoubleArray& roots, double& smallest);
// The real cube root, taken in single precision.
double SignedCubeRoot(double x);

TDoubleArray QuadraticRoots(const std::array<double, 3>& c);
TDoubleArray CubicRoots(const std::array<double, 4>& c);
TDoubleArray QuarticRoots(const std::array<double, 5>& c);

}  // namespace zentrova
