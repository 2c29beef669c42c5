// The forces of the resting contacts at the acceleration level: normal forces and friction as one linear
// complementarity problem.
#include <cmath>
#include <string>
#include <vector>

#include "engine/contact/collisions.h"
#include "engine/contact/dense_matrix.h"
#include "engine/contact/linear_complementarity.h"
#include "engine/record/log.h"
#include "engine/model/plane_geometry.h"
#include "engine/model/world_settings.h"
#include "engine/step/step_state.h"
#include "numerics/matrix.h"

namespace zentrova {

// Symbols: m resting contacts, s of them sticking and m - s sliding; n generalized coordinates; W_N
// (n x m) the normal Jacobians of the resting contacts, W_T,st (n x s) and W_T,sl (n x (m - s)) the
// tangent Jacobians of the sticking and the sliding ones; w_N, w_T,st their bias terms; h the generalized
// forces, M^-1 the inverse mass matrix, dt the time step.
//
// A sliding contact's friction acts along its tangent against its sliding, -sign(vT) mu times its normal
// force; Phi_sl ((m - s) x m) holds -sign(vT) mu of each sliding contact in the column of its resting
// place, so the normal forces z_N act through
//   V = [W_N + W_T,sl Phi_sl | W_T,st | -W_T,st]        (n x (m + 2s))
// and the relative accelerations are W^T M^-1 (h + V z) + bias, W^T = [W_N | W_T,st | -W_T,st]^T. Over
// z = [z_N; z_T+; z_T-; z_R+; z_R-] the LCP w = A z + q, w >= 0, z >= 0, w^T z = 0 reads
//
//       | W^T M^-1 V          0   0 |        | W^T M^-1 h + [w_N; w_T,st; -w_T,st] |
//   A = |                     I   0 |,  q =  |                                     |
//       |                     0   I |        |                                     |
//       | Phi_st  -I   0      0   0 |        | 0                                   |
//       | Phi_st   0  -I      0   0 |        | 0                                   |
//
// with Phi_st (s x m) the sticking contacts' mu in the columns of their resting places: w_N is the
// normal acceleration (>= 0, complementary to the normal force), w_T+- = +-aT + z_R+-, and the cone rows
// w_R+- = mu z_N - z_T+- keep the sticking friction z_T+ - z_T- within mu z_N.
bool TCollisions::SolveContactForces() {
  if (!HasRestingContacts || RestingContacts == nullptr || RestingContacts->Count() == 0) return true;

  TStepState& state = world_.State();
  const std::uint32_t n = state.Evaluated.Count();
  const auto m = static_cast<std::uint32_t>(RestingContacts->Count());
  const auto s = static_cast<std::uint32_t>(StickingContacts->Count());
  const auto sl = static_cast<std::uint32_t>(SlidingContacts->Count());
  TDenseMatrix minv;
  if (!InverseMassMatrix(minv)) return false;
  const TFloatList& h_list = world_.GeneralizedForces();
  if (h_list.Count() != n) {
    LogLine("[Error] The generalized force vector does not have " + std::to_string(n) +
            " values: resting contacts cannot be solved.");
    return false;
  }
  std::vector<long double> h(n);
  for (std::uint32_t j = 0; j < n; ++j) h[j] = h_list.Data()[j];

  // Index ranges: N = 0..m-1, T+ = m..m+s-1, T- = m+s..m+2s-1, R+ and R- after them.
  const std::uint32_t N = 0, TP = m, TM = m + s, RP = m + 2 * s, RM = m + 3 * s;
  const std::uint32_t size = m + 4 * s;

  const TDenseMatrix w_n = TDenseMatrix::From(RestingContacts->JacobianMatrices.Normal);
  TDenseMatrix v(n, m + 2 * s);
  for (std::uint32_t j = 0; j < n; ++j) {
    for (std::uint32_t c = 0; c < m; ++c) v(j, N + c) = w_n(j, c);
  }
  if (sl > 0) {
    const TDenseMatrix sliding = TDenseMatrix::From(SlidingContacts->JacobianMatrices.Tangent)
                                     .Times(TDenseMatrix::From(SlidingContacts->SignedFrictionMatrix));
    for (std::uint32_t j = 0; j < n; ++j) {
      for (std::uint32_t c = 0; c < m; ++c) v(j, N + c) += sliding(j, c);
    }
  }
  TDenseMatrix wt(m + 2 * s, n);
  for (std::uint32_t j = 0; j < n; ++j) {
    for (std::uint32_t c = 0; c < m; ++c) wt(N + c, j) = w_n(j, c);
  }
  if (s > 0) {
    const TMatrix& w_st = StickingContacts->JacobianMatrices.Tangent;
    for (std::uint32_t j = 0; j < n; ++j) {
      for (std::uint32_t r = 0; r < s; ++r) {
        const long double value = w_st.RowData(j)[r];
        v(j, TP + r) = value;
        v(j, TM + r) = -value;
        wt(TP + r, j) = value;
        wt(TM + r, j) = -value;
      }
    }
  }

  const TDenseMatrix wmv = wt.Times(minv.Times(v));
  TDenseMatrix a(size, size);
  for (std::uint32_t r = 0; r < m + 2 * s; ++r) {
    for (std::uint32_t c = 0; c < m + 2 * s; ++c) a(r, c) = wmv(r, c);
  }
  for (std::uint32_t r = 0; r < s; ++r) {
    a(TP + r, RP + r) = 1;
    a(TM + r, RM + r) = 1;
    const long double* friction = StickingContacts->FrictionMatrix.RowData(r);
    for (std::uint32_t c = 0; c < m; ++c) {
      a(RP + r, N + c) = friction[c];
      a(RM + r, N + c) = friction[c];
    }
    a(RP + r, TP + r) = -1;
    a(RM + r, TM + r) = -1;
  }

  std::vector<long double> q = wt.Times(minv.Times(h));
  q.resize(size, 0.0L);
  for (std::uint32_t c = 0; c < m; ++c) q[N + c] += RestingContacts->BiasLists.Normal.Data()[c];
  for (std::uint32_t r = 0; r < s; ++r) {
    const long double bias = StickingContacts->BiasLists.Tangent.Data()[r];
    q[TP + r] += bias;
    q[TM + r] -= bias;
  }

  std::vector<long double> w, z;
  if (!SolveLCP(world_.LCPSettings(), state.Time, a, q, w, z)) return false;

  for (std::uint32_t i = 0; i < m; ++i) {
    RestingContacts->Items(static_cast<std::int32_t>(i)).Force.Normal.Set(z[N + i]);
  }
  for (std::uint32_t r = 0; r < s; ++r) {
    StickingContacts->Items(static_cast<std::int32_t>(r)).Force.Tangent.Set(z[TP + r] - z[TM + r]);
  }
  for (std::uint32_t r = 0; r < sl; ++r) {
    TContact& contact = SlidingContacts->Items(static_cast<std::int32_t>(r));
    const long double vt = contact.Kinematics.Velocity.Tangent.Get();
    contact.Force.Tangent.Set(-Sign(vt) * contact.Friction * contact.Force.Normal.Get());
  }

  // Generalized contact forces V z.
  TFloatList& forces = state.ContactForces;
  if (forces.Count() != n) forces.Dim(n);
  for (std::uint32_t j = 0; j < n; ++j) {
    long double sum = 0;
    for (std::uint32_t c = 0; c < m + 2 * s; ++c) sum += v(j, c) * z[c];
    forces.Data()[j] += sum;
  }

  // Work over the step: a sliding contact's friction against its sliding velocity (never positive); a
  // sticking contact's with the tangential velocity it reaches halfway through the step,
  // vT + dt/2 (w_T+ - z_R+).
  const long double dt = state.TimeStep;
  for (std::uint32_t r = 0; r < sl; ++r) {
    TContact& contact = SlidingContacts->Items(static_cast<std::int32_t>(r));
    contact.Work.Set(contact.Force.Tangent.Get() * dt * contact.Kinematics.Velocity.Tangent.Get());
  }
  for (std::uint32_t r = 0; r < s; ++r) {
    TContact& contact = StickingContacts->Items(static_cast<std::int32_t>(r));
    const long double vt = contact.Kinematics.Velocity.Tangent.Get();
    contact.Work.Set(contact.Force.Tangent.Get() * dt * (vt + 0.5L * dt * (w[TP + r] - z[RP + r])));
  }
  return true;
}

}  // namespace zentrova
