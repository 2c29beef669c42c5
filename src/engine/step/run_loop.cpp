#include "engine/step/run_loop.h"

#include <cmath>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "engine/model/model.h"
#include "engine/step/driver.h"
#include "numerics/numerics_error.h"
#include "platform/number_text.h"

namespace zentrova {

namespace {

IRunObserver g_no_observer;

}  // namespace

TRunLoop::TRunLoop(TVYKMain& main, IRunObserver* observer)
    : main_(main),
      observer_(observer != nullptr ? observer : &g_no_observer),
      log_forward_(observer_) {}

std::string TRunLoop::NotFiniteLine(const TWorld& world) {
  const TStepState& state = world.State;
  const std::string at = " at t=" + FloatToText(state.Time) + "s.";
  if (!std::isfinite(state.Time)) return "[Error] The time turned " + FloatToText(state.Time) + ".";
  const std::vector<std::string>& names = world.Model().GeneralizedCoordinates.Names;
  const TCoordinateList& s = state.Evaluated;
  for (std::uint32_t i = 0; i < s.Count(); ++i) {
    const std::string name = i < names.size() ? names[i] : "q" + std::to_string(i + 1);
    for (const auto& [list, marks] :
         {std::pair{&s.Q, ""}, std::pair{&s.QDot, "'"}, std::pair{&s.QDDot, "''"}}) {
      const long double value = list->Data()[i];
      if (!std::isfinite(value)) return "[Error] " + name + marks + " turned " + FloatToText(value) + at;
    }
  }
  if (!std::isfinite(state.MechanicalEnergy)) {
    return "[Error] The mechanical energy turned " + FloatToText(state.MechanicalEnergy) + at;
  }
  return {};
}

void TRunLoop::StopWithLine(const std::string& line) {
  StopSimulation();
  TStepState& state = main_.World().State;
  if (state.StoredStateCount > 0) --state.StoredStateCount;
  LogLine(line);
  StopReason = line;
}

TRunStop TRunLoop::Run(long double until) {
  TWorld& w = main_.World();
  const TStepState& state = w.State;
  running_ = true;
  StopReason.clear();
  main_.SetRunControl(this);
  TLog* log = GlobalLog();
  if (log != nullptr) {
    log->SetRunControl(this);
    log->SetRunSink(&log_forward_);
  }
  w.Model().History.OpenFiles();
  TRunStop stop = TRunStop::Stopped;
  try {
    while (running_) {
      const std::uint32_t recorded = state.StoredStateCount;
      const bool stepped = main_.Step();
      ++Steps;
      if (state.StoredStateCount > recorded) observer_->StateRecorded(state.StoredStateCount - 1);
      if (stepped) {
        observer_->StepAccepted(w);
      } else {
        stop = TRunStop::StepFailed;
      }
      // Each check that holds takes its actions, also when another one already held in this pass.
      if (state.Time > w.Model().BreakTime) {
        StopWithLine("[Alert] Break time of " + FloatToText(w.Model().BreakTime) + "s reached.");
        if (stepped) stop = TRunStop::BreakTime;
      }
      if (NumericsErrorCode() != 0) {
        StopWithLine("[Error] Abort because error in data stucture (e.g. singularity in mass matrix).");
        stop = TRunStop::NumericsError;
      }
      // A model that divides by zero or takes the root of a negative number would otherwise record
      // NaN to its break time and report success.
      if (const std::string line = NotFiniteLine(w); !line.empty()) {
        StopSimulation();
        LogLine(line);
        StopReason = line;
        stop = TRunStop::NotFinite;
      }
      // Within half a step: the sum of the steps need not hit the time exactly.
      if (running_ && state.Time + state.TimeStep / 2 > until) {
        StopSimulation();
        stop = TRunStop::Until;
      }
    }
  } catch (const std::exception& e) {
    running_ = false;
    StopReason = std::string("[Error] ") + e.what();
    LogLine(StopReason);
    stop = TRunStop::Exception;
  } catch (...) {
    running_ = false;
    StopReason = "[Error] A step failed with an unknown exception.";
    LogLine(StopReason);
    stop = TRunStop::Exception;
  }
  running_ = false;
  w.Model().History.CloseFiles();
  if (log != nullptr) {
    log->SetRunSink(nullptr);
    log->SetRunControl(nullptr);
  }
  main_.SetRunControl(nullptr);
  observer_->RunStopped(stop, StopReason);
  return stop;
}

}  // namespace zentrova
