#include "engine/contact/contact_points.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "collisions_test_support.h"
#include "engine/model/dependent_coordinates.h"

namespace zentrova::test {
namespace {

using Values = std::vector<long double>;

class ContactPointsTest : public CollisionsTest {
 protected:
  std::unique_ptr<TContact> NewContact() {
    return std::make_unique<TContact>(world_.Model().Bodies, world_.State.Evaluated.Count(), &properties_);
  }
};

// The box's corner 0 on the floor's top edge (T = (-1, 0), N = (0, -1)), q' = (0.3, -0.7, 2), q'' =
// (0.1, 0.2, 3): at r = (-0.5, -0.5) it moves with v + w x r = (1.3, -1.7) and accelerates with
// a + alpha x r - w^2 r = (3.6, 0.7); rows (0, 1, rx) and (1, 0, -ry), bias the vertex body's +w^2 r.
TEST_F(ContactPointsTest, KinematicsJacobiansAndBiasOfAMovingCorner) {
  LoadBoxOnFloor("y=" + Num(0.5L - 1e-4L) + "\r\n", "", "friction=0.2 + 0.01 vRel\r\n");
  const Values q_dot = {0.3L, -0.7L, 2}, q_ddot = {0.1L, 0.2L, 3};
  for (std::uint32_t i = 0; i < 3; ++i) QDot(i) = q_dot[i], world_.State.Evaluated.QDDot.SetAt(i, q_ddot[i]);
  const auto c = NewContact();
  c->Set(0, 2, 1, 0, -0.5L, 0, -1, 0, 0.525L);
  EXPECT_NEAR(c->Kinematics.Position.Normal.Get(), -1e-4, 1e-18);
  EXPECT_EQ(c->Kinematics.Position.Tangent.Get(), 0);  // only the depth is kept
  EXPECT_NEAR(c->Kinematics.Velocity.Normal.Get(), -1.7, 1e-15);
  EXPECT_NEAR(c->Kinematics.Velocity.Tangent.Get(), 1.3, 1e-15);
  EXPECT_NEAR(c->Kinematics.Acceleration.Normal.Get(), 0.7, 1e-15);
  EXPECT_NEAR(c->Kinematics.Acceleration.Tangent.Get(), 3.6, 1e-15);
  EXPECT_EQ(Elements(c->Jacobian.Normal), (Values{0, 1, -0.5L}));
  EXPECT_EQ(Elements(c->Jacobian.Tangent), (Values{1, 0, 0.5L}));
  EXPECT_EQ(c->Bias.Normal.Get(), 2);
  EXPECT_EQ(c->Bias.Tangent.Get(), 2);
  EXPECT_NEAR(c->Friction, 0.2 + 0.01 * 1.3, 1e-15);  // evaluated at vRel = |vT|
}

// A rotor turned by time alone, Rz = 2 t + 1.5 t^2, has no generalized coordinate for its rotation: no
// Jacobian term, all its rotational acceleration is bias. At t = 0.25 its corner 0, the vertex against a
// slider's edge (T = (0, 1), N = (-1, 0)), at r = R(0.59375) (-0.5, -0.5) moves with w (-ry, rx) and
// accelerates with alpha (-ry, rx) - w^2 r, w = 2.75, alpha = 3, seen negated by the contact.
TEST_F(ContactPointsTest, RotationOfTimeAloneIsAllBias) {
  Write("box.exs", kBoxOutline);
  Write("rotor.bdy", BodyFile("Rotor", "box.exs", 2, 0.4L, "x=1\r\n"));
  Write("slider.bdy", BodyFile("Slider", "box.exs", 2, 0.4L, "x=-1\r\n"));
  Write("model.gc", "b`Slider`x\r\n");
  Write("model.cop", "[Rotor-Slider]\r\n");
  Write("model.dc",
        "%%%new%%%\r\nb`Rotor`Rz[t]\r\n%%definition\r\n2 t + 1.5 t^2\r\n2 + 3 t\r\n3\r\n"
        "%%J\r\n0\r\n%%j\r\n0\r\n");
  Load("maximumPenetration=1e-3\r\n", {"rotor.bdy", "slider.bdy"}, 1);
  ASSERT_TRUE(world_.Model().DependentCoordinates.Load(dir_.File("model.dc")));
  ASSERT_EQ(world_.Model().Bodies.Items(0).Links.Rz.Index, -1);
  world_.State.Time = 0.25L;
  world_.Model().DependentCoordinates.Evaluate();
  const auto contact = NewContact();
  contact->Set(1, 1, 0, 0, 0.5L, 0, 0, 1, 0.5L);
  EXPECT_EQ(Elements(contact->Jacobian.Normal), (Values{-1}));  // N.(1, 0) of the slider's x
  EXPECT_EQ(Elements(contact->Jacobian.Tangent), (Values{0}));
  const long double w = 2.75L, alpha = 3, c = std::cos(0.59375L), s = std::sin(0.59375L);
  const long double rx = -0.5L * c + 0.5L * s, ry = -0.5L * s - 0.5L * c;
  const long double ax = alpha * -ry - w * w * rx, ay = alpha * rx - w * w * ry;  // N.(-a) = ax, T.(-a) = -ay
  EXPECT_NEAR(contact->Bias.Normal.Get(), ax, 1e-15);
  EXPECT_NEAR(contact->Bias.Tangent.Get(), -ay, 1e-15);
  EXPECT_NEAR(contact->Kinematics.Acceleration.Normal.Get(), ax, 1e-15);
  EXPECT_NEAR(contact->Kinematics.Acceleration.Tangent.Get(), -ay, 1e-15);
  EXPECT_NEAR(contact->Kinematics.Velocity.Tangent.Get(), -w * rx, 1e-15);
}

// A list hands out the contacts of the last detection again. One that moved the first box's coordinates
// (0 to 2) and is then set for the second box (3 to 5) has the rows, the touched coordinates and the
// normal acceleration parts that a contact made for the second box has: nothing of the first stays. With
// 2 boxes the rows are mostly touched columns, with 5 mostly untouched ones.
class ContactReuseTest : public ContactPointsTest, public ::testing::WithParamInterface<int> {};

TEST_P(ContactReuseTest, ContactHandedOutAgainKeepsNothingOfItsLastBodies) {
  const int boxes = GetParam();
  const auto n = static_cast<std::uint32_t>(3 * boxes);
  Write("floor.exs", kFloorOutline);
  Write("box.exs", kBoxOutline);
  Write("floor.bdy", BodyFile("Floor", "floor.exs", 1000, 1000, ""));
  std::vector<std::string> files = {"floor.bdy"};
  std::string gc, cop;
  for (int b = 0; b < boxes; ++b) {
    const std::string name = std::string(1, static_cast<char>('A' + b));
    Write(name + ".bdy", BodyFile(name, "box.exs", kBoxMass, kBoxInertia,
                                  "x=" + Num(4.0L * b - 2) + "\r\ny=0.5\r\nRz=" + Num(0.25L * b) + "\r\n"));
    files.push_back(name + ".bdy");
    for (const char* c : {"x", "y", "Rz"}) gc += "b`" + name + "`" + c + "\r\n";
    cop += "[Floor-" + name + "]\r\n";
  }
  Write("model.gc", gc);
  Write("model.cop", cop);
  Load("maximumPenetration=1e-3\r\n", files, n, kBoxMass, kBoxInertia);
  Values q_ddot(n);
  for (std::uint32_t i = 0; i < n; ++i) {
    q_ddot[i] = i + 1.0L;
    world_.State.Evaluated.QDDot.SetAt(i, q_ddot[i]);
  }

  TContactPoints list(true);
  TContact& first = list.AddNew(Bodies(), n, &properties_);
  first.Set(0, 2, 1, 0, -2.5L, 0, -1, 0, 0.5625L);
  EXPECT_EQ(first.TouchedCoordinates(), (std::vector<std::uint32_t>{0, 1, 2}));
  list.Clear();
  TContact& again = list.AddNew(Bodies(), n, &properties_);
  ASSERT_EQ(&again, &first);
  again.Set(0, 2, 2, 1, 2.5L, 0, -1, 0, 0.4375L);
  const auto fresh = NewContact();
  fresh->Set(0, 2, 2, 1, 2.5L, 0, -1, 0, 0.4375L);
  EXPECT_EQ(again.TouchedCoordinates(), (std::vector<std::uint32_t>{3, 4, 5}));
  EXPECT_EQ(Elements(again.Jacobian.Normal), Elements(fresh->Jacobian.Normal));
  EXPECT_EQ(Elements(again.Jacobian.Tangent), Elements(fresh->Jacobian.Tangent));
  EXPECT_EQ(Elements(again.Jacobian.Normal).at(0), 0);
  EXPECT_NE(Elements(again.Jacobian.Normal).at(4), 0);
  long double edge = 0, vertex = 0, fresh_edge = 0, fresh_vertex = 0;
  again.NormalAccelerationParts(q_ddot.data(), n, edge, vertex);
  fresh->NormalAccelerationParts(q_ddot.data(), n, fresh_edge, fresh_vertex);
  EXPECT_EQ(std::tuple(edge, vertex), std::tuple(fresh_edge, fresh_vertex));
  // The vertex's share is its Jacobian row times q'' plus the bias: N = (0, -1) of the floor's top edge.
  long double expected = fresh->Bias.Normal.Get();
  for (std::uint32_t j = 0; j < n; ++j) expected += fresh->Jacobian.Normal.Data()[j] * q_ddot[j];
  EXPECT_NEAR(vertex, expected, 1e-15);
  EXPECT_EQ(edge, 0);  // the floor does not move
  // A q'' that is not finite where the contact's bodies do not reach is left out, unless every column is
  // asked for (0 x NaN is NaN).
  Values nan_q_ddot = q_ddot;
  nan_q_ddot[0] = std::numeric_limits<long double>::quiet_NaN();
  again.NormalAccelerationParts(nan_q_ddot.data(), n, edge, vertex);
  EXPECT_EQ(std::tuple(edge, vertex), std::tuple(fresh_edge, fresh_vertex));
  again.NormalAccelerationParts(nan_q_ddot.data(), n, edge, vertex, true);
  EXPECT_TRUE(std::isnan(edge) && std::isnan(vertex));
}

INSTANTIATE_TEST_SUITE_P(TwoAndFiveBoxes, ContactReuseTest, ::testing::Values(2, 5));

}  // namespace
}  // namespace zentrova::test
