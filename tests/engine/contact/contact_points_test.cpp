#include "engine/contact/contact_points.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <tuple>
#include <vector>

#include "collisions_test_support.h"
#include "engine/model/dependent_coordinates.h"
#include "platform/exception.h"

namespace zentrova::test {
namespace {

class ContactPointsTest : public CollisionsTest {
 protected:
  std::unique_ptr<TContact> NewContact() {
    return std::make_unique<TContact>(world_.Model().Bodies, world_.State.Evaluated.Count(), &properties_);
  }
  void SetQ(const std::vector<long double>& q_dot, const std::vector<long double>& q_ddot) {
    for (std::uint32_t i = 0; i < q_dot.size(); ++i) {
      QDot(i) = q_dot[i];
      world_.State.Evaluated.QDDot.SetAt(i, q_ddot[i]);
    }
  }
  // Whatever the contact's geometry, its velocities are its Jacobian rows times q' and its accelerations
  // the rows times q'' plus the bias.
  void ExpectKinematicsFollowTheJacobian(const TContact& c) {
    const auto along = [&](const TFloatList& row, const TFloatList& x) {
      long double sum = 0;
      for (std::uint32_t i = 0; i < row.Count(); ++i) sum += row.At(i) * x.At(i);
      return static_cast<double>(sum);
    };
    const TCoordinateList& s = world_.State.Evaluated;
    EXPECT_NEAR(static_cast<double>(c.Kinematics.Velocity.Normal.Get()), along(c.Jacobian.Normal, s.QDot), 1e-15);
    EXPECT_NEAR(static_cast<double>(c.Kinematics.Velocity.Tangent.Get()), along(c.Jacobian.Tangent, s.QDot), 1e-15);
    EXPECT_NEAR(static_cast<double>(c.Kinematics.Acceleration.Normal.Get() - c.Bias.Normal.Get()),
                along(c.Jacobian.Normal, s.QDDot), 1e-14);
    EXPECT_NEAR(static_cast<double>(c.Kinematics.Acceleration.Tangent.Get() - c.Bias.Tangent.Get()),
                along(c.Jacobian.Tangent, s.QDDot), 1e-14);
  }
};

// The box's corner 0 on the floor's top edge (T = (-1, 0), N = (0, -1) into the floor), the box at
// (0, 0.5 - 1e-4) with q' = (0.3, -0.7, 2), q'' = (0.1, 0.2, 3): the corner at r = (-0.5, -0.5) moves
// with v + w x r = (1.3, -1.7) and accelerates with a + alpha x r - w^2 r = (3.6, 0.7), so that
// vN = -1.7, vT = 1.3, aN = 0.7, aT = 3.6, 1e-4 m deep.
TEST_F(ContactPointsTest, KinematicsJacobiansAndBiasOfAMovingCorner) {
  LoadBoxOnFloor("y=" + Num(0.5L - 1e-4L) + "\r\n", "",
                 "friction=0.2 + 0.01 vRel\r\nrestitutionNormal=0.5\r\nrestitutionTangent=0.25\r\nparameterNi=0.125\r\n");
  SetQ({0.3L, -0.7L, 2}, {0.1L, 0.2L, 3});
  const auto contact = NewContact();
  contact->Set(0, 2, 1, 0, -0.5L, 0, -1, 0, 0.525L);
  EXPECT_NEAR(static_cast<double>(contact->Kinematics.Position.Normal.Get()), -1e-4, 1e-18);
  EXPECT_EQ(contact->Kinematics.Position.Tangent.Get(), 0);  // only the depth is kept
  EXPECT_NEAR(static_cast<double>(contact->Kinematics.Velocity.Normal.Get()), -1.7, 1e-15);
  EXPECT_NEAR(static_cast<double>(contact->Kinematics.Velocity.Tangent.Get()), 1.3, 1e-15);
  EXPECT_NEAR(static_cast<double>(contact->Kinematics.Acceleration.Normal.Get()), 0.7, 1e-15);
  EXPECT_NEAR(static_cast<double>(contact->Kinematics.Acceleration.Tangent.Get()), 3.6, 1e-15);
  // Normal row (0, 1, rx), tangent row (1, 0, -ry); bias +w^2 r of the vertex body along N and T.
  EXPECT_EQ(Elements(contact->Jacobian.Normal), (std::vector<long double>{0, 1, -0.5L}));
  EXPECT_EQ(Elements(contact->Jacobian.Tangent), (std::vector<long double>{1, 0, 0.5L}));
  EXPECT_EQ(contact->Bias.Normal.Get(), 2);
  EXPECT_EQ(contact->Bias.Tangent.Get(), 2);
  // The coefficients, friction evaluated at vRel = |vT|.
  EXPECT_NEAR(static_cast<double>(contact->Friction), 0.2 + 0.01 * 1.3, 1e-15);
  EXPECT_EQ(contact->RestitutionNormal, 0.5L);
  EXPECT_EQ(contact->RestitutionTangent, 0.25L);
  EXPECT_EQ(contact->ParameterNi, 0.125L);
}

// Two free boxes, both turned and moving, a contact along a tangent turned by 0.4 rad.
TEST_F(ContactPointsTest, TwoMovingBodiesFollowTheJacobian) {
  Write("box.exs", kBoxOutline);
  Write("a.bdy", BodyFile("A", "box.exs", 2, 0.4L, "x=0.1\r\ny=-0.2\r\nRz=0.7\r\n"));
  Write("b.bdy", BodyFile("B", "box.exs", 3, 0.5L, "x=0.9\r\ny=0.6\r\nRz=-2.1\r\n"));
  Write("model.gc", "b`A`x\r\nb`A`y\r\nb`A`Rz\r\nb`B`x\r\nb`B`y\r\nb`B`Rz\r\n");
  Write("model.cop", "[A-B]\r\n");
  Load("maximumPenetration=1e-3\r\n", {"a.bdy", "b.bdy"}, 6);
  SetQ({0.3L, -1.1L, 2.5L, -0.4L, 0.8L, -1.7L}, {1.5L, 0.25L, -3, 0.6L, -2.2L, 0.9L});
  const auto contact = NewContact();
  contact->Set(0, 1, 1, 2, 0.5L, 0.1L, std::cos(0.4L), std::sin(0.4L), 0.6L);
  ExpectKinematicsFollowTheJacobian(*contact);
  // The vertex body's translation enters with the sign -1: vN = N.(vE - vV).
  EXPECT_NEAR(static_cast<double>(contact->Jacobian.Normal.At(4)), -std::cos(0.4), 1e-18);
  EXPECT_NEAR(static_cast<double>(contact->Jacobian.Normal.At(1)), std::cos(0.4), 1e-18);
}

// A link whose centre x, y are dependent coordinates of its own angle (a pendulum of length 0.8 about
// the origin): its Jacobian rows come from the dependent coordinates' Jacobians, and its centripetal
// and dependent scalar terms make up the bias.
TEST_F(ContactPointsTest, DependentCoordinatesEnterThroughTheirJacobians) {
  Write("box.exs", kBoxOutline);
  Write("floor.exs", kFloorOutline);
  Write("floor.bdy", BodyFile("Floor", "floor.exs", 1000, 1000, "y=-2\r\n"));
  Write("link.bdy", BodyFile("Link", "box.exs", 2, 0.4L, "Rz=0.6\r\n", "Rz=1.5\r\n"));
  Write("model.gc", "b`Link`Rz[t]\r\n");
  Write("model.cop", "[Floor-Link]\r\n");
  const std::string phi = "b`Link`Rz[t]", omega = "b`Link`Rz'[t]", alpha = "b`Link`Rz''[t]";
  Write("model.dc", "%%%new%%%\r\nb`Link`x[t]\r\n%%definition\r\n0.8 Sin[" + phi + "]\r\n0.8 Cos[" + phi + "] " +
                        omega + "\r\n0.8 Cos[" + phi + "] " + alpha + " - 0.8 Sin[" + phi + "] " + omega +
                        "^2\r\n%%J\r\n0.8 Cos[" + phi + "]\r\n%%j\r\n-0.8 Sin[" + phi + "] " + omega +
                        "^2\r\n%%%new%%%\r\nb`Link`y[t]\r\n%%definition\r\n-0.8 Cos[" + phi + "]\r\n0.8 Sin[" +
                        phi + "] " + omega + "\r\n0.8 Sin[" + phi + "] " + alpha + " + 0.8 Cos[" + phi + "] " +
                        omega + "^2\r\n%%J\r\n0.8 Sin[" + phi + "]\r\n%%j\r\n0.8 Cos[" + phi + "] " + omega +
                        "^2\r\n");
  Load("maximumPenetration=1e-3\r\n", {"floor.bdy", "link.bdy"}, 1);
  ASSERT_TRUE(world_.Model().DependentCoordinates.Load(dir_.File("model.dc")));
  world_.State.Evaluated.QDDot.SetAt(0, -0.7L);
  world_.Model().DependentCoordinates.Evaluate();
  world_.Model().Bodies.UpdateLinks();
  const auto contact = NewContact();
  contact->Set(0, 2, 1, 0, 0.3L, 0, -1, 0, 0.485L);
  // Corner 0 at r = R(phi) (-0.5, -0.5) from the centre (0.8 sin phi, -0.8 cos phi): vN = N.(-v) = vy.
  const long double rx = -0.5L * std::cos(0.6L) + 0.5L * std::sin(0.6L);
  EXPECT_NEAR(static_cast<double>(contact->Jacobian.Normal.At(0)), static_cast<double>(0.8L * std::sin(0.6L) + rx),
              1e-15);
  ExpectKinematicsFollowTheJacobian(*contact);
}

// A body turned by a function of time alone, Rz = 2 t + 1.5 t^2, has no generalized coordinate for its
// rotation: the rotation adds no Jacobian term, and its whole rotational acceleration, centripetal and
// angular, is bias.
TEST_F(ContactPointsTest, RotationOfTimeAloneIsAllBias) {
  Write("box.exs", kBoxOutline);
  Write("rotor.bdy", BodyFile("Rotor", "box.exs", 2, 0.4L, "x=1\r\n"));
  Write("slider.bdy", BodyFile("Slider", "box.exs", 2, 0.4L, "x=-1\r\n"));
  Write("model.gc", "b`Slider`x\r\n");
  Write("model.cop", "[Rotor-Slider]\r\n");
  Write("model.dc", "%%%new%%%\r\nb`Rotor`Rz[t]\r\n%%definition\r\n2 t + 1.5 t^2\r\n2 + 3 t\r\n3\r\n%%J\r\n0\r\n%%j\r\n0\r\n");
  Load("maximumPenetration=1e-3\r\n", {"rotor.bdy", "slider.bdy"}, 1);
  ASSERT_TRUE(world_.Model().DependentCoordinates.Load(dir_.File("model.dc")));
  ASSERT_EQ(Body(0).Links.Rz.Index, -1);
  world_.State.Time = 0.25L;
  world_.Model().DependentCoordinates.Evaluate();
  // The rotor's corner 0 as the vertex against an edge of the slider, T = (0, 1), N = (-1, 0).
  const auto contact = NewContact();
  contact->Set(1, 1, 0, 0, 0.5L, 0, 0, 1, 0.5L);
  EXPECT_EQ(Elements(contact->Jacobian.Normal), (std::vector<long double>{-1}));  // N.(1, 0) of the slider's x
  EXPECT_EQ(Elements(contact->Jacobian.Tangent), (std::vector<long double>{0}));
  // At t = 0.25: Rz = 0.59375, w = 2.75, alpha = 3. The corner at r accelerates with
  // alpha (-ry, rx) - w^2 r and moves with w (-ry, rx), which the contact sees negated (vertex body).
  const long double w = 2.75L, alpha = 3, c = std::cos(0.59375L), s = std::sin(0.59375L);
  const long double rx = -0.5L * c + 0.5L * s, ry = -0.5L * s - 0.5L * c;
  const long double ax = alpha * -ry - w * w * rx, ay = alpha * rx - w * w * ry;
  EXPECT_NEAR(static_cast<double>(contact->Bias.Normal.Get()), static_cast<double>(ax), 1e-15);
  EXPECT_NEAR(static_cast<double>(contact->Bias.Tangent.Get()), static_cast<double>(-ay), 1e-15);
  EXPECT_NEAR(static_cast<double>(contact->Kinematics.Velocity.Tangent.Get()), static_cast<double>(-w * rx), 1e-15);
  // The slider does not accelerate: all of the relative acceleration is bias.
  EXPECT_NEAR(static_cast<double>(contact->Kinematics.Acceleration.Normal.Get()), static_cast<double>(ax), 1e-15);
  EXPECT_NEAR(static_cast<double>(contact->Kinematics.Acceleration.Tangent.Get()), static_cast<double>(-ay), 1e-15);
}

// Both corners of a box moving with vx = 1.5 and w = 2 slide along +T (vx - w ry = 2.5): -sign(vT) mu
// = -mu; sliding the other way, +mu.
TEST_F(ContactPointsTest, ListsAssembleColumnsBiasAndCoefficients) {
  LoadBoxOnFloor("y=0.5\r\n", "", "friction=0.3\r\nrestitutionNormal=0.5\r\nparameterNi=0.2\r\n");
  QDot(0) = 1.5L;
  QDot(2) = 2;
  TContactPoints list;
  for (const auto& [vertex, x, t] : {std::tuple{0, -0.5L, 0.525L}, std::tuple{1, 0.5L, 0.475L}}) {
    auto contact = NewContact();
    contact->Set(0, 2, 1, vertex, x, 0, -1, 0, t);
    list.Add(std::move(contact));
  }
  list.BuildJacobians(3);
  list.BuildBiasLists();
  list.BuildCoefficients();
  // Column i is contact i: corner 0 at rx = -0.5, corner 1 at rx = 0.5.
  ASSERT_EQ(list.JacobianMatrices.Normal.ColCount(), 2u);
  EXPECT_EQ(list.JacobianMatrices.Normal.At(2, 0), -0.5L);
  EXPECT_EQ(list.JacobianMatrices.Normal.At(2, 1), 0.5L);
  EXPECT_EQ(list.JacobianMatrices.Tangent.At(0, 1), 1);
  // The vertex body's +w^2 r seen along N = (0, -1) and T = (-1, 0): -4 ry and -4 rx.
  EXPECT_EQ(Elements(list.BiasLists.Normal), (std::vector<long double>{2, 2}));
  EXPECT_EQ(Elements(list.BiasLists.Tangent), (std::vector<long double>{2, -2}));
  EXPECT_EQ(list.FrictionMatrix.At(1, 1), 0.3L);
  EXPECT_EQ(list.FrictionMatrix.At(0, 1), 0);
  EXPECT_EQ(list.SignedFrictionMatrix.At(0, 0), -0.3L);
  EXPECT_EQ(list.SignedFrictionMatrix.At(1, 1), -0.3L);
  EXPECT_EQ(Elements(list.RestitutionNormals), (std::vector<long double>{0.5L, 0.5L}));
  EXPECT_EQ(Elements(list.ParametersNi), (std::vector<long double>{0.2L, 0.2L}));
  QDot(0) = -1.5L;
  QDot(2) = 0;
  list.Items(0).Set(0, 2, 1, 0, -0.5L, 0, -1, 0, 0.525L);
  list.BuildCoefficients();
  EXPECT_EQ(list.SignedFrictionMatrix.At(0, 0), 0.3L);
}

TEST_F(ContactPointsTest, OwnershipDecidesHowContactsAreAdded) {
  LoadBoxOnFloor("y=0.5\r\n", "", "");
  TContactPoints owning(true), pointing(false);
  auto contact = NewContact();
  TContact& kept = *contact;
  ExpectError<EListError>([&] { pointing.Add(NewContact()); },
                          "TContactPoints.Add: a list that does not own its contacts cannot take one over");
  ExpectError<EListError>([&] { owning.Add(kept); },
                          "TContactPoints.Add: an owning list takes contacts over, not references");
  owning.Add(std::move(contact));
  pointing.Add(kept);
  EXPECT_EQ(&pointing.Items(0), &owning.Items(0));
}

}  // namespace
}  // namespace zentrova::test
