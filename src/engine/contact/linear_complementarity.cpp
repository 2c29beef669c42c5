#include "engine/contact/linear_complementarity.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <emmintrin.h>
#include <memory>
#include <string>

#include "engine/contact/dense_matrix.h"
#include "engine/engine_constants.h"
#include "engine/model/world_settings.h"
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
constexpr long double kTableBottom = 0x1p-80L;
constexpr long double kTableTop = 0x1p80L;
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
// The search below steps from a boundary under x to one above it: both lie in the table for every x
// inside it.
static_assert(kHalfPowersOfTen.front() < kTableBottom && kHalfPowersOfTen.back() > kTableTop);
constexpr long double kBoundaryMargin = 0x1p-40L;

// True with k = rint(log10 x) when x lies inside the table and clear of its boundaries.
bool TabledRoundedLog10(long double x, int& k) {
  // Zero, NaN and negatives fall outside too.
  if (!(x >= kTableBottom && x < kTableTop)) return false;
  // The binary exponent, read from x rounded to a double (which may round up to the next power of two).
  const int exponent = static_cast<int>(std::bit_cast<std::uint64_t>(static_cast<double>(x)) >> 52) - 1023;
  // floor(exponent log10 2) (78913 / 2^18 is log10 2 to 6 digits): x >= 10^(k - 1/2) from the start.
  k = (exponent * 78913) >> 18;
  while (x >= kHalfPowersOfTen[k - kLowestHalfPower]) ++k;
  return x > kHalfPowersOfTen[k - 1 - kLowestHalfPower] * (1 + kBoundaryMargin) &&
         x < kHalfPowersOfTen[k - kLowestHalfPower] * (1 - kBoundaryMargin);
}

// Finite extended reals, read from their bits: the exponent field is not all ones, and a nonzero
// exponent comes with the explicit integer bit (no pseudo-denormal or unnormal encoding). The elements
// among a, b, c and d that fail have their lanes all ones.
inline __m128i NonFinite(const long double* a, const long double* b, const long double* c,
                         const long double* d) {
  const auto load = [](const long double* x) {
    return _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(x)));
  };
  // Dwords 1 (the significand's top half, led by the integer bit) and 2 (sign and exponent below).
  const __m128 ab = _mm_shuffle_ps(load(a), load(b), _MM_SHUFFLE(2, 1, 2, 1));
  const __m128 cd = _mm_shuffle_ps(load(c), load(d), _MM_SHUFFLE(2, 1, 2, 1));
  const __m128i top = _mm_castps_si128(_mm_shuffle_ps(ab, cd, _MM_SHUFFLE(2, 0, 2, 0)));
  const __m128i exponent_mask = _mm_set1_epi32(0x7FFF);
  const __m128i exponent =
      _mm_and_si128(_mm_castps_si128(_mm_shuffle_ps(ab, cd, _MM_SHUFFLE(3, 1, 3, 1))), exponent_mask);
  // All ones fails; so does a nonzero exponent without the integer bit.
  const __m128i zero = _mm_setzero_si128();
  const __m128i normal_or_zero = _mm_or_si128(_mm_srai_epi32(top, 31), _mm_cmpeq_epi32(exponent, zero));
  return _mm_or_si128(_mm_cmpeq_epi32(exponent, exponent_mask), _mm_cmpeq_epi32(normal_or_zero, zero));
}

// The same for x[0..n), n > 0, four elements at a time; a last group short of four repeats the last.
__m128i NonFinite(const long double* x, std::uint32_t n) {
  const std::uint32_t last = n - 1;
  __m128i failed = _mm_setzero_si128();
  for (std::uint32_t j = 0; j < n; j += 4) {
    failed = _mm_or_si128(failed, NonFinite(x + j, x + std::min(j + 1, last), x + std::min(j + 2, last),
                                            x + std::min(j + 3, last)));
  }
  return failed;
}

bool AllFinite(const long double* x, std::uint32_t n) { return _mm_movemask_epi8(NonFinite(x, n)) == 0; }

// The same for a whole n x n matrix: a solve reads the matrix whole every time. With the size known
// at compile time the groups run on across rows and only the last one repeats an element.
template <std::uint32_t kN>
bool AllFinite(const long double* const* rows, std::uint32_t n) {
  __m128i failed = _mm_setzero_si128();
  if constexpr (kN != 0) {
    constexpr std::uint32_t kLast = kN * kN - 1;
    const auto at = [rows](std::uint32_t e) {
      e = e < kLast ? e : kLast;
      return rows[e / kN] + e % kN;
    };
#pragma GCC unroll 16
    for (std::uint32_t e = 0; e <= kLast; e += 4) {
      failed = _mm_or_si128(failed, NonFinite(at(e), at(e + 1), at(e + 2), at(e + 3)));
    }
  } else {
    for (std::uint32_t i = 0; i < n; ++i) failed = _mm_or_si128(failed, NonFinite(rows[i], n));
  }
  return _mm_movemask_epi8(failed) == 0;
}

// Zeros written as bytes: the x87 unit stores an extended real at several times the cost.
void ZeroElements(long double* x, std::uint32_t n) {
  std::memset(x, 0, std::size_t{n} * sizeof(long double));
}

// --- How the pivoting keeps its numbers -----------------------------------------------------------------
//
// Storing an extended real costs the x87 unit several times what storing a double costs, and the
// pivoting stores about n numbers per active column and pass. So its working numbers are kept as the
// exact difference of two doubles: hi, the value rounded to a double, and lo = hi - x, which holds the
// 11 bits that hi lacks; hi - lo also gives back the sign of a zero (-0 - +0 = -0). That is exact for
// every value within the range of doubles; outside it the store underflows or overflows, which the x87
// unit records in its sticky exception flags. A pivoting that raised such a flag is repeated with
// extended cells, so the result is always that of the extended arithmetic. The flags are read at the
// start of every pass, when the numbers its decisions rest on lie in cells: the ratio test's divisions
// and the solution's values that follow are the extended arithmetic's own operations on exact numbers,
// and a read after them would wait for them to finish.

struct TExtendedCell {
  // Whatever the arithmetic produces, infinities, NaN and magnitudes near overflow included: the
  // pivoting checks for them.
  static constexpr bool kGuarded = false;
  long double x;
  long double Get() const { return x; }
  void Set(long double value) { x = value; }
  // Small integers such as 0 and -1, written without the x87 unit.
  void SetExact(double value) { x = value; }
};

struct TSplitCell {
  // Values within the range of doubles only: anything else, infinities and NaN among them, raises one of
  // the flags that send the solve to extended cells. So no breakdown needs checking: products of two
  // such values, summed over at most 100 passes, stay far below the bound limit.
  static constexpr bool kGuarded = true;
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
  void SetExact(double value) {
    hi = value;
    lo = 0;
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

enum class TOutcome { Solved, UnboundedRay, PassLimit, NoPivotRow, Breakdown };

std::uint64_t PassLimit(std::uint32_t n) {
  return std::max<std::uint64_t>(kLCPMinPasses, std::uint64_t{kLCPPassesPerUnknown} * n);
}

// One pivoting run from the start basis (z0 in row r0 at value -qmin) on finite data. Only the columns
// of Binv that differ from those of -I are kept up to date.
//
// Column k of Binv stays exactly -e_k as long as w_k has never left the basis: w_k then sits in row k,
// row k of Binv times column -e_k of B is 1, and every update leaves the column alone because
// a_k = Binv(r, k) / (s + 1) is an exact 0 for r != k. Column k changes for the first time when w_k
// leaves. The active columns, those that have changed, are listed in ascending order; a sum over a row
// takes their terms in that order and inserts the -1 of a diagonal still at rest at its place. With
// finite data, every sum therefore adds the same nonzero terms in the same order as the full product
// would, and gives the same bits at a fraction of the work.
//
// The same argument spares most of the update's product v = Binv u. When w_r leaves for the first
// time, u = Be + e_r differs from Be only in row r, and column r of Binv is still -e_r: every v_i but
// v_r adds the same terms as d_i and equals it. And the next entering variable is known before the
// update, so one pass over the rows updates b and Binv, multiplies each updated row with the column
// that enters next and starts the next ratio test.
//
// Each row keeps its active cells side by side in the order of the list: the loops over them then
// need no column numbers, and activating a column moves the cells after its place in every row.
template <typename Cell, std::uint32_t kN = 0>
class TPivoting {
  static constexpr std::uint32_t kNever = 0xFFFFFFFFu;

 public:
  static std::size_t Bytes(std::uint32_t n) {
    const std::size_t cells = std::size_t{n} * n + 6 * std::size_t{n};  // Binv, b, d, v, u, terms
    return cells * sizeof(Cell) + 3 * std::size_t{n} * sizeof(std::uint32_t) +
           std::size_t{n} * sizeof(std::int32_t);
  }

  // memory: Bytes(n) bytes aligned for long double. The tolerances are read where they lie: the x87
  // unit copies an extended real at several times the cost of reading it.
  TPivoting(const long double* const* Rows, std::uint32_t n, void* memory, const long double& Lexico,
            const long double& PivotTolerance, const long double& Infinity)
        : n_(kN != 0 ? kN : n),
          z0_(static_cast<std::int32_t>(2 * n)),
          lexico_(Lexico),
          tolerance_(PivotTolerance),
          infinity_(Infinity),
          m_(Rows) {
    c_ = static_cast<Cell*>(memory);
    b_ = c_ + std::size_t{n} * n;
    d_ = b_ + n;
    v_ = d_ + n;
    u_ = v_ + n;
    terms_ = reinterpret_cast<TTerm*>(u_ + n);
    active_ = reinterpret_cast<std::uint32_t*>(terms_ + n);
    diagonal_ = active_ + n;
    basis_ = reinterpret_cast<std::int32_t*>(diagonal_ + n);
    nonzero_ = reinterpret_cast<std::uint32_t*>(basis_ + n);
  }

  // With split cells a solve writes z and w itself (see WriteResult) and returns Solved; they are
  // not touched otherwise. Status() then holds the x87 status word as it was after the last number
  // stored in a cell.
  [[gnu::always_inline]] TOutcome Run(const long double* q, std::uint32_t r0, const long double& qmin,
                                      std::uint64_t passes, std::vector<TLCPPivot>* Pivots, long double* z,
                                      long double* w);

  std::uint16_t Status() const { return status_; }

  // After Solved with extended cells (split cells write their solution in Run): z and w from the
  // basic values, zeros for the others. False, with nothing written, when one is not finite.
  bool WriteResult(long double* z, long double* w) const {
    static_assert(!Cell::kGuarded);
    bool finite = true;
    for (std::uint32_t i = 0; i < N(); ++i) finite &= std::isfinite(b_[i].Get());
    if (!finite) return false;
    ZeroElements(z, N());
    ZeroElements(w, N());
    const auto n = static_cast<std::int32_t>(N());
    for (std::uint32_t i = 0; i < N(); ++i) {
      const std::int32_t k = basis_[i];
      (k < n ? z[k] : w[k - n]) = b_[i].Get();
    }
    return true;
  }

 private:
  Cell* Row(std::uint32_t i) const { return c_ + std::size_t{i} * N(); }
  bool IsActive(std::uint32_t k) const { return diagonal_[k] > N(); }

  // The first pass of the ratio test, one row at a time: the smallest relaxed ratio among the rows
  // that can take the pivot.
  // Row i, when it can take the pivot, joins the rows the second pass looks at.
  long double Relax(long double theta_max, long double b, long double d, std::uint32_t i) {
    if (d > tolerance_) {
      pivot_rows_ |= std::uint64_t{1} << (i & 63);
      const long double ratio = (b + lexico_) / d;
      if (ratio < theta_max) return ratio;
    }
    return theta_max;
  }

  // Row i of Binv times x, summed over the columns in order: terms_ hold x over the active columns and
  // x_i is x's element i, which meets the -1 of a column still at rest.
  long double RowDot(std::uint32_t i, long double x_i) const {
    const Cell* row = Row(i);
    const std::uint32_t diagonal = diagonal_[i];
    const std::uint32_t count = count_;
    const TTerm* terms = terms_;
    long double sum = 0;
    std::uint32_t p = 0;
    if (diagonal <= count) {
      for (; p < diagonal; ++p) sum += row[p].Get() * terms[p].x.Get();
      sum -= x_i;
    }
    for (; p < count; ++p) sum += row[p].Get() * terms[p].x.Get();
    return sum;
  }
  // RowDot over the active columns whose x is not zero, nonzero_[0..count): the same sum to the bit, since
  // a product with a zero x of a finite cell is a zero, and adding a zero leaves a sum as it is (a sum
  // that starts at +0 never becomes -0).
  long double SparseRowDot(std::uint32_t i, long double x_i, std::uint32_t count) const {
    const Cell* row = Row(i);
    const std::uint32_t diagonal = diagonal_[i];
    const std::uint32_t* nonzero = nonzero_;
    const TTerm* terms = terms_;
    long double sum = 0;
    std::uint32_t k = 0;
    if (diagonal <= count_) {
      for (; k < count && nonzero[k] < diagonal; ++k) sum += row[nonzero[k]].Get() * terms[nonzero[k]].x.Get();
      sum -= x_i;
    }
    for (; k < count; ++k) sum += row[nonzero[k]].Get() * terms[nonzero[k]].x.Get();
    return sum;
  }
  // The positions of the active columns whose x is not zero into nonzero_; their count.
  std::uint32_t ListNonzeroTerms() {
    std::uint32_t count = 0;
    for (std::uint32_t p = 0; p < count_; ++p) {
      if (terms_[p].x.Get() != 0) nonzero_[count++] = p;
    }
    return count;
  }
  // b_i - theta d_i (theta for row r) and Binv := Binv - v a, row by row.
  void UpdateRows(std::uint32_t r, long double theta, long double v_r, const Cell* v) {
    Cell* row = c_;
    for (std::uint32_t i = 0; i < N(); ++i, row += N()) {
      b_[i].Set(i == r ? theta : b_[i].Get() - theta * d_[i].Get());
      const long double v_i = i == r ? v_r : v[i].Get();
      for (std::uint32_t p = 0; p < count_; ++p) row[p].Set(row[p].Get() - v_i * terms_[p].a.Get());
    }
  }
  void GatherColumnOfM(std::uint32_t j) {
    for (std::uint32_t p = 0; p < count_; ++p) terms_[p].x.Set(m_[active_[p]][j]);
  }
  // Row k of a variable's basis column: column j of M for z_j, -e_j for w_j.
  long double ColumnAt(std::int32_t variable, std::uint32_t k) const {
    const auto n = static_cast<std::int32_t>(N());
    return variable < n ? m_[k][variable] : (k == static_cast<std::uint32_t>(variable - n) ? -1.0L : 0.0L);
  }
  // The pass over the rows when z_j enters next: b_i - theta d_i (theta for row r), row i of Binv
  // minus v_i a, then times column j of M (gathered in terms_), into d_i, and the first ratio pass over
  // the new b and d, which it returns.
  [[gnu::always_inline]] long double UpdateAndMultiply(std::uint32_t r, long double theta, long double v_r,
                                                       const Cell* v, std::uint32_t j) {
    const std::uint32_t count = count_;
    const TTerm* terms = terms_;
    long double theta_max = infinity_;
    pivot_rows_ = 0;
    Cell* row = c_;
    for (std::uint32_t i = 0; i < N(); ++i, row += N()) {
      const long double b_i = i == r ? theta : b_[i].Get() - theta * d_[i].Get();
      b_[i].Set(b_i);
      const long double v_i = i == r ? v_r : v[i].Get();
      const std::uint32_t diagonal = diagonal_[i];
      long double sum = 0;
      std::uint32_t p = 0;
      if (diagonal <= count) {
        for (; p < diagonal; ++p) {
          const long double updated = row[p].Get() - v_i * terms[p].a.Get();
          row[p].Set(updated);
          sum += updated * terms[p].x.Get();
        }
        // Read here, not kept beside the sum: the x87 stack has no room for it in the loop.
        sum -= m_[i][j];
      }
      for (; p < count; ++p) {
        const long double updated = row[p].Get() - v_i * terms[p].a.Get();
        row[p].Set(updated);
        sum += updated * terms[p].x.Get();
      }
      d_[i].Set(sum);
      theta_max = Relax(theta_max, b_i, sum, i);
    }
    return theta_max;
  }
  // Column k of Binv (still -e_k) joins the listed ones, at its place in every row.
  void Activate(std::uint32_t k) {
    const std::uint32_t p = diagonal_[k];
    for (std::uint32_t i = 0; i < N(); ++i) {
      Cell* row = Row(i);
      for (std::uint32_t q = count_; q > p; --q) row[q] = row[q - 1];
      row[p].SetExact(i == k ? -1 : 0);
    }
    for (std::uint32_t q = count_; q > p; --q) active_[q] = active_[q - 1];
    active_[p] = k;
    ++count_;
    diagonal_[k] = kNever;
    for (std::uint32_t j = k + 1; j < N(); ++j) diagonal_[j] += diagonal_[j] <= N() ? 1 : 0;
  }
  // The pivot on row r: b moves by theta along d, the basis column of row r, that of `leaving`,
  // becomes Be of `entering` (Sherman-Morrison), d becomes the direction of the complement of
  // `leaving`, which enters next, and theta_max_ the first ratio pass over it. terms_ hold Be over the
  // active columns. False on a breakdown: a non-finite v or a, or magnitudes that the next update could
  // overflow.
  [[gnu::always_inline]] bool Pivot(std::uint32_t r, long double theta, std::int32_t entering,
                                    std::int32_t leaving);

  const std::uint32_t n_;
  // The unknowns, known at compile time for the small problems that have a pivoting of their own.
  std::uint32_t N() const { return kN != 0 ? kN : n_; }
  const std::int32_t z0_;
  const long double& lexico_;     // lexico zero tolerance of the first ratio pass
  const long double& tolerance_;  // pivot tolerance
  const long double& infinity_;   // the ratio that stands for infinity
  long double theta_max_ = 0;    // the first ratio pass's result for d
  Cell* c_;                      // Binv row by row, n_ cells per row: the active columns in list order
  Cell* b_;                      // values of the basic variables
  Cell* d_;                      // Binv Be
  Cell* v_;                      // Binv u, where it differs from d
  Cell* u_;                      // new minus old basis column, where v needs it
  // Over the active columns: a, row r of Binv / (s + 1), and x, the vector multiplied.
  struct TTerm {
    Cell a;
    Cell x;
  };
  TTerm* terms_;
  const long double* const* m_;  // rows of M
  std::uint32_t* active_;        // the active column numbers, ascending
  // Where row i's sum meets the -1 on its diagonal: before the active column at that position while
  // column i is at rest (the number of active columns below i), kNever once it is active.
  std::uint32_t* diagonal_;
  std::int32_t* basis_;          // variable number of the basic variable of each row
  std::uint32_t* nonzero_;       // positions of the active columns where a multiplied x is not zero
  std::uint32_t count_ = 0;      // number of active columns
  // The rows whose d lies above the pivot tolerance, one bit each, for up to kPivotRowBits rows.
  static constexpr std::uint32_t kPivotRowBits = 64;
  std::uint64_t pivot_rows_ = 0;
  std::uint16_t status_ = 0;     // the x87 status word after the last number stored in a split cell
  long double bound_ = 1;        // bounds every |Binv(i, j)|
};

template <typename Cell, std::uint32_t kN>
inline bool TPivoting<Cell, kN>::Pivot(std::uint32_t r, long double theta, std::int32_t entering,
                                      std::int32_t leaving) {
  const std::uint32_t n = N();
  // v = Binv u with u = Be - (column of the leaving variable). v_r goes to v_, with the rest when v
  // differs from d.
  const Cell* v = d_;
  if (!IsActive(r)) {
    // w_r leaves for the first time: only v_r differs from d_r, by u_r = Be_r + 1 on the diagonal.
    v_[r].Set(RowDot(r, ColumnAt(entering, r) + 1));
    Activate(r);
  } else {
    for (std::uint32_t k = 0; k < n; ++k) u_[k].Set(ColumnAt(entering, k) - ColumnAt(leaving, k));
    for (std::uint32_t p = 0; p < count_; ++p) terms_[p].x = u_[active_[p]];
    if constexpr (Cell::kGuarded) {
      // u, a column of M against another or a unit vector, is mostly zeros where bodies touch few others.
      const std::uint32_t count = ListNonzeroTerms();
      for (std::uint32_t i = 0; i < n; ++i) v_[i].Set(SparseRowDot(i, u_[i].Get(), count));
    } else {
      for (std::uint32_t i = 0; i < n; ++i) v_[i].Set(RowDot(i, u_[i].Get()));
    }
    v = v_;
  }

  // s = a.U with a = row r of Binv is v_r: the same products summed in the same order.
  const long double v_r = v_[r].Get();
  const long double divisor = v_r + 1;
  const Cell* row_r = Row(r);
  long double max_a = 0;
  bool finite = Cell::kGuarded || std::isfinite(v_r);
  for (std::uint32_t p = 0; p < count_; ++p) {
    const long double a = row_r[p].Get() / divisor;
    terms_[p].a.Set(a);
    if constexpr (!Cell::kGuarded) {
      finite &= std::isfinite(a);
      max_a = std::fabs(a) > max_a ? std::fabs(a) : max_a;
    }
  }
  if (!finite) return false;

  // One pass over the rows: b_i - theta d_i (theta for row r), Binv := Binv - v a, and, when z_j enters
  // next, the updated row times column j of M. A row whose v_i is an exact 0 keeps its bits, since a is
  // finite and Binv never holds -0.
  const bool z_next = leaving >= static_cast<std::int32_t>(n);
  const std::uint32_t j = z_next ? static_cast<std::uint32_t>(leaving) - n : static_cast<std::uint32_t>(leaving);
  long double max_v = 0;
  if constexpr (!Cell::kGuarded) {
    for (std::uint32_t i = 0; i < n; ++i) {
      const long double v_i = i == r ? v_r : v[i].Get();
      finite &= std::isfinite(v_i);
      max_v = std::fabs(v_i) > max_v ? std::fabs(v_i) : max_v;
    }
    if (!finite) return false;
  }
  long double theta_max;
  if (z_next) GatherColumnOfM(j);
  const std::uint32_t nonzeros = Cell::kGuarded && z_next ? ListNonzeroTerms() : count_;
  if (z_next && 2 * nonzeros > count_) {
    theta_max = UpdateAndMultiply(r, theta, v_r, v, j);
  } else {
    UpdateRows(r, theta, v_r, v);
    theta_max = infinity_;
    pivot_rows_ = 0;
    if (z_next) {
      // Column j of M mostly zeros (a contact couples only with those of its two bodies): the updated rows
      // are multiplied over its nonzeros alone, the same sums to the bit.
      for (std::uint32_t i = 0; i < n; ++i) {
        const long double d_i = SparseRowDot(i, m_[i][j], nonzeros);
        d_[i].Set(d_i);
        theta_max = Relax(theta_max, b_[i].Get(), d_i, i);
      }
    } else {
      // w_j enters next, Be = -e_j: d_i = 0 + Binv(i, j) (-1), or e_j while column j is at rest.
      std::uint32_t place = 0;
      while (place < count_ && active_[place] != j) ++place;
      for (std::uint32_t i = 0; i < n; ++i) {
        const long double d_i = IsActive(j) ? 0.0L + Row(i)[place].Get() * -1.0L : (i == j ? 1.0L : 0.0L);
        d_[i].Set(d_i);
        theta_max = Relax(theta_max, b_[i].Get(), d_i, i);
      }
      for (std::uint32_t p = 0; p < count_; ++p) terms_[p].x.SetExact(active_[p] == j ? -1 : 0);
    }
  }
  theta_max_ = theta_max;
  if constexpr (Cell::kGuarded) return true;
  bound_ += max_v * max_a;
  return bound_ <= kBoundLimit;
}

template <typename Cell, std::uint32_t kN>
inline TOutcome TPivoting<Cell, kN>::Run(const long double* q, std::uint32_t r0, const long double& qmin,
                                  std::uint64_t passes, std::vector<TLCPPivot>* Pivots, long double* z,
                                  long double* w) {
  const std::uint32_t n = N();
  // z0 enters in place of w_r0: B = -I with column r0 replaced by the covering vector e. With
  // u = e + e_r0, v = Binv u = -u and s + 1 = -1, the update turns column r0 of Binv into ones exactly
  // and leaves the others alone; the bound grows by max |v| max |a| = 2. Then z_r0 enters.
  const long double t0 = -qmin;
  for (std::uint32_t i = 0; i < n; ++i) {
    basis_[i] = static_cast<std::int32_t>(n + i);
    diagonal_[i] = i > r0 ? 1 : 0;
    Row(i)[0].SetExact(1);
  }
  basis_[r0] = z0_;
  diagonal_[r0] = kNever;
  active_[0] = r0;
  count_ = 1;
  bound_ += 2;
  GatherColumnOfM(r0);
  long double theta_max = infinity_;
  pivot_rows_ = 0;
  for (std::uint32_t i = 0; i < n; ++i) {
    const long double b_i = i == r0 ? t0 : q[i] + t0;
    b_[i].Set(b_i);
    const long double d_i = RowDot(i, m_[i][r0]);
    d_[i].Set(d_i);
    theta_max = Relax(theta_max, b_i, d_i, i);
  }
  theta_max_ = theta_max;
  std::int32_t left = static_cast<std::int32_t>(n + r0);

  for (std::uint64_t pass = 0; pass < passes; ++pass) {
    if (left == z0_) return TOutcome::Solved;
    // The complement of the leaving variable enters; d is its direction, theta_max_ the first pass of
    // the ratio test over it.
    const std::int32_t entering = left < static_cast<std::int32_t>(n) ? left + static_cast<std::int32_t>(n)
                                                                       : left - static_cast<std::int32_t>(n);
    // Every number of this pass's decisions lies in a cell by now: the status word tells whether the
    // cells held them (what this pass computes besides is the extended arithmetic's own).
    if constexpr (Cell::kGuarded) status_ = X87Status();
    const long double theta_max = theta_max_;
    if (theta_max >= infinity_) return TOutcome::UnboundedRay;

    // Second pass: z0 leaves whenever it may; otherwise the largest pivot within theta_max, the first
    // of equal ones. Only a row that would be chosen needs its ratio compared.
    bool found = false;
    std::uint32_t r = 0;
    long double theta = 0;
    long double best = 0;
    // Row i, whose d is above the tolerance; true when the search ends with it.
    const auto consider = [&](std::uint32_t i, long double d) {
      const bool holds_z0 = basis_[i] == z0_;
      if (!holds_z0 && !(std::fabs(d) > best)) return false;
      const long double ratio = b_[i].Get() / d;
      if (!(ratio <= theta_max)) return false;
      r = i;
      theta = ratio;
      found = true;
      best = std::fabs(d);
      return holds_z0;
    };
    if (n <= kPivotRowBits) {
      // The first pass listed the rows above the tolerance.
      for (std::uint64_t rows = pivot_rows_; rows != 0; rows &= rows - 1) {
        const auto i = static_cast<std::uint32_t>(std::countr_zero(rows));
        if (consider(i, d_[i].Get())) break;
      }
    } else {
      for (std::uint32_t i = 0; i < n; ++i) {
        const long double d = d_[i].Get();
        if (d > tolerance_ && consider(i, d)) break;
      }
    }
    // A negative tolerance or a NaN bound can leave every row outside theta_max: no admissible pivot.
    if (!found) return TOutcome::NoPivotRow;

    const std::int32_t leaving = basis_[r];
    if (leaving != z0_) {
      if (!Pivot(r, theta, entering, leaving)) return TOutcome::Breakdown;
    } else if constexpr (Cell::kGuarded) {
      // z0 leaves: the values go straight to z and w, as the next pass would take them.
      basis_[r] = entering;
      if (Pivots != nullptr) Pivots->push_back({entering, leaving, r});
      if (pass + 1 == passes) return TOutcome::PassLimit;
      // Read from doubles, theta = b_r / d_r stays below 2^2100 and every b_i - theta d_i below 2^3200:
      // the values are finite, as the extended cells' check would find them.
      ZeroElements(z, n);
      ZeroElements(w, n);
      for (std::uint32_t i = 0; i < n; ++i) {
        const long double value = i == r ? theta : b_[i].Get() - theta * d_[i].Get();
        const std::int32_t k = basis_[i];
        (k < static_cast<std::int32_t>(n) ? z[k] : w[k - static_cast<std::int32_t>(n)]) = value;
      }
      return TOutcome::Solved;
    } else {
      // Binv is not read again once z0 has left: the next pass returns the basic values.
      for (std::uint32_t i = 0; i < n; ++i) b_[i].Set(b_[i].Get() - theta * d_[i].Get());
      b_[r].Set(theta);
    }
    basis_[r] = entering;
    if (Pivots != nullptr) Pivots->push_back({entering, leaving, r});
    left = leaving;
  }
  if constexpr (Cell::kGuarded) status_ = X87Status();
  return TOutcome::PassLimit;
}

}  // namespace

namespace {

// The tabled tolerance 10^(-6 - k) of a rounded logarithm k, as LCPPivotTolerance takes it.
long double TabledTolerance(int k) {
  constexpr int kExponent = static_cast<int>(kLCPPivotToleranceExponent);
  return kExponent - k >= 0 ? kPowersOfTen[kExponent - k] : kReciprocalPowersOfTen[k - kExponent];
}

// Every rounded logarithm k <= Cut of the table whose tolerance needs no library power gives
// ToleranceMax after clamping; NoCut when even the lowest does not. The tolerance falls as k grows.
struct TClampCut {
  static constexpr int kNoCut = kLowestHalfPower - 1;
  long double min = 0, max = 0;
  int cut = kNoCut;
  bool known = false;
};

// The cut for bounds other than the last pair's; `last` becomes theirs.
[[gnu::noinline]] int NewClampCut(const long double& ToleranceMin, const long double& ToleranceMax,
                                  TClampCut& last) {
  constexpr int kExponent = static_cast<int>(kLCPPivotToleranceExponent);
  // Up to here the power is tabled (|kExponent - k| < kExactPowersOfTen) for every k of the table.
  constexpr int kHighest = kExponent + kExactPowersOfTen - 1;
  int cut = TClampCut::kNoCut;
  for (int k = kLowestHalfPower; k <= kHighest && k < kLowestHalfPower + kHalfPowers; ++k) {
    long double tolerance = TabledTolerance(k);
    if (ToleranceMin > tolerance) tolerance = ToleranceMin;
    // NaN bounds never pass: their clamping is left to the full computation.
    if (!(tolerance >= ToleranceMax) || std::isnan(ToleranceMax)) break;
    cut = k;
  }
  last = {ToleranceMin, ToleranceMax, cut, true};
  return cut;
}

int ClampCut(const long double& ToleranceMin, const long double& ToleranceMax) {
  // The settings change rarely (a job may rewrite them during a run): the cut is kept for the last pair.
  thread_local TClampCut last;
  if (last.known && SameBits(&last.min, &ToleranceMin, 1) && SameBits(&last.max, &ToleranceMax, 1)) {
    return last.cut;
  }
  return NewClampCut(ToleranceMin, ToleranceMax, last);
}

}  // namespace

namespace {

// The pivot tolerance from the mean, with its rounded logarithm.
[[gnu::noinline]] long double PivotToleranceOfMean(const long double& sum, std::uint32_t n,
                                                   const long double& ToleranceMin,
                                                   const long double& ToleranceMax) {
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

// The pivot tolerance of n > 0 values whose |q_i| sum to `sum`, added in order from 0.
inline long double PivotToleranceOfSum(const long double& sum, std::uint32_t n,
                                       const long double& ToleranceMin, const long double& ToleranceMax) {
  // The common case needs no logarithm: a mean that lies inside the table and clearly below the
  // boundary 10^(cut + 1/2) has a rounded logarithm of at most the cut, whose tolerance clamps to the
  // maximum. Compared as the sum against n times the bounds, the mean's division is spared too: a sum
  // a relative 2^-39 clear of n b leaves sum / n more than 2^-40 clear of b, as the table needs.
  const int cut = ClampCut(ToleranceMin, ToleranceMax);
  if (cut != TClampCut::kNoCut) {
    const long double count = n;
    if (sum >= count * (2 * kTableBottom) &&
        sum < count * kHalfPowersOfTen[cut - kLowestHalfPower] * (1 - 2 * kBoundaryMargin)) {
      return ToleranceMax;
    }
  }
  return PivotToleranceOfMean(sum, n, ToleranceMin, ToleranceMax);
}

}  // namespace

long double LCPPivotTolerance(const TFloatList& q, long double ToleranceMin, long double ToleranceMax) {
  const std::uint32_t n = q.Count();
  if (n == 0) return ToleranceMax;
  const long double* qd = q.Data();
  long double sum = 0;
  for (std::uint32_t i = 0; i < n; ++i) sum += std::fabs(qd[i]);
  return PivotToleranceOfSum(sum, n, ToleranceMin, ToleranceMax);
}

namespace {

// What a solve reads besides M and q, in place: SolveLCP calls it on every contact solve, and copying
// extended reals into arguments costs the x87 unit more than reading them where they lie.
struct TLemkeInputs {
  const long double& Infinity;
  const long double& LexicoZeroTolerance;
  // The pivot tolerance as given; when null, chosen from q within ToleranceMin and ToleranceMax (only
  // when a pivot is needed: it has no other use).
  const long double* PivotTolerance;
  const long double* ToleranceMin;
  const long double* ToleranceMax;
  const long double& Zero;
  bool LogUnboundedRay;
  bool LogMaximumIterations;
  const long double& Time;
  ILogSink* Log;
  std::vector<TLCPPivot>* Pivots;
  std::uint64_t PassLimit;
};

bool Lemke(const TSqrMatrix& M, TFloatList& q, TFloatList& W, TFloatList& Z, const TLemkeInputs& in);
}  // namespace

bool SolveLCP(const TLCPSettings& Settings, long double Time, const TSqrMatrix& M, TFloatList& q,
              TFloatList& W, TFloatList& Z) {
  static constexpr long double kInfinity = kLCPInfinity, kZero = kLCPZero;
  return Lemke(M, q, W, Z,
               {.Infinity = kInfinity,
                .LexicoZeroTolerance = Settings.LexicoZeroTolerance,
                .PivotTolerance = nullptr,
                .ToleranceMin = &Settings.PivotToleranceMin,
                .ToleranceMax = &Settings.PivotToleranceMax,
                .Zero = kZero,
                .LogUnboundedRay = Settings.LogUnboundedRay,
                .LogMaximumIterations = Settings.LogMaximumIterations,
                .Time = Time,
                .Log = Settings.Log,
                .Pivots = nullptr,
                .PassLimit = 0});
}

namespace {

// What a dense solve works in, kept per thread from solve to solve: solving the contacts of one step
// after another then allocates nothing.
struct TDenseSolveScratch {
  std::vector<std::uint32_t> parent, number, group;
  std::vector<std::vector<std::uint32_t>> rows;
  TSqrMatrix m;
  TFloatList q, w, z;
};

// The unknowns split into groups that no element of M couples (M(i, j) = M(j, i) = 0 across groups):
// rows[g] the unknowns of group g, groups numbered in order of their first unknown; the count of groups.
std::uint32_t CoupledGroups(const TDenseMatrix& M, std::uint32_t n, TDenseSolveScratch& s) {
  std::vector<std::uint32_t>& parent = s.parent;
  parent.resize(n);
  for (std::uint32_t i = 0; i < n; ++i) parent[i] = i;
  auto root = [&](std::uint32_t i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
  };
  for (std::uint32_t i = 0; i < n; ++i) {
    for (std::uint32_t j = i + 1; j < n; ++j) {
      if (M(i, j) != 0 || M(j, i) != 0) {
        const std::uint32_t a = root(i), b = root(j);
        if (a != b) parent[std::max(a, b)] = std::min(a, b);
      }
    }
  }
  s.number.assign(n, n);
  std::uint32_t count = 0;
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::uint32_t r = root(i);
    if (s.number[r] == n) {
      s.number[r] = count++;
      if (s.rows.size() < count) s.rows.resize(count);
      s.rows[count - 1].clear();
    }
    s.rows[s.number[r]].push_back(i);
  }
  return count;
}

// One LCP over the unknowns `rows` of the whole problem.
bool SolveLCPPart(const TLCPSettings& Settings, long double Time, const TDenseMatrix& M,
                  const std::vector<std::uint32_t>& rows, std::vector<long double>& q, std::vector<long double>& W,
                  std::vector<long double>& Z, TDenseSolveScratch& s) {
  const auto size = static_cast<std::uint32_t>(rows.size());
  s.m.Dim(size);
  s.m.C = 1.0L;
  for (std::uint32_t r = 0; r < size; ++r) {
    long double* row = s.m.RowData(r);
    for (std::uint32_t c = 0; c < size; ++c) row[c] = M(rows[r], rows[c]);
  }
  s.q.Dim(size);
  s.w.Dim(size);
  s.z.Dim(size);
  for (std::uint32_t r = 0; r < size; ++r) s.q.Data()[r] = q[rows[r]];
  const bool solved = SolveLCP(Settings, Time, s.m, s.q, s.w, s.z);
  for (std::uint32_t r = 0; r < size; ++r) {
    q[rows[r]] = s.q.Data()[r];
    W[rows[r]] = s.w.Data()[r];
    Z[rows[r]] = s.z.Data()[r];
  }
  return solved;
}

}  // namespace

bool SolveLCP(const TLCPSettings& Settings, long double Time, const TDenseMatrix& M, std::vector<long double>& q,
              std::vector<long double>& W, std::vector<long double>& Z) {
  const auto size = static_cast<std::uint32_t>(q.size());
  W.assign(size, 0.0L);
  Z.assign(size, 0.0L);
  if (M.Rows() < size || M.Cols() < size) {
    Settings.Log->AddLine("[Error] LCP of size " + std::to_string(size) + " needs a matrix of at least " +
                          std::to_string(size) + "x" + std::to_string(size) + "; got " +
                          std::to_string(M.Rows()) + "x" + std::to_string(M.Cols()) + ".");
    return false;
  }
  if (size == 0) return true;
  // Bodies that touch nothing in common make a block-diagonal problem whose blocks are LCPs of their own:
  // solved apart, the work grows with the bodies, not with their cube.
  thread_local TDenseSolveScratch scratch;
  const std::uint32_t groups = CoupledGroups(M, size, scratch);
  for (std::uint32_t g = 0; g < groups; ++g) {
    if (!SolveLCPPart(Settings, Time, M, scratch.rows[g], q, W, Z, scratch)) {
      std::fill(W.begin(), W.end(), 0.0L);
      std::fill(Z.begin(), Z.end(), 0.0L);
      return false;
    }
  }
  return true;
}

namespace {

// The pivoting in split cells, and whether the cells held every value exactly (no flag raised): only
// then is its outcome that of the extended arithmetic, and `solved` says whether W and Z hold the
// solution.
// One solve's pivoting: its data, where its working data lie and where z and w go.
struct TSolve {
  const long double* const* rows;
  std::uint32_t n;
  void* memory;
  const long double& lexico;
  const long double& tolerance;
  const long double& infinity;
  const long double* q;
  std::uint32_t r0;
  const long double& qmin;
  std::uint64_t passes;
  std::vector<TLCPPivot>* pivots;
  long double* z;
  long double* w;
};

// The pivoting in split cells, for kN unknowns when kN is not 0. Its outcome is that of the extended
// arithmetic when it raised none of the flags a split cell's store may raise.
template <std::uint32_t kN>
TOutcome SplitPivoting(const TSolve& s, std::uint16_t& status) {
  TPivoting<TSplitCell, kN> pivoting(s.rows, s.n, s.memory, s.lexico, s.tolerance, s.infinity);
  const TOutcome outcome = pivoting.Run(s.q, s.r0, s.qmin, s.passes, s.pivots, s.z, s.w);
  status = pivoting.Status();
  return outcome;
}

// The few unknowns of the common contact problems have pivotings of their own, with the loops' bounds
// known.
TOutcome SplitPivoting(const TSolve& s, std::uint16_t& status) {
  switch (s.n) {
    case 3: return SplitPivoting<3>(s, status);
    case 4: return SplitPivoting<4>(s, status);
    case 5: return SplitPivoting<5>(s, status);
    case 6: return SplitPivoting<6>(s, status);
    default: return SplitPivoting<0>(s, status);
  }
}

// What a pivoting made of the problem: whether z and w hold its solution, and how it ended.
struct TResult {
  bool solved;
  TOutcome outcome;
};

// The flags the caller had raised, raised again.
void RestoreX87Flags(std::uint16_t caller_flags) {
  const std::uint16_t lost = caller_flags & ~X87Status();
  if (lost != 0) RaiseX87Flags(lost);
}

// The pivoting in extended cells, after split cells that could not hold a value: from clear flags, so
// that only the extended arithmetic's own flags stay raised besides the caller's. Pivots drops those of
// the split cells' run (beyond `traced`). True when it solved the problem, with z and w written.
[[gnu::noinline]] TResult ExtendedPivoting(const TSolve& s, std::size_t traced, std::uint16_t caller_flags) {
  ClearX87Flags();
  if (s.pivots != nullptr) s.pivots->resize(traced);
  TPivoting<TExtendedCell> plain(s.rows, s.n, s.memory, s.lexico, s.tolerance, s.infinity);
  const TOutcome outcome = plain.Run(s.q, s.r0, s.qmin, s.passes, s.pivots, s.z, s.w);
  const bool solved = outcome == TOutcome::Solved && plain.WriteResult(s.z, s.w);
  RestoreX87Flags(caller_flags);
  return {solved, outcome};
}

// The pivoting for a caller who has one of the split cells' flags raised: they must start clear, so the
// flags are cleared for the solve and raised again after it (they are sticky for the caller).
[[gnu::noinline]] TResult PivotingWithCallerFlags(const TSolve& s, std::size_t traced,
                                                  std::uint16_t caller_flags) {
  ClearX87Flags();
  std::uint16_t status;
  const TOutcome outcome = SplitPivoting(s, status);
  if ((status & kInexactCellFlags) != 0) return ExtendedPivoting(s, traced, caller_flags);
  RestoreX87Flags(caller_flags);
  return {outcome == TOutcome::Solved, outcome};
}

// The end of a solve without a solution: zeros in z and w, and the alert asked for.
[[gnu::noinline]] bool NoSolution(const TSolve& s, TOutcome outcome, const TLemkeInputs& in) {
  ZeroElements(s.w, s.n);
  ZeroElements(s.z, s.n);
  if (outcome == TOutcome::UnboundedRay && in.LogUnboundedRay) {
    in.Log->AddLine("[Alert] At t=" + FloatToText(in.Time) + "s unbounded ray in LCP solving.");
  }
  if (outcome == TOutcome::PassLimit && in.LogMaximumIterations) {
    in.Log->AddLine("[Alert] At t=" + FloatToText(in.Time) + "s reached maximum number of iteration steps(" +
                    std::to_string(s.passes) + ") in LCP solving.");
  }
  return false;
}

// A matrix or result lists too small for q: zeros and an error line.
[[gnu::noinline]] bool WrongSizes(const TSqrMatrix& M, std::uint32_t n, TFloatList& W, TFloatList& Z,
                                  const TLemkeInputs& in) {
  W.Zero();
  Z.Zero();
  in.Log->AddLine("[Error] LCP of size " + std::to_string(n) + " needs a matrix of at least " +
                  std::to_string(n) + "x" + std::to_string(n) + " and result lists of at least " +
                  std::to_string(n) + " elements; got " + std::to_string(M.RowCount()) + "x" +
                  std::to_string(M.ColCount()) + ", " + std::to_string(W.Count()) + " and " +
                  std::to_string(Z.Count()) + ".");
  return false;
}

// LemkeSolve, and SolveLCP with the tolerance chosen from q.
bool Lemke(const TSqrMatrix& M, TFloatList& q, TFloatList& W, TFloatList& Z, const TLemkeInputs& in) {
  const std::uint32_t n = q.Count();
  if (n == 0) {
    W.Zero();
    Z.Zero();
    return true;
  }
  if (M.RowCount() < n || M.ColCount() < n || W.Count() < n || Z.Count() < n)
    return WrongSizes(M, n, W, Z, in);
  // Every path writes the first n elements of W and Z; longer lists are zero beyond them.
  long double* const w = W.Data();
  long double* const z = Z.Data();
  if (W.Count() > n) ZeroElements(w + n, W.Count() - n);
  if (Z.Count() > n) ZeroElements(z + n, Z.Count() - n);

  // The smallest q_i (the first of equal ones) from the values as given, and the sum of their
  // magnitudes for the pivot tolerance; then tiny ones become 0.
  // The minimum is kept as its index: a minimum kept as a number goes through memory as an extended
  // real, and its next load waits for the store.
  long double* qd = q.Data();
  std::uint32_t r0 = 0;
  long double sum = 0;
  for (std::uint32_t i = 0; i < n; ++i) {
    sum += std::fabs(qd[i]);
    r0 = qd[i] < qd[r0] ? i : r0;
  }
  const long double qmin = qd[r0];
  for (std::uint32_t i = 0; i < n; ++i) {
    if (std::fabs(qd[i]) < in.Zero) ZeroElements(qd + i, 1);
  }
  // Infinite or NaN data have no solution; refusing them also keeps every skipped term an exact zero.
  // A finite sum has only finite terms (an unnormal encoding makes it NaN); a sum that overflowed
  // needs a closer look.
  if (!(sum <= LDBL_MAX) && !AllFinite(qd, n)) {
    ZeroElements(w, n);
    ZeroElements(z, n);
    return false;
  }
  if (qmin >= 0) {
    std::memcpy(w, qd, std::size_t{n} * sizeof(long double));
    ZeroElements(z, n);
    return true;
  }
  const long double PivotTolerance = in.PivotTolerance != nullptr
                                         ? *in.PivotTolerance
                                         : PivotToleranceOfSum(sum, n, *in.ToleranceMin, *in.ToleranceMax);
  // Small problems, the common case of a few contacts, keep their working data on the stack (up to
  // n = 28).
  constexpr std::size_t kStackBytes = 16384;
  alignas(alignof(long double)) unsigned char stack[kStackBytes];
  std::unique_ptr<long double[]> heap;
  void* memory = stack;
  const std::size_t bytes = TPivoting<TSplitCell>::Bytes(n);
  if (bytes > kStackBytes) {
    heap = std::make_unique_for_overwrite<long double[]>(bytes / sizeof(long double) + 1);
    memory = heap.get();
  }
  // M's rows are looked up once, for the check and the pivoting both.
  constexpr std::uint32_t kStackRows = 32;
  const long double* stack_rows[kStackRows];
  std::unique_ptr<const long double*[]> heap_rows;
  const long double** rows = stack_rows;
  if (n > kStackRows) {
    heap_rows = std::make_unique_for_overwrite<const long double*[]>(n);
    rows = heap_rows.get();
  }
  for (std::uint32_t i = 0; i < n; ++i) rows[i] = M.RowData(i);
  bool finite;
  switch (n) {
    case 3: finite = AllFinite<3>(rows, n); break;
    case 4: finite = AllFinite<4>(rows, n); break;
    case 5: finite = AllFinite<5>(rows, n); break;
    case 6: finite = AllFinite<6>(rows, n); break;
    default: finite = AllFinite<0>(rows, n); break;
  }
  if (!finite) {
    ZeroElements(w, n);
    ZeroElements(z, n);
    return false;
  }

  const TSolve solve{rows,      n,  memory, in.LexicoZeroTolerance, PivotTolerance, in.Infinity, qd, r0, qmin,
                     in.PassLimit != 0 ? in.PassLimit : PassLimit(n), in.Pivots, z, w};
  const std::size_t traced = in.Pivots != nullptr ? in.Pivots->size() : 0;
  const std::uint16_t caller_flags = X87Status() & kExceptionFlags;
  TResult result;
  if ((caller_flags & kInexactCellFlags) != 0) {
    result = PivotingWithCallerFlags(solve, traced, caller_flags);
  } else {
    std::uint16_t status;
    const TOutcome outcome = SplitPivoting(solve, status);
    result = (status & kInexactCellFlags) == 0 ? TResult{outcome == TOutcome::Solved, outcome}
                                                     : ExtendedPivoting(solve, traced, caller_flags);
  }
  // A breakdown on the way (a singular update, values that overflow) is no solution either.
  return result.solved || NoSolution(solve, result.outcome, in);
}

}  // namespace

bool LCPSolutionHolds(const TDenseMatrix& M, const std::vector<long double>& q,
                      const std::vector<long double>& W, const std::vector<long double>& Z,
                      long double Slack) {
  const std::size_t n = q.size();
  if (W.size() < n || Z.size() < n || M.Rows() < n || M.Cols() < n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    const long double* row = M.Row(static_cast<std::uint32_t>(i));
    long double w = q[i];
    for (std::size_t j = 0; j < n; ++j) w += row[j] * Z[j];
    // Written so that NaN fails every test.
    if (!(W[i] >= -Slack && Z[i] >= -Slack && std::fabs(W[i] - w) <= Slack)) return false;
    if (!(std::fabs(W[i] * Z[i]) <= Slack * std::max(std::fabs(W[i]), std::fabs(Z[i])))) return false;
  }
  return true;
}

namespace {

// z_B := the solution of M_BB z_B = -q_B over the basic rows, 0 elsewhere, and w := M z + q (0 for the
// basic rows). M_BB is eliminated with symmetric pivoting, taking at each step, among the rows whose
// remaining diagonal is not singular to working precision, the one of the highest priority: rows left
// when none remains are linearly dependent on those taken (a statically indeterminate support: four
// collinear corner contacts between two boxes hold what two of them hold) and leave the basis. False
// when a value is not finite.
bool SolveOnBasis(const TDenseMatrix& M, const std::vector<long double>& q, std::vector<char>& Basic,
                  const std::vector<long double>& Priority, std::vector<long double>& W,
                  std::vector<long double>& Z, TLCPBasisScratch& Scratch) {
  const auto n = static_cast<std::uint32_t>(q.size());
  std::vector<std::uint32_t>& basic = Scratch.basic;
  basic.clear();
  for (std::uint32_t i = 0; i < n; ++i) {
    if (Basic[i] != 0) basic.push_back(i);
  }
  const auto k = static_cast<std::uint32_t>(basic.size());
  // [M_BB | -q_B], eliminated in place; basic[] follows the symmetric exchanges.
  std::vector<long double>& a = Scratch.lu;
  a.resize(std::size_t{k} * (k + 1));
  const auto at = [&](std::uint32_t r, std::uint32_t c) -> long double& {
    return a[std::size_t{r} * (k + 1) + c];
  };
  long double largest = 0;
  for (std::uint32_t r = 0; r < k; ++r) {
    for (std::uint32_t c = 0; c < k; ++c) {
      at(r, c) = M(basic[r], basic[c]);
      largest = std::max(largest, std::fabs(at(r, c)));
    }
    at(r, k) = -q[basic[r]];
  }
  const long double singular = kLCPBasisSingular * largest;
  std::uint32_t rank = 0;
  for (; rank < k; ++rank) {
    std::uint32_t pivot = k;
    for (std::uint32_t r = rank; r < k; ++r) {
      const bool preferred = pivot == k || Priority[basic[r]] > Priority[basic[pivot]];
      if (std::fabs(at(r, r)) > singular && preferred) pivot = r;
    }
    if (pivot == k) break;
    if (pivot != rank) {
      for (std::uint32_t j = 0; j <= k; ++j) std::swap(at(pivot, j), at(rank, j));
      for (std::uint32_t i = 0; i < k; ++i) std::swap(at(i, pivot), at(i, rank));
      std::swap(basic[pivot], basic[rank]);
    }
    // Only the pivot row's nonzero columns change the rows below (a zero would subtract a zero): a
    // contact couples only with the contacts of its own two bodies, and most of a stack's row is zeros.
    std::vector<std::uint32_t>& columns = Scratch.columns;
    std::vector<long double>& values = Scratch.values;
    columns.clear();
    values.clear();
    for (std::uint32_t j = rank + 1; j <= k; ++j) {
      if (at(rank, j) == 0) continue;
      columns.push_back(j);
      values.push_back(at(rank, j));
    }
    const std::size_t count = columns.size();
    const std::uint32_t* column = columns.data();
    const long double* value = values.data();
    for (std::uint32_t r = rank + 1; r < k; ++r) {
      const long double factor = at(r, rank) / at(rank, rank);
      if (factor == 0) continue;
      long double* row = &at(r, 0);
      for (std::size_t c = 0; c < count; ++c) row[column[c]] -= factor * value[c];
    }
  }
  for (std::uint32_t r = rank; r < k; ++r) Basic[basic[r]] = 0;
  Z.assign(n, 0.0L);
  W.assign(n, 0.0L);
  for (std::uint32_t c = rank; c-- > 0;) {
    long double sum = at(c, k);
    for (std::uint32_t j = c + 1; j < rank; ++j) sum -= at(c, j) * Z[basic[j]];
    Z[basic[c]] = sum / at(c, c);
    if (!std::isfinite(Z[basic[c]])) return false;
  }
  for (std::uint32_t i = 0; i < n; ++i) {
    if (Basic[i] != 0) continue;
    const long double* row = M.Row(i);
    long double sum = q[i];
    for (std::uint32_t r = 0; r < rank; ++r) sum += row[basic[r]] * Z[basic[r]];
    if (!std::isfinite(sum)) return false;
    W[i] = sum;
  }
  return true;
}

}  // namespace

bool SolveLCPFromGuess(const TDenseMatrix& M, const std::vector<long double>& q,
                       const std::vector<long double>& GuessW, const std::vector<long double>& GuessZ,
                       std::vector<long double>& W, std::vector<long double>& Z, long double Slack,
                       TLCPBasisScratch& Scratch) {
  const auto n = static_cast<std::uint32_t>(q.size());
  if (GuessW.size() != n || GuessZ.size() != n || M.Rows() < n || M.Cols() < n) return false;
  std::vector<char>& basis = Scratch.basis;
  std::vector<long double>& priority = Scratch.priority;
  basis.assign(n, 0);
  priority = GuessZ;
  for (std::uint32_t i = 0; i < n; ++i) basis[i] = GuessZ[i] > 0 && GuessZ[i] > GuessW[i] ? 1 : 0;
  long double entered = 0;
  for (std::uint32_t attempt = 0; attempt < kLCPBasisAttempts; ++attempt) {
    if (!SolveOnBasis(M, q, basis, priority, W, Z, Scratch)) return false;
    // Feasible: complementary by construction. Otherwise the row that breaks it most changes sides; one
    // that enters goes before every guessed one, so that it replaces a row it depends on.
    std::uint32_t worst = n;
    long double most = -Slack;
    for (std::uint32_t i = 0; i < n; ++i) {
      const long double value = basis[i] != 0 ? Z[i] : W[i];
      if (value < most) {
        most = value;
        worst = i;
      }
    }
    if (worst == n) return LCPSolutionHolds(M, q, W, Z, Slack);
    if (basis[worst] == 0) {
      entered = std::max(entered, *std::max_element(priority.begin(), priority.end())) * 2 + 1;
      priority[worst] = entered;
    }
    basis[worst] = basis[worst] != 0 ? 0 : 1;
  }
  return false;
}

TLCPFallback SolveLCPFallbacks(const TDenseMatrix& M, const std::vector<long double>& q, bool Pivoted,
                               std::vector<long double>& PivotW, std::vector<long double>& PivotZ,
                               const std::vector<long double>& LastW, const std::vector<long double>& LastZ,
                               std::vector<long double>& W, std::vector<long double>& Z,
                               TLCPBasisScratch& Scratch) {
  const long double scale = LCPSlack(q, 1);
  const long double slack = kLCPSolutionSlack * scale;
  if (SolveLCPFromGuess(M, q, LastW, LastZ, W, Z, slack, Scratch)) return TLCPFallback::LastBasis;
  if (Pivoted) {
    if (SolveLCPFromGuess(M, q, PivotW, PivotZ, W, Z, slack, Scratch)) return TLCPFallback::PivotingBasis;
    if (LCPSolutionHolds(M, q, PivotW, PivotZ, kLCPLooseSlack * scale)) {
      W.swap(PivotW);
      Z.swap(PivotZ);
      return TLCPFallback::LoosePivoting;
    }
  }
  return SolveLCPLexicographic(M, q, W, Z, slack) ? TLCPFallback::Lexicographic : TLCPFallback::None;
}

long double LCPSlack(const std::vector<long double>& q, long double Relative) {
  long double scale = 1;
  for (const long double x : q) scale = std::max(scale, std::fabs(x));
  return Relative * scale;
}

namespace {

// The fractional part of the golden ratio: its multiples modulo 1 scatter as evenly as any sequence.
constexpr long double kGoldenFraction = 0.61803398874989484820458683436563811772L;

// The lexicographic pivoting's working data: Binv row by row, the basic values b, the basic variable of
// each row (numbered as in LemkeSolve), the entering direction d and the rows still in the ratio test.
class TLexicographicPivoting {
 public:
  TLexicographicPivoting(const TDenseMatrix& M, const std::vector<long double>& q)
      : m_(M), q_(q), n_(static_cast<std::uint32_t>(q.size())), binv_(n_, n_), b_(q), d_(n_), basis_(n_) {
    for (std::uint32_t i = 0; i < n_; ++i) {
      binv_(i, i) = 1;
      basis_[i] = static_cast<std::int32_t>(n_ + i);
    }
    for (const long double x : q) zero_b_ = std::max(zero_b_, std::fabs(x));
    zero_b_ *= kLCPLexicographicZero;
  }

  // The pivoting from the start with the covering vector c (positive); true when z0 has left the basis.
  bool Run(const std::vector<long double>& c, std::vector<TLCPPivot>* Pivots) {
    // z0 enters (column -c, so d = -c) in place of w_r0, the last of the smallest q_i / c_i.
    std::uint32_t r0 = 0;
    for (std::uint32_t i = 1; i < n_; ++i) r0 = q_[i] / c[i] <= q_[r0] / c[r0] ? i : r0;
    const auto z0 = static_cast<std::int32_t>(2 * n_);
    for (std::uint32_t i = 0; i < n_; ++i) d_[i] = -c[i];
    std::int32_t left = Exchange(r0, z0);
    const std::uint64_t passes = LCPPassLimit(n_);
    for (std::uint64_t pass = 0; pass < passes; ++pass) {
      if (left == z0) return true;
      const auto n = static_cast<std::int32_t>(n_);
      const std::int32_t entering = left < n ? left + n : left - n;
      const long double column_scale = Direction(entering);
      std::uint32_t r;
      if (!LeavingRow(column_scale, r)) return false;
      left = Exchange(r, entering);
      if (Pivots != nullptr) Pivots->push_back({entering, left, r});
      // A pivot on a direction that the rounding made: values beyond what the next one could hold.
      if (!bounded_ || !AllFinite(b_.data(), n_)) return false;
    }
    return false;
  }

  // z and w from the basic values, zeros for the others.
  void Result(std::vector<long double>& W, std::vector<long double>& Z) const {
    Z.assign(n_, 0.0L);
    W.assign(n_, 0.0L);
    const auto n = static_cast<std::int32_t>(n_);
    for (std::uint32_t i = 0; i < n_; ++i) (basis_[i] < n ? Z[basis_[i]] : W[basis_[i] - n]) = b_[i];
  }

 private:
  // d := Binv times the column of `entering` (e_j for w_j, -M e_j for z_j); the largest magnitude of that
  // column.
  long double Direction(std::int32_t entering) {
    const auto n = static_cast<std::int32_t>(n_);
    if (entering >= n) {
      const auto j = static_cast<std::uint32_t>(entering - n);
      for (std::uint32_t i = 0; i < n_; ++i) d_[i] = binv_(i, j);
      return 1;
    }
    const auto j = static_cast<std::uint32_t>(entering);
    long double scale = 0;
    std::fill(d_.begin(), d_.end(), 0.0L);
    for (std::uint32_t k = 0; k < n_; ++k) {
      const long double a = -m_(k, j);
      if (a == 0) continue;
      scale = std::max(scale, std::fabs(a));
      for (std::uint32_t i = 0; i < n_; ++i) d_[i] += binv_(i, k) * a;
    }
    return scale;
  }

  // The row that leaves by the lexicographic rule; false when no d_i is positive beyond the rounding.
  bool LeavingRow(long double column_scale, std::uint32_t& r) {
    const long double floor = kLCPLexicographicZero * binv_max_ * column_scale;
    rows_.clear();
    for (std::uint32_t i = 0; i < n_; ++i) {
      if (d_[i] > floor) rows_.push_back(i);
    }
    if (rows_.empty()) return false;
    // Column b, then the columns of Binv: keep the rows whose [b_i | Binv_i] / d_i ties with the smallest
    // in that column, a tie being a row that the step would bring within the column's zero too.
    const auto z0 = static_cast<std::int32_t>(2 * n_);
    for (std::uint32_t c = 0; c <= n_ && rows_.size() > 1; ++c) {
      const auto x = [&](std::uint32_t i) { return c == 0 ? std::max(b_[i], 0.0L) : binv_(i, c - 1); };
      const long double zero = c == 0 ? zero_b_ : kLCPLexicographicZero * binv_max_;
      // The row of the smallest ratio always stays (its own difference may round above the zero).
      std::uint32_t smallest = rows_[0];
      for (const std::uint32_t i : rows_) smallest = x(i) / d_[i] < x(smallest) / d_[smallest] ? i : smallest;
      const long double ratio = x(smallest) / d_[smallest];
      std::size_t kept = 0;
      for (const std::uint32_t i : rows_) {
        if (i == smallest || x(i) - ratio * d_[i] <= zero) rows_[kept++] = i;
      }
      rows_.resize(kept);
      if (c == 0) {
        for (const std::uint32_t i : rows_) {
          if (basis_[i] == z0) {
            r = i;
            return true;
          }
        }
      }
    }
    // Rows still equal to the rounding: the largest pivot.
    r = rows_[0];
    for (const std::uint32_t i : rows_) r = d_[i] > d_[r] ? i : r;
    return true;
  }

  // The pivot on row r, whose basic variable `entering` replaces: row r of [b | Binv] divided by d_r,
  // d_i times it taken from every other row. Returns the variable that left.
  // binv_max_ takes in |x|; bounded_ turns false for good when x is NaN or beyond kBoundLimit.
  void Bound(long double x) {
    const long double a = std::fabs(x);
    bounded_ = bounded_ && a <= kBoundLimit;
    binv_max_ = std::max(binv_max_, a);
  }

  // Contact problems keep Binv sparse: only the non-zeros of row r and the rows with d_i != 0 change,
  // and the bound on |Binv(i, j)| grows with what they become (it never shrinks).
  std::int32_t Exchange(std::uint32_t r, std::int32_t entering) {
    const long double pivot = d_[r];
    long double* row_r = binv_.Row(r);
    columns_.clear();
    for (std::uint32_t j = 0; j < n_; ++j) {
      if (row_r[j] == 0) continue;
      row_r[j] /= pivot;
      Bound(row_r[j]);
      columns_.push_back(j);
    }
    b_[r] /= pivot;
    for (std::uint32_t i = 0; i < n_; ++i) {
      if (i == r || d_[i] == 0) continue;
      long double* row = binv_.Row(i);
      const long double factor = d_[i];
      for (const std::uint32_t j : columns_) {
        row[j] -= factor * row_r[j];
        Bound(row[j]);
      }
      b_[i] -= factor * b_[r];
    }
    const std::int32_t left = basis_[r];
    basis_[r] = entering;
    return left;
  }

  const TDenseMatrix& m_;
  const std::vector<long double>& q_;
  const std::uint32_t n_;
  TDenseMatrix binv_;
  std::vector<long double> b_, d_;
  std::vector<std::int32_t> basis_;
  std::vector<std::uint32_t> rows_, columns_;
  long double zero_b_ = 1;    // a basic value within this is zero
  long double binv_max_ = 1;  // bounds every |Binv(i, j)|
  bool bounded_ = true;       // every Binv(i, j) is finite and within kBoundLimit
};

}  // namespace

bool SolveLCPLexicographic(const TDenseMatrix& M, const std::vector<long double>& q,
                           std::vector<long double>& W, std::vector<long double>& Z, long double Slack,
                           std::vector<TLCPPivot>* Pivots, std::uint32_t Coverings) {
  const auto n = static_cast<std::uint32_t>(q.size());
  W.assign(n, 0.0L);
  Z.assign(n, 0.0L);
  if (M.Rows() < n || M.Cols() < n) return false;
  if (n == 0) return true;
  for (std::uint32_t i = 0; i < n; ++i) {
    if (!AllFinite(M.Row(i), n)) return false;
  }
  if (!AllFinite(q.data(), n)) return false;
  if (*std::min_element(q.begin(), q.end()) >= 0) {
    W = q;
    return true;
  }
  // The covering vector e first, then vectors of entries scattered over [1, 2).
  std::vector<long double> cover(n, 1.0L);
  for (std::uint32_t k = 0; k < Coverings; ++k) {
    if (k > 0) {
      for (std::uint32_t i = 0; i < n; ++i) {
        const long double x = (i + 1 + static_cast<long double>(k - 1) * n) * kGoldenFraction;
        cover[i] = 1 + (x - std::floor(x));
      }
    }
    if (Pivots != nullptr) Pivots->clear();
    TLexicographicPivoting pivoting(M, q);
    if (!pivoting.Run(cover, Pivots)) continue;
    pivoting.Result(W, Z);
    if (LCPSolutionHolds(M, q, W, Z, Slack)) return true;
  }
  W.assign(n, 0.0L);
  Z.assign(n, 0.0L);
  return false;
}

bool LemkeSolve(const TSqrMatrix& M, TFloatList& q, TFloatList& W, TFloatList& Z, long double Infinity,
                long double LexicoZeroTolerance, long double PivotTolerance, long double Zero,
                const TLCPAlerts& Alerts, std::vector<TLCPPivot>* Pivots, std::uint64_t PassLimit) {
  return Lemke(M, q, W, Z,
               {.Infinity = Infinity,
                .LexicoZeroTolerance = LexicoZeroTolerance,
                .PivotTolerance = &PivotTolerance,
                .ToleranceMin = nullptr,
                .ToleranceMax = nullptr,
                .Zero = Zero,
                .LogUnboundedRay = Alerts.LogUnboundedRay,
                .LogMaximumIterations = Alerts.LogMaximumIterations,
                .Time = Alerts.Time,
                .Log = Alerts.Log,
                .Pivots = Pivots,
                .PassLimit = PassLimit});
}

std::uint64_t LCPPassLimit(std::uint32_t n) { return PassLimit(n); }

}  // namespace zentrova
