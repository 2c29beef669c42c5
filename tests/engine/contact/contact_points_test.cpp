#include "engine/contact/contact_points.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "collisions_test_support.h"
#include "engine/model/dependent_coordinates.h"
#include "platform/exception.h"

namespace zentrova::test {
namespace {

using ContactPointsTest = CollisionsTest;

long double Dot(const TFloatList& a, const TFloatList& b) {
  long double sum = 0;
  for (std::uint32_t i = 0; i < a.Count(); ++i) sum += a.At(i) * b.At(i);
  return sum;
}

// The box's corner 0 on the floor's top edge (point 2 at (10, 0) to point 3 at (-10, 0)): tangent
// (-1, 0), normal (0, -1) into the floor.
void SetCornerContact(TContact& contact) {
  contact.Set(0, 2, 1, 0, -0.5L, 0, -1, 0, 0.525L);
}

TEST_F(ContactPointsTest, CornerOnTheEdgeHasNormalPositionZeroAndInsideMinusTheDepth) {
  LoadBoxOnFloor("y=0.5\r\n", "", "friction=0.3\r\n");
  TContact contact(world_.Model().Bodies, world_.State.Evaluated.Count(), &properties_);
  SetCornerContact(contact);
  EXPECT_EQ(contact.Kinematics.Position.Normal.Get(), 0);
  EXPECT_EQ(contact.Kinematics.Position.Tangent.Get(), 0);

  Q(1) = 0.5L - 1e-4L;
  SetCornerContact(contact);
  EXPECT_NEAR(static_cast<double>(contact.Kinematics.Position.Normal.Get()), -1e-4, 1e-18);
  // The tangential position is not kept.
  EXPECT_EQ(contact.Kinematics.Position.Tangent.Get(), 0);
}

TEST_F(ContactPointsTest, BodiesAtRestGiveNoVelocityAccelerationOrBias) {
  LoadBoxOnFloor("y=0.5\r\nRz=0.3\r\n", "", "friction=0.3\r\n");
  TContact contact(world_.Model().Bodies, world_.State.Evaluated.Count(), &properties_);
  contact.Set(0, 2, 1, 1, 0.2L, 0, -1, 0, 0.49L);
  EXPECT_EQ(contact.Kinematics.Velocity.Normal.Get(), 0);
  EXPECT_EQ(contact.Kinematics.Velocity.Tangent.Get(), 0);
  EXPECT_EQ(contact.Kinematics.Acceleration.Normal.Get(), 0);
  EXPECT_EQ(contact.Kinematics.Acceleration.Tangent.Get(), 0);
  EXPECT_EQ(contact.Bias.Normal.Get(), 0);
  EXPECT_EQ(contact.Bias.Tangent.Get(), 0);
}

// Box at rest position (0, 0.5), q' = (0.3, -0.7, 2), q'' = (0.1, 0.2, 3); its corner 0 at r = (-0.5, -0.5)
// moves with v + w x r = (1.3, -1.7) and accelerates with a + alpha x r - w^2 r = (3.6, 0.7). Seen from
// the floor's edge (T = (-1, 0), N = (0, -1)): vN = -1.7, vT = 1.3, aN = 0.7, aT = 3.6.
TEST_F(ContactPointsTest, KinematicsJacobiansAndBiasOfAMovingCorner) {
  LoadBoxOnFloor("y=0.5\r\n", "",
                 "friction=0.2 + 0.01 vRel\r\nrestitutionNormal=0.5\r\n"
                 "restitutionTangent=0.25\r\nparameterNi=0.125\r\n");
  QDot(0) = 0.3L;
  QDot(1) = -0.7L;
  QDot(2) = 2;
  TFloatList& qdd = world_.State.Evaluated.QDDot;
  qdd.SetAt(0, 0.1L);
  qdd.SetAt(1, 0.2L);
  qdd.SetAt(2, 3);
  TContact contact(world_.Model().Bodies, world_.State.Evaluated.Count(), &properties_);
  SetCornerContact(contact);

  EXPECT_NEAR(static_cast<double>(contact.Kinematics.Velocity.Normal.Get()), -1.7, 1e-15);
  EXPECT_NEAR(static_cast<double>(contact.Kinematics.Velocity.Tangent.Get()), 1.3, 1e-15);
  EXPECT_NEAR(static_cast<double>(contact.Kinematics.Acceleration.Normal.Get()), 0.7, 1e-15);
  EXPECT_NEAR(static_cast<double>(contact.Kinematics.Acceleration.Tangent.Get()), 3.6, 1e-15);

  // Normal row (0, 1, rx), tangent row (1, 0, -ry); bias +w^2 r of the vertex body seen along N and T.
  ASSERT_EQ(contact.Jacobian.Normal.Count(), 3u);
  EXPECT_EQ(contact.Jacobian.Normal.At(0), 0);
  EXPECT_EQ(contact.Jacobian.Normal.At(1), 1);
  EXPECT_EQ(contact.Jacobian.Normal.At(2), -0.5L);
  EXPECT_EQ(contact.Jacobian.Tangent.At(0), 1);
  EXPECT_EQ(contact.Jacobian.Tangent.At(1), 0);
  EXPECT_EQ(contact.Jacobian.Tangent.At(2), 0.5L);
  EXPECT_EQ(contact.Bias.Normal.Get(), 2);
  EXPECT_EQ(contact.Bias.Tangent.Get(), 2);

  // Friction is evaluated at vRel = |vT|.
  EXPECT_NEAR(static_cast<double>(contact.Friction), 0.2 + 0.01 * 1.3, 1e-15);
  EXPECT_EQ(contact.RestitutionNormal, 0.5L);
  EXPECT_EQ(contact.RestitutionTangent, 0.25L);
  EXPECT_EQ(contact.ParameterNi, 0.125L);
}

// Two free boxes, both turned and moving: whatever the contact's geometry, its normal and tangential
// velocity are its Jacobian rows times q', and its accelerations the rows times q'' plus the bias.
TEST_F(ContactPointsTest, VelocityAndAccelerationOfTwoMovingBodiesFollowTheJacobian) {
  Write("box.exs", kBoxOutline);
  Write("a.bdy", BodyFile("A", "box.exs", 2, 0.4L, "x=0.1\r\ny=-0.2\r\nRz=0.7\r\n"));
  Write("b.bdy", BodyFile("B", "box.exs", 3, 0.5L, "x=0.9\r\ny=0.6\r\nRz=-2.1\r\n"));
  Write("model.gc", "b`A`x\r\nb`A`y\r\nb`A`Rz\r\nb`B`x\r\nb`B`y\r\nb`B`Rz\r\n");
  Write("model.cop", "[A-B]\r\n");
  Load("maximumPenetration=1e-3\r\n", {"a.bdy", "b.bdy"}, 6);
  const long double q_dot[6] = {0.3L, -1.1L, 2.5L, -0.4L, 0.8L, -1.7L};
  const long double q_ddot[6] = {1.5L, 0.25L, -3, 0.6L, -2.2L, 0.9L};
  TFloatList qd, qdd;
  qd.Dim(6);
  qdd.Dim(6);
  for (std::uint32_t i = 0; i < 6; ++i) {
    QDot(i) = q_dot[i];
    world_.State.Evaluated.QDDot.SetAt(i, q_ddot[i]);
    qd.SetAt(i, q_dot[i]);
    qdd.SetAt(i, q_ddot[i]);
  }
  const long double angle = 0.4L;
  TContact contact(world_.Model().Bodies, world_.State.Evaluated.Count(), &properties_);
  contact.Set(0, 1, 1, 2, 0.5L, 0.1L, std::cos(angle), std::sin(angle), 0.6L);

  EXPECT_NEAR(static_cast<double>(contact.Kinematics.Velocity.Normal.Get()),
              static_cast<double>(Dot(contact.Jacobian.Normal, qd)), 1e-15);
  EXPECT_NEAR(static_cast<double>(contact.Kinematics.Velocity.Tangent.Get()),
              static_cast<double>(Dot(contact.Jacobian.Tangent, qd)), 1e-15);
  EXPECT_NEAR(static_cast<double>(contact.Kinematics.Acceleration.Normal.Get()),
              static_cast<double>(Dot(contact.Jacobian.Normal, qdd) + contact.Bias.Normal.Get()), 1e-14);
  EXPECT_NEAR(static_cast<double>(contact.Kinematics.Acceleration.Tangent.Get()),
              static_cast<double>(Dot(contact.Jacobian.Tangent, qdd) + contact.Bias.Tangent.Get()), 1e-14);
  // The vertex body's translation enters with the sign -1: vN = N.(vE - vV).
  EXPECT_NEAR(static_cast<double>(contact.Jacobian.Normal.At(4)), -std::cos(0.4), 1e-18);
  EXPECT_NEAR(static_cast<double>(contact.Jacobian.Normal.At(1)), std::cos(0.4), 1e-18);
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
  Write("model.dc",
        "%%%new%%%\r\nb`Link`x[t]\r\n%%definition\r\n0.8 Sin[b`Link`Rz[t]]\r\n"
        "0.8 Cos[b`Link`Rz[t]] b`Link`Rz'[t]\r\n"
        "0.8 Cos[b`Link`Rz[t]] b`Link`Rz''[t] - 0.8 Sin[b`Link`Rz[t]] b`Link`Rz'[t]^2\r\n"
        "%%J\r\n0.8 Cos[b`Link`Rz[t]]\r\n%%j\r\n-0.8 Sin[b`Link`Rz[t]] b`Link`Rz'[t]^2\r\n"
        "%%%new%%%\r\nb`Link`y[t]\r\n%%definition\r\n-0.8 Cos[b`Link`Rz[t]]\r\n"
        "0.8 Sin[b`Link`Rz[t]] b`Link`Rz'[t]\r\n"
        "0.8 Sin[b`Link`Rz[t]] b`Link`Rz''[t] + 0.8 Cos[b`Link`Rz[t]] b`Link`Rz'[t]^2\r\n"
        "%%J\r\n0.8 Sin[b`Link`Rz[t]]\r\n%%j\r\n0.8 Cos[b`Link`Rz[t]] b`Link`Rz'[t]^2\r\n");
  Load("maximumPenetration=1e-3\r\n", {"floor.bdy", "link.bdy"}, 1);
  ASSERT_TRUE(world_.Model().DependentCoordinates.Load(dir_.File("model.dc")));
  world_.State.Evaluated.QDDot.SetAt(0, -0.7L);
  world_.Model().DependentCoordinates.Evaluate();
  world_.Model().Bodies.UpdateLinks();

  TContact contact(world_.Model().Bodies, world_.State.Evaluated.Count(), &properties_);
  contact.Set(0, 2, 1, 0, 0.3L, 0, -1, 0, 0.485L);
  const long double phi = 0.6L, omega = 1.5L;
  // Corner 0 at r = R(phi) (-0.5, -0.5) from the centre (0.8 sin phi, -0.8 cos phi): vN = N.(-v) = vy.
  const long double rx = -0.5L * std::cos(phi) + 0.5L * std::sin(phi);
  const long double jy = 0.8L * std::sin(phi) + rx;
  ASSERT_EQ(contact.Jacobian.Normal.Count(), 1u);
  EXPECT_NEAR(static_cast<double>(contact.Jacobian.Normal.At(0)), static_cast<double>(jy), 1e-15);
  EXPECT_NEAR(static_cast<double>(contact.Kinematics.Velocity.Normal.Get()), static_cast<double>(jy * omega),
              1e-15);
  EXPECT_NEAR(static_cast<double>(contact.Kinematics.Acceleration.Normal.Get()),
              static_cast<double>(contact.Jacobian.Normal.At(0) * -0.7L + contact.Bias.Normal.Get()), 1e-15);
  EXPECT_NEAR(static_cast<double>(contact.Kinematics.Acceleration.Tangent.Get()),
              static_cast<double>(contact.Jacobian.Tangent.At(0) * -0.7L + contact.Bias.Tangent.Get()),
              1e-15);
}

// A body turned by a function of time alone has no generalized coordinate for its rotation: the rotation
// adds no Jacobian term (there is no column for it), and its whole rotational acceleration, centripetal
// and angular, is bias.
TEST_F(ContactPointsTest, RotationOfTimeAloneAddsNoJacobianTerm) {
  Write("box.exs", kBoxOutline);
  Write("rotor.bdy", BodyFile("Rotor", "box.exs", 2, 0.4L, "x=1\r\n"));
  Write("slider.bdy", BodyFile("Slider", "box.exs", 2, 0.4L, "x=-1\r\n"));
  Write("model.gc", "b`Slider`x\r\n");
  Write("model.cop", "[Rotor-Slider]\r\n");
  // Rz = 2 t + 1.5 t^2: w = 2 + 3 t, alpha = 3.
  Write("model.dc",
        "%%%new%%%\r\nb`Rotor`Rz[t]\r\n%%definition\r\n2 t + 1.5 t^2\r\n2 + 3 "
        "t\r\n3\r\n%%J\r\n0\r\n%%j\r\n0\r\n");
  Load("maximumPenetration=1e-3\r\n", {"rotor.bdy", "slider.bdy"}, 1);
  ASSERT_TRUE(world_.Model().DependentCoordinates.Load(dir_.File("model.dc"))) << ::testing::PrintToString(Logged());
  ASSERT_TRUE(Body(0).Links.Rz.Dependent);
  ASSERT_EQ(Body(0).Links.Rz.Index, -1);
  world_.State.Time = 0.25L;
  world_.Model().DependentCoordinates.Evaluate();

  // The rotor's corner 0 as the vertex against an edge of the slider, tangent (0, 1), normal (-1, 0).
  TContact contact(world_.Model().Bodies, world_.State.Evaluated.Count(), &properties_);
  contact.Set(1, 1, 0, 0, 0.5L, 0, 0, 1, 0.5L);
  ASSERT_EQ(contact.Jacobian.Normal.Count(), 1u);
  // Only the slider's x: N.(1, 0) = -1; the tangent sees nothing of x.
  EXPECT_EQ(contact.Jacobian.Normal.At(0), -1);
  EXPECT_EQ(contact.Jacobian.Tangent.At(0), 0);
  // The rotor at Rz = 0.59375 with w = 2.75, alpha = 3; its corner at r accelerates with
  // alpha (-ry, rx) - w^2 r, which the contact sees negated (vertex body).
  const long double rz = 0.59375L, w = 2.75L, alpha = 3;
  const long double c = std::cos(rz), s = std::sin(rz);
  const long double rx = -0.5L * c + 0.5L * s, ry = -0.5L * s - 0.5L * c;
  const long double bx = -(alpha * -ry - w * w * rx), by = -(alpha * rx - w * w * ry);
  EXPECT_NEAR(static_cast<double>(contact.Bias.Normal.Get()), static_cast<double>(-bx), 1e-15);
  EXPECT_NEAR(static_cast<double>(contact.Bias.Tangent.Get()), static_cast<double>(by), 1e-15);
  // The slider does not accelerate: all of the relative acceleration is bias.
  EXPECT_NEAR(static_cast<double>(contact.Kinematics.Acceleration.Normal.Get()),
              static_cast<double>(contact.Bias.Normal.Get()), 1e-15);
  EXPECT_NEAR(static_cast<double>(contact.Kinematics.Acceleration.Tangent.Get()),
              static_cast<double>(contact.Bias.Tangent.Get()), 1e-15);
  // The corner moves with w (-ry, rx); seen from the slider, vT = T.(0 - v) = -w rx.
  EXPECT_NEAR(static_cast<double>(contact.Kinematics.Velocity.Tangent.Get()), static_cast<double>(-w * rx),
              1e-15);
}

TEST_F(ContactPointsTest, WatchedContactCarriesImpulseForceWorkAndTangent) {
  LoadBoxOnFloor("y=0.5\r\n", "", "friction=0.3\r\n");
  TContact contact(world_.Model().Bodies, world_.State.Evaluated.Count(), &properties_);
  SetCornerContact(contact);
  contact.Impulse.Normal.Set(1);
  contact.Impulse.Tangent.Set(2);
  contact.Force.Normal.Set(3);
  contact.Force.Tangent.Set(4);
  contact.Work.Set(5);
  const TWatchedContact watched = contact.Watched();
  EXPECT_EQ(watched.ImpulseNormal, 1);
  EXPECT_EQ(watched.ImpulseTangent, 2);
  EXPECT_EQ(watched.ForceNormal, 3);
  EXPECT_EQ(watched.ForceTangent, 4);
  EXPECT_EQ(watched.Work, 5);
  EXPECT_EQ(watched.TangentX, -1);
  EXPECT_EQ(watched.TangentY, 0);
}

TEST_F(ContactPointsTest, ListsAssembleColumnsBiasAndCoefficients) {
  LoadBoxOnFloor("y=0.5\r\n", "", "friction=0.3\r\nrestitutionNormal=0.5\r\nparameterNi=0.2\r\n");
  QDot(0) = 1.5L;  // corner 0 slides along +T
  QDot(2) = 2;
  TContactPoints list;
  auto a = std::make_unique<TContact>(world_.Model().Bodies, world_.State.Evaluated.Count(), &properties_);
  SetCornerContact(*a);
  auto b = std::make_unique<TContact>(world_.Model().Bodies, world_.State.Evaluated.Count(), &properties_);
  b->Set(0, 2, 1, 1, 0.5L, 0, -1, 0, 0.475L);
  list.Add(std::move(a));
  list.Add(std::move(b));
  list.BuildJacobians(3);
  list.BuildBiasLists();
  list.BuildCoefficients();

  ASSERT_EQ(list.JacobianMatrices.Normal.RowCount(), 3u);
  ASSERT_EQ(list.JacobianMatrices.Normal.ColCount(), 2u);
  // Column i is contact i: corner 0 at rx = -0.5, corner 1 at rx = 0.5.
  EXPECT_EQ(list.JacobianMatrices.Normal.At(2, 0), -0.5L);
  EXPECT_EQ(list.JacobianMatrices.Normal.At(2, 1), 0.5L);
  EXPECT_EQ(list.JacobianMatrices.Tangent.At(0, 1), 1);
  // The vertex body's +w^2 r seen along N = (0, -1) and T = (-1, 0): -4 ry and -4 rx.
  EXPECT_EQ(list.BiasLists.Normal.At(0), 2);
  EXPECT_EQ(list.BiasLists.Tangent.At(1), -2);

  // Both corners move with vx - w ry = 2.5 and so slide along +T: -sign(vT) mu = -mu.
  EXPECT_EQ(list.FrictionMatrix.At(0, 0), 0.3L);
  EXPECT_EQ(list.FrictionMatrix.At(0, 1), 0);
  EXPECT_EQ(list.FrictionMatrix.At(1, 1), 0.3L);
  EXPECT_EQ(list.SignedFrictionMatrix.At(0, 0), -0.3L);
  EXPECT_EQ(list.SignedFrictionMatrix.At(1, 1), -0.3L);
  EXPECT_EQ(list.RestitutionNormals.At(1), 0.5L);
  EXPECT_EQ(list.RestitutionTangents.At(0), 0);
  EXPECT_EQ(list.ParametersNi.At(0), 0.2L);

  TFloatList x, y, z, w, out;
  for (TFloatList* l : {&x, &y, &z, &w}) l->Dim(2);
  x.SetAt(0, 2);
  x.SetAt(1, 3);
  y.SetAt(0, 5);
  y.SetAt(1, 7);
  z.SetAt(0, 11);
  z.SetAt(1, 13);
  w.SetAt(0, 17);
  w.SetAt(1, 19);
  list.Multiply(x, y, out);
  ASSERT_EQ(out.Count(), 2u);
  EXPECT_EQ(out.At(1), 21);
  // a c + d b: normal impulse x normal velocity + tangential impulse x tangential velocity.
  list.MultiplyAdd(x, y, z, w, out);
  EXPECT_EQ(out.At(0), 2 * 11 + 17 * 5);
  EXPECT_EQ(out.At(1), 3 * 13 + 19 * 7);
}

TEST_F(ContactPointsTest, SignedFrictionFollowsTheSlidingDirection) {
  LoadBoxOnFloor("y=0.5\r\n", "x=-0.8\r\n", "friction=0.4\r\n");
  TContactPoints list;
  auto a = std::make_unique<TContact>(world_.Model().Bodies, world_.State.Evaluated.Count(), &properties_);
  SetCornerContact(*a);
  list.Add(std::move(a));
  list.BuildCoefficients();
  EXPECT_EQ(list.SignedFrictionMatrix.At(0, 0), 0.4L);
}

TEST_F(ContactPointsTest, EmptyListBuildsEmptyMatrices) {
  LoadBoxOnFloor("y=0.5\r\n", "", "");
  TContactPoints list;
  list.BuildJacobians(3);
  list.BuildBiasLists();
  list.BuildCoefficients();
  EXPECT_EQ(list.JacobianMatrices.Normal.ColCount(), 0u);
  EXPECT_EQ(list.BiasLists.Normal.Count(), 0u);
  EXPECT_EQ(list.FrictionMatrix.RowCount(), 0u);
  EXPECT_EQ(list.RestitutionNormals.Count(), 0u);
  EXPECT_FALSE(list.Prepared);
}

TEST_F(ContactPointsTest, OwnershipDecidesHowContactsAreAdded) {
  LoadBoxOnFloor("y=0.5\r\n", "", "");
  TContactPoints owning(true);
  TContactPoints pointing(false);
  auto contact = std::make_unique<TContact>(world_.Model().Bodies, world_.State.Evaluated.Count(), &properties_);
  TContact& kept = *contact;
  ExpectError<EListError>([&] { pointing.Add(std::make_unique<TContact>(world_.Model().Bodies, world_.State.Evaluated.Count(), &properties_)); },
                          "TContactPoints.Add: a list that does not own its contacts cannot take one over");
  ExpectError<EListError>([&] { owning.Add(kept); },
                          "TContactPoints.Add: an owning list takes contacts over, not references");
  owning.Add(std::move(contact));
  pointing.Add(kept);
  EXPECT_EQ(&pointing.Items(0), &owning.Items(0));
  pointing.Clear();
  EXPECT_EQ(owning.Count(), 1);
}

}  // namespace
}  // namespace zentrova::test
