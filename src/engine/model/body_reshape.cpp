// Reshaping a body's outline for the next version of a model: the watched points move in proportion to
// the (negative) work their watches recorded.
#include <algorithm>
#include <map>

#include "engine/model/body.h"
#include "engine/model/value_statistics.h"
#include "engine/model/watch_settings.h"
#include "numerics/float_list.h"

namespace zentrova {

bool TBody::ReshapeAmounts(const TFloatList& values, const TNextVersionSettings& watches,
                           TFloatList& amounts) const {
  if (values.Count() == 0) return false;
  const TBodyBalancedUpdate& balanced = watches.BodyBalancedUpdate;
  const bool shared = std::find(balanced.Bodies.begin(), balanced.Bodies.end(), Name) != balanced.Bodies.end();
  TStatistics st;
  long double a = 0, b = 0;
  if (!shared) {
    Statistics(values, true, watches.ReshapeWindow.CutHiLowValues, st);
    a = Solid.Shape.Reshape.MaxChangeLow;
    b = Solid.Shape.Reshape.MaxChangeHigh;
  } else {
    st = balanced.Statistics;
    a = balanced.MaxChangeLow;
    b = balanced.MaxChangeHigh;
  }
  const long double m = st.Mean;
  const long double s = st.StandardDeviation;
  // The window of values that count: within the standard-deviation range about the mean, within the
  // values seen, and never above 0 (positive work does not move a point).
  long double lo = std::max(m + watches.ReshapeWindow.RangeLow * s, st.Minimum);
  long double hi = std::min(m + watches.ReshapeWindow.RangeHigh * s, st.Maximum);
  if (hi > 0) hi = 0;
  amounts.Dim(values.Count());
  for (std::uint32_t i = 0; i < values.Count(); ++i) {
    const long double c = std::min(std::max(values.At(i), lo), hi);
    long double amount = 0;
    if (b == 0) {
      // Linear from no move at hi to A at lo.
      if (hi != lo) amount = (hi - c) / (hi - lo) * a;
    } else if (c <= m) {
      if (m != lo) amount = (m - c) / (m - lo) * a;
    } else {
      if (hi != m) amount = (c - m) / (hi - m) * b;
    }
    amounts.SetAt(i, amount);
  }
  return true;
}

bool TBody::ReshapeOutline(const TFloatList& values, const TNextVersionSettings& watches, TFloatList& x,
                           TFloatList& y) const {
  TFloatList amounts;
  if (!ReshapeAmounts(values, watches, amounts)) return false;
  const TExtrusionShape& shape = Solid.Shape;
  const std::uint32_t n = shape.Count();
  if (shape.Watched.size() != n || shape.WatchIndex.size() != n) return false;
  // The values belong to the body's watch numbers in ascending order; a watch over several points moves
  // each of them by its one amount.
  std::map<std::int32_t, std::uint32_t> rank;
  for (std::uint32_t i = 0; i < n; ++i) {
    if (shape.Watched[i]) rank.emplace(shape.WatchIndex[i], 0);
  }
  std::uint32_t r = 0;
  for (auto& [number, position] : rank) position = r++;
  TFloatList per_point;
  std::uint32_t watched = 0;
  for (std::uint32_t i = 0; i < n; ++i) {
    if (!shape.Watched[i]) continue;
    ++watched;
    if (i + 1 == n) continue;  // the closing point follows the first
    const std::uint32_t k = rank[shape.WatchIndex[i]];
    per_point.Add(k < amounts.Count() ? amounts.At(k) : 0);
  }
  while (per_point.Count() < watched) per_point.Add(0);
  return shape.Reshape.DirectionInside == 0 ? shape.MoveAlongDirection(per_point, x, y)
                                            : shape.MoveInward(per_point, x, y);
}

bool TBody::WriteReshapedOutline(const std::string& FileName, const TFloatList& values,
                                 const TNextVersionSettings& watches) const {
  TFloatList x, y;
  if (!Solid.Shape.ReadShapeFile(FileName, x, y)) return false;
  ReshapeOutline(values, watches, x, y);
  return TExtrusionShape::WriteShapeFile(FileName, x, y);
}

}  // namespace zentrova
