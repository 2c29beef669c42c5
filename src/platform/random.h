// The process-wide random generator shared by the expression language, the job timer and the scene.
#pragma once

#include <cstdint>

namespace zentrova {

long double Random();                                // uniform in [0, 1)
std::int32_t RandomInt(std::int32_t range);          // uniform in [0, range), 0 when range <= 0
long double RandomGauss(long double mean, long double sd);  // normally distributed
void Randomize();                                    // seeds from the clock
void SetRandomSeed(std::uint64_t seed);

}  // namespace zentrova
