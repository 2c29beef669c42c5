#include "scene/materials/texture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "materials_test_support.h"
#include "scene/gl/gl_fixtures.h"

namespace zentrova {
namespace {

using test::GLCall;
using test::TGLRecordingFake;
using test::Values;
using Calls = std::vector<std::string>;

int CountCalls(const Calls& calls, const std::string& name) {
  return static_cast<int>(std::count_if(
      calls.begin(), calls.end(), [&](const std::string& call) { return call.rfind(name + "(", 0) == 0; }));
}

TEST(GLTexture, StartsDisabledAndAssignSkipsTheImageCorrections) {
  TGLTexture source(nullptr);
  EXPECT_TRUE(source.Disabled() && source.Changes() == (tcImage | tcParams));
  EXPECT_TRUE(source.MappingSCoordinates().Equals({1, 0, 0, 0}) &&
              source.MappingTCoordinates().Equals({1, 0, 0, 0}));
  source.SetTextureMode(tmReplace);
  source.SetMappingMode(tmmSphere);
  source.MappingTCoordinates().SetW(3);
  source.SetEnabled(true);
  source.SetImageClassName("TGLBlankImage");
  source.SetImageBrightness(2), source.SetImageGamma(2), source.EnvColor().SetRed(1);
  source.SetFilteringQuality(tfAnisotropic), source.SetNormalMapScale(0.5f);
  TGLTexture copy(nullptr);
  copy.Assign(&source);
  EXPECT_TRUE(copy.TextureMode() == tmReplace && copy.MappingMode() == tmmSphere && copy.Enabled() &&
              copy.MappingTCoordinates().W() == 3 && copy.ImageClassName() == "TGLBlankImage");
  EXPECT_TRUE(copy.ImageBrightness() == 1 && copy.ImageGamma() == 1 && copy.EnvColor().Red() == 0 &&
              copy.FilteringQuality() == tfIsotropic && copy.NormalMapScale() == 0.125f);
}

TEST(GLTexture, SetTexParametersSequences) {
  const auto P = [](GLenum name, GLint value) {
    return GLCall("glTexParameteri", GL_TEXTURE_2D, name, value);
  };
  const struct {
    TGLTextureWrap wrap;
    TGLTextureFormat format;
    TGLMinFilter min_filter;
    bool edge_clamp, anisotropic;
    GLint s, t, min;
  } cases[] = {
      {twBoth, tfRGBA, miLinearMipmapLinear, false, true, GL_REPEAT, GL_REPEAT, GL_LINEAR_MIPMAP_LINEAR},
      {twVertical, tfRGB, miNearestMipmapLinear, false, false, GL_CLAMP, GL_REPEAT, GL_NEAREST_MIPMAP_LINEAR},
      {twHorizontal, tfRGB, miLinear, true, false, GL_REPEAT, GL_CLAMP_TO_EDGE, GL_LINEAR},
      // Float formats clamp to the edge, filter nearest and skip anisotropy.
      {twBoth, tfRGBAFloat32, miLinear, false, true, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE, GL_NEAREST},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.s + c.t);
    TGLRecordingFake fake;
    GL.EXT_texture_edge_clamp = c.edge_clamp;
    GL.EXT_texture_filter_anisotropic = c.anisotropic;
    TGLTexture texture(nullptr);
    texture.SetTextureWrap(c.wrap);
    texture.SetTextureFormat(c.format);
    texture.SetMinFilter(c.min_filter);
    texture.SetTexParameters(GL_TEXTURE_2D);
    Calls expected = {GLCall("glHint", GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST),
                      GLCall("glPixelStorei", GL_UNPACK_ALIGNMENT, 4),
                      GLCall("glPixelStorei", GL_UNPACK_ROW_LENGTH, 0),
                      GLCall("glPixelStorei", GL_UNPACK_SKIP_ROWS, 0),
                      GLCall("glPixelStorei", GL_UNPACK_SKIP_PIXELS, 0),
                      P(GL_TEXTURE_WRAP_S, c.s),
                      P(GL_TEXTURE_WRAP_T, c.t),
                      P(GL_TEXTURE_MIN_FILTER, c.min),
                      P(GL_TEXTURE_MAG_FILTER, c.min == GL_NEAREST ? GL_NEAREST : GL_LINEAR)};
    if (c.anisotropic && !texture.IsFloatFormat()) expected.push_back(P(GL_TEXTURE_MAX_ANISOTROPY_EXT, 1));
    EXPECT_EQ(fake.Calls(), expected);
  }
}

TEST(GLTexture, InternalFormatsAndCompressionHints) {
  // clang-format off
  const struct { TGLTextureFormat format; GLenum plain, compressed; } formats[] = {
      {tfDefault, GL_RGBA8, GL_COMPRESSED_RGBA_ARB},       {tfRGB, GL_RGB8, GL_COMPRESSED_RGB_ARB},
      {tfRGBA, GL_RGBA8, GL_COMPRESSED_RGBA_ARB},          {tfRGB16, GL_RGB5, GL_COMPRESSED_RGB_ARB},
      {tfRGBA16, GL_RGBA4, GL_COMPRESSED_RGBA_ARB},        {tfAlpha, GL_ALPHA8, GL_COMPRESSED_ALPHA_ARB},
      {tfLuminance, GL_LUMINANCE8, GL_COMPRESSED_LUMINANCE_ARB},
      {tfLuminanceAlpha, GL_LUMINANCE8_ALPHA8, GL_COMPRESSED_LUMINANCE_ALPHA_ARB},
      {tfIntensity, GL_INTENSITY8, GL_COMPRESSED_INTENSITY_ARB}, {tfNormalMap, GL_RGB8, GL_COMPRESSED_RGB_ARB},
      {tfRGBAFloat16, 0x881A, 0x881A},                     {tfRGBAFloat32, 0x8814, 0x8814}};
  // clang-format on
  const GLenum hints[] = {GL_DONT_CARE, GL_NICEST, GL_FASTEST};  // standard, high quality, high speed
  TGLRecordingFake fake;
  GL.ATI_texture_float = true;
  for (const auto& f : formats) {
    SCOPED_TRACE(static_cast<int>(f.format));
    const auto compression = static_cast<TGLTextureCompression>(tcStandard + f.format % 3);
    TGLTexture texture(nullptr);
    texture.SetTextureFormat(f.format);
    texture.SetCompression(compression);
    GL.ARB_texture_compression = false;
    EXPECT_EQ(texture.InternalFormat(), f.plain);
    GL.ARB_texture_compression = true;
    fake.Clear();
    EXPECT_EQ(texture.InternalFormat(), f.compressed);
    // Float formats are never compressed: no hint for them.
    EXPECT_EQ(fake.Calls(), texture.IsFloatFormat() ? Calls{}
                                                    : Calls{GLCall("glHint", GL_TEXTURE_COMPRESSION_HINT_ARB,
                                                                   hints[compression - tcStandard])});
  }
  // Without ATI's float formats, NVIDIA's.
  GL.ATI_texture_float = false;
  TGLTexture texture(nullptr);
  texture.SetTextureFormat(tfRGBAFloat16);
  EXPECT_EQ(texture.InternalFormat(), kGL_FLOAT_RGBA16_NV);
}

TEST(GLTexture, ParameterChangesResendParametersAndImageChangesUpload) {
  TGLRecordingFake fake;
  test::TFakeContext context;
  context.Create();
  context.Activate();
  TGLTexture texture(nullptr);
  TBitmap picture(4, 4, pf24bit);
  texture.Image().Assign(&picture);
  texture.SetMinFilter(miLinear);
  const struct {
    const char* step;
    std::function<void()> change;
    int parameters;  // glTexParameteri calls
    const char* upload;
  } steps[] = {
      {"first request", [] {}, 4, "glTexImage2D"},
      {"nothing changed", [] {}, 0, nullptr},
      {"magnification filter", [&] { texture.SetMagFilter(maNearest); }, 4, nullptr},
      {"alpha rule", [&] { texture.SetImageAlpha(tiaOpaque); }, 0, "glTexImage2D"},
      {"normal-map scale outside the normal-map format", [&] { texture.SetNormalMapScale(1); }, 0, nullptr},
      {"filter turns mipmapped", [&] { texture.SetMinFilter(miLinearMipmapLinear); }, 4, "gluBuild2DMipmaps"},
      {"filter back to linear", [&] { texture.SetMinFilter(miLinear); }, 4, nullptr},
      {"mipmapped again, mipmaps in place", [&] { texture.SetMinFilter(miNearestMipmapNearest); }, 4,
       nullptr},
      {"handles released", [&] { texture.ReleaseHandles(); }, 4, "gluBuild2DMipmaps"},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.step);
    s.change();
    fake.Clear();
    EXPECT_NE(texture.TextureHandle(), 0u);
    EXPECT_EQ(CountCalls(fake.Calls(), "glTexParameteri"), s.parameters);
    EXPECT_EQ(CountCalls(fake.Calls(), "glTexImage2D") + CountCalls(fake.Calls(), "gluBuild2DMipmaps"),
              s.upload ? 1 : 0);
    EXPECT_EQ(s.upload != nullptr ? CountCalls(fake.Calls(), s.upload) : 1, 1);
    EXPECT_EQ(texture.Changes(), 0);
  }
  context.Deactivate();
}

}  // namespace
}  // namespace zentrova
