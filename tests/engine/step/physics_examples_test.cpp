// The bundled examples: their hand-written equations of motion checked against each other and against
// analytic limits, and whole runs through zentrova-run.
#include <gtest/gtest.h>

#include <array>
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

using Strings = std::vector<std::string>;

constexpr long double kG = 9.81L;

class ExamplesTest : public test::ModelTest {
 protected:
  std::string CopyExample(const std::string& name) {
    return CopyFolder(std::string(ZENTROVA_SOURCE_DIR) + "/examples/" + name);
  }
  bool LoadExample(const std::string& name) {
    CopyExample(name);
    return Load(name + ".wld");
  }
  // Sets the working state (q, q', q'') and evaluates the model there.
  void SetState(const std::vector<long double>& q, const std::vector<long double>& v,
                const std::vector<long double>& a) {
    TCoordinateList& s = World().State.Evaluated;
    for (std::uint32_t i = 0; i < q.size(); ++i) {
      s.Q.SetAt(i, q[i]);
      s.QDot.SetAt(i, v[i]);
      s.QDDot.SetAt(i, a[i]);
    }
    ASSERT_TRUE(World().PrepareStep());
  }
};

// For every dependent coordinate of the pendulum examples: the velocity line is the Jacobian times q',
// the acceleration line is the Jacobian times q'' plus the scalar term, and the velocity is the time
// derivative of the position (a central difference along q').
TEST_F(ExamplesTest, DependentCoordinatesAgreeWithTheirJacobians) {
  for (const std::string& name : {std::string("pendulum"), std::string("double-pendulum")}) {
    main_.reset();
    ASSERT_TRUE(LoadExample(name)) << name;
    TWorld& w = World();
    const std::uint32_t n = w.Settings.N;
    std::vector<long double> q = {0.7L, -1.9L};
    std::vector<long double> v = {1.3L, 2.1L};
    std::vector<long double> a = {-0.4L, 3.3L};
    q.resize(n);
    v.resize(n);
    a.resize(n);
    SetState(q, v, a);
    int checked = 0;
    for (std::int32_t b = 0; b < w.Model().Bodies.Count(); ++b) {
      TBody& body = w.Model().Bodies.Items(b);
      for (TCoordinateComponent c : {TCoordinateComponent::X, TCoordinateComponent::Y}) {
        const TLinkToGeneralizedCoordinate& link = body.Links[c];
        if (!link.Dependent) continue;
        ++checked;
        ASSERT_TRUE(link.JacobianVector && link.JacobianScalar);
        long double jv = 0;
        long double ja = link.JacobianScalar->Value(0);
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
        for (std::uint32_t j = 0; j < n; ++j) {
          ahead[j] += e * v[j];
          behind[j] -= e * v[j];
        }
        SetState(ahead, v, a);
        const long double p1 = body.Kinematics.Position[c].Get();
        SetState(behind, v, a);
        const long double p0 = body.Kinematics.Position[c].Get();
        EXPECT_NEAR((p1 - p0) / (2 * e), velocity, 1e-9L) << what;
        SetState(q, v, a);
      }
    }
    EXPECT_EQ(checked, name == "pendulum" ? 2 : 4);
  }
}

// Without contacts each example keeps its mechanical energy.
TEST_F(ExamplesTest, ContactFreeRunsConserveEnergy) {
  const std::array<std::pair<const char*, long double>, 3> examples = {
      {{"falling-box", 1e-15L}, {"pendulum", 1e-10L}, {"double-pendulum", 1e-7L}}};
  for (const auto& [name, tolerance] : examples) {
    main_.reset();
    CopyExample(name);
    WriteModelFile(std::string(name) + ".cop", "[None]\n");  // a section of no pair: no pair can touch
    ASSERT_TRUE(Load(std::string(name) + ".wld")) << name;
    TRunLoop run(*main_);
    ASSERT_EQ(run.Run(2), TRunStop::Until) << name;
    const TGeneralizedCoordinatesHistoryList& points = World().Model().History.Points;
    ASSERT_GE(points.Count(), 100u);
    const long double e0 = points.Items(0).MechanicalEnergy;
    long double worst = 0;
    for (std::uint32_t i = 0; i < points.Count(); ++i) {
      worst = std::max(worst, std::fabs(points.Items(i).MechanicalEnergy - e0));
    }
    EXPECT_LT(worst, tolerance * std::fabs(e0)) << name;
  }
}

// The double pendulum's slow normal mode: started in its shape at a tiny amplitude, both links are
// back where they started, with opposite sign, half a period later. M and K are the linearised
// mass and stiffness matrices of two links hung one from the other.
TEST_F(ExamplesTest, DoublePendulumSwingsInItsSlowNormalMode) {
  CopyExample("double-pendulum");
  WriteModelFile("double-pendulum.cop", "[None]\n");
  ASSERT_TRUE(Load("double-pendulum.wld"));
  const TBody& link1 = World().Model().Bodies.Items(0);
  const TBody& link2 = World().Model().Bodies.Items(1);
  const long double m1 = link1.Mass, m2 = link2.Mass, j1 = link1.Inertia.ZZ, j2 = link2.Inertia.ZZ;
  const long double l1 = 0.5L, c1 = 0.25L, c2 = 0.25L;
  ASSERT_NEAR(m1, 0.5L * 0.04L * 0.02L * 2700, 1e-15L);
  const long double M11 = j1 + m1 * c1 * c1 + m2 * l1 * l1, M12 = m2 * l1 * c2, M22 = j2 + m2 * c2 * c2;
  const long double K11 = (m1 * c1 + m2 * l1) * kG, K22 = m2 * c2 * kG;
  // det(K - w^2 M) = 0: a w^4 + b w^2 + c = 0, the slow mode the smaller root.
  const long double qa = M11 * M22 - M12 * M12;
  const long double qb = -(K11 * M22 + K22 * M11);
  const long double qc = K11 * K22;
  const long double w2 = (-qb - std::sqrt(qb * qb - 4 * qa * qc)) / (2 * qa);
  const long double ratio = (K11 - w2 * M11) / (w2 * M12);  // theta2 / theta1 in the mode
  const long double amplitude = 1e-4L;
  SetState({amplitude, amplitude * ratio}, {0, 0}, {0, 0});
  World().Update(false, false, nullptr, false);
  const long double half_period = std::numbers::pi_v<long double> / std::sqrt(w2);
  TRunLoop run(*main_);
  ASSERT_EQ(run.Run(half_period), TRunStop::Until);
  const long double phase = std::sqrt(w2) * World().State.Time;
  EXPECT_NEAR(Q(0), amplitude * std::cos(phase), 1e-4L * amplitude);
  EXPECT_NEAR(Q(1), amplitude * ratio * std::cos(phase), 1e-4L * amplitude * std::fabs(ratio));
}

// Without friction the stop sends the bar back with -eN times the angular velocity it came with.
TEST_F(ExamplesTest, PendulumReboundsFromTheStopWithItsRestitution) {
  for (const char* cop : {"[Bar-Stop]\nresistingPenetration=F:T\nrestitutionNormal=0.6\n",
                          "[Stop-Bar]\nresistingPenetration=T:F\nrestitutionNormal=0.6\n"}) {
    main_.reset();
    CopyExample("pendulum");
    WriteModelFile("pendulum.cop", cop);
    ASSERT_TRUE(Load("pendulum.wld"));
    TWorld& w = World();
    bool struck = false;
    for (int i = 0; i < 5000 && !struck; ++i) {
      const long double approach = QDot(0);
      ASSERT_TRUE(main_->Step());
      if (!w.State.ImpulseApplied) continue;
      struck = true;
      EXPECT_GT(approach, 3);
      EXPECT_NEAR(w.State.Current.QDot.At(0), -0.6L * approach, 1e-9L * approach) << cop;
      // The bar's corner meets the stop's face at x = 0.355.
      EXPECT_NEAR(w.State.Current.Q.At(0), 0.6L, 2e-3L);
    }
    EXPECT_TRUE(struck);
  }
}

TEST_F(ExamplesTest, PendulumNeverSwingsThroughTheStop) {
  ASSERT_TRUE(LoadExample("pendulum"));
  TWorld& w = World();
  TRunLoop run(*main_);
  ASSERT_EQ(run.Run(), TRunStop::BreakTime);
  long double highest = -10;
  for (std::uint32_t i = 0; i < w.Model().History.Points.Count(); ++i) {
    highest = std::max(highest, w.Model().History.Points.Items(i).Coordinates.Q.At(0));
  }
  EXPECT_LT(highest, 0.6L + 2e-3L);
  EXPECT_GT(highest, 0.59L);  // it did reach the stop
}

TEST_F(ExamplesTest, FallingBoxComesToRestFlat) {
  ASSERT_TRUE(LoadExample("falling-box"));
  TRunLoop run(*main_);
  ASSERT_EQ(run.Run(), TRunStop::BreakTime);
  TWorld& w = World();
  const long double m = w.Model().Bodies.Items(0).Mass;
  ASSERT_NEAR(m, 1, 1e-15L);
  ASSERT_TRUE(w.PrepareStep());
  // Flat on the floor, its centre half its height above it: the energy of rest. What is left is the
  // tremor of impacts under gravity, a step's fall of g h^2 = 4e-5 m.
  EXPECT_NEAR(Q(1), 0.05L, 1e-4L);
  EXPECT_NEAR(std::remainder(Q(2), std::numbers::pi_v<long double>), 0, 1e-3L);
  EXPECT_NEAR(w.State.MechanicalEnergy, m * kG * 0.05L, 2e-3L);
  EXPECT_LT(std::fabs(QDot(0)), 0.02L);
  // It bounced on its way down.
  std::size_t impacts = 0;
  const TGeneralizedCoordinatesHistoryList& p = w.Model().History.Points;
  for (std::uint32_t i = 1; i < p.Count(); ++i) {
    impacts += p.Items(i - 1).Coordinates.QDot.At(1) < -0.2L && p.Items(i).Coordinates.QDot.At(1) > 0.1L;
  }
  EXPECT_GE(impacts, 2u);
}

// Between its blows on the wall the double pendulum keeps its energy; each blow takes some, and no link
// ever passes the wall.
TEST_F(ExamplesTest, DoublePendulumStrikesTheWallAndStaysLeftOfIt) {
  ASSERT_TRUE(LoadExample("double-pendulum"));
  TRunLoop run(*main_);
  ASSERT_EQ(run.Run(), TRunStop::BreakTime);
  TWorld& w = World();
  const TGeneralizedCoordinatesHistoryList& p = w.Model().History.Points;
  long double rightmost = -1;
  int blows = 0;
  for (std::uint32_t i = 0; i < p.Count(); ++i) {
    const TCoordinateList& c = p.Items(i).Coordinates;
    rightmost = std::max(rightmost, 0.5L * std::sin(c.Q.At(0)) + 0.5L * std::sin(c.Q.At(1)));
    if (i == 0) continue;
    const long double before = p.Items(i - 1).MechanicalEnergy;
    const long double after = p.Items(i).MechanicalEnergy;
    if (after < before - 1e-3L) {
      ++blows;
    } else {
      ASSERT_NEAR(after, before, 1e-6L) << "t = " << static_cast<double>(p.Items(i).Time);
    }
  }
  EXPECT_GE(blows, 3);
  // The tip's centre line stays left of the wall at 0.55; its corners stick out by 2 cm at most.
  EXPECT_LT(rightmost, 0.55L + 1e-3L);
  EXPECT_GT(rightmost, 0.5L);
}

// zentrova-run on every example: exit 0, four lines, and a data.txt of one line per recorded state.
TEST_F(ExamplesTest, ZentrovaRunRunsEveryExample) {
  for (const char* model : {"falling-box", "pendulum", "double-pendulum"}) {
    const std::string name = model;
    test::TempDir dir;
    for (const std::string& file :
         ListDirectory(std::string(ZENTROVA_SOURCE_DIR) + "/examples/" + name, false)) {
      CopyFile(std::string(ZENTROVA_SOURCE_DIR) + "/examples/" + name + "/" + file, dir.File(file), false);
    }
    const test::ToolResult r = test::RunZentrovaRun(dir.File(name + ".wld"), dir.File("stderr.txt"));
    ASSERT_NE(r.status, -1) << name;  // started and exited
    EXPECT_EQ(r.status, 0) << name << "\n" << r.err;
    const Strings& got = r.out;
    ASSERT_EQ(got.size(), 4u) << r.err;
    EXPECT_EQ(got[0], "history: " + dir.File("000"));
    EXPECT_TRUE(StartsText("steps: ", got[1])) << got[1];
    EXPECT_TRUE(StartsText("time: ", got[2])) << got[2];
    EXPECT_TRUE(StartsText("energy: ", got[3])) << got[3];

    // The recorded states, one per line: the same run in this process keeps them in memory.
    std::vector<std::string> data;
    ASSERT_TRUE(ReadTextLines(dir.File("000/data.txt"), data));
    main_.reset();
    CopyExample(name);
    ASSERT_TRUE(Load(name + ".wld"));
    TRunLoop run(*main_);
    ASSERT_EQ(run.Run(), TRunStop::BreakTime);
    EXPECT_EQ(got[1], "steps: " + std::to_string(run.Steps));
    const TGeneralizedCoordinatesHistoryList& points = World().Model().History.Points;
    ASSERT_EQ(data.size(), points.Count()) << name;
    for (std::uint32_t i = 0; i < points.Count(); ++i) {
      ASSERT_EQ(data[i], THistory::DataLine(points.Items(i))) << name << " line " << i;
      if (i > 0) {
        ASSERT_GT(points.Items(i).Time, points.Items(i - 1).Time);
      }
    }
    EXPECT_GT(World().State.Time, World().Model().BreakTime);
    main_.reset();
  }
}

}  // namespace
}  // namespace zentrova
