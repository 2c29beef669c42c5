// Resting contact forces against statics and Coulomb friction: a box sliding on a floor, sticking or
// slipping on a slope, and a triangle pivoting on its apex.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

#include "collisions_test_support.h"
#include "engine/contact/collisions.h"
#include "engine/engine_constants.h"
#include "engine/model/step_state.h"

namespace zentrova::test {
namespace {

class ContactForcesTest : public CollisionsTest {
 protected:
  // The resting contacts' normal or tangential forces, and the generalized forces, per box weight.
  long double SumOfForces(bool normal) const {
    long double sum = 0;
    for (std::int32_t i = 0; i < collisions_.RestingContacts->Count(); ++i) {
      const TContact& c = collisions_.RestingContacts->Items(i);
      sum += (normal ? c.Force.Normal.Get() : c.Force.Tangent.Get()) / (kBoxMass * kGravity);
    }
    return sum;
  }
  long double Force(std::uint32_t i) const {
    return world_.State.ContactForces.At(i) / (kBoxMass * kGravity);
  }
};

// Coulomb friction brakes a sliding box with mu m g whichever way it slides; the normal forces shift so
// that the box does not turn, and the friction's work over the step is dissipated.
class SlidingBoxTest : public ContactForcesTest, public ::testing::WithParamInterface<long double> {};

TEST_P(SlidingBoxTest, FrictionOpposesTheSliding) {
  const long double vx = GetParam(), sign = vx > 0 ? 1 : -1;
  LoadBoxOnFloor("y=0.5\r\n", "x=" + Num(vx) + "\r\n", "friction=0.4\r\n",
                 "maximumPenetration=1e-3\r\nmaximumTimestep=1e-4\r\n");
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_EQ(collisions_.SlidingContacts->Count(), 2);
  ASSERT_TRUE(collisions_.SolveContactForces());
  EXPECT_NEAR(Force(0), -sign * 0.4L, 1e-9);
  EXPECT_NEAR(Force(1), 1, 1e-9);
  EXPECT_NEAR(Force(2), 0, 1e-9);
  for (std::int32_t i = 0; i < 2; ++i) {
    const TContact& c = collisions_.SlidingContacts->Items(i);
    // vT = vx along the tangent (-1, 0): the friction is -sign(vT) mu N.
    EXPECT_NEAR(c.Force.Tangent.Get(), -sign * 0.4L * c.Force.Normal.Get(), 1e-12);
    EXPECT_NEAR(c.Work.Get(), -0.4L * c.Force.Normal.Get() * std::fabs(vx) * 1e-4L, 1e-15);
  }
}

INSTANTIATE_TEST_SUITE_P(BothWays, SlidingBoxTest, ::testing::Values(1.5L, -1.5L));

// On a slope of 0.2 rad at rest: with mu = 0.5 > tan 0.2 the box sticks, carried with m g cos 0.2 across
// and m g sin 0.2 along the slope; with mu = 0.1 it slips with g (sin 0.2 - mu cos 0.2), friction mu N.
class SlopeTest : public ContactForcesTest, public ::testing::WithParamInterface<long double> {};

TEST_P(SlopeTest, BoxSticksOrSlips) {
  const long double mu = GetParam(), angle = 0.2L, c = std::cos(angle), s = std::sin(angle), d = 0.5L - 1e-9L;
  const bool sticks = mu > std::tan(angle);
  LoadBoxOnFloor("x=" + Num(-s * d) + "\r\ny=" + Num(c * d) + "\r\nRz=" + Num(angle) + "\r\n", "",
                 "friction=" + Num(mu) + "\r\n", "maximumPenetration=1e-3\r\n", "Rz=" + Num(angle) + "\r\n");
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_EQ(collisions_.StickingContacts->Count(), 2);
  ASSERT_TRUE(collisions_.SolveContactForces());
  EXPECT_NEAR(SumOfForces(true), c, 1e-9);
  EXPECT_NEAR(std::fabs(SumOfForces(false)), sticks ? s : mu * c, 1e-9);
  // The acceleration along and across the slope, in units of g; no torque.
  const long double ax = Force(0), ay = Force(1) - 1;
  EXPECT_NEAR(-(ax * c + ay * s), sticks ? 0 : s - mu * c, 1e-9);
  EXPECT_NEAR(-ax * s + ay * c, 0.0, 1e-9);
  EXPECT_NEAR(Force(2), 0.0, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(StickingAndSlipping, SlopeTest, ::testing::Values(0.5L, 0.1L));

// A triangle turned by 0.3 rad, spinning at w = 3 rad/s about its apex, which rests on the floor and does
// not move: the sticking apex is a pivot. With r from the centre to the apex, the apex's acceleration
// a - alpha (ry, -rx) - w^2 r = 0 and J alpha = r x F give alpha = m g rx / (J + m r^2) and
// F = m (alpha ry + w^2 rx, -alpha rx + w^2 ry + g): the centripetal w^2 r, part of the contact's bias,
// must enter with its sign.
TEST_F(ContactForcesTest, SpinningTriangleSticksOnItsApexAsOnAPivot) {
  const long double angle = 0.3L, w = 3, m = kPuckMass, j = 1;
  const long double rx = 0.5L * std::sin(angle), ry = -0.5L * std::cos(angle);
  LoadPuck("y=" + Num(-ry - 1e-9L) + "\r\nRz=" + Num(angle) + "\r\n",
           "x=" + Num(w * ry) + "\r\ny=" + Num(-w * rx) + "\r\nRz=" + Num(w) + "\r\n", "friction=0.5\r\n",
           true, "maximumPenetration=1e-3\r\nZeroVelocityTolerance=1e-9\r\n");
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_EQ(collisions_.StickingContacts->Count(), 1);
  ASSERT_TRUE(collisions_.SolveContactForces());
  const long double alpha = m * kGravity * rx / (j + m * (rx * rx + ry * ry));
  const long double fx = m * (alpha * ry + w * w * rx), fy = m * (-alpha * rx + w * w * ry + kGravity);
  const TFloatList& f = world_.State.ContactForces;
  EXPECT_NEAR(f.At(0), fx, 1e-9);
  EXPECT_NEAR(f.At(1), fy, 1e-9);
  EXPECT_NEAR(f.At(2), rx * fy - ry * fx, 1e-9);
  EXPECT_NEAR(collisions_.RestingContacts->Items(0).Force.Normal.Get(), fy, 1e-9);
}

// A box on the floor whose y is coupled to a fourth coordinate u only through M^-1 (its entry b in row
// y, column u): the force u feels moves the box too, so both coordinates make one contact problem. The
// floor holds the box's y'' = a (N - m g) + b h_u at 0: N = m g - b h_u / a, whatever u does.
TEST_F(ContactForcesTest, CoordinatesCoupledOnlyThroughTheInverseMassMatrixAreSolvedTogether) {
  Write("floor.exs", kFloorOutline);
  Write("box.exs", kBoxOutline);
  Write("floor.bdy", BodyFile("Floor", "floor.exs", 1000, 1000, ""));
  Write("box.bdy", BodyFile("Box", "box.exs", kBoxMass, kBoxInertia, "y=0.5\r\n"));
  Write("model.gc", "b`Box`x\r\nb`Box`y\r\nb`Box`Rz\r\nu\r\n");
  Write("model.cop", "[Floor-Box]\r\nfriction=0.3\r\n");
  Load("maximumPenetration=1e-3\r\nmaximumTimestep=1e-4\r\n", {"floor.bdy", "box.bdy"}, 4, kBoxMass,
       kBoxInertia);
  const long double a = 1 / kBoxMass, b = 0.25L, h_u = -4;
  for (std::uint32_t r : {1u, 3u}) minv_.SetAt(r, 4 - r, b);
  h_.SetAt(3, h_u);
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_EQ(collisions_.RestingContacts->Count(), 2);
  ASSERT_TRUE(collisions_.SolveContactForces());
  const long double weight = kBoxMass * kGravity;
  EXPECT_NEAR(SumOfForces(true), (weight - b * h_u / a) / weight, 1e-12);
  EXPECT_NEAR(Force(1), (weight - b * h_u / a) / weight, 1e-12);
  EXPECT_NEAR(Force(3), 0, 1e-12);
}

// A box resting flat on two corners, solved with the pivoting's ratio test relaxed by
// LCPLexicoZeroTolerance: from 10 on (q_i are of order g) the pivoting ends at once with an answer far
// off. That answer is checked and not taken; the basis it guessed, solved afresh, gives each corner half
// the weight and no friction, as with the default tolerance.
class RelaxedRatioTestTest : public ContactForcesTest, public ::testing::WithParamInterface<long double> {};

TEST_P(RelaxedRatioTestTest, PivotingAnswerIsCheckedBeforeItIsTaken) {
  LoadBoxOnFloor("y=0.5\r\n", "", "friction=0.3\r\n", "maximumPenetration=1e-3\r\nmaximumTimestep=1e-3\r\n");
  world_.Settings.LCP.LexicoZeroTolerance = GetParam();
  Q(1) = 0.5L - 5e-4L;
  ASSERT_TRUE(collisions_.Detect());
  ASSERT_EQ(collisions_.StickingContacts->Count(), 2);
  ASSERT_TRUE(collisions_.SolveContactForces());
  for (std::int32_t i = 0; i < 2; ++i) {
    const TContact& c = collisions_.RestingContacts->Items(i);
    EXPECT_NEAR(c.Force.Normal.Get() / (kBoxMass * kGravity), 0.5L, 1e-15L) << i;
    EXPECT_NEAR(c.Force.Tangent.Get() / (kBoxMass * kGravity), 0, 1e-15L) << i;
  }
  EXPECT_NEAR(Force(0), 0, 1e-15L);
  EXPECT_NEAR(Force(1), 1, 1e-15L);
  EXPECT_NEAR(Force(2), 0, 1e-15L);
}

INSTANTIATE_TEST_SUITE_P(DefaultAndRelaxed, RelaxedRatioTestTest,
                         ::testing::Values(kDefaultLCPLexicoZeroTolerance, 10.0L, 1000.0L));

// The resting forces of a detection and solve, bit for bit: each contact's normal and tangential force
// and work, then the generalized contact forces; "failed" when the solve found no forces.
// `bias` is added to the first resting contact's normal bias after detection.
std::string ForceBits(TCollisions& collisions, TStepState& state, long double bias = 0) {
  state.ContactForces.Zero();
  if (!collisions.Detect()) return "refused";
  if (bias != 0) {
    TCoordinate& normal = collisions.RestingContacts->Items(0).Bias.Normal;
    normal.Set(normal.Get() + bias);
  }
  if (!collisions.SolveContactForces()) return "failed";
  std::string bits;
  const auto add = [&bits](long double x) { bits.append(reinterpret_cast<const char*>(&x), 10); };
  for (std::int32_t i = 0; i < collisions.RestingContacts->Count(); ++i) {
    const TContact& c = collisions.RestingContacts->Items(i);
    for (const long double x : {c.Force.Normal.Get(), c.Force.Tangent.Get(), c.Work.Get()}) add(x);
  }
  for (std::uint32_t i = 0; i < state.ContactForces.Count(); ++i) add(state.ContactForces.Data()[i]);
  return bits;
}

// The last solution's basis is tried at every solve while that succeeds. After a failed try the group's
// contacts must stay the same for 4 solves before the next, for 8 after a second failure, and so on up to
// 256; a change of contacts starts the count again, and a success ends the waiting.
TEST(BasisReuseTest, WaitsAfterAFailureDoublingUpToItsLimit) {
  TBasisReuse reuse;
  // The solves of unchanged contacts until the next try.
  const auto solves_to_next_try = [&reuse] {
    std::uint32_t solves = 0;
    do {
      reuse.Begin(true);
      ++solves;
    } while (!reuse.Due() && solves < 1000);
    return solves;
  };
  reuse.Begin(false);
  EXPECT_TRUE(reuse.Due());
  for (const std::uint32_t wait : {4u, 8u, 16u, 32u, 64u, 128u, 256u, 256u}) {
    reuse.Failed();
    EXPECT_EQ(solves_to_next_try(), wait);
  }
  reuse.Failed();
  for (int i = 0; i < 255; ++i) reuse.Begin(true);
  reuse.Begin(false);
  EXPECT_FALSE(reuse.Due());
  EXPECT_EQ(solves_to_next_try(), 256u);
  reuse.Succeeded();
  reuse.Begin(false);
  EXPECT_TRUE(reuse.Due());
  reuse.Failed();
  EXPECT_EQ(solves_to_next_try(), 4u);
}

// A box resting step after step solves the same problem again and again, and its velocities may
// alternate between two values: the solver may take a solution it found before for the same problem,
// but whatever changes (a velocity by the last bit, the forces, the inverse mass matrix, the friction,
// a contact's bias, the time step, the LCP's tolerances) must give what a solver that never saw the
// earlier steps gives. Only where the pivoting finds no solution (no pivot passes the tolerance) does
// the solver that has one from the step before go on from its basis, where a fresh one finds the same
// forces (to the rounding) by the lexicographic pivoting; with the tolerances back, the pivoting decides
// again.
TEST_F(ContactForcesTest, RepeatedSolvesGiveWhatAFreshSolverGives) {
  // The friction grows with the time: 0.3 at the start.
  LoadBoxOnFloor("y=0.5\r\n", "", "friction=0.3 + t\r\n",
                 "maximumPenetration=1e-3\r\nmaximumTimestep=1e-3\r\n");
  world_.State.TimeStep = 1e-3L;
  Q(1) = 0.5L - 5e-4L;  // both corners 0.5 mm in, the box turned a little
  Q(2) = 1e-4L;
  const long double vy = QDot(1);
  const struct {
    const char* what;
    std::function<void()> change;
    bool solved;
    long double bias = 0;  // added to the first contact's normal bias
    bool fresh_lexicographic = false;  // a fresh solver takes another way to the same forces
  } steps[] = {
      {"at rest", [] {}, true},
      {"again", [] {}, true},
      {"sinking", [&] { QDot(1) = -0.004L; }, true},
      {"back", [&] { QDot(1) = vy; }, true},
      {"sinking again", [&] { QDot(1) = -0.004L; }, true},
      {"by one bit more", [&] { QDot(1) = std::nextafter(-0.004L, 0.0L); }, true},
      {"sliding", [&] { QDot(0) = 0.05L; }, true},
      {"more friction", [&] { world_.State.Time = 0.5L; }, true},
      {"sticking", [&] { QDot(0) = 0; }, true},
      {"heavier", [&] { h_.SetAt(1, -3 * kBoxMass * kGravity); }, true},
      {"harder to turn", [&] { minv_.SetAt(2, 2, 0.5L / kBoxInertia); }, true},
      {"a longer step", [&] { world_.State.TimeStep = 2e-3L; }, true},
      {"a contact's bias", [] {}, true, 0.5L},
      {"no pivot passes the tolerance",
       [&] {
         world_.SetLCPPivotToleranceMin(1e10L);
         world_.SetLCPPivotToleranceMax(1e10L);
       },
       true, 0, true},
      {"the tolerance back",
       [&] {
         world_.SetLCPPivotToleranceMin(kDefaultLCPPivotToleranceMin);
         world_.SetLCPPivotToleranceMax(kDefaultLCPPivotToleranceMax);
       },
       true},
  };
  std::string last;
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    step.change();
    const std::string bits = ForceBits(collisions_, world_.State, step.bias);
    TCollisions fresh(*this);
    const std::string fresh_bits = ForceBits(fresh, world_.State, step.bias);
    if (step.fresh_lexicographic) {
      ASSERT_EQ(fresh_bits.size(), bits.size());
      for (std::size_t at = 0; at < bits.size(); at += 10) {
        long double mine = 0, theirs = 0;
        std::memcpy(&mine, bits.data() + at, 10);
        std::memcpy(&theirs, fresh_bits.data() + at, 10);
        EXPECT_NEAR(static_cast<double>(mine), static_cast<double>(theirs), 1e-12) << at / 10;
      }
    } else {
      EXPECT_EQ(bits, fresh_bits);
    }
    EXPECT_EQ(bits != "failed", step.solved);
    EXPECT_NE(bits, "refused");
    if (std::string_view(step.what) != "again") {
      EXPECT_NE(bits, last);
    }
    last = bits;
  }
}

}  // namespace
}  // namespace zentrova::test
