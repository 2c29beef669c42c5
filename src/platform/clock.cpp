#include "platform/clock.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <thread>

namespace zentrova {

namespace {
constexpr double kUnixEpochAsDateTime = 25569.0;  // 1970-01-01 counted from 1899-12-30
constexpr double kSecondsPerDay = 86400.0;
}  // namespace

double Now() {
  const auto now = std::chrono::system_clock::now();
  const double seconds = std::chrono::duration<double>(now.time_since_epoch()).count();
  const std::time_t whole = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&whole, &local);
  return kUnixEpochAsDateTime + (seconds + static_cast<double>(local.tm_gmtoff)) / kSecondsPerDay;
}

std::int64_t MonotonicMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

double MonotonicSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void SleepMilliseconds(std::int64_t ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string DateTimeToText(double date_time) {
  const double seconds_total = std::round((date_time - kUnixEpochAsDateTime) * kSecondsPerDay);
  const std::time_t t = static_cast<std::time_t>(seconds_total);
  std::tm utc{};
  gmtime_r(&t, &utc);  // the value already holds local time
  char buffer[80];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", utc.tm_year + 1900, utc.tm_mon + 1,
                utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
  return buffer;
}

}  // namespace zentrova
