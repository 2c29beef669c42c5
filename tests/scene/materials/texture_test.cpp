#include "scene/materials/texture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "materials_test_support.h"
#include "scene/base/property_stream.h"
#include "scene/gl/gl_fixtures.h"
#include "scene/materials/material.h"
#include "scene/materials/material_library.h"
#include "scene/materials/texture_ex.h"

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

// Textures (and extra textures) stored with their material in the form stream.
namespace zentrova {
namespace {

std::string LibraryBytes(const TGLMaterialLibrary& library) {
  TMemoryStream stream;
  WriteComponent(stream, library);
  return stream.DataString();
}

std::unique_ptr<TGLMaterialLibrary> ReadLibrary(const std::string& bytes) {
  TMemoryStream stream(bytes);
  return ReadComponentAs<TGLMaterialLibrary>(stream);
}

std::unique_ptr<TBitmap> Checker(int width, int height, std::uint32_t ink) {
  auto bitmap = std::make_unique<TBitmap>(width, height, pf24bit);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) bitmap->SetPixel(x, y, (x + y) % 2 == 0 ? ink : 0xFF000000u);
  }
  return bitmap;
}

std::uint32_t PixelOf(const TPicture& picture, int x, int y) {
  const auto* bitmap = dynamic_cast<const TBitmap*>(picture.Graphic());
  return bitmap == nullptr ? 0 : bitmap->Pixel(x, y);
}

struct TextureCase {
  const char* name;
  std::function<void(TGLTexture&)> set;
  std::function<void(TGLTexture&)> check;  // on the texture read back
};

TEST(TextureStream, EveryImageClassAndSettingComesBackFromTheFormStream) {
  const std::vector<TextureCase> cases = {
      {"picture enabled with a linear minification",
       [](TGLTexture& t) {
         t.Image().Assign(Checker(4, 2, 0xFF10C020u).get());
         t.SetMinFilter(miLinear);
         t.SetEnabled(true);
       },
       [](TGLTexture& t) {
         auto& image = dynamic_cast<TGLPersistentImage&>(t.Image());
         ASSERT_EQ(image.Width(), 4);
         EXPECT_EQ(image.Height(), 2);
         EXPECT_EQ(PixelOf(image.Picture(), 0, 0), 0xFF10C020u);
         EXPECT_EQ(PixelOf(image.Picture(), 3, 0), 0xFF000000u);
         EXPECT_EQ(PixelOf(image.Picture(), 3, 1), 0xFF10C020u);
         EXPECT_TRUE(t.Enabled());
         EXPECT_EQ(t.MinFilter(), miLinear);
       }},
      {"blank image and every setting off its default",
       [](TGLTexture& t) {
         t.SetImageClassName("TGLBlankImage");
         auto& blank = dynamic_cast<TGLBlankImage&>(t.Image());
         blank.SetWidth(64), blank.SetHeight(300);
         t.SetImageAlpha(tiaInverseLuminanceSqrt), t.SetImageBrightness(0.5f), t.SetImageGamma(2.2f);
         t.SetMagFilter(maNearest), t.SetMinFilter(miNearestMipmapLinear), t.SetTextureMode(tmModulate);
         t.SetTextureWrap(twHorizontal), t.SetTextureFormat(tfNormalMap), t.SetCompression(tcHighSpeed);
         t.SetFilteringQuality(tfAnisotropic), t.SetMappingMode(tmmCubeMapCamera);
         t.MappingSCoordinates().SetVector(0, 1, 0, 0.5f);
         t.MappingTCoordinates().SetVector(0, 0, 1, -2);
         t.EnvColor().SetRed(0.25f), t.EnvColor().SetAlpha(0.75f);
         t.SetNormalMapScale(0.5f);
       },
       [](TGLTexture& t) {
         ASSERT_EQ(t.ImageClassName(), "TGLBlankImage");
         EXPECT_EQ(t.Image().Width(), 64);
         EXPECT_EQ(t.Image().Height(), 300);
         EXPECT_EQ(t.ImageAlpha(), tiaInverseLuminanceSqrt);
         EXPECT_EQ(t.ImageBrightness(), 0.5f);
         EXPECT_EQ(t.ImageGamma(), 2.2f);
         EXPECT_EQ(t.MagFilter(), maNearest);
         EXPECT_EQ(t.MinFilter(), miNearestMipmapLinear);
         EXPECT_EQ(t.TextureMode(), tmModulate);
         EXPECT_EQ(t.TextureWrap(), twHorizontal);
         EXPECT_EQ(t.TextureFormat(), tfNormalMap);
         EXPECT_EQ(t.Compression(), tcHighSpeed);
         EXPECT_EQ(t.FilteringQuality(), tfAnisotropic);
         EXPECT_EQ(t.MappingMode(), tmmCubeMapCamera);
         EXPECT_TRUE(t.MappingSCoordinates().Equals({0, 1, 0, 0.5f}));
         EXPECT_TRUE(t.MappingTCoordinates().Equals({0, 0, 1, -2}));
         EXPECT_EQ(t.EnvColor().Color(), (TVector4f{0.25f, 0, 0, 0.75f}));
         EXPECT_EQ(t.NormalMapScale(), 0.5f);
         EXPECT_TRUE(t.Disabled());
       }},
      {"picture file",
       [](TGLTexture& t) {
         t.SetImageClassName("TGLPicFileImage");
         dynamic_cast<TGLPicFileImage&>(t.Image()).SetPictureFileName("walls/brick.bmp");
       },
       [](TGLTexture& t) {
         EXPECT_EQ(dynamic_cast<TGLPicFileImage&>(t.Image()).PictureFileName(), "walls/brick.bmp");
       }},
      {"cube map with two faces",
       [](TGLTexture& t) {
         t.SetImageClassName("TGLCubeMapImage");
         auto& cube = dynamic_cast<TGLCubeMapImage&>(t.Image());
         cube.Picture(0).Assign(Checker(4, 4, 0xFFFF0000u).get());
         cube.Picture(5).Assign(Checker(4, 4, 0xFF0000FFu).get());
       },
       [](TGLTexture& t) {
         auto& cube = dynamic_cast<TGLCubeMapImage&>(t.Image());
         EXPECT_EQ(PixelOf(cube.Picture(0), 0, 0), 0xFFFF0000u);
         EXPECT_EQ(PixelOf(cube.Picture(5), 2, 2), 0xFF0000FFu);
         for (int face = 1; face < 5; ++face) EXPECT_EQ(cube.Picture(face).Graphic(), nullptr) << face;
       }},
      {"float data image",
       [](TGLTexture& t) {
         t.SetImageClassName("TGLFloatDataImage");
         dynamic_cast<TGLFloatDataImage&>(t.Image()).SetHeight(17);
       },
       [](TGLTexture& t) {
         ASSERT_EQ(t.ImageClassName(), "TGLFloatDataImage");
         EXPECT_EQ(t.Image().Width(), 256);
         EXPECT_EQ(t.Image().Height(), 17);
       }},
  };
  for (const TextureCase& c : cases) {
    SCOPED_TRACE(c.name);
    TGLMaterialLibrary library;
    TGLLibMaterial& item = *library.Materials().Add();
    item.SetName("floor");
    c.set(item.Material().Texture());
    const std::string bytes = LibraryBytes(library);
    const auto read = ReadLibrary(bytes);
    ASSERT_EQ(read->Materials().Count(), 1);
    c.check(read->Materials().Items(0)->Material().Texture());
    EXPECT_EQ(LibraryBytes(*read), bytes);  // nothing lost or added on the way
  }
}

// Colours keep their default copies while the test runs, as forms being designed do.
class DesignTimeColours {
 public:
  DesignTimeColours() { KeepDefaultCopies = true; }
  ~DesignTimeColours() { KeepDefaultCopies = false; }
  DesignTimeColours(const DesignTimeColours&) = delete;
  DesignTimeColours& operator=(const DesignTimeColours&) = delete;
};

TEST(TextureStream, DefaultsAndLinkedMaterialsStoreNoTexture) {
  {
    // A running program keeps no default colours: the environment colour is the one default written.
    TGLMaterialLibrary library;
    library.Materials().Add()->Material().Texture();
    const std::string bytes = LibraryBytes(library);
    const std::string env = std::string("\x1fMaterial.Texture.EnvColor.Color\x0a\x10\0\0\0", 37) + std::string(16, '\0');
    EXPECT_NE(bytes.find(env), std::string::npos);
    EXPECT_EQ(bytes.find("Material.Texture."), bytes.find(env) + 1);
    EXPECT_EQ(bytes.rfind("Material.Texture."), bytes.find(env) + 1);
  }
  DesignTimeColours design;
  TGLMaterialLibrary library;
  TGLLibMaterial& item = *library.Materials().Add();
  item.SetName("plain");
  TGLTexture& texture = item.Material().Texture();
  texture.MappingSCoordinates();  // created, still the default plane
  EXPECT_EQ(LibraryBytes(library).find("Texture"), std::string::npos);
  texture.SetEnabled(true);
  const std::string enabled = LibraryBytes(library);
  EXPECT_NE(enabled.find(std::string("\x19Material.Texture.Disabled\x08", 27)), std::string::npos);
  // Linked to a library material, the own texture is not stored.
  TGLLibMaterial& other = *library.Materials().Add();
  other.SetName("other");
  other.Material().Texture().SetEnabled(true);
  item.Material().SetMaterialLibrary(&library);
  item.Material().SetLibMaterialName("other");
  const std::string linked = LibraryBytes(library);
  const std::size_t second = linked.find(std::string("\x04Name\x06\x05other", 12));
  ASSERT_NE(second, std::string::npos);
  EXPECT_EQ(linked.find("Material.Texture."), linked.find("Material.Texture.", second));
}

TEST(TextureStream, ThePictureIsItsClassNameASizeAndABitmapFileAfterTheImageClass) {
  TGLMaterialLibrary library;
  TGLTexture& texture = library.Materials().Add()->Material().Texture();
  texture.Image().Assign(Checker(4, 1, 0xFFFFFFFFu).get());
  std::string bytes = LibraryBytes(library);
  const std::string name = "\x23Material.Texture.Image.Picture.Data\x0a";
  const std::size_t at = bytes.find(name);
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(bytes.find("ImageClassName"), std::string::npos);  // the persistent image is the default
  const std::string data = bytes.substr(at + name.size());
  std::uint32_t length = 0, size = 0;
  std::memcpy(&length, data.data(), 4);
  EXPECT_EQ(data.substr(4, 8), "\x07TBitmap");
  std::memcpy(&size, data.data() + 12, 4);
  EXPECT_EQ(length, 4 + 8 + size);
  EXPECT_EQ(data.substr(16, 2), "BM");
  EXPECT_EQ(size, 54u + 12u);  // a 24-bit 4 x 1 bitmap file: header and one row

  texture.SetImageClassName("TGLBlankImage");
  dynamic_cast<TGLBlankImage&>(texture.Image()).SetWidth(64);
  bytes = LibraryBytes(library);
  EXPECT_NE(bytes.find(std::string("\x1fMaterial.Texture.ImageClassName\x06\x0dTGLBlankImage"
                                   "\x1cMaterial.Texture.Image.Width\x02\x40",
                                   78)),
            std::string::npos);
}

// A material's properties written and read into `into` (a material outside any library: nothing is
// recomputed after loading).
void CopyThroughStream(const TGLMaterial& from, TGLMaterial& into) {
  TMemoryStream stream;
  TPropertyWriter writer(stream);
  from.WriteProperties(writer);
  writer.End();
  stream.SetPosition(0);
  TPropertyReader reader(stream);
  for (const TProperty& property : reader.Properties()) ReadObjectProperty(into, property.name, property.value);
}

TEST(TextureStream, ExtraTexturesAreAStoredCollection) {
  TGLMaterialLibrary library;
  TGLMaterial& material = library.Materials().Add()->Material();
  material.TextureEx();  // empty: not stored
  EXPECT_EQ(LibraryBytes(library).find("TextureEx"), std::string::npos);
  TGLTextureExItem& unit = *material.TextureEx().Add();
  unit.SetTextureIndex(3);
  unit.Texture().SetEnabled(true);
  unit.Texture().SetTextureMode(tmBlend);
  unit.TextureOffset().SetVector(0.5f, 0, 0, 0);
  unit.TextureScale().SetVector(2, 2, 1, 1);
  material.TextureEx().Add();  // unit 1, all defaults
  const std::string bytes = LibraryBytes(library);
  const auto read = ReadLibrary(bytes);
  const TGLTextureEx& extra = read->Materials().Items(0)->Material().TextureEx();
  ASSERT_EQ(extra.Count(), 2);
  TGLTextureExItem& first = *extra.Items(0);
  EXPECT_EQ(first.TextureIndex(), 3);
  EXPECT_TRUE(first.Texture().Enabled() && first.Texture().TextureMode() == tmBlend);
  EXPECT_FALSE(first.TextureMatrixIsIdentity());
  EXPECT_EQ(first.TextureMatrix()[0][0], 2);
  EXPECT_EQ(first.TextureMatrix()[3][0], 0.5f);
  EXPECT_EQ(extra.Items(1)->TextureIndex(), 1);
  EXPECT_TRUE(extra.Items(1)->TextureMatrixIsIdentity());
  EXPECT_EQ(LibraryBytes(*read), bytes);

  TGLMaterial alone(nullptr);
  CopyThroughStream(material, alone);
  ASSERT_EQ(alone.TextureEx().Count(), 2);
  EXPECT_EQ(alone.TextureEx().Items(0)->TextureMatrix()[0][0], 2);
  EXPECT_EQ(alone.TextureEx().Items(0)->TextureMatrix()[3][0], 0.5f);
}

TPropertyValue Text(std::uint8_t tag, std::string text) {
  TPropertyValue value;
  value.tag = tag;
  value.text = std::move(text);
  return value;
}

TEST(TextureStream, DamagedTextureValuesAreRefusedWithTheirError) {
  std::string bitmap_data;
  {
    TMemoryStream stream;
    WriteBitmapData(stream, Checker(4, 1, 0xFFFFFFFFu).get());
    bitmap_data = stream.DataString();
  }
  std::string short_data = bitmap_data;
  short_data.pop_back();
  std::string other_class = bitmap_data;
  other_class.replace(1, 7, "TJPEGIm");
  const struct {
    const char* name;
    TPropertyValue value;
    const char* error;
  } cases[] = {
      {"Texture.ImageClassName", Text(6, "TGLNoSuchImage"), "Invalid property value"},
      {"Texture.ImageClassName", Text(vaIdent, "TGLBlankImage"), "Invalid property value"},
      {"Texture.Image.Picture.Data", Text(vaBinary, short_data), "Invalid property value"},
      {"Texture.Image.Picture.Data", Text(vaBinary, other_class), "Invalid property value"},
      {"Texture.Image.Picture.Data", Text(6, bitmap_data), "Invalid property value"},
      {"Texture.MinFilter", Text(vaIdent, "maNearest"), "Invalid property value"},
      {"Texture.MappingSCoordinates.Coordinates", Text(vaBinary, std::string(12, '\0')),
       "Invalid property value"},
      {"Texture.Image.Width", Text(6, "x"), "Property Texture.Image.Width does not exist"},
      {"Texture.Sharpness", Text(vaIdent, "x"), "Property Texture.Sharpness does not exist"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TGLMaterial material(nullptr);
    try {
      ReadObjectProperty(material, c.name, c.value);
      ADD_FAILURE() << "accepted";
    } catch (const EReadError& e) {
      EXPECT_STREQ(e.what(), c.error);
    }
    // The texture keeps its persistent image without a picture.
    EXPECT_EQ(material.Texture().ImageClassName(), "TGLPersistentImage");
    EXPECT_EQ(dynamic_cast<TGLPersistentImage&>(material.Texture().Image()).Picture().Graphic(), nullptr);
  }
}

}  // namespace
}  // namespace zentrova
