#include "engine/linear_complementarity.h"

#include <array>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "engine/engine_constants.h"
#include "engine/log.h"
#include "engine/world.h"
#include "numerics/float_list.h"
#include "numerics/matrix.h"
#include "platform/number_text.h"

namespace zentrova {

namespace {

// Beyond this bound on the magnitudes in Binv the next update might overflow; the solve then gives up
// rather than pivot on infinities.
constexpr long double kBoundLimit = LDBL_MAX / 16;

// Exact powers of ten: 10^27 = 2^27 5^27 still fits the 64-bit significand.
constexpr int kExactPowersOfTen = 28;
constexpr std::array<long double, kExactPowersOfTen> PowersOfTen() {
  std::array<long double, kExactPowersOfTen> p{};
  long double x = 1;
  for (long double& e : p) {
    e = x;
    x *= 10;
  }
  return p;
}
constexpr std::array<long double, kExactPowersOfTen> kPowersOfTen = PowersOfTen();
// Their reciprocals, each rounded once as the division 1 / 10^k rounds it.
constexpr std::array<long double, kExactPowersOfTen> ReciprocalPowersOfTen() {
  std::array<long double, kExactPowersOfTen> p{};
  for (int k = 0; k < kExactPowersOfTen; ++k) p[k] = 1 / kPowersOfTen[k];
  return p;
}
constexpr std::array<long double, kExactPowersOfTen> kReciprocalPowersOfTen = ReciprocalPowersOfTen();

// 10^k for an integral k, correctly rounded where the power or its reciprocal is one division away.
long double PowerOfTen(long double k) {
  if (std::fabs(k) < kExactPowersOfTen) {
    const long double p = kPowersOfTen[static_cast<std::size_t>(std::fabs(k))];
    return k >= 0 ? p : 1 / p;
  }
  return std::pow(10.0L, k);
}

// --- The rounded decimal logarithm of the pivot tolerance ------------------------------------------------
//
// rint(log10 x) changes only where x crosses a boundary 10^(k + 1/2). Within 2^-80..2^80 the boundaries
// are tabled; an x farther than a relative 2^-40 from both neighbouring boundaries has its answer
// settled, since log10l misses the true logarithm by a few units in the last place (below 2^-58 there)
// while such an x moves it by more than 2^-42. Closer to a boundary, and outside the table, the library
// logarithm itself decides, ties and last bits included.
constexpr int kTabledBinaryExponent = 80;
constexpr int kLowestHalfPower = -26;  // the table holds 10^(k + 1/2) for k = -26..26
constexpr int kHalfPowers = 53;
constexpr long double kSqrtTen = 3.16227766016837933199889354443271853372L;
constexpr std::array<long double, kHalfPowers> HalfPowersOfTen() {
  std::array<long double, kHalfPowers> p{};
  for (int i = 0; i < kHalfPowers; ++i) {
    const int k = kLowestHalfPower + i;
    p[i] = k >= 0 ? kSqrtTen * kPowersOfTen[k] : kSqrtTen / kPowersOfTen[-k];
  }
  return p;
}
constexpr std::array<long double, kHalfPowers> kHalfPowersOfTen = HalfPowersOfTen();
constexpr long double kBoundaryMargin = 0x1p-40L;

// True with k = rint(log10 x) when x lies inside the table and clear of its boundaries.
bool TabledRoundedLog10(long double x, int& k) {
  // Zero, NaN and negatives fall outside too.
  if (!(x >= 0x1p-80L && x < 0x1p80L)) return false;
  // The binary exponent, read from x rounded to a double (which may round up to the next power of two).
  const int exponent = static_cast<int>(std::bit_cast<std::uint64_t>(static_cast<double>(x)) >> 52) - 1023;
  // floor(exponent log10 2) (78913 / 2^18 is log10 2 to 6 digits): x >= 10^(k - 1/2) from the start.
  k = (exponent * 78913) >> 18;
  while (x >= kHalfPowersOfTen[k - kLowestHalfPower]) ++k;
  return x > kHalfPowersOfTen[k - 1 - kLowestHalfPower] * (1 + kBoundaryMargin) &&
         x < kHalfPowersOfTen[k - kLowestHalfPower] * (1 - kBoundaryMargin);
}

// A finite extended real, read from its bits: the exponent field is not all ones, and a nonzero
// exponent comes with the explicit integer bit (no pseudo-denormal or unnormal encoding).
bool IsFinite(const long double& x) {
  std::uint64_t mantissa;
  std::uint16_t sign_exponent;
  std::memcpy(&mantissa, &x, sizeof mantissa);
  std::memcpy(&sign_exponent, reinterpret_cast<const unsigned char*>(&x) + sizeof mantissa,
              sizeof sign_exponent);
  const unsigned exponent = sign_exponent & 0x7FFFu;
  return exponent != 0x7FFFu && (exponent == 0 || (mantissa >> 63) != 0);
}

bool AllFinite(const long double* x, std::uint32_t n) {
  bool finite = true;
  for (std::uint32_t i = 0; i < n; ++i) finite &= IsFinite(x[i]);
  return finite;
}

// --- How the pivoting keeps its numbers -----------------------------------------------------------------
//
// Storing an extended real costs the x87 unit several times what storing a double costs, and the
// pivoting stores n numbers per active column and pass. So its working numbers are kept as the exact
// difference of two doubles: hi, the value rounded to a double, and lo = hi - x, which holds the 11 bits
// that hi lacks; hi - lo also gives back the sign of a zero (-0 - +0 = -0). That is exact for every
// value within the range of doubles; outside it the store underflows or overflows, which the x87 unit
// records in its sticky exception flags. A pivoting that raised such a flag is repeated with extended
// cells, so the result is always that of the extended arithmetic.

struct TExtendedCell {
  long double x;
  long double Get() const { return x; }
  void Set(long double value) { x = value; }
};

struct TSplitCell {
  double hi;
  double lo;
  long double Get() const { return static_cast<long double>(hi) - lo; }
  void Set(long double value) {
    asm("fstl %0\n\t"
        "fsubrl %0\n\t"
        "fstpl %1"
        : "=m"(hi), "=m"(lo)
        : "t"(value)
        : "st");
  }
};
static_assert(sizeof(TSplitCell) == sizeof(TExtendedCell));

// Flags of the x87 status word. Invalid operation, zero divide, overflow and underflow: after any of
// them a split cell may not hold its value exactly. The six exception flags: what a caller may have.
constexpr std::uint16_t kInexactCellFlags = 0x01 | 0x04 | 0x08 | 0x10;
constexpr std::uint16_t kExceptionFlags = 0x3F;

std::uint16_t X87Status() {
  std::uint16_t status;
  asm volatile("fnstsw %0" : "=m"(status) : : "memory");
  return status;
}

void ClearX87Flags() { asm volatile("fnclex" : : : "memory"); }

// Sets exception flags again (there is no instruction for one flag): store, change and reload the
// x87 environment.
void RaiseX87Flags(std::uint16_t flags) {
  struct {
    std::uint32_t control;
    std::uint32_t status;
    std::uint32_t rest[5];
  } environment;
  asm volatile("fnstenv %0" : "=m"(environment) : : "memory");
  environment.status |= flags;
  asm volatile("fldenv %0" : : "m"(environment) : "memory");
}

// out := Binv x, each out_i accumulated from 0 over the columns in ascending order.
void MultiplyRows(long double* const* rows, std::uint32_t n, const long double* x, long double* out) {
  for (std::uint32_t i = 0; i < n; ++i) {
    const long double* row = rows[i];
    long double sum = 0;
    for (std::uint32_t k = 0; k < n; ++k) sum += row[k] * x[k];
    out[i] = sum;
  }
}

enum class TOutcome { Solved, UnboundedRay, PassLimit, NoPivotRow, Breakdown };

// One pivoting run from the start basis (z0 in row r0 at value -qmin) on finite data. Only the columns
// of Binv that differ from those of -I are stored.
//
// Column k of Binv stays exactly -e_k as long as w_k has never left the basis: w_k then sits in row k,
// row k of Binv times column -e_k of B is 1, and every update leaves the column alone because
// a_k = Binv(r, k) / (s + 1) is an exact 0 for r != k. Column k changes for the first time when w_k
// leaves. The active columns, those that have changed, are kept row by row in ascending column order;
// the others contribute exact zeros and the -1 of the diagonal, which the sums insert at their place.
// With finite data, every sum therefore adds the same nonzero terms in the same order as the full
// product would, and gives the same bits at a fraction of the work.
template <typename Cell>
class TPivoting {
 public:
  static std::size_t Bytes(std::uint32_t n) {
    const std::size_t cells = std::size_t{n} * n + 6 * std::size_t{n};
    return cells * sizeof(Cell) + std::size_t{n} * sizeof(const long double*) +
           3 * std::size_t{n} * sizeof(std::uint32_t) + std::size_t{n} * sizeof(std::int32_t);
  }

  // memory: Bytes(n) bytes aligned for long double.
  TPivoting(const TSqrMatrix& M, std::uint32_t n, void* memory)
      : n_(n), z0_(static_cast<std::int32_t>(2 * n)) {
    c_ = static_cast<Cell*>(memory);
    b_ = c_ + std::size_t{n} * n;
    d_ = b_ + n;
    u_ = d_ + n;
    a_ = u_ + n;
    xs_ = a_ + n;
    v_ = xs_ + n;
    m_ = reinterpret_cast<const long double**>(v_ + n);
    active_ = reinterpret_cast<std::uint32_t*>(m_ + n);
    pos_ = active_ + n;
    is_active_ = pos_ + n;
    basis_ = reinterpret_cast<std::int32_t*>(is_active_ + n);
    for (std::uint32_t i = 0; i < n; ++i) m_[i] = M.RowData(i);
  }

  TOutcome Run(const long double* q, std::uint32_t r0, long double qmin, long double Infinity,
               long double Lexico, long double PivotTolerance, std::vector<TLCPPivot>* Pivots);

  // After Solved: the basic values, which are z and w.
  bool ResultFinite() const {
    bool finite = true;
    for (std::uint32_t i = 0; i < n_; ++i) finite &= std::isfinite(b_[i].Get());
    return finite;
  }
  void WriteResult(TFloatList& W, TFloatList& Z) const {
    long double* z = Z.Data();
    long double* w = W.Data();
    const auto n = static_cast<std::int32_t>(n_);
    for (std::uint32_t i = 0; i < n_; ++i) {
      if (basis_[i] < n) {
        z[basis_[i]] = b_[i].Get();
      } else {
        w[basis_[i] - n] = b_[i].Get();
      }
    }
  }

 private:
  // Row i of Binv times x, summed over the columns in order; xs_ holds x over the active columns
  // (Gather) and x_i points to x's element i, which meets the -1 of a column still at rest.
  template <typename Element>
  long double RowTimes(std::uint32_t i, const Element* x_i) const {
    return RowDot(c_ + std::size_t{i} * n_, xs_, pos_[i], count_, is_active_[i] != 0 ? nullptr : x_i);
  }
  // A function of its own: inlined among the solver's other live values the sum would leave the
  // register stack and make a round trip through memory on every term.
  template <typename Element>
  [[gnu::noinline]] static long double RowDot(const Cell* row, const Cell* xs, std::uint32_t diagonal,
                                              std::uint32_t count, const Element* x_i) {
    long double sum = 0;
    std::uint32_t p = 0;
    if (x_i != nullptr) {
      for (; p < diagonal; ++p) sum += row[p].Get() * xs[p].Get();
      sum += -1.0L * Value(x_i);
    }
    for (; p < count; ++p) sum += row[p].Get() * xs[p].Get();
    return sum;
  }
  static long double Value(const long double* x) { return *x; }
  static long double Value(const Cell* x) { return x->Get(); }
  // out_i := row i of Binv times x for every row, two rows at a time: two independent sums keep the
  // x87 adder busy where one sum would wait for its previous term. element(i) points to x's element i.
  template <typename Element, typename At>
  void AllRowsTimes(At element, Cell* out) const {
    std::uint32_t i = 0;
    for (; i + 1 < n_; i += 2) {
      RowDot2(c_ + std::size_t{i} * n_, c_ + std::size_t{i + 1} * n_, xs_, pos_[i], pos_[i + 1], count_,
              is_active_[i] != 0 ? nullptr : element(i), is_active_[i + 1] != 0 ? nullptr : element(i + 1),
              out + i);
    }
    if (i < n_) out[i].Set(RowTimes(i, element(i)));
  }
  template <typename Element>
  [[gnu::noinline]] static void RowDot2(const Cell* row1, const Cell* row2, const Cell* xs,
                                        std::uint32_t diagonal1, std::uint32_t diagonal2, std::uint32_t count,
                                        const Element* x1, const Element* x2, Cell* out) {
    long double sum1 = 0;
    long double sum2 = 0;
    std::uint32_t p = 0;
    const auto both = [&](std::uint32_t to) {
      for (; p < to; ++p) {
        const long double x = xs[p].Get();
        sum1 += row1[p].Get() * x;
        sum2 += row2[p].Get() * x;
      }
    };
    // Row i + 1's diagonal never comes before row i's: pos_ grows with the row.
    if (x1 != nullptr) {
      both(diagonal1);
      sum1 += -1.0L * Value(x1);
    }
    if (x2 != nullptr) {
      both(diagonal2);
      sum2 += -1.0L * Value(x2);
    }
    both(count);
    out[0].Set(sum1);
    out[1].Set(sum2);
  }
  template <typename X>
  void Gather(X x) {
    for (std::uint32_t p = 0; p < count_; ++p) xs_[p].Set(x(active_[p]));
  }
  [[gnu::noinline]] static void UpdateRows(Cell* row1, Cell* row2, long double v1, long double v2, const Cell* a,
                                           std::uint32_t count) {
    for (std::uint32_t p = 0; p < count; ++p) {
      const long double a_p = a[p].Get();
      row1[p].Set(row1[p].Get() - v1 * a_p);
      row2[p].Set(row2[p].Get() - v2 * a_p);
    }
  }
  // Column k of Binv (still -e_k) joins the stored ones.
  void Activate(std::uint32_t k);
  // Replaces the basis column of row r by the one whose difference to it is u_ (Sherman-Morrison).
  // False on a breakdown: a non-finite v or a, or magnitudes that the next update could overflow.
  bool ReplaceColumn(std::uint32_t r);

  const std::uint32_t n_;
  const std::int32_t z0_;
  Cell* c_;                   // the active columns of Binv, row by row, n_ slots per row
  Cell* b_;                   // values of the basic variables
  Cell* d_;                   // Binv Be
  Cell* u_;                   // new minus old basis column
  Cell* a_;                   // row r of Binv / (s + 1), over the active columns
  Cell* xs_;                  // the vector multiplied, over the active columns
  Cell* v_;                   // Binv u
  const long double** m_;     // rows of M
  std::uint32_t* active_;     // the active column numbers, ascending
  std::uint32_t* pos_;        // pos_[k]: number of active columns below k
  std::uint32_t* is_active_;  // 1 for an active column
  std::int32_t* basis_;       // variable number of the basic variable of each row
  std::uint32_t count_ = 0;   // number of active columns
  long double bound_ = 1;     // bounds every |Binv(i, j)|
};

template <typename Cell>
void TPivoting<Cell>::Activate(std::uint32_t k) {
  const std::uint32_t p = pos_[k];
  for (std::uint32_t i = 0; i < n_; ++i) {
    Cell* row = c_ + std::size_t{i} * n_;
    std::memmove(row + p + 1, row + p, (count_ - p) * sizeof(Cell));
    row[p].Set(i == k ? -1.0L : 0.0L);
  }
  std::memmove(active_ + p + 1, active_ + p, (count_ - p) * sizeof(std::uint32_t));
  active_[p] = k;
  ++count_;
  is_active_[k] = 1;
  for (std::uint32_t j = k + 1; j < n_; ++j) ++pos_[j];
}

template <typename Cell>
bool TPivoting<Cell>::ReplaceColumn(std::uint32_t r) {
  if (is_active_[r] == 0) Activate(r);
  Gather([this](std::uint32_t k) { return u_[k].Get(); });
  // s = a.U with a = row r of Binv is v_r: the same products summed in the same order.
  const long double v_r = RowTimes(r, &u_[r]);
  AllRowsTimes<Cell>([this](std::uint32_t i) { return &u_[i]; }, v_);
  const long double divisor = v_r + 1;
  const Cell* row_r = c_ + std::size_t{r} * n_;
  long double max_a = 0;
  bool finite = std::isfinite(v_r);
  for (std::uint32_t p = 0; p < count_; ++p) {
    const long double a = row_r[p].Get() / divisor;
    a_[p].Set(a);
    finite &= std::isfinite(a);
    if (std::fabs(a) > max_a) max_a = std::fabs(a);
  }
  if (!finite) return false;
  long double max_v = 0;
  for (std::uint32_t i = 0; i < n_; ++i) {
    const long double v_i = v_[i].Get();
    if (!std::isfinite(v_i)) return false;
    if (std::fabs(v_i) > max_v) max_v = std::fabs(v_i);
  }
  // Rows updated two at a time share the loads of a. A row whose v_i is an exact 0 would not change:
  // a is finite and Binv never holds -0.
  std::uint32_t pending = n_;
  for (std::uint32_t i = 0; i < n_; ++i) {
    if (v_[i].Get() == 0) continue;
    if (pending == n_) {
      pending = i;
      continue;
    }
    UpdateRows(c_ + std::size_t{pending} * n_, c_ + std::size_t{i} * n_, v_[pending].Get(), v_[i].Get(), a_,
               count_);
    pending = n_;
  }
  if (pending != n_) {
    Cell* row = c_ + std::size_t{pending} * n_;
    const long double v_i = v_[pending].Get();
    for (std::uint32_t p = 0; p < count_; ++p) row[p].Set(row[p].Get() - v_i * a_[p].Get());
  }
  bound_ += max_v * max_a;
  return bound_ <= kBoundLimit;
}

template <typename Cell>
TOutcome TPivoting<Cell>::Run(const long double* q, std::uint32_t r0, long double qmin, long double Infinity,
                              long double Lexico, long double PivotTolerance,
                              std::vector<TLCPPivot>* Pivots) {
  const std::uint32_t n = n_;
  // z0 enters in place of w_r0: B = -I with column r0 replaced by the covering vector, u = e - (-e_r0).
  const long double t0 = -qmin;
  for (std::uint32_t i = 0; i < n; ++i) {
    basis_[i] = static_cast<std::int32_t>(n + i);
    b_[i].Set(q[i] + t0);
    u_[i].Set(1 - 0.0L);
    pos_[i] = 0;
    is_active_[i] = 0;
  }
  basis_[r0] = z0_;
  b_[r0].Set(t0);
  u_[r0].Set(1 - (-1.0L));
  if (!ReplaceColumn(r0)) return TOutcome::Breakdown;
  std::int32_t left = static_cast<std::int32_t>(n + r0);

  for (int pass = 0; pass < kLCPMaxPasses; ++pass) {
    if (left == z0_) return TOutcome::Solved;

    // The complement of the leaving variable enters. Its direction d = Binv Be, and the first pass of
    // the ratio test: the smallest relaxed ratio among the rows that can take the pivot.
    std::int32_t entering;
    long double theta_max = Infinity;
    const auto first_pass = [&](std::uint32_t i, long double d) {
      if (d > PivotTolerance) {
        const long double ratio = (b_[i].Get() + Lexico) / d;
        if (ratio < theta_max) theta_max = ratio;
      }
    };
    if (left < static_cast<std::int32_t>(n)) {
      // w_j after z_j: Be = -e_j. Column j is active, since w_j had left before z_j could enter.
      const auto j = static_cast<std::uint32_t>(left);
      entering = left + static_cast<std::int32_t>(n);
      if (is_active_[j] != 0) {
        const std::uint32_t p = pos_[j];
        for (std::uint32_t i = 0; i < n; ++i) {
          d_[i].Set(0.0L + c_[std::size_t{i} * n + p].Get() * -1.0L);
          first_pass(i, d_[i].Get());
        }
      } else {
        Gather([j](std::uint32_t k) { return k == j ? -1.0L : 0.0L; });
        static const long double kMinusOne = -1.0L;
        static const long double kZero = 0.0L;
        AllRowsTimes<long double>([j](std::uint32_t i) { return i == j ? &kMinusOne : &kZero; }, d_);
        for (std::uint32_t i = 0; i < n; ++i) first_pass(i, d_[i].Get());
      }
    } else {
      // z_j after w_j: Be = column j of M.
      const auto j = static_cast<std::uint32_t>(left) - n;
      entering = static_cast<std::int32_t>(j);
      Gather([this, j](std::uint32_t k) { return m_[k][j]; });
      AllRowsTimes<long double>([this, j](std::uint32_t i) { return &m_[i][j]; }, d_);
      for (std::uint32_t i = 0; i < n; ++i) first_pass(i, d_[i].Get());
    }
    if (theta_max >= Infinity) return TOutcome::UnboundedRay;

    // Second pass: z0 leaves whenever it may; otherwise the largest pivot within theta_max.
    bool found = false;
    std::uint32_t r = 0;
    long double theta = 0;
    long double best = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
      const long double d = d_[i].Get();
      if (d > PivotTolerance) {
        const long double ratio = b_[i].Get() / d;
        if (ratio <= theta_max) {
          if (basis_[i] == z0_) {
            r = i;
            theta = ratio;
            found = true;
            break;
          }
          if (std::fabs(d) > best) {
            best = std::fabs(d);
            r = i;
            theta = ratio;
            found = true;
          }
        }
      }
    }
    // A negative tolerance or a NaN bound can leave every row outside theta_max: no admissible pivot.
    if (!found) return TOutcome::NoPivotRow;

    for (std::uint32_t i = 0; i < n; ++i) b_[i].Set(b_[i].Get() - theta * d_[i].Get());
    b_[r].Set(theta);

    const std::int32_t leaving = basis_[r];
    // Binv is not read again once z0 has left: the next pass returns the basic values.
    if (leaving != z0_) {
      // u = Be - (column of the leaving variable): -e_l for w_l, column l of M for z_l.
      for (std::uint32_t k = 0; k < n; ++k) {
        const long double be = entering < static_cast<std::int32_t>(n)
                                   ? m_[k][entering]
                                   : (k == static_cast<std::uint32_t>(entering) - n ? -1.0L : 0.0L);
        const long double old = leaving < static_cast<std::int32_t>(n)
                                    ? m_[k][leaving]
                                    : (k == static_cast<std::uint32_t>(leaving) - n ? -1.0L : 0.0L);
        u_[k].Set(be - old);
      }
      if (!ReplaceColumn(r)) return TOutcome::Breakdown;
    }
    basis_[r] = entering;
    if (Pivots != nullptr) Pivots->push_back({entering, leaving, r});
    left = leaving;
  }
  return TOutcome::PassLimit;
}

}  // namespace

long double LCPPivotTolerance(const TFloatList& q, long double ToleranceMin, long double ToleranceMax) {
  const std::uint32_t n = q.Count();
  if (n == 0) return ToleranceMax;
  const long double* qd = q.Data();
  long double sum = 0;
  for (std::uint32_t i = 0; i < n; ++i) sum += std::fabs(qd[i]);
  const long double mean = sum / n;
  long double tolerance;
  int k;
  constexpr int kExponent = static_cast<int>(kLCPPivotToleranceExponent);
  static_assert(kExponent == kLCPPivotToleranceExponent);
  if (TabledRoundedLog10(mean, k) && std::abs(kExponent - k) < kExactPowersOfTen) {
    tolerance = kExponent - k >= 0 ? kPowersOfTen[kExponent - k] : kReciprocalPowersOfTen[k - kExponent];
  } else {
    // Kept in floating point throughout: a mean of 0 gives log10 = -inf and so 10^+inf, which the upper
    // bound then clamps, and NaN data give a NaN tolerance that no pivot passes.
    tolerance = PowerOfTen(kLCPPivotToleranceExponent - std::rint(std::log10(mean)));
  }
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
  // Infinite or NaN data have no solution; refusing them also keeps every skipped term an exact zero.
  if (!AllFinite(qd, n)) return false;
  if (qmin >= 0) {
    long double* w = W.Data();
    for (std::uint32_t i = 0; i < n; ++i) w[i] = qd[i];
    return true;
  }
  for (std::uint32_t i = 0; i < n; ++i) {
    if (!AllFinite(M.RowData(i), n)) return false;
  }

  // Small problems, the common case of a few contacts, keep their working data on the stack.
  constexpr std::size_t kStackBytes = 8192;
  alignas(alignof(long double)) unsigned char stack[kStackBytes];
  std::unique_ptr<long double[]> heap;
  void* memory = stack;
  const std::size_t bytes = TPivoting<TSplitCell>::Bytes(n);
  if (bytes > kStackBytes) {
    heap = std::make_unique_for_overwrite<long double[]>(bytes / sizeof(long double) + 1);
    memory = heap.get();
  }

  const std::size_t traced = Pivots != nullptr ? Pivots->size() : 0;
  const std::uint16_t caller_flags = X87Status() & kExceptionFlags;
  ClearX87Flags();
  TPivoting<TSplitCell> fast(M, n, memory);
  TOutcome outcome = fast.Run(qd, r0, qmin, Infinity, LexicoZeroTolerance, PivotTolerance, Pivots);
  bool finite = outcome == TOutcome::Solved && fast.ResultFinite();
  const bool exact = (X87Status() & kInexactCellFlags) == 0;
  if (exact) {
    if (finite) fast.WriteResult(W, Z);
  } else {
    if (Pivots != nullptr) Pivots->resize(traced);
    TPivoting<TExtendedCell> plain(M, n, memory);
    outcome = plain.Run(qd, r0, qmin, Infinity, LexicoZeroTolerance, PivotTolerance, Pivots);
    finite = outcome == TOutcome::Solved && plain.ResultFinite();
    if (finite) plain.WriteResult(W, Z);
  }
  // The flags are sticky for the caller: whatever it had raised before stays raised.
  const std::uint16_t lost = caller_flags & ~X87Status();
  if (lost != 0) RaiseX87Flags(lost);

  if (outcome == TOutcome::UnboundedRay && Alerts.LogUnboundedRay) {
    LogLine("[Alert] At t=" + FloatToText(Alerts.Time) + "s unbounded ray in LCP solving.");
  }
  if (outcome == TOutcome::PassLimit && Alerts.LogMaximumIterations) {
    LogLine("[Alert] At t=" + FloatToText(Alerts.Time) + "s reached maximum number of iteration steps(" +
            std::to_string(kLCPMaxPasses) + ") in LCP solving.");
  }
  // A breakdown on the way (a singular update, values that overflow) is no solution either.
  return finite;
}

bool UpdateInverseRankOne(TSqrMatrix& Binv, std::uint32_t R, const TFloatList& U) {
  const std::uint32_t n = Binv.RowCount();
  if (R >= n || Binv.ColCount() != n || U.Count() < n) return false;
  std::vector<long double*> rows(n);
  for (std::uint32_t i = 0; i < n; ++i) rows[i] = Binv.RowData(i);
  std::vector<long double> v(n);
  std::vector<long double> a(n);
  MultiplyRows(rows.data(), n, U.Data(), v.data());
  // s = a.U with a = row R of Binv is v_R: the same products summed in the same order.
  const long double divisor = v[R] + 1;
  for (std::uint32_t j = 0; j < n; ++j) a[j] = rows[R][j] / divisor;
  for (std::uint32_t i = 0; i < n; ++i) {
    for (std::uint32_t j = 0; j < n; ++j) rows[i][j] -= v[i] * a[j];
  }
  return true;
}

}  // namespace zentrova
