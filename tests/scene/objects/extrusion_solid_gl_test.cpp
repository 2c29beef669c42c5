// Extrusion solids and multi-polygons drawn into a pbuffer: a concave outline covers its own shape and
// not its notch, the walls and caps face outward so that culling back faces hides nothing, and holes
// stay open.
#include "objects_gl_fixtures.h"
#include "scene/objects/extrusion_solid.h"

namespace zentrova::test {
namespace {

using ExtrusionGL = ObjectsInPBuffer;

// An L around the origin: the square (−1, −1) .. (1, 1) without its upper right quarter.
const std::vector<std::array<float, 2>> kL{{-1, -1}, {1, -1}, {1, 0}, {0, 0}, {0, 1}, {-1, 1}};

TGLExtrusionSolid& AddSolid(TGLBaseSceneObject& parent, const std::vector<std::array<float, 2>>& points,
                            TExtrusionSolidParts parts) {
  auto& solid = parent.AddNewChild<TGLExtrusionSolid>();
  for (const auto& p : points) solid.ContourNodes(0).AddXYZ(p[0], p[1], 0);
  solid.SetParts(parts);
  return solid;
}

// The depth buffer: a face culled by mistake shows a farther face where it should be.
std::vector<float> Depths() {
  std::vector<float> depths(ObjectsInPBuffer::kSize * ObjectsInPBuffer::kSize);
  gl.ReadPixels(0, 0, ObjectsInPBuffer::kSize, ObjectsInPBuffer::kSize, GL_DEPTH_COMPONENT, GL_FLOAT,
                depths.data());
  return depths;
}

int LitCount(const std::vector<std::uint8_t>& image) {
  int lit = 0;
  for (std::size_t i = 0; i < image.size(); i += 4)
    lit += image[i] != 0 || image[i + 1] != 0 || image[i + 2] != 0;
  return lit;
}

TEST_F(ExtrusionGL, AConcaveLWithAllPartsCoversTheLSeenFromAboveAndNotItsNotch) {
  AddSolid(stage.Objects(), kL, kAllExtrusionSolidParts).SetHeight(0.5f);
  Render();
  const float d = 9.5f;  // to the top cap
  EXPECT_TRUE(Lit(ReadPixel(int(Window(-0.5f, d)), int(Window(-0.5f, d)))));
  EXPECT_TRUE(Lit(ReadPixel(int(Window(0.5f, d)), int(Window(-0.5f, d)))));
  EXPECT_TRUE(Lit(ReadPixel(int(Window(-0.5f, d)), int(Window(0.5f, d)))));
  EXPECT_FALSE(Lit(ReadPixel(int(Window(0.6f, d)), int(Window(0.6f, d)))));
  const auto b = LitBounds();
  ExpectEdge(b[0], Window(-1, d), "left");
  ExpectEdge(b[2] + 1, Window(1, d), "right");
}

TEST_F(ExtrusionGL, CullingBackFacesHidesNothingOfTheOutsideWallsAndCapsFromAnyAxis) {
  const TExtrusionSolidParts parts = (1u << espOutside) | (1u << espStartPolygon) | (1u << espStopPolygon);
  struct View {
    const char* name;
    float turn, pitch;
  };
  for (const View& v : {View{"+z", 0, 0}, View{"-z", 180, 0}, View{"+x", -90, 0}, View{"-x", 90, 0},
                        View{"+y", 0, 90}, View{"-y", 0, -90}}) {
    stage.Objects().DeleteChildren();
    auto& solid = AddSolid(stage.Objects(), kL, parts);
    solid.SetHeight(1.2f);
    solid.SetTurnAngle(v.turn);
    solid.SetPitchAngle(v.pitch);
    states.DisableState(stCullFace);
    Render();
    const auto open = Image();
    const auto open_depths = Depths();
    states.EnableState(stCullFace);
    gl.CullFace(GL_BACK);
    Render();
    const auto culled = Image();
    const auto culled_depths = Depths();
    states.DisableState(stCullFace);
    EXPECT_GT(LitCount(open), 500) << v.name;
    EXPECT_EQ(LitCount(culled), LitCount(open)) << v.name;
    EXPECT_TRUE(culled == open) << v.name;
    EXPECT_TRUE(culled_depths == open_depths) << v.name;
  }
}

TEST_F(ExtrusionGL, AHoleStaysOpenThroughTheSolidAndTheMultiPolygon) {
  const std::vector<std::array<float, 2>> outer{{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  const std::vector<std::array<float, 2>> inner{{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}, {-0.5f, 0.5f}};
  auto& solid = AddSolid(stage.Objects(), outer, kAllExtrusionSolidParts);
  for (const auto& p : inner) solid.ContourNodes(1).AddXYZ(p[0], p[1], 0);
  solid.SetHeight(0.5f);
  Render();
  EXPECT_FALSE(Lit(ReadPixel(kSize / 2, kSize / 2)));
  EXPECT_TRUE(Lit(ReadPixel(int(Window(-0.75f, 9.5f)), kSize / 2)));

  stage.Objects().DeleteChildren();
  auto& flat = stage.Objects().AddNewChild<TGLMultiPolygon>();
  for (const auto& p : outer) flat.ContourNodes(0).AddXYZ(p[0], p[1], 0);
  for (const auto& p : inner) flat.ContourNodes(1).AddXYZ(p[0], p[1], 0);
  Render();
  EXPECT_FALSE(Lit(ReadPixel(kSize / 2, kSize / 2)));
  EXPECT_TRUE(Lit(ReadPixel(int(Window(-0.75f, 10)), kSize / 2)));
  flat.SetParts(0);
  Render();
  EXPECT_EQ(LitBounds()[0], -1);
}

}  // namespace
}  // namespace zentrova::test
