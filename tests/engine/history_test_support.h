// Fixtures of the history and watch tests: a world that the history can be attached to without a model,
// recorded states, and bodies with an outline and nothing else.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/model/body.h"
#include "engine/record/contact_watches.h"
#include "engine/record/history.h"
#include "engine/world/model.h"
#include "engine/world/world.h"

namespace zentrova::test {

class FakeHistoryWorld : public IHistoryWorld {
 public:
  std::string HistoryBaseDirectory() const override { return base; }
  std::string KeptHistoryBaseDirectory() const override { return base; }
  void MarkNewHistoryDirectory() override { ++marked; }
  std::uint32_t GeneralizedCoordinateCount() const override {
    return static_cast<std::uint32_t>(names.size());
  }
  std::vector<std::string> GeneralizedCoordinateNames() const override { return names; }
  std::uint32_t StoredStates() const override { return stored; }
  void SetStoredStates(std::uint32_t count) override { stored = count; }
  void SetCurrentState(std::uint32_t index) override { current = index; }
  void RestoreHistoryPoint() override { restored.push_back(current); }
  TContactWatches* ContactWatches() override { return watches; }

  std::string base;
  int marked = 0;
  std::vector<std::string> names{"b`A`x", "b`A`Rz"};
  std::uint32_t stored = 0;
  std::uint32_t current = 0;
  std::vector<std::uint32_t> restored;  // the current index at every restoration
  TContactWatches* watches = nullptr;
};

// A recorded state of q, q', q'' triples.
inline std::unique_ptr<TGeneralizedCoordinatesHistory> State(long double time, long double energy,
                                                             const std::vector<std::vector<long double>>& q) {
  auto state = std::make_unique<TGeneralizedCoordinatesHistory>(static_cast<std::uint32_t>(q.size()));
  state->Time = time;
  state->MechanicalEnergy = energy;
  for (std::size_t i = 0; i < q.size(); ++i) {
    state->Coordinates.Q.Data()[i] = q[i].at(0);
    state->Coordinates.QDot.Data()[i] = q[i].at(1);
    state->Coordinates.QDDot.Data()[i] = q[i].at(2);
  }
  return state;
}

// A body that has a name and an outline and nothing else: what the watches read of it.
inline std::unique_ptr<TBody> OutlineBody(const TWorld& world, const std::string& name,
                                          const std::string& outline_file) {
  auto body = std::make_unique<TBody>(world.Settings);
  body->Name = name;
  EXPECT_TRUE(body->Solid.Shape.Load(outline_file)) << outline_file;
  return body;
}

}  // namespace zentrova::test
