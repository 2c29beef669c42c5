#include "scene/core/texture.h"

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
  return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                        [&](const std::string& call) { return call.rfind(name + "(", 0) == 0; }));
}

TEST(GLTexture, StartsDisabledAndAssignSkipsTheImageCorrections) {
  TGLTexture source(nullptr);
  EXPECT_TRUE(source.Disabled());
  EXPECT_EQ(source.Changes(), tcImage | tcParams);
  EXPECT_EQ(source.MappingSCoordinates().AsVector(), (TVector4f{1, 0, 0, 0}));
  EXPECT_EQ(source.MappingTCoordinates().AsVector(), (TVector4f{1, 0, 0, 0}));
  EXPECT_EQ(source.ImageClassName(), "TGLPersistentImage");
  EXPECT_FALSE(source.StoresImageClassName() || source.StoresImageBrightness() || source.StoresNormalMapScale());
  source.SetTextureMode(tmReplace);
  source.SetTextureWrap(twNone);
  source.SetMinFilter(miNearest);
  source.SetMappingMode(tmmSphere);
  source.MappingTCoordinates().SetW(3);
  source.SetEnabled(true);
  source.SetImageBrightness(2);
  source.SetImageGamma(2);
  source.EnvColor().SetRed(1);
  source.SetFilteringQuality(tfAnisotropic);
  source.SetNormalMapScale(0.5f);
  source.SetImageClassName("TGLBlankImage");
  TGLTexture copy(nullptr);
  copy.Assign(&source);
  EXPECT_TRUE(copy.TextureMode() == tmReplace && copy.TextureWrap() == twNone && copy.MinFilter() == miNearest &&
              copy.MappingMode() == tmmSphere && copy.Enabled());
  EXPECT_EQ(copy.MappingTCoordinates().W(), 3);
  EXPECT_EQ(copy.ImageClassName(), "TGLBlankImage");
  EXPECT_TRUE(copy.ImageBrightness() == 1 && copy.ImageGamma() == 1 && copy.EnvColor().Red() == 0 &&
              copy.FilteringQuality() == tfIsotropic && copy.NormalMapScale() == 0.125f);
  copy.Assign(nullptr);
  EXPECT_TRUE(copy.Disabled());
  EXPECT_EQ(copy.ImageClassName(), "TGLPersistentImage");
}

TEST(GLTexture, SetTexParametersSequences) {
  const auto P = [](GLenum name, GLint value) { return GLCall("glTexParameteri", GL_TEXTURE_2D, name, value); };
  const Calls head = {GLCall("glHint", GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST),
                      GLCall("glPixelStorei", GL_UNPACK_ALIGNMENT, 4), GLCall("glPixelStorei", GL_UNPACK_ROW_LENGTH, 0),
                      GLCall("glPixelStorei", GL_UNPACK_SKIP_ROWS, 0), GLCall("glPixelStorei", GL_UNPACK_SKIP_PIXELS, 0)};
  const struct {
    const char* name;
    std::function<void(TGLTexture&)> set;
    Calls tail;
  } cases[] = {
      {"defaults, anisotropy",
       [](TGLTexture&) { GL.EXT_texture_filter_anisotropic = true; },
       {P(GL_TEXTURE_WRAP_S, GL_REPEAT), P(GL_TEXTURE_WRAP_T, GL_REPEAT), P(GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR),
        P(GL_TEXTURE_MAG_FILTER, GL_LINEAR), P(GL_TEXTURE_MAX_ANISOTROPY_EXT, 1)}},
      {"vertical, no edge clamp",
       [](TGLTexture& t) {
         t.SetTextureWrap(twVertical);
         t.SetMinFilter(miNearestMipmapLinear);
         t.SetMagFilter(maNearest);
       },
       {P(GL_TEXTURE_WRAP_S, GL_CLAMP), P(GL_TEXTURE_WRAP_T, GL_REPEAT), P(GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_LINEAR),
        P(GL_TEXTURE_MAG_FILTER, GL_NEAREST)}},
      {"horizontal, edge clamp",
       [](TGLTexture& t) {
         GL.EXT_texture_edge_clamp = true;
         t.SetTextureWrap(twHorizontal);
       },
       {P(GL_TEXTURE_WRAP_S, GL_REPEAT), P(GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE),
        P(GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR), P(GL_TEXTURE_MAG_FILTER, GL_LINEAR)}},
      {"float 16 with ATI float: filters kept",
       [](TGLTexture& t) {
         GL.ATI_texture_float = true;
         t.SetTextureFormat(tfRGBAFloat16);
       },
       {P(GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE), P(GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE),
        P(GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR), P(GL_TEXTURE_MAG_FILTER, GL_LINEAR)}},
      {"float 32: nearest",
       [](TGLTexture& t) {
         GL.ATI_texture_float = true;
         t.SetTextureFormat(tfRGBAFloat32);
       },
       {P(GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE), P(GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE),
        P(GL_TEXTURE_MIN_FILTER, GL_NEAREST), P(GL_TEXTURE_MAG_FILTER, GL_NEAREST)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TGLRecordingFake fake;
    TGLTexture texture(nullptr);
    c.set(texture);
    texture.SetTexParameters(GL_TEXTURE_2D);
    Calls expected = head;
    expected.insert(expected.end(), c.tail.begin(), c.tail.end());
    EXPECT_EQ(fake.Calls(), expected);
  }
}

TEST(GLTexture, InternalFormatsAndCompressionHints) {
  const struct {
    TGLTextureFormat format;
    GLenum plain, compressed;
  } formats[] = {
      {tfDefault, GL_RGBA8, GL_COMPRESSED_RGBA_ARB},
      {tfRGB, GL_RGB8, GL_COMPRESSED_RGB_ARB},
      {tfRGBA, GL_RGBA8, GL_COMPRESSED_RGBA_ARB},
      {tfRGB16, GL_RGB5, GL_COMPRESSED_RGB_ARB},
      {tfRGBA16, GL_RGBA4, GL_COMPRESSED_RGBA_ARB},
      {tfAlpha, GL_ALPHA8, GL_COMPRESSED_ALPHA_ARB},
      {tfLuminance, GL_LUMINANCE8, GL_COMPRESSED_LUMINANCE_ARB},
      {tfLuminanceAlpha, GL_LUMINANCE8_ALPHA8, GL_COMPRESSED_LUMINANCE_ALPHA_ARB},
      {tfIntensity, GL_INTENSITY8, GL_COMPRESSED_INTENSITY_ARB},
      {tfNormalMap, GL_RGB8, GL_COMPRESSED_RGB_ARB},
      {tfRGBAFloat16, 0x881A, 0x881A},
      {tfRGBAFloat32, 0x8814, 0x8814},
  };
  TGLRecordingFake fake;
  GL.ATI_texture_float = true;
  for (const auto& f : formats) {
    SCOPED_TRACE(static_cast<int>(f.format));
    TGLTexture texture(nullptr);
    texture.SetTextureFormat(f.format);
    GL.ARB_texture_compression = false;
    texture.SetCompression(tcHighQuality);
    EXPECT_EQ(texture.InternalFormat(), f.plain);
    GL.ARB_texture_compression = true;
    fake.Clear();
    EXPECT_EQ(texture.InternalFormat(), f.compressed);
    // Float formats are never compressed: no hint for them.
    EXPECT_EQ(fake.Calls().size(), texture.IsFloatFormat() ? 0u : 1u);
  }
  const struct {
    TGLTextureCompression compression;
    GLenum hint;
  } hints[] = {{tcStandard, GL_DONT_CARE}, {tcHighQuality, GL_NICEST}, {tcHighSpeed, GL_FASTEST}};
  for (const auto& h : hints) {
    TGLTexture texture(nullptr);
    texture.SetCompression(h.compression);
    fake.Clear();
    texture.InternalFormat();
    EXPECT_EQ(fake.Calls(), Calls{GLCall("glHint", GL_TEXTURE_COMPRESSION_HINT_ARB, h.hint)});
  }
  // The process-wide default compression stands in for tcDefault; without ATI's floats, NVIDIA's.
  TGLTexture texture(nullptr);
  vDefaultTextureCompression = tcStandard;
  EXPECT_EQ(texture.InternalFormat(), static_cast<GLenum>(GL_COMPRESSED_RGBA_ARB));
  vDefaultTextureCompression = tcNone;
  GL.ATI_texture_float = false;
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
      {"mipmapped again, mipmaps in place", [&] { texture.SetMinFilter(miNearestMipmapNearest); }, 4, nullptr},
      {"handles released", [&] { texture.ReleaseHandles(); }, 4, "gluBuild2DMipmaps"},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.step);
    s.change();
    fake.Clear();
    EXPECT_NE(texture.TextureHandle(), 0u);
    EXPECT_EQ(CountCalls(fake.Calls(), "glTexParameteri"), s.parameters);
    EXPECT_EQ(CountCalls(fake.Calls(), "glTexImage2D") + CountCalls(fake.Calls(), "gluBuild2DMipmaps"), s.upload ? 1 : 0);
    if (s.upload != nullptr) {
      EXPECT_EQ(CountCalls(fake.Calls(), s.upload), 1);
    }
    EXPECT_EQ(texture.Changes(), 0);
  }
  EXPECT_EQ(texture.TexWidth(), 4);
  context.Deactivate();
}

}  // namespace
}  // namespace zentrova
