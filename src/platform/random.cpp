#include "platform/random.h"

#include <chrono>
#include <cmath>
#include <mutex>
#include <random>

namespace zentrova {

namespace {

// The generator is used from the GUI thread (job timer, scene colours) and the simulation thread.
struct Generator {
  std::mutex mutex;
  std::mt19937_64 engine{0x5eedULL};
};

Generator& TheGenerator() {
  static Generator generator;
  return generator;
}

// 64 random bits as a real in [0, 1): exact in the 64-bit mantissa.
long double Uniform01(std::mt19937_64& engine) {
  return std::ldexp(static_cast<long double>(engine()), -64);
}

}  // namespace

long double Random() {
  Generator& g = TheGenerator();
  std::lock_guard lock(g.mutex);
  return Uniform01(g.engine);
}

std::int32_t RandomInt(std::int32_t range) {
  if (range <= 0) return 0;
  Generator& g = TheGenerator();
  std::lock_guard lock(g.mutex);
  return static_cast<std::int32_t>(g.engine() % static_cast<std::uint64_t>(range));
}

long double RandomGauss(long double mean, long double sd) {
  Generator& g = TheGenerator();
  std::lock_guard lock(g.mutex);
  // Marsaglia's polar method.
  long double u, v, s;
  do {
    u = 2 * Uniform01(g.engine) - 1;
    v = 2 * Uniform01(g.engine) - 1;
    s = u * u + v * v;
  } while (s >= 1 || s == 0);
  return mean + sd * u * std::sqrt(-2 * std::log(s) / s);
}

void Randomize() {
  SetRandomSeed(static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count()));
}

void SetRandomSeed(std::uint64_t seed) {
  Generator& g = TheGenerator();
  std::lock_guard lock(g.mutex);
  g.engine.seed(seed);
}

}  // namespace zentrova
