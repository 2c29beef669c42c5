// Ray casts and silhouettes of the plane, the sphere and the cube, table-driven.
#include <cmath>

#include "objects_fixtures.h"
#include "scene/objects/cube.h"
#include "scene/objects/plane.h"
#include "scene/objects/sphere.h"

namespace zentrova::test {
namespace {

TEST(RayCast, Plane) {
  TGLStage stage;
  auto& plane = stage.Objects().AddNewChild<TGLPlane>();
  plane.SetWidth(2);
  plane.Position().SetPositionXYZ(0, 0, 1);
  const RayCase cases[] = {
      {"from the front", {0.5f, 0.5f, 5, 1}, {0, 0, -1, 0}, true, {0.5f, 0.5f, 1, 1}, {0, 0, 1, 0}},
      {"from below, up", {0.2f, 0.1f, -3, 1}, {0, 0, 2, 0}, true, {0.2f, 0.1f, 1, 1}, {0, 0, -1, 0}},
      {"on the edge", {1, 0.5f, 5, 1}, {0, 0, -1, 0}, true, {1, 0.5f, 1, 1}, {0, 0, 1, 0}},
      {"beside it", {1.01f, 0, 5, 1}, {0, 0, -1, 0}, false, {}, {}},
      {"pointing away", {0, 0, 5, 1}, {0, 0, 1, 0}, false, {}, {}},
      {"parallel", {0, 0, 5, 1}, {1, 0, 0, 0}, false, {}, {}},
      {"oblique", {-1, 0, 3, 1}, {0.5f, 0, -1, 0}, true, {0, 0, 1, 1}, {0, 0, 1, 0}},
  };
  for (const RayCase& c : cases) Check(plane, c);
  plane.SetHeight(-1);
  EXPECT_FALSE(plane.RayCastIntersect({0, 0, 5, 1}, {0, 0, -1, 0}));
}

TEST(RayCast, Sphere) {
  TGLStage stage;
  auto& sphere = stage.Objects().AddNewChild<TGLSphere>();
  sphere.SetRadius(2);
  sphere.Position().SetPositionXYZ(1, 0, 0);
  const RayCase cases[] = {
      {"through the centre", {1, 0, 10, 1}, {0, 0, -3, 0}, true, {1, 0, 2, 1}, {0, 0, 2, 0}},
      {"along x", {-5, 0, 0, 1}, {1, 0, 0, 0}, true, {-1, 0, 0, 1}, {-2, 0, 0, 0}},
      {"missing", {4, 0, 10, 1}, {0, 0, -1, 0}, false, {}, {}},
      {"grazing", {3, 0, 10, 1}, {0, 0, -1, 0}, true, {3, 0, 0, 1}, {2, 0, 0, 0}},
  };
  for (const RayCase& c : cases) Check(sphere, c);
}

TEST(RayCast, CubeUsesTheFullBoxWhateverParts) {
  TGLStage stage;
  auto& cube = stage.Objects().AddNewChild<TGLCube>();
  cube.SetCubeWidth(2);
  cube.SetParts(cpTop);
  const RayCase cases[] = {
      {"from +x along -x", {5, 0, 0, 1}, {-1, 0, 0, 0}, true, {1, 0, 0, 1}, {1, 0, 0, 0}},
      {"from above", {0.2f, 4, 0.1f, 1}, {0, -2, 0, 0}, true, {0.2f, 0.5f, 0.1f, 1}, {0, 1, 0, 0}},
      {"from -z", {0, 0, -9, 1}, {0, 0, 1, 0}, true, {0, 0, -0.5f, 1}, {0, 0, -1, 0}},
      {"from the centre", {0, 0, 0, 1}, {1, 0, 0, 0}, false, {}, {}},
      {"beside it", {5, 0.6f, 0, 1}, {-1, 0, 0, 0}, false, {}, {}},
      {"away from it", {5, 0, 0, 1}, {1, 0, 0, 0}, false, {}, {}},
  };
  for (const RayCase& c : cases) Check(cube, c);
}

TEST(RayCast, CubeOfThreeDifferentSizesUsesEachAlongItsOwnAxis) {
  // Width 1, height 2, depth 4: half sizes 0.5, 1 and 2.
  TGLStage stage;
  auto& cube = stage.Objects().AddNewChild<TGLCube>();
  cube.SetCubeWidth(1);
  cube.SetCubeHeight(2);
  cube.SetCubeDepth(4);
  const RayCase cases[] = {
      {"from -z onto the back", {0, 0, -9, 1}, {0, 0, 1, 0}, true, {0, 0, -2, 1}, {0, 0, -1, 0}},
      {"from +z onto the front", {0.2f, 0.5f, 9, 1}, {0, 0, -1, 0}, true, {0.2f, 0.5f, 2, 1}, {0, 0, 1, 0}},
      {"from above", {0, 9, 0, 1}, {0, -1, 0, 0}, true, {0, 1, 0, 1}, {0, 1, 0, 0}},
      {"along x, deep in z", {9, 0, 1.5f, 1}, {-1, 0, 0, 0}, true, {0.5f, 0, 1.5f, 1}, {1, 0, 0, 0}},
      {"along x, above the top", {9, 1.5f, 0, 1}, {-1, 0, 0, 0}, false, {}, {}},
      {"along y, deep in z", {0, -9, -1.5f, 1}, {0, 1, 0, 0}, true, {0, -1, -1.5f, 1}, {0, -1, 0, 0}},
      {"along z, beside it", {0.8f, 0, 9, 1}, {0, 0, -1, 0}, false, {}, {}},
  };
  for (const RayCase& c : cases) Check(cube, c);
}

TEST(Silhouette, PlaneIsItsRectangleWithOrWithoutCaps) {
  TGLPlane plane;
  plane.SetWidth(4);
  for (bool capping : {false, true}) {
    auto s = plane.GenerateSilhouette({{0, 0, 10}, {}, silOmni, capping});
    ASSERT_EQ(s->Vertices().Count(), 4);
    ExpectNear(s->Vertices().List()[1], {2, -0.5, 0, 1}, 0);
    EXPECT_EQ(s->Indices().Count(), 8);
    EXPECT_EQ(s->Indices().List()[7], 0);
    EXPECT_EQ(s->CapIndices().Count(), capping ? 6 : 0);
  }
}

TEST(Silhouette, SphereIsACircleAcrossTheEye) {
  TGLSphere sphere;
  sphere.SetRadius(2);
  sphere.SetSlices(8);
  sphere.SetStacks(12);
  for (bool capping : {false, true}) {
    auto s = sphere.GenerateSilhouette({{0, 0, 10}, {}, silOmni, capping});
    ASSERT_EQ(s->Vertices().Count(), capping ? 13 : 12);
    for (int i = 0; i < 12; ++i) {
      const TVector4f& v = s->Vertices().List()[i];
      EXPECT_NEAR(std::hypot(v[0], v[1]), 2, 1e-5);
      EXPECT_NEAR(v[2], 0, 1e-6);
    }
    EXPECT_EQ(s->Indices().Count(), 24);
    EXPECT_EQ(s->CapIndices().Count(), capping ? 36 : 0);
    if (capping) ExpectNear(s->Vertices().List()[12], {0, 0, 0, 1}, 0);
  }
  // An eye on the x axis takes the y axis for the first cross product.
  auto s = sphere.GenerateSilhouette({{10, 0, 0}, {}, silOmni, false});
  for (int i = 0; i < 12; ++i) EXPECT_NEAR(s->Vertices().List()[i][0], 0, 1e-6);
}

TEST(Silhouette, CubeOutlineSeenAlongAnAxisIsItsFrontSquare) {
  TGLCube cube;
  auto s = cube.GenerateSilhouette({{0, 0, 10}, {}, silOmni, false});
  ASSERT_EQ(s->Indices().Count(), 8);  // the four edges around the front face
  for (int i = 0; i < s->Vertices().Count(); ++i) {
    const TVector4f& v = s->Vertices().List()[i];
    EXPECT_EQ(std::fabs(v[0]), 0.5f);
    EXPECT_EQ(std::fabs(v[1]), 0.5f);
  }
}

}  // namespace
}  // namespace zentrova::test
