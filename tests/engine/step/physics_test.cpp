// Whole runs of small models and of the bundled examples against their analytic answers.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "driver_test_support.h"
#include "engine/contact/contact_points.h"
#include "engine/step/run_loop.h"
#include "numerics/numerics_error.h"
#include "platform/number_text.h"
#include "platform/paths.h"

namespace zentrova {
namespace {

constexpr long double kG = 9.81L, kPi = std::numbers::pi_v<long double>;

class PhysicsTest : public test::ModelTest {
 protected:
  // The box of 0.2 m x 0.1 m and 1 kg on the floor, its bottom at `bottom` above the floor.
  void LoadBox(long double bottom, long double vx, long double vy) {
    main_.reset();
    CopyModel("box");
    WriteModelFile("box.bdy",
                   "[Main]\nname=Box\nshapeType=extrusionsolid\nshapeFile=box.exs\ndensity=1000\n"
                   "thickness=0.05\n[startPosition]\ny=" +
                       FloatToText(bottom + 0.05L) + "\n[startVelocity]\nx=" + FloatToText(vx) +
                       "\ny=" + FloatToText(vy) + "\n");
    ASSERT_TRUE(Load("box.wld"));
  }
  // Copies a bundled example and loads it; `cop` replaces its contact properties unless it is null.
  bool LoadExample(const std::string& name, const char* cop = nullptr) {
    main_.reset();
    CopyFolder(std::string(ZENTROVA_SOURCE_DIR) + "/examples/" + name);
    if (cop != nullptr) WriteModelFile(name + ".cop", cop);
    return Load(name + ".wld");
  }
  // Sets the working state (q, q', q'') and evaluates the model there.
  void SetState(const std::vector<long double>& q, const std::vector<long double>& v,
                const std::vector<long double>& a) {
    TCoordinateList& s = World().State.Evaluated;
    for (std::uint32_t i = 0; i < World().Settings.N; ++i) {
      s.Q.SetAt(i, q[i]);
      s.QDot.SetAt(i, v[i]);
      s.QDDot.SetAt(i, a[i]);
    }
    ASSERT_TRUE(World().PrepareStep());
  }
  const TGeneralizedCoordinatesHistoryList& Points() { return World().Model().History.Points; }
};

TEST_F(PhysicsTest, FreeFall) {
  CopyModel("fall");
  ASSERT_TRUE(Load("fall.wld"));
  TRunLoop run(*main_);
  ASSERT_EQ(run.Run(), TRunStop::BreakTime);
  ASSERT_EQ(Points().Count(), 1000u);  // t = 0 .. 0.999: the break time's state is not recorded
  for (std::uint32_t i = 0; i < Points().Count(); ++i) {
    const long double t = Points().Items(i).Time, y = 10 - kG * t * t / 2;
    ASSERT_NEAR(Points().Items(i).Coordinates.Q.At(0), y, 1e-12L * y) << "t = " << static_cast<double>(t);
    ASSERT_NEAR(Points().Items(i).Coordinates.QDot.At(0), -kG * t, 1e-12L * (1 + kG * t));
  }
}

// A compound pendulum of mass m, centre at c from the pivot and inertia J about its centre swings with
// the period 2 pi sqrt((J + m c^2) / (m g c)) at small amplitudes: half a period later it is at the
// other side.
TEST_F(PhysicsTest, PendulumPeriodAtSmallAmplitude) {
  CopyModel("pendulum");
  WriteModelFile("bar.bdy",
                 "[Main]\nname=Bar\nshapeType=extrusionsolid\nshapeFile=bar.exs\ndensity=2700\n"
                 "thickness=0.02\n[startPosition]\nRz=0.001\n");
  ASSERT_TRUE(Load("pendulum.wld"));
  const TBody& bar = World().Model().Bodies.Items(0);
  const long double m = 0.6L * 0.04L * 0.02L * 2700, c = 0.3L;
  ASSERT_NEAR(bar.Mass, m, 1e-15L);
  ASSERT_NEAR(bar.Inertia.ZZ, m * (0.04L * 0.04L + 0.6L * 0.6L) / 12, 1e-15L);
  const long double period = 2 * kPi * std::sqrt((bar.Inertia.ZZ + m * c * c) / (m * kG * c));
  TRunLoop run(*main_);
  ASSERT_EQ(run.Run(period / 2), TRunStop::Until);
  const long double left = period / 2 - World().State.Time;  // within half a step of it
  EXPECT_NEAR(Q(0), -0.001L * std::cos(2 * kPi / period * left), 1e-9L);
}

// The box stands on the floor at rest: its contacts carry its weight, and over a second it stays put (the
// contacts may come and go by round-off, leaving a tremor of micrometres).
TEST_F(PhysicsTest, RestingBoxIsCarriedByItsWeight) {
  LoadBox(0, 0, 0);
  ASSERT_TRUE(Steps(1));
  TCollisions& c = main_->Collisions();
  ASSERT_EQ(c.RestingContacts->Count(), 2);
  EXPECT_FALSE(c.HasImpacts);
  EXPECT_NEAR(c.RestingContacts->Items(0).Force.Normal.Get(), kG / 2, 1e-9L * kG);
  EXPECT_NEAR(World().State.ContactForces.At(1), kG, 1e-9L * kG);
  TRunLoop run(*main_);
  ASSERT_EQ(run.Run(), TRunStop::BreakTime);
  EXPECT_NEAR(Q(0), 0, 1e-5L);
  EXPECT_NEAR(Q(1), 0.05L, 1e-5L);
  EXPECT_NEAR(Q(2), 0, 1e-3L);
}

// Landing at 1e-11 m/s the impact's work is below 1e-20 J: it applies nothing, the contacts rest, and the
// state accepted with it carries no velocity jump that a roll-back would take off.
TEST_F(PhysicsTest, NegligibleImpactAcceptsNoVelocityJump) {
  LoadBox(0, 0, -1e-11L);
  ASSERT_TRUE(Steps(1));
  EXPECT_FALSE(main_->Collisions().ImpulseApplied);
  EXPECT_TRUE(main_->Collisions().HasRestingContacts);
  EXPECT_TRUE(World().State.AtCollision);
  EXPECT_FALSE(World().State.ImpulseApplied);
  main_->StepControl().RestoreSavedState(true);
  EXPECT_EQ(QDot(1), -1e-11L);
}

// Sliding with v0 against friction mu, the box stops after v0^2 / (2 mu g), whichever way it slides.
TEST_F(PhysicsTest, SlidingBoxStopsAfterItsFrictionDistance) {
  const long double mu = 0.3L, v0 = 1, distance = v0 * v0 / (2 * mu * kG);
  for (long double direction : {1.0L, -1.0L}) {
    LoadBox(0, direction * v0, 0);
    TRunLoop run(*main_);
    ASSERT_EQ(run.Run(0.6L), TRunStop::Until);  // it stops after v0 / (mu g) = 0.34 s
    EXPECT_NEAR(Q(0), direction * distance, 0.01L * distance) << static_cast<double>(direction);
    EXPECT_NEAR(QDot(0), 0, mu * kG * World().Settings.MaximumTimestep);
    EXPECT_NEAR(Q(1), 0.05L, 1e-5L);
    EXPECT_NEAR(Q(2), 0, 1e-3L);
  }
}

// A box landing at 1 m/s cannot meet a limit of 1e-12 m per step with steps of at least 1e-6 s. The driver
// goes back further each time, replays, fails again, and stops after its eleventh failure; the tenth
// going back (by 11) left it, after its first replay, ten states before the end.
TEST_F(PhysicsTest, GoingBackAfterRepeatedFailuresEndsTheRun) {
  LoadBox(0.05L, 0, 0);
  WriteModelFile("box.wld",
                 "[Main]\nnumberOfGeneralizedCoodinates=3\nmaximumTimestep=1e-3\nminimumTimestep=1e-6\n"
                 "maximumPenetration=1e-12\nTryToSolveByGoingBack=1\nwriteToHistoryEachTimeStep=1\n"
                 "[Bodies]\nBody1=box.bdy\nBody2=floor.bdy\n");
  ASSERT_TRUE(Load("box.wld"));
  test::FakeRunControl run;
  main_->SetRunControl(&run);
  std::uint32_t lowest_state = ~0u, replays = 0;
  for (int steps = 0; main_->Step(); ++steps) {
    ASSERT_LT(steps, 20000);
    const TStepState& state = World().State;
    if (state.CurrentState + 1 < state.StoredStateCount) {
      ++replays;
      lowest_state = std::min(lowest_state, state.CurrentState);
    }
  }
  EXPECT_EQ(run.stops, 1);
  EXPECT_GT(replays, 10u);
  std::size_t failures = 0;
  for (const std::string& line : Lines())
    failures += line.rfind("[Error] Minimum time step of 1E-6s", 0) == 0;
  EXPECT_EQ(failures, 11u);
  EXPECT_EQ(lowest_state + 10, World().State.StoredStateCount);
  EXPECT_EQ(NumericsErrorCode(), 0);
}

// For every dependent coordinate of the pendulum examples: the velocity line is the Jacobian times q',
// the time derivative of the position (a central difference along q'), and the acceleration line is the
// Jacobian times q'' plus the scalar term.
TEST_F(PhysicsTest, ExamplesDependentCoordinatesAgreeWithTheirJacobians) {
  for (const std::string name : {"pendulum", "double-pendulum"}) {
    ASSERT_TRUE(LoadExample(name)) << name;
    const std::uint32_t n = World().Settings.N;
    const std::vector<long double> q = {0.7L, -1.9L}, v = {1.3L, 2.1L}, a = {-0.4L, 3.3L};
    SetState(q, v, a);
    int checked = 0;
    for (std::int32_t b = 0; b < World().Model().Bodies.Count(); ++b) {
      TBody& body = World().Model().Bodies.Items(b);
      for (TCoordinateComponent c : {TCoordinateComponent::X, TCoordinateComponent::Y}) {
        const TLinkToGeneralizedCoordinate& link = body.Links[c];
        if (!link.Dependent) continue;
        ++checked;
        long double jv = 0, ja = link.JacobianScalar->Value(0);
        std::vector<long double> ahead(q), behind(q);
        for (std::uint32_t j = 0; j < n; ++j) {
          jv += link.JacobianVector->Value(j) * v[j];
          ja += link.JacobianVector->Value(j) * a[j];
          ahead[j] += 1e-6L * v[j];
          behind[j] -= 1e-6L * v[j];
        }
        const std::string what = name + " " + body.Name + " " + CoordinateComponentName(c);
        const long double velocity = body.Kinematics.Velocity[c].Get();
        EXPECT_NEAR(velocity, jv, 1e-15L) << what;
        EXPECT_NEAR(body.Kinematics.Acceleration[c].Get(), ja, 1e-14L) << what;
        SetState(ahead, v, a);
        const long double p1 = body.Kinematics.Position[c].Get();
        SetState(behind, v, a);
        EXPECT_NEAR((p1 - body.Kinematics.Position[c].Get()) / 2e-6L, velocity, 1e-9L) << what;
        SetState(q, v, a);
      }
    }
    EXPECT_EQ(checked, name == "pendulum" ? 2 : 4);
  }
}

// Without contacts each example keeps its mechanical energy.
TEST_F(PhysicsTest, ExamplesWithoutContactsConserveEnergy) {
  for (const auto& [name, tolerance] : {std::pair{"falling-box", 1e-15L}, std::pair{"pendulum", 1e-10L},
                                        std::pair{"double-pendulum", 1e-7L}}) {
    ASSERT_TRUE(LoadExample(name, "[None]\n")) << name;  // a section of no pair: no pair can touch
    TRunLoop run(*main_);
    ASSERT_EQ(run.Run(2), TRunStop::Until) << name;
    ASSERT_GE(Points().Count(), 100u);
    for (std::uint32_t i = 0; i < Points().Count(); ++i) {
      const long double e0 = Points().Items(0).MechanicalEnergy;
      ASSERT_NEAR(Points().Items(i).MechanicalEnergy, e0, tolerance * std::fabs(e0)) << name << " " << i;
    }
  }
}

// The double pendulum's slow normal mode: started in its shape at a tiny amplitude, both links are back
// where they started, with opposite sign, half a period later. M and K are the linearised mass and
// stiffness matrices of two links hung one from the other; det(K - w^2 M) = 0 is a quadratic in w^2,
// the slow mode its smaller root.
TEST_F(PhysicsTest, DoublePendulumSwingsInItsSlowNormalMode) {
  ASSERT_TRUE(LoadExample("double-pendulum", "[None]\n"));
  const TBody& link1 = World().Model().Bodies.Items(0);
  const TBody& link2 = World().Model().Bodies.Items(1);
  const long double m1 = link1.Mass, m2 = link2.Mass, l1 = 0.5L, c1 = 0.25L, c2 = 0.25L;
  ASSERT_NEAR(m1, 0.5L * 0.04L * 0.02L * 2700, 1e-15L);
  const long double M11 = link1.Inertia.ZZ + m1 * c1 * c1 + m2 * l1 * l1, M12 = m2 * l1 * c2;
  const long double M22 = link2.Inertia.ZZ + m2 * c2 * c2, K11 = (m1 * c1 + m2 * l1) * kG, K22 = m2 * c2 * kG;
  const long double qa = M11 * M22 - M12 * M12, qb = -(K11 * M22 + K22 * M11), qc = K11 * K22;
  const long double w2 = (-qb - std::sqrt(qb * qb - 4 * qa * qc)) / (2 * qa);
  const long double ratio = (K11 - w2 * M11) / (w2 * M12), amplitude = 1e-4L;  // theta2 / theta1 in the mode
  SetState({amplitude, amplitude * ratio}, {0, 0}, {0, 0});
  main_->StepControl().Update(false, false, nullptr, false);
  TRunLoop run(*main_);
  ASSERT_EQ(run.Run(kPi / std::sqrt(w2)), TRunStop::Until);
  const long double phase = std::sqrt(w2) * World().State.Time;
  EXPECT_NEAR(Q(0), amplitude * std::cos(phase), 1e-4L * amplitude);
  EXPECT_NEAR(Q(1), amplitude * ratio * std::cos(phase), 1e-4L * amplitude * std::fabs(ratio));
}

// Without friction the stop sends the bar back with -eN times the angular velocity it came with, whichever
// way the pair's section names the bodies; the bar's corner meets the stop's face at 0.6 rad.
TEST_F(PhysicsTest, PendulumReboundsFromTheStopWithItsRestitution) {
  for (const char* cop : {"[Bar-Stop]\nresistingPenetration=F:T\nrestitutionNormal=0.6\n",
                          "[Stop-Bar]\nresistingPenetration=T:F\nrestitutionNormal=0.6\n"}) {
    ASSERT_TRUE(LoadExample("pendulum", cop));
    long double approach = 0;
    for (int i = 0; i < 5000 && !World().State.ImpulseApplied; ++i) {
      approach = QDot(0);
      ASSERT_TRUE(main_->Step());
    }
    ASSERT_TRUE(World().State.ImpulseApplied) << cop;
    EXPECT_GT(approach, 3);
    EXPECT_NEAR(World().State.Current.QDot.At(0), -0.6L * approach, 1e-9L * approach) << cop;
    EXPECT_NEAR(World().State.Current.Q.At(0), 0.6L, 2e-3L);
  }
}

// zentrova-run on every example: exit 0, and a data.txt as the same run in this process records it. The
// pendulum reaches the stop and never passes it; the falling box bounces and comes to rest flat (within a
// step's fall g h^2 = 4e-5 m); the double pendulum keeps its energy between its blows on the wall, loses
// some at each, and its tip's centre line stays left of the wall at 0.55 (the corners stick out 2 cm).
TEST_F(PhysicsTest, ZentrovaRunRunsEveryExample) {
  for (const std::string name : {"falling-box", "pendulum", "double-pendulum"}) {
    test::TempDir dir;
    const std::string folder = std::string(ZENTROVA_SOURCE_DIR) + "/examples/" + name + "/";
    for (const std::string& file : ListDirectory(folder, false))
      CopyFile(folder + file, dir.File(file), false);
    const test::ToolResult r = test::RunZentrovaRun(dir.File(name + ".wld"), dir.File("stderr.txt"));
    EXPECT_EQ(r.status, 0) << name << "\n" << r.err;
    ASSERT_EQ(r.out.size(), 4u) << r.err;
    std::vector<std::string> data;
    ASSERT_TRUE(ReadTextLines(dir.File("000/data.txt"), data));

    ASSERT_TRUE(LoadExample(name));
    TRunLoop run(*main_);
    ASSERT_EQ(run.Run(), TRunStop::BreakTime);
    EXPECT_EQ(r.out[1], "steps: " + std::to_string(run.Steps));
    ASSERT_EQ(data.size(), Points().Count()) << name;
    long double highest = -10, rightmost = -1;
    int blows = 0, bounces = 0;
    for (std::uint32_t i = 0; i < Points().Count(); ++i) {
      ASSERT_EQ(data[i], THistory::DataLine(Points().Items(i))) << name << " line " << i;
      const TCoordinateList& c = Points().Items(i).Coordinates;
      highest = std::max(highest, c.Q.At(0));
      if (name != "double-pendulum" || i == 0) {
        bounces += i > 0 && Points().Items(i - 1).Coordinates.QDot.At(1) < -0.2L && c.QDot.At(1) > 0.1L;
        continue;
      }
      rightmost = std::max(rightmost, 0.5L * std::sin(c.Q.At(0)) + 0.5L * std::sin(c.Q.At(1)));
      const long double before = Points().Items(i - 1).MechanicalEnergy,
                        after = Points().Items(i).MechanicalEnergy;
      if (after < before - 1e-3L) {
        ++blows;
      } else {
        ASSERT_NEAR(after, before, 1e-6L) << "t = " << static_cast<double>(Points().Items(i).Time);
      }
    }
    if (name == "pendulum") {
      EXPECT_LT(highest, 0.6L + 2e-3L);
      EXPECT_GT(highest, 0.59L);
    } else if (name == "falling-box") {
      const long double m = World().Model().Bodies.Items(0).Mass;
      ASSERT_TRUE(World().PrepareStep());
      EXPECT_NEAR(Q(1), 0.05L, 1e-4L);
      EXPECT_NEAR(std::remainder(Q(2), kPi), 0, 1e-3L);
      EXPECT_NEAR(World().State.MechanicalEnergy, m * kG * 0.05L, 2e-3L);
      EXPECT_LT(std::fabs(QDot(0)), 0.02L);
      EXPECT_GE(bounces, 2);
    } else {
      EXPECT_GE(blows, 3);
      EXPECT_LT(rightmost, 0.55L + 1e-3L);
      EXPECT_GT(rightmost, 0.5L);
    }
  }
}

}  // namespace
}  // namespace zentrova
