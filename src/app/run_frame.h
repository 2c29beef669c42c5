// What the main window shows of one state of a run: the time, the energy and the place in the history.
#pragma once

#include <cstdint>

namespace zentrova {

class TWorld;

struct TRunFrame {
  long double Time = 0;              // s
  long double MechanicalEnergy = 0;  // J
  std::uint32_t StoredStates = 0;
  std::uint32_t CurrentState = 0;
};

// The frame of the world's working state.
TRunFrame MakeRunFrame(const TWorld& world);

}  // namespace zentrova
