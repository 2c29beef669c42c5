// The disk: its partial-disk call, and ray casts against the full ring that write the plane's hit
// even when they miss.
#include "scene/objects/disk.h"
#include "objects_fixtures.h"

namespace zentrova::test {
namespace {

using DiskCalls = FakeScene;

TEST_F(DiskCalls, TheDiskIsOnePartialDiskWithItsRadiiSubdivisionsAndAngles) {
  TGLDisk disk;
  disk.SetInnerRadius(0.25f);
  disk.SetOuterRadius(2);
  disk.SetSlices(7);
  disk.SetLoops(3);
  disk.SetStartAngle(30);
  disk.SetSweepAngle(90);
  disk.SetNormalDirection(ndInside);
  disk.BuildList(rci);
  const void* const null = nullptr;
  EXPECT_EQ(Named(fake.Calls(), "gluPartialDisk"),
            (Calls{GLCall("gluPartialDisk", null, 0.25, 2.0, 7, 3, 30.0, 90.0)}));
  EXPECT_EQ(Named(fake.Calls(), "gluQuadricOrientation"),
            (Calls{GLCall("gluQuadricOrientation", null, GLU_INSIDE)}));
  EXPECT_TRUE(Named(fake.Calls(), "glRotatef").empty());  // the disk stays in the XY plane
  ExpectNear(disk.UnscaledHalfExtents(), TVector4f{2, 2, 0, 0}, 0);
}

TEST(RayCast, DiskTestsTheFullRingAndWritesThePlaneHitEvenOnAMiss) {
  TGLStage stage;
  auto& disk = stage.Objects().AddNewChild<TGLDisk>();
  disk.Position().SetPositionXYZ(0, 1, 0);
  struct Case {
    const char* what;
    float inner, sweep;
    TVector4f start, vector;
    bool hit;
    TVector4f point;
  };
  const Case cases[] = {
      {"through the centre", 0, 360, {0, 1, 5, 1}, {0, 0, -1, 0}, true, {0, 1, 0, 1}},
      {"through the centre of a ring", 0.1f, 360, {0, 1, 5, 1}, {0, 0, -1, 0}, false, {0, 1, 0, 1}},
      {"on the outer radius", 0, 360, {0.5f, 1, 5, 1}, {0, 0, -2, 0}, true, {0.5f, 1, 0, 1}},
      {"just beyond it", 0, 360, {0.51f, 1, 5, 1}, {0, 0, -1, 0}, false, {0.51f, 1, 0, 1}},
      {"through the missing quarter of a sector",
       0,
       90,
       {-0.3f, 0.7f, 5, 1},
       {0, 0, -1, 0},
       true,
       {-0.3f, 0.7f, 0, 1}},
      {"from below", 0, 360, {0.1f, 1, -2, 1}, {0, 0, 1, 0}, true, {0.1f, 1, 0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    disk.SetInnerRadius(c.inner);
    disk.SetSweepAngle(c.sweep);
    TVector4f point{9, 9, 9, 9}, normal{9, 9, 9, 9};
    EXPECT_EQ(disk.RayCastIntersect(c.start, c.vector, &point, &normal), c.hit);
    ExpectNear(point, c.point, 1e-6);
    if (c.hit) ExpectNear(normal, TVector4f{0, 0, 1, 0}, 1e-6);
  }
  TVector4f point{9, 9, 9, 9};
  EXPECT_FALSE(disk.RayCastIntersect({0, 1, 5, 1}, {1, 0, 0, 0}, &point));
  ExpectNear(point, TVector4f{9, 9, 9, 9}, 0);  // parallel: nothing to write
}

}  // namespace
}  // namespace zentrova::test
