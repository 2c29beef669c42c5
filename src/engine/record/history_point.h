// One recorded state of a run (a history point) and the owning list of them, oldest first.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/model/coordinates.h"

namespace zentrova {

class TGeneralizedCoordinatesHistory {
 public:
  // A state of n generalized coordinates, every value 0.
  explicit TGeneralizedCoordinatesHistory(std::uint32_t n) { Coordinates.SetCount(n); }
  TGeneralizedCoordinatesHistory(const TGeneralizedCoordinatesHistory&) = delete;
  TGeneralizedCoordinatesHistory& operator=(const TGeneralizedCoordinatesHistory&) = delete;

  long double Time = 0;              // s
  long double MechanicalEnergy = 0;  // J
  TCoordinateList Coordinates;       // q, q', q''
};

class TGeneralizedCoordinatesHistoryList {
 public:
  std::uint32_t Count() const { return static_cast<std::uint32_t>(items_.size()); }
  TGeneralizedCoordinatesHistory& Items(std::uint32_t index) { return *items_.at(index); }
  const TGeneralizedCoordinatesHistory& Items(std::uint32_t index) const { return *items_.at(index); }
  // The newest state; nullptr without any.
  const TGeneralizedCoordinatesHistory* Last() const {
    return items_.empty() ? nullptr : items_.back().get();
  }
  void Add(std::unique_ptr<TGeneralizedCoordinatesHistory> point) { items_.push_back(std::move(point)); }
  void Clear() { items_.clear(); }
  // Drops the newest state: one whose record could not be written.
  void DeleteLast() {
    if (!items_.empty()) items_.pop_back();
  }

 private:
  std::vector<std::unique_ptr<TGeneralizedCoordinatesHistory>> items_;
};

}  // namespace zentrova
