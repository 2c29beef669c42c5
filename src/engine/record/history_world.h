// What the history of a run needs of the world that owns it; the world implements it, tests fake it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zentrova {

class TContactWatches;

class IHistoryWorld {
 public:
  virtual ~IHistoryWorld() = default;
  // The folder that holds the numbered directories now: the world's working directory, which still
  // names the user's folder while a load chooses its history directory.
  virtual std::string HistoryBaseDirectory() const = 0;
  // The same folder kept after the world moved its working directory into the history directory.
  virtual std::string KeptHistoryBaseDirectory() const = 0;
  // This load created its history directory (the driver removes it again when no state was recorded).
  virtual void MarkNewHistoryDirectory() = 0;
  // n, and the generalized coordinates' names in file order.
  virtual std::uint32_t GeneralizedCoordinateCount() const = 0;
  virtual std::vector<std::string> GeneralizedCoordinateNames() const = 0;
  virtual std::uint32_t StoredStates() const = 0;
  virtual void SetStoredStates(std::uint32_t count) = 0;
  virtual void SetCurrentState(std::uint32_t index) = 0;
  // Moves the recorded state at the current state index into the world's working state.
  virtual void RestoreHistoryPoint() = 0;
  // The contact watches whose values watches.txt records; nullptr for none.
  virtual TContactWatches* ContactWatches() = 0;
};

}  // namespace zentrova
