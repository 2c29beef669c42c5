#include "engine/linear_complementarity.h"

#include <cfloat>
#include <cmath>
#include <string>

#include "engine/engine_constants.h"
#include "engine/log.h"
#include "engine/world.h"
#include "numerics/float_list.h"
#include "numerics/matrix.h"
#include "platform/number_text.h"

namespace zentrova {

namespace {

// While every element of Binv is finite and below this bound, no product or difference of the next
// update can overflow. Then a zero factor contributes an exact zero to every sum and product, and the
// loops may skip it without changing a single bit of the result.
constexpr long double kSkipBound = LDBL_MAX / 16;

// out := Binv x, each out_i accumulated from 0 over the columns in ascending order. Only the nnz columns
// listed in nz are visited; nnz == n means all of them.
void MultiplyRows(long double* const* rows, std::uint32_t n, const long double* x, const std::uint32_t* nz,
                  std::uint32_t nnz, long double* out) {
  if (nnz == n) {
    for (std::uint32_t i = 0; i < n; ++i) {
      const long double* row = rows[i];
      long double sum = 0;
      for (std::uint32_t k = 0; k < n; ++k) sum += row[k] * x[k];
      out[i] = sum;
    }
    return;
  }
  for (std::uint32_t i = 0; i < n; ++i) {
    const long double* row = rows[i];
    long double sum = 0;
    for (std::uint32_t m = 0; m < nnz; ++m) sum += row[nz[m]] * x[nz[m]];
    out[i] = sum;
  }
}

// Binv(i, j) := Binv(i, j) - v_i a_j, with a already divided by (s + 1). Rows with v_i = 0 are left
// alone when skip_zero_rows is set, which is exact only while a is finite and Binv holds no -0.
void ApplyRankOne(long double* const* rows, std::uint32_t n, const long double* v, const long double* a,
                  bool skip_zero_rows) {
  for (std::uint32_t i = 0; i < n; ++i) {
    const long double vi = v[i];
    if (skip_zero_rows && vi == 0) continue;
    long double* row = rows[i];
    for (std::uint32_t j = 0; j < n; ++j) row[j] -= vi * a[j];
  }
}

// The columns of x that a product must visit: the nonzero ones when zeros may be skipped, else all.
std::uint32_t ListColumns(const long double* x, std::uint32_t n, bool skip_zeros, std::uint32_t* nz) {
  std::uint32_t nnz = 0;
  for (std::uint32_t k = 0; k < n; ++k) {
    if (!skip_zeros || x[k] != 0) nz[nnz++] = k;
  }
  return nnz;
}

bool AllFinite(const long double* x, std::uint32_t n) {
  for (std::uint32_t i = 0; i < n; ++i) {
    if (!std::isfinite(x[i])) return false;
  }
  return true;
}

// The working data of one pivoting run, in one allocation made before the first pivot.
class TLemke {
 public:
  TLemke(const TSqrMatrix& M, std::uint32_t n)
      : n_(n),
        z0_(static_cast<std::int32_t>(2 * n)),
        store_(std::size_t{n} * n * 2 + std::size_t{n} * 8),
        rows_(n),
        basis_(n),
        nz_(n) {
    long double* p = store_.data();
    binv_ = p;
    p += std::size_t{n} * n;
    mt_ = p;
    p += std::size_t{n} * n;
    b_ = p;
    be_ = p + n;
    d_ = p + 2 * n;
    u_ = p + 3 * n;
    v_ = p + 4 * n;
    a_ = p + 5 * n;
    x_ = p + 6 * n;
    for (std::uint32_t i = 0; i < n; ++i) rows_[i] = binv_ + std::size_t{i} * n;
    // M's columns as rows: the column of an entering z_j is then one contiguous run.
    for (std::uint32_t i = 0; i < n; ++i) {
      const long double* row = M.RowData(i);
      for (std::uint32_t j = 0; j < n; ++j) mt_[std::size_t{j} * n + i] = row[j];
    }
  }

  bool Solve(TFloatList& q, TFloatList& W, TFloatList& Z, long double Infinity, long double Lexico,
             long double PivotTolerance, long double Zero, const TLCPAlerts& Alerts,
             std::vector<TLCPPivot>* Pivots);

 private:
  // Replaces the basis column of row r by the one whose difference to it is u_.
  void ReplaceColumn(std::uint32_t r);

  const std::uint32_t n_;
  const std::int32_t z0_;
  std::vector<long double> store_;
  long double* binv_ = nullptr;  // n x n, row by row
  long double* mt_ = nullptr;    // M transposed: row j is column j of M
  long double* b_ = nullptr;     // values of the basic variables
  long double* be_ = nullptr;    // column of the entering variable
  long double* d_ = nullptr;     // Binv Be
  long double* u_ = nullptr;     // new minus old basis column
  long double* v_ = nullptr;     // Binv u
  long double* a_ = nullptr;     // row r of Binv / (s + 1)
  long double* x_ = nullptr;     // z and w at the end
  std::vector<long double*> rows_;
  std::vector<std::int32_t> basis_;
  std::vector<std::uint32_t> nz_;
  // True while Binv is known to be finite and below kSkipBound (then bound_ bounds its magnitudes).
  bool skip_ = true;
  long double bound_ = 1;
};

void TLemke::ReplaceColumn(std::uint32_t r) {
  const std::uint32_t nnz = ListColumns(u_, n_, skip_, nz_.data());
  MultiplyRows(rows_.data(), n_, u_, nz_.data(), nnz, v_);
  // s = a.U with a = row r of Binv is exactly v_r: the same products summed in the same order.
  const long double divisor = v_[r] + 1;
  const long double* row_r = rows_[r];
  for (std::uint32_t j = 0; j < n_; ++j) a_[j] = row_r[j] / divisor;
  if (skip_) {
    long double max_v = 0;
    long double max_a = 0;
    bool finite = true;
    for (std::uint32_t i = 0; i < n_; ++i) {
      finite = finite && std::isfinite(v_[i]) && std::isfinite(a_[i]);
      max_v = std::fmax(max_v, std::fabs(v_[i]));
      max_a = std::fmax(max_a, std::fabs(a_[i]));
    }
    bound_ += max_v * max_a;
    skip_ = finite && bound_ <= kSkipBound;
  }
  ApplyRankOne(rows_.data(), n_, v_, a_, skip_);
}

bool TLemke::Solve(TFloatList& q, TFloatList& W, TFloatList& Z, long double Infinity, long double Lexico,
                   long double PivotTolerance, long double Zero, const TLCPAlerts& Alerts,
                   std::vector<TLCPPivot>* Pivots) {
  const std::uint32_t n = n_;
  long double* qd = q.Data();

  std::uint32_t r0 = 0;
  long double qmin = qd[0];
  for (std::uint32_t i = 1; i < n; ++i) {
    if (qd[i] < qmin) {
      qmin = qd[i];
      r0 = i;
    }
  }
  for (std::uint32_t i = 0; i < n; ++i) {
    if (std::fabs(qd[i]) < Zero) qd[i] = 0;
  }
  if (qmin >= 0) {
    if (!AllFinite(qd, n)) return false;
    long double* w = W.Data();
    for (std::uint32_t i = 0; i < n; ++i) w[i] = qd[i];
    return true;
  }

  // z0 enters in place of w_r0: B = -I with column r0 replaced by the covering vector.
  const long double t0 = -qmin;
  for (std::uint32_t i = 0; i < n; ++i) {
    basis_[i] = static_cast<std::int32_t>(n + i);
    b_[i] = qd[i] + t0;
    binv_[std::size_t{i} * n + i] = -1.0L;
    u_[i] = 1 - 0.0L;
  }
  basis_[r0] = z0_;
  b_[r0] = t0;
  u_[r0] = 1 - (-1.0L);
  ReplaceColumn(r0);
  std::int32_t left = static_cast<std::int32_t>(n + r0);

  for (int pass = 0; pass < kLCPMaxPasses; ++pass) {
    if (left == z0_) {
      for (std::uint32_t i = 0; i < 2 * n; ++i) x_[i] = 0;
      for (std::uint32_t i = 0; i < n; ++i) x_[basis_[i]] = b_[i];
      // A breakdown on the way (NaN or infinite data, a singular update) is no solution.
      if (!AllFinite(x_, 2 * n)) return false;
      long double* z = Z.Data();
      long double* w = W.Data();
      for (std::uint32_t i = 0; i < n; ++i) {
        z[i] = x_[i];
        w[i] = x_[n + i];
      }
      return true;
    }

    // The complement of the leaving variable enters; its column is Be.
    std::int32_t entering;
    if (left < static_cast<std::int32_t>(n)) {
      entering = left + static_cast<std::int32_t>(n);
      for (std::uint32_t i = 0; i < n; ++i) be_[i] = 0;
      be_[left] = -1.0L;
    } else {
      entering = left - static_cast<std::int32_t>(n);
      const long double* column = mt_ + std::size_t(entering) * n;
      for (std::uint32_t i = 0; i < n; ++i) be_[i] = column[i];
    }
    const std::uint32_t nnz = ListColumns(be_, n, skip_, nz_.data());
    MultiplyRows(rows_.data(), n, be_, nz_.data(), nnz, d_);

    // Ratio test, first pass: the smallest relaxed ratio among the rows that can take the pivot.
    long double theta_max = Infinity;
    for (std::uint32_t i = 0; i < n; ++i) {
      if (d_[i] > PivotTolerance) {
        const long double ratio = (b_[i] + Lexico) / d_[i];
        if (ratio < theta_max) theta_max = ratio;
      }
    }
    if (theta_max >= Infinity) {
      if (Alerts.LogUnboundedRay) {
        LogLine("[Alert] At t=" + FloatToText(Alerts.Time) + "s unbounded ray in LCP solving.");
      }
      return false;
    }

    // Second pass: z0 leaves whenever it may; otherwise the largest pivot within theta_max.
    bool found = false;
    std::uint32_t r = 0;
    long double theta = 0;
    long double best = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
      if (d_[i] > PivotTolerance) {
        const long double ratio = b_[i] / d_[i];
        if (ratio <= theta_max) {
          if (basis_[i] == z0_) {
            r = i;
            theta = ratio;
            found = true;
            break;
          }
          if (std::fabs(d_[i]) > best) {
            best = std::fabs(d_[i]);
            r = i;
            theta = ratio;
            found = true;
          }
        }
      }
    }
    // NaN data or a negative tolerance can leave every row outside theta_max: no pivot is admissible.
    if (!found) return false;

    for (std::uint32_t i = 0; i < n; ++i) b_[i] = b_[i] - theta * d_[i];
    b_[r] = theta;

    const std::int32_t leaving = basis_[r];
    // Binv is not read again once z0 has left: the next pass returns the basic values.
    if (leaving != z0_) {
      if (leaving < static_cast<std::int32_t>(n)) {
        const long double* column = mt_ + std::size_t(leaving) * n;
        for (std::uint32_t i = 0; i < n; ++i) u_[i] = be_[i] - column[i];
      } else {
        for (std::uint32_t i = 0; i < n; ++i) u_[i] = be_[i] - 0.0L;
        const std::uint32_t k = static_cast<std::uint32_t>(leaving) - n;
        u_[k] = be_[k] - (-1.0L);
      }
      ReplaceColumn(r);
    }
    basis_[r] = entering;
    if (Pivots != nullptr) Pivots->push_back({entering, leaving, r});
    left = leaving;
  }

  if (Alerts.LogMaximumIterations) {
    LogLine("[Alert] At t=" + FloatToText(Alerts.Time) + "s reached maximum number of iteration steps(" +
            std::to_string(kLCPMaxPasses) + ") in LCP solving.");
  }
  return false;
}

}  // namespace

long double LCPPivotTolerance(const TFloatList& q, long double ToleranceMin, long double ToleranceMax) {
  const std::uint32_t n = q.Count();
  if (n == 0) return ToleranceMax;
  const long double* qd = q.Data();
  long double sum = 0;
  for (std::uint32_t i = 0; i < n; ++i) sum += std::fabs(qd[i]);
  const long double mean = sum / n;
  // Kept in floating point throughout: a mean of 0 gives log10 = -inf and so 10^+inf, which the upper
  // bound then clamps, and NaN data give a NaN tolerance that no pivot passes.
  const long double exponent = kLCPPivotToleranceExponent - std::nearbyint(std::log10(mean));
  long double tolerance = std::pow(10.0L, exponent);
  if (ToleranceMin > tolerance) tolerance = ToleranceMin;
  if (ToleranceMax < tolerance) tolerance = ToleranceMax;
  return tolerance;
}

bool SolveLCP(const TWorld& World, long double Time, const TSqrMatrix& M, TFloatList& q, TFloatList& W,
              TFloatList& Z) {
  // One read of each setting: the job timer may change them on the main thread while this step runs.
  const TLCPTolerances tolerances = World.LCPTolerances();
  TLCPAlerts alerts;
  alerts.LogUnboundedRay = World.LogUnboundedRay.load();
  alerts.LogMaximumIterations = World.LogMaximumIterations.load();
  alerts.Time = Time;
  const long double pivot_tolerance = LCPPivotTolerance(q, tolerances.PivotMin, tolerances.PivotMax);
  return LemkeSolve(M, q, W, Z, kLCPInfinity, tolerances.LexicoZero, pivot_tolerance, kLCPZero, alerts);
}

bool LemkeSolve(const TSqrMatrix& M, TFloatList& q, TFloatList& W, TFloatList& Z, long double Infinity,
                long double LexicoZeroTolerance, long double PivotTolerance, long double Zero,
                const TLCPAlerts& Alerts, std::vector<TLCPPivot>* Pivots) {
  W.Zero();
  Z.Zero();
  const std::uint32_t n = q.Count();
  if (n == 0) return true;
  if (M.RowCount() < n || M.ColCount() < n || W.Count() < n || Z.Count() < n) {
    LogLine("[Error] LCP of size " + std::to_string(n) + " needs a matrix of at least " + std::to_string(n) +
            "x" + std::to_string(n) + " and result lists of at least " + std::to_string(n) +
            " elements; got " + std::to_string(M.RowCount()) + "x" + std::to_string(M.ColCount()) + ", " +
            std::to_string(W.Count()) + " and " + std::to_string(Z.Count()) + ".");
    return false;
  }
  TLemke lemke(M, n);
  return lemke.Solve(q, W, Z, Infinity, LexicoZeroTolerance, PivotTolerance, Zero, Alerts, Pivots);
}

bool UpdateInverseRankOne(TSqrMatrix& Binv, std::uint32_t R, const TFloatList& U) {
  const std::uint32_t n = Binv.RowCount();
  if (R >= n || Binv.ColCount() != n || U.Count() < n) return false;
  std::vector<long double*> rows(n);
  for (std::uint32_t i = 0; i < n; ++i) rows[i] = Binv.RowData(i);
  std::vector<long double> v(n);
  std::vector<long double> a(n);
  std::vector<std::uint32_t> all(n);
  for (std::uint32_t k = 0; k < n; ++k) all[k] = k;
  MultiplyRows(rows.data(), n, U.Data(), all.data(), n, v.data());
  const long double divisor = v[R] + 1;
  for (std::uint32_t j = 0; j < n; ++j) a[j] = rows[R][j] / divisor;
  ApplyRankOne(rows.data(), n, v.data(), a.data(), false);
  return true;
}

}  // namespace zentrova
