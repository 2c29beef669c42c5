// The bundled examples: their hand-written equations of motion checked against each other and against
// analytic limits, and whole runs through zentrova-run.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "driver_test_support.h"
#include "engine/step/run_loop.h"
#include "platform/paths.h"
#include "platform/strings.h"

namespace zentrova {
namespace {

constexpr long double kG = 9.81L;

class ExamplesTest : public test::ModelTest {
 protected:
  // Copies the example and loads it; `cop` replaces its contact properties unless it is null.
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

// For every dependent coordinate of the pendulum examples: the velocity line is the Jacobian times q',
// the acceleration line is the Jacobian times q'' plus the scalar term, and the velocity is the time
// derivative of the position (a central difference along q').
TEST_F(ExamplesTest, DependentCoordinatesAgreeWithTheirJacobians) {
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
        for (std::uint32_t j = 0; j < n; ++j) {
          jv += link.JacobianVector->Value(j) * v[j];
          ja += link.JacobianVector->Value(j) * a[j];
        }
        const std::string what = name + " " + body.Name + " " + CoordinateComponentName(c);
        const long double velocity = body.Kinematics.Velocity[c].Get();
        EXPECT_NEAR(velocity, jv, 1e-15L) << what;
        EXPECT_NEAR(body.Kinematics.Acceleration[c].Get(), ja, 1e-14L) << what;
        const long double e = 1e-6L;
        std::vector<long double> ahead(q), behind(q);
        for (std::uint32_t j = 0; j < n; ++j) ahead[j] += e * v[j], behind[j] -= e * v[j];
        SetState(ahead, v, a);
        const long double p1 = body.Kinematics.Position[c].Get();
        SetState(behind, v, a);
        EXPECT_NEAR((p1 - body.Kinematics.Position[c].Get()) / (2 * e), velocity, 1e-9L) << what;
        SetState(q, v, a);
      }
    }
    EXPECT_EQ(checked, name == "pendulum" ? 2 : 4);
  }
}

// Without contacts each example keeps its mechanical energy.
TEST_F(ExamplesTest, ContactFreeRunsConserveEnergy) {
  for (const auto& [name, tolerance] :
       {std::pair{"falling-box", 1e-15L}, std::pair{"pendulum", 1e-10L}, std::pair{"double-pendulum", 1e-7L}}) {
    ASSERT_TRUE(LoadExample(name, "")) << name;  // no pair can touch
    TRunLoop run(*main_);
    ASSERT_EQ(run.Run(2), TRunStop::Until) << name;
    ASSERT_GE(Points().Count(), 100u);
    const long double e0 = Points().Items(0).MechanicalEnergy;
    for (std::uint32_t i = 0; i < Points().Count(); ++i) {
      ASSERT_NEAR(Points().Items(i).MechanicalEnergy, e0, tolerance * std::fabs(e0)) << name << " " << i;
    }
  }
}

// The double pendulum's slow normal mode: started in its shape at a tiny amplitude, both links are back
// where they started, with opposite sign, half a period later. M and K are the linearised mass and
// stiffness matrices of two links hung one from the other.
TEST_F(ExamplesTest, DoublePendulumSwingsInItsSlowNormalMode) {
  ASSERT_TRUE(LoadExample("double-pendulum", ""));
  const TBody& link1 = World().Model().Bodies.Items(0);
  const TBody& link2 = World().Model().Bodies.Items(1);
  const long double m1 = link1.Mass, m2 = link2.Mass, l1 = 0.5L, c1 = 0.25L, c2 = 0.25L;
  ASSERT_NEAR(m1, 0.5L * 0.04L * 0.02L * 2700, 1e-15L);
  const long double M11 = link1.Inertia.ZZ + m1 * c1 * c1 + m2 * l1 * l1, M12 = m2 * l1 * c2;
  const long double M22 = link2.Inertia.ZZ + m2 * c2 * c2, K11 = (m1 * c1 + m2 * l1) * kG, K22 = m2 * c2 * kG;
  // det(K - w^2 M) = 0: a w^4 + b w^2 + c = 0, the slow mode the smaller root.
  const long double qa = M11 * M22 - M12 * M12, qb = -(K11 * M22 + K22 * M11), qc = K11 * K22;
  const long double w2 = (-qb - std::sqrt(qb * qb - 4 * qa * qc)) / (2 * qa);
  const long double ratio = (K11 - w2 * M11) / (w2 * M12), amplitude = 1e-4L;  // theta2 / theta1 in the mode
  SetState({amplitude, amplitude * ratio}, {0, 0}, {0, 0});
  World().Update(false, false, nullptr, false);
  TRunLoop run(*main_);
  ASSERT_EQ(run.Run(std::numbers::pi_v<long double> / std::sqrt(w2)), TRunStop::Until);
  const long double phase = std::sqrt(w2) * World().State.Time;
  EXPECT_NEAR(Q(0), amplitude * std::cos(phase), 1e-4L * amplitude);
  EXPECT_NEAR(Q(1), amplitude * ratio * std::cos(phase), 1e-4L * amplitude * std::fabs(ratio));
}

// Without friction the stop sends the bar back with -eN times the angular velocity it came with, whichever
// way the pair's section names the bodies.
TEST_F(ExamplesTest, PendulumReboundsFromTheStopWithItsRestitution) {
  for (const char* cop : {"[Bar-Stop]\nresistingPenetration=F:T\nrestitutionNormal=0.6\n",
                          "[Stop-Bar]\nresistingPenetration=T:F\nrestitutionNormal=0.6\n"}) {
    ASSERT_TRUE(LoadExample("pendulum", cop));
    TWorld& w = World();
    long double approach = 0;
    for (int i = 0; i < 5000 && !w.State.ImpulseApplied; ++i) {
      approach = QDot(0);
      ASSERT_TRUE(main_->Step());
    }
    ASSERT_TRUE(w.State.ImpulseApplied) << cop;
    EXPECT_GT(approach, 3);
    EXPECT_NEAR(w.State.Current.QDot.At(0), -0.6L * approach, 1e-9L * approach) << cop;
    EXPECT_NEAR(w.State.Current.Q.At(0), 0.6L, 2e-3L);  // the bar's corner meets the stop's face
  }
}

// zentrova-run on every example: exit 0, four lines, and a data.txt of one line per recorded state that
// the same run in this process keeps in memory. The runs themselves: the pendulum reaches the stop and
// never passes it; the falling box bounces and comes to rest flat, its centre half its height above the
// floor, with the tremor of impacts under gravity, a step's fall of g h^2 = 4e-5 m; the double pendulum
// keeps its energy between its blows on the wall, loses some at each, and its tip's centre line stays
// left of the wall at 0.55 (its corners stick out by 2 cm at most).
TEST_F(ExamplesTest, ZentrovaRunRunsEveryExample) {
  for (const std::string name : {"falling-box", "pendulum", "double-pendulum"}) {
    test::TempDir dir;
    for (const std::string& file : ListDirectory(std::string(ZENTROVA_SOURCE_DIR) + "/examples/" + name, false)) {
      CopyFile(std::string(ZENTROVA_SOURCE_DIR) + "/examples/" + name + "/" + file, dir.File(file), false);
    }
    const test::ToolResult r = test::RunZentrovaRun(dir.File(name + ".wld"), dir.File("stderr.txt"));
    EXPECT_EQ(r.status, 0) << name << "\n" << r.err;
    ASSERT_EQ(r.out.size(), 4u) << r.err;
    EXPECT_EQ(r.out[0], "history: " + dir.File("000"));
    EXPECT_TRUE(StartsText("time: ", r.out[2]) && StartsText("energy: ", r.out[3])) << r.out[2] << r.out[3];
    std::vector<std::string> data;
    ASSERT_TRUE(ReadTextLines(dir.File("000/data.txt"), data));

    ASSERT_TRUE(LoadExample(name));
    TRunLoop run(*main_);
    ASSERT_EQ(run.Run(), TRunStop::BreakTime);
    EXPECT_EQ(r.out[1], "steps: " + std::to_string(run.Steps));
    ASSERT_EQ(data.size(), Points().Count()) << name;
    for (std::uint32_t i = 0; i < Points().Count(); ++i) {
      ASSERT_EQ(data[i], THistory::DataLine(Points().Items(i))) << name << " line " << i;
    }
    long double highest = -10, rightmost = -1;
    int blows = 0, bounces = 0;
    for (std::uint32_t i = 0; i < Points().Count(); ++i) {
      const TCoordinateList& c = Points().Items(i).Coordinates;
      highest = std::max(highest, c.Q.At(0));
      if (name == "double-pendulum") rightmost = std::max(rightmost, 0.5L * std::sin(c.Q.At(0)) + 0.5L * std::sin(c.Q.At(1)));
      if (i == 0) continue;
      const long double before = Points().Items(i - 1).MechanicalEnergy, after = Points().Items(i).MechanicalEnergy;
      bounces += Points().Items(i - 1).Coordinates.QDot.At(1) < -0.2L && c.QDot.At(1) > 0.1L;
      if (name != "double-pendulum") continue;
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
      EXPECT_NEAR(std::remainder(Q(2), std::numbers::pi_v<long double>), 0, 1e-3L);
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
