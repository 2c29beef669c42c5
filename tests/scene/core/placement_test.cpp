// Placement of scene objects, against values worked out by hand.
#include "core_fixtures.h"

namespace zentrova::test {
namespace {

using Node = TGLBaseSceneObject;

TEST(Placement, AxesStayOrthonormalAndAnglesTurnThemByTheDifference) {
  // clang-format off
  const struct { std::function<void(Node&)> change; TVector4f direction, up, angles{}; /* pitch, turn, roll */ } cases[] = {
      {[](Node& n) { n.SetDirection({0, 1, 0, 0}); }, {0, 1, 0}, {0, 0, -1}},  // right falls back to z × up
      {[](Node& n) { n.SetUp({0, 0, 1, 0}); }, {1, 0, 0}, {0, 0, 1}},          // both fall-backs
      {[](Node& n) { n.SetDirection({}); }, {0, 0, 1}, {0, 1, 0}},             // ignored
      {[](Node& n) { n.Up().SetVector(0, 0, 0); }, {0, 0, 1}, {0, 1, 0}},
      {[](Node& n) { n.SetDirection({3, 0, 3, 0}); }, {0.70710678f, 0, 0.70710678f}, {0, 1, 0}},
      {[](Node& n) { n.SetRollAngle(90), n.SetRollAngle(90); }, {0, 0, 1}, {-1, 0, 0}, {0, 0, 90}},
      {[](Node& n) { n.SetRollAngle(270); }, {0, 0, 1}, {1, 0, 0}, {0, 0, -90}},
      {[](Node& n) { n.SetTurnAngle(90); }, {1, 0, 0}, {0, 1, 0}, {0, 90, 0}},
      {[](Node& n) { n.SetPitchAngle(90); }, {0, 1, 0}, {0, 0, -1}, {90, 0, 0}},
      {[](Node& n) { n.RollBy(30); }, {0, 0, 1}, {0.5f, 0.8660254f, 0}, {0, 0, -150}},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    Node node;
    c.change(node);
    ExpectNear(node.Direction().AsVector(), c.direction, 1e-6);
    ExpectNear(node.Up().AsVector(), c.up, 1e-6);
    ExpectNear(TVector4f{node.PitchAngle(), node.TurnAngle(), node.RollAngle()}, c.angles, 1e-4);
  }
}

TEST(Placement, MoveObjectAroundOrbitsAndStopsShortOfThePoles) {
  // 10 above the target under a parent at z = 5: its local position afterwards.
  for (auto [pitch, turn, x, y, z] : {std::tuple{0.f, 90.f, 10.f, 0.f, -5.f},
                                      {-100.f, 0.f, 0.f, 9.99687f, -4.750026f},
                                      {100.f, 0.f, 0.f, -9.99687f, -4.750026f}}) {
    Node target, parent;
    parent.Position().SetZ(5);
    Node& camera = parent.AddNewChild<TMarker>("", 0, TAffineVector{0, 0, 5});
    camera.MoveObjectAround(&target, pitch, turn);
    ExpectNear(camera.Position().AsVector(), {x, y, z, 1}, 2e-5);
  }
  // At the target there is nowhere to orbit to; a cosine rounded past 1 still orbits.
  Node target, here, above;
  here.MoveObjectAround(&target, 10, 10);
  ExpectNear(here.Position().AsVector(), {0, 0, 0, 1}, 0);
  above.SetPitchAngle(1);
  const TVector4f y = above.AbsoluteYAxis();
  target.Position().SetPositionXYZ(-3 * y[0], -3 * y[1], -3 * y[2]);
  above.MoveObjectAround(&target, 0, 0);
  EXPECT_NEAR(AffineDistance(above.Position().AsAffineVector(), target.Position().AsAffineVector()), 3, 1e-5);
}

TEST(Placement, AbsoluteMatricesSkipRootsAndFollowParents) {
  TGLStage stage;
  stage.Objects().Position().SetX(5);
  Node& parent = stage.Objects().AddNewChild<Node>();
  parent.Position().SetX(1);
  parent.SetTurnAngle(90);
  Node& child = parent.AddNewChild<Node>();
  child.Position().SetZ(2);
  ExpectNear(parent.AbsoluteTranslation(), {1, 0, 0, 1}, 0);
  ExpectNear(child.AbsoluteTranslation(), {3, 0, 0, 1}, 1e-6);
  ExpectNear(child.WorldToLocal({3, 0, 0, 1}), {0, 0, 0, 1}, 1e-6);
  parent.Position().SetY(4);  // reaches the child's absolute matrix
  ExpectNear(child.AbsoluteTranslation(), {3, 4, 0, 1}, 1e-6);
  // Local rows: (Up × Dir)·Sx, Up·Sy, Dir·Sz, Position.
  parent.Scale().SetVector(2, 3, 4);
  const TMatrix4f rows{{{0, 0, -2, 0}, {0, 3, 0, 0}, {4, 0, 0, 0}, {1, 4, 0, 1}}};
  for (int i = 0; i < 4; ++i) ExpectNear(parent.LocalMatrix()[i], rows[i], 1e-6);
}

TEST(Placement, SilhouetteOfTheBoundingSphere) {
  TGLBaseSceneObject node;
  auto parallel = node.GenerateSilhouette({{0, 0, 10}, {}, silParallel, false});
  EXPECT_FLOAT_EQ(parallel->Vertices()[20][1], 0.98f * 0.8660254f * 0.9555728f);  // cos(20 · 2π / 21)
  auto omni = node.GenerateSilhouette({{0, 0, 10}, {}, silOmni, true});
  ASSERT_TRUE(omni->Vertices().Count() == 22 && omni->Indices().Count() == 42 &&
              omni->CapIndices().Count() == 63);
  ExpectNear(omni->Vertices()[0], {0, 0.851905, 0, 1}, 1e-5);  // 0.98 × the radius seen from 10
  ExpectNear(omni->Vertices()[21], {0, 0, 0, 1}, 0);           // the centre, where the caps meet
  EXPECT_TRUE(omni->Indices()[41] == 0 && omni->CapIndices()[60] == 21 && omni->CapIndices()[62] == 0);
}

}  // namespace
}  // namespace zentrova::test
