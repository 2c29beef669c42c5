// The polygon: its faces about the plane of its first nodes, with no normal without such a plane.
#include "scene/objects/polygon.h"
#include "objects_fixtures.h"
#include "scene/gl/texture_coordinates.h"

namespace zentrova::test {
namespace {

struct PolygonCalls : FakeScene {
  PolygonCalls() {
    TexCoordRouteMain();
    fake.Clear();
  }
};

TEST_F(PolygonCalls, BothFacesOfASquareCarryOppositeNormalsAndOneNodeDrawsNothing) {
  struct Case {
    const char* what;
    std::vector<std::array<float, 3>> nodes;
    TPolygonParts parts;
    Calls normals;
    bool drawn;
  };
  const Case cases[] = {
      {"square, both",
       {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
       kAllPolygonParts,
       {"glNormal3fv([0, 0, 1])", "glNormal3fv([-0, -0, -1])"},
       true},
      {"square, bottom",
       {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
       1u << ppBottom,
       {"glNormal3fv([-0, -0, -1])"},
       true},
      {"collinear start", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {1, 1, 0}}, kAllPolygonParts, {}, true},
      {"one node", {{0, 0, 0}}, kAllPolygonParts, {}, false},
  };
  for (const Case& c : cases) {
    TGLPolygon polygon;
    for (const auto& n : c.nodes) polygon.Nodes().AddXYZ(n[0], n[1], n[2]);
    polygon.SetParts(c.parts);
    fake.Clear();
    polygon.BuildList(rci);
    EXPECT_EQ(Named(fake.Calls(), "glNormal3fv"), c.normals) << c.what;
    EXPECT_EQ(!Named(fake.Calls(), "glVertex3fv").empty(), c.drawn) << c.what;
  }
}

}  // namespace
}  // namespace zentrova::test
