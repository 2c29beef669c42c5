// The impact of the approaching contacts: a planar impact with friction as two linear complementarity
// problems, compression and then expansion with restitution.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/contact/collisions.h"
#include "engine/contact/dense_matrix.h"
#include "engine/contact/linear_complementarity.h"
#include "engine/engine_constants.h"
#include "engine/model/plane_geometry.h"
#include "engine/model/step_state.h"
#include "engine/model/world_settings.h"
#include "numerics/matrix.h"

namespace zentrova {

namespace {

// An impact's LCP: the pivoting, and where it finds no solution (it can cycle or stop on the degenerate
// problems of piles) and a refusal would not help (`needed`), the lexicographic rule, whose answer is
// taken when it holds.
bool SolveImpactLCP(const TLCPSettings& settings, long double time, const TDenseMatrix& a,
                    std::vector<long double>& q, std::vector<long double>& w, std::vector<long double>& z,
                    bool needed) {
  return SolveLCP(settings, time, a, q, w, z) ||
         (needed && SolveLCPLexicographic(a, q, w, z, LCPSlack(q, kLCPSolutionSlack)));
}

}  // namespace

bool TCollisions::ImpactTakesLexicographicAnswer() const {
  const long double dt = world_.State().TimeStep;
  const TWorldSettings& settings = world_.Settings();
  return dt < settings.MinimumTimestep ||
         dt <= std::ldexp(settings.MaximumTimestep, -kLexicographicImpactHalvings);
}

bool TCollisions::LoadInverseMassMatrix() {
  const std::uint32_t n = world_.State().Evaluated.Count();
  const TSqrMatrix& m = world_.InverseMassMatrix();
  if (m.RowCount() != n || m.ColCount() != n) {
    world_.Log().AddLine("[Error] The inverse mass matrix is not " + std::to_string(n) + " x " +
                         std::to_string(n) + ": contacts cannot be solved.");
    return false;
  }
  // Read where it is: the groups take only their own coordinates' elements.
  minv_ = &m;
  minv_pattern_ = &InversePattern(m);
  return true;
}

const TNonZeroPattern& TCollisions::InversePattern(const TSqrMatrix& m) {
  const TNonZeroPattern* kept = world_.InverseMassPattern();
  if (kept != nullptr && kept->Rows() == m.RowCount() && kept->Cols() == m.ColCount()) return *kept;
  own_pattern_.Build(m);
  return own_pattern_;
}

bool TCollisions::MatricesFit(std::uint32_t contacts, std::uint64_t unknowns, std::uint64_t coordinates) {
  // The LCP matrix three times over (ours, the solver's copy, its basis inverse) and the Jacobian blocks.
  const std::uint64_t elements = 3 * unknowns * unknowns + 3 * unknowns * coordinates;
  const std::uint64_t bytes = elements * sizeof(long double);
  if (bytes <= kContactMatrixBytesLimit) return true;
  TooManyContacts = true;
  world_.Log().AddLine("[Error] " + std::to_string(contacts) + " contacts touch at once and would need " +
                       std::to_string(bytes >> 20) + " MB for their matrices, more than the " +
                       std::to_string(kContactMatrixBytesLimit >> 20) + " MB allowed: the run stops.");
  return false;
}

void TCollisions::LocalInverseMassMatrix(const std::vector<std::uint32_t>& coords, TDenseMatrix& out) const {
  const auto nc = static_cast<std::uint32_t>(coords.size());
  out.Reset(nc, nc);
  // The value of M^-1 is C times its elements.
  const long double c = minv_->C;
  for (std::uint32_t a = 0; a < nc; ++a) {
    const long double* row = minv_->RowData(coords[a]);
    for (std::uint32_t b = 0; b < nc; ++b) out(a, b) = c * row[coords[b]];
  }
}

std::size_t TCollisions::GroupContacts(const TContactPoints& list, std::vector<TContactGroup>& groups) {
  const std::uint32_t n = minv_->RowCount();
  // Coordinates that M^-1 couples start in one set, rooted at its smallest coordinate; the contacts then
  // join the sets of the coordinates they move. Every root stays the smallest coordinate of its set.
  std::vector<std::uint32_t>& parent = work_.parent;
  const std::vector<std::uint32_t>& coupled = minv_pattern_->Coupled();
  parent.resize(n);
  for (std::uint32_t i = 0; i < n; ++i) parent[i] = i < coupled.size() ? coupled[i] : i;
  const auto root = [&](std::uint32_t i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
  };
  const auto join = [&](std::uint32_t i, std::uint32_t j) {
    const std::uint32_t a = root(i), b = root(j);
    if (a != b) parent[std::max(a, b)] = std::min(a, b);
  };
  // The first coordinate each contact moves (n: none).
  const auto count = static_cast<std::uint32_t>(list.Count());
  std::vector<std::uint32_t>& first = work_.first;
  first.assign(count, n);
  for (std::uint32_t c = 0; c < count; ++c) {
    const TContact& contact = list.Items(static_cast<std::int32_t>(c));
    const std::uint32_t rows =
        std::min<std::uint32_t>({n, contact.Jacobian.Normal.Count(), contact.Jacobian.Tangent.Count()});
    for (const std::uint32_t j : contact.TouchedCoordinates()) {
      if (j >= rows) break;
      if (contact.Jacobian.Normal.Data()[j] == 0 && contact.Jacobian.Tangent.Data()[j] == 0) continue;
      if (first[c] == n) {
        first[c] = j;
      } else {
        join(first[c], j);
      }
    }
  }
  // The coordinates of every set, ascending, chained from its root: next[j] is the following one (n:
  // none).
  std::vector<std::uint32_t>& next = work_.next;
  next.assign(n, n);
  {
    std::vector<std::uint32_t>& last = work_.number;  // the last coordinate chained to each root so far
    last.assign(n, n);
    for (std::uint32_t j = 0; j < n; ++j) {
      const std::uint32_t r = root(j);
      if (r != j) next[last[r]] = j;
      last[r] = j;
    }
  }
  // Groups in the order of their first contact; a contact that moves nothing is a group of its own.
  std::vector<std::uint32_t>& number = work_.number;
  number.assign(n, count);
  std::size_t used = 0;
  const auto next_group = [&]() -> TContactGroup& {
    if (groups.size() <= used) groups.resize(used + 1);
    TContactGroup& group = groups[used++];
    group.Coordinates.clear();
    group.Members.clear();
    return group;
  };
  for (std::uint32_t c = 0; c < count; ++c) {
    if (first[c] == n) {
      next_group().Members.push_back(c);
      continue;
    }
    const std::uint32_t r = root(first[c]);
    if (number[r] == count) {
      number[r] = static_cast<std::uint32_t>(used);
      TContactGroup& group = next_group();
      for (std::uint32_t j = r; j != n; j = next[j]) group.Coordinates.push_back(j);
    }
    groups[number[r]].Members.push_back(c);
  }
  return used;
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
  if (!LoadInverseMassMatrix()) return false;

  bool approaching = false;
  for (std::int32_t i = 0; i < Contacts->Count(); ++i) {
    if (Contacts->Items(i).Kinematics.Velocity.Normal.Get() < -kImpactNegligible) approaching = true;
  }
  const std::size_t groups = GroupContacts(*Contacts, groups_);
  if (impact_groups_.size() < groups) impact_groups_.resize(groups);
  long double total_work = 0;
  for (std::size_t g = 0; g < groups; ++g) {
    if (!CompressGroup(groups_[g], impact_groups_[g], total_work, approaching)) {
      return !TooManyContacts && !approaching;
    }
  }
  if (total_work <= kImpactNegligible) {
    // Nothing worth an impulse: the contacts approach too slowly. They are sorted again with the wider
    // tolerance, as resting ones, and the velocities stay.
    Classify(true);
    return true;
  }
  for (std::size_t g = 0; g < groups; ++g) {
    if (!ExpandGroup(groups_[g], impact_groups_[g])) return false;
  }
  for (std::size_t g = 0; g < groups; ++g) ApplyImpactGroup(groups_[g], impact_groups_[g]);
  ImpulseApplied = true;
  return true;
}

bool TCollisions::CompressGroup(const TContactGroup& group, TImpactGroup& im, long double& total_work,
                                bool approaching) {
  const TStepState& state = world_.State();
  const std::vector<std::uint32_t>& coords = group.Coordinates;
  const auto nc = static_cast<std::uint32_t>(coords.size());
  const auto k = static_cast<std::uint32_t>(group.Members.size());
  if (!MatricesFit(k, 5ull * k, nc)) return false;
  for (std::vector<long double>* v : {&im.vn, &im.vt, &im.mu, &im.en, &im.et, &im.ni}) v->resize(k);
  for (std::uint32_t i = 0; i < k; ++i) {
    const TContact& contact = Contacts->Items(static_cast<std::int32_t>(group.Members[i]));
    im.vn[i] = contact.Kinematics.Velocity.Normal.Get();
    im.vt[i] = contact.Kinematics.Velocity.Tangent.Get();
    im.mu[i] = contact.Friction;
    im.en[i] = contact.RestitutionNormal;
    im.et[i] = contact.RestitutionTangent;
    im.ni[i] = contact.ParameterNi;
  }

  // Index ranges of the LCP: N, T+, T-, R+, R-, each k long.
  const std::uint32_t N = 0, TP = k, TM = 2 * k, RP = 3 * k, RM = 4 * k;

  im.w.Reset(nc, 3 * k);
  for (std::uint32_t a = 0; a < nc; ++a) {
    for (std::uint32_t i = 0; i < k; ++i) {
      const TContact& contact = Contacts->Items(static_cast<std::int32_t>(group.Members[i]));
      im.w(a, N + i) = contact.Jacobian.Normal.Data()[coords[a]];
      im.w(a, TP + i) = contact.Jacobian.Tangent.Data()[coords[a]];
      im.w(a, TM + i) = -contact.Jacobian.Tangent.Data()[coords[a]];
    }
  }
  LocalInverseMassMatrix(coords, im.minv);
  Multiply(im.minv, im.w, im.minv_w);
  MultiplyTransposed(im.w, im.minv_w, im.g);

  im.a.Reset(5 * k, 5 * k);
  for (std::uint32_t r = 0; r < 3 * k; ++r) {
    for (std::uint32_t c = 0; c < 3 * k; ++c) im.a(r, c) = im.g(r, c);
  }
  for (std::uint32_t i = 0; i < k; ++i) {
    im.a(TP + i, RP + i) = 1;
    im.a(TM + i, RM + i) = 1;
    im.a(RP + i, N + i) = im.mu[i];
    im.a(RP + i, TP + i) = -1;
    im.a(RM + i, N + i) = im.mu[i];
    im.a(RM + i, TM + i) = -1;
  }

  // Compression: q = [vN; vT; -vT; 0; 0].
  im.q.assign(5 * k, 0.0L);
  for (std::uint32_t i = 0; i < k; ++i) {
    im.q[N + i] = im.vn[i];
    im.q[TP + i] = im.vt[i];
    im.q[TM + i] = -im.vt[i];
  }
  if (!SolveImpactLCP(world_.LCPSettings(), state.Time, im.a, im.q, im.wc, im.zc,
                      approaching && ImpactTakesLexicographicAnswer())) {
    return false;
  }

  // Velocities after compression vN' = wC_N, vT' = wC_T+ - zC_R+; the work of each contact is its
  // impulse times the mean of the velocities before and after.
  im.vn_c.resize(k);
  im.vt_c.resize(k);
  im.work_c.resize(k);
  for (std::uint32_t i = 0; i < k; ++i) {
    const bool pushes = im.zc[N + i] >= kImpactNegligible;
    const long double pn = pushes ? im.zc[N + i] : 0.0L;
    const long double pt = pushes ? im.zc[TP + i] - im.zc[TM + i] : 0.0L;
    im.vn_c[i] = im.wc[N + i];
    im.vt_c[i] = im.wc[TP + i] - im.zc[RP + i];
    im.work_c[i] = pn * (im.vn[i] + im.vn_c[i]) / 2 + pt * (im.vt[i] + im.vt_c[i]) / 2;
    total_work += std::fabs(im.work_c[i]);
  }
  return true;
}

bool TCollisions::ExpandGroup(const TContactGroup& group, TImpactGroup& im) {
  const TStepState& state = world_.State();
  const auto k = static_cast<std::uint32_t>(group.Members.size());
  const std::uint32_t N = 0, TP = k, TM = 2 * k, RP = 3 * k, RM = 4 * k;
  // sigma_i = sign(LC_T+ - LC_T-): the friction bound in the direction of the compression's tangential
  // impulse keeps mu_i, the opposite one becomes (1 - Ni_i) mu_i.
  for (std::uint32_t i = 0; i < k; ++i) {
    const long double sigma = Sign(im.zc[TP + i] - im.zc[TM + i]);
    im.a(RP + i, N + i) = (1 - (0.5L - sigma / 2) * im.ni[i]) * im.mu[i];
    im.a(RM + i, N + i) = (1 - (0.5L + sigma / 2) * im.ni[i]) * im.mu[i];
  }
  // Restitution impulses P = eN LambdaC (3k).
  im.p.assign(3 * k, 0.0L);
  for (std::uint32_t i = 0; i < k; ++i) {
    im.p[N + i] = im.en[i] * im.zc[N + i];
    im.p[TP + i] = im.en[i] * im.zc[TP + i];
    im.p[TM + i] = im.en[i] * im.zc[TM + i];
  }
  // F (2k x 3k): the cone rows of A over N, T+, T-, with the tangential restitution 1 - eT_i coupling
  // each cone row to the opposite tangential impulse.
  im.f.Reset(2 * k, 3 * k);
  for (std::uint32_t r = 0; r < 2 * k; ++r) {
    for (std::uint32_t c = 0; c < 3 * k; ++c) im.f(r, c) = im.a(RP + r, c);
  }
  for (std::uint32_t i = 0; i < k; ++i) {
    im.f(i, TM + i) = 1 - im.et[i];
    im.f(k + i, TP + i) = 1 - im.et[i];
  }
  // q_E = [G P + wC_N; G P + wC_T+ - zC_R+; G P + wC_T- - zC_R-; F P].
  Multiply(im.g, im.p, im.gp);
  Multiply(im.f, im.p, im.fp);
  im.qe.assign(5 * k, 0.0L);
  for (std::uint32_t i = 0; i < k; ++i) {
    im.qe[N + i] = im.gp[N + i] + im.wc[N + i];
    im.qe[TP + i] = im.gp[TP + i] + im.wc[TP + i] - im.zc[RP + i];
    im.qe[TM + i] = im.gp[TM + i] + im.wc[TM + i] - im.zc[RM + i];
    im.qe[RP + i] = im.fp[i];
    im.qe[RM + i] = im.fp[k + i];
  }
  return SolveImpactLCP(world_.LCPSettings(), state.Time, im.a, im.qe, im.we, im.ze,
                        ImpactTakesLexicographicAnswer());
}

void TCollisions::ApplyImpactGroup(const TContactGroup& group, TImpactGroup& im) {
  TStepState& state = world_.State();
  const std::vector<std::uint32_t>& coords = group.Coordinates;
  const auto nc = static_cast<std::uint32_t>(coords.size());
  const auto k = static_cast<std::uint32_t>(group.Members.size());
  const std::uint32_t N = 0, TP = k, TM = 2 * k, RP = 3 * k;
  // Lambda_E = zE + P, Lambda = Lambda_E + Lambda_C; expansion work from the velocities after compression
  // to those after expansion, vN'' = wE_N, vT'' = wE_T+ - zE_R+.
  im.lambda.resize(3 * k);
  for (std::uint32_t r = 0; r < 3 * k; ++r) im.lambda[r] = im.ze[r] + im.p[r] + im.zc[r];
  // Generalized impulse J = W Lambda; velocity jump dq' = M^-1 J, added to the working q'.
  Multiply(im.w, im.lambda, im.impulse);
  Multiply(im.minv, im.impulse, im.jump);
  TFloatList& q_dot = state.Evaluated.QDot;
  for (std::uint32_t a = 0; a < nc; ++a) {
    CoordinateValues.Data()[coords[a]] = im.jump[a];
    if (coords[a] < q_dot.Count()) q_dot.Data()[coords[a]] += im.jump[a];
  }
  for (std::uint32_t i = 0; i < k; ++i) {
    const long double en_i = im.ze[N + i] + im.p[N + i];
    const long double et_i = (im.ze[TP + i] + im.p[TP + i]) - (im.ze[TM + i] + im.p[TM + i]);
    const long double vn_e = im.we[N + i];
    const long double vt_e = im.we[TP + i] - im.ze[RP + i];
    const long double work_e = en_i * (im.vn_c[i] + vn_e) / 2 + et_i * (im.vt_c[i] + vt_e) / 2;
    TContact& contact = Contacts->Items(static_cast<std::int32_t>(group.Members[i]));
    contact.Impulse.Normal.Set(im.lambda[N + i]);
    contact.Impulse.Tangent.Set(im.lambda[TP + i] - im.lambda[TM + i]);
    contact.Work.Set(std::fabs(im.work_c[i]) >= kImpactNegligible ? im.work_c[i] + work_e : 0.0L);
  }
}

}  // namespace zentrova
