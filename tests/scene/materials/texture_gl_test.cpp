// Textures and materials on a real off-screen context: what OpenGL holds after an upload, and pixels read
// back after drawing.
#include <gtest/gtest.h>

#include "scene/core/custom_scene_object.h"
#include "scene/materials/material.h"
#include "scene/materials/render_context_info.h"
#include "scene/gl/gl_fixtures.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/state_cache.h"

namespace zentrova {
namespace {

using Pixel = std::array<std::uint8_t, 4>;

// A material replacing colours by a nearest-filtered picture of top-down 0xAARRGGBB pixels (all zero
// when none are given).
void SetPicture(TGLMaterial& material, int width, int height, TPixelFormat format,
                const std::vector<std::uint32_t>& pixels = {}) {
  TBitmap picture(width, height, format);
  for (std::size_t i = 0; i < pixels.size(); ++i) picture.SetPixel(int(i) % width, int(i) / width, pixels[i]);
  TGLTexture& texture = material.Texture();
  texture.Image().Assign(&picture);
  texture.SetMinFilter(miNearest);
  texture.SetMagFilter(maNearest);
  texture.SetTextureMode(tmReplace);
  texture.SetEnabled(true);
}

GLint Level(GLenum target, int level, GLenum what) {
  GLint value = -1;
  gl.GetTexLevelParameteriv(target, level, what, &value);
  return value;
}

class TextureGL : public test::GLContextTest {
 protected:
  void SetUp() override { (context_ = test::NewPBufferContext(128, 64))->Activate(); }
};

TEST_F(TextureGL, SizesGoToPowersOfTwoAndMipmapsFollowTheFilter) {
  const struct {
    int width, height;
    TGLMinFilter filter;
    GLint stored_width, stored_height, level2_width;
  } cases[] = {
      {100, 60, miLinear, 128, 64, 0}, {64, 64, miNearest, 64, 64, 0}, {4, 4, miLinearMipmapLinear, 4, 4, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    TGLMaterial material(nullptr);
    SetPicture(material, c.width, c.height, pf24bit);
    TGLTexture& texture = material.Texture();
    texture.SetMinFilter(c.filter);
    gl.BindTexture(GL_TEXTURE_2D, texture.TextureHandle());
    EXPECT_EQ(Level(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), c.stored_width);
    EXPECT_EQ(Level(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT), c.stored_height);
    EXPECT_EQ(Level(GL_TEXTURE_2D, 2, GL_TEXTURE_WIDTH), c.level2_width);
    EXPECT_TRUE(texture.TexWidth() == c.stored_width && texture.TexHeight() == c.stored_height);
  }
}

TEST_F(TextureGL, CubeMapFacesMustBeSquareAndEqual) {
  // Faces 4 wide: narrower pictures are stretched to a multiple of 4 in width and so stop being square.
  for (int odd_size : {4, 8}) {
    SCOPED_TRACE(odd_size);
    TGLTexture texture(nullptr);
    texture.SetImageClassName("TGLCubeMapImage");
    for (int face = 0; face < 6; ++face) {
      const TBitmap picture(face == 3 ? odd_size : 4, face == 3 ? odd_size : 4, pf24bit);
      static_cast<TGLCubeMapImage&>(texture.Image()).Picture(face).SetGraphic(&picture);
    }
    gl.BindTexture(GL_TEXTURE_CUBE_MAP_ARB, texture.TextureHandle());
    EXPECT_EQ(Level(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z_ARB, 0, GL_TEXTURE_WIDTH), odd_size == 4 ? 4 : 0);
  }
}

TEST_F(TextureGL, FrameBufferReadsWholeMultiplesOf4) {
  gl.ClearColor(0.2f, 0.4f, 0.6f, 1);
  gl.Clear(GL_COLOR_BUFFER_BIT);
  TGLBitmap32 bitmap;
  bitmap.ReadFrameBuffer({3, 0, 104, 10});
  ASSERT_TRUE(bitmap.Width() == 100 && bitmap.Height() == 10);
  EXPECT_EQ((Pixel{bitmap.Data()[396], bitmap.Data()[397], bitmap.Data()[398], bitmap.Data()[399]}),
            (Pixel{51, 102, 153, 255}));
}

// A quad over the 64 × 64 view, compiled into its display list and drawn with its material's passes.
class TQuad : public TGLCustomSceneObject {
 public:
  void BuildList(TRenderContextInfo&) override {
    gl.Begin(GL_QUADS);
    for (const auto& [s, t] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
      gl.TexCoord2f(s, t);
      gl.Vertex2f(2 * s - 1, 2 * t - 1);
    }
    gl.End();
  }
};

// Clears to the colour, then renders the quad.
void DrawQuad(TQuad& quad, const TVector4f& clear) {
  TGLStateCache states;
  TRenderContextInfo rci;
  rci.GLStates = &states;
  gl.Viewport(0, 0, 64, 64);
  gl.ClearColor(clear[0], clear[1], clear[2], 1);
  gl.Clear(GL_COLOR_BUFFER_BIT);
  quad.RenderWithTransform(rci);
}

TEST_F(TextureGL, CheckerTextureLandsExactlyPerQuadrant) {
  TQuad quad;
  SetPicture(quad.Material(), 2, 2, pf24bit,
             {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});  // red top-left
  DrawQuad(quad, {0, 0, 0, 1});
  EXPECT_EQ(test::ReadPixel(16, 16), (Pixel{0, 0, 255, 255}));
  EXPECT_EQ(test::ReadPixel(48, 16), (Pixel{255, 255, 255, 255}));
  EXPECT_EQ(test::ReadPixel(16, 48), (Pixel{255, 0, 0, 255}));
  EXPECT_EQ(test::ReadPixel(48, 48), (Pixel{0, 255, 0, 255}));
}

TEST_F(TextureGL, BlendingModesOnPixels) {
  const struct {
    TBlendingMode mode;
    TVector4f colour;
    Pixel expected;
  } cases[] = {{bmModulate, {0.5f, 1, 0.25f, 1}, {100, 100, 12, 255}},
               {bmTransparency, {1, 1, 1, 0.5f}, {227, 177, 152, 255}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    TQuad quad;
    quad.Material().FrontProperties().Diffuse().SetVector(c.colour);
    quad.Material().SetBlendingMode(c.mode);
    DrawQuad(quad, {200 / 255.0f, 100 / 255.0f, 50 / 255.0f, 1});
    const Pixel pixel = test::ReadPixel(32, 32);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(pixel[i], c.expected[i], 1) << i;
  }
}

TEST_F(TextureGL, AlphaTest50KeepsOnlyHalfOpaquePixels) {
  TQuad quad;
  // 4 wide, so that the picture converts directly and keeps its alpha: 127 fails, 128 passes.
  SetPicture(quad.Material(), 4, 1, pf32bit, {0x7FFFFFFF, 0x7FFFFFFF, 0x80FFFFFF, 0x80FFFFFF});
  quad.Material().SetBlendingMode(bmAlphaTest50);
  DrawQuad(quad, {0, 0, 0, 1});
  EXPECT_EQ(test::ReadPixel(8, 32)[0], 0);
  EXPECT_EQ(test::ReadPixel(56, 32)[0], 255);
  GLint function = 0;
  gl.GetIntegerv(GL_ALPHA_TEST_FUNC, &function);
  EXPECT_EQ(function, GL_GREATER);  // what Restore leaves
}

}  // namespace
}  // namespace zentrova
