#include "engine/step/run_loop.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "engine/step/driver.h"
#include "engine/world/model.h"
#include "numerics/numerics_error.h"
#include "platform/clock.h"
#include "platform/number_text.h"

namespace zentrova {

namespace {

IRunObserver g_no_observer;

}  // namespace

TRunLoop::TRunLoop(TVYKMain& main, IRunObserver* observer)
    : main_(main),
      observer_(observer != nullptr ? observer : &g_no_observer),
      log_forward_(observer_) {}

std::string TRunLoop::NotFiniteLine(const TWorld& world, bool dependent_too) {
  const TStepState& state = world.State;
  if (!std::isfinite(state.Time)) return "[Error] The time turned " + FloatToText(state.Time) + ".";
  // Runs after every step: the texts are made only for a value that is not finite.
  const auto at = [&state] { return " at t=" + FloatToText(state.Time) + "s."; };
  const std::vector<std::string>& names = world.Model().GeneralizedCoordinates.Names;
  const TCoordinateList& s = state.Evaluated;
  for (std::uint32_t i = 0; i < s.Count(); ++i) {
    for (const auto& [list, marks] :
         {std::pair{&s.Q, ""}, std::pair{&s.QDot, "'"}, std::pair{&s.QDDot, "''"}}) {
      const long double value = list->Data()[i];
      if (!std::isfinite(value)) {
        const std::string name = i < names.size() ? names[i] : "q" + std::to_string(i + 1);
        return "[Error] " + name + marks + " turned " + FloatToText(value) + at();
      }
    }
  }
  // A dependent coordinate is no state of its own, but a body placed at infinity is no result either. It
  // is looked at when a state is recorded: often enough to end the run, not on every step.
  const TDependentCoordinates& dependent = world.Model().DependentCoordinates;
  const TFloatList& values = dependent.Definitions.Values;
  for (std::uint32_t k = 0; dependent_too && k < values.Count(); ++k) {
    const long double value = values.Data()[k];
    if (!std::isfinite(value)) {
      const std::size_t name = k / 3;
      return "[Error] " + (name < dependent.Names.size() ? dependent.Names[name] : "q") +
             std::string(k % 3 == 0 ? "" : k % 3 == 1 ? "'" : "''") + " turned " + FloatToText(value) + at();
    }
  }
  if (!std::isfinite(state.MechanicalEnergy)) {
    return "[Error] The mechanical energy turned " + FloatToText(state.MechanicalEnergy) + at();
  }
  return {};
}

std::string TRunLoop::PastBreakTimeLine(const TWorld& world, long double until) {
  const TModel& model = world.Model();
  const std::uint32_t count = std::min(world.State.StoredStateCount, model.History.Points.Count());
  if (count == 0) return {};
  const long double last = model.History.Points.Items(count - 1).Time;
  if (!(last > model.BreakTime) || !(until > model.BreakTime)) return {};
  return "[Alert] History " + model.History.ShortName + " already ends at " + FloatToText(last) +
         "s, past the break time of " + FloatToText(model.BreakTime) + "s: nothing was run.";
}

void TRunLoop::StopWithLine(const std::string& line, bool& count_lowered) {
  StopSimulation();
  TStepState& state = main_.World().State;
  if (!count_lowered && state.StoredStateCount > 0) --state.StoredStateCount;
  count_lowered = true;
  main_.Log().Add(line);
  StopReason = line;
}

std::string TRunLoop::TakeWriteFailure() {
  THistory& history = main_.World().Model().History;
  if (!history.ReportWriteFailure()) return {};
  StopSimulation();
  StopReason = history.WriteFailure();
  return StopReason;
}

bool RunFailed(TRunStop stop) {
  switch (stop) {
    case TRunStop::StepFailed:
    case TRunStop::NumericsError:
    case TRunStop::NotFinite:
    case TRunStop::Exception:
    case TRunStop::WriteFailed:
      return true;
    case TRunStop::BreakTime:
    case TRunStop::Until:
    case TRunStop::Stopped:
    case TRunStop::TimeLimit:
    case TRunStop::PastBreakTime:
      return false;
  }
  return false;
}

std::int64_t IRunObserver::NowMilliseconds() { return MonotonicMilliseconds(); }

TRunStop TRunLoop::Run(long double until) {
  TWorld& w = main_.World();
  const TStepState& state = w.State;
  running_ = true;
  // While the loop steps, the GUI thread shows the run's frames rather than the live coordinates.
  w.Stepping = true;
  StopReason.clear();
  main_.SetRunControl(this);
  // The driver's log: the one its world writes to.
  TLog& log = main_.Log();
  log.SetRunControl(this);
  log.SetRunSink(&log_forward_);
  const std::int64_t start_ms = observer_->NowMilliseconds();
  std::int64_t last_redraw_ms = start_ms;
  std::int32_t frame_delay_ms = kAviFrameDelayMs;
  TRunStop stop = TRunStop::Stopped;
  try {
    // A history that cannot even be opened records nothing: the run does not begin.
    if (!w.Model().History.OpenFiles() && !TakeWriteFailure().empty()) stop = TRunStop::WriteFailed;
    // Replaying such a history up to its break time would only move the state shown, and report a time
    // the history does not end at as the run's end. A film of its states is made by that replay.
    if (std::string line = running_ && !main_.AviRecording ? PastBreakTimeLine(w, until) : ""; !line.empty()) {
      StopSimulation();
      main_.Log().Add(line);
      StopReason = line;
      stop = TRunStop::PastBreakTime;
    }
    while (running_) {
      if (!observer_->KeepRunning()) {
        StopSimulation();
        break;
      }
      // The view at the rate asked for: strictly more whole milliseconds than one frame's share.
      const std::int32_t fps = observer_->FramesPerSecond();
      if (fps > 0) {
        const std::int64_t now_ms = observer_->NowMilliseconds();
        if (static_cast<double>(now_ms - last_redraw_ms) > 1000.0 / fps) {
          observer_->Redraw(w);
          last_redraw_ms = now_ms;
        }
      }
      // The recording's window of states; its last state ends the run once this pass has stepped.
      if (main_.AviRecording) {
        const std::uint32_t k = state.CurrentState;
        if (main_.AviFrameStep != 0 && k % main_.AviFrameStep == 0 && main_.AviFirstState <= k &&
            k <= main_.AviLastState) {
          observer_->WriteAviFrame(w, frame_delay_ms);
        }
        if (k >= main_.AviLastState) StopSimulation();
      }

      const std::uint32_t recorded = state.StoredStateCount;
      const bool stepped = main_.Step();
      ++Steps;
      if (state.StoredStateCount > recorded) observer_->StateRecorded(state.StoredStateCount - 1);
      if (stepped) {
        observer_->StepAccepted(w);
      } else {
        stop = TRunStop::StepFailed;
      }
      // Each check that holds logs its line, also when another one already held in this pass; the
      // state that passed the limit is not kept, once per pass.
      bool count_lowered = false;
      if (state.Time > w.Model().BreakTime) {
        StopWithLine("[Alert] Break time of " + FloatToText(w.Model().BreakTime) + "s reached.", count_lowered);
        if (stepped) stop = TRunStop::BreakTime;
      }
      if (NumericsErrorCode() != 0) {
        StopWithLine(
            "[Error] Abort because error in data stucture (e.g. singularity in mass matrix)." + w.NumericsErrorSource(),
            count_lowered);
        stop = TRunStop::NumericsError;
      }
      // Signed: a long pause of the job control moves the limit later, never past it.
      const std::int64_t elapsed_ms =
          observer_->NowMilliseconds() - (start_ms + std::int64_t{observer_->PausedSeconds()} * 1000);
      if (elapsed_ms / 1000 > MaxSeconds) {
        StopWithLine("[Alert] On " + DateTimeToText(Now()) +
                         " the maximum allowed time for one thread was reached.",
                     count_lowered);
        stop = TRunStop::TimeLimit;
      }
      // A model that divides by zero or takes the root of a negative number would otherwise record
      // NaN to its break time and report success.
      if (std::string line = NotFiniteLine(w, state.StoredStateCount > recorded); !line.empty()) {
        line += w.NotFiniteSource();
        StopSimulation();
        main_.Log().Add(line);
        StopReason = line;
        stop = TRunStop::NotFinite;
      }
      // One flag read per pass: the history notes a failed write where it happens.
      if (!TakeWriteFailure().empty()) {
        stop = TRunStop::WriteFailed;
        // The working state may be one the files do not hold: a run that goes on from it would leave a
        // gap before its first record.
        main_.ReturnToLastRecord();
      }
      bool computed = false;
      if (running_ && UntilReached(until, computed)) {
        StopSimulation();
        stop = TRunStop::Until;
        // A replayed state is recorded already, and the run ends in it as it stands.
        const std::uint32_t recorded_before = state.StoredStateCount;
        if (computed) main_.EndAtSavedState();
        if (state.StoredStateCount > recorded_before) observer_->StateRecorded(state.StoredStateCount - 1);
      }
    }
  } catch (const std::exception& e) {
    running_ = false;
    StopReason = std::string("[Error] ") + e.what();
    main_.Log().Add(StopReason);
    stop = TRunStop::Exception;
  } catch (...) {
    running_ = false;
    StopReason = "[Error] A step failed with an unknown exception.";
    main_.Log().Add(StopReason);
    stop = TRunStop::Exception;
  }
  FinalActions();
  // The run's times go into log.txt as it ends, not only when the driver is freed: a log that cannot take
  // them fails the run while its host can still count it as failed.
  if (!RunFailed(stop)) main_.WriteRunTimes();
  // Closing the files, or the times, may be what reports a failed write.
  if (stop != TRunStop::WriteFailed && !TakeWriteFailure().empty()) stop = TRunStop::WriteFailed;
  observer_->RunStopped(stop, StopReason);
  return stop;
}

bool TRunLoop::UntilReached(long double until, bool& computed) const {
  const TWorld& w = main_.World();
  const TStepState& state = w.State;
  const TGeneralizedCoordinatesHistoryList& points = w.Model().History.Points;
  // Within half a step: the sum of the steps need not hit the time exactly.
  const long double half = state.TimeStep / 2;
  if (state.CurrentState < points.Count() && points.Items(state.CurrentState).Time == state.Time) {
    return state.Time + half > until;
  }
  computed = true;
  return state.Time > state.SavedTime && state.SavedTime + half > until;
}

void TRunLoop::FinalActions() {
  TWorld& w = main_.World();
  running_ = false;
  // Each action runs even when one before it raised: the files must close and the host must hear of the
  // end whatever happened.
  w.Stepping = false;
  auto guarded = [&log = main_.Log()](const auto& action) {
    try {
      action();
    } catch (const std::exception& e) {
      log.Add(std::string("[Error] ") + e.what());
    } catch (...) {
      log.Add("[Error] The end of the run failed with an unknown exception.");
    }
  };
  if (main_.AviRecording) guarded([this] { observer_->CloseAviFile(); });
  main_.AviRecording = false;
  guarded([this, &w] { observer_->AfterRun(w); });
  guarded([&w] { w.Model().History.CloseFiles(); });
  main_.Log().SetRunSink(nullptr);
  main_.Log().SetRunControl(nullptr);
  main_.SetRunControl(nullptr);
}

}  // namespace zentrova
