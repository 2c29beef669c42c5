// The engine's fixed tolerances, limits and setting defaults, each with its meaning and unit.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zentrova {

// --- World file defaults (a missing key gives these) ---------------------------------------------------

// Lower and upper bound of the LCP pivot tolerance (dimensionless).
inline constexpr long double kDefaultLCPPivotToleranceMin = 1e-14L;
inline constexpr long double kDefaultLCPPivotToleranceMax = 1e-10L;
// Zero tolerance of the lexicographic ratio test of the LCP solver (dimensionless).
inline constexpr long double kDefaultLCPLexicoZeroTolerance = 1e-8L;
// Normal or tangential velocity below which a contact counts as resting or sticking (m/s).
inline constexpr long double kDefaultZeroVelocityTolerance = 1e-18L;
// Largest and starting time step (s); also what a zero value in the world file is replaced by.
inline constexpr long double kDefaultMaximumTimestep = 1e-5L;
// Smallest time step before a step is given up (s); also the replacement of a zero value.
inline constexpr long double kDefaultMinimumTimestep = 1e-12L;
// Largest allowed penetration and per-step displacement (m); also the replacement of a zero value.
inline constexpr long double kDefaultMaximumPenetration = 1e-6L;
// Steps of the maximum time step to the break time beyond which a load alerts that the run is long.
inline constexpr long double kManyStepsToBreakTime = 1e9L;
// World default of a body's displacement factor (dimensionless).
inline constexpr long double kDefaultMaximumDisplacementFactor = 0.5L;
// Number of generalized coordinates when the world file does not say.
inline constexpr std::int32_t kDefaultNumberOfGeneralizedCoordinates = 1;
// Recording interval in multiples of maximumTimestep.
inline constexpr std::int32_t kDefaultRecordingInterval = 1;
// Outline points per leaf of a bounding-box tree; not a key, set at creation and at every world read.
inline constexpr std::int32_t kPointsPerBoundingBox = 2;

// --- Bodies -------------------------------------------------------------------------------------------

// A body's minimum bounding-box width when its file gives none: this many times maximumPenetration (m).
inline constexpr long double kSkinThicknessPerPenetration = 100.0L;

// --- Mass properties of an outline ---------------------------------------------------------------------

// The origin correction stops moving the outline once both centre coordinates are within
// sqrt(Area) / kOriginCorrectionToleranceDivisor of the origin (m).
inline constexpr long double kOriginCorrectionToleranceDivisor = 5000.0L;
// At most this many translations of the outline towards its centre of gravity.
inline constexpr int kOriginCorrectionMaxPasses = 5;
// An outline whose area is at most this fraction of the square of its larger extent encloses nothing
// measurable: its centre of gravity would be a division by (almost) zero (dimensionless).
inline constexpr long double kDegenerateAreaRatio = 1e-15L;

// --- Linear complementarity solver ---------------------------------------------------------------------

// Entries of q smaller than this in magnitude are set to exactly 0 before pivoting (dimensionless).
inline constexpr long double kLCPZero = 1e-19L;
// The ratio that stands for infinity in the ratio test: no admissible row below it is an unbounded ray.
inline constexpr long double kLCPInfinity = 1e19L;
// A solve gives up after kLCPPassesPerUnknown passes per unknown, but never before kLCPMinPasses: a
// problem that resolves n contacts needs about n pivots, a fixed limit would refuse large contact sets.
inline constexpr std::uint32_t kLCPMinPasses = 100;
inline constexpr std::uint32_t kLCPPassesPerUnknown = 10;
// The pivot tolerance is 10 to the power of this exponent divided by the mean |q_i| (rounded to a power
// of ten) before it is clamped into the world's bounds.
inline constexpr long double kLCPPivotToleranceExponent = -6.0L;

// How closely a resting-force solution holds (LCPSolutionHolds), in units of the larger of 1 and
// max |q_i| (dimensionless). The pivoting's answer is taken as it stands within kLCPExactSlack: it then
// has only its rounding (so every model whose pivoting keeps its basis inverse exact solves as it
// always did). A solution from a guessed basis holds within kLCPSolutionSlack, the pivoting's lexico
// tolerance having left errors near 1e-8 in the velocities it starts from. A pivoting answer that no
// guessed basis can better is taken within kLCPLooseSlack; a drifted basis inverse is off by order 1.
inline constexpr long double kLCPExactSlack = 1e-12L;
inline constexpr long double kLCPSolutionSlack = 1e-8L;
inline constexpr long double kLCPLooseSlack = 1e-6L;
// After a solve from the last solution's basis fails (the bodies move), the next waits until the group's
// contacts have stayed the same for this many solves, and for twice as many after each further failure,
// up to kLCPReuseWaitLimit: a failed solve from a basis costs about as much as the pivoting it precedes.
inline constexpr std::uint32_t kLCPReuseWait = 4;
inline constexpr std::uint32_t kLCPReuseWaitLimit = 256;
// A guessed basis is corrected at most this many times, each time moving the row that breaks it most to
// the other side, before the solve from the guess gives up.
inline constexpr std::uint32_t kLCPBasisAttempts = 16;
// An elimination pivot below this fraction of the largest |M_BB| entry makes M_BB singular to working
// precision (dimensionless).
inline constexpr long double kLCPBasisSingular = 1e-13L;
// The lexicographic pivoting, the last resort of a contact problem that the pivoting above and the
// guessed bases leave unsolved, takes a basic value within this fraction of the larger of 1 and
// max |q_i| for zero, and a basis inverse element within it of the largest |element| so far
// (dimensionless): degenerate contact problems (q_i = 0 between resting boxes) tie exactly, and the
// long double rounding of a few hundred pivots stays well below it.
inline constexpr long double kLCPLexicographicZero = 1e-15L;
// Lemke's method may end on a ray of a problem that has a solution when M is not copositive-plus, as
// the friction rows of a pile make it; it is then run again with another covering vector, this many
// covering vectors in all.
inline constexpr std::uint32_t kLCPLexicographicCoverings = 4;
// An impact whose LCP the pivoting cannot solve refuses its step, which is tried again with half the
// step, until the step is maximumTimestep / 2^this or less: only from there on is the lexicographic
// answer taken. An impact of a stack has many solutions and the pivoting's choice is the one the stack's
// course was built on; a failure that the halving cures (a falling stack's impacts go through after one
// or two halvings) keeps that choice, one that persists (a pile's degenerate impact fails at every step
// down to the smallest) is solved before the run would end.
inline constexpr int kLexicographicImpactHalvings = 8;

// --- Step control, driver and load (tuning constants) ----------------------------------------------

// A refused step halves the time step at most this many times below maximumTimestep: the divisor is a
// 64-bit integer 2^k, so one more halving would overflow it whatever minimumTimestep says.
inline constexpr std::uint32_t kMaxTimeStepHalvings = 62;
// The step is doubled again at the earliest after more than this many accepted steps at one level.
inline constexpr std::uint32_t kGoodStepsBeforeDoubling = 3;
// A step that fails at the minimum time step is retried by going back in the history at most this many
// times before the run stops.
inline constexpr std::uint32_t kMaxGoingBackAttempts = 10;
// Copying a model file into the history directory waits at most this long for the copy to appear (ms),
// looking every kCopyPollMilliseconds (ms).
inline constexpr std::int64_t kCopyTimeoutMilliseconds = 5000;
inline constexpr std::int64_t kCopyPollMilliseconds = 100;
// A history started from another one takes this many last lines of its data and watches files.
inline constexpr std::size_t kHistoryTailLines = 3;
// Scale of the contact-watch labels relative to a body's radius (dimensionless).
inline constexpr long double kDefaultWatchTextScale = 0.005L;

// --- Log -----------------------------------------------------------------------------------------------

// A log limit of 0 lines means no limit.
inline constexpr std::int32_t kUnlimitedLogLines = 0;

// --- Contacts: classification, impacts and resting forces ----------------------------------------------
// Fixed by the contact solvers, not settings of a model.

// The smallest velocity tolerance of the classification: a world zeroVelocityTolerance below it is
// raised to it (m/s). A contact with |vN| within the tolerance rests; one with |vT| within it sticks.
inline constexpr long double kContactVelocityToleranceFloor = 1e-19L;
// The classification that follows a negligible impact widens the tolerance by this factor, so that the
// contacts that approach too slowly to exchange an impulse count as resting (dimensionless).
inline constexpr long double kContactRetryToleranceFactor = 10.0L;
// A corner at most this far outside an edge's line counts as lying on it (m): far below any penetration
// a model allows, far above the round-off of turning an outline into the world.
inline constexpr long double kContactOutsideTolerance = 1e-12L;
// The matrices of one group of contacts may take at most this many bytes; a larger group ends the run
// with an error line instead of exhausting the memory (an outline of thousands of points lying on a
// floor brings thousands of contacts, whose matrices grow with their square).
inline constexpr std::uint64_t kContactMatrixBytesLimit = 256ull << 20;
// Impulse and work below which an impact is nothing (N s, J): a contact approaches only faster than this
// (m/s), a compression normal impulse below it carries no work, and an impact whose compression works
// sum to at most this in magnitude applies no impulse at all.
inline constexpr long double kImpactNegligible = 1e-20L;

// The pause before the first AVI frame of a run (ms); later frames pause as long as the one before took
// to add.
inline constexpr std::int32_t kAviFrameDelayMs = 50;

}  // namespace zentrova
