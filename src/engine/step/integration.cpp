#include "engine/step/integration.h"

#include <algorithm>

#include "engine/step/step_control.h"
#include "engine/world/model.h"
#include "engine/world/world.h"

namespace zentrova {

namespace {

// out := M^-1 f, each sum taken in column order from 0 over the non-zero elements of M^-1 (over all of
// them when f is not finite).
void MultiplyInverse(TModel& model, const long double* f, std::uint32_t n, long double* out,
                     std::uint32_t stride) {
  MultiplyRows(model.InverseMassMatrix, model.InverseMassPattern, f, n, out, stride);
}

}  // namespace

void TIntegration::UpdateWatches(bool with_contacts) {
  if (watches_ != nullptr) watches_->UpdateContactWatches(with_contacts);
}

bool TIntegration::Derivatives(TFloatList& D) {
  const TStepState& state = world_.State;
  TModel& model = world_.Model();
  if (!world_.PrepareStep()) return false;
  const std::uint32_t n = world_.Settings.N;
  D.Dim(2 * n);
  const TCoordinateList& working = state.Evaluated;
  long double* d = D.Data();
  for (std::uint32_t i = 0; i < n; ++i) d[2 * std::size_t{i}] = working.QDot.Data()[i];
  // A model whose forces or inverse mass matrix lack rows has no accelerations to offer.
  if (model.HVector.Values.Count() < n || model.InverseMassMatrix.RowCount() < n ||
      model.InverseMassMatrix.ColCount() < n) {
    return false;
  }
  MultiplyInverse(model, model.HVector.Values.Data(), n, d + 1, 2);
  return true;
}

// With the state y = (q, q') and y' = f(t, y) = (q', M^-1 h), from t0 with step dt:
//   K1 = dt f(t0,        y0)
//   K2 = dt f(t0 + dt/2, y0 + K1/2)
//   K3 = dt f(t0 + dt/2, y0 + K2/2)
//   K4 = dt f(t0 + dt,   y0 + K3)
//   y1 = y0 + (K1 + 2 K2 + 2 K3 + K4) / 6
// y0 is the saved state once Update has run; the stages are evaluated at the working state. q'' keeps
// the accelerations at t0, which the recorded state carries.
bool TIntegration::Step() {
  TStepState& state = world_.State;
  const long double t0 = state.Time;
  const long double dt = state.TimeStep;
  const std::uint32_t n = world_.Settings.N;
  const std::uint32_t size = 2 * n;
  TFloatList& D = d_;
  TFloatList &K1 = k_[0], &K2 = k_[1], &K3 = k_[2], &K4 = k_[3];

  if (!Derivatives(D)) return false;
  TCoordinateList& working = state.Evaluated;
  const TCoordinateList& saved = state.Current;
  for (std::uint32_t i = 0; i < n; ++i) working.QDDot.Data()[i] = D.Data()[2 * std::size_t{i} + 1];
  UpdateWatches(false);
  control_.Update(true, true, nullptr, false);

  // The state and the time are those of the first evaluation still, so its derivatives are K1's:
  // evaluating them once more would give the same numbers.
  auto scaled = [&](TFloatList& K) {
    K.Dim(size);
    for (std::uint32_t j = 0; j < size; ++j) K.Data()[j] = D.Data()[j] * dt;
  };
  // Working q, q' := saved q, q' + factor K.
  auto advance = [&](const TFloatList& K, long double factor) {
    for (std::uint32_t i = 0; i < n; ++i) {
      const std::size_t p = 2 * std::size_t{i};
      working.Q.Data()[i] = saved.Q.Data()[i] + K.Data()[p] * factor;
      working.QDot.Data()[i] = saved.QDot.Data()[i] + K.Data()[p + 1] * factor;
    }
  };
  scaled(K1);

  control_.SetTime(t0 + dt / 2);
  advance(K1, 0.5L);
  if (!Derivatives(D)) return false;
  scaled(K2);

  advance(K2, 0.5L);
  if (!Derivatives(D)) return false;
  scaled(K3);

  advance(K3, 1);
  control_.SetTime(t0 + dt);
  if (!Derivatives(D)) return false;
  scaled(K4);

  for (std::uint32_t i = 0; i < n; ++i) {
    const std::size_t p = 2 * std::size_t{i};
    working.Q.Data()[i] =
        saved.Q.Data()[i] + (K1.Data()[p] + 2 * K2.Data()[p] + 2 * K3.Data()[p] + K4.Data()[p]) / 6;
    working.QDot.Data()[i] =
        saved.QDot.Data()[i] +
        (K1.Data()[p + 1] + 2 * K2.Data()[p + 1] + 2 * K3.Data()[p + 1] + K4.Data()[p + 1]) / 6;
  }
  return true;
}

// From the state just saved (its velocities already carry any impulse of the impact solution):
//   q''   = M^-1 (h + F_contact)
//   q_1   = q_0 + dt q'_0
//   q'_1  = q'_0 + dt q''
bool TIntegration::StepAfterContact(const TFloatList* velocity_jump) {
  TStepState& state = world_.State;
  TModel& model = world_.Model();
  const long double t0 = state.Time;
  const long double dt = state.TimeStep;
  const std::uint32_t n = world_.Settings.N;

  world_.PrepareStep();
  TFloatList& F = f_;
  F.Dim(n);
  const TFloatList& contact = state.ContactForces;
  const TFloatList& h = model.HVector.Values;
  for (std::uint32_t i = 0; i < n; ++i) {
    F.Data()[i] = (i < contact.Count() ? contact.Data()[i] : 0) + (i < h.Count() ? h.Data()[i] : 0);
  }
  TCoordinateList& working = state.Evaluated;
  if (model.InverseMassMatrix.RowCount() >= n && model.InverseMassMatrix.ColCount() >= n) {
    MultiplyInverse(model, F.Data(), n, working.QDDot.Data(), 1);
  }
  UpdateWatches(true);
  control_.Update(true, true, velocity_jump, true);

  const TCoordinateList& saved = state.Current;
  for (std::uint32_t i = 0; i < n; ++i) {
    working.Q.Data()[i] = saved.Q.Data()[i] + saved.QDot.Data()[i] * dt;
    working.QDot.Data()[i] = saved.QDot.Data()[i] + saved.QDDot.Data()[i] * dt;
  }
  control_.SetTime(t0 + dt);
  return true;
}

}  // namespace zentrova
