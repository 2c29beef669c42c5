// The linear complementarity problems of impacts and resting contacts, solved by Lemke's complementary
// pivoting.
//
// Given the n x n matrix M and the vector q, find w and z with
//
//   w = M z + q,   w >= 0,   z >= 0,   w_i z_i = 0 for every i.
//
// Lemke's method adds an artificial variable z0 with the covering vector e = (1, ..., 1):
// w = M z + q + e z0. The pivoting variables are numbered z_0..z_(n-1) = 0..n-1, w_0..w_(n-1) = n..2n-1
// and z0 = 2n. The basis B holds one column per row: -e_i for w_i, column j of M for z_j, e for z0, so
// that B x_B = -q. Its inverse Binv is kept explicitly and updated after every pivot by the
// Sherman-Morrison formula for the change of one column (an O(n^2) update instead of an inversion).
//
// - q >= 0: z = 0, w = q solves the problem; no pivot.
// - Start: z0 enters in place of the w of the most negative q (the first of equal ones), with the value
//   t0 = -min q, which makes every basic value b = q + t0 non-negative.
// - Each pass: the complement of the variable that left enters (z_j after w_j, w_j after z_j). Its column
//   Be gives the direction d = Binv Be. The ratio test looks at the rows with d_i above the pivot
//   tolerance: the first pass finds the smallest relaxed ratio (b_i + lexico tolerance) / d_i, the
//   second chooses among the rows whose plain ratio b_i / d_i lies within it: the row of z0 at once
//   (z0 leaving ends the pivoting), otherwise the row with the largest |d_i|, the first of equal ones.
// - No row with d_i above the tolerance: the entering variable can grow without bound (an unbounded
//   ray); Lemke's method then stops without a solution.
// - z0 has left the basis: the basic values are the solution.
// - Too many passes (cycling in a degenerate problem, or a large one): no solution.
//
// All numbers are extended reals.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/engine_constants.h"
#include "engine/log_sink.h"

namespace zentrova {

class TDenseMatrix;
class TFloatList;
class TSqrMatrix;
struct TLCPSettings;

// The alert lines a solve may log, and the simulation time they name. SolveLCP fills them from its
// settings.
struct TLCPAlerts {
  bool LogUnboundedRay = false;
  bool LogMaximumIterations = false;
  long double Time = 0;  // simulation time t (s)
  ILogSink* Log = &ProgramLog();
};

// One pivot of LemkeSolve, for whoever wants to follow the pivoting: the variable numbers (0..2n as
// above) of the entering and the leaving variable, and the row they exchange.
struct TLCPPivot {
  std::int32_t Entering = 0;
  std::int32_t Leaving = 0;
  std::uint32_t Row = 0;
  bool operator==(const TLCPPivot&) const = default;
};

// Solves w = M z + q, w >= 0, z >= 0, w^T z = 0 for the n = q.Count() unknowns with the given tolerances
// and alert flags (a copy: the job timer may rewrite the world's meanwhile); Time is the simulation time
// the alerts name. M's stored elements are used (its factor C is not applied) and M
// is not changed; W and Z must hold at least n elements each. Every q_i with |q_i| < 1e-19 is set to 0
// in the caller's list. True: Z holds z and W holds w, all finite. False (unbounded ray, pass limit, no
// admissible pivot row, infinite or NaN data, a breakdown of the basis update, or a matrix or result
// lists too small): W and Z hold zeros.
bool SolveLCP(const TLCPSettings& Settings, long double Time, const TSqrMatrix& M, TFloatList& q,
              TFloatList& W, TFloatList& Z);

// The same for the dense matrix and plain vectors that the contact solvers build: W and Z are sized to
// q's n values, and q takes back what the solve made of it. Groups of unknowns that M does not couple
// are solved as LCPs of their own (a block-diagonal problem's solution is its blocks' solutions).
bool SolveLCP(const TLCPSettings& Settings, long double Time, const TDenseMatrix& M,
              std::vector<long double>& q, std::vector<long double>& W, std::vector<long double>& Z);

// Whether W and Z solve w = M z + q, w >= 0, z >= 0, w^T z = 0 for q's n unknowns within Slack: no z_i or
// w_i below -Slack, no |w_i - (M z + q)_i| above it, and no product w_i z_i beyond Slack times the
// larger of |w_i| and |z_i|. The pivoting's explicit basis inverse can drift far from the basis in a
// long degenerate solve (a tall stack at rest): its answer is then checked, not trusted.
bool LCPSolutionHolds(const TDenseMatrix& M, const std::vector<long double>& q,
                      const std::vector<long double>& W, const std::vector<long double>& Z,
                      long double Slack);

// Working storage of SolveLCPFromGuess, kept by the caller from solve to solve.
struct TLCPBasisScratch {
  std::vector<char> basis;
  std::vector<std::uint32_t> basic, columns;
  std::vector<long double> priority, lu, values;
};

// Solves w = M z + q, w >= 0, z >= 0, w^T z = 0 from a guess of its solution (GuessW, GuessZ: the last
// one of a problem that changes little, such as the resting forces of bodies at rest): the z_i with
// GuessZ_i > max(GuessW_i, 0) make the basis, and M_BB z_B = -q_B, w = M z + q with the other z_i 0.
// A basic row that is linearly dependent on basic rows of larger guessed z leaves the basis. When a
// basic z_i or non-basic w_i comes out below -Slack, the row of the most negative one changes sides (a
// row that enters goes before the guessed ones, so that it replaces one it depends on) and the basis is
// tried again, at most kLCPBasisAttempts times in all. True when W and Z (sized to q's n values) hold a
// solution within Slack (LCPSolutionHolds); false when a value is not finite or the attempts run out, W
// and Z then holding nothing of use. q is not changed. Bodies at rest are solved at the cost of one
// elimination, whatever the degeneracy of their problem.
bool SolveLCPFromGuess(const TDenseMatrix& M, const std::vector<long double>& q,
                       const std::vector<long double>& GuessW, const std::vector<long double>& GuessZ,
                       std::vector<long double>& W, std::vector<long double>& Z, long double Slack,
                       TLCPBasisScratch& Scratch);

// The last resort of a contact problem that the pivoting leaves unsolved: Lemke's method as the
// textbooks give it, with the lexicographic ratio rule, in extended reals. The tolerance ratio test of
// LemkeSolve can cycle or stop on the degenerate problems of piles (boxes on boxes, with q_i = 0 and
// statically indeterminate supports); the lexicographic rule never meets a basis twice. Over the
// equations w - M z - e z0 = q with the basis inverse Binv and the basic values b = Binv q:
//
// - z0 enters with the covering vector e in place of the w of the most negative q_i (the last of equal
//   ones, so that every row of [b | Binv] starts lexicographically positive);
// - the complement of the variable that left enters, with the direction d = Binv times its column (e_j
//   for w_j, -M e_j for z_j);
// - among the rows with d_i > 0 the leaving row minimises [b_i | Binv_i] / d_i lexicographically: the
//   smallest b_i / d_i, ties (the rows that the step would bring to zero too) decided by column 0 of
//   Binv, then column 1, and so on; the row of z0 leaves whenever it ties at b;
// - no row with d_i > 0: an unbounded ray;
// - z0 left: the basic values are the solution.
//
// M need not be copositive-plus (the friction rows of contacts make it so), and Lemke's method may then
// end on a ray of a problem that has a solution: a ray, LCPPassLimit(n) passes or an answer that does
// not hold start it again with the covering vector c of c_i = 1 + frac((i + 1 + (k - 1) n) phi), phi the
// golden ratio's fraction, k = 1, 2, ..., up to `Coverings` starts in all: scattered
// entries break the ties of equal q_i that e leaves. Values within kLCPLexicographicZero of the scale
// count as zero. True when W and Z (sized to q's n values) hold a solution that LCPSolutionHolds within
// Slack; false otherwise (data that are not finite too), W and Z then holding zeros. Pivots, when
// given, receives every pivot after the start of the last start made.
bool SolveLCPLexicographic(const TDenseMatrix& M, const std::vector<long double>& q,
                           std::vector<long double>& W, std::vector<long double>& Z, long double Slack,
                           std::vector<TLCPPivot>* Pivots = nullptr,
                           std::uint32_t Coverings = kLCPLexicographicCoverings);

// Which answer a contact problem took once its pivoting's did not hold within kLCPExactSlack.
enum class TLCPFallback { None, LastBasis, PivotingBasis, LoosePivoting, Lexicographic };

// The answer of a contact problem whose pivoting found none (`Pivoted` false) or one, PivotW and PivotZ,
// that does not hold within kLCPExactSlack of the scale (the larger of 1 and max |q_i|): the first that
// holds of a solve from the basis of LastW, LastZ (the problem's last solution), a solve from the basis of
// the pivoting's answer, the pivoting's answer itself within kLCPLooseSlack (moved into W and Z), and the
// lexicographic pivoting, in that order; the guessed bases and the lexicographic pivoting within
// kLCPSolutionSlack. None, with W and Z undefined, when nothing holds.
TLCPFallback SolveLCPFallbacks(const TDenseMatrix& M, const std::vector<long double>& q, bool Pivoted,
                               std::vector<long double>& PivotW, std::vector<long double>& PivotZ,
                               const std::vector<long double>& LastW, const std::vector<long double>& LastZ,
                               std::vector<long double>& W, std::vector<long double>& Z,
                               TLCPBasisScratch& Scratch);

// The slack of a contact problem's answer: Relative times the larger of 1 and max |q_i|.
long double LCPSlack(const std::vector<long double>& q, long double Relative);

// The pivot tolerance that SolveLCP passes on: 10^(-6 - k), k the decimal logarithm of the mean |q_i|
// rounded to the nearest integer (ties to even), clamped into [ToleranceMin, ToleranceMax]. All q_i = 0
// give ToleranceMax.
long double LCPPivotTolerance(const TFloatList& q, long double ToleranceMin, long double ToleranceMax);

// The pivoting with explicit tolerances (SolveLCP passes Infinity 1e19 and Zero 1e-19), with the same
// results. Pivots, when given, receives every pivot made after the start. At most PassLimit passes (0:
// LCPPassLimit(n)). The x87 exception flags that were raised before the call are raised after it too.
bool LemkeSolve(const TSqrMatrix& M, TFloatList& q, TFloatList& W, TFloatList& Z, long double Infinity,
                long double LexicoZeroTolerance, long double PivotTolerance, long double Zero,
                const TLCPAlerts& Alerts = {}, std::vector<TLCPPivot>* Pivots = nullptr,
                std::uint64_t PassLimit = 0);

// The pivoting passes a solve of n unknowns may take before it gives up.
std::uint64_t LCPPassLimit(std::uint32_t n);

}  // namespace zentrova
