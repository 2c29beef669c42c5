#include "engine/step/driver.h"

#include <exception>

#include "engine/contact/contact_points.h"
#include "engine/engine_constants.h"
#include "engine/world/model.h"
#include "numerics/numerics_error.h"
#include "platform/number_text.h"

namespace zentrova {

TVYKMain::TVYKMain(IMessageSink* messages) {
  ClearNumericsError();
  log_ = std::make_unique<TLog>();
  world_ = std::make_unique<TWorld>(*log_, messages);
  step_control_ = std::make_unique<TStepControl>(*world_, *log_);
  // Every line of the log also goes to the history log of the world's history directory.
  world_->Model().History.ConnectLog(*log_);
  integration_ = std::make_unique<TIntegration>(*world_, *step_control_, this);
  collisions_ = std::make_unique<TCollisions>(*this);
}

TVYKMain::~TVYKMain() {
  WriteRunTimes();
  THistory& history = world_->Model().History;
  // The history saves its log as it closes: it must not mirror into the log meanwhile.
  history.DisconnectLog();
  // A directory this load made goes again when it recorded nothing, and whatever it holds when the load
  // failed (a model copy, a start history's last records: no run of its own). It goes while this run
  // still holds it, so that no other run can have begun to record into it.
  THistoryRemoval removal = THistoryRemoval::Keep;
  if (world_->NewHistoryDirectory) removal = loaded_ ? THistoryRemoval::IfEmpty : THistoryRemoval::Always;
  history.Close(removal);
  log_.reset();
  // The collision handler and the integration hold references to the world: they go first.
  collisions_.reset();
  integration_.reset();
  step_control_.reset();
  world_.reset();
}

bool TVYKMain::LoadWorld(const std::string& path, std::string& history_name,
                         const std::string& start_history_name) {
  world_->CollisionFlags = {collisions_->BreakAtCollisions, collisions_->ShowCollisions,
                            collisions_->ShowOverPenetratingPoints};
  const bool loaded = world_->Load(path, history_name, start_history_name);
  loaded_ = loaded;
  step_control_->AfterLoad();
  // The coordinates the model has: a count in the world file that no coordinates file bears out sizes
  // nothing.
  collisions_->SetCoordinateCount(world_->Model().GeneralizedCoordinates.Count);
  return loaded;
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
      if (world_->State.Time > failure_time_ + world_->Settings.MaximumTimestep) going_back_attempts_ = 0;
      return true;
    }
    // No smaller step needs fewer contacts: the run ends here.
    if (collisions_->TooManyContacts) {
      step_control_->RestoreSavedState(true);
      StopRun();
      return false;
    }
    // The next step computes with the smaller step.
    if (RetryWithSmallerStep()) return true;
    ++attempts;
    going_back_attempts_ = attempts;
    failure_time_ = world_->State.Time;
    if (!world_->TryToSolveByGoingBack() || attempts > kMaxGoingBackAttempts || NumericsErrorCode() != 0) {
      going_back_attempts_ = 0;
      StopRun();
      return false;
    }
    // Going back leaves the current state below the last recorded one: the next pass replays.
    GoBackInHistory(attempts + 1);
  }
}

bool TVYKMain::ReplayNextState() {
  TStepState& st = world_->State;
  if (static_cast<std::uint64_t>(st.CurrentState) + 1 >= st.StoredStateCount) return false;
  ++st.CurrentState;
  return ShowHistoryPoint();
}

bool TVYKMain::ShowHistoryPoint() {
  TWorld& w = *world_;
  const TStepState& st = w.State;
  if (st.CurrentState >= st.StoredStateCount) return false;
  // Restoring the last recorded state resumes computing from it with the largest step.
  const bool last = static_cast<std::uint64_t>(st.CurrentState) + 1 == st.StoredStateCount;
  step_control_->RestoreHistoryPoint(last, last);
  w.Model().DependentCoordinates.Evaluate();
  return true;
}

bool TVYKMain::ComputeStep() {
  if (!collisions_->Detect() || collisions_->TooDeep) return false;
  const bool ok = collisions_->ContactsPrepared() ? ContactStep() : PlainStep();
  if (!ok) return false;
  step_control_->TimeStepManager.AfterGoodStep();
  return true;
}

bool TVYKMain::PlainStep() {
  return integration_->Step();
}

bool TVYKMain::ContactStep() {
  TCollisions& c = *collisions_;
  if (c.ShowCollisions) c.ShowContacts();
  if (c.BreakAtCollisions) StopRun();
  world_->State.ContactForces.Zero();
  bool solved = false;
  const TFloatList* jump = nullptr;
  if (c.HasImpacts) {
    if (!c.SolveImpacts()) return false;
    solved = true;
    // A negligible impact applies no jump; its state must not take one off again at a roll-back.
    if (c.ImpulseApplied) jump = &c.CoordinateValues;
  }
  if (c.HasRestingContacts) {
    if (!c.SolveContactForces()) return false;
    solved = true;
  }
  return solved ? integration_->StepAfterContact(jump) : PlainStep();
}

bool TVYKMain::RetryWithSmallerStep() {
  TContactWatches& watches = world_->Model().Watches;
  watches.BeginStep(watches.StepData);
  step_control_->RestoreSavedState(true);
  return step_control_->TimeStepManager.ReduceTimeStep();
}

bool TVYKMain::GoBackInHistory(std::uint32_t count) {
  TStepState& st = world_->State;
  if (static_cast<std::uint64_t>(st.StoredStateCount) < static_cast<std::uint64_t>(count) + 1 ||
      st.CurrentState < count) {
    return false;
  }
  st.CurrentState -= count;
  ShowHistoryPoint();
  ++st.CurrentState;
  ShowHistoryPoint();
  return true;
}

bool TVYKMain::UpdateContactWatches(bool with_contacts) {
  TModel& m = world_->Model();
  const TStepState& st = world_->State;
  TContactWatches& watches = m.Watches;
  watches.EndStep(st.Time);
  watches.BeginStep(watches.StepData);
  if (!with_contacts || !collisions_->Contacts) return true;
  const TContactPoints& contacts = *collisions_->Contacts;
  const std::int32_t bodies = m.Bodies.Count();
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
    const TBody& vertex = m.Bodies.Items(contact.VertexBody);
    if (watch_of(vertex, contact.VertexIndex, watch)) {
      watches.AddContactImpulse(watches.StepData, watched, static_cast<std::uint32_t>(watch), true, 1,
                                st.TimeStep);
    }
    // The edge's two end points share the contact by its place along the edge.
    const TBody& edge = m.Bodies.Items(contact.EdgeBody);
    const long double s = contact.EdgeParameter;
    if (watch_of(edge, contact.EdgeIndex, watch)) {
      watches.AddContactImpulse(watches.StepData, watched, static_cast<std::uint32_t>(watch), false, 1 - s,
                                st.TimeStep);
    }
    if (watch_of(edge, static_cast<std::int64_t>(contact.EdgeIndex) + 1, watch)) {
      watches.AddContactImpulse(watches.StepData, watched, static_cast<std::uint32_t>(watch), false, s,
                                st.TimeStep);
    }
  }
  return true;
}

bool TVYKMain::EndAtSavedState() {
  TStepState& st = world_->State;
  world_->WriteHistoryPointIfDue(true);
  if (st.StoredStateCount == 0) return false;
  // Back to the saved state first: showing the last record then saves the working state, which must not
  // be one beyond it.
  step_control_->RestoreSavedState(true);
  st.CurrentState = st.StoredStateCount - 1;
  return ShowHistoryPoint();
}

bool TVYKMain::ReturnToLastRecord() {
  TStepState& st = world_->State;
  if (st.StoredStateCount == 0) return false;
  st.CurrentState = st.StoredStateCount - 1;
  // A record is written one step after its state was computed: the saved state may be beyond the last
  // record already. The record goes into the working state first, so that showing it as the last one
  // saves the record itself.
  step_control_->RestoreHistoryPoint(false, false);
  // What the contact watches gathered since the last record belongs to states that are dropped: they
  // start again from its watches line, as when the history is read back, with no step pending.
  TContactWatches& watches = world_->Model().Watches;
  watches.BeginStep(watches.StepData);
  world_->Model().History.ReadWatches();
  return ShowHistoryPoint();
}

void TVYKMain::WriteRunTimes() {
  THistory& history = world_->Model().History;
  const TGeneralizedCoordinatesHistoryList& points = history.Points;
  if (world_->State.StoredStateCount == 0 || points.Count() == 0) return;
  history.SetLogLine(FloatToText(points.Items(0).Time), 2);
  history.SetLogLine(FloatToText(points.Last()->Time), 3);
}

TBodyList& TVYKMain::Bodies() {
  return world_->Model().Bodies;
}

TContactProperties* TVYKMain::ContactProperties() {
  return &world_->Model().ContactProperties;
}

const TSqrMatrix& TVYKMain::InverseMassMatrix() {
  return world_->Model().InverseMassMatrix;
}

const TNonZeroPattern* TVYKMain::InverseMassPattern() {
  return &world_->Model().InverseMassPattern.Get();
}

const TFloatList& TVYKMain::GeneralizedForces() {
  return world_->Model().HVector.Values;
}

long double TVYKMain::MaxStepDisplacement() {
  long double displacement = 0;
  world_->MaxStepDisplacement(displacement);
  return displacement;
}

void TVYKMain::StopRun() {
  if (run_control_ != nullptr && run_control_->SimulationRunning()) run_control_->StopSimulation();
}

}  // namespace zentrova
