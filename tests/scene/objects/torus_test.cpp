// The torus: its quad strips (vertices, normals, texture coordinates, the descending ring order), its
// limits and its ray casts through the quartic.
#include <cmath>

#include "objects_fixtures.h"
#include "scene/gl/texture_coordinates.h"
#include "scene/objects/torus.h"

namespace zentrova::test {
namespace {

struct TorusCalls : FakeScene {
  TorusCalls() {
    TexCoordRouteMain();
    fake.Clear();
  }
};

TEST_F(TorusCalls, FourRingsOfFourSidesAreFourStripsOfTenVerticesStartingAtTheLastRing) {
  TGLTorus torus;
  torus.SetRings(4);
  torus.SetSides(4);
  torus.BuildList(rci);
  const auto strips = Primitives(fake.Calls());
  ASSERT_EQ(strips.size(), 4u);
  for (const auto& s : strips) {
    EXPECT_EQ(s.mode, static_cast<GLenum>(GL_QUAD_STRIP));
    EXPECT_EQ(s.Vertices().size(), 10u);
  }
  // The first pair: ring i = 3 at θ1 = π/2 and θ = 0, both at φ = π/2 (the top of the tube).
  const Calls& c = strips[0].calls;
  const std::vector<std::vector<double>> expected{{0.75, 1}, {0, 0, 1}, {0, -0.4, 0.1},
                                                  {1, 1},    {0, 0, 1}, {0.4, 0, 0.1}};
  ASSERT_GE(c.size(), 6u);
  for (std::size_t k = 0; k < 6; ++k) {
    const auto n = Numbers(c[k]);
    ASSERT_EQ(n.size(), expected[k].size()) << c[k];
    for (std::size_t m = 0; m < n.size(); ++m) EXPECT_NEAR(n[m], expected[k][m], 1e-6) << c[k];
  }
  EXPECT_EQ(c[0].rfind("glTexCoord2f(", 0), 0u);
  // The last strip is ring 0: s from 0 to 1/4, the pair at θ1 = 2π.
  const auto last = Numbers(strips[3].calls[0]);
  EXPECT_NEAR(last[0], 0, 1e-7);
  const auto last_vertex = Numbers(strips[3].calls[2]);
  EXPECT_NEAR(last_vertex[0], 0.4, 1e-6);
  EXPECT_NEAR(last_vertex[1], 0, 1e-6);
  // The closing pair of a strip comes back to φ = 2π + π/2: the first pair's place, t = 0.
  const auto closing = Numbers(strips[0].calls[24]);
  EXPECT_NEAR(closing[1], 0, 1e-7);
  const auto closing_vertex = Numbers(strips[0].calls[26]);
  EXPECT_NEAR(closing_vertex[1], -0.4, 1e-6);
  EXPECT_NEAR(closing_vertex[2], 0.1, 1e-6);
}

TEST(Torus, RingsAndSidesHaveTheirMinimaAndTheExtentsSpanTheTube) {
  TGLTorus torus;
  torus.SetRings(1);
  torus.SetSides(0);
  EXPECT_EQ(torus.Rings(), 2u);
  EXPECT_EQ(torus.Sides(), 3u);
  torus.SetMajorRadius(-1);
  ExpectNear(torus.UnscaledHalfExtents(), TVector4f{1.1f, 1.1f, 0.1f, 0}, 1e-7);
}

TEST(RayCast, TorusHitsTheNearestPointAheadAndMissesTheHole) {
  TGLStage stage;
  auto& torus = stage.Objects().AddNewChild<TGLTorus>();
  torus.Position().SetPositionXYZ(0, 0, 1);
  struct Case {
    const char* what;
    TVector4f start, vector;
    bool hit;
    TVector4f point, normal;
  };
  const Case cases[] = {
      {"down the axis through the hole", {0, 0, 5, 1}, {0, 0, -1, 0}, false, {}, {}},
      {"along −Y", {0, 5, 1, 1}, {0, -3, 0, 0}, true, {0, 0.5f, 1, 1}, {0, 0.1f, 0, 0}},
      {"from inside the tube", {0.4f, 0, 1, 1}, {1, 0, 0, 0}, true, {0.5f, 0, 1, 1}, {0.1f, 0, 0, 0}},
      {"down onto the tube's top", {0.4f, 0, 5, 1}, {0, 0, -1, 0}, true, {0.4f, 0, 1.1f, 1}, {0, 0, 0.1f, 0}},
      {"behind the start", {0, 5, 1, 1}, {0, 1, 0, 0}, false, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TVector4f point{}, normal{};
    ASSERT_EQ(torus.RayCastIntersect(c.start, c.vector, &point, &normal), c.hit);
    if (!c.hit) continue;
    // The quartic's roots are good to a few parts in 10⁵.
    ExpectNear(point, c.point, 1e-4);
    ExpectNear(normal, c.normal, 1e-4);
  }
}

}  // namespace
}  // namespace zentrova::test
