#include "scene/base/float_math.h"

#include <cmath>
#include <limits>

#include "scene/base/scene_errors.h"

namespace zentrova {

namespace {
using Ext = long double;
inline float S(Ext x) {
  return static_cast<float>(x);
}

std::int32_t ToInt32(Ext x) {
  // The x87 store of a value that does not fit is the "integer indefinite" 0x80000000.
  if (!(x >= -2147483648.0L && x < 2147483648.0L)) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(x);
}
}  // namespace

float DegToRad(float degrees) {
  return S(degrees * (cPI / 180));
}
float RadToDeg(float radians) {
  return S(radians * (180 / cPI));
}
long double DegToRadExt(long double degrees) {
  return degrees * (cPI / 180);
}
long double RadToDegExt(long double radians) {
  return radians * (180 / cPI);
}

float WrapDegrees180(float angle) {
  Ext a = angle - 360 * std::trunc(Ext(angle) * (1 / 360.0L));
  if (a > 180) {
    a -= 360;
  } else if (a < -180) {
    a += 360;
  }
  return S(a);
}

void SinAndCos(float angle, float& sine, float& cosine) {
  sine = S(std::sin(Ext(angle)));
  cosine = S(std::cos(Ext(angle)));
}
void SinAndCosExt(long double angle, long double& sine, long double& cosine) {
  sine = std::sin(angle);
  cosine = std::cos(angle);
}
void SinAndCosScaled(float angle, float radius, float& sine, float& cosine) {
  sine = S(std::sin(Ext(angle)) * radius);
  cosine = S(std::cos(Ext(angle)) * radius);
}

void FillSinCosTables(std::span<float> sines, std::span<float> cosines, float start, float stop) {
  SceneAssert(sines.size() == cosines.size());
  const int n = static_cast<int>(sines.size()) - 1;
  if (n < 0) return;
  const Ext step = n <= 0 ? 0 : ((stop + Ext(1e-5)) - start) * (cPI / 180) / n;
  const Ext first = Ext(start) * (cPI / 180);
  if (n >= 1000) {
    for (int i = 0; i <= n; ++i) {
      sines[i] = S(std::sin(first + i * step));
      cosines[i] = S(std::cos(first + i * step));
    }
    return;
  }
  // Below a thousand entries the rotation recurrence is cheaper than the library calls.
  sines[0] = S(std::sin(first));
  cosines[0] = S(std::cos(first));
  const Ext half = std::sin(step / 2);
  const Ext alpha = 2 * half * half;
  const Ext beta = std::sin(step);
  for (int i = 0; i < n; ++i) {
    const Ext s = sines[i], c = cosines[i];
    cosines[i + 1] = S(c - alpha * c - beta * s);
    sines[i + 1] = S(s - alpha * s + beta * c);
  }
}

long double ArcCosExt(long double x) {
  return std::atan2(std::sqrt(1 - x * x), x);
}
long double ArcSinExt(long double x) {
  return std::atan2(x, std::sqrt(1 - x * x));
}
float ArcCos(float x) {
  return S(ArcCosExt(x));
}
long double ArcTan2Ext(long double y, long double x) {
  return std::atan2(y, x);
}
float ArcTan2(float y, float x) {
  return S(std::atan2(Ext(y), Ext(x)));
}
long double TanExt(long double x) {
  return std::tan(x);
}
float RSqrt(float x) {
  return S(1 / std::sqrt(Ext(x)));
}

long double RoundInt(long double x) {
  return std::nearbyint(x);
}
std::int32_t TruncSingle(float x) {
  return ToInt32(std::trunc(Ext(x)));
}
std::int32_t RoundSingle(float x) {
  return ToInt32(std::nearbyint(Ext(x)));
}
long double IntExt(long double x) {
  return std::trunc(x);
}
float FracSingle(float x) {
  return S(x - std::trunc(Ext(x)));
}
int SignSingle(float x) {
  return x < 0 ? -1 : (x > 0 ? 1 : 0);
}
long double MaxExt(long double a, long double b) {
  return a > b ? a : b;
}
float Max3(float a, float b, float c) {
  float m = a > b ? a : b;
  return m > c ? m : c;
}
std::int32_t MaxInt(std::int32_t a, std::int32_t b) {
  return a > b ? a : b;
}
float ClampSingle(float value, float min, float max) {
  if (value < min) return min;
  if (value > max) return max;
  return value;
}

float PowerInt(float base, std::int32_t exponent) {
  std::int64_t e = exponent;
  const bool negative = e < 0;
  if (negative) e = -e;
  Ext result = 1, square = base;
  while (e > 0) {
    if (e & 1) result *= square;
    square *= square;
    e >>= 1;
  }
  return S(negative ? 1 / result : result);
}

float PowerFloat(float base, float exponent) {
  if (exponent == 0) return 1;
  if (base == 0 && exponent > 0) return 0;
  const Ext rounded = std::nearbyint(Ext(exponent));
  if (rounded == exponent && std::fabs(rounded) < 2147483648.0L) {
    return PowerInt(base, static_cast<std::int32_t>(rounded));
  }
  return S(std::exp(exponent * std::log(Ext(base))));
}

}  // namespace zentrova
