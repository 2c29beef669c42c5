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

// x to the power n by repeated squaring; a negative n gives 1 over the positive power.
long double IntPower(long double x, std::int64_t n);

// The 1-based position of s1 in s2, 0 when absent.
long double StringPos(const std::string& s1, const std::string& s2);

}  // namespace zentrova
