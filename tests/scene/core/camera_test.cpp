// The camera's projection and view through the recording fake, and its mouse helpers, against hand values.
#include "core_fixtures.h"

namespace zentrova::test {
namespace {

TEST(Camera, ProjectionForEachStyleAndReplacedValues) {
  const double n = 50.0 * 2 * 96 / (25.4 * 640), f = n + 100;  // near ≈ 0.5906 at 640 × 480, 96 dpi
  // clang-format off
  const struct { TGLCameraStyle style; float scene_scale; int viewport_width; std::string call;
                 std::initializer_list<double> numbers; } cases[] = {
      {csPerspective, 1, 640, "glFrustum", {-0.5, 0.5, -0.375, 0.375, n, f}},
      {csPerspective, 2, 640, "glFrustum", {-0.25, 0.25, -0.1875, 0.1875, n, f}},  // a zoom, same near plane
      {csPerspective, 1, 320, "glFrustum", {-0.5, 0, -0.375, 0.375, n, f}},        // the left half of the window
      {csOrthogonal, 1, 640, "glOrtho", {-1, 1, -0.75, 0.75, n, f}},
      {csOrtho2D, 1, 640, "gluOrtho2D", {0, 640, 0, 480}},
      {csInfinitePerspective, 1, 640, "glMultMatrixf",
       {2 * n, 0, 0, 0, 0, 2 * n / 0.75, 0, 0, 0, 0, 1e-4 - 1, -1, 0, 0, n * (1e-4 - 2), 0}},
  };
  // clang-format on
  for (const auto& c : cases) {
    TGLRecordingFake fake;
    TGLCamera camera;
    camera.SetCameraStyle(c.style);
    camera.SetSceneScale(c.scene_scale);
    camera.LoadProjection({0, 0, c.viewport_width, 480}, 640, 480, 96);
    ASSERT_EQ(fake.Calls().size(), 1u);
    EXPECT_EQ(fake.Calls()[0].substr(0, c.call.size() + 1), c.call + "(");
    ExpectNear(Numbers(fake.Calls()[0]), c.numbers, 1e-6);
  }
  {
    // A viewport off the corner, left 100 and top 60: each edge follows its own offset.
    TGLRecordingFake fake;
    TGLCamera camera;
    camera.LoadProjection({100, 60, 320, 240}, 640, 480, 96);
    ASSERT_EQ(fake.Calls().size(), 1u);
    ExpectNear(Numbers(fake.Calls()[0]), {-440.0 / 1280, 200.0 / 1280, -360.0 / 1280, 120.0 / 1280, n, f}, 1e-6);
  }
  TGLRecordingFake fake;
  TGLCamera camera;
  camera.LoadProjection({0, 0, 640, 480}, 640, 480, 96);
  ExpectNear(std::array{camera.NearPlane(), camera.ViewPortRadius()}, {n, 0.625 / n}, 1e-6);
  fake.Clear();
  camera.LoadProjection({0, 0, 640, 480}, 0, 480, 96);
  EXPECT_TRUE(fake.Calls().empty());
  EXPECT_THROW(camera.LoadProjection({0, 0, std::numeric_limits<int>::max(), 480}, 640, 480, 96),
               EIntOverflow);
  // Replaced, not refused; the field of view in degrees both ways.
  camera.SetFocalLength(-3);
  camera.SetSceneScale(0);
  camera.SetNearPlaneBias(-1);
  EXPECT_TRUE(camera.FocalLength() == 1 && camera.SceneScale() == 1 && camera.NearPlaneBias() == 1);
  camera.SetFieldOfView(60, 480);
  EXPECT_NEAR(camera.GetFieldOfView(480), 60, 1e-4);
  for (float ignored : {0.0f, 180.0f, -5.0f, 200.0f}) camera.SetFieldOfView(ignored, 480);
  EXPECT_NEAR(camera.FocalLength(), 240 * std::sqrt(3.0), 1e-3);
}

TEST(Camera, AimsZoomsAndPansRelativeToItsTarget) {
  // 5 above a parent at z = 5 that is rolled by 90°: at z = 10 looking down −z.
  TGLRecordingFake fake;
  TGLBaseSceneObject target, parent;
  parent.Position().SetZ(5);
  parent.SetRollAngle(90);
  auto& camera = parent.AddNewChild<TGLCamera>();
  camera.Position().SetZ(5);
  camera.SetTargetObject(&target);
  camera.LoadViewMatrix();  // with the local up
  camera.SetTargetObject(nullptr);
  camera.LoadViewMatrix();  // along the absolute axes
  ASSERT_EQ(fake.Calls().size(), 2u);
  ExpectNear(Numbers(fake.Calls()[0]), {0, 0, 10, 0, 0, 0, 0, 1, 0}, 1e-6);
  ExpectNear(Numbers(fake.Calls()[1]), {0, 0, 10, 0, 0, 9, -1, 0, 0}, 1e-6);
  ExpectNear(camera.AbsoluteDirection(), {0, 0, -1, 0}, 1e-6);
  camera.ScaleTargetDistance(0.5);
  EXPECT_EQ(camera.TargetDistance(), 1);  // no target: no move
  camera.SetTargetObject(&target);
  EXPECT_FLOAT_EQ(camera.TargetDistance(), 10);
  camera.ScaleTargetDistance(0.5);
  ExpectNear(camera.Position().AsVector(), {0, 0, 0, 1}, 1e-6);  // at absolute z = 5
  // h = target − camera = (3, 4, ·): (hy·dx + hx·dy, hy·dy − hx·dx) · ratio / |h.xy|.
  target.Position().SetPositionXYZ(3, 4, 0);
  ExpectNear(camera.ScreenDeltaToPlaneXY(2, 1, 5), {11, -2, 0, 0}, 1e-5);
  camera.SetTargetObject(nullptr);  // looking straight down −z: no heading
  ExpectNear(camera.ScreenDeltaToPlaneXY(2, 1, 5), {0, 0, 0, 0}, 0);
}

}  // namespace
}  // namespace zentrova::test
