// Angles and scalar helpers of the scene's geometry (singles, with extended forms where the callers
// need the precision).
#pragma once

#include <cstdint>
#include <span>

namespace zentrova {

// The process-wide degree-to-radian factor π/180 as a single, and its inverse.
inline constexpr float cPIdiv180 = static_cast<float>(3.14159265358979323846L / 180);
inline constexpr float c180divPI = static_cast<float>(180 / 3.14159265358979323846L);
inline constexpr long double cPI = 3.14159265358979323846264338327950288L;

float DegToRad(float degrees);
float RadToDeg(float radians);
long double DegToRadExt(long double degrees);
long double RadToDegExt(long double radians);
// Into (−180, 180]: a := angle − 360 × trunc(angle / 360), then one turn off when beyond ±180.
float WrapDegrees180(float angle);

void SinAndCos(float angle, float& sine, float& cosine);
void SinAndCosExt(long double angle, long double& sine, long double& cosine);
void SinAndCosScaled(float angle, float radius, float& sine, float& cosine);
// Sine and cosine of start + i × step for every entry i (n = size − 1 steps from start to stop,
// degrees). Both tables must have the same size ("Assertion failure" otherwise).
void FillSinCosTables(std::span<float> sines, std::span<float> cosines, float start, float stop);

// Arc cosine and arc sine through the two-argument arc tangent; |x| > 1 gives NaN.
long double ArcCosExt(long double x);
long double ArcSinExt(long double x);
float ArcCos(float x);
long double ArcTan2Ext(long double y, long double x);
float ArcTan2(float y, float x);
long double TanExt(long double x);
float RSqrt(float x);  // 1 / sqrt(x)

// Rounding to the nearest integral value (ties to even), as an extended.
long double RoundInt(long double x);
// Truncation and rounding to a 32-bit integer. Values outside its range and NaN give the processor's
// "integer indefinite" (the lowest integer), as the x87 conversion does.
std::int32_t TruncSingle(float x);
std::int32_t RoundSingle(float x);
long double IntExt(long double x);  // integral part, toward zero
float FracSingle(float x);          // x minus its integral part
int SignSingle(float x);            // −1, 0 or 1
long double MaxExt(long double a, long double b);
float Max3(float a, float b, float c);
std::int32_t MaxInt(std::int32_t a, std::int32_t b);
float ClampSingle(float value, float min, float max);
// base to an integral power by repeated squaring (a negative power gives the reciprocal).
float PowerInt(float base, std::int32_t exponent);
// 1 for exponent 0, 0 for base 0 with a positive exponent, PowerInt for an integral exponent,
// otherwise exp(exponent × ln base).
float PowerFloat(float base, float exponent);

}  // namespace zentrova
