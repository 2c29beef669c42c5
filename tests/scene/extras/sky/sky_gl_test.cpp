// Meshes and sky domes drawn through a camera into a 65 × 65 pbuffer and read back.
#include <cmath>

#include "scene/base/float_math.h"
#include "scene/core/core_fixtures.h"
#include "scene/materials/material.h"
#include "scene/pictures/picture.h"
#include "scene/core/stage_buffer.h"
#include "scene/materials/texture.h"
#include "scene/extras/mesh/immediate_mesh.h"
#include "scene/extras/sky/earth_sky_dome.h"

namespace zentrova::test {
namespace {

using Pixel = std::array<std::uint8_t, 4>;
constexpr int kSize = 65, kMiddle = kSize / 2;
constexpr float kNear = 50.0f * 2 * 96 / (25.4f * kSize);  // the frustum spans ±0.5 there
const Pixel kGrey{128, 128, 128, 255};

TVector4f Toward(float elevation, float azimuth) {
  const float e = DegToRad(elevation), a = DegToRad(azimuth);
  return {std::cos(e) * std::cos(a), std::cos(e) * std::sin(a), std::sin(e), 0};
}

class SkyInPBuffer : public GLContextTest {
 protected:
  void SetUp() override {
    (context_ = NewPBufferContext(kSize, kSize))->Activate();
    stage.SetCurrentCamera(&camera);
  }
  // The middle pixel looking at an elevation and azimuth (degrees), the zenith upwards.
  Pixel Look(float elevation, float azimuth) {
    camera.SetDirection(Toward(elevation, azimuth));
    camera.SetUp(Toward(elevation + 90, azimuth));
    gl.ClearColor(background, background, background, 1);
    gl.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl.MatrixMode(GL_PROJECTION);
    gl.LoadIdentity();
    camera.LoadProjection({0, 0, kSize, kSize}, kSize, kSize, 96);
    gl.MatrixMode(GL_MODELVIEW);
    gl.LoadIdentity();
    camera.LoadViewMatrix();
    // The domes stay around the camera: they take its view and position from the buffer of the frame.
    TMatrix4f view{};
    gl.GetFloatv(GL_MODELVIEW_MATRIX, view[0].data());
    buffer.PushModelViewMatrix(view);
    rci.cameraPosition = camera.AbsoluteTranslation();
    stage.Objects().RenderWithTransform(rci);
    buffer.PopModelViewMatrix();
    return ReadPixel(kMiddle, kMiddle);
  }
  // Looking down from 10 above the origin (Look(-90, 90)): the pixel at (x, y) of the plane z = 0.
  Pixel From10Above(float x, float y) {
    const auto window = [](float v) { return int((kNear * v / 10 / 0.5f + 1) * kSize / 2); };
    return ReadPixel(window(x), window(y));
  }
  float background = 0.5f;
  TGLStage stage;
  TGLCamera& camera = stage.Cameras().AddNewChild<TGLCamera>();
  TGLStateCache states;
  TGLStageBuffer buffer;
  TRenderContextInfo rci{.scene = &stage,
                         .buffer = &buffer,
                         .objectsSorting = osNone,
                         .visibilityCulling = vcNone,
                         .GLStates = &states};
};

TEST_F(SkyInPBuffer, TheDefaultMeshIsOneTriangleAndATexturedQuadShowsItsPictureUpright) {
  camera.Position().SetZ(10);
  auto& mesh = stage.Objects().AddNewChild<TGLMesh>();
  Look(-90, 90);
  EXPECT_EQ(From10Above(0.25f, 0.25f), (Pixel{0, 0, 0, 0}));
  for (auto [x, y] : {std::pair{0.7f, 0.7f}, {-0.2f, 0.2f}, {0.2f, -0.2f}})
    EXPECT_EQ(From10Above(x, y), kGrey);
  TVertexList quad(nullptr);
  for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}})
    quad.AppendVertex({x - 0.5f, y - 0.5f, 0}, {}, {}, {float(x), float(y)});
  mesh.Vertices().Assign(&quad);
  mesh.SetMode(mmQuads);
  mesh.SetVertexMode(vmVT);
  // Red top left and bottom right, green elsewhere: a flip along either axis swaps them.
  TBitmap picture(2, 2, pf24bit);
  for (int i = 0; i < 4; ++i) picture.SetPixel(i % 2, i / 2, i == 0 || i == 3 ? 0xFFFF0000 : 0xFF00FF00);
  TGLTexture& texture = mesh.Material().Texture();
  texture.Image().Assign(&picture);
  texture.SetMinFilter(miNearest);
  texture.SetMagFilter(maNearest);
  texture.SetTextureMode(tmReplace);
  texture.SetEnabled(true);
  Look(-90, 90);
  for (auto [x, y] : {std::pair{-1, 1}, {1, 1}, {-1, -1}, {1, -1}})
    EXPECT_EQ(From10Above(x * 0.25f, y * 0.25f), (x == -y ? Pixel{255, 0, 0, 255} : Pixel{0, 255, 0, 255}))
        << x << y;
}

TEST_F(SkyInPBuffer, TheDefaultDomeIsWhiteAtTheHorizonBlueAt15AndNavyAtTheZenith) {
  auto& dome = stage.Objects().AddNewChild<TGLSkyDome>();
  // Drawn directly first, then compiled into a list once twinkling was on and off again.
  for (int pass = 0; pass < 2; ++pass) {
    ExpectNear(Look(0.5f, 15), {247, 247, 255, 255}, 12);
    ExpectNear(Look(15, 15), {0, 0, 255, 255}, 12);
    ExpectNear(Look(90, 15), {35, 35, 142, 255}, 12);
    EXPECT_EQ(Look(-20, 15), kGrey);
    dome.SetOptions(sdoTwinkle);
    dome.SetOptions(0);
  }
}

TEST_F(SkyInPBuffer, ABrightStarIsADiscAboutFivePixelsAcross) {
  auto& dome = stage.Objects().AddNewChild<TGLSkyDome>();
  dome.Bands().Clear();
  TSkyDomeStar& star = dome.Stars().Add();
  star.Magnitude = -1;
  star.Color = MakeRGBColor(255, 255, 255);
  background = 0;
  EXPECT_EQ(Look(0, 0)[0], 255);
  int across = 0;
  for (int i = 0; i < kSize; ++i) across += ReadPixel(i, kMiddle)[0] > 127;
  EXPECT_TRUE(across >= 4 && across <= 6) << across;
}

TEST_F(SkyInPBuffer, TheEarthDomeIsBrighterTowardsTheSunAndDeepBelow) {
  stage.Objects().AddNewChild<TGLEarthSkyDome>().SetSunElevation(30);
  const Pixel sunward = Look(30, 0), away = Look(30, 180);
  EXPECT_GT(sunward[0] + sunward[1] + sunward[2], away[0] + away[1] + away[2] + 60);
  ExpectNear(Look(-90, 0), {0, 51, 102, 0}, 2);
}

TEST_F(SkyInPBuffer, DomeStarsAndMeshLeaveBlendingAndClientArraysAsTheyWere) {
  stage.Objects().AddNewChild<TGLSkyDome>().Stars().Add().Magnitude = 1;
  stage.Objects().AddNewChild<TGLMesh>();
  gl.BlendFunc(GL_DST_COLOR, GL_ZERO);
  gl.AlphaFunc(GL_LESS, 0.5f);
  Look(0, 0);
  GLint values[3] = {};
  for (int i = 0; GLenum what : {GL_BLEND_SRC, GL_BLEND_DST, GL_ALPHA_TEST_FUNC})
    gl.GetIntegerv(what, &values[i++]);
  EXPECT_THAT(values, testing::ElementsAre(GL_DST_COLOR, GL_ZERO, GL_LESS));
  for (GLenum array : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY, GL_TEXTURE_COORD_ARRAY})
    EXPECT_FALSE(gl.IsEnabled(array));
}

}  // namespace
}  // namespace zentrova::test
