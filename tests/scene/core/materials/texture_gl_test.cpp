// Textures and materials on a real off-screen context: what OpenGL holds after an upload, and pixels read
// back after drawing.
#include <gtest/gtest.h>

#include "scene/core/material.h"
#include "scene/core/texture.h"
#include "scene/gl/gl_fixtures.h"
#include "scene/gl/opengl_binding.h"
#include "scene/gl/state_cache.h"
#if __has_include("scene/core/render_context_info.h")
#include "scene/core/render_context_info.h"
#define ZENTROVA_HAS_RENDER_CONTEXT 1
#endif

namespace zentrova {
namespace {

using Pixel = std::array<std::uint8_t, 4>;

class TextureGL : public ::testing::Test {
 protected:
  void SetUp() override {
    context_ = test::NewPBufferContext(128, 64);
    context_->Activate();
  }
  void TearDown() override {
    textures_.clear();
    context_->Deactivate();
  }
  // A texture of the given top-down 0xAARRGGBB pixels as a 32-bit picture, enabled.
  TGLTexture& NewTexture(int width, int height, const std::vector<std::uint32_t>& pixels = {}) {
    textures_.push_back(std::make_unique<TGLTexture>(nullptr));
    TGLTexture& texture = *textures_.back();
    TBitmap picture(width, height, pf32bit);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
      picture.SetPixel(static_cast<int>(i) % width, static_cast<int>(i) / width, pixels[i]);
    }
    texture.Image().Assign(&picture);
    texture.SetEnabled(true);
    return texture;
  }
  static GLint Level(GLenum target, int level, GLenum what) {
    GLint value = -1;
    gl.GetTexLevelParameteriv(target, level, what, &value);
    return value;
  }

  std::unique_ptr<TGLContext> context_;
  std::vector<std::unique_ptr<TGLTexture>> textures_;
};

TEST_F(TextureGL, SizesGoToPowersOfTwoAndMipmapsFollowTheFilter) {
  const struct {
    int width, height;
    TGLMinFilter filter;
    GLint stored_width, stored_height, level2_width;
  } cases[] = {{100, 60, miLinear, 128, 64, 0}, {64, 64, miNearest, 64, 64, 0}, {4, 4, miLinearMipmapLinear, 4, 4, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    TGLTexture& texture = NewTexture(c.width, c.height);
    texture.SetMinFilter(c.filter);
    gl.BindTexture(GL_TEXTURE_2D, texture.TextureHandle());
    EXPECT_EQ(Level(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), c.stored_width);
    EXPECT_EQ(Level(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT), c.stored_height);
    EXPECT_EQ(Level(GL_TEXTURE_2D, 2, GL_TEXTURE_WIDTH), c.level2_width);
    EXPECT_TRUE(texture.TexWidth() == c.stored_width && texture.TexHeight() == c.stored_height);
    EXPECT_EQ(gl.GetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
}

TEST_F(TextureGL, CubeMapFacesMustBeSquareAndEqual) {
  ASSERT_TRUE(GL.ARB_texture_cube_map);
  // Faces 4 wide: narrower pictures are stretched to a multiple of 4 in width and so stop being square.
  for (int odd_size : {4, 8}) {
    SCOPED_TRACE(odd_size);
    TGLTexture& texture = NewTexture(1, 1);
    texture.SetImageClassName("TGLCubeMapImage");
    auto& cube = static_cast<TGLCubeMapImage&>(texture.Image());
    for (int face = 0; face < 6; ++face) {
      const int size = face == 3 ? odd_size : 4;
      TBitmap picture(size, size, pf24bit);
      cube.Picture(face).SetGraphic(&picture);
    }
    gl.BindTexture(GL_TEXTURE_CUBE_MAP_ARB, texture.TextureHandle());
    EXPECT_EQ(Level(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z_ARB, 0, GL_TEXTURE_WIDTH), odd_size == 4 ? 4 : 0);
  }
}

TEST_F(TextureGL, AlphaRulesOnUpload) {
  // Black, grey (90), a colour and the first pixel's colour again.
  const std::vector<std::uint32_t> pixels{0xFF000000, 0xFF5A5A5A, 0xFF1E3C5A, 0xFF000000};
  const struct {
    TGLTextureImageAlpha rule;
    std::array<std::uint8_t, 4> alpha;
  } cases[] = {
      {tiaDefault, {255, 255, 255, 255}},
      {tiaAlphaFromIntensity, {0, 90, 60, 0}},
      {tiaLuminance, {0, 90, 60, 0}},
      {tiaSuperBlackTransparent, {0, 255, 255, 0}},
      {tiaLuminanceSqrt, {0, 151, 123, 0}},
      {tiaOpaque, {255, 255, 255, 255}},
      {tiaTopLeftPointColorTransparent, {0, 255, 255, 0}},
      {tiaInverseLuminance, {255, 165, 195, 255}},
      {tiaInverseLuminanceSqrt, {255, 104, 132, 255}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    TGLTexture& texture = NewTexture(4, 1, pixels);
    texture.SetMinFilter(miNearest);
    texture.SetImageAlpha(c.rule);
    gl.BindTexture(GL_TEXTURE_2D, texture.TextureHandle());
    std::array<std::uint8_t, 16> read{};
    gl.GetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, read.data());
    EXPECT_EQ((std::array<std::uint8_t, 4>{read[3], read[7], read[11], read[15]}), c.alpha);
    EXPECT_EQ(read[8], 0x1E);
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

#ifdef ZENTROVA_HAS_RENDER_CONTEXT

// A quad over the whole view, drawn with the material.
void DrawQuad(TGLMaterial& material, TRenderContextInfo& rci) {
  material.Apply(rci);
  do {
    gl.Begin(GL_QUADS);
    gl.TexCoord2f(0, 0);
    gl.Vertex2f(-1, -1);
    gl.TexCoord2f(1, 0);
    gl.Vertex2f(1, -1);
    gl.TexCoord2f(1, 1);
    gl.Vertex2f(1, 1);
    gl.TexCoord2f(0, 1);
    gl.Vertex2f(-1, 1);
    gl.End();
  } while (material.Restore(rci));
}

class MaterialGL : public TextureGL {
 protected:
  void SetUp() override {
    TextureGL::SetUp();
    rci_.GLStates = &states_;
    gl.Viewport(0, 0, 64, 64);
  }
  void Clear(float r, float g, float b) {
    gl.ClearColor(r, g, b, 1);
    gl.Clear(GL_COLOR_BUFFER_BIT);
  }
  TGLStateCache states_;
  TRenderContextInfo rci_;
};

TEST_F(MaterialGL, CheckerTextureLandsExactlyPerQuadrant) {
  TGLMaterial material(nullptr);
  TGLTexture& texture = material.Texture();
  TBitmap picture(2, 2, pf24bit);
  picture.SetPixel(0, 0, 0xFFFF0000);  // top-left red
  picture.SetPixel(1, 0, 0xFF00FF00);
  picture.SetPixel(0, 1, 0xFF0000FF);  // bottom-left blue
  picture.SetPixel(1, 1, 0xFFFFFFFF);
  texture.Image().Assign(&picture);
  texture.SetMinFilter(miNearest);
  texture.SetMagFilter(maNearest);
  texture.SetTextureMode(tmReplace);
  texture.SetEnabled(true);
  Clear(0, 0, 0);
  DrawQuad(material, rci_);
  EXPECT_EQ(test::ReadPixel(16, 16), (Pixel{0, 0, 255, 255}));
  EXPECT_EQ(test::ReadPixel(48, 16), (Pixel{255, 255, 255, 255}));
  EXPECT_EQ(test::ReadPixel(16, 48), (Pixel{255, 0, 0, 255}));
  EXPECT_EQ(test::ReadPixel(48, 48), (Pixel{0, 255, 0, 255}));
  EXPECT_FALSE(states_.StateEnabled(stTexture2D));
}

TEST_F(MaterialGL, BlendingModesOnPixels) {
  const struct {
    TBlendingMode mode;
    TVector4f colour;
    Pixel expected;
  } cases[] = {
      {bmModulate, {0.5f, 1, 0.25f, 1}, {100, 100, 12, 255}},
      {bmTransparency, {1, 1, 1, 0.5f}, {227, 177, 152, 255}},
      {bmAdditive, {0.2f, 0.2f, 0.2f, 0.5f}, {226, 126, 76, 255}},
      {bmOpaque, {0.2f, 0.4f, 0.6f, 0.1f}, {51, 102, 153, 255}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    TGLMaterial material(nullptr);
    material.FrontProperties().Diffuse().SetVector(c.colour);
    material.SetBlendingMode(c.mode);
    Clear(200 / 255.0f, 100 / 255.0f, 50 / 255.0f);
    DrawQuad(material, rci_);
    const Pixel pixel = test::ReadPixel(32, 32);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(pixel[i], c.expected[i], 1) << i;
  }
}

TEST_F(MaterialGL, AlphaTest50KeepsOnlyHalfOpaquePixels) {
  TGLMaterial material(nullptr);
  // 4 wide, so that the picture converts directly and keeps its alpha.
  TBitmap picture(4, 1, pf32bit);
  for (int x = 0; x < 4; ++x) picture.SetPixel(x, 0, x < 2 ? 0x7FFFFFFF : 0x80FFFFFF);  // 127 fails, 128 passes
  material.Texture().Image().Assign(&picture);
  material.Texture().SetMinFilter(miNearest);
  material.Texture().SetMagFilter(maNearest);
  material.Texture().SetTextureMode(tmReplace);
  material.Texture().SetEnabled(true);
  material.SetBlendingMode(bmAlphaTest50);
  Clear(0, 0, 0);
  DrawQuad(material, rci_);
  EXPECT_EQ(test::ReadPixel(8, 32)[0], 0);
  EXPECT_EQ(test::ReadPixel(56, 32)[0], 255);
  GLint function = 0;
  gl.GetIntegerv(GL_ALPHA_TEST_FUNC, &function);
  EXPECT_EQ(function, GL_GREATER);
}

#endif

}  // namespace
}  // namespace zentrova
