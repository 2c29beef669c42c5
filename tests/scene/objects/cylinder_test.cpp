// The cone, the cylinder and the annulus: their GLU calls with the arguments, their table-driven ray
// casts (the nearest surface met, outward cap normals) and the cylinder base's silhouette.
#include "scene/objects/cylinder.h"
#include "objects_fixtures.h"

namespace zentrova::test {
namespace {

using Quadrics = FakeScene;

// The calls that place and draw the quadric parts.
Calls QuadricParts(const Calls& calls) {
  Calls kept;
  for (const std::string& c : calls) {
    for (const char* prefix : {"glPushMatrix", "glPopMatrix", "glRotatef", "glTranslatef", "gluCylinder",
                               "gluDisk", "gluQuadricOrientation"}) {
      if (c.rfind(std::string(prefix) + "(", 0) == 0) kept.push_back(c);
    }
  }
  return kept;
}

const void* const kNull = nullptr;
const std::string kInvert = GLCall("gluQuadricOrientation", kNull, GLU_INSIDE);
const std::string kOutward = GLCall("gluQuadricOrientation", kNull, GLU_OUTSIDE);

TEST_F(Quadrics, TheConeStandsOnYCentredWithItsBaseDiskTurnedOut) {
  TGLCone cone;
  cone.SetHeight(2);
  cone.SetSlices(8);
  cone.SetStacks(3);
  cone.SetLoops(0);  // ignored
  cone.BuildList(rci);
  EXPECT_EQ(
      QuadricParts(fake.Calls()),
      (Calls{"glPushMatrix()", kOutward, GLCall("glRotatef", -90.0f, 1.0f, 0.0f, 0.0f),
             GLCall("glTranslatef", 0.0f, 0.0f, -1.0f), GLCall("gluCylinder", kNull, 0.5, 0.0, 2.0, 8, 3),
             kInvert, GLCall("gluDisk", kNull, 0.0, 0.5, 8, 1), "glPopMatrix()"}));
  EXPECT_EQ(CountOf(fake.Calls(), GLCall("gluDeleteQuadric", kNull)), 1);
  fake.Clear();
  cone.SetParts(1u << coBottom);
  cone.BuildList(rci);
  EXPECT_TRUE(Named(fake.Calls(), "gluCylinder").empty());
}

TEST_F(Quadrics, TheCylindersAlignmentMovesItsEndsAndItsPartsDrawSidesTopThenBottom) {
  struct Case {
    TCylinderAlignment alignment;
    Calls shift;
  };
  for (const Case& c : {Case{caCenter, {GLCall("glTranslatef", 0.0f, 0.0f, -1.5f)}},
                        Case{caTop, {GLCall("glTranslatef", 0.0f, 0.0f, -3.0f)}}, Case{caBottom, {}}}) {
    TGLCylinder cylinder;
    cylinder.SetHeight(3);
    cylinder.SetTopRadius(0.25f);
    cylinder.SetAlignment(c.alignment);
    fake.Clear();
    cylinder.BuildList(rci);
    Calls expected{"glPushMatrix()", kOutward, GLCall("glRotatef", -90.0f, 1.0f, 0.0f, 0.0f)};
    expected.insert(expected.end(), c.shift.begin(), c.shift.end());
    expected.insert(expected.end(),
                    {GLCall("gluCylinder", kNull, 0.5, 0.25, 3.0, 16, 4), "glPushMatrix()",
                     GLCall("glTranslatef", 0.0f, 0.0f, 3.0f), GLCall("gluDisk", kNull, 0.0, 0.25, 16, 1),
                     "glPopMatrix()", kInvert, GLCall("gluDisk", kNull, 0.0, 0.5, 16, 1), "glPopMatrix()"});
    EXPECT_EQ(QuadricParts(fake.Calls()), expected) << int{c.alignment};
  }
}

TEST_F(Quadrics, TheAnnulusDrawsOuterWallTopThenTurnedBottomAndInnerWall) {
  TGLAnnulus annulus;
  annulus.SetBottomInnerRadius(0.2f);
  annulus.BuildList(rci);
  const double inner_bottom = 0.2f, inner_top = 0.3f;
  EXPECT_EQ(QuadricParts(fake.Calls()),
            (Calls{"glPushMatrix()", kOutward, GLCall("glRotatef", -90.0f, 1.0f, 0.0f, 0.0f),
                   GLCall("glTranslatef", 0.0f, 0.0f, -0.5f),
                   GLCall("gluCylinder", kNull, 0.5, 0.5, 1.0, 16, 4), "glPushMatrix()",
                   GLCall("glTranslatef", 0.0f, 0.0f, 1.0f), GLCall("gluDisk", kNull, inner_top, 0.5, 16, 1),
                   "glPopMatrix()", kInvert, GLCall("gluDisk", kNull, inner_bottom, 0.5, 16, 1),
                   GLCall("gluCylinder", kNull, inner_bottom, inner_top, 1.0, 16, 4), "glPopMatrix()"}));
  fake.Clear();
  annulus.SetParts(1u << anOuterSides);
  annulus.BuildList(rci);
  EXPECT_EQ(CountOf(fake.Calls(), kInvert), 0);
}

TEST(RayCast, CylinderReportsTheNearestSurfaceItMeets) {
  TGLStage stage;
  auto& cylinder = stage.Objects().AddNewChild<TGLCylinder>();
  cylinder.Position().SetPositionXYZ(1, 0, 0);
  cylinder.SetBottomRadius(3);  // not used: TopRadius 0.5 makes the shape
  const RayCase cases[] = {
      {"down the axis", {1, 5, 0, 1}, {0, -1, 0, 0}, true, {1, 0.5f, 0, 1}, {0, 1, 0, 0}},
      {"up the axis", {1, -5, 0, 1}, {0, 2, 0, 0}, true, {1, -0.5f, 0, 1}, {0, -1, 0, 0}},
      {"parallel beside it", {1.6f, 5, 0, 1}, {0, -1, 0, 0}, false, {}, {}},
      {"horizontal inside its height",
       {-5, 0.2f, 0, 1},
       {1, 0, 0, 0},
       true,
       {0.5f, 0.2f, 0, 1},
       {-0.5f, 0, 0, 0}},
      {"horizontal above it", {-5, 0.6f, 0, 1}, {1, 0, 0, 0}, false, {}, {}},
      {"oblique through the top and out of the side",
       {1, 1.5f, 0, 1},
       {0.4f, -1, 0, 0},
       true,
       {1.4f, 0.5f, 0, 1},
       {0, 1, 0, 0}},
      {"from inside up", {1, 0, 0, 1}, {0, 1, 0, 0}, true, {1, 0.5f, 0, 1}, {0, 1, 0, 0}},
      {"pointing away", {1, 5, 0, 1}, {0, 1, 0, 0}, false, {}, {}},
      // The side wall crossed behind the start does not count: only the crossing ahead.
      {"from the axis outwards", {1, 0.2f, 0, 1}, {1, 0, 0, 0}, true, {1.5f, 0.2f, 0, 1}, {0.5f, 0, 0, 0}},
      {"from the axis outwards and up", {1, 0, 0, 1}, {-1, 0.1f, 0, 0}, true, {0.5f, 0.05f, 0, 1}, {-0.5f, 0, 0, 0}},
      {"beside it pointing away", {-5, 0.2f, 0, 1}, {-1, 0, 0, 0}, false, {}, {}},
  };
  for (const RayCase& c : cases) Check(cylinder, c);

  cylinder.SetParts(1u << cySides);
  Check(cylinder, {"an open tube seen through its top",
                   {1, 1.5f, 0, 1},
                   {0.4f, -1, 0, 0},
                   true,
                   {1.5f, 0.25f, 0, 1},
                   {0.5f, 0, 0, 0}});
  Check(cylinder, {"an open tube down its axis", {1, 5, 0, 1}, {0, -1, 0, 0}, false, {}, {}});
  cylinder.SetParts(kAllCylinderParts);
  cylinder.SetAlignment(caBottom);
  Check(cylinder,
        {"bottom-aligned: the top at Height", {1, 5, 0, 1}, {0, -1, 0, 0}, true, {1, 1, 0, 1}, {0, 1, 0, 0}});
  Check(cylinder, {"bottom-aligned: the side above 0.5",
                   {-5, 0.8f, 0, 1},
                   {1, 0, 0, 0},
                   true,
                   {0.5f, 0.8f, 0, 1},
                   {-0.5f, 0, 0, 0}});
  cylinder.SetAlignment(caTop);
  Check(cylinder, {"top-aligned: the bottom at −Height",
                   {1, -5, 0, 1},
                   {0, 1, 0, 0},
                   true,
                   {1, -1, 0, 1},
                   {0, -1, 0, 0}});
  ExpectNear(cylinder.UnscaledHalfExtents(), TVector4f{3, 0.5f, 3, 0}, 0);
}

TEST(RayCast, AnnulusReportsTheNearestSurfaceWithOutwardCapNormals) {
  TGLStage stage;
  auto& annulus = stage.Objects().AddNewChild<TGLAnnulus>();
  const RayCase cases[] = {
      {"down through the ring", {0.4f, 5, 0, 1}, {0, -1, 0, 0}, true, {0.4f, 0.5f, 0, 1}, {0, 1, 0, 0}},
      {"up through the ring", {0.4f, -5, 0, 1}, {0, 1, 0, 0}, true, {0.4f, -0.5f, 0, 1}, {0, -1, 0, 0}},
      {"down through the hole", {0, 5, 0, 1}, {0, -1, 0, 0}, false, {}, {}},
      {"oblique into the hole", {0, 1.5f, 0, 1}, {0.2f, -1, 0, 0}, true, {0.3f, 0, 0, 1}, {0.3f, 0, 0, 0}},
      {"horizontal", {-5, 0, 0, 1}, {1, 0, 0, 0}, true, {-0.5f, 0, 0, 1}, {-0.5f, 0, 0, 0}},
      {"horizontal above", {-5, 0.7f, 0, 1}, {1, 0, 0, 0}, false, {}, {}},
      {"rising into the outer wall before the top",
       {0.6f, 0.3f, 0, 1},
       {-1, 1, 0, 0},
       true,
       {0.5f, 0.4f, 0, 1},
       {0.5f, 0, 0, 0}},
  };
  for (const RayCase& c : cases) Check(annulus, c);
}

TEST(Silhouette, TheCylinderBaseUsesAtLeastFiveSlicesWithoutChangingItsField) {
  auto silhouette_of = [](int slices) {
    TGLCylinder cylinder;
    cylinder.SetSlices(slices);
    auto s = cylinder.GenerateSilhouette({{10, 3, 4}, {}, silOmni, true});
    EXPECT_EQ(cylinder.Slices(), slices);
    std::vector<float> values;
    for (int i = 0; i < s->Vertices().Count(); ++i) {
      for (float v : s->Vertices()[i]) values.push_back(v);
    }
    return std::make_pair(values, s->Indices().Count());
  };
  const auto three = silhouette_of(3), five = silhouette_of(5), eight = silhouette_of(8);
  EXPECT_EQ(three, five);
  EXPECT_NE(five, eight);
  EXPECT_GT(five.second, 0);
}

}  // namespace
}  // namespace zentrova::test
