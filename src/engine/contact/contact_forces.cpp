// The forces of the resting contacts: normal forces and friction as one linear complementarity problem
// over the accelerations of the explicit Euler step that follows, bounding the velocities it ends with.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/contact/collisions.h"
#include "engine/contact/dense_matrix.h"
#include "engine/contact/linear_complementarity.h"
#include "engine/engine_constants.h"
#include "engine/model/body.h"
#include "engine/model/plane_geometry.h"
#include "engine/model/step_state.h"
#include "engine/model/world_settings.h"
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
// and the relative accelerations are W^T M^-1 (h + V z) + bias, W^T = [W_N | W_T,st | -W_T,st]^T. The
// Euler step ends with the relative velocities v + dt a. Over z = [z_N; z_T+; z_T-; z_R+; z_R-] the LCP
// w = A z + q, w >= 0, z >= 0, w^T z = 0 reads
//
//       | W^T M^-1 V          0   0 |        | W^T M^-1 h + [w_N; w_T,st; -w_T,st] + [vN; vT; -vT]/dt |
//   A = |                     I   0 |,  q =  |                                                        |
//       |                     0   I |        |                                                        |
//       | Phi_st  -I   0      0   0 |        | 0                                                      |
//       | Phi_st   0  -I      0   0 |        | 0                                                      |
//
// with Phi_st (s x m) the sticking contacts' mu in the columns of their resting places: w_N = aN + vN/dt
// is the normal velocity at the end of the step over dt (>= 0, complementary to the normal force), so a
// resting contact neither sinks nor keeps a velocity into the other body; w_T+- = +-(aT + vT/dt) + z_R+-
// brings a sticking contact's tangential velocity to 0 at the end of the step unless the cone rows
// w_R+- = mu z_N - z_T+- bound the sticking friction z_T+ - z_T- by mu z_N. Working on accelerations
// alone would keep the velocities a contact rests with: it would sink or turn at a steady rate.
namespace {

bool SameSettings(const TLCPSettings& a, const TLCPSettings& b) {
  return SameBits(&a.PivotToleranceMin, &b.PivotToleranceMin, 1) &&
         SameBits(&a.PivotToleranceMax, &b.PivotToleranceMax, 1) &&
         SameBits(&a.LexicoZeroTolerance, &b.LexicoZeroTolerance, 1) &&
         a.LogUnboundedRay == b.LogUnboundedRay &&
         a.LogMaximumIterations == b.LogMaximumIterations;
}

}  // namespace

bool TCollisions::SolveContactForces() {
  if (!HasRestingContacts || RestingContacts == nullptr || RestingContacts->Count() == 0) return true;

  TStepState& state = world_.State();
  const std::uint32_t n = state.Evaluated.Count();
  if (!LoadInverseMassMatrix()) return false;
  const TFloatList& h = world_.GeneralizedForces();
  if (h.Count() != n) {
    world_.Log().AddLine("[Error] The generalized force vector does not have " + std::to_string(n) +
                         " values: resting contacts cannot be solved.");
    return false;
  }
  const TContactPoints& resting = *RestingContacts;
  std::vector<char>& sticking = work_.sticking;
  sticking.assign(static_cast<std::size_t>(resting.Count()), 0);
  for (std::int32_t r = 0; r < StickingContacts->Count(); ++r) {
    sticking.at(static_cast<std::size_t>(RestingPosition(StickingContacts->Items(r)))) = 1;
  }
  const std::size_t groups = GroupContacts(resting, groups_);
  // Every group is solved before anything is written: a group without a solution leaves the forces
  // of all of them as they were.
  if (force_groups_.size() < groups) force_groups_.resize(groups);
  for (std::size_t g = 0; g < groups; ++g) {
    if (!SolveForceGroup(groups_[g], sticking, force_groups_[g])) return false;
  }
  for (std::size_t g = 0; g < groups; ++g) ApplyForceGroup(groups_[g], sticking, force_groups_[g]);
  return true;
}

bool TCollisions::SolveForceGroup(const TContactGroup& group, const std::vector<char>& sticking,
                                  TForceGroup& f) {
  const TStepState& state = world_.State();
  const TContactPoints& resting = *RestingContacts;
  const TFloatList& h_list = world_.GeneralizedForces();
  const std::vector<std::uint32_t>& coords = group.Coordinates;
  const auto nc = static_cast<std::uint32_t>(coords.size());
  const auto m = static_cast<std::uint32_t>(group.Members.size());
  f.stick.clear();
  for (std::uint32_t c = 0; c < m; ++c) {
    if (sticking[group.Members[c]] != 0) f.stick.push_back(c);
  }
  const auto s = static_cast<std::uint32_t>(f.stick.size());
  if (!MatricesFit(m, std::uint64_t{m} + 4ull * s, nc)) return false;
  const auto contact = [&](std::uint32_t c) -> const TContact& {
    return resting.Items(static_cast<std::int32_t>(group.Members[c]));
  };
  // The Jacobian rows of a contact over the group's coordinates.
  const auto jn = [&](const TContact& t, std::uint32_t a) { return t.Jacobian.Normal.Data()[coords[a]]; };
  const auto jt = [&](const TContact& t, std::uint32_t a) { return t.Jacobian.Tangent.Data()[coords[a]]; };

  // Index ranges: N = 0..m-1, T+ = m..m+s-1, T- = m+s..m+2s-1, R+ and R- after them.
  const std::uint32_t N = 0, TP = m, TM = m + s, RP = m + 2 * s, RM = m + 3 * s;
  const std::uint32_t size = m + 4 * s;

  // Built every step, also when A is then found unchanged: by rows, the indices being in range by
  // construction (v is nc x (m + 2s), W^T (m + 2s) x nc).
  f.v.Reset(nc, m + 2 * s);
  f.wt.Reset(m + 2 * s, nc);
  for (std::uint32_t c = 0; c < m; ++c) {
    const TContact& t = contact(c);
    // A sliding contact's friction, -sign(vT) mu times its normal force, acts along its tangent.
    const bool slides = sticking[group.Members[c]] == 0;
    const long double signed_friction = -Sign(t.Kinematics.Velocity.Tangent.Get()) * t.Friction;
    long double* wt_row = f.wt.Row(N + c);
    for (std::uint32_t a = 0; a < nc; ++a) {
      const long double tangent = jt(t, a);
      f.v.Row(a)[N + c] = jn(t, a) + (slides && tangent != 0 ? tangent * signed_friction : 0.0L);
      wt_row[a] = jn(t, a);
    }
  }
  for (std::uint32_t r = 0; r < s; ++r) {
    const TContact& t = contact(f.stick[r]);
    long double* plus = f.wt.Row(TP + r);
    long double* minus = f.wt.Row(TM + r);
    for (std::uint32_t a = 0; a < nc; ++a) {
      const long double value = jt(t, a);
      long double* v_row = f.v.Row(a);
      v_row[TP + r] = value;
      v_row[TM + r] = -value;
      plus[a] = value;
      minus[a] = -value;
    }
  }

  LocalInverseMassMatrix(coords, f.minv);
  f.mu.resize(s);
  for (std::uint32_t r = 0; r < s; ++r) f.mu[r] = contact(f.stick[r]).Friction;
  // A is a function of v, W^T, M^-1, the sticking places and their frictions alone: built from the
  // same bits, it is the A that f.a holds already, and so are its last solutions.
  const bool same_a = f.a_valid && f.a_stick == f.stick && SameBits(f.a_mu, f.mu) && SameBits(f.a_v, f.v) &&
                      SameBits(f.a_wt, f.wt) && SameBits(f.a_minv, f.minv);
  if (!same_a) {
    Multiply(f.minv, f.v, f.mv);
    Multiply(f.wt, f.mv, f.wmv);
    f.a.Reset(size, size);
    for (std::uint32_t r = 0; r < m + 2 * s; ++r) {
      for (std::uint32_t c = 0; c < m + 2 * s; ++c) f.a(r, c) = f.wmv(r, c);
    }
    for (std::uint32_t r = 0; r < s; ++r) {
      f.a(TP + r, RP + r) = 1;
      f.a(TM + r, RM + r) = 1;
      f.a(RP + r, N + f.stick[r]) = f.mu[r];
      f.a(RM + r, N + f.stick[r]) = f.mu[r];
      f.a(RP + r, TP + r) = -1;
      f.a(RM + r, TM + r) = -1;
    }
    f.a_v = f.v;
    f.a_wt = f.wt;
    f.a_minv = f.minv;
    f.a_mu = f.mu;
    f.a_stick = f.stick;
    f.a_valid = true;
    for (TForceGroup::TSolved& solved : f.solved) solved.valid = false;
  }

  // Besides A's inputs, q reads only these: the group's q' and h, the contacts' bias terms and the time
  // step. With A unchanged, the same bits of them give the same q and so the same solution.
  const long double dt = state.TimeStep;
  f.q_inputs.clear();
  for (std::uint32_t a = 0; a < nc; ++a) f.q_inputs.push_back(state.Evaluated.QDot.Data()[coords[a]]);
  for (std::uint32_t a = 0; a < nc; ++a) f.q_inputs.push_back(h_list.Data()[coords[a]]);
  for (std::uint32_t c = 0; c < m; ++c) f.q_inputs.push_back(contact(c).Bias.Normal.Get());
  for (std::uint32_t r = 0; r < s; ++r) f.q_inputs.push_back(contact(f.stick[r]).Bias.Tangent.Get());
  f.q_inputs.push_back(dt);
  const TLCPSettings settings = world_.LCPSettings();
  for (const TForceGroup::TSolved& solved : f.solved) {
    if (solved.valid && SameSettings(solved.settings, settings) && SameBits(solved.inputs, f.q_inputs)) {
      f.q = solved.q;
      f.w = solved.w;
      f.z = solved.z;
      return true;
    }
  }

  // The relative velocities W^T q' now, after the impact of this step if there was one.
  f.local.resize(nc);
  for (std::uint32_t a = 0; a < nc; ++a) f.local[a] = state.Evaluated.QDot.Data()[coords[a]];
  Multiply(f.wt, f.local, f.velocity);

  for (std::uint32_t a = 0; a < nc; ++a) f.local[a] = h_list.Data()[coords[a]];
  Multiply(f.minv, f.local, f.minv_h);
  Multiply(f.wt, f.minv_h, f.q);
  f.q.resize(size, 0.0L);
  for (std::uint32_t c = 0; c < m; ++c) {
    f.q[N + c] += contact(c).Bias.Normal.Get() + f.velocity[N + c] / dt;
  }
  for (std::uint32_t r = 0; r < s; ++r) {
    const long double bias = contact(f.stick[r]).Bias.Tangent.Get();
    f.q[TP + r] += bias + f.velocity[TP + r] / dt;
    f.q[TM + r] -= bias + f.velocity[TP + r] / dt;
  }
  // How long the group's contacts have stayed the same: a solve from the last basis waits for that.
  f.contact_set.clear();
  for (std::uint32_t c = 0; c < m; ++c) {
    const TContact& t = contact(c);
    f.contact_set.insert(f.contact_set.end(),
                         {t.EdgeBody, t.EdgeIndex, t.VertexBody, t.VertexIndex, sticking[group.Members[c]]});
  }
  f.reuse.Begin(f.contact_set == f.last_contact_set);
  f.last_contact_set.swap(f.contact_set);
  TForceGroup::TSolved& slot = f.solved[f.next_solved];
  slot.inputs = f.q_inputs;
  if (!SolveRestingLCP(settings, f)) {
    f.last_w.clear();
    f.last_z.clear();
    f.guessing = false;
    slot.valid = false;
    return false;
  }
  f.last_w = f.w;
  f.last_z = f.z;
  // Only a solution is kept: a failed solve logs its alerts every time.
  slot.q = f.q;
  slot.w = f.w;
  slot.z = f.z;
  slot.settings = settings;
  slot.valid = true;
  f.next_solved = (f.next_solved + 1) % 2;
  return true;
}

void TBasisReuse::Failed() {
  wait_ = std::min(std::max(kLCPReuseWait, 2 * wait_), kLCPReuseWaitLimit);
  unchanged_ = 0;
}

// The pivoting decides which of the equivalent solutions the contacts take, and its answer is checked.
// In a long degenerate solve (a tall stack at rest) its basis inverse drifts: it may end without a
// solution or with one far off. The group's last solution then gives the basis of this one, solved
// afresh (for bodies at rest, the step before's), and failing that the pivoting's own answer does; an
// answer that only the pivoting's rounding keeps from holding closely is taken next, and the lexicographic
// pivoting last (the pivoting can cycle or stop on a pile's degenerate problem that has a solution). Once
// the pivoting has been off, the last solution's basis is tried first: the bodies rest, and the pivoting
// would be off again. While they still move, that try fails and the pivoting follows it anyway; after a
// failure it waits until the group's contacts have stayed the same for a while.
bool TCollisions::SolveRestingLCP(const TLCPSettings& settings, TForceGroup& f) {
  const TStepState& state = world_.State();
  const long double scale = LCPSlack(f.q, 1);
  const long double slack = kLCPSolutionSlack * scale;
  if (f.guessing && f.reuse.Due() && SameSettings(f.guess_settings, settings)) {
    if (SolveLCPFromGuess(f.a, f.q, f.last_w, f.last_z, f.w, f.z, slack, f.guess_scratch)) {
      f.reuse.Succeeded();
      return true;
    }
    f.reuse.Failed();
  }
  const bool pivoted = SolveLCP(settings, state.Time, f.a, f.q, f.w, f.z);
  f.guessing = !(pivoted && LCPSolutionHolds(f.a, f.q, f.w, f.z, kLCPExactSlack * scale));
  if (!f.guessing) return true;
  f.guess_settings = settings;
  if (pivoted) {
    f.guess_w.swap(f.w);
    f.guess_z.swap(f.z);
  }
  return SolveLCPFallbacks(f.a, f.q, pivoted, f.guess_w, f.guess_z, f.last_w, f.last_z, f.w, f.z,
                           f.guess_scratch) != TLCPFallback::None;
}

void TCollisions::ApplyForceGroup(const TContactGroup& group, const std::vector<char>& sticking,
                                  const TForceGroup& f) {
  TStepState& state = world_.State();
  TContactPoints& resting = *RestingContacts;
  const std::vector<std::uint32_t>& coords = group.Coordinates;
  const auto nc = static_cast<std::uint32_t>(coords.size());
  const auto m = static_cast<std::uint32_t>(group.Members.size());
  const auto s = static_cast<std::uint32_t>(f.stick.size());
  const std::uint32_t N = 0, TP = m, TM = m + s, RP = m + 2 * s;
  const long double dt = state.TimeStep;

  for (std::uint32_t c = 0; c < m; ++c) {
    TContact& t = resting.Items(static_cast<std::int32_t>(group.Members[c]));
    t.Force.Normal.Set(f.z[N + c]);
    if (sticking[group.Members[c]] != 0) continue;
    // Sliding: friction against the sliding, and its work over the step (never positive).
    const long double vt = t.Kinematics.Velocity.Tangent.Get();
    t.Force.Tangent.Set(-Sign(vt) * t.Friction * t.Force.Normal.Get());
    t.Work.Set(t.Force.Tangent.Get() * dt * vt);
  }
  // Sticking: the friction the LCP found, working with the mean tangential velocity over the step,
  // (vT + vT_end) / 2 with vT_end = dt (w_T+ - z_R+).
  for (std::uint32_t r = 0; r < s; ++r) {
    TContact& t = resting.Items(static_cast<std::int32_t>(group.Members[f.stick[r]]));
    t.Force.Tangent.Set(f.z[TP + r] - f.z[TM + r]);
    const long double vt = t.Kinematics.Velocity.Tangent.Get();
    t.Work.Set(t.Force.Tangent.Get() * dt * (vt + dt * (f.w[TP + r] - f.z[RP + r])) / 2);
  }

  // Generalized contact forces V z.
  TFloatList& forces = state.ContactForces;
  if (forces.Count() != state.Evaluated.Count()) forces.Dim(state.Evaluated.Count());
  for (std::uint32_t a = 0; a < nc; ++a) {
    long double sum = 0;
    for (std::uint32_t c = 0; c < m + 2 * s; ++c) sum += f.v(a, c) * f.z[c];
    forces.Data()[coords[a]] += sum;
  }
}

}  // namespace zentrova
