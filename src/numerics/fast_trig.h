// Sine and cosine of extended reals, several times faster than the C library's for the angles a model
// meets. The library reduces every argument past pi/4 with a multi-word 2/pi, which costs about ten
// times the polynomial; angles of a few thousand radians need only pi/2 in three words.
#pragma once

#include <bit>
#include <cstdint>
#include <limits>

namespace zentrova {

struct TSinCos {
  long double Sin;
  long double Cos;
};

// Arguments up to this magnitude are reduced here (k = R(x * 2/pi) then stays below 2^13, which the
// split of pi/2 in fast_trig.cpp relies on); larger ones, infinities and NaN go to sinl and cosl.
inline constexpr long double kFastTrigLimit = 8192;

// Within one unit in the last place of sinl and cosl, and faithfully rounded: the reduction is exact
// to about 2^-89 relative even for the arguments closest to a multiple of pi/2 (563.915881319367886...
// lies 2^-67.2 from 359 pi/2).
TSinCos FastSinCos(long double x);
long double FastSin(long double x);
long double FastCos(long double x);

// The sine and cosine that the expressions and the engine use: FastSin and FastCos behind a small
// per-thread table keyed by the argument. One derivative evaluation of a model takes the sine and
// cosine of the same few angles many times over (the double pendulum: 229 calls on 24 arguments); a
// pure function's table can never give a wrong answer, and every caller gets the same bits for the
// same argument, whichever path it takes.
//
// The lookup is inline: an 80-bit store costs about as much as a dozen multiplications, and passing
// the argument to a function is one. The key is x as two doubles, hi = x rounded and lo = x - hi, which
// is exact and unique for the arguments the table takes; 64-bit stores are cheap and reach the integer
// loads at once.
namespace trig_cache {

// x = hi + lo; holds says which of sin and cos are there. Only arguments from kTiny to the largest
// double enter the table: there the key is exact and unique. Any other argument (zero, tiny, huge,
// infinite, NaN) finds no slot with its key, so a zeroed slot or one filled earlier never answers it.
struct TSlot {
  std::uint64_t hi;
  std::uint64_t lo;
  long double sin;
  long double cos;
  std::uint32_t holds;
};
inline constexpr std::uint32_t kHoldsSin = 1, kHoldsCos = 2;
inline constexpr int kSlotBits = 8;
// Below this FastSin and FastCos return x and 1 at once, and lo might underflow.
inline constexpr long double kTiny = 0x1p-32L;

extern constinit thread_local TSlot slots[1 << kSlotBits];

// Computes, fills the slot when x may enter the table, and counts.
long double Miss(bool sine, long double x, TSlot& slot);

// The key converts any argument: x87 conversions follow IEEE rules, so one past the doubles' range
// gives an infinity, which Miss never stores.
static_assert(std::numeric_limits<double>::is_iec559);

template <bool kSine>
inline long double Lookup(long double x) {
  const double hi = static_cast<double>(x);
  const double lo = static_cast<double>(x - hi);
  const auto key_hi = std::bit_cast<std::uint64_t>(hi), key_lo = std::bit_cast<std::uint64_t>(lo);
  // Fibonacci hashing: the top bits of the product depend on every bit of the key.
  TSlot& slot = slots[((key_hi ^ (key_lo >> 32)) * 0x9E3779B97F4A7C15ULL) >> (64 - kSlotBits)];
  if (slot.hi == key_hi && slot.lo == key_lo && (slot.holds & (kSine ? kHoldsSin : kHoldsCos)) != 0) {
    return kSine ? slot.sin : slot.cos;
  }
  return Miss(kSine, x, slot);
}

}  // namespace trig_cache

inline long double CachedSin(long double x) {
  return trig_cache::Lookup<true>(x);
}
inline long double CachedCos(long double x) {
  return trig_cache::Lookup<false>(x);
}

// How many sines and cosines this thread has computed rather than found in its table.
std::uint64_t TrigCacheMisses();

}  // namespace zentrova
