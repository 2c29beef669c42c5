#include "engine/model/value_statistics.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "numerics/float_list.h"

namespace zentrova {

bool Statistics(const TFloatList& values, bool only_negative, long double cut_fraction, TStatistics& result) {
  result = TStatistics{};
  TFloatList sorted;
  sorted.Assign(&values);
  sorted.Sort(false);
  std::vector<long double> kept;
  kept.reserve(sorted.Count());
  for (std::uint32_t i = 0; i < sorted.Count(); ++i) {
    const long double v = sorted.Data()[i];
    if (!only_negative || v < 0) kept.push_back(v);
  }
  if (cut_fraction > 0 && !kept.empty()) {
    const auto count = static_cast<long double>(kept.size());
    const long double k = std::ceil(cut_fraction * count);
    // A cut of half the values or more leaves nothing: no median to take, no mean to divide.
    if (2 * k >= count) {
      kept.clear();
    } else {
      const auto cut = static_cast<std::size_t>(k);
      kept = std::vector<long double>(kept.begin() + static_cast<std::ptrdiff_t>(cut),
                                      kept.end() - static_cast<std::ptrdiff_t>(cut));
    }
  }
  if (kept.empty()) return false;
  const std::size_t m = kept.size();
  result.Median = kept[m / 2];
  result.Minimum = kept.front();
  result.Maximum = kept.front();
  for (long double v : kept) {
    result.Minimum = std::min(result.Minimum, v);
    result.Maximum = std::max(result.Maximum, v);
    result.Sum += v;
  }
  result.Mean = result.Sum / static_cast<long double>(m);
  long double squares = 0;
  for (long double v : kept) squares += (v - result.Mean) * (v - result.Mean);
  result.StandardDeviation = std::sqrt(m > 1 ? squares / static_cast<long double>(m - 1) : squares);
  return true;
}

void SmoothAlongOutline(TFloatList& values, int width) {
  const auto count = static_cast<std::int64_t>(values.Count());
  if (count == 0) return;
  const std::vector<long double> before(values.Data(), values.Data() + count);
  const std::int64_t w = std::max(width, 0);
  for (std::int64_t i = 0; i < count; ++i) {
    const std::int64_t from = std::max<std::int64_t>(0, i - w);
    const std::int64_t to = std::min<std::int64_t>(count - 1, i + w);
    long double sum = 0;
    for (std::int64_t j = from; j <= to; ++j) sum += before[static_cast<std::size_t>(j)];
    values.Data()[i] = sum / static_cast<long double>(to - from + 1);
  }
}

}  // namespace zentrova
