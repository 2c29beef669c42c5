#include "engine/world/world.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/model/model_text.h"
#include "engine/record/log.h"
#include "engine/world/model.h"
#include "platform/number_text.h"
#include "platform/paths.h"

namespace zentrova {

// The step-state transitions of the world: evaluating the model at the working state, accepting a step,
// rolling back, recording and restoring history points.

bool TWorld::PrepareStep() {
  TModel& m = *model_;
  m.DependentCoordinates.Evaluate();
  m.Bodies.UpdateLinks();
  if (!InvertMassMatrix()) return false;
  m.HVector.EvaluateAll(true);
  m.Energy.EvaluateAll(true);
  if (m.Energy.Count() > 0) State.MechanicalEnergy = m.Energy.Value(0);
  return true;
}

bool TWorld::InvertMassMatrix() {
  TModel& m = *model_;
  if (!m.MassMatrixVaries) return true;
  m.MassMatrix.Evaluate();
  if (!InvertEvaluatedMassMatrix()) {
    log_.AddLine(WithPlace(kMassMatrixInversionError, Settings.MassMatrixFileName));
    return false;
  }
  return true;
}

bool TWorld::InvertEvaluatedMassMatrix() {
  TModel& m = *model_;
  m.InverseMassMatrix.Assign(&m.MassMatrix);
  const bool inverted = m.InverseMassMatrix.LUDInverse();
  m.MassMatrixSingular = !inverted;
  // Whatever the inversion left: the products that skip its zeros read its pattern.
  m.InverseMassPattern.Changed(m.InverseMassMatrix);
  return inverted;
}

namespace {

bool Finite(const TFloatList& list) {
  return std::all_of(list.Data(), list.Data() + list.Count(), [](long double v) { return std::isfinite(v); });
}

bool Finite(const TCoordinateList& s) {
  return Finite(s.Q) && Finite(s.QDot) && Finite(s.QDDot);
}

void CopyCoordinates(const TCoordinateList& from, TCoordinateList& to, std::uint32_t n) {
  std::copy_n(from.Q.Data(), n, to.Q.Data());
  std::copy_n(from.QDot.Data(), n, to.QDot.Data());
  std::copy_n(from.QDDot.Data(), n, to.QDDot.Data());
}

}  // namespace

bool TWorld::Update(bool save_time, bool write_history, const TFloatList* velocity_jump, bool at_collision) {
  TStepState& st = State;
  if (write_history) WriteHistoryPointIfDue();
  const std::uint32_t n = std::min({st.Current.Count(), st.Evaluated.Count(), Settings.N});
  CopyCoordinates(st.Evaluated, st.Current, n);
  st.AtCollision = at_collision;
  st.ImpulseApplied = velocity_jump != nullptr;
  if (velocity_jump != nullptr) {
    const std::uint32_t m = std::min({n, st.VelocityJump.Count(), velocity_jump->Count()});
    st.VelocityJump.Zero();
    std::copy_n(velocity_jump->Data(), m, st.VelocityJump.Data());
  }
  st.SavedMechanicalEnergy = st.MechanicalEnergy;
  if (save_time) st.SavedTime = st.Time;
  return true;
}

bool TWorld::RestoreSavedState() {
  TStepState& st = State;
  if (st.Time == 0) return true;
  const std::uint32_t n = std::min({st.Current.Count(), st.Evaluated.Count(), Settings.N});
  CopyCoordinates(st.Current, st.Evaluated, n);
  // The saved velocities carry the jump of the impact accepted with them; the retry solves it anew.
  if (st.ImpulseApplied) {
    const std::uint32_t m = std::min(n, st.VelocityJump.Count());
    for (std::uint32_t i = 0; i < m; ++i) st.Evaluated.QDot.Data()[i] -= st.VelocityJump.Data()[i];
  }
  st.AtCollision = false;
  st.ImpulseApplied = false;
  st.MechanicalEnergy = st.SavedMechanicalEnergy;
  return true;
}

bool TWorld::WriteHistoryPointIfDue(bool whatever_the_interval) {
  const TStepState& st = State;
  const TWorldSettings& s = Settings;
  THistory& history = model_->History;
  const long double half = s.MinimumTimestep / 2;
  if (st.SavedTime < 0) return false;
  const std::uint32_t points = history.Points.Count();
  const long double last = points > 0 ? history.Points.Items(points - 1).Time : 0;
  // The control tree may switch the saving mode while a run records.
  bool each_time_step = false, at_collision = false;
  {
    std::lock_guard<std::mutex> lock(settings_mutex_);
    each_time_step = s.WriteEachTimeStep;
    at_collision = s.WriteAtCollision;
  }
  if (whatever_the_interval) {
    each_time_step = true;
    at_collision = false;
  }
  if (st.StoredStateCount > 0 && points > 0 && !each_time_step && !at_collision &&
      st.SavedTime < last + static_cast<long double>(s.RecordingInterval) * s.MaximumTimestep - half) {
    return true;
  }
  if (points > 0) {
    if (at_collision && !st.AtCollision) return false;
    if (!(st.SavedTime > last)) return false;
  }
  auto point = std::make_unique<TGeneralizedCoordinatesHistory>(s.N);
  CopyCoordinates(st.Current, point->Coordinates, std::min(s.N, st.Current.Count()));
  point->Time = st.SavedTime;
  point->MechanicalEnergy = st.SavedMechanicalEnergy;
  // A record that could not be written is not kept: the count stays, and the run loop ends the run.
  history.WriteStep(std::move(point));
  State.StoredStateCount = history.Points.Count();
  if (State.StoredStateCount > 0) State.CurrentState = State.StoredStateCount - 1;
  return true;
}

bool TWorld::RestoreRecordedState(long double& time) {
  const THistory& history = model_->History;
  if (State.CurrentState >= history.Points.Count()) return false;
  const TGeneralizedCoordinatesHistory& point = history.Points.Items(State.CurrentState);
  const std::uint32_t n = std::min({Settings.N, point.Coordinates.Count(), State.Evaluated.Count()});
  CopyCoordinates(point.Coordinates, State.Evaluated, n);
  time = point.Time;
  State.MechanicalEnergy = point.MechanicalEnergy;
  return true;
}

bool TWorld::MaxStepDisplacement(long double& displacement) const {
  displacement = 0;
  const TBodyList& bodies = model_->Bodies;
  for (std::int32_t b = 0; b < bodies.Count(); ++b) {
    const TBody& body = bodies.Items(b);
    if (!body.HasShape) continue;
    const TCoordinates& v = body.Kinematics.Velocity;
    const long double rotational = std::fabs(body.Radius * v.Rz.Get() * State.TimeStep);
    const long double translational = std::hypot(v.X.Get(), v.Y.Get()) * State.TimeStep;
    const long double candidate = (std::fabs(translational) + rotational) * body.MaximumDisplacementFactor;
    displacement = std::max(displacement, candidate);
  }
  return true;
}

std::string TWorld::NotFiniteSource() {
  TModel& m = *model_;
  TStepState& st = State;
  const std::uint32_t n = st.Evaluated.Count();
  // The last state that was still finite: the expressions are asked there, where every variable they
  // read is a number, so the one that gives no number is the cause and not a follower.
  const TGeneralizedCoordinatesHistory* finite = nullptr;
  for (std::uint32_t k = m.History.Points.Count(); k-- > 0 && finite == nullptr;) {
    const TGeneralizedCoordinatesHistory& p = m.History.Points.Items(k);
    if (std::isfinite(p.Time) && p.Coordinates.Count() == n && Finite(p.Coordinates)) finite = &p;
  }
  if (finite == nullptr && !(std::isfinite(st.Time) && Finite(st.Evaluated))) return {};
  TCoordinateList saved;
  saved.SetCount(n);
  CopyCoordinates(st.Evaluated, saved, n);
  const long double saved_time = st.Time;
  if (finite != nullptr) {
    CopyCoordinates(finite->Coordinates, st.Evaluated, n);
    st.Time = finite->Time;
  }
  std::string found;
  std::vector<const TExpressionList*> lists{&m.DependentCoordinates.Definitions};
  for (std::int32_t i = 0; i < m.MassMatrix.Rows.Count(); ++i) lists.push_back(&m.MassMatrix.Rows.Items(i));
  lists.push_back(&m.HVector);
  lists.push_back(&m.Energy);
  for (const TExpressionList* list : lists) {
    std::string place;
    long double value = 0;
    if (!list->FirstNotFinite(place, value) || place.empty()) continue;
    found = " " + place + " gives " + FloatToText(value) + " at t=" + FloatToText(st.Time) + "s.";
    break;
  }
  CopyCoordinates(saved, st.Evaluated, n);
  st.Time = saved_time;
  return found;
}

std::string TWorld::NumericsErrorSource() {
  if (!model_->MassMatrixSingular) return NotFiniteSource();
  // A matrix that does not vary was inverted once, at the load.
  return " The mass matrix of file " + ExtractFileName(Settings.MassMatrixFileName) + " could not be inverted" +
         (model_->MassMatrixVaries ? " at t=" + FloatToText(State.Time) + "s." : ".");
}

}  // namespace zentrova
