#include "engine/model/dependent_coordinates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/model/expression_list.h"
#include "equations_test_support.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;
using test::ExpectClose;

// One record of a dependent coordinates file with a one-row Jacobian vector.
std::string Record(const std::string& name, const std::string& position, const std::string& jacobian = "0",
                   const std::string& velocity = "0", const std::string& acceleration = "0") {
  return "%%%new%%%\n" + name + "\n%%definition\n" + position + "\n" + velocity + "\n" + acceleration +
         "\n%%J\n" + jacobian + "\n%%j\n0\n";
}

class PendulumDependentTest : public test::EquationsTest {
 protected:
  void SetUp() override {
    EquationsTest::SetUp();
    LoadPendulum();
  }
  TBody& Link(int i) { return world_.Model().Bodies.Items(i - 1); }
};

TEST_F(PendulumDependentTest, TheLinksCentresFollowTheJointAngles) {
  const TDependentCoordinates& dc = world_.Model().DependentCoordinates;
  EXPECT_EQ(dc.Names, (Strings{"b`Link1`x", "b`Link1`y", "b`Link2`x", "b`Link2`y"}));
  ASSERT_EQ(dc.Definitions.Count(), 12u);
  EXPECT_TRUE(NewLines().empty());
  EXPECT_TRUE(Link(2).Links.Y.Dependent);
  EXPECT_FALSE(Link(2).Links.Y.Linked);
  EXPECT_EQ(Link(2).Links.Y.Index, -1);
  EXPECT_EQ(Link(2).Kinematics.Position.Y.ValuePtr, dc.Definitions.Values.Data() + 9);
  EXPECT_EQ(Link(2).Kinematics.Acceleration.Y.ValuePtr, dc.Definitions.Values.Data() + 11);
  EXPECT_TRUE(Link(1).Kinematics.Position.Z.OwnValue());

  // Evaluated at the start state when loaded: q = (0.3, -0.2).
  ExpectClose(Link(2).Kinematics.Position.X.Get(), 1.5L * std::sin(0.3L) + 0.6L * std::sin(-0.2L),
              "x2 at start");
  const long double j_start = Link(2).Links.X.JacobianVector->Value(1);
  ExpectClose(j_start, 0.6L * std::cos(-0.2L), "dx2/dq2 at start");

  // A new state: angles, rates and angular accelerations.
  TCoordinateList& q = world_.State.Evaluated;
  const long double a1 = 0.7L, a2 = -0.4L, w1 = 1.3L, w2 = -0.9L, e1 = 0.25L, e2 = -0.5L;
  q.Q.SetAt(0, a1);
  q.Q.SetAt(1, a2);
  q.QDot.SetAt(0, w1);
  q.QDot.SetAt(1, w2);
  q.QDDot.SetAt(0, e1);
  q.QDDot.SetAt(1, e2);
  world_.Model().DependentCoordinates.Evaluate();

  const TKinematics& k1 = Link(1).Kinematics;
  ExpectClose(k1.Position.X.Get(), 0.75L * std::sin(a1), "x1");
  ExpectClose(k1.Position.Y.Get(), -0.75L * std::cos(a1), "y1");
  ExpectClose(k1.Velocity.X.Get(), 0.75L * std::cos(a1) * w1, "x1'");
  ExpectClose(k1.Velocity.Y.Get(), 0.75L * std::sin(a1) * w1, "y1'");
  ExpectClose(k1.Acceleration.X.Get(), 0.75L * std::cos(a1) * e1 - 0.75L * std::sin(a1) * w1 * w1, "x1''");
  ExpectClose(k1.Acceleration.Y.Get(), 0.75L * std::sin(a1) * e1 + 0.75L * std::cos(a1) * w1 * w1, "y1''");
  const TKinematics& k2 = Link(2).Kinematics;
  ExpectClose(k2.Position.X.Get(), 1.5L * std::sin(a1) + 0.6L * std::sin(a2), "x2");
  ExpectClose(k2.Position.Y.Get(), -1.5L * std::cos(a1) - 0.6L * std::cos(a2), "y2");
  ExpectClose(k2.Velocity.Y.Get(), 1.5L * std::sin(a1) * w1 + 0.6L * std::sin(a2) * w2, "y2'");
  ExpectClose(k2.Acceleration.X.Get(),
              1.5L * (std::cos(a1) * e1 - std::sin(a1) * w1 * w1) +
                  0.6L * (std::cos(a2) * e2 - std::sin(a2) * w2 * w2),
              "x2''");
  // The joint angles themselves are generalized coordinates.
  EXPECT_EQ(Link(2).Kinematics.Position.Rz.Get(), a2);

  // The Jacobians follow only when the body list updates its links.
  EXPECT_EQ(Link(2).Links.X.JacobianVector->Value(1), j_start);
  world_.Model().Bodies.UpdateLinks();
  const TLinkToGeneralizedCoordinate& x2 = Link(2).Links.X;
  ASSERT_EQ(x2.JacobianVector->Count(), 2u);
  ExpectClose(x2.JacobianVector->Value(0), 1.5L * std::cos(a1), "dx2/dq1");
  ExpectClose(x2.JacobianVector->Value(1), 0.6L * std::cos(a2), "dx2/dq2");
  ExpectClose(x2.JacobianScalar->Value(0), -1.5L * std::sin(a1) * w1 * w1 - 0.6L * std::sin(a2) * w2 * w2,
              "x2 scalar");
  const TLinkToGeneralizedCoordinate& y1 = Link(1).Links.Y;
  ExpectClose(y1.JacobianVector->Value(0), 0.75L * std::sin(a1), "dy1/dq1");
  EXPECT_EQ(y1.JacobianVector->Value(1), 0);
  ExpectClose(y1.JacobianScalar->Value(0), 0.75L * std::cos(a1) * w1 * w1, "y1 scalar");
  EXPECT_EQ(Link(1).Links.Rz.JacobianVector, nullptr);  // not dependent: no Jacobian of its own
}

class DependentCoordinatesTest : public test::EquationsTest {
 protected:
  void SetUp() override {
    EquationsTest::SetUp();
    LoadArm();  // q_1 = b`Arm`Rz, start 0.4
  }
  // Each load into its own object: the world's is loaded once in a world's life.
  bool Load(const std::string& text) {
    const std::string file = dir_.File("model.dc");
    test::WriteBytes(file, text);
    loaded_.push_back(std::make_unique<TDependentCoordinates>(world_));
    return loaded_.back()->Load(file);
  }
  TBody& Hand() { return world_.Model().Bodies.Items(1); }
  TDependentCoordinates& dc() { return *loaded_.back(); }

  test::TempDir dir_;
  std::vector<std::unique_ptr<TDependentCoordinates>> loaded_;
};

TEST_F(DependentCoordinatesTest, AFileWithoutRecordsHasNoDependentCoordinates) {
  EXPECT_TRUE(Load("nothing here\n%%definition\n%%%new%%%\n\nb`Hand`x[t]\n"));
  EXPECT_TRUE(dc().Names.empty());
  EXPECT_EQ(dc().Definitions.Count(), 0u);
  EXPECT_TRUE(NewLines().empty());
}

TEST_F(DependentCoordinatesTest, AMissingFileFails) {
  EXPECT_FALSE(world_.Model().DependentCoordinates.Load(dir_.File("none.dc")));
  EXPECT_EQ(NewLines(), (Strings{"[Error] No dependent coordinate file found.",
                                 "[Error] Cannot read dependent coordinate file."}));
}

TEST_F(DependentCoordinatesTest, TheDefinitionMarkerComparesExactly) {
  EXPECT_FALSE(Load("%%%new%%%\nb`Hand`x[t]\n%%Definition\n1\n2\n3\n"));
  EXPECT_EQ(NewLines(), (Strings{"[Error] Cannot find definition of b`Hand`x in dependent coordinate file.",
                                 "[Error] Cannot read dependent coordinate file."}));
}

TEST_F(DependentCoordinatesTest, EveryDefinitionTakesThreeLines) {
  // An empty velocity line would shift every value after it.
  EXPECT_FALSE(Load("%%%new%%%\nb`Hand`x[t]\n%%definition\n1\n\n3\n%%J\n0\n%%j\n0\n"));
  EXPECT_EQ(NewLines().front(),
            "[Error] Cannot read definition of b`Hand`x in dependent coordinate file: "
            "position, velocity and acceleration take one line each.");
  EXPECT_FALSE(Load("%%%new%%%\nb`Hand`y[t]\n%%definition\n1\n2\n"));
  EXPECT_EQ(NewLines().size(), 4u);
}

TEST_F(DependentCoordinatesTest, VelocityAndAccelerationAreTheirOwnLines) {
  ASSERT_TRUE(Load(Record("b`Hand`x[t]", "2 b`Arm`Rz[t]", "2", "5 t", "-7")));
  EXPECT_EQ(Hand().Kinematics.Position.X.Get(), 0.8L);
  EXPECT_EQ(Hand().Kinematics.Velocity.X.Get(), 0);  // t = 0
  EXPECT_EQ(Hand().Kinematics.Acceleration.X.Get(), -7);
  world_.State.Time = 0.5L;
  world_.State.Evaluated.Q.SetAt(0, 1);
  dc().Evaluate();
  EXPECT_EQ(Hand().Kinematics.Position.X.Get(), 2);
  EXPECT_EQ(Hand().Kinematics.Velocity.X.Get(), 2.5L);
  EXPECT_EQ(Hand().Links.X.JacobianVector->Value(0), 2);
  EXPECT_TRUE(NewLines().empty());
}

TEST_F(DependentCoordinatesTest, ALaterRecordReplacesTheEarlierOne) {
  ASSERT_TRUE(Load(Record("b`Hand`x[t]", "1", "10") + Record("b`Hand`y[t]", "3", "30") +
                   Record("b`Hand`x[t]", "2", "20")));
  EXPECT_EQ(dc().Names, (Strings{"b`Hand`x", "b`Hand`y"}));
  EXPECT_EQ(dc().Definitions.Count(), 6u);
  EXPECT_EQ(Hand().Kinematics.Position.X.Get(), 2);
  EXPECT_EQ(Hand().Kinematics.Position.Y.Get(), 3);
  ASSERT_EQ(Hand().Links.X.JacobianVector->Count(), 1u);
  EXPECT_EQ(Hand().Links.X.JacobianVector->Value(0), 20);
  EXPECT_TRUE(NewLines().empty());
}

TEST_F(DependentCoordinatesTest, ACoordinateWithoutItsJacobianFailsTheLoad) {
  // Without the time mark on the name line the Jacobian pass does not find the record.
  EXPECT_FALSE(Load(Record("b`Hand`x", "3 b`Arm`Rz[t]")));
  EXPECT_EQ(NewLines(),
            (Strings{"[Error] Cannot find Jacobian vector of b`Hand`x in dependent coordinate file."}));
  // The definition was compiled and linked all the same.
  EXPECT_EQ(Hand().Kinematics.Position.X.Get(), 1.2L);
}

TEST_F(DependentCoordinatesTest, AShortJacobianVectorFailsTheLoad) {
  world_.Settings.N = 2;  // the file gives one row where the world has two coordinates
  EXPECT_FALSE(Load(Record("b`Hand`x[t]", "1", "4")));
  EXPECT_EQ(NewLines(),
            (Strings{"[Error] Jacobian vector of b`Hand`x in dependent coordinate file has 1 rows; "
                     "the world has 2 generalized coordinates."}));
  EXPECT_EQ(Hand().Links.X.JacobianVector, nullptr);
}

TEST_F(DependentCoordinatesTest, MissingJacobianMarkersFailTheLoad) {
  EXPECT_FALSE(Load("%%%new%%%\nb`Hand`x[t]\n%%definition\n1\n0\n0\n%%j\n0\n"));
  EXPECT_EQ(NewLines(),
            (Strings{"[Error] Cannot find Jacobian vector of b`Hand`x in dependent coordinate file."}));
  EXPECT_FALSE(Load("%%%new%%%\nb`Hand`y[t]\n%%definition\n1\n0\n0\n%%J\n0\n0\n%%j\n0\n"));
  EXPECT_EQ(NewLines().back(),
            "[Error] Cannot find Jacobian scalar of b`Hand`y in dependent coordinate file.");
}

TEST_F(DependentCoordinatesTest, ANameThatIsNoBodyCoordinateFailsTheLoad) {
  EXPECT_FALSE(Load(Record("b`Wheel`x[t]", "1")));
  EXPECT_EQ(NewLines(), (Strings{"[Error] No dependent body coordinate b`Wheel`x found. Check body names."}));
  EXPECT_FALSE(Load(Record("b`Hand`rz[t]", "1")));
  EXPECT_EQ(NewLines().back(), "[Error] Body position pointer of b.Hand.rz was not set.");
  EXPECT_TRUE(Hand().Kinematics.Position.Rz.OwnValue());
}

TEST_F(DependentCoordinatesTest, ADependentRotationIsOneGeneralizedRotationOrOfTimeAlone) {
  ASSERT_TRUE(Load(Record("b`Hand`Rz[t]", "b`Arm`Rz[t]", "1")));
  EXPECT_EQ(Hand().Links.Rz.Index, 0);
  EXPECT_TRUE(Hand().Links.Rz.Dependent);
  EXPECT_EQ(Hand().Kinematics.Position.Rz.Get(), 0.4L);
}

TEST_F(DependentCoordinatesTest, ADependentRotationOfTimeIsAccepted) {
  ASSERT_TRUE(Load(Record("b`Hand`Rz[t]", "0.5 t")));
  EXPECT_EQ(Hand().Links.Rz.Index, -1);
  EXPECT_TRUE(NewLines().empty());
}

TEST_F(DependentCoordinatesTest, ADependentLinkComesAfterTheGeneralizedOne) {
  ASSERT_TRUE(Load(Record("b`Arm`Rz[t]", "0.5 t")));
  TBody& arm = world_.Model().Bodies.Items(0);
  EXPECT_EQ(arm.Kinematics.Position.Rz.ValuePtr, dc().Definitions.Values.Data());
  EXPECT_TRUE(arm.Links.Rz.Linked);
  EXPECT_TRUE(arm.Links.Rz.Dependent);
  world_.State.Time = 4;
  dc().Evaluate();
  EXPECT_EQ(arm.Kinematics.Position.Rz.Get(), 2);
}

TEST_F(DependentCoordinatesTest, AnyOtherDependentRotationIsRefused) {
  EXPECT_FALSE(Load(Record("b`Hand`Rz[t]", "2 b`Arm`Rz[t]")));
  EXPECT_EQ(NewLines(), (Strings{"[Error] Dependent rotation Rz of body Hand can be equal to one generalized "
                                 "rotation or  dependent only on time."}));
}

}  // namespace
}  // namespace zentrova
