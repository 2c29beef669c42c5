// FastSin, FastCos and FastSinCos against the C library's sinl and cosl on arguments below pi/4, up to
// pi and up to a thousand; then, once, the largest distance in units in the last place (of the
// library's value) over ten million arguments, as the counters max_ulp_sin and max_ulp_cos.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "numerics/fast_trig.h"

namespace {

std::vector<long double> Uniform(long double from, long double to, std::size_t count, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> u(0, 1);
  std::vector<long double> xs(count);
  for (long double& x : xs) {
    x = from + (to - from) * (static_cast<long double>(u(random)) + 0x1p-53L * u(random));
    if ((random() & 1) != 0) x = -x;
  }
  return xs;
}

template <long double (*kFunction)(long double)>
void Function(benchmark::State& state) {
  const std::vector<long double> xs = Uniform(0, static_cast<long double>(state.range(0)) / 1000, 4096, 1);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(kFunction(xs[i]));
    i = (i + 1) & 4095;
  }
}

long double Sinl(long double x) {
  return std::sin(x);
}
long double SinCosSum(long double x) {
  const zentrova::TSinCos r = zentrova::FastSinCos(x);
  return r.Sin + r.Cos;
}

long double UlpsFrom(long double value, long double reference) {
  const long double ulp = std::ldexp(1.0L, std::max(std::ilogb(reference), -16382) - 63);
  return std::fabs(value - reference) / ulp;
}

// Ten million arguments: uniform up to the limit, below pi, tiny, and the long doubles around the
// multiples of pi/2, where the reduction loses the most.
void MaxUlpError(benchmark::State& state) {
  long double worst_sin = 0, worst_cos = 0;
  for (auto _ : state) {
    std::vector<long double> xs = Uniform(0, zentrova::kFastTrigLimit, 4'000'000, 2);
    const std::vector<long double> small = Uniform(0, 3.2L, 3'000'000, 3);
    xs.insert(xs.end(), small.begin(), small.end());
    std::mt19937_64 random(4);
    for (int i = 0; i < 1'000'000; ++i)
      xs.push_back(std::ldexp(1.0L + (random() >> 11) * 0x1p-53L, -static_cast<int>(random() % 60)));
    for (int i = 0; xs.size() < 10'000'000; ++i) {
      const long double k = static_cast<long double>(1 + i % 5215);
      long double x = k * 0x6487ED5110B46p-50L + k * 0x469898CC51701p-104L;
      for (int step = i / 5215 % 64 - 32; step != 0; step += step > 0 ? -1 : 1)
        x = std::nextafter(x, step * 1e9L);
      xs.push_back(x);
    }
    for (const long double x : xs) {
      const zentrova::TSinCos both = zentrova::FastSinCos(x);
      const long double s = std::sin(x), c = std::cos(x);
      worst_sin = std::max({worst_sin, UlpsFrom(zentrova::FastSin(x), s), UlpsFrom(both.Sin, s)});
      worst_cos = std::max({worst_cos, UlpsFrom(zentrova::FastCos(x), c), UlpsFrom(both.Cos, c)});
    }
    state.counters["arguments"] = static_cast<double>(xs.size());
  }
  state.counters["max_ulp_sin"] = static_cast<double>(worst_sin);
  state.counters["max_ulp_cos"] = static_cast<double>(worst_cos);
}

}  // namespace

// The argument is the range's upper end in thousandths.
BENCHMARK(Function<Sinl>)->Arg(785)->Arg(3142)->Arg(1000000);
BENCHMARK(Function<zentrova::FastSin>)->Arg(785)->Arg(3142)->Arg(1000000);
BENCHMARK(Function<zentrova::FastCos>)->Arg(785)->Arg(3142)->Arg(1000000);
BENCHMARK(Function<SinCosSum>)->Arg(785)->Arg(3142)->Arg(1000000);
BENCHMARK(MaxUlpError)->Iterations(1)->Unit(benchmark::kSecond);
