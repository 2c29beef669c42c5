#include "engine/driver.h"

#include <exception>

#include "engine/contact_points.h"
#include "engine/engine_constants.h"
#include "numerics/numerics_error.h"
#include "platform/number_text.h"

namespace zentrova {

TVYKMain::TVYKMain() {
  ClearNumericsError();
  log_ = std::make_unique<TLog>();
  SetGlobalLog(log_.get());
  world_ = std::make_unique<TWorld>();
  // Every line of the log also goes to the history log of the world's history directory.
  world_->History.ConnectLog(*log_);
  integration_ = std::make_unique<TIntegration>(*world_, this);
  collisions_ = std::make_unique<TCollisions>(*this);
  world_->Collisions = collisions_.get();
}

TVYKMain::~TVYKMain() {
  const std::string created = world_->NewHistoryDirectory ? world_->History.Directory : std::string();
  WriteRunTimes();
  // Nobody may reach the log through the global reference once it is gone; the history of the world
  // sees that the log is no longer the global one and leaves it alone.
  if (GlobalLog() == log_.get()) SetGlobalLog(nullptr);
  log_.reset();
  // The collision handler and the integration hold references to the world: they go first.
  collisions_.reset();
  integration_.reset();
  world_.reset();
  if (!created.empty()) THistory::DeleteDirectory(created, true);
}

bool TVYKMain::LoadWorld(const std::string& path, std::string& history_name,
                         const std::string& start_history_name) {
  const bool loaded = world_->Load(path, history_name, start_history_name);
  collisions_->SetCoordinateCount(world_->N);
  return loaded;
}

void TVYKMain::SwitchRunControl() {
  if (run_control_ != nullptr && run_control_->SimulationRunning()) run_control_->StopSimulation();
}

bool TVYKMain::Step() {
  // The failed attempts count on across the replayed steps that follow a going back, until a computed
  // step gets a whole maximum step past the time of the failure: a failure that recurs there (or ever
  // closer to it) goes back further each time and ends the run after the last attempt, instead of
  // replaying and failing for ever.
  std::uint32_t attempts = going_back_attempts_;
  for (;;) {
    world_->PrepareStep();
    if (ReplayNextState()) return true;
    if (ComputeStep()) {
      if (world_->Time > failure_time_ + world_->MaximumTimestep) going_back_attempts_ = 0;
      return true;
    }
    // The next step computes with the smaller step.
    if (RetryWithSmallerStep()) return true;
    ++attempts;
    going_back_attempts_ = attempts;
    failure_time_ = world_->Time;
    if (!world_->TryToSolveByGoingBack || attempts > kMaxGoingBackAttempts || NumericsErrorCode() != 0) {
      going_back_attempts_ = 0;
      SwitchRunControl();
      return false;
    }
    // Going back leaves the current state below the last recorded one: the next pass replays.
    GoBackInHistory(attempts + 1);
  }
}

bool TVYKMain::ReplayNextState() {
  TWorld& w = *world_;
  if (static_cast<std::uint64_t>(w.CurrentState) + 1 >= w.StoredStateCount) return false;
  ++w.CurrentState;
  return ShowHistoryPoint();
}

bool TVYKMain::ShowHistoryPoint() {
  TWorld& w = *world_;
  if (w.CurrentState >= w.StoredStateCount) return false;
  // Restoring the last recorded state resumes computing from it with the largest step.
  const bool last = static_cast<std::uint64_t>(w.CurrentState) + 1 == w.StoredStateCount;
  w.RestoreHistoryPoint(last, last);
  w.DependentCoordinates.Evaluate();
  return true;
}

bool TVYKMain::ComputeStep() {
  if (!collisions_->Detect() || collisions_->TooDeep) return false;
  const bool ok = collisions_->ContactsPrepared() ? ContactStep() : PlainStep();
  if (!ok) return false;
  world_->TimeStepManager.AfterGoodStep();
  return true;
}

bool TVYKMain::PlainStep() {
  return integration_->Step();
}

bool TVYKMain::ContactStep() {
  TCollisions& c = *collisions_;
  if (c.ShowCollisions) c.ShowContacts();
  if (c.BreakAtCollisions) StopRun();
  world_->ContactGeneralizedForces.Zero();
  bool solved = false;
  bool impact = false;
  if (c.HasImpacts) {
    if (!c.SolveImpacts()) return false;
    solved = true;
    // A negligible impact applies no jump; its state must not take one off again at a roll-back.
    impact = c.ImpulseApplied;
  }
  if (c.HasRestingContacts) {
    if (!c.SolveContactForces()) return false;
    solved = true;
  }
  return solved ? integration_->StepAfterContact(impact) : PlainStep();
}

bool TVYKMain::RetryWithSmallerStep() {
  TContactWatches& watches = world_->Watches;
  watches.BeginStep(watches.StepData);
  world_->RestoreSavedState(true);
  return world_->TimeStepManager.ReduceTimeStep();
}

bool TVYKMain::GoBackInHistory(std::uint32_t count) {
  TWorld& w = *world_;
  if (static_cast<std::uint64_t>(w.StoredStateCount) < static_cast<std::uint64_t>(count) + 1 ||
      w.CurrentState < count) {
    return false;
  }
  w.CurrentState -= count;
  ShowHistoryPoint();
  ++w.CurrentState;
  ShowHistoryPoint();
  return true;
}

bool TVYKMain::UpdateContactWatches(bool with_contacts) {
  TWorld& w = *world_;
  TContactWatches& watches = w.Watches;
  watches.EndStep(w.Time);
  watches.BeginStep(watches.StepData);
  if (!with_contacts || !collisions_->Contacts) return true;
  const TContactPoints& contacts = *collisions_->Contacts;
  const std::int32_t bodies = w.Bodies.Count();
  for (std::int32_t i = 0; i < contacts.Count(); ++i) {
    const TContact& contact = contacts.Items(i);
    if (contact.VertexBody < 0 || contact.VertexBody >= bodies || contact.EdgeBody < 0 ||
        contact.EdgeBody >= bodies) {
      continue;
    }
    const TWatchedContact watched = contact.Watched();
    // Point p of a body's outline, if it is watched: its watch.
    auto watch_of = [](const TBody& body, std::int64_t p, std::int32_t& watch) {
      const TExtrusionShape& shape = body.Solid.Shape;
      if (p < 0 || p >= static_cast<std::int64_t>(shape.Watched.size()) ||
          p >= static_cast<std::int64_t>(shape.WatchIndex.size()) || !shape.Watched[p]) {
        return false;
      }
      watch = shape.WatchIndex[p];
      return watch >= 0;
    };
    std::int32_t watch = 0;
    const TBody& vertex = w.Bodies.Items(contact.VertexBody);
    if (watch_of(vertex, contact.VertexIndex, watch)) {
      watches.AddContactImpulse(watches.StepData, watched, static_cast<std::uint32_t>(watch), true, 1,
                                w.TimeStep);
    }
    // The edge's two end points share the contact by its place along the edge.
    const TBody& edge = w.Bodies.Items(contact.EdgeBody);
    const long double s = contact.EdgeParameter;
    if (watch_of(edge, contact.EdgeIndex, watch)) {
      watches.AddContactImpulse(watches.StepData, watched, static_cast<std::uint32_t>(watch), false, 1 - s,
                                w.TimeStep);
    }
    if (watch_of(edge, static_cast<std::int64_t>(contact.EdgeIndex) + 1, watch)) {
      watches.AddContactImpulse(watches.StepData, watched, static_cast<std::uint32_t>(watch), false, s,
                                w.TimeStep);
    }
  }
  return true;
}

void TVYKMain::WriteRunTimes() {
  TWorld& w = *world_;
  const TGeneralizedCoordinatesHistoryList& points = w.History.Points;
  if (w.StoredStateCount == 0 || points.Count() == 0) return;
  w.History.SetLogLine(FloatToText(points.Items(0).Time), 2);
  w.History.SetLogLine(FloatToText(points.Items(points.Count() - 1).Time), 3);
}

TContactProperties* TVYKMain::ContactProperties() {
  return &world_->ContactProperties;
}

long double TVYKMain::MaxStepDisplacement() {
  long double displacement = 0;
  world_->MaxStepDisplacement(displacement);
  return displacement;
}

void TVYKMain::StopRun() {
  if (running_ != nullptr) *running_ = false;
}

// --- Headless run --------------------------------------------------------------------------------------

void THeadlessRun::StopWithLine(const std::string& line) {
  StopSimulation();
  TWorld& w = main_.World();
  if (w.StoredStateCount > 0) --w.StoredStateCount;
  LogLine(line);
}

TRunStop THeadlessRun::Run(long double until) {
  TWorld& w = main_.World();
  running_ = true;
  main_.SetRunControl(this);
  main_.SetRunningFlag(&running_);
  TLog* log = GlobalLog();
  if (log != nullptr) log->SetRunControl(this);
  w.History.OpenFiles();
  TRunStop stop = TRunStop::Stopped;
  try {
    while (running_) {
      const bool stepped = main_.Step();
      ++Steps;
      if (!stepped) stop = TRunStop::StepFailed;
      // Each check that holds takes its actions, also when another one already held in this pass.
      if (w.Time > w.BreakTime) {
        StopWithLine("[Alert] Break time of " + FloatToText(w.BreakTime) + "s reached.");
        if (stepped) stop = TRunStop::BreakTime;
      }
      if (NumericsErrorCode() != 0) {
        StopWithLine("[Error] Abort because error in data stucture (e.g. singularity in mass matrix).");
        stop = TRunStop::NumericsError;
      }
      // Within half a step: the sum of the steps need not hit the time exactly.
      if (running_ && w.Time + w.TimeStep / 2 > until) {
        StopSimulation();
        stop = TRunStop::Until;
      }
    }
  } catch (const std::exception& e) {
    // As on the simulation thread: an exception ends the run without a log line.
    ExceptionMessage = e.what();
    stop = TRunStop::Exception;
  }
  running_ = false;
  w.History.CloseFiles();
  if (log != nullptr) log->SetRunControl(nullptr);
  main_.SetRunControl(nullptr);
  main_.SetRunningFlag(nullptr);
  return stop;
}

}  // namespace zentrova
