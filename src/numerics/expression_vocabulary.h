// The built-in vocabulary of the expression language and the arithmetic of each word.
#pragma once

#include <cstdint>

#include "numerics/expression_word_table.h"

namespace zentrova {

// Absolute tolerance of "=", "<>", ">=" and "<=".
inline constexpr long double kCompareTolerance = 1e-30L;

// pi to the full precision of the extended reals.
inline constexpr long double kPi = 3.14159265358979323846264338327950288L;

// Registers, in this order: the brackets, the list separator (named by list_separator), "pi",
// "random", the operators, the functions and the string function "pos".
void FillVocabulary(TExpressList& words, char list_separator);

// R(x): x rounded to the nearest integer, ties to the even one. False when the result does not fit a
// signed 64-bit integer (NaN included).
bool TryRoundToInt64(long double x, std::int64_t& value);

// R(x) as an extended real: the same rounding without the range limit (NaN stays NaN).
long double RoundHalfEven(long double x);

// x to the power n by repeated squaring; a negative n gives 1 over the positive power.
long double IntPower(long double x, std::int64_t n);

// "^@": x to the power R(y). Squares, cubes and fourth powers skip the conversion; their products are
// those of the repeated squaring. R(y) must fit a signed 32-bit integer, else ERangeError.
long double IntPowerChecked(long double x, long double y);
inline long double IntPowerOf(long double x, long double y) {
  if (y == 2) return x * x;
  if (y == 3) return x * (x * x);
  if (y == 4) {
    const long double x2 = x * x;
    return x2 * x2;
  }
  return IntPowerChecked(x, y);
}

// Built-in routines that an evaluation may run inline, without the call through the node; anything
// else is kCall. The inline forms compute exactly what the routines compute.
enum class TFastOp : std::uint8_t {
  kCall,
  kAdd,
  kSubtract,
  kMultiply,
  kDivide,
  kIntPower,
  kNegate,
  kUnaryPlus,
  kSqr,
  kSqrt,
  kAbs,
  kSin,
  kCos,
};
TFastOp FastOpOf(TExprFunc routine);

// The 1-based position of s1 in s2, 0 when absent.
long double StringPos(const std::string& s1, const std::string& s2);

}  // namespace zentrova
