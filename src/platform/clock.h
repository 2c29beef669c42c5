// Wall clock, monotonic clock and sleeping.
#pragma once

#include <cstdint>
#include <string>

namespace zentrova {

// Local date and time as days since 1899-12-30 with the time of day as fraction (the date-time value
// that job files and history windows compare and subtract).
double Now();
// Milliseconds of a monotonic clock, for measuring intervals.
std::int64_t MonotonicMilliseconds();
// Seconds of a monotonic high-resolution clock.
double MonotonicSeconds();
void SleepMilliseconds(std::int64_t ms);
// A date-time value as "yyyy-mm-dd hh:nn:ss".
std::string DateTimeToText(double date_time);

}  // namespace zentrova
