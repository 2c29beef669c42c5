// The impact of the approaching contacts: a planar impact with friction as two linear complementarity
// problems, compression and then expansion with restitution.
#include <cmath>
#include <string>
#include <vector>

#include "engine/contact/collisions.h"
#include "engine/contact/dense_matrix.h"
#include "engine/engine_constants.h"
#include "engine/contact/linear_complementarity.h"
#include "engine/record/log.h"
#include "engine/model/plane_geometry.h"
#include "engine/model/world_settings.h"
#include "engine/step/step_state.h"
#include "numerics/matrix.h"

namespace zentrova {

bool TCollisions::InverseMassMatrix(TDenseMatrix& minv) {
  const std::uint32_t n = world_.State().Evaluated.Count();
  const TSqrMatrix& m = world_.InverseMassMatrix();
  if (m.RowCount() != n || m.ColCount() != n) {
    LogLine("[Error] The inverse mass matrix is not " + std::to_string(n) + " x " + std::to_string(n) +
            ": contacts cannot be solved.");
    return false;
  }
  minv = TDenseMatrix::From(m);
  return true;
}

// Symbols: k contacts, n generalized coordinates; per contact i its relative normal and tangential
// velocity vN_i, vT_i, friction mu_i, restitutions eN_i, eT_i and parameter Ni_i; W_N, W_T the n x k
// Jacobians (vN = W_N^T q', vT = W_T^T q'); M^-1 the inverse mass matrix.
//
// With W = [W_N | W_T | -W_T] (n x 3k) and G = W^T M^-1 W, the impulses Lambda = [LN; LT+; LT-] of the
// compression solve the LCP w = A z + q, w >= 0, z >= 0, w^T z = 0 over z = [LN; LT+; LT-; lR+; lR-]:
//
//       | G_NN   G_NT   G_N-   0  0 |        | vN  |   w_N  = vN' normal velocity after the impulse
//       | G_TN   G_TT   G_T-   1  0 |        | vT  |   w_T+ = vT' + lR+, w_T- = -vT' + lR-
//   A = | G_-N   G_-T   G_--   0  1 |,  q =  | -vT |
//       | mu    -1      0      0  0 |        | 0   |   w_R+ = mu LN - LT+ >= 0: the friction cone,
//       | mu     0     -1      0  0 |        | 0   |   w_R- = mu LN - LT- >= 0
//
// so vN' >= 0 with LN >= 0 complementary, and the tangential impulse LT+ - LT- is bounded by mu LN and
// opposes vT' while the contact slides. The expansion solves the same LCP from the velocities after
// compression with the restitution impulses P = eN Lambda_C already applied, its friction bounds
// reduced by Ni against the direction of the compression's tangential impulse and the tangential
// restitution (1 - eT) in the cone rows.
bool TCollisions::SolveImpacts() {
  TStepState& state = world_.State();
  const std::uint32_t n = state.Evaluated.Count();
  // A roll-back subtracts what CoordinateValues holds from q': it holds nothing until an impulse is
  // applied below.
  ImpulseApplied = false;
  SetCoordinateCount(n);
  if (!HasImpacts || Contacts == nullptr || Contacts->Count() == 0) return true;

  const auto k = static_cast<std::uint32_t>(Contacts->Count());
  TDenseMatrix minv;
  if (!InverseMassMatrix(minv)) return false;

  std::vector<long double> vn(k), vt(k), mu(k), en(k), et(k), ni(k);
  bool approaching = false;
  for (std::uint32_t i = 0; i < k; ++i) {
    const TContact& contact = Contacts->Items(static_cast<std::int32_t>(i));
    vn[i] = contact.Kinematics.Velocity.Normal.Get();
    vt[i] = contact.Kinematics.Velocity.Tangent.Get();
    mu[i] = contact.Friction;
    en[i] = contact.RestitutionNormal;
    et[i] = contact.RestitutionTangent;
    ni[i] = contact.ParameterNi;
    if (vn[i] < -kImpactNegligible) approaching = true;
  }

  // Index ranges of the LCP: N, T+, T-, R+, R-, each k long.
  const std::uint32_t N = 0, TP = k, TM = 2 * k, RP = 3 * k, RM = 4 * k;

  const TMatrix& wn = Contacts->JacobianMatrices.Normal;
  const TMatrix& wt = Contacts->JacobianMatrices.Tangent;
  TDenseMatrix w_all(n, 3 * k);
  for (std::uint32_t j = 0; j < n; ++j) {
    for (std::uint32_t i = 0; i < k; ++i) {
      w_all(j, N + i) = wn.RowData(j)[i];
      w_all(j, TP + i) = wt.RowData(j)[i];
      w_all(j, TM + i) = -wt.RowData(j)[i];
    }
  }
  const TDenseMatrix g = w_all.Transposed().Times(minv.Times(w_all));

  TDenseMatrix a(5 * k, 5 * k);
  for (std::uint32_t r = 0; r < 3 * k; ++r) {
    for (std::uint32_t c = 0; c < 3 * k; ++c) a(r, c) = g(r, c);
  }
  for (std::uint32_t i = 0; i < k; ++i) {
    a(TP + i, RP + i) = 1;
    a(TM + i, RM + i) = 1;
    a(RP + i, N + i) = mu[i];
    a(RP + i, TP + i) = -1;
    a(RM + i, N + i) = mu[i];
    a(RM + i, TM + i) = -1;
  }

  // Compression: q = [vN; vT; -vT; 0; 0].
  std::vector<long double> q(5 * k, 0.0L), wc, zc;
  for (std::uint32_t i = 0; i < k; ++i) {
    q[N + i] = vn[i];
    q[TP + i] = vt[i];
    q[TM + i] = -vt[i];
  }
  if (!SolveLCP(world_.LCPSettings(), state.Time, a, q, wc, zc)) return !approaching;

  // Velocities after compression vN' = wC_N, vT' = wC_T+ - zC_R+; the work of each contact is its
  // impulse times the mean of the velocities before and after.
  std::vector<long double> vn_c(k), vt_c(k), work_c(k);
  long double total_work = 0;
  for (std::uint32_t i = 0; i < k; ++i) {
    const bool pushes = zc[N + i] >= kImpactNegligible;
    const long double pn = pushes ? zc[N + i] : 0.0L;
    const long double pt = pushes ? zc[TP + i] - zc[TM + i] : 0.0L;
    vn_c[i] = wc[N + i];
    vt_c[i] = wc[TP + i] - zc[RP + i];
    work_c[i] = pn * (vn[i] + vn_c[i]) / 2 + pt * (vt[i] + vt_c[i]) / 2;
    total_work += std::fabs(work_c[i]);
  }
  if (total_work <= kImpactNegligible) {
    // Nothing worth an impulse: the contacts approach too slowly. They are sorted again with the wider
    // tolerance, as resting ones, and the velocities stay.
    Classify(true);
    return true;
  }

  // Expansion. sigma_i = sign(LC_T+ - LC_T-): the friction bound in the direction of the compression's
  // tangential impulse keeps mu_i, the opposite one becomes (1 - Ni_i) mu_i.
  for (std::uint32_t i = 0; i < k; ++i) {
    const long double sigma = Sign(zc[TP + i] - zc[TM + i]);
    a(RP + i, N + i) = (1 - (0.5L - sigma / 2) * ni[i]) * mu[i];
    a(RM + i, N + i) = (1 - (0.5L + sigma / 2) * ni[i]) * mu[i];
  }
  // Restitution impulses P = eN LambdaC (3k).
  std::vector<long double> p(3 * k, 0.0L);
  for (std::uint32_t i = 0; i < k; ++i) {
    p[N + i] = en[i] * zc[N + i];
    p[TP + i] = en[i] * zc[TP + i];
    p[TM + i] = en[i] * zc[TM + i];
  }
  // F (2k x 3k): the cone rows of A over N, T+, T-, with the tangential restitution 1 - eT_i coupling
  // each cone row to the opposite tangential impulse.
  TDenseMatrix f(2 * k, 3 * k);
  for (std::uint32_t r = 0; r < 2 * k; ++r) {
    for (std::uint32_t c = 0; c < 3 * k; ++c) f(r, c) = a(RP + r, c);
  }
  for (std::uint32_t i = 0; i < k; ++i) {
    f(i, TM + i) = 1 - et[i];
    f(k + i, TP + i) = 1 - et[i];
  }
  // q_E = [G P + wC_N; G P + wC_T+ - zC_R+; G P + wC_T- - zC_R-; F P].
  const std::vector<long double> gp = g.Times(p);
  const std::vector<long double> fp = f.Times(p);
  std::vector<long double> qe(5 * k, 0.0L), we, ze;
  for (std::uint32_t i = 0; i < k; ++i) {
    qe[N + i] = gp[N + i] + wc[N + i];
    qe[TP + i] = gp[TP + i] + wc[TP + i] - zc[RP + i];
    qe[TM + i] = gp[TM + i] + wc[TM + i] - zc[RM + i];
    qe[RP + i] = fp[i];
    qe[RM + i] = fp[k + i];
  }
  if (!SolveLCP(world_.LCPSettings(), state.Time, a, qe, we, ze)) return false;

  // Lambda_E = zE + P, Lambda = Lambda_E + Lambda_C; expansion work from the velocities after compression
  // to those after expansion, vN'' = wE_N, vT'' = wE_T+ - zE_R+.
  std::vector<long double> lambda(3 * k, 0.0L);
  std::vector<long double> work_e(k);
  for (std::uint32_t r = 0; r < 3 * k; ++r) lambda[r] = ze[r] + p[r] + zc[r];
  for (std::uint32_t i = 0; i < k; ++i) {
    const long double en_i = ze[N + i] + p[N + i];
    const long double et_i = (ze[TP + i] + p[TP + i]) - (ze[TM + i] + p[TM + i]);
    const long double vn_e = we[N + i];
    const long double vt_e = we[TP + i] - ze[RP + i];
    work_e[i] = en_i * (vn_c[i] + vn_e) / 2 + et_i * (vt_c[i] + vt_e) / 2;
  }

  // Generalized impulse J = W Lambda; velocity jump dq' = M^-1 J, added to the working q'.
  const std::vector<long double> jump = minv.Times(w_all.Times(lambda));
  TFloatList& q_dot = state.Evaluated.QDot;
  for (std::uint32_t j = 0; j < n; ++j) {
    CoordinateValues.Data()[j] = jump[j];
    if (j < q_dot.Count()) q_dot.Data()[j] += jump[j];
  }
  ImpulseApplied = true;

  for (std::uint32_t i = 0; i < k; ++i) {
    TContact& contact = Contacts->Items(static_cast<std::int32_t>(i));
    contact.Impulse.Normal.Set(lambda[N + i]);
    contact.Impulse.Tangent.Set(lambda[TP + i] - lambda[TM + i]);
    contact.Work.Set(std::fabs(work_c[i]) >= kImpactNegligible ? work_c[i] + work_e[i] : 0.0L);
  }
  return true;
}

}  // namespace zentrova
