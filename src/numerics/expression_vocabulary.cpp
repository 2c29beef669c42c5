#include "numerics/expression_vocabulary.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "numerics/fast_trig.h"
#include "platform/random.h"

namespace zentrova {

namespace {

constexpr long double kTwo63 = 9223372036854775808.0L;
// 1755! is past the largest finite extended real; anything above this bound is +Inf without looping.
constexpr long double kFactorialInfinite = 2000.0L;

long double NaN() {
  return std::numeric_limits<long double>::quiet_NaN();
}
long double Truth(bool b) {
  return b ? 1.0L : 0.0L;
}

inline long double X(const TEvalNode* n) {
  return *n->Args[0];
}
inline long double Y(const TEvalNode* n) {
  return *n->Args[1];
}
inline long double Z(const TEvalNode* n) {
  return *n->Args[2];
}

std::int64_t RoundChecked64(long double x, const char* word) {
  std::int64_t v = 0;
  if (!TryRoundToInt64(x, v)) {
    throw ERangeError(std::string("Range check error in ") + word +
                      ": the value does not fit a 64-bit integer");
  }
  return v;
}

std::int32_t RoundChecked32(long double x, const char* word) {
  std::int64_t v = 0;
  if (!TryRoundToInt64(x, v) || v < std::numeric_limits<std::int32_t>::min() ||
      v > std::numeric_limits<std::int32_t>::max()) {
    throw ERangeError(std::string("Range check error in ") + word +
                      ": the value does not fit a 32-bit integer");
  }
  return static_cast<std::int32_t>(v);
}

// The operands of "div" and "mod": both must convert, the divisor must not be zero.
void IntegerOperands(const TEvalNode* n, const char* word, std::int64_t& a, std::int64_t& b) {
  a = RoundChecked64(X(n), word);
  b = RoundChecked64(Y(n), word);
  if (b == 0) throw EDivByZero(std::string("Division by zero in ") + word);
}

// --- operators ---

void FuncFactorial(TEvalNode* n) {
  const long double x = X(n);
  if (std::isnan(x)) {
    n->Value = x;
    return;
  }
  const long double v = RoundHalfEven(x);
  if (v > kFactorialInfinite) {
    n->Value = std::numeric_limits<long double>::infinity();
    return;
  }
  // f(v) = v * f(v - 1) for v > 1, else 1; a loop from the bottom multiplies in the same order.
  long double f = 1;
  for (long double i = 2; i <= v; i += 1) f = i * f;
  n->Value = f;
}

void FuncIncrement(TEvalNode* n) {
  *n->Args[0] = X(n) + 1;
  n->Value = *n->Args[0];
}

void FuncDecrement(TEvalNode* n) {
  *n->Args[0] = X(n) - 1;
  n->Value = *n->Args[0];
}

void FuncPercent(TEvalNode* n) {
  n->Value = X(n) * 0.01L;
}
void FuncNegate(TEvalNode* n) {
  n->Value = -X(n);
}
void FuncUnaryPlus(TEvalNode* n) {
  n->Value = X(n);
}
void FuncPower(TEvalNode* n) {
  n->Value = std::pow(X(n), Y(n));
}

void FuncIntPower(TEvalNode* n) {
  n->Value = IntPowerOf(X(n), Y(n));
}

void FuncMultiply(TEvalNode* n) {
  n->Value = X(n) * Y(n);
}
void FuncDivide(TEvalNode* n) {
  n->Value = X(n) / Y(n);
}

void FuncIntDiv(TEvalNode* n) {
  std::int64_t a = 0, b = 0;
  IntegerOperands(n, "div", a, b);
  if (a == std::numeric_limits<std::int64_t>::min() && b == -1) {
    throw EIntOverflow("Integer overflow in div");
  }
  n->Value = static_cast<long double>(a / b);
}

void FuncMod(TEvalNode* n) {
  std::int64_t a = 0, b = 0;
  IntegerOperands(n, "mod", a, b);
  // The one remainder that C++ leaves undefined is 0.
  n->Value = b == -1 ? 0.0L : static_cast<long double>(a % b);
}

void FuncAdd(TEvalNode* n) {
  n->Value = X(n) + Y(n);
}
void FuncSubtract(TEvalNode* n) {
  n->Value = X(n) - Y(n);
}

// The comparisons are written so that a NaN operand makes ">", ">=", "<=" and "<>" true and "<" and
// "=" false.
void FuncGreater(TEvalNode* n) {
  n->Value = Truth(!(X(n) <= Y(n)));
}
void FuncGreaterEqual(TEvalNode* n) {
  n->Value = Truth(!(Y(n) > X(n) + kCompareTolerance));
}
void FuncLessEqual(TEvalNode* n) {
  n->Value = Truth(!(X(n) > Y(n) + kCompareTolerance));
}
void FuncLess(TEvalNode* n) {
  n->Value = Truth(X(n) < Y(n));
}
void FuncNotEqual(TEvalNode* n) {
  n->Value = Truth(!(std::fabs(X(n) - Y(n)) <= kCompareTolerance));
}
void FuncEqual(TEvalNode* n) {
  n->Value = Truth(std::fabs(X(n) - Y(n)) < kCompareTolerance);
}

void FuncNot(TEvalNode* n) {
  n->Value = static_cast<long double>((RoundChecked32(X(n), "not") & 255) ^ 1);
}

// Bitwise operators: an operand that is no 64-bit integer gives NaN.
template <typename Op>
void Bitwise(TEvalNode* n, Op op) {
  std::int64_t a = 0, b = 0;
  if (!TryRoundToInt64(X(n), a) || !TryRoundToInt64(Y(n), b)) {
    n->Value = NaN();
    return;
  }
  n->Value = static_cast<long double>(op(a, b));
}
void FuncOr(TEvalNode* n) {
  Bitwise(n, [](std::int64_t a, std::int64_t b) { return a | b; });
}
void FuncAnd(TEvalNode* n) {
  Bitwise(n, [](std::int64_t a, std::int64_t b) { return a & b; });
}
void FuncXor(TEvalNode* n) {
  Bitwise(n, [](std::int64_t a, std::int64_t b) { return a ^ b; });
}

void FuncAssign(TEvalNode* n) {
  n->Value = Y(n);
  *n->Args[0] = n->Value;
}

// --- functions ---

void FuncExp(TEvalNode* n) {
  n->Value = std::exp(X(n));
}

void FuncIf(TEvalNode* n) {
  const long double r = RoundHalfEven(X(n));
  bool condition = false;
  if (std::fabs(r) < kTwo63) {
    condition = (static_cast<std::int64_t>(r) & 255) != 0;
  } else if (std::isfinite(r)) {
    condition = std::fmod(r, 256.0L) != 0;  // exact: the low bits of an integer beyond 64 bits
  }
  n->Value = condition ? Y(n) : Z(n);
}

void FuncRandG(TEvalNode* n) {
  n->Value = RandomGauss(X(n), Y(n));
}
void FuncRandom(TEvalNode* n) {
  n->Value = Random();
}
void FuncSqr(TEvalNode* n) {
  n->Value = X(n) * X(n);
}
void FuncSqrt(TEvalNode* n) {
  n->Value = std::sqrt(X(n));
}
void FuncAbs(TEvalNode* n) {
  n->Value = std::fabs(X(n));
}

// Past 64 bits the rounding stays a real (NaN stays NaN).
void FuncRound(TEvalNode* n) {
  std::int64_t v = 0;
  n->Value = TryRoundToInt64(X(n), v) ? static_cast<long double>(v) : RoundHalfEven(X(n));
}

void FuncTrunc(TEvalNode* n) {
  const long double x = X(n);
  n->Value = std::fabs(x) < kTwo63 ? static_cast<long double>(static_cast<std::int64_t>(x)) : x;
}

void FuncLn(TEvalNode* n) {
  n->Value = std::log(X(n));
}
void FuncLog10(TEvalNode* n) {
  n->Value = std::log10(X(n));
}
void FuncLogN(TEvalNode* n) {
  n->Value = std::log(Y(n)) / std::log(X(n));
}

void FuncIntPowerFunction(TEvalNode* n) {
  n->Value = IntPower(X(n), RoundChecked32(Y(n), "intpower"));
}

void FuncMax(TEvalNode* n) {
  n->Value = X(n) >= Y(n) ? X(n) : Y(n);
}
void FuncMin(TEvalNode* n) {
  n->Value = Y(n) >= X(n) ? X(n) : Y(n);
}
void FuncSin(TEvalNode* n) {
  n->Value = CachedSin(X(n));
}
void FuncCos(TEvalNode* n) {
  n->Value = CachedCos(X(n));
}
void FuncTan(TEvalNode* n) {
  n->Value = std::tan(X(n));
}
void FuncArcSin(TEvalNode* n) {
  n->Value = std::asin(X(n));
}
void FuncArcCos(TEvalNode* n) {
  n->Value = std::acos(X(n));
}
void FuncArcTan2(TEvalNode* n) {
  n->Value = std::atan2(X(n), Y(n));
}
void FuncArcTan(TEvalNode* n) {
  n->Value = std::atan2(X(n), 1.0L);
}
void FuncSinh(TEvalNode* n) {
  n->Value = std::sinh(X(n));
}
void FuncCosh(TEvalNode* n) {
  n->Value = std::cosh(X(n));
}
void FuncTanh(TEvalNode* n) {
  n->Value = std::tanh(X(n));
}
void FuncArcSinh(TEvalNode* n) {
  n->Value = std::asinh(X(n));
}
void FuncArcCosh(TEvalNode* n) {
  n->Value = std::acosh(X(n));
}
void FuncArcTanh(TEvalNode* n) {
  n->Value = std::atanh(X(n));
}
void FuncDegToRad(TEvalNode* n) {
  n->Value = X(n) * kPi / 180;
}
void FuncRadToDeg(TEvalNode* n) {
  n->Value = X(n) * 180 / kPi;
}

void Register(TExpressList& words, std::unique_ptr<TExprWord> word) {
  // Names are unique in the vocabulary; a repeated one would stay with the caller and be freed here.
  if (words.Insert(word.get())) (void)word.release();
}

void Operator(TExpressList& words, const char* name, int precedence, int n_args, TExprFunc routine) {
  Register(words, std::make_unique<TFunction>(name, precedence, true, n_args, routine));
}

void BooleanOperator(TExpressList& words, const char* name, int precedence, int n_args, TExprFunc routine) {
  Register(words, std::make_unique<TBooleanFunction>(name, precedence, true, n_args, routine));
}

void Function(TExpressList& words, const char* name, int n_args, TExprFunc routine, const char* description) {
  Register(words, std::make_unique<TFunction>(name, n_args, routine, description));
}

}  // namespace

bool TryRoundToInt64(long double x, std::int64_t& value) {
  const long double magnitude = std::fabs(x);
  if (!(magnitude < kTwo63)) {  // NaN fails too
    if (x != -kTwo63) return false;
    value = std::numeric_limits<std::int64_t>::min();
    return true;
  }
  // Below 2^64 the extended reals are 1 apart from 2^63 on: adding 2^63 rounds to the nearest integer,
  // ties to even, and leaves 2^63 + R(|x|) as the 64-bit significand. This avoids the slow library
  // rounding and the control-word switch of a cast.
  const long double shifted = magnitude + kTwo63;
  if (shifted == 2 * kTwo63) {
    if (x > 0) return false;
    value = std::numeric_limits<std::int64_t>::min();
    return true;
  }
  std::uint64_t significand = 0;
  std::memcpy(&significand, &shifted, sizeof significand);
  const std::uint64_t rounded = significand - (std::uint64_t{1} << 63);
  value = x < 0 ? static_cast<std::int64_t>(std::uint64_t{0} - rounded) : static_cast<std::int64_t>(rounded);
  return true;
}

long double RoundHalfEven(long double x) {
  const long double magnitude = std::fabs(x);
  if (!(magnitude < kTwo63)) return x;  // already whole, or NaN
  const long double rounded = (magnitude + kTwo63) - kTwo63;
  return x < 0 ? -rounded : rounded;
}

long double IntPower(long double x, std::int64_t n) {
  std::uint64_t e = n < 0 ? static_cast<std::uint64_t>(-n) : static_cast<std::uint64_t>(n);
  long double result = 1;
  long double base = x;
  while (e != 0) {
    if ((e & 1) != 0) result *= base;
    e >>= 1;
    if (e != 0) base *= base;
  }
  return n < 0 ? 1 / result : result;
}

long double IntPowerChecked(long double x, long double y) {
  return IntPower(x, RoundChecked32(y, "^"));
}

TFastOp FastOpOf(TExprFunc routine) {
  if (routine == &FuncAdd) return TFastOp::kAdd;
  if (routine == &FuncSubtract) return TFastOp::kSubtract;
  if (routine == &FuncMultiply) return TFastOp::kMultiply;
  if (routine == &FuncDivide) return TFastOp::kDivide;
  if (routine == &FuncIntPower) return TFastOp::kIntPower;
  if (routine == &FuncNegate) return TFastOp::kNegate;
  if (routine == &FuncUnaryPlus) return TFastOp::kUnaryPlus;
  if (routine == &FuncSqr) return TFastOp::kSqr;
  if (routine == &FuncSqrt) return TFastOp::kSqrt;
  if (routine == &FuncAbs) return TFastOp::kAbs;
  if (routine == &FuncSin) return TFastOp::kSin;
  if (routine == &FuncCos) return TFastOp::kCos;
  return TFastOp::kCall;
}

long double StringPos(const std::string& s1, const std::string& s2) {
  if (s1.empty()) return 0;
  const std::size_t at = s2.find(s1);
  return at == std::string::npos ? 0.0L : static_cast<long double>(at + 1);
}

void FillVocabulary(TExpressList& words, char list_separator) {
  Register(words, std::make_unique<TLeftBracket>("("));
  Register(words, std::make_unique<TRightBracket>(")"));
  Register(words, std::make_unique<TComma>(std::string(1, list_separator)));
  Register(words, std::make_unique<TConstant>("pi", kPi, "pi = 3.1415926535897932385"));
  Register(words,
           std::make_unique<TVaryingFunction>("random", 0, &FuncRandom, "random number between 0 and 1"));

  Operator(words, "!", 10, 1, &FuncFactorial);
  Operator(words, "++", 5, 1, &FuncIncrement);
  Operator(words, "--", 5, 1, &FuncDecrement);
  Operator(words, "%", 10, 1, &FuncPercent);
  Operator(words, "-@", 10, 1, &FuncNegate);
  Operator(words, "+@", 10, 1, &FuncUnaryPlus);
  Operator(words, "^", 20, 2, &FuncPower);
  Operator(words, "^@", 20, 2, &FuncIntPower);
  Operator(words, "*", 30, 2, &FuncMultiply);
  Operator(words, "/", 30, 2, &FuncDivide);
  Operator(words, "div", 30, 2, &FuncIntDiv);
  Operator(words, "mod", 30, 2, &FuncMod);
  Operator(words, "+", 40, 2, &FuncAdd);
  Operator(words, "-", 40, 2, &FuncSubtract);
  BooleanOperator(words, ">", 50, 2, &FuncGreater);
  BooleanOperator(words, ">=", 50, 2, &FuncGreaterEqual);
  BooleanOperator(words, "<=", 50, 2, &FuncLessEqual);
  BooleanOperator(words, "<", 50, 2, &FuncLess);
  BooleanOperator(words, "<>", 50, 2, &FuncNotEqual);
  BooleanOperator(words, "=", 50, 2, &FuncEqual);
  BooleanOperator(words, "in", 10, 2, &FuncEqual);
  BooleanOperator(words, "not", 60, 1, &FuncNot);
  BooleanOperator(words, "or", 70, 2, &FuncOr);
  BooleanOperator(words, "and", 70, 2, &FuncAnd);
  BooleanOperator(words, "xor", 70, 2, &FuncXor);
  Operator(words, ":=", 200, 2, &FuncAssign);

  Function(words, "exp", 1, &FuncExp, "the value of e raised to the power of x");
  Function(words, "if", 3, &FuncIf, "if x=True(or 1) then y else z");
  Register(words, std::make_unique<TVaryingFunction>("randg", 2, &FuncRandG,
                                                     "draw from normal distrib. (mean=x, sd =y)"));
  Function(words, "sqr", 1, &FuncSqr, "the square of a number (x*x)");
  Function(words, "sqrt", 1, &FuncSqrt, "the square root of a number");
  Function(words, "abs", 1, &FuncAbs, "absolute value");
  Function(words, "round", 1, &FuncRound, "round to the nearest integer");
  Function(words, "trunc", 1, &FuncTrunc, "truncates a real number to an integer");
  Function(words, "ln", 1, &FuncLn, "natural logarithm of x");
  Function(words, "log10", 1, &FuncLog10, "logarithm base 10 of x");
  Function(words, "logN", 2, &FuncLogN, "logarithm base x of y");
  Function(words, "power", 2, &FuncPower, "power: x^y");
  Function(words, "pow", 2, &FuncPower, "power: x^y");
  Function(words, "intpower", 2, &FuncIntPowerFunction, "integer power: x^y");
  Function(words, "max", 2, &FuncMax, "the maximum of both arguments");
  Function(words, "min", 2, &FuncMin, "the minimum of both arguments");
  Function(words, "sin", 1, &FuncSin, "sine of an angle in rad");
  Function(words, "cos", 1, &FuncCos, "cosine of an angle in rad");
  Function(words, "tan", 1, &FuncTan, "tangent of an angle in rad");
  Function(words, "arcsin", 1, &FuncArcSin, "inverse sine in rad");
  Function(words, "arccos", 1, &FuncArcCos, "inverse cosine in rad");
  Function(words, "arctan2", 2, &FuncArcTan2, "inverse tangent (x/y) in rad");
  Function(words, "arctan", 1, &FuncArcTan, "inverse tangent (x/y) in rad");
  Function(words, "sinh", 1, &FuncSinh, "hyperbolic sine of an angle in rad");
  Function(words, "cosh", 1, &FuncCosh, "hyperbolic sine of an angle in rad");
  Function(words, "tanh", 1, &FuncTanh, "hyperbolic tangent of an angle in rad");
  Function(words, "arcsinh", 1, &FuncArcSinh, "inverse sine in rad");
  Function(words, "arccosh", 1, &FuncArcCosh, "inverse hyperbolic cosine in rad");
  Function(words, "arctanh", 1, &FuncArcTanh, "inverse hyperbolic tangent in rad");
  Function(words, "degtorad", 1, &FuncDegToRad, "conversion of degrees to radians");
  Function(words, "radtodeg", 1, &FuncRadToDeg, "conversion of rad to degrees");

  Register(words, std::make_unique<TSimpleStringFunction>("pos", "Position in of substring in string",
                                                          &StringPos, nullptr, nullptr));
}

}  // namespace zentrova
