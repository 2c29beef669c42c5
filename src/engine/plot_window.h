// The plot window of the contact watches: a load re-plots the body it shows, and a body's plot command
// fills it. The program implements it; without windows a world has none.
#pragma once

#include <cstdint>

namespace zentrova {

class TFloatList;
class TIntList;

class IPlotWindow {
 public:
  virtual ~IPlotWindow() = default;
  virtual bool Visible() const = 0;
  // The index of the body whose watches the window shows (it may be left from an earlier model).
  virtual std::int32_t BodyIndex() const = 0;
  // Shows the window with the per-point values of one body's watched outline points (the four lists of
  // one count) and their totals. `impulses`: the values are impulses (else forces).
  virtual void ShowWatches(const TIntList& indexes, const TFloatList& normal, const TFloatList& tangential,
                           const TFloatList& work, long double total_work, long double total_normal,
                           long double total_tangential, long double power, long double normal_force,
                           long double tangential_force, bool impulses) = 0;
};

}  // namespace zentrova
