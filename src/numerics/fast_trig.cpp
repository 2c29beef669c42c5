#include "numerics/fast_trig.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace zentrova {

namespace {

using trig_cache::kTiny;  // below it sin x rounds to x and cos x to 1: x^2 / 2 < 2^-65

static_assert(std::numeric_limits<long double>::digits == 64, "the splits below assume 80-bit reals");

// pi/2 = P1 + P2 + P3 + O(2^-170). P1 and P2 have 51 significant bits, so that k * P1 and k * P2 are
// exact for |k| < 2^13; P3 is rounded to 64 bits. T is P2 + P3 rounded to 64 bits: k T is off by at
// most 2^-104, which is small enough unless x lies within 2^-30 of a multiple of pi/2.
constexpr long double kPiOver2Part1 = 0x6487ED5110B46p-50L;
constexpr long double kPiOver2Part2 = 0x469898CC51701p-104L;
constexpr long double kPiOver2Part3 = 0xB839A252049C1115p-168L;
constexpr long double kPiOver2Tail = 0x8D313198A2E03707p-117L;
constexpr long double kCancelled = 0x1p-30L;
constexpr long double kTwoOverPi = 0xA2F9836E4E44152Ap-64L;
constexpr long double kPiOver4 = 0xC90FDAA22168C235p-64L;
// 1.5 * 2^63: a sum in [2^63, 2^64) is an integer, and its low significand bits are k mod 4.
constexpr long double kRoundingShift = 0x3p62L;

// Taylor coefficients (-1)^n / (2n+1)! and (-1)^n / (2n)!. On |r| <= pi/4 the first term left out is
// below 2^-71 of the result for both. The later terms add less than 2^-17 of the result, so their
// coefficients are rounded to doubles, an error below 2^-71 of it: a double operand loads in one
// instruction, an 80-bit one in several.
constexpr long double kS3 = -1.0L / 6, kS5 = 1.0L / 120, kS7 = -1.0L / 5040;
constexpr double kS9 = 1.0 / 362880, kS11 = -1.0 / 39916800, kS13 = 1.0 / 6227020800,
                 kS15 = -1.0 / 1307674368000, kS17 = 1.0 / 355687428096000, kS19 = -1.0 / 121645100408832000;
constexpr long double kC4 = 1.0L / 24, kC6 = -1.0L / 720;
constexpr double kC8 = 1.0 / 40320, kC10 = -1.0 / 3628800, kC12 = 1.0 / 479001600, kC14 = -1.0 / 87178291200,
                 kC16 = 1.0 / 20922789888000, kC18 = -1.0 / 6402373705728000,
                 kC20 = 1.0 / 2432902008176640000;

// x = k pi/2 + hi + lo, |hi| <= pi/4 (a hair more when x * 2/pi rounds across a half), lo below half a
// unit of hi.
struct Reduced {
  long double hi;
  long double lo;
  unsigned quadrant;  // k mod 4
};

[[gnu::always_inline]] inline Reduced Reduce(long double x) {
  const long double shifted = x * kTwoOverPi + kRoundingShift;
  const long double k = shifted - kRoundingShift;
  std::uint64_t significand = 0;
  std::memcpy(&significand, &shifted, sizeof significand);
  // x and k P1 lie within a factor of two of each other and k P1 is a multiple of x's unit: exact.
  const long double r1 = x - k * kPiOver2Part1;
  const unsigned quadrant = static_cast<unsigned>(significand & 3);
  const long double t = k * kPiOver2Tail;
  const long double y = r1 - t;
  // |r1| > |t| here, so (r1 - y) - t is exactly what y lost.
  if (std::fabs(y) >= kCancelled) return {y, (r1 - y) - t, quadrant};
  // Near a multiple of pi/2 almost all of r1 cancels: the exact k P2, r1 - k P2 with its rounding error
  // (two-sum), then k P3.
  const long double p2 = k * kPiOver2Part2;
  const long double s = r1 - p2;
  const long double s_part = s - r1;
  const long double error = (r1 - (s - s_part)) - (p2 + s_part);
  const long double lo = error - k * kPiOver2Part3;
  const long double hi = s + lo;
  return {hi, lo - (hi - s), quadrant};
}

// sin(hi + lo) = hi + hi^3 S(hi^2) + lo (1 - hi^2 / 2), the small terms summed before the large one.
// The polynomials go by Estrin's scheme: pairs of terms in parallel, then powers z^2, z^4, z^8, so that
// the longest chain of dependent operations is about half as long as Horner's.
// Arguments below pi/4 have no lo, and the operations on it are left out.
template <bool kWithLo = true>
[[gnu::always_inline]] inline long double SinKernel(long double hi, long double lo = 0) {
  const long double z = hi * hi;
  const long double z2 = z * z;
  const long double z4 = z2 * z2;
  const long double q =
      ((kS5 + z * kS7) + z2 * (kS9 + z * kS11)) + z4 * ((kS13 + z * kS15) + z2 * (kS17 + z * kS19));
  const long double tail = (z * hi) * (kS3 + z * q);
  return hi + (kWithLo ? (lo - z * (0.5L * lo)) + tail : tail);
}

// cos(hi + lo) = 1 - hi^2 / 2 + hi^4 C(hi^2) - hi lo. w = 1 - hi^2 / 2 is rounded; (1 - w) - hi^2 / 2
// gives back what the rounding lost.
template <bool kWithLo = true>
[[gnu::always_inline]] inline long double CosKernel(long double hi, long double lo = 0) {
  const long double z = hi * hi;
  const long double half_z = 0.5L * z;
  const long double w = 1 - half_z;
  const long double z2 = z * z;
  const long double z4 = z2 * z2;
  const long double p =
      (((kC4 + z * kC6) + z2 * (kC8 + z * kC10)) + z4 * ((kC12 + z * kC14) + z2 * (kC16 + z * kC18))) +
      (z4 * z4) * kC20;
  return w + (((1 - w) - half_z) + (kWithLo ? z2 * p - hi * lo : z2 * p));
}

[[gnu::always_inline]] inline long double SineOf(long double x) {
  const long double a = std::fabs(x);
  if (a < kTiny) return x;
  if (!(a <= kFastTrigLimit)) return std::sin(x);
  if (a <= kPiOver4) return SinKernel<false>(x);
  const Reduced r = Reduce(x);
  const long double v = (r.quadrant & 1) != 0 ? CosKernel(r.hi, r.lo) : SinKernel(r.hi, r.lo);
  return (r.quadrant & 2) != 0 ? -v : v;
}

[[gnu::always_inline]] inline long double CosineOf(long double x) {
  const long double a = std::fabs(x);
  if (a < kTiny) return 1;
  if (!(a <= kFastTrigLimit)) return std::cos(x);
  if (a <= kPiOver4) return CosKernel<false>(x);
  const Reduced r = Reduce(x);
  const long double v = (r.quadrant & 1) != 0 ? SinKernel(r.hi, r.lo) : CosKernel(r.hi, r.lo);
  return r.quadrant == 1 || r.quadrant == 2 ? -v : v;
}

}  // namespace

TSinCos FastSinCos(long double x) {
  const long double a = std::fabs(x);
  if (a < kTiny) return {x, 1};
  if (!(a <= kFastTrigLimit)) return {std::sin(x), std::cos(x)};
  if (a <= kPiOver4) return {SinKernel<false>(x), CosKernel<false>(x)};
  const Reduced r = Reduce(x);
  const long double s = SinKernel(r.hi, r.lo), c = CosKernel(r.hi, r.lo);
  switch (r.quadrant) {
    case 0:
      return {s, c};
    case 1:
      return {c, -s};
    case 2:
      return {-s, -c};
    default:
      return {-c, s};
  }
}

long double FastSin(long double x) {
  return SineOf(x);
}

long double FastCos(long double x) {
  return CosineOf(x);
}

namespace trig_cache {

constinit thread_local TSlot slots[1 << kSlotBits] = {};

namespace {
thread_local std::uint64_t misses = 0;
}  // namespace

long double Miss(bool sine, long double x, TSlot& slot) {
  ++misses;
  const long double value = sine ? SineOf(x) : CosineOf(x);
  const long double a = std::fabs(x);
  if (!(a >= kTiny && a <= std::numeric_limits<double>::max())) return value;
  const double hi = static_cast<double>(x);
  const auto key_hi = std::bit_cast<std::uint64_t>(hi);
  const auto key_lo = std::bit_cast<std::uint64_t>(static_cast<double>(x - hi));
  const std::uint32_t holds = sine ? kHoldsSin : kHoldsCos;
  if (slot.hi == key_hi && slot.lo == key_lo) {
    slot.holds |= holds;
  } else {
    slot.hi = key_hi;
    slot.lo = key_lo;
    slot.holds = holds;
  }
  (sine ? slot.sin : slot.cos) = value;
  return value;
}

}  // namespace trig_cache

std::uint64_t TrigCacheMisses() {
  return trig_cache::misses;
}

}  // namespace zentrova
