// Trimmed statistics and smoothing of value lists, for the outline reshaping and the next version of a
// model.
#pragma once

namespace zentrova {

class TFloatList;

struct TStatistics {
  long double Minimum = 0;
  long double Maximum = 0;
  long double Mean = 0;
  long double Median = 0;
  long double StandardDeviation = 0;
  long double Sum = 0;
};

// Sorts a copy of the values ascending; with `only_negative` keeps the values below 0; with a cut
// fraction f > 0 drops ceil(f * count) values at each end. False, with every result 0, when no value is
// left. The median is the kept value at index count div 2; the standard deviation divides by m - 1
// (by 1 for a single value).
bool Statistics(const TFloatList& values, bool only_negative, long double cut_fraction, TStatistics& result);

// Centred moving average in place, the window of `width` values on each side clipped at both ends (not
// cyclic); every mean is taken over the values before smoothing.
void SmoothAlongOutline(TFloatList& values, int width);

}  // namespace zentrova
